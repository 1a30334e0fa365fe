#include "cli/CmdEdit.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/MessageBoxes.h"
#include "base/PathText.h"
#include "editor/CropTool.h"
#include "editor/EditorModel.h"
#include "editor/EffectCommands.h"
#include "formats/PictureWriter.h"
#include "imaging/Straighten.h"
#include "workflow/JpegOutput.h"

namespace pictorel::cli {

namespace {

// The model and its crop tool, as the editor window holds them.
struct Editor {
    EditorModel& doc;
    CropTool crop{doc};
    // Why a step could not do what it was asked; the picture is then not saved.
    std::string failure;
};
using Step = std::function<void(Editor&)>;

// The editor's boxes on the terminal: the load step's error is kept for the
// exit message, nothing is asked.
int Usage(const std::string& why) {
    std::fprintf(stderr, "pictorel-cli edit: %s\nUsage: pictorel-cli edit %s\n", why.c_str(),
                 kEditUsage);
    return 2;
}

// "A,B,C" as exactly `count` whole numbers.
std::optional<std::vector<int>> ParseNumbers(const std::string& text, std::size_t count) {
    std::vector<int> values;
    const char* p = text.data();
    const char* end = p + text.size();
    while (true) {
        int v = 0;
        const auto [next, ec] = std::from_chars(p, end, v);
        if (ec != std::errc() || next == p) return std::nullopt;
        values.push_back(v);
        if (next == end) break;
        if (*next != ',') return std::nullopt;
        p = next + 1;
    }
    if (values.size() != count) return std::nullopt;
    return values;
}

void WarnWithoutFrame(const EditorModel& doc, const char* option) {
    if (!doc.Crop().Shown())
        std::fprintf(stderr, "pictorel-cli edit: %s: no crop frame shown, nothing moves\n", option);
}

// Turns the command words into steps; an error message when one is wrong.
std::string ParseSteps(const Args& words, std::vector<Step>& steps) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= words.size()) return std::nullopt;
            return words[++i];
        };
        if (w == "--crop" || w == "--marker" || w == "--move") {
            const auto text = value();
            const std::size_t count = w == "--move" ? 2 : 3;
            const auto n = text ? ParseNumbers(*text, count) : std::nullopt;
            if (!n)
                return w + " needs " + (count == 2 ? "DX,DY" : "X,Y,SIZE") + " as whole numbers";
            const std::vector<int> v = *n;
            if (w == "--crop") {
                steps.push_back([v](Editor& e) {
                    e.crop.BeginDraw({v[0], v[1]});
                    e.crop.DrawTo({v[0] + v[2], v[1] + v[2]});
                    e.crop.EndDraw();
                });
            } else if (w == "--marker") {
                // X,Y are taken in the window's result panel, whose picture
                // starts 2 pixels in.
                steps.push_back([v](Editor& e) {
                    e.doc.ShowMarker(true);
                    e.doc.SetMarkerBounds(Rect::At(v[0] - 2, v[1] - 2, v[2], v[2]));
                });
            } else {
                steps.push_back([v](Editor& e) {
                    WarnWithoutFrame(e.doc, "--move");
                    e.crop.NudgeBy(v[0], 0);
                    e.crop.KeysReleased();
                    e.crop.NudgeBy(0, v[1]);
                    e.crop.KeysReleased();
                });
            }
        } else if (w == "--mosaic") {
            // X,Y,W,H in work-view pixels, as --crop takes its frame: the
            // rectangle stays on the photo whatever the frame cuts.
            const auto text = value();
            const auto n = text ? ParseNumbers(*text, 4) : std::nullopt;
            if (!n || (*n)[2] <= 0 || (*n)[3] <= 0)
                return "--mosaic needs X,Y,W,H as whole numbers, W and H above 0";
            const Rect rect = Rect::At((*n)[0], (*n)[1], (*n)[2], (*n)[3]);
            steps.push_back([rect](Editor& e) {
                if (!e.doc.AddMosaic(rect))
                    std::fprintf(stderr,
                                 "pictorel-cli edit: --mosaic: the rectangle lies outside the "
                                 "400 x 400 work view, nothing hidden\n");
            });
        } else if (w == "--step-back") {
            steps.push_back([](Editor& e) {
                if (!e.doc.Undo())
                    std::fprintf(stderr, "pictorel-cli edit: --step-back: nothing to take back\n");
            });
        } else if (w == "--grow" || w == "--shrink") {
            const auto text = value();
            const auto n = text ? ParseNumbers(*text, 1) : std::nullopt;
            if (!n || (*n)[0] < 0) return w + " needs a whole number of at least 0";
            const int times = (*n)[0];
            const int delta = w == "--grow" ? times : -times;
            const std::string option = w;
            steps.push_back([delta, option](Editor& e) {
                WarnWithoutFrame(e.doc, option.c_str());
                e.crop.ResizeBy(delta);
                e.crop.KeysReleased();
            });
        } else if (w == "--straighten") {
            // As the editor's button: straightens, or brings back the
            // picture before when given again.
            steps.push_back([](Editor& e) {
                const StraightenOutcome outcome = e.doc.Straighten();
                if (outcome == StraightenOutcome::TooFewLines)
                    std::fprintf(stderr, "pictorel-cli edit: --straighten: %s\n",
                                 TooFewLinesText().c_str());
                else if (outcome == StraightenOutcome::NoMemory && e.failure.empty())
                    e.failure = "--straighten: " + StraightenNoMemoryText();
            });
        } else if (w == "--effect") {
            const auto name = value();
            const EditorEffect* found = nullptr;
            for (const EditorEffect& e : EditorEffects())
                if (name && *name == e.name) found = &e;
            if (!found) {
                std::string names;
                for (const EditorEffect& e : EditorEffects()) names += std::string(" ") + e.name;
                return "--effect needs one of:" + names;
            }
            steps.push_back([effect = found->effect](Editor& e) { e.doc.ApplyEffect(effect); });
        } else {
            static const struct {
                const char* word;
                void (EditorModel::*command)();
            } kPlain[] = {
                {"--rotate", &EditorModel::TurnClockwise},
                {"--brighter", &EditorModel::Brighten},
                {"--darker", &EditorModel::Darken},
                {"--undo", &EditorModel::ResetAdjustments},
                {"--sharpen", &EditorModel::Sharpen},
                {"--auto-adjust", &EditorModel::AutoAdjust},
                {"--turn-left", &EditorModel::TurnMarkerLeft},
                {"--turn-right", &EditorModel::TurnMarkerRight},
            };
            bool known = false;
            for (const auto& p : kPlain) {
                if (w != p.word) continue;
                steps.push_back([command = p.command](Editor& e) { (e.doc.*command)(); });
                known = true;
            }
            if (!known) return "unknown command '" + w + "'";
        }
    }
    return {};
}

}  // namespace

int CmdEdit(const Args& args) {
    if (args.size() < 2) return Usage("IN and OUT are needed");
    const std::string& in = args[0];
    const std::string& out = args[1];
    const std::string extension = LowerExtension(FileNamePart(out));
    const bool jpeg = extension == ".jpg";
    if (!jpeg && extension != ".png" && extension != ".ppm")
        return Usage("OUT must end in .jpg, .png or .ppm");
    std::vector<Step> steps;
    if (const std::string error = ParseSteps(Args(args.begin() + 2, args.end()), steps);
        !error.empty())
        return Usage(error);

    KeptErrorBoxes boxes;
    EditorModel doc(boxes);
    doc.SetSource(in);
    doc.ShowMarker(false);
    doc.Load();
    if (!doc.Result()) {
        std::fprintf(stderr, "%s: %s\n", in.c_str(),
                     boxes.error.empty() ? LoadFailedMessage(in).c_str() : boxes.error.c_str());
        if (!doc.LoadFailureCause().empty())
            std::fprintf(stderr, "  %s\n", doc.LoadFailureCause().c_str());
        return 1;
    }
    Editor editor{doc, CropTool{doc}, {}};
    for (const Step& step : steps) step(editor);
    if (!editor.failure.empty()) {
        std::fprintf(stderr, "pictorel-cli edit: %s\n", editor.failure.c_str());
        return 1;
    }
    if (doc.Save() != EditorExit::Save || !doc.Result()) {
        std::fprintf(stderr, "pictorel-cli edit: nothing to save\n");
        return 1;
    }
    if (jpeg) {
        std::optional<std::string> written;
        try {
            written = SaveResultAsJpeg(&*doc.Result(), out);
        } catch (const SaveFailure& e) {
            std::fprintf(stderr, "%s: %s: %s\n", out.c_str(), e.File().c_str(), e.Cause().c_str());
            return 1;
        }
        std::printf("%s\n", written->c_str());
    } else {
        WritePicture(*doc.Result(), out);
        std::printf("%s\n", out.c_str());
    }
    return 0;
}

}  // namespace pictorel::cli
