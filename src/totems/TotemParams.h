#pragma once
// What "Totems.cfg" gives each totem colour: the glow colour of a pressed
// figure, the pixel sizes of its quest and shop pictures, and, for a colour
// whose power is built, the power's own keys (a class derived from this one).
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/Vector3.h"

class CTotemConfig;

// A line between two points of a figure, in figure units.
struct CTotemLine {
    float X1, Y1, X2, Y2;
};

class CTotemColourParams {
public:
    virtual ~CTotemColourParams() = default;

    // Reads the section's keys; `shineDefault` is the colour's own glow default.
    void Load(std::string_view file, const char* section, const char* shineDefault);

    uint32_t ShineColour = 0xFFFFFFFFu;
    float MainTextureSize[2] = {512.0f, 256.0f};
    float ShopTextureSize[2] = {512.0f, 256.0f};

protected:
    // The power's keys, read between "ShineColor" and the texture sizes.
    virtual void LoadPower(const CTotemConfig&) {}
};

class CRedTotemParams : public CTotemColourParams {
public:
    static constexpr int32_t kOrbs = 4;
    static constexpr CVector3 kDefaultPoint{-0.3984375f, -0.1015625f, -100.0f};

    // The values of the keys' defaults, for a panel that read no file.
    uint32_t Colour1 = 0xFFFFC850u;
    uint32_t Colour2 = 0xFF5050FFu;
    // Orb points in figure units (x, y from the centre, z a depth offset).
    CVector3 Points[kOrbs] = {kDefaultPoint, kDefaultPoint, kDefaultPoint, kDefaultPoint};
    uint32_t ExpColour = 0xFFFF4040u;
    float FlySpeed = 2000.0f;

protected:
    void LoadPower(const CTotemConfig& config) override;
};

class COrangeTotemParams : public CTotemColourParams {
public:
    static constexpr int32_t kPoints = 5;

    // Point 0: where the clock cloud flies, on the virtual screen; points 1..4:
    // where it starts on the figure by tier, in figure units.
    CVector3 Points[kPoints];
    float FlyTime = 0.4f;
    float PreFlyTime = 0.2f;
    float PostFlyTime = 0.2f;
    float DigitsSize = 32.0f;
    uint32_t StarColour = 0xFFA0FFA0u;
    uint32_t TwirlColour = 0x80FFFFA0u;
    // Already inverted when the filter multiplies.
    uint32_t FlyTwirlColour = 0xFFFFFFFFu;
    int32_t FlyTwirlFilter = 2;

    COrangeTotemParams();

protected:
    void LoadPower(const CTotemConfig& config) override;
};

class CVioletTotemParams : public CTotemColourParams {
public:
    static constexpr int32_t kTiers = 4;

    // Per tier, in figure units: the glow behind the figure, the orbit and
    // size of its two rays, and the rectangle the bonuses start from
    // (top-left x, y and width, height).
    CVector3 GlowCentres[kTiers];
    float GlowSizes[kTiers][2] = {};
    CVector3 RayCentres[kTiers];
    float RaySizes[kTiers][2] = {};
    float RayRadii[kTiers][2] = {};
    float Areas[kTiers][4] = {};
    uint32_t GlowColour = 0xFFFFFFFFu;
    uint32_t RayColour = 0x7FFFFFFFu;
    // Radians per second.
    float RaySpeed = 0.5f;
    float FlyTime = 0.5f;

    CVioletTotemParams();

protected:
    void LoadPower(const CTotemConfig& config) override;
};

class CYellowTotemParams : public CTotemColourParams {
public:
    static constexpr int32_t kTiers = 4;
    static constexpr int32_t kNumbers = 5;

    CYellowTotemParams();

    float NuggetFadeTime = 0.25f;
    // Per tier, in figure units: where the number rises and the width of its
    // smoke source.
    CVector3 SmokeCentres[kTiers];
    float SmokePlatformSizes[kTiers] = {};
    uint32_t SmokeColour = 0;
    // Smoke sizes and speeds in figure widths.
    float SmokeSize = 0.0f;
    float SmokeExpand = 0.0f;
    float SmokeUpSpeed = 0.0f;
    float SmokeFadeSpeed = 4.0f;
    float NumberStartTime = 0.25f;
    float NumberFlyTime = 0.5f;
    float NumberFadeTime = 0.25f;
    // On the virtual screen.
    CVector3 NumberTarget;
    // The number pictures (texture rectangles) and their sizes by tier.
    float NumberRects[kNumbers][4] = {};
    float NumberSizes[kNumbers][2] = {};
    float FlareSize = 0.0f;
    float FlareLifeTime = 0.4f;
    // Radians per second.
    float FlareW = 3.1415927f;
    // Seconds between sparkles.
    float FlareT = 0.08f;
    uint32_t FlareColour = 0;
    // Per tier: the sparkle ellipse's centre x, y and size w, h.
    float Flares[kTiers][4] = {};
    float PlusSize = 32.0f;
    // Where the bolt strikes, and how wide its end spreads.
    CVector3 FrenzyTarget;
    float FrenzyWidth = 640.0f;

protected:
    void LoadPower(const CTotemConfig& config) override;
};

class CGreenTotemParams : public CTotemColourParams {
public:
    static constexpr int32_t kTiers = 4;

    CGreenTotemParams();

    // Texture rectangles of the figure's chain-less main part and shadow.
    float NoChainRect[4] = {};
    float NoChainShadowRect[4] = {};
    // The chain across the figure: start x, y, then length and sag, in
    // figure units.
    float Chain[4] = {};
    // Where the rays leave the figure, by tier.
    CVector3 Points[kTiers];
    uint32_t RayFlareColour = 0;
    uint32_t RayColour = 0;
    float PreRayTime = 0.25f;
    float RayFlareTime = 1.0f;
    float RayThickness = 80.0f;
    float RayTan = 0.05f;
    float RaySpeed = 800.0f;
    float RayLen = 400.0f;
    float Ray2PiLen = 256.0f;
    float RayInTermTime = 0.5f;
    float RayHeadSize = 24.0f;
    // Radians per second.
    float RayHeadW = 3.1415927f;
    float UnigemSize = 48.0f;
    uint32_t UnigemTailColour = 0;
    float UnigemTailPSize = 48.0f;
    float UnigemFlyTime = 0.75f;
    float UnigemStartFlyTime = 0.0f;
    float PauseTime = 1.0f;
    // Per tier the parallelogram of flares and sparkles: a corner (x, y, z)
    // and two edges (x, y each). Tier 1 has no flares and borrows tier 2's.
    float Flares[kTiers][7] = {};
    float SmallFSize = 0.0f;
    float SmallFLifeTime = 0.4f;
    float SmallFW = 1.0f;
    float SmallFT = 0.08f;
    float SmallFIntensity = 1.0f;
    float BigFSize = 0.5f;
    float BigFIntensity = 0.6f;
    float BigFT = 1.5f;
    float BigFW = 0.5f;
    float ChainTime = 0.75f;
    float ChainLightSize = 0.0f;
    float ChainLightLifeTime = 0.25f;
    float ChainLightT = 0.025f;
    uint32_t ChainLightColour = 0xFFFFFFFFu;

protected:
    void LoadPower(const CTotemConfig& config) override;
};

class CBlueTotemParams : public CTotemColourParams {
public:
    static constexpr int32_t kTiers = 3;
    static constexpr int32_t kMaxBolts = 16;
    using Segment = CTotemLine;

    CBlueTotemParams();

    // Per tier, the steel-less rectangles of the last two figure parts.
    float EmptyRects[kTiers][2][4] = {};
    // Per tier, the figure bolts' begin and end segments (same count).
    std::vector<Segment> BoltBegins[kTiers];
    std::vector<Segment> BoltEnds[kTiers];
    CVector3 Target;
    float PreTime = 0.5f;
    float StrikeTime = 0.1f;
    float BoltSize[2] = {200.0f, 48.0f};
    float BoltSpeed = 2500.0f;
    uint32_t BoltColour = 0;
    // Centre (x, y, z) and size (w, h) in figure units.
    float Caps[5] = {};
    float Shield[5] = {};
    float ShieldRect[4] = {};
    float SmallShield[5] = {};
    float SmallShieldRect[4] = {};
    uint32_t ShieldColour = 0;
    float ShieldLifeTime = 2.0f;
    float ShieldBirth = 1.0f;
    float ShieldMinFactor = 0.5f;
    float ShieldMaxFactor = 2.0f;

protected:
    void LoadPower(const CTotemConfig& config) override;
};

class CWhiteTotemParams : public CTotemColourParams {
public:
    static constexpr int32_t kTiers = 4;
    static constexpr int32_t kMaxStripLines = 64;
    using Line = CTotemLine;

    CWhiteTotemParams();

    // Per tier the cross lines of the paint stream and the texture length of
    // each segment between neighbouring lines.
    std::vector<Line> Strips[kTiers];
    std::vector<float> SegmentLengths[kTiers];
    float StreamIntensity = 0.8f;
    float StreamTSpeed = 0.25f;
    CVector3 FogPoints[kTiers];
    float FogRadii[kTiers] = {};
    float DropSpeed = 800.0f;
    float DropIntensity = 0.8f;
    float DropLengthFactor[2] = {0.8f, 1.5f};
    float DropWidthFactor[2] = {0.5f, 1.2f};
    // Radians per second.
    float DropWobble = 6.2831855f;
    float SprayIntensity = 0.75f;
    float SprayParticleSize = 48.0f;
    int32_t SprayParticles = 15;

protected:
    void LoadPower(const CTotemConfig& config) override;
};
