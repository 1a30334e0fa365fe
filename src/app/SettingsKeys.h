// The names under which the program keeps its state in the settings file.
// Stored files depend on these spellings: they never change.
#pragma once

namespace pictorel {

// Section of the folder settings.
inline constexpr const char* kPathSection = "Path";
// The base folder under which each run's output folder is made.
inline constexpr const char* kRootPathKey = "RootPath";
// The folder of the pictures last selected.
inline constexpr const char* kLastSourcePathKey = "LastSourcePath";

// Section of the window placements; each window's key is its object name
// followed by kBoundsKeySuffix ("FMain.Bounds").
inline constexpr const char* kBoundsSection = "Bounds";
inline constexpr const char* kBoundsKeySuffix = ".Bounds";

}  // namespace pictorel

namespace pictorel {

// Section of the user's output sizes: "Count", then per size i = 1..Count
// "Name<i>", "Side<i>" ("1200" or "1200x900"), "Quality<i>", "MaxKB<i>" (empty
// without a cap); "Chosen" names the size last chosen, empty for the default.
inline constexpr const char* kOutputSizeSection = "OutputSize";
inline constexpr const char* kOutputSizeCountKey = "Count";
inline constexpr const char* kOutputSizeNameKey = "Name";
inline constexpr const char* kOutputSizeSideKey = "Side";
inline constexpr const char* kOutputSizeQualityKey = "Quality";
inline constexpr const char* kOutputSizeMaxKbKey = "MaxKB";
inline constexpr const char* kOutputSizeChosenKey = "Chosen";

}  // namespace pictorel
