#pragma once
// The resources a drawing device (GL, our rasteriser) has made and not seen
// released yet: the device makes its buffers through it, after the checks
// both share, refuses a reset while one of the default pool lives, and lets
// every one keep its data when the device goes first.
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "platform/gpu/Gpu.h"
#include "platform/gpu/PixelFormat.h"

namespace gpu {

template <class Tex, class Vb, class Ib> class LiveResources {
public:
    // Larger buffers are refused as out of memory.
    static constexpr uint64_t kMaxBufferBytes = 1ull << 30;

    template <class Owner>
    Result MakeVertexBuffer(Owner* device, uint32_t lengthBytes, uint32_t usage, uint32_t fvf,
                            uint32_t pool, VertexBuffer** out) {
        return Make(device, lengthBytes, usage, fvf, pool, vertexBuffers_, out);
    }
    template <class Owner>
    Result MakeIndexBuffer(Owner* device, uint32_t lengthBytes, uint32_t usage, uint32_t format,
                           uint32_t pool, IndexBuffer** out) {
        if (format != Fmt::Index16 && format != Fmt::Index32) {
            if (out)
                *out = nullptr;
            return kErrInvalidCall;
        }
        return Make(device, lengthBytes, usage, format, pool, indexBuffers_, out);
    }
    // A texture of sides up to maxSide (levels: kDefault or 0 for the full chain).
    template <class Owner>
    Result MakeTexture(Owner* device, uint32_t width, uint32_t height, uint32_t levels,
                       uint32_t usage, uint32_t format, uint32_t pool, uint32_t maxSide,
                       Texture** out) {
        if (!out)
            return kErrInvalidCall;
        *out = nullptr;
        if (width == 0 || height == 0 || width > maxSide || height > maxSide ||
            !IsColorFormat(format) || pool > Pool::SystemMem)
            return kErrInvalidCall;
        Tex* t = Tex::Create(device, width, height, levels == kDefault ? 0 : levels, usage, format,
                             pool);
        if (!t)
            return kErrOutOfVideoMemory;
        textures_.insert(t);
        *out = t;
        return kOk;
    }
    void Erase(Tex* t) { textures_.erase(t); }
    void Erase(Vb* b) { vertexBuffers_.erase(b); }
    void Erase(Ib* b) { indexBuffers_.erase(b); }
    const std::unordered_set<Tex*>& Textures() const { return textures_; }

    // Whether a resource of the default pool lives: a reset must wait.
    bool AnyDefaultPool() const {
        auto any = [](const auto& set) {
            for (const auto* r : set)
                if (r->Pool() == Pool::Default)
                    return true;
            return false;
        };
        return any(textures_) || any(vertexBuffers_) || any(indexBuffers_);
    }
    // The device goes away: every resource keeps its data and forgets it.
    void DetachAll() {
        auto detach = [](auto& set) {
            // Detaching may reach back into the device: walk a copy.
            for (auto* r : std::vector(set.begin(), set.end()))
                r->Detach();
            set.clear();
        };
        detach(textures_);
        detach(vertexBuffers_);
        detach(indexBuffers_);
    }

private:
    template <class Buffer, class Owner, class Interface>
    static Result Make(Owner* device, uint32_t lengthBytes, uint32_t usage, uint32_t format,
                       uint32_t pool, std::unordered_set<Buffer*>& live, Interface** out) {
        if (!out)
            return kErrInvalidCall;
        *out = nullptr;
        if (lengthBytes == 0 || pool > Pool::SystemMem)
            return kErrInvalidCall;
        if (lengthBytes > kMaxBufferBytes)
            return kErrOutOfVideoMemory;
        Buffer* b = Buffer::Create(device, lengthBytes, usage, format, pool);
        if (!b)
            return kErrOutOfVideoMemory;
        live.insert(b);
        *out = b;
        return kOk;
    }

    std::unordered_set<Tex*> textures_;
    std::unordered_set<Vb*> vertexBuffers_;
    std::unordered_set<Ib*> indexBuffers_;
};

} // namespace gpu
