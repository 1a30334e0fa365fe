// Encapsulated PostScript: the TIFF preview behind the 30-byte binary
// preview header, decoded by the TIFF reader. PostScript is never run.
#pragma once

#include <cstdint>
#include <span>

#include "formats/TiffReader.h"

namespace pictorel {

class EpsReader : public TiffReader {
  public:
    const char* ClassName() const override { return "TEPSGraphic"; }
    // More than 30 bytes, the magic C5 D0 D3 C6, a TIFF preview that starts
    // after the header and is not empty.
    static bool RecognisesContent(std::span<const std::uint8_t> data);
    void LoadFromMemory(std::span<const std::uint8_t> data) override;
};

}  // namespace pictorel
