// Where the benchmarks find the picture corpus: $PICTOREL_TESTDATA, else the
// shared corpus beside the checkout.
#pragma once

#include <cstdlib>
#include <filesystem>

namespace pictorel::bench {

inline std::filesystem::path CorpusFile(const char* relative) {
    if (const char* dir = std::getenv("PICTOREL_TESTDATA"))
        return std::filesystem::path(dir) / relative;
    return std::filesystem::path(__FILE__).parent_path() / "../../shared/testdata" / relative;
}

// The 3872 x 2403 camera photo most benchmarks work on.
inline std::filesystem::path CorpusPhoto() {
    return CorpusFile("jpeg/photo_3872x2403.jpg");
}

}  // namespace pictorel::bench
