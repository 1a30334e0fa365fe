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
#include "editor/EditorModel.h"
#include "editor/EffectCommands.h"
#include "formats/PictureWriter.h"
#include "workflow/JpegOutput.h"

namespace pictorel::cli {

namespace {

using Step = std::function<void(EditorModel&)>;

// The editor's boxes on the terminal: the load step's error is kept for the
// exit message, nothing is asked.
class EditBoxes : public IMessageBoxes {
  public:
    void ShowError(const std::string& text) override { error = text; }
    bool Confirm(const std::string&) override { return false; }
    void ConfirmOk(const std::string&) override {}
    void ShowPlain(const std::string&) override {}
    std::string error;
};

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

// Presses a key command up to `times` times, stopping once it changes
// nothing more, then releases the key.
void PressKey(EditorModel& doc, void (EditorModel::*key)(), long long times) {
    for (long long i = 0; i < times; ++i) {
        const Bounds before = doc.Shape1;
        (doc.*key)();
        if (doc.Shape1 == before) break;
    }
    doc.FormKeyUp();
}

void WarnWithoutFrame(const EditorModel& doc, const char* option) {
    if (!doc.Shape1Visible)
        std::fprintf(stderr, "pictorel-cli edit: %s: no crop frame shown, nothing moves\n", option);
}

// Turns the command words into steps; an error message when one is wrong.
std::string ParseSteps(const Args& words, std::vector<Step>& steps) {
    using Doc = EditorModel;
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
                steps.push_back([v](Doc& d) {
                    d.Image1MouseDown(v[0], v[1]);
                    d.Image1MouseMove(v[0] + v[2], v[1] + v[2]);
                    d.Image1MouseUp(v[0] + v[2], v[1] + v[2]);
                });
            } else if (w == "--marker") {
                steps.push_back([v](Doc& d) {
                    d.SBtnDirectionDown = true;
                    d.SBtnDirectionClick();
                    d.SetDirectionBounds(Bounds{v[0], v[1], v[2], v[2]});
                    d.DrawDirectionMarker();
                });
            } else {
                steps.push_back([v](Doc& d) {
                    WarnWithoutFrame(d, "--move");
                    PressKey(d, v[0] < 0 ? &Doc::LeftExecute : &Doc::RightExecute,
                             std::llabs(v[0]));
                    PressKey(d, v[1] < 0 ? &Doc::UpExecute : &Doc::DownExecute, std::llabs(v[1]));
                });
            }
        } else if (w == "--grow" || w == "--shrink") {
            const auto text = value();
            const auto n = text ? ParseNumbers(*text, 1) : std::nullopt;
            if (!n || (*n)[0] < 0) return w + " needs a whole number of at least 0";
            const int times = (*n)[0];
            auto key = w == "--grow" ? &Doc::Big1Execute : &Doc::Small1Execute;
            const std::string option = w;
            steps.push_back([key, times, option](Doc& d) {
                WarnWithoutFrame(d, option.c_str());
                PressKey(d, key, times);
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
            steps.push_back([found](Doc& d) { (d.*(found->command))(); });
        } else {
            static const struct {
                const char* word;
                void (Doc::*command)();
            } kPlain[] = {
                {"--rotate", &Doc::SpeedButton6Click},
                {"--brighter", &Doc::SpeedButton2Click},
                {"--darker", &Doc::SpeedButton3Click},
                {"--undo", &Doc::SpeedButton4Click},
                {"--sharpen", &Doc::SpeedButton7Click},
                {"--turn-left", &Doc::SBtnLeftTurnClick},
                {"--turn-right", &Doc::SBtnRightTurnClick},
            };
            bool known = false;
            for (const auto& p : kPlain) {
                if (w != p.word) continue;
                steps.push_back([command = p.command](Doc& d) { (d.*command)(); });
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

    EditBoxes boxes;
    EditorModel doc(boxes);
    doc.SourcePath = in;
    doc.AutoMode = false;
    doc.SBtnDirectionDown = false;
    doc.SBtnDirectionClick();
    doc.FormShow();
    if (!doc.Image2) {
        std::fprintf(stderr, "%s: %s\n", in.c_str(),
                     boxes.error.empty() ? LoadFailedMessage(in).c_str() : boxes.error.c_str());
        return 1;
    }
    for (const Step& step : steps) step(doc);
    if (doc.BitBtnOKClick() != 1 || !doc.Image2) {
        std::fprintf(stderr, "pictorel-cli edit: nothing to save\n");
        return 1;
    }
    if (jpeg) {
        std::string written, error;
        if (!SaveResultAsJpeg(&*doc.Image2, out, &written, &error)) {
            std::fprintf(stderr, "%s: %s\n", out.c_str(), error.c_str());
            return 1;
        }
        std::printf("%s\n", written.c_str());
    } else {
        WritePicture(*doc.Image2, out);
        std::printf("%s\n", out.c_str());
    }
    return 0;
}

}  // namespace pictorel::cli
