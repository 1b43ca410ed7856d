#include "platform/gpu/recording/RecordingApi.h"

#include <algorithm>

#include "platform/gpu/DeviceFront.h"
#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/recording/RecordingDevice.h"

namespace gpu {
namespace {

bool Contains(const std::vector<uint32_t>& v, uint32_t x) {
    return std::find(v.begin(), v.end(), x) != v.end();
}

Result CheckType(const RecordingConfig& c, uint32_t adapter, uint32_t deviceType,
                 uint32_t displayFormat, uint32_t backBufferFormat, int32_t windowed) {
    if (c.checkDeviceType)
        return c.checkDeviceType(adapter, deviceType, displayFormat, backBufferFormat, windowed);
    if (adapter >= c.adapters.size())
        return kErrInvalidCall;
    if (deviceType != kDeviceHal)
        return kErrNotAvailable;
    const AdapterConfig& a = c.adapters[adapter];
    const auto& formats = windowed ? a.windowedFormats : a.fullScreenFormats;
    if (backBufferFormat != displayFormat || !Contains(formats, displayFormat))
        return kErrNotAvailable;
    return kOk;
}

} // namespace

std::vector<DisplayMode> AdapterConfig::DefaultModes() {
    std::vector<DisplayMode> modes;
    for (uint32_t fmt : {Fmt::R5G6B5, Fmt::X8R8G8B8})
        for (auto [w, h] : {std::pair{640u, 480u}, {800u, 600u}, {1024u, 768u}, {1280u, 1024u}})
            modes.push_back({w, h, 60, fmt});
    return modes;
}

Caps AdapterConfig::DefaultCaps() {
    Caps c;
    c.pixelShaderVersion = 0xFFFF0101u;
    c.vertexShaderVersion = 0xFFFE0101u;
    c.devCaps = kDevCapsHwTransformAndLight;
    c.stencilCaps = kStencilCapsZero;
    c.maxVertexIndex = 0xFFFF;
    c.maxPrimitiveCount = 0xFFFF;
    c.maxTextureWidth = c.maxTextureHeight = 8192;
    return c;
}

std::vector<uint32_t> AdapterConfig::DefaultTextureFormats() {
    return {Fmt::A8R8G8B8, Fmt::X8R8G8B8, Fmt::R5G6B5, Fmt::X1R5G5B5, Fmt::A1R5G5B5, Fmt::A4R4G4B4};
}

std::vector<uint32_t> AdapterConfig::AllColorFormats() {
    std::vector<uint32_t> v;
    for (uint32_t f = 20; f <= 31; ++f)
        v.push_back(f);
    for (uint32_t f = 50; f <= 52; ++f)
        v.push_back(f);
    return v;
}

Result RecordingCheckDeviceFormat(const RecordingConfig& c, uint32_t adapter, uint32_t deviceType,
                                  uint32_t adapterFormat, uint32_t usage, uint32_t resourceType,
                                  uint32_t format) {
    if (c.checkDeviceFormat)
        return c.checkDeviceFormat(adapter, deviceType, adapterFormat, usage, resourceType, format);
    if (adapter >= c.adapters.size())
        return kErrInvalidCall;
    if (deviceType != kDeviceHal)
        return kErrNotAvailable;
    if (resourceType != Rtype::Texture && resourceType != Rtype::Surface)
        return kErrNotAvailable;
    const AdapterConfig& a = c.adapters[adapter];
    const auto& formats = (usage & Usage::RenderTarget) ? a.renderTargetFormats : a.textureFormats;
    return Contains(formats, format) ? kOk : kErrNotAvailable;
}

Result RecordingValidatePresentParams(const RecordingConfig& c, uint32_t adapter,
                                      const PresentParams& pp) {
    if (adapter >= c.adapters.size())
        return kErrInvalidCall;
    if (Failed(CheckType(c, adapter, kDeviceHal, pp.backBufferFormat, pp.backBufferFormat,
                         pp.windowed)))
        return kErrInvalidCall;
    if (!pp.windowed && c.adapters[adapter].fullScreenListedModesOnly) {
        const auto& modes = c.adapters[adapter].modes;
        bool found = std::any_of(modes.begin(), modes.end(), [&](const DisplayMode& m) {
            return m.width == pp.backBufferWidth && m.height == pp.backBufferHeight &&
                   m.format == pp.backBufferFormat;
        });
        if (!found)
            return kErrInvalidCall;
    }
    return kOk;
}

// ---------------------------------------------------------------------------

RecordingApi::RecordingApi(const RecordingConfig& config)
    : shared_(std::make_shared<RecordingShared>()) {
    shared_->config = config;
    for (const FailRule& r : config.failures)
        shared_->failures.Add(r);
}

uint32_t RecordingApi::GetAdapterCount() {
    return static_cast<uint32_t>(shared_->config.adapters.size());
}

uint32_t RecordingApi::GetAdapterModeCount(uint32_t adapter) {
    const auto& a = shared_->config.adapters;
    return adapter < a.size() ? static_cast<uint32_t>(a[adapter].modes.size()) : 0;
}

Result RecordingApi::EnumAdapterModes(uint32_t adapter, uint32_t mode, DisplayMode* out) {
    const auto& a = shared_->config.adapters;
    if (!out || adapter >= a.size() || mode >= a[adapter].modes.size())
        return kErrInvalidCall;
    *out = a[adapter].modes[mode];
    return kOk;
}

Result RecordingApi::GetAdapterDisplayMode(uint32_t adapter, DisplayMode* out) {
    const auto& a = shared_->config.adapters;
    if (!out || adapter >= a.size())
        return kErrInvalidCall;
    if (!a[adapter].desktop)
        return kErrNotAvailable;
    *out = *a[adapter].desktop;
    return kOk;
}

Result RecordingApi::GetAdapterIdentifier(uint32_t adapter, uint32_t, AdapterIdentifier* out) {
    const auto& a = shared_->config.adapters;
    if (!out || adapter >= a.size())
        return kErrInvalidCall;
    *out = a[adapter].identifier;
    return kOk;
}

Result RecordingApi::CheckDeviceType(uint32_t adapter, uint32_t deviceType, uint32_t displayFormat,
                                     uint32_t backBufferFormat, int32_t windowed) {
    return CheckType(shared_->config, adapter, deviceType, displayFormat, backBufferFormat,
                     windowed);
}

Result RecordingApi::CheckDeviceFormat(uint32_t adapter, uint32_t deviceType,
                                       uint32_t adapterFormat, uint32_t usage,
                                       uint32_t resourceType, uint32_t format) {
    return RecordingCheckDeviceFormat(shared_->config, adapter, deviceType, adapterFormat, usage,
                                      resourceType, format);
}

Result RecordingApi::GetDeviceCaps(uint32_t adapter, uint32_t deviceType, Caps* out) {
    const auto& a = shared_->config.adapters;
    if (!out || adapter >= a.size())
        return kErrInvalidCall;
    if (deviceType != kDeviceHal)
        return kErrNotAvailable;
    *out = a[adapter].caps;
    return kOk;
}

Result RecordingApi::CreateDevice(uint32_t adapter, uint32_t deviceType, os::Window* focusWindow,
                                  uint32_t behaviorFlags, PresentParams* pp, Device** out) {
    if (out)
        *out = nullptr;
    if (Result r = shared_->failures.Enter(Call::CreateDevice); Failed(r))
        return r;
    const RecordingConfig& c = shared_->config;
    if (!out || !pp || adapter >= c.adapters.size())
        return kErrInvalidCall;
    if (deviceType != kDeviceHal)
        return kErrNotAvailable;
    bool hw = behaviorFlags & kCreateHardwareVertexProcessing;
    bool sw = behaviorFlags & kCreateSoftwareVertexProcessing;
    if (hw == sw)
        return kErrInvalidCall; // exactly one kind of vertex processing
    if (hw && !c.adapters[adapter].hardwareVertexProcessing)
        return kErrNotAvailable;
    // The parameters as every device takes them (DeviceFront.h), then as the
    // scripted adapter does.
    PresentParams p = *pp;
    if (Failed(PreparePresentParams(focusWindow, &p)))
        return kErrInvalidCall;
    if (Result r = RecordingValidatePresentParams(c, adapter, p); Failed(r))
        return r;
    *out =
        new RecordingDevice(shared_, adapter, behaviorFlags, p, p.window ? p.window : focusWindow);
    pp->backBufferWidth = p.backBufferWidth;
    pp->backBufferHeight = p.backBufferHeight;
    return kOk;
}

Api* CreateRecordingApi(const RecordingConfig& config) {
    return new RecordingApi(config);
}

RecordingApi* AsRecording(Api* api) {
    return dynamic_cast<RecordingApi*>(api);
}

} // namespace gpu
