// Temporary folders and the shared picture corpus for tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pictorel::test {

// A fresh folder under the system's temporary folder, removed with its content.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    // The folder as a string ending in "/".
    std::string Str() const { return path_.string() + "/"; }

  private:
    std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void WriteFile(const std::filesystem::path& path, const std::string& text);
std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path);
std::string ReadText(const std::filesystem::path& path);

// The shared corpus folder (PICTOREL_TESTDATA overrides), or nothing when absent.
std::optional<std::filesystem::path> TestDataDir();

// The shell command the command-line tests run as pictorel-cli: $PICTOREL_CLI
// when set (another build of it, e.g. "node .../pictorel-cli.js"), else the
// one built beside the tests.
std::string CliCommand();
// Whether $PICTOREL_CLI names another build (tests that need the native
// process itself, signals for one, skip then).
bool CliIsOtherBuild();
// Every JPEG file of the corpus: jpeg/ and the colour-profile photos of modern/icc/.
std::vector<std::string> CorpusJpegFiles(const std::filesystem::path& corpus);

// Skips the current test when the corpus is absent; yields its folder otherwise.
#define PICTOREL_REQUIRE_TESTDATA(var)                                            \
    const auto var##_opt = ::pictorel::test::TestDataDir();                       \
    if (!var##_opt) GTEST_SKIP() << "shared test corpus not found, test skipped"; \
    const std::filesystem::path var = *var##_opt

}  // namespace pictorel::test
