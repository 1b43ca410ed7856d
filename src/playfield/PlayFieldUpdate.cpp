// One frame of the play field: shake, cap motions, the swap check and the
// cascades, the sand box, the totems, the scoring of finished removals, the
// refill and the level goal, the bonuses, the adviser, the bonus-level
// challenges and the quarter-second test for a board without moves.
#include <algorithm>

#include "audio/SoundBank.h"
#include "bonuses/BonusManager.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "effects/TerminatorManager.h"
#include "engine/PlayFieldStore.h"
#include "playfield/ArcadeGame.h"
#include "playfield/BlinkerGame.h"
#include "playfield/CapSlot.h"
#include "playfield/CapsManager.h"
#include "playfield/ComboStyles.h"
#include "playfield/GemsBar.h"
#include "playfield/GridCell.h"
#include "playfield/LevelParams.h"
#include "playfield/MemoryGame.h"
#include "playfield/PlayField.h"
#include "playfield/QuestFieldLayout.h"
#include "playfield/ThimblesGame.h"

namespace {

CSandbox* SandboxOf(const CSharedPtr<CDuneEffect>& dune) {
    if (dune.IsNull() || dune->Sandbox.IsNull())
        return nullptr;
    return dune->Sandbox.Get();
}

} // namespace

void CPlayField::UpdateShake(float dt) {
    const int32_t moved = Shake.Update(dt);
    if (!moved && !Shake.Active)
        return;
    float offset[3] = {0.0f, 0.0f, 0.0f};
    if (Shake.Active)
        Shake.Offset(offset);
    for (int i = 0; i < 3; ++i)
        Origin[i] = BaseOrigin[i] + 0.5f * offset[i];
    RoundOrigin();
    if (!Store.IsNull())
        for (int i = 0; i < 3; ++i)
            Store->Offset[i] = BaseOrigin[i] + offset[i];
    if (!Dune.IsNull() && Layout)
        Dune->SetBox(Layout->SandRect[0] + offset[0], Layout->SandRect[1] + offset[1],
                     Layout->SandRect[2], Layout->SandRect[3], Layout->SandRect[4]);
    if (!GemsBar.IsNull() && !Store.IsNull())
        GemsBar->Place(Store->Offset[0], Store->Offset[1], Store->Offset[2]);
    CapList.SetOrigin(Origin[0], Origin[1], Origin[2], 1);
}

void CPlayField::ClipToBoard() {
    if (FieldState != kMainBoard || Store.IsNull()) {
        Popups.ClearCeiling();
        if (!CapsManager.IsNull())
            CapsManager->ClearClip();
        return;
    }
    // The frame's picture is laid out from the board's top-left corner, its
    // opening one cell grid wide and high; the rails stand round it.
    const float left = Store->Offset[0], top = Store->Offset[1];
    Popups.SetCeiling(top);
    if (CapsManager.IsNull())
        return;
    CapsManager->SetClip(left, top,
                         left + Store->Scale[0] * static_cast<float>(Columns) * CellWidth,
                         top - Store->Scale[1] * static_cast<float>(Rows) * CellHeight);
}

void CPlayField::LandFinishedMotions(float dt, float pointerX, float pointerY) {
    CapList.Update(dt, pointerX, pointerY);
    // Removing a cap from the list must not disturb the walk.
    const std::vector<CCapMotionEnd> ended = CapList.GetFinished();
    for (const CCapMotionEnd& end : ended) {
        if (end.Cap.IsNull())
            continue;
        CCap& cap = *end.Cap;
        if (end.Kind == CCapList::kMoveEnded) {
            cap.State = CBoardElement::kAtRest;
            if (cap.Kind != CBoardElement::kBoardCap)
                continue;
            if (cap.MotionPurpose == CCap::kFallIntoCell) {
                cap.Landed = 1;
            } else if (cap.MotionPurpose == CCap::kLeaveBoard) {
                if (!cap.Bonus.IsNull() && !Bonuses.IsNull())
                    Bonuses->RemoveBonus(cap.Bonus);
                CapList.Remove(end.Cap);
            }
        } else if (end.Kind == CCapList::kSwapEnded) {
            LandCap(end.Cap);
        }
    }
}

void CPlayField::UpdateSandbox(float dt) {
    CSandbox* sandbox = SandboxOf(Dune);
    if (!sandbox)
        return;
    sandbox->Update(dt);
    const bool playing = InputOpen != 0 && Busy == 0 && LevelOver == 0;
    switch (sandbox->State) {
    case CSandbox::kEmpty:
        if (sandbox->Mode == CSandbox::kFrenzy)
            Dune->SetActive(0, 0.0);
        break;
    case CSandbox::kFull:
        if (FieldState == kMainBoard && playing)
            SetDuneActive(true);
        else if (FieldState == kMemory)
            QueueEvent(CFieldEvent::kSandFullMemory);
        break;
    case CSandbox::kFrenzyComplete:
        if (playing)
            QueueEvent(CFieldEvent::kSandRunOut);
        break;
    default:
        break;
    }
}

void CPlayField::ScoreFinishedGroups() {
    std::vector<CSharedPtr<CBonus>> bonusesMet;
    bonusesMet.reserve(40);
    int32_t largestChain = 0;
    const CSandbox* sandbox = SandboxOf(Dune);
    // The walk keeps its own handles: dropping sand may not change the list,
    // but the finished terminators must live until they are scored.
    const std::vector<CSharedPtr<CTerminator>> finished = Terminators->Finished;
    for (size_t gi = 0; gi < finished.size(); ++gi) {
        if (finished[gi].IsNull())
            continue;
        const CTerminator& g = *finished[gi];
        const auto cells = static_cast<int32_t>(g.Group.Cells.size());
        const auto caps = static_cast<int32_t>(g.Tokens.size());
        const auto bonuses = static_cast<int32_t>(g.Group.Bonuses.size());

        if (SandOn && LevelParams)
            DropRemovalSand(static_cast<int32_t>(gi),
                            LevelParams->SandForRemoval(cells, 1, bonuses, 0));

        std::vector<CScoreBonusMark> scoreMarks;
        int32_t factor = 0;
        for (size_t i = 0; i < g.Tokens.size(); ++i) {
            const CSharedPtr<CCap>& cap = g.Tokens[i];
            if (cap.IsNull() || cap->Bonus.IsNull())
                continue;
            if (i >= g.RemovalFlags.size() || g.RemovalFlags[i] == 0)
                continue;
            const CSharedPtr<CBonus>& bonus = cap->Bonus;
            if (std::find(bonusesMet.begin(), bonusesMet.end(), bonus) == bonusesMet.end())
                bonusesMet.push_back(bonus);
            if (bonus->Kind == CBonus::kScore) {
                const int32_t f = CLevelRules::ScoreBonusFactor(bonus->Param);
                factor += f;
                scoreMarks.push_back(CScoreBonusMark{bonus->Pos[0], bonus->Pos[1], bonus->Pos[2], f});
            }
        }

        if (LevelParams && LevelParams->IsChainStep(caps)) {
            ++ChainCounter;
            if (ChainCounter >= 2)
                largestChain = std::max(largestChain, ChainCounter);
        }
        int32_t style = 0;
        int32_t points = LevelParams ? LevelParams->RemovalScore(caps, ChainCounter, bonuses, style)
                                     : 50;
        if (sandbox && sandbox->Mode == CSandbox::kFrenzy) {
            points *= 2;
            if (caps > 2)
                Shake.Start(1.5f);
        }
        Counters.AddToSets(ChainCounter, 8);
        Counters.AddToSets(caps, 9);

        const CVector3 at = GetCellsCentre(g.Group.Cells, true);
        CSharedPtr<CPopup> popup;
        if (factor > 0) {
            Popups.SpawnMultiplierPopup(popup, points, factor, scoreMarks, at.X, at.Y,
                                        g_comboStyles.Depth);
            points *= factor;
        } else {
            Popups.SpawnNumberPopup(popup, points, style, at.X, at.Y, g_comboStyles.Depth);
        }
        Counters.AddToSets(points, 0);
    }
    Terminators->Finished.clear();

    if (largestChain >= 2 && !SoundBank.IsNull())
        SoundBank->PlayCombo(largestChain);
    if (!Bonuses.IsNull() && !bonusesMet.empty()) {
        const std::vector<CSharedPtr<CBonus>> live = Bonuses->Bonuses;
        for (const CSharedPtr<CBonus>& bonus : live)
            if (std::find(bonusesMet.begin(), bonusesMet.end(), bonus) != bonusesMet.end())
                ActivateBonus(bonus);
    }
    QueueEvent(CFieldEvent::kRemovalFinished);
}

void CPlayField::RunRefillStep() {
    if (!InputOpen || GameMode != 0 || FieldState != kMainBoard)
        return;
    if (!Terminators.IsNull() && (!Terminators->Live.empty() || !Terminators->Finished.empty()))
        return;
    if (!Totems.IsIdle())
        return;
    if (!Bonuses.IsNull() && !Bonuses->AreEffectsDone())
        return;
    for (const CSharedPtr<CCap>& cap : CapList.GetCaps())
        if (!cap.IsNull() && cap->Kind == CBoardElement::kBoardCap && cap->Landed == 0)
            return;

    bool anyEmpty = false;
    for (int32_t r = 0; r < Rows && !anyEmpty; ++r)
        for (int32_t c = 0; c < Columns; ++c)
            if (CapAt(c, r).IsNull()) {
                anyEmpty = true;
                break;
            }

    if (!anyEmpty) {
        if (RecheckBoard() != 0)
            return;
        if (IsGoalReached()) {
            FinishLevel();
            return;
        }
        int32_t step = 0;
        const int32_t tip = SelectTutorialTip(step);
        if (tip != 0)
            PostResult(tip, step);
        return;
    }
    if (Source != kRandomFill) {
        BuildBoard(1, 1);
        Source = SourceAux = 0;
    } else if ((TutorialNumber == 1 && TutorialStep == 2) ||
               (TutorialNumber == 6 && TutorialStep == 2) ||
               (TutorialNumber == 7 && TutorialStep == 4)) {
        BuildBoard(1, 1);
    } else if (IsGoalReached()) {
        FinishLevel();
    } else {
        BuildBoard(0, 0);
    }
}

void CPlayField::RunChallenges(float dt) {
    if (GameMode != 0 || FieldState == kMainBoard || Busy)
        return;
    auto popup = [&](int32_t points, float x, float y) {
        CFieldEvent& e = QueueEvent(CFieldEvent::kScorePopup, points);
        e.X = x;
        e.Y = y;
    };
    switch (FieldState) {
    case kMemory: {
        if (Memory.IsNull())
            return;
        CMemoryGame& game = *Memory;
        const int32_t result = game.Update(dt);
        if (result == CMemoryGame::kLastPairFound || result == CMemoryGame::kPairFound) {
            popup(100, game.PairPosition[0], game.PairPosition[1]);
            popup(100, game.PairPosition[2], game.PairPosition[3]);
            if (result == CMemoryGame::kLastPairFound)
                QueueEvent(CFieldEvent::kBonusGameFinished, 100);
        } else if (result == CMemoryGame::kBoardCleared) {
            QueueEvent(CFieldEvent::kBonusGameRound);
        }
        break;
    }
    case kArcade:
        if (!Arcade.IsNull() && Arcade->Update(dt) == CArcadeGame::kOver)
            QueueEvent(CFieldEvent::kBonusGameRound);
        break;
    case kThimbles: {
        if (Thimbles.IsNull())
            return;
        CThimblesGame& game = *Thimbles;
        const int32_t result = game.Update(dt);
        if (result == CThimblesGame::kCupOpen) {
            if (game.ClickedCup == CThimblesGame::kTokenCup) {
                const CSharedPtr<CGridCell> cup = game.Cup(CThimblesGame::kTokenCup);
                if (!cup.IsNull())
                    popup(500, cup->X, cup->Y);
            }
            QueueEvent(CFieldEvent::kBonusGameFinished);
        } else if (result == CThimblesGame::kShuffleEnded) {
            QueueEvent(CFieldEvent::kMessage, 1);
        } else if (result == CThimblesGame::kCupsGone) {
            QueueEvent(CFieldEvent::kBonusGameRound);
        }
        break;
    }
    case kBlinker: {
        if (Blinker.IsNull())
            return;
        CBlinkerGame& game = *Blinker;
        const int32_t result = game.Update(dt);
        if (result == CBlinkerGame::kCatch) {
            const CSharedPtr<CGridCell> card = game.OpenCardCell();
            const float x = card.IsNull() ? 0.0f : card->X;
            const float y = card.IsNull() ? 0.0f : card->Y;
            game.ConfirmCatch();
            popup(500, x, y);
            QueueEvent(CFieldEvent::kBonusGameFinished);
        } else if (result == CBlinkerGame::kMiss) {
            game.ConfirmMiss();
            if (!SoundBank.IsNull())
                SoundBank->PlaySample(SoundBank->Group(ESound::Wrong), 0, 0);
            QueueEvent(CFieldEvent::kMessage, 2);
        } else if (result == CBlinkerGame::kCardsGone) {
            QueueEvent(CFieldEvent::kBonusGameRound);
        }
        break;
    }
    default:
        break;
    }
}

void CPlayField::RunNoMoveTest(float dt) {
    if (GameMode < 0 || GameMode > 2 || Busy || !InputOpen || LevelOver ||
        FieldState != kMainBoard)
        return;
    NoMoveTimer += dt;
    if (NoMoveTimer < kNoMoveTestPeriod)
        return;
    NoMoveTimer = 0.0f;
    if (!IsIdle(true))
        return;
    BuildMatchMatrix();
    if (!MatrixHasRun() && !MatrixHasMove())
        QueueEvent(CFieldEvent::kNoMoves);
}

void CPlayField::Update(float dt, float pointerX, float pointerY) {
    UpdateShake(dt);
    ClipToBoard();
    LandFinishedMotions(dt, pointerX, pointerY);
    CheckSwaps();

    if (!CapSlot.IsNull())
        CapSlot->Update(dt);
    if (!Store.IsNull())
        Store->Fade.Update(dt);

    if (GameMode == 0)
        UpdateSandbox(dt);
    if (!Dune.IsNull())
        Dune->Update(dt);
    if (!GemsBar.IsNull())
        GemsBar->Update(dt);

    if (Totems.Update(dt) > 0)
        ApplyTotemActions();

    if (!Terminators.IsNull()) {
        Terminators->Update(dt);
        if (!Terminators->Finished.empty())
            ScoreFinishedGroups();
    }

    RunRefillStep();

    if (!Bonuses.IsNull()) {
        Bonuses->Update(dt);
        ApplyBonusRequests();
    }

    if (InputOpen) {
        if (Adviser.Update(dt) < 0)
            ShowAllMoves();
        IdleTimer += dt;
        MoveTimer += dt;
        TutorialTimer += dt;
    }

    RunChallenges(dt);

    if (!CapsManager.IsNull())
        CapsManager->SetLightPoint(pointerX, pointerY);

    RunNoMoveTest(dt);

    if (!Terminators.IsNull())
        Terminators->PlayQueuedSounds();
}

void CPlayField::UpdateOffBoard(float dt) {
    Totems.Update(dt);
    if (!Bonuses.IsNull()) {
        Bonuses->Update(dt);
        Bonuses->Pending.clear();
    }
}
