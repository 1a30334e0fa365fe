// Picture classes: each reader is a class that loads itself from a file or
// from memory and holds the decoded picture as a Bitmap.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "imaging/Bitmap.h"

namespace pictorel {

class TGraphic {
public:
    virtual ~TGraphic() = default;
    // The class name as the registries and `pictorel-cli info` show it.
    virtual const char* ClassName() const = 0;
    // Reads the whole file and decodes it; "ファイル %s は開けません" when it
    // cannot be opened. Throws on any fault; then the object holds nothing.
    virtual void LoadFromFile(const std::string& path);
    virtual void LoadFromMemory(std::span<const std::uint8_t> data) = 0;

    int Width() const { return bitmap_.Width(); }
    int Height() const { return bitmap_.Height(); }
    bool Empty() const { return bitmap_.Empty(); }
    const Bitmap& GetBitmap() const { return bitmap_; }
    Bitmap TakeBitmap() { return std::move(bitmap_); }

protected:
    Bitmap bitmap_;
};

// Base of the readers that the content registry asks; each derived class has
// a static `bool RecognisesContent(std::span<const std::uint8_t> data)`.
class TGraphicExGraphic : public TGraphic {};

}  // namespace pictorel
