#include "backgrounds/DustLayers.h"

#include <algorithm>

#include "backgrounds/BackdropKit.h"
#include "engine/DrawHelpers.h"
#include "engine/IniHelpers.h"
#include "engine/Random.h"

using namespace backdrop;

namespace {

// The dust picture repeats three quarters as often down as across.
constexpr float kDustAspect = 0.75f;

} // namespace

void CDustLayers::LoadVelocities(const std::string& file, const char* section, int32_t layers) {
    Velocity.assign(static_cast<size_t>(2 * std::max(layers, 0)), 0.0f);
    for (int32_t i = 0; i < layers; ++i) {
        float v[2] = {0.0f, 0.0f};
        GetIniFloat2(v, file, section, KeyOf("DustVec_", i).c_str(), "0.001 -0.002");
        const float a = v[0], b = v[1];
        const float turned[4][2] = {{-a, -b}, {b, -a}, {a, b}, {-b, a}};
        Velocity[2 * static_cast<size_t>(i)] = turned[i % 4][0];
        Velocity[2 * static_cast<size_t>(i) + 1] = turned[i % 4][1];
    }
}

void CDustLayers::Build(gpu::Vertex* vertices, uint16_t* indices, uint32_t firstVertex,
                        float sizeFactor, float z, uint32_t colour) {
    const size_t layers = Count();
    Offset.assign(2 * layers, 0.0f);
    Delta.assign(6 * layers, 0.0f);
    const float s = sizeFactor, t = kDustAspect * sizeFactor;
    // Corner deltas of the second, third and fourth corner.
    const float deltas[4][6] = {
        {s, 0, s, t, 0, t}, {0, s, -t, s, -t, 0}, {-s, 0, -s, -t, 0, -t}, {0, -s, t, -s, t, 0}};
    const float left = kOffsetX - 0.5f * kScreenWidth, right = kOffsetX + 0.5f * kScreenWidth;
    const float top = kOffsetY + 0.5f * kScreenHeight, bottom = kOffsetY - 0.5f * kScreenHeight;
    for (size_t i = 0; i < layers; ++i) {
        std::copy(deltas[i % 4], deltas[i % 4] + 6, Delta.begin() + static_cast<long>(6 * i));
        gpu::Vertex* v = vertices + 4 * i;
        v[0] = {left, top, z, colour, 0, 0, 0.0f, 0.0f};
        v[1] = {right, top, z, colour, 0, 0, 1.0f, 0.0f};
        v[2] = {right, bottom, z, colour, 0, 0, 1.0f, kDustAspect};
        v[3] = {left, bottom, z, colour, 0, 0, 0.0f, kDustAspect};
        WriteQuadIndices(indices + 6 * i, firstVertex + static_cast<uint32_t>(4 * i));
        Offset[2 * i] = RandomFloat();
        Offset[2 * i + 1] = RandomFloat();
    }
}

void CDustLayers::Scroll(gpu::Vertex* vertices, float dt) {
    const size_t layers = std::min(Count(), Offset.size() / 2);
    for (size_t i = 0; i < layers; ++i) {
        gpu::Vertex* v = vertices + 4 * i;
        float* o = &Offset[2 * i];
        for (size_t c = 0; c < 2; ++c) {
            o[c] += Velocity[2 * i + c] * dt;
            if (o[c] > 1.0f)
                o[c] -= 1.0f;
            if (o[c] < 0.0f)
                o[c] += 1.0f;
        }
        const float* d = &Delta[6 * i];
        v[0].u0 = o[0];
        v[0].v0 = o[1];
        for (int c = 1; c < 4; ++c) {
            v[c].u0 = o[0] + d[2 * (c - 1)];
            v[c].v0 = o[1] + d[2 * (c - 1) + 1];
        }
    }
}
