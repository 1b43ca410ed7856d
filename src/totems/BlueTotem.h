#pragma once
// The Blue totem: lightning against steel caps. Launched, it crackles over its
// figure in bursts, the bolts contract into a strike point, the steel caps on
// the figure shatter, and it asks the play field for targets (kind 3 records
// with the level) until they come. One bolt (CBlueBolt) then flies to every
// steel cap; each arrival is reported as a struck cell, above tier 2 with its
// four neighbours. At level 3 the launch also raises the Blue flag, and while
// that flag is set every Blue figure sends out expanding shield rings.
#include <cstdint>
#include <vector>

#include "engine/SpriteQuad.h"
#include "totems/Totem.h"
#include "totems/TotemParams.h"

class CParticleSystem;
class CQuad;

// One bolt flying from the strike point to a steel cap.
class CBlueBolt {
public:
    CBlueBolt() = default;
    ~CBlueBolt();
    CBlueBolt(const CBlueBolt&) = delete;
    CBlueBolt& operator=(const CBlueBolt&) = delete;

    void Launch(const CVector3& start, const CVector3& end, float length, float width, float speed,
                int32_t column, int32_t row, uint32_t colour,
                CSharedPtr<CParticleSystemsManager> particles, CSharedPtr<CQuadLayer> quads,
                CSharedPtr<CTexture> lightning, CSharedPtr<CTexture> spark);
    // 1 while flying, 0 on arrival.
    int32_t Update(float dt);

    int32_t Column = 0;
    int32_t Row = 0;
    int32_t Tier = 1;
    CVector3 Start;
    CVector3 End;
    CVector3 Direction{1.0f, 0.0f, 0.0f};
    float Distance = 10.0f;
    float Travelled = 0.0f;

private:
    void Impact();

    float Length = 10.0f;
    float Width = 48.0f;
    float Speed = 10.0f;
    uint32_t Colour = 0xFFFFFFFFu;
    CVector3 Side{0.0f, 1.0f, 0.0f};
    CSharedPtr<CParticleSystemsManager> Particles;
    CSharedPtr<CQuadLayer> Quads;
    CSharedPtr<CTexture> LightningTexture, SparkTexture;
    CSharedPtr<CParticleSystem> System;
    CSharedPtr<CQuad> Glow;
};

class CBlueTotem : public CTotem {
public:
    static constexpr int32_t kColour = 3;
    static constexpr int32_t kBursts = 5;
    enum Step : int32_t {
        kWaitingForStrike = kBursts,
        kStriking = kBursts + 1,
        kRequesting = kBursts + 2,
        kFlying = kBursts + 3
    };

    CBlueTotem();
    ~CBlueTotem() override;

    void Init(int32_t mode, CSharedPtr<CTotemShapes> shapes) override;
    void Release() override;
    void Activate(int32_t kind) override;
    int32_t Update(float dt) override;
    void SetParams(const CTotemColourParams& params) override;
    void SetFlag(int32_t flag) override;
    void SetTarget(const std::vector<CTotemPoint>& points,
                   const std::vector<CTotemCell>& cells) override;
    void EmitActions(CTotemPanel& panel) override;
    int32_t MaxTier() const override { return CBlueTotemParams::kTiers; }
    int32_t RearmTier() const override { return 2; }

    CBlueTotemParams Params;
    std::vector<CVector3> BoltCentres;
    std::vector<CVector3> BoltDirs;
    std::vector<float> BoltLengths;
    int32_t BlueFlag = 0;
    float Timer = 0.0f;
    int32_t StepNo = 0;
    int32_t RequestTargets = 0;
    std::vector<CSharedPtr<CParticleSystem>> ChargeBolts;
    std::vector<CSharedPtr<CBlueBolt>> FlyingBolts;
    std::vector<CSharedPtr<CBlueBolt>> StruckBolts;
    std::vector<CSharedPtr<CSpriteQuad>> ShieldSprites;
    std::vector<float> ShieldAges;
    float ShieldTimer = 10.0f;
    float Remaining = 0.0f;
    // The size the rings were last scaled to.
    float LastSize[2] = {0.0f, 0.0f};

protected:
    void LayoutExtras(bool resize) override;
    void ShiftExtraKeys(int32_t delta) override { ShiftKeys(ShieldSprites, delta); }

private:
    const std::vector<CBlueTotemParams::Segment>& Begins() const;
    const std::vector<CBlueTotemParams::Segment>& Ends() const;
    const float* ShieldBox() const;
    void Shields(float dt);
    void BuildGeometry();
    void Burst();
    void Flourish();
    void Hold();
    void Contract();
    void Shatter();
    void ShowCaps(int32_t frame);
    void EndChargeBolts();
    void RemoveShields();
    CSharedPtr<CParticleSystem> Lightning(const CVector3& a, const CVector3& da, float la,
                                          const CVector3& b, const CVector3& db, float lb,
                                          int32_t capacity, int32_t bolts, float thickness,
                                          float life);
};
