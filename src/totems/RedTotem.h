#pragma once
// The Red totem: while selected, two or four orbs of spell particles burn on
// the figure; its power sends one shot from each orb to a random spot of the
// board, and every shot that lands asks the play field (kind 2 records) to
// blow up a 2 x 2 block (shot level 1) or a cell and its four neighbours
// (level 2).
#include <cstdint>
#include <vector>

#include "totems/Totem.h"
#include "totems/TotemParams.h"

class CParticleSystem;
class CQuad;

// One flying shot: it waits, flies straight to its spot with the orb's trail
// and three glows, and bursts there.
class CRedShot {
public:
    static constexpr float kWait = 0.2f;

    CRedShot() = default;
    ~CRedShot();
    CRedShot(const CRedShot&) = delete;
    CRedShot& operator=(const CRedShot&) = delete;

    // `glow` is the orb's first system (its texture, colour, size and spin
    // shape the glows); `trail` its second, which flies along.
    void Launch(float effectScale, int32_t level, int32_t column, int32_t row, const CVector3& from,
                const CVector3& to, float flightTime, CSharedPtr<CTexture> fireTexture,
                uint32_t colour, const CParticleSystem& glow, CSharedPtr<CParticleSystem> trail,
                CSharedPtr<CParticleSystemsManager> particles, CSharedPtr<CQuadLayer> quadLayer);
    // True once the shot has arrived.
    bool Fly(float dt);
    // The burst at the landing point.
    void Explode();

    int32_t ShotLevel = 1;
    int32_t Column = 1;
    int32_t Row = 1;
    CVector3 Position;
    CVector3 From;
    CVector3 To;
    float Time = 0.0f;
    float Duration = 0.0f;
    CSharedPtr<CTexture> FireTexture;
    uint32_t Colour = 0xFFFF4040u;
    CSharedPtr<CParticleSystem> Trail;
    std::vector<CSharedPtr<CQuad>> Glows;
    CSharedPtr<CParticleSystemsManager> Particles;
    CSharedPtr<CQuadLayer> QuadLayer;
    float EffectScale = 1.0f;
};

class CRedTotem : public CTotem {
public:
    static constexpr int32_t kColour = 2;

    CRedTotem();
    ~CRedTotem() override;

    void Release() override;
    void FadeOut(float speed) override;
    void Activate(int32_t kind) override;
    int32_t Update(float dt) override;
    void SetParams(const CTotemColourParams& params) override;
    void SetArmed(int32_t armed, int32_t level) override;
    void EmitActions(CTotemPanel& panel) override;

    // Two orbs below tier 2, else four.
    int32_t OrbCount() const { return Tier >= 2 ? CRedTotemParams::kOrbs : 2; }

    // Two spell systems per orb: 2i its first colour, 2i + 1 its second.
    std::vector<CSharedPtr<CParticleSystem>> ArmedSystems;
    CRedTotemParams Params;
    std::vector<CSharedPtr<CRedShot>> FlyingShots;
    // Shots landed this frame, turned into records by the panel.
    std::vector<CSharedPtr<CRedShot>> HitShots;

protected:
    void OnRearm() override;
    void LayoutExtras(bool resize) override;

private:
    void EndOrbs();
};
