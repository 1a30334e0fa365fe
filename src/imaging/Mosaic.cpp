#include "imaging/Mosaic.h"

#include <algorithm>
#include <cstdint>

#include "imaging/PixelRows.h"

namespace pictorel {

namespace {

constexpr int kMinBlockSide = 8;
constexpr int kBlocksPerShorterSide = 8;

// Edge `i` of `count` equal shares of [start, start + length).
int ShareEdge(int start, int length, int count, int i) {
    return start + static_cast<int>(std::int64_t{length} * i / count);
}

}  // namespace

int MosaicBlockSide(int width, int height) {
    const int shorter = std::max(std::min(width, height), 0);
    return std::max(kMinBlockSide, (shorter + kBlocksPerShorterSide - 1) / kBlocksPerShorterSide);
}

std::vector<Rect> MosaicBlocks(const Rect& area) {
    std::vector<Rect> blocks;
    if (area.Empty()) return blocks;
    const int side = MosaicBlockSide(area.Width(), area.Height());
    const int columns = std::max(1, area.Width() / side);
    const int rows = std::max(1, area.Height() / side);
    blocks.reserve(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        const int top = ShareEdge(area.top, area.Height(), rows, r);
        const int bottom = ShareEdge(area.top, area.Height(), rows, r + 1);
        for (int c = 0; c < columns; ++c)
            blocks.push_back({ShareEdge(area.left, area.Width(), columns, c), top,
                              ShareEdge(area.left, area.Width(), columns, c + 1), bottom});
    }
    return blocks;
}

void ApplyMosaic(Bitmap& picture, const Rect& area) {
    const Rect clipped{std::max(area.left, 0), std::max(area.top, 0),
                       std::min(area.right, picture.Width()),
                       std::min(area.bottom, picture.Height())};
    if (clipped.Empty()) return;
    if (picture.Format() != PixelFormat::Bgr24) picture = picture.ToBgr24();
    const PixelRows24 rows(picture);
    for (const Rect& block : MosaicBlocks(clipped)) {
        std::uint64_t sums[3] = {0, 0, 0};
        for (int y = block.top; y < block.bottom; ++y) {
            const std::uint8_t* p = rows.PixelAt(block.left, y);
            for (int x = block.left; x < block.right; ++x, p += 3)
                for (int c = 0; c < 3; ++c) sums[c] += p[c];
        }
        const std::uint64_t count =
            static_cast<std::uint64_t>(block.Width()) * static_cast<std::uint64_t>(block.Height());
        std::uint8_t mean[3];
        for (int c = 0; c < 3; ++c)
            mean[c] = static_cast<std::uint8_t>((sums[c] + count / 2) / count);
        for (int y = block.top; y < block.bottom; ++y) {
            std::uint8_t* p = rows.PixelAt(block.left, y);
            for (int x = block.left; x < block.right; ++x, p += 3) std::copy_n(mean, 3, p);
        }
    }
}

}  // namespace pictorel
