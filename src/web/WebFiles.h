// The browser module's picture files: the page hands over a file's bytes and
// its name, and the core reads pictures by path, so each one is written into
// the module's own in-memory file system under its name for the call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pictorel::web {

// A file holding the page's bytes under the name the page gave (its file-name
// part, so that a message names the file as the user knows it), in a folder
// of the module's memory that is the current folder; removed when it goes.
class PageFile {
  public:
    PageFile(std::string_view name, const std::vector<std::uint8_t>& bytes);
    ~PageFile();
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    // The path the core reads: the plain name, relative to the current folder.
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

// `text` with the in-memory folder taken off the page's file names: the
// program's messages name a file by its full path, and the page's user knows
// it by its name.
std::string AsThePageNamesIt(std::string text);

}  // namespace pictorel::web
