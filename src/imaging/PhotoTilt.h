// How far a photo's verticals and horizontals are turned from upright,
// measured cheaply for the check before publishing on the small grey picture
// the other measures use (at most 400 pixels on the longer side).
//
// It reads the direction of strong, straight edges from their gradients: each
// edge pixel within kTiltWindowDegrees of vertical or horizontal whose
// neighbours along the edge agree with it. The editor's straightener traces
// whole line segments on the full reduced picture instead, which is more
// exact but cost the check several times its own time on every photo of a
// run; a finding only has to tell a clear tilt, not correct it.
#pragma once

#include <vector>

namespace pictorel {

// Edges this far from vertical or horizontal are not looked at: a tilt
// worth telling is a few degrees, and beyond this lie the slanted lines of
// perspective (floors, ceilings, roofs).
inline constexpr double kTiltWindowDegrees = 10.0;

// An edge pixel agrees with the fitted lean when its own direction lies
// within this many degrees of it.
inline constexpr double kTiltAgreeDegrees = 1.5;

// The lean of the edges of one orientation (vertical or horizontal).
struct EdgeLean {
    // The turn of the content in degrees, clockwise as seen positive, read
    // where the lines cross the middle of the picture: lines converging
    // symmetrically towards a vanishing point (verticals of a camera pointed
    // up) lean one way on one side and the other way on the other, and give
    // no turn.
    double degrees = 0;
    // How much the lean changes across the picture (degrees per longer side):
    // the convergence.
    double convergence = 0;
    // Straight edge pixels within kTiltAgreeDegrees of the fitted lean, and
    // their share of all straight edge pixels of this orientation.
    int agreeingEdges = 0;
    double agreeingShare = 0;
};

struct TiltMeasure {
    EdgeLean verticals;
    EdgeLean horizontals;
};

// Measures grey levels (0..255, row after row, width x height). A picture
// without straight edges, or smaller than 8 x 8, gives no agreeing edges.
TiltMeasure MeasureTilt(int width, int height, const std::vector<double>& levels);

}  // namespace pictorel
