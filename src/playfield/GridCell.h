#pragma once
// One card of a bonus-level board. A card shows its picture through two cap
// sprites of the caps manager: the low sprite carries glow levels 0 and 1 (the
// card back), the high sprite glow levels 2 to 4 (the picture brightening), so
// that turning a card over is a glow running up or down through five steps.
// A card can also fly along a spline path, carrying both sprites with it.
//
// The board (CCellGrid) creates the card and its sprites, advances it every
// frame and reads the result code; the card never changes its own state: the
// board sets the next one when a motion or a turn has finished.
#include <cstdint>

#include "engine/SharedPtr.h"
#include "engine/SplinePath.h"
#include "playfield/CapSprite.h"

class CGridCell {
public:
    // State word.
    enum State : int32_t {
        kAtRest = 0,
        kFlyingIn = 1,
        kFlyingOut = 2,
        kOpening = 3, // glow rising
        kClosing = 4, // glow falling
    };
    // Update results.
    enum Result : int32_t { kBusy = 100, kMotionEnded = 101, kTurnEnded = 103 };

    static constexpr int32_t kOpenLevel = 4; // glow level of a fully turned card
    static constexpr float kMaxGlow = 4.9f;
    static constexpr float kDefaultGlowSpeed = 30.0f; // glow units per second
    static constexpr float kDefaultHalfSize = 42.0f;

    CGridCell() = default;
    CGridCell(const CGridCell&) = delete;
    CGridCell& operator=(const CGridCell&) = delete;

    // Starts a turn: open (glow rising) when on, closed (glow falling) when off.
    void SetSelected(bool on);
    // Moves the card and both sprites.
    void SetPosition(float x, float y, float z);
    // Shows that glow level (clamped to 0..4) through the sprite that carries it;
    // nothing changes when the level is the current one.
    void SetGlowLevel(int32_t level);
    // 101 when a flight reaches its end, 103 when a turn reaches its end, else
    // 100. A flight ends exactly on the path's end point.
    int32_t Update(float dt);

    // A straight flight at constant speed (unit slopes) from one point to
    // another: the path, the duration, elapsed 0 and the state (kFlyingIn or
    // kFlyingOut). A duration of 0 or less becomes 1 ms.
    void StartFlight(float sx, float sy, float sz, float ex, float ey, float ez, float duration,
                     int32_t state);

    // True once the card shows its picture at full glow (the won or revealed
    // card of a challenge).
    bool IsOpen() const { return GlowLevel == kOpenLevel; }
    bool IsAtRest() const { return State == kAtRest; }

    int32_t Kind = 0; // picture kind, kept for the board (sprite kind = Kind + 20)
    int32_t State = kAtRest;
    CSharedPtr<CCapSprite> LowSprite;  // the back: glow levels 0, 1
    CSharedPtr<CCapSprite> HighSprite; // the picture: glow levels 2, 3, 4
    float GlowValue = 0.0f;            // 0.0 .. 4.9
    int32_t GlowLevel = 0;             // 0 .. 4
    float GlowSpeed = kDefaultGlowSpeed;
    float X = 0.0f, Y = 0.0f, Z = 0.0f;
    float HalfSize = kDefaultHalfSize; // half the card's edge (hit tests)
    CSplinePath Path;
    float Duration = 1.0f; // seconds of the flight
    float Elapsed = 0.0f;  // seconds since the flight started
};
