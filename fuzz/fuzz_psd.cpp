// The PSD reader on arbitrary bytes: every outcome is a picture or a load error.
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/Errors.h"
#include "formats/PsdReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    (void)pictorel::PsdReader::RecognisesContent(bytes);
    pictorel::PsdReader graphic;
    try {
        graphic.LoadFromMemory(bytes);
    } catch (const pictorel::Error&) {
        if (!graphic.Empty()) __builtin_trap();  // a failed load keeps nothing
    }
    return 0;
}
