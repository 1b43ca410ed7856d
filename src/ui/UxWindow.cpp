#include "ui/UxWindow.h"

#include <cmath>

#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/TextLayer.h"
#include "engine/TextSprite.h"

namespace {

// Room reserved at construction, so that building a typical form does not
// reallocate.
constexpr size_t kChildRoom = 32;
constexpr size_t kItemRoom = 16;

// Size over base size. A window without a base size (an element of a form
// file that gives no SIZE) keeps scale 1 instead of dividing 0 by 0, which
// would spread NaN through every placement below it.
float ScaleOf(float size, float base) {
    return base != 0.0f ? size / base : 1.0f;
}

} // namespace

CUxWindow::CUxWindow(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts) {
    Children.reserve(kChildRoom);
    ChildOffsets.reserve(kChildRoom);
    Pictures.reserve(kItemRoom);
    PictureOffsets.reserve(kItemRoom);
    PictureSizes.reserve(kItemRoom);
    Texts.reserve(kItemRoom);
    TextWidths.reserve(kItemRoom);
    TextCharSizes.reserve(kItemRoom);
    TextOffsets.reserve(kItemRoom);
    Events.reserve(kItemRoom);
    CUxWindow::SetLayers(sprites, texts);
}

CUxWindow::~CUxWindow() {
    if (!SpriteLayer.IsNull())
        for (const CSharedPtr<CSpriteQuad>& p : Pictures)
            SpriteLayer->Remove(p);
    if (!TextLayer.IsNull())
        for (const CSharedPtr<CTextSprite>& t : Texts)
            TextLayer->Remove(t);
}

void CUxWindow::SetLayers(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts) {
    SpriteLayer = sprites;
    TextLayer = texts;
}

void CUxWindow::ClearPictures() {
    if (!SpriteLayer.IsNull())
        for (const CSharedPtr<CSpriteQuad>& p : Pictures)
            SpriteLayer->Remove(p);
    Pictures.clear();
    // The offsets and sizes belong to the pictures: leaving them would shift
    // every picture added later onto a stale entry.
    PictureOffsets.clear();
    PictureSizes.clear();
}

void CUxWindow::SetBaseSize(float w, float h) {
    BaseWidth = Width = w;
    BaseHeight = Height = h;
    ScaleX = ScaleY = 1.0f;
}

CVector3 CUxWindow::PlaceOf(const CVector3& o) const {
    const float a = o.X * ScaleX, b = o.Y * ScaleY, c = o.Z;
    return CVector3(((AxisX.X * a + Position.X) + AxisY.X * b) + AxisZ.X * c,
                    ((AxisX.Y * a + Position.Y) + AxisY.Y * b) + AxisZ.Y * c,
                    ((AxisX.Z * a + Position.Z) + AxisY.Z * b) + AxisZ.Z * c);
}

void CUxWindow::PlaceContents(bool resize) {
    for (size_t i = 0; i < Pictures.size() && i < PictureOffsets.size(); ++i) {
        CSpriteQuad& p = *Pictures[i];
        p.Position = PlaceOf(PictureOffsets[i]);
        if (resize && i < PictureSizes.size())
            p.SetScale(PictureSizes[i].W * ScaleX, PictureSizes[i].H * ScaleY);
    }
    for (size_t i = 0; i < Texts.size() && i < TextOffsets.size(); ++i) {
        CTextSprite& t = *Texts[i];
        t.Position = PlaceOf(TextOffsets[i]);
        if (resize && i < TextCharSizes.size())
            t.Build(TextCharSizes[i].W * ScaleX, TextCharSizes[i].H * ScaleY);
    }
    for (size_t i = 0; i < Children.size() && i < ChildOffsets.size(); ++i) {
        CUxWindow& c = *Children[i];
        const CVector3& o = ChildOffsets[i];
        if (resize)
            c.Place(o.X * ScaleX, o.Y * ScaleY, o.Z, c.BaseWidth * ScaleX, c.BaseHeight * ScaleY,
                    Position.X, Position.Y, Position.Z);
        else
            c.SetOrigin(o.X * ScaleX, o.Y * ScaleY, o.Z, Position.X, Position.Y, Position.Z);
    }
}

void CUxWindow::MoveTo(float ox, float oy, float oz, float px, float py, float pz) {
    Offset = CVector3(ox, oy, oz);
    Position = CVector3(((AxisX.X * ox + px) + AxisY.X * oy) + AxisZ.X * oz,
                        ((AxisX.Y * ox + py) + AxisY.Y * oy) + AxisZ.Y * oz,
                        ((AxisX.Z * ox + pz) + AxisY.Z * oy) + AxisZ.Z * oz);
}

void CUxWindow::SetOrigin(float ox, float oy, float oz, float px, float py, float pz) {
    MoveTo(ox, oy, oz, px, py, pz);
    PlaceContents(false);
}

void CUxWindow::SetSize(float w, float h) {
    Width = w;
    Height = h;
    ScaleX = ScaleOf(w, BaseWidth);
    ScaleY = ScaleOf(h, BaseHeight);
    PlaceContents(true);
}

void CUxWindow::Place(float ox, float oy, float oz, float w, float h, float px, float py,
                      float pz) {
    Width = w;
    Height = h;
    ScaleX = ScaleOf(w, BaseWidth);
    ScaleY = ScaleOf(h, BaseHeight);
    MoveTo(ox, oy, oz, px, py, pz);
    PlaceContents(true);
}

void CUxWindow::SetAlpha(float a) {
    Alpha = a;
    for (const CSharedPtr<CSpriteQuad>& p : Pictures)
        p->Alpha = a;
    for (const CSharedPtr<CTextSprite>& t : Texts) {
        t->AlphaMultiplier = a;
        t->ApplyColour();
    }
    for (const CSharedPtr<CUxWindow>& c : Children)
        c->SetAlpha(a);
}

void CUxWindow::AddZOrder(int32_t d) {
    ZOrder += d;
    for (const CSharedPtr<CSpriteQuad>& p : Pictures)
        p->Key += d;
    for (const CSharedPtr<CUxWindow>& c : Children)
        c->AddZOrder(d);
    // The layer keeps its sprites in key order.
    if (!SpriteLayer.IsNull() && !Pictures.empty())
        SpriteLayer->Resort();
}

void CUxWindow::SetTextColour(uint32_t argb) {
    for (const CSharedPtr<CTextSprite>& t : Texts) {
        t->Colour = argb;
        t->ApplyColour();
    }
}

void CUxWindow::SetColour(uint32_t argb) {
    Colour = argb;
    for (const CSharedPtr<CSpriteQuad>& p : Pictures)
        p->SetColour(argb);
}

void CUxWindow::AddChild(CSharedPtr<CUxWindow> child) {
    if (child.IsNull())
        return;
    Children.push_back(child);
    child->SetLayer(Layer);
    const CVector3 o = child->Offset;
    ChildOffsets.push_back(o);
    child->Place(o.X * ScaleX, o.Y * ScaleY, o.Z, child->BaseWidth * ScaleX,
                 child->BaseHeight * ScaleY, Position.X, Position.Y, Position.Z);
}

int32_t CUxWindow::SetEnabled(int32_t flag) {
    const int32_t old = Enabled;
    Enabled = flag;
    return old;
}

int32_t CUxWindow::SetVisible(int32_t flag) {
    const int32_t old = Visible;
    Visible = flag;
    for (const CSharedPtr<CSpriteQuad>& p : Pictures) {
        if (!SpriteLayer.IsNull())
            SpriteLayer->SetDynamic(p, flag);
        else
            p->Shown = flag;
    }
    for (const CSharedPtr<CTextSprite>& t : Texts)
        t->Visible = flag;
    for (const CSharedPtr<CUxWindow>& c : Children)
        c->SetVisible(flag);
    return old;
}

bool CUxWindow::Inside(float lx, float ly) const {
    return std::fabs(lx) <= BaseWidth * 0.5f && std::fabs(ly) <= BaseHeight * 0.5f;
}

void CUxWindow::AddEvent(int32_t kind, float lx, float ly) {
    CUxControlEvent e;
    e.Kind = kind;
    e.Id = Id;
    e.X = lx;
    e.Y = ly;
    e.WindowType = Type;
    Events.push_back(e);
}

int32_t CUxWindow::Dispatch(CUxPointer what, float x, float y, int32_t button, float dt) {
    switch (what) {
    case CUxPointer::Down:
        return OnMouseDown(x, y, button);
    case CUxPointer::Up:
        return OnMouseUp(x, y, button);
    case CUxPointer::Move:
        return OnMouseMove(x, y, dt);
    }
    return 0;
}

int32_t CUxWindow::Route(CUxPointer what, float x, float y, int32_t button, float dt) {
    Events.clear();
    if (!TakesInput())
        return 0;
    const float lx = LocalX(x), ly = LocalY(y);
    const bool inside = Inside(lx, ly);
    const bool knownButton = what == CUxPointer::Move || (button >= 0 && button < kPointerButtons);
    if (knownButton) {
        switch (what) {
        case CUxPointer::Down:
            if (inside) {
                AddEvent(CUxControlEvent::kPressed + 2 * button, lx, ly);
                Pressed[button] = 1;
                PressTime[button] = 0.0f;
            }
            break;
        case CUxPointer::Up:
            AddEvent(CUxControlEvent::kReleased + 2 * button, lx, ly);
            if (inside && button == 0 && Pressed[0] == 1)
                AddEvent(CUxControlEvent::kClick, lx, ly);
            Pressed[button] = 0;
            PressTime[button] = 0.0f;
            break;
        case CUxPointer::Move:
            if (inside && Hover == 0) {
                AddEvent(CUxControlEvent::kEntered, lx, ly);
                Hover = 1;
            } else if (!inside && Hover == 1) {
                AddEvent(CUxControlEvent::kLeft, lx, ly);
                Hover = 0;
            }
            for (int32_t b = 0; b < kPointerButtons; ++b)
                if (Pressed[b])
                    PressTime[b] += dt;
            break;
        }
    }
    // Children are asked whether or not the pointer is inside this window; a
    // child may stand outside its parent's rectangle.
    for (size_t i = 0; i < Children.size(); ++i) {
        CUxWindow& c = *Children[i];
        if (!c.TakesInput())
            continue;
        if (c.Dispatch(what, x - c.Offset.X, y - c.Offset.Y, button, dt) > 0)
            Events.insert(Events.end(), c.Events.begin(), c.Events.end());
    }
    return static_cast<int32_t>(Events.size());
}

int32_t CUxWindow::OnMouseDown(float x, float y, int32_t button) {
    return Route(CUxPointer::Down, x, y, button, 0.0f);
}

int32_t CUxWindow::OnMouseUp(float x, float y, int32_t button) {
    return Route(CUxPointer::Up, x, y, button, 0.0f);
}

int32_t CUxWindow::OnMouseMove(float x, float y, float dt) {
    return Route(CUxPointer::Move, x, y, 0, dt);
}

void CUxWindow::ResetPointerState() {
    Events.clear();
    for (int32_t b = 0; b < kPointerButtons; ++b) {
        Pressed[b] = 0;
        PressTime[b] = 0.0f;
    }
    Hover = 0;
    for (const CSharedPtr<CUxWindow>& c : Children)
        c->ResetPointerState();
}

int32_t CUxWindow::PointerGone() {
    // A window that takes input moves its whole subtree off; under one that
    // does not (a form switched off for the box), each child is asked.
    if (Hover && TakesInput())
        return OnMouseMove(kFarAway, kFarAway, 0.0f);
    Events.clear();
    Hover = 0;
    for (const CSharedPtr<CUxWindow>& c : Children)
        if (c->PointerGone() > 0)
            Events.insert(Events.end(), c->Events.begin(), c->Events.end());
    return static_cast<int32_t>(Events.size());
}

CSharedPtr<CUxWindow> CUxWindow::FindChild(int32_t id) {
    for (const CSharedPtr<CUxWindow>& c : Children)
        if (c->Id == id)
            return c;
    return {};
}

template <class Match> void CUxWindow::OffsetChildren(Match match, float x, float y, float z) {
    for (size_t i = 0; i < Children.size(); ++i) {
        if (!match(Children[i]))
            continue;
        ChildOffsets[i] = CVector3(x, y, z);
        Children[i]->SetOrigin(x * ScaleX, y * ScaleY, z, Position.X, Position.Y, Position.Z);
    }
}

template <class Match> void CUxWindow::ResizeChildren(Match match, float w, float h) {
    for (const CSharedPtr<CUxWindow>& c : Children) {
        if (!match(c))
            continue;
        c->SetBaseSize(w, h);
        c->SetSize(c->BaseWidth * c->ScaleX, c->BaseHeight * c->ScaleY);
    }
}

void CUxWindow::SetChildOffset(CSharedPtr<CUxWindow> child, float x, float y, float z) {
    OffsetChildren([&](const CSharedPtr<CUxWindow>& c) { return c == child; }, x, y, z);
}

void CUxWindow::SetChildOffsetById(int32_t id, float x, float y, float z) {
    OffsetChildren([id](const CSharedPtr<CUxWindow>& c) { return c->Id == id; }, x, y, z);
}

void CUxWindow::SetChildSize(CSharedPtr<CUxWindow> child, float w, float h) {
    ResizeChildren([&](const CSharedPtr<CUxWindow>& c) { return c == child; }, w, h);
}

void CUxWindow::SetChildSizeById(int32_t id, float w, float h) {
    ResizeChildren([id](const CSharedPtr<CUxWindow>& c) { return c->Id == id; }, w, h);
}

void CUxWindow::SetLayer(int32_t n) {
    Layer = n;
    for (const CSharedPtr<CTextSprite>& t : Texts)
        t->PassTag = TextGroup();
    for (const CSharedPtr<CUxWindow>& c : Children)
        c->SetLayer(n);
}

void CUxWindow::DrawOverTexts() {
    OverTexts = true;
    for (const CSharedPtr<CSpriteQuad>& p : Pictures)
        if (!p.IsNull())
            p->PassTag = kOverTextsPass;
    for (const CSharedPtr<CTextSprite>& t : Texts)
        t->PassTag = TextGroup();
    for (const CSharedPtr<CUxWindow>& c : Children)
        c->DrawOverTexts();
}
