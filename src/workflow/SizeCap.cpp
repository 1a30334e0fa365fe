#include "workflow/SizeCap.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "workflow/JpegOutput.h"

namespace pictorel {

namespace {

// A photo's JPEG size follows a power of the quantisation scale libjpeg
// derives from the quality (the tables are multiplied by it): log(bytes)
// falls along a nearly straight line in log(scale). Before a photo has shown
// its own, the fall is taken as 0.6 (photos reduced to 800 pixels encoded
// at 50 to 95 by cjpeg fall by 0.59 to 0.61), and the bytes as following the
// longer side to the power 1.6.
constexpr double kDefaultScaleSlope = 0.6;
constexpr double kDefaultSidePower = 1.6;

// libjpeg's scale for a quality, in per cent of its base tables.
double QualityScale(int quality) {
    return quality < 50 ? 5000.0 / quality : std::max(1.0, 200.0 - 2.0 * quality);
}

// The largest quality whose scale is at least `scale`.
int QualityForScale(double scale) {
    if (scale > 100.0) return static_cast<int>(std::floor(5000.0 / scale));
    return static_cast<int>(std::floor((200.0 - scale) / 2.0));
}

std::size_t CapBytes(int capKb) {
    return static_cast<std::size_t>(capKb) * kBytesPerKb;
}

int LongerSide(const Bitmap& picture) {
    return std::max(picture.Width(), picture.Height());
}

// Kilobytes as the user reads them next to the cap: rounded up, so that a
// file over the cap never shows the cap itself.
std::size_t KbRoundedUp(std::size_t bytes) {
    return (bytes + kBytesPerKb - 1) / kBytesPerKb;
}

}  // namespace

QualitySearch::QualitySearch(int floor, int top, std::size_t capBytes, double slope)
    : floor_(floor),
      top_(top),
      capBytes_(capBytes),
      slope_(slope),
      fitting_(floor - 1),
      failing_(top + 1) {}

void QualitySearch::Know(int quality, std::size_t bytes, bool measured) {
    points_.push_back({quality, std::log(QualityScale(quality)),
                       std::log(static_cast<double>(std::max<std::size_t>(bytes, 1))), measured});
    if (!measured) return;
    if (bytes <= capBytes_)
        fitting_ = std::max(fitting_, quality);
    else
        failing_ = std::min(failing_, quality);
}

int QualitySearch::Predict() const {
    const double target = std::log(static_cast<double>(capBytes_));
    const Point* below = nullptr;  // the measured fit nearest the cap
    const Point* above = nullptr;  // the measured miss nearest the cap
    for (const Point& p : points_) {
        if (!p.measured) continue;
        if (p.logBytes <= target && (!below || p.quality > below->quality)) below = &p;
        if (p.logBytes > target && (!above || p.quality < above->quality)) above = &p;
    }
    if (below && above && above->logBytes > below->logBytes) {
        const double share = (target - below->logBytes) / (above->logBytes - below->logBytes);
        return QualityForScale(
            std::exp(below->logScale + share * (above->logScale - below->logScale)));
    }
    // One side only: from the point nearest the cap, measured ones first,
    // along the slope.
    const Point* nearest = below ? below : above;
    if (!nearest) {
        for (const Point& p : points_)
            if (!nearest || std::abs(p.logBytes - target) < std::abs(nearest->logBytes - target))
                nearest = &p;
    }
    if (!nearest) return top_;
    return QualityForScale(std::exp(nearest->logScale - (target - nearest->logBytes) / slope_));
}

bool QualitySearch::Run(const EncodeAtQuality& encode) {
    // A prediction that keeps landing beside one end of the range (sizes
    // that jump) is followed by a halving step, so that the search never
    // takes many more encodes than plain bisection.
    int slowSteps = 0;
    while (failing_ - fitting_ > 1) {
        const int width = failing_ - fitting_;
        const int quality = slowSteps >= 2 ? fitting_ + width / 2
                                           : std::clamp(Predict(), fitting_ + 1, failing_ - 1);
        slowSteps = slowSteps >= 2 ? 0 : slowSteps;
        std::vector<std::uint8_t> bytes = encode(quality);
        ++encodes_;
        Know(quality, bytes.size(), true);
        if (bytes.size() <= capBytes_ && quality == fitting_) {
            best_ = std::move(bytes);
        } else if (quality == floor_) {
            floorBytes_ = std::move(bytes);
        }
        slowSteps = 2 * (failing_ - fitting_) > width ? slowSteps + 1 : 0;
    }
    // The slope this photo showed between its nearest fit and miss, for a
    // search at another size.
    const Point* low = nullptr;
    const Point* high = nullptr;
    for (const Point& p : points_) {
        if (!p.measured) continue;
        if (p.quality < failing_ && (!low || p.quality > low->quality)) low = &p;
        if (p.quality == failing_) high = &p;
    }
    if (low && high && high->logBytes > low->logBytes && low->logScale > high->logScale)
        slope_ = (high->logBytes - low->logBytes) / (low->logScale - high->logScale);
    return fitting_ >= floor_;
}

std::vector<int> CapSideSteps(int startSide) {
    std::vector<int> sides;
    for (int tenths = 9; startSide > kCapSmallestSide; --tenths) {
        const int side = (startSide * tenths + 5) / 10;
        if (side <= kCapSmallestSide) {
            sides.push_back(kCapSmallestSide);
            break;
        }
        sides.push_back(side);
    }
    return sides;
}

CappedJpeg EncodeWithinCap(const Bitmap& first, const OutputSize& size,
                           const ReduceToLongerSide& reduce) {
    CappedJpeg result;
    result.startQuality = result.quality = size.quality;
    result.startLongerSide = result.longerSide = LongerSide(first);
    result.capKb = size.capKb;
    result.jpeg = EncodeJpeg(first, size.quality);
    result.encodes = 1;
    if (!size.capKb || result.jpeg.size() <= CapBytes(*size.capKb)) return result;

    const std::size_t cap = CapBytes(*size.capKb);
    const int floor = std::min(kCapQualityFloor, size.quality);
    const auto encoderFor = [](const Bitmap& picture) {
        return [&picture](int quality) { return EncodeJpeg(picture, quality); };
    };
    const auto finish = [&](QualitySearch& search, int side) {
        result.encodes += search.Encodes();
        result.quality = search.BestQuality();
        result.longerSide = side;
        result.jpeg = search.TakeBest();
        return result;
    };

    // The quality at the first size.
    QualitySearch search(floor, size.quality, cap, kDefaultScaleSlope);
    search.Know(size.quality, result.jpeg.size(), true);
    if (search.Run(encoderFor(first))) return finish(search, result.startLongerSide);
    result.encodes += search.Encodes();
    const double slope = search.Slope();

    // Even the floor is too large: the largest side whose encoding at the
    // floor fits, predicted from the sizes at the floor seen so far (bytes
    // following a power of the side), confirmed by its larger neighbour.
    std::vector<int> sides = CapSideSteps(result.startLongerSide);
    sides.insert(sides.begin(), result.startLongerSide);
    std::vector<double> logFloorBytes(sides.size(), 0.0);
    std::vector<std::uint8_t> floorBytes =
        floor == size.quality ? std::move(result.jpeg) : search.TakeFloorBytes();
    logFloorBytes[0] = std::log(static_cast<double>(floorBytes.size()));
    std::size_t failingStep = 0;             // largest step seen not to fit
    std::size_t fittingStep = sides.size();  // smallest step seen to fit; none yet
    Bitmap fittingPicture;
    std::vector<std::uint8_t> fittingBytes;
    double power = kDefaultSidePower;
    while (fittingStep - failingStep > 1 && failingStep + 1 < sides.size()) {
        const double target = std::log(static_cast<double>(cap));
        std::size_t step = failingStep + 1;
        while (step + 1 < fittingStep &&
               logFloorBytes[failingStep] +
                       power * std::log(static_cast<double>(sides[step]) / sides[failingStep]) >
                   target)
            ++step;
        Bitmap picture = reduce(sides[step]);
        std::vector<std::uint8_t> bytes = EncodeJpeg(picture, floor);
        ++result.encodes;
        logFloorBytes[step] = std::log(static_cast<double>(bytes.size()));
        // The power this photo shows, for the next prediction.
        const double sideRatio = std::log(static_cast<double>(sides[step]) / sides[failingStep]);
        const double measured = (logFloorBytes[step] - logFloorBytes[failingStep]) / sideRatio;
        if (measured > 0.5 && measured < 4) power = measured;
        if (bytes.size() <= cap) {
            fittingStep = step;
            fittingPicture = std::move(picture);
            fittingBytes = std::move(bytes);
        } else {
            failingStep = step;
            floorBytes = std::move(bytes);
        }
    }
    if (fittingStep == sides.size()) {
        // Nothing fits: the smallest side at the floor, and the user is told.
        result.overCap = true;
        result.quality = floor;
        result.longerSide = sides[failingStep];
        result.jpeg = std::move(floorBytes);
        return result;
    }
    // The largest quality at that side; the floor is known to fit.
    QualitySearch atSide(floor, size.quality, cap, slope);
    atSide.Know(floor, fittingBytes.size(), true);
    atSide.Run(encoderFor(fittingPicture));
    finish(atSide, sides[fittingStep]);
    if (result.jpeg.empty()) result.jpeg = std::move(fittingBytes);
    return result;
}

std::vector<std::string> LoweringTexts(const CappedJpeg& result) {
    std::vector<std::string> texts;
    if (result.longerSide != result.startLongerSide)
        texts.push_back("サイズ " + std::to_string(result.startLongerSide) + " → " +
                        std::to_string(result.longerSide));
    if (result.quality != result.startQuality)
        texts.push_back("画質 " + std::to_string(result.startQuality) + " → " +
                        std::to_string(result.quality));
    if (result.overCap && result.capKb)
        texts.push_back("上限 " + std::to_string(*result.capKb) + " KB に収まりません（" +
                        std::to_string(KbRoundedUp(result.jpeg.size())) + " KB）");
    return texts;
}

}  // namespace pictorel
