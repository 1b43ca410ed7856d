#pragma once
// What the stage backdrops share: the device and the shared buffers, the
// backdrop sprite layer, the effect layers and textures the manager hands
// out, the sound bank, and the stage's progress decorations.
#include <cstdint>
#include <string>
#include <vector>

#include "backgrounds/BackdropKit.h"
#include "backgrounds/StageElements.h"
#include "engine/SharedPtr.h"

class CRenderDevice;
class CVertexBuffer;
class CIndexBuffer;
class CSpriteLayer;
class CParticleSystemsManager;
class CQuadLayer;
class CTexture;
class CSoundBank;

class CStageBackdrop {
public:
    CStageBackdrop(const CStageBackdrop&) = delete;
    CStageBackdrop& operator=(const CStageBackdrop&) = delete;

    void AttachDevice(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vb,
                      CSharedPtr<CIndexBuffer> ib);
    void AttachShared(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CParticleSystemsManager> particles,
                      CSharedPtr<CQuadLayer> quads, CSharedPtr<CTexture> flare,
                      CSharedPtr<CTexture> spark);
    void SetSoundBank(CSharedPtr<CSoundBank> bank);
    // The backdrop's textures (its Slots), the first being the stage picture
    // the progress decorations are cut from: loaded (false when one is
    // missing), or unregistered and emptied. Each backdrop's own destructor
    // unloads them, since by the time this base's destructor runs the
    // backdrop's slots are gone.
    bool LoadTextures(const std::string& folder);
    bool UnloadTextures();
    int32_t GetStageCount() const { return Elements.GetCount(); }

    CStageElements Elements;

protected:
    explicit CStageBackdrop(const CStageSettings& settings);
    virtual ~CStageBackdrop();
    // The backdrop's textures, the stage picture first.
    virtual std::vector<backdrop::TextureSlot> Slots() = 0;

    CSharedPtr<CRenderDevice> Device;
    CSharedPtr<CVertexBuffer> VertexBuffer;
    CSharedPtr<CIndexBuffer> IndexBuffer;
    CSharedPtr<CSpriteLayer> Layer;
    CSharedPtr<CParticleSystemsManager> Particles;
    CSharedPtr<CQuadLayer> Quads;
    CSharedPtr<CTexture> FlareTexture, SparkTexture;
    CSharedPtr<CSoundBank> SoundBank;
    // Steps the backdrop's slow drifts (see kAmbientStep).
    CAmbientClock Ambient;
};
