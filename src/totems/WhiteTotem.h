#pragma once
// The White totem throws paint. Launched, it asks the play field for cells
// (kind 5 records with the number of drops wanted) until they come, picks one
// cap colour for the whole launch, and throws one paint drop (CPaintDrop) from
// the coloured fog on its figure to each cell; each drop that lands is
// reported with its cell and colour, and the field repaints the cap. The end
// of the power is reported too (value -1). Armed, seven coloured smoke
// fountains rise from the fog; off its place, paint streams run down it.
#include <cstdint>
#include <vector>

#include "engine/SplinePath.h"
#include "engine/SpriteQuad.h"
#include "totems/Totem.h"
#include "totems/TotemParams.h"

class CParticleSystem;

// One drop of paint: four wobbling blobs with highlights that grow on the way
// out, fly along an arc and splash on landing.
class CPaintDrop {
public:
    static constexpr int32_t kBlobs = 4;

    CPaintDrop();
    ~CPaintDrop();
    CPaintDrop(const CPaintDrop&) = delete;
    CPaintDrop& operator=(const CPaintDrop&) = delete;

    void Init(CSharedPtr<CParticleSystemsManager> particles, CSharedPtr<CSpriteLayer> layer,
              CSharedPtr<CTexture> texture);
    // From `a` by way of `b` (unless the target lies above it) to `t`.
    void Launch(const CVector3& a, const CVector3& b, const CVector3& t, float halfCellW,
                float halfCellH, int32_t column, int32_t row, int32_t colourIndex, uint32_t colour,
                float speed, int32_t zOrder);
    // 1 while flying, 0 on the frame it lands.
    int32_t Update(float dt);

    float LengthRange[2] = {0.8f, 1.5f};
    float WidthRange[2] = {0.5f, 1.2f};
    float WobbleSpeed = 6.2831855f;
    float SprayIntensity = 0.75f;
    float SprayParticleSize = 48.0f;
    int32_t SprayParticles = 15;

    int32_t Column = 0;
    int32_t Row = 0;
    int32_t ColourIndex = 0;
    uint32_t PaintColour = 0xFFFFFFFFu;
    float Duration = 0.1f;
    float Elapsed = 0.0f;
    CSplinePath Path;
    // The blob sprites and their highlights, while flying.
    std::vector<CSharedPtr<CSpriteQuad>> Blobs;
    std::vector<CSharedPtr<CSpriteQuad>> Highlights;

private:
    void Splash(const CVector3& at);
    void RemoveSprites();

    CSharedPtr<CParticleSystemsManager> Particles;
    CSharedPtr<CSpriteLayer> Layer;
    CSharedPtr<CTexture> Texture;
    int32_t ZOrder = 0;
    float GrowTime = 0.1f;
    float HalfCell[2] = {1.0f, 1.0f};
    float BlobBase[2] = {0.6f, 0.6f};
    CVector3 LastPos;
    float Angles[kBlobs] = {};
    float Offsets[kBlobs][2] = {};
    float Velocities[kBlobs][2] = {};
};

class CWhiteTotem : public CTotem {
public:
    static constexpr int32_t kColour = 5;
    static constexpr int32_t kPaints = 7;

    CWhiteTotem();
    ~CWhiteTotem() override;

    void Init(int32_t mode, CSharedPtr<CTotemShapes> shapes) override;
    void Release() override;
    void SetAlpha(float alpha, int32_t alsoTarget) override;
    void Activate(int32_t kind) override;
    int32_t Update(float dt) override;
    void SetParams(const CTotemColourParams& params) override;
    void SetArmed(int32_t armed, int32_t level) override;
    void SetTarget(const std::vector<CTotemPoint>& points,
                   const std::vector<CTotemCell>& cells) override;
    void EmitActions(CTotemPanel& panel) override;

    // The picture of paint colour k (0..6), opaque.
    static uint32_t PaintColour(int32_t k);

    CWhiteTotemParams Params;
    std::vector<CSharedPtr<CSpriteQuad>> StreamSprites;
    float StreamOffset = 1.0f;
    std::vector<CSharedPtr<CParticleSystem>> ReadySmokes;
    std::vector<CSharedPtr<CPaintDrop>> FlyingDrops;
    std::vector<CSharedPtr<CPaintDrop>> LandedDrops;
    int32_t AwaitingTargets = 0;

protected:
    bool LayeredParts() const override { return true; }
    void LayoutExtras(bool resize) override;
    void ShiftExtraKeys(int32_t delta) override { ShiftKeys(StreamSprites, delta); }

private:
    size_t TierIndex() const;
    // The tier's fog point on the figure (figure units) and its radius.
    const CVector3& Fog() const { return Params.FogPoints[TierIndex()]; }
    float FogRadius() const { return Params.FogRadii[TierIndex()]; }
    void BuildStream();
    void FlowStream(float dt);
    void EndSmokes();
};
