// Plain transcription of the resampling algorithm, each sum in its fixed order of
// evaluation. The production resampler must give identical bytes.
#pragma once

#include "imaging/Bitmap.h"

namespace pictorel::reference {

Bitmap ReferenceResample(const Bitmap& source, int width, int height);

}  // namespace pictorel::reference
