// The editor's load of a JPEG photo straight into its work square gives the
// square and view of loading the whole photo first.
#include "editor/PreparePicture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "editor/EditorModel.h"
#include "formats/LoadedPicture.h"
#include "imaging/ResampleBitmap.h"
#include "support/TestFiles.h"

namespace pictorel::test {
namespace {

// Loading the whole photo, then copying it into a white square.
PreparedPicture PrepareWhole(const std::string& path) {
    LoadedPicture picture;
    LoadPicture(picture, path);
    const Bitmap photo = picture.TakeBgr24();
    const int side = std::max(photo.Width(), photo.Height());
    PreparedPicture prepared;
    prepared.scale = 25 * std::int64_t{side};
    prepared.workSquare = Bitmap::Uninitialized(side, side, PixelFormat::Bgr24);
    std::memset(prepared.workSquare.Bits(), 0xFF, prepared.workSquare.SizeInBytes());
    const Rect box = LetterboxRect(photo.Width(), photo.Height());
    prepared.workSquare.CopyRect(box.left, box.top, photo,
                                 Rect{0, 0, photo.Width(), photo.Height()});
    prepared.workView = ResampleBitmap(prepared.workSquare, kViewSide, kViewSide);
    return prepared;
}

bool SameBytes(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Stride() != b.Stride())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), a.Stride()) != 0) return false;
    return true;
}

// Every JPEG of the corpus: upright ones standing and lying, progressive,
// truncated and corrupt scans, with colour profiles (converted row by row),
// and those loaded whole (turned, grey, CMYK); padding bytes included.
TEST(PreparePicture, JpegPhotosGiveTheSquareAndViewOfTheWholePhoto) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    int compared = 0;
    for (const std::string& path : CorpusJpegFiles(corpus)) {
        SCOPED_TRACE(path);
        PreparedPicture whole;
        try {
            whole = PrepareWhole(path);
        } catch (const Error&) {
            EXPECT_THROW(PreparePictureOrThrow(path), Error);
            continue;
        }
        const PreparedPicture prepared = PreparePictureOrThrow(path);
        EXPECT_EQ(prepared.path, path);
        EXPECT_EQ(prepared.scale, whole.scale);
        EXPECT_TRUE(SameBytes(prepared.workSquare, whole.workSquare));
        EXPECT_TRUE(SameBytes(prepared.workView, whole.workView));
        ++compared;
    }
    EXPECT_GE(compared, 25);
}

}  // namespace
}  // namespace pictorel::test
