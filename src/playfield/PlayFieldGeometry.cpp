// Geometry of the board, tests of its state, the value matrix, the colour draw,
// statistics, the show and activity switches, the event queue order, the hint
// markers and the tutorial-tip selector.
#include <algorithm>
#include <cmath>

#include "audio/SoundBank.h"
#include "bonuses/BonusManager.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "effects/TerminatorManager.h"
#include "engine/PlayFieldStore.h"
#include "engine/Random.h"
#include "playerdata/ProfileSettings.h"
#include "playfield/CapSlot.h"
#include "playfield/CapsManager.h"
#include "playfield/GemsBar.h"
#include "playfield/PlayField.h"

namespace {

const CSharedPtr<CCap> kNoCap;

// The sand box of the dune effect, or null.
CSandbox* SandboxOf(const CSharedPtr<CDuneEffect>& dune) {
    if (dune.IsNull() || dune->Sandbox.IsNull())
        return nullptr;
    return dune->Sandbox.Get();
}

} // namespace

CVector3 CPlayField::CellToWorld(int32_t column, int32_t row, bool withOrigin) const {
    CVector3 p((static_cast<float>(column) + 0.5f) * CellWidth,
               -(static_cast<float>(row) + 0.5f) * CellHeight, 0.0f);
    if (withOrigin) {
        p.X += Origin[0];
        p.Y += Origin[1];
        p.Z += Origin[2];
    }
    return p;
}

bool CPlayField::WorldToCell(float x, float y, int32_t& column, int32_t& row) const {
    column = -1;
    row = -1;
    if (!(CellWidth > 0.0f) || !(CellHeight > 0.0f))
        return false;
    const float fc = std::floor((x - Origin[0]) / CellWidth);
    const float fr = std::floor((Origin[1] - y) / CellHeight);
    // Far-off or non-finite points must not overflow the conversion.
    if (!(std::fabs(fc) < 1.0e6f) || !(std::fabs(fr) < 1.0e6f))
        return false;
    column = static_cast<int32_t>(fc);
    row = static_cast<int32_t>(fr);
    return IsOnBoard(column, row);
}

CVector3 CPlayField::GetCellsCentre(const std::vector<CMatchCell>& cells, bool withOrigin) const {
    CVector3 sum(0.0f, 0.0f, 0.0f);
    for (const CMatchCell& c : cells)
        sum += CellToWorld(c.Column, c.Row, false);
    if (!cells.empty())
        sum = sum * (1.0f / static_cast<float>(cells.size()));
    if (withOrigin)
        sum += CVector3(Origin[0], Origin[1], Origin[2]);
    return sum;
}

const CSharedPtr<CCap>& CPlayField::CapAt(int32_t column, int32_t row) const {
    if (!IsOnBoard(column, row))
        return kNoCap;
    return Board[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

void CPlayField::PlaySound(ESound sound) const {
    if (!SoundBank.IsNull())
        SoundBank->PlaySample(SoundBank->Group(sound), 0, 0);
}

void CPlayField::PlaySoundAt(ESound sound, float x) const {
    if (!SoundBank.IsNull())
        SoundBank->PlaySampleAt(SoundBank->Group(sound), x, 0, 0);
}

int32_t CPlayField::IsCellSelectable(int32_t column, int32_t row) const {
    const CSharedPtr<CCap>& cap = CapAt(column, row);
    if (cap.IsNull())
        return 0;
    return (cap->Landed != 0 && cap->State == CBoardElement::kAtRest && cap->LockCount == 0) ? 1
                                                                                           : 0;
}

int32_t CPlayField::IsIdle(bool checkCells) const {
    if (!Bonuses.IsNull() && Bonuses->AreAllPlaced() == 0)
        return 0;
    if (Totems.IsIdle() == 0)
        return 0;
    if (CapList.IsIdle() == 0)
        return 0;
    if (!Terminators.IsNull() && (!Terminators->Live.empty() || !Terminators->Finished.empty()))
        return 0;
    if (!SwapList.empty() || !RecheckList.empty())
        return 0;
    if (checkCells) {
        for (int32_t r = 0; r < Rows; ++r)
            for (int32_t c = 0; c < Columns; ++c)
                if (CapAt(c, r).IsNull())
                    return 0;
    }
    return 1;
}

int32_t CPlayField::IsGoalReached() const {
    return (TutorialNumber == 0 && GameMode == 0 && GemsToCollect < 1) ? 1 : 0;
}

int32_t CPlayField::HasMarkedCapInBottomRows(int32_t n) const {
    if (n <= 0)
        return 0;
    for (int32_t r = std::max(Rows - n, 0); r < Rows; ++r)
        for (int32_t c = 0; c < Columns; ++c) {
            const CSharedPtr<CCap>& cap = CapAt(c, r);
            if (!cap.IsNull() && cap->Dark > 0)
                return 1;
        }
    return 0;
}

void CPlayField::BuildMatchMatrix() {
    if (MatchFinder.GetColumns() != Columns || MatchFinder.GetRows() != Rows)
        MatchFinder.Resize(Columns, Rows);
    for (int32_t r = 0; r < Rows; ++r)
        for (int32_t c = 0; c < Columns; ++c) {
            const CSharedPtr<CCap>& cap = CapAt(c, r);
            int32_t v = 0;
            if (!cap.IsNull() && cap->Landed != 0) {
                v = cap->Colour + 1;
                if (cap->LockCount > 0)
                    v = -v;
            }
            MatchFinder.Set(c, r, v);
        }
}

int32_t CPlayField::DrawColour() const {
    const float r = RandomFloat();
    if (std::min(SteelProbability, kMaxProbability) > r)
        return CCap::kSteel;
    if (Colours.empty())
        return 0;
    const float n = static_cast<float>(Colours.size());
    size_t i = static_cast<size_t>(std::max(0.0f, std::floor(RandomFloat() * n)));
    i = std::min(i, Colours.size() - 1);
    return Colours[i];
}

void CPlayField::CountRemovalStats(const CTerminator& terminator) {
    const auto cells = static_cast<int32_t>(terminator.Group.Cells.size());
    if (cells > 2) {
        Counters.AddToSets(1, 3);
        Counters.AddToSets(cells, 9);
    }
    int32_t removed = 0;
    for (size_t i = 0; i < terminator.Tokens.size(); ++i) {
        const CSharedPtr<CCap>& cap = terminator.Tokens[i];
        const int32_t mode = i < terminator.Group.Modes.size() ? terminator.Group.Modes[i] : 0;
        if ((!cap.IsNull() && cap->LockCount < 1) || mode == kRemoveAlways)
            ++removed;
    }
    Counters.AddToSets(removed, 2);
}

void CPlayField::Show(bool on, int32_t shownWord, float speed) {
    if (!Store.IsNull())
        Store->Fade.Set(on ? 1 : 0, speed);
    if (!CapsManager.IsNull())
        CapsManager->SetFieldShown(shownWord);
    if (on && GameMode == 0) {
        if (!Dune.IsNull())
            Dune->Create(1, speed);
        if (!GemsBar.IsNull())
            GemsBar->Start(1, speed);
    }
    InvalidMove = 0;
}

void CPlayField::SetActive(bool on) {
    Busy = on ? 1 : 0;
    if (FieldState == kMainBoard) {
        InputOpen = on ? 0 : 1;
        if (GameMode == 0) {
            if (CSandbox* sandbox = SandboxOf(Dune))
                sandbox->Running = on ? 0 : 1;
        }
    }
}

void CPlayField::SetDuneActive(bool on) {
    if (Dune.IsNull())
        return;
    if (!on) {
        Dune->SetActive(0, 0.0);
        return;
    }
    // A frenzy goes on from the progress the last one left, unless that one
    // filled its bar: then the bar starts again from empty.
    const CSandbox* sandbox = SandboxOf(Dune);
    const double progress = sandbox ? sandbox->FrenzyProgress : 0.0;
    Dune->SetActive(1, progress < 1.0 ? progress : 0.0);
    QueueEvent(CFieldEvent::kSandFull);
    Shake.Start(8.0f);
    Counters.AddToSets(1, 7);
}

void CPlayField::StopPlay() {
    Adviser.ReleaseSprites();
    LevelOver = 1;
    if (!CapSlot.IsNull())
        CapSlot->Clear();
    InputOpen = 0;
    if (GameMode == 0) {
        if (CSandbox* sandbox = SandboxOf(Dune))
            sandbox->Grains.clear();
        if (Totems.BlueFlag != 0)
            Totems.SetBlueFlag(0);
        Totems.CancelActive();
    }
}

void CPlayField::PostResult(int32_t tip, int32_t step) {
    CFieldEvent& e = QueueEvent(CFieldEvent::kTutorialTip, step);
    e.Extra = tip;
    if (CSandbox* sandbox = SandboxOf(Dune))
        sandbox->Running = 0;
    TutorialNumber = tip;
    TutorialStep = step;
    TutorialTimer = 0.0f;
}

int32_t CPlayField::ReorderEvents() {
    auto rank = [](const CFieldEvent& e) {
        switch (e.Kind) {
        case CFieldEvent::kLevelComplete: return 1;
        case CFieldEvent::kNoMoves: return 2;
        case CFieldEvent::kSandRunOut: return 3;
        default: return 0;
        }
    };
    std::stable_sort(Events.begin(), Events.end(),
                     [&](const CFieldEvent& a, const CFieldEvent& b) { return rank(a) < rank(b); });
    return static_cast<int32_t>(Events.size());
}

void CPlayField::ShowAllMoves() {
    BuildMatchMatrix();
    if (MatchFinder.HasRun(3, 0))
        return;
    std::vector<CMatchMove> moves;
    MatchFinder.ListMoves(moves, 3, 0);
    std::vector<CAdviserPoint> points;
    auto add = [&](int32_t column, int32_t row) {
        const CVector3 p = CellToWorld(column, row, true);
        const float x = p.X;
        const float y = p.Y + 0.3f * CellHeight;
        for (const CAdviserPoint& q : points)
            if (q.X == x && q.Y == y)
                return;
        points.push_back(CAdviserPoint{x, y, 0.0f});
    };
    for (const CMatchMove& m : moves) {
        add(m.Column1, m.Row1);
        add(m.Column2, m.Row2);
    }
    Adviser.ShowHint(points);
}

int32_t CPlayField::SelectTutorialTip(int32_t& step) {
    // Without a tutorial record the tips are off.
    if (!Tutorial || Tutorial->Switch(CProfileSettings::kTipsOnSwitch) == 0)
        return 0;
    auto seen = [&](int32_t tip) {
        return Tutorial->Switch(CProfileSettings::kFirstTipSwitch + tip - 1) != 0;
    };
    if (TutorialNumber == 1 && TutorialStep == 2) {
        step = 4;
        return 1;
    }
    if (TutorialNumber == 6 && TutorialStep == 2) {
        step = 4;
        return 6;
    }
    if (TutorialNumber == 7) {
        if (TutorialStep == 0 || TutorialStep == 4 || TutorialStep == 8) {
            step = TutorialStep + 2;
            return 7;
        }
        return 0;
    }
    if (TutorialNumber != 0 || GameMode != 0 || Busy != 0 || InputOpen == 0 || LevelOver != 0)
        return 0;

    auto anyCap = [&](auto test) {
        for (int32_t r = 0; r < Rows; ++r)
            for (int32_t c = 0; c < Columns; ++c) {
                const CSharedPtr<CCap>& cap = CapAt(c, r);
                if (!cap.IsNull() && test(*cap))
                    return true;
            }
        return false;
    };
    if (LevelNumber == 1) {
        if (!seen(1)) {
            step = 0;
            return 1;
        }
        if (!seen(2)) {
            if (anyCap([](const CCap& cap) { return cap.Dark > 0; })) {
                step = 0;
                return 2;
            }
            return 0;
        }
    }
    const float playTime = Counters.Sets[2].GetFloat(1);
    if (!seen(4) && playTime >= 30.0f) {
        step = 0;
        return 4;
    }
    if (LevelNumber >= 2 && !seen(5) && playTime >= 60.0f) {
        step = 0;
        return 5;
    }
    if (InvalidMove != 0 && !seen(3) && InvalidMoveTips < 3) {
        ++InvalidMoveTips;
        InvalidMove = 0;
        step = 0;
        return 3;
    }
    if (LevelNumber == 2 && !seen(6)) {
        step = 0;
        return 6;
    }
    if (LevelNumber > 5 && !seen(8)) {
        if (anyCap([](const CCap& cap) { return cap.LockCount > 0; })) {
            step = 0;
            return 8;
        }
        return 0;
    }
    if (LevelNumber < 14)
        return 0;
    if (!seen(9) && anyCap([](const CCap& cap) { return cap.Colour >= 98; })) {
        step = 0;
        return 9;
    }
    return 0;
}
