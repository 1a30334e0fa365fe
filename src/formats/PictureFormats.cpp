#include "formats/PictureFormats.h"

#include <sys/stat.h>

#include "base/PathText.h"
#include "formats/BmpReader.h"
#include "formats/EpsReader.h"
#include "formats/GifReader.h"
#include "formats/HeifReader.h"
#include "formats/JpegReader.h"
#include "formats/PngReader.h"
#include "formats/PsdReader.h"
#include "formats/TiffReader.h"
#include "formats/WebpReader.h"
#include "imaging/MemoryBudget.h"

namespace pictorel {

namespace {

// One line per format. The signatures of the formats claimed by content do
// not overlap, so their order only sets the order of the open dialog's
// filter; today's phone and web formats come last there.
constexpr std::array kFormats = {
    &kBmpFormat, &kJpegFormat, &kGifFormat,  &kTiffFormat, &kPsdFormat,
    &kPngFormat, &kEpsFormat,  &kHeifFormat, &kWebpFormat,
};

bool Contains(std::span<const std::string_view> list, std::string_view item) {
    for (const std::string_view entry : list)
        if (entry == item) return true;
    return false;
}

}  // namespace

std::span<const PictureFormat* const> PictureFormats() {
    return kFormats;
}

const PictureFormat* FormatByContent(std::span<const std::uint8_t> data) {
    for (const PictureFormat* format : kFormats) {
        if (format->recognisesContent && format->recognisesContent(data)) return format;
    }
    return nullptr;
}

const PictureFormat* FormatByContent(const std::string& path) {
    // The whole file is held while the formats look at it; its size is
    // reserved before it is read, so that a large file waits for room like
    // a picture does. A path that is no regular file, or a file larger than
    // the whole budget, is refused by the read with its own message.
    MemoryBudget& budget = MemoryBudget::Process();
    MemoryBudget::Reservation held;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<std::uint64_t>(info.st_size) <= budget.Capacity()) {
        held = budget.Reserve(static_cast<std::uint64_t>(info.st_size), path.c_str());
    }
    const std::vector<std::uint8_t> data = ReadPictureFile(path);
    // A file that grew meanwhile: the rest is counted too.
    MemoryBudget::Reservation growth;
    if (data.size() > held.Bytes())
        growth = budget.Reserve(data.size() - held.Bytes(), path.c_str());
    return FormatByContent(data);
}

const PictureFormat* FormatByExtension(std::string_view extension) {
    const std::string lower = AsciiLower(std::string(extension));
    for (const PictureFormat* format : kFormats) {
        if (Contains(format->extensions, lower) || Contains(format->readOnlyExtensions, lower))
            return format;
    }
    return nullptr;
}

std::string FormatExtension(const std::string& path) {
    const std::string ext = LowerExtension(path);
    return ext.empty() ? ext : ext.substr(1);
}

std::vector<std::string_view> AcceptedExtensions() {
    std::vector<std::string_view> accepted;
    for (const PictureFormat* format : kFormats)
        accepted.insert(accepted.end(), format->extensions.begin(), format->extensions.end());
    return accepted;
}

bool HasAcceptedExtension(std::string_view path) {
    const std::string extension = LowerExtension(FileNamePart(path));
    if (extension.size() < 2) return false;
    const std::string_view bare = std::string_view(extension).substr(1);
    for (const PictureFormat* format : kFormats)
        if (Contains(format->extensions, bare)) return true;
    return false;
}

}  // namespace pictorel
