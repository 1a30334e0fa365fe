#include "workflow/ShrinkPhoto.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <new>
#include <optional>
#include <utility>

#include "base/Errors.h"
#include "formats/ColourProfile.h"
#include "formats/LoadFailure.h"
#include "formats/LoadedPicture.h"
#include "imaging/Extended.h"
#include "imaging/MemoryBudget.h"
#include "imaging/ResampleBitmap.h"

namespace pictorel {

namespace {

constexpr std::int64_t kScaleOne = 10000;

// Reduces the rows of a photo as they are decoded: the photo is never held
// whole, and its rows are reduced while they are still in the cache.
class ReducingSink : public RowSink {
  public:
    explicit ReducingSink(const OutputSize& size) : size_(size) {}

    // Only upright rows: a turned photo's upright rows are the file's
    // columns. The profile is applied to the reduced picture.
    bool Accept(const RowPicture& picture, MemoryBudget::Reservation& decoderShare) override {
        if (picture.orientation != 1) return false;
        source_ = {picture.width, picture.height};
        const Size target = TargetSizeFor(size_, picture.width, picture.height);
        const RowResampler::Rows rows = RowResampler::Rows::Copied;
        MemoryBudget::Reservation pool = MemoryBudget::Process().Reserve(
            RowResampler::ReservedBytes(picture.width, picture.height, target.width, target.height,
                                        rows) +
                picture.decoderBytes,
            "JPEG picture");
        resampler_.emplace(picture.width, picture.height, target.width, target.height, rows, pool);
        decoderShare = std::move(pool);
        return true;
    }
    std::uint8_t* NextRow() override { return resampler_->NextRow(); }
    void RowDone() override { resampler_->RowDone(); }
    Bitmap Finish() { return resampler_->Finish(); }
    Size Source() const { return source_; }

  private:
    const OutputSize& size_;
    Size source_;
    std::optional<RowResampler> resampler_;
};

ReducedPhoto LoadAndReduce(const std::string& path, const OutputSize& size) {
    LoadedPicture picture;
    ReducingSink sink(size);
    ReducedPhoto reduced;
    if (LoadPictureRows(picture, path, sink, ProfileConversion::ByCaller)) {
        reduced.picture = sink.Finish();
        reduced.source = sink.Source();
    } else {
        if (picture.Empty()) throw InvalidPicture("empty picture");
        const Bitmap source = picture.TakeBgr24();
        reduced.source = {source.Width(), source.Height()};
        const Size target = TargetSizeFor(size, source.Width(), source.Height());
        reduced.picture = ResampleBitmap(source, target.width, target.height);
    }
    // An embedded colour profile is converted on the reduced picture: far
    // fewer pixels, and within a level on average of converting first.
    ConvertToSrgb(reduced.picture, picture.IccProfile());
    return reduced;
}

}  // namespace

std::int64_t AutoScaleFor(std::int64_t longerSide) {
    return ScaleFor(longerSide, kPublishMaxSide);
}

std::int64_t ScaleFor(std::int64_t side, int maxSide) {
    if (side <= maxSide) return kScaleOne;
    const Extended exact = static_cast<Extended>(side) * kScaleOne / maxSide;
    return static_cast<std::int64_t>(NearbyInt(exact));
}

Size AutoTargetSize(int width, int height) {
    return TargetSizeFor(DefaultOutputSize(), width, height);
}

Size TargetSizeFor(const OutputSize& size, int width, int height) {
    std::int64_t raw = kScaleOne;
    if (size.maxSide > 0) raw = ScaleFor(std::max(width, height), size.maxSide);
    if (size.HasBox())
        raw = std::max({raw, ScaleFor(width, size.boxWidth), ScaleFor(height, size.boxHeight)});
    // A side that would round down to nothing keeps one pixel instead of
    // making the resampler refuse the whole picture.
    const auto side = [raw](int n) {
        return static_cast<int>(std::max<std::int64_t>(1, std::int64_t{n} * kScaleOne / raw));
    };
    return {side(width), side(height)};
}

Bitmap ShrinkForPublishing(const std::string& path) {
    return ReduceForPublishing(path, DefaultOutputSize()).picture;
}

Bitmap ShrinkForPublishing(const std::string& path, const OutputSize& size) {
    return ReduceForPublishing(path, size).picture;
}

ReducedPhoto ReduceForPublishing(const std::string& path, const OutputSize& size) {
    // Out of memory included, every failure refuses the photo, never half
    // written. The user's text stays the same for all of them; the cause
    // tells a missing file from a broken one or a budget refusal.
    std::string cause;
    try {
        return LoadAndReduce(path, size);
    } catch (const UnreadableFile& e) {
        // The box names the file already: the system's reason says the rest.
        cause = e.Cause().empty() ? e.what() : e.Cause();
    } catch (const Error& e) {
        // The reader's or the budget's message, then the library's below it.
        cause = e.Cause().empty() ? e.what() : std::string(e.what()) + "\n" + e.Cause();
    } catch (const std::bad_alloc&) {
        cause = "out of memory";
    } catch (const std::exception& e) {
        cause = e.what();
    }
    throw InvalidPicture(LoadFailedMessage(path), std::move(cause));
}

}  // namespace pictorel
