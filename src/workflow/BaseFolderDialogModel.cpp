#include "workflow/BaseFolderDialogModel.h"

#include "app/SettingsKeys.h"
#include "base/PathText.h"
#include "workflow/FileUtils.h"

namespace pictorel {

std::string ComputeDefaultRootPath() {
    return UserPicturesFolder() + "Estavel/";
}

std::string UsableRootPath(const std::string& stored) {
    if (stored.empty() || stored.front() != '/' || stored.find('\0') != std::string::npos)
        return {};
    return WithTrailingSlash(stored);
}

BaseFolderDialogModel::BaseFolderDialogModel(SettingsFile& ini, IMessageBoxes& boxes,
                                             IFolderBrowser& browser)
    : DefaultRootPath(ComputeDefaultRootPath()), ini_(ini), boxes_(boxes), browser_(browser) {}

void BaseFolderDialogModel::Load() {
    FolderText = ini_.ReadString(kPathSection, kRootPathKey, "");
    if (!UsableRootPath(FolderText).empty()) return;
    FolderText = DefaultRootPath;
    ini_.WriteString(kPathSection, kRootPathKey, NormalizeFolderPath(DefaultRootPath));
}

void BaseFolderDialogModel::Browse() {
    const std::string chosen = Trim(browser_.SelectFolder(FolderText));
    if (!chosen.empty()) FolderText = NormalizeFolderPath(chosen);
}

int BaseFolderDialogModel::Confirm() {
    FolderText = Trim(FolderText);
    if (FolderText.empty()) {
        boxes_.ShowError(kNoBasePathMessage);
        return 0;
    }
    ini_.WriteString(kPathSection, kRootPathKey, NormalizeFolderPath(FolderText));
    return 1;
}

}  // namespace pictorel
