#include "backgrounds/DoorBackground.h"

#include <cmath>

#include "audio/SoundBank.h"
#include "backgrounds/BackdropKit.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/SandKeepers.h"
#include "engine/DrawHelpers.h"
#include "engine/IndexBuffer.h"
#include "engine/IniHelpers.h"
#include "engine/QuadLayer.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"

using namespace backdrop;

namespace {

constexpr const char* kSection = "Door";
constexpr const char* kPictureName = "BackgroundDoor";
constexpr const char* kPictureFile = "Door.jpg";
constexpr const char* kShadowName = "DoorShadow";
constexpr const char* kMaskName = "DoorMask";
constexpr const char* kFoliageName = "DoorFoliage";
// The shadow picture is 512 x 128 texels.
constexpr float kShadowTexW = 512.0f, kShadowTexH = 128.0f;
// The shadow lies over the lowest third of the screen, just in front of the
// picture.
constexpr float kShadowTop = 128.0f, kShadowBottom = 384.0f;
// The curtains: their art in the 512 x 1024 foliage sheet and the draw-order
// key that puts them over the stage decorations.
constexpr int32_t kCurtainKey = 90;
constexpr float kCurtainFrames[2][4] = {{0.0f, 0.0f, 0.9921875f, 0.33984375f},
                                        {0.0078125f, 0.34375f, 1.0f, 0.69140625f}};
// The curtains hang from above the screen's top edge down to this far above
// its centre; a gap of 4 pixels each side of the centre line.
constexpr float kCurtainBottom = 36.0f, kCurtainGap = 4.0f;

CStageSettings DoorSettings() {
    CStageSettings s;
    s.MaxCount = CDoorBackground::kMaxCount;
    s.ExtraSlots = 1;
    s.GemPass = kPassBehind;
    s.FlareKey = -2;
    s.SpinTimesPi = false;
    s.Gem = "500 441 80 64";
    s.GemT = "2 802 82 866";
    s.Ray = "310 465 240 60";
    s.RayT = "2 802 82 866";
    s.Flare = "538 475 152";
    s.FlareColour = "123 12 255 255";
    s.RaysColour = "255 255 255 255";
    return s;
}

} // namespace

CDoorBackground::CDoorBackground() : CStageBackdrop(DoorSettings()) {
    Curtains.reserve(2);
    ShadowVertices.reserve(4);
    ShadowIndices.reserve(6);
    SandStreams.reserve(2);
    SandKeepers.reserve(2);
}

CDoorBackground::~CDoorBackground() {
    ReleaseState();
    UnloadTextures();
}

void CDoorBackground::AttachShared(CSharedPtr<CSpriteLayer> layer,
                                   CSharedPtr<CParticleSystemsManager> particles,
                                   CSharedPtr<CQuadLayer> quads, CSharedPtr<CTexture> flare,
                                   CSharedPtr<CTexture> smallSand, CSharedPtr<CTexture> cloud,
                                   CSharedPtr<CTexture> spark) {
    CStageBackdrop::AttachShared(layer, particles, quads, flare, spark);
    SandTexture = smallSand;
    CloudTexture = cloud;
}

void CDoorBackground::LoadParams(const char* path) {
    const std::string file = path ? path : "";
    GetIniString(ShadowFile, file, kSection, "ShadowTexture", "DoorShadow.jpg");
    GetIniString(MaskFile, file, kSection, "MaskTexture", "DoorMask.tga");
    GetIniString(FoliageFile, file, kSection, "FoliageTexture", "DoorFoliage.tga");
    GetIniFloat4(ShadowRect, file, kSection, "ShadowT", "16 8 496 120");
    GetIniFloat2(ShadowNear, file, kSection, "ShadowNearTR", "16 8");
    GetIniFloat2(ShadowFar, file, kSection, "ShadowFarTR", "8 4");
    for (float* uv : {ShadowRect, ShadowRect + 2, ShadowNear, ShadowFar}) {
        uv[0] /= kShadowTexW;
        uv[1] /= kShadowTexH;
    }
    GetIniFloat2(ShadowNearW, file, kSection, "ShadowNearW", "1.1 0.96");
    GetIniFloat2(ShadowFarW, file, kSection, "ShadowFarW", "0.947 1.21");
    GetIniFloat2(FoliageShift, file, kSection, "FoliageShift", "16 16");
    GetIniFloat2(FoliageMove, file, kSection, "FoliageMove", "8 8");
    GetIniFloat2(FoliageMoveA[0], file, kSection, "FoliageMoveA1", "1 0.4");
    GetIniFloat2(FoliageMoveW[0], file, kSection, "FoliageMoveW1", "1.1 0.96");
    GetIniFloat2(FoliageMoveA[1], file, kSection, "FoliageMoveA2", "2 -0.77");
    GetIniFloat2(FoliageMoveW[1], file, kSection, "FoliageMoveW2", "0.947 1.21");
    GetIniFloat2(FoliageDisp, file, kSection, "FoliageDisp", "16 8");
    GetIniFloat2(FoliageA[0], file, kSection, "FoliageA1", "1 0.4");
    GetIniFloat2(FoliageW[0], file, kSection, "FoliageW1", "1.1 0.96");
    GetIniFloat2(FoliageA[1], file, kSection, "FoliageA2", "2 -0.77");
    GetIniFloat2(FoliageW[1], file, kSection, "FoliageW2", "0.947 1.21");
    float door[4] = {0, 0, 0, 0};
    GetIniFloat4(door, file, kSection, "Door", "366 187 170 268");
    DoorCentre[0] = CentredX(door[0]) + 0.5f * door[2];
    DoorCentre[1] = CentredY(door[1]) - 0.5f * door[3];
    DoorInner[0] = door[2] - 4.0f;
    DoorInner[1] = door[3] - 4.0f;
    DoorCorner[0] = CentredX(door[0]);
    DoorCorner[1] = CentredY(door[1]);
    DoorSize[0] = door[2];
    DoorSize[1] = door[3];
    GetIniFloat2(DoorBottom, file, kSection, "DoorBottom", "264 258");
    DoorPreTime = ReadPeriod(file, kSection, "DoorPreTime", "0.25");
    DoorOpenTime = ReadPeriod(file, kSection, "DoorOpenTime", "2");
    UseSand = GetIniInt(file, kSection, "UseSand", "0") == 1 ? 1 : 0;
    SandColour = GetIniColour(file, kSection, "SandColor", "247 217 107 255");
    DustColour = GetIniColour(file, kSection, "DustColor", "247 217 107 127");
    GetIniFloat2(SandShift[0], file, kSection, "SandShift0", "4 4");
    GetIniFloat2(SandShift[1], file, kSection, "SandShift1", "-4 4");
    SandShift[0][1] = -SandShift[0][1];
    SandShift[1][1] = -SandShift[1][1];
    float down[2] = {0, 0};
    GetIniFloat2(down, file, kSection, "SandDown", "446 455");
    SandLevel[0] = CentredY(down[0]);
    SandLevel[1] = CentredY(down[1]);
    Elements.LoadParams(file, kSection);
}

void CDoorBackground::SetupGeometry() {
    Time = 0.0f;
    const float x0 = kOffsetX - 0.5f * kScreenWidth, x1 = kOffsetX + 0.5f * kScreenWidth;
    const float top = kOffsetY - kShadowTop, bottom = kOffsetY - kShadowBottom;
    const float z = kDepth - 1.0f;
    const float uL = ShadowRect[0], vT = ShadowRect[1], uR = ShadowRect[2], vB = ShadowRect[3];
    ShadowVertices = {{x0, top, z, 0u, uL, vT, 0.0f, 0.0f},
                      {x1, top, z, 0u, uR, vT, 1.0f, 0.0f},
                      {x1, bottom, z, 0u, uR, vB, 1.0f, 1.0f},
                      {x0, bottom, z, 0u, uL, vB, 0.0f, 1.0f}};
    ShadowIndices.assign(6, 0);
    WriteQuadIndices(ShadowIndices.data(), 0);
    const float sx = FoliageShift[0], sy = FoliageShift[1];
    const float half = 0.5f * kScreenWidth, high = 0.5f * kScreenHeight;
    const CTexCoord left[4] = {{-half - sx, high + sy},
                               {-kCurtainGap - sx, high + sy},
                               {-kCurtainGap - sx, kCurtainBottom + sy},
                               {-half - sx, kCurtainBottom + sy}};
    const CTexCoord right[4] = {{kCurtainGap + sx, high + sy},
                                {half + sx, high + sy},
                                {half + sx, kCurtainBottom + sy},
                                {kCurtainGap + sx, kCurtainBottom + sy}};
    for (int k = 0; k < 4; ++k) {
        CurtainRest[0][k] = left[k];
        CurtainRest[1][k] = right[k];
    }
    Update(0.0f);
}

std::vector<TextureSlot> CDoorBackground::Slots() {
    return {{kPictureName, kPictureFile, Loader::Plain, &Picture},
            {kShadowName, ShadowFile, Loader::Plain, &Shadow},
            {kMaskName, MaskFile, Loader::AnyFormat, &Mask},
            {kFoliageName, FoliageFile, Loader::WithAlpha, &Foliage}};
}

void CDoorBackground::Start() {
    Time = 0.0f;
    for (int c = 0; c < 2; ++c) {
        auto s = MakeSprite(kOffsetX, kOffsetY, kDepth, 1.0f, 1.0f, 0xFFFFFFFFu, Foliage);
        const float* f = kCurtainFrames[c];
        s->SetFrameRect(0, f[0], f[1], f[2], f[3]);
        s->SetCorners(CurtainRest[c]);
        s->DepthWrite = 0;
        s->Key = kCurtainKey;
        Show(Layer, s);
        Curtains.push_back(s);
    }
    PictureSprite =
        MakeSprite(kOffsetX, kOffsetY, kDepth, kScreenWidth, kScreenHeight, 0xFFFFFFFFu, Picture);
    PictureSprite->SetBlend(0, CSpriteQuad::BlendNormal);
    PictureSprite->SetFrameRect(0, 0.0f, 0.0f, 1.0f, kSceneV);
    PictureSprite->DepthTest = 0;
    PictureSprite->DepthWrite = 0;
    PictureSprite->Key = kPictureKey;
    Show(Layer, PictureSprite);
    Elements.Start();
    for (int32_t i = 0; i <= kDoorSlot; ++i) {
        Elements.SlotStateAt(i) = CStageElements::kIdle;
        Elements.SlotTimerAt(i) = 0.0f;
    }
}

void CDoorBackground::ReleaseState() {
    if (!Layer.IsNull()) {
        Hide(Layer, PictureSprite);
        for (auto& c : Curtains)
            Hide(Layer, c);
        Curtains.clear();
        for (CSharedPtr<CSpriteQuad>* piece : {&CutOut, &Doorway, &Leaf, &LeafShade})
            Hide(Layer, *piece);
        Elements.Release();
    }
    EndSand();
    for (int32_t i = 0; i <= kDoorSlot; ++i) {
        Elements.SlotStateAt(i) = CStageElements::kIdle;
        Elements.SlotTimerAt(i) = 0.0f;
    }
}

void CDoorBackground::Update(float dt) {
    Time += dt;
    const float t = Time;
    const float a = ShadowFar[0] * std::sin(ShadowFarW[0] * t + 1.0f);
    const float b = ShadowFar[1] * std::sin(ShadowFarW[1] * t - 1.0f);
    const float c = ShadowNear[0] * std::sin(ShadowNearW[0] * t + 2.0f);
    const float d = ShadowNear[1] * std::sin(ShadowNearW[1] * t + 0.7f);
    if (ShadowVertices.size() == 4) {
        const float uL = ShadowRect[0], vT = ShadowRect[1], uR = ShadowRect[2], vB = ShadowRect[3];
        const float uv[4][2] = {
            {uL + a, vT + b}, {uR + a, vT + b}, {uR + c, vB + d}, {uL + c, vB + d}};
        for (size_t k = 0; k < 4; ++k) {
            ShadowVertices[k].u0 = uv[k][0];
            ShadowVertices[k].v0 = uv[k][1];
        }
    }
    if (!Layer.IsNull() && Curtains.size() == 2 && !Curtains[0].IsNull() && !Curtains[1].IsNull()) {
        for (int k = 0; k < 2; ++k) {
            const float mx = FoliageMove[0] * std::sin(FoliageMoveW[k][0] * t + FoliageMoveA[k][0]);
            const float my = FoliageMove[1] * std::sin(FoliageMoveW[k][1] * t + FoliageMoveA[k][1]);
            const float dx = FoliageDisp[0] * std::sin(FoliageW[k][0] * t + FoliageA[k][0]) + mx;
            const float dy = FoliageDisp[1] * std::sin(FoliageW[k][1] * t + FoliageA[k][1]) + my;
            const CTexCoord* rest = CurtainRest[k];
            const CTexCoord swayed[4] = {{rest[0].U + mx, rest[0].V + my},
                                         {rest[1].U + mx, rest[1].V + my},
                                         {rest[2].U + dx, rest[2].V + dy},
                                         {rest[3].U + dx, rest[3].V + dy}};
            Curtains[static_cast<size_t>(k)]->SetCorners(swayed);
        }
    }
    if (Elements.Update(dt))
        Elements.StartFinal(ESound::Door);
    UpdateDoor(dt);
}

int32_t CDoorBackground::Render() {
    return DrawBetweenPasses(Layer, [this] { return RenderBody(); });
}

int32_t CDoorBackground::RenderBody() {
    if (Device.IsNull() || VertexBuffer.IsNull() || IndexBuffer.IsNull() || Shadow.IsNull() ||
        Mask.IsNull())
        return 0;
    uint32_t firstVertex = 0, firstIndex = 0;
    const gpu::Result r = Upload(*VertexBuffer, *IndexBuffer, ShadowVertices, ShadowIndices,
                                 &firstVertex, &firstIndex);
    if (gpu::Failed(r))
        return r;
    CRenderDevice& d = *Device;
    SetMaskedStates(d);
    // What lies below is multiplied by one minus the shadow: it darkens.
    d.SetRenderState(gpu::Rs::SrcBlend, gpu::Blend::Zero);
    d.SetRenderState(gpu::Rs::DestBlend, gpu::Blend::InvSrcColor);
    d.SetTextureStageState(0, gpu::Tss::AddressV, gpu::Tadr::Clamp);
    d.SetTextureStageState(1, gpu::Tss::AddressV, gpu::Tadr::Clamp);
    d.SetTexture(0, Shadow);
    d.SetTexture(1, Mask);
    d.DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex, 4, firstIndex, 2);
    d.SetTextureStageState(0, gpu::Tss::AddressV, gpu::Tadr::Wrap);
    d.SetTextureStageState(1, gpu::Tss::AddressV, gpu::Tadr::Wrap);
    RestoreMaskedStates(d, 1);
    d.SetTexture(1, CSharedPtr<CTexture>());
    return 0;
}
