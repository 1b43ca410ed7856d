#pragma once
// The software back end's draws are queued until the frame is needed (shown,
// read, cleared, or a texture it reads is about to change), then drawn at
// once, by the calling thread or a few more (GLORVANE_SOFT_THREADS): the
// target is cut into horizontal bands of rows,
// which the threads take in turn, and each draws every queued triangle that
// reaches its band, in queue order, clipped to it. The bands share no pixel,
// so the picture is the one a single thread draws, to the bit; and the
// threads meet once per frame, not once per draw.
//
// A frame is drawn only where it can differ from the last one: each tile of
// the target keeps a signature of everything that reaches it in the frame, in
// order (each draw's triangles after transformation, its state, viewport,
// hidden pixels and the versions of the textures it reads, and the clears).
// A tile whose signature is the last frame's, and whose pixels the frame
// wholly decides (a clear, or an opaque draw covering the tile, filled it
// before anything read what it held), keeps its pixels; the rest are drawn,
// clipped to those tiles' columns and rows, which draws there what drawing
// whole does. Such a covering clear or draw starts the tile's signature
// afresh, from what wrote its depth so far: what it hides, however it moves,
// does not make the tile drawn again.
#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/gpu/soft/SoftSetup.h"

namespace gpu {

struct SoftLevel;

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

    // ---- drawing by damage ----
    // The back buffer the frames are drawn into; what it held is forgotten.
    void SetTarget(uint32_t* color, uint16_t* depth, uint32_t width, uint32_t height);
    // The back buffer no longer holds what the last frame drew.
    void Invalidate() { lastValid_ = false; }
    // Queues a clear of `rect` (left, top, right, bottom) of the colour or the
    // depth buffer to `value`: only `fill` needs writing, the rest of it
    // holds the value already.
    void QueueFill(bool depth, const int32_t rect[4], const int32_t fill[4], uint32_t value);
    // Draws the frame's queue where the picture may differ from the last
    // frame's; `changed` gets the box that may have changed (left, top,
    // right, bottom; empty when nothing did).
    void FlushFrame(int32_t changed[4]);
    // Pixels of the tiles drawn at FlushFrame, over all frames.
    uint64_t DamagedPixels() const { return damagedPixels_; }
    // Drawing by damage on or off (on unless GLORVANE_DAMAGE=0), and the
    // check that draws each frame both ways and compares the pictures
    // (GLORVANE_DAMAGE_CHECK=1). A difference goes to `onMismatch`: by
    // default it is printed and the process aborts.
    void SetDamage(bool on, bool check);
    void OnMismatch(std::function<void(const std::string&)> onMismatch) {
        onMismatch_ = std::move(onMismatch);
    }

private:
    enum class Kind : uint8_t { Draw, FillColor, FillDepth };
    struct Job {
        size_t first, count; // in tris_ (triangles) and reach_ (four per triangle)
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
    using Box = std::array<int32_t, 4>; // left, top, right, bottom
    void DrawRows(uint32_t thread, const Box& box);
    void DrawBands(uint32_t thread);
    void Work(uint32_t thread);
    // Draws boxes_ over the threads.
    void DrawBoxes(double area, double minSpread);
    void DrawWhole(double minSpread);
    void ForgetQueue();
    uint64_t JobHash(const Job& job) const;
    // The convex shape a triangle, or a pair drawn as one, covers in window
    // coordinates (n corners, none when it may cover nothing for sure), and
    // what it writes wherever it covers without reading what lies below.
    struct Cover {
        int n = 0;
        double x[4], y[4];
        // Per edge (corner i to i + 1): which side is inside, and how far
        // inside a pixel centre must lie, as the edge's cross product measures it.
        double side[4], reach[4];
        bool color = false, depth = false;
        Box clip{0, 0, 0, 0}; // the draw's
        // Whether the pixel centres of `tile` all lie inside, well clear of the edges.
        bool Holds(const Box& tile) const;
    };
    Cover CoverOf(const Job& job, const SoftClipVertex* tri, size_t count) const;
    // Where a triangle, or a pair drawn as one, reads its texture: per
    // triangle, texel coordinates as a function of window ones. A tile whose
    // reads all fall on clear texels, where a clear texel leaves the pixel as
    // it is, is one the draw cannot change.
    struct Reads {
        int n = 0; // triangles known; none: it may change any tile it reaches
        double u[2][3], v[2][3]; // u = u[0] x + u[1] y + u[2], likewise v
        const SoftLevel* level = nullptr;
        bool wrapU = true, wrapV = true;
        bool Misses(const Box& tile) const;
    };
    static Reads ReadsOf(const Job& job, const SoftClipVertex* tri, size_t count);
    // The draw writes depth wherever it covers, from nothing it reads below.
    static bool DecidesDepth(const Job& job);
    // Adds `hash` to the signatures of the tiles `box` reaches, with the
    // pixels of each that `hidden` leaves out.
    // `missed`: per tile of the box, row by row, whether the draw leaves it
    // as it is (none: it may change any).
    void MarkTiles(Box box, uint64_t hash, Kind kind, bool depthWrite,
                   const Cover* cover = nullptr, const SoftRowMask* hidden = nullptr,
                   const std::vector<uint8_t>* missed = nullptr);
    // Per tile, the hidden pixels of `mask` there folded into a hash (0:
    // none): a draw leaves out only those there, so a hidden rectangle that
    // moves elsewhere changes nothing the draw does in the tile.
    const std::vector<uint64_t>& HiddenPerTile(const SoftRowMask& mask);
    // Calls f(tile index, tile) for the tiles `box` reaches, row by row.
    template <class F> void ForTiles(const Box& box, F&& f) const;
    // The tiles of `box` the draw of `hash` misses (Reads::Misses), kept
    // from the last frame for a draw as it was then.
    const std::vector<uint8_t>& MissedTiles(const Job& job, const SoftClipVertex* tri,
                                            size_t count, const Box& box, uint64_t hash);
    void Compare(const std::vector<uint32_t>& color, const std::vector<uint16_t>& depth);

    std::vector<SoftSetup> setups_; // one per thread
    std::vector<std::thread> threads_;
    std::vector<Job> jobs_;
    std::vector<SoftClipVertex> tris_;
    std::vector<float> reach_;      // each triangle's top and bottom row, left and right column
    std::deque<SoftRowMask> masks_; // the queued draws' hidden pixels
    double area_ = 0;
    int32_t top_ = 0, bottom_ = 0; // the rows the queued draws may reach
    std::vector<Box> boxes_; // what DrawBands draws
    std::atomic<uint32_t> nextBand_{0};
    std::atomic<uint32_t> generation_{0};
    std::atomic<uint32_t> running_{0};
    uint64_t epoch_ = 1;
    bool stop_ = false;

    // Per tile of kTile x kTile pixels, row by row: this frame's signature
    // so far and its flags, and the last frame's signature.
    static constexpr int32_t kTile = 32;
    uint32_t* color_ = nullptr;
    uint16_t* depth_ = nullptr;
    int32_t width_ = 0, height_ = 0, tilesX_ = 0, tilesY_ = 0;
    std::vector<uint64_t> sig_, last_;
    std::vector<uint64_t> depthSig_; // what wrote the tile's depth so far this frame
    // Work out per tile for a draw or a mask, by its hash: done once a frame,
    // and kept for the next frame's same draws and masks.
    template <class T> class FrameKept {
    public:
        template <class Make> const T& Get(uint64_t key, Make&& make) {
            if (const auto now = now_.find(key); now != now_.end())
                return now->second;
            T& out = now_[key];
            if (const auto was = last_.find(key); was != last_.end())
                out.swap(was->second);
            else
                make(out);
            return out;
        }
        void NextFrame() {
            last_.swap(now_);
            now_.clear();
        }
        void Clear() {
            now_.clear();
            last_.clear();
        }

    private:
        std::unordered_map<uint64_t, T> now_, last_;
    };
    FrameKept<std::vector<uint8_t>> missed_;       // per draw, the tiles it misses
    FrameKept<std::vector<uint64_t>> hiddenTiles_; // per mask, its hidden pixels' hash (0: none)
    std::vector<uint8_t> flags_;
    bool lastValid_ = false; // the buffer holds what last_ describes
    bool frameWhole_ = false; // part of the frame was drawn whole already
    bool damageOn_ = true, check_ = false;
    bool signing_ = true; // this frame's queue signs the tiles
    // Frames left to draw whole unsigned after a few in a row that changed
    // nearly everywhere, and how many in a row did so far.
    uint32_t resting_ = 0, busy_ = 0;
    static constexpr uint32_t kRestFrames = 30, kBusyFrames = 3;
    static constexpr double kRestShare = 0.9;
    uint64_t damagedPixels_ = 0, frames_ = 0;
    std::vector<Box> checkBoxes_; // the tiles drawn by damage, as the check found them
    std::vector<uint32_t> checkColor_;
    std::vector<uint16_t> checkDepth_;
    std::function<void(const std::string&)> onMismatch_;
};

} // namespace gpu
