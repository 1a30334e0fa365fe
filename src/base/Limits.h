// Every size limit of the program, kept in one place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pictorel::limits {

// Largest picture a reader may decode (width x height), refused before allocation.
inline constexpr std::uint64_t kMaxPicturePixels = 300'000'000;

// Largest single pixel buffer a Bitmap may own. A 300-megapixel picture at
// 32 bits fits; a work square built from an extremely thin panorama does not.
inline constexpr std::uint64_t kMaxBitmapBytes = 1'400'000'000;

// The memory budget for decoded pictures in one process is the smaller of
// this and a quarter of the physical memory (see imaging/MemoryBudget.h).
// A WebAssembly instance (wasm32) has 2 GiB in all, which must also hold the
// program, the file's bytes and the encoder: its pictures get half of it.
#ifdef __EMSCRIPTEN__
inline constexpr std::uint64_t kMaxPictureBudgetBytes = std::uint64_t{1} << 30;
#else
inline constexpr std::uint64_t kMaxPictureBudgetBytes = std::uint64_t{2} << 30;
#endif

// Longest side a Bitmap may have (keeps every row offset within 32 bits).
inline constexpr std::int64_t kMaxBitmapSide = 1'000'000;

// Largest embedded colour profile a reader keeps, in every format: the most a
// JPEG can carry (255 APP2 chunks of 65,519 bytes). A larger one is ignored
// like an unreadable profile, the pixels kept as stored, and is measured
// before anything is copied: a tiny file could otherwise make a reader
// allocate hundreds of megabytes for its profile alone.
inline constexpr std::size_t kMaxColourProfileBytes = 255 * 65'519;

// A settings read returns at most this many bytes of a value.
inline constexpr std::size_t kIniMaxValueBytes = 2047;

// A settings file larger than this is not read (defaults apply) and not
// rewritten, so that a stray huge file is neither loaded nor cut short.
inline constexpr std::uint64_t kMaxIniFileBytes = 16u << 20;

// Side of the direction marker. It is drawn at twice its size and reduced, so
// a side of 0 cannot be drawn at all, and a frame dragged far beyond the
// result view would ask for a drawing of gigabytes. Sizes set by dragging
// are kept within these bounds; 20 also keeps the marker's frame movable
// (a frame under 18 pixels is corner zones only).
inline constexpr int kMinMarkerSide = 20;
inline constexpr int kMaxMarkerSide = 1000;

}  // namespace pictorel::limits
