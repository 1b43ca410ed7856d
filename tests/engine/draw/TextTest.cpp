// Text sprites: layout, wrapping, colours, fades and pulse, and the text layer's
// grouping by font.
#include <gtest/gtest.h>

#include <string>

#include "engine/BitmapFont.h"
#include "engine/TextLayer.h"
#include "engine/TextSprite.h"
#include "engine/Texture.h"
#include "engine/draw/DrawFixture.h"

namespace {

// Every glyph 1 unit wide and tall, advance 1; a few differ.
CSharedPtr<CBitmapFont> MakeFont(CSharedPtr<CTexture> texture = {}) {
    CSharedPtr<CBitmapFont> font(new CBitmapFont(texture));
    for (int c = 0; c < 256; ++c) {
        CFontGlyph& g = font->Glyphs[c];
        g = CFontGlyph{};
        g.Width = 1.0f;
        g.Height = 1.0f;
        g.Advance = 1.0f;
        g.Top = 1.0f;
        g.URight = 1.0f;
        g.VBottom = 1.0f;
    }
    font->Glyphs['a'].Advance = 0.5f;
    font->Glyphs['a'].Left = 0.1f;
    font->Glyphs['a'].Width = 0.4f;
    font->Glyphs['b'].Advance = 0.6f;
    font->Glyphs['b'].Left = 0.05f;
    font->Glyphs['W'].Advance = 5.0f;
    font->SpaceAdvance = 1.0f;
    font->CellWidth = 2.0f;
    return font;
}

CSharedPtr<CTextSprite> MakeText(const std::string& text, float scale = 1.0f, int align = 0) {
    CSharedPtr<CTextSprite> t(new CTextSprite(MakeFont()));
    t->ScaleX = t->ScaleY = scale;
    t->Alignment = align;
    t->SetText(text);
    return t;
}

TEST(TextLayout, AlignmentExtentsAndSnapping) {
    auto left = MakeText("ab", 20.0f);
    ASSERT_EQ(left->GlyphCount(), 2u);
    EXPECT_NEAR(left->GetGlyphs()[0].Pen.X, 2.0f, 1e-5);
    EXPECT_NEAR(left->GetGlyphs()[1].Pen.X, 11.0f, 1e-5);
    EXPECT_NEAR(left->ExtentRight, 22.0f, 1e-5);
    EXPECT_EQ(left->ExtentLeft, 0.0f);
    EXPECT_NEAR(left->ExtentBottom, -30.0f, 1e-5);

    auto right = MakeText("ab", 20.0f, CTextSprite::AlignRight);
    EXPECT_NEAR(right->GetGlyphs()[0].Pen.X, -22.0f + 2.0f, 1e-5);
    EXPECT_NEAR(right->ExtentLeft, -22.0f, 1e-5);

    auto centre = MakeText("ab", 20.0f, CTextSprite::AlignCentre);
    EXPECT_NEAR(centre->GetGlyphs()[0].Pen.X, -11.0f + 2.0f, 1e-5);
    EXPECT_NEAR(centre->ExtentLeft, -11.0f, 1e-5);
    EXPECT_NEAR(centre->ExtentRight, 11.0f, 1e-5);
    centre->SetSnapGrid(1.0f, 1.0f);
    centre->Rebuild();
    EXPECT_NEAR(centre->GetGlyphs()[0].Pen.X, -11.0f + 2.0f, 1e-5);
    centre->Build(21.0f, 21.0f);  // width 23.1: the start snaps to -11, not -11.55
    EXPECT_NEAR(centre->ExtentLeft, -11.0f, 1e-5);
    EXPECT_NEAR(centre->GetGlyphs()[0].ScaledU.X, 21.0f, 1e-5);

    auto fixed = MakeText("aW", 1.0f);
    fixed->FixedPitch = 1;
    fixed->Rebuild();
    EXPECT_NEAR(fixed->GetGlyphs()[0].Pen.X, 0.8f, 1e-5) << "centred in its cell";
    EXPECT_NEAR(fixed->GetGlyphs()[1].Pen.X, 2.5f, 1e-5);
    EXPECT_NEAR(fixed->ExtentRight, 4.0f, 1e-5);

    auto spaced = MakeText("ab", 1.0f);
    spaced->LetterSpacing = 0.25f;
    spaced->Rebuild();
    EXPECT_NEAR(spaced->ExtentRight, 1.6f, 1e-5);
}

TEST(TextLayout, LinesBreaksAndEmptyText) {
    auto t = MakeText("ab\nab\nab", 2.0f);
    EXPECT_EQ(t->GlyphCount(), 6u) << "breaks make no glyphs";
    EXPECT_NEAR(t->ExtentBottom, -3 * 1.5f * 2.0f, 1e-5);
    EXPECT_NEAR(t->GetGlyphs()[2].Pen.Y, -3.0f, 1e-5);
    EXPECT_NEAR(t->GetGlyphs()[4].Pen.Y, -6.0f, 1e-5);
    EXPECT_NEAR(t->GetGlyphs()[4].Pen.X, 0.2f, 1e-5);

    auto soft = MakeText("a\vb");
    EXPECT_EQ(soft->GlyphCount(), 2u);
    EXPECT_NEAR(soft->GetGlyphs()[1].Pen.Y, -1.5f, 1e-5);

    auto empty = MakeText("");
    EXPECT_EQ(empty->GetText(), " ");
    ASSERT_EQ(empty->GlyphCount(), 1u);
    EXPECT_EQ(empty->GetGlyphs()[0].Code, 32u);

    auto high = MakeText("\xE9");
    EXPECT_EQ(high->GetGlyphs()[0].Code, 0xE9u) << "read as an unsigned byte";

    auto snapped = MakeText("", 1.0f);
    snapped->LineSpacing = 0.4f;
    snapped->SetSnapGrid(1.0f, 1.0f);
    snapped->SetText("a\na\na");
    // Steps of 0.4 snap to 0, 0 and 1 with the carry.
    EXPECT_NEAR(snapped->GetGlyphs()[1].Pen.Y, 0.0f, 1e-5);
    EXPECT_NEAR(snapped->GetGlyphs()[2].Pen.Y, 0.0f, 1e-5);
    EXPECT_NEAR(snapped->ExtentBottom, -1.0f, 1e-5);
}

TEST(TextLayout, JustifiedLinesStretchOnlyBeforeASoftBreak) {
    auto t = MakeText("", 1.0f, CTextSprite::AlignJustify);
    t->BoxWidth = 10.0f;
    t->SetText("ww ww\vww ww\nww ww");
    const auto& g = t->GetGlyphs();
    ASSERT_EQ(g.size(), 15u);
    EXPECT_NEAR(g[3].Pen.X, 8.0f, 1e-5) << "the one blank takes the slack";
    EXPECT_NEAR(g[4].Pen.X, 9.0f, 1e-5) << "the line fills the box exactly";
    EXPECT_NEAR(g[8].Pen.X, 3.0f, 1e-5) << "a line ending at a newline keeps its blanks";
    EXPECT_NEAR(g[13].Pen.X, 3.0f, 1e-5) << "so does the last line";
    EXPECT_NEAR(t->ExtentRight, 10.0f, 1e-5);

    t->SetSnapGrid(1.0f, 1.0f);
    t->SetText("w w w\vw");  // two blanks share 7 units: 3.5 each, snapped 3 then 4
    EXPECT_NEAR(t->GetGlyphs()[2].Pen.X, 4.0f, 1e-5);
    EXPECT_NEAR(t->GetGlyphs()[4].Pen.X, 9.0f, 1e-5);
}

TEST(TextWrap, SoftBreaksBlanksNewlinesAndLongWords) {
    auto t = MakeText("x");
    std::string out;
    t->BoxWidth = 10.0f;
    t->WrapText("wwww wwww wwww", out);
    EXPECT_EQ(out, "wwww wwww\vwwww");
    t->WrapText("wwww wwwwww", out);
    EXPECT_EQ(out, "wwww\vwwwwww") << "the blank before the break goes";
    t->WrapText("ww\nwww", out);
    EXPECT_EQ(out, "ww\nwww");
    t->WrapText("", out);
    EXPECT_EQ(out, "");
    t->WrapText("/www/wwwww/ww", out);
    EXPECT_EQ(out, "/www/\vwwwww/ww") << "a path breaks after a slash";

    t->BoxWidth = 4.0f;
    t->WrapText("wwwwwwwwww", out);
    EXPECT_EQ(out, "www\vwww\vwww\vw");
    t->WrapText("ww wwwwwwww", out);
    EXPECT_EQ(out, "ww\vwww\vwww\vww");
    t->WrapText("W", out);
    EXPECT_EQ(out, "W\v") << "a character as wide as the box stands alone";
    t->WrapText("wW", out);
    EXPECT_EQ(out, "w\vW\v");
}

TEST(TextColour, StaticMovingPremultipliedAndPulsing) {
    auto t = MakeText("abcdef");
    t->Colour = 0x80FF8040;
    t->AlphaMultiplier = 0.5f;
    t->ApplyColour();
    EXPECT_EQ(t->GetGlyphs()[0].Colour, 0x40FF8040u);
    t->DestBlend = gpu::Blend::InvSrcColor;
    t->ApplyColour();
    EXPECT_EQ(t->GetGlyphs()[0].Colour, 0x40402010u);

    t->DestBlend = gpu::Blend::InvSrcAlpha;
    t->Colour = 0xFFFFFFFF;
    t->AlphaMultiplier = 1.0f;
    t->Moving = 1;
    t->FadeAlpha = 0.5f;
    t->ApplyColour();
    EXPECT_EQ(t->GetGlyphs()[5].Colour, 0x7FFFFFFFu);

    t->Moving = 0;
    t->Pulsing = 1;
    t->ApplyColour();
    EXPECT_EQ(t->GetGlyphs()[0].Colour, 0xFFFFFFFFu) << "wave 0: colour A";
    const uint32_t b = t->GetGlyphs()[5].Colour;  // half a wave on: colour B
    EXPECT_GE(b >> 24, 254u);
    EXPECT_GE((b >> 16) & 0xFF, 254u);
    EXPECT_LE((b >> 8) & 0xFF, 1u);
    EXPECT_LE(b & 0xFF, 1u);
    EXPECT_GT(t->GetGlyphs()[2].Colour & 0xFF, 0x40u);
    EXPECT_LT(t->GetGlyphs()[2].Colour & 0xFF, 0xC0u) << "between the two";
    t->DestBlend = gpu::Blend::InvSrcColor;
    t->Colour = 0x80FFFFFF;
    t->ApplyColour();
    EXPECT_EQ(t->GetGlyphs()[0].Colour, 0x80808080u);
}

TEST(TextUpdate, FadeCurvesMotionAndPulsePhase) {
    auto out = MakeText("a");
    EXPECT_EQ(out->Update(5.0f), 1) << "neither moving nor pulsing: unchanged";
    out->Moving = 1;
    out->Velocity = CVector3(10.0f, -4.0f, 0.0f);
    EXPECT_EQ(out->Update(0.9f), 1);
    EXPECT_EQ(out->FadeAlpha, 1.0f);
    EXPECT_NEAR(out->Position.X, 9.0f, 1e-5);
    EXPECT_EQ(out->Update(0.35f), 1);
    EXPECT_NEAR(out->FadeAlpha, 0.5f, 1e-4);
    EXPECT_EQ(out->GetGlyphs()[0].Colour >> 24, 127u);
    EXPECT_EQ(out->Update(0.24f), 1);
    EXPECT_NEAR(out->FadeAlpha, 0.02f, 1e-4);
    EXPECT_EQ(out->Update(0.1f), 0) << "faded out before its lifetime";
    EXPECT_EQ(out->FadeAlpha, 0.0f);

    auto inOut = MakeText("a");
    inOut->Moving = 1;
    inOut->FadeRate = -2.0f;
    inOut->FadeStart = 0.0f;
    inOut->Lifetime = 3.0f;
    inOut->Update(0.25f);
    EXPECT_NEAR(inOut->FadeAlpha, 0.5f, 1e-5);
    inOut->Update(1.25f);
    EXPECT_EQ(inOut->FadeAlpha, 1.0f);
    inOut->Update(1.25f);
    EXPECT_NEAR(inOut->FadeAlpha, 0.5f, 1e-4);
    EXPECT_EQ(inOut->Update(0.25f), 0) << "the lifetime is reached";

    auto pulse = MakeText("a");
    pulse->Pulsing = 1;
    pulse->PulseSpeed = 4.0f;
    pulse->Update(2.0f);
    EXPECT_NEAR(pulse->PulsePhase, 8.0f - 6.2831855f, 1e-4);
}

TEST(TextVertices, GlyphQuadsHangFromThePenLine) {
    auto t = MakeText("ab", 10.0f);
    t->Position = CVector3(100.0f, 50.0f, 3.0f);
    gpu::Vertex v[8];
    uint16_t idx[12];
    t->WriteVertices(v, idx, 20);
    EXPECT_FLOAT_EQ(v[0].x, 101.0f);
    EXPECT_FLOAT_EQ(v[0].y, 40.0f) << "the top offset lowers the picture";
    EXPECT_FLOAT_EQ(v[1].x, 105.0f);
    EXPECT_FLOAT_EQ(v[2].y, 30.0f);
    EXPECT_FLOAT_EQ(v[0].z, 3.0f);
    EXPECT_FLOAT_EQ(v[2].u0, 1.0f);
    EXPECT_EQ(idx[6], 24);
    EXPECT_EQ(idx[11], 27);
}

class TextLayerTest : public drawtest::DrawFixture {};

TEST_F(TextLayerTest, DrawsByFontGroupThenListOrderAndFiltersByTag) {
    auto f1 = MakeFont(MakeTexture("F1"));
    auto f2 = MakeFont(MakeTexture("F2"));
    CTextLayer layer(device, vb, ib);
    auto make = [&](CSharedPtr<CBitmapFont> font, const std::string& s, int32_t tag) {
        CSharedPtr<CTextSprite> t(new CTextSprite(font));
        t->SetText(s);
        t->PassTag = tag;
        return layer.Add(t);
    };
    auto t1 = make(f1, "a", -1);
    auto t2 = make(f2, "bb", -1);
    auto t3 = make(f1, "ccc", -1);
    auto top = make(f2, "dddd", 12345);
    auto hidden = make(f1, "eeeee", -1);
    hidden->Visible = 0;

    BeginFrame();
    layer.Render(-1);
    EndFrame();
    const auto& draws = rec->Draws();
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0].primCount, 2u);
    EXPECT_EQ(draws[1].primCount, 6u) << "the second text of the first font";
    EXPECT_EQ(draws[2].primCount, 4u);
    EXPECT_EQ(draws[0].state.textures[0], f1->Texture->GetTexture());
    EXPECT_EQ(draws[1].state.textures[0], f1->Texture->GetTexture());
    EXPECT_EQ(draws[2].state.textures[0], f2->Texture->GetTexture());
    EXPECT_EQ(draws[0].state.renderStates[gpu::Rs::AlphaTestEnable], 1u);

    BeginFrame();
    layer.Render(12345);
    EndFrame();
    ASSERT_EQ(rec->Draws().size(), 1u);
    EXPECT_EQ(rec->Draws()[0].primCount, 8u);

    layer.Remove(t3);
    layer.Remove(CSharedPtr<CTextSprite>());  // no empty entry: nothing happens
    EXPECT_EQ(layer.Count(), 4u);
    EXPECT_EQ(t3.UseCount(), 1u);
}

TEST_F(TextLayerTest, BlendingFogAndExpiry) {
    auto font = MakeFont(MakeTexture("F"));
    CTextLayer layer(device, vb, ib);
    CSharedPtr<CTextSprite> plain(new CTextSprite(font));
    plain->SetText("a");
    plain->Blending = 0;
    CSharedPtr<CTextSprite> glow(new CTextSprite(font));
    glow->SetText("a");
    glow->DestBlend = gpu::Blend::One;
    layer.Add(plain);
    layer.Add(glow);

    device->SetRenderState(gpu::Rs::FogEnable, 1);
    device->SetRenderState(gpu::Rs::FogColor, 0x00123456);
    BeginFrame();
    layer.Render(-1);
    EndFrame();
    const auto& draws = rec->Draws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].state.renderStates[gpu::Rs::AlphaBlendEnable], 0u);
    EXPECT_EQ(draws[1].state.renderStates[gpu::Rs::AlphaBlendEnable], 1u);
    EXPECT_EQ(draws[1].state.renderStates[gpu::Rs::DestBlend], gpu::Blend::One);
    EXPECT_EQ(draws[1].state.renderStates[gpu::Rs::FogColor], 0u) << "no fog tint on a glow";
    EXPECT_EQ(RenderState(gpu::Rs::FogColor), 0x00123456u) << "restored";

    glow->Moving = 1;
    glow->Lifetime = 0.5f;
    layer.Update(0.4f);
    EXPECT_EQ(layer.Count(), 2u);
    layer.Update(0.2f);
    ASSERT_EQ(layer.Count(), 1u);
    EXPECT_TRUE(layer.GetItems()[0] == plain);

    // A text too long for the buffers fails its lock and ends the pass cleanly.
    CSharedPtr<CTextSprite> huge(new CTextSprite(font));
    huge->SetText(std::string(vertexCapacity / 4 + 1, 'a'));
    layer.Add(huge);
    BeginFrame();
    layer.Render(-1);
    EndFrame();
    EXPECT_EQ(rec->Draws().size(), 1u);
    EXPECT_EQ(vb->GetLockCount(), 0u);
}

} // namespace
