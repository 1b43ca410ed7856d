// Draws spread over bands of rows on several threads make the picture one
// thread makes, to the bit: many overlapping blended, depth-tested triangles
// (some seen in perspective, some half behind the eye), drawn both ways.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "SoftFixture.h"
#include "platform/gpu/soft/SoftBands.h"
#include "platform/gpu/soft/SoftResources.h"

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
            drawers[masked].Queue(tris.data(), tris.size() / 3, st, stages, vp, target, Cull::None);
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

// Random quads (convex or not, either turn, culled or not, corners on pixel
// centres and between them, some over hidden rectangles), their two triangles
// drawn as one draw on bands and one by one: the same pixels, each once, their
// colours and depths within a level.
TEST(SoftBands, QuadsCoverWhatTheirTrianglesCover) {
    constexpr int32_t kW = 256, kH = 128;
    std::mt19937 rng(5);
    auto real = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(rng);
    };
    const Viewport vp{0, 0, kW, kH, 0.0f, 1.0f};
    SoftPixelState st = BlendedOverDepth(Top::SelectArg1, Ta::Diffuse, 0);
    st.blend = st.depthTest = false;
    const SoftStageTexture stages[kCombinerStages];
    for (int round = 0; round < 400; ++round) {
        const float cx = real(0, kW), cy = real(0, kH), size = round % 2 ? 12 : 90;
        const float turn = round % 3 ? 1.0f : -1.0f, spin = real(0, 6.3f);
        const float grid = round % 4 ? 0.5f : 1.0f / 64; // pixel centres, or between
        float plane[5][3];
        for (auto& p : plane) // colours and depth, none reaching its ends
            p[0] = real(0.2f, 0.6f), p[1] = real(-2e-3f, 2e-3f), p[2] = real(-2e-3f, 2e-3f);
        SoftClipVertex corner[4] = {};
        for (int i = 0; i < 4; ++i) {
            const float angle = spin + turn * (i * 1.5708f + real(-0.3f, 0.3f));
            const float r = size * (round % 5 ? 1.0f : real(0.3f, 1.0f));
            const float x = std::round((cx + r * std::cos(angle)) / grid) * grid;
            const float y = std::round((cy + r * std::sin(angle)) / grid) * grid;
            SoftClipVertex& v = corner[i];
            v.x = x / (kW / 2) - 1, v.y = 1 - y / (kH / 2), v.w = 1;
            auto at = [&](const float* p) { return p[0] + p[1] * (x - cx) + p[2] * (y - cy); };
            v.z = at(plane[4]);
            for (int c = 0; c < 4; ++c)
                v.color[c] = at(plane[c]) * 255;
        }
        const int d = static_cast<int>(rng() % 2); // either diagonal
        const SoftClipVertex tris[6] = {corner[d],     corner[d + 1],       corner[d + 2],
                                        corner[d + 2], corner[(d + 3) % 4], corner[d]};
        const uint32_t cull = round % 7 == 0 ? Cull::CCW : Cull::None;
        const Rect rect{int32_t(cx) - 8, int32_t(cy) - 8, int32_t(cx) + 8, int32_t(cy) + 5};
        SoftRowMask mask;
        mask.Set(&rect, round % 3 == 1 ? 1 : 0);
        Picture p[2];
        for (Picture& pic : p)
            pic.color.assign(kW * kH, 0xFF000000u), pic.depth.assign(kW * kH, 0xFFFF);
        SoftTarget target{p[0].color.data(), p[0].depth.data(), kW, {0, 0, kW, kH}, &mask};
        SoftBands quads(1 + round % 3);
        quads.Queue(tris, 2, st, stages, vp, target, cull);
        quads.Flush(0);
        target.color = p[1].color.data(), target.depth = p[1].depth.data();
        SoftSetup apart;
        for (int t = 0; t < 2; ++t)
            apart.DrawTriangle(tris + t * 3, st, stages, vp, target, cull);
        ASSERT_EQ(std::pair(quads.Pixels(), quads.HiddenPixels()),
                  std::pair(apart.Pixels(), apart.HiddenPixels()))
            << "round " << round;
        for (size_t i = 0; i < p[0].color.size(); ++i) {
            bool near = (p[0].depth[i] == 0xFFFF) == (p[1].depth[i] == 0xFFFF) &&
                        std::abs(p[0].depth[i] - p[1].depth[i]) <= 1;
            for (int shift = 0; shift < 32; shift += 8)
                near = near && std::abs(static_cast<int>((p[0].color[i] >> shift) & 0xFF) -
                                        static_cast<int>((p[1].color[i] >> shift) & 0xFF)) <= 1;
            ASSERT_TRUE(near) << "round " << round << " pixel " << i;
        }
    }
}

// Triangles with a corner far outside the window (past the fixed-point
// edges' reach), behind the eye, infinite or not a number, their texture
// coordinates wild too, drawn with each set of span routines: a triangle with
// a corner that is not finite draws nothing, the others cover, within the
// viewport and nowhere else, the pixel centres inside their edges.
TEST(SoftSetup, WildCornersKeepTheirShapeInsideTheViewportOnEverySpanRoutine) {
    constexpr int32_t kW = 160, kH = 120;
    const Viewport vp{20, 15, 120, 90, 0.0f, 1.0f};
    std::unique_ptr<SoftTexture, void (*)(SoftTexture*)> texture(
        SoftTexture::Create(nullptr, 3, 3, 1, 0, Fmt::A8R8G8B8, Pool::Managed),
        [](SoftTexture* t) { t->Release(); });
    const SoftStageTexture stages[kCombinerStages] = {{texture.get(), true, true}};
    SoftPixelState st = BlendedOverDepth(Top::Modulate, Ta::Texture, Ta::Diffuse);
    st.blend = st.depthTest = st.depthWrite = false; // every pixel drawn gets full alpha
    const std::string was = SpanRoutineKind();
    for (const char* kind : {"avx2", "sse2", "portable"}) {
        if (!UseSpanRoutines(kind))
            continue;
        std::mt19937 rng(11);
        auto real = [&](double lo, double hi) {
            return std::uniform_real_distribution<double>(lo, hi)(rng);
        };
        for (int round = 0; round < 400; ++round) {
            double px[3], py[3];
            SoftClipVertex tri[3] = {};
            for (int i = 0; i < 3; ++i) {
                px[i] = real(-100, 260), py[i] = real(-100, 220);
                const double far[] = {7e4, -3e5, 1e9, 4e4, -3e4};
                if (i == 0 && round % 2)
                    (rng() % 2 ? px[i] : py[i]) = far[rng() % 5];
                SoftClipVertex& v = tri[i];
                v.w = round % 3 ? 1.0f : static_cast<float>(real(0.5, 2.0));
                v.x = static_cast<float>((px[i] - vp.x) / (vp.width / 2.0) - 1) * v.w;
                v.y = static_cast<float>(1 - (py[i] - vp.y) / (vp.height / 2.0)) * v.w;
                v.z = 0.5f * v.w;
                std::fill_n(v.color, 4, 255.0f);
                v.uv[0][0] = round % 5 ? static_cast<float>(real(-9, 9)) : NAN;
                v.uv[0][1] = round % 7 ? static_cast<float>(real(-9, 9)) : -1e30f;
                px[i] = vp.x + (double(v.x) / v.w + 1.0) * vp.width / 2; // as the floats hold
                py[i] = vp.y + (1.0 - double(v.y) / v.w) * vp.height / 2;
            }
            const float wild[] = {NAN, INFINITY, -INFINITY};
            const bool broken = round % 4 == 3, behind = broken && rng() % 4 == 3;
            if (behind)
                tri[rng() % 3].w = -0.5f;
            else if (broken) // a corner not finite
                (&tri[rng() % 3].x)[rng() % 4] = wild[rng() % 3];
            std::vector<uint32_t> color(kW * kH, 0);
            const SoftTarget target{color.data(), nullptr, kW, {20, 15, 140, 105}};
            SoftSetup().DrawTriangle(tri, st, stages, vp, target, Cull::None);
            for (int32_t y = 0; y < kH; ++y)
                for (int32_t x = 0; x < kW; ++x) {
                    bool in = true, sure = true;
                    for (int i = 0; i < 3; ++i) { // each edge, by its distance
                        const int j = (i + 1) % 3, k = (i + 2) % 3;
                        const double ex = px[j] - px[i], ey = py[j] - py[i];
                        const double side = (ex * (y - py[i]) - ey * (x - px[i])) *
                                            (ex * (py[k] - py[i]) - ey * (px[k] - px[i]));
                        const double d =
                            std::fabs(ex * (y - py[i]) - ey * (x - px[i])) / std::hypot(ex, ey);
                        in = in && side > 0;
                        sure = sure && d > 0.05;
                    }
                    const bool inViewport = x >= 20 && x < 140 && y >= 15 && y < 105;
                    const bool drawn = color[static_cast<size_t>(y) * kW + x] != 0;
                    ASSERT_TRUE(behind   ? (inViewport || !drawn)
                                : broken ? !drawn
                                         : (!sure || drawn == (in && inViewport)))
                        << kind << " round " << round << " pixel " << x << "," << y;
                }
        }
    }
    UseSpanRoutines(was.c_str());
}

} // namespace
