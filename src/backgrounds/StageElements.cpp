#include "backgrounds/StageElements.h"

#include <algorithm>
#include <cstdio>

#include "audio/SoundBank.h"
#include "backgrounds/BackdropKit.h"
#include "engine/IniHelpers.h"
#include "engine/Random.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"

using namespace backdrop;

namespace {

constexpr float kDegrees = kPi / 180.0f;
// A flare grows from a quarter of its size.
constexpr float kFlareStartScale = 0.25f;
constexpr float kFlareGrowth = 1.0f - kFlareStartScale;
// Streaks use the right half of the spark picture and pivot on their left edge.
constexpr float kStreakU0 = 0.5f;
constexpr float kPivotLeftEdge = -0.5f;

// "x y w h" of the screen and "u0 v0 u1 v1" texels to a centred element.
CStageElements::Rect ReadRect(const std::string& file, const char* section, const std::string& key,
                              const std::string& texKey, const char* def, const char* texDef) {
    float r[4] = {0, 0, 0, 0}, t[4] = {0, 0, 0, 0};
    GetIniFloat4(r, file, section, key.c_str(), def);
    GetIniFloat4(t, file, section, texKey.c_str(), texDef);
    CStageElements::Rect e;
    e.X = CentredX(r[0]) + 0.5f * r[2];
    e.Y = CentredY(r[1]) - 0.5f * r[3];
    e.W = r[2];
    e.H = r[3];
    e.U0 = t[0] / kPictureTexels;
    e.V0 = t[1] / kPictureTexels;
    e.U1 = t[2] / kPictureTexels;
    e.V1 = t[3] / kPictureTexels;
    return e;
}

} // namespace

int32_t CStageElements::RaysBlend(const std::string& method) {
    if (method == "Screen")
        return CSpriteQuad::BlendScreen;
    if (method == "Normal")
        return CSpriteQuad::BlendNormal;
    return CSpriteQuad::BlendAdd;
}

CStageElements::CStageElements(const CStageSettings& settings)
    : Offset(kOffsetX, kOffsetY, kDepth), Settings(settings) {
    Settings.MaxCount = std::max(Settings.MaxCount, 1);
    Settings.ExtraSlots = std::max(Settings.ExtraSlots, 0);
    const size_t slots = static_cast<size_t>(Settings.MaxCount + Settings.ExtraSlots);
    States.assign(slots, kIdle);
    Timers.assign(slots, 0.0f);
}

CStageElements::~CStageElements() {
    Release();
}

void CStageElements::Attach(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CTexture> flare,
                            CSharedPtr<CTexture> spark) {
    Layer = layer;
    FlareTexture = flare;
    SparkTexture = spark;
}

void CStageElements::LoadParams(const std::string& file, const char* section) {
    const int gems = Settings.MaxCount;
    const int rays = Settings.MaxCount + Settings.ExtraSlots;
    Gems.clear();
    Rays.clear();
    Flares.clear();
    for (int i = 1; i <= gems; ++i)
        Gems.push_back(ReadRect(file, section, KeyOf("Gem", i), KeyOf("GemT", i), Settings.Gem,
                                Settings.GemT));
    RaysColour = GetIniColour(file, section, "RaysColor", "255 255 255 240");
    std::string method;
    RaysMode = RaysBlend(GetIniString(method, file, section, "RaysMethod", "Add"));
    for (int i = 1; i <= rays; ++i) {
        Rect r =
            ReadRect(file, section, KeyOf("Ray", i), KeyOf("RayT", i), Settings.Ray, Settings.RayT);
        r.Angle = GetIniFloat(file, section, KeyOf("Angle", i).c_str(), "0") * kDegrees;
        Rays.push_back(r);
        float f[3] = {0, 0, 0};
        GetIniFloat3(f, file, section, KeyOf("Flare", i).c_str(), Settings.Flare);
        FlareSpec spec;
        spec.X = CentredX(f[0]);
        spec.Y = CentredY(f[1]);
        spec.Size = f[2];
        spec.Colour =
            GetIniColour(file, section, KeyOf("FlareColor", i).c_str(), Settings.FlareColour);
        Flares.push_back(spec);
    }
    NewFlareTime = ReadPeriod(file, section, "NewFlareTime", "0.25");
    NewGemTime = ReadPeriod(file, section, "NewGemTime", "0.5");
    NewRayTime = ReadPeriod(file, section, "NewRayTime", "0.4");
    FlareSpin =
        GetIniFloat(file, section, "GemFlareW", "0.125") * (Settings.SpinTimesPi ? kPi : 1.0f);
    RainbowTime = GetIniFloat(file, section, "RainbowTime", "2");
    GetIniFloat2(RainbowSize, file, section, "RainbowSize", "256 12");
    RainbowW = GetIniFloat(file, section, "RainbowW", "1") * kPi;
    RainbowLife = ReadPeriod(file, section, "RainbowLifeTime", "0.5");
    RainbowT = ReadPeriod(file, section, "RainbowT", "0.1");
}

CSharedPtr<CSpriteQuad> CStageElements::MakeGem(size_t i) const {
    const Rect& g = Gems[i];
    auto s = MakeSprite(g.X + Offset.X, g.Y + Offset.Y, Offset.Z, g.W, g.H, 0xFFFFFFFFu, Picture);
    s->SetFrameRect(0, g.U0, g.V0, g.U1, g.V1);
    s->PassTag = Settings.GemPass;
    s->Key = 0;
    s->SetAlpha(0.0f);
    s->FadeSpeed = 1.0f / NewGemTime;
    return s;
}

CSharedPtr<CSpriteQuad> CStageElements::MakeRay(size_t i) const {
    const Rect& r = Rays[i];
    auto s = MakeSprite(r.X + Offset.X, r.Y + Offset.Y, Offset.Z, r.W, r.H, RaysColour, Picture);
    s->SetFrameRect(0, r.U0, r.V0, r.U1, r.V1);
    s->SetBlend(1, RaysMode);
    s->Key = -1;
    s->SetAlpha(0.0f);
    s->FadeSpeed = 1.0f / NewRayTime;
    s->SetRotation(r.Angle);
    return s;
}

CSharedPtr<CSpriteQuad> CStageElements::MakeFlare(size_t i) const {
    const FlareSpec& f = Flares[i];
    const float start = f.Size * kFlareStartScale;
    auto s =
        MakeSprite(f.X + Offset.X, f.Y + Offset.Y, Offset.Z, start, start, f.Colour, FlareTexture);
    s->SetBlend(1, CSpriteQuad::BlendAdd);
    s->Key = Settings.FlareKey;
    s->SetAlpha(0.0f);
    s->FadeSpeed = 1.0f / NewFlareTime;
    s->SetRotation(kTwoPi * RandomFloat());
    s->SpinOn = 1;
    s->SpinSpeed = FlareSpin;
    s->WidthSpeed = s->HeightSpeed = kFlareGrowth * f.Size / NewFlareTime;
    return s;
}

CStageElements::Change CStageElements::SetStage(int32_t count, int32_t flag) {
    StreakTimer = 0.0f;
    Celebrate = flag;
    Count = std::clamp(count, 0, Settings.MaxCount);
    Change change;
    const int32_t have = static_cast<int32_t>(GemSprites.size());
    if (have < Count) {
        for (int32_t i = have; i < Count; ++i) {
            const size_t k = static_cast<size_t>(i);
            States[k] = kFlareGrowing;
            Timers[k] = 0.0f;
            GemSprites.push_back(MakeGem(k));
            RaySprites.push_back(MakeRay(k));
            FlareSprites.push_back(MakeFlare(k));
            Show(Layer, GemSprites.back());
            Show(Layer, RaySprites.back());
            Show(Layer, FlareSprites.back());
            FlareSprites.back()->FadeTo(1.0f);
            FlareSprites.back()->ScaleTo(Flares[k].Size, Flares[k].Size);
        }
        change.Added = true;
        change.ReachedMax = Count == Settings.MaxCount;
    } else if (have > Count) {
        const size_t from = static_cast<size_t>(Count);
        for (size_t i = from; i < GemSprites.size(); ++i)
            Retire(Layer, GemSprites[i], NewGemTime);
        for (size_t i = from; i < RaySprites.size(); ++i) {
            RaySprites[i]->FadeSpeed = 1.0f / NewRayTime;
            Retire(Layer, RaySprites[i], NewRayTime);
        }
        for (size_t i = from; i < FlareSprites.size(); ++i)
            Retire(Layer, FlareSprites[i], NewFlareTime);
        GemSprites.resize(from);
        RaySprites.resize(std::min(RaySprites.size(), from));
        FlareSprites.resize(std::min(FlareSprites.size(), from));
        std::fill(States.begin() + Count, States.end(), kIdle);
        FadeStreaks();
    }
    return change;
}

void CStageElements::CelebrateIfWon(const Change& change) {
    if (change.Added && Celebrate == 0)
        PlaySample(ESound::Background);
}

void CStageElements::PlaySample(ESound sound) const {
    if (!SoundBank.IsNull())
        SoundBank->PlaySample(SoundBank->Group(sound), 0, 0);
}

void CStageElements::AddFinalFlare() {
    const size_t k = static_cast<size_t>(Settings.MaxCount);
    if (FlareSprites.size() != k || Flares.size() <= k)
        return;
    FlareSprites.push_back(MakeFlare(k));
    Show(Layer, FlareSprites.back());
}

bool CStageElements::LightFinalFlare(ESound sound) {
    const size_t k = static_cast<size_t>(Settings.MaxCount);
    if (FlareSprites.size() <= k)
        return false;
    FlareSprites[k]->FadeTo(1.0f);
    FlareSprites[k]->ScaleTo(Flares[k].Size, Flares[k].Size);
    PlaySample(sound);
    return true;
}

void CStageElements::FadeStreaks() {
    for (const auto& s : Streaks)
        Retire(Layer, s, s->FadeSpeed > 0.0f ? s->Alpha / s->FadeSpeed : 0.0f);
    Streaks.clear();
}

void CStageElements::SpawnStreak() {
    if (FlareSprites.empty())
        return;
    const CVector3& at = FlareSprites[GemSprites.size() - 1]->Position;
    const float w = RainbowSize[0] * (0.75f - 0.5f * RandomFloat());
    const float h = RainbowSize[1] * (0.75f - 0.5f * RandomFloat());
    const uint32_t colour = RandomColour(0.0f, 1.0f, 0.0f, 0.0f);
    auto s = MakeSprite(at.X, at.Y, at.Z, w, h, colour, SparkTexture);
    s->SetFrameRect(0, kStreakU0, 0.0f, 1.0f, 1.0f);
    s->SetBlend(1, CSpriteQuad::BlendAdd);
    s->Key = -1;
    s->SetAlpha(0.0f);
    s->FadeSpeed = 1.0f / ((0.75f + 0.5f * RandomFloat()) * 0.5f * RainbowLife);
    s->SetRotation(kTwoPi * RandomFloat());
    s->PivotX = kPivotLeftEdge;
    s->SpinOn = 1;
    const float spin = (0.75f + 0.5f * RandomFloat()) * RainbowW;
    s->SpinSpeed = RandomFloat() < 0.5f ? spin : -spin;
    Show(Layer, s);
    s->FadeTo(1.0f);
    Streaks.push_back(s);
}

bool CStageElements::Update(float dt) {
    bool finished = false;
    const float F = NewFlareTime, G = NewGemTime, R = NewRayTime;
    const size_t newest = GemSprites.size() - 1;
    for (size_t i = 0; i < GemSprites.size(); ++i) {
        const bool isNewest = i == newest;
        const bool celebrating = isNewest && Celebrate == 0;
        const float W = celebrating ? RainbowTime : G;
        float& timer = Timers[i];
        int32_t& state = States[i];
        timer += dt;
        if (state == kFlareGrowing && timer >= F) {
            GemSprites[i]->FadeTo(1.0f);
            state = kGemLit;
        } else if (state == kGemLit && timer >= F + W) {
            if (i < RaySprites.size())
                RaySprites[i]->FadeTo(1.0f);
            state = kRayLit;
        } else if (state == kRayLit && timer >= F + W + R) {
            state = kIdle;
            if (static_cast<int32_t>(i) == Settings.MaxCount - 1)
                finished = true;
            if (isNewest)
                FadeStreaks();
        }
        if (state != kGemLit && state != kRayLit)
            continue;
        if (celebrating) {
            StreakTimer += dt;
            if (StreakTimer > RainbowT) {
                StreakTimer -= RainbowT;
                SpawnStreak();
            }
        }
        for (size_t k = 0; k < Streaks.size();) {
            CSpriteQuad& s = *Streaks[k];
            if (s.Alpha >= 1.0f && s.TargetAlpha >= 1.0f) {
                s.FadeTo(0.0f);
            } else if (s.Alpha <= 0.0f && s.TargetAlpha <= 0.0f) {
                if (!Layer.IsNull())
                    Layer->Remove(Streaks[k]);
                Streaks.erase(Streaks.begin() + static_cast<std::ptrdiff_t>(k));
                continue;
            }
            ++k;
        }
    }
    return finished;
}

void CStageElements::Release() {
    for (auto* list : {&GemSprites, &RaySprites, &FlareSprites, &Streaks}) {
        for (auto& s : *list)
            if (!Layer.IsNull() && !s.IsNull())
                Layer->Remove(s);
        list->clear();
    }
}
