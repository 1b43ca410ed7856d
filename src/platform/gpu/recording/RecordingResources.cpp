#include "platform/gpu/recording/RecordingResources.h"

#include <algorithm>
#include <cstring>

#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "platform/gpu/recording/RecordingDevice.h"

namespace gpu {

RecordingResource::RecordingResource(RecordingDevice* device, ResourceKind kind, uint32_t pool)
    : device_(device), shared_(device->Shared()), kind_(kind), pool_(pool),
      id_(shared_->nextResourceId++) {}

RecordingResource::~RecordingResource() {
    Unregister();
}

void RecordingResource::Unregister() {
    if (device_)
        device_->Forget(this);
    device_ = nullptr;
}

Result RecordingResource::Enter(Call c) {
    return device_ ? device_->Enter(c) : shared_->failures.Enter(c);
}

// ---------------------------------------------------------------------------

PixelStore::PixelStore(uint32_t width, uint32_t height, uint32_t format)
    : width_(width), height_(height), format_(format),
      pitch_((width * BytesPerPixel(format) + 3u) & ~3u),
      data_(static_cast<size_t>(pitch_) * height) {}

Result PixelStore::Lock(LockedRect* out, const Rect* rect) {
    if (!out || locked_)
        return kErrInvalidCall;
    Rect r{0, 0, static_cast<int32_t>(width_), static_cast<int32_t>(height_)};
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right ||
            rect->top >= rect->bottom || rect->right > r.right || rect->bottom > r.bottom)
            return kErrInvalidCall;
        r = *rect;
    }
    out->pitch = static_cast<int32_t>(pitch_);
    out->bits = data_.data() + static_cast<size_t>(r.top) * pitch_ +
                static_cast<size_t>(r.left) * BytesPerPixel(format_);
    locked_ = true;
    return kOk;
}

Result PixelStore::Unlock() {
    if (!locked_)
        return kErrInvalidCall;
    locked_ = false;
    return kOk;
}

// ---------------------------------------------------------------------------

RecordingTexture::RecordingTexture(RecordingDevice* device, uint32_t width, uint32_t height,
                                   uint32_t levels, uint32_t usage, uint32_t format, uint32_t pool)
    : RecordingResource(device, ResourceKind::Texture, pool), usage_(usage), format_(format) {
    levels_.reserve(levels);
    for (uint32_t i = 0; i < levels; ++i)
        levels_.emplace_back(std::max(1u, width >> i), std::max(1u, height >> i), format);
}

Result RecordingTexture::GetLevelDesc(uint32_t level, SurfaceDesc* out) {
    if (!out || level >= levels_.size())
        return kErrInvalidCall;
    const PixelStore& s = levels_[level];
    *out =
        SurfaceDesc{format_, Rtype::Surface, usage_, PoolOf(), s.Bytes(), 0, s.Width(), s.Height()};
    return kOk;
}

Result RecordingTexture::LockRect(uint32_t level, LockedRect* out, const Rect* rect, uint32_t) {
    if (out)
        *out = LockedRect{};
    if (Result r = Enter(Call::LockTexture); Failed(r))
        return r;
    if (level >= levels_.size())
        return kErrInvalidCall;
    return levels_[level].Lock(out, rect);
}

Result RecordingTexture::UnlockRect(uint32_t level) {
    if (level >= levels_.size())
        return kErrInvalidCall;
    return levels_[level].Unlock();
}

bool RecordingTexture::AnyLevelLocked() const {
    return std::any_of(levels_.begin(), levels_.end(),
                       [](const PixelStore& s) { return s.Locked(); });
}

// ---------------------------------------------------------------------------

RecordingSurface::RecordingSurface(RecordingDevice* device, uint32_t width, uint32_t height,
                                   uint32_t format)
    : RecordingResource(device, ResourceKind::Surface, Pool::SystemMem), format_(format),
      store_(width, height, format) {}

Result RecordingSurface::GetDesc(SurfaceDesc* out) {
    if (!out)
        return kErrInvalidCall;
    *out = SurfaceDesc{format_,        Rtype::Surface, 0, PoolOf(), store_.Bytes(), 0,
                       store_.Width(), store_.Height()};
    return kOk;
}

Result RecordingSurface::LockRect(LockedRect* out, const Rect* rect, uint32_t) {
    if (out)
        *out = LockedRect{};
    if (Result r = Enter(Call::LockSurface); Failed(r))
        return r;
    return store_.Lock(out, rect);
}

Result RecordingSurface::UnlockRect() {
    return store_.Unlock();
}

// ---------------------------------------------------------------------------

RecordingVertexBuffer::RecordingVertexBuffer(RecordingDevice* device, uint32_t length,
                                             uint32_t usage, uint32_t fvf, uint32_t pool)
    : RecordingResource(device, ResourceKind::VertexBuffer, pool), usage_(usage), fvf_(fvf) {
    store_.Init(length); // empty when out of memory: locks of any bytes are refused
}

Result RecordingVertexBuffer::GetDesc(BufferDesc* out) {
    if (!out)
        return kErrInvalidCall;
    constexpr uint32_t kVertexData = 100; // the original API's "vertex data" format code
    *out = BufferDesc{kVertexData, Rtype::VertexBuffer, usage_, PoolOf(), store_.Length(), fvf_};
    return kOk;
}

Result RecordingVertexBuffer::Lock(uint32_t offsetBytes, uint32_t sizeBytes, uint8_t** out,
                                   uint32_t flags) {
    if (Result r = Enter(Call::LockVertexBuffer); Failed(r)) {
        if (out)
            *out = nullptr;
        return r;
    }
    return store_.Lock(offsetBytes, sizeBytes, out, flags);
}

RecordingIndexBuffer::RecordingIndexBuffer(RecordingDevice* device, uint32_t length, uint32_t usage,
                                           uint32_t format, uint32_t pool)
    : RecordingResource(device, ResourceKind::IndexBuffer, pool), usage_(usage), format_(format) {
    store_.Init(length); // empty when out of memory: locks of any bytes are refused
}

Result RecordingIndexBuffer::GetDesc(BufferDesc* out) {
    if (!out)
        return kErrInvalidCall;
    *out = BufferDesc{format_, Rtype::IndexBuffer, usage_, PoolOf(), store_.Length(), 0};
    return kOk;
}

Result RecordingIndexBuffer::Lock(uint32_t offsetBytes, uint32_t sizeBytes, uint8_t** out,
                                  uint32_t flags) {
    if (Result r = Enter(Call::LockIndexBuffer); Failed(r)) {
        if (out)
            *out = nullptr;
        return r;
    }
    return store_.Lock(offsetBytes, sizeBytes, out, flags);
}

} // namespace gpu
