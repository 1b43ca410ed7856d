#pragma once
// The look and timing of the bonuses: two process-wide blocks read once at
// start-up, "Gems.cfg" into g_gemsParams (the gem and everything gem-coloured)
// and "Bonus.cfg" into g_bonusParams (the other kinds and the hint display).
// Both start with the built-in defaults, so a game that never loads them (and
// every test) runs with the same values a missing file would give.
//
// Value conversions made while reading: angular speeds and phases written in
// half-turns are stored in radians; screen points written in pixels from the
// top-left corner (y down) are stored in virtual-screen units (x - 512,
// 384 - y). A value that divides something (a period, a speed, a time, the
// reference radius) and is 0 or less keeps its default, with a log line.
#include <cstdint>
#include <string>

// The eight gem colours (the seven cap colours and a spare).
constexpr int32_t kGemColours = 8;

struct CGemsParametres {
    struct GemsSection {
        float TargetPos[3] = {-480.0f, 0.0f, -150.0f};
        int32_t TargetZOrder = -150;
        float FlyTime = 1.0f;
        float Size = 48.0f;
        uint32_t ParticleColor[kGemColours] = {0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF,
                                               0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF};
    };
    struct HaloSection {
        float Size = 128.0f;
        float T = 2.0f * 3.1415927f;  // pulse period
        float Intensity = 1.0f;
        float MinIntensity = 0.0f;
        int32_t Method = 0;  // the sprite's blend mode: 0 alpha blending, 1 additive
        uint32_t Color[kGemColours] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF,
                                       0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    };
    struct SmallFlaresSection {
        float Size = 8.0f;
        float LifeTime = 1.0f;
        float W = 3.1415927f;
        float T = 0.1f;  // one flare per T seconds
        float Intensity = 1.0f;
        float OriginSize[kGemColours][2] = {{28, 28}, {28, 28}, {28, 28}, {28, 28},
                                            {28, 28}, {28, 28}, {28, 28}, {28, 28}};
    };
    struct BigFlaresSection {
        float Size = 64.0f;
        float Intensity = 1.0f;
        float T = 1.5f;  // swell period
        float W = 0.5f * 3.1415927f;
        int32_t Method = 0;  // as the halo's
        float OriginSize[kGemColours][2] = {{26, 26}, {26, 26}, {26, 26}, {26, 26},
                                            {26, 26}, {26, 26}, {26, 26}, {26, 26}};
    };
    struct StandardSection {
        float Radius = 38.0f;  // reference size of every bonus
    };

    GemsSection Gems;
    HaloSection Halo;
    SmallFlaresSection SmallFlares;
    BigFlaresSection BigFlares;
    StandardSection Standard;

    // Reads every key of the file (defaults for missing keys or file); 1.
    int32_t Load(const std::string& file);
    // A uniform random point of the small (big = 0) or big flares' ellipse of
    // that gem colour round the gem centre; colours outside 0..7 use 0.
    void RandomFlareOffset(int32_t colour, int32_t big, float* dx, float* dy) const;
};

// One fuse wire of the TNT picture, centred on the picture: its midpoint, its
// half vector and its normal (length WireRingWidth / 2, z 0.9).
struct CTntWire {
    float Centre[3] = {0.0f, 0.0f, 0.0f};
    float Half[3] = {0.0f, 0.0f, 0.0f};
    float Normal[3] = {0.0f, 0.0f, 0.0f};
};

struct CBonusParametres {
    struct TntSection {
        float WireRing[3][4];  // x0 y0 x1 y1 in pixels of the 128 by 128 picture
        float WireRingWidth[3] = {20.0f, 20.0f, 20.0f};
        CTntWire Wire[3];      // derived from the two above
        float SparkerW = 0.25f;
        float LifeTime = 1.0f;
        uint32_t RingColor = 0xFFFFFF80;
        float RingSize[4] = {3.0f, 4.2f, 5.0f, 6.2f};
        float RingExpandTime = 0.4f;
        uint32_t HaloColor = 0xFFFF8080;
        float HaloSizeFactor = 0.9f;
        float HaloW = 0.5f * 3.1415927f;
        uint32_t ExpSparkColor = 0x008080FF;
        float ExpSparkCount = 20.0f * 3.1415927f;
        float ExpSparkSize = 8.0f * 3.1415927f;
        float ExpSparkFading = 1.0f * 3.1415927f;
        float ExpSparkSpeed = 100.0f * 3.1415927f;
        float ExpSparkGravity = 100.0f * 3.1415927f;

        TntSection();
        // Recomputes Wire from WireRing and WireRingWidth.
        void BuildWires();
        // The tier clamped to the four tiers of the tables.
        static int32_t TierIndex(int32_t tier) { return tier < 0 ? 0 : (tier > 3 ? 3 : tier); }
    };
    struct FlashSection {
        float Radius = 30.0f;
        float BoltWidth = 16.0f;
        float W = 3.1415927f;
        float Speed = 30.0f;
        float CoreSize = 16.0f;
        uint32_t Intensity = 0x7FFFFFFF;  // white with alpha floor(Intensity * 255)
        float LifeTime = 0.25f;
    };
    struct TimeSection {
        float Target[3] = {114.0f - 512.0f, 384.0f - 94.0f, -60.0f};
        int32_t TwirlZOrder = -60;
        float PreFlyTime = 0.25f;
        float FlyTime = 0.15f;
        float PostFlyTime = 0.2f;
        float DigitsSize = 24.0f;
        uint32_t StarColor = 0x8049F608;
        uint32_t TwirlColor = 0xFF49F608;
    };
    struct AdviserSection {
        float GlobalShift[2] = {0.0f, 0.0f};  // (x, -y)
        float RimShift[2] = {-1.0f, 1.0f};    // GlobalShift + (x, -y)
        float GlassShift[2] = {3.0f, 6.0f};   // GlobalShift + (x, -y)
        float GlassW = 3.1415927f;
        float Target[3] = {160.0f - 512.0f, 384.0f - 352.0f, -60.0f};
        int32_t ZOrder = -60;
        float Speed = 1000.0f;
        uint32_t TailColor = 0x80FFFF50;
    };
    struct ScoreSection {
        float CoinOrbitRadius = 42.0f;
        float CoinFPS = 30.0f;
        float CoinW = 2.0f * 3.1415927f;
        float CoinOutSpeed = 400.0f;
        uint32_t TailColor = 0xFF50FF50;
    };
    struct SolidaritySection {
        uint32_t RingColor = 0xFFFFFFFF;
        float RingR = 24.0f;
        float RingExpandSpeed = 48.0f;
        float RingLifeTime = 1.0f;
        float RingT = 0.4f;
        float RingW = 0.5f * 3.1415927f;
        uint32_t CenterColor = 0xFFFFFFFF;
        float CenterSize = 32.0f;
        float CenterW = -0.5f * 3.1415927f;
        uint32_t TailColor = 0xFFFFFFFF;
        float TailSize[2] = {32.0f, 16.0f};
        float TailTLen = 0.25f;
        float TailTSpeed = 0.5f;
        float TailW = 0.125f;
        uint32_t BoltColor = 0xFFFFC8C8;
        float BoltLength = 1000.0f;
        float BoltWidth = 64.0f;
        float BoltSpeed = 1200.0f;
        float BoltTFactor = 256.0f;
        float BoltTSpeed = 1.0f;
        float TermTime = 0.25f;
    };
    struct AdviserInterfaceSection {
        float HaloW = 0.25f * 3.1415927f;
        float Z = -50.0f;
        int32_t ZOrder = -10;
        float ArrowW = 2.0f * 3.1415927f;
        float ArrowR = 4.0f;
        float Refresh = 0.25f;
    };

    TntSection TNT;
    FlashSection Flash;
    TimeSection Time;
    AdviserSection Adviser;
    ScoreSection Score;
    SolidaritySection Solidarity;
    AdviserInterfaceSection AdviserInterface;

    // Reads every key of the file (defaults for missing keys or file); 1.
    int32_t Load(const std::string& file);
};

extern CGemsParametres g_gemsParams;
extern CBonusParametres g_bonusParams;

// Reads the gem file and then the bonus file into the two global blocks;
// returns the bonus file reader's result.
int32_t LoadBonusConfigs(const std::string& gemsFile, const std::string& bonusFile);
