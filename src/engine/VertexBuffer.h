#pragma once
// The game's vertex buffers: re-creatable and appending (see CDeviceBuffer).
#include "engine/DeviceBuffer.h"

class CVertexBuffer : public CDeviceBuffer<gpu::VertexBuffer> {
public:
    // No buffer yet: write-only usage, the game's vertex format (32 bytes),
    // managed pool, 32768 vertices.
    CVertexBuffer() : CDeviceBuffer(gpu::kFvfGame, sizeof(gpu::Vertex)) {}
    ~CVertexBuffer();

    gpu::Result Create(gpu::Device* device, uint32_t capacity, uint32_t stride, uint32_t usage,
                       uint32_t vertexFormat, uint32_t pool) {
        return Define(device, capacity, stride, usage, vertexFormat, pool);
    }

    using CDeviceBuffer::Lock;
    gpu::Result Lock(uint32_t count, gpu::Vertex** out, bool discard = false) {
        return LockAs(count, out, discard);
    }

    uint32_t GetVertexFormat() const { return format_; }
};
