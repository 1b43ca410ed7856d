#pragma once
// The top-level window of one screen: the root of a form's window tree. It
// adds a tiled skin (four corners and four repeating sides around a repeating
// background, from three textures), an absolute z-order, and a visibility
// switch that only flips its own flag: the forms manager skips hidden forms.
#include "ui/UxWindow.h"

class CTexture;

class CUxForm : public CUxWindow {
public:
    // Tiling values before a skin is set (virtual units).
    static constexpr float kDefaultTile = 0.2f;

    CUxForm(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts);

    int32_t SetVisible(int32_t flag) override;
    // Nine pictures: corners from the quadrants of `corners`, the sides from
    // four vertical strips of `sides` (left, right, bottom, top), the inside
    // from `background`; the sides and the background repeat every tile
    // length. Values in virtual units.
    virtual void SetSkin(CSharedPtr<CTexture> corners, CSharedPtr<CTexture> sides,
                         CSharedPtr<CTexture> background, float horizontalTile, float borderHeight,
                         float borderWidth, float verticalTile);
    // The form's own pictures take z; its children move by the difference.
    virtual void SetZOrder(int32_t z);

    float HorizontalTile = kDefaultTile;
    float BorderHeight = kDefaultTile;
    float BorderWidth = kDefaultTile;
    float VerticalTile = kDefaultTile;
    // The child is drawn over every text of the form (CUxWindow::DrawOverTexts).
    void DrawChildOverTexts(const CSharedPtr<CUxWindow>& child);

    // Some child is drawn after the form's texts: the forms manager then
    // draws the form in a second round.
    bool HasOverTexts = false;
    // A box over the whole scene: what the game draws over the forms lies
    // under it (IFormsDrawer).
    bool Box = false;
    // While set and the form is shown, no pointer call reaches the forms
    // under it, even while it fades in and takes no input itself.
    int32_t Modal = 0;
};
