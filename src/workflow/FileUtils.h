// File and folder utilities shared by the main window and the base-folder
// dialog. None of them shows a message; failure is false, an empty string or
// nothing added. Path text rules (FolderPart, Trim, LowerExtension, ...) come
// with base/PathText.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/PathText.h"

namespace pictorel {

// True when the path names an existing folder (a link to a folder counts).
bool FolderExists(const std::string& path);

// The canonical absolute path of an existing file or folder; empty otherwise.
std::string ResolveShellPath(const std::string& path);

// ResolveShellPath of the path (or the path unchanged when that is empty),
// ending in "/"; empty for an empty path.
std::string NormalizeFolderPath(const std::string& path);

// The user's pictures folder: XDG_PICTURES_DIR from
// $XDG_CONFIG_HOME/user-dirs.dirs, else $HOME/Pictures, normalised to end in
// "/". Empty when no home folder is known.
std::string UserPicturesFolder();

// The program's own version, "1.0.4.0".
std::string GetFileVersionString();

// Whether file name `a` comes before `b` as a file manager lists them: runs
// of digits compared as numbers (IMG_2 before IMG_10), ASCII letters without
// regard to case, other bytes by value; names equal that way (IMG_01 and
// IMG_1, a.JPG and a.jpg) are ordered by their bytes, so the order is total.
bool NaturalNameLess(std::string_view a, std::string_view b);

// Sorts paths of one folder by NaturalNameLess of their file-name parts.
void SortByNaturalName(std::vector<std::string>& paths);

// Appends every file under the folder to `list`, depth first, the entries of
// each folder in NaturalNameLess order (a sub-folder's files where its name
// falls), hidden entries included, nothing filtered. Links to folders are followed, but a folder
// already visited in this walk (same device and inode) is not entered again, so a link loop ends.
void CollectFiles(const std::string& folder, std::vector<std::string>* list);

}  // namespace pictorel
