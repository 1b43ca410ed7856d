#include "backgrounds/BackgroundsManager.h"

#include "engine/ObjectLog.h"
#include "engine/SpriteLayer.h"

namespace {

const char* const kNames[] = {"", "Museum", "Jungle", "Valley", "Door", "Treasury", "MainMenu"};

} // namespace

CBackgroundsManager::CBackgroundsManager() = default;

// The backdrops go in reverse order by declaration; each releases its own
// sprites and pictures.
CBackgroundsManager::~CBackgroundsManager() = default;

template <class F> bool CBackgroundsManager::Visit(int32_t id, F&& f) {
    switch (id) {
    case kMuseum:
        f(MuseumBackdrop);
        return true;
    case kJungle:
        f(JungleBackdrop);
        return true;
    case kValley:
        f(ValleyBackdrop);
        return true;
    case kDoor:
        f(DoorBackdrop);
        return true;
    case kTreasury:
        f(TreasuryBackdrop);
        return true;
    case kMainMenu:
        f(MainMenuBackdrop);
        return true;
    default:
        return false;
    }
}

void CBackgroundsManager::AttachDevice(CSharedPtr<CRenderDevice> device,
                                       CSharedPtr<CVertexBuffer> vb, CSharedPtr<CIndexBuffer> ib) {
    Device = device;
    VertexBuffer = vb;
    IndexBuffer = ib;
    MuseumBackdrop.AttachDevice(device, vb, ib);
    JungleBackdrop.AttachDevice(device, vb, ib);
    ValleyBackdrop.AttachDevice(device, vb, ib);
    DoorBackdrop.AttachDevice(device, vb, ib);
    TreasuryBackdrop.AttachDevice(device, vb, ib);
    MainMenuBackdrop.AttachDevice(device, vb, ib);
}

void CBackgroundsManager::AttachShared(CSharedPtr<CSpriteLayer> layer,
                                       CSharedPtr<CParticleSystemsManager> particles,
                                       CSharedPtr<CQuadLayer> quads, CSharedPtr<CTexture> flare,
                                       CSharedPtr<CTexture> flash, CSharedPtr<CTexture> smallSand,
                                       CSharedPtr<CTexture> cloud, CSharedPtr<CTexture> spark,
                                       CSharedPtr<CTexture> halo,
                                       CSharedPtr<CSpriteLayer> frontLayer) {
    Layer = layer;
    Particles = particles;
    Quads = quads;
    FlareTexture = flare;
    FlashTexture = flash;
    MuseumBackdrop.AttachShared(layer, particles, quads, flare, spark);
    JungleBackdrop.AttachShared(layer, particles, quads, flare, flash, spark);
    ValleyBackdrop.AttachShared(layer, particles, quads, flare, spark);
    DoorBackdrop.AttachShared(layer, particles, quads, flare, smallSand, cloud, spark);
    TreasuryBackdrop.AttachShared(layer, particles, quads, flare, spark, halo);
    MainMenuBackdrop.AttachShared(layer, particles, quads, frontLayer);
}

void CBackgroundsManager::LoadParams(const char* path) {
    MuseumBackdrop.LoadParams(path);
    JungleBackdrop.LoadParams(path);
    ValleyBackdrop.LoadParams(path);
    DoorBackdrop.LoadParams(path);
    TreasuryBackdrop.LoadParams(path);
    MainMenuBackdrop.LoadParams(path);
}

void CBackgroundsManager::Init(std::string gfxFolder) {
    GfxFolder = std::move(gfxFolder);
    MuseumBackdrop.SetupGeometry();
    JungleBackdrop.SetupGeometry();
    JungleBackdrop.LoadFlashMask(GfxFolder + CJungleBackground::kMaskFile);
    ValleyBackdrop.SetupGeometry();
    DoorBackdrop.SetupGeometry();
    TreasuryBackdrop.SetupGeometry();
    MainMenuBackdrop.SetupGeometry();
}

void CBackgroundsManager::SetSoundBank(CSharedPtr<CSoundBank> bank) {
    MuseumBackdrop.SetSoundBank(bank);
    JungleBackdrop.SetSoundBank(bank);
    ValleyBackdrop.SetSoundBank(bank);
    DoorBackdrop.SetSoundBank(bank);
    TreasuryBackdrop.SetSoundBank(bank);
    MainMenuBackdrop.SetSoundBank(bank);
}

void CBackgroundsManager::SetBackground(int32_t id) {
    if (id == CurrentId)
        return;
    const int32_t old = CurrentId;
    Visit(old, [&](auto& b) {
        if (!b.UnloadTextures())
            LogObject(std::string("Error unloading background textures for ") + kNames[old] +
                      "!\n");
        b.ReleaseState();
    });
    CurrentId = id;
    StageResult = 0;
    Visit(id, [&](auto& b) {
        if (!b.LoadTextures(GfxFolder))
            LogObject(std::string("Error loading background textures for ") + kNames[id] + "!\n");
        b.Start();
    });
}

void CBackgroundsManager::SetStage(int32_t count, int32_t flag) {
    StageResult = count;
    Visit(CurrentId, [&](auto& b) {
        if constexpr (requires { b.GetStageCount(); }) {
            b.SetStage(count, flag);
            StageResult = b.GetStageCount();
        } else {
            StageResult = 0; // the main menu shows no progress
        }
    });
}

void CBackgroundsManager::Update(float dt) {
    if (!Layer.IsNull())
        Layer->Update(dt, 0);
    Visit(CurrentId, [&](auto& b) { b.Update(dt); });
}

int32_t CBackgroundsManager::RenderCurrent() {
    if (!Enabled)
        return 0;
    int32_t r = 0;
    Visit(CurrentId, [&](auto& b) { r = b.Render(); });
    return r;
}
