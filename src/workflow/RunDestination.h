// Where a run writes: beside each source with the prefix "mini_", or into one
// named output folder; and which folder is opened when the run ends.
#pragma once

#include <string>

namespace pictorel {

inline constexpr const char* kSameFolderPrefix = "mini_";

// The same-folder prefix for a source: its folder, normalised, then "mini_".
std::string SameFolderPrefix(const std::string& source);

class RunDestination {
  public:
    // Same-folder mode.
    RunDestination() = default;
    // Named-folder mode into `folder` (ending in "/").
    explicit RunDestination(std::string folder) : named_(true), prefix_(std::move(folder)) {}

    bool SameFolder() const { return !named_; }

    // The prefix for a source; in same-folder mode it is computed from the
    // source and remembered as the last prefix of the run.
    std::string PrefixFor(const std::string& source);
    // Prefix followed by the source's file name (extension still the source's).
    std::string OutputPathFor(const std::string& source);

    // The folder to open at the end: the named folder, or the folder of the
    // last prefix computed; empty when no prefix was computed yet.
    std::string FolderToOpen() const;

  private:
    bool named_ = false;
    std::string prefix_;
};

}  // namespace pictorel
