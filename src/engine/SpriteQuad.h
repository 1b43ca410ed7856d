#pragma once
// The general 2D sprite: a textured quad with a position, size, rotation, pivot,
// colour and fade, several texture frames, an optional explicit corner shape, a
// blend mode, depth flags and an integer draw-order key. It can spin, grow or
// shrink towards a target size, fade towards a target alpha and expire after a
// lifetime. Sprites live in a CSpriteLayer; users keep their own handle and set
// the public fields directly.
#include <cstdint>
#include <vector>

#include "engine/SharedPtr.h"
#include "engine/Vector3.h"
#include "platform/gpu/Gpu.h"

class CTexture;

struct CTexCoord {
    float U = 0.0f, V = 0.0f;
};

class CSpriteQuad {
public:
    // Blend modes of SetBlend.
    enum { BlendNormal = 0, BlendAdd = 1, BlendMultiply = 2, BlendScreen = 3 };

    CSpriteQuad(float x, float y, float z, float width, float height, uint32_t colour,
                CSharedPtr<CTexture> texture, int32_t blended);
    ~CSpriteQuad();
    CSpriteQuad(const CSpriteQuad&) = delete;
    CSpriteQuad& operator=(const CSpriteQuad&) = delete;

    void SetColour(uint32_t argb);
    // 0 normal (source alpha, inverse source alpha), 1 additive (source alpha,
    // one), 2 multiplying (zero, inverse source colour), 3 screen (one, inverse
    // source colour); any other mode keeps the present pair.
    void SetBlend(int32_t blended, int32_t mode);
    void SetScale(float width, float height);
    void SetRotation(float angle);
    void SetAxes(float ax, float ay, float az, float bx, float by, float bz, bool normalise);
    void SetAlpha(float alpha);
    void FadeTo(float target);
    void ScaleTo(float width, float height);
    // Frames are four corners: top-left, top-right, bottom-right, bottom-left.
    int32_t AddFrame(float u0, float v0, float u1, float v1);
    int32_t AddFrameCorners(const CTexCoord corners[4]);
    void SetFrameRect(int32_t frame, float u0, float v0, float u1, float v1);
    void SetFrameCorners(int32_t frame, const CTexCoord corners[4]);
    // Explicit corners (s, t): corner i = position + s * edge A + t * edge B.
    void SetCorners(const CTexCoord corners[4]);

    void Update(float dt);
    // Four vertices and six indices; `first` is the buffer index of the first vertex.
    void WriteVertices(gpu::Vertex* vertices, uint16_t* indices, uint32_t first) const;

    // The packed vertex colour WriteVertices uses.
    uint32_t VertexColour() const;
    void UpdateEdges();

    uint32_t PackedColour = 0;
    uint32_t RgbColour = 0;
    float Red = 0.0f, Green = 0.0f, Blue = 0.0f, AlphaChannel = 0.0f;  // 0..255
    CSharedPtr<CTexture> Texture;
    std::vector<CTexCoord> Frames;  // 4 per frame
    int32_t CurrentFrame = 0;
    CVector3 Position;
    float Width = 0.0f, Height = 0.0f;
    float Angle = 0.0f;
    float PivotX = 0.0f, PivotY = 0.0f;  // in widths and heights from the centre
    CVector3 Axis1{1.0f, 0.0f, 0.0f};
    CVector3 Axis2{0.0f, 1.0f, 0.0f};
    CVector3 EdgeA, EdgeB;
    int32_t ScaleChangeOn = 0;
    float TargetWidth = 0.0f, TargetHeight = 0.0f;
    float WidthSpeed = 1.0f, HeightSpeed = 1.0f;
    int32_t SpinOn = 0;
    float SpinSpeed = 3.1415927f;
    int32_t Key = 0;  // larger keys are drawn first among blended sprites
    int32_t Blended = 0;
    int32_t DepthTest = 1;
    int32_t DepthWrite = 1;
    uint32_t SrcBlend = gpu::Blend::SrcAlpha;
    uint32_t DestBlend = gpu::Blend::InvSrcAlpha;
    float Alpha = 1.0f;
    int32_t FadeOn = 0;
    float TargetAlpha = 1.0f;
    float FadeSpeed = 1.0f;
    int32_t Shown = 1;
    int32_t PassTag = 1;
    int32_t LifeOn = 0;
    float RemainingLife = 1.0f;
    int32_t LifeFadeOn = 0;
    float LifeFadeTime = 0.25f;
    std::vector<CTexCoord> Corners;  // empty, or the 4 explicit corners
};
