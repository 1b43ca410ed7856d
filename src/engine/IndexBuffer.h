#pragma once
// The game's index buffers: re-creatable and appending (see CDeviceBuffer).
#include "engine/DeviceBuffer.h"

class CIndexBuffer : public CDeviceBuffer<gpu::IndexBuffer> {
public:
    // No buffer yet: write-only usage, 16-bit indices, managed pool, 32768 indices.
    CIndexBuffer() : CDeviceBuffer(gpu::Fmt::Index16, sizeof(uint16_t)) {}
    ~CIndexBuffer();

    // The index size is 4 bytes for gpu::Fmt::Index32, else 2.
    gpu::Result Create(gpu::Device* device, uint32_t capacity, uint32_t indexFormat,
                       uint32_t usage, uint32_t pool) {
        const uint32_t stride = indexFormat == gpu::Fmt::Index32 ? 4 : 2;
        return Define(device, capacity, stride, usage, indexFormat, pool);
    }

    using CDeviceBuffer::Lock;
    // Refuses a buffer of 32-bit indices.
    gpu::Result Lock(uint32_t count, uint16_t** out, bool discard = false) {
        return LockAs(count, out, discard);
    }

    uint32_t GetIndexFormat() const { return format_; }
};
