// The looks of the controls: the form's nine-piece skin, text anchors,
// shadows and wrapping, button and check box frames per state, scroller
// values while dragging and the progress bar's cropping.
#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "engine/SpriteQuad.h"
#include "engine/TextSprite.h"
#include "ui/UxButton.h"
#include "ui/UxForm.h"
#include "ui/UxScroller.h"

namespace uitest {
namespace {

const CTexCoord kFrame[4] = {{0.5f, 0.0f}, {1.0f, 0.0f}, {1.0f, 0.5f}, {0.5f, 0.5f}};

template <class T> CSharedPtr<T> Control(float w, float h) {
    CSharedPtr<T> c(new T(Sprites(), Texts()));
    c->SetBaseSize(w, h);
    c->Id = 7;
    return c;
}

TEST(UxForm, TheSkinTilesAroundTheInside) {
    CUxForm form(Sprites(), Texts());
    form.SetBaseSize(400.0f, 300.0f);
    form.SetSkin({}, {}, {}, 64.0f, 24.0f, 32.0f, 128.0f);
    ASSERT_EQ(form.Pictures.size(), 9u);
    const CSpriteQuad& left = *form.Pictures[4];
    EXPECT_FLOAT_EQ(left.Width, 32.0f);
    EXPECT_FLOAT_EQ(left.Height, 252.0f);
    EXPECT_FLOAT_EQ(left.Position.X, -184.0f);
    EXPECT_FLOAT_EQ(left.Frames[2].V, 1.96875f);
    const CSpriteQuad& top = *form.Pictures[7];
    EXPECT_FLOAT_EQ(top.Width, 336.0f);
    EXPECT_FLOAT_EQ(top.Position.Y, 138.0f);
    EXPECT_FLOAT_EQ(top.Frames[1].V, 5.25f) << "the top strip runs along v";
    const CSpriteQuad& inside = *form.Pictures[8];
    EXPECT_FLOAT_EQ(inside.Frames[2].U, 5.25f);
    EXPECT_FLOAT_EQ(inside.Frames[2].V, 1.96875f);
    EXPECT_FLOAT_EQ(form.Pictures[0]->Position.Y, 138.0f);

    // A form of z-order 2 with a child at 3, set to 5.
    CSharedPtr<CUxWindow> child(new CUxWindow(Sprites(), Texts()));
    form.SetZOrder(2);
    child->ZOrder = 3;
    form.AddChild(child);
    form.SetZOrder(5);
    EXPECT_EQ(form.Pictures[3]->Key, 5);
    EXPECT_EQ(child->ZOrder, 6);
    form.SetVisible(0);
    EXPECT_EQ(form.Pictures[0]->Shown, 1) << "a hidden form keeps its pictures as they were";
}

TEST(UxStatic, TextsAnchorShadowAndWrap) {
    CSharedPtr<CUxStatic> label = Control<CUxStatic>(100.0f, 40.0f);
    label->ShadowShift = CVector3(2.0f, -2.0f, 0.0f);
    label->NoteShift = CVector3(0.0f, 3.0f, 0.0f);
    label->SetCaption(UnitFont(), 10.0f, 10.0f, "a", 1);
    ASSERT_EQ(label->Texts.size(), 2u);
    const CTextSprite& shadow = *label->Texts[0];
    const CTextSprite& main = *label->Texts[1];
    EXPECT_FLOAT_EQ(shadow.Position.X, -50.0f) << "LEFT anchors at the left edge";
    EXPECT_FLOAT_EQ(shadow.Position.Y, 8.0f) << "half a character up, plus the note shift";
    EXPECT_FLOAT_EQ(main.Position.X, -48.0f);
    label->SetAlignment(CTextSprite::AlignRight);
    EXPECT_FLOAT_EQ(shadow.Position.X, 50.0f);
    label->SetAlignment(CTextSprite::AlignCentre);
    EXPECT_FLOAT_EQ(main.Position.X, 2.0f);

    label->SetTextColour(0xFF112233u);
    EXPECT_EQ(main.Colour, 0xFF112233u);
    EXPECT_EQ(shadow.Colour, CUxStatic::kShadowColour) << "the shadow keeps its colour";

    // Box of 10 units: "aaaa aaaaa" is exactly 10 wide and does not fit; a
    // word wider than the box breaks inside.
    label->SetTextWidth(10.0f);
    label->SetText("aaaa aaaaa");
    EXPECT_EQ(main.GetText(), "aaaa\vaaaaa");
    label->SetText("aaaaaaaaaaaa");
    EXPECT_EQ(main.GetText(), "aaaaaaaaa\vaaa");

    // A second picture replaces the first.
    label->SetPicture({}, 0.0f, 0.0f, 1.0f, 1.0f);
    label->SetPicture({}, 0.0f, 0.0f, 1.0f, 1.0f);
    EXPECT_EQ(label->SpriteLayer->GetDrawn().size() + label->SpriteLayer->GetParked().size(), 1u);
}

TEST(UxButton, LooksFollowThePointerAndTheFlags) {
    CSharedPtr<CUxButton> b = Control<CUxButton>(40.0f, 20.0f);
    b->Init(UnitFont(), 8.0f, 8.0f, {}, 0.0f, 0.0f, 0.5f, 0.5f, 0);
    b->SetPressedState(kFrame);
    b->SetOverState(kFrame);
    b->SetDisabledState(kFrame);
    EXPECT_EQ(b->PressedFrame, 1);
    EXPECT_EQ(b->DisabledFrame, 3);
    b->HasPressedTextColour = 1;
    b->PressedTextColour = 0xFFFF0000u;
    const CSpriteQuad& p = *b->Pictures[0];

    b->OnMouseMove(0.0f, 0.0f, 0.0f);
    EXPECT_EQ(p.CurrentFrame, b->OverFrame);
    b->OnMouseDown(0.0f, 0.0f, 0);
    EXPECT_EQ(p.CurrentFrame, 1);
    EXPECT_EQ(b->MainText()->Colour, 0xFFFF0000u);
    b->OnMouseMove(100.0f, 0.0f, 0.0f);
    EXPECT_EQ(p.CurrentFrame, 0) << "held outside: the normal look";
    b->OnMouseMove(0.0f, 0.0f, 0.0f);
    EXPECT_EQ(p.CurrentFrame, 1) << "back in: pressed again";
    b->OnMouseUp(0.0f, 0.0f, 0);
    EXPECT_EQ(Summary(b->Events), "2:7 0:7");
    EXPECT_EQ(p.CurrentFrame, b->OverFrame);
    b->OnMouseDown(0.0f, 0.0f, 1);
    EXPECT_EQ(p.CurrentFrame, b->OverFrame) << "the right button shows nothing";

    EXPECT_EQ(b->SetEnabled(0), 1);
    EXPECT_EQ(p.CurrentFrame, 3);
    EXPECT_EQ(b->OnMouseDown(0.0f, 0.0f, 0), 0);
    b->SetEnabled(1);
    EXPECT_EQ(p.CurrentFrame, 0);
}

TEST(UxCheckbox, TogglesOnPressAndShowsItsMark) {
    CSharedPtr<CUxCheckbox> box = Control<CUxCheckbox>(20.0f, 20.0f);
    box->InitCheckbox(UnitFont(), 8.0f, 8.0f, {}, 0.0f, 0.0f, 0.5f, 0.5f, 1);
    EXPECT_EQ(box->HasShadow, 0);
    box->SetPressedState(kFrame);
    box->SetPressedDisabledState(kFrame);
    const CSpriteQuad& p = *box->Pictures[0];

    EXPECT_EQ(box->OnMouseDown(0.0f, 0.0f, 0), 2);
    EXPECT_EQ(Summary(box->Events), "1:7 13:7");
    EXPECT_EQ(box->Events[1].WindowType, CUxWindow::kCheckboxWindow);
    EXPECT_EQ(box->Checked, 1);
    EXPECT_EQ(p.CurrentFrame, box->PressedFrame);
    box->OnMouseUp(0.0f, 0.0f, 0);
    EXPECT_EQ(box->Checked, 1) << "release changes nothing";
    box->OnMouseDown(0.0f, 0.0f, 0);
    EXPECT_EQ(box->Checked, 0);
    EXPECT_EQ(p.CurrentFrame, 0);

    // Set directly: no record. Disabled without a DISABLED frame.
    EXPECT_EQ(box->SetChecked(1), 0);
    EXPECT_TRUE(box->Events.size() == 2u);
    box->SetEnabled(0);
    EXPECT_EQ(p.CurrentFrame, box->PressedDisabledFrame);
    box->SetChecked(0);
    EXPECT_EQ(p.CurrentFrame, box->PressedDisabledFrame) << "no DISABLED frame to show";
    box->SetEnabled(1);
    box->SetChecked(1);
    box->ResetPointerState();
    EXPECT_EQ(p.CurrentFrame, 0);
    EXPECT_EQ(box->Checked, 1);
}

TEST(UxScroller, DraggingSetsTheValueWithinTheTrack) {
    CSharedPtr<CUxScroller> s = Control<CUxScroller>(200.0f, 20.0f);
    s->CentreShiftX = 10.0f;
    s->Init({}, 0.0f, 0.0f, 1.0f, 0.5f, 0.0f, 0.5f, 0.25f, 1.0f, 16.0f, 16.0f);
    ASSERT_EQ(s->Pictures.size(), 2u);
    EXPECT_EQ(s->Pictures[1]->Key, -1);
    EXPECT_FLOAT_EQ(s->Pictures[1]->Position.X, 10.0f - 90.0f);

    s->OnMouseDown(10.0f, 0.0f, 0);
    EXPECT_FLOAT_EQ(s->Value, 0.5f) << "the centre shift is the middle";
    EXPECT_EQ(Summary(s->Events), "1:7 13:7");
    EXPECT_FLOAT_EQ(s->Pictures[1]->Position.X, 10.0f);
    // Held still, every frame reports; outside it clamps.
    s->OnMouseMove(10.0f, 0.0f, 0.016f);
    EXPECT_EQ(Summary(s->Events), "11:7 13:7");
    EXPECT_EQ(s->OnMouseMove(10.0f, 0.0f, 0.016f), 1);
    s->OnMouseMove(500.0f, 0.0f, 0.016f);
    EXPECT_EQ(Summary(s->Events), "12:7 13:7");
    EXPECT_FLOAT_EQ(s->Value, 1.0f);
    s->OnMouseMove(-55.0f, 0.0f, 0.016f);
    EXPECT_NEAR(s->Value, 0.5f - 65.0f / 180.0f, 1e-6);
    s->OnMouseUp(-55.0f, 0.0f, 0);
    EXPECT_EQ(s->OnMouseMove(30.0f, 0.0f, 0.016f), 0) << "released: the drag is over";

    // Vertical: the top end is 0. The right button does nothing.
    s->Horizontal = 0;
    s->OnMouseDown(0.0f, 9.0f, 0);
    EXPECT_NEAR(s->Value, 0.0f, 1e-6);
    s->OnMouseDown(0.0f, 0.0f, 1);
    EXPECT_NEAR(s->Value, 0.0f, 1e-6);
}

TEST(UxProgressbar, CropsBothPicturesAtTheProgress) {
    CSharedPtr<CUxProgressbar> bar = Control<CUxProgressbar>(100.0f, 10.0f);
    bar->Init({}, 0.0f, 0.0f, 1.0f, 0.5f, 0.0f, 0.5f, 1.0f, 1.0f);
    EXPECT_FLOAT_EQ(bar->Pictures[0]->Width, 100.0f);
    EXPECT_FLOAT_EQ(bar->Pictures[1]->Width, 0.0f);
    EXPECT_FLOAT_EQ(bar->SetProgress(0.25f), 0.0f);
    const CSpriteQuad& back = *bar->Pictures[0];
    const CSpriteQuad& fill = *bar->Pictures[1];
    EXPECT_FLOAT_EQ(fill.Width, 25.0f);
    EXPECT_FLOAT_EQ(fill.Position.X, -37.5f);
    EXPECT_FLOAT_EQ(fill.Frames[1].U, 0.25f) << "the bar shows its first quarter";
    EXPECT_FLOAT_EQ(back.Width, 75.0f);
    EXPECT_FLOAT_EQ(back.Position.X, 12.5f);
    EXPECT_FLOAT_EQ(back.Frames[0].U, 0.25f) << "the background its last three quarters";
    EXPECT_FLOAT_EQ(back.Frames[1].U, 1.0f);

    bar->Horizontal = 0;
    EXPECT_FLOAT_EQ(bar->SetProgress(0.5f), 0.25f);
    EXPECT_FLOAT_EQ(fill.Position.Y, -2.5f);
    EXPECT_FLOAT_EQ(fill.Frames[0].V, 0.75f);
    EXPECT_FLOAT_EQ(back.Frames[3].V, 0.25f);
}

} // namespace
} // namespace uitest
