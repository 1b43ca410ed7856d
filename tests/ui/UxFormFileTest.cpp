// Form files: every message with its line, the colour and case rules, the
// scaling into the virtual screen, and building with INTERRUPT pauses.
#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "engine/SpriteQuad.h"
#include "engine/StringTable.h"
#include "engine/TextSprite.h"
#include "support/RecordingScene.h"
#include "support/TempDir.h"
#include "ui/UxButton.h"
#include "ui/UxForm.h"
#include "ui/UxFormFile.h"
#include "ui/UxScroller.h"

namespace uitest {
namespace {

const char kButtonArt[] = "TEXTURE Btn STATE NORMAL 0 0 1 0 1 1 0 1 ";

class UxFormFileTest : public ::testing::Test, public testsupport::RecordingScene {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Open());
        for (const char* name : {"Skin", "Sides", "Back", "Btn"})
            MakeTexture(name);
        dir_.Write("Strings.txt", "STRINGS UXF Greeting \"Hello there\" Empty \"\"");
        dir_.Write("TextID.dat", "");
        ASSERT_EQ(LoadStringTable(dir_.Path("Strings.txt"), dir_.Path("TextID.dat")), 1);
    }
    void TearDown() override { Close(); }

    // Loads the text as a form file; Load's result.
    int32_t Load(CUxFormFile& loader, const std::string& text) {
        path_ = dir_.Write("Form.uxf", text);
        return loader.Load(path_, CUxFormFile::kScreenLeft, CUxFormFile::kScreenTop);
    }

    testsupport::TempDir dir_;
    std::string path_;
};

struct BadForm {
    const char* text;
    std::string message;
};

TEST_F(UxFormFileTest, EveryFaultHasItsMessageAndLine) {
    std::string elements;
    for (int i = 0; i < 1025; ++i)
        elements += "ELEMENT STATIC { }\n";
    const BadForm cases[] = {
        {"SCREENWIDTH 1024\n\nfoo 1", "Unexpected token \"FOO\", line 3"},
        {"TILING\n  x", "Unexpected token \"x\", line 2"},
        {"ELEMENT widget {", "Unexpected token \"WIDGET\", line 1"},
        {"ELEMENT BUTTON id Ok\nnotBrace", "Unexpected token \"notBrace\", line 2"},
        {"ELEMENT BUTTON Ok {", "Unexpected token \"OK\", line 1"},
        {"ELEMENT STATIC {\nSTATE pressed 0 0 0 0 0 0 0 0 }",
         "Unexpected token \"PRESSED\", line 2"},
        {"ELEMENT BUTTON {\n\nSCROLLERSIZE 10 10 }", "Unexpected token \"SCROLLERSIZE\", line 3"},
        {"ELEMENT BUTTON { TEXTSTATE NORMAL FFFFFFFF }", "Unexpected token \"NORMAL\", line 1"},
        {"ELEMENT STATIC { VERTICAL }", "Unexpected token \"VERTICAL\", line 1"},
        {"ELEMENT STATIC { ALIGNMENT middle }", "Unexpected token \"MIDDLE\", line 1"},
        {"ELEMENT STATIC { FILTER glow }", "Unexpected token \"GLOW\", line 1"},
        {"ELEMENT STATIC", "Unexpected end of file"},
        {"POSITION 1 2", "Unexpected end of file"},
        {"TILING { CORNERS Skin", "Unexpected end of file"},
        {"ELEMENT STATIC { TEXT", "Unexpected end of file"},
        {"COLOR", "Wrong color, line 1"},
        {"COLOR ( 255, 0, 0 )\nSIZE 1 1", "Wrong color, line 2"},
        {"ELEMENT STATIC { TEXTCOLOR ( 1 2 3", "Wrong color, line 1"},
        {"SIZE 1e30 1", "Unknown error"},
        {"ELEMENT STATIC { ZORDER 2000000000 }", "Unknown error"},
        {elements.c_str(), "Unknown error"},
        {"TILING { CORNERS Skin SIDES Sides }", "Not all tiling textures set"},
        {"ELEMENT STATIC { TEXTURE Btn }", "Normal state not found"},
        {"ELEMENT BUTTON { STATE OVER 0 0 0 0 0 0 0 0 }", "Normal state not found"},
        {"ELEMENT SCROLLER { }", "Normal state not found"},
        {"ELEMENT STATIC { STATE NORMAL 0 0 0 0 0 0 0 0 }", "Texture name not set"},
        {"ELEMENT SCROLLER { TEXTURE Btn STATE NORMAL 0 0 0 0 0 0 0 0 }",
         "Scroller state not found"},
        {"ELEMENT PROGRESSBAR { TEXTURE Btn STATE NORMAL 0 0 0 0 0 0 0 0 }",
         "Progress state not found"},
        {"SCREENWIDTH 0.5", "ScreenWidth is too small"},
        {"SCREENWIDTH none", "ScreenWidth is too small"},
        {"DEFINE OkButton 7 ELEMENT BUTTON ID okbutton { }", "ID okbutton not found"},
        {"TILING { CORNERS Skin SIDES Gone BACKGROUND Back }", "Texture Gone not found"},
        {"ELEMENT STATIC { TEXTURE \"Nope\" STATE NORMAL 0 0 0 0 0 0 0 0 }",
         "Texture Nope not found"},
    };
    for (const BadForm& c : cases) {
        CUxFormFile loader(device);
        EXPECT_EQ(Load(loader, c.text), 0) << c.text;
        EXPECT_EQ(loader.Message, c.message) << c.text;
        EXPECT_EQ(loader.Detail.rfind("Form file " + path_, 0), 0u) << loader.Detail;
    }
    CUxFormFile missing(device);
    EXPECT_EQ(missing.Load(dir_.Path("none.uxf"), 0.0f, 0.0f), 0);
    EXPECT_EQ(missing.Message, "Unable to open file " + dir_.Path("none.uxf"));

    // What passes: nothing at all, a text-only static, the edge of the width.
    for (const char* good : {"", "# only a comment\n", "ELEMENT STATIC { TEXT \"a\" }",
                             "SCREENWIDTH 1", "COLOR ( 1, 2, 3, 4 ) ELEMENT BUTTON { }"}) {
        CUxFormFile loader(device);
        EXPECT_EQ(Load(loader, good), 1) << good << ": " << loader.Message;
    }
}

// A word the file wrote in quotes keeps its own quotes in the messages; a bare
// word is put in quotes. Neither shows them doubled.
TEST_F(UxFormFileTest, TokensAreQuotedOnceInTheMessages) {
    const struct {
        const char* text;
        const char* message;
        const char* reason; // the end of Detail, after the file and line
    } cases[] = {
        {"\"POSITION\" 1 2", "Unexpected token \"POSITION\", line 1",
         ", line 1: \"POSITION\" is not a statement of a form"},
        {"POSITION 1 2 0\nfoo", "Unexpected token \"FOO\", line 2",
         ", line 2: \"FOO\" is not a statement of a form"},
        {"\"\"", "Unexpected token \"\", line 1", ", line 1: \"\" is not a statement of a form"},
        {"ELEMENT STATIC {\n \"text\" }", "Unexpected token \"TEXT\", line 2",
         ", line 2: \"TEXT\" is not a statement of a STATIC element"},
        {"ELEMENT BUTTON { bogus }", "Unexpected token \"BOGUS\", line 1",
         ", line 1: \"BOGUS\" is not a statement of a BUTTON element"},
        {"TILING \"{\"", "Unexpected token \"{\", line 1", ", line 1: TILING is followed by \"{\""},
        {"ELEMENT \"static\" {", "Unexpected token \"STATIC\", line 1",
         ", line 1: ELEMENT takes STATIC, BUTTON, CHECKBOX, SCROLLER or PROGRESSBAR"},
    };
    for (const auto& c : cases) {
        CUxFormFile loader(device);
        EXPECT_EQ(Load(loader, c.text), 0) << c.text;
        EXPECT_EQ(loader.Message, c.message) << c.text;
        EXPECT_EQ(loader.Detail, "Form file " + path_ + c.reason) << c.text;
    }
}

TEST_F(UxFormFileTest, ReadsScalesAndBuildsAForm) {
    CUxFormFile loader(device);
    ASSERT_EQ(Load(loader, "screenwidth 512\n"
                           "POSITION 156 117 0.35 SIZE 200 150\n"
                           "COLOR ( 255, 128, 0, 50% )\n"
                           "TILING { FOO 3 CORNERS \"Skin\" SIDES Sides BACKGROUND Back\n"
                           "         HTILE 32 12 VTILE 16 64 }\n"
                           "ELEMENT button ID OkButton {\n"
                           "  position 0 0 0 SIZE 50 25 PICTURE 5 2.5 0 PICTURESIZE 10 10\n"
                           "  TEXT \"Hello\" TEXT Greeting TEXT Empty\n"
                           "  TEXTSHADOWSHIFT 4 -4 COLOR (300 -5 0 255)\n"
                           "  TEXTURE \"Btn\" TEXTURESIZE 256 128\n"
                           "  STATE NORMAL 0 0 128 0 128 64 0 64\n"
                           "  STATE pressed 128 0 256 0 256 64 128 64\n"
                           "  TEXTSTATE OVER FFFFFF CHARSIZE 2 3 INTERVAL 1.25 FILTER add\n"
                           "}\n"
                           "DEFINE OkButton 7 DEFINE OkButton 8\n"),
              1)
        << loader.Message;
    const CUxFormDesc& d = loader.Desc;
    EXPECT_EQ(d.Colour, 0x7FFF8000u);
    EXPECT_FLOAT_EQ(d.Placed[0], 0.0f);
    EXPECT_FLOAT_EQ(d.Placed[1], 0.0f);
    EXPECT_FLOAT_EQ(d.ScaledTiling[3], 128.0f);
    ASSERT_EQ(d.Elements.size(), 1u);
    const CUxElementDesc& e = *d.Elements[0];
    EXPECT_EQ(e.ControlId, 7) << "the first DEFINE wins, even after its use";
    EXPECT_EQ(e.Colour, 0xFFFF0000u);
    EXPECT_EQ(e.Text, "Hello\nHello there\nEmpty");
    EXPECT_FLOAT_EQ(e.Placed[0], -150.0f);
    EXPECT_FLOAT_EQ(e.Placed[1], 125.0f);
    EXPECT_FLOAT_EQ(e.ScaledSize[0], 100.0f);
    EXPECT_FLOAT_EQ(e.PictureOffset[0], -30.0f);
    EXPECT_FLOAT_EQ(e.PictureOffset[1], 10.0f);
    EXPECT_FLOAT_EQ(e.ScaledPictureSize[1], 20.0f);
    EXPECT_FLOAT_EQ(e.ShadowOffset[0], 8.0f);
    EXPECT_FLOAT_EQ(e.ShadowOffset[1], -8.0f);
    EXPECT_FLOAT_EQ(e.States[0].Normalised[5], 0.5f);
    EXPECT_FLOAT_EQ(e.CharSize[1], 3.0f);
    EXPECT_EQ(e.States[CUxElementDesc::kOver].TextColour, 0x00FFFFFFu);

    CSharedPtr<CSpriteLayer> sprites = Sprites();
    ASSERT_EQ(loader.CreateForm(sprites, Texts(), {UnitFont(16)}, 4), 1);
    const CUxForm& form = *loader.Form;
    EXPECT_EQ(form.ZOrder, 3);
    EXPECT_FLOAT_EQ(form.Position.X, -1.0f) << "half a design pixel left and up";
    EXPECT_FLOAT_EQ(form.Position.Y, 1.0f);
    EXPECT_EQ(form.Pictures.size(), 9u);
    int32_t interrupted = -1;
    ASSERT_EQ(loader.CreateControls(&interrupted), 1);
    EXPECT_EQ(interrupted, 0);
    ASSERT_EQ(form.Children.size(), 1u);
    auto* button = dynamic_cast<CUxButton*>(form.Children[0].Get());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->Id, 7);
    EXPECT_EQ(button->ZOrder, 3);
    EXPECT_FLOAT_EQ(button->Position.X, -151.0f);
    EXPECT_EQ(button->PressedFrame, 1);
    EXPECT_EQ(button->HasOverTextColour, 1);
    EXPECT_EQ(button->Texts.size(), 2u);
    EXPECT_FLOAT_EQ(button->TextCharSizes[1].H, 64.0f) << "font height 32 times CHARSIZE 2";
    EXPECT_EQ(button->Texts[1]->PassTag, 4);
    EXPECT_FLOAT_EQ(button->Pictures[0]->Position.X, -181.0f);
    EXPECT_EQ(button->Pictures[0]->DestBlend, gpu::Blend::One) << "FILTER ADD";
}

TEST_F(UxFormFileTest, BuildingPausesAfterEveryInterrupt) {
    CUxFormFile loader(device);
    ASSERT_EQ(Load(loader, std::string("POSITION 0 0 -0.05\n"
                                       "ELEMENT STATIC { TEXT a FONT 3 }\n"
                                       "ELEMENT STATIC { INTERRUPT 7 FONT 1 }\n"
                                       "ELEMENT SCROLLER { ") +
                               kButtonArt +
                               "STATE SCROLLER 0 0 1 0 1 1 0 1 FILTER SCREEN INTERRUPT 9 }\n"),
              1)
        << loader.Message;
    CSharedPtr<CBitmapFont> f0 = UnitFont(10), f1 = UnitFont(20);
    ASSERT_EQ(loader.CreateForm(Sprites(), Texts(), {f0, f1}, 1), 1);
    EXPECT_EQ(loader.Form->ZOrder, -1);
    int32_t interrupted = 0;
    ASSERT_EQ(loader.CreateControls(&interrupted), 1);
    EXPECT_EQ(interrupted, 1);
    EXPECT_EQ(loader.InterruptCode, 7);
    EXPECT_EQ(loader.Form->Children.size(), 2u);
    EXPECT_TRUE(loader.InterruptControl == loader.Form->Children[1]);
    auto* first = dynamic_cast<CUxStatic*>(loader.Form->Children[0].Get());
    EXPECT_TRUE(first->Texts[0]->GetFont() == f0) << "a font past the list is font 0";
    EXPECT_FLOAT_EQ(first->ScaleX, 1.0f) << "an element without SIZE is not scaled by 0 / 0";
    EXPECT_FLOAT_EQ(first->Texts[0]->Position.X, -512.5f) << "the top-left corner";
    auto* second = dynamic_cast<CUxStatic*>(loader.Form->Children[1].Get());
    EXPECT_TRUE(second->Texts[0]->GetFont() == f1);

    ASSERT_EQ(loader.CreateControls(&interrupted), 1);
    EXPECT_EQ(interrupted, 1);
    EXPECT_EQ(loader.InterruptCode, 9);
    auto* scroller = dynamic_cast<CUxScroller*>(loader.InterruptControl.Get());
    ASSERT_NE(scroller, nullptr);
    EXPECT_EQ(scroller->Pictures[1]->SrcBlend, gpu::Blend::One) << "every picture filtered";
    ASSERT_EQ(loader.CreateControls(&interrupted), 1);
    EXPECT_EQ(interrupted, 0) << "after the last element nothing is left to build";
    EXPECT_EQ(loader.Form->Children.size(), 3u);

    // A type no reader makes stops building.
    CUxFormFile bad(device);
    ASSERT_EQ(Load(bad, "ELEMENT STATIC { } ELEMENT STATIC { }"), 1);
    bad.Desc.Elements[1]->Type = 9;
    bad.CreateForm(Sprites(), Texts(), {f0}, 0);
    EXPECT_EQ(bad.CreateControls(&interrupted), 0);
    EXPECT_EQ(bad.Message, "Bad FormFile data. Fatal");
    EXPECT_EQ(bad.Form->Children.size(), 1u);
}

} // namespace
} // namespace uitest
