// One fuzz input through one reader: every outcome is a picture or a load
// error. A picture of a format the loading
// code lays over white goes over white too, as it would when loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <span>

#include "base/Errors.h"
#include "formats/PictureReader.h"
#include "imaging/AlphaOverWhite.h"

namespace pictorel::fuzzing {

// Whether Reader has a static content test to exercise on the same bytes.
template <typename Reader>
concept TestsContent = requires(std::span<const std::uint8_t> bytes) {
    Reader::RecognisesContent(bytes);
};

template <typename Reader>
int ReadOneInput(const PictureFormat& format, const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if constexpr (TestsContent<Reader>) (void)Reader::RecognisesContent(bytes);
    if (format.headFits) (void)format.headFits(bytes);
    DecodedPicture picture;
    try {
        picture = Reader().Decode(bytes);
    } catch (const Error&) {
        return 0;
    } catch (const std::bad_alloc&) {
        // The loading code turns this into its out-of-memory message.
        return 0;
    }
    TurnUpright(picture);
    if (format.alphaGoesOverWhite) CompositeOverWhite(picture.bitmap);
    return 0;
}

}  // namespace pictorel::fuzzing
