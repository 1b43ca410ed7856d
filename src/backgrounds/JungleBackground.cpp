#include "backgrounds/JungleBackground.h"

#include "audio/SoundBank.h"
#include "backgrounds/BackdropKit.h"
#include "engine/IniHelpers.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/Texture.h"

using namespace backdrop;

namespace {

constexpr const char* kSection = "Jungle";
constexpr const char* kPictureName = "BackgroundJungle";
constexpr const char* kPictureFile = "Jungle.jpg";
constexpr const char* kFogName = "JungleFog";
constexpr const char* kFogMaskName = "JungleMask";
constexpr const char* kFlareRaysName = "JungleFlareRays";

CStageSettings JungleSettings() {
    CStageSettings s;
    s.MaxCount = CJungleBackground::kMaxCount;
    s.ExtraSlots = 1;
    s.GemPass = kPassBehind; // the gems lie under the fog
    s.FlareKey = -2;
    s.SpinTimesPi = false;
    return s;
}

} // namespace

CJungleBackground::CJungleBackground() : CStageBackdrop(JungleSettings()) {}

CJungleBackground::~CJungleBackground() {
    ReleaseState();
    UnloadTextures();
}

void CJungleBackground::AttachShared(CSharedPtr<CSpriteLayer> layer,
                                     CSharedPtr<CParticleSystemsManager> particles,
                                     CSharedPtr<CQuadLayer> quads, CSharedPtr<CTexture> flare,
                                     CSharedPtr<CTexture> flash, CSharedPtr<CTexture> spark) {
    CStageBackdrop::AttachShared(layer, particles, quads, flare, spark);
    FlashTexture = flash;
}

void CJungleBackground::LoadParams(const char* path) {
    const std::string file = path ? path : "";
    GetIniString(FogFile, file, kSection, "FogTexture", "JungleFog.jpg");
    GetIniString(MaskFile, file, kSection, "MaskTexture", "JungleMask.tga");
    GetIniString(FlareRaysFile, file, kSection, "FlareRaysTexture", "JungleFlareRays.tga");
    float r[4] = {0, 0, 0, 0};
    GetIniFloat4(r, file, kSection, "Fog", "192 242 740 332");
    FogRect[0] = CentredX(r[0]);
    FogRect[1] = CentredY(r[1]);
    FogRect[2] = r[2];
    FogRect[3] = r[3];
    GetIniFloat2(FogExtent, file, kSection, "FogTSize", "2.890625 1");
    GetIniFloat2(FogVelocity, file, kSection, "FogTVector", "0.01 0");
    float centre[2] = {0, 0};
    GetIniFloat2(centre, file, kSection, "FlareCenter", "302 81");
    FlareRaysX = CentredX(centre[0]);
    FlareRaysY = CentredY(centre[1]);
    GetIniFloat2(FlareRaysSize, file, kSection, "FlareRaysSize", "714 714");
    FlareRaysSpin = ReadSpin(file, kSection, "FlareRaysRotT", "-61");

    float area[4] = {0, 0, 0, 0}, basis[4] = {0, 0, 0, 0};
    GetIniFloat4(area, file, kSection, "FlashArea", "288 412 412 164");
    FlashLeft = CentredX(area[0]);
    FlashTop = CentredY(area[1]);
    FlashWidth = area[2];
    FlashHeight = area[3];
    GetIniFloat4(basis, file, kSection, "FlashBasis", "412 -72 0 -92");
    // Screen y turned upwards.
    FlashBasis[0] = basis[0];
    FlashBasis[1] = -basis[1];
    FlashBasis[2] = basis[2];
    FlashBasis[3] = -basis[3];
    FlashT = ReadPeriod(file, kSection, "FlashT", "0.1");
    FlashLife = ReadPeriod(file, kSection, "FlashLifeTime", "0.5");
    FlashColour = GetIniColour(file, kSection, "FlashColor", "255 240 200 255");
    FlashAlpha = static_cast<float>(FlashColour >> 24) / 255.0f;
    FlashSize = GetIniFloat(file, kSection, "FlashSize", "4");
    FlashCentreX = CentredX(GetIniFloat(file, kSection, "FlashCenter", "420"));
    FlashMinSpeed = GetIniFloat(file, kSection, "FlashMinSpeed", "10");
    FlashMaxSpeed = GetIniFloat(file, kSection, "FlashMaxSpeed", "40");
    Elements.LoadParams(file, kSection);
}

void CJungleBackground::SetupGeometry() {
    const float left = FogRect[0] + kOffsetX, top = FogRect[1] + kOffsetY;
    const float right = left + FogRect[2], bottom = top - FogRect[3];
    const float z = kDepth - 1.0f;
    const float su = FogExtent[0], sv = FogExtent[1];
    FogVertices = {{left, top, z, 0u, 0.0f, 0.0f, 0.0f, 0.0f},
                   {right, top, z, 0u, su, 0.0f, 1.0f, 0.0f},
                   {right, bottom, z, 0u, su, sv, 1.0f, 1.0f},
                   {left, bottom, z, 0u, 0.0f, sv, 0.0f, 1.0f}};
    FogIndices = {0, 1, 2, 0, 2, 3};
    Update(0.0f);
}

std::vector<TextureSlot> CJungleBackground::Slots() {
    return {{kPictureName, kPictureFile, Loader::Plain, &Picture},
            {kFogName, FogFile, Loader::Plain, &Fog},
            {kFogMaskName, MaskFile, Loader::AnyFormat, &FogMask},
            {kFlareRaysName, FlareRaysFile, Loader::WithAlpha, &FlareRays}};
}

void CJungleBackground::Start() {
    FlashTimer = 0.0f;
    FlareRaysSprite =
        MakeFlareRays(FlareRaysX, FlareRaysY, FlareRaysSize, 0xFFFFFFFFu, FlareRaysSpin, FlareRays);
    Show(Layer, FlareRaysSprite);
    PictureSprite = MakePicture(Picture, 0, CSpriteQuad::BlendNormal);
    Show(Layer, PictureSprite);
    // Fireflies already handed to the quad layer die out there.
    Flashes.clear();
    FlashVelocity.clear();
    Elements.Start();
}

void CJungleBackground::ReleaseState() {
    Flashes.clear();
    FlashVelocity.clear();
    if (Layer.IsNull())
        return;
    Hide(Layer, PictureSprite);
    Hide(Layer, FlareRaysSprite);
    Elements.Release();
}

void CJungleBackground::SetStage(int32_t count, int32_t flag) {
    const CStageElements::Change change = Elements.SetStage(count, flag);
    if (change.Added && change.ReachedMax)
        Elements.AddFinalFlare();
    Elements.CelebrateIfWon(change);
}

void CJungleBackground::Update(float dt) {
    const float ambient = Ambient.Tick(dt);
    TurnFlareRays(FlareRaysSprite, ambient);
    for (int c = 0; c < 2; ++c) {
        FogOffset[c] += FogVelocity[c] * ambient;
        if (FogOffset[c] >= 1.0f)
            FogOffset[c] -= 1.0f;
        if (FogOffset[c] < 0.0f)
            FogOffset[c] += 1.0f;
    }
    if (FogVertices.size() == 4) {
        const float u = FogOffset[0], v = FogOffset[1];
        const float su = FogExtent[0], sv = FogExtent[1];
        const float corners[4][2] = {{u, v}, {u + su, v}, {u + su, v + sv}, {u, v + sv}};
        for (size_t i = 0; i < 4; ++i) {
            FogVertices[i].u0 = corners[i][0];
            FogVertices[i].v0 = corners[i][1];
        }
    }
    MoveFlashes(dt);
    SpawnFlashes(dt);
    if (Elements.Update(dt))
        Elements.StartFinal(ESound::Flare);
}

int32_t CJungleBackground::Render() {
    const bool layer = !Layer.IsNull();
    if (layer) {
        Layer->Prepare();
        Layer->Draw(kPassBehind);
    }
    const int32_t r = RenderBody();
    if (layer)
        Layer->Draw(kPassFront);
    return r;
}

int32_t CJungleBackground::RenderBody() {
    // Without its pictures the fog is simply not drawn.
    if (FogVertices.empty() || Device.IsNull() || VertexBuffer.IsNull() || IndexBuffer.IsNull() ||
        Fog.IsNull() || FogMask.IsNull())
        return 0;
    uint32_t firstVertex = 0, firstIndex = 0;
    const gpu::Result r =
        Upload(*VertexBuffer, *IndexBuffer, FogVertices, FogIndices, &firstVertex, &firstIndex);
    if (gpu::Failed(r))
        return r;
    CRenderDevice& d = *Device;
    const uint32_t depthWrite = SetMaskedStates(d);
    d.SetRenderState(gpu::Rs::DestBlend, gpu::Blend::One); // the fog lightens the picture
    d.SetTextureStageState(0, gpu::Tss::AddressU, gpu::Tadr::Wrap);
    d.SetTextureStageState(0, gpu::Tss::AddressV, gpu::Tadr::Wrap);
    d.SetTexture(0, Fog);
    d.SetTexture(1, FogMask);
    d.DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex,
                           static_cast<uint32_t>(FogVertices.size()), firstIndex,
                           static_cast<uint32_t>(FogIndices.size() / 3));
    RestoreMaskedStates(d, depthWrite);
    d.SetTexture(1, CSharedPtr<CTexture>());
    return 0;
}
