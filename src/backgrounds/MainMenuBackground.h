#pragma once
// The living picture behind the main menu: the jungle temple at dawn with a
// strip of sky drifting behind a mask, a carved face that blinks and speaks,
// hanging strands and a map that sway, a block of foliage whose picture
// ripples, falling leaves, and a front branch drawn above the menu forms that
// sways and bends aside while the cursor rests on it. It plays no sounds and
// has no stage decorations.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "backgrounds/BackdropKit.h"
#include "backgrounds/MainMenuLeaf.h"
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

class CMainMenuBackground {
public:
    static constexpr int32_t kElements = 8;
    static constexpr int32_t kLeafKinds = 3;
    // Leaves share the sky's arrays and the shared buffers: 4 vertices a leaf
    // must stay inside the 16-bit indices, with room to spare for the others.
    static constexpr int32_t kMaxLeaves = 1024;
    static constexpr int32_t kMaxFoliageCells = 64;
    enum Element : int32_t {
        kScreenElement = 0,
        kHair0 = 2,
        kEyes = 4,
        kLips = 5,
        kHair1 = 6,
        kMap = 7
    };

    CMainMenuBackground();
    ~CMainMenuBackground();
    CMainMenuBackground(const CMainMenuBackground&) = delete;
    CMainMenuBackground& operator=(const CMainMenuBackground&) = delete;

    void AttachDevice(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vb,
                      CSharedPtr<CIndexBuffer> ib);
    void AttachShared(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CParticleSystemsManager> particles,
                      CSharedPtr<CQuadLayer> quads, CSharedPtr<CSpriteLayer> frontLayer);
    void SetSoundBank(CSharedPtr<CSoundBank> bank) { SoundBank = bank; }
    void LoadParams(const char* path);
    void SetupGeometry();
    bool LoadTextures(std::string folder);
    bool UnloadTextures();
    void Start();
    void ReleaseState();
    void Update(float dt);
    void UpdateLeaves();
    int32_t Render();
    int32_t RenderBody();

    // The cursor test of the game's frame step (centred units).
    bool InShiftZone(float x, float y) const;
    int32_t Hover = 0;
    // The front branch hangs over the main menu only: a wider form shown over
    // the backdrop would have its left edge hidden, so the game clears this
    // while one is up and the branch fades away (and back when it is set).
    int32_t FrontShown = 1;
    float FrontAlpha = 1.0f;
    static constexpr float kFrontFadeSpeed = 4.0f; // alpha per second

    // The swing of a hanging element's lower edge: its two lower corners.
    struct Swing {
        float Dx, Dy;
    };
    static Swing SwingOf(const float phase[4], float ampX, float ampY, float w, float h);

    // Parameters (centred space, texture units).
    float Offset[3] = {-0.5f, 0.5f, 999.0f};
    float SkyPos[3] = {0, 0, -1}, SkySize[2] = {0, 0}, SkyV = 0, SkyTSize[2] = {0, 0};
    float SkyMaskSize[2] = {0, 0}, SkySpeed = 0;
    std::vector<std::array<float, 3>> ElementCentre;
    std::vector<std::array<float, 2>> ElementSize;
    std::vector<std::array<float, 4>> ElementRect;
    std::vector<int32_t> ElementKey;
    float EyeRect[4] = {}, LipsRect[2][4] = {}, LeafRect[kLeafKinds][4] = {};
    float LeafSize[2] = {}, LeafZone[4] = {}, LeafSpeed[2] = {};
    float LeafRotSpeed = 0, LeafRotW = 0, LeafArcSize[2] = {}, LeafArcW = 0;
    int32_t MaxLeaves = 0;
    float LeafBirthT = 0.5f;
    float FoliageForm[4] = {}, FoliageTForm[4] = {};
    int32_t FoliageCells[2] = {0, 0};
    float FoliageNoise[2] = {}, FoliageNoiseW = 0;
    float MapDisp[2] = {}, MapW[4] = {}, HairDisp[2] = {}, HairW[4] = {};
    float EyeProbability = 0, LipsProbability = 0, LipsMinTime = 0;
    float FrontCentre[3] = {}, FrontSize[2] = {};
    int32_t FrontKey = 0;
    float FrontMove[2] = {}, FrontMoveW[2] = {}, FrontSkew[2] = {}, FrontSkewW[2] = {};
    float FrontRockAngle = 0, FrontRockW = 0;
    float ShiftAngle = 0, Shift[2] = {}, ShiftTime = 0.2f;
    float ShiftZone[4] = {};

    // Geometry and state, readable by tests.
    std::vector<gpu::Vertex> Vertices;
    std::vector<uint16_t> Indices;
    float SkyOffset = 0;
    CAmbientClock Ambient;
    CAmbientClock Sway{kSwayStep}; // the foliage's ripple, the map's, vines' and banner's swings
    std::vector<CMainMenuLeaf> Leaves;
    float LeafTimer = 0;
    CSharedPtr<CSpriteQuad> BackSprite, FrontSprite;
    std::vector<CSharedPtr<CSpriteQuad>> ElementSprites, CellSprites;
    std::vector<std::vector<std::array<float, 2>>> NodeFrequency, NodePhase;
    float MapPhase[4] = {}, StrandFrequency[2][4] = {}, StrandPhase[2][4] = {};
    float LipsTimer = 0;
    float FrontPhase[5] = {};
    float ShiftAmount = 0;
    CSharedPtr<CTexture> Back, SkyMask, LeafMask, ElementsTexture, Foliage;

private:
    std::vector<backdrop::TextureSlot> Slots();
    void BirthLeaf();
    void RippleFoliage(float dt);
    void WriteCellFrame(size_t row, size_t column);
    // The swings advance by `sway`, the eyes and lips by `dt`.
    void AnimateElements(float sway, float dt);
    void ApplySwing(CSpriteQuad& sprite, const float phase[4], const float amp[2], size_t element);
    void Blink(float dt);
    // The swing advances by `sway`; the shift under the pointer and the fade by `dt`.
    void AnimateFront(float sway, float dt);

    CSharedPtr<CRenderDevice> Device;
    CSharedPtr<CVertexBuffer> VertexBuffer;
    CSharedPtr<CIndexBuffer> IndexBuffer;
    CSharedPtr<CSpriteLayer> Layer;
    CSharedPtr<CParticleSystemsManager> Particles;
    CSharedPtr<CQuadLayer> Quads;
    CSharedPtr<CSpriteLayer> FrontLayer;
    CSharedPtr<CSoundBank> SoundBank;
};
