#include "playfield/GridCell.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kShortestFlight = 0.001f;

int32_t LevelOf(float glow) {
    const float level = std::floor(glow);
    if (!(level > 0.0f))
        return 0;
    return level >= static_cast<float>(CGridCell::kOpenLevel) ? CGridCell::kOpenLevel
                                                              : static_cast<int32_t>(level);
}

} // namespace

void CGridCell::SetSelected(bool on) {
    State = on ? kOpening : kClosing;
}

void CGridCell::SetPosition(float x, float y, float z) {
    X = x;
    Y = y;
    Z = z;
    for (CCapSprite* sprite : {LowSprite.Get(), HighSprite.Get()}) {
        if (!sprite)
            continue;
        sprite->X = x;
        sprite->Y = y;
        sprite->Z = z;
    }
}

void CGridCell::SetGlowLevel(int32_t level) {
    level = std::clamp(level, 0, static_cast<int32_t>(kOpenLevel));
    if (level == GlowLevel)
        return;
    const bool wasHigh = GlowLevel >= 2;
    CCapSprite* low = LowSprite.Get();
    CCapSprite* high = HighSprite.Get();
    if (level < 2) {
        if (wasHigh) {
            if (high)
                high->Visible = 0;
            if (low)
                low->Visible = 1;
        }
        GlowLevel = level;
        if (low)
            low->TrackPosition = level;
    } else {
        if (!wasHigh) {
            if (low)
                low->Visible = 0;
            if (high)
                high->Visible = 1;
        }
        GlowLevel = level;
        if (high)
            high->TrackPosition = level - 2;
    }
}

int32_t CGridCell::Update(float dt) {
    switch (State) {
    case kFlyingIn:
    case kFlyingOut: {
        Elapsed = std::clamp(Elapsed + dt, 0.0f, Duration);
        float point[3];
        Path.GetPoint(point, Elapsed);
        SetPosition(point[0], point[1], point[2]);
        return Elapsed >= Duration ? kMotionEnded : kBusy;
    }
    case kOpening:
        GlowValue = std::min(GlowValue + GlowSpeed * dt, kMaxGlow);
        SetGlowLevel(LevelOf(GlowValue));
        return GlowValue >= kMaxGlow ? kTurnEnded : kBusy;
    case kClosing:
        GlowValue = std::max(GlowValue - GlowSpeed * dt, 0.0f);
        SetGlowLevel(LevelOf(GlowValue));
        return GlowValue <= 0.0f ? kTurnEnded : kBusy;
    default:
        return kBusy;
    }
}

void CGridCell::StartFlight(float sx, float sy, float sz, float ex, float ey, float ez,
                            float duration, int32_t state) {
    // A flight must end: no zero or negative (or NaN) length reaches the path.
    if (!(duration >= kShortestFlight))
        duration = kShortestFlight;
    Duration = duration;
    Path.SetSingleKey(sx, sy, sz, ex, ey, ez, duration);
    Elapsed = 0.0f;
    State = state;
}
