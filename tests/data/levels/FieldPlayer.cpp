#include "FieldPlayer.h"

#include <algorithm>

#include "bonuses/BonusManager.h"
#include "effects/TerminatorManager.h"
#include "playfield/CapSlot.h"
#include "playfield/GemsBar.h"
#include "playfield/PlayField.h"
#include "playfield/field/FieldDriver.h"

namespace levels {

namespace {

// A board that does not come to rest within this much simulated time is stuck.
constexpr double kSettleSeconds = 30.0;

} // namespace

FieldPlayer::FieldPlayer(uint32_t seed)
    : Driver_(std::make_unique<fieldtest::FieldDriver>(seed)),
      TieState_(seed * 0x9E3779B97F4A7C15ull + 3) {}

FieldPlayer::~FieldPlayer() = default;

CPlayField& FieldPlayer::Field() {
    return Driver_->Field();
}

int32_t FieldPlayer::Start(const LoadedLevel& level, bool hard) {
    CPlayField& f = Driver_->Field();
    f.HardMode = hard ? 1 : 0;
    f.LevelNumber = level.Level > 0 ? level.Level : 1;
    f.SetColours(f.LevelNumber);
    const int32_t read = f.LoadLevel(LevelPath(level.Name));
    f.Reset(0);
    f.Show(true, 1, 0.0f);
    f.SetActive(false);
    Complete_ = false;
    NoMoves_ = 0;
    ReopenIn_ = 0.0f;
    return read;
}

void FieldPlayer::Frame(float dt) {
    CPlayField& f = Driver_->Field();
    f.Update(dt, 10000.0f, 10000.0f);
    f.ReorderEvents();
    for (const CFieldEvent& e : f.Events) {
        if (e.Kind == CFieldEvent::kNoMoves) {
            // The game shows "NO MOVES!" and rebuilds; play reopens after it.
            f.RebuildBoard(0.25f, 30);
            ReopenIn_ = 0.3f;
            ++NoMoves_;
        } else if (e.Kind == CFieldEvent::kLevelComplete) {
            Complete_ = true;
        }
    }
    f.Events.clear();
    if (ReopenIn_ > 0.0f) {
        ReopenIn_ -= dt;
        if (ReopenIn_ <= 0.0f)
            f.SetActive(false);
    }
}

bool FieldPlayer::Settled() {
    // Play is open again and the board is at rest.
    return ReopenIn_ <= 0.0f && Driver_->Field().InputOpen != 0 && Driver_->Settled();
}

bool FieldPlayer::RunUntilSettled(double& t, double limit) {
    const double until = t + kSettleSeconds;
    while (!Settled()) {
        if (Complete_ || Driver_->Field().GemsToCollect <= 0 || t >= limit)
            return true;
        if (t >= until) {
            Trouble_ = "the board did not come to rest within " + std::to_string(kSettleSeconds) +
                       " simulated seconds";
            return false;
        }
        Frame(kDt);
        t += kDt;
    }
    return true;
}

std::string FieldPlayer::Describe() const {
    const CPlayField& f = Driver_->Field();
    std::string out;
    for (int32_t r = 0; r < f.Rows; ++r) {
        for (int32_t c = 0; c < f.Columns; ++c) {
            const CSharedPtr<CCap>& cap = f.CapAt(c, r);
            if (cap.IsNull()) {
                out += ".  ";
                continue;
            }
            out += cap->IsSteel() ? 's' : static_cast<char>('0' + cap->Colour);
            out += cap->Gem ? '*' : cap->LockCount > 0 ? static_cast<char>('0' + std::min(cap->LockCount, 9)) : ' ';
            out += ' ';
        }
        out += '\n';
    }
    out += "gems to collect " + std::to_string(f.GemsToCollect) + ", in the pool " + std::to_string(f.GemPool) + "\n";
    return out;
}

SimResult FieldPlayer::Play(double secondsLimit, const SimTiming& timing, SimBot bot) {
    CPlayField& f = Driver_->Field();
    SimResult out;
    out.GemsGoal = f.GemsToCollect;
    out.BoardBuilt = true;
    auto random = [this] {
        uint64_t z = (TieState_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
    };

    double t = 0.0;
    if (!RunUntilSettled(t, secondsLimit))
        return out;
    for (const auto& row : f.Board)
        for (const auto& cap : row) {
            if (cap.IsNull())
                continue;
            out.StartGems += cap->Gem ? 1 : 0;
            out.StartChains += cap->LockCount > 0 ? 1 : 0;
            out.StartSteel += cap->IsSteel() ? 1 : 0;
        }

    while (!Complete_ && f.GemsToCollect > 0 && t < secondsLimit) {
        if (!RunUntilSettled(t, secondsLimit))
            break;
        if (Complete_ || f.GemsToCollect <= 0 || t >= secondsLimit)
            break;
        f.BuildMatchMatrix();
        GemMap gems{};
        for (int32_t r = 0; r < kBoardSide; ++r)
            for (int32_t c = 0; c < kBoardSide; ++c) {
                const CSharedPtr<CCap>& cap = f.CapAt(c, r);
                if (!cap.IsNull() && cap->Gem)
                    gems[static_cast<size_t>(r)][static_cast<size_t>(c)] = cap->LockCount > 0 ? 2 : 1;
            }
        CMatchMove move;
        if (!ChooseBotMove(f.MatchFinder, gems, bot, random, move)) {
            // No move: the field's own test reports it and the board is rebuilt.
            Frame(kDt);
            t += kDt;
            continue;
        }
        t += timing.ThinkSeconds;
        f.SwapCaps(move.Column1, move.Row1, move.Column2, move.Row2, 0);
        ++out.Moves;
        Frame(kDt);
        t += kDt;
    }
    out.Seconds = t;
    out.GemsCollected = out.GemsGoal - std::max(f.GemsToCollect, 0);
    if (f.GemsToCollect <= 0)
        out.SecondsToGoal = t;
    out.Rebuilds = NoMoves_;
    return out;
}

} // namespace levels
