// Text rules for paths and names: the folder part of a path, the file-name
// part, its extension, and trimming of blanks.
#pragma once

#include <string>
#include <string_view>

namespace pictorel {

// The text before the last "/"; "/" itself for a file at the root
// ("/photos/a.jpg" -> "/photos", "/a.jpg" -> "/"); empty without any "/".
std::string FolderPart(std::string_view path);

// The text after the last "/" (the whole path when there is none).
std::string FileNamePart(std::string_view path);

// The extension of the file-name part from its last ".", ASCII letters
// lower-cased (".JPG" -> ".jpg"); empty when the name has no ".".
std::string LowerExtension(std::string_view path);

// Removes bytes of value 32 or less at both ends. Multi-byte characters such
// as the ideographic space U+3000 stay.
std::string Trim(std::string_view text);

// ASCII-only case folding, used wherever names are matched without regard to case.
std::string AsciiLower(std::string_view text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// The folder ending in "/" unless it already does; an empty folder stays empty.
std::string WithTrailingSlash(std::string_view folder);

// `text` without any occurrence of the character `ch` (its first character).
std::string RemoveAll(const std::string& text, const std::string& ch);

}  // namespace pictorel
