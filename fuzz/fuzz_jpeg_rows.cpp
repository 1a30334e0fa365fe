// The JPEG reader's rows, reduced as they come as the shrink step reduces
// them, against the whole picture reduced afterwards: every input either
// fails both ways or gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <span>

#include "base/Errors.h"
#include "formats/JpegReader.h"
#include "imaging/ResampleBitmap.h"

namespace {

using namespace pictorel;

// A reduction to about a sixth of each side, as a stand-in for the
// published size: small enough to be fast, large enough to read many rows.
int Reduced(int side) {
    return side / 6 > 0 ? side / 6 : 1;
}

class ReducingSink : public RowSink {
  public:
    // The reader reserves its coefficient arrays itself when the sink does not.
    bool Accept(const RowPicture& picture, MemoryBudget::Reservation& /*decoderShare*/) override {
        if (picture.orientation != 1) return false;
        resampler.emplace(picture.width, picture.height, Reduced(picture.width),
                          Reduced(picture.height));
        return true;
    }
    std::uint8_t* NextRow() override { return resampler->NextRow(); }
    void RowDone() override { resampler->RowDone(); }
    std::optional<RowResampler> resampler;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    bool delivered = false;
    bool rowsFailed = false;
    Bitmap fromRows;
    try {
        JpegReader reader;
        ReducingSink sink;
        std::vector<std::uint8_t> profile;
        delivered = reader.DeliverRows(bytes, sink, profile);
        if (delivered) fromRows = sink.resampler->Finish();
    } catch (const Error&) {
        rowsFailed = true;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    DecodedPicture whole;
    try {
        whole = JpegReader().Decode(bytes);
        TurnUpright(whole);
    } catch (const Error&) {
        if (!rowsFailed) __builtin_trap();  // the rows came from a file the reader refuses
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (rowsFailed) __builtin_trap();  // the rows failed where the whole picture loads
    if (!delivered) return 0;
    const Bitmap expected =
        ResampleBitmap(whole.bitmap, Reduced(whole.bitmap.Width()), Reduced(whole.bitmap.Height()));
    if (!(expected == fromRows)) __builtin_trap();
    return 0;
}
