// The menu forms of the assembled folder build through the toolkit with the
// textures of their list, and hold the controls the screens reach by code.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GameFolder.h"
#include "engine/BitmapFont.h"
#include "engine/FontList.h"
#include "engine/IniHelpers.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/StringTable.h"
#include "engine/TextLayer.h"
#include "engine/TextSprite.h"
#include "engine/Texture.h"
#include "platform/image/Image.h"
#include "platform/os/Path.h"
#include "playfield/QuestFieldLayout.h"
#include "tools/gen/ArtBoard.h"
#include "tools/gen/MenuFormLoad.h"
#include "tools/gen/MenuMap.h"
#include "tools/gen/MenuPages.h"
#include "totems/TotemPanel.h"
#include "ui/UxForm.h"
#include "ui/UxStatic.h"
#include "ui/UxWindow.h"

namespace {

using integrity::GameFolderTest;

// The game folder with what its forms need loaded: the texts, the fonts and
// the textures of Textures.lst.
class MenuFormsTest : public GameFolderTest {
protected:
    void SetUp() override {
        GameFolderTest::SetUp();
        ASSERT_EQ(LoadStringTable(Game(Paths.TxtPath + "Strings.txt"),
                                  Game(Paths.DataPath + "TextID.dat")),
                  1);
        const std::string fontsFolder = Game(Paths.FontsPath);
        Fonts = {CSharedPtr<CBitmapFont>(
            new CBitmapFont(LoadFontTexture(*Device, fontsFolder + "Font.tga", "___Font")))};
        ASSERT_EQ(Fonts[0]->LoadDescription(fontsFolder + "Font.uxd"), 1);
        LoadAdditionalFonts(*Device, fontsFolder, fontsFolder + "AdditionalFonts.lst", Fonts);
        ASSERT_TRUE(gen::ReadMenuTextureList(Game(Paths.FormsPath + "Textures.lst"), Textures));
        std::string error;
        ASSERT_TRUE(gen::LoadMenuTextures(*Device, Gfx(), Textures, error)) << error;
        Sprites = CSharedPtr<CSpriteLayer>(new CSpriteLayer(Device, Vertices, Indices));
        Texts = CSharedPtr<CTextLayer>(new CTextLayer(Device, Vertices, Indices));
    }
    gen::BuiltMenuForm Build(const std::string& path) {
        return gen::BuildMenuForm(Device, Sprites, Texts, Fonts, path);
    }

    std::vector<CSharedPtr<CBitmapFont>> Fonts;
    std::vector<gen::MenuTextureEntry> Textures;
    CSharedPtr<CSpriteLayer> Sprites;
    CSharedPtr<CTextLayer> Texts;
};

// Form -> code -> how many controls carry it: the lists and groups the
// screens index by position.
std::map<std::string, std::map<int, int>> BoundCodes() {
    std::map<std::string, std::map<int, int>> b = {
        {"MainMenu", {{1, 1}, {2, 1}, {11111, 1}, {11112, 1}, {11113, 1}}},
        {"MsgBox", {{1, 1}, {2, 1}, {100, 1}, {101, 2}, {102, 2}, {103, 2}, {104, 1}}},
        {"Options", {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}},
        {"Profiles", {{1, 6}}},
        {"NewProfile", {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}},
        {"HighScores", {{1, 10}, {2, 10}, {3, 10}}},
        {"StartQuest", {{1, 1}}},
        {"NewLevel", {{1, 1}}},
        // Each help page: its title, its text and its pictures.
        {"Help", {{1, 2 + 7}, {2, 2 + 5}, {3, 2 + 5}}},
        {"Quest",
         {{1, 1},
          {2, 1},
          {3, 4},
          {4, 1},
          {5, 1},
          {6, 1},
          {7, 1},
          {8, 2},
          {9, 1},
          {105, 5}, // the card's plaques, one per length of its text
          {200, 3},
          {202, 3},
          {203, 1}}},
        {"Tutorial", {{1, 5}, {4, 2}, {6, 2}, {100, 1}, {101, 1}, {105, 1}, {200, 1}, {201, 1}}},
        {"Map", {{1, 1}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {10, 1}, {30, 1}, {31, 1}}},
        {"Newspaper", {{1, 4}, {2, 4}, {3, 4}, {4, 4}, {100, 1}}},
        {"Intro", {{1, 3}}},
        {"Win", {{1, 1}}},
        {"Trophies", {{0, 1}, {1, 5}}}, // the story: its text and a box for two to five lines
        {"Splash", {{0, 1}, {1000, 1}}},
        {"Memory", {{1, 1}, {2, 1}}},
        {"Arcade", {{1, 1}}},
        {"Thimbles", {{1, 1}, {2, 1}, {3, 1}}},
        {"Blinker", {{1, 1}, {2, 1}, {3, 1}, {4, 1}}},
    };
    // The map's level markers, stage by stage in level order.
    const int stageLevels[] = {5, 6, 8, 10, 12};
    for (int stage = 1; stage <= 5; ++stage)
        for (int n = 0; n < stageLevels[stage - 1]; ++n)
            b["Map"][100 * stage + n] = 1;
    for (int i = 0; i < 4; ++i)
        b["Map"][11 + i] = b["Map"][21 + i] = 1;
    // Trophies: a locked medallion and one medallion per level for each; the
    // first trophy's locked group ends with the window the game gives the
    // drifting face's texture.
    const int trophyLevels[] = {2, 3, 3, 3, 3, 3, 3, 1, 3};
    for (int t = 0; t < 9; ++t) {
        b["Trophies"][100 + t] = t == 0 ? 2 : 1;
        b["Trophies"][200 + t] = trophyLevels[t];
    }
    for (int c = 0; c <= 13; ++c)
        b["Statistics"][c] = 1;
    for (int r = 0; r < 5; ++r)
        b["Statistics"][100 + r] = b["Statistics"][200 + r] = b["Statistics"][300 + r] = 1;
    for (int g = 1; g <= 10; ++g)
        b["Splash"][g] = g < 10 ? 1 : 2;
    // The shop: one of each control a card holds per item, the dial's four
    // quarters and two hands, each bonus not yet offered its stone lid,
    // and the gem finder's groups of 4 to 8 gems.
    b["Shop"] = {{0, 1}, {1, 1}, {2, 1},   {3, 4},   {4, 2},  {5, 1},
                 {6, 1}, {7, 1}, {400, 1}, {401, 2}, {402, 1}};
    for (int i = 0; i < 16; ++i)
        for (int base : {20, 40, 200, 220})
            b["Shop"][base + i] = 1;
    // A bonus not yet on sale: its darkened picture and the chain over it.
    for (int s = 0; s < 6; ++s)
        b["Shop"][60 + s] = 2;
    for (int k = 0; k < 5; ++k)
        b["Shop"][100 + k] = k + 4;
    return b;
}

// The texts of a page file: after its first line, each closed by a line
// that starts with '#'. -1 when text follows the last closing line.
int ClosedTexts(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    int texts = 0;
    bool open = false;
    while (std::getline(in, line)) {
        const bool close = !line.empty() && line[0] == '#';
        texts += close ? 1 : 0;
        open = !close;
    }
    return open ? -1 : texts;
}

// The shop finds each item's controls by position in per-code lists, and
// lays its stars, the bank and the sand box by Skin.cfg over the controls the
// form places: both must agree.
void ExpectShopMatchesItsLayout(const gen::BuiltMenuForm& shop, const std::string& skin) {
    std::map<int, std::vector<const CUxWindow*>> byCode;
    for (const auto& [code, control] : shop.bound)
        byCode[code].push_back(control.Get());
    const auto inside = [](const CUxWindow* w, float x, float y) {
        return w && std::fabs(x - w->Position.X) <= 0.5f * w->Width &&
               std::fabs(y - w->Position.Y) <= 0.5f * w->Height;
    };
    // Item i's controls come i-th in their lists: the order codes were bound in.
    for (int base : {20, 40, 200, 220}) {
        int last = base - 1;
        for (const auto& [code, control] : shop.bound)
            if (code >= base && code < base + 16) {
                EXPECT_EQ(code, last + 1) << "shop list " << base << " out of item order";
                last = code;
            }
    }
    for (int i = 0; i < 16 && byCode[20 + i].size() == 1 && byCode[220 + i].size() == 1; ++i) {
        const int tiers = i == 2 || i >= 10 ? 3 : 4;
        const CUxWindow* sell = byCode[20 + i][0];
        for (int place = 1; place <= tiers; ++place)
            for (const char* pattern : {"Star%dShift%d", "Stub%dShift%d"}) {
                char key[32];
                std::snprintf(key, sizeof key, pattern, tiers, place);
                float shift[2] = {};
                GetIniFloat2(shift, skin, "Shop", key, "0 0");
                EXPECT_TRUE(inside(byCode[220 + i][0], sell->Position.X + shift[0],
                                   sell->Position.Y - shift[1]))
                    << key << " of item " << i << " is off its slot plate";
            }
    }
    float bank[3] = {};
    GetIniFloat3(bank, skin, "Shop", "StarsSrcPanel", "0 0 0");
    const float bankX = bank[0] - 512.5f, bankY = 384.5f - bank[1];
    ASSERT_EQ(byCode[7].size(), 1u);
    EXPECT_TRUE(inside(byCode[7][0], bankX + 24.0f, bankY));
    EXPECT_TRUE(inside(byCode[7][0], bankX + bank[2] - 24.0f, bankY));
    float front[3] = {}, size[2] = {}, note[3] = {};
    GetIniFloat3(front, skin, "Shop", "SandboxFrontPos", "0 0 0");
    GetIniFloat2(size, skin, "Shop", "SandboxFrontSize", "0 0");
    GetIniFloat3(note, skin, "Shop", "SandboxNote", "0 0 0");
    const float fx = front[0] + size[0] / 2 - 512.5f, fy = 384.5f - (front[1] + size[1] / 2);
    ASSERT_EQ(byCode[5].size(), 1u);
    EXPECT_TRUE(inside(byCode[5][0], fx - size[0] / 2 + 1, fy + size[1] / 2 - 1) &&
                inside(byCode[5][0], fx + size[0] / 2 - 1, fy - size[1] / 2 + 1))
        << "the sand box leaves its bed";
    EXPECT_NEAR(note[0] - 512.5f, fx, 1.0f);
    EXPECT_NEAR(384.5f - note[1], fy, 1.0f);
}

TEST_F(MenuFormsTest, MenuFormsBuildWithTheirTexturesAndBoundControls) {
    for (const gen::MenuTextureEntry& t : Textures)
        EXPECT_TRUE(std::filesystem::is_regular_file(os::ResolveReadPath(Gfx() + t.file))) << t.file;
    // Pictures the screens and the shop look up by name, not through a form.
    for (const char* name :
         {"Newspaper5", "HelpPage", "MapDiff3", "MapDiff4_1", "MapDiff4_2", "MapDiff5_1",
          "MapDiff5_2", "Intro", "Trophies", "ShopFrame", "ShopColor", "ShopMul", "ShopBW",
          "ShopCtrls1", "ShopCtrls2", "ShopPointer"})
        EXPECT_FALSE(Device->GetTexture(name).IsNull()) << name << " is not in Textures.lst";
    // No website link, so no logos; the pointer's tip (its hot spot) is its
    // top-left pixel.
    for (const char* logo : {"fsdata/logo_a.png", "fsdata/logo_na.png"})
        EXPECT_FALSE(std::filesystem::exists(os::ResolveReadPath(Game(logo)))) << logo;
    img::Image cursor;
    ASSERT_EQ(img::DecodeFile(os::ResolveReadPath(Gfx() + "Menu\\Cursor.png"), cursor),
              img::DecodeError::None);
    ASSERT_TRUE(cursor.width == 32 && cursor.height == 32);
    const auto alpha = [&](int x, int y) { return cursor.rgba[size_t(y * 32 + x) * 4 + 3]; };
    EXPECT_GT(alpha(0, 0), 200);
    EXPECT_TRUE(alpha(31, 0) == 0 && alpha(0, 31) == 0 && alpha(31, 31) == 0);

    std::map<std::string, std::map<int, int>> found;
    // Grooves, totems and menu button on the tablet: boxes (centre, half size).
    std::vector<std::pair<gen::Vec2, gen::Vec2>> tablet;
    for (const auto& file :
         std::filesystem::directory_iterator(os::ResolveReadPath(Game(Paths.FormsPath)))) {
        if (file.path().extension() != ".uxf")
            continue;
        const std::string name = file.path().stem().string();
        const gen::BuiltMenuForm built = Build(file.path().string());
        EXPECT_EQ(built.error, "") << name;
        found[name] = built.codes;
        // Controls whose first picture the game sets up: the clock's quarters
        // and hands, the map picture's holder, and the last window of the
        // first trophy group.
        const CUxWindow* trophyWindow = nullptr;
        for (const auto& [code, control] : built.bound) {
            if (name == "Quest" && (code == 3 || code == 4 || code == 5 || code == 9))
                EXPECT_FALSE(control->Pictures.empty()) << name << " code " << code;
            if (name == "Trophies" && code == 100)
                trophyWindow = control.Get();
        }
        if (name == "Trophies")
            EXPECT_TRUE(trophyWindow && !trophyWindow->Pictures.empty());
        if (name == "Shop")
            ExpectShopMatchesItsLayout(built, Game(Paths.ConfigPath + "Skin.cfg"));
        for (const CSharedPtr<CUxWindow>& w : built.form->Children)
            if (name == "Quest" && w->Id == 10 && w->Type != CUxWindow::kPlainWindow)
                tablet.push_back({{w->Position.X, w->Position.Y}, {w->Width / 2, w->Height / 2}});
    }
    CQuestFieldLayout frame;
    frame.Load(Game(Paths.ConfigPath + "Skin.cfg"));
    CTotemPanel t;
    t.LoadConfig(Game(Paths.ConfigPath + "Totems.cfg"));
    for (int c = 0; c < 7; ++c) {
        tablet.push_back({{frame.BaseOrigin[0] + gen::kTabletOffset + gen::GrooveCentre(c).x,
                           frame.BaseOrigin[1] + gen::kFrameMargin - gen::GrooveCentre(c).y},
                          gen::kGrooveHalf});
        tablet.push_back(
            {{t.Dark[c].Pos.X, t.Dark[c].Pos.Y}, {t.Dark[c].Size[0] / 2, t.Dark[c].Size[1] / 2}});
    }
    EXPECT_EQ(tablet.size(), 15u) << "the level screen's menu button";
    for (size_t i = 0; i < tablet.size(); ++i)
        for (size_t j = 0; j < i; ++j) {
            const gen::Vec2 d = tablet[i].first - tablet[j].first,
                            s = tablet[i].second + tablet[j].second;
            EXPECT_FALSE(std::fabs(d.x) < s.x && std::fabs(d.y) < s.y) << i << ", " << j;
        }
    for (const auto& [form, codes] : BoundCodes()) {
        ASSERT_EQ(found.count(form), 1u) << form << ".uxf is missing";
        for (const auto& [code, count] : codes)
            EXPECT_EQ(found[form][code], count) << form << " code " << code;
    }
}

// The map's trail: a marker per level, each over the socket the map paints
// for it on the route, clear of its neighbours and of everything else the map shows
// (title, story box and text, level label, buttons, stage seals and names).
TEST_F(MenuFormsTest, MapMarkersFollowTheTrailClearOfTheMapsControls) {
    const gen::BuiltMenuForm map = Build(os::ResolveReadPath(Game(Paths.FormsPath + "Map.uxf")));
    ASSERT_EQ(map.error, "");
    struct Box {
        float x, y, hw, hh;
        bool Meets(const Box& o) const {
            return std::fabs(x - o.x) < hw + o.hw - 0.5f && std::fabs(y - o.y) < hh + o.hh - 0.5f;
        }
    };
    const auto box = [](const CUxWindow& w) {
        return Box{w.Position.X, w.Position.Y, 0.5f * w.Width, 0.5f * w.Height};
    };
    std::map<int, Box> markers;
    for (const auto& [code, w] : map.bound)
        if (code >= 100 && code < 600)
            markers[code] = box(*w);
    // The story box and text, the level label and the buttons show with any
    // stage's markers; the seal and name of stage k (codes 10 + k and 20 + k)
    // show once it is finished, with the markers of the stages after it.
    const auto codeOf = [&](const CUxWindow* w) {
        for (const auto& [code, bound] : map.bound)
            if (bound.Get() == w)
                return code;
        return -1;
    };
    std::vector<std::pair<int, Box>> others;
    std::vector<int> finishedWith; // the stage whose end the control marks, 0 for always
    for (const CSharedPtr<CUxWindow>& w : map.form->Children) {
        const auto* label = dynamic_cast<const CUxStatic*>(w.Get());
        const bool words =
            label && !label->Texts.empty() &&
            label->Texts.front()->GetText().find_first_not_of(" ") != std::string::npos;
        const int code = codeOf(w.Get());
        const int stageEnd = code >= 11 && code <= 14   ? code - 10
                             : code >= 21 && code <= 24 ? code - 20
                                                        : 0;
        if (words || stageEnd > 0 || code == 1 || code == 10 || code == 32 ||
            w->Type == CUxWindow::kButtonWindow) {
            others.push_back({code >= 0 ? code : w->Id, box(*w)});
            finishedWith.push_back(stageEnd);
        }
    }
    const std::vector<gen::Vec2> trail = gen::MapMarkers();
    ASSERT_EQ(markers.size(), 41u);
    ASSERT_EQ(trail.size(), 41u);
    // The chart the trail is painted on, as the form lays it on the screen:
    // a trail point in its texels (y down) is a screen point (y up).
    const CUxWindow* chart = nullptr;
    for (const CSharedPtr<CUxWindow>& w : map.form->Children)
        if (!w->Pictures.empty() && !w->Pictures[0]->Texture.IsNull() &&
            w->Pictures[0]->Texture->GetName() == "MapBack")
            chart = w.Get();
    ASSERT_NE(chart, nullptr) << "the map's picture";
    const auto onScreen = [&](gen::Vec2 t) {
        return gen::Vec2{chart->Position.X + chart->Width * (t.x / gen::kMapWidth - 0.5f),
                         chart->Position.Y - chart->Height * (t.y / gen::kMapHeight - 0.5f)};
    };
    const int stageLevels[] = {5, 6, 8, 10, 12};
    size_t level = 0;
    const Box* previous = nullptr;
    for (int stage = 1; stage <= 5; ++stage)
        for (int n = 0; n < stageLevels[stage - 1]; ++n, ++level) {
            const Box& m = markers.at(100 * stage + n);
            if (previous) {
                const float step = std::hypot(m.x - previous->x, m.y - previous->y);
                EXPECT_GT(step, 2.0f * m.hw + 4.0f) << "level " << level + 1 << " touches the last";
                EXPECT_LT(step, 100.0f) << "level " << level + 1 << " is far off the trail";
            }
            // Each marker covers its socket on the painted trail.
            const gen::Vec2 socket = onScreen(trail[level]);
            EXPECT_NEAR(m.x, socket.x, 1.0f) << "level " << level + 1 << " is off its socket";
            EXPECT_NEAR(m.y, socket.y, 1.0f) << "level " << level + 1 << " is off its socket";
            for (size_t k = 0; k < others.size(); ++k)
                if (finishedWith[k] < stage)
                    EXPECT_FALSE(m.Meets(others[k].second))
                        << "level " << level + 1 << " lies under control " << others[k].first;
            previous = &m;
        }
}

// Each help page shows, below its text and clear of it, pictures of what the
// text explains: every picture is one of its own page's, named in its text.
TEST_F(MenuFormsTest, HelpPagesShowWhatTheirTextsExplainClearOfThem) {
    const gen::BuiltMenuForm help = Build(os::ResolveReadPath(Game(Paths.FormsPath + "Help.uxf")));
    ASSERT_EQ(help.error, "");
    struct Rect {
        float l, b, r, t;
        bool Meets(const Rect& o) const { return l < o.r && o.l < r && b < o.t && o.b < t; }
        bool Inside(const Rect& o) const { return l >= o.l && r <= o.r && b >= o.b && t <= o.t; }
    };
    const auto box = [](const CUxWindow& w) {
        return Rect{w.Position.X - 0.5f * w.Width, w.Position.Y - 0.5f * w.Height,
                    w.Position.X + 0.5f * w.Width, w.Position.Y + 0.5f * w.Height};
    };
    const auto textureOf = [](const CUxWindow& w) {
        const CSpriteQuad* q = w.Pictures.empty() ? nullptr : w.Pictures.front().Get();
        return q && !q->Texture.IsNull() ? q->Texture->GetName() : std::string();
    };
    Rect sheet{};
    for (const CSharedPtr<CUxWindow>& w : help.form->Children)
        if (textureOf(*w) == "HelpPage")
            sheet = box(*w);
    const std::vector<std::vector<gen::HelpPicture>>& table = gen::HelpPictures();
    ASSERT_EQ(table.size(), 3u);
    for (int page = 1; page <= 3; ++page) {
        std::vector<Rect> inked;
        std::string words;
        std::vector<const CUxWindow*> pictures;
        for (const auto& [code, w] : help.bound) {
            if (code != page)
                continue;
            const auto* label = dynamic_cast<const CUxStatic*>(w.Get());
            if (textureOf(*w) == "HelpPictures") {
                pictures.push_back(w.Get());
            } else if (label && !label->Texts.empty()) {
                const CTextSprite::Box b = label->Texts.front()->LayoutBox();
                inked.push_back({b.Left, b.Bottom, b.Right, b.Top});
                words += " " + label->Texts.front()->GetText();
            }
        }
        std::transform(words.begin(), words.end(), words.begin(), [](unsigned char c) {
            return std::isspace(c) ? ' ' : char(std::tolower(c));
        });
        const std::vector<gen::HelpPicture>& own = table[size_t(page - 1)];
        EXPECT_EQ(pictures.size(), own.size()) << "page " << page;
        for (const CUxWindow* p : pictures) {
            const CTexCoord& uv = p->Pictures.front()->Frames.front();
            const int x = int(std::lround(uv.U * gen::kHelpSheetW)),
                      y = int(std::lround(uv.V * gen::kHelpSheetH));
            const auto it = std::find_if(own.begin(), own.end(), [&](const gen::HelpPicture& h) {
                return h.cell.x == x && h.cell.y == y;
            });
            if (it == own.end()) {
                ADD_FAILURE() << "page " << page << " shows the picture at " << x << "," << y
                              << ", which is not one of its own";
                continue;
            }
            std::string word = it->word;
            std::transform(word.begin(), word.end(), word.begin(),
                           [](unsigned char c) { return char(std::tolower(c)); });
            EXPECT_NE(words.find(word), std::string::npos)
                << "page " << page << " shows " << it->word << " but its text never names it";
            EXPECT_TRUE(box(*p).Inside(sheet)) << "page " << page << ": " << it->word;
            for (const Rect& ink : inked)
                EXPECT_FALSE(box(*p).Meets(ink))
                    << "page " << page << ": the picture of " << it->word << " meets the text";
            for (const CUxWindow* q : pictures)
                EXPECT_TRUE(q == p || !box(*p).Meets(box(*q))) << "page " << page;
        }
    }
}

} // namespace

TEST_F(GameFolderTest, StoryShopAndTrophyTextsHoldEveryPage) {
    // 40 map pages; per shop item (three tiers for item 2 and items 10 to
    // 15, four for the others) three texts for each tier from -1 on; 24
    // trophy levels.
    EXPECT_EQ(ClosedTexts(os::ResolveReadPath(Game(Paths.TxtPath + "Story.txt"))), 40);
    EXPECT_EQ(ClosedTexts(os::ResolveReadPath(Game(Paths.TxtPath + "Shop.txt"))), 3 * (9 * 6 + 7 * 5));
    EXPECT_EQ(ClosedTexts(os::ResolveReadPath(Game(Paths.TxtPath + "Trophies.txt"))), 24);
}
