#pragma once
// A plain 3-component float vector for the 2D layers' geometry (positions, axes
// and edges in virtual-screen units).
#include <cmath>

struct CVector3 {
    float X = 0.0f, Y = 0.0f, Z = 0.0f;

    CVector3() = default;
    constexpr CVector3(float x, float y, float z) : X(x), Y(y), Z(z) {}

    CVector3 operator+(const CVector3& o) const { return {X + o.X, Y + o.Y, Z + o.Z}; }
    CVector3 operator-(const CVector3& o) const { return {X - o.X, Y - o.Y, Z - o.Z}; }
    CVector3 operator*(float s) const { return {X * s, Y * s, Z * s}; }
    CVector3& operator+=(const CVector3& o) {
        X += o.X;
        Y += o.Y;
        Z += o.Z;
        return *this;
    }
    float Length() const { return std::sqrt(X * X + Y * Y + Z * Z); }

    // The unit vector of this direction; a zero vector becomes (0, 1, 0).
    CVector3 NormalisedOrUp() const {
        float len = Length();
        if (!(len > 0.0f))
            return {0.0f, 1.0f, 0.0f};
        return {X / len, Y / len, Z / len};
    }
};
