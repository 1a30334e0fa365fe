#include "CorpusManifest.h"

#include <array>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace pictorel::test {

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

bool IsDigest(const std::string& s) {
    return s.size() == 64 && s.find_first_not_of("0123456789abcdef") == std::string::npos;
}

class Sha256 {
  public:
    void Update(const std::uint8_t* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            block_[used_++] = p[i];
            if (used_ == 64) Compress();
        }
        length_ += n;
    }
    std::string HexDigest() {
        const std::uint64_t bits = length_ * 8;
        const std::uint8_t one = 0x80;
        const std::uint8_t zero = 0;
        Update(&one, 1);
        while (used_ != 56) Update(&zero, 1);
        for (int i = 7; i >= 0; --i) {
            const auto b = static_cast<std::uint8_t>(bits >> (8 * i));
            Update(&b, 1);
        }
        static const char* kHex = "0123456789abcdef";
        std::string out;
        for (std::uint32_t v : h_) {
            for (int i = 28; i >= 0; i -= 4) out += kHex[(v >> i) & 15];
        }
        return out;
    }

  private:
    static std::uint32_t Rot(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }
    void Compress() {
        static constexpr std::uint32_t k[64] = {
            0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
            0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
            0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
            0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
            0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
            0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
            0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
            0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
            0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
            0xc67178f2};
        std::uint32_t w[64];
        for (int i = 0; i < 16; ++i) {
            w[i] = (std::uint32_t{block_[4 * i]} << 24) | (std::uint32_t{block_[4 * i + 1]} << 16) |
                   (std::uint32_t{block_[4 * i + 2]} << 8) | block_[4 * i + 3];
        }
        for (int i = 16; i < 64; ++i) {
            const std::uint32_t s0 = Rot(w[i - 15], 7) ^ Rot(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const std::uint32_t s1 = Rot(w[i - 2], 17) ^ Rot(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        std::array<std::uint32_t, 8> v = h_;
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t s1 = Rot(v[4], 6) ^ Rot(v[4], 11) ^ Rot(v[4], 25);
            const std::uint32_t ch = (v[4] & v[5]) ^ (~v[4] & v[6]);
            const std::uint32_t t1 = v[7] + s1 + ch + k[i] + w[i];
            const std::uint32_t s0 = Rot(v[0], 2) ^ Rot(v[0], 13) ^ Rot(v[0], 22);
            const std::uint32_t maj = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
            const std::uint32_t t2 = s0 + maj;
            v = {t1 + t2, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
        }
        for (int i = 0; i < 8; ++i) h_[i] += v[i];
        used_ = 0;
    }

    std::array<std::uint32_t, 8> h_ = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::uint8_t block_[64] = {};
    std::size_t used_ = 0;
    std::uint64_t length_ = 0;
};

}  // namespace

std::vector<ManifestRow> ReadManifest(const std::filesystem::path& corpus,
                                      const std::vector<std::string>& prefixes) {
    std::ifstream in(corpus / "manifest.tsv");
    if (!in) throw std::runtime_error("cannot read manifest.tsv");
    std::string line;
    std::getline(in, line);  // header
    std::vector<ManifestRow> rows;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = SplitTabs(line);
        if (f.size() < 10) continue;
        bool wanted = false;
        for (const std::string& p : prefixes) wanted = wanted || f[0].rfind(p, 0) == 0;
        if (!wanted) continue;
        ManifestRow row;
        row.path = f[0];
        row.expect = f[2];
        row.route = f[3];
        row.width = f[4].empty() ? 0 : std::stoi(f[4]);
        row.height = f[5].empty() ? 0 : std::stoi(f[5]);
        const std::string& rule = f[8];
        const std::string& rgb = f[6];
        if (IsDigest(rule)) {
            row.acceptedDigests.push_back(rule);
        } else if (IsDigest(rgb)) {
            row.acceptedDigests.push_back(rgb);
        }
        std::istringstream alts(f[9]);
        std::string word;
        while (alts >> word) {
            if (IsDigest(word)) row.acceptedDigests.push_back(word);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string Sha256Hex(std::span<const std::uint8_t> data) {
    Sha256 sha;
    sha.Update(data.data(), data.size());
    return sha.HexDigest();
}

std::string RgbDigest(const Bitmap& bitmap) {
    Sha256 sha;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(bitmap.Width()) * 3);
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            const Color c = bitmap.Pixel(x, y);
            row[3 * x] = c.r;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.b;
        }
        sha.Update(row.data(), row.size());
    }
    return sha.HexDigest();
}

std::vector<ModernRow> ReadModernManifest(const std::filesystem::path& corpus) {
    std::ifstream in(corpus / "modern" / "manifest.tsv");
    if (!in) throw std::runtime_error("modern/manifest.tsv missing");
    std::string line;
    std::getline(in, line);  // header
    std::vector<ModernRow> rows;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = SplitTabs(line);
        if (f.size() < 7) continue;
        ModernRow row;
        row.path = f[0];
        row.kind = f[1];
        row.expect = f[2];
        if (row.expect == "decodes") {
            row.width = std::stoi(f[3]);
            row.height = std::stoi(f[4]);
            row.reference = f[5];
            row.tolerance = std::stod(f[6]);
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace pictorel::test
