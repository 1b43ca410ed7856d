// The quest's tutorial on the Tutorial form. The play field asks for a tip
// (its event 13: the tip and its step) when the board has settled; the game
// shows the tip's box with an arrow at what the tip is about (the gem bar, the
// level clock, the sand box, a bonus, a totem, a chained or a steel token, the
// shop's stars), or, on the first level, the "swap these" pointer on a swap
// that really makes a row. A box closes with its OK, the pointer with the
// player's swap. A closed tip is remembered in the player's settings; the
// box's "don't show tips" choice turns the tips off as the options form does.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/Game.h"
#include "bonuses/Bonus.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/StringTable.h"
#include "playerdata/ProfileSettings.h"
#include "playfield/Cap.h"
#include "playfield/GemsBar.h"
#include "playfield/MatchFinder.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "ui/UxButton.h"
#include "ui/UxForm.h"

namespace {

constexpr float kTipFade = 4.0f;
// Tip t at step s reads text 100 + 10 t + s / 2; its title is 100 + 10 t + 9.
constexpr int32_t kTxtTipBase = 100;

// The Tutorial form's groups.
enum : size_t {
    kGroupBox = 1,       // the box: picture, title, text, OK, then the two arrows
    kGroupCellA = 2,     // a marker on the first cell of the pointed swap
    kGroupCellB = 3,     // and on the second
    kGroupClickHere = 4, // the bobbing "click here" pointer
    kGroupNoTips = 5,    // "don't show tips"
    kGroupSwapThese = 6, // the "swap these" pointer
};

// The tips, numbered as the field asks for them.
enum : int32_t {
    kTipBase = 1,
    kTipGem = 2,
    kTipTimer = 4,
    kTipSandbox = 5,
    kTipBonus = 6,
    kTipTotem = 7,
    kTipLock = 8,
    kTipSteel = 9,
    kTipShop = 10,
};

// A point, and for a thing pointed at, half its height.
struct CPoint {
    float X = 0.0f, Y = 0.0f, Half = 0.0f;
};

// Where an arrow points at the thing: at its lower edge from below in the
// upper half of the screen, at its upper edge from above in the lower half.
float ArrowEnd(const CPoint& at) {
    if (at.Y - at.Half >= 0.0f)
        return at.Y - at.Half;
    return at.Y + at.Half < 0.0f ? at.Y + at.Half : at.Y;
}

// The centre of the first cap on the board that passes `test`.
bool FindCap(const CPlayField& f, const std::function<bool(const CCap&)>& test, CPoint& at) {
    for (int32_t r = 0; r < f.Rows; ++r)
        for (int32_t c = 0; c < f.Columns; ++c) {
            const CSharedPtr<CCap>& cap = f.CapAt(c, r);
            if (!cap.IsNull() && test(*cap)) {
                const CVector3 p = f.CellToWorld(c, r, true);
                at = {p.X, p.Y, f.CellHeight / 2.0f};
                return true;
            }
        }
    return false;
}

bool HoldsBonus(const CCap& cap) {
    return cap.HasBonus() && cap.Bonus->Kind != CBonus::kGem;
}

// The colour of the first totem the player owns; -1 for none.
int32_t OwnedTotem(const CPlayField& f) {
    const CTotemPanel& t = f.Totems;
    if (f.TutorialColour >= 0 && f.TutorialColour < CTotemPanel::kColours &&
        t.Tiers[static_cast<size_t>(f.TutorialColour)] > 0)
        return f.TutorialColour;
    for (int32_t c = 0; c < CTotemPanel::kColours; ++c)
        if (t.Tiers[static_cast<size_t>(c)] > 0)
            return c;
    return -1;
}

// What the box of the tip points at, in virtual-screen units; false when it
// stands alone.
bool TipTarget(const CGame& g, int32_t tip, int32_t step, CPoint& at) {
    if (g.Field.IsNull())
        return false;
    const CPlayField& f = *g.Field;
    switch (tip) {
    case kTipGem: {
        if (g.GemsBar.IsNull())
            return false;
        // The first slot of the bar's last groove: the box above the pointer
        // then stays below the clock and the lives.
        float slot[3] = {};
        g.GemsBar->GemTarget(slot, CTotemPanel::kColours - 1, 1);
        at = {slot[0], slot[1], g.GemsBar->GemSize / 2.0f};
        return true;
    }
    case kTipTimer: {
        if (g.Screens.IsNull() || g.Screens->TimerDialQuads.empty())
            return false;
        // The dial's quarters meet at its centre.
        for (const CSharedPtr<CUxWindow>& q : g.Screens->TimerDialQuads) {
            at.X += q->Position.X;
            at.Y += q->Position.Y;
        }
        const auto n = static_cast<float>(g.Screens->TimerDialQuads.size());
        // Each quarter is drawn from a window as large as the whole dial.
        at = {at.X / n, at.Y / n, g.Screens->TimerDialQuads.front()->Height / 2.0f};
        return true;
    }
    case kTipSandbox: {
        if (f.Dune.IsNull())
            return false;
        const CDuneBox& box = f.Dune->Box();
        at = {box.X + box.Width / 2.0f, box.Y - box.Height / 2.0f, box.Height / 2.0f};
        return true;
    }
    case kTipBonus:
        return step > 0 && FindCap(f, HoldsBonus, at);
    case kTipTotem: {
        const int32_t colour = OwnedTotem(f);
        if (colour < 0)
            return false;
        const CVector3& p = f.Totems.PlacePos[static_cast<size_t>(colour)];
        at = {p.X, p.Y, f.Totems.MainSize[1] / 2.0f};
        return true;
    }
    case kTipLock:
        return FindCap(
            f, [](const CCap& cap) { return cap.LockCount > 0; }, at);
    case kTipSteel:
        return FindCap(
            f, [](const CCap& cap) { return cap.IsSteel(); }, at);
    case kTipShop: {
        if (g.Shop.IsNull())
            return false;
        const CVector3 p = g.Shop->BankSlot(0);
        at = {p.X, p.Y};
        return true;
    }
    default:
        return false;
    }
}

// The page that follows the tip's page at `step` (the step the field turns
// into the next page's once the board has settled); -1 when the tip ends.
int32_t NextPage(const CPlayField& f, int32_t tip, int32_t step) {
    CPoint unused;
    switch (tip) {
    case kTipBase:
        return step == 0 ? 2 : -1;
    case kTipBonus:
        return step == 0 && FindCap(f, HoldsBonus, unused) ? 2 : -1;
    case kTipTotem:
        // Pages 0, 2, 6 and 10; the field goes on from 0, 4 and 8.
        return step == 0 ? 0 : step == 2 ? 4 : step == 6 ? 8 : -1;
    default:
        return -1;
    }
}

// A swap for the pointer: the first that makes a row.
bool PickSwap(CPlayField& f, CMatchMove& move) {
    f.BuildMatchMatrix();
    std::vector<CMatchMove> moves;
    f.MatchFinder.ListMoves(moves, 3, 0);
    if (moves.empty())
        return false;
    move = moves.front();
    return true;
}

// An upright rectangle in virtual-screen units, y up.
struct CBox {
    float L = 0.0f, B = 0.0f, R = 0.0f, T = 0.0f;
};

CBox Union(const CBox& a, const CBox& b) {
    return {std::min(a.L, b.L), std::min(a.B, b.B), std::max(a.R, b.R), std::max(a.T, b.T)};
}

CBox CellBox(const CPlayField& f, int32_t c, int32_t r) {
    const CVector3 p = f.CellToWorld(c, r, true);
    const float hw = f.CellWidth / 2.0f, hh = f.CellHeight / 2.0f;
    return {p.X - hw, p.Y - hh, p.X + hw, p.Y + hh};
}

// What keeps the pointer's tip off the caps and the label off the pointer.
constexpr float kCalloutGap = 4.0f;

void Show(const CSharedPtr<CUxWindow>& w, bool on) {
    if (!w.IsNull())
        w->SetVisible(on ? 1 : 0);
}

void Place(CScreensManager& s, const CSharedPtr<CUxWindow>& w, float x, float y) {
    if (!w.IsNull())
        s.TutorialForm->SetChildOffset(w, x, y, w->Offset.Z);
}

// The box as the form lays it out, with its title and text; its OK and the
// "don't show tips" box only where the tip waits for them.
void SetUpBox(CScreensManager& s, const std::string& title, const std::string& text, bool withOk) {
    const CWindowList& box = s.TutorialGroups[kGroupBox].Windows;
    for (size_t k = 0; k < box.size() && k < s.TutorialPoints1.size(); ++k)
        Place(s, box[k], s.TutorialPoints1[k].X, s.TutorialPoints1[k].Y);
    s.ShowTutorialGroup(kGroupBox);
    Show(s.TutorialControl200, false);
    Show(s.TutorialControl201, false);
    CScreensManager::SetWindowText(s.TipTitle, title);
    CScreensManager::SetWindowText(s.TutorialControl101, text);
    for (const CSharedPtr<CUxWindow>& w : box)
        if (w->Id == CScreensManager::kIdTipOk)
            Show(w, withOk);
    s.FitTipBox();
    if (withOk) {
        s.ShowTutorialGroup(kGroupNoTips);
        CScreensManager::SetWindowChecked(s.TutorialControl105, 0);
    }
}

// The "don't show tips" box stays where the form puts it in the tip's box,
// wherever the box has gone since `from`.
void KeepNoTipsInBox(CScreensManager& s, const CScreenPoint& from) {
    const CSharedPtr<CUxWindow>& box = s.TutorialGroups[kGroupBox].Windows.front();
    const float dx = box->Offset.X - from.X, dy = box->Offset.Y - from.Y;
    for (const CSharedPtr<CUxWindow>& w : s.TutorialGroups[kGroupNoTips].Windows)
        Place(s, w, w->Offset.X + dx, w->Offset.Y + dy);
}

// The "click here" pointer on the first buy button that sells, or on the
// bank of stars when none does.
void PointAtShopItem(CGame& g) {
    CScreensManager& s = *g.Screens;
    if (s.ShopForm.IsNull() || g.Shop.IsNull())
        return;
    const CVector3 bank = g.Shop->BankSlot(0);
    s.TutorialX = bank.X;
    s.TutorialY = bank.Y;
    for (const CSharedPtr<CUxWindow>& c : s.ShopForm->Children)
        if (!c.IsNull() && c->Visible && c->Enabled && c->Id >= CShopScreen::kIdFirstBuy &&
            c->Id < CShopScreen::kIdFirstBuy + CShopScreen::kItems) {
            s.TutorialX = c->Position.X;
            s.TutorialY = c->Position.Y;
            break;
        }
    s.ShowTutorialGroup(kGroupClickHere);
    s.PlaceClickHerePointer(s.TutorialX, s.TutorialY);
}

} // namespace

bool CGame::TipsOn() const {
    return !Profile.IsNull() && Profile->Switch(CProfileSettings::kTipsOnSwitch) != 0;
}

void CGame::ShowTip(int32_t tip, int32_t step) {
    TipNumber = tip;
    TipStep = step;
    if (!TipsOn()) {
        // Switched off since the field asked: the field lets the tip go.
        TipOpen = kTipNone;
        if (!Field.IsNull() && Field->TutorialNumber == tip) {
            Field->CloseTutorialTip(0);
            ReopenWhenIdle = tip == kTipTotem ? 1 : ReopenWhenIdle;
        }
        return;
    }
    TipOpen = kTipShown;
    // The sand waits with the clock (the field stopped it when it asked for
    // the tip, but the start of the play may have set it going since).
    if (CSandbox* sandbox = FieldSandbox())
        sandbox->Running = 0;
    if (Screens.IsNull() || Screens->TutorialForm.IsNull() ||
        Screens->TutorialGroups.size() <= kGroupSwapThese)
        return;
    CScreensManager& s = *Screens;
    if (s.TutorialGroups[kGroupBox].Windows.empty())
        return;
    const CSharedPtr<CUxWindow>& box = s.TutorialGroups[kGroupBox].Windows.front();
    CScreenPoint from{box->Offset.X, box->Offset.Y};
    const float raised = s.TipRaise;
    s.HideTutorialGroups();
    const int32_t first = kTxtTipBase + 10 * tip;
    const std::string title = GetString(first + 9);
    const std::string text = GetString(first + std::max(step, 0) / 2);

    CMatchMove move;
    if (tip == kTipBase && step > 0 && !Field.IsNull() && PickSwap(*Field, move)) {
        TipOpen = kTipPointing;
        SetUpBox(s, title, text, false);
        PointAtSwap(move);
    } else {
        SetUpBox(s, title, text, true);
        CPoint at;
        if (TipTarget(*this, tip, step, at)) {
            s.PlaceTutorialArrowWindow(at.X, ArrowEnd(at));
        } else if (!Field.IsNull()) {
            // Standing alone, the box is centred on the board, clear of the
            // tablet beside it.
            const CPlayField& f = *Field;
            const CBox board = Union(CellBox(f, 0, 0), CellBox(f, f.Columns - 1, f.Rows - 1));
            s.CentreTipBox((board.L + board.R) / 2.0f, (board.B + board.T) / 2.0f);
        }
        if (tip == kTipShop)
            PointAtShopItem(*this);
    }
    // The "no more tips" row follows the box, and its bottom.
    from.Y -= s.TipRaise - raised;
    KeepNoTipsInBox(s, from);
    s.FadeIn(s.TutorialForm, kTipFade);
}

void CGame::PointAtSwap(const CMatchMove& move) {
    if (Field.IsNull() || Screens.IsNull() || Screens->TutorialForm.IsNull() ||
        Screens->TutorialGroups.size() <= kGroupSwapThese ||
        Screens->TutorialGroups[kGroupBox].Windows.empty() ||
        Screens->TutorialGroups[kGroupSwapThese].Windows.empty() ||
        Screens->TutorialControl200.IsNull() || Screens->QuestLayout == nullptr)
        return;
    CScreensManager& s = *Screens;
    const CPlayField& f = *Field;
    const CBox a = CellBox(f, move.Column1, move.Row1), b = CellBox(f, move.Column2, move.Row2);
    const CBox pair = Union(a, b);
    const CBox board = Union(CellBox(f, 0, 0), CellBox(f, f.Columns - 1, f.Rows - 1));
    const CUxWindow& form = *s.TutorialForm;
    const CBox screen{form.Position.X - form.Width / 2.0f, form.Position.Y - form.Height / 2.0f,
                      form.Position.X + form.Width / 2.0f, form.Position.Y + form.Height / 2.0f};
    const CUxWindow& pointer = *s.TutorialControl200;
    const CUxWindow& label = *s.TutorialGroups[kGroupSwapThese].Windows.front();
    const float boxH = s.TutorialGroups[kGroupBox].Windows.front()->Height;

    // The pointer and its label stand side by side in a band along the
    // pair's edge, on the board; the box lies beyond them, on the screen.
    // Of the two sides that have room, the one with more screen.
    const float band = kCalloutGap + std::max(pointer.Height, label.Height);
    const float roomBelow = pair.B - screen.B, roomAbove = screen.T - pair.T;
    const bool fitsBelow = pair.B - board.B >= band && roomBelow >= band + boxH;
    const bool fitsAbove = board.T - pair.T >= band && roomAbove >= band + boxH;
    const bool up = fitsBelow == fitsAbove ? roomBelow >= roomAbove : fitsBelow;
    const float x = (pair.L + pair.R) / 2.0f;
    const float tip = up ? pair.B - kCalloutGap : pair.T + kCalloutGap;
    s.TutorialX = x;
    s.TutorialY = (pair.B + pair.T) / 2.0f;
    s.PlaceTutorialArrowWindow(x, tip, up);

    // The label beside the pointer, on the side the board has room for it.
    const float toLabel = (pointer.Width + label.Width) / 2.0f + kCalloutGap;
    const float lx = x + toLabel + label.Width / 2.0f <= board.R ? x + toLabel : x - toLabel;
    const float ly = up ? tip - pointer.Height / 2.0f : tip + pointer.Height / 2.0f;
    // The layout's point of the plaque is what the screens object places.
    const CQuestFieldLayout& q = *s.QuestLayout;
    s.PlaceSwapThesePointer(lx + q.SwapThesePoint[0] - label.Width / 2.0f,
                            ly + q.SwapThesePoint[1] + label.Height / 2.0f);
    s.ShowTutorialGroup(kGroupSwapThese);
    for (const auto& [group, cell] : {std::pair{kGroupCellA, a}, std::pair{kGroupCellB, b}}) {
        for (const CSharedPtr<CUxWindow>& w : s.TutorialGroups[group].Windows)
            Place(s, w, (cell.L + cell.R) / 2.0f, (cell.B + cell.T) / 2.0f);
        s.ShowTutorialGroup(static_cast<int32_t>(group));
    }
}

void CGame::CloseTip() {
    if ((TipOpen != kTipShown && TipOpen != kTipPointing) || Field.IsNull())
        return;
    TipOpen = kTipNone;
    if (!Screens.IsNull()) {
        const auto* box = dynamic_cast<const CUxCheckbox*>(Screens->TutorialControl105.Get());
        if (box && box->Checked && box->Visible && !Profile.IsNull()) {
            Profile->QuestTutorial = 0;
            SaveProfileSettings();
        }
        Screens->FadeOut(Screens->TutorialForm, kTipFade);
    }
    if (TipNumber == kTipShop) {
        // The shop's tip is the game's own: the board has left.
        if (!Profile.IsNull()) {
            Profile->SetSwitch(CProfileSettings::kFirstTipSwitch + kTipShop - 1, 1);
            SaveProfileSettings();
        }
        return;
    }
    CPlayField& f = *Field;
    const int32_t next = NextPage(f, TipNumber, TipStep);
    if (next >= 0 && TipsOn() && f.TutorialNumber == TipNumber) {
        // The field asks for the next page once the board has settled.
        f.TutorialStep = next;
        return;
    }
    f.CloseTutorialTip(1);
    if (TipNumber == kTipTotem)
        ReopenWhenIdle = 1;
}

void CGame::DropTip() {
    if (TipOpen != kTipNone && !Screens.IsNull())
        Screens->FadeOut(Screens->TutorialForm, kTipFade);
    TipOpen = kTipNone;
}

void CGame::UpdateTutorial() {
    if (TipOpen == kTipPointing && !Field.IsNull() && !Field->SwapList.empty())
        CloseTip();
}

void CGame::OfferTotemTip() {
    if (Field.IsNull() || !TipsOn() ||
        Profile->Switch(CProfileSettings::kFirstTipSwitch + kTipTotem - 1) != 0)
        return;
    // Asked for before the board is built: the board of the totem's pages
    // favours its colour, and the level's own board follows them.
    if (OwnedTotem(*Field) >= 0)
        Field->PostResult(kTipTotem, 0);
}

void CGame::OfferShopTip() {
    if (Field.IsNull() || !TipsOn() || TipOpen != kTipNone ||
        Profile->Switch(CProfileSettings::kFirstTipSwitch + kTipShop - 1) != 0)
        return;
    ShowTip(kTipShop, 0);
}
