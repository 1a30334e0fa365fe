// The WebP reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "ReaderFuzzing.h"
#include "formats/WebpReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return pictorel::fuzzing::ReadOneInput<pictorel::WebpReader>(pictorel::kWebpFormat, data, size);
}
