// Draws spread over bands of rows on several threads make the picture one
// thread makes, to the bit: many overlapping blended, depth-tested triangles
// (some seen in perspective, some half behind the eye), drawn both ways.
#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#include "platform/gpu/soft/SoftBands.h"

namespace {

using namespace gpu;

struct Picture {
    std::vector<uint32_t> color;
    std::vector<uint16_t> depth;
    uint64_t pixels = 0;
};

Picture Draw(uint32_t bands) {
    constexpr int32_t kW = 203, kH = 157;
    Picture p;
    p.color.assign(static_cast<size_t>(kW) * kH, 0xFF102030u);
    p.depth.assign(p.color.size(), 0xFFFF);
    // A viewport short of the target's edges.
    const SoftTarget target{p.color.data(), p.depth.data(), kW, {3, 5, kW - 4, kH - 2}};
    const Viewport vp{3, 5, kW - 7, kH - 7, 0.0f, 1.0f};
    SoftPixelState st;
    st.stageCount = 1;
    st.stages[0].colorOp = st.stages[0].alphaOp = Top::SelectArg1;
    st.stages[0].colorArg1 = st.stages[0].alphaArg1 = Ta::Diffuse;
    st.blend = true;
    std::tie(st.srcBlend, st.destBlend) = std::pair(Blend::SrcAlpha, Blend::InvSrcAlpha);
    st.depthTest = st.depthWrite = true;
    st.depthFunc = Cmp::LessEqual;
    const SoftStageTexture stages[kCombinerStages];

    std::mt19937 rng(31);
    auto real = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(rng);
    };
    SoftBands drawer(bands);
    for (int draw = 0; draw < 12; ++draw) {
        // Draws of big triangles and draws of many small ones.
        const size_t count = draw % 3 == 0 ? 300 : 8;
        const float size = draw % 3 == 0 ? 0.2f : 1.6f;
        std::vector<SoftClipVertex> tris(count * 3);
        for (size_t t = 0; t < count; ++t) {
            const float cx = real(-1.2f, 1.2f), cy = real(-1.2f, 1.2f);
            for (int i = 0; i < 3; ++i) {
                SoftClipVertex& v = tris[t * 3 + i];
                v.w = draw == 5 ? real(-0.3f, 2.0f) : (draw % 2 ? real(0.5f, 2.0f) : 1.0f);
                v.x = (cx + real(-size, size)) * v.w;
                v.y = (cy + real(-size, size)) * v.w;
                v.z = real(0.0f, 1.0f) * v.w;
                for (float& c : v.color)
                    c = static_cast<float>(rng() % 256);
            }
        }
        drawer.Queue(tris.data(), count, st, stages, vp, target, Cull::None);
    }
    drawer.Flush(0);
    p.pixels = drawer.Pixels();
    return p;
}

TEST(SoftBands, ManyThreadsDrawWhatOneDraws) {
    const Picture one = Draw(1);
    for (uint32_t bands : {2u, 4u, 7u}) {
        const Picture many = Draw(bands);
        EXPECT_TRUE(many.color == one.color) << bands << " bands";
        EXPECT_TRUE(many.depth == one.depth) << bands << " bands";
        EXPECT_EQ(many.pixels, one.pixels) << bands << " bands";
    }
    EXPECT_GT(one.pixels, 50000u); // the draws do overlap
}

} // namespace
