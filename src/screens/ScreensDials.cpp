// The two sector dials: a filled circular sector growing counter-clockwise
// from 12 o'clock, drawn with four quarter quads. The quarter that holds the
// sector's edge is reshaped into a triangle (before its diagonal) or a
// four-cornered polygon (after it); the hands turn with the edge.
#include <algorithm>
#include <cmath>

#include "engine/SpriteQuad.h"
#include "playfield/QuestFieldLayout.h"
#include "screens/ScreensManager.h"
#include "ui/UxWindow.h"

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kHalfPi = 1.5707964f;
constexpr float kQuarter = 0.25f;
constexpr float kEighth = 0.125f;

struct Point {
    float X, Y;
};
constexpr Point kCentre{0.0f, 0.0f};
// Per quarter: where the sweep enters it, its outer corner, where it leaves.
constexpr Point kStart[4] = {{0.0f, 0.5f}, {-0.5f, 0.0f}, {0.0f, -0.5f}, {0.5f, 0.0f}};
constexpr Point kCorner[4] = {{-0.5f, 0.5f}, {-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}};
constexpr Point kEnd[4] = {{-0.5f, 0.0f}, {0.0f, -0.5f}, {0.5f, 0.0f}, {0.0f, 0.5f}};
enum Slot { kS, kC, kO, kE };
// The vertex order (top-left, clockwise) of each quarter, as slots.
constexpr Slot kSlots[4][4] = {
    {kC, kS, kO, kE}, {kS, kO, kE, kC}, {kO, kE, kC, kS}, {kE, kC, kS, kO}};

// The shop's dial face: a square of its control atlas.
constexpr float kAtlasU0 = 0.591796875f;
constexpr float kAtlasV0 = 0.7421875f;
constexpr float kAtlasSide = 0.171875f;

uint32_t Mix(const float a[3], const float b[3], float f, int32_t alpha) {
    uint32_t word = static_cast<uint32_t>(alpha & 0xFF) << 24;
    for (int i = 0; i < 3; ++i) {
        const auto c = static_cast<uint32_t>(std::floor(a[i] * f + b[i] * (1.0f - f)));
        word |= std::min(c, 255u) << (16 - 8 * i);
    }
    return word;
}

} // namespace

void CScreensManager::SetTimerDial(float fraction, int32_t setTarget) {
    const float t = std::clamp(fraction, 0.0f, 1.0f);
    EasedCurrent = t;
    if (setTarget)
        EasedTarget = t;
    const float angle = kTwoPi * t + (QuestLayout ? QuestLayout->GlobalAngle : 0.0f);
    DrawSector(TimerDialQuads, TimerDialHands, t, angle, false);
    if (!QuestLayout)
        return;
    const CQuestFieldLayout& l = *QuestLayout;
    uint32_t colour;
    if (t >= l.GreenEnd)
        colour = Mix(l.GreenRgb, l.GreenRgb, 1.0f, l.AlphaByte);
    else if (t >= l.YellowEnd)
        colour = Mix(l.GreenRgb, l.YellowRgb, (t - l.YellowEnd) / (l.GreenEnd - l.YellowEnd),
                     l.AlphaByte);
    else if (t >= l.RedEnd)
        colour = Mix(l.YellowRgb, l.RedRgb, (t - l.RedEnd) / (l.YellowEnd - l.RedEnd), l.AlphaByte);
    else
        colour = Mix(l.RedRgb, l.RedRgb, 1.0f, l.AlphaByte);
    for (const CSharedPtr<CUxWindow>& q : TimerDialQuads)
        q->SetColour(colour);
}

void CScreensManager::SetTimeUpgradeDial(float fraction) {
    const float t = std::clamp(fraction, 0.0f, 1.0f);
    DrawSector(ShopDialQuads, ShopDialHands, t, kTwoPi * t - kHalfPi, true);
}

void CScreensManager::DrawSector(const CWindowList& quads, const CWindowList& hands, float t,
                                 float handAngle, bool atlas) {
    if (quads.size() < kDialQuarters)
        return;
    for (const CSharedPtr<CUxWindow>& h : hands)
        if (!h.IsNull() && !h->Pictures.empty())
            h->Pictures.front()->SetRotation(handAngle);
    const int edge = t <= 0.0f ? 0 : std::min(3, static_cast<int>(std::ceil(t * 4.0f)) - 1);
    for (int k = 0; k < kDialQuarters; ++k) {
        CUxWindow& w = *quads[static_cast<size_t>(k)];
        w.SetVisible(k <= edge ? 1 : 0);
        if (k > edge)
            continue;
        Point slot[4] = {kStart[k], kCorner[k], kCentre, kEnd[k]};
        if (k == edge) {
            const float s = t - static_cast<float>(k) * kQuarter;
            if (s < kEighth) {
                const float a = std::tan(kTwoPi * s);
                const Point h{kStart[k].X + (kCorner[k].X - kStart[k].X) * a,
                              kStart[k].Y + (kCorner[k].Y - kStart[k].Y) * a};
                slot[kC] = slot[kE] = h;
            } else {
                const float b = std::tan(kTwoPi * (kQuarter - s));
                slot[kE] = {kEnd[k].X + (kCorner[k].X - kEnd[k].X) * b,
                            kEnd[k].Y + (kCorner[k].Y - kEnd[k].Y) * b};
            }
        }
        CSpriteQuad& q = *w.Pictures.front();
        // The face is the whole picture the form gave the quad (its first
        // frame), or the shop atlas square.
        const size_t f = static_cast<size_t>(q.CurrentFrame) * 4;
        if (q.Frames.size() < f + 4)
            continue;
        float u0 = kAtlasU0, v0 = kAtlasV0, du = kAtlasSide, dv = kAtlasSide;
        if (!atlas) {
            u0 = DialFace[0];
            v0 = DialFace[1];
            du = DialFace[2] - DialFace[0];
            dv = DialFace[3] - DialFace[1];
        }
        CTexCoord corners[4], uvs[4];
        for (int i = 0; i < 4; ++i) {
            const Point p = slot[kSlots[k][i]];
            corners[i] = {p.X, p.Y};
            uvs[i] = {u0 + (p.X + 0.5f) * du, v0 + (0.5f - p.Y) * dv};
        }
        q.SetCorners(corners);
        q.SetFrameCorners(q.CurrentFrame, uvs);
    }
}
