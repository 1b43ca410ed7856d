#pragma once
// Particles spawned continuously on a ring around the origin and dragged into
// a whirl: inside an outer radius each particle's velocity is steered towards
// a tangential speed around the vortex axis while its radial motion dies away.
// Particles fade in, hold and fade out; they end only when they have faded
// out. The keeper never stops by itself: its owner stops the system.
#include <cstdint>
#include <vector>

#include "effects/Collection2Keeper.h"
#include "engine/Vector3.h"

class CVortexKeeper : public CCollection2Keeper {
public:
    struct FrameRect {
        float Left = 0.0f, Top = 0.0f, Right = 1.0f, Bottom = 1.0f;
    };
    struct FrameSize {
        float W = 1.0f, H = 1.0f;
    };

    CVortexKeeper();

    int32_t UpdateParticle(int32_t index, CCollectedParticle2& particle, float dt, float x, float y,
                           float z) override;
    int32_t IsEmitting() override { return 1; }
    int32_t GetEmitCount(float dt) override;
    int32_t InitParticle(int32_t index, CCollectedParticle2& particle, float x, float y,
                         float z) override;
    int32_t SetOrigin(float x, float y, float z, float) override { return StoreOrigin(x, y, z); }

    virtual void SetShape(float innerRadius, float outerRadius, float innerSpeed, float outerSpeed,
                          float spawnRadius);
    // The spreads become half of the speed, the hold and the fade-out rate, and
    // half the spin's magnitude.
    virtual void SetAppearance(uint32_t colour, float scaleX, float scaleY, float speed,
                               float fadeInRate, float hold, float fadeOutRate, float spin);
    // 0: the whole texture; 1: twelve cells of a 4 x 4 atlas; 2: as 1 with two
    // cells trimmed. Any other value changes nothing.
    virtual void SetFrameLayout(int32_t layout);

    const std::vector<FrameRect>& FrameRects() const { return frameRects_; }
    const std::vector<FrameSize>& FrameSizes() const { return frameSizes_; }

    // Rows x, y, z; the z row is the vortex axis.
    float Orientation[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    float EmissionRate = 10.0f;
    float TangentialResponse = 10.0f;
    float RadialDamping = 2.0f;
    float EmissionClock = 0.0f;
    int32_t WhirlOn = 1;

    uint32_t GetColour() const { return colour_; }
    float GetSpeedSpread() const { return speedSpread_; }
    float GetHoldSpread() const { return holdSpread_; }
    float GetFadeOutSpread() const { return fadeOutSpread_; }
    float GetSpinSpread() const { return spinSpread_; }

private:
    // Starts the fade-out of a particle whose hold ran out `timer` seconds ago
    // (timer <= 0); false when that already faded it out.
    bool StartFadeOut(CCollectedParticle2& p, float timer);

    uint32_t colour_ = 0xFFFFFFFF;
    float scaleX_ = 32.0f, scaleY_ = 32.0f;
    std::vector<FrameRect> frameRects_;
    std::vector<FrameSize> frameSizes_;
    float speed_ = 20.0f, speedSpread_ = 10.0f;
    float fadeInRate_ = 10.0f;
    float fadeOutRate_ = 2.0f, fadeOutSpread_ = 1.0f;
    float hold_ = 0.5f, holdSpread_ = 0.25f;
    float spin_ = 256.0f, spinSpread_ = 128.0f;
    float innerRadius_ = 16.0f, outerRadius_ = 40.0f;
    float innerSpeed_ = 200.0f, outerSpeed_ = 200.0f;
    float spawnRadius_ = 16.0f;
};
