// Resampling to any size: every size change of the program (the published
// photo, the editor's work square and view, the CLI's resize).
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/Bitmap.h"
#include "imaging/MemoryBudget.h"

namespace pictorel {

// A new 24-bit picture of exactly width x height, the mean of the source's
// bilinear surface over each destination pixel's footprint.
// Throws AssertionFailure for an empty source, DivisionByZero for a 0 target side.
Bitmap ResampleBitmap(const Bitmap& source, int width, int height);

// The loops ResampleBitmap runs: compiled for a vector unit of this x86
// processor, or the portable ones (other processors, PICTOREL_SCALAR_ONLY).
// Every choice gives the same bytes.
enum class VectorUnit { Portable, Avx2, Avx512 };
VectorUnit ResampleVectorUnit();

// The same resampling of a 24-bit picture whose rows arrive one at a time,
// top to bottom, as a decoder delivers them: each result row is made as
// soon as its source rows are in, and only those few rows are kept, so a
// large photo is reduced without ever being held whole. The result has the
// bytes ResampleBitmap gives for the whole picture.
class RowResampler {
  public:
    // Where the source rows are kept: copied into the resampler's own few
    // rows (NextRow, RowDone), or left where the caller keeps them until
    // Finish (RowInPlace), nothing copied.
    enum class Rows { Copied, KeptByCaller };
    // Reserves the kept rows and the result in the memory budget.
    // Throws as ResampleBitmap does for empty or zero sizes.
    RowResampler(int sourceWidth, int sourceHeight, int width, int height,
                 Rows rows = Rows::Copied);
    // The same, taking ReservedBytes() out of `pool`, which the caller
    // reserved together with its other buffers (a decoder's work arrays) in
    // one request.
    RowResampler(int sourceWidth, int sourceHeight, int width, int height, Rows rows,
                 MemoryBudget::Reservation& pool);
    // What the resampler of these sizes keeps: its rows and the result.
    static std::uint64_t ReservedBytes(int sourceWidth, int sourceHeight, int width, int height,
                                       Rows rows = Rows::Copied);
    ~RowResampler();
    RowResampler(const RowResampler&) = delete;
    RowResampler& operator=(const RowResampler&) = delete;

    // Where the next source row's 3 x sourceWidth bytes of BGR go.
    std::uint8_t* NextRow();
    // Takes the row written at NextRow() and makes the result rows it completes.
    void RowDone();
    // Takes the next source row where it is (Rows::KeptByCaller).
    void RowInPlace(const std::uint8_t* row);
    int RowsDone() const;
    // The result, once every source row is done (AssertionFailure before).
    Bitmap Finish();

  private:
    struct State;
    void Build(int sourceWidth, int sourceHeight, Rows rows, MemoryBudget::Reservation& pool);
    std::unique_ptr<State> state_;
};

}  // namespace pictorel
