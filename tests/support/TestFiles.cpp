#include "support/TestFiles.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

namespace pictorel::test {

TempDir::TempDir() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("pictorel-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave read-only entries behind; make them writable first.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadText(const std::filesystem::path& path) {
    const auto bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

std::optional<std::filesystem::path> TestDataDir() {
    std::filesystem::path dir = PICTOREL_TESTDATA_DIR;
    if (const char* env = std::getenv("PICTOREL_TESTDATA"); env && *env) dir = env;
    if (std::filesystem::exists(dir / "manifest.tsv")) return dir;
    return std::nullopt;
}

std::vector<std::string> CorpusJpegFiles(const std::filesystem::path& corpus) {
    std::vector<std::string> paths;
    for (const auto& folder : {corpus / "jpeg", corpus / "modern" / "icc"})
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            if (entry.path().extension() == ".jpg") paths.push_back(entry.path().string());
    return paths;
}

std::string CliCommand() {
    const char* other = std::getenv("PICTOREL_CLI");
    if (other && *other) return other;
    return std::string(PICTOREL_BINARY_DIR) + "/pictorel-cli";
}

bool CliIsOtherBuild() {
    const char* other = std::getenv("PICTOREL_CLI");
    return other && *other;
}

}  // namespace pictorel::test
