#include "editor/EditorModel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

#include "base/Errors.h"
#include "base/Limits.h"
#include "formats/ColourProfile.h"
#include "formats/LoadedPicture.h"
#include "imaging/BitmapUtils.h"

namespace pictorel {

namespace {

constexpr std::int64_t kScaleOne = 10000;

// A 24-bit L x L picture filled white, padding included.
Bitmap WhiteSquare(int side) {
    Bitmap square = Bitmap::Uninitialized(side, side, PixelFormat::pf24bit);
    std::memset(square.Bits(), 0xFF, square.SizeInBytes());
    return square;
}

int CheckedSide(std::int64_t side) {
    if (side <= 0 || side > limits::kMaxBitmapSide) throw OutOfResources("crop size out of range");
    return static_cast<int>(side);
}

}  // namespace

std::int64_t AutoScaleFor(std::int64_t longerSide) {
    if (longerSide <= kAutoMaxSide) return kScaleOne;
    const long double exact = static_cast<long double>(longerSide) * kScaleOne / kAutoMaxSide;
    return static_cast<std::int64_t>(std::nearbyint(exact));
}

Size AutoTargetSize(int width, int height) {
    const std::int64_t raw = AutoScaleFor(std::max(width, height));
    // A side that would round down to nothing keeps one pixel instead of
    // making the resampler refuse the whole picture.
    const auto side = [raw](int n) {
        return static_cast<int>(std::max<std::int64_t>(1, std::int64_t{n} * kScaleOne / raw));
    };
    return {side(width), side(height)};
}

Rect LetterboxRect(int width, int height) {
    const int side = std::max(width, height);
    if (height < width) {
        const int top = (side - height) / 2;
        return {0, top, side, top + height};
    }
    const int left = (side - width) / 2;
    return {left, 0, left + width, side};
}

std::string LoadFailedMessage(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return std::string(kLoadFailedMessage) + "\n" + (ec ? path : full.lexically_normal().string());
}

void EditorModel::FormShow() {
    Busy = false;
    Drawing = false;
    Moving = false;
    KeyMoved = false;
    Shape1Visible = false;
    Scale = 0;
    Image1Visible = false;
    Image2Visible = false;
    SaveEnabled = false;
    Panel8Enabled = false;
    Brightness = 0;
    if (SourcePath.empty()) return;

    try {
        LoadAndScale();
    } catch (...) {
        // Out of memory included: the picture is refused, never half shown.
        Image2.reset();
        Image1Visible = false;
        Image2Visible = false;
        SaveEnabled = false;
        Panel8Enabled = false;
        boxes_.ShowError(LoadFailedMessage(SourcePath));
    }

    DirectionIndex = 0;
    DirectionCount = 24;
    DirectionPoints.assign(DirectionCount, Point{});
    DirectionStep = static_cast<double>(6.283184L / 24);
    DrawDirectionMarker();
}

void EditorModel::LoadAndScale() {
    LoadedPicture picture;
    // The automatic run converts an embedded colour profile on the reduced
    // picture: far fewer pixels, and within a level on average of converting
    // the whole photo first. The editor converts at load, before any crop.
    LoadPicture(picture, SourcePath,
                AutoMode ? ProfileConversion::ByCaller : ProfileConversion::AtLoad);
    if (picture.Empty()) throw InvalidPicture("empty picture");
    const std::vector<std::uint8_t> profile =
        AutoMode ? picture.IccProfile() : std::vector<std::uint8_t>();
    // The decoded picture replaces the previous work view.
    Image1 = Bitmap();

    const int width = picture.Width();
    const int height = picture.Height();
    const std::int64_t side = std::max(width, height);
    Scale = AutoMode ? AutoScaleFor(side) : 25 * side;

    // Work on the decoder's own pixels when they are 24-bit already, so a
    // large photo is held once, not twice.
    const Bitmap& decoded = picture.Graphic()->GetBitmap();
    std::optional<Bitmap> converted;
    if (decoded.Format() != PixelFormat::pf24bit) converted = decoded.ToBgr24();
    const Bitmap& source = converted ? *converted : decoded;

    Bitmap scaled;
    if (AutoMode) {
        // The work square is not used here; a large one left by the edited
        // run would only add to the peak memory.
        OrgImage = Bitmap();
        const Size target = AutoTargetSize(width, height);
        scaled = ResampleBitmap(source, target.width, target.height);
        ConvertToSrgb(scaled, profile);
    } else {
        const Rect box = LetterboxRect(width, height);
        OrgImage = Bitmap();
        OrgImage = WhiteSquare(static_cast<int>(side));
        OrgImage.CopyRect(box.left, box.top, source, Rect{0, 0, width, height});
        converted.reset();
        picture.Clear();
        scaled = ResampleBitmap(OrgImage, kViewSide, kViewSide);
    }
    converted.reset();
    picture.Clear();
    Image1 = std::move(scaled);
    RenderResult();
}

void EditorModel::RenderResult() {
    Busy = true;
    const bool framed = Shape1Visible && Shape1.width > 0 && Shape1.height > 0;
    try {
        if (framed) {
            try {
                const std::int64_t raw = Scale;
                const std::int64_t x0 = std::int64_t{Shape1.left - kViewOffset} * raw / kScaleOne;
                const std::int64_t y0 = std::int64_t{Shape1.top - kViewOffset} * raw / kScaleOne;
                const int w = CheckedSide(std::int64_t{Shape1.width} * raw / kScaleOne);
                const int h = CheckedSide(std::int64_t{Shape1.height} * raw / kScaleOne);

                // Parts of the frame outside the work square come out white.
                Bitmap crop = Bitmap::Uninitialized(w, h, PixelFormat::pf24bit);
                std::memset(crop.Bits(), 0xFF, crop.SizeInBytes());
                const std::int64_t left = std::max<std::int64_t>(x0, 0);
                const std::int64_t top = std::max<std::int64_t>(y0, 0);
                const std::int64_t right = std::min<std::int64_t>(x0 + w, OrgImage.Width());
                const std::int64_t bottom = std::min<std::int64_t>(y0 + h, OrgImage.Height());
                if (left < right && top < bottom) {
                    crop.CopyRect(static_cast<int>(left - x0), static_cast<int>(top - y0), OrgImage,
                                  Rect{static_cast<int>(left), static_cast<int>(top),
                                       static_cast<int>(right), static_cast<int>(bottom)});
                }
                Bitmap resampled = ResampleBitmap(crop, kViewSide, kViewSide);
                if (Image2 && Image2->Width() == kViewSide && Image2->Height() == kViewSide &&
                    Image2->Format() == PixelFormat::pf24bit)
                    Image2->Draw(0, 0, resampled);
                else
                    Image2 = std::move(resampled);
            } catch (...) {
                // A crop that cannot be made removes the frame and keeps the result.
                Drawing = false;
                Moving = false;
                Shape1Visible = false;
            }
        } else {
            Image2 = Image1;
        }
        Image1Visible = true;
        Image2Visible = true;
        SaveEnabled = true;
        Panel8Enabled = true;
    } catch (...) {
        Busy = false;
        throw;
    }
    Busy = false;
}

}  // namespace pictorel
