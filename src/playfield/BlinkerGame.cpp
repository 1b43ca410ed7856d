#include "playfield/BlinkerGame.h"

#include <algorithm>
#include <cmath>

#include "engine/Random.h"

namespace {

constexpr int32_t kTokenColours = 7;
constexpr int32_t kGridColumns = 6;
constexpr int32_t kFirstGridRow = 2;
constexpr int32_t kGridRows = 3;
constexpr int32_t kDropRows = 10;
constexpr float kOpenTimeBase = 0.85f;
constexpr float kOpenTimeGroupStep = 0.1f;
constexpr float kDefaultDarkTime = 0.25f;
constexpr float kCatchPause = 1.0f;
constexpr float kMissPause = 3.0f;
constexpr float kMissPenalty = 3.0f;
constexpr float kOpenSpeedUp = 0.95f;
constexpr float kDarkSpeedUp = 0.98f;
constexpr int kMaxRedraws = 1000;

int32_t DrawIndex(int32_t count) {
    const int32_t i = static_cast<int32_t>(std::floor(RandomFloat() * static_cast<float>(count)));
    return std::clamp(i, 0, count - 1);
}

} // namespace

CBlinkerGame::CBlinkerGame() {
    Cards.reserve(16);
}

CBlinkerGame::~CBlinkerGame() {
    ResetGrid();
    Cards.clear();
}

CSharedPtr<CGridCell> CBlinkerGame::OpenCardCell() const {
    if (OpenCard < 0 || static_cast<size_t>(OpenCard) >= Cards.size())
        return CSharedPtr<CGridCell>();
    return Cards[static_cast<size_t>(OpenCard)];
}

void CBlinkerGame::SetUp(int32_t group) {
    Cards.clear();
    ResetGrid();
    Timer = 0.0f;
    Phase = 0;
    OpenCard = -1;
    BlanksInARow = 0;
    Catches = 0;
    OpenTime = kOpenTimeBase - static_cast<float>(group - 1) * kOpenTimeGroupStep;
    DarkTime = kDefaultDarkTime;
    AfterCatchPause = kCatchPause;
    AfterMissPause = kMissPause;
    Penalty = kMissPenalty;

    // Twelve tokens of random colours on random places; the rest stay blank.
    int32_t places[kCardCount] = {};
    for (int32_t n = 0; n < kTokenCards; ++n) {
        int32_t p = DrawIndex(kCardCount);
        for (int attempt = 0; places[p] != 0 && attempt < kMaxRedraws; ++attempt)
            p = DrawIndex(kCardCount);
        if (places[p] != 0) {
            // Unlucky draws: take the next empty place.
            for (int32_t q = 0; q < kCardCount; ++q)
                if (places[(p + q) % kCardCount] == 0) {
                    p = (p + q) % kCardCount;
                    break;
                }
        }
        places[p] = 1 + DrawIndex(kTokenColours);
    }

    for (int32_t r = 0; r < kGridRows; ++r) {
        const int32_t gridRow = kFirstGridRow + r;
        const float y = OriginY - (static_cast<float>(gridRow) + 0.5f) * CellHeight;
        const float startY =
            OriginY - (static_cast<float>(gridRow - kDropRows) + 0.5f) * CellHeight;
        for (int32_t c = 1; c <= kGridColumns; ++c) {
            if (Board.IsNull())
                continue;
            const int32_t value = places[r * kGridColumns + c - 1];
            const int32_t kind = value == 0 ? kBlankKind : value - 1;
            const float x = OriginX + (static_cast<float>(c) + 0.5f) * CellWidth;
            CSharedPtr<CGridCell> card = Board->CreateCell(kind, x, startY, Z, Layer);
            card->SetGlowLevel(0);
            card->GlowValue = 0.0f;
            card->StartFlight(x, startY, Z, x, y, Z, kFlightTime, CGridCell::kFlyingIn);
            Cards.push_back(card);
        }
    }
    State = kDealing;
}

int32_t CBlinkerGame::OnClick() {
    if (State == kFlashing) {
        State = kJudging;
        Timer = 0.0f;
        Phase = kJudge;
    }
    return kNothing;
}

void CBlinkerGame::SpeedUp() {
    OpenTime *= kOpenSpeedUp;
    DarkTime *= kDarkSpeedUp;
}

void CBlinkerGame::ConfirmCatch() {
    ++Catches;
    SpeedUp();
    Phase = kAfterCatch;
    Timer = 0.0f;
}

void CBlinkerGame::ConfirmMiss() {
    Phase = kAfterMiss;
    Timer = 0.0f;
}

void CBlinkerGame::ResumeFlashing() {
    Timer = 0.0f;
    Phase = kDark;
    State = kFlashing;
    // Whatever was open has been judged, closed or broken: a click in the dark
    // phase must find no card open.
    OpenCard = -1;
}

void CBlinkerGame::FlashNextCard() {
    const int32_t n = static_cast<int32_t>(Cards.size());
    if (n == 0)
        return;
    const bool anyToken =
        std::any_of(Cards.begin(), Cards.end(),
                    [](const CSharedPtr<CGridCell>& c) { return !c.IsNull() && !IsBlank(*c); });
    auto tooManyBlanks = [&](int32_t i) {
        const CGridCell* card = Cards[static_cast<size_t>(i)].Get();
        return anyToken && (!card || IsBlank(*card)) && BlanksInARow >= BlankLimit;
    };
    int32_t i = DrawIndex(n);
    for (int attempt = 0; tooManyBlanks(i) && attempt < kMaxRedraws; ++attempt)
        i = DrawIndex(n);
    CGridCell* card = Cards[static_cast<size_t>(i)].Get();
    if (!card)
        return;
    BlanksInARow = IsBlank(*card) ? BlanksInARow + 1 : 0;
    card->SetSelected(true);
    Timer = 0.0f;
    OpenCard = i;
    Phase = kOpen;
    PlayAt(ESound::BonusClick, card->X);
}

int32_t CBlinkerGame::Update(float dt) {
    UpdateBoard(dt);
    switch (State) {
    case kDealing:
        if (AllAtRest()) {
            ResumeFlashing();
            Play(ESound::Drop);
        }
        return kNothing;

    case kFlashing:
        Timer += dt;
        if (Phase == kDark) {
            if (Timer >= DarkTime)
                FlashNextCard();
        } else if (Timer >= OpenTime) {
            if (CSharedPtr<CGridCell> card = OpenCardCell(); !card.IsNull()) {
                card->SetSelected(false);
                PlayAt(ESound::BonusClick, card->X);
            }
            Timer = 0.0f;
            OpenCard = -1;
            Phase = kDark;
        }
        return kNothing;

    case kJudging:
        if (Phase == kJudge) {
            if (!AllAtRest())
                return kNothing;
            const CSharedPtr<CGridCell> card = OpenCardCell();
            return !card.IsNull() && !IsBlank(*card) ? kCatch : kMiss;
        }
        Timer += dt;
        if (Phase == kAfterMiss) {
            if (Timer >= AfterMissPause) {
                for (const CSharedPtr<CGridCell>& c : Cards)
                    if (!c.IsNull() && c->GlowLevel != 0)
                        c->SetSelected(false);
                ResumeFlashing();
            }
        } else if (Phase == kAfterCatch) {
            if (Timer >= AfterCatchPause) {
                Timer = 0.0f;
                if (Catches >= CatchesNeeded) {
                    FlyOut();
                    Phase = 0;
                    State = kClearingAway;
                } else {
                    ResumeFlashing();
                }
            }
        }
        return kNothing;

    case kClearingAway:
        if (Phase == 0 && CardsOnBoard() == 0) {
            // Reported once: the game is over.
            State = kIdle;
            return kCardsGone;
        }
        return kNothing;

    default:
        return kNothing;
    }
}

void CBlinkerGame::FlyOut() {
    for (const CSharedPtr<CGridCell>& card : Cards) {
        if (card.IsNull())
            continue;
        card->StartFlight(card->X, card->Y, card->Z, card->X,
                          card->Y + static_cast<float>(kDropRows) * CellHeight, card->Z,
                          kFlightTime, CGridCell::kFlyingOut);
    }
    Cards.clear();
    OpenCard = -1;
}
