#include "workflow/FileUtils.h"

#include <dirent.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
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
    std::unique_ptr<DIR, int (*)(DIR*)> handle(::opendir(dir.c_str()), ::closedir);
    if (!handle) return;
    while (const dirent* entry = ::readdir(handle.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = dir + name;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat target {};
            isFolder = ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        }
        if (isFolder)
            CollectInto(path, list, visited);
        else
            list.push_back(path);
    }
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

void CollectFiles(const std::string& folder, std::vector<std::string>* list) {
    if (folder.empty() || !list) return;
    std::set<FolderId> visited;
    CollectInto(folder, *list, visited);
}

}  // namespace pictorel
