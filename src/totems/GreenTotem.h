#pragma once
// The Green totem: armed, two big flares swell and fade in turn on its figure
// amid small sparkles. Its power asks the play field for targets (kind 0
// records with value 0); the field hands over the gems it collects, which the
// totem strikes with light rays, and the caps that get new gems, to which
// glowing gems (CUnigem) fly. When they arrive the panel reports one record
// with value 1 and the field sets the gems. At level 3 the chain across the
// figure flickers with lights and bursts apart.
#include <cstdint>
#include <vector>

#include "totems/Totem.h"
#include "totems/TotemParams.h"

class CParticleSystem;
class CQuad;
class CSoundBank;

// One light ray from the figure to a collected gem: a widening beam whose
// texture scrolls along with it and a spinning head that swings across it.
class CGreenRay {
public:
    CGreenRay() = default;
    ~CGreenRay();
    CGreenRay(const CGreenRay&) = delete;
    CGreenRay& operator=(const CGreenRay&) = delete;

    void Init(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CTexture> beam, CSharedPtr<CTexture> head,
              const CGreenTotemParams& params);
    // The time until the tail reaches the target.
    float Launch(const CVector3& start, const CVector3& end, float delay, int32_t zOrder);
    // 0 once the ray is spent.
    int32_t Update(float dt);

    CVector3 Start;
    CVector3 Direction{1.0f, 0.0f, 0.0f};
    CVector3 Normal{0.0f, 1.0f, 0.0f};
    float Distance = 0.0f;
    float Travelled = 0.0f;

private:
    CSharedPtr<CSpriteLayer> Layer;
    CSharedPtr<CTexture> BeamTexture, HeadTexture;
    uint32_t BeamColour = 0xFFFFFFFFu;
    float Thickness = 80.0f;
    float Tan = 0.05f;
    float Speed = 800.0f;
    float Length = 400.0f;
    float RepeatLength = 256.0f;
    uint32_t HeadColour = 0xFFFFE580u;
    float HeadSize = 24.0f;
    float HeadSpin = 1.0f;
    float Repeat = 0.0f;
    CSharedPtr<CSpriteQuad> Beam, Head;
};

// A glowing gem of the Green power flying to its cell.
class CUnigem {
public:
    CUnigem() = default;
    ~CUnigem();
    CUnigem(const CUnigem&) = delete;
    CUnigem& operator=(const CUnigem&) = delete;

    void Init(float size, uint32_t tailColour, float tailSize, float fadeIn,
              CSharedPtr<CParticleSystemsManager> particles, CSharedPtr<CQuadLayer> quads,
              CSharedPtr<CTexture> gem, CSharedPtr<CTexture> star);
    void SetPosition(const CVector3& p);
    // Moves so that the gem arrives when `left` reaches 0.
    void Update(float dt, float left);
    // Ends the gem's glow and tail.
    void ClearEffectList();

    CVector3 Position;
    CVector3 Target;
    float EffectScale = 1.0f;
    int32_t Column = 0;
    int32_t Row = 0;
    int32_t Cleared = 0;

private:
    std::vector<CSharedPtr<CQuad>> Glows;
    CSharedPtr<CParticleSystem> Tail;
};

class CGreenTotem : public CTotem {
public:
    static constexpr int32_t kColour = 0;

    CGreenTotem();
    ~CGreenTotem() override;

    void Init(int32_t mode, CSharedPtr<CTotemShapes> shapes) override;
    void Release() override;
    void Activate(int32_t kind) override;
    int32_t Update(float dt) override;
    void SetParams(const CTotemColourParams& params) override;
    void SetArmed(int32_t armed, int32_t level) override;
    void EmitActions(CTotemPanel& panel) override;

    using CTotem::SetTarget;
    // The rays' targets (collected gems), the new gems' targets and cells, and
    // out: the time after which each ray reaches its target.
    void SetTarget(const std::vector<CTotemPoint>& rayTargets,
                   const std::vector<CTotemPoint>& gemTargets,
                   const std::vector<CTotemCell>& gemCells, std::vector<float>& arrivalTimes);

    CGreenTotemParams Params;
    float BigFlareTime = 0.0f;
    float SparkleTime = 0.0f;
    CSharedPtr<CSpriteQuad> BigFlares[2];
    CVector3 BigFlarePoints[2];
    float PowerTime = 0.0f;
    int32_t WantsTarget = 0;
    std::vector<CSharedPtr<CGreenRay>> Rays;
    std::vector<CSharedPtr<CUnigem>> Unigems;
    int32_t ApplyFlag = 0;
    int32_t ChainBroken = 0;
    float ChainLightTime = 0.0f;
    int32_t SoundPlayed = 0;
    int32_t Arrived = 0;
    CSharedPtr<CSoundBank> SoundBank;

private:
    const float* FlareArea() const;
    // A random point of the tier's flare area; r in [lo, lo + span].
    CVector3 AreaPoint(float lo, float span) const;
    void RemoveBigFlares();
    void AnimateFlares(float dt);
    void Sparkle(float dt);
    void ChainLights(float dt);
    void BreakChain();
};
