#pragma once
// The slider and the progress bar. A scroller's picture 0 is its track and
// picture 1 a thumb the player drags along one axis to set a value from 0 to
// 1; while the left button holds it, every pointer move writes a
// value-changed record. A progress bar's picture 1 fills it from the left
// (or bottom) edge and picture 0 covers the rest; both pictures are cropped,
// not stretched.
#include "ui/UxStatic.h"

class CUxScroller : public CUxStatic {
public:
    // Pictures 1 stand this far in front of picture 0.
    static constexpr float kFrontDepth = 0.001f;

    CUxScroller(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts);

    int32_t SetEnabled(int32_t flag) override;
    int32_t OnMouseDown(float x, float y, int32_t button) override;
    int32_t OnMouseMove(float x, float y, float dt) override;

    // Track rectangle for picture 0, thumb rectangle and size for picture 1.
    virtual void Init(CSharedPtr<CTexture> texture, float uL, float vT, float uR, float vB,
                      float thumbUL, float thumbVT, float thumbUR, float thumbVB, float thumbW,
                      float thumbH);
    virtual void SetThumbPicture(CSharedPtr<CTexture> texture, const CTexCoord corners[4], float w,
                                 float h);
    virtual void SetThumbDisabledState(const CTexCoord corners[4]);
    // The thumb centre's local point for the present value.
    virtual void GetThumbPosition(float& x, float& y) const;
    // Any value, unclamped; no record.
    virtual void SetValue(float v);

    int32_t Horizontal = 1;
    float Value = 0.0f;
    float ThumbWidth = 0.1f;
    float ThumbHeight = 0.1f;
    float WidthFactor = 0.9f;
    float CentreShiftX = 0.0f, CentreShiftY = 0.0f;
    int32_t ThumbDisabledFrame = -1;

private:
    void MoveThumb();
    // Value under a local point, limited to the track.
    void TakeValueAt(float lx, float ly);
};

class CUxProgressbar : public CUxStatic {
public:
    struct Rect {
        float UL, VT, UR, VB;
    };

    CUxProgressbar(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts);

    virtual void Init(CSharedPtr<CTexture> texture, float uL, float vT, float uR, float vB,
                      float barUL, float barVT, float barUR, float barVB);
    virtual void SetBarPicture(CSharedPtr<CTexture> texture, float uL, float vT, float uR,
                               float vB);
    // Any progress, unclamped; returns the previous one.
    virtual float SetProgress(float p);

    int32_t Horizontal = 1;
    float Progress = 0.0f;
    Rect BackgroundRect{0.0f, 0.0f, 1.0f, 0.5f};
    Rect BarRect{0.0f, 0.5f, 1.0f, 1.0f};

private:
    // Offset and unscaled size of the background (0) or the bar (1).
    void Geometry(int which, CVector3& offset, CUxSize& size) const;
    // Frame 0 of picture `which` cropped to the progress.
    void CropFrame(int which);
};
