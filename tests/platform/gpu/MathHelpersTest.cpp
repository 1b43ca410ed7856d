#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>

#include "platform/gpu/MathHelpers.h"

using namespace gpu;

namespace {

void ExpectNear(const Vec3& a, const Vec3& b) {
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
}

TEST(MathHelpers, OrthoMapsTheGameVolumeToClipSpaceWithZFromZeroToOne) {
    Matrix m = MatrixOrthoLH(1024, 768, -1000, 1000);
    ExpectNear(TransformCoord({-512, -384, -1000}, m), {-1, -1, 0});
    ExpectNear(TransformCoord({512, 384, 1000}, m), {1, 1, 1});
    ExpectNear(TransformCoord({0, 0, 0}, m), {0, 0, 0.5f});
    EXPECT_FLOAT_EQ(m.m[2][2], 1.0f / 2000);
    EXPECT_FLOAT_EQ(m.m[3][2], 0.5f);
    EXPECT_FLOAT_EQ(m.m[3][3], 1.0f);
    EXPECT_FLOAT_EQ(m.m[0][3], 0.0f);
}

TEST(MathHelpers, PerspectiveOffCentreMapsTheFrustumCorners) {
    Matrix m = MatrixPerspectiveOffCenterLH(-2, 6, -1, 3, 1, 10);
    ExpectNear(TransformCoord({-2, -1, 1}, m), {-1, -1, 0});
    ExpectNear(TransformCoord({6, 3, 1}, m), {1, 1, 0});
    ExpectNear(TransformCoord({60, 30, 10}, m), {1, 1, 1}); // far plane, scaled by 10
    ExpectNear(TransformCoord({20, 10, 10}, m), {0, 0, 1});
}

TEST(MathHelpers, MultiplyAppliesTheLeftMatrixFirst) {
    Matrix scale = Matrix::Identity(), move = Matrix::Identity();
    scale.m[0][0] = 2;
    move.m[3][0] = 5;
    ExpectNear(TransformCoord({1, 0, 0}, MatrixMultiply(scale, move)), {7, 0, 0});
    ExpectNear(TransformCoord({1, 0, 0}, MatrixMultiply(move, scale)), {12, 0, 0});
    Matrix id = MatrixMultiply(Matrix::Identity(), move);
    EXPECT_EQ(id.m[3][0], 5.0f);
}

// The transform a draw is given is the world, view and projection product
// taken left to right, to the bit, whatever shortcut the identity view takes:
// zeros of either sign, huge and tiny entries included.
TEST(MathHelpers, TheDrawTransformIsTheProductTakenLeftToRight) {
    std::mt19937 random(7);
    const float kEntries[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 1e-30f, -3e25f, 1024.0f, 0.1f};
    std::uniform_int_distribution<size_t> pick(0, std::size(kEntries) - 1);
    std::uniform_real_distribution<float> any(-1000.0f, 1000.0f);
    auto someMatrix = [&] {
        Matrix m;
        for (auto& row : m.m)
            for (float& e : row)
                e = pick(random) < 3 ? kEntries[pick(random)] : any(random);
        return m;
    };
    Matrix turned = Matrix::Identity();
    turned.m[0][0] = turned.m[1][1] = 0.0f;
    turned.m[0][1] = 1.0f;
    turned.m[1][0] = -1.0f;
    for (int round = 0; round < 2000; ++round) {
        const Matrix world = someMatrix(), projection = someMatrix();
        for (const Matrix& view : {Matrix::Identity(), turned, someMatrix()}) {
            const Matrix want = MatrixMultiply(MatrixMultiply(world, view), projection);
            const Matrix got = WorldViewProjection(world, view, projection);
            ASSERT_EQ(std::memcmp(&want, &got, sizeof(Matrix)), 0) << "round " << round;
        }
    }
}

TEST(MathHelpers, VertexSizesOfFlexibleFormats) {
    EXPECT_EQ(GetFvfVertexSize(kFvfGame), 32u);
    EXPECT_EQ(GetFvfVertexSize(kFvfXyz), 12u);
    EXPECT_EQ(GetFvfVertexSize(0x004 | 0x040 | 0x100), 28u); // xyzrhw, diffuse, 1 uv
    EXPECT_EQ(GetFvfVertexSize(0x002 | 0x010 | 0x080), 28u); // xyz, normal, specular
    EXPECT_EQ(GetFvfVertexSize(0x006), 16u);                 // xyz + 1 blend weight
    EXPECT_EQ(GetFvfVertexSize(0x00E), 32u);                 // xyz + 5 blend weights
    EXPECT_EQ(GetFvfVertexSize(0x002 | 0x020), 16u);         // point size
    // Two sets: the first with three floats, the second with one.
    EXPECT_EQ(GetFvfVertexSize(0x002 | 0x200 | (1u << 16) | (3u << 18)), 12u + 12u + 4u);
    EXPECT_EQ(GetFvfVertexSize(0), 0u);
}

} // namespace
