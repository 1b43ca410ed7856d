#include "engine/DisplayModes.h"

#include <algorithm>
#include <cmath>

#include "engine/PixelFormat.h"

namespace {

constexpr uint32_t kMinWidth = 640, kMinHeight = 480;
constexpr uint32_t kFirstModeFormat = gpu::Fmt::R8G8B8, kLastModeFormat = gpu::Fmt::X4R4G4B4;
constexpr uint32_t kVendorWithClass5 = 0x1002;

bool IsModeFormat(uint32_t f) { return f >= kFirstModeFormat && f <= kLastModeFormat; }

}  // namespace

bool BitsMatch(uint32_t a, uint32_t b) {
    return a == b || (a == 24 && b == 32) || (a == 32 && b == 24);
}

DisplayModeList::DisplayModeList(gpu::Api* api, int adapter) { Build(api, adapter); }

void DisplayModeList::Build(gpu::Api* api, int adapter) {
    api_ = api;
    adapter_ = adapter;
    modes_.clear();
    desktopIndex_ = -1;
    if (!api || adapter < 0)
        return;
    const auto a = static_cast<uint32_t>(adapter);
    const uint32_t count = api->GetAdapterModeCount(a);
    for (uint32_t i = 0; i < count; ++i) {
        gpu::DisplayMode m;
        if (gpu::Failed(api->EnumAdapterModes(a, i, &m)))
            continue;
        if (m.width < kMinWidth || m.height < kMinHeight)
            continue;
        // Modes that differ only in refresh rate give one record.
        const bool seen = std::any_of(modes_.begin(), modes_.end(), [&](const DisplayMode& d) {
            return d.width == m.width && d.height == m.height && d.format == m.format;
        });
        if (seen || !IsModeFormat(m.format))
            continue;

        DisplayMode d;
        d.width = m.width;
        d.height = m.height;
        d.format = m.format;
        d.windowed = gpu::Failed(api->CheckDeviceType(a, gpu::kDeviceHal, m.format, m.format, 1)) ? 0 : 1;
        d.fullScreen = gpu::Failed(api->CheckDeviceType(a, gpu::kDeviceHal, m.format, m.format, 0)) ? 0 : 1;
        auto targetOk = [&](uint32_t f) {
            return !gpu::Failed(api->CheckDeviceFormat(a, gpu::kDeviceHal, m.format,
                                                       gpu::Usage::RenderTarget,
                                                       gpu::Rtype::Texture, f));
        };
        if (targetOk(m.format)) {
            d.targetFormat = m.format;
        } else {
            for (uint32_t f = kFirstModeFormat; f <= kLastModeFormat && d.targetFormat == 0; ++f)
                if (targetOk(f))
                    d.targetFormat = f;
        }
        if ((d.windowed == 0 && d.fullScreen == 0) || d.targetFormat == 0)
            continue;

        const CPixelFormat pf(m.format);
        d.bits = pf.bitsPerPixel;
        d.redBits = pf.red.bits, d.redMask = pf.red.mask, d.redShift = pf.red.shift;
        d.greenBits = pf.green.bits, d.greenMask = pf.green.mask, d.greenShift = pf.green.shift;
        d.blueBits = pf.blue.bits, d.blueMask = pf.blue.mask, d.blueShift = pf.blue.shift;
        d.alphaBits = pf.alpha.bits, d.alphaMask = pf.alpha.mask, d.alphaShift = pf.alpha.shift;
        modes_.push_back(d);
    }

    std::stable_sort(modes_.begin(), modes_.end(), [](const DisplayMode& x, const DisplayMode& y) {
        if (x.width != y.width)
            return x.width < y.width;
        if (x.height != y.height)
            return x.height < y.height;
        return x.bits < y.bits;
    });

    gpu::DisplayMode desk;
    if (!gpu::Failed(api->GetAdapterDisplayMode(a, &desk))) {
        for (size_t i = 0; i < modes_.size(); ++i) {
            const DisplayMode& d = modes_[i];
            if (d.format == desk.format && d.width == desk.width && d.height == desk.height &&
                d.windowed == 1) {
                desktopIndex_ = static_cast<int>(i);
                break;
            }
        }
    }
}

const DisplayMode* DisplayModeList::GetDesktopMode() const {
    return desktopIndex_ >= 0 ? &modes_[static_cast<size_t>(desktopIndex_)] : nullptr;
}

namespace {

// Runs the exact pass, then (with fallback) the at-least-as-large pass, then
// falls back to the last record.
template <class Exact, class Larger>
int TwoPass(const std::vector<DisplayMode>& modes, bool fallback, Exact exact, Larger larger) {
    for (size_t i = 0; i < modes.size(); ++i)
        if (exact(modes[i]))
            return static_cast<int>(i);
    if (!fallback)
        return -1;
    for (size_t i = 0; i < modes.size(); ++i)
        if (larger(modes[i]))
            return static_cast<int>(i);
    return static_cast<int>(modes.size()) - 1;
}

}  // namespace

int DisplayModeList::Find(uint32_t w, uint32_t h, uint32_t format, bool fallback) const {
    return TwoPass(
        modes_, fallback,
        [&](const DisplayMode& m) { return m.width == w && m.height == h && m.format == format; },
        [&](const DisplayMode& m) { return m.width >= w && m.height >= h && m.format == format; });
}

int DisplayModeList::FindWindowed(uint32_t w, uint32_t h, uint32_t format, bool fallback) const {
    return TwoPass(
        modes_, fallback,
        [&](const DisplayMode& m) {
            return m.width == w && m.height == h && m.format == format && m.windowed;
        },
        [&](const DisplayMode& m) {
            return m.width >= w && m.height >= h && m.format == format && m.windowed;
        });
}

int DisplayModeList::FindFullscreen(uint32_t w, uint32_t h, uint32_t format,
                                    bool fallback) const {
    return TwoPass(
        modes_, fallback,
        [&](const DisplayMode& m) {
            return m.width == w && m.height == h && m.format == format && m.fullScreen;
        },
        [&](const DisplayMode& m) {
            return m.width >= w && m.height >= h && m.format == format && m.fullScreen;
        });
}

int DisplayModeList::FindFullscreenBySize(uint32_t w, uint32_t h, bool fallback) const {
    return TwoPass(
        modes_, fallback,
        [&](const DisplayMode& m) { return m.width == w && m.height == h && m.fullScreen; },
        [&](const DisplayMode& m) { return m.width >= w && m.height >= h; });
}

int DisplayModeList::FindFullscreenByDepth(uint32_t w, uint32_t h, int bits, bool fallback) const {
    const auto b = static_cast<uint32_t>(bits);
    return TwoPass(
        modes_, fallback,
        [&](const DisplayMode& m) {
            return m.width == w && m.height == h && BitsMatch(m.bits, b) && m.fullScreen;
        },
        [&](const DisplayMode& m) {
            return m.width >= w && m.height >= h && BitsMatch(m.bits, b) && m.fullScreen;
        });
}

int DisplayModeList::FindByAspect(float ratio, float tolerance, uint32_t height, int bits) const {
    const auto b = static_cast<uint32_t>(bits);
    auto aspect = [](const DisplayMode& m) {
        return static_cast<float>(m.height) / static_cast<float>(m.width);
    };
    auto close = [&](const DisplayMode& m) { return std::fabs(aspect(m) - ratio) < tolerance; };
    auto narrower = [&](const DisplayMode& m) { return aspect(m) < ratio; };
    for (int pass = 0; pass < 4; ++pass) {
        for (size_t i = 0; i < modes_.size(); ++i) {
            const DisplayMode& m = modes_[i];
            if (!BitsMatch(m.bits, b) || !m.fullScreen)
                continue;
            const bool shape = pass < 2 ? close(m) : narrower(m);
            const bool tall = (pass % 2 == 0) ? m.height == height : m.height >= height;
            if (shape && tall)
                return static_cast<int>(i);
        }
    }
    return -1;
}

int GetGpuClass(int adapter, gpu::Api* api) {
    if (!api || adapter < 0)
        return 0;
    const auto a = static_cast<uint32_t>(adapter);
    gpu::Caps caps;
    if (gpu::Failed(api->GetDeviceCaps(a, gpu::kDeviceHal, &caps)))
        return 0;
    if ((caps.pixelShaderVersion & 0xFFFF) != 0) {
        gpu::AdapterIdentifier id;
        if (!gpu::Failed(api->GetAdapterIdentifier(a, 0, &id)) && id.vendorId != kVendorWithClass5)
            return 4;
        return 5;
    }
    if ((caps.vertexShaderVersion & 0xFFFF) != 0)
        return 4;
    if (caps.devCaps & gpu::kDevCapsHwTransformAndLight)
        return 3;
    if (caps.stencilCaps & gpu::kStencilCapsZero)
        return 2;
    return 1;
}
