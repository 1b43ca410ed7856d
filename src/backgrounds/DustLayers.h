#pragma once
// Full-screen layers of drifting motes drawn in one call: each layer is a
// screen quad over which the dust picture repeats, turned a quarter turn
// further than the layer before, and scrolled by its own drift (turned with
// it), so that no two layers move alike.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gpu/Gpu.h"

struct CDustLayers {
    std::vector<float> Velocity; // (u, v) per layer, turned with its layer
    std::vector<float> Offset;   // (u, v) per layer, kept in [0, 1]
    std::vector<float> Delta;    // three (u, v) corner deltas per layer

    size_t Count() const { return Velocity.size() / 2; }
    // "DustVec_<i>" of every layer, turned a quarter turn per layer.
    void LoadVelocities(const std::string& file, const char* section, int32_t layers);
    // Writes the layers' quads (4 vertices and 6 indices each) covering the
    // screen at the drawing offset, the picture repeating `sizeFactor` times
    // across, and picks each layer's random starting offset.
    void Build(gpu::Vertex* vertices, uint16_t* indices, uint32_t firstVertex, float sizeFactor,
               float z, uint32_t colour);
    // Scrolls each layer by its drift and writes its first texture coordinates.
    void Scroll(gpu::Vertex* vertices, float dt);
};
