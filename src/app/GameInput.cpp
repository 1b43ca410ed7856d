// Mouse and keyboard: the forms see every press, release, key and character
// first; then picking and swapping tokens by clicks and by dragging, the
// challenges' clicks, and the clicks that skip a waiting screen.
#include <cstdlib>
#include <vector>

#include "app/Game.h"
#include "audio/SoundBank.h"
#include "platform/os/Window.h"
#include "playfield/ArcadeGame.h"
#include "playfield/BlinkerGame.h"
#include "playfield/CapSlot.h"
#include "playfield/MemoryGame.h"
#include "playfield/ThimblesGame.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "ui/UxForm.h"

namespace {

// A click ends a waiting screen only after it has been up this long, so that
// a click meant for the last screen does not skip the next one unseen.
constexpr float kClickGuard = 0.3f;

// Over the in-level menu only its own forms (and what they open) take clicks;
// the screen under it waits, its buttons too.
bool TakesClickOverMenu(const CScreensManager& s, int32_t id) {
    for (const CSharedPtr<CUxForm>* f : {&s.GameMenuForm, &s.OptionsForm, &s.MsgBoxForm})
        if (!f->IsNull() && (*f)->Visible && !(*f)->FindChild(id).IsNull())
            return true;
    return false;
}

bool Neighbours(int32_t c1, int32_t r1, int32_t c2, int32_t r2) {
    return std::abs(c1 - c2) + std::abs(r1 - r2) == 1;
}

bool BoardOpen(const CGame& g) {
    return !g.Field.IsNull() && !g.CapSlot.IsNull() && g.GameMenuOpen == 0 &&
           g.Mode == kModeLevel && g.SubState == kSubPlay &&
           (g.TipOpen == kTipNone || g.TipOpen == kTipPointing) && g.Field->InputOpen != 0 &&
           g.Field->Busy == 0 && g.Field->LevelOver == 0 && !g.BoardLocked();
}

// The selected cap's cell when the selection still stands on the board.
bool SelectedCell(const CGame& g, int32_t& column, int32_t& row) {
    const CCapSlot& slot = *g.CapSlot;
    if (slot.State == CCapSlot::kEmpty || slot.Cap.IsNull())
        return false;
    column = slot.Cap->Column;
    row = slot.Cap->Row;
    return g.Field->CapAt(column, row) == slot.Cap;
}

void Select(CGame& g, const CSharedPtr<CCap>& cap) {
    g.CapSlot->Select(cap);
    if (!g.SoundBank.IsNull()) {
        const ESound sound = cap->Colour == CCap::kSteel ? ESound::SelectSteel : ESound::Select;
        g.SoundBank->PlaySampleAt(g.SoundBank->Group(sound), g.CursorX, 0, 0);
    }
}

void SkipWait(CGame& g) {
    if (g.ModeTime >= kClickGuard)
        g.EndDelay = 0.0f;
}

} // namespace

int32_t CGame::OnLButtonDown(int32_t px, int32_t py) {
    CursorPx = px;
    CursorPy = py;
    PixelsToVirtual(px, py, &CursorX, &CursorY);
    LeftDown = 1;
    DragColumn = DragRow = -1;

    if (Mode == kModeSplash) {
        SkipSplash();
        return 0;
    }
    bool onMenuButton = false;
    bool onTipOk = false;
    if (!Screens.IsNull()) {
        const int32_t n = Screens->HandleButtonDown(CursorX, CursorY);
        for (int32_t i = 0; i < n; ++i) {
            const CUxEvent& e = Screens->Events[static_cast<size_t>(i)];
            OnScreenEvent(e);
            onMenuButton |= e.Kind == CUxEvent::kPressed && e.Id == CScreensManager::kIdQuestMenu;
            onTipOk |= e.Kind == CUxEvent::kPressed && e.Id == CScreensManager::kIdTipOk;
        }
    }
    // Behind the in-level menu the level takes no clicks, and the press that
    // opens it does not end a waiting screen either.
    if (GameMenuOpen || onMenuButton)
        return 0;
    if (InShop() && !Shop.IsNull())
        Shop->OnButtonDown(CursorX, CursorY);
    if (onTipOk && TipOpen == kTipShown) {
        CloseTip();
        LeftDown = 0;  // the click was the tip's
        return 0;
    }
    switch (Mode) {
    case kModeLevelIntro:
        SkipWait(*this);
        break;
    case kModeQuestEnd:
        SkipWait(*this);
        break;
    case kModeLevel:
        switch (SubState) {
        case kSubPlay:
            ClickBoard(CursorX, CursorY);
            break;
        case kSubBonus:
            if (BonusIntro) {
                SkipWait(*this);
            } else if (!Field.IsNull() && !BoardLocked()) {
                CPlayField& f = *Field;
                if (BonusKind == kBonusMemory && !f.Memory.IsNull())
                    f.Memory->OnClick(CursorX, CursorY);
                else if (BonusKind == kBonusAccuracy && !f.Arcade.IsNull())
                    f.Arcade->OnClick(CursorX, CursorY);
                else if (BonusKind == kBonusAttention && !f.Thimbles.IsNull())
                    f.Thimbles->OnClick(CursorX, CursorY);
                else if (BonusKind == kBonusReaction && !f.Blinker.IsNull())
                    f.Blinker->OnClick();
            }
            break;
        case kSubResult:
        case kSubGameOver:
            SkipWait(*this);
            break;
        case kSubLostLevel:
            // The lost-level card waits for a click; the fall of the board
            // before it does not.
            if (IntroStep == kLossRestart || IntroStep == kLossRestored)
                SkipWait(*this);
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return 0;
}

int32_t CGame::OnLButtonUp(int32_t px, int32_t py) {
    CursorPx = px;
    CursorPy = py;
    PixelsToVirtual(px, py, &CursorX, &CursorY);
    LeftDown = 0;
    DragColumn = DragRow = -1;
    if (Screens.IsNull())
        return 0;
    // A token in hand is dropped before the shop's buttons see the release.
    if (InShop() && !Shop.IsNull() && !GameMenuOpen)
        Shop->OnButtonUp(CursorX, CursorY);
    const int32_t n = Screens->HandleButtonUp(CursorX, CursorY);
    // A click may fade forms and open others: the records are copied first.
    const std::vector<CUxEvent> events(Screens->Events.begin(), Screens->Events.begin() + n);
    for (const CUxEvent& e : events)
        if (e.Kind == CUxEvent::kReleased &&
            (!GameMenuOpen || TakesClickOverMenu(*Screens, e.Id)) && OnMenuClick(e.Id) == 1)
            return 1;
    return 0;
}

int32_t CGame::OnRButtonDown(int32_t px, int32_t py) {
    CursorPx = px;
    CursorPy = py;
    PixelsToVirtual(px, py, &CursorX, &CursorY);
    // The right button lets go of the token in hand.
    if (!CapSlot.IsNull() && Mode == kModeLevel && SubState == kSubPlay)
        CapSlot->Clear();
    return 0;
}

int32_t CGame::OnKeyDown(uint32_t vk) {
    if (!Screens.IsNull() &&
        Screens->HandleProfileKey(static_cast<int32_t>(vk)) == CScreensManager::kFirstPlayerMade)
        SelectMenuProfile();
    // Escape skips a new quest's story, opens the in-level menu and closes it
    // again.
    if (vk == os::Vk::Escape) {
        if (StoryOpen)
            EndStory();
        else if (GameMenuOpen)
            CloseGameMenu();
        else
            OpenGameMenu();
        return 0;
    }
    // In the Reaction challenge any key is as good as a click.
    if (!GameMenuOpen && Mode == kModeLevel && SubState == kSubBonus && !BonusIntro &&
        BonusKind == kBonusReaction && !Field.IsNull() && !Field->Blinker.IsNull() &&
        !BoardLocked())
        Field->Blinker->OnClick();
    return 0;
}

int32_t CGame::OnChar(uint32_t ch) {
    if (!Screens.IsNull())
        Screens->OnChar(static_cast<char>(ch));
    return 0;
}

void CGame::ClickBoard(float x, float y) {
    if (!BoardOpen(*this))
        return;
    int32_t column = 0, row = 0;
    if (!Field->WorldToCell(x, y, column, row) || !Field->IsCellSelectable(column, row)) {
        // A cap still falling into its cell can be taken on its way; it is
        // swapped once it has come to rest.
        CSharedPtr<CCap> moving;
        if (!Field->ForwardToCapList(moving, x, y).IsNull())
            Select(*this, moving);
        return;
    }
    DragColumn = column;
    DragRow = row;

    const CSharedPtr<CCap>& cap = Field->CapAt(column, row);
    int32_t selColumn = 0, selRow = 0;
    if (!SelectedCell(*this, selColumn, selRow)) {
        Select(*this, cap);
        return;
    }
    if (selColumn == column && selRow == row) {
        CapSlot->Clear();
    } else if (Neighbours(selColumn, selRow, column, row) &&
               Field->IsCellSelectable(selColumn, selRow)) {
        Field->SwapCaps(selColumn, selRow, column, row, 0);
        CapSlot->Clear();
    } else {
        Select(*this, cap);
    }
}

void CGame::UpdateDrag() {
    if (!LeftDown || !BoardOpen(*this))
        return;
    int32_t column = 0, row = 0;
    if (!Field->WorldToCell(CursorX, CursorY, column, row))
        return;
    if (column == DragColumn && row == DragRow)
        return;
    DragColumn = column;
    DragRow = row;
    int32_t selColumn = 0, selRow = 0;
    if (!SelectedCell(*this, selColumn, selRow))
        return;
    // Dragging the token in hand onto a neighbour swaps the two.
    if (Neighbours(selColumn, selRow, column, row) && Field->IsCellSelectable(column, row) &&
        Field->IsCellSelectable(selColumn, selRow)) {
        Field->SwapCaps(selColumn, selRow, column, row, 0);
        CapSlot->Clear();
    }
}
