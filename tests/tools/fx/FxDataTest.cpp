// The effect, bonus, board and scene pictures the generator writes: every file
// in the size its reader needs, decodable by the game's own decoders; the
// cells the effects and bonuses cut out of the sheets hold their pictures and
// keep clear gutters; companions match their pictures; the loading bar lies
// where the engine reads it; the same bytes on every run.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FxPreview.h"
#include "support/TempDir.h"
#include "platform/image/Image.h"
#include "tools/gen/ArtBoard.h"
#include "tools/gen/ArtScenes.h"
#include "tools/gen/CapsGen.h"
#include "tools/gen/FxBonus.h"
#include "tools/gen/FxGen.h"
#include "tools/gen/FxSandbox.h"
#include "tools/lib/ImageWriter.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

std::string Source(const std::string& relative) { return std::string(GV_SOURCE_DIR) + "/" + relative; }

struct Size {
    int width, height;
};
// The size every picture must have, as its reader lays it out.
const std::map<std::string, Size> kSizes = {
    {"Data/Gfx/Spark.bmp", {64, 64}},          {"Data/Gfx/StarParticle.bmp", {64, 64}},
    {"Data/Gfx/SpellFuzzy.bmp", {64, 64}},     {"Data/Gfx/Halo1.tga", {128, 128}},
    {"Data/Gfx/Ring.tga", {128, 128}},         {"Data/Gfx/Twirl.tga", {256, 256}},
    {"Data/Gfx/Lightning.jpg", {64, 256}},     {"Data/Gfx/Flare.jpg", {256, 256}},
    {"Data/Gfx/JungleFlash.tga", {256, 256}},  {"Data/Gfx/PanelGlass.tga", {256, 256}},
    {"Data/Gfx/SmallSand.tga", {256, 256}},    {"Data/Gfx/Cloud.jpg", {256, 256}},
    {"Data/Gfx/Cloud_alpha.jpg", {256, 256}},  {"Data/Gfx/FireCloud.jpg", {256, 256}},
    {"Data/Gfx/GemFlares.tga", {256, 256}},    {"Data/Gfx/AllGemLights.jpg", {512, 256}},
    {"Data/Gfx/AllGemLights_alpha.jpg", {512, 256}}, {"Data/Gfx/AllGems.png", {256, 128}},
    {"Data/Gfx/AccuracyToken.png", {256, 256}},
    {"Data/Gfx/Bonus1.png", {256, 256}},       {"Data/Gfx/Bonus2.tga", {256, 256}},
    {"Data/Gfx/Bonus3.tga", {256, 256}},       {"Data/Gfx/Bonus4.tga", {256, 256}},
    {"Data/Gfx/Bonus5.tga", {256, 128}},       {"Data/Gfx/Sandbox.jpg", {256, 256}},
    {"Data/Gfx/SandboxGlass.tga", {256, 128}}, {"Data/Gfx/SandboxFront.png", {256, 128}},
    {"Data/Gfx/ScoreFrenzyStar.png", {64, 64}}, {"Data/Gfx/FieldBack.jpg", {gen::kBackSize, gen::kBackSize}},
    {"Data/Gfx/FieldFrame.png", {1024, 1024}}, {"Data/Gfx/Loading.jpg", {1024, 1024}},
    {"Data/Gfx/Backdrop1.jpg", {1024, 768}},   {"Data/Gfx/Backdrop5.jpg", {1024, 768}},
    {"fsdata/splash1.jpg", {1024, 768}},
    {"fsdata/splash2.jpg", {1024, 768}}};

// Pictures whose alpha carries their shape (the others are opaque).
bool HasAlpha(const std::string& name) {
    const std::string ext = name.substr(name.size() - 3);
    return ext == "png" || ext == "tga" || ext == "bmp";
}

struct Rect {
    int x0, y0, x1, y1;
};

class FxData : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempDir();
        pictures_ = new fxpreview::Pictures();
        written_ = gen::WriteEffectsArt(folder_->Root(), error_);
        if (!written_)
            return;
        for (const std::string& name : gen::EffectsArtFiles()) {
            img::Image im;
            if (img::DecodeFile((folder_->Root() / name).string(), im) == img::DecodeError::None)
                (*pictures_)[name] = std::move(im);
        }
    }
    static void TearDownTestSuite() {
        delete pictures_;
        delete folder_;
        pictures_ = nullptr;
        folder_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(written_) << error_; }

    static const img::Image& Image(const std::string& name) {
        static const img::Image empty;
        const auto it = pictures_->find(name);
        return it == pictures_->end() ? empty : it->second;
    }
    static const uint8_t* Texel(const img::Image& im, int x, int y) {
        return &im.rgba[(size_t(y) * size_t(im.width) + size_t(x)) * 4];
    }
    // Largest alpha (or, for opaque pictures, brightest channel) in a rectangle.
    static int Peak(const img::Image& im, const Rect& r, bool alpha) {
        int peak = 0;
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x) {
                const uint8_t* t = Texel(im, x, y);
                peak = std::max(peak, alpha ? int(t[3]) : int(std::max({t[0], t[1], t[2]})));
            }
        return peak;
    }
    // The one-texel ring just inside a rectangle.
    static int RingPeak(const img::Image& im, const Rect& r, bool alpha) {
        return std::max({Peak(im, {r.x0, r.y0, r.x1, r.y0 + 1}, alpha), Peak(im, {r.x0, r.y1 - 1, r.x1, r.y1}, alpha),
                         Peak(im, {r.x0, r.y0, r.x0 + 1, r.y1}, alpha), Peak(im, {r.x1 - 1, r.y0, r.x1, r.y1}, alpha)});
    }
    // Every cell holds a picture and its border ring stays (nearly) clear.
    static void ExpectCells(const std::string& name, const std::vector<Rect>& cells, bool alpha, int clear = 8) {
        const img::Image& im = Image(name);
        ASSERT_GT(im.width, 0) << name;
        for (const Rect& r : cells) {
            ASSERT_TRUE(r.x0 >= 0 && r.y0 >= 0 && r.x1 <= im.width && r.y1 <= im.height) << name;
            EXPECT_GT(Peak(im, r, alpha), 96) << name << " cell at " << r.x0 << "," << r.y0 << " is empty";
            EXPECT_LE(RingPeak(im, r, alpha), clear) << name << " cell at " << r.x0 << "," << r.y0 << " bleeds over its border";
        }
    }
    static std::vector<Rect> Grid(int x0, int y0, int w, int h, int columns, int rows) {
        std::vector<Rect> cells;
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < columns; ++i)
                cells.push_back({x0 + i * w, y0 + j * h, x0 + (i + 1) * w, y0 + (j + 1) * h});
        return cells;
    }

    // The checks, grouped into tests below (each test process makes the
    // pictures once, which is the slow part).
    void EveryFileDecodesInTheSizeItsReaderNeeds();
    void AlphaCompanionsMatchTheirPictures();
    void EffectSheetsHoldTheirCellsWithClearGutters();
    void BonusSheetsHoldTheirCellsWithClearGutters();
    void SandTroughPiecesFitThePanelStrips();
    void LoadingBarLiesWhereTheEngineReadsIt();
    void BoardFramePiecesLeaveTheCellsOpen();

    static TempDir* folder_;
    static fxpreview::Pictures* pictures_;
    static bool written_;
    static std::string error_;
};

TempDir* FxData::folder_ = nullptr;
fxpreview::Pictures* FxData::pictures_ = nullptr;
bool FxData::written_ = false;
std::string FxData::error_;

void FxData::EveryFileDecodesInTheSizeItsReaderNeeds() {
    const std::vector<std::string> files = gen::EffectsArtFiles();
    EXPECT_EQ(files.size(), kSizes.size());
    for (const std::string& name : files) {
        ASSERT_TRUE(kSizes.count(name)) << name << " has no expected size";
        const img::Image& im = Image(name);
        ASSERT_GT(im.width, 0) << name << " missing or unreadable";
        EXPECT_EQ(im.width, kSizes.at(name).width) << name;
        EXPECT_EQ(im.height, kSizes.at(name).height) << name;
        // Pictures with a shape carry alpha; the blended ones are not all opaque.
        if (HasAlpha(name)) {
            EXPECT_TRUE(im.hasAlpha) << name;
            EXPECT_EQ(Peak(im, {0, 0, 1, 1}, true) < 255 || name == "Data/Gfx/FieldFrame.png", true) << name;
        }
    }
}

void FxData::AlphaCompanionsMatchTheirPictures() {
    for (const std::string base : {"Data/Gfx/Cloud", "Data/Gfx/AllGemLights"}) {
        const img::Image& colour = Image(base + ".jpg");
        const img::Image& alpha = Image(base + "_alpha.jpg");
        ASSERT_EQ(colour.width, alpha.width) << base;
        ASSERT_EQ(colour.height, alpha.height) << base;
        EXPECT_TRUE(alpha.grey) << base;
        // Where the companion is clear, the picture is dark or at least never
        // carries a shape of its own; where it is solid, the picture is lit.
        int solid = 0, litWhereSolid = 0;
        for (int y = 0; y < colour.height; ++y)
            for (int x = 0; x < colour.width; ++x) {
                const int a = Texel(alpha, x, y)[1];
                const uint8_t* c = Texel(colour, x, y);
                if (a > 200) {
                    ++solid;
                    litWhereSolid += std::max({c[0], c[1], c[2]}) > 100;
                }
            }
        EXPECT_GT(solid, 100) << base;
        EXPECT_GT(litWhereSolid * 10, solid * 9) << base;
    }
    // The gem halos: one cell per colour, each its own hue.
    const img::Image& lights = Image("Data/Gfx/AllGemLights.jpg");
    const uint8_t* red = Texel(lights, 2 * 128 + 64 + 30, 64);
    const uint8_t* blue = Texel(lights, 3 * 128 + 64 + 30, 64);
    EXPECT_GT(red[0], red[2] + 60);
    EXPECT_GT(blue[2], blue[0] + 60);
}

void FxData::EffectSheetsHoldTheirCellsWithClearGutters() {
    // The 4 x 4 atlases of the sand, dust and fire particles.
    ExpectCells("Data/Gfx/SmallSand.tga", Grid(0, 0, 64, 64, 4, 4), true);
    ExpectCells("Data/Gfx/Cloud_alpha.jpg", Grid(0, 0, 64, 64, 4, 4), false, 12);
    ExpectCells("Data/Gfx/FireCloud.jpg", Grid(0, 0, 64, 64, 4, 4), false, 12);
    // Single pictures fade out before their border.
    for (const char* name : {"Data/Gfx/Spark.bmp", "Data/Gfx/StarParticle.bmp", "Data/Gfx/SpellFuzzy.bmp",
                             "Data/Gfx/Halo1.tga", "Data/Gfx/Ring.tga", "Data/Gfx/Twirl.tga", "Data/Gfx/JungleFlash.tga",
                             "Data/Gfx/ScoreFrenzyStar.png"}) {
        const img::Image& im = Image(name);
        ExpectCells(name, {{0, 0, im.width, im.height}}, true);
    }
    ExpectCells("Data/Gfx/Flare.jpg", {{0, 0, 256, 256}}, false, 12);
    // The gem flares: two big ones side by side, four small ones below.
    ExpectCells("Data/Gfx/GemFlares.tga", Grid(0, 0, 128, 128, 2, 1), true);
    ExpectCells("Data/Gfx/GemFlares.tga", Grid(0, 160, 64, 64, 4, 1), true);
    ExpectCells("Data/Gfx/AllGemLights_alpha.jpg", Grid(0, 0, 128, 128, 4, 2), false, 12);
    ExpectCells("Data/Gfx/AllGems.png", Grid(0, 0, 48, 48, 4, 2), true);
    ExpectCells("Data/Gfx/AccuracyToken.png", Grid(0, 192, 64, 64, 1, 1), true);
    // The flash the time bonus shows at the timer.
    ExpectCells("Data/Gfx/PanelGlass.tga", {{0, 0, 140, 140}}, true);
    // The bolt: dark at both sides, its core in the middle at both ends so
    // that segments drawn end to end join.
    const img::Image& bolt = Image("Data/Gfx/Lightning.jpg");
    EXPECT_LE(Peak(bolt, {0, 0, 2, 256}, false), 12);
    EXPECT_LE(Peak(bolt, {62, 0, 64, 256}, false), 12);
    for (int row : {0, 255}) {
        int brightest = 0, at = 0;
        for (int x = 0; x < 64; ++x)
            if (Texel(bolt, x, row)[1] > brightest) {
                brightest = Texel(bolt, x, row)[1];
                at = x;
            }
        EXPECT_GT(brightest, 180) << "row " << row;
        EXPECT_NEAR(at, 32, 2) << "row " << row;
    }
}

void FxData::BonusSheetsHoldTheirCellsWithClearGutters() {
    ExpectCells("Data/Gfx/Bonus1.png", Grid(0, 0, 86, 92, 2, 2), true);
    ExpectCells("Data/Gfx/Bonus1.png", {{172, 0, 256, 92}}, true);
    ExpectCells("Data/Gfx/Bonus1.png", Grid(0, 188, 32, 32, 8, 1), true);
    ExpectCells("Data/Gfx/Bonus2.tga", Grid(0, 0, 88, 92, 2, 2), true);
    ExpectCells("Data/Gfx/Bonus2.tga", {{178, 2, 254, 78}, {178, 82, 254, 158}, {224, 160, 248, 184}}, true);
    ExpectCells("Data/Gfx/Bonus2.tga", Grid(0, 188, 32, 64, 8, 1), true);
    ExpectCells("Data/Gfx/Bonus3.tga", {{0, 0, 90, 90}, {90, 0, 180, 90}}, true);
    ExpectCells("Data/Gfx/Bonus3.tga", Grid(180, 0, 76, 76, 1, 3), true);
    ExpectCells("Data/Gfx/Bonus3.tga", {{162, 228, 204, 242}, {204, 228, 256, 242}, {162, 242, 204, 256}, {204, 242, 256, 256}},
                true);
    ExpectCells("Data/Gfx/Bonus3.tga", Grid(4, 94, 50, 36, 1, 4), true);
    ExpectCells("Data/Gfx/Bonus3.tga", Grid(54, 94, 24, 24, 2, 4), true);
    ExpectCells("Data/Gfx/Bonus4.tga", {{0, 0, 88, 88}, {88, 0, 176, 88}, {0, 88, 88, 176}}, true);
    ExpectCells("Data/Gfx/Bonus4.tga", {{178, 2, 252, 76}, {140, 88, 232, 182}, {0, 180, 64, 212}}, true);
    ExpectCells("Data/Gfx/Bonus5.tga", {{0, 64, 64, 128}, {64, 64, 128, 128}}, true);
    // Variant 3 of the medallion is two halves from two cells: the halves
    // must meet without a seam (the same rim on both sides of the join).
    const img::Image& seer = Image("Data/Gfx/Bonus4.tga");
    int mismatch = 0;
    for (int y = 88; y < 176; ++y) {
        if (std::abs(y - 132) < 34)
            continue;  // the symbols themselves differ; the rims above and below them must not
        const uint8_t* left = Texel(seer, 131, y);
        const uint8_t* right = Texel(seer, 44, y);
        mismatch = std::max(mismatch, std::abs(int(left[3]) - int(right[3])));
    }
    EXPECT_LT(mismatch, 48);
    // The streak in the top half of Bonus5 repeats across its width.
    const img::Image& streak = Image("Data/Gfx/Bonus5.tga");
    int seam = 0;
    for (int y = 0; y < 64; ++y)
        seam = std::max(seam, std::abs(int(Texel(streak, 0, y)[3]) - int(Texel(streak, 255, y)[3])));
    EXPECT_LT(seam, 40);
    EXPECT_LE(Peak(streak, {0, 0, 256, 1}, true), 8);
    EXPECT_LE(Peak(streak, {0, 63, 256, 64}, true), 8);
}

void FxData::SandTroughPiecesFitThePanelStrips() {
    // Texels outside the three strips the dune effect reads stay clear.
    for (const char* name : {"Data/Gfx/SandboxGlass.tga", "Data/Gfx/SandboxFront.png"}) {
        const img::Image& im = Image(name);
        // (Each strip may carry two columns of its neighbours beside it.)
        EXPECT_LE(Peak(im, {244, 0, 256, 42}, true), 0) << name;
        EXPECT_LE(Peak(im, {0, 42, 38, 84}, true), 0) << name;
        EXPECT_LE(Peak(im, {218, 42, 256, 84}, true), 0) << name;
        EXPECT_LE(Peak(im, {0, 84, 14, 126}, true), 0) << name;
        EXPECT_LE(Peak(im, {0, 126, 256, 128}, true), 0) << name;
    }
    // Where two strips meet on screen, each strip's bleed columns repeat the
    // next strip's first columns, so filtering leaves no seam.
    const img::Image& rim = Image("Data/Gfx/SandboxFront.png");
    for (int y = 0; y < 42; ++y) {
        EXPECT_EQ(Texel(rim, 242, y)[3], Texel(rim, 40, 42 + y)[3]) << "row " << y;
        EXPECT_EQ(Texel(rim, 216, 42 + y)[3], Texel(rim, 16, 84 + y)[3]) << "row " << y;
    }
    // The rim is solid; the glass over the sand lets most of it through.
    const img::Image& front = Image("Data/Gfx/SandboxFront.png");
    EXPECT_GT(Texel(front, 120, 1)[3], 200);   // top rim
    EXPECT_GT(Texel(front, 120, 39)[3], 200);  // bottom rim
    EXPECT_LT(Texel(front, 120, 25)[3], 128);  // over the sand
    const img::Image& glass = Image("Data/Gfx/SandboxGlass.tga");
    EXPECT_GT(Texel(glass, 120, 25)[3], 10);
    EXPECT_LT(Texel(glass, 120, 25)[3], 128);
    // The sand body repeats across: its first and last columns nearly agree.
    const img::Image& sand = Image("Data/Gfx/Sandbox.jpg");
    double diff = 0;
    for (int y = 0; y < 256; ++y)
        for (int c = 0; c < 3; ++c)
            diff += std::abs(int(Texel(sand, 0, y)[c]) - int(Texel(sand, 255, y)[c]));
    EXPECT_LT(diff / (256 * 3), 24.0);
    // The frenzy star repeats: its left and right columns are clear.
    const img::Image& star = Image("Data/Gfx/ScoreFrenzyStar.png");
    EXPECT_LE(Peak(star, {0, 0, 1, 64}, true), 2);
    EXPECT_LE(Peak(star, {63, 0, 64, 64}, true), 2);
}

void FxData::LoadingBarLiesWhereTheEngineReadsIt() {
    const img::Image& im = Image("Data/Gfx/Loading.jpg");
    const auto mean = [&](const Rect& r) {
        double sum = 0;
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x)
                sum += Texel(im, x, y)[0] + Texel(im, x, y)[1] + Texel(im, x, y)[2];
        return sum / (3.0 * (r.x1 - r.x0) * (r.y1 - r.y0));
    };
    const Rect bar{gen::kBarTexX, gen::kBarTexY, gen::kBarTexX + gen::kBarWidth, gen::kBarTexY + gen::kBarHeight};
    const Rect trough{gen::kBarX, gen::kBarY, gen::kBarX + gen::kBarWidth, gen::kBarY + gen::kBarHeight};
    // The engine's texel rows and columns of the bar.
    EXPECT_EQ(bar.y0, 802);
    EXPECT_EQ(bar.y1, 850);
    EXPECT_EQ(bar.x0, 2);
    EXPECT_EQ(bar.x1, 2 + 264);
    // Where the engine draws it on the picture: x -132.5 .. 131.5, y -257.5 .. -305.5.
    EXPECT_EQ(trough.x0, 512 - 132);
    EXPECT_EQ(trough.y0, 384 + 258);
    EXPECT_GT(mean({bar.x0 + 8, bar.y0 + 10, bar.x1 - 8, bar.y1 - 10}), 100.0);  // the fill glows
    EXPECT_LT(mean({trough.x0 + 8, trough.y0 + 10, trough.x1 - 8, trough.y1 - 10}), 40.0);  // the trough is empty
    // The fill's border is the trough's own dark, so the revealed edge joins.
    EXPECT_NEAR(mean({bar.x0, bar.y0 + 1, bar.x1, bar.y0 + 3}), mean({trough.x0, trough.y0 + 1, trough.x1, trough.y0 + 3}), 12.0);
    // Below the picture only the bar is drawn from: the rest is black.
    EXPECT_LT(mean({300, 780, 1000, 1000}), 3.0);
}

void FxData::BoardFramePiecesLeaveTheCellsOpen() {
    const img::Image& frame = Image("Data/Gfx/FieldFrame.png");
    // The opening over the board is clear but for the frame's soft shadow.
    const int m = gen::kFrameMargin;
    EXPECT_EQ(Peak(frame, {m + 60, m + 60, m + 600, m + 600}, true), 0);
    EXPECT_GT(Peak(frame, {m, m, m + 6, m + 200}, true), 40);  // shadow inside the top-left edge
    EXPECT_EQ(Texel(frame, 4, 300)[3], 255);                  // the frame itself
    EXPECT_EQ(Texel(frame, gen::kTabletX + 100, 300)[3], 255); // the tablet
    // The tiles: each cell darker than the tokens are and told apart by its edges.
    const img::Image& back = Image("Data/Gfx/FieldBack.jpg");
    const int b = gen::kBackMargin;
    int groutDarker = 0;
    for (int k = 1; k < 8; ++k) {
        const int line = b + int(std::lround(83.0 * k));
        groutDarker += Texel(back, line, b + 41)[1] + 20 < Texel(back, line + 12, b + 41)[1];
    }
    EXPECT_GE(groutDarker, 6);
    EXPECT_LT(Texel(back, b + 41, b + 20)[1], 110);
}

TEST_F(FxData, PicturesHoldTheLayoutsTheirReadersCut) {
    EveryFileDecodesInTheSizeItsReaderNeeds();
    AlphaCompanionsMatchTheirPictures();
    EffectSheetsHoldTheirCellsWithClearGutters();
    BonusSheetsHoldTheirCellsWithClearGutters();
    SandTroughPiecesFitThePanelStrips();
    LoadingBarLiesWhereTheEngineReadsIt();
    BoardFramePiecesLeaveTheCellsOpen();
}

TEST_F(FxData, ThePreviewComposes) {
    // The board shows tokens from the caps atlas.
    std::string error;
    ASSERT_TRUE(gen::WriteCaps(folder_->Root(), error)) << error;
    img::Image caps;
    ASSERT_EQ(img::DecodeFile((folder_->Root() / "Data/Gfx/Caps.png").string(), caps), img::DecodeError::None);
    (*pictures_)["Data/Gfx/Caps.png"] = std::move(caps);
    const std::string skin = Source("data/Data/Config/Skin.cfg");
    const std::string gems = Source("data/Data/Config/Gems.cfg");
    const fxpreview::Canvas board = fxpreview::ComposeBoard(*pictures_, skin, gems);
    const fxpreview::Canvas sprites = fxpreview::ComposeSprites(*pictures_);
    const fxpreview::Canvas scenes = fxpreview::ComposeScenes(*pictures_);
    // The tokens stand out from the tiles behind them: the open cell (3, 3)
    // is darker than a token's middle.
    float tile[3], token[3];
    board.Mean(int(-194.5f + 512 + 83 * 3 + 30), int(384 - 352.5f + 83 * 3 + 30), int(-194.5f + 512 + 83 * 3 + 50),
               int(384 - 352.5f + 83 * 3 + 50), tile);
    board.Mean(int(-194.5f + 512 + 83 * 2 + 30), int(384 - 352.5f + 83 * 4 + 30), int(-194.5f + 512 + 83 * 2 + 50),
               int(384 - 352.5f + 83 * 4 + 50), token);
    EXPECT_LT(tile[0] + tile[1] + tile[2] + 0.3f, token[0] + token[1] + token[2]);
    if (const char* out = std::getenv("GV_FX_PREVIEW")) {
        const fs::path dir = out;
        const fxpreview::Canvas zoom = board.Crop(0, 0, 512, 384, 2), zoom2 = board.Crop(512, 384, 512, 384, 2);
        const fxpreview::Canvas lower = sprites.Crop(0, 1300, 1100, 1500, 1);
        for (const auto& [name, canvas] : {std::pair<const char*, const fxpreview::Canvas*>{"fx_board.png", &board},
                                           {"fx_board_zoom1.png", &zoom},
                                           {"fx_board_zoom2.png", &zoom2},
                                           {"fx_sprites.png", &sprites},
                                           {"fx_sprites_lower.png", &lower},
                                           {"fx_scenes.png", &scenes}}) {
            const std::vector<uint8_t> rgb = canvas->Bytes();
            EXPECT_TRUE(tk::WritePng((dir / name).string(), {rgb.data(), canvas->Width(), canvas->Height(), 3})) << name;
        }
        // And the pictures themselves, to look at one by one.
        std::error_code ec;
        for (const std::string& file : gen::EffectsArtFiles()) {
            fs::create_directories((dir / "files" / file).parent_path(), ec);
            fs::copy_file(folder_->Root() / file, dir / "files" / file, fs::copy_options::overwrite_existing, ec);
        }
    }
}

TEST_F(FxData, OutputIsDeterministic) {
    TempDir again;
    std::string error;
    ASSERT_TRUE(gen::WriteEffectsArt(again.Root(), error)) << error;
    for (const std::string& name : gen::EffectsArtFiles())
        EXPECT_TRUE(ReadFile((folder_->Root() / name).string()) == ReadFile((again.Root() / name).string())) << name;
}

}  // namespace
