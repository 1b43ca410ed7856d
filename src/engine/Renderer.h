#pragma once
// The renderer: owns the device wrapper and the layers drawn every frame,
// chooses the display mode at start-up, resets the device after a loss or a
// mode change, presents, switches the video mode and handles the gamma ramp.
// The frame functions (scene, loading screen, splash) draw the layers in the
// game's one fixed order; they never present.
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/RenderLayers.h"
#include "engine/SharedPtr.h"
#include "engine/VideoSettings.h"
#include "platform/gpu/Gpu.h"

class CRenderDevice;
class CTexture;
class CVertexBuffer;
class CIndexBuffer;
class CQuadLayer;
class CSpriteLayer;
class CTextLayer;
class CPlayFieldStore;

namespace gpu {
class FrameProbe;
}
namespace os {
class Window;
}

class CRenderer {
public:
    static constexpr int kParticleLayers = 6;
    static constexpr int kQuadLayers = 3;
    static constexpr int kSpriteLayers = 3;
    static constexpr int kModeSlots = 8;
    // The virtual screen.
    static constexpr float kVirtualWidth = 1024.0f;
    static constexpr float kVirtualHeight = 768.0f;
    static constexpr uint32_t kDefaultClearColor = 0x004040FF;

    // The surface registered under this name is the game's pointer picture.
    static constexpr const char* kCursorSurface = "CursorSurface";

    CRenderer();
    ~CRenderer();
    CRenderer(const CRenderer&) = delete;
    CRenderer& operator=(const CRenderer&) = delete;

    // Chooses adapter, size, colour depth and window mode, correcting `settings`
    // in place, and creates the device. kErrNotAvailable when no adapter can show
    // at least 640x480 in more than 14 bits (or the chosen mode is missing); any
    // other failure is the device's.
    gpu::Result CreateDevice(VideoSettingsBlock& settings, gpu::Api* api, os::Window* window,
                             uint32_t depthFormat);
    // One reset attempt after a loss or a mode change; on success the cursor,
    // viewports and projection are set again and the log says so. The failure is
    // returned otherwise (the caller retries from the next frame).
    gpu::Result ResetDevice();
    // The registered surface "CursorSurface" becomes the device's pointer
    // picture (hot spot at its top-left pixel); false when there is none.
    bool ApplyCursorSurface();
    // Presents the back buffer; when that fails and the device waits for a
    // reset, resets it once (a device still lost is left to the next frame).
    gpu::Result Present();
    // False when the mode cannot be used (nothing changes) or the reset failed.
    bool SwitchVideoMode(bool fullScreen, uint32_t width, uint32_t height, uint32_t format);
    // Full screen: the device's requested mode; windowed: the back-buffer size
    // and the desktop's format.
    void GetCurrentMode(bool fullScreen, uint32_t* width, uint32_t* height,
                        uint32_t* format) const;
    void SaveGammaRamp();
    void RestoreGammaRamp();
    // 0.5 is linear; larger values brighten the middle tones, smaller darken.
    void ApplyGammaRamp(float gamma);
    static gpu::GammaRamp ComputeGammaRamp(float gamma);

    // ---- Frame functions (the caller presents only after a result >= 0) ----
    // kErrDeviceLost while the device is lost, else 0.
    int32_t RenderScene();
    // The loading picture (top three quarters of the texture) with its progress
    // bar (0..1). Never resets the device.
    int32_t RenderLoadingScreen(CSharedPtr<CTexture> picture, float progress);
    // The splash picture at a grey brightness 0..1. Never resets the device.
    int32_t RenderSplash(CSharedPtr<CTexture> picture, float brightness);

    // ---- Layers (filled by the game object; each may stay empty). The engine's
    // own layer types are only declared here: include their headers to use them.
    void SetSharedBuffers(const CSharedPtr<CVertexBuffer>& vb, const CSharedPtr<CIndexBuffer>& ib);
    void SetParticleLayer(int index, const CSharedPtr<IParticleLayer>& layer);
    void SetQuadLayer(int index, const CSharedPtr<CQuadLayer>& layer);
    void SetSpriteLayer(int index, const CSharedPtr<CSpriteLayer>& layer);
    void SetTextLayer(const CSharedPtr<CTextLayer>& layer);
    void SetFormsDrawer(const CSharedPtr<IFormsDrawer>& forms) { forms_ = forms; }
    void SetCapsLayer(const CSharedPtr<ICapsLayer>& caps) { caps_ = caps; }
    void SetBoardFrame(const CSharedPtr<CPlayFieldStore>& frame);
    void SetBackdrop(const CSharedPtr<IBackdropLayer>& backdrop) { backdrop_ = backdrop; }
    void SetDune(const CSharedPtr<IDuneLayer>& dune) { dune_ = dune; }
    void SetClearFlag(bool on) { clearFlag_ = on ? 1 : 0; }

    // The scene's layers, for measuring what each one costs: a skipped layer is
    // left out of the scene frame as if it were missing.
    enum SceneLayer : uint32_t {
        kLayerBackdrop,
        kLayerParticles0,                                  // six particle managers, one bit each
        kLayerQuads0 = kLayerParticles0 + kParticleLayers, // three quad layers
        kLayerBoardFrame = kLayerQuads0 + kQuadLayers,
        kLayerDune,
        kLayerCaps,
        kLayerSprites0, // three sprite layers
        kLayerTexts = kLayerSprites0 + kSpriteLayers,
        kLayerForms,
        kSceneLayerCount
    };
    void SetSkippedLayers(uint32_t mask) { skippedLayers_ = mask; }
    static const char* SceneLayerName(uint32_t layer);
    void SetClearColor(uint32_t argb) { clearColor_ = argb; }

    const CSharedPtr<CVertexBuffer>& GetSharedVertexBuffer() const { return vertexBuffer_; }
    const CSharedPtr<CIndexBuffer>& GetSharedIndexBuffer() const { return indexBuffer_; }
    CSharedPtr<IParticleLayer> GetParticleLayer(int index) const;
    CSharedPtr<CQuadLayer> GetQuadLayer(int index) const;
    CSharedPtr<CSpriteLayer> GetSpriteLayer(int index) const;
    const CSharedPtr<CTextLayer>& GetTextLayer() const { return textLayer_; }

    // ---- Access ----
    const CSharedPtr<CRenderDevice>& GetDevice() const { return device_; }
    // What tests, tools and benchmarks read of the drawing device (its
    // picture and counters); null without a device or on the recording one.
    gpu::FrameProbe* Probe() const;
    const VideoSettingsBlock& GetVideoSettings() const { return settings_; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    uint32_t GetFormat() const { return format_; }
    float GetPixelScale() const { return pixelScale_; }          // virtual units per pixel
    float GetHalfPixelScale() const { return halfPixelScale_; }
    float GetHalfWidth() const { return halfWidth_; }
    const gpu::Viewport& GetFullViewport() const { return fullViewport_; }
    const gpu::Viewport& GetGameViewport() const { return gameViewport_; }
    const gpu::Matrix& GetProjection() const { return projection_; }
    const std::vector<std::pair<int, int>>& GetWindowSizes() const { return windowSizes_; }
    const std::vector<int>& GetModeSlots() const { return modeSlots_; }
    const gpu::GammaRamp& GetSavedGammaRamp() const { return savedGamma_; }
    os::Window* GetWindow() const { return window_; }

    // The whole back buffer, and the centred 4:3 area of it.
    static gpu::Viewport ComputeFullViewport(uint32_t width, uint32_t height);
    static gpu::Viewport ComputeGameViewport(uint32_t width, uint32_t height);

private:
    int32_t DrawScene();
    bool ClearsPicture() const;
    bool ShowsValley() const;
    void UpdateScales();
    void ComputeViewports();
    void ComputeProjection();
    void SizeWindow();

    gpu::Api* api_ = nullptr;
    CSharedPtr<CRenderDevice> device_;
    std::vector<std::pair<int, int>> windowSizes_;
    std::vector<int> modeSlots_;
    gpu::Matrix world_;
    gpu::Matrix view_;
    gpu::Matrix projection_;
    gpu::Viewport fullViewport_;
    gpu::Viewport gameViewport_;
    VideoSettingsBlock settings_;
    int width_ = 0;
    int height_ = 0;
    uint32_t format_ = 0;
    float pixelScale_ = 0.0f;
    float halfPixelScale_ = 0.0f;
    float halfWidth_ = 0.0f;
    os::Window* window_ = nullptr;
    CSharedPtr<CVertexBuffer> vertexBuffer_;
    CSharedPtr<CIndexBuffer> indexBuffer_;
    std::array<CSharedPtr<IParticleLayer>, kParticleLayers> particleLayers_;
    std::array<CSharedPtr<CQuadLayer>, kQuadLayers> quadLayers_;
    CSharedPtr<CTextLayer> textLayer_;
    int32_t clearFlag_ = 1;
    uint32_t clearColor_ = kDefaultClearColor;
    CSharedPtr<IFormsDrawer> forms_;
    gpu::GammaRamp savedGamma_{};
    std::array<CSharedPtr<CSpriteLayer>, kSpriteLayers> spriteLayers_;
    CSharedPtr<ICapsLayer> caps_;
    CSharedPtr<CPlayFieldStore> boardFrame_;
    CSharedPtr<IBackdropLayer> backdrop_;
    CSharedPtr<IDuneLayer> dune_;
    uint32_t skippedLayers_ = 0;
};
