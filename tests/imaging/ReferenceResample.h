// Plain transcription of the resampling algorithm, in its documented order of
// evaluation. The production resampler must give identical bytes.
#pragma once

#include "imaging/Bitmap.h"

namespace pictorel::reference {

Bitmap ReferenceResample(const Bitmap& source, int width, int height);

}  // namespace pictorel::reference
