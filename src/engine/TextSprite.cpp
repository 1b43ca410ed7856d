#include "engine/TextSprite.h"

#include <algorithm>
#include <cmath>

#include "engine/BitmapFont.h"
#include "engine/DrawHelpers.h"

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr char kNewline = '\n';
constexpr char kSoftBreak = '\v';

bool IsBreak(char c) {
    return c == kNewline || c == kSoftBreak;
}

uint32_t ToByte(float v) {
    v = std::floor(v);
    if (!(v > 0.0f))
        return 0;
    return v >= 255.0f ? 255u : static_cast<uint32_t>(v);
}

} // namespace

CTextSprite::CTextSprite(CSharedPtr<CBitmapFont> font) : Font(font) {}

CTextSprite::~CTextSprite() = default;

float CTextSprite::AdvanceOf(uint8_t code, float s) const {
    if (Font.IsNull())
        return 0.0f;
    if (FixedPitch)
        return Font->CellWidth * s;
    return (Font->Glyphs[code].Advance + LetterSpacing) * s;
}

float CTextSprite::OffsetOf(uint8_t code, float s) const {
    if (Font.IsNull())
        return 0.0f;
    const CFontGlyph& g = Font->Glyphs[code];
    if (FixedPitch)
        return (Font->CellWidth - g.Width) * 0.5f * s;  // centred in its cell
    return g.Left * s;
}

void CTextSprite::SetText(std::string_view text) {
    ExtentLeft = ExtentTop = ExtentRight = ExtentBottom = 0.0f;
    Text = text.empty() ? std::string(" ") : std::string(text);

    Glyphs.clear();
    CGlyphQuad templ;
    templ.SetScale(ScaleX, ScaleY);
    templ.SetAxes(CVector3(Matrix[0][0], Matrix[0][1], Matrix[0][2]),
                  CVector3(Matrix[1][0], Matrix[1][1], Matrix[1][2]));
    size_t breaks = 0;
    for (char c : Text)
        breaks += IsBreak(c) ? 1 : 0;
    Glyphs.reserve(Text.size() - breaks);
    for (char c : Text) {
        if (IsBreak(c))
            continue;
        templ.Code = static_cast<uint8_t>(c);
        Glyphs.push_back(templ);
    }
    Layout();
    ApplyColour();
}

void CTextSprite::Build(float scaleX, float scaleY) {
    ScaleX = scaleX;
    ScaleY = scaleY;
    ExtentLeft = ExtentTop = ExtentRight = ExtentBottom = 0.0f;
    if (Glyphs.empty())
        return;
    for (CGlyphQuad& g : Glyphs)
        g.SetScale(scaleX, scaleY);
    Layout();
    ApplyColour();
}

void CTextSprite::Rebuild() {
    ExtentLeft = ExtentTop = ExtentRight = ExtentBottom = 0.0f;
    if (Glyphs.empty())
        return;
    Layout();
    ApplyColour();
}

void CTextSprite::SetSnapGrid(float gridX, float gridY) {
    Snapping = 1;
    GridX = gridX;
    GridY = gridY;
    InvGridX = gridX != 0.0f ? 1.0f / gridX : 1.0f;
    InvGridY = gridY != 0.0f ? 1.0f / gridY : 1.0f;
}

void CTextSprite::Layout() {
    const CVector3 u(Matrix[0][0], Matrix[0][1], Matrix[0][2]);
    const CVector3 v(Matrix[1][0], Matrix[1][1], Matrix[1][2]);
    CVector3 lineStart;
    float carryY = 0.0f;
    size_t g = 0;  // first glyph record of the line
    size_t i = 0;  // first character of the line
    const size_t n = Text.size();
    for (;;) {
        size_t j = i;
        while (j < n && !IsBreak(Text[j]))
            ++j;
        const size_t count = std::min(j - i, Glyphs.size() - std::min(g, Glyphs.size()));
        const bool endsSoft = j < n && Text[j] == kSoftBreak;

        float w = 0.0f;
        for (size_t k = 0; k < count; ++k)
            w += AdvanceOf(static_cast<uint8_t>(Glyphs[g + k].Code), Glyphs[g + k].ScaleX);

        if (Alignment == AlignJustify) {
            float wNonBlank = 0.0f;
            size_t blanks = 0;
            for (size_t k = 0; k < count; ++k) {
                const CGlyphQuad& q = Glyphs[g + k];
                if (q.Code == ' ')
                    ++blanks;
                else
                    wNonBlank += AdvanceOf(static_cast<uint8_t>(q.Code), q.ScaleX);
            }
            const float target = BoxWidth * ScaleX;
            float blankAdvance;
            if (blanks > 0 && wNonBlank <= target && endsSoft)
                blankAdvance = (target - wNonBlank) / static_cast<float>(blanks);
            else if (Font.IsNull())
                blankAdvance = 0.0f;
            else if (FixedPitch)
                blankAdvance = Font->CellWidth * (count > 0 ? Glyphs[g].ScaleX : ScaleX);
            else
                blankAdvance = Font->SpaceAdvance * ScaleX;

            float offset = 0.0f, carryX = 0.0f;
            for (size_t k = 0; k < count; ++k) {
                CGlyphQuad& q = Glyphs[g + k];
                if (q.Code == ' ') {
                    // Blanks only move the pen; park their record there too.
                    q.Pen = lineStart + u * offset;
                    if (Snapping) {
                        carryX += blankAdvance;
                        const float step = std::floor(carryX * InvGridX) * GridX;
                        carryX -= step;
                        offset += step;
                    } else {
                        offset += blankAdvance;
                    }
                    continue;
                }
                const uint8_t code = static_cast<uint8_t>(q.Code);
                q.Pen = lineStart + u * (offset + OffsetOf(code, q.ScaleX));
                offset += AdvanceOf(code, q.ScaleX);
            }
            ExtentRight = std::max({ExtentRight, target, wNonBlank});
        } else {
            float start = 0.0f;
            if (Alignment == AlignRight) {
                start = -w;
            } else if (Alignment == AlignCentre) {
                start = Snapping ? -std::floor(w * 0.5f * InvGridX) * GridX : -w * 0.5f;
            }
            float offset = start;
            for (size_t k = 0; k < count; ++k) {
                CGlyphQuad& q = Glyphs[g + k];
                const uint8_t code = static_cast<uint8_t>(q.Code);
                q.Pen = lineStart + u * (offset + OffsetOf(code, q.ScaleX));
                offset += AdvanceOf(code, q.ScaleX);
            }
            if (Alignment == AlignRight) {
                ExtentLeft = std::min(ExtentLeft, -w);
            } else if (Alignment == AlignCentre) {
                if (start < ExtentLeft) {
                    ExtentLeft = start;
                    ExtentRight = -start;
                }
            } else {
                ExtentRight = std::max(ExtentRight, w);
            }
        }

        float step = LineSpacing * ScaleY;
        if (Snapping) {
            carryY += step;
            step = std::floor(carryY * InvGridY) * GridY;
            carryY -= step;
        }
        lineStart = lineStart - v * step;
        ExtentBottom -= step;

        g += count;
        if (j >= n)
            break;
        i = j + 1;  // past the break
    }
}

CTextSprite::Box CTextSprite::LayoutBox() const {
    Box box;
    bool any = false;
    for (const CGlyphQuad& q : Glyphs) {
        const uint8_t code = static_cast<uint8_t>(q.Code);
        if (code == ' ' || Font.IsNull())
            continue;
        // Axis-aligned text (the forms' texts are): the pen line runs along x.
        const float x0 = Position.X + q.Pen.X - OffsetOf(code, q.ScaleX);
        const float x1 = x0 + AdvanceOf(code, q.ScaleX);
        const float top = Position.Y + q.Pen.Y, bottom = top - q.ScaleY;
        if (!any)
            box = Box{x0, bottom, x1, top};
        box = Box{std::min(box.Left, x0), std::min(box.Bottom, bottom), std::max(box.Right, x1),
                  std::max(box.Top, top)};
        any = true;
    }
    return box;
}

void CTextSprite::WrapText(std::string_view source, std::string& out) const {
    out.clear();
    if (source.empty())
        return;
    const float box = BoxWidth;
    float line = 0.0f;
    size_t i = 0;
    while (i < source.size()) {
        const char c = source[i];
        if (c == kNewline) {
            out += kNewline;
            ++i;
            line = 0.0f;
            continue;
        }
        // A word runs to a blank or a line's end; a path may break after
        // any of its slashes, never inside a folder's name.
        size_t end = i + 1;
        if (c != ' ')
            while (end < source.size() && source[end] != ' ' && source[end] != kNewline &&
                   source[end - 1] != '/')
                ++end;
        const std::string_view piece = source.substr(i, end - i);
        i = end;
        float width = 0.0f;
        for (char p : piece)
            width += AdvanceOf(static_cast<uint8_t>(p), 1.0f);

        if (line + width < box) {
            out += piece;
            line += width;
            continue;
        }
        if (line > 0.0f) {
            if (!out.empty() && out.back() == ' ')
                out.pop_back();
            out += kSoftBreak;
        }
        line = 0.0f;
        if (c == ' ')
            continue;  // a blank at a break is dropped
        if (width <= box) {
            out += piece;
            line = width;
            continue;
        }
        // A word wider than the box is broken between characters.
        for (char p : piece) {
            const float a = AdvanceOf(static_cast<uint8_t>(p), 1.0f);
            if (line + a >= box) {
                if (line > 0.0f) {
                    out += kSoftBreak;
                    line = 0.0f;
                }
                out += p;
                if (a >= box) {
                    out += kSoftBreak;
                    line = 0.0f;
                } else {
                    line = a;
                }
            } else {
                out += p;
                line += a;
            }
        }
    }
}

void CTextSprite::ApplyColour() {
    const float alphaByte = static_cast<float>(Colour >> 24);
    const float m = AlphaMultiplier;
    const float f = FadeAlpha;
    const bool premultiply = DestBlend == gpu::Blend::InvSrcColor;
    const float r = static_cast<float>((Colour >> 16) & 0xFF);
    const float gr = static_cast<float>((Colour >> 8) & 0xFF);
    const float b = static_cast<float>(Colour & 0xFF);

    if (!Pulsing) {
        // A moving text carries its fade in the alpha.
        const float k = Moving ? f * alphaByte * m : m * alphaByte;
        uint32_t colour;
        if (premultiply)
            colour = ToByte(k) << 24 | ToByte(r * k / 255.0f) << 16 | ToByte(gr * k / 255.0f) << 8 |
                     ToByte(b * k / 255.0f);
        else
            colour = ToByte(k) << 24 | (Colour & 0x00FFFFFFu);
        for (CGlyphQuad& g : Glyphs)
            g.Colour = colour;
        return;
    }
    const float k = Moving ? f * alphaByte * m : alphaByte * m;
    for (size_t i = 0; i < Glyphs.size(); ++i) {
        const float w = (1.0f - std::cos(static_cast<float>(i) * PulseStep - PulsePhase)) * 0.5f;
        float c[4];
        for (int ch = 0; ch < 4; ++ch)
            c[ch] = PulseA[ch] * (1.0f - w) + PulseB[ch] * w;
        uint32_t colour;
        if (premultiply)
            colour = ToByte(c[3] * k) << 24 | ToByte(c[0] * k) << 16 | ToByte(c[1] * k) << 8 |
                     ToByte(c[2] * k);
        else
            colour = ToByte(c[3] * k) << 24 | ToByte(c[0] * 255.0f) << 16 |
                     ToByte(c[1] * 255.0f) << 8 | ToByte(c[2] * 255.0f);
        Glyphs[i].Colour = colour;
    }
}

int32_t CTextSprite::Update(float dt) {
    if (!Moving && !Pulsing)
        return 1;
    if (Moving) {
        Elapsed += dt;
        if (!(Lifetime > Elapsed))
            return 0;
        Position += Velocity * dt;
        if (FadeRate >= 0.0f) {
            if (Elapsed < FadeStart) {
                FadeAlpha = 1.0f;
            } else {
                FadeAlpha = 1.0f - (Elapsed - FadeStart) * FadeRate;
                if (FadeAlpha < 0.0f) {
                    FadeAlpha = 0.0f;
                    return 0;
                }
            }
        } else {
            const float rate = -FadeRate;
            if (Elapsed < FadeStart) {
                FadeAlpha = 0.0f;
            } else {
                const float left = Lifetime - Elapsed;
                if (left >= 1.0f / rate)
                    FadeAlpha = (Elapsed - FadeStart) * rate;
                else
                    FadeAlpha = std::max(0.0f, left * rate);
            }
            FadeAlpha = std::min(FadeAlpha, 1.0f);
        }
    }
    if (Pulsing) {
        PulsePhase += dt * PulseSpeed;
        if (PulsePhase > kTwoPi)
            PulsePhase = std::fmod(PulsePhase, kTwoPi);
    }
    ApplyColour();
    return 1;
}

void CTextSprite::WriteVertices(gpu::Vertex* vertices, uint16_t* indices, uint32_t first) const {
    for (size_t i = 0; i < Glyphs.size(); ++i) {
        const CGlyphQuad& q = Glyphs[i];
        const CFontGlyph glyph = Font.IsNull() ? CFontGlyph{} : Font->Glyphs[q.Code & 0xFF];
        const CVector3 p = q.Pen + Position;
        CVector3 c[4];
        c[0] = p - q.ScaledV * glyph.Top;
        c[1] = c[0] + q.ScaledU * glyph.Width;
        c[2] = c[1] - q.ScaledV * glyph.Height;
        c[3] = c[2] - q.ScaledU * glyph.Width;
        const float uv[4][2] = {{glyph.ULeft, glyph.VTop},
                                {glyph.URight, glyph.VTop},
                                {glyph.URight, glyph.VBottom},
                                {glyph.ULeft, glyph.VBottom}};
        gpu::Vertex* v = vertices + 4 * i;
        for (int k = 0; k < 4; ++k)
            v[k] = gpu::Vertex{c[k].X, c[k].Y, c[k].Z, q.Colour, uv[k][0], uv[k][1], 0.0f, 0.0f};
        WriteQuadIndices(indices + 6 * i, first + 4 * static_cast<uint32_t>(i));
    }
}
