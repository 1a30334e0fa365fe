// The EPS reader (header, preview location and the TIFF reader behind it).
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/Errors.h"
#include "formats/EpsReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    (void)pictorel::EpsReader::RecognisesContent(bytes);
    pictorel::EpsReader graphic;
    try {
        graphic.LoadFromMemory(bytes);
    } catch (const pictorel::Error&) {
        if (!graphic.Empty()) __builtin_trap();
    }
    return 0;
}
