// Glowing quads: their life, flicker, spin and scale, and the quad layer's
// grouping and batched drawing.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/Texture.h"
#include "engine/draw/DrawFixture.h"

namespace {

constexpr float kTwoPi = 6.2831855f;

CSharedPtr<CQuad> SteadyQuad() {
    CSharedPtr<CQuad> q(new CQuad(0, 0, 0, CSharedPtr<CTexture>(), 0xFFFFFFFF));
    q->FlickerAmplitude = 0.0f;
    return q;
}

TEST(QuadLife, DefaultsFadeInHoldFadeOutAndDieAt2_2Seconds) {
    auto q = SteadyQuad();
    EXPECT_EQ(q->Colour, 0x00FFFFFFu) << "the alpha byte is dropped";
    EXPECT_TRUE(q->Update(0.05f));
    EXPECT_NEAR(q->Intensity, 0.5f, 1e-5);
    EXPECT_TRUE(q->Update(0.05f));
    EXPECT_NEAR(q->Intensity, 1.0f, 1e-5);
    EXPECT_TRUE(q->Update(1.9f));  // age 2.0: still holding
    EXPECT_NEAR(q->Intensity, 1.0f, 1e-5);
    EXPECT_TRUE(q->Update(0.1f));  // halfway through the fade-out
    EXPECT_NEAR(q->Intensity, 0.5f, 1e-4);
    EXPECT_FALSE(q->Update(0.11f)) << "gone at 2.2 s";
}

TEST(QuadLife, StartDelayKeepsItDarkAndCanOutliveTheQuad) {
    auto q = SteadyQuad();
    q->StartDelay = 0.5f;
    q->Update(0.45f);
    EXPECT_EQ(q->Intensity, 0.0f);
    q->Update(0.1f);  // 0.05 s into the fade-in
    EXPECT_NEAR(q->Intensity, 0.5f, 1e-4);

    auto late = SteadyQuad();
    late->StartDelay = 2.2f;
    bool alive = true;
    for (int i = 0; i < 30 && alive; ++i) {
        alive = late->Update(0.1f);
        EXPECT_EQ(late->Intensity, 0.0f);
    }
    EXPECT_FALSE(alive);
}

TEST(QuadLife, BeginFadeOutDuringFadeInStartsFromTheReachedIntensity) {
    auto q = SteadyQuad();
    q->Update(0.05f);  // intensity 0.5
    q->BeginFadeOut();
    EXPECT_EQ(q->FadeInTime, 0.0f);
    EXPECT_NEAR(q->Life(), 0.15f, 1e-5) << "half the fade-out time is left";
    EXPECT_TRUE(q->Update(0.0f));
    EXPECT_NEAR(q->Intensity, 0.5f, 1e-4);
    EXPECT_TRUE(q->Update(0.05f));
    EXPECT_NEAR(q->Intensity, 0.25f, 1e-4);
    EXPECT_FALSE(q->Update(0.06f));

    auto held = SteadyQuad();
    held->Update(1.0f);
    held->BeginFadeOut();
    EXPECT_NEAR(held->HoldEnd, 1.0f, 1e-6);

    auto fading = SteadyQuad();
    fading->Update(2.05f);
    fading->BeginFadeOut();
    EXPECT_EQ(fading->HoldEnd, 2.0f) << "already fading out: unchanged";
}

TEST(QuadFlicker, DipsStayWithinTheAmplitudeAndLongFramesRestartOnTheGrid) {
    CSharedPtr<CQuad> q(new CQuad(0, 0, 0, CSharedPtr<CTexture>(), 0));
    q->Update(0.1f);
    for (int i = 0; i < 100; ++i) {
        q->Update(0.01f);
        EXPECT_GE(q->Intensity, 0.6f - 1e-5);
        EXPECT_LE(q->Intensity, 1.0f);
    }
    // A short step past the period moves on by one period.
    const float before = q->LastFlickerTime;
    const float target = q->FlickerTargetDip;
    while (q->Age - q->LastFlickerTime + 0.01f < q->FlickerPeriod)
        q->Update(0.01f);
    q->Update(0.01f);
    EXPECT_NEAR(q->LastFlickerTime, before + q->FlickerPeriod, 1e-4);
    EXPECT_EQ(q->FlickerStartDip, target);
    // A frame of several periods re-grids.
    q->Update(0.237f);
    EXPECT_NEAR(q->LastFlickerTime, std::floor(q->Age / 0.05f) * 0.05f, 1e-4);
    EXPECT_GE(q->FlickerStartDip, 0.0f);
    EXPECT_LE(q->FlickerStartDip, 0.4f);
}

TEST(QuadMotion, RotationWrapsBothWaysAndTurnsTheEdges) {
    auto q = SteadyQuad();
    q->SetScale(10.0f, 4.0f);
    q->StartRotation(6.0f, 1.0f, 2, 0, 0, 0, 3, 0);  // axes normalised
    q->Update(0.5f);
    EXPECT_NEAR(q->Angle, 6.5f - kTwoPi, 1e-5);
    EXPECT_GE(q->Angle, 0.0f);

    auto r = SteadyQuad();
    r->SetScale(10.0f, 4.0f);
    r->StartRotation(0.1f, -1.0f, 1, 0, 0, 0, 1, 0);
    r->Update(0.5f);
    EXPECT_NEAR(r->Angle, kTwoPi - 0.4f, 1e-5);

    auto t = SteadyQuad();
    t->SetScale(10.0f, 4.0f);
    t->StartRotation(0.0f, 3.14159265f, 1, 0, 0, 0, 1, 0);
    t->Update(0.5f);  // a quarter turn
    EXPECT_NEAR(t->EdgeA.X, 0.0f, 1e-4);
    EXPECT_NEAR(t->EdgeA.Y, 10.0f, 1e-4);
    EXPECT_NEAR(t->EdgeB.X, -4.0f, 1e-4);
    EXPECT_NEAR(t->AxisA.Y, 1.0f, 1e-5);

    auto z = SteadyQuad();
    z->StartRotation(0.0f, 1.0f, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(z->RotationAxis1.Y, 1.0f) << "a zero axis becomes (0, 1, 0)";
}

TEST(QuadMotion, ScaleShrinksToTheTargetAndSnaps) {
    auto q = SteadyQuad();
    q->SetScale(100.0f, 50.0f);
    q->StartScale(0.5f, -1.0f);
    q->Update(0.3f);
    EXPECT_NEAR(q->Width, 70.0f, 1e-3);
    EXPECT_NEAR(q->Height, 35.0f, 1e-3);
    EXPECT_EQ(q->ScaleOn, 1);
    q->Update(0.3f);
    EXPECT_EQ(q->ScaleOn, 0);
    EXPECT_EQ(q->ScaleFactor, 0.5f);
    EXPECT_EQ(q->Width, 50.0f);

    // The last frame only scales up to the end of life.
    auto d = SteadyQuad();
    d->SetScale(10.0f, 10.0f);
    d->Update(2.1f);
    d->StartScale(10.0f, 1.0f);
    EXPECT_FALSE(d->Update(0.5f));
    EXPECT_NEAR(d->ScaleFactor, 1.1f, 1e-4);
}

TEST(QuadVertices, CornersColourAndTextureRectangle) {
    CSharedPtr<CQuad> q(new CQuad(10, 20, 5, CSharedPtr<CTexture>(), 0x80FF0000));
    q->SetScale(4.0f, 2.0f);
    q->SetTexRect(0.25f, 0.5f, 0.75f, 1.0f);
    q->Intensity = 1.0f;
    q->AlphaMultiplier = 0.5f;
    gpu::Vertex v[4];
    q->WriteVertices(v);
    const float expect[4][4] = {
        {8, 21, 0.25f, 0.5f}, {12, 21, 0.75f, 0.5f}, {12, 19, 0.75f, 1.0f}, {8, 19, 0.25f, 1.0f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(v[i].x, expect[i][0]);
        EXPECT_FLOAT_EQ(v[i].y, expect[i][1]);
        EXPECT_FLOAT_EQ(v[i].z, 5.0f);
        EXPECT_FLOAT_EQ(v[i].u0, expect[i][2]);
        EXPECT_FLOAT_EQ(v[i].v0, expect[i][3]);
        EXPECT_EQ(v[i].diffuse, 0x7FFF0000u);
    }
}

class QuadLayerTest : public drawtest::DrawFixture {};

TEST_F(QuadLayerTest, AddGroupsByTextureAndRenderDrawsOneBatchPerRun) {
    auto a = MakeTexture("A");
    auto b = MakeTexture("B");
    CQuadLayer layer(device, vb, ib);
    EXPECT_TRUE(layer.IsEmpty());
    std::vector<CSharedPtr<CQuad>> q;
    for (auto tex : {a, b, a, CSharedPtr<CTexture>(), CSharedPtr<CTexture>()}) {
        q.emplace_back(new CQuad(0, 0, 0, tex, 0xFFFFFF));
        q.back()->Intensity = 1.0f;
        EXPECT_EQ(layer.Add(q.back()), static_cast<int32_t>(q.size() - 1));
    }
    const auto& order = layer.GetQuads();
    ASSERT_EQ(order.size(), 5u);
    EXPECT_TRUE(order[0] == q[2]);
    EXPECT_TRUE(order[1] == q[0]);
    EXPECT_TRUE(order[2] == q[1]);
    EXPECT_TRUE(order[3] == q[4]);
    EXPECT_TRUE(order[4] == q[3]);

    BeginFrame();
    layer.Render();
    EndFrame();
    const auto& draws = rec->Draws();
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0].primCount, 4u);
    EXPECT_EQ(draws[1].primCount, 2u);
    EXPECT_EQ(draws[2].primCount, 4u);
    EXPECT_EQ(draws[0].state.textures[0], a->GetTexture());
    EXPECT_EQ(draws[1].state.textures[0], b->GetTexture());
    EXPECT_EQ(draws[2].state.textures[0], nullptr);
    for (const auto& d : draws) {
        EXPECT_EQ(d.state.renderStates[gpu::Rs::SrcBlend], gpu::Blend::SrcAlpha);
        EXPECT_EQ(d.state.renderStates[gpu::Rs::DestBlend], gpu::Blend::One);
        EXPECT_EQ(d.state.renderStates[gpu::Rs::AlphaTestEnable], 1u);
        EXPECT_EQ(d.state.renderStates[gpu::Rs::AlphaRef], 0u);
        EXPECT_EQ(d.state.renderStates[gpu::Rs::AlphaBlendEnable], 1u);
        // Each draw's indices point at its own run of vertices.
        for (size_t i = 0; i < d.indices.size(); ++i) {
            EXPECT_GE(d.indices[i], d.minIndex);
            EXPECT_LT(d.indices[i], d.minIndex + d.numVertices);
        }
    }
    EXPECT_EQ(draws[1].minIndex, draws[0].minIndex + 8);
    EXPECT_EQ(draws[1].startIndex, draws[0].startIndex + 12);
}

TEST_F(QuadLayerTest, UpdateDropsDeadQuadsAndAFailedLockEndsTheLayer) {
    auto a = MakeTexture("A");
    auto b = MakeTexture("B");
    CQuadLayer layer(device, vb, ib);
    CSharedPtr<CQuad> shortLived(new CQuad(0, 0, 0, a, 0));
    shortLived->HoldEnd = 0.1f;
    CSharedPtr<CQuad> longLived(new CQuad(0, 0, 0, b, 0));
    layer.Add(shortLived);
    layer.Add(longLived);
    layer.Update(0.5f);
    ASSERT_EQ(layer.Count(), 1u);
    EXPECT_TRUE(layer.GetQuads()[0] == longLived);
    EXPECT_EQ(shortLived.UseCount(), 1u) << "the layer let go of it";

    layer.Add(shortLived);
    BeginFrame();
    rec->FailNext(gpu::Call::LockIndexBuffer);
    layer.Render();
    EndFrame();
    EXPECT_TRUE(rec->Draws().empty());
    EXPECT_EQ(vb->GetLockCount(), 0u) << "the vertex lock was undone";
}

} // namespace
