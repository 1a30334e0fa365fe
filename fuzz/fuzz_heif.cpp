// The HEIF/HEIC/AVIF reader on arbitrary bytes: every outcome is a picture (which
// then goes over white as the loading code lays it) or a load error.
#include <cstddef>
#include <cstdint>
#include <new>
#include <span>

#include "base/Errors.h"
#include "formats/HeifReader.h"
#include "imaging/AlphaOverWhite.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    (void)pictorel::HeifReader::RecognisesContent(bytes);
    pictorel::HeifReader graphic;
    try {
        graphic.LoadFromMemory(bytes);
    } catch (const pictorel::Error&) {
        if (!graphic.Empty()) __builtin_trap();  // a failed load keeps nothing
        return 0;
    } catch (const std::bad_alloc&) {
        if (!graphic.Empty()) __builtin_trap();
        return 0;
    }
    pictorel::Bitmap picture = graphic.TakeBitmap();
    pictorel::CompositeOverWhite(picture);
    return 0;
}
