#include "cli/CmdDemo.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "imaging/Bitmap.h"
#include "workflow/FileUtils.h"
#include "workflow/JpegOutput.h"

namespace pictorel::cli {
namespace {

struct DemoPicture {
    const char* sourceName;  // as if it came from this source file
    Bitmap image;
};

std::uint8_t Byte(long v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

Bitmap Gradient(int w, int h) {
    Bitmap bmp(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bmp.SetPixel(x, y,
                         Color{Byte(255L * x / (w - 1)), Byte(255L * y / (h - 1)),
                               Byte(255 - 255L * x / (w - 1))});
        }
    }
    return bmp;
}

Bitmap Checkerboard(int w, int h, int cell) {
    Bitmap bmp(w, h);
    bmp.FillRect(Rect{0, 0, w, h}, kWhite);
    for (int y = 0; y < h; y += cell) {
        for (int x = (y / cell % 2) * cell; x < w; x += 2 * cell)
            bmp.FillRect(Rect{x, y, x + cell, y + cell}, kBlack);
    }
    // A red disc in the middle shows the colour survives.
    const int cx = w / 2;
    const int cy = h / 2;
    const int r = std::min(w, h) / 4;
    for (int y = cy - r; y <= cy + r; ++y) {
        for (int x = cx - r; x <= cx + r; ++x) {
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
                bmp.SetPixel(x, y, Color{220, 30, 40});
        }
    }
    return bmp;
}

Bitmap GreyRamp(int w, int h) {
    Bitmap bmp(w, h, PixelFormat::Indexed8);
    bmp.SetGreyColorTable();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) bmp.ScanLine(y)[x] = Byte(255L * x / (w - 1));
    }
    return bmp;
}

Bitmap ColourBars(int w, int h) {
    const Color bars[] = {{192, 192, 192}, {192, 192, 0}, {0, 192, 192}, {0, 192, 0},
                          {192, 0, 192},   {192, 0, 0},   {0, 0, 192}};
    Bitmap bmp(w, h);
    const int n = static_cast<int>(std::size(bars));
    for (int i = 0; i < n; ++i) bmp.FillRect(Rect{w * i / n, 0, w * (i + 1) / n, h}, bars[i]);
    return bmp;
}

std::string MakeTempFolder() {
    std::string pattern = "/tmp/pictorel-demo-XXXXXX";
    if (!::mkdtemp(pattern.data())) return {};
    return pattern;
}

}  // namespace

int CmdDemo(const Args& args) {
    if (args.size() > 1) {
        std::fprintf(stderr, "usage: pictorel-cli demo %s\n", kDemoUsage);
        return 2;
    }
    const std::string folder = args.empty() ? MakeTempFolder() : args[0];
    if (!FolderExists(folder)) {
        std::fprintf(stderr, "demo: no such folder: %s\n",
                     folder.empty() ? "(temporary)" : folder.c_str());
        return 1;
    }
    const std::string dir = NormalizeFolderPath(folder);
    std::vector<DemoPicture> pictures;
    pictures.push_back({"gradient.png", Gradient(640, 480)});
    pictures.push_back({"checkerboard.BMP", Checkerboard(800, 600, 50)});
    pictures.push_back({"grey-ramp.tiff", GreyRamp(512, 128)});
    pictures.push_back({"colour.bars.psd", ColourBars(700, 400)});
    pictures.push_back({"gradient.png", Gradient(320, 240)});  // same name again: gets "-1"
    int failures = 0;
    for (const DemoPicture& p : pictures) {
        try {
            const std::optional<std::string> written =
                SaveResultAsJpeg(&p.image, dir + p.sourceName);
            if (written) std::printf("%s\n", written->c_str());
        } catch (const SaveFailure& e) {
            std::fprintf(stderr, "demo: %s not saved: %s: %s\n", p.sourceName, e.File().c_str(),
                         e.Cause().c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace pictorel::cli
