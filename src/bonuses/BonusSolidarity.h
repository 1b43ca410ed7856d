#pragma once
// The solidarity bonus (kind 7): a glowing core on a cap with turning streaks
// (tails) round it and rings pulsing outwards. Before firing, the play field
// hands it the centres of the cells to take (SetTargets) and gets back, per
// target, the delay after which that cell's cap is to go. Fired, it flashes
// and releases a lightning bolt that runs from the bonus through the targets,
// always on to the nearest one not reached yet. Events: 12 when fired (a = its
// level), 13 each time the bolt reaches a point of its path (value = x), 5
// when a pop ends.
#include <cstdint>
#include <vector>

#include "bonuses/BonusDrawn.h"
#include "engine/SharedPtr.h"
#include "engine/Vector3.h"

class CTexture;

class CBonusSolidarity : public CBonusDrawn {
public:
    // The fired flashes: the small one, and the large one of variants 3 and up.
    static constexpr float kSmallFlash = 64.0f, kLargeFlash = 160.0f;

    CBonusSolidarity();
    ~CBonusSolidarity() override;

    void Init() override;
    int32_t Update(float dt) override;
    void Fire() override;
    // 0 while events are queued or the fired bolt still runs.
    int32_t IsEffectDone() override;
    // Textures: the one sheet of every sprite of this bonus.
    void SetTextures(const CBonusHandles& handles) override;
    // Lays the bolt's path from the bonus through the targets (x, y) and
    // writes one delay per target, in the targets' order: seconds from Fire
    // until the bolt has passed that target, less the lead time "TermTime",
    // never below 0. An empty list changes nothing and gives no delays.
    void SetTargets(const std::vector<CBonusPoint>& targets, std::vector<float>& delays) override;

    // Sizes, places and fades the core, the tails and the rings.
    void ScaleSprites(float factor, float alpha);

    // The variant used for look-ups (Param kept within 0..3).
    int32_t Variant() const;
    int32_t TailCount() const { return Variant() + 2; }
    // Alpha of a ring at life fraction x: rises over the first quarter,
    // holds to the half, falls to 0 at the end.
    static float RingEnvelope(float x);
    float PathLength() const { return PathDistances.empty() ? 0.0f : PathDistances.back(); }

    CSharedPtr<CTexture> Texture;
    // The core, then the tails.
    std::vector<bonusdraw::Sprite> Body;
    // The live rings, oldest first, and their ages.
    std::vector<bonusdraw::Sprite> Rings;
    std::vector<float> RingAges;
    float RingClock = 0.0f;

    // The bolt's path: the bonus, then the targets in visiting order.
    std::vector<CVector3> PathPoints;
    std::vector<CVector3> SegmentDirections;
    std::vector<float> SegmentLengths;
    std::vector<float> PathDistances;
    float BoltTail = 0.0f;
    float BoltHead = 0.0f;
    int32_t TailSegment = 0;
    int32_t HeadSegment = 0;
    // One entry per segment while the bolt runs; empty before and after.
    std::vector<bonusdraw::Sprite> SegmentSprites;
    int32_t BoltStarted = 0;
    int32_t BoltFinished = 0;
    int32_t EndReached = 0;
    float BoltScroll = 0.0f;

private:
    void ForEachSprite(const SpriteVisitor& f) override {
        for (auto& s : Body)
            if (!s.IsNull())
                f(s);
        for (auto& s : Rings)
            if (!s.IsNull())
                f(s);
        for (auto& s : SegmentSprites)
            if (!s.IsNull())
                f(s);
    }
    void ScrollTails(float dt);
    void AgeRings(float dt);
    void AddRing();
    void AddFireFlash();
    // A flash that grows and fades at `at` over the bolt's time; the sprite
    // layer ends it, the bonus does not hold it.
    void AddFlash(const CVector3& at, float edge, uint32_t colour, int32_t depthWrite);
    // The flash where the bolt reaches a point of its path.
    void AddNodeFlash(const CVector3& at);
    // The fired frame; returns what Update returns.
    int32_t UpdateBolt(float dt);
    // Lays bolt piece j over its visible part [from, to].
    void LayBoltPiece(size_t j, float from, float to, float headU);
};
