// The shared picture corpus: manifest rows and the digest of a decoded picture.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "imaging/Bitmap.h"

namespace pictorel::test {

struct ManifestRow {
    std::string path;
    std::string expect;  // decodes, must-fail, either, refused
    std::string route;
    int width = 0;
    int height = 0;
    // rule_sha256 when filled, else rgb_sha256, then every alt_sha256 hash.
    std::vector<std::string> acceptedDigests;
};

// Rows of manifest.tsv whose path starts with one of `prefixes`.
std::vector<ManifestRow> ReadManifest(const std::filesystem::path& corpus,
                                      const std::vector<std::string>& prefixes);

// A row of modern/manifest.tsv: a file (relative to the modern folder; `../`
// for files of the main corpus), what must happen, and the reference picture.
struct ModernRow {
    std::string path;
    std::string kind;    // heic, avif, webp, icc, crafted
    std::string expect;  // decodes, must-fail
    int width = 0;
    int height = 0;
    std::string reference;  // under the modern folder
    double tolerance = 0;
};

std::vector<ModernRow> ReadModernManifest(const std::filesystem::path& corpus);

// Lower-case hex SHA-256 of the bytes.
std::string Sha256Hex(std::span<const std::uint8_t> data);

// SHA-256 of the picture as raw R, G, B rows top to bottom, alpha dropped.
std::string RgbDigest(const Bitmap& bitmap);

}  // namespace pictorel::test
