// 垂直補正 on the editor's work picture of a 24-megapixel photo (6000 x 4000
// in its 6000 x 6000 work square): the measurement, the correction, and the
// whole button press (measure, correct, new square and view, render).
// Each reports the wall time and the processor time of all the process's
// threads: on a busy machine the second shows the work a press takes even
// when the threads it starts wait for a core.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "editor/EditorModel.h"
#include "formats/LoadedPicture.h"
#include "imaging/ResampleBitmap.h"
#include "imaging/Straighten.h"

#include "BenchCorpus.h"

namespace {

using namespace pictorel;
namespace fs = std::filesystem;

// A photo of a building with columns, taken a little askew.
fs::path CorpusPhoto() {
    return bench::CorpusFile("jpeg/camera/nikon-e950_800x600.jpg");
}

// The work square the editor holds for a 6000 x 4000 photo.
const Bitmap& WorkSquare() {
    static const Bitmap square = [] {
        LoadedPicture picture;
        LoadPicture(picture, CorpusPhoto().string());
        const Bitmap photo = ResampleBitmap(picture.ToBitmap(), 6000, 4000);
        Bitmap s(6000, 6000);
        s.FillRect(Rect{0, 0, 6000, 6000}, kWhite);
        s.CopyRect(0, 1000, photo, Rect{0, 0, 6000, 4000});
        return s;
    }();
    return square;
}

constexpr Rect kPhotoArea{0, 1000, 6000, 5000};

bool HaveCorpus(benchmark::State& state) {
    if (fs::exists(CorpusPhoto())) return true;
    state.SkipWithError("corpus photo not found");
    return false;
}

void BM_MeasureLean24MP(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    const Bitmap& square = WorkSquare();
    for (auto _ : state) benchmark::DoNotOptimize(MeasureLean(square, kPhotoArea));
}
BENCHMARK(BM_MeasureLean24MP)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_ApplyStraighten24MP(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    const Bitmap& square = WorkSquare();
    const Lean lean = MeasureLean(square, kPhotoArea);
    if (!lean.enoughLines) {
        state.SkipWithError("too few lines in the photo");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(ApplyStraighten(square, kPhotoArea, lean));
}
BENCHMARK(BM_ApplyStraighten24MP)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

class NoBoxes : public IMessageBoxes {
  public:
    void ShowError(const std::string&) override {}
    bool Confirm(const std::string&) override { return false; }
    void ConfirmOk(const std::string&) override {}
    void ShowPlain(const std::string&) override {}
};

// One press of the button: the picture before is restored untimed.
void BM_EditorStraighten24MP(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    NoBoxes boxes;
    EditorModel model(boxes);
    PreparedPicture prepared;
    const std::string path = "photo.jpg";
    prepared.path = path;
    prepared.scale = 25 * 6000;
    prepared.workSquare = WorkSquare();
    prepared.workView = ResampleBitmap(prepared.workSquare, kViewSide, kViewSide);
    model.SetSource(path, std::move(prepared));
    model.Load();
    for (auto _ : state) {
        if (const StraightenOutcome outcome = model.Straighten();
            outcome != StraightenOutcome::Straightened) {
            state.SkipWithError(
                ("not straightened: outcome " + std::to_string(static_cast<int>(outcome))).c_str());
            return;
        }
        state.PauseTiming();
        model.Straighten();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditorStraighten24MP)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
