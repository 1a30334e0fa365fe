// The PSD reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "ReaderFuzzing.h"
#include "formats/PsdReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return pictorel::fuzzing::ReadOneInput<pictorel::PsdReader>(pictorel::kPsdFormat, data, size);
}
