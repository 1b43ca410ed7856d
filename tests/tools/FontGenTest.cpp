// The font generator: files the game can load, textures and descriptions that
// agree, sensible metrics, deterministic output, and a fallback when the
// preferred font files are missing or broken.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TextPreview.h"
#include "engine/BitmapFont.h"
#include "platform/image/Image.h"
#include "support/TempDir.h"
#include "tools/gen/FontGen.h"
#include "tools/lib/ImageWriter.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

// The font names of AdditionalFonts.lst, read the way the game reads it: each
// line cut at its newline, trimmed, one pair of quotes stripped, trimmed again;
// an empty line ends the list.
std::vector<std::string> ReadFontList(const fs::path& path) {
    std::vector<std::string> names;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    auto trim = [](std::string s) {
        const size_t a = s.find_first_not_of(" \t");
        if (a == std::string::npos)
            return std::string();
        return s.substr(a, s.find_last_not_of(" \t") - a + 1);
    };
    while (std::getline(in, line)) {
        std::string name = trim(line);
        if (!name.empty() && name.front() == '"')
            name.erase(0, 1);
        if (!name.empty() && name.back() == '"')
            name.pop_back();
        name = trim(name);
        if (name.empty())
            break;
        names.push_back(name);
    }
    return names;
}

struct LoadedFont {
    std::string name;
    std::unique_ptr<CBitmapFont> font;
    img::Image texture;
};

struct TexelRect {
    int x0, y0, x1, y1;
};

// A glyph's texel rectangle; fails the test when its edges are not on texel
// boundaries.
TexelRect RectOf(const CFontGlyph& g, const img::Image& tex, int code, const std::string& font) {
    auto texel = [&](float t, int size) {
        const float v = t * float(size);
        EXPECT_NEAR(v, std::round(v), 1e-3) << font << " glyph " << code;
        return int(std::lround(v));
    };
    return {texel(g.ULeft, tex.width), texel(g.VTop, tex.height), texel(g.URight, tex.width),
            texel(g.VBottom, tex.height)};
}

uint8_t AlphaAt(const img::Image& tex, int x, int y) {
    return tex.rgba[(size_t(y) * size_t(tex.width) + size_t(x)) * 4 + 3];
}

bool IsPowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

fs::path DejaVu() { return gen::FindFontFile({"DejaVuSans.ttf"}, gen::SystemFontFolders()); }

class GeneratedFonts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempDir;
        result_ = gen::GenerateFonts(folder_->Root());
        const fs::path dir = folder_->Root() / "Data" / "Fonts";
        std::vector<std::string> names = {"Font"};
        for (const std::string& n : ReadFontList(dir / "AdditionalFonts.lst"))
            names.push_back(n);
        fonts_ = new std::vector<LoadedFont>;
        for (const std::string& n : names) {
            LoadedFont f;
            f.name = n;
            f.font = std::make_unique<CBitmapFont>(CSharedPtr<CTexture>());
            loaded_ &= f.font->LoadDescription((dir / (n + ".uxd")).string()) == 1;
            loaded_ &= img::DecodeFile((dir / (n + ".tga")).string(), f.texture) ==
                       img::DecodeError::None;
            fonts_->push_back(std::move(f));
        }
    }
    static void TearDownTestSuite() {
        delete fonts_;
        delete folder_;
        fonts_ = nullptr;
        folder_ = nullptr;
    }
    void SetUp() override {
        ASSERT_EQ(result_, 0);
        ASSERT_TRUE(loaded_) << "the engine refused a generated font";
    }
    static fs::path FontsDir() { return folder_->Root() / "Data" / "Fonts"; }

    static TempDir* folder_;
    static int result_;
    static bool loaded_;
    static std::vector<LoadedFont>* fonts_;
};

TempDir* GeneratedFonts::folder_ = nullptr;
int GeneratedFonts::result_ = -1;
bool GeneratedFonts::loaded_ = true;
std::vector<LoadedFont>* GeneratedFonts::fonts_ = nullptr;

TEST_F(GeneratedFonts, EveryListedFontHasBothFilesAndTheExactDescriptionSize) {
    // The main font plus at least a display face.
    ASSERT_GE(fonts_->size(), 2u);
    ASSERT_LE(fonts_->size(), 4u);
    for (const LoadedFont& f : *fonts_) {
        EXPECT_EQ(fs::file_size(FontsDir() / (f.name + ".uxd")), 12312u) << f.name;
        EXPECT_TRUE(fs::is_regular_file(FontsDir() / (f.name + ".tga"))) << f.name;
    }
    // Plain "\n" line ends: a '\r' would become part of the name.
    EXPECT_EQ(ReadFile(FontsDir() / "AdditionalFonts.lst").find('\r'), std::string::npos);
}

TEST_F(GeneratedFonts, TexturesAgreeWithTheirDescriptions) {
    for (const LoadedFont& f : *fonts_) {
        const CBitmapFont& font = *f.font;
        const img::Image& tex = f.texture;
        SCOPED_TRACE(f.name);
        EXPECT_TRUE(tex.hasAlpha);
        EXPECT_TRUE(IsPowerOfTwo(tex.width) && IsPowerOfTwo(tex.height));
        EXPECT_EQ(font.Header1, tex.width);
        EXPECT_EQ(font.Header2, tex.height);
        ASSERT_GT(font.Header3, 0);
        EXPECT_EQ(font.Header4, font.Header3);
        const float unit = float(font.Header3);  // texels per font unit

        std::vector<uint8_t> owned(size_t(tex.width) * size_t(tex.height), 0);
        std::vector<TexelRect> rects;
        for (int code = 0; code < 256; ++code) {
            const CFontGlyph& g = font.Glyphs[code];
            if (g.Width <= 0 && g.Height <= 0)
                continue;
            const TexelRect r = RectOf(g, tex, code, f.name);
            ASSERT_TRUE(r.x0 >= 0 && r.y0 >= 0 && r.x1 <= tex.width && r.y1 <= tex.height &&
                        r.x0 < r.x1 && r.y0 < r.y1)
                << "glyph " << code;
            // On screen at scale == character height one texel is one pixel.
            EXPECT_NEAR(g.Width * unit, float(r.x1 - r.x0), 1e-3) << "glyph " << code;
            EXPECT_NEAR(g.Height * unit, float(r.y1 - r.y0), 1e-3) << "glyph " << code;
            // At least one free texel between pictures, so filtering never
            // reaches a neighbour.
            for (const TexelRect& o : rects)
                EXPECT_FALSE(r.x0 - 1 < o.x1 && o.x0 < r.x1 + 1 && r.y0 - 1 < o.y1 &&
                             o.y0 < r.y1 + 1)
                    << "glyph " << code << " touches another picture";
            rects.push_back(r);
            // The picture's own border is transparent, so its quad's edge is clean.
            for (int x = r.x0; x < r.x1; ++x)
                EXPECT_TRUE(AlphaAt(tex, x, r.y0) == 0 && AlphaAt(tex, x, r.y1 - 1) == 0)
                    << "glyph " << code;
            for (int y = r.y0; y < r.y1; ++y)
                EXPECT_TRUE(AlphaAt(tex, r.x0, y) == 0 && AlphaAt(tex, r.x1 - 1, y) == 0)
                    << "glyph " << code;
            for (int y = r.y0; y < r.y1; ++y)
                for (int x = r.x0; x < r.x1; ++x)
                    owned[size_t(y) * tex.width + x] = 1;
        }
        EXPECT_GT(rects.size(), 180u);
        size_t stray = 0;
        for (int y = 0; y < tex.height; ++y)
            for (int x = 0; x < tex.width; ++x)
                stray += !owned[size_t(y) * tex.width + x] && AlphaAt(tex, x, y) != 0;
        EXPECT_EQ(stray, 0u) << "texels outside every glyph are not transparent";
    }
}

TEST_F(GeneratedFonts, MetricsSuitTheTextLayout) {
    for (const LoadedFont& f : *fonts_) {
        const CBitmapFont& font = *f.font;
        SCOPED_TRACE(f.name);
        const CFontGlyph* g = font.Glyphs;
        for (int code = 33; code <= 126; ++code) {
            EXPECT_GT(g[code].Advance, 0.05f) << "glyph " << code;
            EXPECT_LT(g[code].Advance, 2.0f) << "glyph " << code;
            EXPECT_GT(g[code].Width, 0.0f) << "glyph " << code << " has no picture";
            // Pictures sit on the line: within half a line above or below it.
            EXPECT_GT(g[code].Top, -0.5f) << "glyph " << code;
            EXPECT_LT(g[code].Top + g[code].Height, 1.5f) << "glyph " << code;
        }
        // Blanks move the pen and draw nothing.
        EXPECT_GT(g[32].Advance, 0.1f);
        EXPECT_EQ(g[32].Width, 0.0f);
        EXPECT_EQ(font.SpaceAdvance, g[32].Advance);
        EXPECT_EQ(g[160].Advance, g[32].Advance);
        EXPECT_FLOAT_EQ(g['\t'].Advance, 4 * g[32].Advance);
        for (int code : {0, 10, 11, 127, 0x81, 0x8D})
            EXPECT_EQ(g[code].Advance, 0.0f) << "code " << code;
        // Typographic punctuation of the game's 8-bit texts.
        for (int code : {0x85, 0x91, 0x92, 0x93, 0x94, 0x96, 0x97, 0xE9, 0xFC})
            EXPECT_GT(g[code].Width, 0.0f) << "code " << code;
        // Fixed pitch fits every digit.
        float widest = 0;
        for (int code = '0'; code <= '9'; ++code)
            widest = std::max(widest, g[code].Advance);
        EXPECT_EQ(font.CellWidth, widest);
        // A line of capitals is about one character height tall.
        EXPECT_GT(g['H'].Height, 0.5f);
        EXPECT_LT(g['H'].Height, 1.5f);
    }
}

TEST_F(GeneratedFonts, ASecondRunWritesTheSameBytes) {
    TempDir again;
    ASSERT_EQ(gen::GenerateFonts(again.Root()), 0);
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(FontsDir())) {
        const fs::path other = again.Root() / "Data" / "Fonts" / entry.path().filename();
        ASSERT_TRUE(fs::exists(other)) << other;
        EXPECT_TRUE(ReadFile(entry.path()) == ReadFile(other)) << entry.path().filename();
        ++files;
    }
    EXPECT_EQ(files, 1 + 2 * fonts_->size());
}

// Draws a sample in every font over dark and light backdrops. With
// GV_FONT_PREVIEW set to a file name the picture is saved as PNG to look at.
TEST_F(GeneratedFonts, SampleTextLandsWhereTheLayoutPutsIt) {
    const int lineHeight = 120;
    PreviewCanvas canvas(1024, lineHeight * int(fonts_->size()) * 2, 0, 0, 0);
    const uint8_t dark[2][3] = {{22, 46, 34}, {48, 30, 54}};
    const uint8_t light[2][3] = {{236, 222, 190}, {196, 170, 120}};
    const uint8_t gold[3] = {255, 214, 120};
    const uint8_t white[3] = {255, 255, 255};
    const uint8_t ink[3] = {70, 40, 20};
    int row = 0;
    for (const LoadedFont& f : *fonts_) {
        SCOPED_TRACE(f.name);
        const bool display = f.name != "Font";
        const float scale = display ? 54.0f : 30.0f;
        const char* text = display ? "The Lost Temple \x96 Level 12"
                                   : "Score 12 480  \x93" "Find the golden idol!\x94 \xC9t\xE9 \xE0 Quetzal";
        for (int backdrop = 0; backdrop < 2; ++backdrop, ++row) {
            const int y0 = row * lineHeight;
            canvas.Gradient(y0, y0 + lineHeight, backdrop ? light[0] : dark[0],
                            backdrop ? light[1] : dark[1]);
            const uint8_t* tint = backdrop ? ink : (display ? gold : white);
            float penEnd = 0;
            const float x = 24, y = float(y0) + 20;
            const InkBox box =
                DrawPreviewText(canvas, *f.font, f.texture, text, x, y, scale, tint, &penEnd);
            ASSERT_FALSE(box.Empty());
            // Ink starts near the pen and ends near the last advance; it stays
            // about within the line (shadows may spill a little).
            EXPECT_NEAR(float(box.left), x, 0.15f * scale);
            EXPECT_NEAR(float(box.right), penEnd, 0.3f * scale);
            EXPECT_GE(float(box.top), y - 0.3f * scale);
            EXPECT_LE(float(box.bottom), y + 1.3f * scale);
            // Body text well below the font's own size.
            if (!display) {
                EXPECT_FALSE(DrawPreviewText(canvas, *f.font, f.texture,
                                             "Match three tokens of one colour to clear them.",
                                             x, y + 50, 18, tint)
                                 .Empty());
            }
        }
    }
    if (const char* out = std::getenv("GV_FONT_PREVIEW")) {
        tk::PixelView view{canvas.rgb.data(), canvas.width, canvas.height, 3};
        EXPECT_TRUE(tk::WritePng(out, view));
    }
}

// A font without shadow or outline: white everywhere, the coverage in alpha.
gen::FontStyle PlainStyle(int width, int height) {
    gen::FontStyle style;
    style.atlasWidth = width;
    style.atlasHeight = height;
    style.maxPixelSize = 40;
    return style;
}

// Where a character's ink (alpha over half) starts and ends, in line heights
// from the top of the line.
struct Ink {
    float top = 0, bottom = 0;
};
Ink InkRows(const gen::FontAtlas& atlas, int code) {
    const gen::GlyphMetrics& g = atlas.description.glyphs[size_t(code)];
    const int x0 = int(std::lround(g.uLeft * atlas.width));
    const int x1 = int(std::lround(g.uRight * atlas.width));
    const int y0 = int(std::lround(g.vTop * atlas.height));
    const int y1 = int(std::lround(g.vBottom * atlas.height));
    int first = -1, last = -1;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (atlas.rgba[(size_t(y) * atlas.width + x) * 4 + 3] > 128) {
                first = first < 0 ? y - y0 : first;
                last = y - y0;
            }
    const float line = float(atlas.lineHeight);
    return {g.top + float(first) / line, g.top + float(last + 1) / line};
}

TEST(FontRaster, PlainGlyphsAreWhiteWithCoverageInAlphaAndShareOneBaseline) {
    const fs::path file = DejaVu();
    ASSERT_FALSE(file.empty()) << "DejaVu Sans is not installed";
    gen::FontAtlas atlas;
    std::string error;
    ASSERT_TRUE(gen::RasteriseFont(file.string(), PlainStyle(512, 256), atlas, error)) << error;
    EXPECT_EQ(atlas.missing, 0);
    size_t covered = 0, notWhite = 0;
    for (size_t i = 0; i < atlas.rgba.size(); i += 4) {
        covered += atlas.rgba[i + 3] != 0;
        notWhite += atlas.rgba[i] != 255 || atlas.rgba[i + 1] != 255 || atlas.rgba[i + 2] != 255;
    }
    EXPECT_GT(covered, 5000u);
    EXPECT_EQ(notWhite, 0u) << "colour must not be premultiplied or fade at the edges";

    // The lowest inked row of letters without descenders lies on one baseline.
    auto baseline = [&](int code) { return InkRows(atlas, code).bottom; };
    const float base = baseline('H');
    EXPECT_NEAR(base, float(atlas.ascent) / float(atlas.lineHeight), 1.5f / atlas.lineHeight);
    for (int code : {'E', 'x', 'n', 'L', 'z', '1'})
        EXPECT_NEAR(baseline(code), base, 1.5f / atlas.lineHeight) << char(code);
    // And 'g' reaches below it.
    EXPECT_GT(baseline('g'), base + 0.1f);
}

// A number reads level: in every game font each digit stands on the
// baseline and reaches the height of the others, whatever figures the face
// draws by default.
TEST(FontRaster, EveryGameFontDrawsLiningFigures) {
    for (const gen::FontRecipe& recipe : gen::GameFonts()) {
        gen::FontRecipe plain = recipe;
        plain.style = PlainStyle(512, 256);
        plain.style.liningFigures = recipe.style.liningFigures;
        gen::FontAtlas atlas;
        fs::path used;
        std::string error;
        ASSERT_TRUE(gen::BuildFont(plain, gen::SystemFontFolders(), atlas, used, error)) << error;
        const float texel = 1.0f / float(atlas.lineHeight);
        const Ink zero = InkRows(atlas, '0');
        EXPECT_GT(zero.bottom - zero.top, 0.4f) << used;
        for (int code = '1'; code <= '9'; ++code) {
            const Ink ink = InkRows(atlas, code);
            EXPECT_NEAR(ink.top, zero.top, 1.5f * texel) << char(code) << " of " << used;
            EXPECT_NEAR(ink.bottom, zero.bottom, 1.5f * texel) << char(code) << " of " << used;
        }
    }
}

TEST(FontRaster, UnusableInputFailsCleanly) {
    TempDir folder;
    gen::FontAtlas atlas;
    std::string error;
    EXPECT_FALSE(gen::RasteriseFont((folder.Root() / "none.ttf").string(), PlainStyle(256, 256),
                                    atlas, error));
    EXPECT_FALSE(error.empty());

    const fs::path junk = folder.Root() / "junk.ttf";
    std::ofstream(junk, std::ios::binary) << "OTTO this is not really a font";
    error.clear();
    EXPECT_FALSE(gen::RasteriseFont(junk.string(), PlainStyle(256, 256), atlas, error));
    EXPECT_FALSE(error.empty());

    // Too small a texture for even the smallest size.
    const fs::path file = DejaVu();
    ASSERT_FALSE(file.empty());
    error.clear();
    EXPECT_FALSE(gen::RasteriseFont(file.string(), PlainStyle(32, 32), atlas, error));
    EXPECT_FALSE(error.empty());
    // Absurd sizes are refused up front.
    EXPECT_FALSE(gen::RasteriseFont(file.string(), PlainStyle(1 << 20, 16), atlas, error));
}

// The package's copyright names every font the atlases are drawn from on
// this machine, and DejaVu, which any machine may fall back to.
TEST(FontChoice, ThePackageCopyrightNamesEveryFontDrawnFrom) {
    // A face file's name starts with its family; the copyright names the family.
    const std::pair<const char*, const char*> families[] = {
        {"Lato", "Lato"},           {"RomandeADF", "Romande ADF"},
        {"DejaVu", "DejaVu"},       {"OpenSans", "Open Sans"},
        {"Cantarell", "Cantarell"}, {"LinLibertine", "Linux Libertine"},
        {"EBGaramond", "EB Garamond"},
    };
    const std::string copyright = ReadFile(GV_SOURCE_DIR "/packaging/copyright");
    ASSERT_FALSE(copyright.empty());
    std::vector<std::string> used = {"DejaVuSans.ttf"};
    for (const gen::FontRecipe& recipe : gen::GameFonts()) {
        const fs::path file = gen::FindFontFile(recipe.faceFiles, gen::SystemFontFolders());
        if (!file.empty())
            used.push_back(file.filename().string());
    }
    for (const std::string& file : used) {
        const char* family = nullptr;
        for (const auto& [prefix, name] : families)
            if (file.rfind(prefix, 0) == 0)
                family = name;
        ASSERT_NE(family, nullptr) << file << ": which family?";
        EXPECT_NE(copyright.find(std::string("the ") + family + " font"), std::string::npos)
            << file;
    }
}

TEST(FontChoice, FallsBackPastMissingAndBrokenFilesToDejaVu) {
    TempDir folder;
    fs::create_directories(folder.Root() / "b" / "deep");
    fs::create_directories(folder.Root() / "a");
    std::ofstream(folder.Root() / "b" / "deep" / "Face.ttf") << "x";
    std::ofstream(folder.Root() / "a" / "Face.ttf") << "x";
    // Missing names are skipped; of two copies the smallest path wins.
    EXPECT_EQ(gen::FindFontFile({"Nothing.ttf", "Face.ttf"}, {folder.Root()}),
              folder.Root() / "a" / "Face.ttf");
    EXPECT_TRUE(
        gen::FindFontFile({"Nothing.ttf"}, {folder.Root(), folder.Root() / "gone"}).empty());

    // A broken preferred file is passed over; DejaVu ends every chain.
    gen::FontRecipe recipe;
    recipe.name = "Test";
    recipe.faceFiles = {"Nothing.ttf", "Face.ttf"};
    recipe.style = PlainStyle(512, 256);
    std::vector<fs::path> folders = {folder.Root()};
    for (const fs::path& system : gen::SystemFontFolders())
        folders.push_back(system);
    gen::FontAtlas atlas;
    fs::path used;
    std::string error;
    ASSERT_TRUE(gen::BuildFont(recipe, folders, atlas, used, error)) << error;
    EXPECT_EQ(used.filename(), "DejaVuSans.ttf");
    EXPECT_GT(atlas.pictures, 180);

    // With nothing usable at all the build fails and says why.
    EXPECT_FALSE(gen::BuildFont(recipe, {folder.Root()}, atlas, used, error));
    EXPECT_NE(error.find("Face.ttf"), std::string::npos);
}

TEST(FontWriter, WritesTheDescriptionLittleEndianInFieldOrder) {
    gen::FontDescription d;
    d.header[0] = 512;
    d.header[2] = -3;
    d.spaceAdvance = 0.25f;
    d.cellWidth = 0.5f;
    d.glyphs[255].top = 1.0f;
    d.glyphs[1].advance = 2.0f;
    const std::vector<uint8_t> bytes = gen::EncodeFontDescription(d);
    ASSERT_EQ(bytes.size(), 12312u);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0x02);
    EXPECT_EQ(bytes[8], 0xFD);
    EXPECT_EQ(bytes[11], 0xFF);
    EXPECT_EQ(bytes[19], 0x3E);  // 0.25f = 0x3E800000
    EXPECT_EQ(bytes[23], 0x3F);  // 0.5f = 0x3F000000
    EXPECT_EQ(bytes[24 + 48 + 6 * 4 + 3], 0x40);  // glyph 1, field 6: 2.0f
    EXPECT_EQ(bytes[12312 - 1], 0x3F);             // glyph 255, field 11: 1.0f

    // The engine reads back what was written.
    TempDir folder;
    const fs::path path = folder.Root() / "T.uxd";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    CBitmapFont font{CSharedPtr<CTexture>()};
    ASSERT_EQ(font.LoadDescription(path.string()), 1);
    EXPECT_EQ(font.Header1, 512);
    EXPECT_EQ(font.Header3, -3);
    EXPECT_EQ(font.CellWidth, 0.5f);
    EXPECT_EQ(font.Glyphs[1].Advance, 2.0f);
    EXPECT_EQ(font.Glyphs[255].Top, 1.0f);
}

}  // namespace
