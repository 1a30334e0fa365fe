#include "editor/PreparePicture.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <system_error>
#include <thread>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

#include "base/Errors.h"
#include "base/Threads.h"
#include "editor/EditorModel.h"
#include "formats/ColourProfile.h"
#include "formats/LoadedPicture.h"
#include "imaging/BitmapUtils.h"
#include "imaging/MemoryBudget.h"
#include "imaging/ResampleBitmap.h"

namespace pictorel {

namespace {

// A 24-bit L x L picture filled white, padding included.
Bitmap WhiteSquare(int side) {
    Bitmap square = Bitmap::Uninitialized(side, side, PixelFormat::Bgr24);
    std::memset(square.Bits(), 0xFF, square.SizeInBytes());
    return square;
}

// Has the kernel give the pages of [begin, end) their memory now, without
// writing to them: another thread may be writing pixels there. Fresh memory
// is slow to come by on some machines (on a virtual machine the host backs
// each page on first touch); done on a second core, it is no longer waited
// for by the decoder. Where the kernel cannot, the first write does it.
void PopulatePages(std::uint8_t* begin, std::uint8_t* end) {
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(begin) + page - 1) / page * page;
    const std::uintptr_t last = reinterpret_cast<std::uintptr_t>(end) / page * page;
#ifdef MADV_POPULATE_WRITE  // Linux 5.14 on; elsewhere (WebAssembly) the first write does it
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
    (void)first;
    (void)last;
#endif
}

// Where the photo goes in the square as stored, so that the turn its EXIF
// orientation asks for brings it to `upright`, its place in the work square:
// the clockwise quarter turn (6) takes (x, y) to (n - 1 - y, x), the other
// one (8) to (y, n - 1 - x), the half turn (3) to (n - 1 - x, n - 1 - y).
Rect StoredPlace(const Rect& upright, int storedWidth, int storedHeight, int side,
                 int orientation) {
    int left = upright.left;
    int top = upright.top;
    switch (orientation) {
        case 6:  // turned clockwise to stand upright
            left = upright.top;
            top = side - storedHeight - upright.left;
            break;
        case 8:  // turned the other way
            left = side - storedWidth - upright.top;
            top = upright.left;
            break;
        case 3:  // turned half round
            left = side - storedWidth - upright.left;
            top = side - storedHeight - upright.top;
            break;
        default:
            break;
    }
    return {left, top, left + storedWidth, top + storedHeight};
}

// Decodes the photo's rows straight into the work square and, for an upright
// photo, makes the work view from each square row as it is completed: the
// photo is never held apart from the square, the white goes only where the
// photo is not, and the view is made while the rows are still in the cache.
// A photo stored turned (EXIF orientation 3, 6 or 8) is placed so that
// turning the whole square in place brings it upright and centred; its view
// is made after the turn. A second thread paints the bars above and below
// the photo white and brings in the photo's pages while the decoder works.
class SquareSink : public RowSink {
  public:
    bool Accept(const RowPicture& picture, MemoryBudget::Reservation& decoderShare) override {
        orientation_ = picture.orientation;
        // Mirrored photos (2, 4, 5, 7) are loaded whole.
        if (orientation_ != 1 && orientation_ != 3 && orientation_ != 6 && orientation_ != 8)
            return false;
        // Colours under a profile are converted to sRGB row by row.
        converter_ = RgbRowConverter::Create(picture.iccProfile);
        width_ = picture.width;
        side_ = std::max(picture.width, picture.height);
        const bool standsUp = orientation_ == 6 || orientation_ == 8;
        const Rect upright = standsUp ? LetterboxRect(picture.height, picture.width)
                                      : LetterboxRect(picture.width, picture.height);
        box_ = StoredPlace(upright, picture.width, picture.height, side_, orientation_);
        // The square, the view and the decoder's arrays in one request: a
        // second one would not wait for the budget, this thread holding some.
        const RowResampler::Rows viewRows = RowResampler::Rows::KeptByCaller;
        const std::uint64_t viewBytes =
            orientation_ == 1
                ? RowResampler::ReservedBytes(side_, side_, kViewSide, kViewSide, viewRows)
                : 0;
        MemoryBudget::Reservation pool = MemoryBudget::Process().Reserve(
            RowStride(side_, PixelFormat::Bgr24) * std::uint64_t(side_) + viewBytes +
                picture.decoderBytes,
            "JPEG picture");
        square_ = Bitmap::Uninitialized(side_, side_, PixelFormat::Bgr24, pool);
        if (orientation_ == 1) view_.emplace(side_, side_, kViewSide, kViewSide, viewRows, pool);
        decoderShare = std::move(pool);
        try {
            filler_ = JoiningThread([this] { FillBars(); });
        } catch (const std::system_error&) {
            FillBars();  // no thread to spare: the bars are painted here first
        }
        return true;
    }

    std::uint8_t* NextRow() override {
        std::uint8_t* row = square_.ScanLine(box_.top + photoRows_);
        // The bars beside the photo and the row's padding are white.
        const std::size_t left = 3 * static_cast<std::size_t>(box_.left);
        const std::size_t right = 3 * static_cast<std::size_t>(box_.right);
        std::memset(row, 0xFF, left);
        std::memset(row + right, 0xFF, square_.Stride() - right);
        return row + left;
    }

    void RowDone() override {
        if (converter_) {
            const int y = box_.top + photoRows_;
            converter_->ConvertRow(square_.ScanLine(y) + 3 * std::size_t(box_.left), width_);
        }
        ++photoRows_;
        // The view takes the square's rows in order: the photo's rows once
        // the bar above it is white.
        if (view_ && topBarWhite_.load(std::memory_order_acquire)) FeedView(box_.top + photoRows_);
    }

    PreparedPicture Finish(const std::string& path) {
        filler_.Join();
        PreparedPicture prepared;
        if (view_) {
            FeedView(side_);
            prepared.workView = view_->Finish();
        } else {
            TurnUpright();
            prepared.workView = ResampleBitmap(square_, kViewSide, kViewSide);
        }
        prepared.path = path;
        prepared.scale = 25 * std::int64_t{side_};
        prepared.workSquare = std::move(square_);
        return prepared;
    }

  private:
    // Runs beside the decoder, which writes only the photo's rows.
    void FillBars() {
        const std::size_t stride = square_.Stride();
        std::uint8_t* const bits = square_.Bits();
        std::memset(bits, 0xFF, stride * box_.top);
        topBarWhite_.store(true, std::memory_order_release);
        PopulatePages(bits + stride * box_.top, bits + stride * box_.bottom);
        std::memset(bits + stride * box_.bottom, 0xFF,
                    stride * static_cast<std::size_t>(side_ - box_.bottom));
    }

    void TurnUpright() {
        if (orientation_ == 8) {
            TurnSquareInPlace(square_, TurnDirection::CounterClockwise);
        } else {
            TurnSquareInPlace(square_);
            if (orientation_ == 3) TurnSquareInPlace(square_);
        }
        // A turn clears the bytes after each row's last pixel; the square
        // keeps them white.
        const std::size_t used = 3 * static_cast<std::size_t>(side_);
        for (int y = 0; y < side_; ++y)
            std::memset(square_.ScanLine(y) + used, 0xFF, square_.Stride() - used);
    }

    // Hands the square's rows up to `end` (not included) to the view.
    void FeedView(int end) {
        for (; viewRows_ < end; ++viewRows_) view_->RowInPlace(square_.ScanLine(viewRows_));
    }

    int orientation_ = 1;
    int side_ = 0;
    int width_ = 0;
    Rect box_;  // the stored photo's place in the square
    std::unique_ptr<RgbRowConverter> converter_;
    Bitmap square_;
    std::optional<RowResampler> view_;
    int photoRows_ = 0;
    int viewRows_ = 0;
    std::atomic<bool> topBarWhite_{false};
    // Last, so that it is joined before the square goes.
    JoiningThread filler_;
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
        // Whatever failed is handed over whole, to be reported where it is shown.
        PreparedPicture failed;
        failed.error = std::current_exception();
        try {
            failed.path = path;
        } catch (const std::bad_alloc&) {
            // Without its path the failure matches no file, and the file is
            // loaded again at its turn, where the same failure is reported.
        }
        return failed;
    }
}

}  // namespace pictorel
