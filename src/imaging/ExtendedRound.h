// Rounding of extended-precision values to the nearest integer, halves to
// even, without a library call per value.
#pragma once

#include "imaging/Extended.h"

namespace pictorel {

// For 0 <= v < 2^62. With a 64-bit significand, adding 2^63 leaves no
// fraction bits, so the addition itself rounds (to nearest, ties to even, the
// default mode) and subtracting again gives the rounded value exactly.
inline Extended RoundNonNegative(Extended v) {
    const Extended shift = 9223372036854775808.0L;  // 2^63
    return (v + shift) - shift;
}

}  // namespace pictorel
