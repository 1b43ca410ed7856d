#pragma once
// The software back end's draws are queued until the frame is needed (shown,
// read, cleared, or a texture it reads is about to change), then drawn at
// once, by the calling thread or a few more (GLORVANE_SOFT_THREADS): the
// target is cut into horizontal bands of rows,
// which the threads take in turn, and each draws every queued triangle that
// reaches its band, in queue order, clipped to it. The bands share no pixel,
// so the picture is the one a single thread draws, to the bit; and the
// threads meet once per frame, not once per draw.
#include <atomic>
#include <cstdint>
#include <deque>
#include <thread>
#include <vector>

#include "platform/gpu/soft/SoftSetup.h"

namespace gpu {

class SoftBands {
public:
    // `threads` draw, the caller's one of them; 0 takes DefaultCount().
    explicit SoftBands(uint32_t threads = 0);
    ~SoftBands();
    SoftBands(const SoftBands&) = delete;
    SoftBands& operator=(const SoftBands&) = delete;

    // One, or what GLORVANE_SOFT_THREADS asks for (1 to 16).
    static uint32_t DefaultCount();
    uint32_t Count() const { return static_cast<uint32_t>(setups_.size()); }

    // Queues `count` triangles (three vertices each, in drawing order); the
    // vertices, state, viewport and hidden pixels are copied, the textures
    // and the target's buffers must stay as they are until Flush.
    void Queue(const SoftClipVertex* tris, size_t count, const SoftPixelState& state,
               const SoftStageTexture stages[kCombinerStages], const Viewport& vp,
               const SoftTarget& target, uint32_t cull);
    // Draws what is queued. Frames of fewer than `minSpread` pixels stay on
    // the calling thread.
    void Flush(double minSpread = kMinSpreadPixels);
    bool Pending() const { return !jobs_.empty(); }
    // Counts the flushes: a texture queued since the last one is read by the next.
    uint64_t Epoch() const { return epoch_; }
    // The pixels shaded so far, over all threads, and those left out as hidden.
    uint64_t Pixels() const;
    uint64_t HiddenPixels() const;

    static constexpr double kMinSpreadPixels = 65536;

private:
    struct Job {
        size_t first, count; // in tris_ (triangles) and rows_ (two per triangle)
        SoftPixelState state;
        SoftStageTexture stages[kCombinerStages];
        Viewport vp;
        SoftTarget target;
        uint32_t cull;
        bool rowsKnown; // false: a vertex lies behind the eye
    };
    void DrawRows(uint32_t thread, int32_t top, int32_t bottom);
    void DrawBands(uint32_t thread);
    void Work(uint32_t thread);

    std::vector<SoftSetup> setups_; // one per thread
    std::vector<std::thread> threads_;
    std::vector<Job> jobs_;
    std::vector<SoftClipVertex> tris_;
    std::vector<float> rows_;       // each triangle's top and bottom row
    std::deque<SoftRowMask> masks_; // the queued draws' hidden pixels
    double area_ = 0;
    int32_t top_ = 0, bottom_ = 0; // the rows the queued draws may reach
    uint32_t bandCount_ = 1;
    std::atomic<uint32_t> nextBand_{0};
    std::atomic<uint32_t> generation_{0};
    std::atomic<uint32_t> running_{0};
    uint64_t epoch_ = 1;
    bool stop_ = false;
};

} // namespace gpu
