// JPEG output: encodes a picture as a quality-80 baseline colour JPEG in
// memory and writes it under a name that never replaces an existing file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/Bitmap.h"

namespace pictorel {

inline constexpr int kJpegQuality = 80;

// The picture (any layout, converted to 24 bits) as a JPEG stream: libjpeg
// defaults, quality 80 with baseline tables, three RGB components. Throws
// Error with libjpeg's message when encoding fails (an empty picture, say).
std::vector<std::uint8_t> EncodeJpeg(const Bitmap& image);

// `path` with the extension of its file-name part replaced by ".jpg" (or
// ".jpg" appended when it has none); dots in folder names stay.
std::string JpegOutputName(const std::string& path);

// The n-th candidate: JpegOutputName(path) with "-n" before ".jpg" (n > 0).
std::string JpegCandidateName(const std::string& path, unsigned long long n);

// Writes already encoded bytes under the first free candidate name, created
// exclusively, so that no existing file is ever replaced, even by another
// run at the same moment. A partly written file is removed. Returns false on
// any failure and shows nothing; `writtenPath` receives the name used (on a
// failure the name tried) and `errorText` the reason of a failure, as
// "<name tried>: <system reason>".
bool SaveJpegBytes(const std::vector<std::uint8_t>& jpeg, const std::string& path,
                   std::string* writtenPath = nullptr, std::string* errorText = nullptr);

// The error box of a picture that could not be written:
// "ファイル <file> を保存できませんでした。" and the system's reason on a second line.
std::string SaveFailedMessage(const std::string& file, const std::string& reason);

// SaveResultAsJpeg: false without writing when there is no picture (null or
// empty); otherwise EncodeJpeg then SaveJpegBytes, any failure giving false.
bool SaveResultAsJpeg(const Bitmap* image, const std::string& path,
                      std::string* writtenPath = nullptr, std::string* errorText = nullptr);

}  // namespace pictorel
