// A user's output size in one call, for the tests of sizes and capped runs.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "workflow/OutputSize.h"

namespace pictorel::test {

inline OutputSize Named(std::string name, int side, int quality, std::optional<int> capKb) {
    OutputSize size;
    size.name = std::move(name);
    size.maxSide = side;
    size.quality = quality;
    size.capKb = capKb;
    return size;
}

}  // namespace pictorel::test
