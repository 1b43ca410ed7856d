#pragma once
// The time bonus (kind 4): a small clock on its cap whose two hands turn, with
// their shadows, a face, a dark rim and, from variant 1 up, a number plate.
// Fired, a glowing twirl grows at the bonus with two vortex streams, flies to
// the level timer and fades there under a white flash. It queues event 7 when
// fired and event 8 when the twirl arrives (a = its level); the play field
// adds the time on event 8.
#include <cstdint>
#include <vector>

#include "bonuses/BonusDrawn.h"
#include "engine/SharedPtr.h"

class CParticleSystem;
class CTexture;
class CVortexKeeper;

class CBonusTime : public CBonusDrawn {
public:
    // Clock sizes at scale 1.
    static constexpr float kLongHand = 52.0f, kShortHand = 42.0f, kHandWidth = 14.0f;
    static constexpr float kPlateSize = 76.0f, kFaceSize = 90.0f;
    // Edge of the arrival flash.
    static constexpr float kFlashSize = 140.0f;
    static constexpr int32_t kStreamCapacity = 120;

    CBonusTime();
    ~CBonusTime() override;

    void Init() override;
    int32_t Update(float dt) override;
    void Fire() override;
    int32_t IsEffectDone() override { return Events.empty() ? 1 : 0; }
    // Textures: the clock sheet, the twirl, the first and the second stream,
    // the arrival flash.
    void SetTextures(const CBonusHandles& handles) override;

    void ScaleSprites(float factor);

    // The variant used for the number plate (Param kept within 0..3).
    int32_t Variant() const;
    bool HasPlate() const { return Variant() > 0; }

    CSharedPtr<CTexture> SheetTexture;
    CSharedPtr<CTexture> TwirlTexture;
    CSharedPtr<CTexture> StreamTexture;
    CSharedPtr<CTexture> StarTexture;
    CSharedPtr<CTexture> FlashTexture;
    // Long hand, its shadow, short hand, its shadow, the plate (variants 1
    // and up), the face, the rim.
    std::vector<bonusdraw::Sprite> Clock;
    CSharedPtr<CParticleSystem> Streams[2];
    CSharedPtr<CVortexKeeper> Keepers[2];
    bonusdraw::Sprite Twirl;
    float FlyTimer = 0.0f;
    float FlyStart[3] = {0.0f, 0.0f, 0.0f};
    float FlyDelta[3] = {0.0f, 0.0f, 0.0f};
    int32_t Arrived = 0;       // the twirl has reached the timer
    int32_t StreamsEnded = 0;  // the effect is over

private:
    // A twirl in flight belongs to the bonus like its clock, so that the
    // bonus keeps all it holds in one layer; only the clock follows the cap's
    // depth.
    void ForEachSprite(const SpriteVisitor& f) override {
        ForEachDepthSprite(f);
        if (!Twirl.IsNull())
            f(Twirl);
    }
    void ForEachDepthSprite(const SpriteVisitor& f) override {
        for (auto& s : Clock)
            if (!s.IsNull())
                f(s);
    }
    // Index of the hand shadows in Clock.
    static constexpr size_t kLongShadow = 1, kShortShadow = 3;

    void SetAlpha(float alpha);
    // Every clock sprite at Pos, the shadows shifted by the scale times k.
    void PlaceSprites(float k);
    // The fired effect's frame; returns what Update returns.
    int32_t UpdateFired(float dt);
    void MoveEffect(float x, float y, float z);
    void Arrive();
    void EndStreams();
    void AddStreams();
};
