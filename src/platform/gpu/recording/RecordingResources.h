#pragma once
// Textures, surfaces and buffers of the recording back end: the records and
// stores every back end shares (DeviceTexture, SystemSurface, BufferStore),
// holding their data in CPU memory in their own format, with the call
// counting and failure injection of the recording device on top. A resource
// outlives its device if released later (the engine releases its registries
// after the device); it then only stops reporting to the device.
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "platform/gpu/BufferStore.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/SystemSurface.h"
#include "platform/gpu/DeviceTexture.h"
#include "platform/gpu/recording/FailureSchedule.h"

namespace gpu {

class RecordingDevice;
struct RecordingShared;

// What every recording resource has beside its shared record: an identity
// that outlives it, and the counting of its calls.
class RecordingResource {
public:
    explicit RecordingResource(RecordingDevice* device);
    virtual ~RecordingResource() = default;
    RecordingResource(const RecordingResource&) = delete;
    RecordingResource& operator=(const RecordingResource&) = delete;

    uint64_t Id() const { return id_; }

protected:
    // Counts the call on `device` (the schedule's alone once the device went)
    // and returns an injected failure.
    Result Enter(RecordingDevice* device, Call c);

private:
    std::shared_ptr<RecordingShared> shared_;
    uint64_t id_;
};

class RecordingTexture final : public DeviceTexture<RecordingDevice>, public RecordingResource {
public:
    // Null when out of memory.
    static RecordingTexture* Create(RecordingDevice* device, uint32_t width, uint32_t height,
                                    uint32_t levels, uint32_t usage, uint32_t format,
                                    uint32_t pool);
    ~RecordingTexture() override;
    // Level i's bytes, rows RowPitch apart.
    const std::vector<uint8_t>& Bytes(uint32_t level) const { return bytes_.at(level); }
    void Detach() { device_ = nullptr; }

private:
    RecordingTexture(RecordingDevice* device, uint32_t width, uint32_t height, uint32_t levels,
                     uint32_t usage, uint32_t format, uint32_t pool);
    Result AdmitLock() override;
    Result LockLevel(uint32_t level, const Rect& r, bool readOnly, LockedRect* out) override;
    void UnlockLevel(uint32_t, const Rect&, bool) override {}

    std::vector<std::vector<uint8_t>> bytes_;
};

class RecordingSurface final : public SystemSurface, public RecordingResource {
public:
    // Null when out of memory.
    static RecordingSurface* Create(RecordingDevice* device, uint32_t width, uint32_t height,
                                    uint32_t format);
    ~RecordingSurface() override;
    void Detach() { device_ = nullptr; }

private:
    Result AdmitLock() override;
    explicit RecordingSurface(RecordingDevice* device)
        : RecordingResource(device), device_(device) {}
    RecordingDevice* device_;
};

// A vertex or index buffer of the recording device: its lock is counted.
template <class Interface, Call kLockCall>
class RecordingBuffer : public DeviceBuffer<Interface, RecordingDevice>, public RecordingResource {
public:
    static RecordingBuffer* Create(RecordingDevice* device, uint32_t length, uint32_t usage,
                                   uint32_t format, uint32_t pool) {
        return RecordingBuffer::WithStorage(
            new (std::nothrow) RecordingBuffer(device, usage, format, pool), length);
    }
    ~RecordingBuffer() override;

private:
    Result AdmitLock() override { return Enter(this->device_, kLockCall); }

    RecordingBuffer(RecordingDevice* device, uint32_t usage, uint32_t format, uint32_t pool)
        : DeviceBuffer<Interface, RecordingDevice>(device, usage, format, pool),
          RecordingResource(device) {}
};

using RecordingVertexBuffer = RecordingBuffer<VertexBuffer, Call::LockVertexBuffer>;
using RecordingIndexBuffer = RecordingBuffer<IndexBuffer, Call::LockIndexBuffer>;

} // namespace gpu
