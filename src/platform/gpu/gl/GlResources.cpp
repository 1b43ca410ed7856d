#include "platform/gpu/gl/GlResources.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <new>

#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/gl/GlDevice.h"

namespace gpu {
// ---- texture ----

GlTexture* GlTexture::Create(GlDevice* device, uint32_t width, uint32_t height, uint32_t levels,
                             uint32_t usage, uint32_t format, uint32_t pool) {
    GlTexture* t = nullptr;
    try {
        t = new GlTexture(device, width, height, levels, usage, format, pool);
        t->levels_.resize(levels);
        for (uint32_t i = 0; i < levels; ++i) {
            Level& l = t->levels_[i];
            const uint32_t w = t->LevelWidth(i), h = t->LevelHeight(i);
            l.width = w;
            l.height = h;
            l.pitch = RowPitch(w, format);
            l.bits.assign(static_cast<size_t>(l.pitch) * h, 0);
            // Nothing is known of texels GL has not been given yet.
            l.blocksX = (w + kOpacityBlock - 1) / kOpacityBlock;
            l.opaqueBlocks.assign(
                static_cast<size_t>(l.blocksX) * ((h + kOpacityBlock - 1) / kOpacityBlock), 0);
        }
    } catch (const std::bad_alloc&) {
        delete t;
        return nullptr;
    }
    device->UseContext();
    glGenTextures(1, &t->name_);
    device->BindTextureForUpload(t->name_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    for (uint32_t i = 0; i < levels; ++i) {
        const Level& l = t->levels_[i];
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), GL_RGBA8, static_cast<GLsizei>(l.width),
                     static_cast<GLsizei>(l.height), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    }
    if (glGetError() == GL_OUT_OF_MEMORY) {
        delete t;
        return nullptr;
    }
    return t;
}

GlTexture::~GlTexture() {
    if (device_)
        device_->Forget(this);
    FreeGl();
}

void GlTexture::Detach() {
    for (uint32_t i = 0; i < levels_.size(); ++i)
        RestoreCopy(i);
    FreeGl();
}

void GlTexture::FreeGl() {
    if (name_ && device_)
        glDeleteTextures(1, &name_);
    name_ = 0;
    device_ = nullptr;
}

size_t GlTexture::CopyBytes() const {
    size_t n = 0;
    for (const Level& l : levels_)
        n += l.bits.size();
    return n;
}

bool GlTexture::DropsCopies() const {
    // GL holds eight bits a channel: wider channels would come back cut.
    const FormatLayout& f = GetFormatLayout(format_);
    const bool fits = std::max({f.r.bits, f.g.bits, f.b.bits, f.a.bits}) <= 8;
    return fits && (usage_ & Usage::Dynamic) == 0 && pool_ != Pool::SystemMem;
}

bool GlTexture::RestoreCopy(uint32_t level) {
    Level& l = levels_[level];
    if (!l.bits.empty())
        return true;
    std::vector<uint8_t> rgba;
    try {
        l.bits.assign(static_cast<size_t>(l.pitch) * l.height, 0);
        rgba.resize(static_cast<size_t>(l.width) * l.height * 4);
    } catch (const std::bad_alloc&) {
        l.bits = {};
        return false;
    }
    if (!device_ || !name_)
        return true; // a copy is only ever given up while GL holds the texels
    device_->BindTextureForUpload(name_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (uint32_t y = 0; y < l.height; ++y)
        PackRow(format_, rgba.data() + static_cast<size_t>(y) * l.width * 4, l.width,
                l.bits.data() + static_cast<size_t>(y) * l.pitch);
    return true;
}

Result GlTexture::LockLevel(uint32_t level, const Rect& r, bool, LockedRect* out) {
    if (!RestoreCopy(level))
        return kErrOutOfVideoMemory;
    Level& l = levels_[level];
    out->pitch = static_cast<int32_t>(l.pitch);
    out->bits = l.bits.data() + static_cast<size_t>(r.top) * l.pitch +
                static_cast<size_t>(r.left) * BytesPerPixel(format_);
    return kOk;
}

void GlTexture::UnlockLevel(uint32_t level, const Rect& r, bool readOnly) {
    Level& l = levels_[level];
    if (!readOnly && Upload(level, r))
        l.wholeInGl = l.wholeInGl ||
                      (r.left == 0 && r.top == 0 && static_cast<uint32_t>(r.right) == l.width &&
                       static_cast<uint32_t>(r.bottom) == l.height);
    // Pictures are rarely locked again once loaded: GL's copy is enough then.
    if (l.wholeInGl && DropsCopies())
        l.bits = {};
}

void GlTexture::UpdateOpacity(uint32_t level, const Rect& r) {
    Level& l = levels_[level];
    if (level == 0)
        holeKnown_ = false;
    const bool hasAlpha = GetFormatLayout(format_).a.bits != 0;
    const uint32_t bpp = BytesPerPixel(format_);
    const uint32_t bx0 = static_cast<uint32_t>(r.left) / kOpacityBlock;
    const uint32_t by0 = static_cast<uint32_t>(r.top) / kOpacityBlock;
    const uint32_t bx1 = (static_cast<uint32_t>(r.right) + kOpacityBlock - 1) / kOpacityBlock;
    const uint32_t by1 = (static_cast<uint32_t>(r.bottom) + kOpacityBlock - 1) / kOpacityBlock;
    uint8_t rgba[kOpacityBlock * 4];
    for (uint32_t by = by0; by < by1; ++by)
        for (uint32_t bx = bx0; bx < bx1; ++bx) {
            const uint32_t x0 = bx * kOpacityBlock, w = std::min(kOpacityBlock, l.width - x0);
            const uint32_t y0 = by * kOpacityBlock, y1 = std::min(y0 + kOpacityBlock, l.height);
            if (!hasAlpha) {
                // Opaque once GL holds the whole block; the texels of a block's
                // other part may never have been uploaded.
                if (x0 >= static_cast<uint32_t>(r.left) && y0 >= static_cast<uint32_t>(r.top) &&
                    x0 + w <= static_cast<uint32_t>(r.right) &&
                    y1 <= static_cast<uint32_t>(r.bottom))
                    l.opaqueBlocks[static_cast<size_t>(by) * l.blocksX + bx] = kBlockOpaque;
                continue;
            }
            // Texels GL was never given may hold anything, and the copy's
            // start as zero: a block is clear only once GL holds all of it.
            const bool whole =
                x0 >= static_cast<uint32_t>(r.left) && y0 >= static_cast<uint32_t>(r.top) &&
                x0 + w <= static_cast<uint32_t>(r.right) && y1 <= static_cast<uint32_t>(r.bottom);
            bool opaque = true, clear = whole;
            for (uint32_t y = y0; y < y1 && (opaque || clear); ++y) {
                ExpandRow(format_, l.bits.data() + static_cast<size_t>(y) * l.pitch + x0 * bpp, w,
                          rgba);
                for (uint32_t x = 0; x < w; ++x) {
                    opaque = opaque && rgba[x * 4 + 3] == 255;
                    clear = clear && rgba[x * 4 + 3] == 0;
                }
            }
            l.opaqueBlocks[static_cast<size_t>(by) * l.blocksX + bx] =
                static_cast<uint8_t>((opaque ? kBlockOpaque : 0) | (clear ? kBlockClear : 0));
        }
}

bool GlTexture::Opaque(uint32_t level, int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
    if (level >= levels_.size())
        return false;
    const Level& l = levels_[level];
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, static_cast<int32_t>(l.width));
    y1 = std::min(y1, static_cast<int32_t>(l.height));
    if (x0 >= x1 || y0 >= y1)
        return false; // nothing known to be read is never proof of full alpha
    const auto b = static_cast<int32_t>(kOpacityBlock);
    for (int32_t by = y0 / b; by <= (y1 - 1) / b; ++by)
        for (int32_t bx = x0 / b; bx <= (x1 - 1) / b; ++bx)
            if (!(l.opaqueBlocks[static_cast<size_t>(by) * l.blocksX + static_cast<size_t>(bx)] &
                  kBlockOpaque))
                return false;
    return true;
}

bool GlTexture::FullyOpaque() const {
    for (const Level& l : levels_)
        for (uint8_t flags : l.opaqueBlocks)
            if (!(flags & kBlockOpaque))
                return false;
    return true;
}

bool GlTexture::Clear(const int32_t r[4]) const {
    if (levels_.empty())
        return false;
    const Level& l = levels_[0];
    if (r[0] < 0 || r[1] < 0 || r[2] > static_cast<int32_t>(l.width) ||
        r[3] > static_cast<int32_t>(l.height))
        return false;
    const auto b = static_cast<int32_t>(kOpacityBlock);
    for (int32_t by = r[1] / b; by * b < r[3]; ++by)
        for (int32_t bx = r[0] / b; bx * b < r[2]; ++bx)
            if (!(l.opaqueBlocks[static_cast<size_t>(by) * l.blocksX + static_cast<size_t>(bx)] &
                  kBlockClear))
                return false;
    return true;
}

bool GlTexture::ClearHole(const int32_t in[4], int32_t out[4]) const {
    if (levels_.empty())
        return false;
    if (holeKnown_ && std::equal(in, in + 4, holeIn_)) {
        std::copy(holeOut_, holeOut_ + 4, out);
        return holeFound_;
    }
    const Level& l = levels_[0];
    const auto b = static_cast<int32_t>(kOpacityBlock);
    // The whole blocks inside the rectangle.
    const int32_t bx0 = (std::max(in[0], 0) + b - 1) / b, by0 = (std::max(in[1], 0) + b - 1) / b;
    const int32_t bx1 = std::min(in[2], static_cast<int32_t>(l.width)) / b;
    const int32_t by1 = std::min(in[3], static_cast<int32_t>(l.height)) / b;
    // The largest rectangle under a histogram of clear runs, row by row.
    int64_t best = 0;
    int32_t found[4] = {0, 0, 0, 0};
    if (bx1 > bx0 && by1 > by0) {
        std::vector<int32_t> run(static_cast<size_t>(bx1 - bx0) + 1, 0), stack;
        for (int32_t by = by0; by < by1; ++by) {
            for (int32_t bx = bx0; bx < bx1; ++bx) {
                const uint8_t flags =
                    l.opaqueBlocks[static_cast<size_t>(by) * l.blocksX + static_cast<size_t>(bx)];
                int32_t& r = run[static_cast<size_t>(bx - bx0)];
                r = (flags & kBlockClear) ? r + 1 : 0;
            }
            stack.clear();
            for (int32_t i = 0; i <= bx1 - bx0; ++i) {
                const int32_t height = i < bx1 - bx0 ? run[static_cast<size_t>(i)] : 0;
                while (!stack.empty() && run[static_cast<size_t>(stack.back())] >= height) {
                    const int32_t h = run[static_cast<size_t>(stack.back())];
                    stack.pop_back();
                    const int32_t left = stack.empty() ? 0 : stack.back() + 1;
                    const int64_t area = static_cast<int64_t>(h) * (i - left);
                    if (area > best) {
                        best = area;
                        found[0] = (bx0 + left) * b;
                        found[1] = (by - h + 1) * b;
                        found[2] = (bx0 + i) * b;
                        found[3] = (by + 1) * b;
                    }
                }
                stack.push_back(i);
            }
        }
    }
    std::copy(in, in + 4, holeIn_);
    std::copy(found, found + 4, holeOut_);
    holeKnown_ = true;
    holeFound_ = best > 0;
    std::copy(found, found + 4, out);
    return holeFound_;
}

bool GlTexture::Upload(uint32_t level, const Rect& r) {
    UpdateOpacity(level, r);
    if (!device_ || !name_)
        return false;
    const Level& l = levels_[level];
    uint32_t w = static_cast<uint32_t>(r.right - r.left),
             h = static_cast<uint32_t>(r.bottom - r.top);
    std::vector<uint8_t> rgba;
    try {
        rgba.resize(static_cast<size_t>(w) * h * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    uint32_t bpp = BytesPerPixel(format_);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* src = l.bits.data() + static_cast<size_t>(r.top + y) * l.pitch +
                             static_cast<size_t>(r.left) * bpp;
        ExpandRow(format_, src, w, rgba.data() + static_cast<size_t>(y) * w * 4);
    }
    device_->BindTextureForUpload(name_);
    glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), r.left, r.top,
                    static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_RGBA, GL_UNSIGNED_BYTE,
                    rgba.data());
    return true;
}

// ---- buffers ----

template <class Interface> bool GlBuffer<Interface>::MakeGlBuffer() {
    glUsage_ = (this->usage_ & Usage::Dynamic) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW;
    this->device_->UseContext();
    glGenBuffers(1, &name_);
    // The copy-write target is bound to nothing the draw state depends on.
    glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
    glBufferData(GL_COPY_WRITE_BUFFER, this->store_.Length(), nullptr, glUsage_);
    if (glGetError() == GL_OUT_OF_MEMORY) {
        FreeGl();
        this->device_ = nullptr; // never known to the device
        return false;
    }
    return true;
}

template <class Interface> void GlBuffer<Interface>::Unlocked(const BufferStore::Written& w) {
    if (!name_ || (!w.discard && w.size == 0))
        return;
    this->device_->UseContext();
    glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
    // A discard refilled the whole copy (see BufferStore): new storage with all
    // of it, which also hands the old storage to draws still in flight.
    if (w.discard)
        glBufferData(GL_COPY_WRITE_BUFFER, this->store_.Length(), this->store_.Data(), glUsage_);
    else
        glBufferSubData(GL_COPY_WRITE_BUFFER, w.offset, w.size, this->store_.Data() + w.offset);
}

template <class Interface> void GlBuffer<Interface>::FreeGl() {
    if (name_ && this->device_)
        glDeleteBuffers(1, &name_);
    name_ = 0;
}

template <class Interface> void GlBuffer<Interface>::Detach() {
    FreeGl();
    this->device_ = nullptr;
}

template <class Interface, class Buffer> Buffer* WithGlBuffer(Buffer* b) {
    if (b && !b->MakeGlBuffer()) {
        delete b;
        return nullptr;
    }
    return b;
}

template class GlBuffer<VertexBuffer>;
template class GlBuffer<IndexBuffer>;

GlVertexBuffer* GlVertexBuffer::Create(GlDevice* device, uint32_t length, uint32_t usage,
                                       uint32_t fvf, uint32_t pool) {
    return WithGlBuffer<VertexBuffer>(
        WithStorage(new (std::nothrow) GlVertexBuffer(device, usage, fvf, pool), length));
}

GlVertexBuffer::~GlVertexBuffer() {
    if (device_)
        device_->Forget(this);
    Detach();
}

GlIndexBuffer* GlIndexBuffer::Create(GlDevice* device, uint32_t length, uint32_t usage,
                                     uint32_t format, uint32_t pool) {
    return WithGlBuffer<IndexBuffer>(
        WithStorage(new (std::nothrow) GlIndexBuffer(device, usage, format, pool), length));
}

GlIndexBuffer::~GlIndexBuffer() {
    if (device_)
        device_->Forget(this);
    Detach();
}

} // namespace gpu
