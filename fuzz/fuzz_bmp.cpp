// The BMP reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/Errors.h"
#include "formats/BmpReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pictorel::BmpReader graphic;
    try {
        graphic.LoadFromMemory(std::span<const std::uint8_t>(data, size));
    } catch (const pictorel::Error&) {
        if (!graphic.Empty()) __builtin_trap();
    }
    return 0;
}
