#pragma once
// The software back end's draws are queued until the frame is needed (shown,
// read, cleared, or a texture it reads is about to change), then drawn at
// once, by the calling thread or a few more (GLORVANE_SOFT_THREADS): the
// target is cut into horizontal bands of rows,
// which the threads take in turn, and each draws every queued triangle that
// reaches its band, in queue order, clipped to it. The bands share no pixel,
// so the picture is the one a single thread draws, to the bit; and the
// threads meet once per frame, not once per draw. What of the queue a frame
// draws at all is SoftDamage's choice: it hands boxes to DrawBoxes.
#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <thread>
#include <vector>

#include "platform/gpu/soft/SoftSetup.h"

namespace gpu {

using SoftBox = std::array<int32_t, 4>; // left, top, right, bottom

// One queued draw or clear, as drawn and as the damage tracker signs it.
struct SoftJob {
    enum class Kind : uint8_t { Draw, FillColor, FillDepth };
    size_t first, count; // in the queue's triangles, and their reach (four per triangle)
    SoftPixelState state;
    SoftStageTexture stages[kCombinerStages];
    Viewport vp;
    SoftTarget target;
    uint32_t cull;
    bool rowsKnown; // false: a vertex lies behind the eye
    Kind kind = Kind::Draw;
    int32_t fill[4] = {0, 0, 0, 0}; // a fill's pixels
    uint32_t value = 0;
};

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
    // and the target's buffers must stay as they are until Flush. Gives the
    // queued draw, or none when it can draw nothing.
    const SoftJob* Queue(const SoftClipVertex* tris, size_t count, const SoftPixelState& state,
                         const SoftStageTexture stages[kCombinerStages], const Viewport& vp,
                         const SoftTarget& target, uint32_t cull);
    // Queues a fill of `fill` (left, top, right, bottom) of the target's
    // colour or depth buffer with `value`.
    void QueueFill(bool depth, const int32_t fill[4], uint32_t value, const SoftTarget& target);
    // Draws what is queued, whole. Frames of fewer than `minSpread` pixels
    // stay on the calling thread.
    void Flush(double minSpread = kMinSpreadPixels);
    bool Pending() const { return !jobs_.empty(); }
    // Counts the flushes: a texture queued since the last one is read by the next.
    uint64_t Epoch() const { return epoch_; }
    // The pixels shaded so far, over all threads, and those left out as hidden.
    uint64_t Pixels() const;
    uint64_t HiddenPixels() const;

    static constexpr double kMinSpreadPixels = 65536;
    // Rows per band: enough bands for the threads to even out the work of rows
    // that cost differently, few enough that set-up repeated per band stays small.
    static constexpr int32_t kBandRows = 64;

    // The queue as it stands, for the damage tracker.
    const std::vector<SoftJob>& Jobs() const { return jobs_; }
    const SoftClipVertex* Triangles(const SoftJob& job) const { return &tris_[job.first * 3]; }
    // Per triangle of the job: its top and bottom row, left and right column.
    const float* Reach(const SoftJob& job) const { return &reach_[job.first * 4]; }
    // Draws the queue clipped to `boxes` (`area` pixels in all), or whole,
    // keeping it queued; Forget ends it.
    void DrawBoxes(const std::vector<SoftBox>& boxes, double area, double minSpread);
    void DrawWhole(double minSpread);
    void Forget();

private:
    void DrawRows(uint32_t thread, const SoftBox& box);
    void DrawBands(uint32_t thread);
    void Work(uint32_t thread);
    void AddRows(int32_t top, int32_t bottom);

    std::vector<SoftSetup> setups_; // one per thread
    std::vector<std::thread> threads_;
    std::vector<SoftJob> jobs_;
    std::vector<SoftClipVertex> tris_;
    std::vector<float> reach_;      // each triangle's top and bottom row, left and right column
    std::deque<SoftRowMask> masks_; // the queued draws' hidden pixels
    double area_ = 0;
    int32_t top_ = 0, bottom_ = 0; // the rows the queued draws may reach
    std::vector<SoftBox> bands_;           // DrawWhole's
    const std::vector<SoftBox>* boxes_ = nullptr; // what DrawBands draws
    std::atomic<uint32_t> nextBand_{0};
    std::atomic<uint32_t> generation_{0};
    std::atomic<uint32_t> running_{0};
    uint64_t epoch_ = 1;
    bool stop_ = false;
};

} // namespace gpu
