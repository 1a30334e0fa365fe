#include "web/EditorSession.h"

#include <utility>

#include "editor/CropFrame.h"
#include "editor/FrameGeometry.h"
#include "editor/FrameKeys.h"
#include "web/WebFiles.h"
#include "workflow/JpegOutput.h"

namespace pictorel::web {

namespace {

bool Inside(const Rect& area, Point p) {
    return p.x >= area.left && p.x < area.right && p.y >= area.top && p.y < area.bottom;
}

RgbaPicture ToRgba(const Bitmap& picture) {
    const Bitmap bgr = picture.Format() == PixelFormat::Bgr24 ? Bitmap() : picture.ToBgr24();
    const Bitmap& source = picture.Format() == PixelFormat::Bgr24 ? picture : bgr;
    RgbaPicture out{source.Width(), source.Height(), {}};
    out.rgba.resize(std::size_t(out.width) * out.height * 4);
    std::uint8_t* to = out.rgba.data();
    for (int y = 0; y < source.Height(); ++y) {
        const std::uint8_t* from = source.ScanLine(y);
        for (int x = 0; x < source.Width(); ++x, from += 3, to += 4) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            to[3] = 255;
        }
    }
    return out;
}

const char* CursorName(FrameCursor cursor) {
    switch (cursor) {
        case FrameCursor::SizeNWSE:
            return "nwse-resize";
        case FrameCursor::SizeNESW:
            return "nesw-resize";
        case FrameCursor::Default:
            break;
    }
    return "default";
}

}  // namespace

EditorSession::EditorSession() : model_(boxes_), crop_(model_), marker_(model_), mosaic_(model_) {}

bool EditorSession::Load(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    boxes_.error.clear();
    grab_ = Grab::None;
    // As the run does between pictures: nothing of the last one stays held.
    model_.ReleasePictures();
    model_.ShowMarker(false);
    try {
        const PageFile file(name, bytes);
        model_.SetSource(file.Path());
        crop_.Reset();
        marker_.Reset();
        mosaic_.Reset();
        model_.Load();
    } catch (const Error& e) {
        // The page's file could not even be held: told like a load failure.
        boxes_.error = e.what();
        model_.ReleasePictures();
        return false;
    }
    model_.ResumeEditing();
    return model_.Result().has_value();
}

bool EditorSession::AdoptCarried(const Carried& carried) {
    // A held pointer may take either frame off the view, so any place is
    // one a session can hold; only coordinates no pointer reaches, which
    // the frame arithmetic would overflow on, and a crop frame that is not
    // a square are refused.
    constexpr int kFarthest = 1 << 20;
    const auto reachable = [](const Rect& r) {
        return r.left >= -kFarthest && r.top >= -kFarthest && r.right <= kFarthest &&
               r.bottom <= kFarthest && r.right >= r.left && r.bottom >= r.top;
    };
    const Rect& crop = carried.cropArea;
    if (!reachable(crop) || crop.Width() != crop.Height() || !reachable(carried.markerBounds))
        return false;

    CropFrame frame = model_.Crop();
    frame.Place(crop);  // keeps it hidden, as every new picture shows it
    model_.SetCropFrame(frame);
    // Taken over as the one window keeps it: the user's 元に戻す must not
    // move the marker back to where this session first put it.
    model_.CarryMarkerOver(carried.markerBounds);
    SetMosaicMode(carried.mosaicMode);
    return true;
}

void EditorSession::SetMosaicMode(bool on) {
    if (on == mosaicMode_) return;
    // A drag or key change of the tool left behind is dropped with the mode;
    // a pointer still held on the work view then moves nothing.
    crop_.Reset();
    mosaic_.Reset();
    if (grab_ == Grab::WorkView || grab_ == Grab::CropFrame || grab_ == Grab::Mosaic)
        grab_ = Grab::None;
    mosaicMode_ = on;
}

RgbaPicture EditorSession::WorkView() const {
    return ToRgba(model_.WorkView());
}

RgbaPicture EditorSession::ResultView() const {
    if (!model_.Result()) return {};
    if (!model_.MarkerShown() || model_.MarkerPicture().Empty()) return ToRgba(*model_.Result());
    Bitmap shown = model_.Result()->ToBgr24();
    shown.Draw(model_.Marker().left, model_.Marker().top, model_.MarkerPicture(),
               model_.MarkerTransparentColor());
    return ToRgba(shown);
}

void EditorSession::PointerDown(PointerView view, Point at) {
    if (grab_ != Grab::None) return;  // a second button while one is held
    if (view == PointerView::Work) {
        if (!model_.WorkViewShown()) return;
        if (mosaicMode_) {
            // The crop frame lets the pointer through to the view.
            grab_ = Grab::Mosaic;
            mosaic_.BeginDrag(at);
            return;
        }
        // The frame lies over the work view and takes the presses on it.
        if (model_.Crop().Shown() && Inside(model_.Crop().Area(), at)) {
            grab_ = Grab::CropFrame;
            crop_.BeginDrag(at);
        } else {
            grab_ = Grab::WorkView;
            crop_.BeginDraw(at);
        }
    } else if (marker_.FrameShown() && Inside(marker_.Frame(), at)) {
        grab_ = Grab::MarkerFrame;
        marker_.BeginDrag(at);
    }
}

void EditorSession::PointerMove(PointerView view, Point at) {
    switch (grab_) {
        case Grab::WorkView:
            if (view == PointerView::Work) crop_.DrawTo(at);
            return;
        case Grab::CropFrame:
            if (view == PointerView::Work) crop_.DragTo(at);
            return;
        case Grab::MarkerFrame:
            if (view == PointerView::Result) marker_.DragTo(at);
            return;
        case Grab::Mosaic:
            if (view == PointerView::Work) mosaic_.DragTo(at);
            return;
        case Grab::None:
            break;
    }
    CursorAt(view, at);
}

void EditorSession::PointerUp(PointerView view, Point at) {
    const Grab released = std::exchange(grab_, Grab::None);
    switch (released) {
        case Grab::WorkView:
            if (view == PointerView::Work) crop_.DrawTo(at);
            crop_.EndDraw();
            break;
        case Grab::CropFrame:
            if (view == PointerView::Work) crop_.DragTo(at);
            crop_.EndDrag();
            break;
        case Grab::MarkerFrame:
            if (view == PointerView::Result) marker_.DragTo(at);
            marker_.EndDrag();
            break;
        case Grab::Mosaic:
            if (view == PointerView::Work) mosaic_.DragTo(at);
            mosaic_.EndDrag();
            break;
        case Grab::None:
            break;
    }
}

std::string EditorSession::CursorAt(PointerView view, Point at) {
    if (view == PointerView::Work) {
        if (mosaicMode_) {
            if (grab_ == Grab::None) mosaic_.DragTo(at);  // only sets the hover cursor
            return CursorName(mosaic_.Cursor());
        }
        if (grab_ == Grab::CropFrame ||
            (model_.Crop().Shown() && Inside(model_.Crop().Area(), at))) {
            if (grab_ == Grab::None) crop_.DragTo(at);  // only sets the hover cursor
            return CursorName(crop_.Cursor());
        }
        return "default";
    }
    if (grab_ == Grab::None) {
        // Stacked as in the window: the marker's drag frame over the marker
        // over the result.
        if (marker_.FrameShown() && Inside(marker_.Frame(), at))
            marker_.DragTo(at);
        else if (model_.MarkerShown() && Inside(model_.Marker(), at))
            marker_.PointerOverMarker();
        else
            marker_.PointerOverResult();
    }
    return marker_.FrameShown() && Inside(marker_.Frame(), at) ? CursorName(marker_.Cursor())
                                                               : "default";
}

bool EditorSession::Key(const std::string& name) {
    // The page's names of the window's keys; "Grow" and "Shrink" are the
    // frame's own names for Shift+Right and Shift+Left.
    static constexpr std::pair<const char*, FrameKey> kKeys[] = {
        {"Up", FrameKey::Up},
        {"Down", FrameKey::Down},
        {"Left", FrameKey::Left},
        {"Right", FrameKey::Right},
        {"GrowRight", FrameKey::GrowRight},
        {"GrowDown", FrameKey::GrowDown},
        {"ShrinkUp", FrameKey::ShrinkUp},
        {"ShrinkLeft", FrameKey::ShrinkLeft},
        {"Grow", FrameKey::GrowRight},
        {"Shrink", FrameKey::ShrinkLeft},
        {"Delete", FrameKey::Delete},
    };
    for (const auto& [keyName, key] : kKeys) {
        if (name != keyName) continue;
        ApplyFrameKey(key, mosaicMode_, crop_, mosaic_);
        return true;
    }
    return false;
}

void EditorSession::KeysReleased() {
    crop_.KeysReleased();
    mosaic_.KeysReleased();
}

std::optional<std::vector<std::uint8_t>> EditorSession::Save() {
    if (model_.Save() != EditorExit::Save || !model_.Result()) return std::nullopt;
    std::vector<std::uint8_t> jpeg = EncodeJpeg(*model_.Result());
    // Saving stamped the marker into the result; the session goes on with the
    // same picture only if the page keeps editing, as after the desktop's save.
    model_.ResumeEditing();
    return jpeg;
}

}  // namespace pictorel::web
