// In-memory picture: width, height, pixel layout, colour table and rows
// addressed top-down, each padded to a multiple of four bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "imaging/Geometry.h"
#include "imaging/MemoryBudget.h"

namespace pictorel {

// Device-independent pixel layouts. Indexed1, Indexed4 and Indexed8 index the
// picture's palette; Bgr555 is 5-5-5 and Bgr565 5-6-5 in a
// little-endian 16-bit unit; Bgr24 is B,G,R and Bgra32 B,G,R,A in memory.
enum class PixelFormat { Indexed1, Indexed4, Indexed8, Bgr555, Bgr565, Bgr24, Bgra32 };

int BitsPerPixel(PixelFormat format);

// A colour by its channels, red first: R, G, B.
struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

inline constexpr Color kWhite{255, 255, 255};
inline constexpr Color kBlack{0, 0, 0};

class Bitmap {
  public:
    // An empty 24-bit picture of 0 x 0 pixels.
    Bitmap() = default;
    // A new picture with zeroed pixels (black, or colour-table entry 0).
    // Throws OutOfResources when the size is negative or above the limits.
    Bitmap(int width, int height, PixelFormat format = PixelFormat::Bgr24);
    // The same, taking the pixels' bytes out of `pool` (see Uninitialized).
    Bitmap(int width, int height, PixelFormat format, MemoryBudget::Reservation& pool);
    // The same without clearing the pixels, for callers that write every byte
    // (padding bytes included) themselves.
    static Bitmap Uninitialized(int width, int height, PixelFormat format = PixelFormat::Bgr24);
    // The same, taking the pixels' bytes out of `pool`, a reservation made
    // for this picture together with other buffers (reserved anew when the
    // pool holds too few).
    static Bitmap Uninitialized(int width, int height, PixelFormat format,
                                MemoryBudget::Reservation& pool);
    // The bytes the pixels of such a picture take, for a decoder that
    // reserves them in one request with the buffers it holds beside them.
    // Throws OutOfResources, as the constructors do, for a size out of range.
    static std::uint64_t PixelBytes(int width, int height, PixelFormat format);

    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;
    ~Bitmap() = default;

    int Width() const { return width_; }
    int Height() const { return height_; }
    PixelFormat Format() const { return format_; }
    int BitsPerPixel() const { return pictorel::BitsPerPixel(format_); }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    // Bytes per row, a multiple of 4.
    std::size_t Stride() const { return stride_; }
    std::size_t SizeInBytes() const { return size_; }
    // Counts the pixels in the memory budget as held by the calling thread
    // (for a picture made on another thread and handed over).
    void AdoptBudgetShare() { reservation_.AdoptByThisThread(); }

    // Row y, 0 being the top row. Throws std::out_of_range for a bad row.
    std::uint8_t* ScanLine(int y);
    const std::uint8_t* ScanLine(int y) const;
    std::uint8_t* Bits() { return pixels_.get(); }
    const std::uint8_t* Bits() const { return pixels_.get(); }

    // Colour table for layouts of 8 bits or fewer (at most 2^bits entries).
    // Pixel values without an entry read as black.
    const std::vector<Color>& ColorTable() const { return colorTable_; }
    void SetColorTable(std::vector<Color> table);
    // Fills the colour table with the grey ramp k -> (k, k, k).
    void SetGreyColorTable();

    // Reallocates the picture with zeroed pixels; the colour table is kept.
    void SetSize(int width, int height);

    // Colour of one pixel in any layout (palette looked up, 5/6-bit fields
    // widened by bit replication, alpha dropped). Coordinates are checked.
    Color Pixel(int x, int y) const;
    // Sets one pixel of a 24- or 32-bit picture (alpha of a 32-bit pixel = 255).
    void SetPixel(int x, int y, Color c);

    // A 24-bit copy of the picture in its colours (a plain copy when 24-bit).
    Bitmap ToBgr24() const;

    // Drawing on 24- and 32-bit pictures. Rectangles are clipped to the picture.
    void FillRect(const Rect& r, Color c);
    // Copies src's rectangle `from` so that its top-left lands on (x, y).
    // Both pictures must share a byte-aligned layout (8, 15, 16, 24 or 32 bits).
    void CopyRect(int x, int y, const Bitmap& src, const Rect& from);
    // Draws the whole of src at (x, y); with a transparent colour, source
    // pixels of exactly that colour leave the destination unchanged.
    // src may have any layout; this picture must be 24- or 32-bit.
    void Draw(int x, int y, const Bitmap& src, std::optional<Color> transparent = std::nullopt);

    friend bool operator==(const Bitmap& a, const Bitmap& b);

  private:
    struct NoClear {};
    Bitmap(int width, int height, PixelFormat format, NoClear,
           MemoryBudget::Reservation* pool = nullptr);
    void RequireTrueColor(const char* operation) const;

    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::Bgr24;
    std::size_t stride_ = 0;
    struct FreePixels {
        void operator()(std::uint8_t* p) const noexcept;
    };
    static std::unique_ptr<std::uint8_t[], FreePixels> AllocatePixels(std::size_t bytes);

    std::size_t size_ = 0;
    // The pixels' share of the process's memory budget; declared before the
    // pixels so that it is given back only after they are freed.
    MemoryBudget::Reservation reservation_;
    std::unique_ptr<std::uint8_t[], FreePixels> pixels_;
    std::vector<Color> colorTable_;
};

// Bytes per row for a width and layout, padded to 4 bytes, in 64 bits.
std::uint64_t RowStride(std::int64_t width, PixelFormat format);

}  // namespace pictorel
