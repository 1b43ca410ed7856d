#pragma once
// What the software back end's tests share: a state to draw with, and the
// queue and damage tracker together as the device drives them.
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/gpu/soft/SoftBands.h"
#include "platform/gpu/soft/SoftDamage.h"

namespace gpu {

// One stage of `op` on the arguments, blended with its alpha, depth tested and written.
inline SoftPixelState BlendedOverDepth(uint32_t op, uint32_t arg1, uint32_t arg2) {
    SoftPixelState st;
    st.stageCount = 1;
    st.stages[0].colorOp = st.stages[0].alphaOp = op;
    st.stages[0].colorArg1 = st.stages[0].alphaArg1 = arg1;
    st.stages[0].colorArg2 = st.stages[0].alphaArg2 = arg2;
    st.blend = true;
    std::tie(st.srcBlend, st.destBlend) = std::pair(Blend::SrcAlpha, Blend::InvSrcAlpha);
    st.depthTest = st.depthWrite = true;
    st.depthFunc = Cmp::LessEqual;
    return st;
}

// Frames queued on bands and drawn by damage, as the device does.
class SoftFrames {
public:
    explicit SoftFrames(uint32_t threads) : bands_(threads) {}
    void SetTarget(uint32_t* color, uint16_t* depth, uint32_t width, uint32_t height) {
        buffers_.color = color, buffers_.depth = depth, buffers_.width = static_cast<int32_t>(width);
        damage_.SetTarget(color, depth, width, height);
    }
    void Queue(const SoftClipVertex* tris, size_t count, const SoftPixelState& state,
               const SoftStageTexture stages[kCombinerStages], const Viewport& vp,
               const SoftTarget& target, uint32_t cull) {
        if (const SoftJob* job = bands_.Queue(tris, count, state, stages, vp, target, cull))
            damage_.SignDraw(bands_, *job);
    }
    // A clear of `rect` whose pixels `fill` are not yet `value`.
    void QueueFill(bool depth, const int32_t rect[4], const int32_t fill[4], uint32_t value) {
        bands_.QueueFill(depth, fill, value, buffers_);
        damage_.SignFill(depth, rect, value);
    }
    void FlushFrame(int32_t changed[4]) { damage_.FlushFrame(bands_, changed); }
    SoftBands& Bands() { return bands_; }
    SoftDamage& Damage() { return damage_; }

private:
    SoftBands bands_;
    SoftDamage damage_;
    SoftTarget buffers_;
};

// A back buffer (black, depth far) drawn by damage under the check, which
// draws each frame whole too and compares; its reports are kept.
struct CheckedScreen {
    CheckedScreen(int32_t width, int32_t height, uint32_t threads = 1)
        : color(static_cast<size_t>(width) * height, 0xFF000000u), depth(color.size(), 0xFFFF),
          frames(threads) {
        frames.SetTarget(color.data(), depth.data(), width, height);
        frames.Damage().SetDamage(true, true);
        frames.Damage().OnMismatch([this](const std::string& r) { reports.push_back(r); });
    }
    std::vector<uint32_t> color;
    std::vector<uint16_t> depth;
    SoftFrames frames;
    std::vector<std::string> reports;
};

} // namespace gpu
