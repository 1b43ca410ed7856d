#pragma once
// The electric terminator, the one the board uses for every removed group: for
// a short time (0.75 s, 0.2 s when fast) a blue glow lies on every cap, bolts
// crawl over the caps and jump between linked ones, and chained caps throw
// sparks. When the time is up, chained caps (unless destroyed outright) burst
// into chain pieces and lose their chains; every other cap shatters into
// spinning pieces of its own picture and leaves the cap list.
//
// The drawing goes through the particle manager and the two quad layers it was
// given; without them the terminator still does its board work on time.
#include <cstdint>
#include <vector>

#include "effects/Terminator.h"
#include "engine/SharedPtr.h"
#include "engine/Vector3.h"

class CParticleSystem;
class CQuad;

// One bolt between two caps (or around one): each end circles its cap and
// leaves it along the tangent of its circle. The bolt owns the handle of the
// thunderbolt system that draws it and ends that system's emission when it
// goes; the system then fades out by itself.
class CTerminatorBolt {
public:
    CTerminatorBolt() = default;
    ~CTerminatorBolt();
    CTerminatorBolt(const CTerminatorBolt&) = delete;
    CTerminatorBolt& operator=(const CTerminatorBolt&) = delete;

    // The two end points at the present angles, and their outgoing directions.
    void EndPoints(CVector3& p1, CVector3& d1, CVector3& p2, CVector3& d2) const;

    CSharedPtr<CParticleSystem> System;
    float Age = 0.0f;
    float Life = 0.75f;
    CVector3 Centre1;
    CVector3 Centre2;
    float Radius1 = 32.0f, Radius2 = 32.0f;
    float Angle1 = 0.0f, Angle2 = 0.0f;                // radians
    float AngularSpeed1 = 0.0f, AngularSpeed2 = 0.0f;  // radians per second
    float Width1 = 4.0f, Width2 = 4.0f;
};

class CTerminatorElectro : public CTerminator {
public:
    static constexpr float kDuration = 0.75f;
    static constexpr float kFastDuration = 0.2f;
    // The spark picture inside the chain-spark texture.
    static constexpr float kSparkRect[4] = {0.734375f, 0.25f, 0.984375f, 0.75f};
    // Sizes and offsets of the effects are laid out for caps of this size.
    static constexpr float kReferenceSize = 39.0f;
    // Pool sizes of the particle systems it starts.
    static constexpr int32_t kBoltCapacity = 40;
    static constexpr int32_t kChainBurstCapacity = 20;
    static constexpr int32_t kShatterCapacity = 40;
    // However long a step, no more sparks than this are made in it.
    static constexpr int32_t kMaxSparksPerStep = 40;

    CTerminatorElectro(int32_t kind, float effectsLevel, CCapList* capList,
                       CSharedPtr<CParticleSystemsManager> particles,
                       CSharedPtr<CQuadLayer> glowLayer, CSharedPtr<CQuadLayer> sparkLayer,
                       CSharedPtr<CSpriteLayer> spriteLayer, int32_t fast);
    // Glow quads still held fade out on their layer; the bolts end.
    ~CTerminatorElectro() override;

    // Adds the cap, then keeps bolts-per-token bolts for every cap alive.
    void Init(CSharedPtr<CCap> token, int32_t mode) override;
    // Waits while its time is negative; runs the discharge until its duration
    // and finishes in the update that reaches it. Returns 0 on that update.
    int32_t Update(float dt) override;
    uint32_t GetColourA() const override { return 0xFFF7D96Bu; }
    uint32_t GetColourB() const override { return 0xFFF7D96Bu; }

    float Duration() const { return Fast ? kFastDuration : kDuration; }

    CSharedPtr<CTexture> ChainTexture;  // chain pieces
    CSharedPtr<CTexture> SparkTexture;  // sparks (kSparkRect of it)
    CSharedPtr<CTexture> GlowTexture;
    CSharedPtr<CTexture> BoltTexture;
    CSharedPtr<CTexture> TokenTexture;  // the picture of the shattering caps
    std::vector<CSharedPtr<CTerminatorBolt>> Bolts;
    std::vector<CSharedPtr<CQuad>> GlowQuads;
    int32_t BoltsPerToken = 2;
    int32_t BoltTarget = 2;
    float BoltLifeFactor = 0.15f;
    float BoltWidthFactor = 0.2f;
    uint32_t BoltColour = 0x004040FFu;
    float GlowScale = 4.0f;
    uint32_t GlowColour = 0x004040FFu;
    float SparkScale = 0.75f;
    float SparkHold = 0.25f;
    float SparkPeriod = 0.025f;
    uint32_t SparkColour = 0xFFFFFFFFu;
    float SparkAccumulator = 0.0f;

private:
    void Step(float dt, float limit);
    void MakeGlow(float limit);
    void MoveBolts(float dt);
    void AddBolts();
    void MakeSparks(float dt);
    // How many sparks are due after adding dt to the shared accumulator.
    int32_t DueSparks(float dt);
    void RingSpark(const CVector3& at, float size);
    void DiagonalSpark(const CVector3& at, float size);
    void AddSpark(float x, float y, float z, float size);
    void Finish();
    void BurstChains(const CVector3& at, float size, int32_t chains);
    void Shatter(const CCap& cap, const CVector3& at);
};
