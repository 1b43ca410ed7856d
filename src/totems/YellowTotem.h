#pragma once
// The Yellow totem: its power turns the nugget on the figure into points. The
// nugget fades, a number rises from the figure in smoke and a swirl of plus
// signs, wobbles across the screen to the score and fades there while the
// nugget comes back; above tier 1 a lightning bolt then strikes from the
// score. On arrival the panel hands the play field one kind 1 record (tier
// and level). While selected, or shown in the shop, the figure sparkles.
#include <cstdint>

#include "totems/Totem.h"
#include "totems/TotemParams.h"

class CParticleSystem;
class CVortexKeeper;

class CYellowTotem : public CTotem {
public:
    static constexpr int32_t kColour = 1;
    enum Phase : int32_t { kFlying = 0, kArrived = 1, kReported = 2 };

    CYellowTotem();
    ~CYellowTotem() override;

    void Init(int32_t mode, CSharedPtr<CTotemShapes> shapes) override;
    void Release() override;
    void Activate(int32_t kind) override;
    int32_t Update(float dt) override;
    void SetParams(const CTotemColourParams& params) override;
    void EmitActions(CTotemPanel& panel) override;

    CYellowTotemParams Params;
    float SparkleTime = 0.0f;
    float Timer = 0.0f;
    int32_t StartPending = 0;
    CSharedPtr<CSpriteQuad> Number;
    int32_t NumberPhase = kFlying;
    CSharedPtr<CParticleSystem> PlusSystem;
    CSharedPtr<CVortexKeeper> PlusKeeper;

protected:
    bool LayeredParts() const override { return true; }

private:
    size_t TierIndex() const;
    CVector3 StartPoint() const;
    // The figure's last part: the nugget.
    CSpriteQuad* Nugget() const;
    void Sparkle(float dt);
    void Start(const CVector3& p);
    void Strike();
    void EndEffects();
};
