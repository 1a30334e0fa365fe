#include "app/SettingsFile.h"

#include "base/Errors.h"
#include "base/PathText.h"

namespace pictorel {
namespace {

constexpr char kQuote = '"';

bool IsQuoted(const std::string& s) {
    return s.size() >= 2 && s.front() == kQuote && s.back() == kQuote;
}

std::string Quoted(const std::string& value) {
    return kQuote + value + kQuote;
}

}  // namespace

std::string DefaultIniFileName(const std::string& executableName) {
    std::string name = FileNamePart(executableName);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    name = AsciiLower(name + ".INI");
    if (name[0] >= 'a' && name[0] <= 'z') name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

std::string SettingsFilePath(const std::string& executablePath) {
    return SettingsFolder(executablePath) + DefaultIniFileName(executablePath);
}

SettingsFile::SettingsFile(std::string executablePath)
    : executablePath_(std::move(executablePath)) {}

void SettingsFile::SetFileName(const std::string& name) {
    fileName_ = name;
    store_.reset();
    if (!name.empty()) store_ = std::make_unique<IniFile>(ResolvePath(name));
}

void SettingsFile::Loaded() {
    if (fileName_.empty()) SetFileName(DefaultIniFileName(executablePath_));
}

std::string SettingsFile::ResolvePath(const std::string& name) const {
    if (name.find('/') != std::string::npos) return name;
    return SettingsFolder(executablePath_) + name;
}

std::string SettingsFile::ReadString(const std::string& section, const std::string& ident,
                                     const std::string& defaultValue) const {
    if (!store_) return defaultValue;
    std::string value = store_->ReadString(section, ident, Quoted(defaultValue));
    if (value.empty()) return defaultValue;
    if (IsQuoted(value)) value = value.substr(1, value.size() - 2);
    return value;
}

void SettingsFile::WriteString(const std::string& section, const std::string& ident,
                               const std::string& value) {
    if (!store_) throw SettingsFileError(IniWriteErrorText(fileName_));
    store_->WriteString(section, ident, Quoted(value));
}

}  // namespace pictorel
