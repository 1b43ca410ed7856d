// GL's guesses about a scene, made without a GL context from hand-made draws:
// a wrong "passes" drops a depth test that would have failed (a draw shows
// through what lies in front of it), and a wrong prediction of what covers
// what leaves out pixels that nothing paints over again.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gpu/DeviceDefaults.h"
#include "platform/gpu/gl/SceneGuess.h"

using namespace gpu;

namespace {

constexpr uint32_t kSide = 128;

struct Corner {
    float x, y, z; // back-buffer pixels, window depth
};

// A scene's guesses over a kSide x kSide back buffer, the matrix taking
// vertices to back-buffer pixels and depths unchanged.
struct Scene {
    SceneGuess::Front front{};
    SceneGuess guess{front};
    float mvp[16] = {2.0f / kSide, 0, 0, 0, 0, -2.0f / kSide, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1};
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;

    Scene() {
        for (uint32_t s = 0; s < kRenderStateCount; ++s)
            front.rs[s] = DefaultRenderState(s);
        for (uint32_t st = 0; st < kStageCount; ++st)
            for (uint32_t s = 1; s < kStageStateCount; ++s)
                front.ss[st][s] = DefaultStageState(st, s);
        front.rs[Rs::ZFunc] = Cmp::LessEqual;
        front.stride = sizeof(Vertex);
        front.viewport = Viewport{0, 0, kSide, kSide, 0.0f, 1.0f};
        guess.NewDepthBuffer(kSide, kSide);
    }
    SceneGuess::DrawFacts Draw(const std::vector<Corner>& triangles) {
        vertices.clear();
        indices.clear();
        for (const Corner& c : triangles) {
            indices.push_back(static_cast<uint16_t>(vertices.size()));
            vertices.push_back(Vertex{c.x, c.y, c.z, 0xFFFFFFFFu, 0, 0, 0, 0});
        }
        return guess.Examine(reinterpret_cast<const uint8_t*>(vertices.data()), mvp,
                             reinterpret_cast<const uint8_t*>(indices.data()),
                             static_cast<uint32_t>(indices.size()), 2, true);
    }
    // Two triangles over [x0, x1] x [y0, y1] at depth z.
    SceneGuess::DrawFacts Quad(float x0, float y0, float x1, float y1, float z = 0.5f) {
        return Draw({{x0, y0, z}, {x1, y0, z}, {x0, y1, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}});
    }
};

std::vector<Corner> Triangle(float x0, float y0, float x1, float y1, float z0, float z1 = -1) {
    const float far = z1 < 0 ? z0 : z1;
    return {{x0, y0, z0}, {x1, y0, z0}, {x0, y1, far}};
}

TEST(SceneGuess, ProvesADepthTestPassesOnlyWhereNothingWrittenLiesInFront) {
    struct Row {
        const char* what;
        std::vector<std::vector<Corner>> written; // draws that wrote depth first
        bool clearAfter;                          // then the whole buffer cleared to 1
        uint32_t func;
        bool writes; // the draw asked about writes depth too
        std::vector<Corner> draw;
        bool passes;
    };
    const std::vector<Row> rows = {
        {"in front of a cleared buffer",
         {},
         false,
         Cmp::LessEqual,
         false,
         Triangle(8, 8, 40, 40, 0.5f),
         true},
        {"at the far end of a cleared buffer",
         {},
         false,
         Cmp::LessEqual,
         false,
         Triangle(8, 8, 40, 40, 1.0f),
         false},
        {"behind a triangle written there",
         {Triangle(0, 0, 60, 60, 0.3f)},
         false,
         Cmp::LessEqual,
         false,
         Triangle(8, 8, 40, 40, 0.5f),
         false},
        {"behind a triangle written elsewhere",
         {Triangle(0, 0, 30, 30, 0.3f)},
         false,
         Cmp::LessEqual,
         false,
         Triangle(70, 70, 120, 120, 0.5f),
         true},
        {"at the flat depth written there",
         {Triangle(0, 0, 60, 60, 0.4f)},
         false,
         Cmp::LessEqual,
         false,
         Triangle(0, 0, 60, 60, 0.4f),
         true},
        {"at the flat depth written there, tested less",
         {Triangle(0, 0, 60, 60, 0.4f)},
         false,
         Cmp::Less,
         false,
         Triangle(0, 0, 60, 60, 0.4f),
         false},
        {"a sloped triangle reaching behind one written",
         {Triangle(0, 0, 60, 60, 0.6f)},
         false,
         Cmp::LessEqual,
         false,
         Triangle(0, 0, 60, 60, 0.2f, 0.7f),
         false},
        {"behind a triangle cleared away",
         {Triangle(0, 0, 60, 60, 0.3f)},
         true,
         Cmp::LessEqual,
         false,
         Triangle(8, 8, 40, 40, 0.5f),
         true},
        {"anywhere, tested always",
         {Triangle(0, 0, 60, 60, 0.3f)},
         false,
         Cmp::Always,
         false,
         Triangle(8, 8, 40, 40, 0.5f),
         true},
        {"writing, its second triangle behind its first",
         {},
         false,
         Cmp::LessEqual,
         true,
         {{0, 0, 0.2f}, {60, 0, 0.2f}, {0, 60, 0.3f}, {0, 0, 0.5f}, {60, 0, 0.5f}, {0, 60, 0.5f}},
         false},
        {"writing, its triangles apart",
         {},
         false,
         Cmp::LessEqual,
         true,
         {{0, 0, 0.2f},
          {30, 0, 0.2f},
          {0, 30, 0.3f},
          {70, 70, 0.5f},
          {120, 70, 0.5f},
          {70, 120, 0.6f}},
         true},
        {"behind the eye", {}, false, Cmp::LessEqual, false, Triangle(8, 8, 40, 40, -2.0f), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Scene s;
        s.front.rs[Rs::ZWriteEnable] = 1;
        for (const auto& w : row.written)
            s.guess.NoteDepthWrite(s.Draw(w));
        if (row.clearAfter) {
            const int32_t all[4] = {0, 0, kSide, kSide};
            s.guess.NoteDepthClear(all, 1.0f);
        }
        s.front.rs[Rs::ZFunc] = row.func;
        s.front.rs[Rs::ZWriteEnable] = row.writes ? 1 : 0;
        if (row.draw.front().z < -1.0f)
            s.mvp[15] = -1; // every vertex behind the eye
        EXPECT_EQ(s.guess.DepthTestPasses(s.Draw(row.draw)), row.passes);
    }
}

// Two scenes without depth: the first notes its large opaque rectangles, the
// second leaves out what lies under them in the draws that come before them.
TEST(SceneGuess, PredictsOccludersFromTheSceneBeforeAndRedrawsWhenOneFailsToCome) {
    enum Kind { kSmall, kCover, kAside, kBackdrop };
    struct Row {
        const char* what;
        std::vector<Kind> second; // the draws of the second scene
        std::vector<bool> leftOut;
        bool redraw;
    };
    const std::vector<Row> rows = {
        {"the same draws again", {kSmall, kCover}, {true, false}, false},
        {"the cover comes first", {kCover, kSmall}, {false, false}, false},
        {"the cover fails to come", {kSmall, kAside}, {true, false}, true},
        {"a larger rectangle covers it", {kSmall, kBackdrop}, {true, false}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Scene s;
        s.guess.SetDepthOnDemand(true);
        auto draw = [&](Kind k, int32_t hidden[4]) {
            const float r[4][4] = {
                {20, 20, 50, 50}, {10, 10, 110, 110}, {0, 0, 8, 8}, {0, 0, kSide, kSide}};
            const SceneGuess::DrawFacts f = s.Quad(r[k][0], r[k][1], r[k][2], r[k][3]);
            return s.guess.FindOccluded(f, true, hidden);
        };
        int32_t hidden[4];
        s.guess.SceneBegins();
        ASSERT_TRUE(s.guess.DrawsWithoutDepth());
        EXPECT_FALSE(draw(kSmall, hidden));
        EXPECT_FALSE(draw(kCover, hidden));
        s.guess.SceneEnds();
        ASSERT_FALSE(s.guess.TakeRedraw());

        s.guess.SceneBegins();
        for (size_t i = 0; i < row.second.size(); ++i) {
            const bool left = draw(row.second[i], hidden);
            EXPECT_EQ(left, row.leftOut[i]) << "draw " << i;
            // Under the cover, and of the small draw's pixels alone.
            if (left) {
                EXPECT_TRUE(hidden[0] >= 19 && hidden[1] >= 19 && hidden[2] <= 52 &&
                            hidden[3] <= 52);
            }
        }
        s.guess.SceneEnds();
        EXPECT_EQ(s.guess.TakeRedraw(), row.redraw);
        EXPECT_EQ(s.guess.SceneRedraws(), row.redraw ? 1u : 0u);
        // A scene drawn again guesses nothing.
        s.guess.SceneBegins();
        if (row.redraw) {
            EXPECT_FALSE(draw(kSmall, hidden));
        }
    }
}

} // namespace
