#pragma once
// Resources of the GL back end. Each keeps a CPU copy of its contents (textures in
// their own format, buffers as bytes) and uploads what was locked when it is
// unlocked; a loaded picture gives its copy up once GL holds all of it and reads
// it back from GL when locked again. A resource may outlive its device (the
// engine's registries can hold the last reference); it then loses its GL object
// and keeps only the CPU copy.
#include <cstdint>
#include <vector>

#include "platform/gpu/BufferStore.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/DeviceTexture.h"

namespace gpu {

class GlDevice;

class GlTexture final : public DeviceTexture<GlDevice> {
public:
    // Allocates the CPU levels and the GL texture; null when out of memory.
    static GlTexture* Create(GlDevice* device, uint32_t width, uint32_t height, uint32_t levels,
                             uint32_t usage, uint32_t format, uint32_t pool);
    ~GlTexture() override;

    uint32_t GlName() const { return name_; }
    uint32_t Width() const { return levels_.empty() ? 0 : levels_[0].width; }
    uint32_t Height() const { return levels_.empty() ? 0 : levels_[0].height; }
    // Whether every texel of `level` inside the texel rectangle [x0, x1) x [y0, y1)
    // (cut to the level) has full alpha, as far as the last uploads tell;
    // false when nothing of the level is left.
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
        bool wholeInGl = false; // every texel has been uploaded
        // Flags per square block of texels: all of its alpha is full, or zero.
        std::vector<uint8_t> opaqueBlocks;
        uint32_t blocksX = 0;
    };
    static constexpr uint32_t kOpacityBlock = 16;
    static constexpr uint8_t kBlockOpaque = 1, kBlockClear = 2;
    using DeviceTexture::DeviceTexture;
    Result LockLevel(uint32_t level, const Rect& r, bool readOnly, LockedRect* out) override;
    void UnlockLevel(uint32_t level, const Rect& r, bool readOnly) override;
    bool Upload(uint32_t level, const Rect& r);
    void UpdateOpacity(uint32_t level, const Rect& r);
    // Whether a level's CPU copy goes once GL holds all of it: textures locked
    // again and again (dynamic ones, system-memory ones) and formats GL cannot
    // give back bit for bit keep theirs.
    bool DropsCopies() const;
    // Fills an empty CPU copy of `level` from GL; false when out of memory.
    bool RestoreCopy(uint32_t level);
    void FreeGl();

    uint32_t name_ = 0;
    std::vector<Level> levels_;
    // The last hole asked for, kept until the base level changes.
    mutable int32_t holeIn_[4] = {0, 0, 0, 0}, holeOut_[4] = {0, 0, 0, 0};
    mutable bool holeKnown_ = false, holeFound_ = false;
};

// A vertex or index buffer with a GL buffer beside its bytes: what a lock
// wrote goes up at unlock (orphaning the old storage on discard).
template <class Interface> class GlBuffer : public DeviceBuffer<Interface, GlDevice> {
public:
    uint32_t GlName() const { return name_; }
    // The device is going away: free the GL buffer, keep the bytes.
    void Detach();
    // False when GL is out of memory.
    bool MakeGlBuffer();

protected:
    using DeviceBuffer<Interface, GlDevice>::DeviceBuffer;
    void Unlocked(const BufferStore::Written& w) override;
    void FreeGl();

private:
    uint32_t name_ = 0, glUsage_ = 0;
};

class GlVertexBuffer final : public GlBuffer<VertexBuffer> {
public:
    static GlVertexBuffer* Create(GlDevice* device, uint32_t length, uint32_t usage, uint32_t fvf,
                                  uint32_t pool);
    ~GlVertexBuffer() override;

private:
    using GlBuffer::GlBuffer;
};

class GlIndexBuffer final : public GlBuffer<IndexBuffer> {
public:
    static GlIndexBuffer* Create(GlDevice* device, uint32_t length, uint32_t usage, uint32_t format,
                                 uint32_t pool);
    ~GlIndexBuffer() override;

    uint32_t Format() const { return format_; }

private:
    using GlBuffer::GlBuffer;
};

} // namespace gpu
