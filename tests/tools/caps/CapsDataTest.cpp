// The caps data the generator writes: every file the caps manager loads, in the
// sizes and layouts the animation file declares, loadable by the game's own
// loaders; clean cell gutters and edges; tokens that differ in outline and
// colour; animation frames that really animate; the same bytes on every run.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CapsPreview.h"
#include "engine/RenderDevice.h"
#include "engine/TextTokenizer.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "platform/image/Image.h"
#include "playfield/CapsAnimation.h"
#include "playfield/CapsManager.h"
#include "support/CapturedLog.h"
#include "support/RecordingScene.h"
#include "support/TempDir.h"
#include "tools/gen/CapsCards.h"
#include "tools/gen/CapsGen.h"
#include "tools/gen/CapsLayout.h"
#include "tools/lib/ImageWriter.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

const char* const kSpriteFiles[] = {"Caps.png", "Caps_d.png", "MemCaps1.tga", "MemCaps2.tga", "MemCaps3.tga"};
const char* const kLightFiles[] = {"Caps_l.tga", "MemCaps1_l.tga", "MemCaps2_l.tga", "MemCaps3_l.tga"};
const char* const kAllFiles[] = {"Caps.png",       "Caps_d.png",     "Caps_l.tga",     "MemCaps1.tga",
                                 "MemCaps2.tga",   "MemCaps3.tga",   "MemCaps1_l.tga", "MemCaps2_l.tga",
                                 "MemCaps3_l.tga", "CursorAdd.bmp",  "Chain.png"};

// One block of the animation file as written.
struct Block {
    int width = 0, height = 0;
    std::vector<gen::PixelRect> frames;
    std::vector<int> track;
};

// Reads the animation file by its grammar: 17 blocks of TEXTURESIZE w h, FRAME
// lines numbered 0, 1, 2 ..., TRACK ( f ... ) with every entry a defined frame.
// Any violation is reported as a test failure with the line number.
std::vector<Block> ParseAnimationFile(const std::string& text) {
    struct Token {
        std::string text;
        int line;
    };
    std::vector<Token> tokens;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string word;
        while (words >> word)
            tokens.push_back({word, number});
    }
    std::vector<Block> blocks;
    size_t i = 0;
    const auto next = [&]() -> const Token* { return i < tokens.size() ? &tokens[i++] : nullptr; };
    const auto number = [&](int& out) {
        const Token* t = next();
        if (!t || t->text.find_first_not_of("0123456789") != std::string::npos) {
            ADD_FAILURE() << "number expected at line " << (t ? t->line : -1);
            return false;
        }
        out = std::atoi(t->text.c_str());
        return true;
    };
    while (blocks.size() < size_t(gen::kCapsRecordCount)) {
        Block b;
        const Token* t = next();
        if (!t || t->text != "TEXTURESIZE") {
            ADD_FAILURE() << "block " << blocks.size() << ": TEXTURESIZE expected";
            return blocks;
        }
        if (!number(b.width) || !number(b.height))
            return blocks;
        for (t = next(); t && t->text == "FRAME"; t = next()) {
            int n = 0;
            gen::PixelRect r;
            if (!number(n) || !number(r.x0) || !number(r.y0) || !number(r.x1) || !number(r.y1))
                return blocks;
            EXPECT_EQ(n, int(b.frames.size())) << "frame out of sequence at line " << t->line;
            b.frames.push_back(r);
        }
        if (!t || t->text != "TRACK" || !(t = next()) || t->text != "(") {
            ADD_FAILURE() << "TRACK ( expected in block " << blocks.size();
            return blocks;
        }
        for (t = next(); t && t->text != ")"; t = next()) {
            const int f = std::atoi(t->text.c_str());
            EXPECT_TRUE(f >= 0 && f < int(b.frames.size())) << "track entry " << f << " at line " << t->line;
            b.track.push_back(f);
        }
        EXPECT_TRUE(t != nullptr) << "track not closed";
        EXPECT_FALSE(b.track.empty()) << "empty track in block " << blocks.size();
        blocks.push_back(b);
    }
    EXPECT_EQ(i, tokens.size()) << "tokens after the 17th block";
    return blocks;
}

uint8_t AlphaAt(const img::Image& im, int x, int y) { return im.rgba[(size_t(y) * size_t(im.width) + size_t(x)) * 4 + 3]; }
const uint8_t* TexelAt(const img::Image& im, int x, int y) {
    return &im.rgba[(size_t(y) * size_t(im.width) + size_t(x)) * 4];
}

// Texels of `r` whose alpha is at least `threshold`.
std::vector<bool> Mask(const img::Image& im, const gen::PixelRect& r, int threshold) {
    std::vector<bool> m;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x)
            m.push_back(AlphaAt(im, x, y) >= threshold);
    return m;
}

double Overlap(const std::vector<bool>& a, const std::vector<bool>& b) {
    int both = 0, either = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        both += a[i] && b[i];
        either += a[i] || b[i];
    }
    return either ? double(both) / double(either) : 1.0;
}

// Mean straight colour (0..255) and count of the texels of `r` with alpha 255.
struct Stats {
    double r = 0, g = 0, b = 0;
    int opaque = 0;
    double Luma() const { return 0.299 * r + 0.587 * g + 0.114 * b; }
    double Chroma() const { return std::max({r, g, b}) - std::min({r, g, b}); }
};
Stats Measure(const img::Image& im, const gen::PixelRect& q) {
    Stats s;
    for (int y = q.y0; y < q.y1; ++y)
        for (int x = q.x0; x < q.x1; ++x) {
            const uint8_t* t = TexelAt(im, x, y);
            if (t[3] != 255)
                continue;
            s.r += t[0];
            s.g += t[1];
            s.b += t[2];
            ++s.opaque;
        }
    if (s.opaque) {
        s.r /= s.opaque;
        s.g /= s.opaque;
        s.b /= s.opaque;
    }
    return s;
}

// Width (columns holding any texel above half alpha) of a frame.
int OpaqueWidth(const img::Image& im, const gen::PixelRect& r) {
    int cols = 0;
    for (int x = r.x0; x < r.x1; ++x) {
        bool any = false;
        for (int y = r.y0; y < r.y1 && !any; ++y)
            any = AlphaAt(im, x, y) >= 128;
        cols += any;
    }
    return cols;
}

class CapsData : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempDir();
        std::string error;
        written_ = gen::WriteCaps(folder_->Root(), error);
        error_ = error;
        images_ = new std::map<std::string, img::Image>();
        if (!written_)
            return;
        for (const char* name : kAllFiles) {
            img::Image im;
            if (img::DecodeFile((Gfx() / name).string(), im) == img::DecodeError::None)
                (*images_)[name] = std::move(im);
        }
    }
    static void TearDownTestSuite() {
        delete images_;
        delete folder_;
        images_ = nullptr;
        folder_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(written_) << error_; }

    static fs::path Gfx() { return folder_->Root() / "Data" / "Gfx"; }
    static const img::Image& Image(const std::string& name) {
        static const img::Image empty;
        const auto it = images_->find(name);
        return it == images_->end() ? empty : it->second;
    }
    // The sprite atlas of record r (normal look) and its light atlas.
    static const img::Image& SpriteOf(int r) {
        return r < gen::kTokenRecords ? Image("Caps.png")
                                      : Image("MemCaps" + std::to_string(gen::MemoryAtlasOf(r) + 1) + ".tga");
    }
    static const img::Image& LightOf(int r) {
        return r < gen::kTokenRecords ? Image("Caps_l.tga")
                                      : Image("MemCaps" + std::to_string(gen::MemoryAtlasOf(r) + 1) + "_l.tga");
    }
    static std::vector<Block> Blocks() {
        return ParseAnimationFile(ReadFile(folder_->Root() / "Data" / "CapsAnimation.dat"));
    }

    // The checks, grouped into tests below (each test process makes the data
    // once, which is the slow part).
    void EveryTextureDecodesInItsSize();
    void AnimationFileDescribesTheAtlases();
    void CapsManagerLoadsTexturesAndAnimations();
    void CellGuttersAreClear();
    void EdgesCarryTheirColour();
    void LightsMatchTheirPictures();
    void TokenOutlinesDiffer();
    void ColoursDifferAndDarkVariantsAreDimmed();
    void TokenFramesAnimateInsideTheOutline();
    void CardsTurnAndDiffer();
    void CardsShowWhatTheRulesName();
    void ChainPicturesLieWhereTheyAreRead();
    void PreviewSheetComposes();

    static TempDir* folder_;
    static bool written_;
    static std::string error_;
    static std::map<std::string, img::Image>* images_;
};

TempDir* CapsData::folder_ = nullptr;
bool CapsData::written_ = false;
std::string CapsData::error_;
std::map<std::string, img::Image>* CapsData::images_ = nullptr;

void CapsData::EveryTextureDecodesInItsSize() {
    for (const char* name : kAllFiles)
        ASSERT_TRUE(images_->count(name)) << name << " missing or unreadable";
    for (const char* name : {"Caps.png", "Caps_d.png", "Caps_l.tga"}) {
        EXPECT_EQ(Image(name).width, gen::kTokenAtlasSize) << name;
        EXPECT_EQ(Image(name).height, gen::kTokenAtlasSize) << name;
        EXPECT_TRUE(Image(name).hasAlpha) << name;
    }
    for (int m = 1; m <= gen::kMemoryAtlases; ++m)
        for (const std::string& name : {"MemCaps" + std::to_string(m) + ".tga", "MemCaps" + std::to_string(m) + "_l.tga"}) {
            EXPECT_EQ(Image(name).width, gen::kMemoryAtlasSize) << name;
            EXPECT_EQ(Image(name).height, gen::kMemoryAtlasSize) << name;
            EXPECT_TRUE(Image(name).hasAlpha) << name;
        }
    EXPECT_EQ(Image("Chain.png").width, gen::kChainWidth);
    EXPECT_EQ(Image("Chain.png").height, gen::kChainHeight);
    EXPECT_TRUE(Image("Chain.png").hasAlpha);
    EXPECT_EQ(Image("CursorAdd.bmp").width, gen::kCursorLightSize);
    EXPECT_EQ(Image("CursorAdd.bmp").height, gen::kCursorLightSize);
}

void CapsData::AnimationFileDescribesTheAtlases() {
    const std::vector<Block> blocks = Blocks();
    ASSERT_EQ(blocks.size(), size_t(gen::kCapsRecordCount));
    for (int r = 0; r < gen::kCapsRecordCount; ++r) {
        const Block& b = blocks[size_t(r)];
        // The stated size is the size of both atlases the record is drawn from.
        EXPECT_EQ(b.width, SpriteOf(r).width) << "record " << r;
        EXPECT_EQ(b.height, SpriteOf(r).height) << "record " << r;
        EXPECT_EQ(b.width, LightOf(r).width) << "record " << r;
        for (const gen::PixelRect& q : b.frames) {
            EXPECT_TRUE(q.x0 >= 0 && q.y0 >= 0 && q.x1 <= b.width && q.y1 <= b.height) << "record " << r;
            EXPECT_GT(q.Width(), 8);
            EXPECT_EQ(q.Width(), q.Height()) << "frames are drawn on square quads";
        }
    }
    // The bonus boards set a card's track position from its glow level: the
    // back shows positions 0 and 1, a picture positions 0 to 2.
    EXPECT_GE(blocks[gen::kBackRecord].track.size(), 2u);
    for (int r = gen::kTokenRecords; r < gen::kBackRecord; ++r)
        EXPECT_GE(blocks[size_t(r)].track.size(), 3u) << "record " << r;
    // A token at rest shows the first position of its track: its rest frame.
    for (int r = 0; r < gen::kTokenRecords; ++r)
        EXPECT_EQ(blocks[size_t(r)].track.front(), 0);
}

// The game's own loaders read the data without a complaint.
void CapsData::CapsManagerLoadsTexturesAndAnimations() {
    const testsupport::CapturedLog captured(*folder_);
    testsupport::ApiPtr api = testsupport::MakeRecordingApi();
    ASSERT_NE(api, nullptr);
    {
        CSharedPtr<CRenderDevice> device(new CRenderDevice(api.get(), 0));
        ASSERT_EQ(testsupport::CreateWindowed(*device), gpu::kOk);
        CCapsManager caps(device, CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>());
        EXPECT_EQ(caps.LoadTextures(Gfx().string() + "/"), 1);
        EXPECT_EQ(caps.LoadCapsAnimation((folder_->Root() / "Data").string() + "/"), 1);
        const std::vector<Block> blocks = Blocks();
        ASSERT_EQ(caps.GetAnimations().size(), size_t(gen::kCapsRecordCount));
        ASSERT_EQ(blocks.size(), size_t(gen::kCapsRecordCount));
        for (size_t r = 0; r < blocks.size(); ++r) {
            const CCapAnimation& a = caps.GetAnimations()[r];
            ASSERT_EQ(a.Frames.size(), blocks[r].frames.size());
            EXPECT_EQ(a.Track, std::vector<int32_t>(blocks[r].track.begin(), blocks[r].track.end()));
            const gen::PixelRect& q = blocks[r].frames.back();
            EXPECT_FLOAT_EQ(a.Frames.back().Right, float(q.x1) / float(blocks[r].width));
            EXPECT_FLOAT_EQ(a.Frames.back().Bottom, float(q.y1) / float(blocks[r].height));
        }
        ASSERT_EQ(caps.GetCapsTextures().size(), 9u);
        EXPECT_EQ(caps.GetCapsTextures()[0]->GetWidth(), uint32_t(gen::kTokenAtlasSize));
    }
    api.reset();
    // Releasing textures is logged; anything that went wrong would be too.
    const std::string log = captured.Text();
    for (const char* complaint : {"Unable", "Unexpected", "Wrong", "Unknown", "rror"})
        EXPECT_EQ(log.find(complaint), std::string::npos) << log;
}

// Every frame keeps a transparent ring of two texels inside its rectangle, so
// filtering never reaches a neighbour; the same holds for the chain pictures
// and the cursor light fades to black before its border.
void CapsData::CellGuttersAreClear() {
    const std::vector<Block> blocks = Blocks();
    ASSERT_EQ(blocks.size(), size_t(gen::kCapsRecordCount));
    const auto ringClear = [](const img::Image& im, const gen::PixelRect& q, const std::string& what) {
        int dirty = 0;
        for (int y = q.y0; y < q.y1; ++y)
            for (int x = q.x0; x < q.x1; ++x) {
                const bool ring = x < q.x0 + 2 || x >= q.x1 - 2 || y < q.y0 + 2 || y >= q.y1 - 2;
                dirty += ring && AlphaAt(im, x, y) != 0;
            }
        EXPECT_EQ(dirty, 0) << what;
    };
    for (int r = 0; r < gen::kCapsRecordCount; ++r)
        for (size_t f = 0; f < blocks[size_t(r)].frames.size(); ++f) {
            const gen::PixelRect& q = blocks[size_t(r)].frames[f];
            const std::string what = "record " + std::to_string(r) + " frame " + std::to_string(f);
            ringClear(SpriteOf(r), q, what);
            ringClear(LightOf(r), q, what + " (light)");
            if (r < gen::kTokenRecords)
                ringClear(Image("Caps_d.png"), q, what + " (dark)");
        }
    for (const gen::PixelRect& q : {gen::kSingleChainRect, gen::kDoubleChainRect, gen::kLinkRect, gen::kSparkRect})
        ringClear(Image("Chain.png"), q, "chain picture");
    const img::Image& spot = Image("CursorAdd.bmp");
    const auto black = [&](int x, int y) {
        const uint8_t* t = TexelAt(spot, x, y);
        EXPECT_EQ(t[0] + t[1] + t[2], 0) << "cursor light border at " << x << "," << y;
    };
    for (int i = 0; i < spot.width; ++i) {
        black(i, 0);
        black(i, spot.height - 1);
        black(0, i);
        black(spot.width - 1, i);
    }
}

// Straight-alpha pictures: a transparent texel beside the picture carries the
// colour of its neighbours, so bilinear filtering never draws a dark fringe.
// Light pictures are added to the screen: their colour is premultiplied.
void CapsData::EdgesCarryTheirColour() {
    for (const char* name : {"Caps.png", "Caps_d.png", "MemCaps1.tga", "MemCaps2.tga", "MemCaps3.tga", "Chain.png"}) {
        const img::Image& im = Image(name);
        int checked = 0, off = 0;
        for (int y = 1; y + 1 < im.height; ++y)
            for (int x = 1; x + 1 < im.width; ++x) {
                if (AlphaAt(im, x, y) != 0)
                    continue;
                // Bilinear filtering mixes this texel into its neighbours in
                // proportion to their alpha: its colour should be their
                // alpha-weighted mean.
                double sum[3] = {0, 0, 0}, weight = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const uint8_t* t = TexelAt(im, x + dx, y + dy);
                        for (int c = 0; c < 3; ++c)
                            sum[c] += double(t[c]) * t[3];
                        weight += t[3];
                    }
                if (weight < 64)
                    continue;
                ++checked;
                const uint8_t* t = TexelAt(im, x, y);
                double diff = 0;
                for (int c = 0; c < 3; ++c)
                    diff = std::max(diff, std::fabs(t[c] - sum[c] / weight));
                off += diff > 48;
            }
        EXPECT_GT(checked, 100) << name;
        EXPECT_LE(off, checked / 50) << name << ": transparent edge texels with a foreign colour";
    }
    for (const char* name : kLightFiles) {
        const img::Image& im = Image(name);
        int bad = 0;
        for (size_t i = 0; i < im.rgba.size(); i += 4)
            bad += std::max({im.rgba[i], im.rgba[i + 1], im.rgba[i + 2]}) > im.rgba[i + 3];
        EXPECT_EQ(bad, 0) << name << ": colour above alpha in an additive picture";
    }
}

// A light atlas lies over its picture atlas texel for texel: it lights the
// token (or card) only where the token is, and all of it.
void CapsData::LightsMatchTheirPictures() {
    const std::pair<const char*, const char*> pairs[] = {{"Caps.png", "Caps_l.tga"},
                                                         {"Caps_d.png", "Caps_l.tga"},
                                                         {"MemCaps1.tga", "MemCaps1_l.tga"},
                                                         {"MemCaps2.tga", "MemCaps2_l.tga"},
                                                         {"MemCaps3.tga", "MemCaps3_l.tga"}};
    for (const auto& [picture, light] : pairs) {
        const img::Image &p = Image(picture), &l = Image(light);
        ASSERT_EQ(p.rgba.size(), l.rgba.size()) << light;
        int outside = 0, missing = 0;
        for (size_t i = 3; i < p.rgba.size(); i += 4) {
            outside += l.rgba[i] > p.rgba[i] + 1;
            missing += p.rgba[i] == 255 && l.rgba[i] < 250;
        }
        EXPECT_EQ(outside, 0) << light << " lights texels outside " << picture;
        EXPECT_EQ(missing, 0) << light << " leaves parts of " << picture << " unlit";
    }
}

// The seven colours must be told apart without colour: their outlines differ.
void CapsData::TokenOutlinesDiffer() {
    const std::vector<gen::CapsRecordLayout> records = gen::CapsRecords();
    std::vector<std::vector<bool>> masks;
    for (int r = 0; r < 8; ++r)
        masks.push_back(Mask(Image("Caps.png"), records[size_t(r)].frames[0], 128));
    for (int a = 0; a < 8; ++a) {
        const int area = int(std::count(masks[size_t(a)].begin(), masks[size_t(a)].end(), true));
        // Each token fills a fair part of its cell, no more than the cell.
        EXPECT_GT(area, gen::kTokenCell * gen::kTokenCell / 4) << "record " << a;
        for (int b = a + 1; b < 8; ++b)
            EXPECT_LT(Overlap(masks[size_t(a)], masks[size_t(b)]), 0.87) << "records " << a << " and " << b;
    }
}

// At board size the seven colours differ clearly in colour too, and every dark
// variant is the same picture, darker and greyer.
void CapsData::ColoursDifferAndDarkVariantsAreDimmed() {
    const std::vector<gen::CapsRecordLayout> records = gen::CapsRecords();
    std::vector<Stats> normal;
    for (int r = 0; r < 8; ++r) {
        const gen::PixelRect& q = records[size_t(r)].frames[0];
        normal.push_back(Measure(Image("Caps.png"), q));
        const Stats dark = Measure(Image("Caps_d.png"), q);
        EXPECT_EQ(Mask(Image("Caps.png"), q, 1), Mask(Image("Caps_d.png"), q, 1)) << "record " << r;
        EXPECT_LT(dark.Luma(), normal.back().Luma() * 0.75) << "record " << r;
        EXPECT_LT(dark.Chroma(), normal.back().Chroma() * 0.6 + 4) << "record " << r;
    }
    for (int a = 0; a < 7; ++a)
        for (int b = a + 1; b < 7; ++b) {
            const double d = std::sqrt(std::pow(normal[size_t(a)].r - normal[size_t(b)].r, 2) +
                                       std::pow(normal[size_t(a)].g - normal[size_t(b)].g, 2) +
                                       std::pow(normal[size_t(a)].b - normal[size_t(b)].b, 2));
            EXPECT_GT(d, 60.0) << "colours " << a << " and " << b;
        }
}

// The glint frames change the picture but never the outline; frame 0 is calm.
void CapsData::TokenFramesAnimateInsideTheOutline() {
    const std::vector<gen::CapsRecordLayout> records = gen::CapsRecords();
    const img::Image& caps = Image("Caps.png");
    for (int r = 0; r < gen::kTokenRecords; ++r) {
        const gen::PixelRect& rest = records[size_t(r)].frames[0];
        const std::vector<bool> outline = Mask(caps, rest, 1);
        double strongest = 0;
        for (int f = 1; f < gen::kTokenFrames; ++f) {
            const gen::PixelRect& q = records[size_t(r)].frames[size_t(f)];
            EXPECT_EQ(Mask(caps, q, 1), outline) << "record " << r << " frame " << f;
            double change = 0;
            for (int y = 0; y < q.Height(); ++y)
                for (int x = 0; x < q.Width(); ++x)
                    for (int c = 0; c < 3; ++c)
                        change += std::abs(TexelAt(caps, q.x0 + x, q.y0 + y)[c] - TexelAt(caps, rest.x0 + x, rest.y0 + y)[c]);
            strongest = std::max(strongest, change / (q.Width() * q.Height()));
        }
        EXPECT_GT(strongest, 4.0) << "record " << r << ": the glint is too faint to see";
    }
}

// A card turns: its frames along the track grow wider as the glow rises, the
// back narrows; every picture differs from the blank card and from the others.
void CapsData::CardsTurnAndDiffer() {
    const std::vector<Block> blocks = Blocks();
    ASSERT_EQ(blocks.size(), size_t(gen::kCapsRecordCount));
    for (int r = gen::kTokenRecords; r < gen::kCapsRecordCount; ++r) {
        const Block& b = blocks[size_t(r)];
        std::vector<int> widths;
        for (int t : b.track)
            widths.push_back(OpaqueWidth(SpriteOf(r), b.frames[size_t(t)]));
        for (size_t i = 1; i < widths.size(); ++i) {
            if (r == gen::kBackRecord) {
                EXPECT_LT(widths[i], widths[i - 1]) << "the back turns away";
            } else {
                EXPECT_GT(widths[i], widths[i - 1]) << "record " << r << " turns towards the player";
            }
        }
        EXPECT_GT(OpaqueWidth(SpriteOf(r), b.frames[0]), gen::kMemoryCell * 3 / 4) << "record " << r;
    }
    // Pictures against each other and the blank card (record 15).
    const auto difference = [&](int a, int c) {
        const gen::PixelRect &qa = blocks[size_t(a)].frames[0], &qc = blocks[size_t(c)].frames[0];
        int differ = 0;
        for (int y = 0; y < qa.Height(); ++y)
            for (int x = 0; x < qa.Width(); ++x) {
                const uint8_t* ta = TexelAt(SpriteOf(a), qa.x0 + x, qa.y0 + y);
                const uint8_t* tc = TexelAt(SpriteOf(c), qc.x0 + x, qc.y0 + y);
                int d = 0;
                for (int k = 0; k < 3; ++k)
                    d = std::max(d, std::abs(ta[k] - tc[k]));
                differ += d > 40;
            }
        return differ;
    };
    const int blank = gen::kBackRecord - 1;
    for (int a = gen::kTokenRecords; a < blank; ++a) {
        EXPECT_GT(difference(a, blank), 1500) << "record " << a << " hardly differs from the blank card";
        for (int c = a + 1; c < blank; ++c)
            EXPECT_GT(difference(a, c), 1500) << "records " << a << " and " << c;
    }
}

// The rules of the card challenges speak of cards that hide gems: the open
// card shows the board's gem of its colour (its outline and its colours, set
// in the middle of the card), and every thing the rules name is what the
// pictures show.
void CapsData::CardsShowWhatTheRulesName() {
    const std::vector<Block> blocks = Blocks();
    ASSERT_EQ(blocks.size(), size_t(gen::kCapsRecordCount));
    const int blank = gen::kBackRecord - 1, inset = (gen::kMemoryCell - gen::kCardGemSize) / 2;
    // Where token texel (x, y) lands on a card.
    const auto onCard = [&](const gen::PixelRect& card, int x, int y) {
        const double s = double(gen::kCardGemSize) / double(gen::kTokenCell);
        return std::pair<int, int>{card.x0 + inset + int((x + 0.5) * s),
                                   card.y0 + inset + int((y + 0.5) * s)};
    };
    // The mean colour of card `r` under the solid texels of token `colour`,
    // against the token's own; and how well the card's change from the blank
    // card matches the token's outline.
    const auto colourGap = [&](int r, int colour) {
        const gen::PixelRect& t = blocks[size_t(colour)].frames[0];
        double gap[3] = {}, n = 0;
        for (int y = 0; y < gen::kTokenCell; ++y)
            for (int x = 0; x < gen::kTokenCell; ++x) {
                const uint8_t* tok = TexelAt(Image("Caps.png"), t.x0 + x, t.y0 + y);
                if (tok[3] != 255)
                    continue;
                const auto [cx, cy] = onCard(blocks[size_t(r)].frames[0], x, y);
                const uint8_t* card = TexelAt(SpriteOf(r), cx, cy);
                for (int k = 0; k < 3; ++k)
                    gap[k] += double(card[k]) - double(tok[k]);
                ++n;
            }
        return n ? std::max({std::fabs(gap[0]), std::fabs(gap[1]), std::fabs(gap[2])}) / n : 255.0;
    };
    const auto outlineMatch = [&](int r, int colour) {
        const gen::PixelRect& t = blocks[size_t(colour)].frames[0];
        const gen::PixelRect &card = blocks[size_t(r)].frames[0], &empty = blocks[size_t(blank)].frames[0];
        std::vector<bool> gem, change;
        for (int y = 0; y < gen::kTokenCell; ++y)
            for (int x = 0; x < gen::kTokenCell; ++x) {
                gem.push_back(AlphaAt(Image("Caps.png"), t.x0 + x, t.y0 + y) >= 200);
                const auto [cx, cy] = onCard(card, x, y);
                const uint8_t* a = TexelAt(SpriteOf(r), cx, cy);
                const uint8_t* b = TexelAt(SpriteOf(blank), cx - card.x0 + empty.x0, cy - card.y0 + empty.y0);
                int d = 0;
                for (int k = 0; k < 3; ++k)
                    d = std::max(d, std::abs(a[k] - b[k]));
                change.push_back(d > 48);
            }
        return Overlap(gem, change);
    };
    bool gemsShow = true;
    for (int colour = 0; colour < 7; ++colour) {
        const int r = gen::kTokenRecords + colour;
        const double own = colourGap(r, colour);
        EXPECT_LT(own, 8.0) << "card " << r << " does not show the gem of colour " << colour;
        EXPECT_GT(outlineMatch(r, colour), 0.75) << "card " << r << " does not show the gem's outline";
        gemsShow = gemsShow && own < 8.0;
        int nearest = 0;
        for (int other = 1; other < 7; ++other)
            if (colourGap(r, other) < colourGap(r, nearest))
                nearest = other;
        EXPECT_EQ(nearest, colour) << "card " << r << " looks most like another gem";
    }
    // The rows of the back's silhouette a quarter and three quarters down.
    const gen::PixelRect& back = blocks[size_t(gen::kBackRecord)].frames[0];
    const auto rowWidth = [&](double at) {
        int y = back.y0 + int(at * back.Height()), w = 0;
        for (int x = back.x0; x < back.x1; ++x)
            w += AlphaAt(SpriteOf(gen::kBackRecord), x, y) >= 128;
        return w;
    };
    const int top = rowWidth(0.25), bottom = rowWidth(0.75);
    const bool cardShape = std::abs(top - bottom) <= 2 && top > gen::kMemoryCell * 3 / 4;
    const bool cupShape = top < bottom * 85 / 100;
    // What the rules name, and whether the pictures show it.
    const std::map<std::string, bool> shown = {
        {"gem", gemsShow}, {"card", cardShape}, {"cup", cupShape}, {"tablet", false},
        {"mask", false},   {"glyph", false},    {"symbol", false}};
    std::ifstream strings(std::string(GV_SOURCE_DIR) + "/data/Data/Txt/Strings.txt");
    ASSERT_TRUE(strings.good());
    int rules = 0;
    for (std::string line; std::getline(strings, line);) {
        const std::string key = line.substr(0, line.find_first_of(" \t"));
        const bool rule = key.rfind("TXT_HOW_", 0) == 0 || key.find("How") != std::string::npos;
        if (!rule || key.rfind("TXT_HOW_ACCURACY", 0) == 0 || key.rfind("Arcade", 0) == 0)
            continue;
        ++rules;
        std::string text = line.substr(line.find('"') + 1);
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        for (const auto& [word, ok] : shown)
            for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
                const bool starts = at == 0 || !std::isalpha((unsigned char)text[at - 1]);
                if (starts)
                    EXPECT_TRUE(ok) << key << " speaks of a " << word << " the pictures do not show";
            }
    }
    EXPECT_EQ(rules, 8) << "the rules of the three card challenges, in both places";
}

// The chain pass shows one ring for one chain and the ring plus a cross chain
// for two; the loose link and the spark are where the chain effects read them.
void CapsData::ChainPicturesLieWhereTheyAreRead() {
    const img::Image& chain = Image("Chain.png");
    const std::vector<bool> single = Mask(chain, gen::kSingleChainRect, 128);
    const std::vector<bool> both = Mask(chain, gen::kDoubleChainRect, 128);
    const long singleCount = std::count(single.begin(), single.end(), true);
    const long bothCount = std::count(both.begin(), both.end(), true);
    EXPECT_GT(singleCount, 800);
    EXPECT_GT(bothCount, singleCount + 200);
    // The middle of the token shows through one chain but not through two.
    const int c = gen::kSingleChainRect.Width() / 2;
    EXPECT_EQ(AlphaAt(chain, gen::kSingleChainRect.x0 + c, c), 0);
    EXPECT_GT(AlphaAt(chain, gen::kDoubleChainRect.x0 + c, c), 128);
    // The chain pass may read the alpha with one bit: the soft shadow beyond
    // the ring of links must then vanish, not turn solid.
    for (int y = 0; y < gen::kSingleChainRect.Height(); ++y)
        for (int x = 0; x < gen::kSingleChainRect.Width(); ++x)
            if (std::hypot(x + 0.5 - c, y + 0.5 - c) > 38.0) {
                EXPECT_LT(AlphaAt(chain, x, y), 128) << x << "," << y;
            }
    const std::vector<bool> link = Mask(chain, gen::kLinkRect, 128);
    EXPECT_GT(std::count(link.begin(), link.end(), true), 60);
    // The texture coordinates of the spark, as the chain effects give them.
    const int sx = int(0.734375f * gen::kChainWidth), sy = int(0.25f * gen::kChainHeight);
    const int ex = int(0.984375f * gen::kChainWidth), ey = int(0.75f * gen::kChainHeight);
    EXPECT_GT(AlphaAt(chain, (sx + ex) / 2, (sy + ey) / 2), 200);
    EXPECT_EQ(AlphaAt(chain, sx + 1, sy + 1), 0);
    // The chain pass reads u up to 0.71875 and v up to 0.71875.
    EXPECT_EQ(gen::kDoubleChainRect.x1, int(0.71875f * gen::kChainWidth));
    EXPECT_EQ(gen::kSingleChainRect.y1, int(0.71875f * gen::kChainHeight));
    // The cursor light is brightest in the middle and falls off outward.
    const img::Image& spot = Image("CursorAdd.bmp");
    int previous = 1000;
    for (int x = spot.width / 2; x < spot.width; x += 4) {
        const int v = TexelAt(spot, x, spot.height / 2)[1];
        EXPECT_LE(v, previous);
        previous = v;
    }
    EXPECT_GT(TexelAt(spot, spot.width / 2, spot.height / 2)[1], 200);
}

// The contact sheet renders; with GV_CAPS_PREVIEW set it is written there.
void CapsData::PreviewSheetComposes() {
    std::vector<uint8_t> rgb;
    int width = 0, height = 0;
    std::string error;
    ASSERT_TRUE(capspreview::ComposeSheet(folder_->Root().string(), rgb, width, height, error))
        << error;
    ASSERT_EQ(rgb.size(), size_t(width) * size_t(height) * 3);
    if (const char* out = std::getenv("GV_CAPS_PREVIEW")) {
        EXPECT_TRUE(tk::WritePng(out, {rgb.data(), width, height, 3}));
    }
}

TEST_F(CapsData, FilesLoadInTheLayoutTheyDeclare) {
    EveryTextureDecodesInItsSize();
    AnimationFileDescribesTheAtlases();
    CapsManagerLoadsTexturesAndAnimations();
}

TEST_F(CapsData, PicturesKeepClearGuttersAndEdges) {
    CellGuttersAreClear();
    EdgesCarryTheirColour();
    LightsMatchTheirPictures();
}

TEST_F(CapsData, TokensDifferInOutlineAndColour) {
    TokenOutlinesDiffer();
    ColoursDifferAndDarkVariantsAreDimmed();
}

TEST_F(CapsData, TokensAndCardsAnimate) {
    TokenFramesAnimateInsideTheOutline();
    CardsTurnAndDiffer();
}

TEST_F(CapsData, CardsShowTheGemsTheirRulesName) {
    CardsShowWhatTheRulesName();
}

TEST_F(CapsData, ChainsAndPreview) {
    ChainPicturesLieWhereTheyAreRead();
    PreviewSheetComposes();
}

TEST_F(CapsData, OutputIsDeterministic) {
    TempDir again;
    std::string error;
    ASSERT_TRUE(gen::WriteCaps(again.Root(), error)) << error;
    for (const char* name : kAllFiles)
        EXPECT_TRUE(ReadFile(Gfx() / name) == ReadFile(again.Root() / "Data" / "Gfx" / name))
            << name;
    EXPECT_EQ(ReadFile(folder_->Root() / "Data" / "CapsAnimation.dat"),
              ReadFile(again.Root() / "Data" / "CapsAnimation.dat"));
}

TEST(CapsGen, UnwritableFolderFailsCleanly) {
    TempDir folder;
    // "Data" exists as a file, so no folder can be made below it.
    std::ofstream(folder.Root() / "Data") << "not a folder";
    std::string error;
    EXPECT_FALSE(gen::WriteCaps(folder.Root(), error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
