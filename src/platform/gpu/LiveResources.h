#pragma once
// The record of the resources a device has made and not seen released yet
// (DeviceFront keeps it for every back end): a reset is refused while one of
// the default pool lives, and every one keeps its data when the device goes
// first.
#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "platform/gpu/Gpu.h"

namespace gpu {

template <class Tex, class Vb, class Ib> class LiveResources {
public:
    void Add(Tex* t) { textures_.insert(t); }
    void Add(Vb* b) { vertexBuffers_.insert(b); }
    void Add(Ib* b) { indexBuffers_.insert(b); }
    void Erase(Tex* t) { textures_.erase(t); }
    void Erase(Vb* b) { vertexBuffers_.erase(b); }
    void Erase(Ib* b) { indexBuffers_.erase(b); }
    const std::unordered_set<Tex*>& Textures() const { return textures_; }
    size_t VertexBuffers() const { return vertexBuffers_.size(); }
    size_t IndexBuffers() const { return indexBuffers_.size(); }

    // How many resources of the default pool live: a reset must wait for none.
    size_t DefaultPool() const {
        auto count = [](const auto& set) {
            size_t n = 0;
            for (const auto* r : set)
                n += r->Pool() == Pool::Default ? 1 : 0;
            return n;
        };
        return count(textures_) + count(vertexBuffers_) + count(indexBuffers_);
    }
    bool AnyDefaultPool() const { return DefaultPool() != 0; }
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
    std::unordered_set<Tex*> textures_;
    std::unordered_set<Vb*> vertexBuffers_;
    std::unordered_set<Ib*> indexBuffers_;
};

} // namespace gpu
