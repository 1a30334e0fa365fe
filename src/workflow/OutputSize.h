// Output sizes of the automatic run: how large a published picture may be,
// at which JPEG quality it is written and, optionally, how many kilobytes
// its file may take. The default is the program's fixed rule (longer side at
// most 800 pixels, quality 80, no cap); the user may keep named sizes of
// their own in the settings file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/SettingsFile.h"

namespace pictorel {

// Limits of a user's size; the default lies within them.
inline constexpr int kMinOutputSide = 100;
inline constexpr int kMaxOutputSide = 10000;
inline constexpr int kMinOutputQuality = 1;
inline constexpr int kMaxOutputQuality = 100;
inline constexpr int kMinCapKb = 10;
inline constexpr int kMaxCapKb = 100000;
// One kilobyte of a cap: 1000 bytes, so that a file under the cap is under
// it whichever way the site that takes it counts a kilobyte.
inline constexpr int kBytesPerKb = 1000;
// Names are shown in a drop-down: a long one would hide the others.
inline constexpr std::size_t kMaxOutputSizeNameChars = 40;
// More sizes than anyone picks from a drop-down: a bigger count in the
// settings file is damage, not a list.
inline constexpr int kMaxOutputSizes = 50;

struct OutputSize {
    // Empty for the default size.
    std::string name;
    // The longer side at most this many pixels; 0 when a box is set instead.
    int maxSide = 800;
    // Fit inside boxWidth x boxHeight; both 0 when maxSide rules.
    int boxWidth = 0;
    int boxHeight = 0;
    int quality = 80;
    // Largest file in kilobytes (kBytesPerKb), none when unset.
    std::optional<int> capKb;

    bool HasBox() const { return boxWidth > 0 && boxHeight > 0; }
    friend bool operator==(const OutputSize&, const OutputSize&) = default;
};

// {800, 80, no cap}: today's output, byte for byte.
OutputSize DefaultOutputSize();

// How the drop-down shows a size: "標準（長辺 800 px・画質 80）" for the default,
// else "<name>（長辺 1200 px・画質 85・300 KB まで）" or with "1200×900 px".
std::string OutputSizeLabel(const OutputSize& size);

// The reason the size cannot be kept, in the user's words, or empty when it
// is sound: name (non-empty, at most kMaxOutputSizeNameChars characters,
// without line breaks or "|"), side or box kMinOutputSide..kMaxOutputSide,
// quality kMinOutputQuality..kMaxOutputQuality, cap kMinCapKb..kMaxCapKb.
std::string OutputSizeProblem(const OutputSize& size);

// The user's sizes kept in the settings file (section "OutputSize": "Count",
// then "Name<i>", "Side<i>" ("1200" or "1200x900"), "Quality<i>", "MaxKB<i>"
// for i = 1..Count, and "Chosen", the name last chosen). A missing section
// reads as no sizes; an entry that is incomplete, out of limits or named like
// an earlier one is skipped, so a damaged file never stops the program.
std::vector<OutputSize> ReadOutputSizes(const SettingsFile& settings);
// Replaces the stored list; keys of entries beyond the new count are
// emptied. Throws SettingsFileError when the file cannot be written, and
// std::invalid_argument when a size is unsound or two share a name.
void WriteOutputSizes(SettingsFile& settings, const std::vector<OutputSize>& sizes);

// The name of the size last chosen (empty: the default). The key is written
// only once the user chooses a size other than the default.
std::string ReadChosenOutputSize(const SettingsFile& settings);
void WriteChosenOutputSize(SettingsFile& settings, const std::string& name);

// The size of that name among `sizes`, or nothing.
std::optional<OutputSize> FindOutputSize(const std::vector<OutputSize>& sizes,
                                         const std::string& name);

}  // namespace pictorel
