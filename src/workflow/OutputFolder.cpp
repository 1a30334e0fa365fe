#include "workflow/OutputFolder.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "base/PathText.h"
#include "workflow/FileUtils.h"

namespace pictorel {

namespace {

// Creates one folder level; its parent must exist.
bool CreateSingleFolder(const std::string& path) {
    if (path.empty()) return false;
    return ::mkdir(path.c_str(), 0777) == 0;
}

// Creates the folder with every missing parent.
bool CreateFolderWithParents(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return !ec && FolderExists(path);
}

}  // namespace

std::string DotNameMessage(const std::string& name) {
    return "フォルダの名前を「" + name + "」にはできません";
}

std::string ForbiddenCharMessage(char c) {
    return std::string("フォルダの名前に「") + c + "」は使えません";
}

std::string FolderFailedMessage(const std::string& folder) {
    return "フォルダ「" + folder +
           "」の作成ができませんでした。フォルダを作成できる基準フォルダを指定して下さい。";
}

std::string ListBaseSubfolders(const std::string& base) {
    std::string text = std::string(kSameFolderItem) + "\r\n";
    const std::string folder = NormalizeFolderPath(base);
    if (folder.empty()) return text;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_directory(typeError)) continue;
        text += it->path().filename().string() + "\r\n";
    }
    return text;
}

std::vector<std::string> SplitItems(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        items.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return items;
}

std::string FolderNameProblem(const std::string& comboText) {
    const std::string name = Trim(comboText);
    if (name.empty()) return kEmptyNameMessage;
    // UTF-8 continuation bytes are never ASCII, so a plain byte search only
    // finds the characters themselves.
    for (const char c : std::string_view(kForbiddenNameChars)) {
        if (name.find(c) != std::string::npos) return ForbiddenCharMessage(c);
    }
    for (const char c : comboText) {
        if (static_cast<unsigned char>(c) < 0x20) return kControlCharMessage;
    }
    if (name == "." || name == "..") return DotNameMessage(name);
    return {};
}

std::string PrepareOutputFolder(const std::string& comboText, const OutputFolderContext& context) {
    const auto refuse = [&context](const std::string& message) {
        context.boxes.ShowError(message);
        if (context.focusCombo) context.focusCombo();
        return std::string();
    };

    if (const std::string problem = FolderNameProblem(comboText); !problem.empty())
        return refuse(problem);

    const auto readBase = [&context] {
        const std::string base = context.readBase();
        return base.empty() ? base : WithTrailingSlash(base);
    };
    std::string base = readBase();
    std::string folder = NormalizeFolderPath(base + comboText);
    if (FolderExists(folder) && context.boxes.Confirm(kFolderExistsQuestion)) {
        context.boxes.ConfirmOk(kOtherNameMessage);
        if (context.focusCombo) context.focusCombo();
        return {};
    }

    base = readBase();
    const bool isDefault =
        !context.defaultBase.empty() && base == WithTrailingSlash(context.defaultBase);
    if (!FolderExists(base) &&
        !(isDefault ? CreateFolderWithParents(base) : CreateSingleFolder(base))) {
        context.boxes.ShowError(kBaseFolderFailedMessage);
        context.baseDialog.ShowBaseFolderDialog();
        return {};
    }

    folder = NormalizeFolderPath(base + comboText);
    if (!FolderExists(folder) && !CreateSingleFolder(folder)) {
        context.boxes.ShowError(FolderFailedMessage(folder));
        context.baseDialog.ShowBaseFolderDialog();
        return {};
    }
    return folder;
}

}  // namespace pictorel
