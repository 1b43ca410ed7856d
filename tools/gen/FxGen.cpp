#include "FxGen.h"

#include <cstdio>
#include <fstream>
#include <functional>

#include "ArtBoard.h"
#include "ArtScenes.h"
#include "FxBonus.h"
#include "FxSandbox.h"
#include "FxSprites.h"
#include "GenCommon.h"

namespace gen {

namespace {

constexpr const char* kDefaultTitle = "The Glorvane of Quolvarin";
constexpr int kSceneQuality = 92;
constexpr int kTextureQuality = 95;

std::string GameTitle(const std::filesystem::path& gameRoot) {
    std::ifstream in(gameRoot / "appname.txt");
    std::string line;
    if (!in || !std::getline(in, line))
        return kDefaultTitle;
    const size_t first = line.find_first_not_of(" \t\r\n");
    const size_t last = line.find_last_not_of(" \t\r\n");
    if (first == std::string::npos)
        return kDefaultTitle;
    return line.substr(first, last - first + 1);
}

enum class Format { Png, Tga, Bmp, Jpeg };

struct SheetFile {
    const char* name;
    Format format;
    Sheet (*paint)();
};

const SheetFile kSheets[] = {
    {"Spark.bmp", Format::Bmp, PaintSpark},
    {"StarParticle.bmp", Format::Bmp, PaintStarParticle},
    {"SpellFuzzy.bmp", Format::Bmp, PaintSpellFuzzy},
    {"Halo1.tga", Format::Tga, PaintHalo},
    {"Ring.tga", Format::Tga, PaintRing},
    {"Twirl.tga", Format::Tga, PaintTwirl},
    {"Lightning.jpg", Format::Jpeg, PaintLightning},
    {"Flare.jpg", Format::Jpeg, PaintFlare},
    {"JungleFlash.tga", Format::Tga, PaintJungleFlash},
    {"PanelGlass.tga", Format::Tga, PaintPanelGlass},
    {"SmallSand.tga", Format::Tga, PaintSmallSand},
    {"FireCloud.jpg", Format::Jpeg, PaintFireCloud},
    {"GemFlares.tga", Format::Tga, PaintGemFlares},
    {"Sandbox.jpg", Format::Jpeg, PaintSandSurface},
    {"SandboxGlass.tga", Format::Tga, PaintSandboxGlass},
    {"SandboxFront.png", Format::Png, PaintSandboxFront},
    {"ScoreFrenzyStar.png", Format::Png, PaintFrenzyStar},
    {"Bonus1.png", Format::Png, PaintDynamite},
    {"Bonus2.tga", Format::Tga, PaintFlashSheet},
    {"Bonus3.tga", Format::Tga, PaintClockSheet},
    {"Bonus4.tga", Format::Tga, PaintAdviserSheet},
    {"Bonus5.tga", Format::Tga, PaintSolidaritySheet},
    {"AllGems.png", Format::Png, PaintGemPictures},
    {"AccuracyToken.png", Format::Png, PaintAccuracyToken},
};

bool SaveSheet(const std::filesystem::path& path, const Sheet& sheet, Format format, std::string& error) {
    switch (format) {
    case Format::Png:
        return SavePng(path, sheet, error);
    case Format::Tga:
        return SaveTga(path, sheet, error);
    case Format::Bmp:
        return SaveBmp(path, sheet, error);
    case Format::Jpeg:
        return SaveJpegRgb(path, sheet.RgbBytes(), sheet.Width(), sheet.Height(), kTextureQuality, error);
    }
    return false;
}

// A picture with an "_alpha" companion: the colour and its alpha as grey.
bool SaveWithAlpha(const std::filesystem::path& gfx, const std::string& base, const Sheet& sheet, std::string& error) {
    return SaveJpegRgb(gfx / (base + ".jpg"), sheet.RgbBytes(), sheet.Width(), sheet.Height(), kTextureQuality, error) &&
           SaveJpegGrey(gfx / (base + "_alpha.jpg"), sheet.AlphaBytes(), sheet.Width(), sheet.Height(), kTextureQuality,
                        error);
}

bool WriteBoard(const std::filesystem::path& gfx, std::string& error) {
    if (!SaveJpeg(gfx / "FieldBack.jpg", PaintFieldBack(), kSceneQuality, error))
        return false;
    Sheet frame(kFrameTexture, kFrameTexture);
    frame.Put(PaintFieldFrame(), 0, 0, Store::Straight);
    return SavePng(gfx / "FieldFrame.png", frame, error);
}

bool WriteScenes(const std::filesystem::path& root, const std::filesystem::path& gfx, std::string& error) {
    // The stages' own backdrops paint their pictures (ArtBackdrops.cpp); the
    // intro and the menu forms keep a still scene.
    for (int stage : {1, 5})
        if (!SaveJpeg(gfx / ("Backdrop" + std::to_string(stage) + ".jpg"), PaintBackdrop(stage), kSceneQuality, error))
            return false;
    const std::string title = GameTitle(root);
    FloatImage picture;
    if (!PaintLoading(title, picture, error) || !SaveJpeg(gfx / "Loading.jpg", picture, kSceneQuality, error))
        return false;
    const std::filesystem::path fsdata = root / "fsdata";
    if (!EnsureFolder(fsdata, error))
        return false;
    if (!PaintStudioCard(picture, error) || !SaveJpeg(fsdata / "splash1.jpg", picture, kSceneQuality, error))
        return false;
    return PaintTitleCard(title, picture, error) && SaveJpeg(fsdata / "splash2.jpg", picture, kSceneQuality, error);
}

}  // namespace

std::vector<std::string> EffectsArtFiles() {
    std::vector<std::string> files;
    for (const SheetFile& s : kSheets)
        files.push_back(std::string("Data/Gfx/") + s.name);
    for (const char* name : {"Cloud.jpg", "Cloud_alpha.jpg", "AllGemLights.jpg", "AllGemLights_alpha.jpg",
                             "FieldBack.jpg", "FieldFrame.png", "Backdrop1.jpg", "Backdrop5.jpg", "Loading.jpg"})
        files.push_back(std::string("Data/Gfx/") + name);
    files.push_back("fsdata/splash1.jpg");
    files.push_back("fsdata/splash2.jpg");
    return files;
}

bool WriteEffectsArt(const std::filesystem::path& gameRoot, std::string& error) {
    const std::filesystem::path gfx = gameRoot / "Data" / "Gfx";
    if (!EnsureFolder(gfx, error))
        return false;
    for (const SheetFile& s : kSheets)
        if (!SaveSheet(gfx / s.name, s.paint(), s.format, error))
            return false;
    return SaveWithAlpha(gfx, "Cloud", PaintCloud(), error) &&
           SaveWithAlpha(gfx, "AllGemLights", PaintGemLights(), error) && WriteBoard(gfx, error) &&
           WriteScenes(gameRoot, gfx, error);
}

int GenerateEffectsArt(const std::filesystem::path& gameRoot) {
    std::string error;
    if (!WriteEffectsArt(gameRoot, error)) {
        std::fprintf(stderr, "gv_gen: effects art: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace gen
