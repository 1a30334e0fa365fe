#include "web/WebFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/Errors.h"
#include "base/FileIo.h"
#include "base/PathText.h"
#include "formats/LoadFailure.h"

namespace pictorel::web {

namespace {

// The in-memory folder the page's files are written to. It is the current
// folder, so a file's path is its bare name and every message shows that.
constexpr const char* kPageFolder = "/pictures";

void EnterPageFolder() {
    if (::mkdir(kPageFolder, 0700) != 0 && errno != EEXIST)
        throw IoError(std::string("cannot make ") + kPageFolder, SystemErrorText(errno), errno);
    if (::chdir(kPageFolder) != 0)
        throw IoError(std::string("cannot enter ") + kPageFolder, SystemErrorText(errno), errno);
}

// A name the page may send that is not a plain file name ("", ".", "..", or
// with a folder part) still gets a file of its own, under its last part or a
// neutral name, never outside the folder.
std::string SafeFileName(std::string_view name) {
    std::string plain = FileNamePart(name);
    if (plain.empty() || plain == "." || plain == "..") plain = "picture";
    return plain;
}

}  // namespace

PageFile::PageFile(std::string_view name, const std::vector<std::uint8_t>& bytes)
    : path_(SafeFileName(name)) {
    EnterPageFolder();
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    // The page's file cannot be held (memory is short): to the user it is a
    // file that cannot be read, told with the program's own message.
    if (!file) throw IoError(LoadFailedMessage(path_), SystemErrorText(errno), errno);
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    if (std::fclose(file) != 0 || !written) {
        std::remove(path_.c_str());
        const int error = written ? errno : writeError;
        throw IoError(LoadFailedMessage(path_), SystemErrorText(error), error);
    }
}

PageFile::~PageFile() {
    std::remove(path_.c_str());
}

std::string AsThePageNamesIt(std::string text) {
    const std::string folder = std::string(kPageFolder) + "/";
    for (std::size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at))
        text.erase(at, folder.size());
    return text;
}

}  // namespace pictorel::web
