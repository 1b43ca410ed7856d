#pragma once
// The backdrop of the third stage: a valley at dusk laid with the screen blend
// over a sky of drifting clouds. The clouds are one textured sheet lying flat
// above the viewer and running away to the horizon, seen through a perspective
// of its own; a mask strip darkens them where the sheet ends. Over the picture
// a fan of light turns slowly, then come the stage's progress decorations and,
// once the stage is complete, a ninth flare.
#include <cstdint>
#include <string>

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

class CValleyBackground : public CStageBackdrop {
public:
    static constexpr int32_t kMaxCount = 8;

    CValleyBackground();
    ~CValleyBackground();
    CValleyBackground(const CValleyBackground&) = delete;
    CValleyBackground& operator=(const CValleyBackground&) = delete;

    void LoadParams(const char* path);
    void SetupGeometry();
    void Start();
    void ReleaseState();
    void SetStage(int32_t count, int32_t flag);
    void Update(float dt);
    int32_t Render();

    // Parameters (centred space; the cloud sheet in the view's own space).
    std::string CloudFile = "ValleyCloud.jpg";
    std::string MaskFile = "ValleyMask.tga";
    std::string FlareRaysFile = "ValleyFlareRays.tga";
    float FlareRaysX = -210.0f, FlareRaysY = 303.0f;
    float FlareRaysSize[2] = {714.0f, 714.0f};
    float FlareRaysSpin = 0.5235988f;
    float FieldOfView = 0.7853982f;
    float CloudPos[3] = {0.0f, 386.0f, 1861.0f};
    float CloudSize[2] = {2100.0f, 1250.0f};
    float CloudSpan[2] = {0.21f, 0.125f};
    float MaskPos[3] = {0.0f, 260.0f, 0.0f};
    float MaskSize[2] = {1024.0f, 248.0f};
    float MaskRect[4] = {0.0f, 0.0f, 1.0f, 0.96875f};
    float CloudSpeed[2] = {0.1f, 0.0f};

    // State, readable by tests.
    gpu::Matrix CloudProjection = gpu::Matrix::Identity();
    float CloudOffset[2] = {0.0f, 0.0f};
    CSharedPtr<CSpriteQuad> PictureSprite, FlareRaysSprite, CloudSprite, MaskSprite;
    CSharedPtr<CTexture> Picture, Cloud, Mask, FlareRays;

private:
    std::vector<backdrop::TextureSlot> Slots() override;
    void SetCloudFrame();
};
