#pragma once
// The backdrop of the first stage: a museum hall under a slowly turning fan of
// light, the stage's progress decorations and, when the stage is complete, a
// map that unrolls downwards; over everything several layers of dust drift in
// different directions, cut out by a mask, all drawn in one call.
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

class CMuseumBackground : public CStageBackdrop {
public:
    static constexpr int32_t kMaxCount = 5;
    // Enough dust layers for any picture; their indices stay far inside 16 bits.
    static constexpr int32_t kMaxDustLayers = 64;

    CMuseumBackground();
    ~CMuseumBackground();
    CMuseumBackground(const CMuseumBackground&) = delete;
    CMuseumBackground& operator=(const CMuseumBackground&) = delete;

    void LoadParams(const char* path);
    void SetupGeometry();
    void Start();
    void ReleaseState();
    void SetStage(int32_t count, int32_t flag);
    void Update(float dt);
    int32_t Render();
    int32_t RenderBody();

    // Parameters (centred space).
    std::string DustFile = "MuseumDust.tga";
    std::string DustMaskFile = "MuseumDustMask.tga";
    std::string FlareRaysFile = "MuseumFlareRays.tga";
    float DustSizeFactor = 4.0f;
    int32_t DustLayers = 4;
    float FlareRaysX = -221.0f, FlareRaysY = 171.0f;
    float FlareRaysSize[2] = {714.0f, 714.0f};
    float FlareRaysSpin = 0.5235988f;
    uint32_t FlareRaysColour = 0xC8FFFFFFu;
    float MapTime = 0.4f, MapExpandTime = 0.5f, MapEndTime = 0.5f, MapBegin = 0.4f;

    // Geometry and state, readable by tests.
    std::vector<gpu::Vertex> DustVertices;
    std::vector<uint16_t> DustIndices;
    CDustLayers DustField;
    CSharedPtr<CSpriteQuad> PictureSprite, FlareRaysSprite;
    CSharedPtr<CTexture> Picture, Dust, DustMask, FlareRays;

private:
    std::vector<backdrop::TextureSlot> Slots() override;
    void AddMap();
    void UpdateMap(float dt);
    void SetMapShown(float fraction);
};
