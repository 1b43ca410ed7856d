#pragma once
// The Violet totem: its power brings bonuses the level allows onto the board.
// On launch it draws a few bonus types and prepares one kind 6 record each;
// the play field makes every bonus fly from a random point of the figure, by
// way of a point to its upper right, onto the board. While selected and ready
// a glow lies behind the figure and two light rays circle it.
#include <cstdint>
#include <vector>

#include "totems/Totem.h"
#include "totems/TotemAction.h"
#include "totems/TotemParams.h"

class CVioletTotem : public CTotem {
public:
    static constexpr int32_t kColour = 6;
    enum Pick : int32_t { kNotPicked = 0, kPicked = 1, kTaken = 2 };

    CVioletTotem();
    ~CVioletTotem() override;

    void Release() override;
    void Activate(int32_t kind) override;
    int32_t Update(float dt) override;
    void SetParams(const CTotemColourParams& params) override;
    // 1 lights the glow and the rays (once); 0 fades them out.
    void SetArmed(int32_t armed, int32_t level) override;
    void EmitActions(CTotemPanel& panel) override;
    // Draws this launch's bonuses into PreparedActions.
    void PickTargets();

    CVioletTotemParams Params;
    // The glow, then ray 1 and ray 2.
    std::vector<CSharedPtr<CSpriteQuad>> ReadySprites;
    float RayAngles[2] = {0.0f, 3.1415927f};
    float Timer = 0.0f;
    int32_t PickState = kNotPicked;
    std::vector<CTotemAction> PreparedActions;

protected:
    void LayoutExtras(bool resize) override;
    void ShiftExtraKeys(int32_t delta) override { ShiftKeys(ReadySprites, delta); }

private:
    // Index of the tier's tables.
    size_t TierIndex() const;
    CVector3 RayPoint(float angle) const;
    CSharedPtr<CSpriteQuad> AddReadySprite(const CVector3& at, const float size[2], uint32_t colour,
                                           float u0, float v0, float u1, float v1);
};
