#include "formats/EpsReader.h"

#include <algorithm>
#include <cstring>

#include "base/Errors.h"

namespace pictorel {

namespace {

constexpr std::size_t kHeaderSize = 30;
constexpr std::uint8_t kMagic[4] = {0xC5, 0xD0, 0xD3, 0xC6};
constexpr std::size_t kTiffOffsetField = 20;
constexpr std::size_t kTiffLengthField = 24;

std::uint32_t ReadU32LE(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

bool StartsWithMagic(std::span<const std::uint8_t> data) {
    return data.size() >= sizeof kMagic && std::memcmp(data.data(), kMagic, sizeof kMagic) == 0;
}

}  // namespace

bool EpsReader::RecognisesContent(std::span<const std::uint8_t> data) {
    if (data.size() <= kHeaderSize || !StartsWithMagic(data)) return false;
    return ReadU32LE(data.data() + kTiffOffsetField) > kHeaderSize &&
           ReadU32LE(data.data() + kTiffLengthField) > 0;
}

DecodedPicture EpsReader::Decode(std::span<const std::uint8_t> data) {
    if (!StartsWithMagic(data.first(std::min(data.size(), sizeof kMagic)))) {
        ThrowInvalidFormat("EPS");
    }
    if (data.size() < kHeaderSize) throw InvalidPicture("Stream read error");
    // The preview is a complete TIFF whose offsets count from its own first
    // byte; it reaches as far as its structures lead, so the rest of the file
    // is handed over. An offset past the end leaves nothing to decode. The
    // whole file, PostScript included, is held while the preview decodes.
    const std::uint64_t offset = ReadU32LE(data.data() + kTiffOffsetField);
    const auto preview = offset < data.size() ? data.subspan(static_cast<std::size_t>(offset))
                                              : std::span<const std::uint8_t>();
    return DecodeTiff(preview, data.size());
}

namespace {
constexpr std::string_view kEpsExtensions[] = {"eps"};
bool EpsHeadFits(std::span<const std::uint8_t> head) {
    return StartsWithMagic(head);
}
}  // namespace

const PictureFormat kEpsFormat{
    "eps", kEpsExtensions, {},    &EpsReader::RecognisesContent, &EpsHeadFits,
    false, false,          false, &MakeDecoder<EpsReader>};

}  // namespace pictorel
