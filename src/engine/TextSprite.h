#pragma once
// One piece of text on screen: a string laid out in a bitmap font as one quad
// per character, with alignment, optional wrapping in a box, fixed or
// proportional pitch, a colour, an optional motion with a fade (floating score
// and message texts that expire by themselves) and an optional colour pulse that
// runs along the letters. Owners set the public fields and then call Rebuild or
// ApplyColour as needed.
//
// Units: font metrics are in font units; the scale turns them into virtual-screen
// units. y points up; lines run downwards from the origin. Newline (10) is a hard
// line break, vertical tab (11) a soft one (inserted by WrapText).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/GlyphQuad.h"
#include "engine/SharedPtr.h"
#include "engine/TextPass.h"
#include "engine/Vector3.h"
#include "platform/gpu/Gpu.h"

class CBitmapFont;

class CTextSprite {
public:
    enum { AlignLeft = 0, AlignRight = 1, AlignCentre = 2, AlignJustify = 3 };

    explicit CTextSprite(CSharedPtr<CBitmapFont> font);
    ~CTextSprite();
    CTextSprite(const CTextSprite&) = delete;
    CTextSprite& operator=(const CTextSprite&) = delete;

    // Stores the text (an empty one becomes a single blank) and lays it out.
    void SetText(std::string_view text);
    // New scale for the text and every glyph, then a new layout.
    void Build(float scaleX, float scaleY);
    // A new layout with the present settings (alignment, box, spacing, pitch).
    void Rebuild();
    // `source` with soft breaks inserted so that no line reaches the box width.
    void WrapText(std::string_view source, std::string& out) const;
    void SetSnapGrid(float gridX, float gridY);
    void ApplyColour();
    // Motion, fade and pulse; 0 once the text has expired.
    int32_t Update(float dt);
    // Four vertices and six indices per glyph; `first` is the buffer index of
    // the first vertex.
    void WriteVertices(gpu::Vertex* vertices, uint16_t* indices, uint32_t first) const;

    // The box the layout gives the text, in virtual-screen units: each
    // character as wide as its advance, each line one character height from
    // its pen line down (the pictures' soft edges left out). {left, bottom,
    // right, top}; all zero without a visible character.
    struct Box {
        float Left = 0.0f, Bottom = 0.0f, Right = 0.0f, Top = 0.0f;
    };
    Box LayoutBox() const;

    size_t GlyphCount() const { return Glyphs.size(); }
    const CSharedPtr<CBitmapFont>& GetFont() const { return Font; }
    const std::string& GetText() const { return Text; }
    const std::vector<CGlyphQuad>& GetGlyphs() const { return Glyphs; }

    int32_t PassTag = TextPass::kNormal;
    CVector3 Position;
    float Matrix[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};  // row 0: axis U, row 1: axis V
    int32_t Visible = 1;
    float BoxWidth = 10.0f;  // font units
    float ScaleX = 1.0f, ScaleY = 1.0f;
    int32_t Alignment = AlignLeft;
    uint32_t Colour = 0xFFFFFFFFu;
    float LineSpacing = 1.5f;    // font units
    float LetterSpacing = 0.0f;  // font units, proportional pitch only
    int32_t FixedPitch = 0;
    int32_t Moving = 0;
    CVector3 Velocity;
    float FadeAlpha = 1.0f;
    float FadeRate = 2.0f;  // >= 0: fades out after FadeStart; < 0: fades in, then out
    float Elapsed = 0.0f;
    float Lifetime = 3.01f;
    float FadeStart = 1.0f;
    int32_t Pulsing = 0;
    float PulseA[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // RGBA 0..1 at wave 0
    float PulseB[4] = {1.0f, 0.0f, 0.0f, 1.0f};  // at wave 1
    float PulsePhase = 0.0f;
    float PulseStep = 0.62831855f;
    float PulseSpeed = 3.1415927f;
    float ExtentLeft = 0.0f, ExtentTop = 0.0f, ExtentRight = 0.0f, ExtentBottom = 0.0f;
    int32_t Blending = 1;
    uint32_t SrcBlend = gpu::Blend::SrcAlpha;
    uint32_t DestBlend = gpu::Blend::InvSrcAlpha;
    float AlphaMultiplier = 1.0f;
    int32_t Snapping = 0;
    float InvGridX = 1.0f, InvGridY = 1.0f;
    float GridX = 1.0f, GridY = 1.0f;

private:
    void Layout();
    // Advance and placement offset of a character at scale s.
    float AdvanceOf(uint8_t code, float s) const;
    float OffsetOf(uint8_t code, float s) const;

    CSharedPtr<CBitmapFont> Font;
    std::vector<CGlyphQuad> Glyphs;
    std::string Text;
};
