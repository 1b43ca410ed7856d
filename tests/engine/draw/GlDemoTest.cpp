// A small scene drawn through the renderer on the OpenGL back end (offscreen):
// a sprite, a glowing quad and a line of text, checked in the back buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/BitmapFont.h"
#include "engine/IndexBuffer.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/TextLayer.h"
#include "engine/TextSprite.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "support/CapturedLog.h"
#include "support/GlScene.h"

namespace {

uint8_t Ch(uint32_t c, int shift) {
    return static_cast<uint8_t>(c >> shift);
}

class GlDemoTest : public ::testing::Test, public testsupport::GlScene {
protected:
    void SetUp() override { Open("engine demo"); }
    void TearDown() override { Close(); }

    testsupport::CapturedLog objectLog_;
};

TEST_F(GlDemoTest, SpritesQuadsAndTextLandWhereTheyShould) {
    const auto& vb = renderer_->GetSharedVertexBuffer();
    const auto& ib = renderer_->GetSharedIndexBuffer();
    auto white = Texture("white", 4, 4, [](uint32_t, uint32_t) { return 0xFFFFFFFFu; });
    renderer_->SetClearColor(0x00000000);

    // Sprites: an opaque red square, and a blended half-transparent blue one
    // partly over it.
    CSharedPtr<CSpriteLayer> sprites(new CSpriteLayer(device_, vb, ib));
    sprites->Add(
        CSharedPtr<CSpriteQuad>(new CSpriteQuad(-300, 200, 0, 100, 100, 0xFFFF0000, white, 0)));
    CSharedPtr<CSpriteQuad> glass(new CSpriteQuad(-250, 200, -1, 100, 100, 0x800000FF, white, 1));
    sprites->Add(glass);
    renderer_->SetSpriteLayer(0, sprites);

    // A glowing green quad, fully faded in.
    CSharedPtr<CQuadLayer> quads(new CQuadLayer(device_, vb, ib));
    CSharedPtr<CQuad> glow(new CQuad(300, 200, 0, white, 0x0000FF00));
    glow->SetScale(80, 80);
    glow->FlickerAmplitude = 0.0f;
    quads->Add(glow);
    quads->Update(1.0f);
    renderer_->SetQuadLayer(2, quads);

    // Text in a home-made font: every glyph is a bar filling the left half of
    // its cell; the right half of the font picture is transparent.
    auto fontPicture = Texture("___Font_Demo", 8, 8, [](uint32_t x, uint32_t) {
        return x < 4 ? 0xFFFFFFFFu : 0x00000000u;
    });
    CSharedPtr<CBitmapFont> font(new CBitmapFont(fontPicture));
    for (CFontGlyph& g : font->Glyphs) {
        g = CFontGlyph{};
        g.Width = 1.0f;
        g.Height = 1.0f;
        g.Advance = 1.0f;
        g.Top = 0.0f;
        g.URight = 1.0f;
        g.VBottom = 1.0f;
    }
    font->SpaceAdvance = 1.0f;
    CSharedPtr<CTextLayer> texts(new CTextLayer(device_, vb, ib));
    CSharedPtr<CTextSprite> text(new CTextSprite(font));
    text->ScaleX = text->ScaleY = 40.0f;
    text->Colour = 0xFFFFFF00;
    text->Position = CVector3(-100, -100, 0);
    text->SetText("ABC");
    texts->Add(text);
    renderer_->SetTextLayer(texts);

    ASSERT_EQ(renderer_->RenderScene(), 0);
    ReadBack();
    ASSERT_FALSE(pixels_.empty());

    auto isRgb = [](uint32_t c, int r, int g, int b, int tol = 3) {
        auto near = [tol](int x, int y) { return x - y <= tol && y - x <= tol; };
        return near(Ch(c, 16), r) && near(Ch(c, 8), g) && near(Ch(c, 0), b);
    };
    EXPECT_TRUE(isRgb(At(-330, 220), 255, 0, 0)) << std::hex << At(-330, 220);
    EXPECT_TRUE(isRgb(At(-270, 200), 127, 0, 128, 4))
        << "blue glass over red: " << std::hex << At(-270, 200);
    EXPECT_TRUE(isRgb(At(-210, 200), 0, 0, 128, 4)) << "glass over black";
    EXPECT_TRUE(isRgb(At(300, 200), 0, 255, 0)) << "the glow adds green";
    EXPECT_TRUE(isRgb(At(300, 260), 0, 0, 0)) << "outside the quad";
    EXPECT_TRUE(isRgb(At(0, 0), 0, 0, 0));

    // The text: bars in the left half of each 40-unit cell, gaps between them,
    // and nothing outside its extents.
    ASSERT_NEAR(text->ExtentRight, 120.0f, 1e-3);
    for (int i = 0; i < 3; ++i) {
        const float cell = -100.0f + 40.0f * i;
        EXPECT_TRUE(isRgb(At(cell + 10, -120), 255, 255, 0)) << "bar " << i;
        EXPECT_TRUE(isRgb(At(cell + 30, -120), 0, 0, 0)) << "gap " << i;
    }
    EXPECT_TRUE(isRgb(At(-110, -120), 0, 0, 0));
    EXPECT_TRUE(isRgb(At(-80, -150), 0, 0, 0)) << "below the line";
}

TEST_F(GlDemoTest, LoadingAndSplashFramesFillTheScreen) {
    auto picture = Texture("loading", 16, 16, [](uint32_t, uint32_t y) {
        return y < 12 ? 0xFF808080u : 0xFF00FF00u; // picture above, bar graphic below
    });
    ASSERT_EQ(renderer_->RenderLoadingScreen(picture, 0.5f), 0);
    ReadBack();
    EXPECT_EQ(Ch(At(0, 200), 8), 0x80) << "the picture";
    EXPECT_EQ(At(-100, -280) & 0xFFFFFF, 0x00FF00u) << "the bar, half drawn";
    EXPECT_EQ(At(100, -280) & 0xFFFFFF, 0x808080u) << "past its end the picture shows";

    ASSERT_EQ(renderer_->RenderSplash(picture, 0.5f), 0);
    ReadBack();
    EXPECT_NEAR(Ch(At(0, 200), 8), 0x40, 2) << "grey 127 times the picture";
}

} // namespace
