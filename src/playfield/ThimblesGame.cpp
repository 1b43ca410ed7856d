#include "playfield/ThimblesGame.h"

#include <algorithm>
#include <cmath>

#include "engine/Random.h"

namespace {

constexpr int32_t kTokenPictures = 7;
constexpr float kSwapTimeBase = 0.75f;
constexpr float kSwapTimeGroupStep = 0.1f;
constexpr float kSwapPauseBase = 0.25f;
constexpr float kSpeedUpFactor = 0.85f;
// Beyond this many wins the swaps are as fast as they will get (0.85^64 is
// far below a frame).
constexpr int32_t kMaxSpeedUps = 64;
constexpr float kRestRowCells = 3.5f; // the rest row, in cell heights below the origin
constexpr float kArcCells = 1.5f;     // height of a swap arc, in cell heights
constexpr int kMaxRedraws = 100;

int32_t DrawIndex(int32_t count) {
    const int32_t i = static_cast<int32_t>(std::floor(RandomFloat() * static_cast<float>(count)));
    return std::clamp(i, 0, count - 1);
}

} // namespace

CThimblesGame::CThimblesGame() {
    Cups.reserve(kCupCount);
}

CThimblesGame::~CThimblesGame() {
    ResetGrid();
    Cups.clear();
    Places.clear();
}

float CThimblesGame::PlaceX(int32_t place) const {
    return OriginX + 2.0f * static_cast<float>(place + 1) * CellWidth;
}

float CThimblesGame::RestY() const {
    return OriginY - kRestRowCells * CellHeight;
}

CSharedPtr<CGridCell> CThimblesGame::Cup(int32_t i) const {
    if (i < 0 || static_cast<size_t>(i) >= Cups.size())
        return CSharedPtr<CGridCell>();
    return Cups[static_cast<size_t>(i)];
}

void CThimblesGame::SetUp(int32_t /*round*/, int32_t group) {
    Cups.clear();
    ResetGrid();
    Timer = 0.0f;
    const int32_t wins = std::max(Wins, 0);
    SwapCount = wins + 3;
    Phase = 0;
    SwapsDone = 0;
    SwapTime = kSwapTimeBase - static_cast<float>(group - 1) * kSwapTimeGroupStep;
    SwapPause = kSwapPauseBase;
    for (int32_t i = 0; i < std::min(wins, kMaxSpeedUps); ++i) {
        SwapTime *= kSpeedUpFactor;
        SwapPause *= kSpeedUpFactor;
    }

    Places.assign(kCupCount, 0);
    const float startY = OriginY + kRestRowCells * CellHeight;
    for (int32_t i = 0; i < kCupCount; ++i) {
        const int32_t kind = i == kTokenCup ? DrawIndex(kTokenPictures) : kEmptyPicture;
        Places[static_cast<size_t>(i)] = i;
        if (Board.IsNull())
            continue;
        const float x = PlaceX(i);
        CSharedPtr<CGridCell> cup = Board->CreateCell(kind, x, startY, Z, Layer);
        // The cups come in open, showing what they hold.
        cup->SetGlowLevel(CGridCell::kOpenLevel);
        cup->GlowValue = 4.0f;
        cup->StartFlight(x, startY, Z, x, RestY(), Z, kFlightTime, CGridCell::kFlyingIn);
        Cups.push_back(cup);
    }
    State = kDealing;
}

int32_t CThimblesGame::OnClick(float x, float y) {
    if (State != kWaitingForClick)
        return kClickIgnored;
    for (int32_t i = 0; i < static_cast<int32_t>(Cups.size()); ++i) {
        CGridCell* cup = Cups[static_cast<size_t>(i)].Get();
        if (!cup)
            continue;
        if (std::fabs(x - cup->X) < cup->HalfSize && std::fabs(y - cup->Y) < cup->HalfSize) {
            cup->SetSelected(true);
            Timer = 0.0f;
            ClickedCup = i;
            Phase = 0;
            State = kRevealing;
            PlayAt(ESound::BonusClick, x);
            return kCupChosen;
        }
    }
    return kClickIgnored;
}

void CThimblesGame::PlaceCups() {
    for (int32_t p = 0; p < kCupCount && static_cast<size_t>(p) < Places.size(); ++p) {
        if (CSharedPtr<CGridCell> cup = Cup(Places[static_cast<size_t>(p)]); !cup.IsNull())
            cup->SetPosition(PlaceX(p), RestY(), Z);
    }
}

void CThimblesGame::DrawSwap() {
    const int32_t a = DrawIndex(kCupCount);
    int32_t b = DrawIndex(kCupCount);
    for (int attempt = 0; b == a && attempt < kMaxRedraws; ++attempt)
        b = DrawIndex(kCupCount);
    if (b == a)
        b = (a + 1) % kCupCount;
    FromPlace = std::max(a, b);
    ToPlace = std::min(a, b);
    MovingCupA = Places[static_cast<size_t>(FromPlace)];
    MovingCupB = Places[static_cast<size_t>(ToPlace)];
    Places[static_cast<size_t>(FromPlace)] = MovingCupB;
    Places[static_cast<size_t>(ToPlace)] = MovingCupA;
}

int32_t CThimblesGame::Update(float dt) {
    UpdateBoard(dt);
    switch (State) {
    case kDealing:
        if (AllAtRest()) {
            Timer = 0.0f;
            State = kShowing;
            Phase = 0;
            Play(ESound::Drop);
        }
        return kNothing;

    case kShowing:
        Timer += dt;
        if (Phase == 0) {
            if (Timer >= ShowTime) {
                Phase = 1;
                Timer = 0.0f;
                for (const CSharedPtr<CGridCell>& cup : Cups) {
                    if (cup.IsNull())
                        continue;
                    cup->SetSelected(false);
                    PlayAt(ESound::BonusClick, cup->X);
                }
            }
        } else if (AllAtRest() && Timer > kClosePause) {
            State = kShuffling;
            Timer = 0.0f;
            Phase = 0;
            SwapsDone = 0;
        }
        return kNothing;

    case kShuffling: {
        Timer += dt;
        if (Timer >= SwapTime && Phase == 0) {
            Play(ESound::Drop);
            PlaceCups();
            Phase = 1;
        }
        if (SwapsDone < 1 || (Timer >= SwapTime + SwapPause && Phase == 1)) {
            ++SwapsDone;
            if (SwapsDone > SwapCount) {
                State = kWaitingForClick;
                return kShuffleEnded;
            }
            DrawSwap();
            Timer = 0.0f;
            Phase = 0;
            return kNothing;
        }
        if (Timer < SwapTime && SwapTime > 0.0f) {
            // One cup arcs up, the other down, crossing in the middle.
            const float t = Timer / SwapTime;
            const float h = 1.0f - 4.0f * (t - 0.5f) * (t - 0.5f);
            const float fromX = PlaceX(FromPlace), toX = PlaceX(ToPlace);
            if (CSharedPtr<CGridCell> a = Cup(MovingCupA); !a.IsNull())
                a->SetPosition(toX * t + fromX * (1.0f - t), RestY() + kArcCells * CellHeight * h,
                               Z);
            if (CSharedPtr<CGridCell> b = Cup(MovingCupB); !b.IsNull())
                b->SetPosition(fromX * t + toX * (1.0f - t), RestY() - kArcCells * CellHeight * h,
                               Z);
        }
        return kNothing;
    }

    case kRevealing:
        if (Phase == 0) {
            Timer += dt;
            const CSharedPtr<CGridCell> clicked = Cup(ClickedCup);
            if (Timer > kRevealPause && (clicked.IsNull() || clicked->IsAtRest())) {
                Timer = 0.0f;
                if (ClickedCup == kTokenCup) {
                    Phase = 1;
                    return kCupOpen;
                }
                // A wrong cup: show what the other two hold.
                Phase = 2;
                float sumX = 0.0f;
                int32_t opened = 0;
                for (int32_t i = 0; i < static_cast<int32_t>(Cups.size()); ++i) {
                    CGridCell* cup = Cups[static_cast<size_t>(i)].Get();
                    if (i == ClickedCup || !cup)
                        continue;
                    cup->SetSelected(true);
                    sumX += cup->X;
                    ++opened;
                }
                if (opened > 0)
                    PlayAt(ESound::BonusClick, sumX / static_cast<float>(opened));
                return kCupOpen;
            }
        } else if (Phase == 1) {
            if (CardsOnBoard() == 0) {
                // Reported once: the round stays over until the next SetUp.
                State = kIdle;
                return kCupsGone;
            }
        } else {
            Timer += dt;
            if (Timer > kRevealPause && AllAtRest()) {
                FlyOut();
                Timer = 0.0f;
                Phase = 1;
            }
        }
        return kNothing;

    default:
        return kNothing;
    }
}

void CThimblesGame::FlyOut() {
    const float topY = OriginY + kRestRowCells * CellHeight;
    for (const CSharedPtr<CGridCell>& cup : Cups) {
        if (cup.IsNull())
            continue;
        cup->StartFlight(cup->X, cup->Y, cup->Z, cup->X, topY, cup->Z, kFlightTime,
                         CGridCell::kFlyingOut);
    }
    Cups.clear();
}
