#include "app/IniGT.h"

#include "app/Errors.h"
#include "app/PathText.h"

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

TIniGT::TIniGT(std::string executablePath) : executablePath_(std::move(executablePath)) {}

void TIniGT::SetFileName(const std::string& name) {
    fileName_ = name;
    store_.reset();
    if (!name.empty()) store_ = std::make_unique<TIniStore>(ResolvePath(name));
}

void TIniGT::SetDefaultDir(TIniGTDefaultDir dir) {
    defaultDir_ = dir;
    SetFileName(fileName_);
}

void TIniGT::Loaded() {
    if (fileName_.empty()) SetFileName(DefaultIniFileName(executablePath_));
}

std::string TIniGT::ResolvePath(const std::string& name) const {
    if (name.find('/') != std::string::npos) return name;
    switch (defaultDir_) {
        case TIniGTDefaultDir::ddApplication:
            return SettingsFolder(executablePath_) + name;
        case TIniGTDefaultDir::ddWindows:
            return UserConfigFolder() + "/" + name;
        case TIniGTDefaultDir::ddNone:
            break;
    }
    return name;
}

std::string TIniGT::Enclose(const std::string& value) const {
    switch (fence_) {
        case TIniGTFence::fnDoubleQuote:
            return kQuote + value + kQuote;
        case TIniGTFence::fnParenthesis:
        case TIniGTFence::fnVer11Mode:
            return kCornerOpen + value + kCornerClose;
        case TIniGTFence::fnNone:
            break;
    }
    return value;
}

std::string TIniGT::ReadString(const std::string& section, const std::string& ident,
                               const std::string& defaultValue) const {
    std::string result = ReadRawString(section, ident, Enclose(defaultValue));
    const bool quotes = fence_ == TIniGTFence::fnDoubleQuote || fence_ == TIniGTFence::fnVer11Mode;
    const bool corners = fence_ == TIniGTFence::fnParenthesis || fence_ == TIniGTFence::fnVer11Mode;
    if (quotes && IsEnclosed(result, kQuote, kQuote)) {
        result = result.substr(1, result.size() - 2);
    } else if (corners && IsEnclosed(result, kCornerOpen, kCornerClose)) {
        const std::size_t open = std::char_traits<char>::length(kCornerOpen);
        const std::size_t close = std::char_traits<char>::length(kCornerClose);
        result = result.substr(open, result.size() - open - close);
    }
    return result;
}

void TIniGT::WriteString(const std::string& section, const std::string& ident,
                         const std::string& value) {
    WriteRawString(section, ident, Enclose(value));
}

std::string TIniGT::ReadRawString(const std::string& section, const std::string& ident,
                                  const std::string& defaultValue) const {
    if (!store_) return defaultValue;
    std::string value = store_->ReadString(section, ident, defaultValue);
    return value.empty() ? defaultValue : value;
}

void TIniGT::WriteRawString(const std::string& section, const std::string& ident,
                            const std::string& value) {
    if (!store_) throw EIniFileError(IniWriteErrorText(fileName_));
    store_->WriteString(section, ident, value);
}

}  // namespace pictorel
