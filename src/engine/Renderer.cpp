#include "engine/Renderer.h"

#include <algorithm>
#include <cmath>

#include "engine/DisplayModes.h"
#include "engine/IndexBuffer.h"
#include "engine/ObjectLog.h"
#include "engine/PlayFieldStore.h"
#include "engine/QuadLayer.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/Surface.h"
#include "engine/TextLayer.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/MathHelpers.h"
#include "platform/os/Window.h"

namespace {

constexpr float kNearZ = -1000.0f, kFarZ = 1000.0f;

// Mode slots filled from the adapter's full-screen modes.
enum Slot { k640x16 = 0, k1024x16 = 1, k1024x32 = 3, kWide480x16 = 4, kWide768x16 = 5, kWide768x32 = 7 };

// An adapter the game can run on: a mode of at least 640x480 in more than 14 bits.
bool IsUsable(const DisplayModeList* list) {
    if (!list)
        return false;
    return std::any_of(list->Modes().begin(), list->Modes().end(), [](const DisplayMode& m) {
        return m.bits > 14 && m.width > 639 && m.height > 479;
    });
}

}  // namespace

CRenderer::CRenderer()
    : modeSlots_(kModeSlots, -1), world_(gpu::Matrix::Identity()), view_(gpu::Matrix::Identity()),
      projection_(gpu::MatrixOrthoLH(kVirtualWidth, kVirtualHeight, kNearZ, kFarZ)) {
    windowSizes_.reserve(8);
}

// Members go in reverse order: the dune effect first, the device last.
CRenderer::~CRenderer() = default;

gpu::FrameProbe* CRenderer::Probe() const {
    return device_.IsNull() ? nullptr : gpu::ProbeOf(device_->GetDevice());
}

void CRenderer::UpdateScales() {
    pixelScale_ = width_ > 0 ? kVirtualWidth / static_cast<float>(width_) : 0.0f;
    halfPixelScale_ = pixelScale_ * 0.5f;
    halfWidth_ = static_cast<float>(width_ / 2);
}

gpu::Viewport CRenderer::ComputeFullViewport(uint32_t width, uint32_t height) {
    return gpu::Viewport{0, 0, width, height, 0.0f, 1.0f};
}

gpu::Viewport CRenderer::ComputeGameViewport(uint32_t width, uint32_t height) {
    const auto fourThree = static_cast<uint32_t>(
        std::floor(static_cast<double>(height) * kVirtualWidth / kVirtualHeight + 0.5));
    const uint32_t w = std::min(width, fourThree);
    return gpu::Viewport{(width - w) / 2, 0, w, height, 0.0f, 1.0f};
}

void CRenderer::ComputeViewports() {
    const auto w = static_cast<uint32_t>(std::max(width_, 0));
    const auto h = static_cast<uint32_t>(std::max(height_, 0));
    fullViewport_ = ComputeFullViewport(w, h);
    gameViewport_ = ComputeGameViewport(w, h);
}

void CRenderer::ComputeProjection() {
    projection_ = gpu::MatrixOrthoLH(kVirtualWidth, kVirtualHeight, kNearZ, kFarZ);
}

void CRenderer::SizeWindow() {
    if (window_)
        window_->SetClientSize(width_, height_);
}

gpu::Result CRenderer::CreateDevice(VideoSettingsBlock& s, gpu::Api* api, os::Window* window,
                                    uint32_t depthFormat) {
    // Values the options file may hold but no mode can have.
    s.adapter = std::max(s.adapter, 0);
    s.width = std::max(s.width, 0);
    s.height = std::max(s.height, 0);

    settings_ = s;
    api_ = api;
    window_ = window;
    width_ = s.width;
    height_ = s.height;
    format_ = s.format;
    UpdateScales();

    device_ = CSharedPtr<CRenderDevice>(new CRenderDevice(api, s.adapter));
    const int adapters = device_->GetAdapterCount();
    int firstUsable = -1;
    for (int i = 0; i < adapters && firstUsable < 0; ++i)
        if (IsUsable(device_->GetModeList(i)))
            firstUsable = i;
    if (firstUsable < 0) {
        LogObject("No Direct3D adapter found!\n");
        return gpu::kErrNotAvailable;
    }
    if (s.adapter >= adapters || !IsUsable(device_->GetModeList(s.adapter))) {
        s.adapter = firstUsable;
        device_->SelectAdapter(s.adapter);
    }
    const DisplayModeList& list = *device_->GetModeList(s.adapter);
    const DisplayMode* desk = list.GetDesktopMode();

    // Client sizes offered in a window: smaller than the desktop, at most two.
    windowSizes_.assign({{640, 480}, {800, 600}, {1024, 768}});
    if (!desk) {
        windowSizes_.resize(1);
        s.fullScreen = 1;
    } else {
        std::vector<std::pair<int, int>> kept{windowSizes_.front()};
        for (size_t i = 1; i < windowSizes_.size(); ++i)
            if (static_cast<uint32_t>(windowSizes_[i].first) < desk->width &&
                static_cast<uint32_t>(windowSizes_[i].second) < desk->height)
                kept.push_back(windowSizes_[i]);
        if (kept.size() > 2)
            kept = {kept.front(), kept.back()};
        windowSizes_ = kept;
    }

    modeSlots_.assign(kModeSlots, -1);
    modeSlots_[k640x16] = list.FindFullscreenByDepth(640, 480, 16, false);
    modeSlots_[k1024x16] = list.FindFullscreenByDepth(1024, 768, 16, false);
    modeSlots_[k1024x32] = list.FindFullscreenByDepth(1024, 768, 32, false);
    if (desk && desk->width * 3 > desk->height * 4) {
        const float ratio = static_cast<float>(desk->height) / static_cast<float>(desk->width);
        modeSlots_[kWide480x16] = list.FindByAspect(ratio, 0.001f, 480, 16);
        modeSlots_[kWide768x16] = list.FindByAspect(ratio, 0.001f, 768, 16);
        modeSlots_[kWide768x32] = list.FindByAspect(ratio, 0.001f, 768, 32);
    }

    auto w = [&] { return static_cast<uint32_t>(s.width); };
    auto h = [&] { return static_cast<uint32_t>(s.height); };

    // A full-screen mode the adapter lacks is forgotten, and a mode is chosen.
    if (s.fullScreen && s.width && s.height &&
        list.FindFullscreenByDepth(w(), h(), s.colorMode, false) < 0) {
        s.width = s.height = 0;
        s.colorMode = -1;
    }

    if (s.width == 0 || s.height == 0) {
        s.gpuClass = GetGpuClass(s.adapter, api);
        if (!s.fullScreen && !windowSizes_.empty()) {
            const size_t pick = (s.gpuClass >= 2 && windowSizes_.size() == 2) ? 1 : 0;
            s.width = windowSizes_[pick].first;
            s.height = windowSizes_[pick].second;
        } else {
            s.fullScreen = 1;
            auto take = [&](int slot, int bits) {
                const int k = modeSlots_[static_cast<size_t>(slot)];
                if (k < 0)
                    return false;
                s.width = static_cast<int32_t>(list[k].width);
                s.height = static_cast<int32_t>(list[k].height);
                s.colorMode = bits;
                return true;
            };
            bool chosen = false;
            if (s.gpuClass == 5)
                chosen = take(kWide768x32, 32) || take(kWide768x16, 16) || take(k1024x32, 32);
            if (!chosen && s.gpuClass >= 2)
                chosen = take(kWide768x16, 16) || take(k1024x16, 16);
            if (!chosen)
                chosen = take(kWide480x16, 16) || take(k640x16, 16);
            if (!chosen) {
                s.width = 640;
                s.height = 480;
                s.colorMode = -1;
            }
        }
    }

    if (s.colorMode != -1) {
        if (!s.fullScreen || list.FindFullscreenByDepth(w(), h(), s.colorMode, true) < 0)
            s.colorMode = -1;
    }
    if (s.colorMode == -1) {
        if (!desk) {
            s.fullScreen = 1;
            int k = list.FindFullscreenBySize(w(), h(), true);
            if (k < 0) {
                s.width = 1024;
                s.height = 768;
                k = list.FindFullscreenBySize(w(), h(), true);
            }
            s.colorMode = static_cast<int32_t>(list[k < 0 ? 0 : k].bits);
        } else {
            s.colorMode = static_cast<int32_t>(desk->bits);
        }
    }

    uint32_t format = 0;
    if (!s.fullScreen) {
        // desk exists here: without a desktop mode the game runs full screen.
        if (desk->width < w() || desk->height < h()) {
            size_t pick = 0;
            for (size_t i = windowSizes_.size(); i-- > 1;)
                if (static_cast<uint32_t>(windowSizes_[i].first) <= desk->width &&
                    static_cast<uint32_t>(windowSizes_[i].second) <= desk->height) {
                    pick = i;
                    break;
                }
            s.width = windowSizes_[pick].first;
            s.height = windowSizes_[pick].second;
        }
        format = desk->format;
    } else {
        int k = list.FindFullscreenByDepth(w(), h(), s.colorMode, true);
        if (k < 0) {
            s.width = 1024;
            s.height = 768;
            k = list.FindFullscreenByDepth(w(), h(), s.colorMode, true);
        }
        if (k < 0) {
            s.width = static_cast<int32_t>(list[0].width);
            s.height = static_cast<int32_t>(list[0].height);
            k = list.FindFullscreenByDepth(w(), h(), s.colorMode, false);
            if (k < 1)
                k = 0;
        }
        format = list[k].format;
    }

    s.format = format;
    settings_ = s;
    width_ = s.width;
    height_ = s.height;
    format_ = format;
    UpdateScales();
    SizeWindow();

    const gpu::Result r =
        device_->Create(w(), h(), format, s.fullScreen, s.videoSync, window, depthFormat, 1, 0,
                        gpu::kSwapEffectDiscard, 0);
    if (gpu::Failed(r))
        return r;

    device_->SetRenderState(gpu::Rs::Lighting, 0);
    for (uint32_t stage = 0; stage < 2; ++stage) {
        device_->SetTextureStageState(stage, gpu::Tss::MagFilter, gpu::Tf::Linear);
        device_->SetTextureStageState(stage, gpu::Tss::MinFilter, gpu::Tf::Linear);
        device_->SetTextureStageState(stage, gpu::Tss::MipFilter, gpu::Tf::Point);
    }
    world_ = gpu::Matrix::Identity();
    device_->SetTransform(gpu::Ts::World, world_);
    ComputeViewports();
    device_->SetViewport(fullViewport_);
    ComputeProjection();
    return r;
}

gpu::Result CRenderer::ResetDevice() {
    if (device_.IsNull())
        return gpu::kErrInvalidCall;
    device_->ReleaseDefaultPoolResources();
    if (gpu::Result r = device_->Reset(); gpu::Failed(r))
        return r;

    if (!ApplyCursorSurface())
        LogObject("Cursor surface not found!\n");

    ComputeViewports();
    device_->SetViewport(fullViewport_);
    ComputeProjection();

    const gpu::PresentParams& pp = device_->GetPresentParams();
    LogObject("Device Reset. Now");
    LogObject(pp.windowed ? "Windowed" : "Fullscreen");
    LogObjectNumber(static_cast<int32_t>(pp.backBufferWidth));
    LogObject("x");
    LogObjectNumber(static_cast<int32_t>(pp.backBufferHeight));
    LogObjectNumber(static_cast<int32_t>(pp.backBufferFormat));
    LogObject("\n");
    return gpu::kOk;
}

bool CRenderer::ApplyCursorSurface() {
    const int cursor = device_.IsNull() ? -1 : device_->FindSurface(kCursorSurface);
    if (cursor < 0)
        return false;
    const CSharedPtr<CSurface>& surface = device_->GetSurfaces()[static_cast<size_t>(cursor)];
    if (surface->GetSurface())
        device_->GetDevice()->SetCursorProperties(0, 0, surface->GetSurface());
    return true;
}

gpu::Result CRenderer::Present() {
    if (device_.IsNull())
        return gpu::kErrInvalidCall;
    const gpu::Result r = device_->Present();
    // A device that can be reset is reset now; one still lost is left to the
    // cooperative-level check of the next frame.
    if (gpu::Failed(r) && device_->TestCooperativeLevel() == gpu::kErrDeviceNotReset)
        ResetDevice();
    return r;
}

bool CRenderer::SwitchVideoMode(bool fullScreen, uint32_t width, uint32_t height,
                                uint32_t format) {
    if (device_.IsNull())
        return false;
    DisplayModeList* list = device_->GetModeList();
    if (!list)
        return false;
    gpu::PresentParams& pp = device_->PresentParams();
    if (!fullScreen) {
        if (list->GetDesktopIndex() < 0 || windowSizes_.empty())
            return false;
        size_t pick = windowSizes_.size();
        for (size_t i = 0; i < windowSizes_.size(); ++i)
            if (static_cast<uint32_t>(windowSizes_[i].first) == width &&
                static_cast<uint32_t>(windowSizes_[i].second) == height) {
                pick = i;
                break;
            }
        if (pick == windowSizes_.size()) {
            pick = 0;
            for (size_t i = windowSizes_.size(); i-- > 1;)
                if (static_cast<uint32_t>(windowSizes_[i].first) <= width &&
                    static_cast<uint32_t>(windowSizes_[i].second) <= height) {
                    pick = i;
                    break;
                }
        }
        pp.windowed = 1;
        width_ = windowSizes_[pick].first;
        height_ = windowSizes_[pick].second;
        pp.backBufferWidth = static_cast<uint32_t>(width_);
        pp.backBufferHeight = static_cast<uint32_t>(height_);
        settings_.width = width_;
        settings_.height = height_;
        settings_.fullScreen = 0;
    } else {
        if (device_->IsModeAvailable(width, height, format, 1)) {
            settings_.width = static_cast<int32_t>(width);
            settings_.height = static_cast<int32_t>(height);
        } else {
            const int k = list->FindFullscreen(width, height, format, true);
            if (k < 0)
                return false;
            settings_.width = static_cast<int32_t>((*list)[k].width);
            settings_.height = static_cast<int32_t>((*list)[k].height);
        }
        pp.windowed = 0;
        settings_.fullScreen = 1;
        width_ = settings_.width;
        height_ = settings_.height;
        device_->SetRequestedMode(static_cast<uint32_t>(width_), static_cast<uint32_t>(height_),
                                  format);
        format_ = format;
        settings_.format = format;
        device_->SetModeIndex(list->Find(width, height, format, false));
    }
    const gpu::Result r = ResetDevice();
    UpdateScales();
    return !gpu::Failed(r);
}

void CRenderer::GetCurrentMode(bool fullScreen, uint32_t* width, uint32_t* height,
                               uint32_t* format) const {
    uint32_t w = 0, h = 0, f = 0;
    if (!device_.IsNull()) {
        if (fullScreen) {
            w = device_->GetRequestedWidth();
            h = device_->GetRequestedHeight();
            f = device_->GetRequestedFormat();
        } else {
            w = static_cast<uint32_t>(width_);
            h = static_cast<uint32_t>(height_);
            if (const DisplayModeList* list = device_->GetModeList()) {
                if (const DisplayMode* desk = list->GetDesktopMode())
                    f = desk->format;
                else if (list->Count() > 0)
                    f = (*list)[0].format;
            }
        }
    }
    if (width)
        *width = w;
    if (height)
        *height = h;
    if (format)
        *format = f;
}

void CRenderer::SaveGammaRamp() {
    if (!device_.IsNull() && device_->GetDevice())
        device_->GetDevice()->GetGammaRamp(&savedGamma_);
}

void CRenderer::RestoreGammaRamp() {
    if (!device_.IsNull() && device_->GetDevice())
        device_->GetDevice()->SetGammaRamp(0, &savedGamma_);
}

gpu::GammaRamp CRenderer::ComputeGammaRamp(float gamma) {
    gpu::GammaRamp ramp;
    const float k = (0.5f - gamma) * 10.0f;
    const double scale = k == 0.0f ? 0.0 : 1.0 / (std::exp(static_cast<double>(k)) - 1.0);
    float x = 0.0f;
    for (int i = 0; i < 256; ++i) {
        const double v = k == 0.0f ? static_cast<double>(x) * 65535.0
                                   : (std::exp(static_cast<double>(k) * x) - 1.0) * scale * 65535.0;
        const double entry = std::clamp(std::floor(v), 0.0, 65535.0);
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<uint16_t>(entry);
        x += 0.003921569f;
    }
    return ramp;
}

void CRenderer::ApplyGammaRamp(float gamma) {
    if (device_.IsNull() || !device_->GetDevice())
        return;
    const gpu::GammaRamp ramp = ComputeGammaRamp(gamma);
    device_->GetDevice()->SetGammaRamp(0, &ramp);
}

void CRenderer::SetSharedBuffers(const CSharedPtr<CVertexBuffer>& vb,
                                 const CSharedPtr<CIndexBuffer>& ib) {
    vertexBuffer_ = vb;
    indexBuffer_ = ib;
}

void CRenderer::SetParticleLayer(int index, const CSharedPtr<IParticleLayer>& layer) {
    if (index >= 0 && index < kParticleLayers)
        particleLayers_[static_cast<size_t>(index)] = layer;
}

void CRenderer::SetQuadLayer(int index, const CSharedPtr<CQuadLayer>& layer) {
    if (index >= 0 && index < kQuadLayers)
        quadLayers_[static_cast<size_t>(index)] = layer;
}

void CRenderer::SetSpriteLayer(int index, const CSharedPtr<CSpriteLayer>& layer) {
    if (index >= 0 && index < kSpriteLayers)
        spriteLayers_[static_cast<size_t>(index)] = layer;
}

void CRenderer::SetTextLayer(const CSharedPtr<CTextLayer>& layer) { textLayer_ = layer; }

void CRenderer::SetBoardFrame(const CSharedPtr<CPlayFieldStore>& frame) { boardFrame_ = frame; }

CSharedPtr<IParticleLayer> CRenderer::GetParticleLayer(int index) const {
    if (index < 0 || index >= kParticleLayers)
        return CSharedPtr<IParticleLayer>();
    return particleLayers_[static_cast<size_t>(index)];
}

CSharedPtr<CQuadLayer> CRenderer::GetQuadLayer(int index) const {
    if (index < 0 || index >= kQuadLayers)
        return CSharedPtr<CQuadLayer>();
    return quadLayers_[static_cast<size_t>(index)];
}

CSharedPtr<CSpriteLayer> CRenderer::GetSpriteLayer(int index) const {
    if (index < 0 || index >= kSpriteLayers)
        return CSharedPtr<CSpriteLayer>();
    return spriteLayers_[static_cast<size_t>(index)];
}
