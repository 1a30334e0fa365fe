// JPEG files built to keep the reader busy: a flood of small APP segments,
// a flood of empty progressive scans. Both must be dealt with at once, and
// what the program reads from the segments must not change.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "FormatFixtures.h"
#include "ReaderTesting.h"
#include "base/Errors.h"
#include "formats/JpegReader.h"

namespace pictorel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Segment(std::uint8_t marker, const std::string& tag, const Bytes& payload) {
    const std::size_t length = 2 + tag.size() + payload.size();
    Bytes s(4 + tag.size() + payload.size());
    s[0] = 0xFF;
    s[1] = marker;
    s[2] = static_cast<std::uint8_t>(length >> 8);
    s[3] = static_cast<std::uint8_t>(length);
    std::copy(tag.begin(), tag.end(), s.begin() + 4);
    std::copy(payload.begin(), payload.end(), s.begin() + 4 + static_cast<long>(tag.size()));
    return s;
}

// APP2 chunk `number` of `count` of an ICC profile.
Bytes IccChunk(int number, int count, const Bytes& bytes) {
    Bytes payload = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(count)};
    payload.insert(payload.end(), bytes.begin(), bytes.end());
    return Segment(0xE2, std::string("ICC_PROFILE") + '\0', payload);
}

// `jpeg` with `segments` placed right after its SOI.
Bytes AfterSoi(Bytes jpeg, const std::vector<Bytes>& segments) {
    Bytes joined;
    for (const Bytes& s : segments) joined.insert(joined.end(), s.begin(), s.end());
    jpeg.insert(jpeg.begin() + 2, joined.begin(), joined.end());
    return jpeg;
}

std::chrono::duration<double> Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::steady_clock::now() - start;
}

TEST(HostileJpegTest, FloodOfSmallAppSegmentsLoadsAtOnceAndKeepsProfileAndOrientation) {
    const Bytes first = {1, 2, 3, 4, 5};
    const Bytes second = {6, 7, 8};
    std::vector<Bytes> segments = {IccChunk(2, 2, second)};
    const Bytes junk = Segment(0xE2, std::string("FPXR") + '\0', {0, 1});
    segments.insert(segments.end(), 100000, junk);
    segments.push_back(Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/") + '\0', {}));
    segments.push_back(IccChunk(1, 2, first));
    // A 16 x 8 picture stored turned (EXIF orientation 6, after the flood).
    const Bytes jpeg = AfterSoi(test::MakeJpeg(16, 8, test::Pattern, 6), segments);

    const auto start = std::chrono::steady_clock::now();
    test::DecodedBy<JpegReader> reader;
    reader.LoadFromMemory(jpeg);
    EXPECT_LT(Since(start).count(), 2.0);
    EXPECT_EQ(reader.Width(), 8);
    EXPECT_EQ(reader.Height(), 16);
    EXPECT_EQ(reader.IccProfile(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
}

// The profile is dropped whole where its chunks do not add up, as libjpeg's
// own reading of them does.
TEST(HostileJpegTest, IccChunksThatDoNotAddUpGiveNoProfile) {
    const Bytes a = {1, 2}, b = {3};
    const struct {
        const char* fault;
        std::vector<Bytes> segments;
    } cases[] = {
        {"repeated chunk", {IccChunk(1, 2, a), IccChunk(2, 2, b), IccChunk(2, 2, b)}},
        {"missing chunk", {IccChunk(1, 3, a), IccChunk(3, 3, b)}},
        {"counts differ", {IccChunk(1, 2, a), IccChunk(2, 3, b)}},
        {"number zero", {IccChunk(0, 1, a), IccChunk(1, 1, b)}},
        {"no bytes", {IccChunk(1, 1, {})}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        test::DecodedBy<JpegReader> reader;
        reader.LoadFromMemory(AfterSoi(test::MakeJpeg(8, 8, test::Pattern), c.segments));
        EXPECT_EQ(reader.Width(), 8);
        EXPECT_TRUE(reader.IccProfile().empty());
    }
}

// A progressive 64 x 64 file followed by `extra` empty AC scans of its first
// component, which libjpeg decodes as corrupt data (zeros).
Bytes WithEmptyScans(int extra) {
    Bytes jpeg = test::MakeJpeg(64, 64, test::Pattern, 0, false, true);
    jpeg.resize(jpeg.size() - 2);  // the EOI
    const Bytes scan = {0xFF, 0xDA, 0, 8, 1, 1, 0x00, 1, 63, 0x00};
    for (int i = 0; i < extra; ++i) jpeg.insert(jpeg.end(), scan.begin(), scan.end());
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    return jpeg;
}

class CountingSink : public RowSink {
  public:
    bool Accept(const RowPicture& picture, MemoryBudget::Reservation&) override {
        row.resize(3 * static_cast<std::size_t>(picture.width));
        return true;
    }
    std::uint8_t* NextRow() override { return row.data(); }
    void RowDone() override { ++rows; }
    Bytes row;
    int rows = 0;
};

// The simple progression of a colour file has 10 scans: 990 more make the
// most a file may have, one more is refused as damaged, either way of reading.
TEST(HostileJpegTest, MoreThanAThousandScansAreRefusedAsDamaged) {
    test::DecodedBy<JpegReader> atLimit;
    atLimit.LoadFromMemory(WithEmptyScans(990));
    EXPECT_EQ(atLimit.Width(), 64);
    CountingSink sink;
    std::vector<std::uint8_t> profile;
    EXPECT_TRUE(JpegReader().DeliverRows(WithEmptyScans(990), sink, profile));
    EXPECT_EQ(sink.rows, 64);

    const Bytes flood = WithEmptyScans(991);
    test::DecodedBy<JpegReader> reader;
    try {
        reader.LoadFromMemory(flood);
        FAIL() << "accepted";
    } catch (const InvalidPicture& e) {
        EXPECT_STREQ(e.what(), "Cannot load image. Invalid or unexpected JPEG image format.");
    }
    EXPECT_TRUE(reader.Empty());
    CountingSink refused;
    EXPECT_THROW(JpegReader().DeliverRows(flood, refused, profile), InvalidPicture);
}

}  // namespace
}  // namespace pictorel
