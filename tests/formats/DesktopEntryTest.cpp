// The menu entry claims only picture types the program reads: a claimed type
// that is not a picture (a folder, PostScript) makes the program the opener of
// things it cannot show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "formats/PictureFormats.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::vector<std::string> ClaimedTypes() {
    std::istringstream entry(test::ReadText(std::filesystem::path(PICTOREL_SOURCE_DIR) /
                                            "packaging" / "pictorel.desktop"));
    std::vector<std::string> types;
    for (std::string line; std::getline(entry, line);) {
        if (!line.starts_with("MimeType=")) continue;
        std::istringstream list(line.substr(9));
        for (std::string type; std::getline(list, type, ';');)
            if (!type.empty()) types.push_back(Lower(type));
    }
    return types;
}

// The shared MIME database: alias -> canonical type, and type -> extensions.
struct MimeDatabase {
    std::map<std::string, std::string> canonical;
    std::map<std::string, std::set<std::string>> extensions;
};

MimeDatabase LoadMimeDatabase(const std::filesystem::path& folder) {
    MimeDatabase db;
    std::istringstream aliases(test::ReadText(folder / "aliases"));
    for (std::string alias, type; aliases >> alias >> type;)
        db.canonical[Lower(alias)] = Lower(type);
    // globs2 lines: weight:type:pattern[:flags]
    std::istringstream globs(test::ReadText(folder / "globs2"));
    for (std::string line; std::getline(globs, line);) {
        if (line.empty() || line[0] == '#') continue;
        const auto first = line.find(':');
        const auto second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string type = Lower(line.substr(first + 1, second - first - 1));
        std::string pattern = line.substr(second + 1);
        pattern = pattern.substr(0, pattern.find(':'));
        if (pattern.starts_with("*.")) db.extensions[type].insert(Lower(pattern.substr(2)));
    }
    return db;
}

TEST(DesktopEntryTest, ClaimsOnlyPictureTypesTheProgramReads) {
    const std::vector<std::string> types = ClaimedTypes();
    ASSERT_FALSE(types.empty()) << "no MimeType line in packaging/pictorel.desktop";
    for (const std::string& type : types) {
        EXPECT_FALSE(type.starts_with("inode/")) << type;
        EXPECT_NE(type, "application/postscript");
    }

    const std::filesystem::path mimeFolder = "/usr/share/mime";
    if (!std::filesystem::exists(mimeFolder / "globs2") ||
        !std::filesystem::exists(mimeFolder / "aliases"))
        GTEST_SKIP() << "shared MIME database not installed, extension check skipped";
    const MimeDatabase db = LoadMimeDatabase(mimeFolder);
    for (const std::string& type : types) {
        const auto alias = db.canonical.find(type);
        const std::string canonical = alias == db.canonical.end() ? type : alias->second;
        const auto known = db.extensions.find(canonical);
        ASSERT_NE(known, db.extensions.end()) << type << " has no file extension in the database";
        const bool readable =
            std::any_of(known->second.begin(), known->second.end(), [](const std::string& ext) {
                const std::vector<std::string_view> accepted = AcceptedExtensions();
                return std::find(accepted.begin(), accepted.end(), ext) != accepted.end();
            });
        EXPECT_TRUE(readable) << type << " names no extension the program accepts";
    }
}

}  // namespace
}  // namespace pictorel
