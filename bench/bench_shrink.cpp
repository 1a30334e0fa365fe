// Where the automatic run's time goes for one 24-megapixel photo: decoding,
// resampling to 800 pixels, encoding at quality 80, and the whole shrink step.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "formats/LoadedPicture.h"
#include "imaging/ResampleBitmap.h"
#include "workflow/JpegOutput.h"
#include "workflow/ShrinkPhoto.h"

namespace {

using namespace pictorel;
namespace fs = std::filesystem;

fs::path CorpusPhoto() {
    if (const char* dir = std::getenv("PICTOREL_TESTDATA"))
        return fs::path(dir) / "jpeg/photo_3872x2403.jpg";
    return fs::path(__FILE__).parent_path() / "../../shared/testdata/jpeg/photo_3872x2403.jpg";
}

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

}  // namespace

BENCHMARK_MAIN();
