#pragma once
// One drawn character of a text sprite: its code, its pen position in the
// text's frame, the text's axes and scale at the time, and its colour.
#include <cstdint>

#include "engine/Vector3.h"

struct CGlyphQuad {
    void SetAxes(const CVector3& u, const CVector3& v) {
        AxisU = u;
        AxisV = v;
        ScaledU = u * ScaleX;
        ScaledV = v * ScaleY;
    }
    void SetScale(float sx, float sy) {
        ScaleX = sx;
        ScaleY = sy;
        ScaledU = AxisU * sx;
        ScaledV = AxisV * sy;
    }

    uint32_t Code = 0;  // index into the font's glyphs
    CVector3 Pen;       // in the text's frame, before the sprite's position
    float ScaleX = 1.0f, ScaleY = 1.0f;
    CVector3 AxisU{1.0f, 0.0f, 0.0f};
    CVector3 AxisV{0.0f, 1.0f, 0.0f};
    CVector3 ScaledU{1.0f, 0.0f, 0.0f};
    CVector3 ScaledV{0.0f, 1.0f, 0.0f};
    uint32_t Colour = 0xFFFFFFFFu;
};
