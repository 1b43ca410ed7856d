#pragma once
// The backdrop of the last stage: the treasury, a closed chest on the hoard
// under an ornament, drifting dust in the light and two sheets of sun rays.
// When the stage's twelfth level is won the chest bursts open: a flare, rays
// of light with sparks, a flash, shards that float up spinning ever faster,
// and glowing motes rising from where it stood.
#include <cstdint>
#include <string>
#include <vector>

#include "backgrounds/DustLayers.h"
#include "backgrounds/StageBackdrop.h"
#include "engine/SharedPtr.h"
#include "platform/gpu/Gpu.h"

class CRenderDevice;
class CVertexBuffer;
class CIndexBuffer;
class CSpriteLayer;
class CSpriteQuad;
class CParticleSystemsManager;
class CQuadLayer;
class CTexture;
class CSoundBank;

class CTreasuryBackground : public CStageBackdrop {
public:
    static constexpr int32_t kMaxCount = 12;
    // The slot after the stage's twelve runs the chest.
    static constexpr int32_t kChestSlot = kMaxCount;
    static constexpr int32_t kMaxDustLayers = 64;
    enum ChestState : int32_t { kChestIdle = 0, kChestFlare = 1, kChestRays = 2, kChestBurst = 3 };

    CTreasuryBackground();
    ~CTreasuryBackground();
    CTreasuryBackground(const CTreasuryBackground&) = delete;
    CTreasuryBackground& operator=(const CTreasuryBackground&) = delete;

    void AttachShared(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CParticleSystemsManager> particles,
                      CSharedPtr<CQuadLayer> quads, CSharedPtr<CTexture> flare,
                      CSharedPtr<CTexture> spark, CSharedPtr<CTexture> halo);
    void LoadParams(const char* path);
    void SetupGeometry();
    void Start();
    void ReleaseState();
    void SetStage(int32_t count, int32_t flag);
    void Update(float dt);
    int32_t Render();
    int32_t RenderBody();

    int32_t ChestState() { return Elements.SlotStateAt(kChestSlot); }

    // Parameters (centred space; texture rectangles as texture coordinates).
    std::string DustFile = "TreasuryDust.tga";
    std::string MaskFile = "TreasuryMask.tga";
    std::string ElementsFile = "TreasuryElements.tga";
    int32_t DustLayers = 4;
    float DustSizeFactor = 4.0f;
    bool DustAdd = true, WhiteDust = true;
    float SunRaysTForm[4][2] = {};
    float SunRaysTVec1[2] = {0, 0}, SunRaysTVec2[2] = {0, 0};
    float SunRaysW = 0.5f;
    uint32_t ChestRaysColour = 0;
    float ChestRaysCentre[2] = {0, 0};
    float ChestRaysR = 120.0f, ChestRaysSize[2] = {256.0f, 16.0f};
    float ChestRaysTime = 2.0f, ChestRaysT = 0.2f, ChestFadeTime = 0.1f;
    float ChestForm[4] = {0, 0, 0, 0};  // top-left corner (centred), width, height
    float ChestTForm[4] = {0, 0, 0, 0}; // left, top, right, bottom
    int32_t ChestCrack[2] = {8, 8};     // columns, rows
    float ChestRotAccel = 0.0f, ChestAccelArea[2] = {100.0f, 20.0f};
    uint32_t ChestFlashColour = 0, GlowWormsColour = 0;
    float GlowWormsSize = 32.0f, GlowWormsSpeed = 300.0f, GlowWormsW = 3.0f, GlowWormsT = 0.2f;

    // Geometry and state, readable by tests.
    CDustLayers DustField;
    std::vector<gpu::Vertex> Vertices; // the dust layers, then the two sun-ray sheets
    std::vector<uint16_t> Indices;
    float SunPhase = 0.0f;
    CSharedPtr<CSpriteQuad> BackgroundSprite, OrnamentSprite, ChestSprite, ChestShadowSprite;
    std::vector<CSharedPtr<CSpriteQuad>> ChestRays, Shards, GlowWorms;
    std::vector<float> ShardVelocity;  // (vx, vy) per shard
    std::vector<float> ShardAccel;     // upward acceleration per shard
    std::vector<float> GlowWormRecord; // (base x, rise speed, phase) per glow worm
    float ChestRayTimer = 0.0f, GlowWormTimer = 0.0f;
    CSharedPtr<CTexture> Picture, Dust, Mask, Sheet, SunRays;

private:
    std::vector<backdrop::TextureSlot> Slots() override;
    void MakeChest();
    void UpdateChest(float dt);
    void SpawnChestRays(float dt);
    void Burst();
    void CrackChest();
    void MoveShards(float dt);
    void UpdateGlowWorms(float dt);
    void ResetChest();

    CSharedPtr<CTexture> HaloTexture;
};
