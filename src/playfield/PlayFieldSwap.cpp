// The swap of two neighbouring caps and its check: a swap whose caps have come
// to rest is kept when it makes a row and sent back otherwise; caps that came
// back, and the whole board when asked, are tested again.
#include <cstdlib>

#include "playfield/CapSlot.h"
#include "playfield/CapsManager.h"
#include "playfield/PlayField.h"

namespace {

bool BothResting(const CCapPair& pair) {
    return !pair.First.IsNull() && !pair.Second.IsNull() &&
           pair.First->State == CBoardElement::kAtRest &&
           pair.Second->State == CBoardElement::kAtRest;
}

} // namespace

void CPlayField::SwapCaps(int32_t column1, int32_t row1, int32_t column2, int32_t row2,
                          int32_t toRecheck) {
    if (!IsOnBoard(column1, row1) || !IsOnBoard(column2, row2))
        return;
    if (std::abs(column1 - column2) + std::abs(row1 - row2) != 1)
        return;
    CSharedPtr<CCap>& cellA = Board[static_cast<size_t>(row1)][static_cast<size_t>(column1)];
    CSharedPtr<CCap>& cellB = Board[static_cast<size_t>(row2)][static_cast<size_t>(column2)];
    if (cellA.IsNull() || cellB.IsNull() || cellA->State == CBoardElement::kRemoving ||
        cellB->State == CBoardElement::kRemoving)
        return;

    IdleTimer = MoveTimer = 0.0f;
    CSharedPtr<CCap> a = cellA;
    CSharedPtr<CCap> b = cellB;
    cellA = b;
    cellB = a;
    (toRecheck ? RecheckList : SwapList).push_back(CCapPair{a, b});

    const float swapTime = Motion ? Motion->SwapTime : CFieldMotion().SwapTime;
    const float half = swapTime * 0.5f;
    auto fly = [&](CCap& cap, int32_t column, int32_t row, float depth) {
        cap.Elapsed = 0.0f;
        cap.PrevColumn = cap.Column;
        cap.PrevRow = cap.Row;
        cap.Column = column;
        cap.Row = row;
        cap.Landed = 0;
        cap.State = CBoardElement::kSwapping;
        cap.Duration = swapTime;
        const CVector3 target = CellToWorld(column, row, false);
        const CVector3 from = cap.Position;
        cap.Path.SetFirstKey(from.X, from.Y, from.Z, (from.X + target.X) * 0.5f,
                             (from.Y + target.Y) * 0.5f, depth, 0.5f, 0.5f, 2.0f, 2.0f, 2.0f, 0.5f,
                             half);
        cap.Path.AddKeyFull(target.X, target.Y, 0.0f, 2.0f, 2.0f, 0.5f, 0.5f, 0.5f, 2.0f, half);
    };
    fly(*a, column2, row2, -1.0f);
    fly(*b, column1, row1, 1.0f);

    // The first cap is drawn one step apart from the second while they cross.
    if (!a->Sprite.IsNull()) {
        a->Sprite->Layer -= 1;
        if (!CapsManager.IsNull())
            CapsManager->ResortSprite(a->Sprite);
    }
}

int32_t CPlayField::CheckSwaps() {
    int32_t total = 0;
    bool matched = false;
    bool slotColourFound = false;
    int32_t colour = 0;

    size_t i = 0;
    while (i < SwapList.size()) {
        if (!BothResting(SwapList[i])) {
            ++i;
            continue;
        }
        const CCapPair pair = SwapList[i];
        SwapList.erase(SwapList.begin() + static_cast<std::ptrdiff_t>(i));
        pair.First->Landed = 1;
        pair.Second->Landed = 1;
        BuildMatchMatrix();
        const int32_t groups = MatchFinder.FindGroups(3, 0);
        if (groups > 0) {
            matched = true;
            const int32_t slotColour = CapSlot.IsNull() ? -1 : CapSlot->Colour;
            if (slotColourFound) {
                colour = slotColour;
            } else {
                bool found = false;
                for (const CMatchGroup& g : MatchFinder.Groups) {
                    if (g.Cells.empty())
                        continue;
                    const CSharedPtr<CCap>& cap = CapAt(g.Cells[0].Column, g.Cells[0].Row);
                    if (!cap.IsNull() && slotColour >= 0 && cap->Colour == slotColour) {
                        colour = slotColour;
                        slotColourFound = true;
                        found = true;
                        break;
                    }
                }
                if (!found && !MatchFinder.Groups.front().Cells.empty()) {
                    const CMatchCell& cell = MatchFinder.Groups.front().Cells[0];
                    const CSharedPtr<CCap>& cap = CapAt(cell.Column, cell.Row);
                    if (!cap.IsNull())
                        colour = cap->Colour;
                }
            }
            ResolveMatches();
            total += groups;
        } else {
            SwapCaps(pair.Second->Column, pair.Second->Row, pair.First->Column, pair.First->Row,
                     1);
            InvalidMove = 1;
        }
    }

    i = 0;
    while (i < RecheckList.size()) {
        if (!BothResting(RecheckList[i])) {
            ++i;
            continue;
        }
        const CCapPair pair = RecheckList[i];
        RecheckList.erase(RecheckList.begin() + static_cast<std::ptrdiff_t>(i));
        pair.First->Landed = 1;
        pair.Second->Landed = 1;
        BuildMatchMatrix();
        const int32_t groups = MatchFinder.FindGroups(3, 0);
        if (groups > 0) {
            ResolveMatches();
            total += groups;
        }
    }

    if (matched)
        Totems.PushRequest(colour);

    if (RecheckBoardFlag) {
        BuildMatchMatrix();
        const int32_t groups = MatchFinder.FindGroups(3, 0);
        if (groups > 0) {
            ResolveMatches();
            total += groups;
        }
        RecheckBoardFlag = 0;
    }
    return total;
}
