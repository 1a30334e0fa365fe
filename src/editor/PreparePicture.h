// Loading a photo for the editor: the slow part of opening it, which may run
// ahead of its turn on another thread.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "imaging/Bitmap.h"

namespace pictorel {

// A picture loaded for the editor, possibly on another thread: the work
// square and its work view, or the error of a failed load, kept whole so that
// the thread that shows the picture reports its cause.
struct PreparedPicture {
    std::string path;
    std::exception_ptr error;
    std::int64_t scale = 0;
    Bitmap workSquare;
    Bitmap workView;
};

// Decodes `path`, places the photo in its work square (centred in white at
// full resolution) and makes the work view. Throws on any failure.
PreparedPicture PreparePictureOrThrow(const std::string& path);

// The same, safe on any thread and never throwing: any failure, running out
// of memory included, is kept in `error`. The pictures are counted in the
// memory budget as held by the calling thread until the editor adopts them.
PreparedPicture PreparePicture(const std::string& path) noexcept;

}  // namespace pictorel
