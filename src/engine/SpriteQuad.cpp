#include "engine/SpriteQuad.h"

#include <cmath>

#include "engine/DrawHelpers.h"

namespace {

constexpr float kTwoPi = 6.2831855f;

uint32_t ToByte(float v) {
    v = std::floor(v);
    if (!(v > 0.0f))
        return 0;
    return v >= 255.0f ? 255u : static_cast<uint32_t>(v);
}

// Moves `value` towards `target` at `speed` per second and stops on it.
void Approach(float& value, float target, float speed, float dt) {
    if (target <= value) {
        value -= speed * dt;
        if (value <= target)
            value = target;
    } else {
        value += speed * dt;
        if (value >= target)
            value = target;
    }
}

} // namespace

CSpriteQuad::CSpriteQuad(float x, float y, float z, float width, float height, uint32_t colour,
                         CSharedPtr<CTexture> texture, int32_t blended)
    : Texture(texture), Position(x, y, z), Width(width), Height(height), TargetWidth(width),
      TargetHeight(height), Blended(blended) {
    SetColour(colour);
    SetAxes(1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, true);
    AddFrame(0.0f, 0.0f, 1.0f, 1.0f);
}

CSpriteQuad::~CSpriteQuad() = default;

void CSpriteQuad::SetColour(uint32_t argb) {
    PackedColour = argb;
    RgbColour = argb & 0x00FFFFFFu;
    AlphaChannel = static_cast<float>(argb >> 24);
    Red = static_cast<float>((argb >> 16) & 0xFF);
    Green = static_cast<float>((argb >> 8) & 0xFF);
    Blue = static_cast<float>(argb & 0xFF);
}

void CSpriteQuad::SetBlend(int32_t blended, int32_t mode) {
    Blended = blended;
    switch (mode) {
    case BlendNormal:
        SrcBlend = gpu::Blend::SrcAlpha;
        DestBlend = gpu::Blend::InvSrcAlpha;
        break;
    case BlendAdd:
        SrcBlend = gpu::Blend::SrcAlpha;
        DestBlend = gpu::Blend::One;
        break;
    case BlendMultiply:
        SrcBlend = gpu::Blend::Zero;
        DestBlend = gpu::Blend::InvSrcColor;
        break;
    case BlendScreen:
        SrcBlend = gpu::Blend::One;
        DestBlend = gpu::Blend::InvSrcColor;
        break;
    default:
        break;
    }
}

void CSpriteQuad::UpdateEdges() {
    const float c = std::cos(Angle), s = std::sin(Angle);
    EdgeA = (Axis1 * c + Axis2 * s) * Width;
    EdgeB = (Axis2 * c - Axis1 * s) * Height;
}

void CSpriteQuad::SetScale(float width, float height) {
    Width = width;
    Height = height;
    UpdateEdges();
}

void CSpriteQuad::SetRotation(float angle) {
    Angle = angle;
    UpdateEdges();
}

void CSpriteQuad::SetAxes(float ax, float ay, float az, float bx, float by, float bz,
                          bool normalise) {
    Axis1 = CVector3(ax, ay, az);
    Axis2 = CVector3(bx, by, bz);
    if (normalise) {
        Axis1 = Axis1.NormalisedOrUp();
        Axis2 = Axis2.NormalisedOrUp();
    }
    UpdateEdges();
}

void CSpriteQuad::SetAlpha(float alpha) {
    Alpha = alpha;
    TargetAlpha = alpha;
}

void CSpriteQuad::FadeTo(float target) {
    FadeOn = 1;
    TargetAlpha = target;
}

void CSpriteQuad::ScaleTo(float width, float height) {
    ScaleChangeOn = 1;
    TargetWidth = width;
    TargetHeight = height;
}

int32_t CSpriteQuad::AddFrame(float u0, float v0, float u1, float v1) {
    const CTexCoord corners[4] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
    return AddFrameCorners(corners);
}

int32_t CSpriteQuad::AddFrameCorners(const CTexCoord corners[4]) {
    int32_t index = static_cast<int32_t>(Frames.size() / 4);
    Frames.insert(Frames.end(), corners, corners + 4);
    return index;
}

void CSpriteQuad::SetFrameRect(int32_t frame, float u0, float v0, float u1, float v1) {
    const CTexCoord corners[4] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
    SetFrameCorners(frame, corners);
}

void CSpriteQuad::SetFrameCorners(int32_t frame, const CTexCoord corners[4]) {
    if (frame < 0 || static_cast<size_t>(frame) * 4 + 4 > Frames.size())
        return;
    for (int i = 0; i < 4; ++i)
        Frames[static_cast<size_t>(frame) * 4 + i] = corners[i];
}

void CSpriteQuad::SetCorners(const CTexCoord corners[4]) {
    Corners.assign(corners, corners + 4);
}

void CSpriteQuad::Update(float dt) {
    if (LifeOn)
        RemainingLife -= dt;
    if (SpinOn) {
        Angle += SpinSpeed * dt;
        if (Angle > kTwoPi)
            Angle -= kTwoPi;
        if (Angle < 0.0f)
            Angle += kTwoPi;
    }
    if (ScaleChangeOn) {
        Approach(Width, TargetWidth, WidthSpeed, dt);
        Approach(Height, TargetHeight, HeightSpeed, dt);
    }
    if (SpinOn || ScaleChangeOn)
        UpdateEdges();
    if (FadeOn) {
        if (Alpha > TargetAlpha) {
            Alpha -= FadeSpeed * dt;
            if (Alpha <= TargetAlpha) {
                FadeOn = 0;
                Alpha = TargetAlpha;
            }
        } else if (Alpha < TargetAlpha) {
            Alpha += FadeSpeed * dt;
            if (Alpha >= TargetAlpha) {
                FadeOn = 0;
                Alpha = TargetAlpha;
            }
        }
    }
    if (LifeOn && LifeFadeOn && RemainingLife < LifeFadeTime) {
        FadeOn = 0;
        Alpha = LifeFadeTime > 0.0f ? RemainingLife / LifeFadeTime : 0.0f;
        TargetAlpha = Alpha;
    }
}

uint32_t CSpriteQuad::VertexColour() const {
    const uint32_t a = ToByte(Alpha * AlphaChannel);
    if (DestBlend == gpu::Blend::InvSrcColor) {
        // Premultiplied: the colour fades together with the alpha.
        const float k = Alpha * AlphaChannel / 255.0f;
        return a << 24 | ToByte(Red * k) << 16 | ToByte(Green * k) << 8 | ToByte(Blue * k);
    }
    return a << 24 | RgbColour;
}

void CSpriteQuad::WriteVertices(gpu::Vertex* vertices, uint16_t* indices, uint32_t first) const {
    const uint32_t colour = VertexColour();
    CVector3 p[4];
    if (Corners.size() == 4) {
        for (int i = 0; i < 4; ++i)
            p[i] = Position + EdgeA * Corners[i].U + EdgeB * Corners[i].V;
    } else {
        p[0] = Position + EdgeA * (-0.5f - PivotX) + EdgeB * (0.5f - PivotY);
        p[1] = p[0] + EdgeA;
        p[2] = p[1] - EdgeB;
        p[3] = p[2] - EdgeA;
    }
    // A frame index out of range draws the first frame rather than reading past the list.
    size_t frame = CurrentFrame >= 0 ? static_cast<size_t>(CurrentFrame) : 0;
    if (frame * 4 + 4 > Frames.size())
        frame = 0;
    for (int i = 0; i < 4; ++i) {
        CTexCoord uv = Frames.size() >= 4 ? Frames[frame * 4 + i] : CTexCoord{};
        vertices[i] = gpu::Vertex{p[i].X, p[i].Y, p[i].Z, colour, uv.U, uv.V, 0.0f, 0.0f};
    }
    WriteQuadIndices(indices, first);
}
