#pragma once
// Large draws of the software back end spread over threads: the target is cut
// into horizontal bands, one per thread, and each thread draws every triangle
// of the draw, in order, clipped to its band. The bands share no pixel, so the
// picture is the one a single thread draws, to the bit. The threads wait
// between draws (a fork and a join per draw), so whatever the device does
// outside a draw (clears, locks, new textures) races with nothing.
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "platform/gpu/soft/SoftSetup.h"

namespace gpu {

class SoftBands {
public:
    // `bands` threads draw, the caller's one of them; 0 takes DefaultCount().
    explicit SoftBands(uint32_t bands = 0);
    ~SoftBands();
    SoftBands(const SoftBands&) = delete;
    SoftBands& operator=(const SoftBands&) = delete;

    // Up to four bands where the processor runs that many threads at once;
    // more cost more in set-up per triangle than they save.
    static uint32_t DefaultCount();
    uint32_t Count() const { return static_cast<uint32_t>(setups_.size()); }

    // Draws `count` triangles (three vertices each, in drawing order). Draws
    // covering fewer than `minSpread` pixels stay on the calling thread.
    void Draw(const SoftClipVertex* tris, size_t count, const SoftPixelState& state,
              const SoftStageTexture stages[kCombinerStages], const Viewport& vp,
              const SoftTarget& target, uint32_t cull, double minSpread = kMinSpreadPixels);
    // The pixels shaded so far, over all bands, and those left out as hidden.
    uint64_t Pixels() const;
    uint64_t HiddenPixels() const;

    static constexpr double kMinSpreadPixels = 16384;

private:
    struct Job {
        const SoftClipVertex* tris;
        size_t count;
        const SoftPixelState* state;
        const SoftStageTexture* stages;
        const Viewport* vp;
        const SoftTarget* target;
        uint32_t cull;
        const float* rows;   // each triangle's top and bottom row, or null
        int32_t top, bottom; // the rows the bands split
        uint32_t bands;      // how many of the threads draw
    };
    void DrawBand(uint32_t band, const Job& job);
    void Work(uint32_t band);

    std::vector<SoftSetup> setups_;
    std::vector<std::thread> threads_;
    std::vector<float> rows_;
    Job job_{};
    std::atomic<uint32_t> generation_{0};
    std::atomic<uint32_t> running_{0};
    bool stop_ = false;
};

} // namespace gpu
