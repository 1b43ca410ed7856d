#pragma once
// Resources of the GL back end. Each keeps a CPU copy of its contents (textures in
// their own format, buffers as bytes) and uploads what was locked when it is
// unlocked. A resource may outlive its device (the engine's registries can hold the
// last reference); it then loses its GL object and keeps only the CPU copy.
#include <cstdint>
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
    // The device is going away: free the GL object, keep the CPU copy.
    void Detach();

private:
    struct Level {
        uint32_t width = 0, height = 0, pitch = 0;
        std::vector<uint8_t> bits;
        bool locked = false, readOnly = false;
        Rect lockedRect;
        // Flags per square block of texels: all of its alpha is full, or zero.
        std::vector<uint8_t> opaqueBlocks;
        uint32_t blocksX = 0;
    };
    static constexpr uint32_t kOpacityBlock = 16;
    static constexpr uint8_t kBlockOpaque = 1, kBlockClear = 2;
    GlTexture(GlDevice* device, uint32_t usage, uint32_t format, uint32_t pool)
        : device_(device), usage_(usage), format_(format), pool_(pool) {}
    void Upload(uint32_t level, const Rect& r);
    void UpdateOpacity(uint32_t level, const Rect& r);

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

    bool Init(uint32_t length, uint32_t usage); // false when out of memory
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

class GlVertexBuffer final : public VertexBuffer {
public:
    static GlVertexBuffer* Create(GlDevice* device, uint32_t length, uint32_t usage, uint32_t fvf,
                                  uint32_t pool);
    ~GlVertexBuffer() override;
    Result GetDesc(BufferDesc* out) override;
    Result Lock(uint32_t offsetBytes, uint32_t sizeBytes, uint8_t** out, uint32_t flags) override {
        return store_.Lock(offsetBytes, sizeBytes, out, flags);
    }
    Result Unlock() override { return store_.Unlock(); }

    const GlBufferStore& Store() const { return store_; }
    uint32_t Pool() const { return pool_; }
    const GlDevice* Owner() const { return device_; }
    void Detach();

private:
    GlVertexBuffer(GlDevice* device, uint32_t usage, uint32_t fvf, uint32_t pool)
        : device_(device), usage_(usage), fvf_(fvf), pool_(pool) {}
    GlDevice* device_;
    uint32_t usage_, fvf_, pool_;
    GlBufferStore store_;
};

class GlIndexBuffer final : public IndexBuffer {
public:
    static GlIndexBuffer* Create(GlDevice* device, uint32_t length, uint32_t usage, uint32_t format,
                                 uint32_t pool);
    ~GlIndexBuffer() override;
    Result GetDesc(BufferDesc* out) override;
    Result Lock(uint32_t offsetBytes, uint32_t sizeBytes, uint8_t** out, uint32_t flags) override {
        return store_.Lock(offsetBytes, sizeBytes, out, flags);
    }
    Result Unlock() override { return store_.Unlock(); }

    const GlBufferStore& Store() const { return store_; }
    uint32_t Pool() const { return pool_; }
    uint32_t Format() const { return format_; }
    uint32_t IndexSize() const { return format_ == Fmt::Index32 ? 4 : 2; }
    const GlDevice* Owner() const { return device_; }
    void Detach();

private:
    GlIndexBuffer(GlDevice* device, uint32_t usage, uint32_t format, uint32_t pool)
        : device_(device), usage_(usage), format_(format), pool_(pool) {}
    GlDevice* device_;
    uint32_t usage_, format_, pool_;
    GlBufferStore store_;
};

} // namespace gpu
