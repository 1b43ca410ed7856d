#include "playfield/QuestFieldLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "effects/Sandbox.h"
#include "engine/IniHelpers.h"

namespace {

constexpr const char* kField = "FieldQuest";

std::string Key(const char* pattern, int i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, pattern, i);
    return buf;
}

// An ARGB colour split into the colour with its alpha byte and alpha / 255.
void ColourAndAlpha(uint32_t argb, uint32_t& colour, float& alpha) {
    colour = argb;
    alpha = static_cast<float>(argb >> 24) / 255.0f;
}

// Pulls an RGB triple towards its lightness: saturation 1 keeps it, 0 makes it grey.
void Saturate(float rgb[3], float saturation) {
    const float lo = std::min({rgb[0], rgb[1], rgb[2]});
    const float hi = std::max({rgb[0], rgb[1], rgb[2]});
    const float lightness = (lo + hi) * 0.5f;
    for (int i = 0; i < 3; ++i)
        rgb[i] = rgb[i] * saturation + lightness * (1.0f - saturation);
}

void ReadPairUp(float out[2], std::string_view path, const char* section, const char* key,
                const char* def) {
    float pair[2] = {0.0f, 0.0f};
    GetIniFloat2(pair, path, section, key, def);
    out[0] = pair[0];
    out[1] = -pair[1];
}

} // namespace

CQuestFieldLayout::CQuestFieldLayout() { Load(""); }

void CQuestFieldLayout::Load(std::string_view skinPath) {
    LoadField(skinPath);
    LoadFrame(skinPath);
    LoadSandbox(skinPath);
    LoadPanel(skinPath);
    LoadTutorialAndMap(skinPath);
}

void CQuestFieldLayout::LoadField(std::string_view path) {
    GetIniFloat3(BaseOrigin, path, kField, "Origin", "-194.5 340.5 50");
    float cell[2] = {83.0f, 83.0f};
    GetIniFloat2(cell, path, kField, "CellSize", "83 83");
    CellWidth = cell[0];
    CellHeight = cell[1];
    Depth = GetIniFloat(path, kField, "Depth", "50");
    TokenSize = GetIniFloat(path, kField, "CapSize", "39");
}

void CQuestFieldLayout::LoadFrame(std::string_view path) {
    const int32_t count = GetIniIntClamped(path, kField, "FrameCount", "1", 0, kMaxFrameElements);
    FrameRects.assign(static_cast<size_t>(count), CFrameRect{});
    FrameUVs.assign(static_cast<size_t>(count) * 4, CFrameTexCoord{});
    FrameTextures.assign(static_cast<size_t>(count), 0);
    FrameColours.assign(static_cast<size_t>(count), 0);
    FrameMethods.assign(static_cast<size_t>(count), 0);
    for (int32_t i = 0; i < count; ++i) {
        const auto n = static_cast<size_t>(i);
        float rect[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        GetIniFloat4(rect, path, kField, Key("Frame%dRect", i).c_str(),
                     i == 0 ? "-14 14 692 692" : "0 0 0 0");
        FrameRects[n] = CFrameRect{rect[0], rect[1], rect[2], rect[3]};
        float uv[4] = {0.0f, 0.0f, 1.0f, 1.0f};
        GetIniFloat4(uv, path, kField, Key("Frame%dUV", i).c_str(), "0 0 1 1");
        FrameUVs[4 * n + 0] = CFrameTexCoord{uv[0], uv[1]};
        FrameUVs[4 * n + 1] = CFrameTexCoord{uv[2], uv[1]};
        FrameUVs[4 * n + 2] = CFrameTexCoord{uv[2], uv[3]};
        FrameUVs[4 * n + 3] = CFrameTexCoord{uv[0], uv[3]};
        FrameTextures[n] = GetIniInt(path, kField, Key("Frame%dTexture", i).c_str(), "1");
        FrameColours[n] =
            GetIniColour(path, kField, Key("Frame%dColor", i).c_str(), "255 255 255 255");
        FrameMethods[n] = GetIniInt(path, kField, Key("Frame%dMethod", i).c_str(), "0");
    }
}

void CQuestFieldLayout::LoadSandbox(std::string_view path) {
    SandColumns = GetIniIntClamped(path, kField, "SandboxColumns", "16", CSandbox::kMinColumns,
                                   CSandbox::kMaxColumns);
    float pos[3] = {-300.0f, 310.0f, 45.0f};
    GetIniFloat3(pos, path, kField, "SandboxPos", "-300 310 45");
    float size[2] = {80.0f, 600.0f};
    GetIniFloat2(size, path, kField, "SandboxSize", "80 600");
    SandRect[0] = pos[0];
    SandRect[1] = pos[1];
    SandRect[2] = pos[2];
    SandRect[3] = size[0];
    SandRect[4] = size[1];

    SandboxFrontShift[2] = 0.0f;
    ReadPairUp(SandboxFrontShift, path, kField, "SandboxFrontShift", "-9 -4");
    SandboxGlassColour = GetIniColour(path, kField, "SandboxGlassColor", "108 200 247 255");
    SandInGravity = GetIniFloat(path, kField, "SandboxSandInGravity", "5");
    SandOutGravity = GetIniFloat(path, kField, "SandboxSandOutGravity", "20");
    SandPathSpeed = GetIniFloat(path, kField, "SandboxSandPathSpeed", "32");

    const int32_t keys =
        GetIniIntClamped(path, kField, "SandboxSandPathCount", "2", 0, kMaxSandPathKeys);
    SandPath.assign(static_cast<size_t>(keys), CSandPathKey{});
    float from[3] = {0.0f, 0.0f, 0.0f};
    for (int32_t i = 0; i < keys; ++i) {
        float point[2] = {0.0f, 0.0f};
        ReadPairUp(point, path, kField, Key("SandboxSandPathPoint%d", i).c_str(), "0 0");
        CSandPathKey& k = SandPath[static_cast<size_t>(i)];
        for (int a = 0; a < 3; ++a)
            k.Start[a] = from[a];
        k.End[0] = point[0];
        k.End[1] = point[1];
        k.End[2] = 0.0f;
        const float length = std::hypot(k.End[0] - k.Start[0], k.End[1] - k.Start[1]);
        // A speed of 0 or less would make the time endless: such keys take no time.
        k.Duration = SandPathSpeed > 0.0f ? length / SandPathSpeed : 0.0f;
        for (int a = 0; a < 3; ++a)
            from[a] = k.End[a];
    }

    ColourAndAlpha(GetIniColour(path, kField, "SandboxSandColor", "160 144 80 255"), SandColour,
                   SandAlpha);
    DustSpeed = GetIniFloat(path, kField, "SandboxDustSpeed", "80");
    HalfDustSpeed = DustSpeed * 0.5f;
    DustSize = GetIniFloat(path, kField, "SandboxDustSize", "8");
    HalfDustSize = DustSize * 0.5f;
    ColourAndAlpha(GetIniColour(path, kField, "SandboxDustColor", "160 144 80 127"), DustColour,
                   DustAlpha);
    uint32_t bar = 0;
    ColourAndAlpha(GetIniColour(path, kField, "SandboxFrenzyBarColor", "1 221 255 255"), bar,
                   FrenzyBarAlpha);
    FrenzyBarColour = bar & 0x00FFFFFFu;
    FrenzyBarShift[0] = 14.0f;
    FrenzyBarShift[1] = 2.0f;
    GetIniFloat2(FrenzyBarShift, path, kField, "SandboxFrenzyBarShift", "14 2");
    FrenzyBarElementSize[0] = 32.0f;
    FrenzyBarElementSize[1] = 32.0f;
    GetIniFloat2(FrenzyBarElementSize, path, kField, "SandboxFrenzyBarElementSize", "32 32");
    FrenzyBarCount =
        GetIniIntClamped(path, kField, "SandboxFrenzyBarCount", "19", 1, kMaxFrenzyBarCount);
    FrenzyBarPostTime = GetIniFloat(path, kField, "SandboxFrenzyBarPostTime", "0.25");
}

void CQuestFieldLayout::LoadPanel(std::string_view path) {
    const char* s = "PanelQuest";
    GlobalAngle = GetIniFloat(path, s, "GlobalAngle", "0.237374247");
    ArrowCenter[0] = 0.0f;
    ArrowCenter[1] = -25.0f;
    GetIniFloat2(ArrowCenter, path, s, "ArrowCenter", "0 -25");
    ArrowShadowCenter[0] = -2.0f;
    ArrowShadowCenter[1] = -27.0f;
    GetIniFloat2(ArrowShadowCenter, path, s, "ArrowShadowCenter", "-2 -27");
    Saturation = GetIniFloat(path, s, "Saturation", "1");
    const struct {
        float* Rgb;
        const char* Key;
        const char* Default;
    } colours[] = {{GreenRgb, "Green", "0 255 0"},
                   {YellowRgb, "Yellow", "255 255 0"},
                   {RedRgb, "Red", "255 0 0"}};
    for (const auto& c : colours) {
        c.Rgb[0] = c.Rgb[1] = c.Rgb[2] = 0.0f;
        GetIniFloat3(c.Rgb, path, s, c.Key, c.Default);
        Saturate(c.Rgb, Saturation);
    }
    const float alpha = GetIniFloatClamped(path, s, "Alpha", "0.25", 0.0f, 1.0f);
    AlphaByte = static_cast<int32_t>(std::floor(alpha * 255.0f));
    GreenEnd = GetIniFloat(path, s, "GreenEnd", "0.25");
    YellowEnd = GetIniFloat(path, s, "YellowEnd", "0.1");
    RedEnd = GetIniFloat(path, s, "RedEnd", "0.08");
}

void CQuestFieldLayout::LoadTutorialAndMap(std::string_view path) {
    const char* t = "Tutorial";
    ArrowWinPrefX = GetIniFloat(path, t, "ArrowWinPrefX", "394");
    ReadPairUp(ArrowWinSize, path, t, "ArrowWinSize", "512 160");
    ReadPairUp(ArrowUpShift, path, t, "ArrowUpShift", "7 -45");
    ReadPairUp(ArrowDownShift, path, t, "ArrowDownShift", "7 -19");
    ReadPairUp(ClickHerePoint, path, t, "ClickHerePoint", "160 106");
    ClickHereA = GetIniFloat(path, t, "ClickHereA", "16");
    ClickHereW = GetIniFloat(path, t, "ClickHereW", "6");
    ReadPairUp(SwapThesePoint, path, t, "SwapThesePoint", "160 106");
    ReadPairUp(FlagShift, path, "Map", "FlagShift", "11 -10");
    ReadPairUp(ShadowShift, path, "Map", "ShadowShift", "9 32");
}
