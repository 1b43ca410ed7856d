#pragma once
// A window with one picture and an optional caption with a drop shadow: the
// labels, counters and pictures of the forms, and the base of the button,
// check box, scroller and progress bar. Picture 0 is the control's own
// picture (derived controls add state frames to it, and a thumb or bar as
// picture 1). With a shadow, text item 0 is the shadow and item 1 the main
// text; without one, item 0 is the main text.
#include <string>
#include <string_view>

#include "ui/UxWindow.h"

class CBitmapFont;
class CTexture;
struct CTexCoord;

class CUxStatic : public CUxWindow {
public:
    static constexpr float kTextDepth = 0.001f;
    static constexpr uint32_t kShadowColour = 0x80000000u;
    static constexpr float kShadowShift = 1.0f / 256.0f;
    static constexpr float kShadowDepth = 0.0005f;

    CUxStatic(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts);

    // Every text item but the shadow.
    void SetTextColour(uint32_t argb) override;

    // Installs the main item and the shadow (may be empty) and anchors them.
    virtual void SetTextSprites(CSharedPtr<CTextSprite> main, CSharedPtr<CTextSprite> shadow);
    // New text item(s) in the font with character size (sx, sy), then SetText.
    virtual void SetCaption(CSharedPtr<CBitmapFont> font, float sx, float sy, std::string_view text,
                            int32_t shadow);
    virtual void SetAlignment(int32_t code);
    virtual void SetInterval(float interval);
    // Glyph positions snap to multiples of (gx, gy).
    virtual void SetPixelGrid(float gx, float gy);
    // The wrapping width, in the font's units.
    virtual void SetTextWidth(float width);
    // Moves the caption within the window (local units, y up) and places it.
    void SetNoteShift(float x, float y);
    // Wraps the text at each item's width and shows it.
    virtual void SetText(std::string_view text);
    // Picture 0 over the whole window, frame 0 from the rectangle.
    virtual void SetPicture(CSharedPtr<CTexture> texture, float uL, float vT, float uR, float vB);
    virtual void SetPictureCorners(CSharedPtr<CTexture> texture, const CTexCoord corners[4]);
    // Picture 0 at a local offset with its own unscaled size.
    virtual void SetPictureAt(CSharedPtr<CTexture> texture, float uL, float vT, float uR, float vB,
                              float ox, float oy, float oz, float w, float h);
    virtual void SetPictureCornersAt(CSharedPtr<CTexture> texture, const CTexCoord corners[4],
                                     float ox, float oy, float oz, float w, float h);

    // The item that shows the text (not the shadow); null without a caption.
    CTextSprite* MainText() const;
    // Colours the main item and recomputes its glyphs.
    void ColourMainText(uint32_t argb);
    // Shows a frame of picture 0 (when the picture exists).
    void ShowFrame(int32_t frame);
    // Appends a frame to picture 0; its index, or -1 without a picture.
    int32_t AddPictureFrame(const CTexCoord corners[4]);

    int32_t Wrap = 1;
    float TextDepth = kTextDepth;
    CVector3 NoteShift;
    int32_t HasShadow = 0;
    CVector3 ShadowShift{kShadowShift, -kShadowShift, -kShadowDepth};
    uint32_t ShadowColour = kShadowColour;

protected:
    // Anchors item 0 by its alignment (plus the note shift) and the main item
    // of a shadowed caption at the shadow shift from it; places both.
    void AnchorTexts();
    // Makes the sprite of picture `index` (which must exist in the lists).
    CSharedPtr<CSpriteQuad> MakePicture(size_t index, CSharedPtr<CTexture> texture,
                                        const CTexCoord corners[4], int32_t key);
    // Removes picture `index` from the layer, or appends an empty entry
    // when the lists are shorter.
    void ReservePicture(size_t index, const CVector3& offset, const CUxSize& size);

private:
    std::string Wrapped; // reused between SetText calls
};
