// The picture holder and the editor's loading rule.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/PictureReader.h"

namespace pictorel {

// Holds one decoded picture of any format, or nothing.
class LoadedPicture {
  public:
    bool Empty() const { return picture_.bitmap.Empty(); }
    int Width() const { return picture_.bitmap.Width(); }
    int Height() const { return picture_.bitmap.Height(); }
    // The format the picture was decoded as; null when nothing was loaded.
    const PictureFormat* Format() const { return format_; }
    // The held picture, upright, in its own layout (empty when none).
    const Bitmap& GetBitmap() const { return picture_.bitmap; }
    // The colour profile embedded in the file (empty when none, or when it
    // was applied at load).
    const std::vector<std::uint8_t>& IccProfile() const { return picture_.iccProfile; }
    // A copy of the held picture (an empty Bitmap when none).
    Bitmap ToBitmap() const { return picture_.bitmap; }
    // Takes the held picture out as 24-bit BGR: the decoder's own pixels when
    // they are 24-bit already, so a large photo is held once, not twice; the
    // holder keeps its profile but no pixels.
    Bitmap TakeBgr24();
    void Assign(const PictureFormat& format, DecodedPicture picture) {
        format_ = &format;
        picture_ = std::move(picture);
    }
    // Loads by the file's extension alone (the open dialog's preview):
    // "拡張子 .%s の画像形式は処理できません" when no format reads it. On
    // failure the holder keeps what it held.
    void LoadFromFile(const std::string& path);
    void Clear() {
        format_ = nullptr;
        picture_ = DecodedPicture();
    }

  private:
    const PictureFormat* format_ = nullptr;
    DecodedPicture picture_;
};

// When a picture's embedded colour profile is applied: right after decoding,
// or by the caller (ConvertToSrgb with the picture's IccProfile), who may do
// it more cheaply on a reduced copy.
enum class ProfileConversion { AtLoad, ByCaller };

// Content first, then extension. An RGB picture with an
// RGB profile other than sRGB gets its colours converted to sRGB (see
// ConvertToSrgb). On failure throws with the reader's message and leaves
// `picture` as it was.
void LoadPicture(LoadedPicture& picture, const std::string& path,
                 ProfileConversion conversion = ProfileConversion::AtLoad);

// LoadPicture for a caller that takes the rows as they are decoded (see
// RowSink). Where the chosen reader can deliver this file row by row and the
// sink accepts it, the rows go to `sink` unconverted, `picture` keeps only
// the profile, and the result is true; else the picture is loaded whole into
// `picture` as LoadPicture does with `conversion`, and the result is false.
bool LoadPictureRows(LoadedPicture& picture, const std::string& path, RowSink& sink,
                     ProfileConversion conversion);

}  // namespace pictorel
