// One fuzz input through one reader: every outcome is a picture or a load
// error, and a failed load keeps nothing. A picture of a format the loading
// code lays over white goes over white too, as it would when loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <span>

#include "base/Errors.h"
#include "imaging/AlphaOverWhite.h"

namespace pictorel::fuzzing {

// Whether Reader has a static content test to exercise on the same bytes.
template <typename Reader>
concept TestsContent = requires(std::span<const std::uint8_t> bytes) {
    Reader::RecognisesContent(bytes);
};

template <typename Reader>
int ReadOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if constexpr (TestsContent<Reader>) (void)Reader::RecognisesContent(bytes);
    Reader reader;
    try {
        reader.LoadFromMemory(bytes);
    } catch (const Error&) {
        if (!reader.Empty()) __builtin_trap();
        return 0;
    } catch (const std::bad_alloc&) {
        // The loading code turns this into its out-of-memory message.
        if (!reader.Empty()) __builtin_trap();
        return 0;
    }
    if (reader.AlphaGoesOverWhite()) CompositeOverWhite(reader.MutableBitmap());
    return 0;
}

}  // namespace pictorel::fuzzing
