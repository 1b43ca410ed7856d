#include "playfield/MessageLane.h"

#include <algorithm>
#include <cmath>

#include "playfield/PopupList.h"

namespace {

// The life of a message of `life` seconds, `age` seconds old, once another
// waits for it: its full-strength half never shortened below `age`.
float WaitedForLife(float life, float age) {
    return std::min(life, std::max(CMessageLane::kWaitedForLife, 2.0f * age));
}

} // namespace

void CMessageLane::KeepClearOf(const CLaneBox& box) {
    Obstacle = box;
    HasObstacle = true;
    if (!Shown.IsNull())
        KeepClear(*Shown);
}

float CMessageLane::Post(const std::string& text, float duration, uint32_t colour, float scale,
                         bool plaque) {
    if (text.empty())
        return 0.0f;
    const float d = duration > 0.0f && std::isfinite(duration) ? duration : 1.0f;
    // Its turn comes when the message on screen and those waiting have gone,
    // each shortened as it is waited for.
    float start = 0.0f;
    if (!Shown.IsNull())
        start = std::max(0.0f, WaitedForLife(Shown->Lifetime, Shown->Age) - Shown->Age);
    for (const CWaiting& m : Waiting)
        start += WaitedForLife(m.Duration, 0.0f);
    Waiting.push_back(CWaiting{text, d, colour, scale, plaque});
    ShowNext();
    return start + d;
}

void CMessageLane::GiveWay() {
    Waiting.clear();
    if (Shown.IsNull())
        return;
    CPopup& p = *Shown;
    if (!(p.Lifetime - p.Age > kGiveWayFade))
        return;
    // Into the fade of a life that ends kGiveWayFade from now, at the strength
    // it has: with `a` that strength, the fade's linear fall 2 - 2 age / life
    // reads `a` at an age of life - kGiveWayFade when life = 2 kGiveWayFade / a.
    const float a = std::clamp(p.Alpha, 0.0f, 1.0f);
    if (!(a > 0.0f)) {
        p.Lifetime = p.Age;
        return;
    }
    p.Lifetime = 2.0f * kGiveWayFade / a;
    p.Age = p.Lifetime - kGiveWayFade;
}

void CMessageLane::Update() {
    // The list drops a popup once its life is over.
    if (!Shown.IsNull() && !(Shown->Age < Shown->Lifetime))
        Shown = CSharedPtr<CPopup>();
    ShowNext();
}

void CMessageLane::Clear() {
    Shown = CSharedPtr<CPopup>();
    Waiting.clear();
}

void CMessageLane::ShowNext() {
    if (Waiting.empty())
        return;
    if (!Shown.IsNull()) {
        Shown->Lifetime = WaitedForLife(Shown->Lifetime, Shown->Age);
        return;
    }
    const CWaiting m = std::move(Waiting.front());
    Waiting.pop_front();
    CPopupStyle style;
    style.Colour = m.Colour;
    style.Scale = m.Scale;
    style.RiseSpeed = kRise;
    style.Lifetime = Waiting.empty() ? m.Duration : WaitedForLife(m.Duration, 0.0f);
    style.TitleFace = true;
    style.Plaque = m.Plaque;
    Popups.SpawnText(Shown, m.Text, style, -1, (Area.Left + Area.Right) / 2.0f,
                     (Area.Bottom + Area.Top) / 2.0f, kDepth);
    Fit(*Shown);
    KeepClear(*Shown);
}

void CMessageLane::Fit(CPopup& popup) const {
    const CLaneBox ink = CPopupList::TextBoxOf(popup);
    const float w = ink.Right - ink.Left, h = ink.Top - ink.Bottom;
    float roomW = Area.Right - Area.Left - 2.0f * kMargin;
    float roomH = Area.Top - Area.Bottom - 2.0f * kMargin;
    // On a plaque, inside it too.
    float plaqueW = 0.0f, plaqueH = 0.0f;
    if (!popup.Plaque.IsNull() && Popups.PlaqueRoom(plaqueW, plaqueH)) {
        roomW = std::min(roomW, plaqueW);
        roomH = std::min(roomH, plaqueH);
    }
    if (!(w > 0.0f) || !(h > 0.0f) || !(roomW > 0.0f) || !(roomH > 0.0f))
        return;
    const float fit = std::min({1.0f, roomW / w, roomH / h});
    if (fit < 1.0f)
        Popups.Rescale(popup, popup.Scale * fit);
}

void CMessageLane::KeepClear(CPopup& popup) const {
    if (!HasObstacle)
        return;
    // The way its letters go from now until it has gone.
    const CLaneBox ink = Popups.InkOf(popup);
    const float rise = std::max(popup.RiseSpeed, 0.0f) * std::max(popup.Lifetime - popup.Age, 0.0f);
    const float bottom = ink.Bottom, top = ink.Top + rise;
    const CLaneBox& card = Obstacle;
    if (ink.Right <= card.Left || ink.Left >= card.Right || top + kMargin <= card.Bottom ||
        bottom - kMargin >= card.Top)
        return;
    // It rises in the middle of the larger part of the area the rectangle
    // leaves free, above or below it.
    const float below = card.Bottom - kMargin - Area.Bottom;
    const float above = Area.Top - card.Top - kMargin;
    const float middle = below >= above ? Area.Bottom + below / 2.0f : Area.Top - above / 2.0f;
    Popups.MoveBy(popup, middle - (bottom + top) / 2.0f);
}
