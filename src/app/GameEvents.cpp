// The play field's events, drained once per frame after its update, and the
// message popups over the board.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/Game.h"
#include "audio/SoundBank.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/StringTable.h"
#include "playfield/BlinkerGame.h"
#include "playfield/ComboStyles.h"
#include "playfield/PopupList.h"

namespace {

constexpr int32_t kTxtShuffling = 12;
constexpr int32_t kTxtNoMoves = 13;
constexpr int32_t kTxtWhere = 20;
constexpr int32_t kTxtMiss = 23;
constexpr int32_t kTxtReactionPenalty = 30;
constexpr int32_t kTxtFirstCombo = 35;  // chains 2, 3, 4 and 5 or more: 35..38
constexpr int32_t kTxtScoreFrenzy = 40;

constexpr float kMessageTime = 1.5f;
// "NO MOVES!" shows while the caps tremble; then they fall and the board is
// built again under "SHUFFLING...", which follows it.
constexpr float kNoMovesTime = 1.5f;
constexpr int32_t kRebuildPathKeys = 30;

void Play(const CGame& g, ESound sound) {
    if (!g.SoundBank.IsNull())
        g.SoundBank->PlaySample(g.SoundBank->Group(sound), 0, 0);
}

// The frenzy's bar is full: the box empties (the full bar fades out as it
// is), and frenzy n + 1 of the level gains less from the sand than the one
// before.
void FinishFrenzy(CGame& g) {
    CPlayField& field = *g.Field;
    field.SetDuneActive(false);
    ++field.TimerRateStep;
    if (CSandbox* sandbox = g.FieldSandbox())
        sandbox->FrenzyGain = CGame::FrenzyGain(field);
    g.AwardStar();
}

} // namespace

void CGame::DispatchFieldEvents() {
    if (Field.IsNull())
        return;
    Field->ReorderEvents();
    // The handlers may call into the field, which may queue new events: those
    // wait for the next frame.
    std::vector<CFieldEvent> events;
    events.swap(Field->Events);
    for (const CFieldEvent& e : events)
        HandleFieldEvent(e);
    if (!events.empty() && Mode == kModeLevel && SubState == kSubPlay)
        CheckPlayTrophies(1);
}

void CGame::HandleFieldEvent(const CFieldEvent& e) {
    if (Field.IsNull())
        return;
    CPlayField& field = *Field;
    const bool playing = Mode == kModeLevel && SubState == kSubPlay;
    const bool onMainBoard = playing || Mode == kModeLevelIntro;
    switch (e.Kind) {
    case CFieldEvent::kCombo:
    case CFieldEvent::kSandFull:
    case CFieldEvent::kTimeWon:
    case CFieldEvent::kLevelComplete:
    case CFieldEvent::kBonusGameFinished:
    case CFieldEvent::kBonusGameRound:
        ActionAge = 0.0f;
        break;
    default:
        break;
    }

    switch (e.Kind) {
    case CFieldEvent::kRemovalFinished:
        // The field has already counted the points; the HUD follows the
        // totals every frame.
        RefreshHud();
        break;

    case CFieldEvent::kCombo: {
        // The field plays the combo sound with every step of the chain.
        if (e.Value < 2 || !onMainBoard)
            break;
        const int32_t id = kTxtFirstCombo + std::min(e.Value, 5) - 2;
        PopMessage(GetString(id), kMessageTime, e.Value >= 4 ? kMsgOrange : kMsgGold, kMsgScale);
        break;
    }

    case CFieldEvent::kSandFull:
        Play(*this, ESound::ScoreFrenzy);
        PopMessage(GetString(kTxtScoreFrenzy), 2.0f, kMsgSky, 58.0f, true);
        break;

    case CFieldEvent::kTimeWon:
        if (!playing || !(e.Amount > 0.0f) || !std::isfinite(e.Amount))
            break;
        TimeLeft = std::min(TimeLeft + e.Amount, TimeLimit);
        Play(*this, ESound::TimeAdd);
        break;

    case CFieldEvent::kLevelComplete:
        WinLevel();
        break;

    case CFieldEvent::kSandRunOut:
        if (playing)
            FinishFrenzy(*this);
        break;

    case CFieldEvent::kNoMoves: {
        if (!onMainBoard || ReopenWhenIdle)
            break;
        ShowMessageId(kTxtNoMoves, kNoMovesTime);
        // The caps fall as "SHUFFLING..." takes its place.
        const float shuffled = PopMessage(GetString(kTxtShuffling), kMessageTime, kMsgSky, 48.0f);
        field.RebuildBoard(std::max(shuffled - kMessageTime - GameClock, 0.0f), kRebuildPathKeys);
        ReopenWhenIdle = 1;
        break;
    }

    case CFieldEvent::kBonusGameFinished:
        OnBonusGameFinished(e);
        break;

    case CFieldEvent::kBonusGameRound:
        OnBonusRoundOver(e);
        break;

    case CFieldEvent::kSandFullMemory:
        // The Memory challenge fills the box with every pair; a full box
        // changes nothing there.
        break;

    case CFieldEvent::kScorePopup: {
        if (e.Value == 0)
            break;
        field.Counters.AddToSets(e.Value, 0);
        CSharedPtr<CPopup> popup;
        field.Popups.SpawnNumberPopup(popup, e.Value, 0, e.X, e.Y, g_comboStyles.Depth);
        RefreshHud();
        break;
    }

    case CFieldEvent::kMessage:
        if (e.Value == 1) {
            ShowMessageId(kTxtWhere);
        } else if (e.Value == 2) {
            ShowMessageId(kTxtMiss);
            PopMessage(GetString(kTxtReactionPenalty), kMessageTime, kMsgRed, 40.0f);
            const float penalty = field.Blinker.IsNull() ? 0.0f : field.Blinker->Penalty;
            BonusTime = std::max(0.0f, BonusTime - std::max(penalty, 0.0f));
        }
        break;

    case CFieldEvent::kTutorialTip:
        if (e.Extra < 1 || TipOpen == kTipShown || TipOpen == kTipPointing)
            break;
        if (Mode == kModeLevelIntro) {
            // Shown when the play begins: the first page asked for.
            if (TipOpen != kTipPending) {
                TipOpen = kTipPending;
                TipNumber = e.Extra;
                TipStep = e.Value;
            }
            break;
        }
        if (!playing) {
            // The level is over: the tip is dropped and the box runs again.
            field.CloseTutorialTip(0);
            break;
        }
        ShowTip(e.Extra, e.Value);
        break;

    default:
        break;
    }
}

float CGame::ShowMessage(const std::string& text, float duration) {
    const float d = std::isfinite(duration) ? std::max(duration, 0.0f) : kMessageTime;
    MessageEndTime = PopMessage(text, d, kMsgGold, kMsgScale);
    return MessageEndTime;
}

float CGame::ShowMessageId(int32_t textId, float duration) {
    return ShowMessage(GetString(textId), duration);
}
