#pragma once
// The backdrop of the fourth stage: a temple door behind curtains of hanging
// foliage, with a shadow drifting over the floor. When the stage's tenth
// level is won a flare blazes up over the door and its stone leaf sinks into
// the floor, optionally with sand pouring from its top corners.
#include <cstdint>
#include <string>
#include <vector>

#include "backgrounds/StageBackdrop.h"
#include "engine/SharedPtr.h"
#include "engine/SpriteQuad.h"
#include "platform/gpu/Gpu.h"

class CRenderDevice;
class CVertexBuffer;
class CIndexBuffer;
class CSpriteLayer;
class CParticleSystem;
class CParticleSystemsManager;
class CQuadLayer;
class CSandKeeper;
class CTexture;
class CSoundBank;

class CDoorBackground : public CStageBackdrop {
public:
    static constexpr int32_t kMaxCount = 10;
    // The slot after the stage's ten runs the door.
    static constexpr int32_t kDoorSlot = kMaxCount;
    enum DoorState : int32_t { kDoorIdle = 0, kDoorBlaze = 1, kDoorReveal = 2, kDoorSinking = 3 };

    CDoorBackground();
    ~CDoorBackground();
    CDoorBackground(const CDoorBackground&) = delete;
    CDoorBackground& operator=(const CDoorBackground&) = delete;

    void AttachShared(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CParticleSystemsManager> particles,
                      CSharedPtr<CQuadLayer> quads, CSharedPtr<CTexture> flare,
                      CSharedPtr<CTexture> smallSand, CSharedPtr<CTexture> cloud,
                      CSharedPtr<CTexture> spark);
    void LoadParams(const char* path);
    void SetupGeometry();
    void Start();
    void ReleaseState();
    void SetStage(int32_t count, int32_t flag);
    void Update(float dt);
    int32_t Render();
    int32_t RenderBody();
    // The visible part of the door leaf when `fraction` of it has sunk.
    void ClipQuad(float fraction);

    int32_t DoorState() { return Elements.SlotStateAt(kDoorSlot); }

    // Parameters (centred space, texture rectangles as texture coordinates).
    std::string ShadowFile = "DoorShadow.jpg";
    std::string MaskFile = "DoorMask.tga";
    std::string FoliageFile = "DoorFoliage.tga";
    float ShadowRect[4] = {0, 0, 1, 1}; // left, top, right, bottom
    float ShadowNear[2] = {0, 0}, ShadowFar[2] = {0, 0};
    float ShadowNearW[2] = {0, 0}, ShadowFarW[2] = {0, 0};
    float FoliageShift[2] = {0, 0}, FoliageMove[2] = {0, 0}, FoliageDisp[2] = {0, 0};
    // Per curtain (left, right): the sway of the whole curtain and of its
    // lower edge, as phases and angular speeds.
    float FoliageMoveA[2][2] = {}, FoliageMoveW[2][2] = {};
    float FoliageA[2][2] = {}, FoliageW[2][2] = {};
    float DoorCentre[2] = {0, 0}, DoorInner[2] = {0, 0};
    float DoorCorner[2] = {0, 0}, DoorSize[2] = {0, 0};
    // Depth of the floor below the doorway's top edge under the leaf's left
    // and right edge.
    float DoorBottom[2] = {0, 0};
    float DoorPreTime = 0.25f, DoorOpenTime = 2.0f;
    int32_t UseSand = 0;
    uint32_t SandColour = 0, DustColour = 0;
    float SandShift[2][2] = {}; // left and right emitter, y already negated
    float SandLevel[2] = {0, 0};

    // Geometry and state, readable by tests.
    std::vector<gpu::Vertex> ShadowVertices;
    std::vector<uint16_t> ShadowIndices;
    float Time = 0.0f;
    CSharedPtr<CSpriteQuad> PictureSprite;
    std::vector<CSharedPtr<CSpriteQuad>> Curtains;
    CSharedPtr<CSpriteQuad> CutOut, Doorway, Leaf, LeafShade;
    std::vector<CSharedPtr<CParticleSystem>> SandStreams;
    std::vector<CSharedPtr<CSandKeeper>> SandKeepers;
    CTexCoord CurtainRest[2][4];
    // Top-left, top-right, bottom-right, bottom-left in doorway texels (x to
    // the right of its left edge, y down from its top edge).
    CTexCoord LeafPolygon[4];
    CSharedPtr<CTexture> Picture, Shadow, Mask, Foliage;

private:
    std::vector<backdrop::TextureSlot> Slots() override;
    void AddDoor();
    void UpdateDoor(float dt);
    void ShapeLeaf();
    void StartSand();
    void EndSand();
    void RetireDoor();

    CSharedPtr<CTexture> SandTexture, CloudTexture;
};
