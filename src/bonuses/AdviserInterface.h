#pragma once
// The hint display of the play field: while adviser seconds remain it shows
// the whole seconds left in a counter window, keeps bobbing arrows over the
// cells the field's hint finder points at and, every refresh period, asks the
// field to look for the hint again. When the time has run out the arrows and
// the counter fade away. Tuning: the AdviserInterface section of "Bonus.cfg".
//
// The two windows are controls of the quest screen's form: the counter is a
// static whose first picture spins. Until the windows and the sprite layer
// are attached the display stays idle.
#include <cstdint>
#include <vector>

#include "engine/SharedPtr.h"

class CSpriteLayer;
class CSpriteQuad;
class CTexture;
class CUxWindow;

struct CAdviserPoint {
    float X = 0.0f;
    float Y = 0.0f;
    float Z = 0.0f;
};

class CAdviserInterface {
public:
    enum UpdateResult : int32_t { kRefresh = -1, kActive = 1, kIdle = 2, kClosed = 3 };
    // The arrow picture on the "Bonus4" sheet and the arrows' sizes.
    static constexpr float kArrowU0 = 0.0f, kArrowV0 = 0.703125f;
    static constexpr float kArrowU1 = 0.25f, kArrowV1 = 0.828125f;
    static constexpr float kArrowWidth = 64.0f, kArrowHeight = 32.0f;
    static constexpr float kArrowFadeSpeed = 20.0f;
    // Life left to an arrow that fades away.
    static constexpr float kArrowFadeLife = 0.05f;

    CAdviserInterface();
    ~CAdviserInterface();
    CAdviserInterface(const CAdviserInterface&) = delete;
    CAdviserInterface& operator=(const CAdviserInterface&) = delete;

    // The counter window, the window enabled while the time runs, the arrow
    // texture ("Bonus4") and the arrows' sprite layer.
    void Attach(CSharedPtr<CUxWindow> countWindow, CSharedPtr<CUxWindow> controlWindow,
                CSharedPtr<CTexture> arrowTexture, CSharedPtr<CSpriteLayer> spriteLayer);
    bool IsAttached() const;

    // on != 0: opens the display when idle and adds the seconds; on == 0: the
    // time ends, the arrows go and the counter fades out.
    void AddTime(int32_t on, float seconds);
    // kIdle while idle or unattached; kRefresh when active and the refresh
    // period has passed (the field then shows its hint), kActive otherwise;
    // kClosed on the frame the display closes.
    int32_t Update(float dt);
    // Replaces the hint arrows with arrows at these points (x and y
    // compared): matching arrows stay, the others fade away, new ones fade in.
    void ShowHint(const std::vector<CAdviserPoint>& points);
    // A timed arrow that shrinks into place and goes after `time` seconds.
    void AddArrow(float x, float y, float time);
    // Closes the display: state 0, every arrow removed, the counter hidden.
    void ReleaseSprites();

    int32_t State = 0; // 0 idle, 1 active
    CSharedPtr<CUxWindow> CountWindow;
    CSharedPtr<CUxWindow> ControlWindow;
    CSharedPtr<CTexture> ArrowTexture;
    CSharedPtr<CSpriteLayer> SpriteLayer;
    float FadeSpeed = 10.0f;
    float TimeLeft = 0.0f;
    int32_t ShownValue = -1;
    int32_t Fade = 0; // -1 fading out, 0 steady, 1 fading in
    float Alpha = 0.0f;
    float HaloAngle = 0.0f;
    float RefreshClock = 0.0f;
    float BobPhase = 0.0f;
    float DisplayX = -420.0f; // x of the counter, where the adviser sound plays
    std::vector<CAdviserPoint> HintPoints;
    std::vector<CSharedPtr<CSpriteQuad>> HintArrows;
    std::vector<CAdviserPoint> ExtraPoints;
    std::vector<CSharedPtr<CSpriteQuad>> ExtraArrows;
    std::vector<float> ExtraTimes;

private:
    // Writes the whole seconds (rounded up) to the counter.
    void ShowSeconds(float seconds);
    static int32_t WholeSeconds(float seconds);
    // Fades an arrow out over its last moments and lets its layer drop it.
    static void FadeAway(const CSharedPtr<CSpriteQuad>& arrow);
    void DropHintArrows();
    CSharedPtr<CSpriteQuad> MakeArrow(float x, float y, float width, float height) const;
};
