#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "formats/LoadedPicture.h"
#include "formats/PictureWriter.h"
#include "imaging/ResampleBitmap.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

namespace fs = std::filesystem;

class EditCommandTest : public ::testing::Test {
  protected:
    // Runs "pictorel-cli edit ARGS"; returns standard output, sets status;
    // standard error goes to `errors`.
    std::string Edit(const std::string& args, const std::string& errors = "/dev/null") {
        const std::string command = test::CliCommand() + " edit " + args + " 2>" + errors;
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
        std::string out;
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
            out.append(buffer, n);
        status = ::pclose(pipe.release());
        return out;
    }
    std::string Out(const std::string& name) const { return dir.Str() + name; }
    Bitmap Read(const std::string& name) const {
        LoadedPicture p;
        LoadPicture(p, Out(name));
        return p.ToBitmap().ToBgr24();
    }
    // An 800 x 800 picture whose pixels all differ, written as PNG.
    std::string Source() {
        Bitmap b(800, 800);
        for (int y = 0; y < 800; ++y)
            for (int x = 0; x < 800; ++x)
                b.SetPixel(x, y,
                           Color{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                 static_cast<std::uint8_t>((x / 8) ^ (y / 8))});
        source = b;
        WritePicture(b, Out("src.png"));
        return Out("src.png");
    }

    test::TempDir dir;
    Bitmap source;
    int status = -1;
};

TEST_F(EditCommandTest, CropIsCutFromTheFullPicture) {
    const std::string in = Source();
    EXPECT_EQ(Edit(in + " " + Out("crop.png") + " --crop 40,60,160"), Out("crop.png") + "\n");
    EXPECT_EQ(status, 0);
    // Scale 2.0000: view (40, 60) side 160 is the picture's (80, 120) side 320.
    Bitmap part(320, 320);
    part.CopyRect(0, 0, source, Rect{80, 120, 400, 440});
    EXPECT_EQ(Read("crop.png"), ResampleBitmap(part, 400, 400));
}

TEST_F(EditCommandTest, KeyCommandsMoveAndSizeTheFrame) {
    const std::string in = Source();
    Edit(in + " " + Out("keys.png") + " --crop 40,60,150 --move 5,-10 --grow 10");
    EXPECT_EQ(status, 0);
    Edit(in + " " + Out("direct.png") + " --crop 45,50,160");
    EXPECT_EQ(Read("keys.png"), Read("direct.png"));
}

TEST_F(EditCommandTest, FourTurnsAndAFullFrameChangeNothing) {
    const std::string in = Source();
    Edit(in + " " + Out("plain.png"));
    Edit(in + " " + Out("turned.png") + " --rotate --rotate --rotate --rotate --crop 0,0,400");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Read("turned.png"), Read("plain.png"));
    Edit(in + " " + Out("once.png") + " --rotate");
    EXPECT_NE(Read("once.png"), Read("plain.png"));
}

TEST_F(EditCommandTest, StraightenSaysWhenTooFewLinesAndTogglesBack) {
    // A smooth gradient: no lines at all.
    Bitmap smooth(300, 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            smooth.SetPixel(x, y, Color{static_cast<std::uint8_t>(x / 2), 90, 140});
    WritePicture(smooth, Out("smooth.png"));
    Edit(Out("smooth.png") + " " + Out("plain.png"));
    EXPECT_EQ(Edit(Out("smooth.png") + " " + Out("tried.png") + " --straighten", Out("err.txt")),
              Out("tried.png") + "\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(test::ReadText(Out("err.txt")),
              "pictorel-cli edit: --straighten: 垂直・水平の線が足りないため補正できません。\n");
    EXPECT_EQ(Read("tried.png"), Read("plain.png"));
}

TEST_F(EditCommandTest, StraightenGivenTwiceChangesNothing) {
    PICTOREL_REQUIRE_TESTDATA(data);
    const std::string photo = (data / "jpeg/camera/nikon-e950_800x600.jpg").string();
    Edit(photo + " " + Out("plain.png"));
    Edit(photo + " " + Out("once.png") + " --straighten");
    EXPECT_EQ(status, 0);
    EXPECT_NE(Read("once.png"), Read("plain.png"));
    Edit(photo + " " + Out("twice.png") + " --straighten --rotate --straighten --crop 0,0,400");
    Edit(photo + " " + Out("turned.png") + " --rotate --crop 0,0,400");
    EXPECT_EQ(Read("twice.png"), Read("turned.png"));
    Edit(photo + " " + Out("back.png") + " --straighten --step-back");
    EXPECT_EQ(Read("back.png"), Read("plain.png"));
}

TEST_F(EditCommandTest, MarkerIsStampedWhereItIsShown) {
    const std::string in = Source();
    Edit(in + " " + Out("plain.png"));
    Edit(in + " " + Out("marker.png") + " --marker 102,52,60 --turn-left");
    EXPECT_EQ(status, 0);
    const Bitmap plain = Read("plain.png"), marked = Read("marker.png");
    // Result-view position (100, 50), 60 x 60; the centre is inside the needle.
    EXPECT_EQ(marked.Pixel(130, 80), kBlack);
    EXPECT_EQ(marked.Pixel(100, 50), plain.Pixel(100, 50));  // transparent corner
    for (int y = 0; y < 400; y += 7) {
        for (int x = 0; x < 400; x += 7) {
            if (x >= 100 && x < 160 && y >= 50 && y < 110) continue;
            EXPECT_EQ(marked.Pixel(x, y), plain.Pixel(x, y)) << x << "," << y;
        }
    }
}

TEST_F(EditCommandTest, JpegOutputNeverOverwrites) {
    const std::string in = Source();
    EXPECT_EQ(Edit(in + " " + Out("r.jpg") + " --brighter"), Out("r.jpg") + "\n");
    EXPECT_EQ(Edit(in + " " + Out("r.jpg") + " --effect grayscale"), Out("r-1.jpg") + "\n");
    EXPECT_EQ(status, 0);
    const Bitmap grey = Read("r-1.jpg");
    EXPECT_EQ(grey.Width(), 400);
    const Color c = grey.Pixel(200, 200);
    EXPECT_NEAR(c.r, c.b, 3);  // JPEG keeps a grey picture grey within its error
}

TEST_F(EditCommandTest, FailuresWriteNothing) {
    test::WriteFile(dir.Path() / "broken.jpg", std::string("not a picture"));
    EXPECT_EQ(Edit(Out("broken.jpg") + " " + Out("a.png")), "");
    EXPECT_EQ(status >> 8, 1);
    const std::string in = Source();
    Edit(in + " " + Out("b.png") + " --crop 1,2");
    EXPECT_EQ(status >> 8, 2);
    Edit(in + " " + Out("c.png") + " --effect nothing");
    EXPECT_EQ(status >> 8, 2);
    Edit(in + " " + Out("d.gif"));
    EXPECT_EQ(status >> 8, 2);
    for (const char* name : {"a.png", "b.png", "c.png", "d.gif"})
        EXPECT_FALSE(fs::exists(Out(name))) << name;
}

TEST_F(EditCommandTest, RealPhotosGiveTheEditorsResult) {
    PICTOREL_REQUIRE_TESTDATA(data);
    const std::string photo = (data / "jpeg" / "photo_jolla_3264x2448.jpg").string();
    Edit("'" + photo + "' " + Out("plain.png"));
    ASSERT_EQ(status, 0);
    Edit("'" + photo + "' " + Out("full.png") + " --crop 0,0,400");
    Edit("'" + photo + "' " + Out("turned.png") + " --rotate --rotate --rotate --rotate");
    Edit("'" + photo + "' " + Out("crop.png") + " --crop 100,100,160 --marker 300,20,80");
    const Bitmap plain = Read("plain.png");
    EXPECT_EQ(plain.Width(), 400);
    EXPECT_EQ(plain.Height(), 400);
    // 3264 x 2448 letterboxed in a 3264 square: white bands of 50 view rows.
    EXPECT_EQ(plain.Pixel(200, 10), kWhite);
    EXPECT_NE(plain.Pixel(200, 200), kWhite);
    EXPECT_EQ(Read("full.png"), plain);
    EXPECT_EQ(Read("turned.png"), plain);
    const Bitmap crop = Read("crop.png");
    EXPECT_NE(crop.Pixel(10, 10), kWhite);   // the crop lies inside the photo
    EXPECT_EQ(crop.Pixel(338, 58), kBlack);  // the marker's centre
}

TEST_F(EditCommandTest, NewToolsAndStepBackInOrder) {
    const std::string in = Source();
    Edit(in + " " + Out("plain.png"));
    // The source is 800 x 800: work-view pixels are half of its pixels.
    Edit(in + " " + Out("mosaic.png") + " --mosaic 100,40,80,30");
    EXPECT_EQ(status, 0);
    const Bitmap plain = Read("plain.png"), mosaic = Read("mosaic.png");
    EXPECT_EQ(mosaic.Pixel(100, 40), mosaic.Pixel(107, 49));  // one 8 x 10 block
    EXPECT_NE(mosaic.Pixel(100, 40), mosaic.Pixel(108, 40));
    EXPECT_NE(mosaic.Pixel(100, 40), plain.Pixel(100, 40));
    EXPECT_EQ(mosaic.Pixel(99, 40), plain.Pixel(99, 40));

    Edit(in + " " + Out("back.png") + " --mosaic 100,40,80,30 --sharpen --step-back --step-back");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Read("back.png"), plain);
    Edit(in + " " + Out("auto.png") + " --auto-adjust --step-back");
    EXPECT_EQ(Read("auto.png"), plain);

    // --undo still drops the adjustments only, and a mosaic outside the view
    // or a step back with nothing before it is told but saves.
    Edit(in + " " + Out("undo.png") + " --mosaic 100,40,80,30 --brighter --undo");
    EXPECT_EQ(Read("undo.png"), mosaic);
    Edit(in + " " + Out("none.png") + " --step-back --mosaic 500,500,10,10");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Read("none.png"), plain);
    Edit(in + " " + Out("bad.png") + " --mosaic 1,2,0,4");
    EXPECT_NE(status, 0);
}

}  // namespace
}  // namespace pictorel
