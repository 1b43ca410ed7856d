#include "platform/gpu/recording/RecordingResources.h"

#include <new>

#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "platform/gpu/recording/RecordingDevice.h"

namespace gpu {

RecordingResource::RecordingResource(RecordingDevice* device)
    : shared_(device->Shared()), id_(shared_->nextResourceId++) {}

Result RecordingResource::Enter(RecordingDevice* device, Call c) {
    return device ? device->Enter(c) : shared_->failures.Enter(c);
}

// ---------------------------------------------------------------------------

RecordingTexture* RecordingTexture::Create(RecordingDevice* device, uint32_t width,
                                           uint32_t height, uint32_t levels, uint32_t usage,
                                           uint32_t format, uint32_t pool) {
    try {
        return new RecordingTexture(device, width, height, levels, usage, format, pool);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

RecordingTexture::RecordingTexture(RecordingDevice* device, uint32_t width, uint32_t height,
                                   uint32_t levels, uint32_t usage, uint32_t format,
                                   uint32_t pool)
    : DeviceTexture(device, width, height, levels, usage, format, pool),
      RecordingResource(device) {
    bytes_.resize(levels);
    for (uint32_t i = 0; i < levels; ++i)
        bytes_[i].assign(static_cast<size_t>(RowPitch(LevelWidth(i), format)) * LevelHeight(i), 0);
}

RecordingTexture::~RecordingTexture() {
    if (device_)
        device_->Forget(this);
}

Result RecordingTexture::AdmitLock() {
    return Enter(device_, Call::LockTexture);
}

Result RecordingTexture::LockLevel(uint32_t level, const Rect& r, bool, LockedRect* out) {
    const uint32_t pitch = RowPitch(LevelWidth(level), format_);
    out->pitch = static_cast<int32_t>(pitch);
    out->bits = bytes_[level].data() + static_cast<size_t>(r.top) * pitch +
                static_cast<size_t>(r.left) * BytesPerPixel(format_);
    return kOk;
}

// ---------------------------------------------------------------------------

RecordingSurface* RecordingSurface::Create(RecordingDevice* device, uint32_t width,
                                           uint32_t height, uint32_t format) {
    auto* s = new (std::nothrow) RecordingSurface(device);
    if (s && !s->Allocate(width, height, format)) {
        s->device_ = nullptr; // never known to the device
        delete s;
        return nullptr;
    }
    return s;
}

RecordingSurface::~RecordingSurface() {
    if (device_)
        device_->ForgetSurface(this);
}

Result RecordingSurface::AdmitLock() {
    return Enter(device_, Call::LockSurface);
}

// ---------------------------------------------------------------------------

template <class Interface, Call kLockCall> RecordingBuffer<Interface, kLockCall>::~RecordingBuffer() {
    if (this->device_)
        this->device_->Forget(this);
}

template class RecordingBuffer<VertexBuffer, Call::LockVertexBuffer>;
template class RecordingBuffer<IndexBuffer, Call::LockIndexBuffer>;

} // namespace gpu
