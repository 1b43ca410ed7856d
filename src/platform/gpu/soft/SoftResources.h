#pragma once
// Resources of the software back end. A texture keeps one copy of each level,
// as 0xAARRGGBB words the span routines read directly; a lock in another
// format hands out a converted copy that goes again at unlock. Buffers are
// the shared stores of bytes, drawn from directly.
#include <cstdint>
#include <vector>

#include "platform/gpu/BufferStore.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/DeviceTexture.h"

namespace gpu {

class SoftDevice;

// One mip level as the span routines see it.
struct SoftLevel {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> argb;
    std::vector<uint8_t> clearTiles; // FindClearTiles of argb
    float clearShare = 0;            // of those tiles, how many are clear
};

class SoftTexture final : public DeviceTexture<SoftDevice> {
public:
    // Null when out of memory.
    static SoftTexture* Create(SoftDevice* device, uint32_t width, uint32_t height, uint32_t levels,
                               uint32_t usage, uint32_t format, uint32_t pool);
    ~SoftTexture() override;

    const SoftLevel& Level(uint32_t i) const { return levels_[i].pixels; }
    // Level i as mirrored addressing reads it, made by PrepareMirrored since
    // its texels last changed (else the level itself): along each mirrored
    // side, the level and then its mirror image, read wrapped, so that texel
    // n + k of a side of n is texel n - 1 - k, as mirroring takes it.
    const SoftLevel& Level(uint32_t i, bool mirrorU, bool mirrorV) const;
    void PrepareMirrored(bool mirrorU, bool mirrorV);
    // Whether every texel of every level has full alpha.
    bool Opaque() const { return opaque_; }
    void Detach() { device_ = nullptr; }
    size_t Bytes() const;
    // The device's flush count when a draw reading this texture was last queued.
    void MarkQueued(uint64_t epoch) { queuedIn_ = epoch; }
    uint64_t QueuedIn() const { return queuedIn_; }
    // Names the texels as they are: every write gives a number no texture
    // had before, so that equal versions mean equal texels.
    uint64_t Version() const { return version_; }
    void NewVersion();

private:
    struct Slot {
        SoftLevel pixels;
        SoftLevel mirrored[3];        // u, v, both mirrored: empty until asked for
        std::vector<uint8_t> written; // in the texture's format, where it is Wide
        std::vector<uint8_t> staging; // the locked rectangle in the texture's format
        uint32_t stagingPitch = 0;
    };
    using DeviceTexture::DeviceTexture;
    Result LockLevel(uint32_t level, const Rect& r, bool readOnly, LockedRect* out) override;
    void UnlockLevel(uint32_t level, const Rect& r, bool readOnly) override;
    // After texels changed: whether all are opaque, and the level's clear tiles.
    void UpdateOpacity(uint32_t level);

    uint64_t queuedIn_ = 0;
    uint64_t version_ = 0;
    std::vector<Slot> levels_;
    bool opaque_ = false;
};

class SoftVertexBuffer final : public DeviceBuffer<VertexBuffer, SoftDevice> {
public:
    static SoftVertexBuffer* Create(SoftDevice* device, uint32_t length, uint32_t usage,
                                    uint32_t fvf, uint32_t pool);
    ~SoftVertexBuffer() override;

private:
    using DeviceBuffer::DeviceBuffer;
};

class SoftIndexBuffer final : public DeviceBuffer<IndexBuffer, SoftDevice> {
public:
    static SoftIndexBuffer* Create(SoftDevice* device, uint32_t length, uint32_t usage,
                                   uint32_t format, uint32_t pool);
    ~SoftIndexBuffer() override;

private:
    using DeviceBuffer::DeviceBuffer;
};

} // namespace gpu
