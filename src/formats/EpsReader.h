// Encapsulated PostScript: the TIFF preview behind the 30-byte binary
// preview header, decoded by the TIFF reader. PostScript is never run.
#pragma once

#include <cstdint>
#include <span>

#include "formats/TiffReader.h"

namespace pictorel {

class EpsReader : public TiffReader {
  public:
    // More than 30 bytes, the magic C5 D0 D3 C6, a TIFF preview that starts
    // after the header and is not empty.
    static bool RecognisesContent(std::span<const std::uint8_t> data);
    DecodedPicture Decode(std::span<const std::uint8_t> data) override;
};

// The EPS format's descriptor, one row of the table of formats.
extern const PictureFormat kEpsFormat;

}  // namespace pictorel
