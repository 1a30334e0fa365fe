// Extended precision: a 64-bit significand, as the x87 unit computes `long
// double`. The effects, adjustments and scale factors are computed in it,
// and their rounding decides pixel values, so every build must round alike.
// Where `long double` has another format (binary128 in WebAssembly and on
// ARM), Extended keeps each value and each operation's result rounded to 64
// significand bits, to nearest with ties to even, as the x87 unit does.
#pragma once

#include <cmath>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

namespace pictorel {

inline constexpr bool kLongDoubleIsX87 = std::numeric_limits<long double>::digits == 64;

namespace extended_detail {

// A binary128 value rounded to a 64-bit significand, to nearest, ties to
// even: 49 of its 112 stored fraction bits go. The carry of a rounding up
// runs into the exponent, which is right (the value reaches the next power
// of two). Infinities and NaNs stay as they are.
inline long double RoundToX87(long double value) {
    static_assert(kLongDoubleIsX87 || std::numeric_limits<long double>::digits == 113,
                  "long double is neither the x87 format nor binary128");
    if constexpr (kLongDoubleIsX87) {
        return value;
    } else {
        unsigned __int128 bits;
        std::memcpy(&bits, &value, sizeof bits);
        constexpr int kDropped = 113 - 64;
        constexpr unsigned __int128 kOne = 1;
        constexpr unsigned __int128 kExponentMask = ((kOne << 15) - 1) << 112;
        if ((bits & kExponentMask) == kExponentMask) return value;
        const unsigned __int128 dropped = bits & ((kOne << kDropped) - 1);
        const unsigned __int128 half = kOne << (kDropped - 1);
        bits -= dropped;
        if (dropped > half || (dropped == half && ((bits >> kDropped) & 1) != 0))
            bits += kOne << kDropped;
        std::memcpy(&value, &bits, sizeof bits);
        return value;
    }
}

template <typename T>
concept Arithmetic = std::integral<T> || std::floating_point<T>;

// A long double kept at x87 precision, operation by operation.
class X87 {
  public:
    constexpr X87() = default;
    // Every integer up to 64 bits, float and double convert exactly; a
    // long double (a literal, say) is rounded as the x87 unit stores it.
    template <Arithmetic T>
    X87(T value) : value_(RoundToX87(static_cast<long double>(value))) {}

    template <Arithmetic T>
    explicit operator T() const {
        return static_cast<T>(value_);
    }

    friend X87 operator+(X87 a, X87 b) { return Exact(a.value_ + b.value_); }
    friend X87 operator-(X87 a, X87 b) { return Exact(a.value_ - b.value_); }
    friend X87 operator*(X87 a, X87 b) { return Exact(a.value_ * b.value_); }
    friend X87 operator/(X87 a, X87 b) { return Exact(a.value_ / b.value_); }
    friend X87 operator-(X87 a) { return Exact(-a.value_); }
    friend bool operator==(X87 a, X87 b) { return a.value_ == b.value_; }
    friend auto operator<=>(X87 a, X87 b) { return a.value_ <=> b.value_; }

    friend X87 sqrt(X87 a) { return Exact(std::sqrt(a.value_)); }
    friend X87 sin(X87 a) { return Exact(std::sin(a.value_)); }
    friend X87 cos(X87 a) { return Exact(std::cos(a.value_)); }
    friend X87 nearbyint(X87 a) { return Exact(std::nearbyint(a.value_)); }

  private:
    static X87 Exact(long double value) {
        X87 out;
        out.value_ = RoundToX87(value);
        return out;
    }

    long double value_ = 0;
};

}  // namespace extended_detail

// `long double` itself where it is the x87 format (the native x86 builds
// keep their code unchanged), else the emulation above.
using Extended = std::conditional_t<kLongDoubleIsX87, long double, extended_detail::X87>;

// The functions of <cmath> on Extended, whichever type it is.
inline Extended Sqrt(Extended v) {
    using std::sqrt;
    return sqrt(v);
}
inline Extended Sin(Extended v) {
    using std::sin;
    return sin(v);
}
inline Extended Cos(Extended v) {
    using std::cos;
    return cos(v);
}
inline Extended NearbyInt(Extended v) {
    using std::nearbyint;
    return nearbyint(v);
}

}  // namespace pictorel
