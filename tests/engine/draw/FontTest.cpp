// The font description file and the list of further fonts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/BitmapFont.h"
#include "engine/FontList.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/draw/DrawFixture.h"
#include "support/CapturedLog.h"
#include "tools/lib/ImageWriter.h"

using testsupport::CapturedLog;
using testsupport::TempDir;

namespace {

void PutWord(std::string& out, uint32_t w) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((w >> (8 * i)) & 0xFF);
}
void PutFloat(std::string& out, float f) {
    uint32_t w;
    std::memcpy(&w, &f, 4);
    PutWord(out, w);
}

// A description whose glyph c has advance c / 10 and top offset c.
std::string Description(float spaceAdvance = 99.0f) {
    std::string out;
    for (uint32_t h : {1u, 2u, 30u, static_cast<uint32_t>(-4)})
        PutWord(out, h);
    PutFloat(out, spaceAdvance);
    PutFloat(out, 7.5f);
    for (int c = 0; c < 256; ++c) {
        const float g[12] = {1, 2, 3, 4, 5, 6, c / 10.0f, 0.25f, 0.5f, 0.75f, 1.0f, float(c)};
        for (float f : g)
            PutFloat(out, f);
    }
    return out;
}

TEST(FontDescription, ReadsAllFieldsAndTakesTheSpaceAdvanceFromGlyph32) {
    TempDir dir;
    const std::string bytes = Description();
    ASSERT_EQ(bytes.size(), 12312u);
    CBitmapFont font{CSharedPtr<CTexture>()};
    // Trailing bytes are not read.
    ASSERT_EQ(font.LoadDescription(dir.Write("Font.uxd", bytes + "extra")), 1);
    EXPECT_EQ(font.Header1, 1);
    EXPECT_EQ(font.Header3, 30);
    EXPECT_EQ(font.Header4, -4);
    EXPECT_EQ(font.Header4f, -4.0f);
    EXPECT_FLOAT_EQ(font.SpaceAdvance, 3.2f) << "not the 99 of the header";
    EXPECT_EQ(font.CellWidth, 7.5f);
    EXPECT_FLOAT_EQ(font.Glyphs[65].Advance, 6.5f);
    EXPECT_EQ(font.Glyphs[255].Top, 255.0f);
    EXPECT_EQ(font.Glyphs[0].Width, 1.0f);
    EXPECT_EQ(font.Glyphs[0].Left, 3.0f);
    EXPECT_EQ(font.Glyphs[9].URight, 0.75f);
}

TEST(FontDescription, ShortOrMissingFilesFailAndKeepWhatWasRead) {
    TempDir dir;
    const std::string bytes = Description();
    CBitmapFont font{CSharedPtr<CTexture>()};
    EXPECT_EQ(font.LoadDescription(dir.Write("cut.uxd", bytes.substr(0, 12311))), 0);
    EXPECT_EQ(font.Header2, 2);
    EXPECT_FLOAT_EQ(font.Glyphs[254].Advance, 25.4f) << "the whole records before the cut";
    EXPECT_EQ(font.Glyphs[255].Top, 0.0f) << "the cut record is left alone";
    EXPECT_FLOAT_EQ(font.SpaceAdvance, 99.0f);

    CBitmapFont other{CSharedPtr<CTexture>()};
    for (size_t len : {0u, 3u, 17u, 24u, 100u}) {
        std::string fault;
        EXPECT_EQ(other.LoadDescription(dir.Write("short.uxd", bytes.substr(0, len)), &fault), 0)
            << len;
        EXPECT_EQ(fault, "the file holds " + std::to_string(len) + " bytes, 12312 expected");
    }
    EXPECT_EQ(other.LoadDescription(dir.Path("none.uxd")), 0);
    EXPECT_EQ(other.LoadDescription(dir.Path("")), 0) << "a folder is no font";
}

class FontListTest : public drawtest::DrawFixture {
protected:
    void WriteFont(const std::string& name, bool withDescription = true) {
        const uint8_t pixels[4 * 4 * 4] = {};
        tk::PixelView view{pixels, 4, 4, 4};
        ASSERT_TRUE(tk::WriteTga(dir.Path(name + ".tga"), view));
        if (withDescription)
            dir.Write(name + ".uxd", Description());
    }
    std::string Folder() const { return dir.Path("") ; }

    TempDir dir;
    CapturedLog log{dir};
    std::vector<CSharedPtr<CBitmapFont>> fonts;
};

TEST_F(FontListTest, LoadsListedFontsAndRegistersTheirTextures) {
    WriteFont("Big");
    WriteFont("Small");
    WriteFont("NoDesc", false);
    WriteFont("After");
    dir.Write("AdditionalFonts.lst", "  \"Big\"  \r\nSmall\t\nNoDesc\nAfter\n\n Never\n");
    EXPECT_EQ(LoadAdditionalFonts(*device, Folder(), dir.Path("AdditionalFonts.lst"), fonts), 3);
    ASSERT_EQ(fonts.size(), 3u);
    EXPECT_EQ(fonts[0]->Texture->GetName(), "___Font_Big");
    EXPECT_EQ(fonts[2]->Texture->GetName(), "___Font_After");
    EXPECT_FLOAT_EQ(fonts[1]->SpaceAdvance, 3.2f);
    EXPECT_GE(device->FindTexture("___Font_Small"), 0);
    EXPECT_EQ(device->FindTexture("___Font_Never"), -1) << "the blank line ended the list";
    EXPECT_NE(log.Text().find("Unable to load NoDesc.uxd\n  in " + Folder() +
                              "NoDesc.uxd: the file cannot be opened\n"),
              std::string::npos)
        << log.Text();
}

TEST_F(FontListTest, BlankFirstLineMissingTextureAndMissingList) {
    WriteFont("Big");
    dir.Write("blank.lst", "\nBig\n");
    EXPECT_EQ(LoadAdditionalFonts(*device, Folder(), dir.Path("blank.lst"), fonts), 0);
    dir.Write("quotes.lst", "\"\"\nBig\n");
    EXPECT_EQ(LoadAdditionalFonts(*device, Folder(), dir.Path("quotes.lst"), fonts), 0)
        << "an empty quoted name ends the list too";
    dir.Write("missing.lst", "Gone\nBig\n");
    EXPECT_EQ(LoadAdditionalFonts(*device, Folder(), dir.Path("missing.lst"), fonts), 0)
        << "a missing texture ends the list";
    EXPECT_NE(log.Text().find("  in " + dir.Path("missing.lst") + ", line 1: no font texture Gone.tga"),
              std::string::npos)
        << log.Text();
    EXPECT_EQ(LoadAdditionalFonts(*device, Folder(), dir.Path("nolist.lst"), fonts), 0);
    EXPECT_TRUE(fonts.empty());
    // A line longer than 511 characters is read in pieces; none of them is a font.
    dir.Write("long.lst", std::string(600, 'x') + "\n");
    EXPECT_EQ(LoadAdditionalFonts(*device, Folder(), dir.Path("long.lst"), fonts), 0);
}

} // namespace
