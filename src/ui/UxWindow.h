#pragma once
// A node of the retained window tree of the forms. A window draws nothing by
// itself: it owns pictures (sprites of its sprite layer) and text items (of
// its text layer), each kept with an offset from the window's centre and an
// unscaled size, and child windows with their offsets. Whenever the window
// moves or is resized it places all of them again, so a whole form moves,
// scales, fades, shows or hides as one. Pointer calls travel down the tree
// and every window that takes input answers with control-event records.
//
// Coordinates: virtual screen, origin at the centre, y up; a window's position
// is its centre. Lists that belong together (children and child offsets,
// pictures with their offsets and sizes, texts with their widths, character
// sizes and offsets) always have the same length.
#include <cstdint>
#include <vector>

#include "engine/SharedPtr.h"
#include "engine/Vector3.h"
#include "ui/UxControlEvent.h"

class CSpriteLayer;
class CSpriteQuad;
class CTextLayer;
class CTextSprite;

// The three pointer calls, for code that routes them alike.
enum class CUxPointer { Down, Up, Move };

struct CUxSize {
    float W = 0.0f, H = 0.0f;
};

class CUxWindow {
public:
    enum WindowType : int32_t {
        kPlainWindow = 0,
        kFormWindow = 1,
        kStaticWindow = 2,
        kButtonWindow = 3,
        kCheckboxWindow = 4,
        kScrollerWindow = 5,
        kProgressWindow = 6
    };
    static constexpr int32_t kPointerButtons = 3;
    // Local coordinate of a pointer on an axis the window has no extent on.
    static constexpr float kFarAway = 1000000.0f;
    static constexpr uint32_t kWhite = 0xFFFFFFFFu;

    CUxWindow(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts);
    // Takes every picture and text item out of its layer.
    virtual ~CUxWindow();
    CUxWindow(const CUxWindow&) = delete;
    CUxWindow& operator=(const CUxWindow&) = delete;

    virtual void SetLayers(CSharedPtr<CSpriteLayer> sprites, CSharedPtr<CTextLayer> texts);
    // Removes every picture from the layer; the offsets and sizes go with them.
    virtual void ClearPictures();
    // Base size and size; scale 1. Nothing is placed again.
    virtual void SetBaseSize(float w, float h);
    // Offset (ox, oy, oz) from the parent's position (px, py, pz); places the
    // pictures, texts and children again without resizing them.
    virtual void SetOrigin(float ox, float oy, float oz, float px, float py, float pz);
    // New size (and scale); pictures, texts and children follow it.
    virtual void SetSize(float w, float h);
    // SetSize and SetOrigin at once.
    virtual void Place(float ox, float oy, float oz, float w, float h, float px, float py,
                       float pz);
    // Reaches the pictures' current alpha (not their target), the texts and
    // every child.
    virtual void SetAlpha(float a);
    virtual void AddZOrder(int32_t d);
    // The window's own texts only; children keep theirs.
    virtual void SetTextColour(uint32_t argb);
    // The window's own pictures only.
    virtual void SetColour(uint32_t argb);
    // Appends the child at its present offset, scaled by this window's scale.
    virtual void AddChild(CSharedPtr<CUxWindow> child);
    // Both setters return the previous flag.
    virtual int32_t SetEnabled(int32_t flag);
    virtual int32_t SetVisible(int32_t flag);
    // (x, y) relative to this window's position; the result is the number of
    // records in Events: this window's own, then its children's, depth first.
    virtual int32_t OnMouseDown(float x, float y, int32_t button);
    virtual int32_t OnMouseUp(float x, float y, int32_t button);
    virtual int32_t OnMouseMove(float x, float y, float dt);
    // Forgets presses and hover, here and in every child.
    virtual void ResetPointerState();
    // The pointer is taken from the window's tree (a modal form came over
    // it): every window it lay on hears it leave, as when it moves off, and
    // loses its hover look. The number of records in Events.
    int32_t PointerGone();
    // The first child with this id, or an empty handle.
    virtual CSharedPtr<CUxWindow> FindChild(int32_t id);
    // Every entry of the child (or every child of the id) gets the offset.
    virtual void SetChildOffset(CSharedPtr<CUxWindow> child, float x, float y, float z);
    virtual void SetChildOffsetById(int32_t id, float x, float y, float z);
    // Every entry of the child gets the base size (w, h), at scale 1.
    virtual void SetChildSize(CSharedPtr<CUxWindow> child, float w, float h);
    virtual void SetChildSizeById(int32_t id, float w, float h);
    // The text group of this window's texts and of its whole subtree.
    virtual void SetLayer(int32_t n);
    // The window and its subtree are drawn in a round of their own after
    // every text of the form: a box that opens over the form's captions
    // hides them like any picture.
    void DrawOverTexts();
    // The sprite pass and the text group of that round.
    static constexpr int32_t kOverTextsPass = 2;
    static int32_t OverTextsGroup(int32_t layer) { return layer + kOverTextsGroupShift; }
    // The group of this window's texts, as its round asks.
    int32_t TextGroup() const { return OverTexts ? OverTextsGroup(Layer) : Layer; }

    // Where a local offset (a, b, c) stands: the position plus the offset
    // along the axes, x and y scaled, depth not.
    CVector3 PlaceOf(const CVector3& offset) const;
    // OnMouseDown or OnMouseUp with the button, or OnMouseMove with the
    // frame time.
    int32_t Dispatch(CUxPointer what, float x, float y, int32_t button, float dt);
    // Visible, enabled and taking input.
    bool TakesInput() const { return Visible && Enabled && Active; }

    // Form text groups are the forms' numbers; the later round's lie clear
    // of them and of the game's own text groups.
    static constexpr int32_t kOverTextsGroupShift = 1000;

    int32_t Type = kPlainWindow;
    int32_t Id = 0;
    int32_t Layer = 0;
    CVector3 Position;
    CVector3 Offset;
    CVector3 AxisX{1.0f, 0.0f, 0.0f};
    CVector3 AxisY{0.0f, 1.0f, 0.0f};
    CVector3 AxisZ{0.0f, 0.0f, 1.0f};
    float BaseWidth = 1.0f, BaseHeight = 1.0f;
    float Width = 1.0f, Height = 1.0f;
    float ScaleX = 1.0f, ScaleY = 1.0f;
    float Alpha = 1.0f;
    CSharedPtr<CSpriteLayer> SpriteLayer;
    CSharedPtr<CTextLayer> TextLayer;
    std::vector<CSharedPtr<CUxWindow>> Children;
    std::vector<CVector3> ChildOffsets;
    std::vector<CSharedPtr<CSpriteQuad>> Pictures;
    std::vector<CVector3> PictureOffsets;
    std::vector<CUxSize> PictureSizes;
    std::vector<CSharedPtr<CTextSprite>> Texts;
    std::vector<float> TextWidths;
    std::vector<CUxSize> TextCharSizes;
    std::vector<CVector3> TextOffsets;
    int32_t Visible = 1;
    bool OverTexts = false;
    int32_t Active = 1;
    int32_t Enabled = 1;
    int32_t ZOrder = 0;
    uint32_t Colour = kWhite;
    std::vector<CUxControlEvent> Events;
    int32_t Pressed[kPointerButtons] = {0, 0, 0};
    float PressTime[kPointerButtons] = {0.0f, 0.0f, 0.0f};
    int32_t Hover = 0;

protected:
    // Places pictures, texts and children again; with `resize` also their sizes.
    void PlaceContents(bool resize);
    // A record of this window with the local point.
    void AddEvent(int32_t kind, float lx, float ly);
    // The pointer in unscaled units; kFarAway on an axis of scale 0.
    float LocalX(float x) const { return ScaleX == 0.0f ? kFarAway : x / ScaleX; }
    float LocalY(float y) const { return ScaleY == 0.0f ? kFarAway : y / ScaleY; }
    bool Inside(float lx, float ly) const;

private:
    void MoveTo(float ox, float oy, float oz, float px, float py, float pz);
    int32_t Route(CUxPointer what, float x, float y, int32_t button, float dt);
    template <class Match> void OffsetChildren(Match match, float x, float y, float z);
    template <class Match> void ResizeChildren(Match match, float w, float h);
};
