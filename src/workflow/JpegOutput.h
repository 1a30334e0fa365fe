// JPEG output: encodes a picture as a quality-80 baseline colour JPEG in
// memory and writes it under a name that never replaces an existing file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/Errors.h"
#include "imaging/Bitmap.h"

namespace pictorel {

inline constexpr int kJpegQuality = 80;

// The picture (any layout, converted to 24 bits) as a JPEG stream: libjpeg
// defaults, quality 80 with baseline tables, three RGB components. Throws
// Error with libjpeg's message when encoding fails (an empty picture, say).
std::vector<std::uint8_t> EncodeJpeg(const Bitmap& image);
// The same at another quality, 1..100 (EncodeJpeg(image) is quality 80).
std::vector<std::uint8_t> EncodeJpeg(const Bitmap& image, int quality);

// `path` with the extension of its file-name part replaced by ".jpg" (or
// ".jpg" appended when it has none); dots in folder names stay.
std::string JpegOutputName(const std::string& path);

// The n-th candidate: JpegOutputName(path) itself for 0, then with "-n"
// before ".jpg".
std::string JpegCandidateName(const std::string& path, unsigned long long n);

// The hidden temporary name a result is written under before it is given
// its own: ".pictorel-" and six letters or digits, then ".tmp".
bool IsOwnTemporaryName(const std::string& fileName);

// Writes a run's results. Each is written in full to a temporary file of
// its own in the output folder, then given the first free candidate name in
// one step that fails when the name is taken (so no existing file is ever
// replaced, even by another run at the same moment, and a name never holds
// an empty or partial file). A writer remembers for each name the number it
// last gave, so the search for a free name starts there, and clears the
// temporaries that killed runs left in each folder before its first write
// there (regular files of that exact pattern, owned by this user, untouched
// for ten minutes). One writer per run; not shared between threads.
class JpegFileWriter {
  public:
    // Returns the name written. Throws SaveFailure, showing nothing, on any
    // failure; nothing is left behind by a failure.
    std::string Save(const std::vector<std::uint8_t>& jpeg, const std::string& path);

  private:
    std::unordered_map<std::string, unsigned long long> nextNumber_;
    std::unordered_set<std::string> clearedFolders_;
};

// Save of a writer that lives for this one file.
std::string SaveJpegBytes(const std::vector<std::uint8_t>& jpeg, const std::string& path);

// Writes `bytes` as a new file in `folder` the way a result is written
// (whole under a temporary name, then named in one step that never replaces
// a file), under the first free name of candidate(0), candidate(1), ...
// Returns the name written; throws SaveFailure, leaving nothing behind.
std::string SaveNewFile(const std::vector<std::uint8_t>& bytes, const std::string& folder,
                        const std::function<std::string(unsigned long long)>& candidate);

// The error box of a picture that could not be written:
// "ファイル <file> を保存できませんでした。" and the system's reason on a second line.
std::string SaveFailedMessage(const std::string& file, const std::string& reason);

// A result that could not be written or encoded. what() is the error box
// (SaveFailedMessage), Cause() the system's reason or the encoder's message,
// File() the name that was tried.
class SaveFailure : public IoError {
  public:
    SaveFailure(std::string file, const std::string& reason, int errorCode = 0);
    const std::string& File() const { return file_; }

  private:
    std::string file_;
};

// EncodeJpeg then Save, by `writer` when given, else by a writer of its own;
// returns the name written, or nothing, writing nothing, when there is no
// picture (null or empty). A picture that cannot be encoded throws
// SaveFailure for JpegOutputName(path) with the encoder's message.
std::optional<std::string> SaveResultAsJpeg(const Bitmap* image, const std::string& path,
                                            JpegFileWriter* writer = nullptr);

}  // namespace pictorel
