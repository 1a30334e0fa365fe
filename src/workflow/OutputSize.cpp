#include "workflow/OutputSize.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>
#include <system_error>

#include "app/SettingsKeys.h"

namespace pictorel {

namespace {

// A whole decimal number filling `text`, or nothing.
std::optional<int> ParseNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Characters, not bytes: names are Japanese.
std::size_t Utf8Length(const std::string& text) {
    std::size_t count = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

std::string SideText(const OutputSize& size) {
    if (size.HasBox()) return std::to_string(size.boxWidth) + "x" + std::to_string(size.boxHeight);
    return std::to_string(size.maxSide);
}

// "1200" or "1200x900" into the size.
bool ParseSide(const std::string& text, OutputSize& size) {
    const std::size_t cross = text.find('x');
    if (cross == std::string::npos) {
        const std::optional<int> side = ParseNumber(text);
        if (!side) return false;
        size.maxSide = *side;
        size.boxWidth = size.boxHeight = 0;
        return true;
    }
    const std::optional<int> width = ParseNumber(std::string_view(text).substr(0, cross));
    const std::optional<int> height = ParseNumber(std::string_view(text).substr(cross + 1));
    if (!width || !height) return false;
    size.maxSide = 0;
    size.boxWidth = *width;
    size.boxHeight = *height;
    return true;
}

std::string Key(const char* stem, std::size_t index) {
    return stem + std::to_string(index + 1);
}

bool InRange(int value, int low, int high) {
    return value >= low && value <= high;
}

}  // namespace

OutputSize DefaultOutputSize() {
    return OutputSize{};
}

std::string OutputSizeLabel(const OutputSize& size) {
    std::string label = size.name.empty() ? "標準" : size.name;
    label += "（";
    if (size.HasBox()) {
        label += std::to_string(size.boxWidth) + "×" + std::to_string(size.boxHeight) + " px";
    } else {
        label += "長辺 " + std::to_string(size.maxSide) + " px";
    }
    label += "・画質 " + std::to_string(size.quality);
    if (size.capKb) label += "・" + std::to_string(*size.capKb) + " KB まで";
    return label + "）";
}

std::string OutputSizeProblem(const OutputSize& size) {
    const std::string sideRange =
        std::to_string(kMinOutputSide) + "～" + std::to_string(kMaxOutputSide);
    if (size.name.empty()) return "名前を入力して下さい。";
    if (Utf8Length(size.name) > kMaxOutputSizeNameChars)
        return "名前は " + std::to_string(kMaxOutputSizeNameChars) + " 文字までにして下さい。";
    if (size.name.find_first_of("\r\n|\"") != std::string::npos)
        return "名前に改行、「|」、「\"」は使えません。";
    if (size.HasBox()) {
        if (!InRange(size.boxWidth, kMinOutputSide, kMaxOutputSide) ||
            !InRange(size.boxHeight, kMinOutputSide, kMaxOutputSide))
            return "幅と高さは " + sideRange + " ピクセルにして下さい。";
    } else if (size.boxWidth != 0 || size.boxHeight != 0 ||
               !InRange(size.maxSide, kMinOutputSide, kMaxOutputSide)) {
        return "長辺は " + sideRange + " ピクセルにして下さい。";
    }
    if (!InRange(size.quality, kMinOutputQuality, kMaxOutputQuality))
        return "画質は " + std::to_string(kMinOutputQuality) + "～" +
               std::to_string(kMaxOutputQuality) + " にして下さい。";
    if (size.capKb && !InRange(*size.capKb, kMinCapKb, kMaxCapKb))
        return "ファイルサイズの上限は " + std::to_string(kMinCapKb) + "～" +
               std::to_string(kMaxCapKb) + " KB にして下さい。";
    return {};
}

std::vector<OutputSize> ReadOutputSizes(const SettingsFile& settings) {
    std::vector<OutputSize> sizes;
    const std::optional<int> count =
        ParseNumber(settings.ReadString(kOutputSizeSection, kOutputSizeCountKey, "0"));
    if (!count || *count < 0) return sizes;
    const auto read = [&](const char* stem, std::size_t i) {
        return settings.ReadString(kOutputSizeSection, Key(stem, i), "");
    };
    for (std::size_t i = 0; i < static_cast<std::size_t>(std::min(*count, kMaxOutputSizes)); ++i) {
        OutputSize size;
        size.name = read(kOutputSizeNameKey, i);
        const std::optional<int> quality = ParseNumber(read(kOutputSizeQualityKey, i));
        const std::string cap = read(kOutputSizeMaxKbKey, i);
        if (!ParseSide(read(kOutputSizeSideKey, i), size) || !quality) continue;
        size.quality = *quality;
        if (!cap.empty()) {
            size.capKb = ParseNumber(cap);
            if (!size.capKb) continue;
        }
        if (!OutputSizeProblem(size).empty() || FindOutputSize(sizes, size.name)) continue;
        sizes.push_back(std::move(size));
    }
    return sizes;
}

void WriteOutputSizes(SettingsFile& settings, const std::vector<OutputSize>& sizes) {
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::string problem = OutputSizeProblem(sizes[i]);
        if (!problem.empty()) throw std::invalid_argument(problem);
        for (std::size_t j = 0; j < i; ++j)
            if (sizes[j].name == sizes[i].name)
                throw std::invalid_argument("同じ名前の出力サイズがあります。");
    }
    if (sizes.size() > static_cast<std::size_t>(kMaxOutputSizes))
        throw std::invalid_argument("出力サイズは " + std::to_string(kMaxOutputSizes) +
                                    " 個までです。");
    const std::optional<int> stored =
        ParseNumber(settings.ReadString(kOutputSizeSection, kOutputSizeCountKey, "0"));
    const std::size_t oldCount =
        static_cast<std::size_t>(std::clamp(stored.value_or(0), 0, kMaxOutputSizes));
    const auto write = [&](const char* stem, std::size_t i, const std::string& value) {
        settings.WriteString(kOutputSizeSection, Key(stem, i), value);
    };
    for (std::size_t i = 0; i < std::max(oldCount, sizes.size()); ++i) {
        const bool kept = i < sizes.size();
        write(kOutputSizeNameKey, i, kept ? sizes[i].name : "");
        write(kOutputSizeSideKey, i, kept ? SideText(sizes[i]) : "");
        write(kOutputSizeQualityKey, i, kept ? std::to_string(sizes[i].quality) : "");
        write(kOutputSizeMaxKbKey, i,
              kept && sizes[i].capKb ? std::to_string(*sizes[i].capKb) : "");
    }
    settings.WriteString(kOutputSizeSection, kOutputSizeCountKey, std::to_string(sizes.size()));
}

std::string ReadChosenOutputSize(const SettingsFile& settings) {
    return settings.ReadString(kOutputSizeSection, kOutputSizeChosenKey, "");
}

void WriteChosenOutputSize(SettingsFile& settings, const std::string& name) {
    settings.WriteString(kOutputSizeSection, kOutputSizeChosenKey, name);
}

std::optional<OutputSize> FindOutputSize(const std::vector<OutputSize>& sizes,
                                         const std::string& name) {
    for (const OutputSize& size : sizes)
        if (size.name == name) return size;
    return std::nullopt;
}

}  // namespace pictorel
