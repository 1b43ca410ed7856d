#include "platform/gpu/MathHelpers.h"

#include <cstring>

namespace gpu {

Matrix MatrixOrthoLH(float w, float h, float zn, float zf) {
    Matrix m{};
    m.m[0][0] = 2.0f / w;
    m.m[1][1] = 2.0f / h;
    m.m[2][2] = 1.0f / (zf - zn);
    m.m[3][2] = -zn / (zf - zn);
    m.m[3][3] = 1.0f;
    return m;
}

Matrix MatrixPerspectiveOffCenterLH(float l, float r, float b, float t, float zn, float zf) {
    Matrix m{};
    m.m[0][0] = 2.0f * zn / (r - l);
    m.m[1][1] = 2.0f * zn / (t - b);
    m.m[2][0] = (l + r) / (l - r);
    m.m[2][1] = (t + b) / (b - t);
    m.m[2][2] = zf / (zf - zn);
    m.m[2][3] = 1.0f;
    m.m[3][2] = zn * zf / (zn - zf);
    return m;
}

Matrix MatrixMultiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k)
                s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

namespace {

// Whether every entry is the identity's (a zero of either sign counting as
// zero), four at a time.
bool IsIdentity(const Matrix& m) {
    typedef float Row __attribute__((vector_size(16)));
    typedef int32_t Mask __attribute__((vector_size(16)));
    Mask same = Mask{} - 1;
    for (int i = 0; i < 4; ++i) {
        Row row, unit{};
        std::memcpy(&row, m.m[i], sizeof(row));
        unit[i] = 1.0f;
        same &= row == unit;
    }
    return (same[0] & same[1] & same[2] & same[3]) != 0;
}

} // namespace

Matrix WorldViewProjection(const Matrix& world, const Matrix& view, const Matrix& projection) {
    // The game's view is the identity, and every draw takes this product: one
    // multiply fewer then. The numbers are the same to the bit: each sum of a
    // product starts at +0, so the zeros a product with the identity adds
    // change nothing, not even the sign of a zero.
    if (IsIdentity(view))
        return MatrixMultiply(world, projection);
    return MatrixMultiply(MatrixMultiply(world, view), projection);
}

Vec3 TransformCoord(const Vec3& v, const Matrix& m) {
    float in[4] = {v.x, v.y, v.z, 1.0f}, out[4];
    for (int j = 0; j < 4; ++j)
        out[j] = in[0] * m.m[0][j] + in[1] * m.m[1][j] + in[2] * m.m[2][j] + in[3] * m.m[3][j];
    float inv = out[3] != 0.0f ? 1.0f / out[3] : 1.0f;
    return {out[0] * inv, out[1] * inv, out[2] * inv};
}

uint32_t GetFvfVertexSize(uint32_t fvf) {
    constexpr uint32_t kPositionMask = 0x00E, kXyzRhw = 0x004, kNormal = 0x010, kPSize = 0x020,
                       kSpecular = 0x080, kTexCountMask = 0xF00, kTexCountShift = 8;
    uint32_t size = 0;
    switch (fvf & kPositionMask) {
    case 0:
        break;
    case kFvfXyz:
        size += 12;
        break;
    case kXyzRhw:
        size += 16;
        break;
    default: // xyz plus 1..5 blend weights: 0x6 -> 1 weight ... 0xE -> 5 weights
        size += 12 + 4 * (((fvf & kPositionMask) - 0x6) / 2 + 1);
        break;
    }
    if (fvf & kNormal)
        size += 12;
    if (fvf & kPSize)
        size += 4;
    if (fvf & kFvfDiffuse)
        size += 4;
    if (fvf & kSpecular)
        size += 4;
    uint32_t sets = (fvf & kTexCountMask) >> kTexCountShift;
    if (sets > 8)
        sets = 8;
    // Two bits per set from bit 16: 0 = two floats, 1 = three, 2 = four, 3 = one.
    static constexpr uint32_t kFloats[4] = {2, 3, 4, 1};
    for (uint32_t i = 0; i < sets; ++i)
        size += 4 * kFloats[(fvf >> (16 + 2 * i)) & 3];
    return size;
}

} // namespace gpu
