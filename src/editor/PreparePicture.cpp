#include "editor/PreparePicture.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <utility>

#include "base/Errors.h"
#include "editor/EditorModel.h"
#include "formats/LoadedPicture.h"
#include "imaging/ResampleBitmap.h"

namespace pictorel {

namespace {

// A 24-bit L x L picture filled white, padding included.
Bitmap WhiteSquare(int side) {
    Bitmap square = Bitmap::Uninitialized(side, side, PixelFormat::pf24bit);
    std::memset(square.Bits(), 0xFF, square.SizeInBytes());
    return square;
}

// Decodes the photo's rows straight into their place in the work square and
// makes the work view from each square row as it is completed: the photo is
// never held apart from the square, the white goes only where the photo is
// not, and the view is made while the rows are still in the cache.
class SquareSink : public RowSink {
  public:
    bool Accept(int width, int height, std::span<const std::uint8_t> iccProfile) override {
        // Colours under a profile are converted on the whole photo first.
        if (!iccProfile.empty()) return false;
        side_ = std::max(width, height);
        box_ = LetterboxRect(width, height);
        square_ = Bitmap::Uninitialized(side_, side_, PixelFormat::pf24bit);
        view_.emplace(side_, side_, kViewSide, kViewSide, RowResampler::Rows::KeptByCaller);
        for (int y = 0; y < box_.top; ++y) AddWhiteRow(y);
        return true;
    }

    std::uint8_t* NextRow() override {
        std::uint8_t* row = square_.ScanLine(box_.top + photoRows_);
        // The bars beside a standing photo and the row's padding are white.
        const std::size_t left = 3 * static_cast<std::size_t>(box_.left);
        const std::size_t right = 3 * static_cast<std::size_t>(box_.right);
        std::memset(row, 0xFF, left);
        std::memset(row + right, 0xFF, square_.Stride() - right);
        return row + left;
    }

    void RowDone() override {
        view_->RowInPlace(square_.ScanLine(box_.top + photoRows_));
        ++photoRows_;
    }

    PreparedPicture Finish(const std::string& path) {
        for (int y = box_.bottom; y < side_; ++y) AddWhiteRow(y);
        PreparedPicture prepared;
        prepared.path = path;
        prepared.scale = 25 * std::int64_t{side_};
        prepared.workView = view_->Finish();
        prepared.workSquare = std::move(square_);
        return prepared;
    }

  private:
    void AddWhiteRow(int y) {
        std::memset(square_.ScanLine(y), 0xFF, square_.Stride());
        view_->RowInPlace(square_.ScanLine(y));
    }

    int side_ = 0;
    Rect box_;
    Bitmap square_;
    std::optional<RowResampler> view_;
    int photoRows_ = 0;
};

}  // namespace

PreparedPicture PreparePictureOrThrow(const std::string& path) {
    LoadedPicture picture;
    SquareSink sink;
    if (LoadPictureRows(picture, path, sink, ProfileConversion::AtLoad)) return sink.Finish(path);
    if (picture.Empty()) throw InvalidPicture("empty picture");

    const int width = picture.Width();
    const int height = picture.Height();
    const std::int64_t side = std::max(width, height);
    PreparedPicture prepared;
    prepared.path = path;
    prepared.scale = 25 * side;

    {
        // The decoded photo lives only until it is copied into the square.
        const Bitmap source = picture.TakeBgr24();
        const Rect box = LetterboxRect(width, height);
        prepared.workSquare = WhiteSquare(static_cast<int>(side));
        prepared.workSquare.CopyRect(box.left, box.top, source, Rect{0, 0, width, height});
    }
    picture.Clear();
    prepared.workView = ResampleBitmap(prepared.workSquare, kViewSide, kViewSide);
    return prepared;
}

PreparedPicture PreparePicture(const std::string& path) noexcept {
    try {
        return PreparePictureOrThrow(path);
    } catch (...) {
        PreparedPicture failed;
        failed.failed = true;
        try {
            failed.path = path;
        } catch (...) {
            // Without its path the mark matches no file and the file is loaded at its turn.
        }
        return failed;
    }
}

}  // namespace pictorel
