#include "platform/gpu/TextureLoader.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/Refusal.h"
#include "platform/image/Image.h"
#include "platform/os/Path.h"

namespace gpu {
namespace {

// The helpers' level counts: 0 or kDefault for the full chain, and more
// levels than the chain has cut to it (the device refuses those).
uint32_t HelperLevels(uint32_t mipLevels, uint32_t width, uint32_t height) {
    if (mipLevels == kDefault)
        return 0;
    return std::min(mipLevels, FullMipChain(width, height));
}

// An RGBA8 picture, rows top to bottom, tightly packed.
struct Pixels {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

thread_local img::DecodeError lastDecodeError = img::DecodeError::None;

Result ToResult(img::DecodeError e) {
    lastDecodeError = e;
    switch (e) {
    case img::DecodeError::None:
        return kOk;
    case img::DecodeError::Open:
        return kErrNotFound;
    default:
        return kErrInvalidData;
    }
}

Result Decode(const std::string& path, img::Image& out) {
    return ToResult(img::DecodeFile(os::ResolveReadPath(path), out));
}

void FillInfo(const img::Image& im, ImageInfo* info) {
    if (!info)
        return;
    info->width = static_cast<uint32_t>(im.width);
    info->height = static_cast<uint32_t>(im.height);
    info->depth = 1;
    info->mipLevels = 1;
    info->format = im.hasAlpha ? Fmt::A8R8G8B8 : im.grey ? Fmt::L8 : Fmt::X8R8G8B8;
    info->resourceType = Rtype::Texture;
    info->imageFileFormat = static_cast<uint32_t>(im.format);
}

// The part `r` of the picture (validated by the caller), colour key applied.
Pixels Crop(const img::Image& im, const Rect& r, uint32_t colorKey) {
    Pixels p;
    p.width = static_cast<uint32_t>(r.right - r.left);
    p.height = static_cast<uint32_t>(r.bottom - r.top);
    p.rgba.resize(static_cast<size_t>(p.width) * p.height * 4);
    for (uint32_t y = 0; y < p.height; ++y) {
        const uint8_t* src =
            im.rgba.data() + (static_cast<size_t>(r.top + y) * im.width + r.left) * 4;
        std::copy(src, src + p.width * 4, p.rgba.data() + static_cast<size_t>(y) * p.width * 4);
    }
    if (colorKey != 0) {
        for (size_t i = 0; i < p.rgba.size(); i += 4) {
            uint8_t* px = &p.rgba[i];
            uint32_t argb = static_cast<uint32_t>(px[3]) << 24 | px[0] << 16 | px[1] << 8 | px[2];
            if (argb == colorKey)
                px[0] = px[1] = px[2] = px[3] = 0;
        }
    }
    return p;
}

// Source taps of one destination pixel along one axis.
struct Taps {
    uint32_t first = 0;
    std::vector<float> weights;
};

// Area averaging: each destination pixel covers src/dst source pixels.
std::vector<Taps> AreaTaps(uint32_t src, uint32_t dst) {
    std::vector<Taps> taps(dst);
    double scale = static_cast<double>(src) / dst;
    for (uint32_t i = 0; i < dst; ++i) {
        double a = i * scale, b = (i + 1) * scale;
        auto j0 = static_cast<uint32_t>(a);
        auto j1 = std::min(src, static_cast<uint32_t>(std::ceil(b)));
        taps[i].first = j0;
        for (uint32_t j = j0; j < j1; ++j) {
            double overlap = std::min(b, j + 1.0) - std::max(a, static_cast<double>(j));
            taps[i].weights.push_back(static_cast<float>(std::max(0.0, overlap) / scale));
        }
    }
    return taps;
}

std::vector<Taps> PointTaps(uint32_t src, uint32_t dst) {
    std::vector<Taps> taps(dst);
    double scale = static_cast<double>(src) / dst;
    for (uint32_t i = 0; i < dst; ++i) {
        taps[i].first = std::min(src - 1, static_cast<uint32_t>((i + 0.5) * scale));
        taps[i].weights = {1.0f};
    }
    return taps;
}

// No scaling: pixel i is source pixel i, or nothing past the source's end.
std::vector<Taps> CopyTaps(uint32_t src, uint32_t dst) {
    std::vector<Taps> taps(dst);
    for (uint32_t i = 0; i < dst && i < src; ++i)
        taps[i] = {i, {1.0f}};
    return taps;
}

Pixels Resample(const Pixels& src, uint32_t w, uint32_t h, uint32_t filter) {
    if (src.width == w && src.height == h)
        return src;
    uint32_t kind = filter == kDefault ? uint32_t{Filter::Box} : (filter & 0xFF);
    auto taps = [&](uint32_t s, uint32_t d) {
        if (kind == Filter::None)
            return CopyTaps(s, d);
        if (kind == Filter::Point)
            return PointTaps(s, d);
        return AreaTaps(s, d);
    };
    std::vector<Taps> tx = taps(src.width, w), ty = taps(src.height, h);
    // Rows first (into floats), then columns.
    std::vector<float> rows(static_cast<size_t>(w) * src.height * 4, 0.0f);
    for (uint32_t y = 0; y < src.height; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            float* d = &rows[(static_cast<size_t>(y) * w + x) * 4];
            const Taps& t = tx[x];
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const uint8_t* s =
                    &src.rgba[(static_cast<size_t>(y) * src.width + t.first + k) * 4];
                for (int c = 0; c < 4; ++c)
                    d[c] += t.weights[k] * s[c];
            }
        }
    Pixels out;
    out.width = w;
    out.height = h;
    out.rgba.resize(static_cast<size_t>(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            float acc[4] = {0, 0, 0, 0};
            const Taps& t = ty[y];
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const float* s = &rows[((t.first + k) * static_cast<size_t>(w) + x) * 4];
                for (int c = 0; c < 4; ++c)
                    acc[c] += t.weights[k] * s[c];
            }
            uint8_t* d = &out.rgba[(static_cast<size_t>(y) * w + x) * 4];
            for (int c = 0; c < 4; ++c)
                d[c] = static_cast<uint8_t>(std::clamp(acc[c] + 0.5f, 0.0f, 255.0f));
        }
    return out;
}

// Packs RGBA8 rows into a locked area of `format`.
void PackInto(const Pixels& p, uint32_t format, const LockedRect& lr) {
    auto* dst = static_cast<uint8_t*>(lr.bits);
    for (uint32_t y = 0; y < p.height; ++y)
        PackRow(format, p.rgba.data() + static_cast<size_t>(y) * p.width * 4, p.width,
                dst + static_cast<ptrdiff_t>(y) * lr.pitch);
}

bool IsDefaultSize(uint32_t v) {
    return v == 0 || v == kDefault || v == kDefault - 1;
}

Result TextureFromImage(Device* device, const img::Image& im, uint32_t width, uint32_t height,
                        uint32_t mipLevels, uint32_t usage, uint32_t format, uint32_t pool,
                        uint32_t filter, uint32_t colorKey, Texture** out) {
    if (im.width <= 0 || im.height <= 0 ||
        im.rgba.size() != static_cast<size_t>(im.width) * im.height * 4)
        return kErrInvalidData;
    uint32_t w = IsDefaultSize(width) ? static_cast<uint32_t>(im.width) : width;
    uint32_t h = IsDefaultSize(height) ? static_cast<uint32_t>(im.height) : height;
    if (format == Fmt::Unknown || format == kDefault)
        format = (im.hasAlpha || colorKey != 0) ? Fmt::A8R8G8B8 : Fmt::X8R8G8B8;
    const uint32_t levels = HelperLevels(mipLevels, w, h);

    if (!IsColorFormat(format))
        return Refuse("CreateTextureFromFile: not a colour format");

    Texture* tex = nullptr;
    if (Result r = device->CreateTexture(w, h, levels, usage, format, pool, &tex); Failed(r))
        return r;
    Pixels level = Resample(Crop(im, Rect{0, 0, im.width, im.height}, colorKey), w, h, filter);
    for (uint32_t i = 0, n = tex->GetLevelCount(); i < n; ++i) {
        if (i > 0)
            level = Resample(level, std::max(1u, w >> i), std::max(1u, h >> i), Filter::Box);
        LockedRect lr;
        Result r = tex->LockRect(i, &lr, nullptr, 0);
        if (Failed(r)) {
            tex->Release();
            return r;
        }
        PackInto(level, format, lr);
        tex->UnlockRect(i);
    }
    *out = tex;
    return kOk;
}

} // namespace

Result CreateTextureFromFileEx(Device* device, const std::string& path, uint32_t width,
                               uint32_t height, uint32_t mipLevels, uint32_t usage, uint32_t format,
                               uint32_t pool, uint32_t filter, uint32_t, uint32_t colorKey,
                               ImageInfo* info, Texture** out) {
    ClearRefusal();
    if (out)
        *out = nullptr;
    if (!device || !out)
        return Refuse("CreateTextureFromFile: no device, or nowhere to put the texture");
    img::Image im;
    if (Result r = Decode(path, im); Failed(r))
        return r;
    FillInfo(im, info);
    return TextureFromImage(device, im, width, height, mipLevels, usage, format, pool, filter,
                            colorKey, out);
}

const char* LastDecodeError() {
    return lastDecodeError == img::DecodeError::None ? nullptr : img::ToString(lastDecodeError);
}

Result CreateTextureFromFileInMemoryEx(Device* device, const void* data, size_t size,
                                       uint32_t width, uint32_t height, uint32_t mipLevels,
                                       uint32_t usage, uint32_t format, uint32_t pool,
                                       uint32_t filter, uint32_t, uint32_t colorKey,
                                       ImageInfo* info, Texture** out) {
    ClearRefusal();
    if (out)
        *out = nullptr;
    if (!device || !out || !data || size == 0)
        return Refuse("CreateTextureFromFileInMemory: no device, no picture, or nowhere to put "
                      "the texture");
    img::Image im;
    if (Result r = ToResult(img::Decode(static_cast<const uint8_t*>(data), size, im)); Failed(r))
        return r;
    FillInfo(im, info);
    return TextureFromImage(device, im, width, height, mipLevels, usage, format, pool, filter,
                            colorKey, out);
}

Result CreateTexture(Device* device, uint32_t width, uint32_t height, uint32_t mipLevels,
                     uint32_t usage, uint32_t format, uint32_t pool, Texture** out) {
    ClearRefusal();
    if (out)
        *out = nullptr;
    if (!device || !out)
        return Refuse("CreateTexture: no device, or nowhere to put the texture");
    constexpr uint32_t kDefaultSize = 256;
    if (IsDefaultSize(width))
        width = kDefaultSize;
    if (IsDefaultSize(height))
        height = kDefaultSize;
    if (format == Fmt::Unknown || format == kDefault)
        format = Fmt::A8R8G8B8;
    return device->CreateTexture(width, height, HelperLevels(mipLevels, width, height), usage,
                                 format, pool, out);
}

Result LoadSurfaceFromFile(Surface* surface, const Rect* dstRect, const std::string& path,
                           const Rect* srcRect, uint32_t filter, uint32_t colorKey,
                           ImageInfo* info) {
    ClearRefusal();
    if (!surface)
        return Refuse("LoadSurfaceFromFile: no surface");
    SurfaceDesc desc;
    if (Result r = surface->GetDesc(&desc); Failed(r))
        return r;
    if (!IsColorFormat(desc.format))
        return Refuse("LoadSurfaceFromFile: not a colour surface");
    Rect dst{0, 0, static_cast<int32_t>(desc.width), static_cast<int32_t>(desc.height)};
    if (dstRect) {
        if (dstRect->left < 0 || dstRect->top < 0 || dstRect->left >= dstRect->right ||
            dstRect->top >= dstRect->bottom || dstRect->right > dst.right ||
            dstRect->bottom > dst.bottom)
            return Refuse("LoadSurfaceFromFile: the surface's rectangle is empty or leaves it");
        dst = *dstRect;
    }
    img::Image im;
    if (Result r = Decode(path, im); Failed(r))
        return r;
    if (im.width <= 0 || im.height <= 0 ||
        im.rgba.size() != static_cast<size_t>(im.width) * im.height * 4)
        return kErrInvalidData;
    Rect src{0, 0, im.width, im.height};
    if (srcRect) {
        if (srcRect->left < 0 || srcRect->top < 0 || srcRect->left >= srcRect->right ||
            srcRect->top >= srcRect->bottom || srcRect->right > im.width ||
            srcRect->bottom > im.height)
            return Refuse("LoadSurfaceFromFile: the picture's rectangle is empty or leaves it");
        src = *srcRect;
    }
    FillInfo(im, info);
    Pixels p = Resample(Crop(im, src, colorKey), static_cast<uint32_t>(dst.right - dst.left),
                        static_cast<uint32_t>(dst.bottom - dst.top), filter);
    LockedRect lr;
    if (Result r = surface->LockRect(&lr, &dst, 0); Failed(r))
        return r;
    PackInto(p, desc.format, lr);
    return surface->UnlockRect();
}

} // namespace gpu
