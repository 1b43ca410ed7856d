#pragma once
// The push button and the check box: static controls whose picture 0 holds
// one frame per look (frame 0 is the normal look) and whose main text takes
// a colour per look. The button writes no record of its own: the screens act
// on the click record every window writes. The check box toggles on a left
// press and writes one value-changed record.
#include "ui/UxStatic.h"

class CUxButton : public CUxStatic {
public:
    static constexpr int32_t kNoFrame = -1;

    CUxButton(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts);

    void SetTextColour(uint32_t argb) override;
    int32_t SetEnabled(int32_t flag) override;
    int32_t OnMouseDown(float x, float y, int32_t button) override;
    int32_t OnMouseUp(float x, float y, int32_t button) override;
    int32_t OnMouseMove(float x, float y, float dt) override;
    // Forgets presses and hover; an enabled control shows its normal look.
    void ResetPointerState() override;

    // Caption "Button" and the picture.
    virtual void Init(CSharedPtr<CBitmapFont> font, float sx, float sy,
                      CSharedPtr<CTexture> texture, float uL, float vT, float uR, float vB,
                      int32_t shadow);
    virtual void SetPressedState(const CTexCoord corners[4]);
    virtual void SetDisabledState(const CTexCoord corners[4]);
    virtual void SetOverState(const CTexCoord corners[4]);

    int32_t PressedFrame = kNoFrame;
    int32_t DisabledFrame = kNoFrame;
    int32_t OverFrame = kNoFrame;
    uint32_t NormalTextColour = kWhite;
    uint32_t PressedTextColour = kWhite;
    uint32_t DisabledTextColour = kWhite;
    uint32_t OverTextColour = kWhite;
    int32_t HasPressedTextColour = 0;
    int32_t HasDisabledTextColour = 0;
    int32_t HasOverTextColour = 0;

protected:
    // The first record is this window's own of that kind.
    bool FirstEventIs(int32_t kind) const;
    void ShowFrameIfAny(int32_t frame) {
        if (frame != kNoFrame)
            ShowFrame(frame);
    }
};

class CUxCheckbox : public CUxButton {
public:
    CUxCheckbox(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts);

    void SetTextColour(uint32_t argb) override;
    int32_t SetEnabled(int32_t flag) override;
    int32_t OnMouseDown(float x, float y, int32_t button) override;
    int32_t OnMouseUp(float x, float y, int32_t button) override;
    int32_t OnMouseMove(float x, float y, float dt) override;

    // Caption "Checkbox" (never shadowed) and the picture.
    virtual void InitCheckbox(CSharedPtr<CBitmapFont> font, float sx, float sy,
                              CSharedPtr<CTexture> texture, float uL, float vT, float uR, float vB,
                              int32_t shadow);
    virtual void SetPressedDisabledState(const CTexCoord corners[4]);
    virtual void SetOverPressedState(const CTexCoord corners[4]);
    // Sets the mark and its look; writes no record. Returns the old mark.
    virtual int32_t SetChecked(int32_t flag);

    int32_t PressedDisabledFrame = kNoFrame;
    int32_t OverPressedFrame = kNoFrame;
    uint32_t PressedDisabledTextColour = kWhite;
    uint32_t OverPressedTextColour = kWhite;
    int32_t HasPressedDisabledTextColour = 0;
    int32_t HasOverPressedTextColour = 0;
    int32_t Checked = 0;
};
