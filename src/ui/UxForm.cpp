#include "ui/UxForm.h"

#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"

CUxForm::CUxForm(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts)
    : CUxWindow(sprites, texts) {
    Type = kFormWindow;
}

int32_t CUxForm::SetVisible(int32_t flag) {
    const int32_t old = Visible;
    Visible = flag;
    return old;
}

void CUxForm::SetSkin(CSharedPtr<CTexture> corners, CSharedPtr<CTexture> sides,
                      CSharedPtr<CTexture> background, float horizontalTile, float borderHeight,
                      float borderWidth, float verticalTile) {
    ClearPictures();
    HorizontalTile = horizontalTile;
    BorderHeight = borderHeight;
    BorderWidth = borderWidth;
    VerticalTile = verticalTile;

    const float W = BaseWidth, H = BaseHeight;
    const float L = horizontalTile, T = borderHeight, B = borderWidth, V = verticalTile;
    // How many tiles the inner spans hold; a zero tile length repeats nothing.
    const float across = L != 0.0f ? (W - 2.0f * B) / L : 0.0f;
    const float down = V != 0.0f ? (H - 2.0f * T) / V : 0.0f;
    const float sideX = (W - B) * 0.5f, sideY = (H - T) * 0.5f;

    struct Piece {
        CSharedPtr<CTexture> texture;
        CUxSize size;
        float x, y;
        CTexCoord uv[4]; // top-left, top-right, bottom-right, bottom-left
    };
    auto rect = [](float u0, float v0, float u1, float v1, CTexCoord out[4]) {
        out[0] = {u0, v0};
        out[1] = {u1, v0};
        out[2] = {u1, v1};
        out[3] = {u0, v1};
    };
    Piece pieces[9];
    pieces[0] = {corners, {B, T}, -sideX, sideY, {}};
    rect(0.0f, 0.0f, 0.5f, 0.5f, pieces[0].uv);
    pieces[1] = {corners, {B, T}, sideX, sideY, {}};
    rect(0.5f, 0.0f, 1.0f, 0.5f, pieces[1].uv);
    pieces[2] = {corners, {B, T}, sideX, -sideY, {}};
    rect(0.5f, 0.5f, 1.0f, 1.0f, pieces[2].uv);
    pieces[3] = {corners, {B, T}, -sideX, -sideY, {}};
    rect(0.0f, 0.5f, 0.5f, 1.0f, pieces[3].uv);
    pieces[4] = {sides, {B, H - 2.0f * T}, -sideX, 0.0f, {}};
    rect(0.0f, 0.0f, 0.25f, down, pieces[4].uv);
    pieces[5] = {sides, {B, H - 2.0f * T}, sideX, 0.0f, {}};
    rect(0.25f, 0.0f, 0.5f, down, pieces[5].uv);
    // The bottom and top strips lie on their side: u runs across the border
    // from its inner edge, v along it from left to right.
    pieces[6] = {sides,
                 {W - 2.0f * B, T},
                 0.0f,
                 -sideY,
                 {{0.75f, 0.0f}, {0.75f, across}, {0.5f, across}, {0.5f, 0.0f}}};
    pieces[7] = {sides,
                 {W - 2.0f * B, T},
                 0.0f,
                 sideY,
                 {{1.0f, 0.0f}, {1.0f, across}, {0.75f, across}, {0.75f, 0.0f}}};
    pieces[8] = {background, {W - 2.0f * B, H - 2.0f * T}, 0.0f, 0.0f, {}};
    rect(0.0f, 0.0f, across, down, pieces[8].uv);

    for (const Piece& piece : pieces) {
        PictureSizes.push_back(piece.size);
        PictureOffsets.push_back(CVector3(piece.x, piece.y, 0.0f));
        CSharedPtr<CSpriteQuad> quad(new CSpriteQuad(piece.x, piece.y, 0.0f, piece.size.W,
                                                     piece.size.H, Colour, piece.texture, 1));
        quad->SetAxes(AxisX.X, AxisX.Y, AxisX.Z, AxisY.X, AxisY.Y, AxisY.Z, false);
        quad->SetFrameCorners(0, piece.uv);
        quad->Key = ZOrder;
        quad->Shown = Visible;
        Pictures.push_back(quad);
        if (!SpriteLayer.IsNull())
            SpriteLayer->Add(quad);
    }
    SetOrigin(Offset.X, Offset.Y, Offset.Z, 0.0f, 0.0f, 0.0f);
}

void CUxForm::DrawChildOverTexts(const CSharedPtr<CUxWindow>& child) {
    if (child.IsNull())
        return;
    child->DrawOverTexts();
    HasOverTexts = true;
}

void CUxForm::SetZOrder(int32_t z) {
    const int32_t d = z - ZOrder;
    ZOrder = z;
    for (const CSharedPtr<CSpriteQuad>& p : Pictures)
        p->Key = z;
    for (const CSharedPtr<CUxWindow>& c : Children)
        c->AddZOrder(d);
    if (!SpriteLayer.IsNull() && !Pictures.empty())
        SpriteLayer->Resort();
}
