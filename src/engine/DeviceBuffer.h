#pragma once
// What vertex and index buffers share: they remember how they were made, so the
// device wrapper can re-create them after a lost device, and hand out space by
// appending: each lock takes the next free run of elements until the buffer is
// full, then starts over at 0 with a discarding lock. What each lock wrote is
// also kept in a copy of our own (the device buffers are write-only), so the
// device wrapper can read what a draw is made of.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gpu/Gpu.h"

namespace device_buffer_detail {
inline gpu::Result CreateGpuBuffer(gpu::Device* d, uint32_t bytes, uint32_t usage, uint32_t format,
                                   uint32_t pool, gpu::VertexBuffer** out) {
    return d->CreateVertexBuffer(bytes, usage, format, pool, out);
}
inline gpu::Result CreateGpuBuffer(gpu::Device* d, uint32_t bytes, uint32_t usage, uint32_t format,
                                   uint32_t pool, gpu::IndexBuffer** out) {
    return d->CreateIndexBuffer(bytes, usage, format, pool, out);
}
}  // namespace device_buffer_detail

template <class GpuBuffer> class CDeviceBuffer {
public:
    CDeviceBuffer(const CDeviceBuffer&) = delete;
    CDeviceBuffer& operator=(const CDeviceBuffer&) = delete;

    // A new buffer from the remembered parameters (after a device reset).
    gpu::Result Recreate(gpu::Device* device) { return CreateBuffer(device); }

    // Releases the device buffer only (before a device reset); the parameters stay.
    void ReleaseBuffer() {
        if (buffer_) {
            buffer_->Release();
            buffer_ = nullptr;
        }
        serial_ = 0;
        locked_ = nullptr;
    }

    // Locks `count` elements: without `discard` the run after the last lock when
    // it still fits, else (or with `discard`) from element 0, discarding the old
    // contents. GetLastStart() then tells where the run begins. The cursor moves
    // even when the device refuses the lock. A buffer without a device buffer, a
    // count of 0 or one larger than the capacity fails with kErrInvalidCall and
    // leaves the cursor where it was.
    gpu::Result Lock(uint32_t count, uint8_t** out, bool discard = false) {
        if (out)
            *out = nullptr;
        if (!buffer_ || !out || count == 0 || count > capacity_)
            return gpu::kErrInvalidCall;
        uint8_t* data = nullptr;
        gpu::Result r;
        if (!discard && cursor_ + count <= capacity_) {
            lastStart_ = cursor_;
            r = buffer_->Lock(cursor_ * stride_, count * stride_, &data, gpu::Lock::NoOverwrite);
            cursor_ += count;
        } else {
            lastStart_ = 0;
            r = buffer_->Lock(0, count * stride_, &data, gpu::Lock::Discard);
            cursor_ = count;
        }
        if (gpu::Failed(r))
            return r;
        ++lockCount_;
        lastCount_ = count;
        locked_ = data;
        *out = data;
        return r;
    }

    gpu::Result Unlock() {
        if (!buffer_)
            return gpu::kErrInvalidCall;
        if (locked_ && keepsCopy_) {
            // The run as written, read before the device may take it away.
            if (copy_.size() != size_)
                copy_.assign(size_, 0);
            std::memcpy(copy_.data() + static_cast<size_t>(lastStart_) * stride_, locked_,
                        static_cast<size_t>(lastCount_) * stride_);
            locked_ = nullptr;
        }
        const gpu::Result r = buffer_->Unlock();
        if (!gpu::Failed(r) && lockCount_ > 0)
            --lockCount_;
        return r;
    }

    GpuBuffer* GetBuffer() const { return buffer_; }
    bool HasBuffer() const { return buffer_ != nullptr; }
    uint32_t GetUsage() const { return usage_; }
    uint32_t GetPool() const { return pool_; }
    uint32_t GetCapacity() const { return capacity_; }
    uint32_t GetStride() const { return stride_; }
    uint32_t GetSize() const { return size_; }
    uint32_t GetCursor() const { return cursor_; }
    uint32_t GetLastStart() const { return lastStart_; }
    uint32_t GetLastCount() const { return lastCount_; }
    uint32_t GetLockCount() const { return lockCount_; }
    // Changes whenever a new device buffer is made (0 while there is none); the
    // device's binding cache compares it with the buffer's address.
    uint64_t GetSerial() const { return serial_; }
    // Off: no copy is kept (a buffer only the device reads).
    void SetKeepsCopy(bool on) {
        keepsCopy_ = on;
        if (!on)
            copy_ = {};
    }
    // What the locks wrote, GetSize() bytes (null before the first unlock).
    const uint8_t* GetContents() const { return copy_.empty() ? nullptr : copy_.data(); }

protected:
    CDeviceBuffer(uint32_t format, uint32_t stride)
        : format_(format), usage_(gpu::Usage::WriteOnly), pool_(gpu::Pool::Managed),
          capacity_(32768), stride_(stride), size_(32768 * stride) {}
    ~CDeviceBuffer() { ReleaseBuffer(); }

    // Releases any old buffer and creates one of capacity x stride bytes. The
    // append cursor starts at 0; the count of open locks is kept.
    gpu::Result Define(gpu::Device* device, uint32_t capacity, uint32_t stride, uint32_t usage,
                       uint32_t format, uint32_t pool) {
        ReleaseBuffer();
        const uint64_t bytes = static_cast<uint64_t>(capacity) * stride;
        if (bytes > UINT32_MAX) {
            cursor_ = lastStart_ = lastCount_ = 0;
            return gpu::kErrInvalidCall;
        }
        usage_ = usage;
        format_ = format;
        pool_ = pool;
        capacity_ = capacity;
        stride_ = stride;
        size_ = static_cast<uint32_t>(bytes);
        return CreateBuffer(device);
    }

    // A lock handed out as elements of type T; refused when T is not the stride.
    template <class T> gpu::Result LockAs(uint32_t count, T** out, bool discard) {
        if (out)
            *out = nullptr;
        if (stride_ != sizeof(T))
            return gpu::kErrInvalidCall;
        uint8_t* data = nullptr;
        const gpu::Result r = Lock(count, &data, discard);
        if (!gpu::Failed(r) && out)
            *out = reinterpret_cast<T*>(data);
        return r;
    }

    uint32_t format_;

private:
    gpu::Result CreateBuffer(gpu::Device* device) {
        ReleaseBuffer();
        cursor_ = 0;
        lastStart_ = 0;
        lastCount_ = 0;
        if (!device)
            return gpu::kErrInvalidCall;
        static uint64_t lastSerial = 0;
        const gpu::Result r =
            device_buffer_detail::CreateGpuBuffer(device, size_, usage_, format_, pool_, &buffer_);
        if (!gpu::Failed(r))
            serial_ = ++lastSerial;
        return r;
    }

    GpuBuffer* buffer_ = nullptr;
    uint32_t usage_;
    uint32_t pool_;
    uint32_t capacity_;
    uint32_t stride_;
    uint32_t size_;
    uint32_t cursor_ = 0;
    uint32_t lastStart_ = 0;
    uint32_t lastCount_ = 0;
    uint32_t lockCount_ = 0;
    uint64_t serial_ = 0;
    uint8_t* locked_ = nullptr; // the device's run while a lock is open
    bool keepsCopy_ = true;
    std::vector<uint8_t> copy_;
};
