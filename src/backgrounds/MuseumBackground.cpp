#include "backgrounds/MuseumBackground.h"

#include <algorithm>
#include <cstdio>

#include "audio/SoundBank.h"
#include "backgrounds/BackdropKit.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/DrawHelpers.h"
#include "engine/IndexBuffer.h"
#include "engine/IniHelpers.h"
#include "engine/QuadLayer.h"
#include "engine/Random.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"

using namespace backdrop;

namespace {

constexpr const char* kSection = "Museum";
constexpr const char* kPictureName = "BackgroundMuseum";
constexpr const char* kPictureFile = "Museum.jpg";
constexpr const char* kDustName = "MuseumDust";
constexpr const char* kDustMaskName = "MuseumDustMask";
constexpr const char* kFlareRaysName = "MuseumFlareRays";
constexpr int32_t kMapKey = -1;
// The map is the ray and flare after the last slot.
constexpr int32_t kMapSlot = CMuseumBackground::kMaxCount;

CStageSettings MuseumSettings() {
    CStageSettings s;
    s.MaxCount = CMuseumBackground::kMaxCount;
    s.ExtraSlots = 1;
    return s;
}

} // namespace

CMuseumBackground::CMuseumBackground() : CStageBackdrop(MuseumSettings()) {}

CMuseumBackground::~CMuseumBackground() {
    ReleaseState();
    UnloadTextures();
}

void CMuseumBackground::LoadParams(const char* path) {
    const std::string file = path ? path : "";
    GetIniString(DustFile, file, kSection, "DustTexture", "MuseumDust.tga");
    GetIniString(DustMaskFile, file, kSection, "DustMaskTexture", "MuseumDustMask.tga");
    GetIniString(FlareRaysFile, file, kSection, "FlareRaysTexture", "MuseumFlareRays.tga");
    DustLayers = ReadCount(file, kSection, "DustLayersCount", "4", 0, kMaxDustLayers);
    DustSizeFactor = GetIniFloat(file, kSection, "DustSizeFactor", "4");
    DustField.LoadVelocities(file, kSection, DustLayers);
    float centre[2] = {0.0f, 0.0f};
    GetIniFloat2(centre, file, kSection, "FlareCenter", "291 213");
    FlareRaysX = CentredX(centre[0]);
    FlareRaysY = CentredY(centre[1]);
    GetIniFloat2(FlareRaysSize, file, kSection, "FlareRaysSize", "714 714");
    FlareRaysSpin = kTwoPi / ReadPeriod(file, kSection, "FlareRaysRotT", "12");
    FlareRaysColour = GetIniColour(file, kSection, "FlareRaysColor", "255 255 255 200");
    Elements.LoadParams(file, kSection);
    MapTime = ReadPeriod(file, kSection, "MapTime", "0.4");
    MapExpandTime = ReadPeriod(file, kSection, "MapExpandTime", "0.5");
    MapEndTime = std::max(MapTime, MapExpandTime);
    MapBegin = std::clamp(GetIniFloat(file, kSection, "MapBegin", "0.4"), 0.0f, 1.0f);
}

void CMuseumBackground::SetupGeometry() {
    const size_t layers = DustField.Count();
    DustVertices.assign(4 * layers, gpu::Vertex{});
    DustIndices.assign(6 * layers, 0);
    DustField.Build(DustVertices.data(), DustIndices.data(), 0, DustSizeFactor, kDepth - 1.0f, 0u);
    Update(0.0f);
}

std::vector<TextureSlot> CMuseumBackground::Slots() {
    return {{kPictureName, kPictureFile, Loader::Plain, &Picture},
            {kDustName, DustFile, Loader::WithAlphaOneBit, &Dust},
            {kDustMaskName, DustMaskFile, Loader::AnyFormat, &DustMask},
            {kFlareRaysName, FlareRaysFile, Loader::WithAlpha, &FlareRays}};
}

void CMuseumBackground::Start() {
    FlareRaysSprite = MakeFlareRays(FlareRaysX, FlareRaysY, FlareRaysSize, FlareRaysColour,
                                    FlareRaysSpin, FlareRays);
    Show(Layer, FlareRaysSprite);
    PictureSprite = MakePicture(Picture, 0, CSpriteQuad::BlendNormal);
    Show(Layer, PictureSprite);
    Elements.Start();
}

void CMuseumBackground::ReleaseState() {
    if (Layer.IsNull())
        return;
    Hide(Layer, PictureSprite);
    Hide(Layer, FlareRaysSprite);
    Elements.Release();
}

void CMuseumBackground::SetStage(int32_t count, int32_t flag) {
    const CStageElements::Change change = Elements.SetStage(count, flag);
    if (change.Added && change.ReachedMax)
        AddMap();
    Elements.CelebrateIfWon(change);
}

void CMuseumBackground::AddMap() {
    const size_t k = static_cast<size_t>(kMapSlot);
    if (Elements.RaySprites.size() != k || Elements.FlareSprites.size() != k)
        return;
    CSharedPtr<CSpriteQuad> map = Elements.MakeRay(k);
    map->Key = kMapKey;
    map->FadeSpeed = 1.0f / MapTime;
    Elements.RaySprites.push_back(map);
    SetMapShown(MapBegin);
    Show(Layer, map);
    // The map's flare waits, unlit, until the map starts.
    Elements.AddFinalFlare();
}

void CMuseumBackground::SetMapShown(float fraction) {
    const size_t k = static_cast<size_t>(kMapSlot);
    if (Elements.RaySprites.size() <= k)
        return;
    CSpriteQuad& map = *Elements.RaySprites[k];
    const CStageElements::Rect& r = Elements.Rays[k];
    const float v = r.V0 + (r.V1 - r.V0) * fraction;
    const CTexCoord frame[4] = {{r.U0, r.V0}, {r.U1, r.V0}, {r.U1, v}, {r.U0, v}};
    map.SetFrameCorners(0, frame);
    // The map hangs from its top edge.
    const CTexCoord corners[4] = {
        {-0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f - fraction}, {-0.5f, 0.5f - fraction}};
    map.SetCorners(corners);
}

void CMuseumBackground::UpdateMap(float dt) {
    int32_t& state = Elements.SlotStateAt(kMapSlot);
    float& timer = Elements.SlotTimerAt(kMapSlot);
    const size_t k = static_cast<size_t>(kMapSlot);
    if (state == CStageElements::kIdle || Elements.RaySprites.size() <= k)
        return;
    timer += dt;
    const float start = Elements.NewFlareTime;
    if (state == CStageElements::kFlareGrowing) {
        if (timer >= start) {
            state = CStageElements::kGemLit;
            Elements.RaySprites[k]->FadeTo(1.0f);
        }
        return;
    }
    const float p = std::min(1.0f, (timer - start) / MapExpandTime);
    SetMapShown(MapBegin + (1.0f - MapBegin) * p);
    if (timer >= start + MapEndTime)
        state = CStageElements::kIdle;
}

void CMuseumBackground::Update(float dt) {
    const float ambient = Ambient.Tick(dt);
    DustField.Scroll(DustVertices.data(), ambient);
    TurnFlareRays(FlareRaysSprite, ambient);
    if (Elements.Update(dt))
        Elements.StartFinal(ESound::Museum);
    UpdateMap(dt);
}

int32_t CMuseumBackground::Render() {
    if (!Layer.IsNull()) {
        Layer->Prepare();
        Layer->Draw(kPassFront);
    }
    return RenderBody();
}

int32_t CMuseumBackground::RenderBody() {
    // Without its pictures (or with no layers) the dust is simply not drawn.
    if (DustVertices.empty() || Device.IsNull() || VertexBuffer.IsNull() || IndexBuffer.IsNull() ||
        Dust.IsNull() || DustMask.IsNull())
        return 0;
    uint32_t firstVertex = 0, firstIndex = 0;
    const gpu::Result r =
        Upload(*VertexBuffer, *IndexBuffer, DustVertices, DustIndices, &firstVertex, &firstIndex);
    if (gpu::Failed(r))
        return r;
    CRenderDevice& d = *Device;
    const uint32_t depthWrite = SetMaskedStates(d);
    d.SetTextureStageState(0, gpu::Tss::AddressU, gpu::Tadr::Wrap);
    d.SetTextureStageState(0, gpu::Tss::AddressV, gpu::Tadr::Wrap);
    d.SetTexture(0, Dust);
    d.SetTexture(1, DustMask);
    const uint32_t layers = static_cast<uint32_t>(DustField.Count());
    d.DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex, 4 * layers, firstIndex,
                           2 * layers);
    RestoreMaskedStates(d, depthWrite);
    d.SetTexture(1, CSharedPtr<CTexture>());
    return 0;
}
