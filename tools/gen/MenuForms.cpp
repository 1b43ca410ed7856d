#include "MenuForms.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <sstream>
#include <string_view>

#include "GenCommon.h"
#include "MenuArt.h"
#include "MenuMap.h"
#include "MenuMedals.h"
#include "MenuPages.h"
#include "MenuPlaques.h"
#include "MenuShop.h"
#include "engine/BitmapFont.h"
#include "engine/Texture.h"

namespace gen {

namespace {

// Registry names of the menu textures.
constexpr const char* kCorners = "MenuCorners";
constexpr const char* kSides = "MenuSides";
constexpr const char* kBack = "MenuBack";
constexpr const char* kControls = "MenuCtrls";
constexpr const char* kBackdrop = "MenuBackdrop";
constexpr const char* kMapBack = "MapBack";
constexpr const char* kShopFrameName = "ShopFrame";
constexpr const char* kShopColorName = "ShopColor";
constexpr const char* kShopBackName = "ShopBack";
constexpr const char* kShopRaysName = "ShopRays";
constexpr const char* kShopCtrlsName = "ShopCtrls1";
constexpr const char* kMedals = "Medals";
// The adviser's medallion sheet ("Bonus4.tga", see FxBonus.h): its first
// picture, and the socket the level screen's tablet holds it in (its centre
// on the screen: the tablet's left edge and top lie 7 and 14 units in).
constexpr const char* kSeer = "Seer";
constexpr int kSeerSheet = 256;
constexpr AtlasRect kSeerCell = {0, 0, 88, 88};
constexpr int kSeerSocketX = 160, kSeerSocketY = 352, kSeerSize = 75;
constexpr const char* kSeerIdle = "FF505050";
// A bonus not yet on sale in the shop: its picture darkened like a totem not
// yet bought, under the single chain of "Chain.png" (256 x 128, CapsLayout.h).
constexpr const char* kLockedTint = "FF5A5A5A";
constexpr const char* kLockedLightTint = "FFB0B0B0";
constexpr const char* kShopChain = "ShopChain";
constexpr AtlasRect kShopChainCell = {0, 0, 92, 92};
constexpr const char* kHelpPictures = "HelpPictures";

// Panels draw their frame at two texels a unit.
constexpr int kBorderUnits = kSkinBorder / 2, kTileUnits = kSkinTile / 2;

// Text colours (alpha first): engraved gold, bright when pointed at.
constexpr const char* kGoldText = "FFF8DC8A";
constexpr const char* kTitleText = "FFFFE6A0";
constexpr const char* kBodyText = "FFEDE3CC";
constexpr const char* kOverText = "FFFFFFFF";
constexpr const char* kPressedText = "FFD4A43A";
constexpr const char* kDisabledText = "FF7A7064";
// Print on the parchment pages.
constexpr const char* kInkText = "FF2E2014";
// What a modal form lays over the screen behind it (alpha first): the
// screen stays legible but plainly in the background.
constexpr const char* kModalShade = "90000000";

// The caption font is the title face drawn for smaller sizes.
enum Font { kMainFont = 0, kTitleFont = 1, kCaptionFont = 2 };
// Each font's character height in virtual units at character size 1: the
// height the fonts were made with (read back from their descriptions).
FontHeights g_fontHeights;
float HeightOf(Font font) {
    return font == kTitleFont     ? g_fontHeights.title
           : font == kCaptionFont ? g_fontHeights.caption
                                  : g_fontHeights.main;
}
// The plaques the forms ask for while they are written.
PlaqueSheet* g_plaques[2] = {};
// The forms' line interval, in character heights.
constexpr float kInterval = 1.5f;
// Character scales: the fonts are rasterised large, for the biggest captions.
constexpr float kButtonText = 0.72f, kTitleScale = 0.66f;

// How far in from a plaque's or panel's edge what it holds begins.
constexpr int kFrameInset = kPlaqueRim[size_t(PlaqueLook::Frame)] + kPlaqueMargin;
constexpr int kLightInset = kPlaqueRim[size_t(PlaqueLook::Light)] + kPlaqueMargin;
constexpr int kPanelInset = kPanelRim + kPlaqueMargin;

// Writes one form file statement by statement.
class FormText {
public:
    // A form at (x, y) of the 1024 x 768 screen; `panel` gives it the framed skin.
    FormText(int x, int y, int w, int h, bool panel) : x_(x), y_(y), w_(w) {
        s_ << "# Written by the data generator: edit tools/gen/MenuForms.cpp instead.\n";
        s_ << "SCREENWIDTH 1024\nPOSITION " << x << ' ' << y << " 0\nSIZE " << w << ' ' << h
           << '\n';
        if (panel)
            s_ << "TILING { CORNERS " << kCorners << " SIDES " << kSides << " BACKGROUND " << kBack
               << " HTILE " << kTileUnits << ' ' << kBorderUnits << " VTILE " << kBorderUnits << ' '
               << kTileUnits << " }\n";
    }
    int Width() const { return w_; }

    // A modal form's shade: over the whole screen, under all the form draws
    // (its own panel too), fading with it.
    void Shade() {
        const AtlasRect& disc = MenuAtlas().dialDisc;
        const int layer = layer_;
        layer_ = -1;
        Tinted({disc.x + disc.w / 2 - 1, disc.y + disc.h / 2 - 1, 2, 2}, -x_, -y_, 1024, 768, -1,
               kModalShade);
        layer_ = layer;
    }

    // The layer of the elements that follow: pictures lie on layer 1 unless
    // told otherwise, controls one layer above the pictures they sit on.
    void Layer(int layer) { layer_ = layer; }

    void Define(const char* name, int id) { s_ << "DEFINE " << name << ' ' << id << '\n'; }

    // A caption: `text` is a form-text name or a quoted literal.
    void Label(const std::string& text, int x, int y, int w, int h, int code = -1,
               Font font = kMainFont, float size = 1.0f, const char* align = "CENTER",
               const char* colour = kGoldText) {
        // A line is centred on its box: a box lower than the line grows
        // about its centre to hold it.
        const int line = int(std::ceil(HeightOf(font) * size));
        if (h < line) {
            y -= (line - h + 1) / 2;
            h = line;
        }
        Open("STATIC", "", x, y, w, h);
        Text(text, font, size, align, colour);
        // The wrap width is measured before the characters are scaled.
        s_ << "  SPECIALNOTEWIDTH " << int(float(w) / size) << '\n';
        Close(code);
    }
    // A framed panel's title, at the top of its inner area.
    void Title(const std::string& text, float size = kTitleScale) {
        const int line = int(std::ceil(HeightOf(kTitleFont) * size));
        Label(text, kPanelInset, kPanelInset, w_ - 2 * kPanelInset, line, -1, kTitleFont, size,
              "CENTER", kTitleText);
    }
    // A caption of up to `lines` lines whose box is exactly as high as they
    // are. A caption starts its first line at the middle of its box and runs
    // on downwards, so the text is lifted by half the box less half a line:
    // the first line then stands at the top.
    void Lines(const std::string& text, int x, int y, int w, int lines, int code, Font font,
               float size, const char* align, const char* colour, float interval = kInterval) {
        const float line = HeightOf(font) * size;
        const int h = LinesHeight(lines, font, size, interval);
        Open("STATIC", "", x, y, w, h);
        Text(text, font, size, align, colour);
        s_ << "  SPECIALNOTEWIDTH " << int(float(w) / size) << '\n';
        s_ << "  NOTESHIFT 0 " << 0.5f * (float(h) - line) << " 0\n";
        if (interval != kInterval)
            s_ << "  INTERVAL " << interval << '\n';
        Close(code);
    }
    // The height Lines gives a box of that many lines.
    static int LinesHeight(int lines, Font font, float size, float interval = kInterval) {
        const float line = HeightOf(font) * size;
        return int(std::ceil(line * (1.0f + interval * float(lines - 1))));
    }
    // A picture from the controls atlas or a whole texture.
    void Picture(const char* texture, const AtlasRect& r, int texW, int texH, int x, int y, int w,
                 int h, int code = -1, const std::string& text = "") {
        Open("STATIC", "", x, y, w, h);
        s_ << "  TEXTURE " << texture << " TEXTURESIZE " << texW << ' ' << texH << '\n';
        State("NORMAL", r);
        if (!text.empty())
            Text(text, kMainFont, 1.0f, "CENTER", kBodyText);
        Close(code);
    }
    // A plaque of the size it is shown at (see MenuPlaques.h).
    void Plaque(int x, int y, int w, int h, PlaqueLook look, int code = -1) {
        const AtlasRect r = g_plaques[size_t(look)]->Place(w, h);
        Picture(kPlaqueTexture[size_t(look)], r, kPlaqueSheetSize, kPlaqueSheetHeight[size_t(look)],
                x, y, w, h, code);
    }
    // An atlas picture drawn in `colour` (alpha first), optionally added onto
    // what lies below.
    void Tinted(const AtlasRect& r, int x, int y, int w, int h, int code, const char* colour,
                bool add = false) {
        Art(kControls, r, kAtlasSize, kAtlasSize, x, y, w, h, code, colour, add);
    }
    // A picture from any texture drawn in `colour`, optionally added.
    void Art(const char* texture, const AtlasRect& r, int texW, int texH, int x, int y, int w,
             int h, int code, const char* colour, bool add = false) {
        Open("STATIC", "", x, y, w, h);
        s_ << "  TEXTURE " << texture << " TEXTURESIZE " << texW << ' ' << texH << '\n';
        State("NORMAL", r);
        s_ << "  COLOR " << colour << (add ? " FILTER ADD" : "") << '\n';
        Close(code);
    }
    void Button(const char* id, const std::string& text, int x, int y, int w, int h,
                int code = -1) {
        const MenuAtlasLayout& a = MenuAtlas();
        Open("BUTTON", id, x, y, w, h);
        Skin();
        State("NORMAL", a.button[size_t(ButtonLook::Normal)]);
        State("PRESSED", a.button[size_t(ButtonLook::Pressed)]);
        State("OVER", a.button[size_t(ButtonLook::Over)]);
        State("DISABLED", a.button[size_t(ButtonLook::Disabled)]);
        if (!text.empty()) {
            Text(text, kMainFont, kButtonText, "CENTER", kGoldText);
            s_ << "  TEXTSTATE OVER " << kOverText << " TEXTSTATE PRESSED " << kPressedText
               << " TEXTSTATE DISABLED " << kDisabledText << '\n';
        }
        Close(code);
    }
    // A small square button showing one atlas picture (the scroll arrows).
    void IconButton(const char* id, const AtlasRect& r, int x, int y, int size, int code = -1) {
        Open("BUTTON", id, x, y, size, size);
        Skin();
        State("NORMAL", r);
        Close(code);
    }
    // A hit area without a picture of its own.
    void HitArea(const char* id, int x, int y, int w, int h, int code = -1) {
        Open("BUTTON", id, x, y, w, h);
        Close(code);
    }
    void Check(const char* id, int x, int y, int size, int code = -1) {
        const MenuAtlasLayout& a = MenuAtlas();
        Open("CHECKBOX", id, x, y, size, size);
        Skin();
        State("NORMAL", a.check[size_t(CheckLook::Normal)]);
        State("PRESSED", a.check[size_t(CheckLook::Checked)]);
        State("OVER", a.check[size_t(CheckLook::Over)]);
        State("DISABLED", a.check[size_t(CheckLook::Disabled)]);
        State("OVERPRESSED", a.check[size_t(CheckLook::OverChecked)]);
        State("PRESSEDDISABLED", a.check[size_t(CheckLook::CheckedDisabled)]);
        Close(code);
    }
    // A list row that stays lit while chosen: a check box drawn as a text slot.
    void Row(const char* id, int x, int y, int w, int h, int code, float size) {
        const MenuAtlasLayout& a = MenuAtlas();
        Open("CHECKBOX", id, x, y, w, h);
        Skin();
        State("NORMAL", a.slot);
        State("OVER", a.slot);
        State("PRESSED", a.button[size_t(ButtonLook::Over)]);
        State("OVERPRESSED", a.button[size_t(ButtonLook::Over)]);
        Text("\" \"", kMainFont, size, "CENTER", kBodyText);
        s_ << "  TEXTSTATE OVER " << kOverText << " TEXTSTATE PRESSED " << kTitleText << '\n';
        Close(code);
    }
    void Slider(const char* id, int x, int y, int w, int h, int code) {
        const MenuAtlasLayout& a = MenuAtlas();
        Open("SCROLLER", id, x, y, w, h);
        Skin();
        s_ << "  SCROLLERSIZE " << h + 8 << ' ' << h + 8 << '\n';
        State("NORMAL", a.track);
        State("SCROLLER", a.thumb);
        State("DISABLED", a.trackDisabled);
        Close(code);
    }

    std::string Str() const { return s_.str(); }

private:
    void Open(const char* type, const char* id, int x, int y, int w, int h) {
        s_ << "ELEMENT " << type;
        if (*id)
            s_ << " ID " << id;
        // Later layers draw over earlier ones: layer n is drawing key -n (a
        // whole number: the reader takes ZORDER as an integer) and lies n units
        // nearer the viewer, so drawing order and depth agree; controls one
        // above the layer they sit on.
        const int layer = std::string_view(type) == "STATIC" ? layer_ : layer_ + 1;
        s_ << " {\n  POSITION " << x << ' ' << y << ' ' << -layer << " SIZE " << w << ' ' << h
           << " ZORDER " << -layer << '\n';
    }
    void Close(int code) {
        if (code >= 0)
            s_ << "  INTERRUPT " << code << '\n';
        s_ << "}\n";
    }
    void Skin() {
        s_ << "  TEXTURE " << kControls << " TEXTURESIZE " << kAtlasSize << ' ' << kAtlasSize
           << '\n';
    }
    void State(const char* name, const AtlasRect& r) {
        const int x0 = r.x, y0 = r.y, x1 = r.x + r.w, y1 = r.y + r.h;
        s_ << "  STATE " << name << ' ' << x0 << ' ' << y0 << ' ' << x1 << ' ' << y0 << ' ' << x1
           << ' ' << y1 << ' ' << x0 << ' ' << y1 << '\n';
    }
    void Text(const std::string& text, Font font, float size, const char* align,
              const char* colour) {
        s_ << "  TEXT " << text << " FONT " << int(font) << " CHARSIZE " << size << ' ' << size
           << " ALIGNMENT " << align << " TEXTCOLOR " << colour << '\n';
        // Print on paper casts no shadow; carved and gilt letters do.
        if (std::string_view(colour) != kInkText)
            s_ << "  TEXTSHADOW TEXTSHADOWSHIFT 2 2 TEXTSHADOWCOLOR A0000000\n";
    }

    std::ostringstream s_;
    int x_, y_, w_;
    int layer_ = 1;
};

// A panel centred on the screen.
FormText Panel(int w, int h, int yShift = 0) {
    return FormText((1024 - w) / 2, (768 - h) / 2 + yShift, w, h, true);
}

constexpr int kButtonW = 210, kButtonH = 50;

// The middle of the board (Skin.cfg's [FieldQuest]: 8 cells of 83 from its
// top-left corner at Origin), where the level card and the tips stand.
constexpr int kBoardCentreX = 650, kBoardCentreY = 364;

// Player names are drawn at this size or smaller wherever they are shown, so
// that the widest name the entry takes (12 'W's) fits a box 280 wide.
constexpr float kNameSize = 0.6f;
// In a list row the name keeps clear of the row's gold inlay, chosen or not.
constexpr float kRowNameSize = 0.5f;

std::string Background() {
    FormText f(0, 0, 1024, 768, false);
    f.Picture(kBackdrop, {0, 0, 1, 1}, 1, 1, 0, 0, 1024, 768);
    return f.Str();
}

std::string MainMenu() {
    // Tall enough that the version line clears the frame's lower border.
    const int menuX = 352, menuY = 122;
    FormText f(menuX, menuY, 320, 554, true);
    f.Define("Play", 1);
    f.Define("Options", 2);
    f.Define("Quit", 3);
    f.Define("Help", 4);
    f.Define("HighScores", 5);
    f.Define("Players", 6);
    f.Define("Trophies", 20);
    f.Define("Website", 11111);
    // "Welcome," and the player's name: two lines when the name is long.
    f.Lines("\" \"", kPanelInset, kPanelInset, 320 - 2 * kPanelInset, 2, 1, kMainFont, 0.55f,
            "CENTER", kTitleText);
    const struct {
        const char* id;
        const char* text;
    } buttons[] = {{"Play", "MainMenuPlay"},
                   {"Options", "MainMenuOptions"},
                   {"Trophies", "MainMenuTrophies"},
                   {"Help", "MainMenuHelp"},
                   {"HighScores", "MainMenuHighScores"},
                   {"Players", "MainMenuPlayers"},
                   {"Quit", "MainMenuQuit"}};
    int y = 100;
    for (const auto& b : buttons) {
        f.Button(b.id, b.text, (320 - kButtonW) / 2, y, kButtonW, kButtonH);
        y += 56;
    }
    f.Label("\"Ver.1.08\"", 30, y + 6, 260, 20, 2, kMainFont, 0.5f, "CENTER", kDisabledText);
    // The website link and the two logos: the game sizes and places them
    // once both logo pictures load.
    f.HitArea("Website", 1008 - menuX - 100, 752 - menuY - 100, 100, 100, 11111);
    f.Label("\"\"", 1008 - menuX - 100, 752 - menuY - 100, 100, 100, 11112);
    f.Label("\"\"", 1008 - menuX - 100, 752 - menuY - 100, 100, 100, 11113);
    return f.Str();
}

std::string MsgBox() {
    FormText f = Panel(500, 370);
    f.Shade();
    f.Define("Ok", 200);
    f.Define("Cancel", 201);
    f.Define("Yes", 202);
    f.Define("No", 203);
    // The heading in the title face (the size drawn for captions), the
    // notice or question below it in the body face. Both span the room
    // between the frame's top and the buttons; the game sets the two as one
    // block in the middle of it.
    const int y = 370 - kPanelInset - 4 - kButtonH, roomH = y - 4 - kPanelInset;
    f.Label("\" \"", kPanelInset + 4, kPanelInset, 500 - 2 * kPanelInset - 8, roomH, 1,
            kCaptionFont, 0.75f, "CENTER", kTitleText);
    f.Label("\" \"", kPanelInset, kPanelInset, 500 - 2 * kPanelInset, roomH, 2, kMainFont, 0.55f,
            "CENTER", kBodyText);
    const int left = 250 - kButtonW - 5, right = 255, mid = 250 - kButtonW / 2;
    // Button sets, by the set number the game shows (code 100 + set).
    f.Button("Ok", "MsgBoxOk", mid, y, kButtonW, kButtonH, 100);
    f.Button("Ok", "MsgBoxOk", left, y, kButtonW, kButtonH, 101);
    f.Button("Cancel", "MsgBoxCancel", right, y, kButtonW, kButtonH, 101);
    f.Button("Yes", "MsgBoxYes", left, y, kButtonW, kButtonH, 102);
    f.Button("No", "MsgBoxNo", right, y, kButtonW, kButtonH, 102);
    f.Button("Yes", "MsgBoxYes", left, y, kButtonW, kButtonH, 103);
    f.Button("Cancel", "MsgBoxCancel", right, y, kButtonW, kButtonH, 103);
    f.Button("Cancel", "MsgBoxCancel", mid, y, kButtonW, kButtonH, 104);
    return f.Str();
}

std::string Options() {
    FormText f = Panel(460, 440);
    f.Shade();
    f.Define("Ok", 230);
    f.Define("Sound", 231);
    f.Define("Music", 232);
    f.Define("FullScreen", 233);
    f.Define("Cursor", 234);
    f.Define("Tips", 235);
    f.Title("OptionsTitle");
    f.Label("OptionsSound", 50, 96, 120, 30, -1, kMainFont, 1.0f, "LEFT");
    f.Slider("Sound", 170, 96, 240, 30, 1);
    f.Label("OptionsMusic", 50, 146, 120, 30, -1, kMainFont, 1.0f, "LEFT");
    f.Slider("Music", 170, 146, 240, 30, 2);
    const struct {
        const char* id;
        const char* text;
    } checks[] = {
        {"FullScreen", "OptionsFullScreen"}, {"Cursor", "OptionsCursor"}, {"Tips", "OptionsTips"}};
    int y = 200, code = 3;
    for (const auto& c : checks) {
        f.Check(c.id, 60, y, 36, code++);
        f.Label(c.text, 110, y + 3, 280, 30, -1, kMainFont, 1.0f, "LEFT", kBodyText);
        y += 46;
    }
    f.Button("Ok", "OptionsOk", 130, 352, kButtonW, kButtonH);
    return f.Str();
}

std::string Profiles() {
    FormText f = Panel(440, 540);
    f.Shade();
    f.Define("Ok", 180);
    f.Define("Cancel", 181);
    f.Define("Delete", 182);
    f.Define("Up", 183);
    f.Define("Down", 184);
    f.Title("ProfilesTitle", 0.5f);
    const MenuAtlasLayout& a = MenuAtlas();
    for (int row = 0; row < 6; ++row) {
        const std::string id = "Row" + std::to_string(row);
        f.Define(id.c_str(), 185 + row);
        f.Row(id.c_str(), 50, 90 + row * 48, 290, 42, 1, kRowNameSize);
    }
    f.IconButton("Up", a.arrowUp, 352, 90, 40);
    f.IconButton("Down", a.arrowDown, 352, 90 + 5 * 48 + 2, 40);
    f.Button("Delete", "ProfilesDelete", 120, 384, kButtonW, kButtonH);
    // The pair centred between the frame's inner lines.
    const int pairW = (440 - 2 * kPanelInset - 14) / 2;
    f.Button("Ok", "ProfilesOk", kPanelInset, 450, pairW, kButtonH);
    f.Button("Cancel", "ProfilesCancel", 440 - kPanelInset - pairW, 450, pairW, kButtonH);
    return f.Str();
}

std::string NewProfile() {
    FormText f = Panel(480, 320);
    f.Define("Ok", 195);
    f.Define("Cancel", 196);
    f.Title("NewProfileTitle", 0.6f);
    f.Label("NewProfilePrompt", 24, 86, 432, 30, -1, kMainFont, 0.85f, "CENTER", kBodyText);
    f.Picture(kControls, MenuAtlas().slot, kAtlasSize, kAtlasSize, 60, 124, 360, 46);
    f.Label("\"|\"", 70, 132, 340, 30, 1, kMainFont, 0.7f, "CENTER", kTitleText);
    f.Label("\" \"", 50, 176, 380, 26, 3, kMainFont, 0.8f, "CENTER", kGoldText);
    // With a way back (opened from the player list): OK and Cancel side by
    // side; on first run, OK alone.
    const int pairW = 200;
    f.Button("Cancel", "NewProfileCancel", 240 + 5, 222, pairW, kButtonH, 2);
    f.Button("Ok", "NewProfileOk", 240 - 5 - pairW, 222, pairW, kButtonH, 4);
    f.Button("Ok", "NewProfileOk", 140, 222, kButtonW, kButtonH, 5);
    return f.Str();
}

std::string HighScores() {
    FormText f = Panel(540, 600);
    f.Shade();
    f.Define("Back", 250);
    f.Title("HighScoresTitle", 0.6f);
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 10; ++row) {
            const int y = 96 + row * 40;
            if (column == 0) {
                f.Picture(kControls, MenuAtlas().slot, kAtlasSize, kAtlasSize, 50, y - 4, 440, 36);
                // The row's place: its text is the form's own.
                const std::string place = "\"" + std::to_string(row + 1) + ".\"";
                f.Label(place.c_str(), 56, y, 40, 28, 1, kMainFont, kNameSize, "RIGHT", kGoldText);
            } else if (column == 1) {
                f.Label("\" \"", 104, y, 258, 28, 2, kMainFont, 0.55f, "LEFT", kBodyText);
            } else {
                // Clear of the slot's gilt rim on the right.
                f.Label("\" \"", 362, y, 116, 28, 3, kMainFont, 0.55f, "RIGHT", kTitleText);
            }
        }
    f.Button("Back", "HighScoresBack", 170, 510, kButtonW, kButtonH);
    return f.Str();
}

std::string GameMenu() {
    FormText f = Panel(320, 330);
    f.Shade();
    f.Define("Resume", 11);
    f.Define("Options", 12);
    f.Define("SaveQuit", 13);
    f.Title("GameMenuTitle", 0.6f);
    f.Button("Resume", "GameMenuResume", 60, 96, kButtonW, kButtonH);
    f.Button("Options", "MainMenuOptions", 60, 156, kButtonW, kButtonH);
    f.Button("SaveQuit", "GameMenuSaveQuit", 60, 216, kButtonW, kButtonH);
    return f.Str();
}

std::string StartQuest() {
    FormText f = Panel(480, 360);
    f.Shade();
    f.Define("New", 210);
    f.Define("Continue", 211);
    f.Define("Back", 212);
    f.Title("StartQuestTitle", 0.6f);
    f.Label("StartQuestSaved", 50, 90, 380, 28, -1, kMainFont, 1.0f, "CENTER", kBodyText);
    f.Lines("\" \"", 50, 122, 380, 2, 1, kMainFont, 0.6f, "CENTER", kGoldText);
    const int pairW = 200;
    f.Button("Continue", "StartQuestContinue", 240 - 5 - pairW, 200, pairW, kButtonH);
    f.Button("New", "StartQuestNew", 240 + 5, 200, pairW, kButtonH);
    f.Button("Back", "StartQuestBack", 140, 264, kButtonW, kButtonH);
    return f.Str();
}

std::string NewLevel() {
    FormText f(212, 300, 600, 140, false);
    f.Label("\" \"", 0, 0, 600, 95, 1, kTitleFont, 1.2f, "CENTER", kTitleText);
    f.Label("NewLevelGetReady", 0, 100, 600, 34, -1, kMainFont, 1.0f, "CENTER", kGoldText);
    return f.Str();
}

std::string WinBox() {
    FormText f = Panel(360, 150);
    f.Label("WinBoxText", 30, 50, 300, 50, -1, kTitleFont, 0.6f, "CENTER", kTitleText);
    return f.Str();
}

std::string Help() {
    constexpr int kPanelH = 600, kPageX = 60, kPageY = 80, kPageW = 520, kPageH = 410;
    FormText f = Panel(640, kPanelH);
    f.Shade();
    f.Define("Back", 270);
    f.Define("Previous", 271);
    f.Define("Next", 272);
    f.Title("HelpTitle", 0.55f);
    // The page picture the game switches, and each page's texts over it.
    f.Picture("HelpPage", {0, 0, 1, 1}, 1, 1, kPageX, kPageY, kPageW, kPageH);
    constexpr int kTextX = 90, kTextY = 146, kTextW = 460, kTextLines = 10;
    const int textBottom = kTextY + FormText::LinesHeight(kTextLines, kMainFont, 0.5f, 1.3f);
    for (int page = 1; page <= 3; ++page) {
        const std::string n = std::to_string(page);
        f.Label("HelpPage" + n + "Title", kTextX, 104, kTextW, 34, page, kMainFont, 0.8f,
                "CENTER", kInkText);
        f.Lines("HelpPage" + n + "Text", kTextX, kTextY, kTextW, kTextLines, page, kMainFont, 0.5f,
                "LEFT", kInkText, 1.3f);
    }
    // Below the texts, in a row on the page, what each page explains.
    f.Layer(2);
    const int bandTop = textBottom + 8, bandBottom = kPageY + kPageH - 26;
    for (int page = 1; page <= 3; ++page) {
        const std::vector<HelpPicture>& pictures = HelpPictures()[size_t(page - 1)];
        const int count = int(pictures.size()), gap = 8;
        const int size = std::min(bandBottom - bandTop, (kTextW - (count - 1) * gap) / count);
        const int rowW = count * size + (count - 1) * gap;
        int x = kPageX + (kPageW - rowW) / 2;
        const int y = (bandTop + bandBottom - size) / 2;
        for (const HelpPicture& picture : pictures) {
            f.Picture(kHelpPictures, picture.cell, kHelpSheetW, kHelpSheetH, x, y, size, size, page);
            x += size + gap;
        }
    }
    f.Layer(1);
    f.Button("Previous", "HelpPrevious", 36, kPanelH - 96, 180, kButtonH);
    f.Button("Back", "HelpClose", 230, kPanelH - 96, 180, kButtonH);
    f.Button("Next", "HelpNext", 424, kPanelH - 96, 180, kButtonH);
    return f.Str();
}

// The level screen's head-up display on the tablet left of the board.
std::string Quest() {
    FormText f(0, 0, 1024, 768, false);
    const MenuAtlasLayout& a = MenuAtlas();
    f.Define("Menu", 10);
    // Captions of the display (shown and hidden together).
    // The caption inside the score box, clear of its top line.
    f.Label("QuestScore", 30, 46, 240, 26, 201, kMainFont, 0.6f, "CENTER", kGoldText);
    // The score's tall figures sit below its caption, inside the frame.
    f.Label("\"0\"", 30, 80, 240, 48, 6, kTitleFont, 0.6f, "CENTER", kTitleText);
    f.Label("QuestTime", 30, 170, 100, 26, 201, kMainFont, 0.6f, "CENTER", kGoldText);
    // The level clock: its face, the four coloured quarters, the hand's shadow
    // and the hand, and the two markers that flash when time runs short.
    const int dialX = 32, dialY = 196, dial = 96;
    // The face is the alarm's first marker: it flashes dark and ends white.
    f.Picture(kControls, a.dialFace, kAtlasSize, kAtlasSize, dialX, dialY, dial, dial, 8);
    f.Layer(2);
    for (int q = 0; q < 4; ++q)
        f.Tinted(a.dialDisc, dialX + 8, dialY + 8, dial - 16, dial - 16, 3, "40FFFFFF");
    // The hands turn about the point the skin names, which lies on the
    // dial's centre; so their windows are centred there.
    const int handX = dialX + dial / 2 - a.hand.w / 2, handY = dialY + dial / 2 - a.hand.h / 2;
    f.Layer(3);
    f.Tinted(a.hand, handX + 2, handY + 3, a.hand.w, a.hand.h, 4, "80000000");
    f.Layer(4);
    f.Tinted(a.hand, handX, handY, a.hand.w, a.hand.h, 5, "FFFFFFFF");
    f.Layer(5);
    f.Tinted(a.dialDisc, dialX + 10, dialY + 10, dial - 20, dial - 20, 8, "60FF6040", true);
    f.Layer(1);
    f.Label("QuestLives", 150, 170, 120, 26, 201, kMainFont, 0.6f, "CENTER", kGoldText);
    f.Label("\"0\"", 150, 200, 120, 34, 7, kTitleFont, 0.7f, "CENTER", kTitleText);
    for (int i = 0; i < 3; ++i)
        f.Picture(kControls, a.life, kAtlasSize, kAtlasSize, 150 + i * 40, 240, 36, 36, 200);
    f.Layer(2);
    for (int i = 0; i < 3; ++i)
        f.Tinted(a.dialDisc, 146 + i * 40, 236, 44, 44, 202, "C0FF4020", true);
    // The seer's medallion rests in the tablet's socket under the clock and
    // the lives: dark while no adviser runs; lit, turning and showing the
    // seconds left over it while one does (control 1, its first picture).
    const int seerX = kSeerSocketX - kSeerSize / 2, seerY = kSeerSocketY - kSeerSize / 2;
    f.Layer(1);
    f.Art(kSeer, kSeerCell, kSeerSheet, kSeerSheet, seerX, seerY, kSeerSize, kSeerSize, -1,
          kSeerIdle);
    f.Layer(2);
    f.Picture(kSeer, kSeerCell, kSeerSheet, kSeerSheet, seerX, seerY, kSeerSize, kSeerSize, 1,
              "\" \"");
    f.Layer(1);
    // The menu button and the glow laid over it when it is pointed at: below
    // the last gem groove, left of the column of standing totems.
    const int menuX = 52, menuY = 706, menuW = 170, menuH = 40;
    f.Button("Menu", "QuestMenu", menuX, menuY, menuW, menuH);
    f.Layer(3);
    f.Tinted(a.button[size_t(ButtonLook::Over)], menuX, menuY, menuW, menuH, 2, "60FFFFFF", true);
    f.Layer(1);
    // The map picture the game hands over (kept hidden).
    f.Picture(kControls, a.dialDisc, kAtlasSize, kAtlasSize, 0, 0, 32, 32, 9);
    // The goal panel shown over the board as a level starts.
    // Its title stays on one line; the body wraps below it, room for the
    // longest tip (five lines with "click to continue"). A caption centres its
    // first line in its box and runs on downwards, so the boxes are one line high.
    // A plaque for every length of the body, the longest first, all from the
    // same top edge: the game shows the shortest that holds the text and
    // centres the card on the board.
    const int cardW = 580, titleH = 44, gap = 6, cardX = kBoardCentreX - cardW / 2;
    const int textH = FormText::LinesHeight(5, kMainFont, 0.55f);
    const int cardH = 2 * kLightInset + titleH + gap + textH, cardY = kBoardCentreY - cardH / 2;
    for (int lines = 5; lines >= 1; --lines)
        f.Plaque(cardX, cardY, cardW,
                 cardH - textH + FormText::LinesHeight(lines, kMainFont, 0.55f), PlaqueLook::Light,
                 105);
    f.Label("QuestPanelTitle", cardX + kLightInset, cardY + kLightInset, cardW - 2 * kLightInset,
            titleH, 15, kTitleFont, 0.55f, "CENTER", kTitleText);
    f.Lines("QuestPanelText", cardX + kLightInset + 12, cardY + kLightInset + titleH + gap,
            cardW - 2 * kLightInset - 24, 5, 15, kMainFont, 0.55f, "CENTER", kBodyText);
    f.HitArea("", cardX, cardY, cardW, cardH, 203);
    return f.Str();
}

// A newspaper page's picture (the first time only: every page shares it) and
// its texts in the fields the picture prints: masthead, dateline, headline
// and two columns of story; `code` binds them to the page's group.
void NewspaperPage(FormText& f, const std::string& headline, const std::string& date,
                   const std::array<std::string, 2>& columns, int code) {
    const PageLayout& l = NewspaperLayout();
    if (code <= 1) {
        f.Picture("Newspaper5", {0, 0, 1, 1}, 1, 1, 0, 0, kPageWidth, kPageHeight);
        const AtlasRect& m = l.masthead;
        f.Label("NewspaperMasthead", m.x, m.y, m.w, m.h, -1, kTitleFont, 0.48f, "CENTER", kInkText);
    }
    const AtlasRect &d = l.dateline, &h = l.headline;
    f.Label(date, d.x + 30, d.y, d.w - 60, d.h, code, kMainFont, 0.4f, "CENTER", kInkText);
    f.Lines(headline, h.x, h.y, h.w, 2, code, kTitleFont, 0.4f, "CENTER", kInkText, 1.25f);
    for (int k = 0; k < 2; ++k) {
        const AtlasRect& c = l.columns[k];
        f.Lines(columns[size_t(k)], c.x, c.y, c.w, 9, code, kMainFont, 0.5f, "LEFT", kInkText,
                1.3f);
    }
}

std::string Tutorial() {
    FormText f(0, 0, 1024, 768, false);
    const MenuAtlasLayout& a = MenuAtlas();
    f.Define("TipOk", 220);
    // Group 1: the tip box, the arrows that point out of it and its button.
    // As large as Skin.cfg's [Tutorial] ArrowWinSize, which places it by an
    // arrow; standing alone it is centred on the board. A plaque for every
    // length of the text, the longest first (the shorter ones after the
    // button, below what the box holds), all from the same top edge: the
    // game shows the shortest that holds the text, and lifts the button and
    // the "no more tips" box with its bottom.
    const int boxW = 512, boxH = 200, boxX = kBoardCentreX - boxW / 2;
    const int boxY = kBoardCentreY - boxH / 2;
    const int inX = boxX + kLightInset, inY = boxY + kLightInset, inW = boxW - 2 * kLightInset;
    const int inB = boxY + boxH - kLightInset;
    const int textH = FormText::LinesHeight(3, kMainFont, 0.48f);
    f.Plaque(boxX, boxY, boxW, boxH, PlaqueLook::Light, 1);
    f.Layer(2);
    f.Label("\" \"", inX, inY, inW, 34, 1, kTitleFont, 0.42f, "CENTER", kTitleText);
    f.Lines("\" \"", inX, inY + 38, inW, 3, 101, kMainFont, 0.48f, "CENTER", kBodyText);
    f.Button("TipOk", "TutorialOk", inX + inW - 120, inB - 40, 120, 40, 1);
    f.Layer(1);
    for (int lines = 2; lines >= 1; --lines)
        f.Plaque(boxX, boxY, boxW, boxH - textH + FormText::LinesHeight(lines, kMainFont, 0.48f),
                 PlaqueLook::Light, 1);
    // The pointer out of the box, up at what lies above it or down.
    f.Tinted(a.pointerUp, 0, 0, a.pointerUp.w, a.pointerUp.h, 200, "FFFFFFFF");
    f.Tinted(a.pointerDown, 0, 0, a.pointerDown.w, a.pointerDown.h, 201, "FFFFFFFF");
    // Group 0: a veil over the screen round the tip.
    f.Tinted(a.dialDisc, 0, 0, 32, 32, 0, "00000000");
    f.Tinted(a.dialDisc, 0, 0, 32, 32, 100, "00000000");
    // Group 4: "click here"; groups 2 and 3 mark cells.
    f.Tinted(a.flag, 0, 0, 40, 56, 4, "FFFFFFFF");
    f.Label("TutorialClickHere", 40, 0, 200, 30, 4, kMainFont, 0.6f, "LEFT", kTitleText);
    // Group 6: "swap these" on a call-out plaque as high as the pointer,
    // which the game sets beside it (laid out here clear of the rest).
    const int swapY = 80, swapW = 196, swapH = a.pointerUp.h;
    f.Plaque(0, swapY, swapW, swapH, PlaqueLook::Light, 6);
    f.Label("TutorialSwapThese", kLightInset, swapY + kLightInset, swapW - 2 * kLightInset,
            swapH - 2 * kLightInset, 6, kTitleFont, 0.3f, "CENTER", kTitleText);
    f.Tinted(a.marker, 0, 0, 32, 32, 2, "FFFFFFFF");
    f.Tinted(a.marker, 0, 0, 32, 32, 3, "FFFFFFFF");
    // Group 5: the "no more tips" box with its caption.
    f.Layer(2);
    f.Check("", inX + 4, inB - 34, 28, 105);
    f.Label("TutorialNoTips", inX + 40, inB - 33, 240, 26, 5, kMainFont, 0.5f, "LEFT", kBodyText);
    return f.Str();
}

// The quest's closing page: the newspaper's last issue, whose headline and
// story tell of the treasury found, with the blinking hint of every page; a
// click anywhere goes on.
std::string Win() {
    FormText f(0, 0, 1024, 768, false);
    f.Define("Continue", 161);
    NewspaperPage(f, "WinTitle", "WinDate", {"WinText", "WinText2"}, -1);
    f.HitArea("Continue", 0, 0, 1024, 768);
    const AtlasRect& hint = NewspaperLayout().hint;
    f.Label("IntroContinue", hint.x, hint.y, hint.w, hint.h, 1, kMainFont, 0.5f, "CENTER",
            kTitleText);
    return f.Str();
}

std::string Statistics() {
    // Centred over the board: the tablet left of it keeps its gem bars and
    // lights in front of any form.
    FormText f(650 - 560 / 2, (768 - 590) / 2, 560, 590, true);
    f.Define("Continue", 30);
    f.Label("StatsTitle", 30, 40, 500, 44, 0, kTitleFont, 0.6f, "CENTER", kTitleText);
    const char* rows[] = {"StatsLevelScore", "StatsTimeBonus", "StatsQuestScore", "StatsLevelTime",
                          "StatsBestScore"};
    for (int r = 0; r < 5; ++r) {
        const int y = 96 + r * 40;
        f.Label(rows[r], 50, y, 220, 30, 100 + r, kMainFont, 0.6f, "LEFT", kGoldText);
        f.Label("\" \"", 270, y, 240, 30, 200 + r, kMainFont, 0.6f, "RIGHT", kBodyText);
        f.Label("\" \"", 270, y, 240, 30, 300 + r, kMainFont, 0.6f, "RIGHT", kTitleText);
    }
    const char* more[] = {"StatsBestTime", "StatsHolder", "StatsChain",
                          "StatsRows",     "StatsTokens", "StatsFrenzies"};
    for (int r = 0; r < 6; ++r) {
        const int y = 300 + r * 28;
        f.Label(more[r], 50, y, 220, 24, 2 * r + 1, kMainFont, 0.5f, "LEFT", kGoldText);
        f.Label("\" \"", 270, y, 240, 24, 2 * r + 2, kMainFont, 0.5f, "RIGHT", kBodyText);
    }
    f.Label("StatsNewRecord", 50, 470, 460, 30, 13, kTitleFont, 0.5f, "CENTER", kTitleText);
    f.Button("Continue", "StatsContinue", 175, 506, kButtonW, kButtonH);
    return f.Str();
}

// A bonus level's banner over the board, clear of the score box on the
// tablet left of it: the challenge's name (code 1) and its lines stacked
// below it, each given as many lines as its text wraps to; the first
// `codes` - 1 of them are bound to codes 2, 3, ..., the codes left over go
// to lines of their own at the bottom.
struct BannerLine {
    const char* text;
    int lines;
};
std::string BonusLevel(const char* title, const std::vector<BannerLine>& lines, int codes) {
    constexpr int kX = 349, kW = 600, kTop = kLightInset, kGap = 2;
    constexpr float kSize = 0.42f;
    const int titleH = FormText::LinesHeight(1, kTitleFont, 0.5f);
    int h = kTop + titleH + kGap;
    for (const BannerLine& l : lines)
        h += FormText::LinesHeight(l.lines, kMainFont, kSize) + kGap;
    const int extra = std::max(0, codes - 1 - int(lines.size()));
    h += extra * (FormText::LinesHeight(1, kMainFont, 0.5f) + kGap) + kTop;
    FormText f(kX, 16, kW, h, false);
    f.Plaque(0, 0, kW, h, PlaqueLook::Light);
    f.Lines(title, kTop, kTop, kW - 2 * kTop, 1, 1, kTitleFont, 0.5f, "CENTER", kTitleText);
    int y = kTop + titleH + kGap;
    for (size_t i = 0; i < lines.size(); ++i) {
        const int code = int(i) + 2 <= codes ? int(i) + 2 : -1;
        f.Lines(lines[i].text, 40, y, kW - 80, lines[i].lines, code, kMainFont, kSize, "CENTER",
                kBodyText);
        y += FormText::LinesHeight(lines[i].lines, kMainFont, kSize) + kGap;
    }
    for (int c = int(lines.size()) + 2; c <= codes; ++c) {
        f.Lines("\" \"", 40, y, kW - 80, 1, c, kMainFont, 0.5f, "CENTER", kGoldText);
        y += FormText::LinesHeight(1, kMainFont, 0.5f) + kGap;
    }
    return f.Str();
}

std::string Splash() {
    FormText f(0, 0, 1024, 768, false);
    f.Picture(kBackdrop, {0, 0, 1, 1}, 1, 1, 0, 0, 1024, 768, 0);
    f.Layer(2);
    f.Label("SplashLoading", 312, 640, 400, 40, 1000, kMainFont, 0.7f, "CENTER", kGoldText);
    for (int g = 1; g <= 10; ++g)
        f.Tinted(MenuAtlas().marker, 352 + (g - 1) * 32, 690, 28, 28, g, "FFFFFFFF");
    f.Label("SplashClick", 212, 720, 600, 36, 10, kMainFont, 0.7f, "CENTER", kTitleText);
    return f.Str();
}

std::string Map() {
    FormText f(0, 0, 1024, 768, false);
    const MenuAtlasLayout& a = MenuAtlas();
    f.Define("Play", 150);
    f.Define("Menu", 151);
    f.Picture(kMapBack, {0, 0, 1, 1}, 1, 1, 0, 0, kMapWidth, kMapHeight);
    f.Layer(2);
    // The explored regions, one list per stage from the second on.
    for (const MapOverlay& o : MapOverlays())
        f.Picture(o.name.c_str(), {0, 0, 1, 1}, 1, 1, o.x, o.y, kMapOverlay, kMapOverlay, o.stage);
    // A marker per level, stage by stage in level order (code 100 x stage + n).
    const std::vector<Vec2> markers = MapMarkers();
    f.Layer(3);
    size_t level = 0;
    for (int stage = 1; stage <= 5; ++stage)
        for (int n = 0; n < kStageLevels[stage - 1]; ++n, ++level) {
            const Vec2 m = markers[level];
            f.Tinted(a.marker, int(m.x) - 14, int(m.y) - 14, 28, 28, 100 * stage + n, "FFFFFFFF");
        }
    // For every finished stage: its seal, which opens that stage's newspaper
    // page again, and its name, beside its last marker on the side away from
    // the next stage's trail (whose markers show with them).
    const char* names[] = {"MapStage1", "MapStage2", "MapStage3", "MapStage4"};
    const struct {
        int sealX, sealY, nameX, nameY; // from the stage's last marker
        const char* align;
    } beside[] = {{-18, -54, -150, 16, "CENTER"},
                  {14, -18, 18, 22, "LEFT"},
                  {-18, -54, -214, -12, "RIGHT"},
                  {-54, -18, -210, 22, "RIGHT"}};
    const auto stageEnd = [&](int stage) {
        return markers[size_t(std::accumulate(kStageLevels, kStageLevels + stage + 1, 0) - 1)];
    };
    for (int stage = 0; stage < 4; ++stage) {
        const Vec2 end = stageEnd(stage);
        const std::string id = "Page" + std::to_string(stage + 1);
        f.Define(id.c_str(), 152 + stage);
        f.IconButton(id.c_str(), a.life, int(end.x) + beside[stage].sealX,
                     int(end.y) + beside[stage].sealY, 36, 11 + stage);
    }
    for (int stage = 0; stage < 4; ++stage) {
        const Vec2 end = stageEnd(stage);
        f.Label(names[stage], int(end.x) + beside[stage].nameX, int(end.y) + beside[stage].nameY,
                200, 24, 21 + stage, kMainFont, 0.45f, beside[stage].align, "FF3A2614");
    }
    f.Layer(5);
    f.Tinted(a.flag, 0, 0, a.flag.w, a.flag.h, 30, "70000000");
    f.Layer(6);
    f.Tinted(a.flag, 0, 0, a.flag.w, a.flag.h, 31, "FFFFFFFF");
    f.Layer(2);
    // The title and, beside it, the level the expedition stands at.
    const int headW = 600, headX = (1024 - headW) / 2, headY = 4, lineH = 34;
    const int inW = headW - 2 * kFrameInset;
    f.Plaque(headX, headY, headW, lineH + 2 * kFrameInset, PlaqueLook::Frame);
    f.Label("MapTitle", headX + kFrameInset, headY + kFrameInset, inW * 3 / 5, lineH, -1,
            kTitleFont, 0.42f, "LEFT", kTitleText);
    f.Label("\" \"", headX + kFrameInset + inW * 3 / 5, headY + kFrameInset, inW * 2 / 5, lineH, 10,
            kTitleFont, 0.42f, "RIGHT", kGoldText);
    // The story's plaque (hidden while the next level has no page) and its
    // text inside the plaque's rim.
    const int storyW = 704, storyH = FormText::LinesHeight(3, kMainFont, 0.45f) + 2 * kFrameInset;
    const int storyX = 56, storyY = 768 - 8 - storyH;
    f.Plaque(storyX, storyY, storyW, storyH, PlaqueLook::Frame, 32);
    f.Lines("\" \"", storyX + kFrameInset, storyY + kFrameInset, storyW - 2 * kFrameInset, 3, 1,
            kMainFont, 0.45f, "LEFT", kBodyText);
    f.Button("Play", "MapPlay", 790, 640, 180, kButtonH);
    f.Button("Menu", "MapMenu", 790, 700, 180, kButtonH);
    return f.Str();
}

// Pages of the expedition's newspaper between the stages: the page picture
// (the paper on the camp table) and, per page group, its dateline, headline
// and columns, each in the field the picture prints for it; a click anywhere
// goes on.
std::string Newspaper() {
    FormText f(0, 0, 1024, 768, false);
    f.Define("Continue", 159);
    for (int page = 1; page <= 4; ++page) {
        const std::string n = std::to_string(page);
        NewspaperPage(f, "NewspaperHeadline" + n, "NewspaperDate" + n,
                      {"NewspaperStory" + n + "a", "NewspaperStory" + n + "b"}, page);
    }
    f.HitArea("Continue", 0, 0, 1024, 768);
    const AtlasRect& hint = NewspaperLayout().hint;
    f.Label("IntroContinue", hint.x, hint.y, hint.w, hint.h, 100, kMainFont, 0.5f, "CENTER",
            kTitleText);
    return f.Str();
}

// The story of a new quest: one text at a time over the picture; a click
// anywhere below the Skip button shows the next.
std::string Intro() {
    FormText f(0, 0, 1024, 768, false);
    f.Define("Next", 160);
    f.Define("Skip", 162);
    // The museum's picture without the dark strip above its cornice.
    f.Picture("Intro", {0, 36, 1024, 768 - 36}, 1024, 768, 0, 0, 1024, 768);
    f.Layer(2);
    const int capH = FormText::LinesHeight(3, kMainFont, 0.55f) + 2 * kFrameInset + 8;
    f.Plaque(112, 700 - capH, 800, capH, PlaqueLook::Frame);
    for (int page = 1; page <= 3; ++page)
        f.Lines("IntroPage" + std::to_string(page), 112 + kFrameInset + 12,
                700 - capH + kFrameInset + 4, 800 - 2 * kFrameInset - 24, 3, 1, kMainFont, 0.55f,
                "CENTER", kBodyText);
    f.Label("IntroContinue", 312, 720, 400, 30, -1, kMainFont, 0.55f, "CENTER", kTitleText);
    // Every control takes the clicks inside it: the two must not overlap.
    f.HitArea("Next", 0, 80, 1024, 688);
    f.Button("Skip", "IntroSkip", 1024 - 16 - 160, 16, 160, kButtonH);
    return f.Str();
}

std::string Trophies() {
    // A framed panel over the menus' backdrop, like every menu; its face is
    // the stone the game drifts slowly (control 0).
    const int panelW = 904, panelH = 736;
    FormText f = Panel(panelW, panelH);
    f.Shade();
    f.Define("Close", 260);
    f.Picture("Trophies", {0, 0, 1, 1}, 1, 1, kPanelRim, kPanelRim, panelW - 2 * kPanelRim,
              panelH - 2 * kPanelRim, 0);
    f.Layer(2);
    f.Title("TrophiesTitle");
    f.Label("TrophiesHint", 40, 88, panelW - 80, 26, -1, kMainFont, 0.5f, "CENTER", kBodyText);
    // Three rows of three: the medallion, its name below it.
    const int levels[kTrophyCount] = {2, 3, 3, 3, 3, 3, 3, 1, 3};
    const int medal = 104, cellW = (panelW - 2 * kPanelInset) / 3, cellH = 170, top = 122;
    const auto cell = [&](int t) {
        return std::pair<int, int>{kPanelInset + (t % 3) * cellW, top + (t / 3) * cellH};
    };
    const auto medalAt = [&](int t, MedalLook look, int code) {
        const auto [x, y] = cell(t);
        f.Picture(kMedals, MedalCell(t, look), kMedalSheetW, kMedalSheetH, x + (cellW - medal) / 2,
                  y, medal, medal, code);
    };
    for (int t = 0; t < kTrophyCount; ++t) {
        const auto [x, y] = cell(t);
        f.Label("Trophy" + std::to_string(t), x + 8, y + medal + 10, cellW - 16, 28, -1, kMainFont,
                0.55f, "CENTER", kGoldText);
    }
    f.Layer(3);
    // Locked: the medallion dark and grey. The game gives the last window of
    // the first trophy's group the drifting face's texture, so that group
    // ends with a window drawn fully transparent.
    for (int t = 0; t < kTrophyCount; ++t)
        medalAt(t, MedalLook::Locked, 100 + t);
    f.Art(kMedals, MedalCell(0, MedalLook::Locked), kMedalSheetW, kMedalSheetH, 0, 0, 1, 1, 100,
          "00FFFFFF");
    // Earned: one window per level, in bronze, silver and gold (the top
    // metals where a trophy has fewer levels).
    for (int t = 0; t < kTrophyCount; ++t)
        for (int l = 0; l < levels[t]; ++l)
            medalAt(t, MedalLook(int(MedalLook::Gold) - levels[t] + 1 + l), 200 + t);
    f.Button("Close", "TrophiesClose", (panelW - kButtonW) / 2, panelH - kPanelInset - 6 - kButtonH,
             kButtonW, kButtonH);
    // The description of the trophy under the pointer (code 1, its text
    // first): the game keeps these offsets from the form's centre (the
    // screen's) as offsets from the pointer, so the box opens just below
    // and right of it. Boxes for two to five lines, the shortest first: the
    // game opens the least one that holds the text.
    const int tipX = 524 - (1024 - panelW) / 2, tipY = 390 - (768 - panelH) / 2;
    constexpr int kTipLines = 5;
    f.Layer(6);
    f.Lines("\" \"", tipX + kFrameInset, tipY + kFrameInset, 300, kTipLines, 1, kMainFont, 0.42f,
            "LEFT", kBodyText);
    f.Layer(5);
    for (int lines = 2; lines <= kTipLines; ++lines)
        f.Plaque(tipX, tipY, 300 + 2 * kFrameInset,
                 FormText::LinesHeight(lines, kMainFont, 0.42f) + 2 * kFrameInset,
                 PlaqueLook::Frame, 1);
    return f.Str();
}

// The shop: a card per item on a carved wall, the golden mist drifting behind
// the cards' glass. Every per-item control list is created in item order, the
// order the game indexes it by. Roles of the codes the game binds: 0 the
// drifting mist, 1 the description, 2 the title, 3 and 4 the time dial's
// quarters and hands, 5 the frenzy sand box's bed, 6 the rays turning behind
// it, 7 the star bank, 8 the count of stars over it; per item i: 200 + i its
// picture, 220 + i its slot plate, 20 + i its "-" button, 40 + i its "+"
// button; 60 + s the placeholder of bonus s not yet owned; 100 + k the k + 4
// gems the gem finder shows at tier k; 400, 401 and 402 the decoration of the time dial, the sand box and
// the gem finder.
std::string Shop() {
    FormText f(0, 0, 1024, 768, false);
    const MenuAtlasLayout& a = MenuAtlas();
    f.Define("Done", 31);
    f.Art(kShopBackName, {0, 0, 1024, 768}, kShopBack, kShopBack, 0, 0, 1024, 768, 0, "FFFFFFFF");
    f.Layer(2);
    f.Picture(kShopFrameName, {0, 0, 1024, 768}, 1024, 768, 0, 0, 1024, 768);
    f.Layer(3);
    const AtlasRect& t = kShopTitle;
    f.Plaque(t.x, t.y, t.w, t.h, PlaqueLook::Frame);
    f.Label("ShopTitle", t.x + kFrameInset, t.y + kFrameInset, t.w - 2 * kFrameInset,
            t.h - 2 * kFrameInset, 2, kTitleFont, 0.3f, "CENTER", kTitleText);
    const char* names[kShopItems] = {
        "ShopTotemViolet", "ShopTotemWhite", "ShopTotemBlue",       "ShopTotemYellow",
        "ShopTotemOrange", "ShopTotemRed",   "ShopLevelTime",       "ShopFrenzyTime",
        "ShopGemCount",    "ShopTotemGreen", "ShopBonusTnt",        "ShopBonusScore",
        "ShopBonusTime",   "ShopBonusFlash", "ShopBonusSolidarity", "ShopBonusAdviser"};
    for (int i = 0; i < kShopItems; ++i) {
        const ShopCard c = ShopCardOf(i);
        f.Layer(3);
        const AtlasRect& bed = i < 6 || i == 9 ? kShopNiche
                               : i < 10        ? kShopBedWide
                                               : kShopBedSquare;
        f.Picture(kShopCtrlsName, bed, kShopCtrlsSize, kShopCtrlsSize, c.picture.x, c.picture.y,
                  c.picture.w, c.picture.h, 200 + i);
        f.Picture(kShopCtrlsName, kShopPlate[c.tiers - 3], kShopCtrlsSize, kShopCtrlsSize,
                  c.plate.x, c.plate.y, c.plate.w, c.plate.h, 220 + i);
        // Kept clear of the card's gold edge on both sides.
        f.Label(names[i], c.name.x + 4, c.name.y, c.name.w - 8, c.name.h, -1, kMainFont, 0.46f,
                "CENTER", kGoldText);
        const std::string sell = "Sell" + std::to_string(i), buy = "Buy" + std::to_string(i);
        f.Define(sell.c_str(), 60 + i);
        f.Define(buy.c_str(), 40 + i);
        f.Button(sell.c_str(), "ShopSell", c.minus.x, c.minus.y, c.minus.w, c.minus.h, 20 + i);
        f.Button(buy.c_str(), "ShopBuy", c.plus.x, c.plus.y, c.plus.w, c.plus.h, 40 + i);
    }
    // The time dial: its face, the four quarters the game shapes into the
    // bought time's sector, and the hand with its shadow.
    const AtlasRect dialPic = ShopCardOf(6).picture;
    const int dial = 70, dx = dialPic.x + (dialPic.w - dial) / 2,
              dy = dialPic.y + (dialPic.h - dial) / 2;
    f.Layer(4);
    f.Tinted(a.dialFace, dx, dy, dial, dial, 400, "FFFFFFFF");
    f.Layer(5);
    for (int q = 0; q < 4; ++q)
        f.Art(kShopColorName, kShopDialDisc, kShopAtlas, kShopAtlas, dx + 8, dy + 8, dial - 16,
              dial - 16, 3, "C0FFFFFF");
    // The hands turn about a point right of their middle: place that point
    // on the dial's centre.
    const int hx = dx + dial / 2 - kShopHandPivot - kShopHandLength / 2 - 1,
              hy = dy + dial / 2 - kShopHandWidth / 2;
    f.Layer(6);
    f.Art(kShopCtrlsName, kShopHand, kShopCtrlsSize, kShopCtrlsSize, hx + 2, hy + 2,
          kShopHandLength, kShopHandWidth, 4, "80000000");
    f.Layer(7);
    f.Art(kShopCtrlsName, kShopHand, kShopCtrlsSize, kShopCtrlsSize, hx, hy, kShopHandLength,
          kShopHandWidth, 4, "FFFFFFFF");
    // The frenzy sand box: rays turning behind its bed; the game lays the
    // box's front and glass over the bed.
    const AtlasRect sand = ShopSandOnPage();
    const int rays = 220;
    f.Layer(4);
    f.Art(kShopRaysName, {0, 0, kShopRays, kShopRays}, kShopRays, kShopRays,
          sand.x + sand.w / 2 - rays / 2, sand.y + sand.h / 2 - rays / 2, rays, rays, 6, "90FFFFFF",
          true);
    f.Layer(5);
    f.Picture(kControls, a.slot, kAtlasSize, kAtlasSize, sand.x - 6, sand.y - 6, sand.w + 12,
              sand.h + 12, 5);
    for (const int side : {-1, 1})
        f.Tinted(a.marker, sand.x + sand.w / 2 + side * (sand.w / 2 + 24) - 12,
                 sand.y + sand.h / 2 - 12, 24, 24, 401, "FFFFFFFF");
    // The gem finder: a row of as many gems as a level will hide, one group
    // per tier.
    const AtlasRect gems = ShopCardOf(8).picture;
    f.Layer(4);
    f.Picture(kControls, a.slot, kAtlasSize, kAtlasSize, gems.x + 20, gems.y + gems.h / 2 - 22,
              gems.w - 40, 44, 402);
    f.Layer(5);
    for (int k = 0; k < 5; ++k) {
        const int n = k + 4, step = 32, left = gems.x + gems.w / 2 - n * step / 2;
        for (int g = 0; g < n; ++g)
            f.Tinted(a.marker, left + g * step + 2, gems.y + gems.h / 2 - 14, 28, 28, 100 + k,
                     "FFFFFFFF");
    }
    // Bonuses not yet offered: each its own picture (cut from its sheet, see
    // FxBonus.h), darkened and bound by the chain that binds a locked token.
    // A round picture as wide as the chain would lie under its ring: the
    // clock and the kinship star sit inside it instead, and being dark or
    // thin of themselves they are darkened less.
    const struct {
        const char* texture;
        int texH;
        AtlasRect cell;
        int size;
        const char* tint;
    } locked[6] = {
        {"ShopBonus1", 256, {0, 0, 86, 92}, 76, kLockedTint},       // the dynamite
        {"ShopBonus3", 256, {4, 94, 50, 36}, 76, kLockedTint},      // the chest
        {"ShopBonus3", 256, {90, 0, 90, 90}, 44, kLockedLightTint}, // the clock's face
        {"ShopBonus2", 256, {0, 0, 88, 92}, 76, kLockedTint},       // the amulet
        {"ShopBonus5", 128, {64, 64, 64, 64}, 60, kLockedLightTint}, // the kinship star
        {kSeer, kSeerSheet, kSeerCell, 76, kLockedTint}};           // the seer's medallion
    for (int s = 0; s < 6; ++s) {
        const AtlasRect pic = ShopCardOf(10 + s).picture;
        const AtlasRect& c = locked[s].cell;
        const int size = 76, longest = std::max(c.w, c.h);
        const int w = locked[s].size * c.w / longest, h = locked[s].size * c.h / longest;
        f.Layer(4);
        f.Art(locked[s].texture, c, 256, locked[s].texH, pic.x + (pic.w - w) / 2,
              pic.y + (pic.h - h) / 2, w, h, 60 + s, locked[s].tint);
        f.Layer(5);
        f.Picture(kShopChain, kShopChainCell, 256, 128, pic.x + (pic.w - size) / 2,
                  pic.y + (pic.h - size) / 2, size, size, 60 + s);
    }
    // Along the bottom: what the pointed item does, the star bank and "done".
    f.Layer(3);
    const AtlasRect& d = kShopDescription;
    // Clear of the box's gold edge by a margin all round.
    f.Lines("\" \"", d.x + 14, d.y + 9, d.w - 28, 3, 1, kMainFont, 0.42f, "LEFT", kBodyText, 1.2f);
    // The game writes how many stars the bank holds over it.
    f.Label("\" \"", kShopBank.x, kShopBank.y - 24, kShopBank.w, 22, 8, kMainFont, 0.5f,
            "CENTER", kGoldText);
    f.HitArea("", kShopBank.x, kShopBank.y, kShopBank.w, kShopBank.h, 7);
    f.Button("Done", "ShopDone", kShopDone.x, kShopDone.y, kShopDone.w, kShopDone.h);
    return f.Str();
}
} // namespace

FontHeights ReadFontHeights(const std::filesystem::path& gameRoot) {
    FontHeights h;
    const std::filesystem::path fonts = gameRoot / "Data" / "Fonts";
    for (auto [file, height] : {std::pair{"Font.uxd", &h.main}, std::pair{"Title.uxd", &h.title},
                                std::pair{"Caption.uxd", &h.caption}}) {
        CBitmapFont font{CSharedPtr<CTexture>()};
        if (font.LoadDescription((fonts / file).string()) == 1 && font.Header3 > 0)
            *height = float(font.Header3);
    }
    return h;
}

std::vector<MenuForm> MenuForms(const FontHeights& heights, PlaqueSheet& frames,
                                PlaqueSheet& callOuts) {
    g_fontHeights = heights;
    g_plaques[size_t(PlaqueLook::Frame)] = &frames;
    g_plaques[size_t(PlaqueLook::Light)] = &callOuts;
    return {
        {"Background", Background()},
        {"MainMenu", MainMenu()},
        {"MsgBox", MsgBox()},
        {"Options", Options()},
        {"Profiles", Profiles()},
        {"NewProfile", NewProfile()},
        {"HighScores", HighScores()},
        {"GameMenu", GameMenu()},
        {"StartQuest", StartQuest()},
        {"NewLevel", NewLevel()},
        {"WinBox", WinBox()},
        {"Help", Help()},
        {"Quest", Quest()},
        {"Newspaper", Newspaper()},
        {"Intro", Intro()},
        {"Trophies", Trophies()},
        {"Map", Map()},
        {"Tutorial", Tutorial()},
        {"Win", Win()},
        {"Statistics", Statistics()},
        {"Splash", Splash()},
        {"Shop", Shop()},
        {"Memory", BonusLevel("MemoryTitle", {{"MemoryHow", 2}}, 2)},
        {"Arcade", BonusLevel("ArcadeTitle", {{"ArcadeHow", 2}}, 1)},
        {"Thimbles", BonusLevel("ThimblesTitle", {{"ThimblesHow", 2}}, 3)},
        {"Blinker", BonusLevel("BlinkerTitle",
                               {{"BlinkerHow1", 1}, {"BlinkerHow2", 2}, {"BlinkerHow3", 1}}, 4)}};
}

std::string MenuTextureList() {
    // file below Data\Gfx\, registry name, 'a' for a format with alpha,
    // mip levels.
    std::string list = "\"Menu\\SkinCorners.png\" MenuCorners a 0\n"
                       "\"Menu\\SkinSides.png\" MenuSides a 0\n"
                       "\"Menu\\SkinBack.jpg\" MenuBack x 0\n"
                       "\"Menu\\Controls.png\" MenuCtrls a 0\n"
                       "\"Menu\\Plaques.png\" Plaques a 0\n"
                       "\"Menu\\CallOuts.png\" CallOuts a 0\n"
                       "\"Menu\\Medals.png\" Medals a 0\n"
                       "\"Menu\\HelpPictures.png\" HelpPictures a 0\n"
                       "\"Backdrop5.jpg\" MenuBackdrop x 0\n"
                       "\"Menu\\Map.jpg\" MapBack x 0\n"
                       "\"Newspaper5.jpg\" Newspaper5 x 0\n"
                       "\"HelpPage1.jpg\" HelpPage x 0\n"
                       "\"Backdrop1.jpg\" Intro x 0\n"
                       "\"Menu\\SkinBack.jpg\" Trophies x 0\n"
                       "\"Menu\\ShopCtrls1.png\" ShopCtrls1 a 0\n"
                       "\"Menu\\ShopCtrls2.png\" ShopCtrls2 a 0\n"
                       "\"Menu\\ShopFrame.png\" ShopFrame a 0\n"
                       "\"Menu\\ShopColor.png\" ShopColor a 0\n"
                       "\"Menu\\ShopBW.png\" ShopBW a 0\n"
                       "\"Menu\\ShopMul.png\" ShopMul x 0\n"
                       "\"Menu\\ShopPointer.png\" ShopPointer a 0\n"
                       "\"Menu\\ShopBack.jpg\" ShopBack x 0\n"
                       "\"Menu\\ShopRays.png\" ShopRays a 0\n"
                       "\"Bonus4.tga\" Seer a 0\n"
                       "\"Bonus1.png\" ShopBonus1 a 0\n"
                       "\"Bonus2.tga\" ShopBonus2 a 0\n"
                       "\"Bonus3.tga\" ShopBonus3 a 0\n"
                       "\"Bonus5.tga\" ShopBonus5 a 0\n"
                       "\"Chain.png\" ShopChain a 0\n";
    for (const MapOverlay& o : MapOverlays())
        list += "\"" + o.file + "\" " + o.name + " a 0\n";
    return list;
}

int GenerateMenus(const std::filesystem::path& gameRoot) {
    std::string error;
    const std::filesystem::path menu = gameRoot / "Data" / "Gfx" / "Menu";
    const std::filesystem::path forms = gameRoot / "Data" / "Forms";
    const auto png = [&](const std::filesystem::path& path, const FloatImage& image) {
        Sheet sheet(image.Width(), image.Height());
        sheet.Put(image, 0, 0, Store::Straight);
        return SavePng(path, sheet, error);
    };
    bool ok = EnsureFolder(menu, error) && EnsureFolder(forms, error) &&
              png(menu / "SkinCorners.png", PaintSkinCorners()) &&
              png(menu / "SkinSides.png", PaintSkinSides()) &&
              SaveJpeg(menu / "SkinBack.jpg", PaintSkinBack(), 92, error) &&
              png(menu / "Controls.png", PaintMenuControls()) &&
              png(menu / "Medals.png", PaintMedals()) &&
              SaveJpeg(menu / "Map.jpg", PaintMap(), 90, error) &&
              WriteText(forms / "Textures.lst", MenuTextureList(), error);
    const std::filesystem::path gfx = menu.parent_path();
    for (int page = 1; page <= 5; ++page)
        ok = ok && SaveJpeg(gfx / ("Newspaper" + std::to_string(page) + ".jpg"),
                            PaintNewspaper(page), 90, error);
    // The game shows one sheet for the first help page and the other for the
    // rest; the pages' pictures are controls of their own.
    const FloatImage helpPage = PaintHelpPage();
    for (int page = 1; page <= 2; ++page)
        ok = ok && SaveJpeg(gfx / ("HelpPage" + std::to_string(page) + ".jpg"), helpPage, 90, error);
    ok = ok && png(menu / "HelpPictures.png", PaintHelpPictures());
    const std::filesystem::path fsdata = gameRoot / "fsdata";
    ok = ok && png(menu / "ShopCtrls1.png", PaintShopCtrls1()) &&
         png(menu / "ShopCtrls2.png", PaintShopCtrls2()) &&
         png(menu / "ShopFrame.png", PaintShopFrame()) &&
         png(menu / "ShopColor.png", PaintShopSheet(ShopSheet::Colour)) &&
         png(menu / "ShopBW.png", PaintShopSheet(ShopSheet::BlackWhite)) &&
         png(menu / "ShopMul.png", PaintShopSheet(ShopSheet::Multiply)) &&
         png(menu / "ShopPointer.png", PaintShopPointer()) &&
         png(menu / "ShopRays.png", PaintShopRays()) &&
         SaveJpeg(menu / "ShopBack.jpg", PaintShopBack(), 90, error) &&
         png(menu / "Cursor.png", PaintCursor());
    // The main menu shows its website logos and link only when both logo
    // pictures are there; we have no website to link to, so the game ships
    // none (and none an older build left behind).
    std::error_code gone;
    for (const char* logo : {"logo_a.png", "logo_na.png"})
        std::filesystem::remove(fsdata / logo, gone);
    for (const MapOverlay& o : MapOverlays())
        ok = ok && png(menu / o.file.substr(o.file.find('\\') + 1), PaintMapOverlay(o));
    PlaqueSheet frames(PlaqueLook::Frame), callOuts(PlaqueLook::Light);
    for (const MenuForm& form : MenuForms(ReadFontHeights(gameRoot), frames, callOuts))
        ok = ok && WriteText(forms / (form.name + ".uxf"), form.text, error);
    if (ok && (frames.Full() || callOuts.Full())) {
        error = "the forms' plaques do not fit their pictures";
        ok = false;
    }
    ok = ok && png(menu / "Plaques.png", frames.Paint()) &&
         png(menu / "CallOuts.png", callOuts.Paint());
    if (!ok) {
        std::fprintf(stderr, "gv_gen: menus: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace gen
