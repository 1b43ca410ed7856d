#include "platform/gpu/DisplayApi.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/gpu/DeviceFront.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/Refusal.h"
#include "platform/gpu/WindowGlContext.h"
#include "platform/os/Window.h"

namespace gpu {
namespace {

constexpr uint32_t kPixelShader14 = 0xFFFF0104u;
constexpr uint32_t kVertexShader11 = 0xFFFE0101u;
constexpr uint32_t kMaxIndex = 65535;
constexpr uint32_t kApiMaxTextureSize = 8192;
constexpr uint32_t kUsageDepthStencil = 2;

// Display modes are reported in the two formats the game expects of a desktop.
uint32_t ModeFormat(uint32_t sdlFormat) {
    int bits = SDL_BITSPERPIXEL(sdlFormat);
    if (bits >= 24)
        return Fmt::X8R8G8B8;
    if (bits == 16 || bits == 15)
        return Fmt::R5G6B5;
    return Fmt::Unknown;
}

bool SameMode(const DisplayMode& a, const DisplayMode& b) {
    return a.width == b.width && a.height == b.height && a.refreshRate == b.refreshRate &&
           a.format == b.format;
}

void AddMode(std::vector<DisplayMode>& modes, const DisplayMode& m) {
    for (const DisplayMode& e : modes)
        if (SameMode(e, m))
            return;
    modes.push_back(m);
}

} // namespace

void FillDeviceCaps(Caps* out, uint32_t maxTextureSize) {
    *out = Caps{};
    out->pixelShaderVersion = kPixelShader14;
    out->vertexShaderVersion = kVertexShader11;
    out->devCaps = kDevCapsHwTransformAndLight;
    out->stencilCaps = 0; // the back buffer has no stencil
    out->maxVertexIndex = kMaxIndex;
    out->maxPrimitiveCount = kMaxIndex;
    out->maxTextureWidth = out->maxTextureHeight = maxTextureSize;
}

bool TextureFormatUsable(uint32_t format) {
    // The texture loaders pick the first usable candidate of their lists. Left
    // out on purpose: luminance and 3-3-2 formats (a luminance pick would turn
    // colour pictures grey), and alpha of fewer than 8 bits (a one-bit pick
    // cuts every soft mask and dust edge into stair steps, four bits band
    // them). Every texture is 8 bits a channel on the GPU anyway, so the
    // lists fall through to A8R8G8B8 at no cost.
    return format == Fmt::A8R8G8B8 || format == Fmt::X8R8G8B8 || format == Fmt::R5G6B5 ||
           format == Fmt::X1R5G5B5;
}

Api* DisplayApi::Open(const char* backEnd, DeviceMaker make, std::string detail) {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return nullptr;
    return new DisplayApi(backEnd, make, std::move(detail));
}

DisplayApi::DisplayApi(const char* backEnd, DeviceMaker make, std::string detail)
    : backEnd_(backEnd), detail_(std::move(detail)), make_(make) {
    const char* drv = SDL_GetCurrentVideoDriver();
    driver_ = drv ? drv : "";
    int displays = SDL_GetNumVideoDisplays();
    for (int d = 0; d < displays; ++d) {
        Adapter a;
        const char* name = SDL_GetDisplayName(d);
        a.name = name ? name : "Display";
        SDL_DisplayMode desk;
        if (SDL_GetDesktopDisplayMode(d, &desk) == 0 && desk.w > 0 && desk.h > 0) {
            uint32_t f = ModeFormat(desk.format);
            a.desktop = {static_cast<uint32_t>(desk.w), static_cast<uint32_t>(desk.h),
                         static_cast<uint32_t>(desk.refresh_rate), f ? f : Fmt::X8R8G8B8};
        } else {
            a.desktop = {1280, 1024, 60, Fmt::X8R8G8B8};
        }
        std::vector<DisplayMode> sizes;
        int n = SDL_GetNumDisplayModes(d);
        for (int i = 0; i < n; ++i) {
            SDL_DisplayMode m;
            if (SDL_GetDisplayMode(d, i, &m) != 0 || m.w <= 0 || m.h <= 0)
                continue;
            DisplayMode dm{static_cast<uint32_t>(m.w), static_cast<uint32_t>(m.h),
                           static_cast<uint32_t>(m.refresh_rate), ModeFormat(m.format)};
            if (dm.format != Fmt::Unknown)
                sizes.push_back(dm);
        }
        // Full screen never changes the desktop's mode (the back buffer is scaled
        // onto it), so the classic sizes that fit the desktop are always on offer,
        // and every size in both depths: headless drivers and many desktops list
        // a single 32-bit mode.
        static const uint32_t kClassic[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}};
        for (const auto& c : kClassic)
            if (c[0] <= a.desktop.width && c[1] <= a.desktop.height)
                sizes.push_back({c[0], c[1], a.desktop.refreshRate, Fmt::X8R8G8B8});
        if (sizes.empty())
            sizes.push_back(a.desktop);
        AddMode(a.modes, a.desktop);
        for (const DisplayMode& m : sizes) {
            AddMode(a.modes, {m.width, m.height, m.refreshRate, Fmt::X8R8G8B8});
            AddMode(a.modes, {m.width, m.height, m.refreshRate, Fmt::R5G6B5});
        }
        adapters_.push_back(std::move(a));
    }
}

DisplayApi::~DisplayApi() {
    WindowGlContext::DropParked();
}

bool DisplayApi::HasModeFormat(const Adapter& a, uint32_t format) const {
    return std::any_of(a.modes.begin(), a.modes.end(),
                       [&](const DisplayMode& m) { return m.format == format; });
}

uint32_t DisplayApi::GetAdapterModeCount(uint32_t adapter) {
    return adapter < adapters_.size() ? static_cast<uint32_t>(adapters_[adapter].modes.size()) : 0;
}

Result DisplayApi::EnumAdapterModes(uint32_t adapter, uint32_t mode, DisplayMode* out) {
    ClearRefusal();
    if (!out || adapter >= adapters_.size() || mode >= adapters_[adapter].modes.size())
        return Refuse("EnumAdapterModes: no such adapter or mode, or nowhere to put it");
    *out = adapters_[adapter].modes[mode];
    return kOk;
}

Result DisplayApi::GetAdapterDisplayMode(uint32_t adapter, DisplayMode* out) {
    ClearRefusal();
    if (!out || adapter >= adapters_.size())
        return Refuse("GetAdapterDisplayMode: no such adapter, or nowhere to put the mode");
    *out = adapters_[adapter].desktop;
    return kOk;
}

Result DisplayApi::GetAdapterIdentifier(uint32_t adapter, uint32_t, AdapterIdentifier* out) {
    ClearRefusal();
    if (!out || adapter >= adapters_.size())
        return Refuse("GetAdapterIdentifier: no such adapter, or nowhere to put its name");
    *out = AdapterIdentifier{};
    out->driver = backEnd_ + " (" + driver_ + ")";
    out->description = adapters_[adapter].name;
    return kOk;
}

Result DisplayApi::CheckDeviceType(uint32_t adapter, uint32_t deviceType, uint32_t displayFormat,
                                   uint32_t backBufferFormat, int32_t windowed) {
    ClearRefusal();
    if (adapter >= adapters_.size())
        return Refuse("CheckDeviceType: no such adapter");
    const Adapter& a = adapters_[adapter];
    if (deviceType != kDeviceHal)
        return kErrNotAvailable;
    // A window shares the desktop's format; full screen needs a mode of the format.
    bool display = windowed ? displayFormat == a.desktop.format : HasModeFormat(a, displayFormat);
    bool back = backBufferFormat == displayFormat ||
                (displayFormat == Fmt::X8R8G8B8 && backBufferFormat == Fmt::A8R8G8B8);
    return display && back ? kOk : kErrNotAvailable;
}

Result DisplayApi::CheckDeviceFormat(uint32_t adapter, uint32_t deviceType, uint32_t adapterFormat,
                                     uint32_t usage, uint32_t resourceType, uint32_t format) {
    ClearRefusal();
    if (adapter >= adapters_.size())
        return Refuse("CheckDeviceFormat: no such adapter");
    if (deviceType != kDeviceHal)
        return kErrNotAvailable;
    if (adapterFormat != Fmt::X8R8G8B8 && adapterFormat != Fmt::R5G6B5)
        return kErrNotAvailable;
    if (usage & kUsageDepthStencil)
        return format == Fmt::D16 && resourceType == Rtype::Surface ? kOk : kErrNotAvailable;
    if (resourceType != Rtype::Texture && resourceType != Rtype::Surface)
        return kErrNotAvailable;
    return TextureFormatUsable(format) ? kOk : kErrNotAvailable;
}

Result DisplayApi::GetDeviceCaps(uint32_t adapter, uint32_t deviceType, Caps* out) {
    ClearRefusal();
    if (!out || adapter >= adapters_.size())
        return Refuse("GetDeviceCaps: no such adapter, or nowhere to put the caps");
    if (deviceType != kDeviceHal)
        return kErrNotAvailable;
    FillDeviceCaps(out, kApiMaxTextureSize);
    return kOk;
}

Result DisplayApi::CreateDevice(uint32_t adapter, uint32_t deviceType, os::Window* focusWindow,
                                uint32_t, PresentParams* pp, Device** out) {
    ClearRefusal();
    if (!out || !pp)
        return Refuse("CreateDevice: nowhere to put the device, or no present parameters");
    *out = nullptr;
    if (adapter >= adapters_.size())
        return Refuse("CreateDevice: no such adapter");
    if (deviceType != kDeviceHal)
        return kErrNotAvailable;
    const Adapter& a = adapters_[adapter];
    bool usable = std::any_of(a.modes.begin(), a.modes.end(), [](const DisplayMode& m) {
        return m.width >= 640 && m.height >= 480 && m.format != Fmt::Unknown;
    });
    if (!usable)
        return kErrNotAvailable;
    os::Window* window = pp->window ? pp->window : focusWindow;
    if (!window)
        return Refuse("CreateDevice: no window to show the picture in");
    PresentParams p = *pp;
    p.window = window;
    if (p.windowed && p.backBufferFormat == Fmt::Unknown)
        p.backBufferFormat = a.desktop.format;
    if (Result refused = PreparePresentParams(window, &p); Failed(refused))
        return refused;
    Device* dev = nullptr;
    const Result r = make_(window, p, &dev);
    if (Failed(r))
        return r;
    // Like the original, the record comes back with the sizes actually used,
    // which only a device that draws for real can tell.
    const FrameProbe* made = ProbeOf(dev);
    if (!made) {
        dev->Release();
        return Refuse("CreateDevice: the back end made a device that does not draw");
    }
    pp->backBufferWidth = made->BackBufferWidth();
    pp->backBufferHeight = made->BackBufferHeight();
    pp->backBufferFormat = p.backBufferFormat;
    *out = dev;
    return kOk;
}

} // namespace gpu
