#pragma once
// The backdrop of the second stage: a jungle clearing under a slowly turning
// fan of light, a band of fog drifting through the trees (tiled, cut out by a
// mask and added to the picture), fireflies that glow up and drift about only
// where a grey-level mask lets them, and the stage's progress decorations with
// a seventh flare that lights up once the stage is complete.
#include <cstdint>
#include <string>
#include <vector>

#include "backgrounds/StageBackdrop.h"
#include "engine/SharedPtr.h"
#include "platform/gpu/Gpu.h"

class CRenderDevice;
class CVertexBuffer;
class CIndexBuffer;
class CSpriteLayer;
class CSpriteQuad;
class CParticleSystemsManager;
class CQuad;
class CQuadLayer;
class CTexture;
class CSoundBank;

class CJungleBackground : public CStageBackdrop {
public:
    static constexpr int32_t kMaxCount = 6;
    // The firefly mask: one byte of brightness per cell, row 0 at the top.
    static constexpr int32_t kMaskColumns = 256;
    static constexpr int32_t kMaskRows = 102;
    static constexpr const char* kMaskFile = "JungleFlashMask.bmp";

    CJungleBackground();
    ~CJungleBackground();
    CJungleBackground(const CJungleBackground&) = delete;
    CJungleBackground& operator=(const CJungleBackground&) = delete;

    void AttachShared(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CParticleSystemsManager> particles,
                      CSharedPtr<CQuadLayer> quads, CSharedPtr<CTexture> flare,
                      CSharedPtr<CTexture> flash, CSharedPtr<CTexture> spark);
    void LoadParams(const char* path);
    void SetupGeometry();
    // Reads the firefly mask (a 256 x 102 picture of 24-bit pixels); without
    // it no firefly is born.
    bool LoadFlashMask(const std::string& path);
    void Start();
    void ReleaseState();
    void SetStage(int32_t count, int32_t flag);
    void Update(float dt);
    int32_t Render();
    int32_t RenderBody();

    // The mask byte under a point of the centred space; -1 off the mask (or
    // without one).
    int32_t MaskAt(float x, float y) const;
    bool HasMask() const { return !Mask.empty(); }
    const std::vector<uint8_t>& GetMask() const { return Mask; }

    // Parameters (centred space).
    std::string FogFile = "JungleFog.jpg";
    std::string MaskFile = "JungleMask.tga";
    std::string FlareRaysFile = "JungleFlareRays.tga";
    float FogRect[4] = {-320.0f, 142.0f, 740.0f, 332.0f}; // left, top, width, height
    float FogExtent[2] = {2.890625f, 1.0f};
    float FogVelocity[2] = {0.01f, 0.0f};
    float FlareRaysX = -210.0f, FlareRaysY = 303.0f;
    float FlareRaysSize[2] = {714.0f, 714.0f};
    float FlareRaysSpin = 0.5235988f;
    // The fireflies: born in the slanted area spanned by the two basis vectors
    // from its bottom-left corner, crowding towards FlashCentreX.
    float FlashLeft = 0, FlashTop = 0, FlashWidth = 1, FlashHeight = 1, FlashZ = -3.0f;
    float FlashBasis[4] = {0, 0, 0, 0};
    float FlashT = 0.1f, FlashLife = 0.5f;
    uint32_t FlashColour = 0xFFFFF0C8u;
    float FlashAlpha = 1.0f;
    float FlashSize = 4.0f, FlashCentreX = 0.0f, FlashMinSpeed = 10.0f, FlashMaxSpeed = 40.0f;

    // Geometry and state, readable by tests.
    std::vector<gpu::Vertex> FogVertices;
    std::vector<uint16_t> FogIndices;
    float FogOffset[2] = {0.0f, 0.0f};
    float FlashTimer = 0.0f;
    std::vector<CSharedPtr<CQuad>> Flashes;
    std::vector<float> FlashVelocity; // (x, y) per live firefly
    CSharedPtr<CSpriteQuad> PictureSprite, FlareRaysSprite;
    CSharedPtr<CTexture> Picture, Fog, FogMask, FlareRays;

private:
    std::vector<backdrop::TextureSlot> Slots() override;
    void MoveFlashes(float dt);
    void SpawnFlashes(float dt);
    // One firefly; false when no start or end point was found in reach.
    bool SpawnFlash();

    CSharedPtr<CTexture> FlashTexture;
    std::vector<uint8_t> Mask; // kMaskColumns x kMaskRows, or empty
};
