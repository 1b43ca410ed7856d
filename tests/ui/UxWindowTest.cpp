// The window tree and the forms manager: placement under scaled parents,
// what reaches children, pointer records in every press, move and release
// sequence, and the routing over several forms.
#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "engine/SpriteQuad.h"
#include "engine/TextSprite.h"
#include "ui/UxForm.h"
#include "ui/UxFormsManager.h"
#include "ui/UxStatic.h"

namespace uitest {
namespace {

CSharedPtr<CUxWindow> Window(float w, float h, int32_t id, float ox = 0.0f, float oy = 0.0f) {
    CSharedPtr<CUxWindow> win(new CUxWindow(Sprites(), Texts()));
    win->SetBaseSize(w, h);
    win->Id = id;
    win->Offset = CVector3(ox, oy, 0.0f);
    return win;
}

CSharedPtr<CUxForm> Form(float x, float y, int32_t z, int32_t id) {
    CSharedPtr<CUxForm> f(new CUxForm(Sprites(), Texts()));
    f->SetBaseSize(200.0f, 100.0f);
    f->Id = id;
    f->SetZOrder(z);
    f->SetOrigin(x, y, 0.0f, 0.0f, 0.0f, 0.0f);
    return f;
}

TEST(UxWindow, ChildrenFollowTheirParentsPlaceScaleAndAlpha) {
    CSharedPtr<CUxStatic> parent(new CUxStatic(Sprites(), Texts()));
    parent->SetBaseSize(100.0f, 50.0f);
    parent->SetPicture(CSharedPtr<CTexture>(), 0.0f, 0.0f, 1.0f, 1.0f);
    parent->SetCaption(UnitFont(), 10.0f, 10.0f, "hi", 0);
    parent->Place(0.0f, 0.0f, 0.0f, 200.0f, 50.0f, 5.0f, 6.0f, 7.0f); // scale (2, 1)
    CSharedPtr<CUxWindow> child = Window(20.0f, 10.0f, 1, 10.0f, 4.0f);
    parent->AddChild(child);
    EXPECT_FLOAT_EQ(child->Position.X, 25.0f);
    EXPECT_FLOAT_EQ(child->Position.Y, 10.0f);
    EXPECT_FLOAT_EQ(child->Width, 40.0f) << "a child's size follows its parent's scale";
    EXPECT_FLOAT_EQ(parent->Pictures[0]->Width, 200.0f);

    // Moving the parent carries everything along.
    parent->SetOrigin(100.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(child->Position.X, 120.0f);
    EXPECT_FLOAT_EQ(parent->Pictures[0]->Position.X, 100.0f);
    EXPECT_FLOAT_EQ(parent->Texts[0]->Position.X, 0.0f) << "left-aligned text: the left edge";

    // Offsets by handle reach every entry of a child added twice.
    parent->AddChild(child);
    parent->SetChildOffset(child, -10.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(parent->ChildOffsets[0].X, -10.0f);
    EXPECT_FLOAT_EQ(parent->ChildOffsets[1].X, -10.0f);
    EXPECT_FLOAT_EQ(child->Position.X, 80.0f);
    parent->SetChildSizeById(1, 30.0f, 30.0f);
    EXPECT_FLOAT_EQ(child->Width, 30.0f) << "a set size is not scaled by the parent";
    EXPECT_TRUE(parent->FindChild(1) == child);
    EXPECT_TRUE(parent->FindChild(9).IsNull());

    // Alpha reaches pictures, texts and children; colours stay with their window.
    parent->Pictures[0]->TargetAlpha = 0.9f;
    parent->SetAlpha(0.25f);
    EXPECT_FLOAT_EQ(parent->Pictures[0]->Alpha, 0.25f);
    EXPECT_FLOAT_EQ(parent->Pictures[0]->TargetAlpha, 0.9f);
    EXPECT_FLOAT_EQ(parent->Texts[0]->AlphaMultiplier, 0.25f);
    EXPECT_FLOAT_EQ(child->Alpha, 0.25f);
    parent->SetColour(0xFF00FF00u);
    parent->SetTextColour(0xFF0000FFu);
    EXPECT_EQ(child->Colour, 0xFFFFFFFFu);
    EXPECT_EQ(parent->Pictures[0]->PackedColour, 0xFF00FF00u);

    // Re-skinning keeps the picture lists parallel.
    parent->ClearPictures();
    EXPECT_TRUE(parent->PictureOffsets.empty() && parent->PictureSizes.empty());
    parent->SetPicture(CSharedPtr<CTexture>(), 0.0f, 0.0f, 1.0f, 1.0f);
    EXPECT_EQ(parent->PictureOffsets.size(), 1u);
}

TEST(UxWindow, PointerSequencesGiveTheirRecords) {
    CSharedPtr<CUxWindow> root = Window(100.0f, 100.0f, 1);
    CSharedPtr<CUxWindow> far = Window(10.0f, 10.0f, 2, 200.0f, 0.0f); // outside its parent
    CSharedPtr<CUxWindow> hiddenParent = Window(100.0f, 100.0f, 3);
    CSharedPtr<CUxWindow> orphan = Window(100.0f, 100.0f, 4);
    root->AddChild(far);
    root->AddChild(hiddenParent);
    hiddenParent->AddChild(orphan);
    hiddenParent->Visible = 0;

    // A press on the border is inside; the child outside its parent still hears.
    EXPECT_EQ(root->OnMouseDown(50.0f, -50.0f, 0), 1);
    EXPECT_EQ(Summary(root->Events), "1:1");
    EXPECT_EQ(root->OnMouseDown(200.0f, 5.0f, 0), 1);
    EXPECT_EQ(Summary(root->Events), "1:2") << "depth first, the hidden subtree silent";
    EXPECT_FLOAT_EQ(root->Events[0].Y, 5.0f);

    // Press, out, back in, release: a click. Press, out, release: none.
    root->OnMouseMove(0.0f, 0.0f, 0.5f);
    EXPECT_FLOAT_EQ(root->PressTime[0], 0.5f);
    root->OnMouseMove(300.0f, 0.0f, 0.25f);
    EXPECT_EQ(Summary(root->Events), "12:1");
    EXPECT_FLOAT_EQ(root->PressTime[0], 0.75f) << "the press keeps counting outside";
    root->OnMouseMove(0.0f, 0.0f, 0.0f);
    EXPECT_EQ(Summary(root->Events), "11:1");
    root->OnMouseUp(0.0f, 0.0f, 0);
    EXPECT_EQ(Summary(root->Events), "2:1 0:1 2:2") << "every window hears a release";
    root->OnMouseDown(0.0f, 0.0f, 0);
    root->OnMouseUp(300.0f, 300.0f, 0);
    EXPECT_EQ(Summary(root->Events), "2:1 2:2");
    EXPECT_EQ(root->Pressed[0], 0);
    root->OnMouseUp(0.0f, 0.0f, 0);
    EXPECT_EQ(Summary(root->Events), "2:1 2:2") << "no press, no click";

    // Other buttons press and release but never click.
    root->OnMouseDown(0.0f, 0.0f, 2);
    root->OnMouseUp(0.0f, 0.0f, 2);
    EXPECT_EQ(Summary(root->Events), "6:1 6:2");

    // A window of scale 0 maps the pointer far away.
    root->SetSize(0.0f, 100.0f);
    EXPECT_EQ(root->OnMouseDown(0.0f, 0.0f, 0), 0);
    root->SetSize(100.0f, 100.0f);
    root->Active = 0;
    EXPECT_EQ(root->OnMouseUp(0.0f, 0.0f, 0), 0);
    EXPECT_TRUE(root->Events.empty());
}

TEST(UxFormsManager, OrdersFormsAndRoutesToEveryOneThatTakesInput) {
    CUxFormsManager manager;
    CSharedPtr<CUxForm> a = Form(0.0f, 0.0f, 3, 10), b = Form(50.0f, 0.0f, 5, 20),
                        c = Form(0.0f, 0.0f, 3, 30);
    manager.AddForm(a);
    manager.AddForm(b);
    manager.AddForm(c);
    ASSERT_EQ(manager.Forms.size(), 3u);
    EXPECT_TRUE(manager.Forms[0] == b && manager.Forms[1] == c && manager.Forms[2] == a);

    // Overlapping forms all answer, highest first, each in its own coordinates.
    EXPECT_EQ(manager.PointerUp(60.0f, 0.0f, 0), 3);
    EXPECT_EQ(Summary(manager.Events), "2:20 2:30 2:10");
    EXPECT_FLOAT_EQ(manager.Events[0].X, 10.0f);

    // A shown modal form alone hears the pointer, even while it fades in and
    // takes none: what lies under it or over it is never pressed through it.
    // On the first move the others hear the pointer leave them, once.
    EXPECT_EQ(manager.PointerMove(60.0f, 0.0f, 0.0f), 3);
    c->Modal = 1;
    c->Active = 0;
    EXPECT_EQ(manager.PointerDown(60.0f, 0.0f, 0), 0);
    EXPECT_EQ(manager.PointerUp(60.0f, 0.0f, 0), 0);
    manager.PointerMove(60.0f, 0.0f, 0.0f);
    EXPECT_EQ(Summary(manager.Events), "12:20 12:10");
    EXPECT_EQ(b->Hover + a->Hover, 0);
    EXPECT_EQ(manager.PointerMove(65.0f, 0.0f, 0.0f), 0);
    c->Active = 1;
    manager.PointerDown(60.0f, 0.0f, 0);
    manager.PointerUp(60.0f, 0.0f, 0);
    EXPECT_EQ(Summary(manager.Events), "2:30 0:30");
    c->Modal = 0;
    manager.PointerMove(60.0f, 0.0f, 0.0f);
    EXPECT_EQ(Summary(manager.Events), "11:20 11:10") << "the box gone, they hear again";

    // Hidden, disabled and modal-blocked forms are silent.
    EXPECT_EQ(c->SetVisible(0), 1);
    b->Enabled = 0;
    EXPECT_EQ(manager.PointerDown(60.0f, 0.0f, 0), 1);
    EXPECT_EQ(Summary(manager.Events), "1:10");
    c->SetVisible(1);
    b->Enabled = 1;

    manager.PushModal(a);
    EXPECT_EQ(b->Active + c->Active + a->Active, 1);
    manager.PushModal(b);
    EXPECT_EQ(a->Active, 0);
    EXPECT_EQ(manager.PointerDown(0.0f, 0.0f, 0), 0);
    manager.PopModal();
    EXPECT_EQ(a->Active, 1);
    manager.PopAllModal();
    EXPECT_EQ(b->Active + c->Active, 2);
    manager.PopModal(); // nothing left: nothing happens

    EXPECT_EQ(manager.RemoveForm(c), 1);
    EXPECT_EQ(manager.RemoveForm(c), 0);
}

} // namespace
} // namespace uitest
