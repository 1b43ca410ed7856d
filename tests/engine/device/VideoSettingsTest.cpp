// The video settings in "Options.ini".
#include "engine/VideoSettings.h"
#include "support/TempDir.h"

using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

TEST(VideoSettingsTest, MissingFileGivesWindowedDefaults) {
    TempDir dir;
    CVideoSettings settings(dir.Path("Options.ini"));
    VideoSettingsBlock block;
    block.adapter = 3;
    block.format = 22;
    block.gpuClass = 4;
    block.libraryHandle = 9;
    settings.Set(block);
    settings.Load();
    const VideoSettingsBlock& b = settings.Get();
    EXPECT_EQ(b.adapter, 0);
    EXPECT_EQ(b.colorMode, -1);
    EXPECT_EQ(b.fullScreen, 0);
    EXPECT_EQ(b.width, 640);
    EXPECT_EQ(b.height, 480);
    EXPECT_EQ(b.videoSync, 1);
    // Words that have no key stay as they were.
    EXPECT_EQ(b.format, 22u);
    EXPECT_EQ(b.gpuClass, 4);
    EXPECT_EQ(b.libraryHandle, 9u);
    // An unchosen colour mode is never written.
    EXPECT_FALSE(settings.Save());
    EXPECT_FALSE(std::filesystem::exists(dir.Path("Options.ini")));
}

TEST(VideoSettingsTest, SaveAndLoadRoundTripKeepingOtherSections) {
    TempDir dir;
    const std::string file =
        dir.Write("Options.ini", "[Sound]\r\nVolume=80\r\n[Settings]\r\nWidth=1\r\n");
    CVideoSettings out(file);
    VideoSettingsBlock b;
    b.adapter = 1;
    b.colorMode = 32;
    b.fullScreen = 5;
    b.width = 1024;
    b.height = 768;
    b.videoSync = 0;
    out.Set(b);
    ASSERT_TRUE(out.Save());
    const std::string text = ReadFile(file);
    EXPECT_NE(text.find("Volume=80"), std::string::npos);
    EXPECT_NE(text.find("FullScreen=1"), std::string::npos) << "flags are written as 0/1";
    EXPECT_NE(text.find("VideoSync=0"), std::string::npos);

    CVideoSettings in(file);
    in.Load();
    EXPECT_EQ(in.Get().adapter, 1);
    EXPECT_EQ(in.Get().colorMode, 32);
    EXPECT_EQ(in.Get().fullScreen, 1);
    EXPECT_EQ(in.Get().width, 1024);
    EXPECT_EQ(in.Get().height, 768);
    EXPECT_EQ(in.Get().videoSync, 0);

    b.adapter = -1;
    out.Set(b);
    EXPECT_FALSE(out.Save());
}

TEST(VideoSettingsTest, ValuesAreReadAsDecimalIntegers) {
    TempDir dir;
    const std::string file = dir.Write(
        "Options.ini",
        "[settings]\nadapter = -2\nColorMode=sixteen\nWidth=\"800\"\nHeight=600px\nFullScreen=\n");
    CVideoSettings s(file);
    s.Load();
    EXPECT_EQ(s.Get().adapter, -2);
    EXPECT_EQ(s.Get().colorMode, 0);
    EXPECT_EQ(s.Get().width, 800);
    EXPECT_EQ(s.Get().height, 600);
    EXPECT_EQ(s.Get().fullScreen, 0);
    EXPECT_EQ(s.Get().videoSync, 1);
}

TEST(VideoSettingsTest, DefaultFileIsTheGamesOptionsFile) {
    // A game path: read through the user folder, never the working directory.
    const std::string f = CVideoSettings::DefaultFile();
    EXPECT_EQ(f, "Data\\Config\\Options.ini");
    EXPECT_EQ(CVideoSettings().File(), f);
}

}  // namespace
