#pragma once
// Matrix and vertex-format helpers in place of the original helper library.
// Row-vector convention: a point is transformed as v' = v * M.
#include <cstdint>

#include "platform/gpu/Gpu.h"

namespace gpu {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

// Left-handed orthographic projection of a w x h view centred on the origin:
// x and y to -1..1, z from zn..zf to 0..1 (smaller z nearer).
Matrix MatrixOrthoLH(float w, float h, float zn, float zf);
// Left-handed perspective projection of the view volume l..r, b..t at the near
// plane zn; z from zn..zf to 0..1.
Matrix MatrixPerspectiveOffCenterLH(float l, float r, float b, float t, float zn, float zf);
// a * b: transforming by the result applies a first, then b.
Matrix MatrixMultiply(const Matrix& a, const Matrix& b);
// world * view * projection: what a vertex goes through on its way to clip space.
Matrix WorldViewProjection(const Matrix& world, const Matrix& view, const Matrix& projection);
// (v, 1) * m, divided by the resulting w.
Vec3 TransformCoord(const Vec3& v, const Matrix& m);

// Bytes per vertex of a flexible vertex format: position kind (xyz, xyzrhw,
// xyz with 1-5 blend weights), normal, point size, diffuse, specular and the
// texture coordinate sets with their 1-4 component sizes. 0x242 gives 32.
uint32_t GetFvfVertexSize(uint32_t fvf);

} // namespace gpu
