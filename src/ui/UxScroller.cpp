#include "ui/UxScroller.h"

#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"

CUxScroller::CUxScroller(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts)
    : CUxStatic(sprites, texts) {
    Type = kScrollerWindow;
}

void CUxScroller::Init(CSharedPtr<CTexture> texture, float uL, float vT, float uR, float vB,
                       float thumbUL, float thumbVT, float thumbUR, float thumbVB, float thumbW,
                       float thumbH) {
    SetPicture(texture, uL, vT, uR, vB);
    const CTexCoord thumb[4] = {
        {thumbUL, thumbVT}, {thumbUR, thumbVT}, {thumbUR, thumbVB}, {thumbUL, thumbVB}};
    SetThumbPicture(texture, thumb, thumbW, thumbH);
}

void CUxScroller::GetThumbPosition(float& x, float& y) const {
    x = CentreShiftX;
    y = CentreShiftY;
    if (Horizontal)
        x += (Value - 0.5f) * BaseWidth * WidthFactor;
    else
        y -= (Value - 0.5f) * BaseHeight * WidthFactor;
}

void CUxScroller::MoveThumb() {
    if (Pictures.size() < 2 || Pictures[1].IsNull())
        return;
    float x = 0.0f, y = 0.0f;
    GetThumbPosition(x, y);
    PictureOffsets[1] = CVector3(x, y, -kFrontDepth);
    Pictures[1]->Position = PlaceOf(PictureOffsets[1]);
}

void CUxScroller::SetThumbPicture(CSharedPtr<CTexture> texture, const CTexCoord corners[4], float w,
                                  float h) {
    if (Pictures.empty())
        return; // the track comes first
    ThumbWidth = w;
    ThumbHeight = h;
    float x = 0.0f, y = 0.0f;
    GetThumbPosition(x, y);
    ReservePicture(1, CVector3(x, y, -kFrontDepth), CUxSize{w, h});
    // The thumb takes the rectangle spanned by its first and third corners.
    const CTexCoord rect[4] = {
        corners[0], {corners[2].U, corners[0].V}, corners[2], {corners[0].U, corners[2].V}};
    MakePicture(1, texture, rect, ZOrder - 1);
}

void CUxScroller::SetThumbDisabledState(const CTexCoord corners[4]) {
    if (Pictures.size() < 2 || Pictures[1].IsNull())
        return;
    ThumbDisabledFrame = Pictures[1]->AddFrameCorners(corners);
}

void CUxScroller::SetValue(float v) {
    Value = v;
    MoveThumb();
}

void CUxScroller::TakeValueAt(float lx, float ly) {
    const float dx = lx - CentreShiftX, dy = ly - CentreShiftY;
    const float span = WidthFactor * (Horizontal ? BaseWidth : BaseHeight);
    // A track without length has its value in the middle.
    float v = 0.5f;
    if (span != 0.0f)
        v = Horizontal ? dx / span + 0.5f : 0.5f - dy / span;
    if (v > 1.0f)
        v = 1.0f;
    if (!(v >= 0.0f))
        v = 0.0f;
    Value = v;
}

int32_t CUxScroller::SetEnabled(int32_t flag) {
    const int32_t old = CUxWindow::SetEnabled(flag);
    if (ThumbDisabledFrame != -1 && Pictures.size() > 1 && !Pictures[1].IsNull())
        Pictures[1]->CurrentFrame = flag ? 0 : ThumbDisabledFrame;
    return old;
}

int32_t CUxScroller::OnMouseDown(float x, float y, int32_t button) {
    const int32_t n = CUxWindow::OnMouseDown(x, y, button);
    if (Events.empty() || Events[0].Kind != CUxControlEvent::kPressed || Events[0].Id != Id)
        return n;
    TakeValueAt(Events[0].X, Events[0].Y);
    CUxControlEvent changed = Events[0];
    changed.Kind = CUxControlEvent::kValueChanged;
    changed.WindowType = Type;
    Events.push_back(changed);
    MoveThumb();
    return static_cast<int32_t>(Events.size());
}

int32_t CUxScroller::OnMouseMove(float x, float y, float dt) {
    CUxWindow::OnMouseMove(x, y, dt);
    if (TakesInput() && Pressed[0]) {
        const float lx = LocalX(x), ly = LocalY(y);
        TakeValueAt(lx, ly);
        AddEvent(CUxControlEvent::kValueChanged, lx, ly);
        MoveThumb();
    }
    return static_cast<int32_t>(Events.size());
}

CUxProgressbar::CUxProgressbar(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts)
    : CUxStatic(sprites, texts) {
    Type = kProgressWindow;
}

void CUxProgressbar::Init(CSharedPtr<CTexture> texture, float uL, float vT, float uR, float vB,
                          float barUL, float barVT, float barUR, float barVB) {
    BackgroundRect = Rect{uL, vT, uR, vB};
    SetPicture(texture, uL, vT, uR, vB);
    SetBarPicture(texture, barUL, barVT, barUR, barVB);
}

void CUxProgressbar::Geometry(int which, CVector3& offset, CUxSize& size) const {
    const float p = Progress, W = BaseWidth, H = BaseHeight;
    if (which == 0) {
        offset =
            Horizontal ? CVector3(p * W * 0.5f, 0.0f, 0.0f) : CVector3(0.0f, p * H * 0.5f, 0.0f);
        size = Horizontal ? CUxSize{(1.0f - p) * W, H} : CUxSize{W, (1.0f - p) * H};
    } else {
        offset = Horizontal ? CVector3((p - 1.0f) * W * 0.5f, 0.0f, -CUxScroller::kFrontDepth)
                            : CVector3(0.0f, (p - 1.0f) * H * 0.5f, -CUxScroller::kFrontDepth);
        size = Horizontal ? CUxSize{p * W, H} : CUxSize{W, p * H};
    }
}

void CUxProgressbar::CropFrame(int which) {
    if (Pictures.size() <= static_cast<size_t>(which) || Pictures[which].IsNull())
        return;
    const float p = Progress;
    const Rect& r = which == 0 ? BackgroundRect : BarRect;
    float uL = r.UL, vT = r.VT, uR = r.UR, vB = r.VB;
    if (which == 0) {
        if (Horizontal)
            uL = r.UL + (r.UR - r.UL) * p; // the left edge moves right
        else
            vB = r.VB - (r.VB - r.VT) * p; // the bottom edge moves up
    } else {
        if (Horizontal)
            uR = r.UL + (r.UR - r.UL) * p;
        else
            vT = r.VB - (r.VB - r.VT) * p;
    }
    Pictures[which]->SetFrameRect(0, uL, vT, uR, vB);
}

void CUxProgressbar::SetBarPicture(CSharedPtr<CTexture> texture, float uL, float vT, float uR,
                                   float vB) {
    if (Pictures.empty())
        return; // the background comes first
    BarRect = Rect{uL, vT, uR, vB};
    CVector3 offset;
    CUxSize size;
    Geometry(1, offset, size);
    ReservePicture(1, offset, size);
    const CTexCoord rect[4] = {{uL, vT}, {uR, vT}, {uR, vB}, {uL, vB}};
    MakePicture(1, texture, rect, ZOrder - 1);
    CropFrame(1);
}

float CUxProgressbar::SetProgress(float p) {
    const float old = Progress;
    Progress = p;
    for (int which = 0; which < 2 && static_cast<size_t>(which) < Pictures.size(); ++which) {
        if (Pictures[which].IsNull())
            continue;
        Geometry(which, PictureOffsets[which], PictureSizes[which]);
        CSpriteQuad& q = *Pictures[which];
        q.Position = PlaceOf(PictureOffsets[which]);
        q.SetScale(PictureSizes[which].W * ScaleX, PictureSizes[which].H * ScaleY);
        CropFrame(which);
    }
    return old;
}
