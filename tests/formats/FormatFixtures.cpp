#include "FormatFixtures.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace pictorel::test {

Color Pattern(int x, int y) {
    return {static_cast<std::uint8_t>(x * 37 + y * 3), static_cast<std::uint8_t>(y * 41 + 7),
            static_cast<std::uint8_t>((x ^ y) * 29)};
}

std::vector<std::uint8_t> MakeJpeg(int width, int height, const Pixels& pixels, int orientation,
                                   bool grey, bool progressive) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    for (int c = 0; c < cinfo.num_components; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (orientation != 0) {
        // "Exif\0\0", big-endian TIFF header, IFD0 with the one Orientation entry.
        const std::uint8_t app1[] = {'E',  'x',
                                     'i',  'f',
                                     0,    0,
                                     'M',  'M',
                                     0,    42,
                                     0,    0,
                                     0,    8,
                                     0,    1,
                                     0x01, 0x12,
                                     0,    3,
                                     0,    0,
                                     0,    1,
                                     0,    static_cast<std::uint8_t>(orientation),
                                     0,    0,
                                     0,    0,
                                     0,    0};
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, app1, sizeof app1);
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Color c = pixels(x, y);
            if (grey) {
                row[static_cast<std::size_t>(x)] = c.g;
            } else {
                row[static_cast<std::size_t>(x) * 3] = c.r;
                row[static_cast<std::size_t>(x) * 3 + 1] = c.g;
                row[static_cast<std::size_t>(x) * 3 + 2] = c.b;
            }
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

namespace {

void AppendPng(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

std::vector<std::uint8_t> MakePng(int width, int height, int depth, int colorType,
                                  const std::uint8_t* rows, std::size_t rowBytes,
                                  std::uint32_t gama) {
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("png fixture");
    }
    png_set_write_fn(png, &out, AppendPng, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 depth, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (gama) png_set_gAMA_fixed(png, info, static_cast<png_fixed_point>(gama));
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, const_cast<png_bytep>(rows + static_cast<std::size_t>(y) * rowBytes));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace

std::vector<std::uint8_t> MakePng16(int width, int height,
                                    const std::vector<std::uint16_t>& samples, std::uint32_t gama) {
    std::vector<std::uint8_t> bytes;
    for (std::uint16_t v : samples) {  // PNG stores 16-bit samples big-endian
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
        bytes.push_back(static_cast<std::uint8_t>(v & 255));
    }
    return MakePng(width, height, 16, PNG_COLOR_TYPE_RGB, bytes.data(),
                   static_cast<std::size_t>(width) * 6, gama);
}

std::vector<std::uint8_t> MakePng8(int width, int height, const std::vector<std::uint8_t>& samples,
                                   bool grey, std::uint32_t gama) {
    return MakePng(width, height, 8, grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB,
                   samples.data(), static_cast<std::size_t>(width) * (grey ? 1 : 3), gama);
}

std::vector<std::uint8_t> MakePngRgba8(int width, int height,
                                       const std::vector<std::uint8_t>& samples) {
    return MakePng(width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, samples.data(),
                   static_cast<std::size_t>(width) * 4, 0);
}

namespace {

int AppendGif(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct MapFree {
    void operator()(ColorMapObject* m) const { GifFreeMapObject(m); }
};

std::unique_ptr<ColorMapObject, MapFree> MakeMap(const std::vector<Color>& table) {
    std::vector<GifColorType> colors;
    for (const Color& c : table) colors.push_back({c.r, c.g, c.b});
    return std::unique_ptr<ColorMapObject, MapFree>(
        GifMakeMapObject(static_cast<int>(colors.size()), colors.data()));
}

}  // namespace

std::vector<std::uint8_t> MakeGif(int screenWidth, int screenHeight,
                                  const std::vector<Color>& globalTable,
                                  const std::vector<GifFrame>& frames, bool trailer) {
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendGif, &error);
    if (!gif) throw std::runtime_error("gif fixture");
    auto global = MakeMap(globalTable);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, 0, global.get());
    for (const GifFrame& f : frames) {
        auto local = f.localTable.empty() ? nullptr : MakeMap(f.localTable);
        EGifPutImageDesc(gif, 0, 0, f.width, f.height, f.interlaced, local.get());
        std::vector<int> order;
        if (f.interlaced) {
            const int start[4] = {0, 4, 2, 1};
            const int step[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass) {
                for (int y = start[pass]; y < f.height; y += step[pass]) order.push_back(y);
            }
        } else {
            for (int y = 0; y < f.height; ++y) order.push_back(y);
        }
        for (int y : order) {
            std::vector<GifPixelType> line(f.indices.begin() + y * f.width,
                                           f.indices.begin() + (y + 1) * f.width);
            EGifPutLine(gif, line.data(), f.width);
        }
    }
    EGifCloseFile(gif, &error);  // writes the trailer byte 0x3B
    if (!trailer && !out.empty() && out.back() == 0x3B) out.pop_back();
    return out;
}

void MakeTiff(const std::filesystem::path& path, int width, int height, int channels, int bits,
              const std::vector<std::uint16_t>& samples, int orientation,
              const std::vector<std::uint8_t>& iccProfile) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) throw std::runtime_error("tiff fixture");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, channels);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 channels >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, orientation);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    if (!iccProfile.empty()) {
        TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(iccProfile.size()),
                     iccProfile.data());
    }
    const std::size_t perRow = static_cast<std::size_t>(width) * channels;
    std::vector<std::uint8_t> row(perRow * (bits / 8));
    for (int y = 0; y < height; ++y) {
        for (std::size_t i = 0; i < perRow; ++i) {
            const std::uint16_t v = samples[static_cast<std::size_t>(y) * perRow + i];
            if (bits == 8) {
                row[i] = static_cast<std::uint8_t>(v);
            } else {
                std::memcpy(row.data() + 2 * i, &v, 2);
            }
        }
        TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0);
    }
    TIFFClose(tif);
}

}  // namespace pictorel::test
