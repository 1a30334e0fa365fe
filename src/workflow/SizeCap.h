// The file-size cap of an output size: when the JPEG of a photo is larger
// than the cap, the quality is lowered, down to a floor, and then the
// picture itself, until the file fits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "imaging/Bitmap.h"
#include "workflow/OutputSize.h"

namespace pictorel {

// The lowest quality the cap lowers to; a size asking for less keeps its own.
inline constexpr int kCapQualityFloor = 50;
// The longer side the cap reduces a picture to at most: below it a
// published photo is no longer worth looking at.
inline constexpr int kCapSmallestSide = 400;

// Encodes at one quality: the JPEG bytes.
using EncodeAtQuality = std::function<std::vector<std::uint8_t>(int quality)>;

// The search for the largest quality in [floor, top] whose encoding takes at
// most `capBytes`. Reading "largest" as over every quality would take all
// encodes; JPEG sizes, though, fall with the quality almost everywhere, so
// the search takes the quality q it has seen fit where q + 1 (or q = top)
// has been seen not to: where sizes fall with the quality that is the
// largest that fits. It predicts the quality from the encodes made so far
// (the logarithm of the size against that of libjpeg's quantisation scale,
// interpolated, or along `slope` from one encode) and confirms the
// neighbour, so that a good prediction costs two encodes.
class QualitySearch {
  public:
    // `slope`: the expected fall of log(bytes) per unit of log(scale).
    QualitySearch(int floor, int top, std::size_t capBytes, double slope);

    // A measurement known beforehand (the encode at `top` that showed the
    // file is too large, or one estimated from a larger picture, which only
    // guides the prediction when `measured` is false).
    void Know(int quality, std::size_t bytes, bool measured);
    // Runs the search with `encode`. Returns whether a quality fits; then
    // BestQuality and TakeBest give it and its bytes, else SmallestBytes
    // holds the encoding at the floor.
    bool Run(const EncodeAtQuality& encode);

    int BestQuality() const { return fitting_; }
    std::vector<std::uint8_t> TakeBest() { return std::move(best_); }
    std::vector<std::uint8_t> TakeFloorBytes() { return std::move(floorBytes_); }
    int Encodes() const { return encodes_; }
    // The measured fall of log(bytes) per unit of log(scale), for the next
    // search.
    double Slope() const { return slope_; }

  private:
    struct Point {
        int quality;
        double logScale;
        double logBytes;
        bool measured;
    };
    int Predict() const;

    int floor_;
    int top_;
    std::size_t capBytes_;
    double slope_;
    std::vector<Point> points_;
    int fitting_;  // highest quality seen to fit, floor_ - 1 for none
    int failing_;  // lowest quality seen not to fit, top_ + 1 for none
    std::vector<std::uint8_t> best_;
    std::vector<std::uint8_t> floorBytes_;
    int encodes_ = 0;
};

// The photo's JPEG within its size's cap, and how it got there.
struct CappedJpeg {
    std::vector<std::uint8_t> jpeg;
    int startQuality = 0;
    int quality = 0;
    int startLongerSide = 0;
    int longerSide = 0;
    // Set when a cap was asked for and no quality and size fit: the file is
    // the one at the floor and the smallest side.
    bool overCap = false;
    std::optional<int> capKb;
    // JPEG encodings made for this photo, the first one included.
    int encodes = 0;
};

// Gives the picture of a longer side, made from the photo as the first one was.
using ReduceToLongerSide = std::function<Bitmap(int longerSide)>;

// Encodes `first` at the size's quality; with a cap it does not meet, it
// searches the largest quality down to kCapQualityFloor that fits, and when
// even that is too large reduces the longer side by steps of a tenth of the
// first one (never below kCapSmallestSide) with `reduce` and searches again.
// The result is the largest size, and at it the largest quality, that fits;
// when nothing does, the encoding at the floor and the smallest side.
CappedJpeg EncodeWithinCap(const Bitmap& first, const OutputSize& size,
                           const ReduceToLongerSide& reduce);

// The longer sides the cap tries after `startSide`: 90 %, 80 %, ... of it,
// rounded, ending with kCapSmallestSide; none when startSide is not above it.
std::vector<int> CapSideSteps(int startSide);

// What the user is told of a capped photo: "サイズ 800 → 720" when the
// picture was reduced, "画質 80 → 68" when the quality was lowered, and
// "上限 50 KB に収まりません（62 KB）" when it does not fit. Empty for a
// photo written as its size asks.
std::vector<std::string> LoweringTexts(const CappedJpeg& result);

}  // namespace pictorel
