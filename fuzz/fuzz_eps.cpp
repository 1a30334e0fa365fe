// The EPS reader (header, preview location and the TIFF reader behind it) on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "ReaderFuzzing.h"
#include "formats/EpsReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return pictorel::fuzzing::ReadOneInput<pictorel::EpsReader>(pictorel::kEpsFormat, data, size);
}
