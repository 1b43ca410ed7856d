#pragma once
// The Orange totem: its power buys time. A cloud of clock digits and stars
// swirls out of the figure, flies to the level's clock and bursts there; on
// arrival the panel hands the play field one kind 4 record (level and tier),
// and the field adds the seconds.
#include <cstdint>

#include "totems/Totem.h"
#include "totems/TotemParams.h"

class CParticleSystem;
class CVortexKeeper;

class COrangeTotem : public CTotem {
public:
    static constexpr int32_t kColour = 4;
    enum Arrival : int32_t { kOnTheWay = 0, kArrived = 1, kReported = 2 };

    COrangeTotem();
    ~COrangeTotem() override;

    void Release() override;
    void Activate(int32_t kind) override;
    int32_t Update(float dt) override;
    void SetParams(const CTotemColourParams& params) override;
    void EmitActions(CTotemPanel& panel) override;
    // Sent home mid-flight: the clouds stop with it.
    void SetArmed(int32_t armed, int32_t level) override;

    COrangeTotemParams Params;
    // The digit cloud and the star cloud.
    CSharedPtr<CParticleSystem> Systems[2];
    CSharedPtr<CVortexKeeper> Keepers[2];
    CSharedPtr<CSpriteQuad> FlySprite;
    // Seconds since the flight began; below 0 while the cloud gathers.
    float PhaseTime = 0.0f;
    CVector3 FlyFrom;
    CVector3 FlyVector;
    int32_t Arrived = kOnTheWay;

private:
    void MakeFlySprite(const CVector3& at, float t);
    void Arrive(float t);
    void EndClouds();
};
