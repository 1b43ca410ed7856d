#include "backgrounds/TreasuryBackground.h"

#include <cmath>
#include <cstdio>

#include "audio/SoundBank.h"
#include "backgrounds/BackdropKit.h"
#include "engine/DrawHelpers.h"
#include "engine/IniHelpers.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/Texture.h"

using namespace backdrop;

namespace {

constexpr const char* kSection = "Treasury";
constexpr const char* kPictureName = "BackgroundTreasury";
constexpr const char* kPictureFile = "Treasury.jpg";
constexpr const char* kDustName = "TreasuryDust";
constexpr const char* kMaskName = "TreasuryMask";
constexpr const char* kSheetName = "TreasuryElements";
constexpr const char* kSunRaysName = "TreasuryRays";
constexpr const char* kSunRaysFile = "TreasuryRays.jpg";
// The elements sheet is 512 x 512 texels.
constexpr float kSheetTexels = 512.0f;
// The dust and the sun rays lie just in front of the chest and the picture.
constexpr float kDustDepth = kDepth - 10.0f;
// The ornament along the top edge, drawn over the dust and the sun rays.
constexpr float kOrnament[4] = {-34.5f, 268.5f, 482.0f, 232.0f};
constexpr float kOrnamentDepth = kDepth - 11.0f;
constexpr int32_t kOrnamentKey = -11;
// A chest is cut in at least 2 rows and 1 column, and at most so many that
// the burst stays a burst (both passes together).
constexpr int32_t kMaxCrack = 32;

CStageSettings TreasurySettings() {
    CStageSettings s;
    s.MaxCount = CTreasuryBackground::kMaxCount;
    s.ExtraSlots = 1;
    s.GemPass = kPassBehind;
    return s;
}

} // namespace

CTreasuryBackground::CTreasuryBackground() : CStageBackdrop(TreasurySettings()) {
    ChestRays.reserve(32);
    Shards.reserve(64);
    ShardVelocity.reserve(128);
    ShardAccel.reserve(64);
    GlowWorms.reserve(20);
    GlowWormRecord.reserve(60);
}

CTreasuryBackground::~CTreasuryBackground() {
    ReleaseState();
    UnloadTextures();
}

void CTreasuryBackground::AttachShared(CSharedPtr<CSpriteLayer> layer,
                                       CSharedPtr<CParticleSystemsManager> particles,
                                       CSharedPtr<CQuadLayer> quads, CSharedPtr<CTexture> flare,
                                       CSharedPtr<CTexture> spark, CSharedPtr<CTexture> halo) {
    CStageBackdrop::AttachShared(layer, particles, quads, flare, spark);
    HaloTexture = halo;
}

void CTreasuryBackground::LoadParams(const char* path) {
    const std::string file = path ? path : "";
    const char* s = kSection;
    GetIniString(DustFile, file, s, "DustTexture", "TreasuryDust.tga");
    GetIniString(MaskFile, file, s, "MaskTexture", "TreasuryMask.tga");
    GetIniString(ElementsFile, file, s, "ElementsTexture", "TreasuryElements.tga");
    DustLayers = ReadCount(file, s, "DustLayersCount", "4", 0, kMaxDustLayers);
    DustSizeFactor = GetIniFloat(file, s, "DustSizeFactor", "4");
    DustAdd = GetIniInt(file, s, "DustAdd", "1") == 1;
    WhiteDust = GetIniInt(file, s, "WhiteDust", "1") == 1;
    const char* forms[4][2] = {{"SunRaysTForm0", "-0.25 0.1"},
                               {"SunRaysTForm1", "1 0.1"},
                               {"SunRaysTForm2", "1.25 1.1"},
                               {"SunRaysTForm3", "0 1.1"}};
    for (int k = 0; k < 4; ++k)
        GetIniFloat2(SunRaysTForm[k], file, s, forms[k][0], forms[k][1]);
    GetIniFloat2(SunRaysTVec1, file, s, "SunRaysTVec1", "0.25 0");
    GetIniFloat2(SunRaysTVec2, file, s, "SunRaysTVec2", "0 0");
    SunRaysW = GetIniFloat(file, s, "SunRaysW", "0.5");
    DustField.LoadVelocities(file, s, DustLayers);
    ChestRaysColour = GetIniColour(file, s, "ChestRaysColor", "255 255 80 255");
    GetIniFloat2(ChestRaysCentre, file, s, "ChestRaysCenter", "480 434");
    ChestRaysCentre[0] = CentredX(ChestRaysCentre[0]);
    ChestRaysCentre[1] = CentredY(ChestRaysCentre[1]);
    ChestRaysR = GetIniFloat(file, s, "ChestRaysR", "120");
    GetIniFloat2(ChestRaysSize, file, s, "ChestRaysSize", "256 16");
    ChestRaysTime = GetIniFloat(file, s, "ChestRaysTime", "2");
    ChestRaysT = ReadPeriod(file, s, "ChestRaysT", "0.2");
    ChestFadeTime = ReadPeriod(file, s, "ChestFadeTime", "0.1");
    GetIniFloat4(ChestForm, file, s, "ChestForm", "329 302 302 264");
    ChestForm[0] = CentredX(ChestForm[0]);
    ChestForm[1] = CentredY(ChestForm[1]);
    GetIniFloat4(ChestTForm, file, s, "ChestTForm", "0 232 302 496");
    for (float& t : ChestTForm)
        t /= kSheetTexels;
    // The shards' acceleration is spread over the rows between the first and
    // the last, and the cells divide the chest: too few rows or columns (or
    // too many) would divide by zero or flood the layer.
    std::string crack;
    GetIniString(crack, file, s, "ChestCrack", "8 8");
    int32_t cols = 0, rows = 0;
    if (std::sscanf(crack.c_str(), "%d %d", &cols, &rows) == 2 && cols >= 1 && cols <= kMaxCrack &&
        rows >= 2 && rows <= kMaxCrack) {
        ChestCrack[0] = cols;
        ChestCrack[1] = rows;
    } else {
        WarnDefault(file, s, "ChestCrack", crack, "needs 1 to 32 columns and 2 to 32 rows", "8 8");
        ChestCrack[0] = ChestCrack[1] = 8;
    }
    ChestRotAccel = GetIniFloat(file, s, "ChestRotAccel", "0.1") * kPi;
    GetIniFloat2(ChestAccelArea, file, s, "ChestAccelArea", "100 20");
    ChestFlashColour = GetIniColour(file, s, "ChestFlashColor", "255 255 160 255");
    GlowWormsColour = GetIniColour(file, s, "ChestGlowWormsColor", "0 0 0 0");
    GlowWormsSize = GetIniFloat(file, s, "ChestGlowWormsSize", "32");
    GlowWormsSpeed = GetIniFloat(file, s, "ChestGlowWormsSpeed", "300");
    GlowWormsW = GetIniFloat(file, s, "ChestGlowWormsW", "3");
    GlowWormsT = ReadPeriod(file, s, "ChestGlowWormsT", "0.2");
    Elements.LoadParams(file, s);
}

void CTreasuryBackground::SetupGeometry() {
    const size_t n = DustField.Count();
    Vertices.assign(4 * n + 8, gpu::Vertex{});
    Indices.assign(6 * (n + 2), 0);
    DustField.Build(Vertices.data(), Indices.data(), 0, DustSizeFactor, kDustDepth, 0xFFFFFFFFu);
    // The two sun-ray sheets are laid out like dust layers; their texture
    // coordinates come from the sway.
    CDustLayers sheets;
    sheets.Velocity.assign(4, 0.0f);
    sheets.Build(&Vertices[4 * n], &Indices[6 * n], static_cast<uint32_t>(4 * n), 1.0f, kDustDepth,
                 0xFFFFFFFFu);
    SunPhase = 0.0f;
    Update(0.0f);
}

std::vector<TextureSlot> CTreasuryBackground::Slots() {
    return {{kPictureName, kPictureFile, Loader::Plain, &Picture},
            {kDustName, DustFile, Loader::WithAlphaOneBit, &Dust},
            {kMaskName, MaskFile, Loader::AnyFormat, &Mask},
            {kSheetName, ElementsFile, Loader::WithAlpha, &Sheet},
            {kSunRaysName, kSunRaysFile, Loader::Plain, &SunRays}};
}

void CTreasuryBackground::Start() {
    OrnamentSprite = MakeSprite(kOrnament[0], kOrnament[1], kOrnamentDepth, kOrnament[2],
                                kOrnament[3], 0xFFFFFFFFu, Sheet);
    OrnamentSprite->SetFrameRect(0, 0.0f, 0.0f, kOrnament[2] / kSheetTexels,
                                 kOrnament[3] / kSheetTexels);
    OrnamentSprite->DepthTest = OrnamentSprite->DepthWrite = 0;
    OrnamentSprite->Key = kOrnamentKey;
    Show(Layer, OrnamentSprite);
    MakeChest();
    BackgroundSprite =
        MakeSprite(kOffsetX, kOffsetY, kDepth, kScreenWidth, kScreenHeight, 0xFFFFFFFFu, Picture);
    BackgroundSprite->SetBlend(0, CSpriteQuad::BlendNormal);
    BackgroundSprite->SetFrameRect(0, 0.0f, 0.0f, 1.0f, kSceneV);
    BackgroundSprite->DepthTest = BackgroundSprite->DepthWrite = 0;
    BackgroundSprite->PassTag = kPassBehind;
    BackgroundSprite->Key = kPictureKey;
    Show(Layer, BackgroundSprite);
    Elements.Start();
}

void CTreasuryBackground::ReleaseState() {
    if (Layer.IsNull())
        return;
    for (CSharedPtr<CSpriteQuad>* s :
         {&BackgroundSprite, &OrnamentSprite, &ChestSprite, &ChestShadowSprite})
        Hide(Layer, *s);
    Elements.Release();
    for (auto* list : {&ChestRays, &Shards, &GlowWorms}) {
        for (auto& s : *list)
            Hide(Layer, s);
        list->clear();
    }
    ShardVelocity.clear();
    ShardAccel.clear();
    GlowWormRecord.clear();
}

void CTreasuryBackground::Update(float dt) {
    const size_t n = DustField.Count();
    DustField.Scroll(Vertices.data(), Ambient.Tick(dt));
    SunPhase += SunRaysW * dt;
    if (SunPhase >= kTwoPi)
        SunPhase -= kTwoPi;
    if (SunPhase < 0.0f)
        SunPhase += kTwoPi;
    // The second sway vector follows the sine where the first follows the
    // cosine, so the two together can trace an ellipse.
    const float du = SunRaysTVec1[0] * std::cos(SunPhase) + SunRaysTVec2[0] * std::sin(SunPhase);
    const float dv = SunRaysTVec1[1] * std::cos(SunPhase) + SunRaysTVec2[1] * std::sin(SunPhase);
    if (Vertices.size() >= 4 * n + 8) {
        gpu::Vertex* v = &Vertices[4 * n];
        for (int k = 0; k < 4; ++k) {
            v[k].u0 = SunRaysTForm[k][0] + du;
            v[k].v0 = SunRaysTForm[k][1] + dv;
            // The second sheet mirrors the first and sways the other way.
            v[4 + k].u0 = 1.0f - SunRaysTForm[k][0] + du;
            v[4 + k].v0 = SunRaysTForm[k][1] - dv;
        }
    }
    if (Elements.Update(dt))
        Elements.StartFinal(ESound::Treasure);
    UpdateChest(dt);
}

int32_t CTreasuryBackground::Render() {
    return DrawBetweenPasses(Layer, [this] { return RenderBody(); });
}

int32_t CTreasuryBackground::RenderBody() {
    if (Vertices.empty() || Device.IsNull() || VertexBuffer.IsNull() || IndexBuffer.IsNull())
        return 0;
    uint32_t firstVertex = 0, firstIndex = 0;
    const gpu::Result r =
        Upload(*VertexBuffer, *IndexBuffer, Vertices, Indices, &firstVertex, &firstIndex);
    if (gpu::Failed(r))
        return r;
    CRenderDevice& d = *Device;
    const uint32_t n = static_cast<uint32_t>(DustField.Count());
    const uint32_t depthWrite = SetMaskedStates(d);
    d.SetTextureStageState(0, gpu::Tss::ColorOp,
                           WhiteDust ? gpu::Top::SelectArg2 : gpu::Top::SelectArg1);
    d.SetRenderState(gpu::Rs::DestBlend, DustAdd ? gpu::Blend::One : gpu::Blend::InvSrcAlpha);
    d.SetTexture(1, Mask);
    if (n > 0 && !Dust.IsNull() && !Mask.IsNull()) {
        d.SetTextureStageState(0, gpu::Tss::AddressU, gpu::Tadr::Wrap);
        d.SetTextureStageState(0, gpu::Tss::AddressV, gpu::Tadr::Wrap);
        d.SetTexture(0, Dust);
        d.DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex, 4 * n, firstIndex, 2 * n);
    }
    if (!SunRays.IsNull() && !Mask.IsNull()) {
        d.SetTextureStageState(0, gpu::Tss::AddressU, gpu::Tadr::Clamp);
        d.SetTextureStageState(1, gpu::Tss::AddressU, gpu::Tadr::Clamp);
        d.SetTextureStageState(0, gpu::Tss::ColorOp, gpu::Top::SelectArg1);
        d.SetRenderState(gpu::Rs::DestBlend, gpu::Blend::One);
        d.SetTexture(0, SunRays);
        d.DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex + 4 * n, 8, firstIndex + 6 * n,
                               4);
    }
    d.SetTextureStageState(0, gpu::Tss::AddressU, gpu::Tadr::Wrap);
    d.SetTextureStageState(1, gpu::Tss::AddressU, gpu::Tadr::Wrap);
    RestoreMaskedStates(d, depthWrite);
    d.SetTexture(1, CSharedPtr<CTexture>());
    return 0;
}
