// Helpers for reader tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>

#include "base/Errors.h"

namespace pictorel::test {

// The load error of `Reader` on `bytes` (empty, with a test failure, when the
// load succeeds); the reader must hold nothing afterwards.
template <class Reader>
std::string LoadError(std::span<const std::uint8_t> bytes) {
    Reader reader;
    try {
        reader.LoadFromMemory(bytes);
    } catch (const InvalidPicture& e) {
        EXPECT_TRUE(reader.Empty());
        return e.what();
    }
    ADD_FAILURE() << "load succeeded";
    return {};
}

}  // namespace pictorel::test
