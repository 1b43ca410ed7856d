// Draws spread over bands of rows on several threads make the picture one
// thread makes, to the bit: many overlapping blended, depth-tested triangles
// (some seen in perspective, some half behind the eye), drawn both ways.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

#include "platform/gpu/soft/SoftBands.h"
#include "platform/gpu/soft/SoftResources.h"

namespace {

using namespace gpu;

struct Picture {
    std::vector<uint32_t> color;
    std::vector<uint16_t> depth;
    uint64_t pixels = 0;
};

// One stage of `op` on the arguments, blended with its alpha, depth tested and written.
SoftPixelState BlendedOverDepth(uint32_t op, uint32_t arg1, uint32_t arg2) {
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

Picture Draw(uint32_t bands) {
    constexpr int32_t kW = 203, kH = 157;
    Picture p;
    p.color.assign(static_cast<size_t>(kW) * kH, 0xFF102030u);
    p.depth.assign(p.color.size(), 0xFFFF);
    // A viewport short of the target's edges.
    const SoftTarget target{p.color.data(), p.depth.data(), kW, {3, 5, kW - 4, kH - 2}};
    const Viewport vp{3, 5, kW - 7, kH - 7, 0.0f, 1.0f};
    const SoftPixelState st = BlendedOverDepth(Top::SelectArg1, Ta::Diffuse, 0);
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

// Random textured, blended, depth-tested triangles (some in perspective) over
// random rectangles (overlapping, touching, off the target), drawn with them on
// three bands and without on one: outside them colour and depth match to the bit.
TEST(SoftBands, HiddenRectanglesLeaveOutOnlyTheirPixels) {
    constexpr int32_t kW = 700, kH = 120;
    std::mt19937 rng(47);
    auto real = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(rng);
    };
    std::unique_ptr<SoftTexture, void (*)(SoftTexture*)> texture(
        SoftTexture::Create(nullptr, 64, 32, 1, 0, Fmt::A8R8G8B8, Pool::Managed),
        [](SoftTexture* t) { t->Release(); });
    LockedRect locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), kOk);
    std::generate_n(static_cast<uint32_t*>(locked.bits), 64 * 32, std::ref(rng));
    texture->UnlockRect(0);
    SoftStageTexture stages[kCombinerStages] = {{texture.get(), true, true}};
    const SoftPixelState st = BlendedOverDepth(Top::Modulate, Ta::Texture, Ta::Diffuse);
    const Viewport vp{0, 0, kW, kH, 0.0f, 1.0f};
    uint64_t leftOut = 0;
    for (int round = 0; round < 30; ++round) {
        std::vector<SoftClipVertex> tris(3 * (1 + rng() % 6));
        for (SoftClipVertex& v : tris) {
            v.w = round % 3 == 0 ? real(0.5f, 2.0f) : 1.0f;
            v.x = real(-1.3f, 1.3f) * v.w;
            v.y = real(-1.3f, 1.3f) * v.w;
            v.z = real(0.0f, 1.0f) * v.w;
            for (float& c : v.color)
                c = real(0.0f, 255.0f);
            v.uv[0][0] = real(-2.0f, 3.0f), v.uv[0][1] = real(-2.0f, 3.0f);
        }
        std::vector<Rect> rects(rng() % 8);
        for (Rect& r : rects) {
            r.left = static_cast<int32_t>(rng() % (kW + 40)) - 20, r.right = r.left + rng() % 400;
            r.top = static_cast<int32_t>(rng() % (kH + 20)) - 10, r.bottom = r.top + rng() % 80;
        }
        if (rects.size() > 2) // one touching another edge to edge
            rects[1] = {rects[0].right, rects[0].top, rects[0].right + 30, rects[0].bottom + 5};
        SoftRowMask mask;
        mask.Set(rects.data(), static_cast<uint32_t>(rects.size()));
        Picture p[2];
        SoftBands drawers[2] = {SoftBands(1), SoftBands(3)};
        for (int masked = 0; masked < 2; ++masked) {
            p[masked].color.assign(static_cast<size_t>(kW) * kH, 0xFF000000u | round * 0x10203u);
            p[masked].depth.assign(p[masked].color.size(), 0xC000);
            SoftTarget target{p[masked].color.data(), p[masked].depth.data(), kW, {0, 0, kW, kH}};
            target.hidden = masked ? &mask : nullptr;
            drawers[masked].Queue(tris.data(), tris.size() / 3, st, stages, vp, target,
                                  Cull::None);
            drawers[masked].Flush(0);
        }
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const bool inside = std::any_of(rects.begin(), rects.end(), [&](const Rect& r) {
                    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                });
                const size_t i = static_cast<size_t>(y) * kW + x;
                ASSERT_TRUE(inside ||
                            (p[1].color[i] == p[0].color[i] && p[1].depth[i] == p[0].depth[i]))
                    << "round " << round << " pixel " << x << "," << y;
            }
        EXPECT_EQ(drawers[1].Pixels() + drawers[1].HiddenPixels(), drawers[0].Pixels());
        leftOut += drawers[1].HiddenPixels();
    }
    EXPECT_GT(leftOut, 100000u);
}

} // namespace
