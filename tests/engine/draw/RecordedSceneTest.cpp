// A scene is recorded and drawn when it ends: what changes between two of its
// draws (a texture made again with another picture, the buffers started over
// by a discarding lock) must not reach the draw made before the change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/DrawClipper.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "support/GlScene.h"
#include "support/TempDir.h"
#include "tools/lib/ImageWriter.h"

namespace {

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u;

class RecordedSceneTest : public ::testing::Test, public testsupport::GlScene {
protected:
    void SetUp() override { Open("recorded scene"); }
    void TearDown() override { Close(); }

    // The device opened anew on `backEnd`; false where this machine has none.
    bool OpenOn(const char* backEnd) {
        Close();
        testsupport::ScopedEnv renderer("GLORVANE_RENDERER", backEnd);
        Open("recorded scene");
        return !IsSkipped();
    }

    // The texture made anew, in one colour.
    void Paint(CTexture& t, uint32_t colour) {
        ASSERT_EQ(t.CreateEmpty(device_->GetDevice(), "paint", 4, 4, 1, 0, gpu::Pool::Managed,
                                gpu::Fmt::A8R8G8B8),
                  gpu::kOk);
        gpu::LockedRect lr;
        ASSERT_EQ(t.GetTexture()->LockRect(0, &lr, nullptr, 0), gpu::kOk);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                std::memcpy(static_cast<uint8_t*>(lr.bits) + y * lr.pitch + 4 * x, &colour, 4);
        t.GetTexture()->UnlockRect(0);
    }

    // Quads over clip-space x from x0 to x1 (all of y unless told, and a hair
    // past it: every pixel centre of the rows inside), each at its depth and
    // in its colour, its texture laid over it once, as one draw; from the
    // start of the shared buffers when `startOver`.
    struct Strip {
        float x0, x1, z = 0.5f;
        uint32_t colour = 0xFFFFFFFFu;
        float y0 = 1.01f, y1 = -1.01f;
    };
    void Strips(std::initializer_list<Strip> strips, bool startOver = true) {
        const auto& vb = renderer_->GetSharedVertexBuffer();
        const auto& ib = renderer_->GetSharedIndexBuffer();
        const auto n = static_cast<uint32_t>(strips.size());
        gpu::Vertex* v = nullptr;
        uint16_t* idx = nullptr;
        ASSERT_EQ(vb->Lock(4 * n, &v, startOver), gpu::kOk);
        for (const Strip& s : strips) {
            const float xs[4] = {s.x0, s.x1, s.x1, s.x0}, ys[4] = {s.y0, s.y0, s.y1, s.y1};
            const float us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};
            for (int i = 0; i < 4; ++i)
                *v++ = gpu::Vertex{xs[i], ys[i], s.z, s.colour, us[i], vs[i], 0, 0};
        }
        vb->Unlock();
        ASSERT_EQ(ib->Lock(6 * n, &idx, startOver), gpu::kOk);
        const uint32_t first = vb->GetLastStart();
        for (uint32_t q = 0; q < n; ++q)
            for (uint32_t k : {0u, 1u, 2u, 0u, 2u, 3u})
                *idx++ = static_cast<uint16_t>(first + 4 * q + k);
        ib->Unlock();
        device_->SetStreamSource(vb);
        device_->SetIndices(ib, 0);
        device_->DrawIndexedPrimitive(gpu::Prim::TriangleList, first, 4 * n, ib->GetLastStart(),
                                      2 * n);
    }

    // A picture from a file of w x h texels (bytes R, G, B, A): the clipper
    // reads the alpha only of those (one made in memory may be drawn into).
    CSharedPtr<CTexture> FromFile(const std::vector<uint8_t>& texels, int w, int h) {
        const std::string path = files_.Path("picture" + std::to_string(++fileCount_) + ".tga");
        EXPECT_TRUE(tk::WriteTga(path, tk::PixelView{texels.data(), w, h, 4}));
        CSharedPtr<CTexture> t(new CTexture);
        EXPECT_EQ(t->LoadFromFile(device_->GetDevice(), path, "picture", 1, 0, gpu::Pool::Managed,
                                  gpu::Fmt::A8R8G8B8),
                  gpu::kOk);
        return t;
    }

    // Draws from now on show `texture` blended by src and dst, their alpha
    // from `alphaArg`.
    void BlendTexture(const CSharedPtr<CTexture>& texture, uint32_t alphaArg, uint32_t src,
                      uint32_t dst) {
        device_->SetTexture(0, texture);
        device_->SetTextureStageState(0, gpu::Tss::ColorArg1, gpu::Ta::Texture);
        device_->SetTextureStageState(0, gpu::Tss::AlphaOp, gpu::Top::SelectArg1);
        device_->SetTextureStageState(0, gpu::Tss::AlphaArg1, alphaArg);
        device_->SetRenderState(gpu::Rs::AlphaBlendEnable, 1);
        device_->SetRenderState(gpu::Rs::SrcBlend, src);
        device_->SetRenderState(gpu::Rs::DestBlend, dst);
    }

    // The scene `draw` records (up to its end), played once straight to the
    // device and once clipped: the same picture both times; how many pixels
    // fewer the clipped one covered.
    uint64_t PixelsLeftOut(const std::function<void()>& draw) {
        std::vector<uint32_t> pictures[2];
        uint64_t covered[2] = {0, 0};
        for (int clipped = 0; clipped < 2; ++clipped) {
            device_->SetClipping(clipped == 1);
            device_->SetCounting(true);
            const uint64_t before = device_->CoveredPixels();
            draw();
            EXPECT_EQ(device_->EndScene(), gpu::kOk);
            covered[clipped] = device_->CoveredPixels() - before;
            ReadBack();
            pictures[clipped] = pixels_;
        }
        EXPECT_EQ(pictures[0], pictures[1]);
        return covered[0] - covered[1];
    }

    testsupport::TempDir files_;
    int fileCount_ = 0;

    // A scene opened with plain transforms, no blend, no test, no culling,
    // its colour from stage 0's `arg` alone.
    void BeginFlatScene(uint32_t arg) {
        ASSERT_EQ(device_->BeginScene(), gpu::kOk);
        device_->Clear(0, nullptr, gpu::ClearFlag::Target | gpu::ClearFlag::ZBuffer, 0xFF000000u,
                       1.0f, 0);
        for (uint32_t t : {gpu::Ts::World, gpu::Ts::View, gpu::Ts::Projection})
            device_->SetTransform(t, gpu::Matrix::Identity());
        device_->SetRenderState(gpu::Rs::AlphaBlendEnable, 0);
        device_->SetRenderState(gpu::Rs::AlphaTestEnable, 0);
        device_->SetRenderState(gpu::Rs::CullMode, gpu::Cull::None);
        device_->SetTextureStageState(0, gpu::Tss::ColorOp, gpu::Top::SelectArg1);
        device_->SetTextureStageState(0, gpu::Tss::ColorArg1, arg);
        device_->SetTextureStageState(1, gpu::Tss::ColorOp, gpu::Top::Disable);
        device_->SetVertexShader(gpu::kFvfGame);
    }
};

// Where no depth test of a scene can fail the depth buffer is left alone;
// a draw whose own later triangles lie behind its earlier ones still has
// them hidden, and depth is back on for the next scene. On both back ends.
TEST_F(RecordedSceneTest, DepthStillHidesWhereADrawMeetsItself) {
    for (auto [backEnd, clipped] : {std::pair("gl", false), std::pair("gl", true),
                                    std::pair("soft", false), std::pair("soft", true)}) {
        SCOPED_TRACE(std::string(backEnd) + (clipped ? ", clipped" : ", straight to the device"));
        if (!OpenOn(backEnd))
            return;
        device_->SetClipping(clipped);
        const uint32_t w = gl_->BackBufferWidth(), h = gl_->BackBufferHeight();
        // Scenes that need no depth let a back end go without a depth buffer.
        device_->GetDevice()->SetDepthOnDemand(true);
        for (int scene : {0, 0, 0, 1}) {
            auto draw = [&] {
                BeginFlatScene(gpu::Ta::Diffuse);
                device_->SetRenderState(gpu::Rs::ZEnable, 1);
                device_->SetRenderState(gpu::Rs::ZWriteEnable, 1);
                device_->SetRenderState(gpu::Rs::ZFunc, gpu::Cmp::LessEqual);
                if (scene == 0) // each strip in front of the one before: nothing to hide
                    Strips({{-1.0f, 0.0f, 0.6f, kGreen}, {-0.5f, 1.0f, 0.3f, kRed}});
                else // the second behind the first
                    Strips({{-1.0f, 0.5f, 0.3f, kRed}, {-0.5f, 1.0f, 0.6f, kGreen}});
                ASSERT_EQ(device_->EndScene(), gpu::kOk);
            };
            draw();
            if (device_->GetDevice()->RedrawScene()) // as the renderer does
                draw();
            ReadBack();
            // Left of the meeting, where the strips meet, right of it.
            const uint32_t want[3] = {scene == 0 ? kGreen : kRed, kRed, scene == 0 ? kRed : kGreen};
            for (uint32_t k = 0; k < 3; ++k)
                EXPECT_EQ(pixels_[(h / 2) * w + (1 + 3 * k) * w / 8], want[k]) << scene << k;
        }
    }
}

// What a scene leaves out changes nothing. A colour clear that opaque draws
// after it paint over is left out, but not where they leave pixels uncovered
// or were drawn before it. Where depth tests may fail, a draw's depth is left
// unwritten where no later test reads it, but not where a later test lies
// behind it or behind what it covers; and what an opaque draw hides of it is
// drawn where a later test reads its depth. An opaque draw whose own test
// may fail hides nothing.
TEST_F(RecordedSceneTest, WhatIsLeftOutChangesNothing) {
    constexpr uint32_t kBlack = 0xFF000000u, kBlue = 0xFF0000FFu, kWhite = 0xFFFFFFFFu;
    struct Draw {
        Strip strip;
        uint32_t func = gpu::Cmp::Always;
        bool writes = true;
    };
    const struct {
        std::vector<Draw> draws;
        uint32_t clearAfter, left, right;
    } scenes[] = {
        {{{{-1.01f, 1.01f, 0.5f, kRed}}}, 0, kRed, kRed},
        {{{{-1.01f, 0.0f, 0.5f, kGreen}}}, 0, kGreen, kBlack}, // the red before must not stay
        {{{{-1.01f, 1.01f, 0.5f, kRed}}}, kBlue, kBlue, kBlue},
        // Red lies behind green.
        {{{{-1.01f, 1.01f, 0.5f, kGreen}}, {{-1.01f, 0.0f, 0.7f, kRed}, gpu::Cmp::LessEqual}},
         0,
         kGreen,
         kGreen},
        // Red lies in front of green, which covers the right of blue, but behind blue.
        {{{{-1.01f, 1.01f, 0.3f, kBlue}},
          {{0.0f, 1.01f, 0.6f, kGreen}},
          {{-1.01f, 1.01f, 0.5f, kRed}, gpu::Cmp::LessEqual}},
         0,
         kBlue,
         kRed},
        // Red lies behind green, which white hides without writing depth.
        {{{{-1.01f, 1.01f, 0.5f, kGreen}},
          {{-1.01f, 0.0f, 0.1f}, gpu::Cmp::Always, false},
          {{-1.01f, 0.0f, 0.7f, kRed}, gpu::Cmp::LessEqual}},
         0,
         kWhite,
         kGreen},
        // Green, opaque, lies behind blue: it hides nothing.
        {{{{-1.01f, 1.01f, 0.3f, kBlue}}, {{-1.01f, 1.01f, 0.6f, kGreen}, gpu::Cmp::LessEqual}},
         0,
         kBlue,
         kBlue}};
    for (const char* backEnd : {"gl", "soft"}) {
        SCOPED_TRACE(backEnd);
        if (!OpenOn(backEnd))
            return;
        const uint32_t w = gl_->BackBufferWidth(), h = gl_->BackBufferHeight();
        for (const auto& sc : scenes) {
            BeginFlatScene(gpu::Ta::Diffuse);
            device_->SetRenderState(gpu::Rs::ZEnable, 1);
            for (const Draw& d : sc.draws) {
                device_->SetRenderState(gpu::Rs::ZFunc, d.func);
                device_->SetRenderState(gpu::Rs::ZWriteEnable, d.writes ? 1 : 0);
                Strips({d.strip});
            }
            if (sc.clearAfter)
                device_->Clear(0, nullptr, gpu::ClearFlag::Target, sc.clearAfter, 1.0f, 0);
            ASSERT_EQ(device_->EndScene(), gpu::kOk);
            ReadBack();
            const size_t scene = &sc - scenes;
            EXPECT_EQ(pixels_[(h / 2) * w + w / 4], sc.left) << scene;
            EXPECT_EQ(pixels_[(h / 2) * w + 3 * w / 4], sc.right) << scene;
        }
    }
}

// Where a draw reads only clear texels, the software back end leaves it out
// when that changes nothing: the picture is the same as drawn whole.
TEST_F(RecordedSceneTest, ClearTexelsAreLeftOutOnlyWhereTheyChangeNothing) {
    if (!OpenOn("soft"))
        return;
    // Clear white on the left, half-see-through red on the right.
    std::vector<uint8_t> texels;
    for (int i = 0; i < 64 * 64; ++i)
        texels.insert(texels.end(), {255, i % 64 < 32 ? uint8_t{255} : uint8_t{0},
                                     i % 64 < 32 ? uint8_t{255} : uint8_t{0},
                                     i % 64 < 32 ? uint8_t{0} : uint8_t{128}});
    const CSharedPtr<CTexture> half = FromFile(texels, 64, 64);
    namespace B = gpu::Blend;
    const struct {
        const char* what;
        uint32_t src, dst, alphaArg;
        bool writesDepth, overlapped, leftOut;
    } cases[] = {
        {"blended", B::SrcAlpha, B::InvSrcAlpha, gpu::Ta::Texture, false, false, true},
        {"added", B::SrcAlpha, B::One, gpu::Ta::Texture, false, false, true},
        {"added whatever the alpha", B::One, B::One, gpu::Ta::Texture, false, false, false},
        {"alpha of the diffuse colour", B::SrcAlpha, B::One, gpu::Ta::Diffuse, false, false, false},
        {"writing depth", B::SrcAlpha, B::InvSrcAlpha, gpu::Ta::Texture, true, false, false},
        {"under another quad of the draw", B::SrcAlpha, B::InvSrcAlpha, gpu::Ta::Texture, false,
         true, false}};
    const uint32_t w = gl_->BackBufferWidth(), h = gl_->BackBufferHeight();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const uint64_t leftOut = PixelsLeftOut([&] {
            BeginFlatScene(gpu::Ta::Diffuse);
            device_->SetRenderState(gpu::Rs::ZEnable, 1);
            device_->SetRenderState(gpu::Rs::ZFunc, gpu::Cmp::LessEqual);
            Strips({{-1.01f, 1.01f, 0.5f, kGreen}});
            BlendTexture(half, c.alphaArg, c.src, c.dst);
            device_->SetRenderState(gpu::Rs::ZWriteEnable, c.writesDepth ? 1 : 0);
            if (c.overlapped) // its red half over the first quad's clear half
                Strips({{-1.01f, 1.01f, 0.3f}, {-1.0f, -0.2f, 0.3f}});
            else
                Strips({{-1.01f, 1.01f, 0.3f}});
            if (c.writesDepth) { // blue where no depth lies in front of it
                device_->SetRenderState(gpu::Rs::AlphaBlendEnable, 0);
                device_->SetTextureStageState(0, gpu::Tss::ColorArg1, gpu::Ta::Diffuse);
                Strips({{-1.01f, 1.01f, 0.4f, 0xFF0000FFu}});
            }
        });
        EXPECT_EQ(leftOut > w * h / 4, c.leftOut) << leftOut;
    }
}

// A picture blended by its own alpha hides what lies under it only when every
// texel it shows is opaque: with one see-through or half see-through texel
// what lies under it is drawn all the same (else it would show black there);
// opaque throughout, it is left out. On both back ends.
TEST_F(RecordedSceneTest, APictureHidesWhatLiesUnderItOnlyWhenEveryTexelIsOpaque) {
    const struct {
        const char* what;
        uint8_t alpha; // of one texel; every other is opaque
        bool leftOut;
    } cases[] = {{"a see-through texel", 0x00, false},
                 {"a half see-through texel", 0x80, false},
                 {"a nearly opaque texel", 0xF0, false},
                 {"opaque throughout", 0xFF, true}};
    // 96 pixels a side at the screen's centre: too small to be searched for
    // opaque parts, so the picture hides all of it or nothing; on a backdrop
    // of 160 a side, small enough to be cut on GL too.
    auto half = [](float pixels) { return std::pair(pixels / 1024.0f, pixels / 768.0f); };
    const auto [quadW, quadH] = half(96.0f);
    const auto [backW, backH] = half(160.0f);
    constexpr uint64_t kQuadPixels = 96 * 96;
    for (const char* backEnd : {"gl", "soft"}) {
        SCOPED_TRACE(backEnd);
        if (!OpenOn(backEnd))
            return;
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            // Red, the one texel towards the top left.
            std::vector<uint8_t> texels;
            for (int i = 0; i < 16 * 16; ++i)
                texels.insert(texels.end(), {255, 0, 0, i == 5 * 16 + 5 ? c.alpha : uint8_t{255}});
            const CSharedPtr<CTexture> picture = FromFile(texels, 16, 16);
            const uint64_t leftOut = PixelsLeftOut([&] {
                BeginFlatScene(gpu::Ta::Diffuse);
                device_->SetRenderState(gpu::Rs::ZEnable, 0);
                Strips({{-backW, backW, 0.5f, kGreen, backH, -backH}});
                BlendTexture(picture, gpu::Ta::Texture, gpu::Blend::SrcAlpha,
                             gpu::Blend::InvSrcAlpha);
                Strips({{-quadW, quadW, 0.5f, 0xFFFFFFFFu, quadH, -quadH}});
                device_->SetTexture(0, CSharedPtr<CTexture>());
            });
            EXPECT_EQ(leftOut >= kQuadPixels * 9 / 10, c.leftOut) << leftOut;
        }
    }
}

// Random runs of depth-writing draws and whole or partial depth clears, read
// out by layers that test depth without writing it, leave on the software
// back end the picture GL leaves, to the pixel (it clears only the depth the
// draws may have changed since the last clear).
TEST_F(RecordedSceneTest, DepthWritesAndClearsLeaveWhatGlLeaves) {
    constexpr uint32_t kRuns = 64;
    std::vector<std::vector<uint32_t>> gl;
    for (const char* backEnd : {"gl", "soft"}) {
        SCOPED_TRACE(backEnd);
        if (!OpenOn(backEnd))
            return;
        device_->SetClipping(false); // every draw and clear reaches the device
        const int w = static_cast<int>(gl_->BackBufferWidth());
        const int h = static_cast<int>(gl_->BackBufferHeight());
        for (uint32_t seed = 0; seed < kRuns; ++seed) {
            std::mt19937 rng(seed);
            auto pick = [&](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(rng); };
            BeginFlatScene(gpu::Ta::Diffuse);
            device_->SetRenderState(gpu::Rs::ZEnable, 1);
            device_->SetRenderState(gpu::Rs::ZWriteEnable, 1);
            for (int i = pick(3, 10); i > 0; --i) {
                const int x0 = pick(-20, w - 10), y0 = pick(-20, h - 10);
                const gpu::Rect r{x0, y0, x0 + pick(4, w), y0 + pick(4, h)};
                // Few depths, so that clears often repeat the one the buffer holds.
                const float z = static_cast<float>(pick(0, 4)) / 4.0f;
                if (pick(0, 3) == 0) {
                    const bool whole = pick(0, 1) == 0;
                    device_->Clear(whole ? 0 : 1, whole ? nullptr : &r, gpu::ClearFlag::ZBuffer, 0,
                                   z, 0);
                    continue;
                }
                device_->SetRenderState(gpu::Rs::ZFunc,
                                        pick(0, 1) ? gpu::Cmp::LessEqual : gpu::Cmp::Always);
                auto cx = [&](int x) { return 2.0f * static_cast<float>(x) / w - 1.0f; };
                auto cy = [&](int y) { return 1.0f - 2.0f * static_cast<float>(y) / h; };
                const auto colour = 0xFF000000u | static_cast<uint32_t>(pick(0, 0xFFFFFF));
                Strips({{cx(r.left), cx(r.right), z, colour, cy(r.top), cy(r.bottom)}});
            }
            // Layers from far to near show what depth holds (black: the far end).
            device_->SetRenderState(gpu::Rs::ZWriteEnable, 0);
            device_->SetRenderState(gpu::Rs::ZFunc, gpu::Cmp::LessEqual);
            for (int k = 3; k >= 0; --k)
                Strips({{-1.01f, 1.01f, static_cast<float>(k) / 4.0f + 0.01f,
                         0xFF000000u | static_cast<uint32_t>(40 * k + 30)}});
            ASSERT_EQ(device_->EndScene(), gpu::kOk);
            ReadBack();
            if (gl.size() < kRuns) {
                gl.push_back(pixels_);
                continue;
            }
            const auto at = std::mismatch(pixels_.begin(), pixels_.end(), gl[seed].begin()).first;
            EXPECT_TRUE(at == pixels_.end())
                << "run " << seed << ", pixel " << at - pixels_.begin();
        }
    }
}

// A full-screen opaque picture with a small opaque one on it (a map under its
// markers) reaches GL whole, so that GL, scene after scene, leaves out what is
// drawn under it first (a backdrop the clipper cannot cut: a strip here), and
// its own pixels under the small one. Where the one on top hides much of it,
// it is cut instead. The picture stays right.
TEST_F(RecordedSceneTest, AMostlyShowingOpaquePictureReachesGlWhole) {
    if (!OpenOn("gl"))
        return;
    device_->GetDevice()->SetDepthOnDemand(true);
    const uint32_t w = gl_->BackBufferWidth(), h = gl_->BackBufferHeight();
    // The one on top: its right and bottom edges; whether the backdrop is left out.
    for (const auto& [right, bottom, backdropLeftOut] :
         {std::tuple(-0.6f, 0.3f, true), std::tuple(0.5f, -0.5f, false)}) {
        SCOPED_TRACE(right);
        uint64_t skipped = 0;
        for (int scene = 0; scene < 4; ++scene) {
            const uint64_t before = gl_->SkippedPixels();
            auto draw = [&] {
                BeginFlatScene(gpu::Ta::Diffuse);
                const auto& vb = renderer_->GetSharedVertexBuffer();
                const auto& ib = renderer_->GetSharedIndexBuffer();
                gpu::Vertex* v = nullptr;
                uint16_t* idx = nullptr;
                ASSERT_EQ(vb->Lock(4, &v, true), gpu::kOk);
                for (auto [x, y] : {std::pair(-1.01f, 1.01f), std::pair(1.01f, 1.01f),
                                    std::pair(-1.01f, -1.01f), std::pair(1.01f, -1.01f)})
                    *v++ = gpu::Vertex{x, y, 0.5f, 0xFF0000FFu, 0, 0, 0, 0};
                vb->Unlock();
                ASSERT_EQ(ib->Lock(4, &idx, true), gpu::kOk);
                const uint32_t first = vb->GetLastStart();
                for (uint32_t k = 0; k < 4; ++k)
                    *idx++ = static_cast<uint16_t>(first + k);
                ib->Unlock();
                device_->SetStreamSource(vb);
                device_->SetIndices(ib, 0);
                device_->DrawIndexedPrimitive(gpu::Prim::TriangleStrip, first, 4,
                                              ib->GetLastStart(), 2);
                Strips({{-1.01f, 1.01f, 0.5f, kGreen}}, false);
                Strips({{-0.9f, right, 0.5f, kRed, 0.9f, bottom}}, false);
                ASSERT_EQ(device_->EndScene(), gpu::kOk);
            };
            draw();
            if (device_->GetDevice()->RedrawScene()) // as the renderer does
                draw();
            skipped = gl_->SkippedPixels() - before;
            ReadBack();
            EXPECT_EQ(pixels_[(h / 2) * w + w / 2], backdropLeftOut ? kGreen : kRed);
            EXPECT_EQ(pixels_[(h / 5) * w + w / 10], kRed);
            EXPECT_EQ(pixels_[(h - 2) * w + w - 2], kGreen);
        }
        // The whole backdrop and the 4.5% of the screen under the small one.
        EXPECT_EQ(skipped >= static_cast<uint64_t>(w) * h * 104 / 100, backdropLeftOut) << skipped;
    }
}

// Parts of pictures of opaque, clear and half see-through blocks, under sliding
// spans: inside the span, on texels of their kind only; a picture is searched
// once however its span slides, again when made anew.
TEST_F(RecordedSceneTest, PartsOfASlidingSpanAreOnlyOpaqueOrClearAndFoundOnce) {
    CDrawClipper clipper;
    CSharedPtr<CTexture> picture(new CTexture);
    std::mt19937 rng(7);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(rng); };
    for (int run = 0, found = 0; run < 12 || found < 100; ++run) {
        ASSERT_LT(run, 50) << "the spans meet parts";
        const int w = 64 << pick(0, 2), h = 64 << pick(0, 2);
        ASSERT_EQ(picture->CreateEmpty(device_->GetDevice(), "blocks", w, h, 1, 0,
                                       gpu::Pool::Managed, gpu::Fmt::A8R8G8B8),
                  gpu::kOk);
        std::vector<uint8_t> alpha(static_cast<size_t>(w) * h, 128);
        for (int b = pick(2, 12); b > 0; --b) {
            const int x0 = pick(0, w - 8), y0 = pick(0, h - 8), x1 = std::min(w, x0 + pick(8, w));
            for (int y = y0, y1 = std::min(h, y0 + pick(8, h)), a = pick(0, 2) * 255 / 2; y < y1;)
                std::fill_n(alpha.begin() + y++ * w + x0, x1 - x0, static_cast<uint8_t>(a));
        }
        gpu::LockedRect lr;
        ASSERT_EQ(picture->GetTexture()->LockRect(0, &lr, nullptr, 0), gpu::kOk);
        for (int i = 0; i < w * h; ++i)
            static_cast<uint8_t*>(lr.bits)[i / w * lr.pitch + 4 * (i % w) + 3] = alpha[i];
        picture->GetTexture()->UnlockRect(0);
        const uint64_t searches = clipper.PartSearches();
        for (const uint8_t kind : {0, 255}) {
            const int sw = pick(32, w), sh = pick(32, h), dx = pick(-3, 3), dy = pick(-3, 3);
            for (int step = 0, x = pick(0, w - sw), y = pick(0, h - sh); step < 40; ++step) {
                x = (x + dx + w - sw + 1) % (w - sw + 1), y = (y + dy + h - sh + 1) % (h - sh + 1);
                for (const auto& p : clipper.Parts(*picture, {x, y, x + sw, y + sh}, kind == 0)) {
                    EXPECT_TRUE(p.x0 >= x && p.y0 >= y && p.x1 <= x + sw && p.y1 <= y + sh);
                    for (int64_t t = 0, pw = p.x1 - p.x0; t < p.Area(); ++t)
                        ASSERT_EQ(alpha[(p.y0 + t / pw) * w + p.x0 + t % pw], kind) << run;
                    found += p.Area() > 0 ? 1 : 0;
                }
            }
        }
        EXPECT_EQ(clipper.PartSearches() - searches, 2u) << run;
    }
}

TEST_F(RecordedSceneTest, ChangesBetweenDrawsLeaveTheEarlierDrawAsItWas) {
    CSharedPtr<CTexture> picture(new CTexture);
    for (bool clipped : {false, true}) {
        SCOPED_TRACE(clipped ? "clipped" : "straight to the device");
        device_->SetClipping(clipped);
        Paint(*picture, kRed);
        BeginFlatScene(gpu::Ta::Texture);
        device_->SetTexture(0, picture);
        Strips({{-1.0f, 0.0f}}, false);
        Paint(*picture, kGreen); // the old device texture goes here
        device_->SetTexture(0, picture);
        Strips({{0.0f, 1.0f}});
        ASSERT_EQ(device_->EndScene(), gpu::kOk);
        ReadBack();
        const uint32_t w = gl_->BackBufferWidth(), h = gl_->BackBufferHeight();
        EXPECT_EQ(pixels_[(h / 2) * w + w / 4], kRed) << "the first draw";
        EXPECT_EQ(pixels_[(h / 2) * w + 3 * w / 4], kGreen) << "the second draw";
    }
}

} // namespace
