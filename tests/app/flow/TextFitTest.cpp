// Every text the game can put on a form, laid out by the engine's own font
// code, stays inside its control and clear of the other controls shown with
// it, and every text and control drawn over a plaque or a framed panel stays
// inside its inner line with a margin, never on its rim: the longest names
// (12 'W's), the largest score the table keeps, every numbered text of
// Strings.txt in the control that shows it, every page of Shop.txt,
// Story.txt and Trophies.txt, and every form's own captions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "engine/SpriteQuad.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "engine/TextSprite.h"
#include "engine/Texture.h"
#include "playerdata/ProfileList.h"
#include "playerdata/QuestState.h"
#include "playerdata/ScoreTable.h"
#include "playerdata/Trophies.h"
#include "playfield/PlayField.h"
#include "playfield/PopupList.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "tools/gen/MenuPlaques.h"
#include "ui/UxForm.h"
#include "ui/UxFormsManager.h"
#include "ui/UxStatic.h"

using namespace flowtest;

namespace {

constexpr float kSlack = 0.5f; // virtual units: rounding of the pixel grid
const std::string kLongName(CScoreTable::kNameWidth, 'W');

struct Rect {
    float l, b, r, t;
    bool Inside(const Rect& o) const {
        return l >= o.l - kSlack && r <= o.r + kSlack && b >= o.b - kSlack && t <= o.t + kSlack;
    }
    bool Meets(const Rect& o) const {
        return l < o.r - kSlack && o.l < r - kSlack && b < o.t - kSlack && o.b < t - kSlack;
    }
};

Rect BoxOf(const CUxWindow& w) {
    return {w.Position.X - 0.5f * w.Width, w.Position.Y - 0.5f * w.Height,
            w.Position.X + 0.5f * w.Width, w.Position.Y + 0.5f * w.Height};
}

Rect Inset(const Rect& r, float by) {
    return {r.l + by, r.b + by, r.r - by, r.t - by};
}

struct Shown {
    const CUxWindow* window;
    Rect box;
};

// A plaque or framed panel: what lies over it keeps inside `inner`.
struct Plaque {
    const CUxWindow* window;
    Rect box, inner;
};

// The texels across and down of the picture a quad shows now.
std::pair<float, float> TexelsOf(const CSpriteQuad& q) {
    const size_t first = 4 * size_t(std::max(q.CurrentFrame, 0));
    if (q.Texture.IsNull() || q.Frames.size() < first + 4)
        return {0.0f, 0.0f};
    float u0 = 1e9f, u1 = -1e9f, v0 = 1e9f, v1 = -1e9f;
    for (size_t k = first; k < first + 4; ++k) {
        u0 = std::min(u0, q.Frames[k].U), u1 = std::max(u1, q.Frames[k].U);
        v0 = std::min(v0, q.Frames[k].V), v1 = std::max(v1, q.Frames[k].V);
    }
    return {(u1 - u0) * float(q.Texture->GetWidth()), (v1 - v0) * float(q.Texture->GetHeight())};
}

// The framed form itself and the plaque pictures among its shown controls.
std::vector<Plaque> PlaquesOf(const CUxForm& form, const std::vector<Shown>& shown) {
    std::vector<Plaque> out;
    constexpr float kMargin = float(gen::kPlaqueMargin);
    if (form.BorderWidth != CUxForm::kDefaultTile)
        out.push_back({&form, BoxOf(form), Inset(BoxOf(form), float(gen::kPanelRim) + kMargin)});
    for (const Shown& s : shown) {
        const CSpriteQuad* picture =
            s.window->Pictures.empty() ? nullptr : s.window->Pictures.front().Get();
        if (picture == nullptr || picture->Texture.IsNull())
            continue;
        for (const gen::PlaqueLook look : {gen::PlaqueLook::Frame, gen::PlaqueLook::Light})
            if (picture->Texture->GetName() == gen::kPlaqueTexture[size_t(look)])
                out.push_back({s.window, s.box,
                               Inset(s.box, float(gen::kPlaqueRim[size_t(look)]) + kMargin)});
    }
    return out;
}

// The controls of a form that are shown (the form itself may be hidden).
void ShownControls(const CUxWindow& w, std::vector<Shown>& out) {
    for (const CSharedPtr<CUxWindow>& c : w.Children)
        if (!c.IsNull() && c->Visible) {
            out.push_back({c.Get(), BoxOf(*c)});
            ShownControls(*c, out);
        }
}

// The text where the layout puts it: the first item (the shadow, when the
// caption has one, stands there; the main text is drawn a shadow's shift off).
const CTextSprite* TextOf(const CUxWindow* w) {
    const auto* s = dynamic_cast<const CUxStatic*>(w);
    const CTextSprite* t = s && !s->Texts.empty() ? s->Texts.front().Get() : nullptr;
    return t && t->GetText().find_first_not_of(" \n\v") != std::string::npos ? t : nullptr;
}

bool TakesInput(const CUxWindow* w) {
    return w->Type == CUxWindow::kButtonWindow || w->Type == CUxWindow::kCheckboxWindow ||
           w->Type == CUxWindow::kScrollerWindow;
}

// Each shown text of `form` (and of `under`, a form shown below it) inside
// its control; none meets another shown control that holds a text or takes
// input; no control of `form` covers a text of `under`.
void Check(const CUxForm& form, const std::string& what, std::vector<std::string>& faults,
           const CUxForm* under = nullptr) {
    std::vector<Shown> shown, below;
    ShownControls(form, shown);
    if (under != nullptr)
        ShownControls(*under, below);
    const auto fault = [&](const CTextSprite& t, const std::string& why) {
        std::string text = t.GetText();
        std::replace(text.begin(), text.end(), '\v', ' ');
        faults.push_back(what + ": \"" + text.substr(0, 60) + "\" " + why);
    };
    for (const Shown& a : shown) {
        const CTextSprite* t = TextOf(a.window);
        if (t == nullptr)
            continue;
        const CTextSprite::Box lb = t->LayoutBox();
        const Rect ink{lb.Left, lb.Bottom, lb.Right, lb.Top};
        if (!ink.Inside(a.box))
            fault(*t, "leaves its control");
        // On a button or a list row, clear of its gold inlay (chosen or not).
        if (TakesInput(a.window) && !a.window->Pictures.empty()) {
            const float texels = TexelsOf(*a.window->Pictures.front()).first;
            const float bezel =
                texels > 0.0f ? float(gen::kButtonBezel) * a.window->Width / texels : 0.0f;
            const float in = bezel + float(gen::kPlaqueMargin);
            if (ink.l < a.box.l + in - kSlack || ink.r > a.box.r - in + kSlack)
                fault(*t, "meets the inlay of its control");
        }
        for (const Shown& o : shown)
            if (o.window != a.window && (TextOf(o.window) || TakesInput(o.window)) &&
                ink.Meets(o.box) && !a.box.Inside(o.box) && !o.box.Inside(a.box))
                fault(*t, "runs into control " + std::to_string(o.window->Id));
    }
    for (const Shown& a : below)
        if (const CTextSprite* t = TextOf(a.window))
            for (const Shown& o : shown)
                if (o.box.Meets(a.box))
                    fault(*t, "is covered by the form above it");
    // Over a plaque (drawn after it, or with it), a text's ink and a
    // control's box keep to the inner area; a title rising above the plaque
    // meets its rim.
    for (const Plaque& p : PlaquesOf(form, shown)) {
        // A plaque picture is shown at the size it was painted at.
        if (p.window != &form) {
            const auto [tw, th] = TexelsOf(*p.window->Pictures.front());
            if (std::fabs(tw - p.window->Width) > kSlack ||
                std::fabs(th - p.window->Height) > kSlack)
                faults.push_back(what + ": the plaque at (" + std::to_string(int(p.box.l)) + ", " +
                                 std::to_string(int(p.box.t)) + ") is stretched from " +
                                 std::to_string(int(tw)) + " x " + std::to_string(int(th)));
        }
        for (const Shown& a : shown) {
            if (a.window == p.window || a.window->ZOrder > p.window->ZOrder)
                continue;
            const std::string where =
                "at (" + std::to_string(int(p.box.l)) + ", " + std::to_string(int(p.box.t)) + ")";
            const auto onRim = [&](const Rect& part) {
                return part.Meets(p.box) && !part.Inside(p.inner);
            };
            if (const CTextSprite* t = TextOf(a.window)) {
                const CTextSprite::Box lb = t->LayoutBox();
                if (onRim({lb.Left, lb.Bottom, lb.Right, lb.Top}))
                    fault(*t, "stands on the rim of the plaque " + where);
            }
            // Hit areas that show nothing may reach over a plaque.
            if (TakesInput(a.window) && !a.window->Pictures.empty() && onRim(a.box))
                faults.push_back(what + ": the control at (" + std::to_string(int(a.box.l)) + ", " +
                                 std::to_string(int(a.box.t)) +
                                 ") stands on the rim of the plaque " + where);
        }
    }
}

// The numbered texts of Strings.txt that are not shown in a form: the
// floating messages over the board and the shop's hourglass note.
bool Floating(int id) {
    static const int kFloating[] = {10, 11, 12, 13, 17, 18, 20, 21, 23, 24, 30, 35, 36, 37,
                                    38, 39, 40, 41, 42, 43, 64, 65, 66, 67, 68, 70, 75};
    return std::find(std::begin(kFloating), std::end(kFloating), id) != std::end(kFloating);
}

} // namespace

TEST(TextFit, EveryTextTheGameShowsStaysInItsControl) {
    FlowHarness h(5, false, false);
    if (!h.Skip().empty())
        GTEST_SKIP() << h.Skip();
    ASSERT_EQ(h.Failure(), "") << h.Log();
    CGame& g = h.Game();
    CScreensManager& s = *g.Screens;
    std::vector<std::string> faults;

    // Every form with its own captions, as loaded (the message box with one
    // set of buttons, as it is always shown).
    s.ShowMessageBox("", "", CScreensManager::kSetOk, 0);
    for (const CSharedPtr<CUxForm>& form : s.FormsManager->Forms)
        Check(*form, "form texts", faults);

    // Names and scores at their longest.
    ASSERT_EQ(s.ProfileList->CreateProfile(kLongName), 1);
    s.ProfileList->Enumerate();
    s.ProfileSelected = s.FindProfileExact(kLongName);
    s.RefreshProfileList();
    s.UpdateWelcomeText();
    s.PrepareNewProfileForm(kLongName.c_str(), 1);
    Check(*s.MainMenuForm, "welcome", faults);
    Check(*s.ProfilesForm, "player list", faults);
    Check(*s.NewProfileForm, "name entry", faults);
    for (CScoreTable::Row& row : s.ScoreTable->Rows) {
        std::copy(kLongName.begin(), kLongName.end(), row.Name.begin());
        row.Score = CScoreTable::kMaxScore;
    }
    s.FillHighScoreTable(0);
    Check(*s.HighScoresForm, "high scores", faults);
    const std::string score = std::to_string(CScoreTable::kMaxScore);
    for (const CSharedPtr<CUxWindow>& w : s.StatisticsList200)
        CScreensManager::SetWindowText(w, score);
    for (size_t i = 1; i < s.StatisticsControls.size(); i += 2)
        CScreensManager::SetWindowText(s.StatisticsControls[i], i == 3 ? kLongName : score);
    Check(*s.StatisticsForm, "level results", faults);
    // A quest reaches seven digits; the level screen's counter holds eight.
    CScreensManager::SetWindowText(s.CounterLabel, "99999999");
    Check(*s.QuestForm, "score", faults);
    for (const CSharedPtr<CUxForm>& banner :
         {s.MemoryForm, s.ArcadeForm, s.ThimblesForm, s.BlinkerForm})
        Check(*banner, "bonus banner over the score", faults, s.QuestForm.Get());

    // Every numbered text in the control that shows it.
    const auto card = [&](const std::string& title, const std::string& text) {
        g.ShowCard(title, text + "\n" + GetString(69));
        Check(*s.QuestForm, "level card", faults);
    };
    const auto box = [&](const std::string& title, const std::string& text) {
        s.ShowMessageBox(title.c_str(), text.c_str(), CScreensManager::kSetYesNo, 0);
        Check(*s.MsgBoxForm, "message box", faults);
    };
    std::vector<int> placed;
    const auto place = [&](std::initializer_list<int> ids, const std::function<void()>& put) {
        placed.insert(placed.end(), ids);
        put();
    };
    place({8, 9}, [&] {
        s.SetNewLevelText(FormatText(GetString(8), {5, 12}).c_str());
        Check(*s.NewLevelForm, "level caption", faults);
    });
    place({14}, [&] {
        CScreensManager::SetWindowText(s.ShopControl1, GetString(14));
        Check(*s.ShopForm, "shop help", faults);
    });
    place({62}, [&] {
        CScreensManager::SetWindowText(s.ShopStarCount,
                                       FormatText(GetString(62), {CQuestState::kMaxStars}));
        Check(*s.ShopForm, "stars in the bank", faults);
    });
    place({15, 16}, [&] {
        s.SetupMemoryTexts(8, 10, 10);
        s.SetupThimblesTexts(8, 10, 10);
        s.SetupArcadeTexts(8);
        s.SetupBlinkerTexts(8);
        for (const CSharedPtr<CUxForm>& banner :
             {s.MemoryForm, s.ArcadeForm, s.ThimblesForm, s.BlinkerForm})
            Check(*banner, "bonus caption", faults);
    });
    place({22, 26, 27, 28, 29}, [&] {
        for (int id : {27, 28, 29}) {
            s.PrepareNewProfileForm(GetString(22).c_str(), 0);
            CScreensManager::SetWindowText(s.NewProfileControl3, GetString(id));
            Check(*s.NewProfileForm, "name entry", faults);
        }
    });
    placed.push_back(25); // the welcome line, above
    place({31}, [&] { box(FormatText(GetString(31), {kLongName}), ""); });
    place({32, 33}, [&] {
        for (int mode : {0, 1}) {
            s.SetStartQuestText(41, mode);
            Check(*s.StartQuestForm, "saved quest", faults);
        }
    });
    // Questions stand in the title, notices in the text.
    const std::pair<int, int> boxes[] = {{34, 0},    {63, 0},    {44, 45}, {46, 47}, {48, 49},
                                         {105, 106}, {105, 107}, {0, 59},  {0, 60}};
    for (const auto& [title, text] : boxes)
        place({title, text}, [&] { box(GetString(title), GetString(text)); });
    // A file not saved: its notice names the folder, and a level's end can
    // fail the quest and the trophies at once, one note under the other.
    place({241, 242, 243, 244, 245, 246, 247, 248, 249}, [&] {
        for (int32_t what = 0; what <= static_cast<int32_t>(ENotSaved::BestScores); ++what) {
            s.MsgBoxPurpose = 0;
            s.TellNotSaved(static_cast<ENotSaved>(what), "Players/Anastasia Wolf/Quest.sav");
            Check(*s.MsgBoxForm, "not saved", faults);
        }
        s.TellNotSaved(ENotSaved::Quest, "Players/Anastasia Wolf/Quest.sav");
        Check(*s.MsgBoxForm, "not saved, two notes", faults);
    });
    // Older players not copied yet: their folder and the file that stopped
    // the copy, each on a line of its own.
    place({250, 251, 252, 253}, [&] {
        g.OldPlayersNotice = std::string("/usr/share/glorvane/Players\n") +
                             "/usr/share/glorvane/Players/Anastasia Wolf/Quest.sav";
        g.TellOldPlayersNotCopied();
        Check(*s.MsgBoxForm, "older players", faults);
    });
    place({61, 92, 93, 94, 95, 96, 69}, [&] {
        for (int stage = 92; stage <= 96; ++stage)
            card(FormatText(GetString(8), {5, 12}),
                 GetString(stage) + "\n" + FormatText(GetString(61), {99}));
        card(GetString(44), GetString(66) + ": 3");
    });
    place({71, 72, 73, 74, 76, 77, 78, 79}, [&] {
        for (int kind = 1; kind <= 4; ++kind)
            card(FormatText(GetString(15), {8}),
                 GetString(70 + kind) + "\n" + GetString(75 + kind));
    });
    place({81}, [&] {
        CScreensManager::SetWindowText(s.StatisticsControls[3], GetString(81));
        Check(*s.StatisticsForm, "record holder", faults);
    });
    for (int id = 82; id <= 91; ++id)
        placed.push_back(id); // default high-score names: 12 characters at most, above
    place({240}, [&] {
        card(FormatText(GetString(8), {5, 12}), FormatText(GetString(240), {99, "59:59"}));
    });
    // Tips stand in the Tutorial form's box: its title (group 1, second window)
    // and its text.
    const CWindowList& tipBox = s.TutorialGroups[1].Windows;
    ASSERT_GT(tipBox.size(), 1u);
    s.HideTutorialGroups();
    for (size_t k = 0; k < tipBox.size() && k < s.TutorialPoints1.size(); ++k)
        s.TutorialForm->SetChildOffset(tipBox[k], s.TutorialPoints1[k].X, s.TutorialPoints1[k].Y,
                                       tipBox[k]->Offset.Z);
    s.ShowTutorialGroup(1);
    for (int tip = 1; tip <= 10; ++tip)
        for (int step = 0; step < 9; ++step)
            if (!GetString(100 + 10 * tip + step).empty())
                place({100 + 10 * tip + step, 109 + 10 * tip}, [&] {
                    CScreensManager::SetWindowText(tipBox[1], GetString(109 + 10 * tip));
                    CScreensManager::SetWindowText(s.TutorialControl101,
                                                   GetString(100 + 10 * tip + step));
                    s.FitTipBox();
                    Check(*s.TutorialForm, "tip", faults);
                });
    s.HideTutorialGroups();
    // "Swap these" on its plaque.
    s.PlaceSwapThesePointer(0.0f, 0.0f);
    s.ShowTutorialGroup(6);
    Check(*s.TutorialForm, "swap these", faults);
    s.HideTutorialGroups();
    for (int id = 0; id < 1000; ++id)
        if (!GetString(id).empty() && !Floating(id))
            EXPECT_NE(std::find(placed.begin(), placed.end(), id), placed.end())
                << "text " << id << " is shown nowhere in this walk";

    // The shop's item texts, the story pages and the trophies' stories.
    for (const auto& set : g.Shop->upgrades.texts)
        for (const auto& item : set)
            for (const std::string& text : item) {
                CScreensManager::SetWindowText(s.ShopControl1, text);
                Check(*s.ShopForm, "shop item", faults);
            }
    for (const std::string& page : s.StoryPages) {
        CScreensManager::SetWindowText(s.MapControl1, page);
        CScreensManager::SetWindowsVisible({s.MapStoryBox}, 1);
        Check(*s.MapForm, "story", faults);
    }
    // The story stands on a plaque (whose rim the walk above keeps it off).
    std::vector<Shown> onMap;
    ShownControls(*s.MapForm, onMap);
    const std::vector<Plaque> mapPlaques = PlaquesOf(*s.MapForm, onMap);
    if (std::none_of(mapPlaques.begin(), mapPlaques.end(),
                     [&](const Plaque& p) { return p.window == s.MapStoryBox.Get(); }))
        faults.push_back("story: its box is not a plaque");
    for (const auto& trophy : g.Trophies->Descriptions)
        for (const std::string& text : trophy) {
            CScreensManager::SetWindowText(s.TrophyIcons.front(), text);
            Check(*s.TrophiesForm, "trophy", faults);
        }

    std::ostringstream all;
    for (const std::string& f : faults)
        all << f << "\n";
    EXPECT_TRUE(faults.empty()) << faults.size() << " texts do not fit:\n" << all.str();
}

// Every message that rises over the board, at the ordinary size and at the
// largest one the game asks for, stays over the board, clear of its frame
// and of the tablet beside it.
TEST(TextFit, BoardMessagesStayOverTheBoard) {
    FlowHarness h(5);
    START_GAME(h);
    CGame& g = h.Game();
    CPlayField& f = h.Field();
    const CVector3 first = f.CellToWorld(0, 0, true), last = f.CellToWorld(7, 7, true);
    const float hw = f.CellWidth / 2.0f, hh = f.CellHeight / 2.0f;
    const Rect board{std::min(first.X, last.X) - hw, std::min(first.Y, last.Y) - hh,
                     std::max(first.X, last.X) + hw, std::max(first.Y, last.Y) + hh};
    // The messages of the board and of the challenges (the time bonus with
    // the largest figure a level gives).
    const int ids[] = {10, 12, 13, 17, 18, 20, 21, 23, 24, 30,
                       35, 36, 37, 38, 40, 41, 42, 43, 70, 75};
    std::vector<std::string> faults;
    for (int id : ids)
        for (float scale : {CGame::kMsgScale, CGame::kMsgScaleLargest}) {
            f.Popups.Clear();
            const std::string text = FormatText(GetString(id), {9999999});
            g.PopMessage(text, 1.0f, CGame::kMsgGold, scale);
            ASSERT_EQ(f.Popups.Count(), 1u) << text;
            const CSharedPtr<CPopup>& p = f.Popups.GetPopups().front();
            ASSERT_FALSE(p->Sprite.IsNull()) << text;
            const CTextSprite::Box b = p->Sprite->LayoutBox();
            if (!Rect{b.Left, b.Bottom, b.Right, b.Top}.Inside(board))
                faults.push_back("\"" + text + "\" at " + std::to_string(int(scale)) + " spans x " +
                                 std::to_string(int(b.Left)) + " to " +
                                 std::to_string(int(b.Right)));
        }
    f.Popups.Clear();
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// Every message box the game shows: the heading (a question's first line or
// sentence) in the title face, the rest in the body face below it, and the
// two as one block halfway between the frame's top and the buttons.
TEST(TextFit, MessageBoxesHeadTheQuestionAndCentreIt) {
    FlowHarness h(5, false, false);
    START_GAME(h);
    CScreensManager& s = *h.Game().Screens;
    const std::string none;
    const struct {
        std::string title, text;
        int32_t buttons;
    } boxes[] = {{GetString(34), none, CScreensManager::kSetYesNo},
                 {GetString(63), none, CScreensManager::kSetYesNo},
                 {FormatText(GetString(31), {kLongName}), none, CScreensManager::kSetYesCancel},
                 {GetString(46), GetString(47), CScreensManager::kSetOk},
                 {GetString(105), GetString(107), CScreensManager::kSetOk},
                 {none, GetString(59), CScreensManager::kSetYesNo},
                 {none, GetString(60), CScreensManager::kSetOk}};
    const CUxForm& form = *s.MsgBoxForm;
    const float innerTop = BoxOf(form).t - float(gen::kPanelRim) - float(gen::kPlaqueMargin);
    for (const auto& b : boxes) {
        SCOPED_TRACE(b.title + " | " + b.text);
        s.ShowMessageBox(b.title.c_str(), b.text.c_str(), b.buttons, 0);
        const CTextSprite* head = TextOf(s.MsgBoxTitle.Get());
        const CTextSprite* body = TextOf(s.MsgBoxText.Get());
        ASSERT_NE(body, nullptr);
        if (!b.title.empty()) {
            ASSERT_NE(head, nullptr);
            EXPECT_EQ(head->GetText().find('\n'), std::string::npos);
            EXPECT_NE(head->GetFont(), body->GetFont()) << "the heading in the body face";
            // Split, not cut: the heading and the rest make the question.
            if (b.text.empty()) {
                const auto letters = [](std::string t) {
                    t.erase(
                        std::remove_if(t.begin(), t.end(),
                                       [](char c) { return c == '\n' || c == ' ' || c == '\v'; }),
                        t.end());
                    return t;
                };
                EXPECT_EQ(letters(head->GetText() + body->GetText()), letters(b.title));
            }
        }
        CScreenBox ink{}, part{};
        ASSERT_TRUE(CScreensManager::TextInk(s.MsgBoxText, ink));
        if (CScreensManager::TextInk(s.MsgBoxTitle, part))
            ink = {std::min(ink.L, part.L), std::min(ink.B, part.B), std::max(ink.R, part.R),
                   std::max(ink.T, part.T)};
        float buttonsTop = -1e9f;
        for (const CSharedPtr<CUxWindow>& w : s.MsgBoxButtonSets[size_t(b.buttons)])
            buttonsTop = std::max(buttonsTop, BoxOf(*w).t);
        EXPECT_NEAR(innerTop - ink.T, ink.B - buttonsTop, 8.0f)
            << "above the block " << innerTop - ink.T << ", below it " << ink.B - buttonsTop;
    }
}
