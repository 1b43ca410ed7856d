#include "backgrounds/StageBackdrop.h"

#include "audio/SoundBank.h"
#include "effects/ParticleSystemsManager.h"
#include "engine/IndexBuffer.h"
#include "engine/QuadLayer.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"

CStageBackdrop::CStageBackdrop(const CStageSettings& settings) : Elements(settings) {}

CStageBackdrop::~CStageBackdrop() = default;

void CStageBackdrop::AttachDevice(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vb,
                                  CSharedPtr<CIndexBuffer> ib) {
    Device = device;
    VertexBuffer = vb;
    IndexBuffer = ib;
}

void CStageBackdrop::AttachShared(CSharedPtr<CSpriteLayer> layer,
                                  CSharedPtr<CParticleSystemsManager> particles,
                                  CSharedPtr<CQuadLayer> quads, CSharedPtr<CTexture> flare,
                                  CSharedPtr<CTexture> spark) {
    Layer = layer;
    Particles = particles;
    Quads = quads;
    FlareTexture = flare;
    SparkTexture = spark;
    Elements.Attach(layer, flare, spark);
}

void CStageBackdrop::SetSoundBank(CSharedPtr<CSoundBank> bank) {
    SoundBank = bank;
    Elements.SetSoundBank(bank);
}

bool CStageBackdrop::LoadTextures(const std::string& folder) {
    const std::vector<backdrop::TextureSlot> slots = Slots();
    if (Device.IsNull() || slots.empty())
        return false;
    const bool ok = backdrop::LoadEach(*Device, folder, slots);
    Elements.SetPicture(*slots.front().handle);
    return ok;
}

bool CStageBackdrop::UnloadTextures() {
    backdrop::Unload(Device.Get(), Slots());
    Elements.SetPicture(CSharedPtr<CTexture>());
    return true;
}
