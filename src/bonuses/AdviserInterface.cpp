#include "bonuses/AdviserInterface.h"

#include <cmath>
#include <string>

#include "bonuses/BonusParametres.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "ui/UxStatic.h"

namespace {

constexpr float kTwoPi = 2.0f * 3.1415927f;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// Adds `speed * dt` to an angle and keeps it in 0..2 pi.
void Turn(float& angle, float speed, float dt) {
    angle += speed * dt;
    if (!std::isfinite(angle))
        angle = 0.0f;
    else if (angle >= kTwoPi || angle < 0.0f)
        angle -= kTwoPi * std::floor(angle / kTwoPi);
}

} // namespace

CAdviserInterface::CAdviserInterface() {
    HintPoints.reserve(64);
    HintArrows.reserve(64);
    ExtraPoints.reserve(8);
    ExtraArrows.reserve(8);
    ExtraTimes.reserve(8);
}

CAdviserInterface::~CAdviserInterface() {
    ReleaseSprites();
}

void CAdviserInterface::Attach(CSharedPtr<CUxWindow> countWindow,
                               CSharedPtr<CUxWindow> controlWindow,
                               CSharedPtr<CTexture> arrowTexture,
                               CSharedPtr<CSpriteLayer> spriteLayer) {
    CountWindow = countWindow;
    ControlWindow = controlWindow;
    ArrowTexture = arrowTexture;
    SpriteLayer = spriteLayer;
}

bool CAdviserInterface::IsAttached() const {
    return !CountWindow.IsNull() && !ControlWindow.IsNull() && !SpriteLayer.IsNull();
}

// The whole seconds shown for a time: rounded up, within 0..999999999.
int32_t CAdviserInterface::WholeSeconds(float seconds) {
    const float whole = std::floor(seconds + 0.99f);
    if (!(whole > 0.0f))
        return 0;
    return whole < 1.0e9f ? static_cast<int32_t>(whole) : 999999999;
}

void CAdviserInterface::ShowSeconds(float seconds) {
    ShownValue = WholeSeconds(seconds);
    if (auto* label = dynamic_cast<CUxStatic*>(CountWindow.Get()))
        label->SetText(std::to_string(ShownValue));
}

void CAdviserInterface::FadeAway(const CSharedPtr<CSpriteQuad>& arrow) {
    if (arrow.IsNull())
        return;
    arrow->FadeTo(0.0f);
    arrow->LifeOn = 1;
    arrow->RemainingLife = kArrowFadeLife;
}

void CAdviserInterface::DropHintArrows() {
    for (const CSharedPtr<CSpriteQuad>& arrow : HintArrows)
        FadeAway(arrow);
    HintArrows.clear();
    HintPoints.clear();
}

CSharedPtr<CSpriteQuad> CAdviserInterface::MakeArrow(float x, float y, float width,
                                                     float height) const {
    const CBonusParametres::AdviserInterfaceSection& p = g_bonusParams.AdviserInterface;
    CSharedPtr<CSpriteQuad> arrow(
        new CSpriteQuad(x, y, p.Z, width, height, kWhite, ArrowTexture, 1));
    arrow->SetFrameRect(0, kArrowU0, kArrowV0, kArrowU1, kArrowV1);
    arrow->Key = p.ZOrder;
    arrow->SetAlpha(0.0f);
    arrow->FadeSpeed = kArrowFadeSpeed;
    arrow->FadeTo(1.0f);
    if (!SpriteLayer.IsNull())
        SpriteLayer->Add(arrow);
    return arrow;
}

void CAdviserInterface::AddTime(int32_t on, float seconds) {
    if (!std::isfinite(seconds))
        seconds = 0.0f;
    if (on == 0) {
        TimeLeft = 0.0f;
        ShowSeconds(0.0f);
        DropHintArrows();
        Fade = -1;
        return;
    }
    if (State == 0) {
        TimeLeft = 0.0f;
        ShownValue = -1;
        Alpha = 0.0f;
        RefreshClock = 0.0f;
        if (!CountWindow.IsNull()) {
            CountWindow->SetVisible(1);
            CountWindow->SetAlpha(0.0f);
        }
        if (!ControlWindow.IsNull())
            ControlWindow->SetEnabled(1);
        State = 1;
    }
    TimeLeft += seconds;
    Fade = Alpha < 1.0f ? 1 : 0;
    ShowSeconds(TimeLeft);
}

int32_t CAdviserInterface::Update(float dt) {
    if (!std::isfinite(dt))
        dt = 0.0f;
    const CBonusParametres::AdviserInterfaceSection& p = g_bonusParams.AdviserInterface;

    // Timed arrows run out whether the display is open or not.
    for (size_t i = 0; i < ExtraArrows.size();) {
        ExtraTimes[i] -= dt;
        if (ExtraTimes[i] > 0.0f) {
            if (!ExtraArrows[i].IsNull())
                ExtraArrows[i]->Position.Y =
                    ExtraPoints[i].Y + std::sin(ExtraTimes[i] * p.ArrowW) * p.ArrowR;
            ++i;
            continue;
        }
        FadeAway(ExtraArrows[i]);
        ExtraArrows.erase(ExtraArrows.begin() + static_cast<std::ptrdiff_t>(i));
        ExtraPoints.erase(ExtraPoints.begin() + static_cast<std::ptrdiff_t>(i));
        ExtraTimes.erase(ExtraTimes.begin() + static_cast<std::ptrdiff_t>(i));
    }

    if (State == 0)
        return kIdle;

    const bool fading = Fade != 0;
    if (Fade < 0) {
        Alpha -= FadeSpeed * dt;
        if (Alpha <= 0.0f) {
            Alpha = 0.0f;
            ReleaseSprites();
            return kClosed;
        }
    } else if (Fade > 0) {
        Alpha += FadeSpeed * dt;
        if (Alpha >= 1.0f) {
            Alpha = 1.0f;
            Fade = 0;
        }
    }
    if (fading && !CountWindow.IsNull())
        CountWindow->SetAlpha(Alpha);

    if (TimeLeft > 0.0f)
        TimeLeft -= dt;
    // The time is up (also when it ran out exactly): the arrows and the
    // counter go.
    if (TimeLeft <= 0.0f && Fade >= 0) {
        TimeLeft = 0.0f;
        DropHintArrows();
        Fade = -1;
        if (!ControlWindow.IsNull())
            ControlWindow->SetEnabled(0);
    }
    if (WholeSeconds(TimeLeft) != ShownValue)
        ShowSeconds(TimeLeft);

    Turn(HaloAngle, p.HaloW, dt);
    if (!CountWindow.IsNull() && !CountWindow->Pictures.empty())
        CountWindow->Pictures[0]->SetRotation(HaloAngle);

    Turn(BobPhase, p.ArrowW, dt);
    const float bob = std::sin(BobPhase) * p.ArrowR;
    for (size_t i = 0; i < HintArrows.size() && i < HintPoints.size(); ++i)
        if (!HintArrows[i].IsNull())
            HintArrows[i]->Position.Y = HintPoints[i].Y + bob;

    RefreshClock += dt;
    if (RefreshClock >= p.Refresh) {
        RefreshClock = 0.0f;
        return kRefresh;
    }
    return kActive;
}

void CAdviserInterface::ShowHint(const std::vector<CAdviserPoint>& points) {
    std::vector<CAdviserPoint> incoming = points;
    for (size_t i = 0; i < HintArrows.size();) {
        const CAdviserPoint& at = HintPoints[i];
        bool kept = false;
        for (size_t k = 0; k < incoming.size(); ++k) {
            if (incoming[k].X == at.X && incoming[k].Y == at.Y) {
                incoming.erase(incoming.begin() + static_cast<std::ptrdiff_t>(k));
                kept = true;
                break;
            }
        }
        if (kept) {
            ++i;
            continue;
        }
        FadeAway(HintArrows[i]);
        HintArrows.erase(HintArrows.begin() + static_cast<std::ptrdiff_t>(i));
        HintPoints.erase(HintPoints.begin() + static_cast<std::ptrdiff_t>(i));
    }

    const CBonusParametres::AdviserInterfaceSection& p = g_bonusParams.AdviserInterface;
    const float bob = std::sin(BobPhase) * p.ArrowR;
    for (const CAdviserPoint& q : incoming) {
        HintPoints.push_back(CAdviserPoint{q.X, q.Y, p.Z});
        HintArrows.push_back(MakeArrow(q.X, q.Y + bob, kArrowWidth, kArrowHeight));
    }
}

void CAdviserInterface::AddArrow(float x, float y, float time) {
    const CBonusParametres::AdviserInterfaceSection& p = g_bonusParams.AdviserInterface;
    ExtraPoints.push_back(CAdviserPoint{x, y, p.Z});
    ExtraTimes.push_back(time);
    CSharedPtr<CSpriteQuad> arrow = MakeArrow(x, y + std::sin(p.ArrowW * time) * p.ArrowR,
                                              2.0f * kArrowWidth, 2.0f * kArrowHeight);
    // It shrinks into place over the first tenth of its time.
    if (time > 0.0f && std::isfinite(time)) {
        arrow->WidthSpeed = kArrowWidth / (0.1f * time);
        arrow->HeightSpeed = kArrowHeight / (0.1f * time);
        arrow->ScaleTo(kArrowWidth, kArrowHeight);
    } else {
        arrow->SetScale(kArrowWidth, kArrowHeight);
    }
    ExtraArrows.push_back(arrow);
}

void CAdviserInterface::ReleaseSprites() {
    State = 0;
    Fade = 0;
    TimeLeft = 0.0f;
    if (!SpriteLayer.IsNull()) {
        for (const CSharedPtr<CSpriteQuad>& arrow : HintArrows)
            SpriteLayer->Remove(arrow);
        for (const CSharedPtr<CSpriteQuad>& arrow : ExtraArrows)
            SpriteLayer->Remove(arrow);
    }
    HintPoints.clear();
    HintArrows.clear();
    ExtraPoints.clear();
    ExtraArrows.clear();
    ExtraTimes.clear();
    if (!CountWindow.IsNull())
        CountWindow->SetVisible(0);
    if (!ControlWindow.IsNull())
        ControlWindow->SetEnabled(0);
}
