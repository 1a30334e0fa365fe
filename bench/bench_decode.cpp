// Decoding the corpus photos: LoadPicture (file read, content test, JPEG
// reader, orientation) against a bare libjpeg decode of the same bytes.
#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "formats/LoadedPicture.h"

namespace {

namespace fs = std::filesystem;

fs::path Photo(const char* name) {
    const fs::path base = std::getenv("PICTOREL_TESTDATA")
                              ? fs::path(std::getenv("PICTOREL_TESTDATA"))
                              : fs::path(__FILE__).parent_path() / "../../shared/testdata";
    return base / "jpeg" / name;
}

const char* const kPhotos[] = {"photo_3872x2403.jpg", "photo_jolla_3264x2448.jpg",
                               "photo_nokia_4608x1976.jpg", "photo_samsung_4032x2012.jpg"};

void BM_LoadPicture(benchmark::State& state) {
    const fs::path path = Photo(kPhotos[state.range(0)]);
    if (!fs::exists(path)) {
        state.SkipWithError("corpus not found");
        return;
    }
    for (auto _ : state) {
        pictorel::LoadedPicture picture;
        pictorel::LoadPicture(picture, path.string());
        benchmark::DoNotOptimize(picture.Width());
    }
    state.SetLabel(kPhotos[state.range(0)]);
}
BENCHMARK(BM_LoadPicture)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The floor: libjpeg alone into one preallocated BGR buffer, data in memory.
void BM_BareLibjpeg(benchmark::State& state) {
    const fs::path path = Photo(kPhotos[state.range(0)]);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        state.SkipWithError("corpus not found");
        return;
    }
    const std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), {});
    std::vector<unsigned char> pixels;
    std::vector<JSAMPROW> rows;
    for (auto _ : state) {
        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, data.data(), data.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&cinfo);
        const std::size_t stride = (cinfo.output_width * 3 + 3) & ~std::size_t{3};
        pixels.resize(stride * cinfo.output_height);
        rows.resize(cinfo.output_height);
        for (JDIMENSION y = 0; y < cinfo.output_height; ++y) rows[y] = &pixels[y * stride];
        while (cinfo.output_scanline < cinfo.output_height) {
            jpeg_read_scanlines(&cinfo, rows.data() + cinfo.output_scanline,
                                cinfo.output_height - cinfo.output_scanline);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetLabel(kPhotos[state.range(0)]);
}
BENCHMARK(BM_BareLibjpeg)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
