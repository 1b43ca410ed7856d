// The bonus levels: the four challenges played on the field between quest
// levels, their launchers, rounds, time-outs and results.
#include <algorithm>
#include <limits>
#include <string>

#include "app/Game.h"
#include "screens/ScreensManager.h"
#include "audio/MusicPlayer.h"
#include "audio/SoundBank.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "playfield/ArcadeGame.h"
#include "playfield/BlinkerGame.h"
#include "playfield/CapsManager.h"
#include "playfield/LevelRules.h"
#include "playfield/MemoryGame.h"
#include "playfield/ThimblesGame.h"

namespace {

constexpr int32_t kTxtAccuracyFailed = 17;
constexpr int32_t kTxtClickThemAll = 18;
constexpr int32_t kTxtRight = 21;
constexpr int32_t kTxtMiss = 23;
constexpr int32_t kTxtCatch = 24;
constexpr int32_t kTxtBonusWon = 70;
constexpr int32_t kTxtBonusLost = 75;
constexpr int32_t kTxtBonusLevel = 15;
constexpr int32_t kTxtClickToContinue = 69;
// 70 + kind: the challenge's name; 75 + kind: how to play it.
constexpr int32_t kTxtNameBase = 70;
constexpr int32_t kTxtHowBase = 75;

// The schedule: bonus levels 1-8 take the challenges in this order.
constexpr int32_t kSchedule[4] = {kBonusAccuracy, kBonusMemory, kBonusAttention, kBonusReaction};

// The instructions ask for a click and wait for one.
constexpr float kIntroTime = std::numeric_limits<float>::infinity();
constexpr float kResultTime = 3.0f;
constexpr float kMemoryTime = 150.0f;
constexpr float kAccuracyTime = 40.0f;
constexpr float kReactionTime = 60.0f;
constexpr int32_t kMemoryRounds = 3;
constexpr int32_t kAttentionRounds = 10;
constexpr int32_t kAttentionWinsNeeded = 7;

void Play(const CGame& g, ESound sound) {
    if (!g.SoundBank.IsNull())
        g.SoundBank->PlaySample(g.SoundBank->Group(sound), 0, 0);
}

// Every card challenge stands on the field's own geometry.
template <class Challenge>
void PlaceOnField(CGame& g, Challenge& c) {
    const CPlayField& f = *g.Field;
    c.SoundBank = g.SoundBank;
    c.CreateGrid(g.Caps);
    c.SetPlacement(f.Origin[0], f.Origin[1], f.Origin[2], f.CellWidth, f.CellHeight,
                   f.CellWidth, f.CellHeight);
}

// The captions of a bonus level's form: its number and, where it has
// rounds, the round.
void RefreshBonusRows(CGame& g) {
    if (g.Screens.IsNull())
        return;
    CScreensManager& s = *g.Screens;
    switch (g.BonusKind) {
    case kBonusMemory:
        s.SetupMemoryTexts(g.BonusTextKey, g.BonusRound, kMemoryRounds);
        break;
    case kBonusAttention:
        s.SetupThimblesTexts(g.BonusTextKey, g.BonusRound, kAttentionRounds);
        break;
    case kBonusAccuracy:
        s.SetupArcadeTexts(g.BonusTextKey);
        break;
    case kBonusReaction:
        s.SetupBlinkerTexts(g.BonusTextKey);
        break;
    default:
        break;
    }
}

} // namespace

void CGame::StartBonusLevel(int32_t textKey, int32_t group) {
    const int32_t key = std::max(textKey, 1);
    LaunchBonus(kSchedule[(key - 1) % 4], key, group);
}

void CGame::LaunchBonus(int32_t kind, int32_t textKey, int32_t group) {
    if (Field.IsNull() || kind < kBonusMemory || kind > kBonusReaction)
        return;
    CPlayField& field = *Field;
    const int32_t g = std::clamp(group, 1, 2);

    BonusKind = kind;
    BonusTextKey = textKey;
    BonusGroup = g;
    BonusRound = 1;
    BonusWins = 0;
    BonusWon = 0;
    BonusIntro = 1;
    BonusTimedOut = 0;
    BonusTime = BonusTimeLimit = 0.0f;
    ++BonusesPlayed;
    DropTip();
    ReopenWhenIdle = 0;

    // What is left of the won level goes; the sand box starts empty.
    field.ClearBonusGames();
    ClearPopups();
    if (!field.Dune.IsNull()) {
        field.Dune->SetActive(0, 0.0);
        if (!field.Dune->Sandbox.IsNull()) {
            field.Dune->Sandbox->Reset();
            field.Dune->Sandbox->Running = 0;
        }
    }
    field.FieldState = CPlayField::kMainBoard + kind;
    field.SetActive(false);

    switch (kind) {
    case kBonusMemory: {
        if (!Caps.IsNull())
            Caps->SetTextureMode(1);
        BonusTime = BonusTimeLimit = kMemoryTime;
        CSharedPtr<CMemoryGame> game(new CMemoryGame());
        PlaceOnField(*this, *game);
        game->Round = 1;
        field.Memory = game;
        break;
    }
    case kBonusAccuracy: {
        BonusTime = BonusTimeLimit = kAccuracyTime;
        CSharedPtr<CArcadeGame> game(new CArcadeGame());
        // The token is a glowing gem in the lower-left cell of a 4 x 4 sheet;
        // the challenge tints it and adds it to the scene.
        game->SetTextures(SpriteLayers[0], Particles[2], GameTexture("AccuracyToken"),
                          GameTexture("Spark"));
        game->SoundBank = SoundBank;
        // The gems fly into a row along the sand box's frenzy bar.
        const float z = field.Origin[2] - 1.0f;
        float rowX = game->RowX, rowY = game->RowY, rowZ = z;
        float slotW = game->SlotWidth, slotH = game->SlotHeight;
        int32_t slots = game->Slots;
        if (!field.Dune.IsNull()) {
            const CDuneEffect& dune = *field.Dune;
            rowX = dune.Box().X + dune.BarShift[0];
            rowY = dune.Box().Y + dune.BarShift[1];
            slotW = dune.BarElementWidth;
            slotH = dune.BarElementHeight;
            slots = dune.BarElementCount;
            // In front of the sand box's glass, or the glass would hide them.
            rowZ = std::min(z, dune.Box().Z - 1.0f);
            // The empty row shows from the start: the rules ask to fill it.
            field.Dune->SlotsShown = 1;
        }
        game->SetResources(512.0f, 200.0f, z, 640.0f, 500.0f, rowX, rowY, rowZ, slotW, slotH,
                           slots);
        field.Arcade = game;
        break;
    }
    case kBonusAttention: {
        // The cups are cards, drawn from the memory pictures like the others.
        if (!Caps.IsNull())
            Caps->SetTextureMode(1);
        CSharedPtr<CThimblesGame> game(new CThimblesGame());
        PlaceOnField(*this, *game);
        game->Round = 1;
        game->Wins = 0;
        field.Thimbles = game;
        break;
    }
    case kBonusReaction: {
        if (!Caps.IsNull())
            Caps->SetTextureMode(1);
        BonusTime = BonusTimeLimit = kReactionTime;
        CSharedPtr<CBlinkerGame> game(new CBlinkerGame());
        PlaceOnField(*this, *game);
        field.Blinker = game;
        break;
    }
    default:
        break;
    }

    Mode = kModeLevel;
    SubState = kSubBonus;
    ModeTime = 0.0f;
    EndDelay = kIntroTime;
    RequestMusic(kMusicBonusLevel);

    // The bonus level's form over the board, the HUD beside it and the card
    // that explains the game.
    ClearPopups();
    RefreshBonusRows(*this);
    if (!Screens.IsNull()) {
        ShowLevelHud(true);
        Screens->FadeIn(BonusForm(kind), CScreensManager::kMenuFade);
    }
    ShowCard(FormatText(GetString(kTxtBonusLevel), {textKey}),
             GetString(kTxtNameBase + kind) + "\n" + GetString(kTxtHowBase + kind) + "\n" +
                 GetString(kTxtClickToContinue));
}

void CGame::BeginBonusRounds() {
    if (Field.IsNull() || !BonusIntro)
        return;
    CPlayField& field = *Field;
    BonusIntro = 0;
    ModeTime = 0.0f;
    EndDelay = 0.0f;
    HideCard();
    switch (BonusKind) {
    case kBonusMemory:
        if (!field.Memory.IsNull())
            field.Memory->SetUp(3 * BonusGroup - 2);
        break;
    case kBonusAccuracy:
        if (!field.Arcade.IsNull())
            field.Arcade->Start(BonusGroup);
        ShowMessageId(kTxtClickThemAll, 2.0f);
        break;
    case kBonusAttention:
        if (!field.Thimbles.IsNull())
            field.Thimbles->SetUp(1, BonusGroup);
        break;
    case kBonusReaction:
        if (!field.Blinker.IsNull())
            field.Blinker->SetUp(BonusGroup);
        break;
    default:
        break;
    }
}

void CGame::UpdateBonusLevel(float dt) {
    if (BonusIntro) {
        if (EndDelay <= 0.0f)
            BeginBonusRounds();
        RefreshBonusRows(*this);
        return;
    }
    if (BonusTimeLimit > 0.0f && !BonusTimedOut) {
        BonusTime = std::max(0.0f, BonusTime - dt);
        if (BonusTime <= 0.0f)
            OnBonusTimeout();
    } else if (BonusTimedOut == 2) {
        // A Reaction time-out waits for the flashing to take it.
        OnBonusTimeout();
    }
    RefreshBonusRows(*this);
}

void CGame::OnBonusTimeout() {
    if (Field.IsNull())
        return;
    CPlayField& field = *Field;
    BonusTimedOut = 1;
    switch (BonusKind) {
    case kBonusMemory:
        // The level ends with the round-over event of the emptied board.
        field.SpawnMemoryEffects(CLevelRules::MemoryStep());
        if (!field.Memory.IsNull())
            field.Memory->FlyOut();
        break;
    case kBonusAccuracy:
        if (!field.Arcade.IsNull() && field.Arcade->State == CArcadeGame::kLaunching) {
            field.Arcade->State = CArcadeGame::kFinishing;
            field.Arcade->ResetTargets();
            field.Arcade->Launched = 1;
        }
        break;
    case kBonusReaction:
        if (field.Blinker.IsNull())
            break;
        if (field.Blinker->State == CBlinkerGame::kFlashing) {
            field.Blinker->State = CBlinkerGame::kClearingAway;
            field.Blinker->Phase = 0;
            field.Blinker->FlyOut();
        } else if (field.Blinker->State == CBlinkerGame::kDealing ||
                   field.Blinker->State == CBlinkerGame::kJudging) {
            BonusTimedOut = 2;  // try again once it flashes
        }
        break;
    default:
        break;
    }
}

void CGame::OnBonusGameFinished(const CFieldEvent& /*event*/) {
    if (Field.IsNull() || Mode != kModeLevel || SubState != kSubBonus)
        return;
    CPlayField& field = *Field;
    switch (BonusKind) {
    case kBonusMemory:
        // A board solved: its cards break and the rest fly away.
        ++BonusWins;
        field.SpawnMemoryEffects(CLevelRules::MemoryStep());
        if (!field.Memory.IsNull())
            field.Memory->FlyOut();
        break;
    case kBonusAttention:
        if (!field.Thimbles.IsNull() &&
            field.Thimbles->ClickedCup == CThimblesGame::kTokenCup) {
            ++BonusWins;
            ++field.Thimbles->Wins;
            field.SpawnThimblesEffects(CLevelRules::ThimblesStep());
            ShowMessageId(kTxtRight);
            field.Thimbles->FlyOut();
        } else {
            ShowMessageId(kTxtMiss);
            Play(*this, ESound::Wrong);
        }
        break;
    case kBonusReaction:
        field.SpawnBlinkerEffects(CLevelRules::BlinkerStep());
        ShowMessageId(kTxtCatch);
        break;
    default:
        break;
    }
}

void CGame::OnBonusRoundOver(const CFieldEvent& /*event*/) {
    if (Field.IsNull() || Mode != kModeLevel || SubState != kSubBonus)
        return;
    CPlayField& field = *Field;
    switch (BonusKind) {
    case kBonusMemory:
        if (BonusRound < kMemoryRounds && BonusTime > 0.0f && !field.Memory.IsNull()) {
            field.Memory->SetUp(3 * BonusGroup + BonusRound - 2);
            ++BonusRound;
            field.Memory->Round = BonusRound;
        } else {
            EndBonusLevel(BonusWins >= kMemoryRounds && BonusTime > 0.0f ? 1 : 0);
        }
        break;
    case kBonusAttention:
        if (BonusRound < kAttentionRounds && !field.Thimbles.IsNull()) {
            field.Thimbles->SetUp(BonusRound + 1, BonusGroup);
            ++BonusRound;
            field.Thimbles->Round = BonusRound;
        } else {
            EndBonusLevel(BonusWins >= kAttentionWinsNeeded ? 1 : 0);
        }
        break;
    case kBonusAccuracy: {
        const bool won = !field.Arcade.IsNull() && field.Arcade->Hits >= field.Arcade->Slots;
        if (!won)
            ShowMessageId(kTxtAccuracyFailed, 2.0f);
        EndBonusLevel(won ? 1 : 0);
        break;
    }
    case kBonusReaction:
        EndBonusLevel(!field.Blinker.IsNull() &&
                              field.Blinker->Catches >= field.Blinker->CatchesNeeded
                          ? 1
                          : 0);
        break;
    default:
        break;
    }
}

void CGame::EndBonusLevel(int32_t won) {
    if (Field.IsNull())
        return;
    BonusWon = won ? 1 : 0;
    if (BonusWon) {
        ++Field->Trophy7Progress;
        Play(*this, ESound::Win);
        PopMessage(GetString(kTxtBonusWon), 2.5f, kMsgGreen, 56.0f);
        AwardStar();
    } else {
        Play(*this, ESound::Bad);
        PopMessage(GetString(kTxtBonusLost), 2.5f, kMsgRed, 56.0f);
    }
    // The result shows for a moment; then the next quest level (GameFlow.cpp).
    Mode = kModeLevel;
    SubState = kSubResult;
    ModeTime = 0.0f;
    EndDelay = kResultTime;
}
