// Embedded ICC colour profiles: their description and the conversion of a
// picture's colours to sRGB over Little CMS 2 (relative colorimetric intent,
// no black point compensation, 8 bits per sample).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "imaging/Bitmap.h"

namespace pictorel {

// The profile's description ("Display P3", "Adobe RGB (1998)"), or an empty
// text when the bytes are no profile Little CMS can open or carry none.
std::string ProfileDescription(std::span<const std::uint8_t> icc);

// Whether the bytes are a profile Little CMS can open for the RGB colour space.
bool IsRgbProfile(std::span<const std::uint8_t> icc);

// Converts the colours of `picture` from the RGB profile `icc` to sRGB in
// place and tells whether it did. Nothing changes (false) when the profile is
// empty, cannot be opened, is not an RGB profile, or is sRGB in effect (it
// moves no colour of a 17-level RGB grid by more than 1), and for grey
// pictures (an 8-bit picture whose colour table is the grey ramp). 24- and
// 32-bit pictures are converted pixel by pixel (alpha kept), other indexed
// pictures through their colour table. Never throws for a bad profile.
bool ConvertToSrgb(Bitmap& picture, std::span<const std::uint8_t> icc);

// Turns rows of 24-bit B,G,R from an embedded RGB profile to sRGB, for a
// picture decoded row by row: the bytes ConvertToSrgb gives the whole
// picture, which is converted pixel by pixel.
class RgbRowConverter {
  public:
    // Null where ConvertToSrgb leaves a 24-bit picture as it is: no profile,
    // one that cannot be opened, one of another colour space, sRGB in effect.
    static std::unique_ptr<RgbRowConverter> Create(std::span<const std::uint8_t> icc);
    ~RgbRowConverter();
    RgbRowConverter(const RgbRowConverter&) = delete;
    RgbRowConverter& operator=(const RgbRowConverter&) = delete;

    void ConvertRow(std::uint8_t* bgr, int width) const;

    struct Engine;  // the Little CMS objects, private to the converter
    explicit RgbRowConverter(std::unique_ptr<Engine> engine);

  private:
    std::unique_ptr<Engine> engine_;
};

// Turns rows of 8-bit CMYK into B,G,R through an embedded CMYK profile.
class CmykProfileConverter {
  public:
    // The converter of the CMYK profile `icc`; null when the profile cannot
    // be opened or is not a CMYK profile. `inverted` is the Adobe layout of
    // JPEG files, 255 meaning no ink.
    static std::unique_ptr<CmykProfileConverter> Create(std::span<const std::uint8_t> icc,
                                                        bool inverted);
    ~CmykProfileConverter();
    CmykProfileConverter(const CmykProfileConverter&) = delete;
    CmykProfileConverter& operator=(const CmykProfileConverter&) = delete;

    void ConvertRow(const std::uint8_t* cmyk, std::uint8_t* bgr, int width) const;

    struct Engine;  // the Little CMS objects, private to the converter
    explicit CmykProfileConverter(std::unique_ptr<Engine> engine);

  private:
    std::unique_ptr<Engine> engine_;
};

}  // namespace pictorel
