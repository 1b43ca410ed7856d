// Match resolution: every group found becomes a terminator that destroys its
// caps; groups of four or more put a new bonus on another cap; bonuses still
// flying towards a removed cap move on to another one. The whole-board recheck
// drives the cascades and reports the combo when a cascade ends.
#include "bonuses/BonusManager.h"
#include "effects/TerminatorManager.h"
#include "playfield/CapSlot.h"
#include "playfield/LevelParams.h"
#include "playfield/PlayField.h"

namespace {

// A cap the removal passes may take: present and not already being removed.
bool Removable(const CSharedPtr<CCap>& cap) {
    return !cap.IsNull() && cap->State != CBoardElement::kRemoving;
}

} // namespace

void CPlayField::RemoveCap(CTerminator& terminator, const CSharedPtr<CCap>& cap, int32_t mode) {
    if (!Removable(cap))
        return;
    // Keep the cap alive through the steps below, whatever the board does.
    CSharedPtr<CCap> keep = cap;
    HandOverBonus(keep);
    terminator.Init(keep, mode);
    if (!CapSlot.IsNull() && CapSlot->Holds(keep))
        CapSlot->Clear();
    keep->Landed = 0;
    keep->State = CBoardElement::kRemoving;
    if (keep->LockCount != 0)
        return;
    if (IsOnBoard(keep->Column, keep->Row)) {
        CSharedPtr<CCap>& cell =
            Board[static_cast<size_t>(keep->Row)][static_cast<size_t>(keep->Column)];
        if (cell == keep) {
            cell = CSharedPtr<CCap>();
            return;
        }
    }
    // A cap whose cell words are stale is still found on the board.
    for (auto& row : Board)
        for (auto& cell : row)
            if (cell == keep)
                cell = CSharedPtr<CCap>();
}

CSharedPtr<CTerminator> CPlayField::RemoveSingleCell(int32_t column, int32_t row, int32_t fast) {
    const CSharedPtr<CCap> cap = CapAt(column, row);
    if (!Removable(cap) || Terminators.IsNull())
        return CSharedPtr<CTerminator>();
    CSharedPtr<CTerminator> t = Terminators->CreateTerminator(1, CMatchGroup::Single(column, row),
                                                              cap->SpriteTexture(), fast);
    if (t.IsNull())
        return t;
    RemoveCap(*t, cap, kRemoveOrdinary);
    Terminators->QueueSound(t);
    CountRemovalStats(*t);
    return t;
}

void CPlayField::ResolveMatches() {
    // The groups are copied: handing over bonuses may not touch the finder, but
    // the list must stay as it was found while it is walked.
    const std::vector<CMatchGroup> groups = MatchFinder.Groups;
    if (!groups.empty())
        IdleTimer = 0.0f;
    if (Terminators.IsNull())
        return;
    for (const CMatchGroup& g : groups) {
        // The texture comes from the first cap of the group that is still there.
        CSharedPtr<CCap> first;
        for (const CMatchCell& cell : g.Cells) {
            const CSharedPtr<CCap>& cap = CapAt(cell.Column, cell.Row);
            if (Removable(cap)) {
                first = cap;
                break;
            }
        }
        if (first.IsNull())
            continue;
        CSharedPtr<CTerminator> t = Terminators->CreateTerminator(1, g, first->SpriteTexture(), 0);
        if (t.IsNull())
            continue;
        for (const CMatchCell& cell : g.Cells) {
            const CSharedPtr<CCap> cap = CapAt(cell.Column, cell.Row);
            RemoveCap(*t, cap, kRemoveOrdinary);
        }
        Terminators->QueueSound(t);
        CountRemovalStats(*t);

        if (g.Cells.size() < 4 || !LevelParams || Bonuses.IsNull())
            continue;
        int32_t type = 0, level = 0;
        if (!LevelParams->Draw(g.Cells.size() > 4 ? 1 : 0, type, level))
            continue;
        CSharedPtr<CCap> target;
        if (TutorialNumber == 6) {
            const CSharedPtr<CCap>& fixed = CapAt(4, 4);
            if (Removable(fixed) && fixed->Bonus.IsNull())
                target = fixed;
        }
        if (target.IsNull())
            target = CapList.PickRandomFreeCap();
        if (target.IsNull())
            continue;
        CSharedPtr<CBonus> bonus;
        Bonuses->CreateBonus(bonus, type, level, 0, 1);
        if (bonus.IsNull())
            continue;
        bonus->CreatedInPlay = 1;
        const CVector3 p = target->Position + CVector3(Origin[0], Origin[1], Origin[2]);
        bonus->Pos[0] = p.X;
        bonus->Pos[1] = p.Y;
        bonus->Pos[2] = p.Z;
        bonus->FlyIn(p.X, p.Y, p.Z, target->Size, target->Column, target->Row, 1, 0.5f);
        target->SetBonus(bonus);
    }
}

int32_t CPlayField::RecheckBoard() {
    BuildMatchMatrix();
    const int32_t groups = MatchFinder.FindGroups(3, 0);
    if (groups == 0) {
        if (ChainCounter > 1)
            QueueEvent(CFieldEvent::kCombo, ChainCounter);
        ChainCounter = 0;
        return 0;
    }
    ResolveMatches();
    return static_cast<int32_t>(MatchFinder.Groups.size());
}

int32_t CPlayField::HandOverBonus(CSharedPtr<CCap> cap) {
    if (cap.IsNull() || cap->Bonus.IsNull())
        return 1;
    CSharedPtr<CBonus> bonus = cap->Bonus;
    if (bonus->State != CBonus::kFlyingIn)
        return 1;
    // The cap still carries the bonus here, so it is never its own new home.
    CSharedPtr<CCap> other = CapList.PickRandomFreeCap();
    cap->ClearBonus();
    if (other.IsNull()) {
        bonus->FlyOut(0.5f);
        return 0;
    }
    const CVector3 p = other->Position + CVector3(Origin[0], Origin[1], Origin[2]);
    bonus->MoveTo(p.X, p.Y, p.Z, other->Column, other->Row, 1);
    other->SetBonus(bonus);
    return 1;
}
