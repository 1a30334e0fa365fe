// The editor's automatic correction, mosaic and undo on the work picture of
// a 24-megapixel photo (6000 x 4000, squared to 6000 x 6000): the editor's
// operations as a button press runs them, and the picture routines on the
// whole work square for scale.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/MessageBoxes.h"
#include "editor/EditorModel.h"
#include "formats/LoadedPicture.h"
#include "imaging/AutoAdjust.h"
#include "imaging/Mosaic.h"
#include "imaging/ResampleBitmap.h"

#include "BenchCorpus.h"

namespace {

using namespace pictorel;
namespace fs = std::filesystem;

using bench::CorpusPhoto;

class SilentBoxes : public IMessageBoxes {
  public:
    void ShowError(const std::string&) override {}
    bool Confirm(const std::string&) override { return false; }
    void ConfirmOk(const std::string&) override {}
    void ShowPlain(const std::string&) override {}
};

// The work picture of a 6000 x 4000 photo enlarged from a corpus photo, as
// the load step leaves it.
PreparedPicture WorkPicture() {
    LoadedPicture picture;
    LoadPicture(picture, CorpusPhoto().string());
    const Bitmap photo = ResampleBitmap(picture.ToBitmap(), 6000, 4000);
    PreparedPicture prepared;
    prepared.path = "photo.jpg";
    prepared.scale = 25 * 6000;
    prepared.workSquare = Bitmap(6000, 6000);
    prepared.workSquare.FillRect(Rect{0, 0, 6000, 6000}, kWhite);
    const Rect place = LetterboxRect(6000, 4000);
    prepared.workSquare.Draw(place.left, place.top, photo);
    prepared.workView = ResampleBitmap(prepared.workSquare, kViewSide, kViewSide);
    return prepared;
}

const PreparedPicture& SharedWorkPicture() {
    static const PreparedPicture prepared = WorkPicture();
    return prepared;
}

bool HaveCorpus(benchmark::State& state) {
    if (fs::exists(CorpusPhoto())) return true;
    state.SkipWithError("corpus photo not found");
    return false;
}

// A model holding the work picture, with a frame over the middle of the
// photo when `framed` (every rendering then cuts and scales the square).
struct LoadedEditor {
    SilentBoxes boxes;
    EditorModel model{boxes};
    explicit LoadedEditor(bool framed) {
        PreparedPicture copy;
        copy.path = SharedWorkPicture().path;
        copy.scale = SharedWorkPicture().scale;
        copy.workSquare = SharedWorkPicture().workSquare;
        copy.workView = SharedWorkPicture().workView;
        std::string path = copy.path;
        model.SetSource(std::move(path), std::move(copy));
        model.Load();
        if (framed) {
            CropFrame frame;
            frame.Show(Rect::At(100, 100, 200, 200));
            model.SetCropFrame(frame);
            model.RenderResult();
        }
    }
};

// Skips the benchmark when the picture did not load (the memory budget).
bool Loaded(benchmark::State& state, const LoadedEditor& editor) {
    if (editor.model.Result()) return true;
    state.SkipWithError(("work picture not loaded: " + editor.model.LoadFailureCause()).c_str());
    return false;
}

void BM_EditorAutoAdjust(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    LoadedEditor editor(state.range(0) != 0);
    if (!Loaded(state, editor)) return;
    for (auto _ : state) {
        editor.model.AutoAdjust();
        state.PauseTiming();
        editor.model.Undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditorAutoAdjust)->Arg(0)->Arg(1)->ArgName("framed")->Unit(benchmark::kMillisecond);

void BM_EditorAddMosaic(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    LoadedEditor editor(state.range(0) != 0);
    if (!Loaded(state, editor)) return;
    for (auto _ : state) {
        editor.model.AddMosaic(Rect::At(120, 130, 150, 90));
        state.PauseTiming();
        editor.model.Undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditorAddMosaic)->Arg(0)->Arg(1)->ArgName("framed")->Unit(benchmark::kMillisecond);

// Undo of a turn turns the 6000 x 6000 square back in place.
void BM_EditorUndoTurn(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    LoadedEditor editor(false);
    if (!Loaded(state, editor)) return;
    for (auto _ : state) {
        state.PauseTiming();
        editor.model.TurnClockwise();
        state.ResumeTiming();
        editor.model.Undo();
    }
}
BENCHMARK(BM_EditorUndoTurn)->Unit(benchmark::kMillisecond);

void BM_AutoCorrectionOfWorkSquare(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    Bitmap square = SharedWorkPicture().workSquare;
    for (auto _ : state) {
        const AutoCorrection c = EstimateAutoCorrection(square, AreaInsideWhiteBars(square));
        ApplyAutoCorrection(square, c);
    }
}
BENCHMARK(BM_AutoCorrectionOfWorkSquare)->Unit(benchmark::kMillisecond);

void BM_MosaicOfWorkSquare(benchmark::State& state) {
    if (!HaveCorpus(state)) return;
    Bitmap square = SharedWorkPicture().workSquare;
    for (auto _ : state) ApplyMosaic(square, Rect::At(1500, 2000, 3000, 2000));
}
BENCHMARK(BM_MosaicOfWorkSquare)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
