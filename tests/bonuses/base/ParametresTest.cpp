// "Gems.cfg" and "Bonus.cfg": the defaults, the conversions made while
// reading, and values that would divide by zero.
#include <cmath>

#include "BonusTestSupport.h"

namespace bonustest {
namespace {

class ParametresTest : public BonusFixture {
protected:
    int32_t Load(const std::string& gems, const std::string& bonus) {
        return LoadBonusConfigs(gems.empty() ? dir_.Path("none.cfg") : dir_.Write("Gems.cfg", gems),
                                bonus.empty() ? dir_.Path("none.cfg")
                                              : dir_.Write("Bonus.cfg", bonus));
    }
};

TEST_F(ParametresTest, MissingFilesGiveTheDefaults) {
    ASSERT_EQ(Load("", ""), 1);
    const CBonusParametres& b = g_bonusParams;
    const CGemsParametres& g = g_gemsParams;
    EXPECT_FLOAT_EQ(b.TNT.ExpSparkCount, 62.831856f);
    EXPECT_EQ(b.Flash.Intensity, 0x7FFFFFFFu);
    EXPECT_EQ(b.TNT.RingColor, 0xFFFFFF80u);
    EXPECT_EQ(b.TNT.ExpSparkColor, 0x008080FFu);  // alpha dropped
    EXPECT_EQ(b.Time.StarColor, 0x8049F608u);
    EXPECT_FLOAT_EQ(b.TNT.RingSize[3], 6.2f);
    EXPECT_FLOAT_EQ(b.Adviser.Target[0], -352.0f);
    EXPECT_FLOAT_EQ(b.Adviser.Target[1], 32.0f);
    EXPECT_FLOAT_EQ(b.Adviser.Target[2], -60.0f);
    EXPECT_FLOAT_EQ(b.Adviser.RimShift[1], 1.0f);
    EXPECT_FLOAT_EQ(b.Adviser.GlassShift[1], 6.0f);
    EXPECT_FLOAT_EQ(b.AdviserInterface.Refresh, 0.25f);
    EXPECT_FLOAT_EQ(g.Halo.T, 2.0f * 3.1415927f);
    EXPECT_EQ(g.Halo.Color[5], 0xFFFFFFFFu);
    EXPECT_EQ(g.Gems.ParticleColor[5], 0x00FFFFFFu);
    EXPECT_FLOAT_EQ(g.SmallFlares.OriginSize[7][1], 28.0f);
    EXPECT_FLOAT_EQ(g.Gems.TargetPos[0], -480.0f);

    // Each fuse wire runs from (63, 25) to (62, 102) of the picture, 20 wide:
    // centred on the picture with y up, its normal a quarter turn on, 10 long.
    for (int i = 0; i < 3; ++i) {
        const CTntWire& w = b.TNT.Wire[i];
        EXPECT_FLOAT_EQ(w.Centre[0], -1.5f);
        EXPECT_FLOAT_EQ(w.Centre[1], 0.5f);
        EXPECT_NEAR(w.Normal[0], 10.0f * 38.5f / std::hypot(38.5f, 0.5f), 1e-4f);
        EXPECT_NEAR(w.Normal[1], -10.0f * 0.5f / std::hypot(38.5f, 0.5f), 1e-4f);
        EXPECT_FLOAT_EQ(w.Normal[2], 0.9f);
    }
    EXPECT_FLOAT_EQ(b.Time.Target[0], 114.0f - 512.0f);
    EXPECT_EQ(b.Adviser.TailColor, 0x80FFFF50u);
    EXPECT_EQ(b.Solidarity.BoltColor, 0xFFFFC8C8u);

    // Every bonus's scale is its size over 38.
    CBonusPlain bonus(CBonus::kTnt);
    bonus.Place(0.0f, 0.0f, 50.0f, 39.0f, 0, 0);
    EXPECT_FLOAT_EQ(bonus.Scale, 1.0263158f);
    EXPECT_EQ(Log().find("must be above"), std::string::npos);
}

TEST_F(ParametresTest, ValuesAreConvertedAsTheirFormsSay) {
    Load("[Halo]\nColor3=00FF00\nMethod=0.5\n"
         "[Gems]\nParticleColor3=00FF00\nTargetPos=10 20\n"
         "[BigFlares]\nMethod=yes\nW=2\nOriginSize2=40 10\n"
         "[Standard]\nRadius=76\n",
         "[TNT]\nWireRing0=64 0 64 128\nWireRingWidth0=10\nExpSparkColor=1 2 3 4\n"
         "[Flash]\nIntensity=1\nRadius=wide\n"
         "[Time]\nTarget=0 0 5\n"
         "[Adviser]\nGlobalShift=10 20\nRimShift=1 2\n");
    const CGemsParametres& g = g_gemsParams;
    const CBonusParametres& b = g_bonusParams;
    EXPECT_EQ(g.Halo.Color[3], 0xFF00FF00u);
    EXPECT_EQ(g.Gems.ParticleColor[3], 0x0000FF00u);
    EXPECT_EQ(g.Halo.Method, 0);
    EXPECT_EQ(g.BigFlares.Method, 1);
    EXPECT_FLOAT_EQ(g.BigFlares.W, 2.0f * 3.1415927f);
    EXPECT_FLOAT_EQ(g.BigFlares.OriginSize[2][0], 40.0f);
    // A triple given two numbers keeps the default third.
    EXPECT_FLOAT_EQ(g.Gems.TargetPos[1], 20.0f);
    EXPECT_FLOAT_EQ(g.Gems.TargetPos[2], -150.0f);
    EXPECT_FLOAT_EQ(CBonus::ReferenceSize(), 76.0f);

    // A vertical wire through the middle: its normal points along x.
    const CTntWire& w = b.TNT.Wire[0];
    EXPECT_FLOAT_EQ(w.Centre[0], 0.0f);
    EXPECT_FLOAT_EQ(w.Centre[1], 0.0f);
    EXPECT_FLOAT_EQ(w.Half[1], -64.0f);
    EXPECT_FLOAT_EQ(w.Normal[0], 5.0f);
    EXPECT_FLOAT_EQ(w.Normal[1], 0.0f);
    EXPECT_FLOAT_EQ(w.Normal[2], 0.9f);
    EXPECT_EQ(b.TNT.ExpSparkColor, 0x00010203u);

    EXPECT_EQ(b.Flash.Intensity, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(b.Flash.Radius, 0.0f);  // no number reads as 0
    EXPECT_FLOAT_EQ(b.Time.Target[0], -512.0f);
    EXPECT_FLOAT_EQ(b.Time.Target[1], 384.0f);
    EXPECT_FLOAT_EQ(b.Adviser.GlobalShift[1], -20.0f);
    EXPECT_FLOAT_EQ(b.Adviser.RimShift[0], 11.0f);
    EXPECT_FLOAT_EQ(b.Adviser.RimShift[1], -22.0f);
    EXPECT_FLOAT_EQ(b.Adviser.GlassShift[0], 13.0f);  // default 3 on the global shift
}

TEST_F(ParametresTest, DivisorsOfZeroOrLessKeepTheirDefaults) {
    Load("[Halo]\nT=0\n[SmallFlares]\nT=-1\n[BigFlares]\nT=abc\n[Standard]\nRadius=0\n",
         "[TNT]\nRingExpandTime=0\nExpSparkSpeed=-3\n"
         "[Time]\nPreFlyTime=0\nFlyTime=0\nPostFlyTime=-1\n"
         "[Adviser]\nSpeed=0\n"
         "[Solidarity]\nBoltSpeed=0\nRingLifeTime=none\nRingT=0\n");
    const CGemsParametres& g = g_gemsParams;
    const CBonusParametres& b = g_bonusParams;
    const CGemsParametres dg;
    const CBonusParametres db;
    EXPECT_FLOAT_EQ(g.Halo.T, dg.Halo.T);
    EXPECT_FLOAT_EQ(g.SmallFlares.T, 0.1f);
    EXPECT_FLOAT_EQ(g.BigFlares.T, 1.5f);
    EXPECT_FLOAT_EQ(g.Standard.Radius, 38.0f);
    EXPECT_FLOAT_EQ(b.TNT.RingExpandTime, 0.4f);
    EXPECT_FLOAT_EQ(b.TNT.ExpSparkSpeed, db.TNT.ExpSparkSpeed);
    EXPECT_FLOAT_EQ(b.Time.PreFlyTime, 0.25f);
    EXPECT_FLOAT_EQ(b.Time.FlyTime, 0.15f);
    EXPECT_FLOAT_EQ(b.Time.PostFlyTime, 0.2f);
    EXPECT_FLOAT_EQ(b.Adviser.Speed, 1000.0f);
    EXPECT_FLOAT_EQ(b.Solidarity.BoltSpeed, 1200.0f);
    EXPECT_FLOAT_EQ(b.Solidarity.RingLifeTime, 1.0f);
    EXPECT_FLOAT_EQ(b.Solidarity.RingT, 0.4f);
    const std::string log = Log();
    EXPECT_NE(log.find("[Halo] T: must be above 0"), std::string::npos) << log;
    EXPECT_NE(log.find("[Standard] Radius: must be above 0"), std::string::npos);
    EXPECT_NE(log.find("[Adviser] Speed: must be above 0"), std::string::npos);
    size_t lines = 0;
    for (size_t p = log.find("must be above"); p != std::string::npos;
         p = log.find("must be above", p + 1))
        ++lines;
    EXPECT_EQ(lines, 13u);
}

TEST_F(ParametresTest, FlareOffsetsFallInsideTheColoursEllipse) {
    Load("[SmallFlares]\nOriginSize4=40 10\n", "");
    for (int i = 0; i < 500; ++i) {
        float dx = 0.0f, dy = 0.0f;
        g_gemsParams.RandomFlareOffset(4, 0, &dx, &dy);
        // Inside the ellipse of half axes 20 and 5.
        EXPECT_LE((dx / 20.0f) * (dx / 20.0f) + (dy / 5.0f) * (dy / 5.0f), 1.0001f);
    }
    // A colour outside the tables uses the first colour's ellipse.
    for (int colour : {-3, 8, 1000}) {
        float dx = 0.0f, dy = 0.0f;
        g_gemsParams.RandomFlareOffset(colour, 1, &dx, &dy);
        EXPECT_LE(std::hypot(dx, dy), 13.0001f);
    }
}

} // namespace
} // namespace bonustest
