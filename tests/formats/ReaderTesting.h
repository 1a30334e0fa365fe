// Helpers for reader tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/Errors.h"
#include "formats/PictureReader.h"

namespace pictorel::test {

// The load error of `Decoder` on `bytes` (empty, with a test failure, when
// the load succeeds).
template <class Decoder>
std::string LoadError(std::span<const std::uint8_t> bytes) {
    try {
        Decoder().Decode(bytes);
    } catch (const InvalidPicture& e) {
        return e.what();
    }
    ADD_FAILURE() << "load succeeded";
    return {};
}

// The last picture `Decoder` decoded, turned upright as the loading code
// hands it on, for tests that look at one decoder's pixels.
template <class Decoder>
class DecodedBy {
  public:
    void LoadFromMemory(std::span<const std::uint8_t> data) {
        picture_ = DecodedPicture();
        picture_ = Decoder().Decode(data);
        TurnUpright(picture_);
    }
    void LoadFromFile(const std::string& path) { LoadFromMemory(ReadPictureFile(path)); }
    bool Empty() const { return picture_.bitmap.Empty(); }
    int Width() const { return picture_.bitmap.Width(); }
    int Height() const { return picture_.bitmap.Height(); }
    const Bitmap& GetBitmap() const { return picture_.bitmap; }
    Bitmap TakeBitmap() { return std::move(picture_.bitmap); }
    const std::vector<std::uint8_t>& IccProfile() const { return picture_.iccProfile; }

  private:
    DecodedPicture picture_;
};

}  // namespace pictorel::test
