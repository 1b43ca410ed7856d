#include "engine/IniHelpers.h"

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "engine/ObjectLog.h"
#include "engine/SpriteSet.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

using testsupport::CapturedLog;
using testsupport::TempDir;

namespace {

class IniHelpersTest : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = dir_.Write("Skin.cfg", "[Values]\r\n"
                                       "Int = -12abc\r\n"
                                       "Huge=99999999999\r\n"
                                       "Word=abc\r\n"
                                       "Float=1.25\r\n"
                                       "One=3.5\r\n"
                                       "Four=1 2 3 4\r\n"
                                       "Ints=7 x 9\r\n"
                                       "Colour=255 229 128 255\r\n"
                                       "Zeros=0 0 0 0\r\n"
                                       "Fraction=100.7 0 0 0\r\n"
                                       "Wild=300 -1 20\r\n"
                                       "Long=" +
                                           std::string(300, 'L') + "\r\n");
    }
    TempDir dir_;
    std::string file_;
};

TEST_F(IniHelpersTest, NumbersConvertLikeTheirDefaults) {
    EXPECT_EQ(GetIniInt(file_, "Values", "Int", "0"), -12);
    EXPECT_EQ(GetIniInt(file_, "values", "INT", "0"), -12);
    EXPECT_EQ(GetIniInt(file_, "Values", "Huge", "0"), INT32_MAX);
    EXPECT_EQ(GetIniInt(file_, "Values", "Word", "5"), 0);
    EXPECT_EQ(GetIniInt(file_, "Values", "Missing", " 42"), 42);
    EXPECT_EQ(GetIniInt(file_, "Nowhere", "Int", "x"), 0);
    EXPECT_EQ(GetIniInt(dir_.Path("none.cfg"), "Values", "Int", "3"), 3);

    EXPECT_FLOAT_EQ(GetIniFloat(file_, "Values", "Float", "0"), 1.25f);
    EXPECT_FLOAT_EQ(GetIniFloat(file_, "Values", "Missing", "0.05"), 0.05f);
    EXPECT_EQ(GetIniFloat(file_, "Values", "Word", "1"), 0.0f);
}

TEST_F(IniHelpersTest, ScannedReadsChangeOnlyTheFieldsTheyFind) {
    float f[4] = {-1, -1, -1, -1};
    EXPECT_EQ(GetIniFloat2(f, file_, "Values", "One", "0 0"), f);
    EXPECT_EQ(f[0], 3.5f);
    EXPECT_EQ(f[1], -1.0f);

    GetIniFloat3(f, file_, "Values", "Missing", "5 6 7");
    EXPECT_EQ(f[0], 5.0f);
    EXPECT_EQ(f[2], 7.0f);
    EXPECT_EQ(f[3], -1.0f);

    GetIniFloat4(f, file_, "Values", "Four", "");
    EXPECT_EQ(f[3], 4.0f);

    int32_t n[2] = {-1, -1};
    EXPECT_EQ(GetIniInt2(n, file_, "Values", "Ints", "0 0"), n);
    EXPECT_EQ(n[0], 7);
    EXPECT_EQ(n[1], -1);
}

TEST_F(IniHelpersTest, ColoursPackAsArgbWithChannelsClamped) {
    EXPECT_EQ(GetIniColour(file_, "Values", "Colour", "0 0 0 0"), 0xFFFFE580u);
    EXPECT_EQ(GetIniColour(file_, "Values", "Zeros", "1 1 1 1"), 0u);
    EXPECT_EQ(GetIniColour(file_, "Values", "Fraction", "0 0 0 0"), 0x00640000u);
    // Missing alpha reads as 0; 300 and -1 stay inside their own bytes.
    EXPECT_EQ(GetIniColour(file_, "Values", "Wild", "0 0 0 0"), 0x00FF0014u);
    EXPECT_EQ(GetIniColour(file_, "Values", "Missing", "255 255 255 255"), 0xFFFFFFFFu);
    EXPECT_EQ(GetIniColour(file_, "Values", "Word", "255 255 255 255"), 0u);
}

// Values that would reach casts as no number, or fall outside what their reader
// keeps, are replaced, and the log says which key of which file and what is used.
TEST(IniHelpersBadValues, NoNumberTakesTheDefaultAndOutOfRangeIsClampedWithAWarning) {
    TempDir dir;
    CapturedLog log(dir);
    const std::string file = dir.Write("Skin.cfg", "[S]\n"
                                                   "Nan=nan\n"
                                                   "Inf=-inf\n"
                                                   "Huge=1e99\n"
                                                   "Pair=2 nan\n"
                                                   "Colour=nan 1 2 3\n"
                                                   "Count=30\n"
                                                   "Alpha=-0.5\n"
                                                   "Fine=0.5\n");
    using Read = std::function<float()>;
    const struct {
        const char* key;
        Read read;
        float expected;
        int line; // of the warning; 0 for none
        const char* used;
    } cases[] = {
        {"Nan", [&] { return GetIniFloat(file, "S", "Nan", "0.25"); }, 0.25f, 2,
         "the default 0.25"},
        {"Inf", [&] { return GetIniFloat(file, "S", "Inf", "3"); }, 3.0f, 3, "the default 3"},
        {"Huge", [&] { return GetIniFloat(file, "S", "Huge", "x"); }, 0.0f, 4, "the default 0"},
        {"Pair",
         [&] {
             float p[2] = {7.0f, 7.0f};
             GetIniFloat2(p, file, "S", "Pair", "1 5");
             return p[0] * 10.0f + p[1];
         },
         25.0f, 5, "the default 5"},
        {"Colour",
         [&] { return static_cast<float>(GetIniColour(file, "S", "Colour", "9 9 9 9") >> 16); },
         static_cast<float>(0x0309), 6, "the default 9"},
        {"Count", [&] { return float(GetIniIntClamped(file, "S", "Count", "1", 0, 22)); }, 22.0f, 7,
         "22"},
        {"Alpha", [&] { return GetIniFloatClamped(file, "S", "Alpha", "0.25", 0.0f, 1.0f); }, 0.0f,
         8, "0"},
        {"Nan", [&] { return GetIniFloatClamped(file, "S", "Nan", "0.25", 0.0f, 1.0f); }, 0.25f, 2,
         "the default 0.25"},
        {"Fine", [&] { return GetIniFloatClamped(file, "S", "Fine", "0.25", 0.0f, 1.0f); }, 0.5f, 0,
         ""},
        {"Missing", [&] { return GetIniFloatClamped(file, "S", "Missing", "0.25", 0.0f, 1.0f); },
         0.25f, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        log.Clear();
        EXPECT_EQ(c.read(), c.expected);
        if (c.line == 0) {
            EXPECT_EQ(log.Text(), "");
            continue;
        }
        const std::string where = " " + FileFaultLine(file, c.line, std::string("[S] ") + c.key);
        EXPECT_EQ(log.Text().substr(0, log.Text().find('\n') + 1),
                  std::string(" Warning! Bad value of ") + c.key + " in " + file + ", using " +
                      c.used + "\n");
        EXPECT_NE(log.Text().find(where.substr(0, where.size() - 1)), std::string::npos)
            << log.Text();
    }
}

TEST_F(IniHelpersTest, StringsAreCutToTheirBuffer) {
    std::string s;
    EXPECT_EQ(GetIniString(s, file_, "Values", "Long", "").size(), 255u);
    EXPECT_EQ(GetIniString(s, file_, "Values", "Long", "", 10), std::string(9, 'L'));
    EXPECT_EQ(GetIniString(s, file_, "Values", "Long", "", 4096).size(), 255u);
    EXPECT_EQ(GetIniString(s, file_, "Values", "Missing", "Data\\Gfx\\a.png"), "Data\\Gfx\\a.png");

    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(GetIniRaw(file_, "Values", "Word", "", buffer, sizeof buffer), 3u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(GetIniRaw(file_, "Values", "Long", "", buffer, sizeof buffer), 3u);
    EXPECT_STREQ(buffer, "LLL");
}

class SpriteSetTest : public IniHelpersTest {
protected:
    std::string WriteSprites(const std::string& body) {
        return dir_.Write("Totems.cfg", "[Panel]\n" + body);
    }
};

TEST_F(SpriteSetTest, SpritesAreCentredOnThePivotWithYUpwards) {
    const std::string file = WriteSprites("Small1SpritesCount=2\n"
                                          "Small1Sprite0=0 0 0 256 256\n"
                                          "Small1Sprite1=128 0 5 128 128\n"
                                          "Small1SpriteT1=0 0 128 64\n"
                                          "Small1SpriteColor1=255 0 128 64\n"
                                          "Small1SpriteFilter1=screen\n"
                                          "Small1SpriteZOrder1=-3\n"
                                          "Small1SpriteTexture1=2\n");
    CSpriteSet set;
    ASSERT_EQ(ReadSpriteSet(set, file, "Panel", "Small1", 0), 2);
    ASSERT_EQ(set.Positions.size(), 2u);
    EXPECT_FLOAT_EQ(set.Positions[0].x, 0.0f);
    EXPECT_FLOAT_EQ(set.Positions[0].y, 0.0f);
    EXPECT_FLOAT_EQ(set.Sizes[0].w, 1.0f);
    EXPECT_FLOAT_EQ(set.Sizes[0].h, 1.0f);
    EXPECT_EQ(set.Colours[0], 0xFFFFFFFFu);
    EXPECT_EQ(set.Filters[0], CSpriteSet::kNormal);

    EXPECT_FLOAT_EQ(set.Positions[1].x, 0.25f);
    EXPECT_FLOAT_EQ(set.Positions[1].y, 0.25f);
    EXPECT_FLOAT_EQ(set.Positions[1].z, 5.0f);
    EXPECT_FLOAT_EQ(set.Sizes[1].w, 0.5f);
    EXPECT_FLOAT_EQ(set.TexRects[1].v[2], 0.5f);
    EXPECT_FLOAT_EQ(set.TexRects[1].v[3], 0.25f);
    EXPECT_EQ(set.Colours[1], 0x40FF0080u);
    EXPECT_EQ(set.Filters[1], CSpriteSet::kScreen);
    EXPECT_EQ(set.ZOrders[1], -3);
    EXPECT_EQ(set.TextureIndices[1], 2);
}

TEST_F(SpriteSetTest, ShapeAndAppendingAffectLaterReads) {
    const std::string file = WriteSprites("ASprite0=256 64 1 128 64\n"
                                          "ASpriteT0=64 64 128 128\n"
                                          "ASpriteFilter0=Add\n"
                                          "BSprite0=10 20\n"
                                          "BSpriteColor0=300 -5 20\n"
                                          "BSpriteFilter0=ADDITIVE\n");
    CSpriteSet set;
    SetSpriteShape(set, 512.0f, 256.0f, 128.0f, 256.0f, 0.0f, 1.0f, 2.0f);
    ASSERT_EQ(ReadSpriteSet(set, file, "Panel", "A", 1), 1);
    EXPECT_FLOAT_EQ(set.Positions[0].x, 0.5f + 0.125f);
    EXPECT_FLOAT_EQ(set.Positions[0].y, 1.0f - 0.25f - 0.125f);
    EXPECT_FLOAT_EQ(set.Positions[0].z, 3.0f);
    EXPECT_FLOAT_EQ(set.TexRects[0].v[0], 0.5f);
    EXPECT_FLOAT_EQ(set.TexRects[0].v[1], 0.25f);
    EXPECT_EQ(set.Filters[0], CSpriteSet::kAdd);

    // Fewer numbers than the key asks for read as 0.
    ASSERT_EQ(ReadSpriteSet(set, file, "Panel", "B", 1), 1);
    ASSERT_EQ(set.Positions.size(), 2u);
    EXPECT_EQ(set.TextureIndices.size(), 2u);
    EXPECT_FLOAT_EQ(set.Positions[1].x, 10.0f / 512.0f);
    EXPECT_FLOAT_EQ(set.Positions[1].y, 1.0f - 20.0f / 256.0f);
    EXPECT_FLOAT_EQ(set.Positions[1].z, 2.0f);
    EXPECT_EQ(set.Sizes[1].w, 0.0f);
    EXPECT_EQ(set.Colours[1], 0x00FF0014u);
    EXPECT_EQ(set.Filters[1], CSpriteSet::kNormal);
}

TEST_F(SpriteSetTest, NoOrAbsurdCountsLeaveTheSetUntouched) {
    const std::string file = WriteSprites("BigSpritesCount=2000000000\n"
                                          "NegSpritesCount=-4\n");
    CSpriteSet set;
    EXPECT_EQ(ReadSpriteSet(set, file, "Panel", "Small7", 0), 0);
    EXPECT_EQ(ReadSpriteSet(set, file, "Panel", "Big", 0), 0);
    EXPECT_EQ(ReadSpriteSet(set, file, "Panel", "Neg", 0), 0);
    EXPECT_EQ(ReadSpriteSet(set, file, "Panel", "Neg", -1), 0);
    EXPECT_EQ(ReadSpriteSet(set, dir_.Path("none.cfg"), "Panel", "X", 0), 0);
    EXPECT_TRUE(set.Positions.empty());
    EXPECT_TRUE(set.Colours.empty());
    EXPECT_EQ(set.ReferenceWidth, 256.0f);
    EXPECT_EQ(set.PivotY, 0.5f);
}

} // namespace
