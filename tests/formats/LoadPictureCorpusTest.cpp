// Every row of the shared corpus through the editor's loading rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <set>
#include <string>

#include "CorpusManifest.h"
#include "base/Errors.h"
#include "formats/LoadedPicture.h"
#include "formats/PictureFormats.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

TEST(LoadPictureCorpusTest, EveryRowLoadsOrFailsAsListed) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    const auto rows = test::ReadManifest(corpus, {""});
    ASSERT_GT(rows.size(), 200u);
    // Files with a non-sRGB colour profile change on purpose: the modern
    // corpus lists them with the picture they must now match instead.
    std::set<std::string> converted;
    for (const test::ModernRow& row : test::ReadModernManifest(corpus)) {
        if (row.path.rfind("../", 0) == 0) converted.insert(row.path.substr(3));
    }
    ASSERT_FALSE(converted.empty());
    std::map<std::string, int> counts;
    for (const test::ManifestRow& row : rows) {
        if (row.expect == "refused") continue;
        SCOPED_TRACE(row.path);
        const std::string path = (corpus / row.path).string();
        const bool byContent = row.route.find("by content") != std::string::npos;
        EXPECT_EQ(FormatByContent(path) != nullptr, byContent) << row.route;

        LoadedPicture picture;
        std::string error;
        try {
            LoadPicture(picture, path);
        } catch (const Error& e) {
            error = e.what();
        }
        if (!error.empty()) {
            EXPECT_NE(row.expect, "decodes") << error;
            EXPECT_TRUE(picture.Empty());
            ++counts[row.expect + ": failed"];
            continue;
        }
        EXPECT_NE(row.expect, "must-fail");
        EXPECT_EQ(picture.Width(), row.width);
        EXPECT_EQ(picture.Height(), row.height);
        std::string outcome = row.expect + ": decoded";
        if (converted.count(row.path) != 0) {
            outcome += ", colours converted (see the modern corpus)";
        } else if (!row.acceptedDigests.empty()) {
            const std::string digest = test::RgbDigest(picture.ToBitmap());
            const bool accepted = std::find(row.acceptedDigests.begin(), row.acceptedDigests.end(),
                                            digest) != row.acceptedDigests.end();
            EXPECT_TRUE(accepted) << "digest " << digest;
            outcome += accepted ? ", digest accepted" : ", digest WRONG";
        } else {
            outcome += ", no digest listed";
        }
        ++counts[outcome];
    }
    for (const auto& [outcome, n] : counts) std::cout << "  " << n << "  " << outcome << "\n";
}

}  // namespace
}  // namespace pictorel
