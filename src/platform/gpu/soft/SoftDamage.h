#pragma once
// Drawing by damage: a frame is drawn only where it can differ from the last
// one. The target is cut into tiles of kTile x kTile pixels; each tile keeps
// a signature of everything that reaches it in the frame, in queue order.
//
// A tile's signature holds, for each draw that may reach it: the draw's
// triangles (a pair drawn as one together) after transformation, its
// combiner stages, each stage's texture version and sampler (filters, wrap,
// mirror), the blend and its factors, the depth test, function and write,
// the alpha test and its reference, the texture factor, the kept alpha, the
// cull, the clip, the viewport, and the pixels of the tile its hidden
// rectangles leave out; for each clear reaching it, colour or depth, its
// rectangle and its value. A signature is a 64-bit digest of these, chained
// in order: two frames alike in all of them sign alike, and two that differ
// in one sign alike only by a collision of the digest.
//
// A tile whose signature is the last frame's, and whose pixels the frame
// wholly decides (a clear, or a draw covering the tile that writes without
// reading below, by StageCombiner's WritesWithoutReading, filled it before
// anything read what it held) keeps its pixels; the rest are drawn, clipped
// to those tiles' columns and rows, which draws there what drawing whole
// does. Such a covering clear or draw starts the tile's signature afresh,
// from what wrote its depth so far: what it hides, however it moves, does
// not make the tile drawn again. A draw whose reads all fall on clear texels
// of its texture, where a clear texel leaves the pixel as it is, signs no
// tile it misses.
//
// The whole frame is drawn, and nothing kept, when
//   - it is the first frame, or the first on a new target (SetTarget);
//   - drawing by damage was switched (SetDamage), or is off (GLORVANE_DAMAGE=0);
//   - the device was reset, or the buffer lost what it held (Invalidate);
//   - part of the frame was flushed before its end (a read of the buffer, or
//     a texture the queue reads about to change): that part was drawn whole;
//   - it rests: after kBusyFrames frames in a row that changed nearly
//     everywhere (kRestShare of the target), the next kRestFrames are drawn
//     whole and unsigned, for signing them costs more than it saves. Resting
//     never starts in check mode, so that the check sees every frame by damage.
// TilesDrawn counts the tiles drawn under these causes (kWhole* in
// FrameProbe.h), and those a frame drawn by damage draws under why each was.
// GLORVANE_DAMAGE_SHOW=1 tints the tiles drawn in a frame, which draws them
// again, untinted, in the next.
//
// The proof: in check mode (GLORVANE_DAMAGE_CHECK=1) every frame is drawn
// both by damage and whole, and a pixel that differs is reported (by default
// printed, and the process aborts). The unit tests in
// tests/platform/gpu/SoftDamageTest.cpp run the check over sprites, clears,
// hidden rectangles, covering draws and their edges, clear texels, depth
// kept from frame to frame, and each input of the signature changed alone;
// the game's flows and the back ends' tests run in it (ctest -L damage-check); and the fuzz target
// fuzz/SoftDamageFuzz.cpp drives the device through the API in it.
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gpu/FrameProbe.h"
#include "platform/gpu/soft/SoftBands.h"

namespace gpu {

struct SoftLevel;

class SoftDamage {
public:
    // On unless GLORVANE_DAMAGE=0; checked with GLORVANE_DAMAGE_CHECK=1.
    SoftDamage();

    // The back buffer the frames are drawn into; what it held is forgotten.
    void SetTarget(uint32_t* color, uint16_t* depth, uint32_t width, uint32_t height);
    // The back buffer no longer holds what the last frame drew.
    void Invalidate() {
        lastValid_ = false;
        lost_ = kWholeReset;
    }
    // Drawing by damage on or off, and the check that draws each frame both
    // ways and compares the pictures. A difference goes to `onMismatch`: by
    // default it is printed and the process aborts.
    void SetDamage(bool on, bool check);
    void OnMismatch(std::function<void(const std::string&)> onMismatch) {
        onMismatch_ = std::move(onMismatch);
    }

    // Signs the tiles a draw just queued in `bands` may change.
    void SignDraw(const SoftBands& bands, const SoftJob& job);
    // Signs a clear of `rect` (left, top, right, bottom) of the colour or the
    // depth buffer to `value`.
    void SignFill(bool depth, const int32_t rect[4], uint32_t value);
    // The tiles signed so far this frame that would be drawn, as boxes of
    // whole tiles (a run of tiles in a row, joined with the run above it of
    // the same columns up to `tallest` rows); none when the frame is drawn
    // whole. Draws nothing.
    std::vector<SoftBox> Damaged(int32_t tallest = INT32_MAX) const;
    // Whether the frame so far is to be drawn whole.
    bool Whole(const SoftBands& bands) const;
    // Draws the frame queued in `bands` where the picture may differ from
    // the last frame's (in check mode, whole too, and compares), and ends
    // the frame; `changed` gets the box that may have changed (left, top,
    // right, bottom; empty when nothing did).
    void FlushFrame(SoftBands& bands, int32_t changed[4]);
    // Pixels of the tiles drawn at FlushFrame, over all frames.
    uint64_t DamagedPixels() const { return damagedPixels_; }
    // The tiles drawn at FlushFrame, over all frames, by cause.
    const DrawnTiles& TilesDrawn() const { return drawn_; }
    // Tints the tiles each frame draws (on with GLORVANE_DAMAGE_SHOW=1).
    void SetShow(bool show) { show_ = show; }
    // What a tinted pixel shows.
    static uint32_t Tint(uint32_t argb) { return (argb & 0xFF000000u) + ((argb >> 1) & 0x7F7F7Fu) + 0x7F0040u; }

    static constexpr int32_t kTile = 32;
    static constexpr uint32_t kRestFrames = 30, kBusyFrames = 3;
    static constexpr double kRestShare = 0.9;

private:
    using Box = SoftBox;
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
    static Cover CoverOf(const SoftJob& job, const SoftClipVertex* tri, size_t count);
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
    static Reads ReadsOf(const SoftJob& job, const SoftClipVertex* tri, size_t count);
    static uint64_t JobHash(const SoftJob& job);
    // The draw writes depth wherever it covers, from nothing it reads below.
    static bool DecidesDepth(const SoftJob& job);
    // Adds `hash` to the signatures of the tiles `box` reaches, with the
    // pixels of each that `hidden` leaves out.
    // `missed`: per tile of the box, row by row, whether the draw leaves it
    // as it is (none: it may change any).
    void MarkTiles(Box box, uint64_t hash, SoftJob::Kind kind, bool depthWrite,
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
    const std::vector<uint8_t>& MissedTiles(const SoftJob& job, const SoftClipVertex* tri,
                                            size_t count, const Box& box, uint64_t hash);
    // Why the frame is drawn whole, or kDrawnCauses when it is not.
    DrawnCause WholeCause(const SoftBands& bands) const;
    // Whether the tile is drawn for what the frame does there.
    bool TileDamaged(size_t tile) const;
    // Counts the tiles drawn by damage by cause, and tints them when showing.
    void CountDrawn(bool whole, DrawnCause cause);
    void EndFrame(bool whole, double area);
    void Compare(const SoftBands& bands, const std::vector<uint32_t>& color,
                 const std::vector<uint16_t>& depth);

    // Per tile, row by row: this frame's signature so far and its flags, and
    // the last frame's signature.
    uint32_t* color_ = nullptr;
    uint16_t* depth_ = nullptr;
    int32_t width_ = 0, height_ = 0, tilesX_ = 0, tilesY_ = 0;
    std::vector<uint64_t> sig_, last_;
    std::vector<uint64_t> depthSig_; // what wrote the tile's depth so far this frame
    std::vector<uint8_t> flags_;
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
    bool lastValid_ = false; // the buffer holds what last_ describes
    DrawnCause lost_ = kWholeFirst; // why, when it does not
    // The bands' flush count when the frame began: another means part of
    // the frame was drawn whole already.
    uint64_t frameEpoch_ = 0;
    bool damageOn_ = true, check_ = false;
    bool signing_ = true; // this frame's queue signs the tiles
    // Frames left to draw whole unsigned after a few in a row that changed
    // nearly everywhere, and how many in a row did so far.
    uint32_t resting_ = 0, busy_ = 0;
    uint64_t damagedPixels_ = 0, frames_ = 0;
    DrawnTiles drawn_{};
    bool show_ = false;
    std::vector<uint8_t> tinted_; // per tile, tinted in the last frame
    std::vector<Box> boxes_;      // the frame's, drawn by damage
    std::vector<Box> checkBoxes_; // the tiles drawn by damage, as the check found them
    std::vector<uint32_t> checkColor_;
    std::vector<uint16_t> checkDepth_;
    std::function<void(const std::string&)> onMismatch_;
};

} // namespace gpu
