// Writes small uncompressed 24-bit BMP files for the load-step tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "imaging/Bitmap.h"
#include "support/TestFiles.h"

namespace pictorel::test {

// A bottom-up 24-bit BMP of width x height whose pixel (x, y) is color(x, y).
inline void WriteBmp(const std::filesystem::path& path, int width, int height,
                     const std::function<Color(int, int)>& color) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> bytes(54 + imageSize, 0);
    const auto put32 = [&bytes](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 24;
    put32(34, imageSize);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bytes.data() + 54 + static_cast<std::size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const Color c = color(x, y);
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
        }
    }
    WriteFile(path, bytes);
}

inline void WriteSolidBmp(const std::filesystem::path& path, int width, int height, Color c) {
    WriteBmp(path, width, height, [c](int, int) { return c; });
}

}  // namespace pictorel::test
