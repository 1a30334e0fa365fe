// ICC profiles for colour that a HEIF file gives as code points (`nclx`):
// primaries, white point and transfer curve.
#pragma once

#include <cstdint>
#include <vector>

namespace pictorel {

struct NclxColour {
    int primaries = 2;  // ITU-T H.273 ColourPrimaries (2: unspecified)
    int transfer = 2;   // TransferCharacteristics (2: unspecified)
    // The chromaticities of red, green, blue and white, as x, y.
    double red[2] = {0.64, 0.33};
    double green[2] = {0.30, 0.60};
    double blue[2] = {0.15, 0.06};
    double white[2] = {0.3127, 0.3290};
};

// True when the colour is sRGB's in effect: BT.709 primaries (or
// unspecified ones) with the sRGB or BT.709 transfer (or an unspecified one).
bool NclxIsSrgb(const NclxColour& colour);

// An RGB display profile of the colour's primaries, white point and transfer
// curve (an unknown transfer and the BT.709 family are taken as sRGB's); empty when the values
// cannot make one (a degenerate set of primaries).
std::vector<std::uint8_t> BuildNclxProfile(const NclxColour& colour);

}  // namespace pictorel
