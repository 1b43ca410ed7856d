#include "bonuses/BonusParametres.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "engine/IniHelpers.h"
#include "engine/ObjectLog.h"
#include "engine/Random.h"

CGemsParametres g_gemsParams;
CBonusParametres g_bonusParams;

namespace {

constexpr float kPi = 3.1415927f;

// One reader per file: the typed reads of its keys with their default texts.
class Reader {
public:
    explicit Reader(const std::string& file) : file_(file) {}

    float Float(const char* section, const char* key, const char* def) const {
        return GetIniFloat(file_, section, key, def);
    }
    // A float given in half-turns, in radians.
    float HalfTurns(const char* section, const char* key, const char* def) const {
        return Float(section, key, def) * kPi;
    }
    int32_t Int(const char* section, const char* key, const char* def) const {
        return GetIniInt(file_, section, key, def);
    }
    // "255 255 128 255" as ARGB.
    uint32_t Colour(const char* section, const char* key, const char* def) const {
        return GetIniColour(file_, section, key, def);
    }
    // Up to eight hexadecimal digits.
    uint32_t Hex(const char* section, const char* key, const char* def) const {
        std::string text;
        GetIniString(text, file_, section, key, def);
        return ParseHex(text);
    }
    // 0 when the value begins with the character 0, else 1.
    int32_t Flag(const char* section, const char* key, const char* def) const {
        std::string text;
        GetIniString(text, file_, section, key, def);
        return !text.empty() && text[0] == '0' ? 0 : 1;
    }
    // Blank-separated floats; a field the text leaves out keeps its default.
    void Floats(float* out, int n, const char* section, const char* key, const char* def) const {
        float defaults[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        std::sscanf(def, "%f %f %f %f", &defaults[0], &defaults[1], &defaults[2], &defaults[3]);
        for (int i = 0; i < n; ++i)
            out[i] = defaults[i];
        switch (n) {
        case 2:
            GetIniFloat2(out, file_, section, key, def);
            break;
        case 3:
            GetIniFloat3(out, file_, section, key, def);
            break;
        default:
            GetIniFloat4(out, file_, section, key, def);
            break;
        }
    }
    // A point in pixels of the screen (top left, y down), in virtual-screen units.
    void ScreenPoint(float* out, const char* section, const char* key, const char* def) const {
        Floats(out, 3, section, key, def);
        out[0] -= 512.0f;
        out[1] = 384.0f - out[1];
    }

    // A value that something is divided by: 0 or less (or no number) keeps the
    // fallback, with a log line.
    void Divisor(float& field, const char* section, const char* key, float fallback) const {
        if (std::isfinite(field) && field > 0.0f)
            return;
        char used[32];
        std::snprintf(used, sizeof used, "%g", static_cast<double>(fallback));
        WarnIniValue(file_, section, key, IniKeyLine(file_, section, key), "must be above 0", used);
        field = fallback;
    }

private:
    const std::string& file_;
};

std::string Indexed(const char* pattern, int i) {
    char key[64];
    std::snprintf(key, sizeof key, pattern, i);
    return key;
}

} // namespace

// ---------------------------------------------------------------------------
// Gems.cfg

int32_t CGemsParametres::Load(const std::string& file) {
    const Reader r(file);
    const CGemsParametres defaults;

    r.Floats(Gems.TargetPos, 3, "Gems", "TargetPos", "-480 0 -150");
    Gems.TargetZOrder = r.Int("Gems", "TargetZOrder", "-150");
    Gems.FlyTime = r.Float("Gems", "FlyTime", "1");
    Gems.Size = r.Float("Gems", "Size", "48");
    for (int i = 0; i < kGemColours; ++i)
        Gems.ParticleColor[i] = r.Hex("Gems", Indexed("ParticleColor%d", i).c_str(), "FFFFFF");

    Halo.Size = r.Float("Halo", "Size", "128");
    Halo.T = r.HalfTurns("Halo", "T", "2");
    Halo.Intensity = r.Float("Halo", "Intensity", "1");
    Halo.MinIntensity = r.Float("Halo", "MinIntensity", "0");
    Halo.Method = r.Flag("Halo", "Method", "0");
    for (int i = 0; i < kGemColours; ++i)
        Halo.Color[i] = r.Hex("Halo", Indexed("Color%d", i).c_str(), "FFFFFF") | 0xFF000000u;

    SmallFlares.Size = r.Float("SmallFlares", "Size", "8");
    SmallFlares.LifeTime = r.Float("SmallFlares", "LifeTime", "1");
    SmallFlares.W = r.HalfTurns("SmallFlares", "W", "1");
    SmallFlares.T = r.Float("SmallFlares", "T", "0.1");
    SmallFlares.Intensity = r.Float("SmallFlares", "Intensity", "1");
    for (int i = 0; i < kGemColours; ++i)
        r.Floats(SmallFlares.OriginSize[i], 2, "SmallFlares",
                 Indexed("OriginSize%d", i).c_str(), "28 28");

    BigFlares.Size = r.Float("BigFlares", "Size", "64");
    BigFlares.Intensity = r.Float("BigFlares", "Intensity", "1");
    BigFlares.T = r.Float("BigFlares", "T", "1.5");
    BigFlares.W = r.HalfTurns("BigFlares", "W", "0.5");
    BigFlares.Method = r.Flag("BigFlares", "Method", "0");
    for (int i = 0; i < kGemColours; ++i)
        r.Floats(BigFlares.OriginSize[i], 2, "BigFlares", Indexed("OriginSize%d", i).c_str(),
                 "26 26");

    Standard.Radius = r.Float("Standard", "Radius", "38");

    r.Divisor(Halo.T, "Halo", "T", defaults.Halo.T);
    r.Divisor(SmallFlares.T, "SmallFlares", "T", defaults.SmallFlares.T);
    r.Divisor(BigFlares.T, "BigFlares", "T", defaults.BigFlares.T);
    r.Divisor(Standard.Radius, "Standard", "Radius", defaults.Standard.Radius);
    return 1;
}

void CGemsParametres::RandomFlareOffset(int32_t colour, int32_t big, float* dx, float* dy) const {
    if (colour < 0 || colour >= kGemColours)
        colour = 0;
    const float* size = big ? BigFlares.OriginSize[colour] : SmallFlares.OriginSize[colour];
    const float a = RandomFloat();
    const float r = 0.5f * std::sqrt(RandomFloat());
    *dx = std::cos(2.0f * kPi * a) * r * size[0];
    *dy = std::sin(2.0f * kPi * a) * r * size[1];
}

// ---------------------------------------------------------------------------
// Bonus.cfg

CBonusParametres::TntSection::TntSection() {
    for (auto& w : WireRing) {
        w[0] = 63.0f;
        w[1] = 25.0f;
        w[2] = 62.0f;
        w[3] = 102.0f;
    }
    BuildWires();
}

void CBonusParametres::TntSection::BuildWires() {
    for (int i = 0; i < 3; ++i) {
        // Centred on the 128 by 128 picture, y up.
        const float x0 = WireRing[i][0] - 64.0f, y0 = 64.0f - WireRing[i][1];
        const float x1 = WireRing[i][2] - 64.0f, y1 = 64.0f - WireRing[i][3];
        CTntWire& w = Wire[i];
        w.Centre[0] = 0.5f * (x0 + x1);
        w.Centre[1] = 0.5f * (y0 + y1);
        w.Centre[2] = 0.0f;
        w.Half[0] = 0.5f * (x1 - x0);
        w.Half[1] = 0.5f * (y1 - y0);
        w.Half[2] = 0.0f;
        // The half vector a quarter turn on, WireRingWidth / 2 long; a wire of
        // no length has no direction and keeps a zero normal.
        const float nx = -w.Half[1], ny = w.Half[0];
        const float len = std::sqrt(nx * nx + ny * ny);
        const float k = len > 0.0f && std::isfinite(len) ? 0.5f * WireRingWidth[i] / len : 0.0f;
        w.Normal[0] = nx * k;
        w.Normal[1] = ny * k;
        w.Normal[2] = 0.9f;
    }
}

int32_t CBonusParametres::Load(const std::string& file) {
    const Reader r(file);
    const CBonusParametres defaults;

    for (int i = 0; i < 3; ++i) {
        r.Floats(TNT.WireRing[i], 4, "TNT", Indexed("WireRing%d", i).c_str(), "63 25 62 102");
        TNT.WireRingWidth[i] = r.Float("TNT", Indexed("WireRingWidth%d", i).c_str(), "20");
    }
    TNT.BuildWires();
    TNT.SparkerW = r.Float("TNT", "SparkerW", "0.25");
    TNT.LifeTime = r.Float("TNT", "LifeTime", "1");
    TNT.RingColor = r.Colour("TNT", "RingColor", "255 255 128 255");
    static const char* const kRingSizes[4] = {"3", "4.2", "5", "6.2"};
    for (int i = 0; i < 4; ++i)
        TNT.RingSize[i] = r.Float("TNT", Indexed("RingSize%d", i).c_str(), kRingSizes[i]);
    TNT.RingExpandTime = r.Float("TNT", "RingExpandTime", "0.4");
    TNT.HaloColor = r.Colour("TNT", "HaloColor", "255 128 128 255");
    TNT.HaloSizeFactor = r.Float("TNT", "HaloSizeFactor", "0.9");
    TNT.HaloW = r.HalfTurns("TNT", "HaloW", "0.5");
    TNT.ExpSparkColor = r.Colour("TNT", "ExpSparkColor", "128 128 255 255") & 0x00FFFFFFu;
    TNT.ExpSparkCount = r.HalfTurns("TNT", "ExpSparkCount", "20");
    TNT.ExpSparkSize = r.HalfTurns("TNT", "ExpSparkSize", "8");
    TNT.ExpSparkFading = r.HalfTurns("TNT", "ExpSparkFading", "1");
    TNT.ExpSparkSpeed = r.HalfTurns("TNT", "ExpSparkSpeed", "100");
    TNT.ExpSparkGravity = r.HalfTurns("TNT", "ExpSparkGravity", "100");

    Flash.Radius = r.Float("Flash", "Radius", "30");
    Flash.BoltWidth = r.Float("Flash", "BoltWidth", "16");
    Flash.W = r.HalfTurns("Flash", "W", "1");
    Flash.Speed = r.Float("Flash", "Speed", "30");
    Flash.CoreSize = r.Float("Flash", "CoreSize", "16");
    {
        const float intensity = r.Float("Flash", "Intensity", "0.5");
        float a = std::floor(intensity * 255.0f);
        a = std::isfinite(a) ? std::fmin(std::fmax(a, 0.0f), 255.0f) : 0.0f;
        Flash.Intensity = (static_cast<uint32_t>(a) << 24) | 0x00FFFFFFu;
    }
    Flash.LifeTime = r.Float("Flash", "LifeTime", "0.25");

    r.ScreenPoint(Time.Target, "Time", "Target", "114 94 -60");
    Time.TwirlZOrder = r.Int("Time", "TwirlZOrder", "-60");
    Time.PreFlyTime = r.Float("Time", "PreFlyTime", "0.25");
    Time.FlyTime = r.Float("Time", "FlyTime", "0.15");
    Time.PostFlyTime = r.Float("Time", "PostFlyTime", "0.2");
    Time.DigitsSize = r.Float("Time", "DigitsSize", "24");
    Time.StarColor = r.Colour("Time", "StarColor", "73 246 8 128");
    Time.TwirlColor = r.Colour("Time", "TwirlColor", "73 246 8 255");

    {
        float global[2], rim[2], glass[2];
        r.Floats(global, 2, "Adviser", "GlobalShift", "0 0");
        r.Floats(rim, 2, "Adviser", "RimShift", "-1 -1");
        r.Floats(glass, 2, "Adviser", "GlassShift", "3 -6");
        Adviser.GlobalShift[0] = global[0];
        Adviser.GlobalShift[1] = -global[1];
        Adviser.RimShift[0] = global[0] + rim[0];
        Adviser.RimShift[1] = -global[1] - rim[1];
        Adviser.GlassShift[0] = global[0] + glass[0];
        Adviser.GlassShift[1] = -global[1] - glass[1];
    }
    Adviser.GlassW = r.HalfTurns("Adviser", "GlassW", "1");
    r.ScreenPoint(Adviser.Target, "Adviser", "Target", "160 352 -60");
    Adviser.ZOrder = r.Int("Adviser", "ZOrder", "-60");
    Adviser.Speed = r.Float("Adviser", "Speed", "1000");
    Adviser.TailColor = r.Colour("Adviser", "TailColor", "255 255 80 128");

    Score.CoinOrbitRadius = r.Float("Score", "CoinOrbitRadius", "42");
    Score.CoinFPS = r.Float("Score", "CoinFPS", "30");
    Score.CoinW = r.HalfTurns("Score", "CoinW", "2");
    Score.CoinOutSpeed = r.Float("Score", "CoinOutSpeed", "400");
    Score.TailColor = r.Colour("Score", "TailColor", "80 255 80 255");

    SolidaritySection& s = Solidarity;
    s.RingColor = r.Colour("Solidarity", "RingColor", "255 255 255 255");
    s.RingR = r.Float("Solidarity", "RingR", "24");
    s.RingExpandSpeed = r.Float("Solidarity", "RingExpandSpeed", "48");
    s.RingLifeTime = r.Float("Solidarity", "RingLifeTime", "1");
    s.RingT = r.Float("Solidarity", "RingT", "0.4");
    s.RingW = r.HalfTurns("Solidarity", "RingW", "0.5");
    s.CenterColor = r.Colour("Solidarity", "CenterColor", "255 255 255 255");
    s.CenterSize = r.Float("Solidarity", "CenterSize", "32");
    s.CenterW = r.HalfTurns("Solidarity", "CenterW", "-0.5");
    s.TailColor = r.Colour("Solidarity", "TailColor", "255 255 255 255");
    r.Floats(s.TailSize, 2, "Solidarity", "TailSize", "32 16");
    s.TailTLen = r.Float("Solidarity", "TailTLen", "0.25");
    s.TailTSpeed = r.Float("Solidarity", "TailTSpeed", "0.5");
    s.TailW = r.Float("Solidarity", "TailW", "0.125");
    s.BoltColor = r.Colour("Solidarity", "BoltColor", "255 200 200 255");
    s.BoltLength = r.Float("Solidarity", "BoltLength", "1000");
    s.BoltWidth = r.Float("Solidarity", "BoltWidth", "64");
    s.BoltSpeed = r.Float("Solidarity", "BoltSpeed", "1200");
    s.BoltTFactor = r.Float("Solidarity", "BoltTFactor", "256");
    s.BoltTSpeed = r.Float("Solidarity", "BoltTSpeed", "1");
    s.TermTime = r.Float("Solidarity", "TermTime", "0.25");

    AdviserInterfaceSection& ai = AdviserInterface;
    ai.HaloW = r.HalfTurns("AdviserInterface", "HaloW", "0.25");
    ai.Z = r.Float("AdviserInterface", "Z", "-50");
    ai.ZOrder = r.Int("AdviserInterface", "ZOrder", "-10");
    ai.ArrowW = r.HalfTurns("AdviserInterface", "ArrowW", "2");
    ai.ArrowR = r.Float("AdviserInterface", "ArrowR", "4");
    ai.Refresh = r.Float("AdviserInterface", "Refresh", "0.25");

    const CBonusParametres& d = defaults;
    r.Divisor(TNT.RingExpandTime, "TNT", "RingExpandTime", d.TNT.RingExpandTime);
    r.Divisor(TNT.ExpSparkSpeed, "TNT", "ExpSparkSpeed", d.TNT.ExpSparkSpeed);
    r.Divisor(Time.PreFlyTime, "Time", "PreFlyTime", d.Time.PreFlyTime);
    r.Divisor(Time.FlyTime, "Time", "FlyTime", d.Time.FlyTime);
    r.Divisor(Time.PostFlyTime, "Time", "PostFlyTime", d.Time.PostFlyTime);
    r.Divisor(Adviser.Speed, "Adviser", "Speed", d.Adviser.Speed);
    r.Divisor(s.RingLifeTime, "Solidarity", "RingLifeTime", d.Solidarity.RingLifeTime);
    r.Divisor(s.RingT, "Solidarity", "RingT", d.Solidarity.RingT);
    r.Divisor(s.BoltSpeed, "Solidarity", "BoltSpeed", d.Solidarity.BoltSpeed);
    return 1;
}

int32_t LoadBonusConfigs(const std::string& gemsFile, const std::string& bonusFile) {
    g_gemsParams.Load(gemsFile);
    return g_bonusParams.Load(bonusFile);
}
