#include "base/UserFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "base/PathText.h"

namespace pictorel {
namespace {

bool IsWritableFolder(const std::string& folder) {
    struct stat st {};
    return !folder.empty() && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(folder.c_str(), W_OK) == 0;
}

// Folders of installed programs. Root can write there, but an installed
// program must keep its settings in the user's configuration folder.
bool IsSystemProgramFolder(const std::string& folder) {
    for (const char* prefix : {"/usr/", "/bin/", "/sbin/", "/opt/", "/snap/"}) {
        if (folder.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

// mkdir -p, best effort: a failure shows later as a failed write.
void CreateFolders(const std::string& folder) {
    for (std::size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos == folder.size() || folder[pos] == '/') {
            const std::string part = folder.substr(0, pos);
            if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return;
        }
    }
}

}  // namespace

std::string ExecutablePath() {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return {};
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        std::string h = home;
        while (h.size() > 1 && h.back() == '/') h.pop_back();
        return h;
    }
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct passwd pw {};
    struct passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buffer.data(), buffer.size(), &result) == 0 && result &&
        result->pw_dir) {
        return result->pw_dir;
    }
    return {};
}

std::string UserConfigFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        std::string c = xdg;
        while (c.size() > 1 && c.back() == '/') c.pop_back();
        return c;
    }
    return HomeFolder() + "/.config";
}

std::string SettingsFolder(const std::string& executablePath) {
    const std::string beside = WithTrailingSlash(FolderPart(executablePath));
    if (!IsSystemProgramFolder(beside) && IsWritableFolder(beside)) return beside;
    const std::string folder = UserConfigFolder() + "/pictorel/";
    CreateFolders(folder);
    return folder;
}

std::string ApplicationFolder(const std::string& executablePath) {
    return WithTrailingSlash(FolderPart(executablePath));
}

}  // namespace pictorel
