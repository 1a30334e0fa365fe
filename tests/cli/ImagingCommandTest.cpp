#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "formats/PictureWriter.h"
#include "imaging/BitmapEffects.h"
#include "imaging/BitmapUtils.h"
#include "imaging/ResampleBitmap.h"
#include "support/RandomPictures.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

int RunCli(const std::string& args) {
    const std::string command = test::CliCommand() + " " + args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Reads the P6 file that the commands write, as a 24-bit picture.
Bitmap ReadP6(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    EXPECT_EQ(magic, "P6");
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int r = in.get(), g = in.get(), bl = in.get();
            b.SetPixel(x, y,
                       Color{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                             static_cast<std::uint8_t>(bl)});
        }
    EXPECT_TRUE(in.good());
    return b;
}

class ImagingCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        source_ = test::RandomPicture(23, 17, 23 * 31 + 17);
        WritePpm(source_, in_);
    }
    std::string Quoted(const std::string& name) const { return "'" + dir_.Str() + name + "'"; }

    test::TempDir dir_;
    std::string in_ = dir_.Str() + "in.ppm";
    Bitmap source_;
};

TEST_F(ImagingCommandTest, ResizeAndRotateWriteTheRoutinesResults) {
    ASSERT_EQ(RunCli("resize " + Quoted("in.ppm") + " 9 40 " + Quoted("r.ppm")), 0);
    EXPECT_TRUE(ReadP6(dir_.Path() / "r.ppm") == ResampleBitmap(source_, 9, 40));
    ASSERT_EQ(RunCli("rotate " + Quoted("in.ppm") + " " + Quoted("t.ppm")), 0);
    EXPECT_TRUE(ReadP6(dir_.Path() / "t.ppm") == RotateBitmap90(source_));
    EXPECT_EQ(RunCli("resize " + Quoted("in.ppm") + " 0 4 " + Quoted("z.ppm")), 2);
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "z.ppm"));
}

TEST_F(ImagingCommandTest, EffectFlagsAnywhereAndNumbersInOrder) {
    // emboss is grey by default, written as grey RGB; --color may follow OUT.
    ASSERT_EQ(RunCli("effect emboss " + Quoted("in.ppm") + " " + Quoted("g.ppm")), 0);
    Bitmap grey = source_;
    ASSERT_TRUE(EmbossBitmap(grey, true));
    EXPECT_TRUE(ReadP6(dir_.Path() / "g.ppm") == grey.ToBgr24());
    ASSERT_EQ(RunCli("effect emboss " + Quoted("in.ppm") + " " + Quoted("c.ppm") + " --color"), 0);
    Bitmap colour = source_;
    ASSERT_TRUE(EmbossBitmap(colour, false));
    EXPECT_TRUE(ReadP6(dir_.Path() / "c.ppm") == colour);

    ASSERT_EQ(RunCli("effect tile " + Quoted("in.ppm") + " " + Quoted("t.ppm") + " 10 0"), 0);
    Bitmap tiles = source_;
    ASSERT_TRUE(TileBitmap(tiles, 10, 0));
    EXPECT_TRUE(ReadP6(dir_.Path() / "t.ppm") == tiles);
}

TEST_F(ImagingCommandTest, RejectedCallsFailWithoutWriting) {
    EXPECT_EQ(RunCli("effect tile " + Quoted("in.ppm") + " " + Quoted("a.ppm") + " 9"), 1);
    EXPECT_EQ(RunCli("effect grid " + Quoted("in.ppm") + " " + Quoted("a.ppm") + " 1"), 1);
    EXPECT_EQ(RunCli("effect brighten " + Quoted("in.ppm") + " " + Quoted("a.ppm") + " 101"), 1);
    EXPECT_EQ(RunCli("effect brighten " + Quoted("in.ppm") + " " + Quoted("a.ppm")), 2);
    EXPECT_EQ(RunCli("effect grid --stretch " + Quoted("in.ppm") + " " + Quoted("a.ppm")), 2);
    EXPECT_EQ(RunCli("effect blur " + Quoted("in.ppm") + " " + Quoted("a.ppm")), 2);
    EXPECT_EQ(RunCli("effect sharpen " + Quoted("missing.ppm") + " " + Quoted("a.ppm")), 1);
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "a.ppm"));
}

}  // namespace
}  // namespace pictorel
