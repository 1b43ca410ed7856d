#pragma once
// Resources of the software back end. A texture keeps one copy of each level,
// as 0xAARRGGBB words the span routines read directly; a lock in another
// format hands out a converted copy that goes again at unlock. Buffers are
// the shared stores of bytes, drawn from directly.
#include <cstdint>
#include <vector>

#include "platform/gpu/BufferStore.h"
#include "platform/gpu/Gpu.h"

namespace gpu {

class SoftDevice;

// One mip level as the span routines see it.
struct SoftLevel {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> argb;
    std::vector<uint8_t> clearTiles; // FindClearTiles of argb
    float clearShare = 0;            // of those tiles, how many are clear
};

class SoftTexture final : public Texture {
public:
    // Null when out of memory.
    static SoftTexture* Create(SoftDevice* device, uint32_t width, uint32_t height, uint32_t levels,
                               uint32_t usage, uint32_t format, uint32_t pool);
    ~SoftTexture() override;

    uint32_t GetLevelCount() override { return static_cast<uint32_t>(levels_.size()); }
    Result GetLevelDesc(uint32_t level, SurfaceDesc* out) override;
    Result LockRect(uint32_t level, LockedRect* out, const Rect* rect, uint32_t flags) override;
    Result UnlockRect(uint32_t level) override;

    const SoftLevel& Level(uint32_t i) const { return levels_[i].pixels; }
    // Level i as mirrored addressing reads it, made by PrepareMirrored since
    // its texels last changed (else the level itself): along each mirrored
    // side, the level and then its mirror image, read wrapped, so that texel
    // n + k of a side of n is texel n - 1 - k, as mirroring takes it.
    const SoftLevel& Level(uint32_t i, bool mirrorU, bool mirrorV) const;
    void PrepareMirrored(bool mirrorU, bool mirrorV);
    uint32_t Levels() const { return static_cast<uint32_t>(levels_.size()); }
    uint32_t Pool() const { return pool_; }
    const SoftDevice* Owner() const { return device_; }
    // Whether every texel of every level has full alpha.
    bool Opaque() const { return opaque_; }
    void Detach() { device_ = nullptr; }
    size_t Bytes() const;
    // The device's flush count when a draw reading this texture was last queued.
    void MarkQueued(uint64_t epoch) { queuedIn_ = epoch; }
    uint64_t QueuedIn() const { return queuedIn_; }

private:
    struct Slot {
        SoftLevel pixels;
        SoftLevel mirrored[3];        // u, v, both mirrored: empty until asked for
        std::vector<uint8_t> written; // in the texture's format, where it is Wide
        bool locked = false, readOnly = false;
        Rect rect;
        std::vector<uint8_t> staging; // the locked rectangle in the texture's format
        uint32_t stagingPitch = 0;
    };
    SoftTexture(SoftDevice* device, uint32_t usage, uint32_t format, uint32_t pool)
        : device_(device), usage_(usage), format_(format), pool_(pool) {}
    // After texels changed: whether all are opaque, and the level's clear tiles.
    void UpdateOpacity(uint32_t level);

    SoftDevice* device_;
    uint64_t queuedIn_ = 0;
    uint32_t usage_, format_, pool_;
    std::vector<Slot> levels_;
    bool opaque_ = false;
};

class SoftVertexBuffer final : public DeviceBuffer<VertexBuffer, SoftDevice> {
public:
    static SoftVertexBuffer* Create(SoftDevice* device, uint32_t length, uint32_t usage,
                                    uint32_t fvf, uint32_t pool);
    ~SoftVertexBuffer() override;
    Result GetDesc(BufferDesc* out) override;

private:
    using DeviceBuffer::DeviceBuffer;
};

class SoftIndexBuffer final : public DeviceBuffer<IndexBuffer, SoftDevice> {
public:
    static SoftIndexBuffer* Create(SoftDevice* device, uint32_t length, uint32_t usage,
                                   uint32_t format, uint32_t pool);
    ~SoftIndexBuffer() override;
    Result GetDesc(BufferDesc* out) override;
    uint32_t IndexSize() const { return format_ == Fmt::Index32 ? 4 : 2; }

private:
    using DeviceBuffer::DeviceBuffer;
};

} // namespace gpu
