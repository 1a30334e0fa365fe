#include "workflow/BaseFolderDialogModel.h"

#include "base/PathText.h"
#include "workflow/FileUtils.h"

namespace pictorel {

std::string ComputeDefaultRootPath() {
    return SpecialFolderPath(kMyPicturesFolder) + "Estavel/";
}

std::string UsableRootPath(const std::string& stored) {
    if (stored.empty() || stored.front() != '/' || stored.find('\0') != std::string::npos)
        return {};
    return WithTrailingSlash(stored);
}

BaseFolderDialogModel::BaseFolderDialogModel(SettingsFile& ini, IMessageBoxes& boxes,
                                             IFolderBrowser& browser)
    : DefaultRootPath(ComputeDefaultRootPath()), ini_(ini), boxes_(boxes), browser_(browser) {}

void BaseFolderDialogModel::FormShow() {
    EditRootPath = ini_.ReadString("Path", "RootPath", "");
    if (!UsableRootPath(EditRootPath).empty()) return;
    EditRootPath = DefaultRootPath;
    ini_.WriteString("Path", "RootPath", NormalizeFolderPath(DefaultRootPath));
}

void BaseFolderDialogModel::SpeedButton17Click() {
    const std::string chosen = Trim(browser_.SelectFolder(EditRootPath));
    if (!chosen.empty()) EditRootPath = NormalizeFolderPath(chosen);
}

int BaseFolderDialogModel::BitBtnOKClick() {
    EditRootPath = Trim(EditRootPath);
    if (EditRootPath.empty()) {
        boxes_.ShowError(kNoBasePathMessage);
        return 0;
    }
    ini_.WriteString("Path", "RootPath", NormalizeFolderPath(EditRootPath));
    return 1;
}

}  // namespace pictorel
