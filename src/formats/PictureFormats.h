// The table of every picture format the program reads, and the look-ups over
// it: by content, by extension, and the extensions the selection takes in.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/PictureReader.h"

namespace pictorel {

// Every format, in the order the content tests are asked and the open
// dialog's filter lists the extensions.
std::span<const PictureFormat* const> PictureFormats();

// The first format, in table order, that claims `data` by its content; null
// when none does.
const PictureFormat* FormatByContent(std::span<const std::uint8_t> data);
// The same over a file, read whole; "ファイル %s は開けません" when it cannot
// be read. The file's size is held in the memory budget while it is looked at.
const PictureFormat* FormatByContent(const std::string& path);

// The format that reads files of `extension` (lower-cased, without its dot,
// selectable or read-only); null when none does.
const PictureFormat* FormatByExtension(std::string_view extension);

// A path's extension as the table holds it: lower-cased, without its dot.
std::string FormatExtension(const std::string& path);

// The extensions, without their dot, that the selection (drops, folders,
// the command line) and the open dialog's filter take in, in the filter's
// order: every format's `extensions`, in table order.
std::vector<std::string_view> AcceptedExtensions();

// True when `path`'s extension, in any letter case, is one the selection
// takes in (a format's `extensions`).
bool HasAcceptedExtension(std::string_view path);

}  // namespace pictorel
