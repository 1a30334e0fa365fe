// Resampling against the plain transcription and against JPEG decoding of a
// picture of the same size; the effects on the editor's 400 x 400 previews.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "imaging/Adjustments.h"
#include "imaging/BitmapEffects.h"
#include "imaging/ReferenceResample.h"
#include "imaging/ResampleBitmap.h"

namespace {

using pictorel::Bitmap;

// Smooth shapes with fine noise, like a photograph, so that JPEG decoding does
// a realistic amount of work.
Bitmap PhotoLike(int w, int h, unsigned seed) {
    Bitmap b = Bitmap::Uninitialized(w, h);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            const double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
            const double base[3] = {128 + 100 * std::sin(6 * u + 3 * v),
                                    128 + 90 * std::cos(5 * v - 2 * u * v),
                                    128 + 80 * std::sin(9 * u * v + 1)};
            for (int c = 0; c < 3; ++c) {
                const int value = static_cast<int>(base[c]) + noise(rng);
                row[3 * x + c] = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
            }
        }
    }
    return b;
}

const Bitmap& Camera() {
    static const Bitmap picture = PhotoLike(5875, 4406, 1);
    return picture;
}

const Bitmap& WorkSquare() {
    static const Bitmap picture = PhotoLike(6000, 6000, 2);
    return picture;
}

std::vector<unsigned char> EncodeJpeg(const Bitmap& b, int quality) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(b.Width());
    cinfo.image_height = static_cast<JDIMENSION>(b.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> rgb(static_cast<std::size_t>(b.Width()) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const std::uint8_t* row = b.ScanLine(static_cast<int>(cinfo.next_scanline));
        for (int x = 0; x < b.Width(); ++x) {
            rgb[3 * x] = row[3 * x + 2];
            rgb[3 * x + 1] = row[3 * x + 1];
            rgb[3 * x + 2] = row[3 * x];
        }
        JSAMPROW rows[1] = {rgb.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<unsigned char> out(buffer, buffer + size);
    std::free(buffer);
    jpeg_destroy_compress(&cinfo);
    return out;
}

void BM_ResampleCamera(benchmark::State& state) {
    const Bitmap& src = Camera();
    for (auto _ : state) benchmark::DoNotOptimize(pictorel::ResampleBitmap(src, 800, 600));
}
BENCHMARK(BM_ResampleCamera)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReferenceResampleCamera(benchmark::State& state) {
    const Bitmap& src = Camera();
    for (auto _ : state)
        benchmark::DoNotOptimize(pictorel::reference::ReferenceResample(src, 800, 600));
}
BENCHMARK(BM_ReferenceResampleCamera)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_JpegDecodeCamera(benchmark::State& state) {
    static const std::vector<unsigned char> jpeg = EncodeJpeg(Camera(), 90);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(Camera().Width()) * 3 *
                                      Camera().Height());
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr jerr;
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&cinfo, TRUE);
        jpeg_start_decompress(&cinfo);
        const std::size_t rowBytes = static_cast<std::size_t>(cinfo.output_width) * 3;
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW rows[1] = {pixels.data() + cinfo.output_scanline * rowBytes};
            jpeg_read_scanlines(&cinfo, rows, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["jpeg_bytes"] = static_cast<double>(jpeg.size());
}
BENCHMARK(BM_JpegDecodeCamera)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ResampleWorkSquareCrop(benchmark::State& state) {
    const Bitmap& src = WorkSquare();
    for (auto _ : state) benchmark::DoNotOptimize(pictorel::ResampleBitmap(src, 400, 400));
}
BENCHMARK(BM_ResampleWorkSquareCrop)->Unit(benchmark::kMillisecond)->UseRealTime();

// Each effect on a 400 x 400 preview, the size the editor applies them to.
void RegisterEffects() {
    struct Named {
        const char* name;
        std::function<void(Bitmap&)> apply;
    };
    static const std::vector<Named> effects = {
        {"Grayscale", [](Bitmap& b) { pictorel::GrayscaleBitmap(b); }},
        {"Emboss", [](Bitmap& b) { pictorel::EmbossBitmap(b, true); }},
        {"Sketch", [](Bitmap& b) { pictorel::SketchBitmap(b, true); }},
        {"Spotlight", [](Bitmap& b) { pictorel::SpotlightBitmap(b, 200); }},
        {"ColorSpotlight", [](Bitmap& b) { pictorel::ColorSpotlightBitmap(b, 190); }},
        {"BlurEdges", [](Bitmap& b) { pictorel::BlurEdgesBitmap(b, 600); }},
        {"OilPaint", [](Bitmap& b) { pictorel::OilPaintBitmap(b, 3); }},
        {"Tile", [](Bitmap& b) { pictorel::TileBitmap(b, 40, 1); }},
        {"Grid", [](Bitmap& b) { pictorel::GridBitmap(b, 3); }},
        {"Brightness", [](Bitmap& b) { pictorel::ApplyBrightness(b, 1.5); }},
        {"Sharpen", [](Bitmap& b) { pictorel::SharpenImage(b); }},
    };
    for (const Named& e : effects) {
        benchmark::RegisterBenchmark((std::string("BM_Effect400/") + e.name).c_str(),
                                     [&e](benchmark::State& state) {
                                         static const Bitmap preview = PhotoLike(400, 400, 3);
                                         for (auto _ : state) {
                                             Bitmap b = preview;
                                             e.apply(b);
                                             benchmark::DoNotOptimize(b.Bits());
                                         }
                                     })
            ->Unit(benchmark::kMillisecond);
    }
}

// Keeps the real times of every run, for the closing ratios: the median of
// the repetitions (or their median aggregate when only aggregates are shown).
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Iteration)
                times_[name].push_back(run.GetAdjustedRealTime());
            else if (run.aggregate_name == "median")
                medians_[name] = run.GetAdjustedRealTime();
        }
    }
    // Milliseconds of one iteration, 0 when the benchmark did not run.
    double Get(const std::string& name) const {
        if (const auto m = medians_.find(name); m != medians_.end()) return m->second;
        const auto it = times_.find(name);
        if (it == times_.end()) return 0;
        std::vector<double> t = it->second;
        std::sort(t.begin(), t.end());
        return t[t.size() / 2];
    }

  private:
    std::map<std::string, std::vector<double>> times_;
    std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RegisterEffects();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double fast = reporter.Get("BM_ResampleCamera");
    const double ref = reporter.Get("BM_ReferenceResampleCamera");
    const double jpeg = reporter.Get("BM_JpegDecodeCamera");
    const double crop = reporter.Get("BM_ResampleWorkSquareCrop");
    if (fast > 0 && ref > 0)
        std::printf("5875x4406 -> 800x600: reference / fast = %.1f (target >= 20)\n", ref / fast);
    if (fast > 0 && jpeg > 0)
        std::printf("5875x4406 -> 800x600: fast / JPEG decode = %.3f (target <= 0.25)\n",
                    fast / jpeg);
    if (crop > 0) std::printf("6000x6000 -> 400x400: %.1f ms (target < 60)\n", crop);
    benchmark::Shutdown();
    return 0;
}
