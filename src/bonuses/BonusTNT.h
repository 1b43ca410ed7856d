#pragma once
// The TNT (kind 2): a stick of dynamite on a cap with three sparks running
// round its fuse wires. Fired, it explodes (a growing ring, two counter-turning
// halos and a burst of sparks) and asks the play field to destroy every cap
// within its blast radius (one event 4 per cell). Its tier (Param, 0..3) picks
// its picture, its ring sizes and its radius; tiers outside are clamped.
#include <cstdint>
#include <vector>

#include "bonuses/BonusDrawn.h"
#include "engine/SharedPtr.h"

class CSpriteQuad;

struct CTntCell {
    int32_t Column = 0;
    int32_t Row = 0;
};

class CBonusTNT : public CBonusDrawn {
public:
    // Picture sizes in pixels of the 256 by 256 sheet.
    static constexpr float kBodyWidth = 86.0f, kBodyHeight = 92.0f;
    static constexpr float kFrontWidth = 84.0f, kFrontHeight = 92.0f;
    static constexpr float kSparkSize = 32.0f;
    static constexpr float kRingSize = 96.0f;

    CBonusTNT();
    ~CBonusTNT() override;

    void Init() override;
    int32_t Update(float dt) override;
    void Fire() override;
    int32_t IsEffectDone() override { return Events.empty() ? 1 : 0; }
    void SetTextures(const CBonusHandles& handles) override;

    // Blast radius in cells of a tier.
    static float BlastRadius(int32_t tier);
    // The cells a blast of that tier at (column, row) reaches on a board of
    // columns by rows: rows in the outer order, columns in the inner, both
    // ascending; the centre cell is among them.
    static std::vector<CTntCell> BlastCells(int32_t tier, int32_t column, int32_t row,
                                            int32_t columns, int32_t rows);

    CSharedPtr<CTexture> BodyTexture;
    CSharedPtr<CTexture> HaloTexture;
    CSharedPtr<CTexture> RingTexture;
    CSharedPtr<CTexture> SparkTexture;
    CSharedPtr<CSpriteQuad> Body[2];
    CSharedPtr<CSpriteQuad> WireSparks[3];
    float WireAngle[3] = {0.0f, 0.0f, 0.0f};
    float WireFrame[3] = {0.0f, 0.0f, 0.0f};

private:
    int32_t Tier() const;
    // Sizes, alphas and places of the body and the wire sparks for ramp r.
    void LayOut(const CBonusRamp& ramp, float dt);
    // Every held sprite (body, front part, wire sparks) in turn.
    void ForEachSprite(const SpriteVisitor& f) override {
        for (auto& s : Body)
            if (!s.IsNull())
                f(s);
        for (auto& s : WireSparks)
            if (!s.IsNull())
                f(s);
    }
    void ReleaseSprites();
    // The explosion's ring and halos, and its sparks.
    void AddBlastSprites(int32_t tier);
    void AddBlastSparks();
};
