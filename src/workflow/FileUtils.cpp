#include "workflow/FileUtils.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <string_view>
#include <utility>

#include "base/UserFolders.h"

namespace pictorel {
namespace {

using FolderId = std::pair<dev_t, ino_t>;

// The value of XDG_PICTURES_DIR in a user-dirs.dirs file: a quoted absolute
// path or "$HOME/..."; empty when absent or in another form.
std::string PicturesDirFromUserDirs(const std::string& file, const std::string& home) {
    std::ifstream in(file);
    std::string line;
    std::string result;
    while (std::getline(in, line)) {
        const std::string text = Trim(line);
        const std::string key = "XDG_PICTURES_DIR=";
        if (!text.starts_with(key)) continue;
        std::string value = text.substr(key.size());
        if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
        value = value.substr(1, value.size() - 2);
        if (value.starts_with("$HOME")) {
            const std::string rest = value.substr(5);
            if (!rest.empty() && rest.front() != '/') continue;
            result = home + rest;
        } else if (value.starts_with("/")) {
            result = value;
        }
    }
    return result;
}

void CollectInto(const std::string& folder, std::vector<std::string>& list,
                 std::set<FolderId>& visited) {
    const std::string dir = NormalizeFolderPath(folder);
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    if (!visited.insert({st.st_dev, st.st_ino}).second) return;
    struct Entry {
        std::string name;
        unsigned char type;
    };
    std::vector<Entry> entries;
    {
        std::unique_ptr<DIR, int (*)(DIR*)> handle(::opendir(dir.c_str()), ::closedir);
        if (!handle) return;
        while (const dirent* entry = ::readdir(handle.get())) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            entries.push_back({std::string(name), entry->d_type});
        }
    }
    // The file system's own order is that of its hash or of creation; the
    // photos of a shoot come in the order their names show.
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return NaturalNameLess(a.name, b.name); });
    for (const Entry& entry : entries) {
        const std::string path = dir + entry.name;
        bool isFolder = entry.type == DT_DIR;
        if (entry.type == DT_LNK || entry.type == DT_UNKNOWN) {
            struct stat target {};
            isFolder = ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        }
        if (isFolder)
            CollectInto(path, list, visited);
        else
            list.push_back(path);
    }
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// -1, 0 or 1 as `a` sorts before, with or after `b`, ignoring case and
// reading digit runs as numbers. A digit run sorts where its first digit's
// byte would, so "a-1" < "a1" < "a_1" as plain bytes have it.
int CompareNatural(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            // Leading zeros carry no value; then the longer run is the larger
            // number, and runs of one length compare digit by digit, so a run
            // of any length is compared without overflow.
            while (i < a.size() && a[i] == '0') ++i;
            while (j < b.size() && b[j] == '0') ++j;
            const std::size_t startA = i;
            const std::size_t startB = j;
            while (i < a.size() && IsDigit(a[i])) ++i;
            while (j < b.size() && IsDigit(b[j])) ++j;
            const std::string_view runA = a.substr(startA, i - startA);
            const std::string_view runB = b.substr(startB, j - startB);
            if (runA.size() != runB.size()) return runA.size() < runB.size() ? -1 : 1;
            if (const int order = runA.compare(runB); order != 0) return order < 0 ? -1 : 1;
            continue;
        }
        const auto ca = static_cast<unsigned char>(IsDigit(a[i]) ? '0' : FoldAscii(a[i]));
        const auto cb = static_cast<unsigned char>(IsDigit(b[j]) ? '0' : FoldAscii(b[j]));
        if (ca != cb) return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace

bool FolderExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ResolveShellPath(const std::string& path) {
    if (path.empty()) return {};
    std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

std::string NormalizeFolderPath(const std::string& path) {
    if (path.empty()) return {};
    std::string resolved = ResolveShellPath(path);
    if (resolved.empty()) resolved = path;
    return WithTrailingSlash(resolved);
}

std::string UserPicturesFolder() {
    const std::string home = HomeFolder();
    std::string pictures = PicturesDirFromUserDirs(UserConfigFolder() + "/user-dirs.dirs", home);
    if (pictures.empty()) {
        if (home.empty()) return {};
        pictures = home + "/Pictures";
    }
    return NormalizeFolderPath(pictures);
}

std::string GetFileVersionString() {
    return PICTOREL_VERSION;
}

bool NaturalNameLess(std::string_view a, std::string_view b) {
    const int order = CompareNatural(a, b);
    return order != 0 ? order < 0 : a < b;
}

void SortByNaturalName(std::vector<std::string>& paths) {
    std::stable_sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
        return NaturalNameLess(FileNamePart(a), FileNamePart(b));
    });
}

void CollectFiles(const std::string& folder, std::vector<std::string>* list) {
    if (folder.empty() || !list) return;
    std::set<FolderId> visited;
    CollectInto(folder, *list, visited);
}

}  // namespace pictorel
