// Naming and creating the output folder under the base folder, and listing
// the base folder's subfolders for the folder combo.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/MessageBoxes.h"
#include "workflow/FolderDialogs.h"

namespace pictorel {

// First item of the folder combo: save beside each source instead.
inline constexpr const char* kSameFolderItem = "元画像と同じフォルダに別名で保存";

inline constexpr const char* kEmptyNameMessage = "保存するフォルダの名前を入力して下さい";
inline constexpr const char* kFolderExistsQuestion =
    "指定した名前のフォルダが既に存在します。処理を中止しますか？";
inline constexpr const char* kOtherNameMessage = "別の名前を付けて下さい";
inline constexpr const char* kBaseFolderFailedMessage =
    "基準フォルダの作成ができませんでした。基準フォルダを指定して下さい。";

inline constexpr const char* kControlCharMessage = "フォルダの名前に改行などの制御文字は使えません";

// Characters refused in a folder name, in the order they are reported.
inline constexpr const char kForbiddenNameChars[] = "\\/:*?\"<>|";

// "フォルダの名前に「c」は使えません"
std::string ForbiddenCharMessage(char c);
// "フォルダの名前を「name」にはできません", for the names "." and "..".
std::string DotNameMessage(const std::string& name);
// "フォルダ「folder」の作成ができませんでした。..."
std::string FolderFailedMessage(const std::string& folder);

// The combo's item text: the same-folder item, then every subfolder of the
// base folder in listing order, each line ended by "\r\n".
std::string ListBaseSubfolders(const std::string& base);
// The lines of that text.
std::vector<std::string> SplitItems(const std::string& text);

// What PrepareOutputFolder needs from its caller.
struct OutputFolderContext {
    IMessageBoxes& boxes;
    IBaseFolderDialog& baseDialog;
    // The base folder, read afresh on every call (the "RootPath" setting).
    std::function<std::string()> readBase;
    // Gives the keyboard focus back to the folder combo.
    std::function<void()> focusCombo;
    // The program's default base folder: when the base folder is this one,
    // its missing parents are created with it; a base folder the user chose
    // is created only when its parent exists.
    std::string defaultBase;
};

// Why the typed folder name cannot be used (not empty, none of the refused
// characters, no control character, not "." or ".."): the message the user
// is shown, or empty for a usable name.
std::string FolderNameProblem(const std::string& comboText);

// Checks the typed name (not empty, none of the refused characters, no
// control character, not "." or ".."), creates the base folder (taken as a
// folder whether or not it ends in "/") and the output folder as needed and
// returns the output folder ending in "/"; an empty result after the user has
// been told why the run cannot start.
std::string PrepareOutputFolder(const std::string& comboText, const OutputFolderContext& context);

}  // namespace pictorel
