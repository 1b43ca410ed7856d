#pragma once
// Resources of the GL back end. Each keeps a CPU copy of its contents (textures in
// their own format, buffers as bytes) and uploads what was locked when it is
// unlocked; a loaded picture gives its copy up once GL holds all of it and reads
// it back from GL when locked again. A resource may outlive its device (the
// engine's registries can hold the last reference); it then loses its GL object
// and keeps only the CPU copy.
#include <cstdint>
#include <type_traits>
#include <vector>

#include "platform/gpu/Gpu.h"

namespace gpu {

class GlDevice;

class GlTexture final : public Texture {
public:
    // Allocates the CPU levels and the GL texture; null when out of memory.
    static GlTexture* Create(GlDevice* device, uint32_t width, uint32_t height, uint32_t levels,
                             uint32_t usage, uint32_t format, uint32_t pool);
    ~GlTexture() override;

    uint32_t GetLevelCount() override { return static_cast<uint32_t>(levels_.size()); }
    Result GetLevelDesc(uint32_t level, SurfaceDesc* out) override;
    Result LockRect(uint32_t level, LockedRect* out, const Rect* rect, uint32_t flags) override;
    Result UnlockRect(uint32_t level) override;

    uint32_t GlName() const { return name_; }
    uint32_t Pool() const { return pool_; }
    uint32_t Width() const { return levels_.empty() ? 0 : levels_[0].width; }
    uint32_t Height() const { return levels_.empty() ? 0 : levels_[0].height; }
    const GlDevice* Owner() const { return device_; }
    // Whether every texel of `level` inside the texel rectangle [x0, x1) x [y0, y1)
    // (cut to the level) has full alpha, as far as the last uploads tell.
    bool Opaque(uint32_t level, int32_t x0, int32_t y0, int32_t x1, int32_t y1) const;
    // Whether every texel of every level has full alpha.
    bool FullyOpaque() const;
    // The largest rectangle of whole blocks of the base level inside the texel
    // rectangle `in` whose texels all have zero alpha, as far as the last
    // uploads tell; false when there is none.
    bool ClearHole(const int32_t in[4], int32_t out[4]) const;
    // Whether every texel of the base level in the texel rectangle r (left,
    // top, right, bottom) has zero alpha; false for texels outside the level.
    bool Clear(const int32_t r[4]) const;
    // The device is going away: free the GL object, keep the CPU copy (read
    // back from GL for levels that had given theirs up).
    void Detach();
    // Bytes of CPU copies held now, over all levels.
    size_t CopyBytes() const;

private:
    struct Level {
        uint32_t width = 0, height = 0, pitch = 0;
        std::vector<uint8_t> bits; // empty while GL holds the only copy
        bool locked = false, readOnly = false;
        bool wholeInGl = false; // every texel has been uploaded
        Rect lockedRect;
        // Flags per square block of texels: all of its alpha is full, or zero.
        std::vector<uint8_t> opaqueBlocks;
        uint32_t blocksX = 0;
    };
    static constexpr uint32_t kOpacityBlock = 16;
    static constexpr uint8_t kBlockOpaque = 1, kBlockClear = 2;
    GlTexture(GlDevice* device, uint32_t usage, uint32_t format, uint32_t pool)
        : device_(device), usage_(usage), format_(format), pool_(pool) {}
    bool Upload(uint32_t level, const Rect& r);
    void UpdateOpacity(uint32_t level, const Rect& r);
    // Whether a level's CPU copy goes once GL holds all of it: textures locked
    // again and again (dynamic ones, system-memory ones) and formats GL cannot
    // give back bit for bit keep theirs.
    bool DropsCopies() const;
    // Fills an empty CPU copy of `level` from GL; false when out of memory.
    bool RestoreCopy(uint32_t level);
    void FreeGl();

    GlDevice* device_;
    uint32_t usage_, format_, pool_;
    uint32_t name_ = 0;
    std::vector<Level> levels_;
    // The last hole asked for, kept until the base level changes.
    mutable int32_t holeIn_[4] = {0, 0, 0, 0}, holeOut_[4] = {0, 0, 0, 0};
    mutable bool holeKnown_ = false, holeFound_ = false;
};

// A system-memory picture: no GL object (the cursor image is handed to SDL).
class GlSurface final : public Surface {
public:
    static GlSurface* Create(uint32_t width, uint32_t height, uint32_t format);
    Result GetDesc(SurfaceDesc* out) override;
    Result LockRect(LockedRect* out, const Rect* rect, uint32_t flags) override;
    Result UnlockRect() override;

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint32_t Format() const { return format_; }
    uint32_t Pitch() const { return pitch_; }
    const uint8_t* Bits() const { return bits_.data(); }

private:
    GlSurface() = default;
    uint32_t width_ = 0, height_ = 0, format_ = 0, pitch_ = 0;
    std::vector<uint8_t> bits_;
    bool locked_ = false;
};

// What vertex and index buffers share: the CPU copy, the GL buffer, the lock.
class GlBufferStore {
public:
    GlBufferStore() = default;
    GlBufferStore(const GlBufferStore&) = delete;
    GlBufferStore& operator=(const GlBufferStore&) = delete;
    ~GlBufferStore();

    // False when out of memory. Without `gl` the store is the only copy (the
    // software back end draws from it).
    bool Init(uint32_t length, uint32_t usage, bool gl = true);
    Result Lock(uint32_t offset, uint32_t size, uint8_t** out, uint32_t flags);
    Result Unlock();
    void FreeGl();

    uint32_t Length() const { return static_cast<uint32_t>(bytes_.size()); }
    uint32_t GlName() const { return name_; }
    bool Locked() const { return locked_; }
    const uint8_t* Data() const { return bytes_.data(); }

private:
    std::vector<uint8_t> bytes_;
    uint32_t name_ = 0, glUsage_ = 0;
    bool locked_ = false, discard_ = false;
    uint32_t lockOffset_ = 0, lockSize_ = 0;
};

// What vertex and index buffers share besides the store: the owning device,
// how they were made, and handing out the store's lock. The software back end
// owns buffers of the same kind, without a GL buffer.
template <class Interface, class Owner = GlDevice> class GlBuffer : public Interface {
public:
    Result Lock(uint32_t offsetBytes, uint32_t sizeBytes, uint8_t** out, uint32_t flags) override {
        return store_.Lock(offsetBytes, sizeBytes, out, flags);
    }
    Result Unlock() override { return store_.Unlock(); }

    const GlBufferStore& Store() const { return store_; }
    uint32_t Pool() const { return pool_; }
    const Owner* OwnedBy() const { return device_; }
    // The device is going away: free the GL buffer, keep the CPU copy.
    void Detach() {
        if (device_)
            store_.FreeGl();
        device_ = nullptr;
    }

protected:
    // The description both kinds give: a vertex buffer reports the original's
    // "vertex data" format and its vertex format, an index buffer its format.
    Result Describe(BufferDesc* out, bool vertices) const {
        if (!out)
            return kErrInvalidCall;
        *out = BufferDesc{};
        out->format = vertices ? 100u : format_;
        out->type = vertices ? Rtype::VertexBuffer : Rtype::IndexBuffer;
        out->usage = usage_;
        out->pool = pool_;
        out->size = store_.Length();
        out->fvf = vertices ? format_ : 0u;
        return kOk;
    }
    GlBuffer(Owner* device, uint32_t usage, uint32_t format, uint32_t pool)
        : device_(device), usage_(usage), format_(format), pool_(pool) {}
    // `b` with its storage of `length` bytes; null, and `b` freed, when out of memory.
    template <class Buffer> static Buffer* WithStorage(Buffer* b, uint32_t length) {
        if (b && !b->store_.Init(length, b->usage_, std::is_same_v<Owner, GlDevice>)) {
            b->device_ = nullptr; // never known to the device
            delete b;
            return nullptr;
        }
        return b;
    }

    Owner* device_;
    uint32_t usage_, format_, pool_;
    GlBufferStore store_;
};

class GlVertexBuffer final : public GlBuffer<VertexBuffer> {
public:
    static GlVertexBuffer* Create(GlDevice* device, uint32_t length, uint32_t usage, uint32_t fvf,
                                  uint32_t pool);
    ~GlVertexBuffer() override;
    Result GetDesc(BufferDesc* out) override;

private:
    using GlBuffer::GlBuffer;
};

class GlIndexBuffer final : public GlBuffer<IndexBuffer> {
public:
    static GlIndexBuffer* Create(GlDevice* device, uint32_t length, uint32_t usage, uint32_t format,
                                 uint32_t pool);
    ~GlIndexBuffer() override;
    Result GetDesc(BufferDesc* out) override;

    uint32_t Format() const { return format_; }
    uint32_t IndexSize() const { return format_ == Fmt::Index32 ? 4 : 2; }

private:
    using GlBuffer::GlBuffer;
};

} // namespace gpu
