#include "app/SettingsFile.h"

#include "base/Errors.h"
#include "base/PathText.h"

namespace pictorel {
namespace {

constexpr const char* kQuote = "\"";
constexpr const char* kCornerOpen = "\xEF\xBD\xA2";   // U+FF62
constexpr const char* kCornerClose = "\xEF\xBD\xA3";  // U+FF63

bool IsEnclosed(const std::string& s, const std::string& open, const std::string& close) {
    return s.size() >= open.size() + close.size() && s.starts_with(open) && s.ends_with(close);
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

void SettingsFile::SetDefaultDir(SettingsLocation dir) {
    defaultDir_ = dir;
    SetFileName(fileName_);
}

void SettingsFile::Loaded() {
    if (fileName_.empty()) SetFileName(DefaultIniFileName(executablePath_));
}

std::string SettingsFile::ResolvePath(const std::string& name) const {
    if (name.find('/') != std::string::npos) return name;
    switch (defaultDir_) {
        case SettingsLocation::ApplicationFolder:
            return SettingsFolder(executablePath_) + name;
        case SettingsLocation::UserConfigFolder:
            return UserConfigFolder() + "/" + name;
        case SettingsLocation::None:
            break;
    }
    return name;
}

std::string SettingsFile::Enclose(const std::string& value) const {
    switch (fence_) {
        case SettingsFence::DoubleQuotes:
            return kQuote + value + kQuote;
        case SettingsFence::CornerBrackets:
        case SettingsFence::QuotesOrBrackets:
            return kCornerOpen + value + kCornerClose;
        case SettingsFence::None:
            break;
    }
    return value;
}

std::string SettingsFile::ReadString(const std::string& section, const std::string& ident,
                                     const std::string& defaultValue) const {
    std::string result = ReadRawString(section, ident, Enclose(defaultValue));
    const bool quotes =
        fence_ == SettingsFence::DoubleQuotes || fence_ == SettingsFence::QuotesOrBrackets;
    const bool corners =
        fence_ == SettingsFence::CornerBrackets || fence_ == SettingsFence::QuotesOrBrackets;
    if (quotes && IsEnclosed(result, kQuote, kQuote)) {
        result = result.substr(1, result.size() - 2);
    } else if (corners && IsEnclosed(result, kCornerOpen, kCornerClose)) {
        const std::size_t open = std::char_traits<char>::length(kCornerOpen);
        const std::size_t close = std::char_traits<char>::length(kCornerClose);
        result = result.substr(open, result.size() - open - close);
    }
    return result;
}

void SettingsFile::WriteString(const std::string& section, const std::string& ident,
                               const std::string& value) {
    WriteRawString(section, ident, Enclose(value));
}

std::string SettingsFile::ReadRawString(const std::string& section, const std::string& ident,
                                        const std::string& defaultValue) const {
    if (!store_) return defaultValue;
    std::string value = store_->ReadString(section, ident, defaultValue);
    return value.empty() ? defaultValue : value;
}

void SettingsFile::WriteRawString(const std::string& section, const std::string& ident,
                                  const std::string& value) {
    if (!store_) throw SettingsFileError(IniWriteErrorText(fileName_));
    store_->WriteString(section, ident, value);
}

}  // namespace pictorel
