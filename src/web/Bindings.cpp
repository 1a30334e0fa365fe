// The browser module's interface (src/web/README.md): plain functions for the
// run's rules and shrinking, and EditorSession for the editor. Values cross as
// JS objects; bytes leave as Uint8Array views of the module's memory, valid
// until the next call (the page copies them).
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "base/PathText.h"
#include "editor/EffectCommands.h"
#include "editor/FrameGeometry.h"
#include "editor/StraightenCommand.h"
#include "editor/ToolTexts.h"
#include "formats/PictureFormats.h"
#include "formats/PictureReader.h"
#include "imaging/Straighten.h"
#include "web/EditorSession.h"
#include "web/PageValues.h"
#include "web/WebFiles.h"
#include "workflow/FileUtils.h"
#include "workflow/JpegOutput.h"
#include "workflow/MainScreen.h"
#include "workflow/OutputFolder.h"
#include "workflow/RunDestination.h"

namespace pictorel::web {

namespace {

using emscripten::val;

template <typename T>
val ArrayOf(const std::vector<T>& items) {
    val out = val::array();
    for (const T& item : items) out.call<void>("push", std::string(item));
    return out;
}

val AcceptedExtensionsWithDot() {
    std::vector<std::string> extensions;
    for (const std::string_view e : AcceptedExtensions())
        extensions.push_back("." + std::string(e));
    return ArrayOf(extensions);
}

// The index-th name the result of `sourceName` may take: in the chosen
// folder the source's name with ".jpg", beside the source with the prefix
// first; from the second on, "-n" before ".jpg".
std::string CandidateName(const std::string& sourceName, double index, bool besideSource) {
    const std::string name = FileNamePart(sourceName);
    const auto n = index < 0 ? 0ull : static_cast<unsigned long long>(index);
    return FileNamePart(JpegCandidateName(besideSource ? kSameFolderPrefix + name : name, n));
}

// The run's fixed texts the page shows in its questions and menus.
val RunTexts() {
    val out = val::object();
    out.set("sameFolderItem", std::string(kSameFolderItem));
    out.set("folderExistsQuestion", std::string(kFolderExistsQuestion));
    out.set("otherNameMessage", std::string(kOtherNameMessage));
    out.set("baseFolderFailedMessage", std::string(kBaseFolderFailedMessage));
    return out;
}

std::string RunEndTextFor(bool stopped, double unsaved) {
    return RunEndText(stopped, static_cast<int>(unsaved));
}

val SortNames(const val& names) {
    std::vector<std::string> sorted = emscripten::vecFromJSArray<std::string>(names);
    SortByNaturalName(sorted);
    return ArrayOf(sorted);
}

// A rectangle from a state() object's {left, top, width, height}; nothing
// when a field is missing, not a whole number or out of int's range.
std::optional<Rect> RectFrom(const val& object) {
    if (!IsObject(object)) return std::nullopt;
    int fields[4];
    const char* names[4] = {"left", "top", "width", "height"};
    for (int i = 0; i < 4; ++i) {
        const val field = object[names[i]];
        if (!field.isNumber()) return std::nullopt;
        const double number = field.as<double>();
        if (!(number >= -(1 << 24) && number <= (1 << 24)) || number != std::floor(number))
            return std::nullopt;
        fields[i] = static_cast<int>(number);
    }
    return Rect::At(fields[0], fields[1], fields[2], fields[3]);
}

val RectObject(const Rect& r) {
    val out = val::object();
    out.set("left", r.left);
    out.set("top", r.top);
    out.set("width", r.Width());
    out.set("height", r.Height());
    return out;
}

val PointObject(Point p) {
    val out = val::object();
    out.set("x", p.x);
    out.set("y", p.y);
    return out;
}

// The cross and handles the desktop paints on a frame, relative to it.
val MarksObject(const Rect& frame) {
    const FrameMarks marks = FramePaintMarks(frame.Width(), frame.Height());
    val cross = val::array();
    for (const FrameLine& line : marks.cross) {
        val l = val::object();
        l.set("from", PointObject(line.from));
        l.set("to", PointObject(line.to));
        cross.call<void>("push", l);
    }
    val handles = val::array();
    for (const Rect& h : marks.handles) {
        val r = val::object();
        r.set("left", h.left);
        r.set("top", h.top);
        r.set("right", h.right);
        r.set("bottom", h.bottom);
        handles.call<void>("push", r);
    }
    val out = val::object();
    out.set("cross", cross);
    out.set("handles", handles);
    return out;
}

val PictureObject(const RgbaPicture& picture, std::vector<std::uint8_t>& keep) {
    keep = picture.rgba;
    val out = val::object();
    out.set("width", picture.width);
    out.set("height", picture.height);
    out.set("rgba", ViewOf(keep));
    return out;
}

// The session as the page sees it; the views' pixels are kept until the
// next call for the same view.
class PageEditorSession {
  public:
    val load(const val& bytes, const std::string& name) {
        if (session_.Load(BytesOf(bytes), name)) {
            val out = val::object();
            out.set("ok", true);
            return out;
        }
        return Failure(session_.Message(), session_.Cause());
    }

    val state() const {
        const EditorModel& m = session_.Model();
        val crop = RectObject(m.Crop().Area());
        crop.set("shown", m.Crop().Shown());
        crop.set("marks", MarksObject(m.Crop().Area()));
        val marker = RectObject(m.Marker());
        marker.set("shown", m.MarkerShown());
        marker.set("direction", m.DirectionIndex());
        marker.set("frameShown", session_.Marker().FrameShown());
        marker.set("frame", RectObject(session_.Marker().Frame()));
        marker.set("frameMarks", MarksObject(session_.Marker().Frame()));
        val out = val::object();
        out.set("loaded", m.Result().has_value());
        out.set("workShown", m.WorkViewShown());
        out.set("resultShown", m.ResultShown());
        out.set("canSave", m.CanSave());
        out.set("adjustmentsEnabled", m.AdjustmentsEnabled());
        out.set("brightness", m.Brightness());
        out.set("crop", crop);
        out.set("marker", marker);
        out.set("mosaic", MosaicObject());
        out.set("canUndo", m.CanUndo());
        out.set("straightened", m.Straightened());
        out.set("message", AsThePageNamesIt(session_.Message()));
        out.set("cause",
                session_.Message().empty() ? std::string() : AsThePageNamesIt(session_.Cause()));
        return out;
    }

    // Takes the crop frame's and the marker's place from another session's
    // state(), as if this session had shown that picture.
    bool adoptCarried(const val& state) {
        if (!IsObject(state)) return false;
        const std::optional<Rect> crop = RectFrom(state["crop"]);
        const std::optional<Rect> marker = RectFrom(state["marker"]);
        // A state without the mosaic part (an older page's) leaves the mode off.
        const val mosaic = state["mosaic"];
        const val mode = IsObject(mosaic) ? mosaic["mode"] : val(false);
        if (!mode.isTrue() && !mode.isFalse()) return false;
        return crop && marker && session_.AdoptCarried({*crop, *marker, mode.isTrue()});
    }

    // The captions and hints of the tool buttons under the work view.
    val toolTexts() const {
        const auto button = [](const char* caption, const char* hint) {
            val out = val::object();
            out.set("caption", std::string(caption));
            out.set("hint", std::string(hint));
            return out;
        };
        val out = val::object();
        out.set("autoAdjust", button(AutoAdjustCaption(), AutoAdjustHint()));
        out.set("mosaic", button(MosaicCaption(), MosaicHint()));
        out.set("straighten", button(StraightenCaption(), StraightenHint()));
        return out;
    }

    val workView() { return PictureObject(session_.WorkView(), workPixels_); }
    val resultView() { return PictureObject(session_.ResultView(), resultPixels_); }

    std::string cursorAt(const std::string& tool, int x, int y) {
        return session_.CursorAt(ViewNamed(tool), {x, y});
    }
    bool cropPointerDown(int x, int y) {
        return Pointer(&EditorSession::PointerDown, PointerView::Work, x, y);
    }
    bool cropPointerMove(int x, int y) {
        return Pointer(&EditorSession::PointerMove, PointerView::Work, x, y);
    }
    bool cropPointerUp(int x, int y) {
        return Pointer(&EditorSession::PointerUp, PointerView::Work, x, y);
    }
    bool markerPointerDown(int x, int y) {
        return Pointer(&EditorSession::PointerDown, PointerView::Result, x, y);
    }
    bool markerPointerMove(int x, int y) {
        return Pointer(&EditorSession::PointerMove, PointerView::Result, x, y);
    }
    bool markerPointerUp(int x, int y) {
        return Pointer(&EditorSession::PointerUp, PointerView::Result, x, y);
    }

    bool key(const std::string& name) { return session_.Key(name); }
    bool keysReleased() {
        session_.KeysReleased();
        return true;
    }
    bool brighter() { return Edit(&EditorModel::Brighten); }
    bool darker() { return Edit(&EditorModel::Darken); }
    bool turn() { return Edit(&EditorModel::TurnClockwise); }
    bool sharpen() { return Edit(&EditorModel::Sharpen); }
    bool reset() { return Edit(&EditorModel::ResetAdjustments); }
    bool undo() { return session_.MutableModel().Undo(); }
    bool autoAdjust() { return Edit(&EditorModel::AutoAdjust); }
    // 垂直補正: {changed, notice}. The notice is the plain message the
    // desktop shows in a box after this one press (too few lines), so it
    // travels with the press's answer rather than staying in state().
    val straighten() {
        const StraightenOutcome outcome = session_.MutableModel().Straighten();
        val out = val::object();
        out.set("changed", outcome == StraightenOutcome::Straightened ||
                               outcome == StraightenOutcome::Restored);
        out.set("notice",
                outcome == StraightenOutcome::TooFewLines ? TooFewLinesText() : std::string());
        return out;
    }
    bool mosaicMode(bool on) {
        session_.SetMosaicMode(on);
        return true;
    }
    bool turnMarkerLeft() { return Edit(&EditorModel::TurnMarkerLeft); }
    bool turnMarkerRight() { return Edit(&EditorModel::TurnMarkerRight); }
    bool showMarker(bool shown) {
        session_.MutableModel().ShowMarker(shown);
        return true;
    }
    bool effect(const std::string& name) {
        for (const EditorEffect& e : EditorEffects()) {
            if (name != e.name) continue;
            session_.MutableModel().ApplyEffect(e.effect);
            return true;
        }
        return false;
    }

    val save() {
        std::optional<std::vector<std::uint8_t>> jpeg;
        try {
            jpeg = session_.Save();
        } catch (const Error& e) {
            return Failure(e.what(), e.Cause());
        }
        if (!jpeg) return Failure("", "");
        saved_ = std::move(*jpeg);
        val out = val::object();
        out.set("ok", true);
        out.set("jpeg", ViewOf(saved_));
        return out;
    }

  private:
    // The rectangles in work-view pixels, which one the keys act on (-1 for
    // none) and the one being drawn, dragged or keyed (null when none), which
    // the page outlines in the selected one's place.
    val MosaicObject() const {
        val rects = val::array();
        for (const Rect& r : session_.Model().Mosaics()) rects.call<void>("push", RectObject(r));
        const auto selected = session_.Mosaic().Selected();
        const auto& pending = session_.Mosaic().Pending();
        val out = val::object();
        out.set("mode", session_.MosaicMode());
        out.set("rects", rects);
        out.set("selected", selected ? static_cast<int>(*selected) : -1);
        out.set("pending", pending ? RectObject(*pending) : val::null());
        return out;
    }

    static PointerView ViewNamed(const std::string& tool) {
        return tool == "marker" ? PointerView::Result : PointerView::Work;
    }
    bool Pointer(void (EditorSession::*event)(PointerView, Point), PointerView view, int x, int y) {
        (session_.*event)(view, {x, y});
        return true;
    }
    bool Edit(void (EditorModel::*edit)()) {
        (session_.MutableModel().*edit)();
        return true;
    }

    EditorSession session_;
    std::vector<std::uint8_t> workPixels_;
    std::vector<std::uint8_t> resultPixels_;
    std::vector<std::uint8_t> saved_;
};

}  // namespace

EMSCRIPTEN_BINDINGS(pictorel_core) {
    using namespace emscripten;
    function("acceptedExtensions", &AcceptedExtensionsWithDot);
    function("folderNameProblem", &FolderNameProblem);
    function("candidateName", &CandidateName);
    function("sortNames", &SortNames);
    function("texts", &RunTexts);
    function("runButtonsShown", &RunButtonsShown);
    function("folderFailedMessage", &FolderFailedMessage);
    function("unreadableFileMessage", &UnreadableFileMessage);
    function("runEndText", &RunEndTextFor);
    class_<PageEditorSession>("EditorSession")
        .constructor<>()
        .function("load", &PageEditorSession::load)
        .function("state", &PageEditorSession::state)
        .function("adoptCarried", &PageEditorSession::adoptCarried)
        .function("workView", &PageEditorSession::workView)
        .function("resultView", &PageEditorSession::resultView)
        .function("cursorAt", &PageEditorSession::cursorAt)
        .function("cropPointerDown", &PageEditorSession::cropPointerDown)
        .function("cropPointerMove", &PageEditorSession::cropPointerMove)
        .function("cropPointerUp", &PageEditorSession::cropPointerUp)
        .function("markerPointerDown", &PageEditorSession::markerPointerDown)
        .function("markerPointerMove", &PageEditorSession::markerPointerMove)
        .function("markerPointerUp", &PageEditorSession::markerPointerUp)
        .function("key", &PageEditorSession::key)
        .function("keysReleased", &PageEditorSession::keysReleased)
        .function("brighter", &PageEditorSession::brighter)
        .function("darker", &PageEditorSession::darker)
        .function("turn", &PageEditorSession::turn)
        .function("sharpen", &PageEditorSession::sharpen)
        .function("reset", &PageEditorSession::reset)
        .function("undo", &PageEditorSession::undo)
        .function("autoAdjust", &PageEditorSession::autoAdjust)
        .function("straighten", &PageEditorSession::straighten)
        .function("mosaicMode", &PageEditorSession::mosaicMode)
        .function("toolTexts", &PageEditorSession::toolTexts)
        .function("showMarker", &PageEditorSession::showMarker)
        .function("turnMarkerLeft", &PageEditorSession::turnMarkerLeft)
        .function("turnMarkerRight", &PageEditorSession::turnMarkerRight)
        .function("effect", &PageEditorSession::effect)
        .function("save", &PageEditorSession::save);
}

}  // namespace pictorel::web
