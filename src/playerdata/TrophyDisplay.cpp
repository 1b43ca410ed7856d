// The award display of the trophy screen: each waiting award's level picture
// flies in on a shrinking spiral with a trail of sparkles, lands in its place
// with a flash and a turning glow, and only then counts as earned. The same
// frame step drifts the screen's background and shows the description of the
// trophy under the pointer.
#include <algorithm>
#include <cmath>

#include "audio/SoundBank.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/Random.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "playerdata/Trophies.h"
#include "screens/ScreensManager.h"
#include "ui/UxForm.h"

namespace {

constexpr float kPi = 3.14159265f;
// The fly-in: one and a half turns, from four times the picture's size.
constexpr float kSpiralTurns = 3.0f * kPi;
constexpr float kStartScale = 4.0f;
// Drawn just in front of the target window: picture, flash, then glow.
constexpr float kPopupDepth = 5.0f;
constexpr float kFlashDepth = 6.0f;
constexpr float kGlowDepth = 7.0f;
constexpr int32_t kTrailParticles = 256;
constexpr uint32_t kTrailColour = 0xFFFFFF80u;
constexpr uint32_t kFlashColour = 0xFFFFFF80u;
constexpr uint32_t kGlowColour = 0xFFFF80FFu;
// The flash grows from half the picture's width to six times that.
constexpr float kFlashGrowth = 6.0f;
constexpr float kGlowScale = 1.5f;
// Behind the trophy screen, in front of everything else in its layer.
constexpr float kBackdropDepth = 2.0f;
constexpr float kScreenWidth = 1024.0f;
constexpr float kScreenHeight = 768.0f;
constexpr uint32_t kBackdropColour = 0xFF000000u;
constexpr int32_t kBackdropKey = 100000;
constexpr int32_t kBackdropBlend = 2;

// The target picture of an award: where the level window stands and how its
// first picture looks.
struct Target {
    float X, Y, Z, W, H;
    int32_t Key = 0;
    const CSpriteQuad* Picture = nullptr;

    explicit Target(const CUxWindow& w)
        : X(w.Position.X), Y(w.Position.Y), Z(w.Position.Z), W(w.Width), H(w.Height) {
        if (!w.Pictures.empty() && !w.Pictures.front().IsNull()) {
            Picture = w.Pictures.front().Get();
            Key = Picture->Key;
        }
    }
};

void PlaySound(const CSharedPtr<CSoundBank>& bank, ESound sound) {
    if (!bank.IsNull())
        bank->PlaySample(bank->Group(sound), 0, 0);
}

} // namespace

bool CTrophies::FormReady() const {
    if (Screens.IsNull() || Screens->TrophiesForm.IsNull())
        return false;
    const CUxForm& form = *Screens->TrophiesForm;
    return form.Visible && form.Active && form.Enabled;
}

int32_t CTrophies::UpdatePopup(float dt, float mouseX, float mouseY) {
    if (Screens.IsNull() || Screens->TrophiesForm.IsNull() || !Screens->TrophiesForm->Visible)
        return 0;
    ScrollBackground(dt);
    if (!FormReady())
        return 0;
    if (!Pending.empty() && StepAward(dt))
        return 1;
    Hover(mouseX, mouseY);
    return 0;
}

void CTrophies::ScrollBackground(float dt) {
    const CSharedPtr<CUxWindow>& back = Screens->TrophiesControl0;
    if (back.IsNull() || back->Pictures.empty() || back->Pictures.front().IsNull())
        return;
    CSpriteQuad& picture = *back->Pictures.front();
    const size_t first = static_cast<size_t>(std::max(picture.CurrentFrame, 0)) * 4;
    if (first + 4 > picture.Frames.size())
        return;
    float u = picture.Frames[first].U + dt * BackgroundTSpeed[0];
    float v = picture.Frames[first].V + dt * BackgroundTSpeed[1];
    // One step a frame keeps the corner near [0, 1) without a division.
    u += u < 0.0f ? 1.0f : u >= 1.0f ? -1.0f : 0.0f;
    v += v < 0.0f ? 1.0f : v >= 1.0f ? -1.0f : 0.0f;
    const float du = BackgroundTSize[0], dv = BackgroundTSize[1];
    const CTexCoord corners[4] = {{u, v}, {u + du, v}, {u + du, v + dv}, {u, v + dv}};
    picture.SetFrameCorners(picture.CurrentFrame, corners);
}

bool CTrophies::StepAward(float dt) {
    const auto [trophy, level] = Pending.front();
    const CSharedPtr<CUxWindow> window = LevelWindow(trophy, level);
    if (window.IsNull()) {
        // Nowhere to land: the award is simply earned.
        Levels[static_cast<size_t>(trophy)] = ShownLevels[static_cast<size_t>(trophy)] = level;
        Pending.erase(Pending.begin());
        RefreshWindows();
        return true;
    }
    const Target target(*window);
    if (Phase == 1) {
        PhaseTime += dt;
        if (PhaseTime < PostTime)
            return false;
        Pending.erase(Pending.begin());
        Phase = 0;
        PhaseTime = 0.0f;
        return true;
    }
    if (Popup.IsNull()) {
        PhaseTime = 0.0f;
        StartAward(*window);
    }
    PhaseTime += dt;
    const float t = std::min(PhaseTime / PompaTime, 1.0f);
    const float a = kSpiralTurns * t;
    const CVector3 at(target.X + (1.0f - t) * target.W * std::cos(a),
                      target.Y + (1.0f - t) * target.H * std::sin(a), target.Z - kPopupDepth);
    if (!Popup.IsNull())
        Popup->Position = at;
    if (!Trail.IsNull())
        Trail->SetPosition(at.X, at.Y, at.Z);
    if (t >= 1.0f)
        LandAward(*window, trophy, level);
    return false;
}

void CTrophies::StartAward(const CUxWindow& window) {
    const Target target(window);
    const float x = target.X + target.W, y = target.Y, z = target.Z - kPopupDepth;
    Popup = CSharedPtr<CSpriteQuad>(
        new CSpriteQuad(x, y, z, kStartScale * target.W, kStartScale * target.H,
                        target.Picture ? target.Picture->PackedColour : CUxWindow::kWhite,
                        target.Picture ? target.Picture->Texture : CSharedPtr<CTexture>(), 1));
    CSpriteQuad& popup = *Popup;
    if (target.Picture) {
        const size_t first = static_cast<size_t>(std::max(target.Picture->CurrentFrame, 0)) * 4;
        if (first + 4 <= target.Picture->Frames.size())
            popup.SetFrameCorners(0, &target.Picture->Frames[first]);
    }
    popup.Key = target.Key - static_cast<int32_t>(kPopupDepth);
    // Fully shown after half the flight; the window's own size at its end.
    popup.SetAlpha(0.0f);
    popup.FadeSpeed = 2.0f / PompaTime;
    popup.FadeTo(1.0f);
    popup.WidthSpeed = (kStartScale - 1.0f) * target.W / PompaTime;
    popup.HeightSpeed = (kStartScale - 1.0f) * target.H / PompaTime;
    popup.ScaleTo(target.W, target.H);
    if (!AwardSprites.IsNull())
        AwardSprites->Add(Popup);

    if (!Trail.IsNull())
        Trail->EndEmission();
    Trail = CSharedPtr<CParticleSystem>();
    if (!Particles.IsNull()) {
        CSpellsSpringParametres p(x, y, z, 0.0f, 0.0f, 0.0f, 100.0f, 50.0f, 32.0f, 16.0f,
                                  kTrailColour);
        p.FadeRate = 1.0f;
        p.FadeVariation = 0.25f;
        p.EmissionDuration = 10000000.0f; // the trail lasts until it is ended
        p.EmissionRate = 80.0f;
        p.RandomAngle = 1;
        p.RandomSpinSign = 1;
        p.Spin = 512.0f;
        p.SpinVariation = 256.0f;
        Trail = Particles->AddSpells(p, kTrailParticles, Textures[kTrail]);
    }
    PlaySound(SoundBank, ESound::Trophy);
    Phase = 0;
    PhaseTime = 0.0f;
}

void CTrophies::LandAward(const CUxWindow& window, int32_t trophy, int32_t level) {
    const Target target(window);
    Levels[static_cast<size_t>(trophy)] = ShownLevels[static_cast<size_t>(trophy)] = level;
    RefreshWindows();
    DropPopup();

    const float half = 0.5f * target.W;
    if (!AwardSprites.IsNull()) {
        CSharedPtr<CSpriteQuad> flash(new CSpriteQuad(target.X, target.Y, target.Z - kFlashDepth,
                                                      half, half, kFlashColour, Textures[kFlash],
                                                      1));
        flash->Key = target.Key - static_cast<int32_t>(kFlashDepth);
        flash->FadeSpeed = 1.0f / PostTime;
        flash->FadeTo(0.0f);
        flash->WidthSpeed = flash->HeightSpeed = (kFlashGrowth - 1.0f) * half / PostTime;
        flash->ScaleTo(kFlashGrowth * half, kFlashGrowth * half);
        flash->LifeOn = 1;
        flash->RemainingLife = PostTime;
        AwardSprites->Add(flash);
    }
    if (!Quads.IsNull()) {
        CSharedPtr<CQuad> glow(
            new CQuad(target.X, target.Y, target.Z - kGlowDepth, Textures[kGlow], kGlowColour));
        glow->SetScale(kGlowScale * target.W, kGlowScale * target.W);
        glow->FadeInTime = 0.2f * PostTime;
        glow->HoldEnd = 0.5f * PostTime;
        glow->FadeOutTime = PostTime;
        glow->Age = 0.0f;
        glow->StartRotation(RandomFloat() * 2.0f * kPi, kPi, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
        Quads->Add(glow);
    }
    PlaySound(SoundBank, ESound::AddLife);
    Phase = 1;
    PhaseTime = 0.0f;
}

void CTrophies::DropPopup() {
    if (!Popup.IsNull() && !AwardSprites.IsNull())
        AwardSprites->Remove(Popup);
    Popup = CSharedPtr<CSpriteQuad>();
    if (!Trail.IsNull())
        Trail->EndEmission();
    Trail = CSharedPtr<CParticleSystem>();
}

void CTrophies::Hover(float mouseX, float mouseY) {
    for (int32_t i = 0; i < kCount; ++i) {
        const int32_t shown = ShownLevels[static_cast<size_t>(i)];
        const CSharedPtr<CUxWindow> window = LevelWindow(i, shown);
        if (shown < 1 || window.IsNull())
            continue;
        const CUxWindow& w = *window;
        const float dx = w.Position.X - mouseX, dy = w.Position.Y - mouseY;
        if (std::sqrt(dx * dx + dy * dy) < (w.Width + w.Height) * 0.25f) {
            ShowDescription(i, shown, mouseX, mouseY);
            return;
        }
    }
    ShowDescription(0, -1, mouseX, mouseY);
}

void CTrophies::SetBackdrop(int32_t on) {
    if (BackdropSprites.IsNull())
        return;
    if (!on) {
        if (!Backdrop.IsNull())
            BackdropSprites->Remove(Backdrop);
        Backdrop = CSharedPtr<CSpriteQuad>();
        return;
    }
    if (!Backdrop.IsNull())
        return;
    const float z = Screens.IsNull() || Screens->TrophiesForm.IsNull()
                        ? 0.0f
                        : Screens->TrophiesForm->Position.Z;
    Backdrop = CSharedPtr<CSpriteQuad>(new CSpriteQuad(0.0f, 0.0f, z + kBackdropDepth, kScreenWidth,
                                                       kScreenHeight, kBackdropColour,
                                                       Textures[kBackdrop], 1));
    Backdrop->SetBlend(1, kBackdropBlend);
    Backdrop->Key = kBackdropKey;
    BackdropSprites->Add(Backdrop);
}
