// The file-size cap over a set of photos: how many JPEG encodes the search
// needs per photo on average, for caps of 50, 100 and 300 KB, and the time
// a capped shrink takes. The photos are every file the corpus manifest says
// decodes, or the files of $PICTOREL_SIZECAP_PHOTOS when set.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "workflow/OrderedShrinkPipeline.h"
#include "workflow/OutputSize.h"

namespace {

using namespace pictorel;
namespace fs = std::filesystem;

fs::path Corpus() {
    if (const char* dir = std::getenv("PICTOREL_TESTDATA")) return dir;
    return fs::path(__FILE__).parent_path() / "../../shared/testdata";
}

std::vector<std::string> Photos() {
    std::vector<std::string> photos;
    if (const char* dir = std::getenv("PICTOREL_SIZECAP_PHOTOS")) {
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file()) photos.push_back(entry.path().string());
        std::sort(photos.begin(), photos.end());
        return photos;
    }
    std::ifstream manifest(Corpus() / "manifest.tsv");
    std::string line;
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        std::string path, format, expect;
        std::getline(fields, path, '\t');
        std::getline(fields, format, '\t');
        std::getline(fields, expect, '\t');
        if (expect == "decodes") photos.push_back((Corpus() / path).string());
    }
    return photos;
}

void BM_CapSearch(benchmark::State& state) {
    const std::vector<std::string> photos = Photos();
    if (photos.empty()) {
        state.SkipWithError("no photos: corpus not found");
        return;
    }
    OutputSize size = DefaultOutputSize();
    size.capKb = static_cast<int>(state.range(0));
    double encodes = 0, lowered = 0, loweredEncodes = 0, overCap = 0, failed = 0, overBudget = 0;
    // PICTOREL_SIZECAP_VERBOSE=1 tells each lowered photo on standard error.
    const bool verbose = std::getenv("PICTOREL_SIZECAP_VERBOSE") != nullptr;
    for (auto _ : state) {
        encodes = lowered = loweredEncodes = overCap = failed = overBudget = 0;
        for (const std::string& photo : photos) {
            const ShrunkPhoto result = ShrinkAndEncode(photo, size);
            if (result.failure) {
                ++failed;
                continue;
            }
            encodes += result.encodes;
            if (result.encodes > 1) {
                ++lowered;
                loweredEncodes += result.encodes;
            }
            if (result.overCap) ++overCap;
            if (verbose && result.encodes > 1) {
                std::string line = photo + ": " + std::to_string(result.encodes) + " encodes,";
                for (const std::string& text : result.lowerings) line += " " + text;
                std::fprintf(stderr, "%s\n", line.c_str());
            }
            if (!result.overCap && result.jpeg.size() > std::size_t(*size.capKb) * kBytesPerKb)
                ++overBudget;
        }
    }
    const double counted = static_cast<double>(photos.size()) - failed;
    state.counters["photos"] = counted;
    state.counters["encodes_per_photo"] = encodes / counted;
    state.counters["lowered"] = lowered;
    state.counters["encodes_per_lowered"] = lowered > 0 ? loweredEncodes / lowered : 0;
    state.counters["over_cap"] = overCap;
    state.counters["cap_broken"] = overBudget;
}
BENCHMARK(BM_CapSearch)->Arg(50)->Arg(100)->Arg(300)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
