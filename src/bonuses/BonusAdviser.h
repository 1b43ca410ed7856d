#pragma once
// The hint bonus (kind 5): a picture chosen by its variant under a spinning
// glass disc and a dark frame. Fired, it lifts itself above the board and
// flies along a randomly bent curve to the hint display, trailing spell
// particles, and disappears there. It queues event 9 when fired and event 10
// when it arrives (a = its level); the play field gives the hint display its
// time on event 10.
//
// States beyond the base's: 4 flying to the hint display, 6 arrived (the next
// Update drops it).
#include <cstdint>
#include <vector>

#include "bonuses/BonusDrawn.h"
#include "engine/SharedPtr.h"

class CParticleSystem;
class CTexture;

class CBonusAdviser : public CBonusDrawn {
public:
    static constexpr int32_t kArrived = 6;
    // Sizes at scale 1.
    static constexpr float kPictureSize = 88.0f, kHalfWidth = 44.0f;
    static constexpr float kGlassSize = 74.0f;
    static constexpr float kFrameWidth = 92.0f, kFrameHeight = 94.0f;
    static constexpr int32_t kTailCapacity = 200;

    CBonusAdviser();
    ~CBonusAdviser() override;

    void Init() override;
    void Hide() override;
    void Show() override;
    int32_t Update(float dt) override;
    void Fire() override;
    int32_t IsEffectDone() override { return Events.empty() ? 1 : 0; }
    void SetLayerFlag(int32_t onBoard) override;
    // Textures: the sheet, one kept for the kind's set, the tail particles.
    void SetTextures(const CBonusHandles& handles) override;

    void ScaleSprites(float factor);
    // Places the sprites (and a running tail) round Pos for the ramp factor.
    void LayoutSprites(float factor);

    // Variants 3 and up show their picture in two halves.
    bool IsSplit() const { return Param >= 3; }
    // True while fired: flying to the hint display or arrived there.
    bool InFlight() const { return Dead != 0 && (State == kFinished || State == kArrived); }

    CSharedPtr<CTexture> SheetTexture;
    CSharedPtr<CTexture> SecondTexture;
    CSharedPtr<CTexture> TailTexture;
    // The picture (one sprite, or two halves), the glass, the frame.
    std::vector<bonusdraw::Sprite> Sprites;
    CSharedPtr<CParticleSystem> Tail;

private:
    void ForEachSprite(const SpriteVisitor& f) override {
        for (auto& s : Sprites)
            if (!s.IsNull())
                f(s);
    }
    size_t PictureCount() const { return IsSplit() ? 2 : 1; }
    void SetAlpha(float alpha);
    void StartTail();
    void EndTail();
};
