// Cheap measures of a reduced photo for the check before publishing: its
// brightness and contrast, its sharpness, a perceptual fingerprint that
// finds the same picture twice and the turn of its straight edges. They are
// taken on the picture the automatic run has just reduced (at most a few
// hundred thousand pixels), so they cost little beside decoding and encoding.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/Bitmap.h"
#include "imaging/PhotoTilt.h"

namespace pictorel {

// The spread of the luminance (Y = 0.299 R + 0.587 G + 0.114 B, 0..255).
struct LuminanceStats {
    int median = 0;
    // The 5th and 95th percentiles: the spread between them is the contrast,
    // untouched by a few specks of pure black or white.
    int low = 0;
    int high = 0;
    // Shares (0..1) of pixels crushed to black (Y <= 4) or burnt to white
    // (Y >= 251).
    double blackShare = 0;
    double whiteShare = 0;
};

// A 64-bit difference hash: the reduced grey picture averaged down to 9 x 8
// cells, one bit per neighbour pair in a row (1 where the left cell is
// brighter). One hash for each quarter turn of the picture, clockwise, so a
// copy that was turned still matches: entry k is the hash of the picture
// turned k quarters.
using QuarterTurnHashes = std::array<std::uint64_t, 4>;

struct PhotoMeasures {
    LuminanceStats luminance;
    // Taken on the grey picture averaged down to a longer side of at most
    // kSharpnessSide: the variance of its 4-neighbour Laplacian (how much
    // fine detail there is) and the variance of the grey levels themselves
    // (how much contrast there is), so that a rule can tell a blurred photo
    // from a merely dark or flat one.
    double laplacianVariance = 0;
    double greyVariance = 0;
    QuarterTurnHashes hashes{};
    // How far the verticals and horizontals are turned, on the same grey
    // picture as the sharpness.
    TiltMeasure tilt;
};

// The longer side the sharpness is measured at: every photo is averaged down
// by a whole factor to at most this, so pictures of different sizes compare.
inline constexpr int kSharpnessSide = 400;

// Measures a picture of any layout. An empty picture gives zero measures.
PhotoMeasures MeasurePhoto(const Bitmap& picture);

// Bits that differ between two hashes (0..64).
int HammingDistance(std::uint64_t a, std::uint64_t b);
// The smallest distance between the upright hash of `a` and any quarter
// turn of `b`: small when `b` is `a`, turned or not.
int TurnedHashDistance(const QuarterTurnHashes& a, const QuarterTurnHashes& b);

}  // namespace pictorel
