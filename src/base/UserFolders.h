// Where the program finds itself and keeps its files: the executable's own
// path, the user's home and configuration folders, and the settings folder
// shared by the settings file, the window placements and the log file.
#pragma once

#include <string>

namespace pictorel {

// The running executable's absolute path (from /proc/self/exe); empty when
// it cannot be read.
std::string ExecutablePath();

// $HOME, or the home folder of the user database; no trailing "/".
std::string HomeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config; no
// trailing "/".
std::string UserConfigFolder();

// The folder of the settings and log files, ending in "/": the executable's
// folder when that folder is writable (a portable install or a build tree)
// and not a system program folder (/usr, /bin, /sbin, /opt, /snap), otherwise
// UserConfigFolder()/pictorel/, created when missing.
std::string SettingsFolder(const std::string& executablePath);

// The executable's folder ending in "/"; an empty folder stays empty.
std::string ApplicationFolder(const std::string& executablePath = ExecutablePath());

}  // namespace pictorel
