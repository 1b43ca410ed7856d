#pragma once
// Textures, surfaces and buffers of the recording back end. Each keeps its data
// in CPU memory in its own format. A resource outlives its device if released
// later (the engine releases its registries after the device); it then only
// stops reporting to the device.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gpu/BufferStore.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/recording/FailureSchedule.h"

namespace gpu {

class RecordingDevice;
struct RecordingShared;

enum class ResourceKind { Texture, Surface, VertexBuffer, IndexBuffer };

// What every recording resource shares: its device link and identity.
class RecordingResource {
public:
    RecordingResource(RecordingDevice* device, ResourceKind kind, uint32_t pool);
    virtual ~RecordingResource();
    RecordingResource(const RecordingResource&) = delete;
    RecordingResource& operator=(const RecordingResource&) = delete;

    ResourceKind Kind() const { return kind_; }
    uint32_t PoolOf() const { return pool_; }
    uint64_t Id() const { return id_; }
    RecordingDevice* Owner() const { return device_; }
    // Called by a device that goes away first.
    void Detach() { device_ = nullptr; }

protected:
    // Each final class calls this first thing in its destructor, while the whole
    // object still exists, so the device can unbind it.
    void Unregister();
    // Counts the call and returns an injected failure, also with no device left.
    Result Enter(Call c);

private:
    RecordingDevice* device_;
    std::shared_ptr<RecordingShared> shared_;
    ResourceKind kind_;
    uint32_t pool_;
    uint64_t id_;
};

// One picture level in its own format; rows are padded to 4 bytes (a caller
// must use the pitch, as with a real driver).
class PixelStore {
public:
    PixelStore(uint32_t width, uint32_t height, uint32_t format);
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint32_t Pitch() const { return pitch_; }
    uint32_t Bytes() const { return static_cast<uint32_t>(data_.size()); }
    Result Lock(LockedRect* out, const Rect* rect);
    Result Unlock();
    bool Locked() const { return locked_; }
    const uint8_t* Data() const { return data_.data(); }

private:
    uint32_t width_, height_, format_, pitch_;
    std::vector<uint8_t> data_;
    bool locked_ = false;
};

class RecordingTexture final : public Texture, public RecordingResource {
public:
    ~RecordingTexture() override { Unregister(); }
    RecordingTexture(RecordingDevice* device, uint32_t width, uint32_t height, uint32_t levels,
                     uint32_t usage, uint32_t format, uint32_t pool);
    uint32_t GetLevelCount() override { return static_cast<uint32_t>(levels_.size()); }
    Result GetLevelDesc(uint32_t level, SurfaceDesc* out) override;
    Result LockRect(uint32_t level, LockedRect* out, const Rect* rect, uint32_t flags) override;
    Result UnlockRect(uint32_t level) override;

    uint32_t Format() const { return format_; }
    const PixelStore& Level(uint32_t level) const { return levels_.at(level); }
    bool AnyLevelLocked() const;

private:
    uint32_t usage_, format_;
    std::vector<PixelStore> levels_;
};

class RecordingSurface final : public Surface, public RecordingResource {
public:
    ~RecordingSurface() override { Unregister(); }
    RecordingSurface(RecordingDevice* device, uint32_t width, uint32_t height, uint32_t format);
    Result GetDesc(SurfaceDesc* out) override;
    Result LockRect(LockedRect* out, const Rect* rect, uint32_t flags) override;
    Result UnlockRect() override;

    uint32_t Format() const { return format_; }
    const PixelStore& Pixels() const { return store_; }

private:
    uint32_t format_;
    PixelStore store_;
};

class RecordingVertexBuffer final : public VertexBuffer, public RecordingResource {
public:
    ~RecordingVertexBuffer() override { Unregister(); }
    RecordingVertexBuffer(RecordingDevice* device, uint32_t length, uint32_t usage, uint32_t fvf,
                          uint32_t pool);
    Result GetDesc(BufferDesc* out) override;
    Result Lock(uint32_t offsetBytes, uint32_t sizeBytes, uint8_t** out, uint32_t flags) override;
    Result Unlock() override { return store_.Unlock(); }
    const BufferStore& Store() const { return store_; }

private:
    uint32_t usage_, fvf_;
    BufferStore store_;
};

class RecordingIndexBuffer final : public IndexBuffer, public RecordingResource {
public:
    ~RecordingIndexBuffer() override { Unregister(); }
    RecordingIndexBuffer(RecordingDevice* device, uint32_t length, uint32_t usage, uint32_t format,
                         uint32_t pool);
    Result GetDesc(BufferDesc* out) override;
    Result Lock(uint32_t offsetBytes, uint32_t sizeBytes, uint8_t** out, uint32_t flags) override;
    Result Unlock() override { return store_.Unlock(); }
    const BufferStore& Store() const { return store_; }
    uint32_t Format() const { return format_; }
    uint32_t IndexSize() const { return format_ == Fmt::Index32 ? 4 : 2; }

private:
    uint32_t usage_, format_;
    BufferStore store_;
};

} // namespace gpu
