// The end of a level (every cap falls out below the board), the landing of a
// swapped cap and the pointer query for a moving cap.
#include <cmath>

#include "bonuses/AdviserInterface.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "playfield/CapSlot.h"
#include "playfield/CapsManager.h"
#include "playfield/PlayField.h"

namespace {

// Rows below its cell that a cap falls before it is out of sight.
constexpr int32_t kFallRows = 10;
// No motion is shorter than this, so a path never divides by zero.
constexpr float kShortestMotion = 0.001f;

// Seconds of a free fall over `height` (any sign) with acceleration g; a
// missing or broken acceleration gives the shortest motion.
float FallTime(float height, float g) {
    const float t = std::sqrt(std::fabs(2.0f * height / g));
    return (t >= kShortestMotion && std::isfinite(t)) ? t : kShortestMotion;
}

} // namespace

void CPlayField::DropBoardCaps() {
    const float g = Motion ? Motion->FallAcceleration : 0.0f;
    for (int32_t c = 0; c < Columns; ++c) {
        for (int32_t r = 0; r < Rows; ++r) {
            if (!IsOnBoard(c, r))
                continue;
            CSharedPtr<CCap>& cell = Board[static_cast<size_t>(r)][static_cast<size_t>(c)];
            // A cap held by a terminator is its business: it either leaves the
            // cap list or comes to rest in its cell when the terminator ends.
            if (cell.IsNull() || cell->State == CBoardElement::kRemoving)
                continue;
            CCap& cap = *cell;
            const CVector3 end = CellToWorld(c, r + kFallRows, false);
            const float t = FallTime(cap.Position.Y - end.Y, g);
            // No vertical speed at the start, accelerating downwards.
            cap.Path.SetFirstKey(cap.Position.X, cap.Position.Y, cap.Position.Z, end.X, end.Y, 0.0f,
                                 1.0f, 0.0f, 1.0f, 1.0f, 2.0f, 1.0f, t);
            cap.Landed = 0;
            cap.Duration = t;
            cap.PrevColumn = cap.Column;
            cap.PrevRow = cap.Row;
            cap.Row = r;
            cap.Elapsed = 0.0f;
            cap.State = CBoardElement::kMoving;
            cap.MotionPurpose = CCap::kLeaveBoard;
            cell = CSharedPtr<CCap>();
        }
    }
}

void CPlayField::FinishLevel() {
    Adviser.ReleaseSprites();
    LevelOver = 1;
    if (!CapSlot.IsNull())
        CapSlot->Clear();
    InputOpen = 0;

    DropBoardCaps();

    if (GameMode == 0) {
        if (!Dune.IsNull() && !Dune->Sandbox.IsNull())
            Dune->Sandbox->Grains.clear();
        if (Totems.BlueFlag != 0)
            Totems.SetBlueFlag(0);
        Totems.CancelActive();
    }
    QueueEvent(CFieldEvent::kLevelComplete);
}

void CPlayField::LandCap(CSharedPtr<CCap> cap) {
    if (cap.IsNull())
        return;
    for (const std::vector<CCapPair>* list : {&SwapList, &RecheckList}) {
        for (const CCapPair& pair : *list) {
            if (pair.First == cap) {
                cap->State = CBoardElement::kAtRest;
                // Undo the one step the swap gave the first cap in the draw order.
                if (!cap->Sprite.IsNull()) {
                    cap->Sprite->Layer += 1;
                    if (!CapsManager.IsNull())
                        CapsManager->ResortSprite(cap->Sprite);
                }
                return;
            }
            if (pair.Second == cap) {
                cap->State = CBoardElement::kAtRest;
                return;
            }
        }
    }
}

CSharedPtr<CCap>& CPlayField::ForwardToCapList(CSharedPtr<CCap>& out, float x, float y) {
    out = CapList.FindMovingCap(x, y);
    return out;
}
