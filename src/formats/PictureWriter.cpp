#include "formats/PictureWriter.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <png.h>

#include "base/Errors.h"
#include "base/FileIo.h"
#include "formats/PictureFormats.h"

namespace pictorel {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForWriting(const std::string& path) {
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        const int error = errno;
        throw IoError("Cannot create file " + path, SystemErrorText(error), error);
    }
    return file;
}

void Finish(File& file, const std::string& path) {
    const bool failed = std::ferror(file.get()) != 0;
    if (std::fclose(file.release()) != 0 || failed) {
        // The reason is taken before the removal can change errno.
        const int error = errno;
        std::remove(path.c_str());
        throw IoError("Cannot write file " + path, error != 0 ? SystemErrorText(error) : "", error);
    }
}

// One row as R, G, B bytes.
void RgbRow(const Bitmap& bgr, int y, std::uint8_t* out) {
    const std::uint8_t* in = bgr.ScanLine(y);
    for (int x = 0; x < bgr.Width(); ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
    }
}

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::jmp_buf jump;
    std::vector<std::uint8_t> row;
    ~PngWriter() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

[[noreturn]] void PngError(png_structp png, png_const_charp) {
    std::longjmp(static_cast<PngWriter*>(png_get_error_ptr(png))->jump, 1);
}
void PngWarning(png_structp, png_const_charp) {}

// Only trivially destructible locals here: libpng may longjmp out of it.
void WriteRows(PngWriter& w, const Bitmap& bgr, std::FILE* file) {
    png_init_io(w.png, file);
    png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(bgr.Width()),
                 static_cast<png_uint_32>(bgr.Height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(w.png, w.info);
    for (int y = 0; y < bgr.Height(); ++y) {
        RgbRow(bgr, y, w.row.data());
        png_write_row(w.png, w.row.data());
    }
    png_write_end(w.png, w.info);
}

}  // namespace

void WritePng(const Bitmap& bitmap, const std::string& path) {
    const Bitmap bgr = bitmap.ToBgr24();
    File file = OpenForWriting(path);
    auto w = std::make_unique<PngWriter>();
    w->row.resize(static_cast<std::size_t>(bgr.Width()) * 3);
    w->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, w.get(), PngError, PngWarning);
    if (w->png) w->info = png_create_info_struct(w->png);
    if (!w->png || !w->info) throw OutOfResources("Not enough memory to write " + path);
    if (setjmp(w->jump)) {
        file.reset();
        std::remove(path.c_str());
        throw IoError("Cannot write file " + path);
    }
    WriteRows(*w, bgr, file.get());
    Finish(file, path);
}

void WritePpm(const Bitmap& bitmap, const std::string& path) {
    const Bitmap bgr = bitmap.ToBgr24();
    File file = OpenForWriting(path);
    std::fprintf(file.get(), "P6\n%d %d\n255\n", bgr.Width(), bgr.Height());
    std::vector<std::uint8_t> row(static_cast<std::size_t>(bgr.Width()) * 3);
    for (int y = 0; y < bgr.Height(); ++y) {
        RgbRow(bgr, y, row.data());
        std::fwrite(row.data(), 1, row.size(), file.get());
    }
    Finish(file, path);
}

void WritePicture(const Bitmap& bitmap, const std::string& path) {
    const std::string ext = FormatExtension(path);
    if (ext == "png") {
        WritePng(bitmap, path);
    } else if (ext == "ppm") {
        WritePpm(bitmap, path);
    } else {
        throw Error("Cannot write ." + ext + " files: use .png or .ppm");
    }
}

}  // namespace pictorel
