#pragma once
// The score bonus (kind 6): a small chest on a cap with a ring of spinning
// coins circling it and a sparkle trail following the coins. Its tier (Param)
// sets the chest's picture and the number of coins: 3, 5, 7, or 10 for any
// other tier. Fired, the coins burst out as a shower of falling coins, chest
// and ring vanish, and event 11 (a = its tier) is queued.
#include <cstdint>
#include <vector>

#include "bonuses/BonusDrawn.h"
#include "engine/SharedPtr.h"

class CMultiOriginSystemKeeper;
class CParticleSystem;
class CParticleSystemsManager;
class CTexture;

class CBonusScore : public CBonusDrawn {
public:
    // Sizes at scale 1.
    static constexpr float kChestWidth = 50.0f, kChestHeight = 36.0f;
    static constexpr float kCoinSize = 24.0f;
    static constexpr int32_t kCoinFrames = 8;
    static constexpr int32_t kOrbitCapacity = 120;
    static constexpr int32_t kBurstCapacity = 20;

    CBonusScore();
    ~CBonusScore() override;

    void Init() override;
    void Hide() override;
    void Show() override;
    int32_t Update(float dt) override;
    void Fire() override;
    int32_t IsEffectDone() override { return Events.empty() ? 1 : 0; }
    void SetLayerFlag(int32_t onBoard) override;
    // Textures: the sheet (chest, coins, coin burst), the sparkle.
    void SetTextures(const CBonusHandles& handles) override;

    void ScaleSprites(float factor);
    // Moves the orbit sparkle's origins onto the coins for the ramp factor.
    void LayoutSprites(float factor);

    // Coins of a tier: 3, 5, 7 for tiers 0 to 2, 10 for any other.
    static int32_t CoinCount(int32_t tier);

    CSharedPtr<CTexture> SheetTexture;
    CSharedPtr<CTexture> SparkleTexture;
    // The chest, then the coins.
    std::vector<bonusdraw::Sprite> Sprites;
    CSharedPtr<CParticleSystem> Orbit;
    CSharedPtr<CMultiOriginSystemKeeper> OrbitKeeper;
    // Each coin's animation clock in frames, within [0, 8).
    std::vector<float> CoinPhases;

private:
    void ForEachSprite(const SpriteVisitor& f) override {
        for (auto& s : Sprites)
            if (!s.IsNull())
                f(s);
    }
    // The angle of the first coin (where the sparkle origins start).
    float FirstCoinAngle() const;
    void BuildOrbit(const CSharedPtr<CParticleSystemsManager>& manager);
    void EndOrbit();
    void SetAlpha(float alpha);
    void PlaceSprites();
};
