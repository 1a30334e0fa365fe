// The psd/ and eps/ rows of the shared corpus, read directly by their readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "CorpusManifest.h"
#include "ReaderTesting.h"
#include "base/Errors.h"
#include "formats/EpsReader.h"
#include "formats/PsdReader.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

template <class Reader>
void CheckCorpusRows(const std::string& prefix) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    const auto rows = test::ReadManifest(corpus, {prefix});
    ASSERT_FALSE(rows.empty());
    int decoded = 0;
    for (const test::ManifestRow& row : rows) {
        SCOPED_TRACE(row.path);
        const auto bytes = test::ReadFile(corpus / row.path);
        const bool byContent = row.route.find("by content") != std::string::npos;
        EXPECT_EQ(Reader::RecognisesContent(bytes), byContent);

        test::DecodedBy<Reader> reader;
        bool ok = false;
        try {
            reader.LoadFromFile((corpus / row.path).string());
            ok = true;
        } catch (const InvalidPicture& e) {
            EXPECT_NE(row.expect, "decodes") << e.what();
            EXPECT_TRUE(reader.Empty());
        }
        if (row.expect == "must-fail") {
            EXPECT_FALSE(ok);
        }
        if (!ok) continue;
        ++decoded;
        EXPECT_EQ(reader.Width(), row.width);
        EXPECT_EQ(reader.Height(), row.height);
        if (!row.acceptedDigests.empty()) {
            const std::string digest = test::RgbDigest(reader.GetBitmap());
            EXPECT_NE(std::find(row.acceptedDigests.begin(), row.acceptedDigests.end(), digest),
                      row.acceptedDigests.end())
                << "digest " << digest;
        }
    }
    EXPECT_GT(decoded, 0);
}

TEST(PsdEpsCorpusTest, PsdRows) {
    CheckCorpusRows<PsdReader>("psd/");
}

TEST(PsdEpsCorpusTest, EpsRows) {
    CheckCorpusRows<EpsReader>("eps/");
}

}  // namespace
}  // namespace pictorel
