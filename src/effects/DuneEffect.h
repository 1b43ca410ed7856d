#pragma once
// The visible sand box of the quest field: the sand of a CSandbox drawn as a
// surface over its columns inside a glass box, a front panel over it, a frenzy
// bar of star elements that fills with the frenzy progress, and two particle
// systems kept alive while the box is shown (grains flying out of the box and
// dust blown off the sand). It also turns a thrown grain into a queued landing
// (DropSand). The renderer draws it through IDuneLayer: sand first, box second.
#include <cstdint>
#include <vector>

#include "effects/DuneBox.h"
#include "engine/RenderLayers.h"
#include "engine/SharedPtr.h"
#include "engine/SplinePath.h"
#include "engine/Vector3.h"

class CDuneDustKeeper;
class CDuneSandFlyOut;
class CParticleSystem;
class CParticleSystemsManager;
class CQuestFieldLayout;
class CRenderDevice;
class CSandbox;
class CTexture;

class CDuneEffect : public IDuneLayer {
public:
    // Capacity of each of the two particle systems.
    static constexpr int32_t kSystemCapacity = 320;

    CDuneEffect();
    ~CDuneEffect() override;
    CDuneEffect(const CDuneEffect&) = delete;
    CDuneEffect& operator=(const CDuneEffect&) = delete;

    void SetTextures(CSharedPtr<CTexture> surface, CSharedPtr<CTexture> grain,
                     CSharedPtr<CTexture> dust, CSharedPtr<CTexture> front,
                     CSharedPtr<CTexture> glass, CSharedPtr<CTexture> bar);
    // Copies the sand box values of the quest layout. A bar post time or an
    // element count of 0 or less falls back to its default (with a warning).
    void SetParameters(const CQuestFieldLayout& layout);
    void SetManager(CSharedPtr<CParticleSystemsManager> manager) { Manager = manager; }
    // Stores the sandbox and rebuilds the surface; call SetBox afterwards when
    // the column count changed.
    void SetSandbox(CSharedPtr<CSandbox> sandbox);
    // The box rectangle ((x, y) its top-left corner, y up) and its per-column
    // arrays.
    void SetBox(float x, float y, float z, float width, float height);
    // The top of the sand in each column, from the sandbox's display profile.
    void UpdateSurface();
    // Shows (on = 1) or hides the box, fading at `speed` per second (0: at
    // once); showing builds the two particle systems once, hiding ends them.
    void Create(int32_t on, float speed);
    // Enters or leaves frenzy mode: fills or empties the box, shows the bar,
    // pauses or resumes the flying grains and the dust.
    void SetActive(int32_t on, double progress);
    void Update(float dt);
    // Queues a grain thrown from (x, y) that lands when its lowest point
    // (`bottomOffset` below y) reaches the box bottom.
    void DropSand(float amount, float x, float y, float z, float bottomOffset,
                  float horizontalSpeed, float upwardSpeed, float fallSpeedLimit, float gravity);

    bool IsShown() const override { return Shown != 0; }
    void RenderSand(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vb,
                    CSharedPtr<CIndexBuffer> ib) override;
    void RenderBox(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vb,
                   CSharedPtr<CIndexBuffer> ib) override;

    const CDuneBox& Box() const { return box_; }
    const std::vector<CVector3>& SurfacePoints() const { return surface_; }

    CSharedPtr<CSandbox> Sandbox;
    CSharedPtr<CTexture> SurfaceTexture;
    CSharedPtr<CTexture> GrainTexture;
    CSharedPtr<CTexture> DustTexture;
    CSharedPtr<CTexture> FrontTexture;
    CSharedPtr<CTexture> GlassTexture;
    CSharedPtr<CTexture> BarTexture;
    float FrontShift[3] = {-9.0f, 4.0f, 0.0f};
    uint32_t GlassColour = 0xFF6CC8F7;
    CSplinePath SandPath;
    float SandInGravity = 5.0f;
    float SandOutGravity = 20.0f;
    float SandPathSpeed = 32.0f;
    uint32_t SandColour = 0xFFA09050;
    float SandAlpha = 1.0f;
    float DustSpeed = 40.0f;
    float HalfDustSpeed = 20.0f;
    float DustSpeedCopy = 40.0f;
    float DustSize = 10.0f;
    float HalfDustSize = 5.0f;
    uint32_t DustColour = 0xFFA09050;
    float DustAlpha = 0.5f;
    // RGB of the bar (alpha byte 0) and its opacity (0 hides it).
    uint32_t BarColour = 0x0001DDFF;
    float BarAlpha = 0.0f;
    float BarShift[2] = {14.0f, 2.0f};
    float BarElementWidth = 32.0f;
    float BarElementHeight = 32.0f;
    int32_t BarElementCount = 19;
    // Seconds over which the bar fades out after a frenzy.
    float BarPostTime = 0.25f;
    // Non-zero: the bar's elements show as a faint row of empty slots (the
    // row the accuracy challenge's caught gems fill).
    int32_t SlotsShown = 0;
    int32_t Shown = 0;
    float FadeLevel = 0.0f;
    float FadeSpeed = 0.0f;
    CSharedPtr<CParticleSystemsManager> Manager;
    CSharedPtr<CParticleSystem> FlyOutSystem;
    CSharedPtr<CDuneSandFlyOut> FlyOutKeeper;
    CSharedPtr<CParticleSystem> DustSystem;
    CSharedPtr<CDuneDustKeeper> DustKeeper;

private:
    // Render states shared by both passes; returns the depth-write state to
    // restore afterwards.
    uint32_t SetStates(CRenderDevice& device, bool blend) const;

    CDuneBox box_;
    std::vector<CVector3> surface_;
};
