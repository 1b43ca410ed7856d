#pragma once
// The lightning bonus (kind 3). On its cap it shows a flash picture with a
// glow, a dark halo, a bright core and one to four small thunder sparks that
// spin round it. Fired, it throws thunderbolts from itself to the board's
// edges, lights them with glow quads, bursts its picture into pieces and asks
// the play field to destroy every cap the lightning strikes (event 6, then
// one event 4 per cell). It destroys nothing and plays nothing itself.
//
// Its variant (Param, clamped to 0..3 for everything it looks up) chooses the
// strike: 0 up its column, 1 its whole row, 2 the row and up the column, 3
// the whole row and the whole column.
#include <cstdint>
#include <vector>

#include "bonuses/BonusDrawn.h"
#include "engine/SharedPtr.h"

class CSpriteQuad;
class CTexture;

struct CFlashCell {
    int32_t Column = 0;
    int32_t Row = 0;
};

class CBonusFlash : public CBonusDrawn {
public:
    // Picture sizes at scale 1.
    static constexpr float kPictureWidth = 88.0f, kPictureHeight = 92.0f;
    static constexpr float kGlowSize = 76.0f;
    // A spark sprite is this much longer than the spark radius.
    static constexpr float kSparkStretch = 1.1228f;
    static constexpr int32_t kSparkFrames = 8;

    CBonusFlash();
    ~CBonusFlash() override;

    void Init() override;
    int32_t Update(float dt) override;
    void Fire() override;
    int32_t IsEffectDone() override { return Events.empty() ? 1 : 0; }
    // Textures: the bonus sheet, the glow, the bolts, the bolts' glow.
    void SetTextures(const CBonusHandles& handles) override;

    // Sizes every sprite for the ramp factor; only the sparks when sparksOnly
    // is set.
    void ScaleSprites(float factor, int32_t sparksOnly);

    // The variant used for look-ups (Param kept within 0..3).
    int32_t Variant() const;
    // The cells a strike of that variant from (column, row) reaches on a
    // board of columns by rows, in the order their events are queued: the
    // row (or the bonus's own cell for variant 0), then the column upwards,
    // then downwards. A bonus off the board strikes nothing.
    static std::vector<CFlashCell> StruckCells(int32_t variant, int32_t column, int32_t row,
                                               int32_t columns, int32_t rows);

    CSharedPtr<CTexture> SheetTexture;
    CSharedPtr<CTexture> GlowTexture;
    CSharedPtr<CTexture> BoltTexture;
    CSharedPtr<CTexture> BoltGlowTexture;
    // Picture, glow, halo.
    bonusdraw::Sprite Main[3];
    // The core, then the sparks.
    std::vector<bonusdraw::Sprite> Extra;

private:
    void ForEachSprite(const SpriteVisitor& f) override {
        for (auto& s : Main)
            if (!s.IsNull())
                f(s);
        for (auto& s : Extra)
            if (!s.IsNull())
                f(s);
    }
    void SetAlpha(float alpha);
    void PlaceSprites();
    // The cell of the variant's picture on the sheet.
    void PictureCell(float& left, float& top, float& right, float& bottom) const;
    void AddBurst();
    void AddGlows();
    // One thunderbolt from the bonus to (ex, ey) with its glow quad.
    void AddBolt(float ex, float ey, bool vertical);
};
