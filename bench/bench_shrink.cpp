// Where the automatic run's time goes for one 24-megapixel photo: decoding,
// resampling to 800 pixels, encoding at quality 80, and the whole shrink step;
// and a 20-photo run with the check before publishing off and on.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "formats/LoadedPicture.h"
#include "imaging/PhotoMeasures.h"
#include "imaging/ResampleBitmap.h"
#include "workflow/JpegOutput.h"
#include "workflow/OrderedShrinkPipeline.h"
#include "workflow/PublishCheck.h"
#include "workflow/ShrinkPhoto.h"

#include "BenchCorpus.h"

namespace {

using namespace pictorel;
namespace fs = std::filesystem;

using bench::CorpusPhoto;

// A temporary file removed when the program ends.
struct TempFile {
    std::string path;
    ~TempFile() {
        std::error_code ec;
        fs::remove(path, ec);
    }
};

// A 6000 x 4000 JPEG enlarged from a corpus photo, written once.
const std::string& BigPhoto() {
    static const TempFile file{[] {
        LoadedPicture picture;
        LoadPicture(picture, CorpusPhoto().string());
        const Bitmap big = ResampleBitmap(picture.ToBitmap(), 6000, 4000);
        const auto jpeg = EncodeJpeg(big);
        const fs::path out = fs::temp_directory_path() /
                             ("pictorel-bench-24mp-" + std::to_string(::getpid()) + ".jpg");
        std::ofstream(out, std::ios::binary)
            .write(reinterpret_cast<const char*>(jpeg.data()),
                   static_cast<std::streamsize>(jpeg.size()));
        return out.string();
    }()};
    return file.path;
}

bool HaveCorpus(benchmark::State& state) {
    if (fs::exists(CorpusPhoto())) return true;
    state.SkipWithError("corpus photo not found");
    return false;
}

void BM_Decode24MP(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    const std::string& path = BigPhoto();
    for (auto _ : state) {
        LoadedPicture picture;
        LoadPicture(picture, path);
        benchmark::DoNotOptimize(picture.Width());
    }
}
BENCHMARK(BM_Decode24MP)->Unit(benchmark::kMillisecond);

void BM_Resample24MPTo800(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    LoadedPicture picture;
    LoadPicture(picture, BigPhoto());
    const Bitmap& source = picture.GetBitmap();
    for (auto _ : state) benchmark::DoNotOptimize(ResampleBitmap(source, 800, 533));
}
BENCHMARK(BM_Resample24MPTo800)->Unit(benchmark::kMillisecond);

void BM_Encode800(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    LoadedPicture picture;
    LoadPicture(picture, BigPhoto());
    const Bitmap small = ResampleBitmap(picture.GetBitmap(), 800, 533);
    for (auto _ : state) benchmark::DoNotOptimize(EncodeJpeg(small));
}
BENCHMARK(BM_Encode800)->Unit(benchmark::kMillisecond);

void BM_ShrinkForPublishing24MP(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    for (auto _ : state) benchmark::DoNotOptimize(ShrinkForPublishing(BigPhoto()));
}
BENCHMARK(BM_ShrinkForPublishing24MP)->Unit(benchmark::kMillisecond);

// The check's own work on one photo: the measures of an 800 x 533 picture.
void BM_MeasurePhoto800(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    LoadedPicture picture;
    LoadPicture(picture, CorpusPhoto().string());
    const Bitmap small = ResampleBitmap(picture.GetBitmap(), 800, 533);
    for (auto _ : state) benchmark::DoNotOptimize(MeasurePhoto(small));
}
BENCHMARK(BM_MeasurePhoto800)->Unit(benchmark::kMillisecond);

// The tilt part of those measures alone: the grey picture MeasurePhoto
// averages an 800 x 533 picture down to (400 x 266).
void BM_MeasureTilt400(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    LoadedPicture picture;
    LoadPicture(picture, CorpusPhoto().string());
    const Bitmap small = ResampleBitmap(picture.GetBitmap(), 400, 266);
    std::vector<double> grey;
    grey.reserve(400 * 266);
    for (int y = 0; y < small.Height(); ++y)
        for (int x = 0; x < small.Width(); ++x) {
            const Color c = small.Pixel(x, y);
            grey.push_back(0.299 * c.r + 0.587 * c.g + 0.114 * c.b);
        }
    for (auto _ : state) benchmark::DoNotOptimize(MeasureTilt(400, 266, grey));
}
BENCHMARK(BM_MeasureTilt400)->Unit(benchmark::kMillisecond);

// A 20-photo automatic run on one thread (the four real corpus photos, five
// times each), with the check before publishing off (argument 0) and on (1):
// shrinking and encoding every photo, and with the check the measures on
// the reduced pictures and the findings over the run.
void BM_AutomaticRun20(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    const bool check = state.range(0) != 0;
    const fs::path folder = CorpusPhoto().parent_path();
    std::vector<std::string> photos;
    for (int round = 0; round < 5; ++round)
        for (const char* name : {"photo_3872x2403.jpg", "photo_jolla_3264x2448.jpg",
                                 "photo_nokia_4608x1976.jpg", "photo_samsung_4032x2012.jpg"})
            photos.push_back((folder / name).string());
    // The step the automatic run takes either way, so that the difference
    // is the check's own work.
    const OutputSize size = DefaultOutputSize();
    for (auto _ : state) {
        std::vector<CheckedPhoto> checked;
        for (const std::string& photo : photos) {
            ShrunkPhoto shrunk = ShrinkAndEncode(photo, size, check);
            if (check && shrunk.facts)
                checked.push_back({photo, photo, shrunk.jpeg.size(), kJpegQuality, *shrunk.facts});
            benchmark::DoNotOptimize(shrunk.jpeg.data());
        }
        if (check) benchmark::DoNotOptimize(CheckRun(std::move(checked)).photos.size());
    }
}
BENCHMARK(BM_AutomaticRun20)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
