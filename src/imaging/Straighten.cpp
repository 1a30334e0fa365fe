#include "imaging/Straighten.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "base/Errors.h"
#include "imaging/LineSegments.h"
#include "imaging/RowBands.h"

namespace pictorel {

namespace {

// Lines are measured on a copy whose longer side is about this long: long
// enough to place an edge to a fraction of a degree, small enough to take a
// few tens of milliseconds for a 24-megapixel photo.
constexpr int kMeasureSide = 1024;
// Segments within this angle of the vertical (or horizontal) are candidates:
// the largest correction plus the lean that converging verticals add near
// the picture's sides.
constexpr double kCandidateDegrees = 20.0;
// A segment agrees with a fit when its direction is within this angle of
// it, widened for short segments, whose ends are known to about a pixel.
constexpr double kAgreeDegrees = 0.6;
// Enough lines: this many agreeing segments, together at least this share
// of the picture's side across them. Fewer are as likely chance alignments
// of texture as real edges.
constexpr int kMinAgreeing = 5;
constexpr double kMinAgreeingLength = 0.6;
// The share of the candidates' length the agreeing lines must have.
constexpr double kMinAgreeingShare = 0.5;
// And the agreeing lines must dominate: their length as a multiple of the
// picture's side, times their share of the candidates' length, at least
// this. A twig, a plate's rim or a leaf's edge lines up with a few short
// pieces by chance among many that point elsewhere (about 0.45 at most over
// tilted copies of flower and food photos), while a facade's verticals or a
// horizon's horizontals give 0.9 and more; a weak showing on either count
// needs a strong one on the other.
constexpr double kMinDominance = 0.6;
// Hypotheses are drawn from the longest segments only.
constexpr std::size_t kMaxHypothesisLines = 120;

constexpr double kDegree = std::numbers::pi / 180.0;

// A near-vertical segment as a line x = position + slope * y about the
// picture's centre (or, for horizontals, the same with x and y swapped).
struct Line {
    double slope = 0;
    double position = 0;
    double length = 0;
    // How far its slope may be from a fit's to agree (Tolerance), kept with
    // the line: the fit tries thousands of hypotheses on every line.
    double tolerance = 0;
};

struct Fit {
    double slope = 0;     // at the centre
    double converge = 0;  // change of slope per pixel of position
    int agreeing = 0;
    double agreeingLength = 0;
    double candidateLength = 0;
};

double Tolerance(double length) {
    return std::tan(kAgreeDegrees * kDegree) + 1.0 / length;
}

bool Agrees(const Line& line, double slope, double converge) {
    return std::abs(line.slope - (slope + converge * line.position)) <= line.tolerance;
}

// Weighted least squares of slope against position over the agreeing lines
// (weights the squared length: a segment's direction error shrinks with its
// length); without enough spread of positions the lines are taken as
// parallel.
void Refine(const std::vector<Line>& lines, double side, bool withConvergence, Fit& fit) {
    for (int round = 0; round < 3; ++round) {
        double w = 0, sp = 0, ss = 0, spp = 0, sps = 0;
        int count = 0;
        double length = 0;
        for (const Line& l : lines) {
            if (!Agrees(l, fit.slope, fit.converge)) continue;
            const double weight = l.length * l.length;
            w += weight;
            sp += weight * l.position;
            ss += weight * l.slope;
            spp += weight * l.position * l.position;
            sps += weight * l.position * l.slope;
            ++count;
            length += l.length;
        }
        if (count == 0) return;
        fit.agreeing = count;
        fit.agreeingLength = length;
        const double meanP = sp / w;
        const double varP = spp / w - meanP * meanP;
        if (withConvergence && count >= 6 && varP > (0.15 * side) * (0.15 * side)) {
            fit.converge = (sps / w - meanP * ss / w) / varP;
            fit.slope = ss / w - fit.converge * meanP;
        } else {
            fit.converge = 0;
            fit.slope = ss / w;
        }
    }
}

// The slope (and convergence) most segments agree with: every line alone
// (parallel lines) and every pair (lines through one vanishing point) is
// tried, scored by the length of the lines that agree, then refined.
Fit FitLines(std::vector<Line> lines, double sideAcross, double sideAlong, bool withConvergence) {
    std::sort(lines.begin(), lines.end(),
              [](const Line& a, const Line& b) { return a.length > b.length; });
    const std::size_t n = std::min(lines.size(), kMaxHypothesisLines);
    struct Scored {
        Fit fit;
        double score = 0;
    };
    Scored parallel, converging;
    auto consider = [&](Scored& best, double slope, double converge) {
        double score = 0;
        for (const Line& l : lines)
            if (Agrees(l, slope, converge)) score += l.length;
        if (score > best.score) best = {Fit{slope, converge, 0, 0}, score};
    };
    for (std::size_t i = 0; i < n; ++i) consider(parallel, lines[i].slope, 0);
    for (std::size_t i = 0; withConvergence && i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            const double apart = lines[i].position - lines[j].position;
            if (std::abs(apart) < 0.05 * sideAcross) continue;
            const double converge = (lines[i].slope - lines[j].slope) / apart;
            // Beyond any keystone a photo plausibly has.
            if (std::abs(converge) * sideAlong > 0.5) continue;
            consider(converging, lines[i].slope - converge * lines[i].position, converge);
        }
    }
    // Parallel lines win ties: the simpler correction. The refinement may
    // still find a slight convergence that the tolerance hid.
    const bool keystone = converging.score > parallel.score;
    Fit best = keystone ? converging.fit : parallel.fit;
    if ((keystone ? converging.score : parallel.score) == 0) return {};
    Refine(lines, sideAcross, withConvergence, best);
    for (const Line& l : lines) best.candidateLength += l.length;
    return best;
}

bool Enough(const Fit& fit, double side) {
    return fit.agreeing >= kMinAgreeing && fit.agreeingLength >= kMinAgreeingLength * side &&
           fit.agreeingLength * fit.agreeingLength >= kMinDominance * side * fit.candidateLength;
}

// Verticals must also be most of the near-vertical candidates: in a
// building they are its verticals, while the stems, trunks and textures of
// other photos lean every way, and any two of them meet somewhere.
bool EnoughVerticals(const Fit& fit, double side) {
    return Enough(fit, side) && fit.agreeingLength >= kMinAgreeingShare * fit.candidateLength;
}

// Lines leaning well beyond the largest correction are not the photo's
// verticals or horizon turned a little (a table seen from its corner, a
// slanting roof): the photo is left alone rather than half corrected.
bool Plausible(double tiltRadians) {
    return std::abs(tiltRadians) <= (kMaxTiltDegrees + 1.5) * kDegree;
}

Bitmap AsBgr24(const Bitmap& picture) {
    return picture.Format() == PixelFormat::Bgr24 ? Bitmap() : picture.ToBgr24();
}

// The x range [left, right] of a convex polygon's row at height y.
std::pair<double, double> RowSpan(const std::array<std::pair<double, double>, 4>& quad, double y) {
    double left = 1e300, right = -1e300;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto [ax, ay] = quad[i];
        const auto [bx, by] = quad[(i + 1) % 4];
        if ((y < std::min(ay, by)) || (y > std::max(ay, by))) continue;
        const double x = ay == by ? std::min(ax, bx) : ax + (bx - ax) * (y - ay) / (by - ay);
        const double x2 = ay == by ? std::max(ax, bx) : x;
        left = std::min(left, x);
        right = std::max(right, x2);
    }
    return {left, right};
}

struct Box {
    double left = 0, top = 0, right = 0, bottom = 0;
};

// The largest upright rectangle inside a convex quadrilateral. Its rows
// between a top and a bottom are all inside where both end rows are (the
// left side of a convex shape is a convex function of y, the right one
// concave), so a search over the pairs of end rows finds it.
Box LargestUprightBox(const std::array<std::pair<double, double>, 4>& quad) {
    double minY = 1e300, maxY = -1e300;
    for (const auto& [x, y] : quad) {
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    Box best;
    double bestArea = -1;
    auto tryRows = [&](double top, double bottom) {
        const auto [l0, r0] = RowSpan(quad, top);
        const auto [l1, r1] = RowSpan(quad, bottom);
        const double left = std::max(l0, l1);
        const double right = std::min(r0, r1);
        const double area = (bottom - top) * std::max(0.0, right - left);
        if (area > bestArea) {
            bestArea = area;
            best = {left, top, right, bottom};
        }
    };
    constexpr int kSteps = 128;
    const double step = (maxY - minY) / kSteps;
    int bestTop = 0, bestBottom = kSteps;
    for (int t = 0; t <= kSteps; ++t) {
        for (int b = t + 1; b <= kSteps; ++b) {
            const double before = bestArea;
            tryRows(minY + t * step, b == kSteps ? maxY : minY + b * step);
            if (bestArea > before) {
                bestTop = t;
                bestBottom = b;
            }
        }
    }
    // A finer search within a step of the best pair.
    constexpr int kFine = 32;
    for (int t = -kFine; t <= kFine; ++t) {
        const double top = std::max(minY, minY + (bestTop + double(t) / kFine) * step);
        for (int b = -kFine; b <= kFine; ++b) {
            const double bottom = std::min(maxY, minY + (bestBottom + double(b) / kFine) * step);
            if (bottom > top) tryRows(top, bottom);
        }
    }
    return best;
}

}  // namespace

Lean MeasureLean(const Bitmap& picture) {
    return MeasureLean(picture, Rect{0, 0, picture.Width(), picture.Height()});
}

Lean MeasureLean(const Bitmap& picture, const Rect& area) {
    const Bitmap converted = AsBgr24(picture);
    const Bitmap& source = converted.Empty() ? picture : converted;
    const int longer = std::max(area.Width(), area.Height());
    const int factor = std::max(1, (longer + kMeasureSide - 1) / kMeasureSide);
    const GreyPicture grey = ReducedGrey(source, area, factor);
    SegmentOptions options;
    options.minLength = std::max(12.0, 0.025 * std::max(grey.width, grey.height));
    const std::vector<LineSegment> segments = DetectLineSegments(grey, options);

    const double cx = 0.5 * grey.width;
    const double cy = 0.5 * grey.height;
    const double candidate = std::tan(kCandidateDegrees * kDegree);
    std::vector<Line> verticals;
    std::vector<Line> horizontals;
    for (const LineSegment& s : segments) {
        double dx = s.x1 - s.x0;
        double dy = s.y1 - s.y0;
        const double mx = 0.5 * (s.x0 + s.x1) - cx;
        const double my = 0.5 * (s.y0 + s.y1) - cy;
        if (std::abs(dx) <= candidate * std::abs(dy)) {
            const double slope = dx / dy;
            verticals.push_back({slope, mx - slope * my, s.length, Tolerance(s.length)});
        } else if (std::abs(dy) <= candidate * std::abs(dx)) {
            const double slope = dy / dx;
            horizontals.push_back({slope, my - slope * mx, s.length, Tolerance(s.length)});
        }
    }

    Lean lean;
    const Fit upright = FitLines(verticals, grey.width, grey.height, true);
    if (EnoughVerticals(upright, grey.height) && Plausible(-std::atan(upright.slope))) {
        lean.enoughLines = true;
        // A line leaning clockwise runs down to the left: dx/dy < 0.
        lean.tiltDegrees = -std::atan(upright.slope) / kDegree;
        lean.keystone = upright.converge * grey.height;
        lean.agreeingLines = upright.agreeing;
        return lean;
    }
    // Horizontals converge towards the sides in most views of a room, so
    // they only stand in for too few verticals, for the turn alone, and
    // only when enough of them are parallel.
    const Fit level = FitLines(horizontals, grey.height, grey.width, false);
    if (Enough(level, grey.width) && Plausible(std::atan(level.slope))) {
        lean.enoughLines = true;
        lean.tiltDegrees = std::atan(level.slope) / kDegree;
        lean.agreeingLines = level.agreeing;
        lean.fromHorizontals = true;
    }
    return lean;
}

std::pair<double, double> StraightenPlan::ToResult(double x, double y) const {
    const double px = x - 0.5 * sourceWidth;
    const double py = y - 0.5 * sourceHeight;
    const double c = std::cos(rotation), s = std::sin(rotation);
    const double rx = px * c - py * s;
    const double ry = px * s + py * c;
    const double depth = 1 + perspective * ry;
    return {(rx / depth - cropLeft) * scale, (ry / depth - cropTop) * scale};
}

std::pair<double, double> StraightenPlan::ToSource(double x, double y) const {
    const double qx = x / scale + cropLeft;
    const double qy = y / scale + cropTop;
    const double depth = 1 - perspective * qy;
    const double rx = qx / depth;
    const double ry = qy / depth;
    const double c = std::cos(rotation), s = std::sin(rotation);
    return {rx * c + ry * s + 0.5 * sourceWidth, -rx * s + ry * c + 0.5 * sourceHeight};
}

StraightenPlan PlanStraighten(int width, int height, const Lean& lean) {
    if (width <= 0 || height <= 0) throw AssertionFailure("PlanStraighten: empty picture");
    StraightenPlan plan;
    plan.sourceWidth = width;
    plan.sourceHeight = height;
    if (lean.enoughLines) {
        const double tilt = std::clamp(lean.tiltDegrees, -kMaxTiltDegrees, kMaxTiltDegrees);
        plan.rotation = -tilt * kDegree;
        // Converging verticals meet at a point `height / keystone` above the
        // centre; turned upright it lies straight above, and the depth
        // factor 1 + p y sends it to infinity, making them parallel.
        if (!lean.fromHorizontals)
            plan.perspective = lean.keystone / height * std::cos(plan.rotation);
    }
    // A corner at depth factor d moves by (1/d - 1) of its distance from the
    // centre, half the side: the factor stays at least 1 / (1 + 2 x 15 %).
    const double c = std::cos(plan.rotation), s = std::sin(plan.rotation);
    double reach = 0;
    for (const double px : {-0.5 * width, 0.5 * width})
        for (const double py : {-0.5 * height, 0.5 * height})
            reach = std::max(reach, std::abs(px * s + py * c));
    const double maxPerspective = (1 - 1 / (1 + 2 * kMaxCornerShift)) / reach;
    plan.perspective = std::clamp(plan.perspective, -maxPerspective, maxPerspective);

    std::array<std::pair<double, double>, 4> quad;
    const std::pair<double, double> corners[4] = {
        {0, 0}, {double(width), 0}, {double(width), double(height)}, {0, double(height)}};
    for (int i = 0; i < 4; ++i) quad[i] = plan.ToResult(corners[i].first, corners[i].second);
    const Box box = LargestUprightBox(quad);
    const double boxWidth = box.right - box.left;
    const double boxHeight = box.bottom - box.top;
    plan.cropLeft = box.left;
    plan.cropTop = box.top;
    // The result is never larger than the picture: a keystone stretches the
    // far side, which would only add pixels without detail.
    plan.scale = std::min({1.0, width / boxWidth, height / boxHeight});
    plan.width = std::max(1, static_cast<int>(std::floor(boxWidth * plan.scale + 1e-6)));
    plan.height = std::max(1, static_cast<int>(std::floor(boxHeight * plan.scale + 1e-6)));
    return plan;
}

Bitmap ApplyStraighten(const Bitmap& picture, const Lean& lean) {
    return ApplyStraighten(picture, Rect{0, 0, picture.Width(), picture.Height()}, lean);
}

// Bilinear sampling: the correction changes the scale by at most a third
// anywhere, so each result pixel takes little more than one source pixel
// and averaging over footprints (what the program's resampler does for a
// size change) would change nothing visible; the editor then reduces the
// result with that resampler. Bilinear also keeps this step within the
// time of a click on a 24-megapixel photo.
Bitmap ApplyStraighten(const Bitmap& picture, const Rect& area, const Lean& lean) {
    if (area.Empty() || area.left < 0 || area.top < 0 || area.right > picture.Width() ||
        area.bottom > picture.Height())
        throw AssertionFailure("ApplyStraighten: area outside the picture");
    const StraightenPlan plan = PlanStraighten(area.Width(), area.Height(), lean);
    Bitmap result = Bitmap::Uninitialized(plan.width, plan.height, PixelFormat::Bgr24);
    ApplyStraighten(picture, area, plan, result, 0, 0);
    // The rows' padding bytes are zero, as in a cleared picture.
    const std::size_t used = 3 * std::size_t(plan.width);
    for (int j = 0; j < plan.height; ++j)
        std::fill(result.ScanLine(j) + used, result.ScanLine(j) + result.Stride(), 0);
    return result;
}

void ApplyStraighten(const Bitmap& picture, const Rect& area, const StraightenPlan& plan,
                     Bitmap& target, int left, int top) {
    if (area.Empty() || area.left < 0 || area.top < 0 || area.right > picture.Width() ||
        area.bottom > picture.Height() || plan.sourceWidth != area.Width() ||
        plan.sourceHeight != area.Height())
        throw AssertionFailure("ApplyStraighten: area outside the picture");
    if (target.Format() != PixelFormat::Bgr24 || left < 0 || top < 0 ||
        left + plan.width > target.Width() || top + plan.height > target.Height())
        throw AssertionFailure("ApplyStraighten: result outside its target");
    const Bitmap converted = AsBgr24(picture);
    const Bitmap& source = converted.Empty() ? picture : converted;

    const std::size_t stride = source.Stride();
    const std::uint8_t* const origin =
        source.Bits() + std::size_t(area.top) * stride + 3 * std::size_t(area.left);
    const std::int64_t maxX = area.Width() - 1;
    const std::int64_t maxY = area.Height() - 1;
    constexpr double kOne = 4294967296.0;  // 32 fraction bits
    const double c = std::cos(plan.rotation), s = std::sin(plan.rotation);
    const auto makeRows = [&](int firstRow, int endRow) {
        for (int j = firstRow; j < endRow; ++j) {
            // Along a result row the depth is constant, so the source point
            // moves by a constant step.
            const double qy = (j + 0.5) / plan.scale + plan.cropTop;
            const double depth = 1 - plan.perspective * qy;
            const auto [x0, y0] = plan.ToSource(0.5, j + 0.5);
            const double stepX = c / (plan.scale * depth);
            const double stepY = -s / (plan.scale * depth);
            // Pixel centres sit at i + 0.5.
            std::int64_t fx = std::llround((x0 - 0.5) * kOne);
            std::int64_t fy = std::llround((y0 - 0.5) * kOne);
            const std::int64_t dx = std::llround(stepX * kOne);
            const std::int64_t dy = std::llround(stepY * kOne);
            std::uint8_t* out = target.ScanLine(top + j) + 3 * std::size_t(left);
            for (int i = 0; i < plan.width; ++i, fx += dx, fy += dy, out += 3) {
                std::int64_t ix = fx >> 32;
                std::int64_t iy = fy >> 32;
                std::uint32_t wx = static_cast<std::uint32_t>(fx >> 24) & 0xFF;
                std::uint32_t wy = static_cast<std::uint32_t>(fy >> 24) & 0xFF;
                std::size_t right = 3;
                std::size_t down = stride;
                // Rounding may reach a hair past the edge: the edge pixel.
                // Inside, a zero weight reads a neighbour that counts for
                // nothing, which keeps the common case free of branches.
                if (ix < 0 || ix >= maxX || iy < 0 || iy >= maxY) [[unlikely]] {
                    if (ix < 0) ix = 0, wx = 0;
                    if (ix >= maxX) ix = maxX, wx = 0;
                    if (iy < 0) iy = 0, wy = 0;
                    if (iy >= maxY) iy = maxY, wy = 0;
                    right = wx ? 3 : 0;
                    down = wy ? stride : 0;
                }
                const std::uint8_t* p0 = origin + static_cast<std::size_t>(iy) * stride + 3 * ix;
                const std::uint8_t* p1 = p0 + down;
                const std::uint32_t wx0 = 256 - wx, wy0 = 256 - wy;
                for (int k = 0; k < 3; ++k) {
                    const std::uint32_t upper = p0[k] * wx0 + p0[k + right] * wx;
                    const std::uint32_t lower = p1[k] * wx0 + p1[k + right] * wx;
                    out[k] = static_cast<std::uint8_t>((upper * wy0 + lower * wy + 32768) >> 16);
                }
            }
        }
    };
    // Rows are independent: split over the cores, the bytes are the same.
    ForRowBands(plan.height, 3.0 * plan.width * plan.height, makeRows);
}

std::string TooFewLinesText() {
    return "垂直・水平の線が足りないため補正できません。";
}

}  // namespace pictorel
