#include "platform/gpu/soft/SoftResources.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/soft/SoftDevice.h"
#include "platform/gpu/soft/SoftSpans.h"

namespace gpu {
namespace {

// The formats stored as they are locked: the lock hands out the words themselves.
bool Direct(uint32_t format) {
    return format == Fmt::A8R8G8B8 || format == Fmt::X8R8G8B8;
}

uint32_t ToArgb(const uint8_t* rgba) {
    return static_cast<uint32_t>(rgba[3]) << 24 | static_cast<uint32_t>(rgba[0]) << 16 |
           static_cast<uint32_t>(rgba[1]) << 8 | rgba[2];
}

void ToRgba(uint32_t argb, uint8_t* rgba) {
    rgba[0] = static_cast<uint8_t>(argb >> 16);
    rgba[1] = static_cast<uint8_t>(argb >> 8);
    rgba[2] = static_cast<uint8_t>(argb);
    rgba[3] = static_cast<uint8_t>(argb >> 24);
}

// Formats with a channel wider than our texels' eight bits: their levels are
// also kept as they were written, so that a lock reads back every bit (as the
// GL back end's copy gives them back).
bool Wide(uint32_t format) {
    const FormatLayout& f = GetFormatLayout(format);
    return std::max({f.r.bits, f.g.bits, f.b.bits, f.a.bits}) > 8;
}

// A level's clear tiles, and their share.
void FindClear(SoftLevel& l, bool opaque) {
    l.clearTiles = opaque ? std::vector<uint8_t>{}
                          : FindClearTiles(l.argb.data(), static_cast<int32_t>(l.width),
                                           static_cast<int32_t>(l.height));
    l.clearShare =
        l.clearTiles.empty()
            ? 0.0f
            : static_cast<float>(std::count(l.clearTiles.begin(), l.clearTiles.end(), 1)) /
                  static_cast<float>(l.clearTiles.size());
}

} // namespace

SoftTexture* SoftTexture::Create(SoftDevice* device, uint32_t width, uint32_t height,
                                 uint32_t levels, uint32_t usage, uint32_t format, uint32_t pool) {
    SoftTexture* t = nullptr;
    try {
        t = new SoftTexture(device, width, height, levels, usage, format, pool);
        t->levels_.resize(levels);
        for (uint32_t i = 0; i < levels; ++i) {
            Slot& s = t->levels_[i];
            const uint32_t w = t->LevelWidth(i), h = t->LevelHeight(i);
            s.pixels.width = w;
            s.pixels.height = h;
            // A new texture reads as zero in its own format: black, and opaque
            // where the format has no alpha.
            const uint32_t empty = GetFormatLayout(format).a.bits ? 0u : 0xFF000000u;
            s.pixels.argb.assign(static_cast<size_t>(w) * h, empty);
            if (Wide(format))
                s.written.assign(static_cast<size_t>(RowPitch(w, format)) * h, 0);
        }
    } catch (const std::bad_alloc&) {
        if (t)
            t->device_ = nullptr;
        delete t;
        return nullptr;
    }
    for (uint32_t l = 0; l < levels; ++l)
        t->UpdateOpacity(l);
    t->NewVersion();
    return t;
}

void SoftTexture::NewVersion() {
    static std::atomic<uint64_t> last{0};
    version_ = last.fetch_add(1, std::memory_order_relaxed) + 1;
}

SoftTexture::~SoftTexture() {
    if (device_)
        device_->Forget(this);
}

Result SoftTexture::LockLevel(uint32_t level, const Rect& r, bool readOnly, LockedRect* out) {
    Slot& s = levels_[level];
    // A read-only lock changes no texel: queued draws may keep reading, and
    // the unlock finds the opacity and clear tiles as they were.
    if (device_ && !readOnly)
        device_->BeforeTextureChange(this);
    if (!readOnly)
        NewVersion();
    const uint32_t w = s.pixels.width;
    if (Direct(format_)) {
        out->pitch = static_cast<int32_t>(w * 4);
        out->bits = s.pixels.argb.data() + static_cast<size_t>(r.top) * w + r.left;
    } else {
        const uint32_t rw = static_cast<uint32_t>(r.right - r.left);
        const uint32_t rh = static_cast<uint32_t>(r.bottom - r.top);
        s.stagingPitch = RowPitch(rw, format_);
        try {
            s.staging.assign(static_cast<size_t>(s.stagingPitch) * rh, 0);
        } catch (const std::bad_alloc&) {
            return kErrOutOfMemory;
        }
        std::vector<uint8_t> rgba(static_cast<size_t>(rw) * 4);
        const uint32_t pitch = RowPitch(w, format_), bpp = BytesPerPixel(format_);
        for (uint32_t y = 0; y < rh; ++y) {
            uint8_t* to = &s.staging[static_cast<size_t>(y) * s.stagingPitch];
            if (!s.written.empty()) {
                std::memcpy(to, &s.written[static_cast<size_t>(r.top + y) * pitch + r.left * bpp],
                            static_cast<size_t>(rw) * bpp);
                continue;
            }
            const uint32_t* src = &s.pixels.argb[static_cast<size_t>(r.top + y) * w + r.left];
            for (uint32_t x = 0; x < rw; ++x)
                ToRgba(src[x], &rgba[x * 4]);
            PackRow(format_, rgba.data(), rw, to);
        }
        out->pitch = static_cast<int32_t>(s.stagingPitch);
        out->bits = s.staging.data();
    }
    return kOk;
}

void SoftTexture::UnlockLevel(uint32_t level, const Rect& r, bool readOnly) {
    Slot& s = levels_[level];
    if (readOnly) {
        s.staging = {};
        return;
    }
    NewVersion();
    const uint32_t w = s.pixels.width;
    const auto rw = static_cast<uint32_t>(r.right - r.left);
    if (format_ == Fmt::X8R8G8B8) {
        // The unused byte may hold anything; the texel is opaque.
        for (int32_t y = r.top; y < r.bottom; ++y) {
            uint32_t* row = &s.pixels.argb[static_cast<size_t>(y) * w + r.left];
            for (uint32_t x = 0; x < rw; ++x)
                row[x] |= 0xFF000000u;
        }
    } else if (!Direct(format_)) {
        std::vector<uint8_t> rgba(static_cast<size_t>(rw) * 4);
        const uint32_t pitch = RowPitch(w, format_), bpp = BytesPerPixel(format_);
        for (int32_t y = r.top; y < r.bottom; ++y) {
            const uint8_t* from = &s.staging[static_cast<size_t>(y - r.top) * s.stagingPitch];
            if (!s.written.empty())
                std::memcpy(&s.written[static_cast<size_t>(y) * pitch + r.left * bpp], from,
                            static_cast<size_t>(rw) * bpp);
            ExpandRow(format_, from, rw, rgba.data());
            uint32_t* row = &s.pixels.argb[static_cast<size_t>(y) * w + r.left];
            for (uint32_t x = 0; x < rw; ++x)
                row[x] = ToArgb(&rgba[x * 4]);
        }
        s.staging = {};
    }
    UpdateOpacity(level);
}

void SoftTexture::UpdateOpacity(uint32_t level) {
    opaque_ = std::all_of(levels_.begin(), levels_.end(), [](const Slot& s) {
        return std::all_of(s.pixels.argb.begin(), s.pixels.argb.end(),
                           [](uint32_t c) { return c >= 0xFF000000u; });
    });
    FindClear(levels_[level].pixels, opaque_);
    for (SoftLevel& m : levels_[level].mirrored)
        m = SoftLevel{}; // made again when next asked for
}

const SoftLevel& SoftTexture::Level(uint32_t i, bool mirrorU, bool mirrorV) const {
    const Slot& s = levels_[i];
    if (!mirrorU && !mirrorV)
        return s.pixels;
    const SoftLevel& m = s.mirrored[(mirrorU ? 1 : 0) + (mirrorV ? 2 : 0) - 1];
    return m.argb.empty() ? s.pixels : m;
}

void SoftTexture::PrepareMirrored(bool mirrorU, bool mirrorV) {
    if (!mirrorU && !mirrorV)
        return;
    for (Slot& s : levels_) {
        SoftLevel& m = s.mirrored[(mirrorU ? 1 : 0) + (mirrorV ? 2 : 0) - 1];
        if (!m.argb.empty())
            continue;
        const SoftLevel& l = s.pixels;
        m.width = l.width * (mirrorU ? 2 : 1);
        m.height = l.height * (mirrorV ? 2 : 1);
        try {
            m.argb.resize(static_cast<size_t>(m.width) * m.height);
        } catch (const std::bad_alloc&) {
            m = SoftLevel{}; // read unmirrored
            continue;
        }
        for (uint32_t y = 0; y < m.height; ++y) {
            const uint32_t from = y < l.height ? y : 2 * l.height - 1 - y;
            for (uint32_t x = 0; x < m.width; ++x)
                m.argb[static_cast<size_t>(y) * m.width + x] =
                    l.argb[static_cast<size_t>(from) * l.width +
                           (x < l.width ? x : 2 * l.width - 1 - x)];
        }
        FindClear(m, opaque_);
    }
}

size_t SoftTexture::Bytes() const {
    size_t n = 0;
    for (const Slot& s : levels_) {
        n += s.pixels.argb.size() * sizeof(uint32_t) + s.staging.size() +
             s.pixels.clearTiles.size() + s.written.size();
        for (const SoftLevel& m : s.mirrored)
            n += m.argb.size() * sizeof(uint32_t) + m.clearTiles.size();
    }
    return n;
}

SoftVertexBuffer* SoftVertexBuffer::Create(SoftDevice* device, uint32_t length, uint32_t usage,
                                           uint32_t fvf, uint32_t pool) {
    return WithStorage(new (std::nothrow) SoftVertexBuffer(device, usage, fvf, pool), length);
}

SoftVertexBuffer::~SoftVertexBuffer() {
    if (device_)
        device_->Forget(this);
}

SoftIndexBuffer* SoftIndexBuffer::Create(SoftDevice* device, uint32_t length, uint32_t usage,
                                         uint32_t format, uint32_t pool) {
    return WithStorage(new (std::nothrow) SoftIndexBuffer(device, usage, format, pool), length);
}

SoftIndexBuffer::~SoftIndexBuffer() {
    if (device_)
        device_->Forget(this);
}

} // namespace gpu
