#include "ui/UxButton.h"

#include "engine/SpriteQuad.h"

CUxButton::CUxButton(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts)
    : CUxStatic(sprites, texts) {
    Type = kButtonWindow;
    NormalTextColour = PressedTextColour = DisabledTextColour = OverTextColour = Colour;
}

bool CUxButton::FirstEventIs(int32_t kind) const {
    return !Events.empty() && Events[0].Kind == kind && Events[0].Id == Id;
}

void CUxButton::Init(CSharedPtr<CBitmapFont> font, float sx, float sy, CSharedPtr<CTexture> texture,
                     float uL, float vT, float uR, float vB, int32_t shadow) {
    SetCaption(font, sx, sy, "Button", shadow);
    SetPicture(texture, uL, vT, uR, vB);
}

void CUxButton::SetPressedState(const CTexCoord corners[4]) {
    PressedFrame = AddPictureFrame(corners);
}

void CUxButton::SetDisabledState(const CTexCoord corners[4]) {
    DisabledFrame = AddPictureFrame(corners);
}

void CUxButton::SetOverState(const CTexCoord corners[4]) {
    OverFrame = AddPictureFrame(corners);
}

void CUxButton::SetTextColour(uint32_t argb) {
    NormalTextColour = argb;
    if (!Enabled && HasDisabledTextColour)
        return;
    if (Pressed[0] && HasPressedTextColour)
        return;
    CUxStatic::SetTextColour(argb);
}

int32_t CUxButton::SetEnabled(int32_t flag) {
    const int32_t old = CUxWindow::SetEnabled(flag);
    if (!flag) {
        ShowFrameIfAny(DisabledFrame);
        if (HasDisabledTextColour)
            ColourMainText(DisabledTextColour);
    } else {
        ShowFrame(0);
        ColourMainText(NormalTextColour);
    }
    return old;
}

int32_t CUxButton::OnMouseDown(float x, float y, int32_t button) {
    const int32_t n = CUxWindow::OnMouseDown(x, y, button);
    if (FirstEventIs(CUxControlEvent::kPressed)) {
        ShowFrameIfAny(PressedFrame);
        if (HasPressedTextColour)
            ColourMainText(PressedTextColour);
    }
    return n;
}

int32_t CUxButton::OnMouseUp(float x, float y, int32_t button) {
    const int32_t n = CUxWindow::OnMouseUp(x, y, button);
    if (!Pressed[0]) {
        ShowFrame(Hover && OverFrame != kNoFrame ? OverFrame : 0);
        if (HasPressedTextColour)
            ColourMainText(Hover && HasOverTextColour ? OverTextColour : NormalTextColour);
    }
    return n;
}

int32_t CUxButton::OnMouseMove(float x, float y, float dt) {
    const int32_t n = CUxWindow::OnMouseMove(x, y, dt);
    if (FirstEventIs(CUxControlEvent::kEntered)) {
        if (Pressed[0] && PressedFrame != kNoFrame)
            ShowFrame(PressedFrame);
        else
            ShowFrameIfAny(OverFrame);
        if (Pressed[0] && HasPressedTextColour)
            ColourMainText(PressedTextColour);
        else if (HasOverTextColour)
            ColourMainText(OverTextColour);
    } else if (FirstEventIs(CUxControlEvent::kLeft)) {
        ShowFrame(0);
        ColourMainText(NormalTextColour);
    }
    return n;
}

void CUxButton::ResetPointerState() {
    CUxWindow::ResetPointerState();
    if (Enabled) {
        ShowFrame(0);
        ColourMainText(NormalTextColour);
    }
}

CUxCheckbox::CUxCheckbox(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts)
    : CUxButton(sprites, texts) {
    Type = kCheckboxWindow;
    PressedDisabledTextColour = OverPressedTextColour = Colour;
}

void CUxCheckbox::InitCheckbox(CSharedPtr<CBitmapFont> font, float sx, float sy,
                               CSharedPtr<CTexture> texture, float uL, float vT, float uR, float vB,
                               int32_t /*shadow*/) {
    SetCaption(font, sx, sy, "Checkbox", 0);
    SetPicture(texture, uL, vT, uR, vB);
}

void CUxCheckbox::SetPressedDisabledState(const CTexCoord corners[4]) {
    PressedDisabledFrame = AddPictureFrame(corners);
}

void CUxCheckbox::SetOverPressedState(const CTexCoord corners[4]) {
    OverPressedFrame = AddPictureFrame(corners);
}

void CUxCheckbox::SetTextColour(uint32_t argb) {
    NormalTextColour = argb;
    if (!Enabled && !Checked && HasDisabledTextColour)
        return;
    if (!Enabled && Checked && HasPressedDisabledTextColour)
        return;
    if (Checked && HasPressedTextColour)
        return;
    CUxStatic::SetTextColour(argb);
}

int32_t CUxCheckbox::SetEnabled(int32_t flag) {
    const int32_t old = CUxWindow::SetEnabled(flag);
    if (flag && !Checked) {
        ShowFrame(0);
        ColourMainText(NormalTextColour);
    } else if (flag) {
        ShowFrameIfAny(PressedFrame);
        if (HasPressedTextColour)
            ColourMainText(PressedTextColour);
    } else if (!Checked) {
        ShowFrameIfAny(DisabledFrame != kNoFrame ? DisabledFrame : PressedDisabledFrame);
        if (HasDisabledTextColour)
            ColourMainText(DisabledTextColour);
        else if (HasPressedDisabledTextColour)
            ColourMainText(PressedDisabledTextColour);
    } else {
        ShowFrameIfAny(PressedDisabledFrame != kNoFrame ? PressedDisabledFrame : DisabledFrame);
        if (HasPressedDisabledTextColour)
            ColourMainText(PressedDisabledTextColour);
        else if (HasDisabledTextColour)
            ColourMainText(DisabledTextColour);
    }
    return old;
}

int32_t CUxCheckbox::OnMouseDown(float x, float y, int32_t button) {
    const int32_t n = CUxWindow::OnMouseDown(x, y, button);
    if (!FirstEventIs(CUxControlEvent::kPressed))
        return n;
    Checked = Checked ? 0 : 1;
    CUxControlEvent changed = Events[0];
    changed.Kind = CUxControlEvent::kValueChanged;
    changed.WindowType = Type;
    Events.push_back(changed);
    if (Checked) {
        ShowFrameIfAny(OverPressedFrame != kNoFrame ? OverPressedFrame : PressedFrame);
        if (HasOverPressedTextColour)
            ColourMainText(OverPressedTextColour);
        else if (HasPressedTextColour)
            ColourMainText(PressedTextColour);
    } else {
        ShowFrame(OverFrame != kNoFrame ? OverFrame : 0);
        ColourMainText(HasOverTextColour ? OverTextColour : NormalTextColour);
    }
    return static_cast<int32_t>(Events.size());
}

int32_t CUxCheckbox::OnMouseUp(float x, float y, int32_t button) {
    return CUxWindow::OnMouseUp(x, y, button);
}

int32_t CUxCheckbox::OnMouseMove(float x, float y, float dt) {
    const int32_t n = CUxWindow::OnMouseMove(x, y, dt);
    if (FirstEventIs(CUxControlEvent::kEntered)) {
        if (Checked) {
            ShowFrameIfAny(OverPressedFrame);
            if (HasOverPressedTextColour)
                ColourMainText(OverPressedTextColour);
        } else {
            ShowFrameIfAny(OverFrame);
            if (HasOverTextColour)
                ColourMainText(OverTextColour);
        }
    } else if (FirstEventIs(CUxControlEvent::kLeft)) {
        if (Checked) {
            if (OverPressedFrame != kNoFrame)
                ShowFrame(PressedFrame != kNoFrame ? PressedFrame : 0);
            if (HasOverPressedTextColour)
                ColourMainText(HasPressedTextColour ? PressedTextColour : NormalTextColour);
        } else {
            if (OverFrame != kNoFrame)
                ShowFrame(0);
            if (HasOverTextColour)
                ColourMainText(NormalTextColour);
        }
    }
    return n;
}

int32_t CUxCheckbox::SetChecked(int32_t flag) {
    const int32_t old = Checked;
    Checked = flag;
    if (!flag && Enabled) {
        ShowFrame(0);
        ColourMainText(NormalTextColour);
    } else if (!flag) {
        ShowFrameIfAny(DisabledFrame);
        if (HasDisabledTextColour)
            ColourMainText(DisabledTextColour);
    } else if (!Enabled) {
        ShowFrameIfAny(PressedDisabledFrame);
        if (HasPressedDisabledTextColour)
            ColourMainText(PressedDisabledTextColour);
    } else {
        ShowFrameIfAny(PressedFrame);
        if (HasPressedTextColour)
            ColourMainText(PressedTextColour);
    }
    return old;
}
