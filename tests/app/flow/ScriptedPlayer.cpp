#include "app/flow/ScriptedPlayer.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

#include "engine/SpriteQuad.h"
#include "playfield/ArcadeGame.h"
#include "playfield/BlinkerGame.h"
#include "playfield/GridCell.h"
#include "playfield/MemoryGame.h"
#include "playfield/ThimblesGame.h"

namespace flowtest {

namespace {

// A person needs a moment between two moves.
constexpr float kThinkTime = 0.25f;
// Every this many moves the player drags instead of clicking twice.
constexpr int32_t kDragEvery = 4;

using Matrix = std::vector<std::vector<int32_t>>;

int32_t At(const Matrix& m, int32_t c, int32_t r) {
    if (r < 0 || c < 0 || r >= static_cast<int32_t>(m.size()) ||
        c >= static_cast<int32_t>(m[static_cast<size_t>(r)].size()))
        return 0;
    return m[static_cast<size_t>(r)][static_cast<size_t>(c)];
}

// The cells of the rows of three or more through (c, r).
void RunCells(const Matrix& m, int32_t c, int32_t r, std::vector<std::pair<int32_t, int32_t>>& out) {
    const int32_t v = std::abs(At(m, c, r));
    if (!CMatchFinder::Matches(v))
        return;
    for (const auto& [dc, dr] : {std::pair{1, 0}, std::pair{0, 1}}) {
        int32_t a = 0, b = 0;
        while (std::abs(At(m, c - (a + 1) * dc, r - (a + 1) * dr)) == v)
            ++a;
        while (std::abs(At(m, c + (b + 1) * dc, r + (b + 1) * dr)) == v)
            ++b;
        if (a + b + 1 >= 3)
            for (int32_t k = -a; k <= b; ++k)
                out.emplace_back(c + k * dc, r + k * dr);
    }
}

} // namespace

bool ScriptedPlayer::BoardReady() {
    CGame& g = h_.Game();
    CPlayField& f = h_.Field();
    return g.Mode == kModeLevel && g.SubState == kSubPlay && g.TipOpen == 0 && f.InputOpen &&
           !f.Busy && !f.LevelOver && !g.ReopenWhenIdle && !g.BoardLocked() && f.IsIdle(true);
}

bool ScriptedPlayer::BestMove(CMatchMove& out) {
    CPlayField& f = h_.Field();
    f.BuildMatchMatrix();
    std::vector<CMatchMove> moves;
    f.MatchFinder.ListMoves(moves, 3, 0);
    if (moves.empty())
        return false;
    const Matrix& base = f.MatchFinder.Matrix;
    int64_t best = -1;
    for (const CMatchMove& m : moves) {
        Matrix after = base;
        std::swap(after[static_cast<size_t>(m.Row1)][static_cast<size_t>(m.Column1)],
                  after[static_cast<size_t>(m.Row2)][static_cast<size_t>(m.Column2)]);
        std::vector<std::pair<int32_t, int32_t>> cells;
        RunCells(after, m.Column1, m.Row1, cells);
        RunCells(after, m.Column2, m.Row2, cells);
        std::sort(cells.begin(), cells.end());
        cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
        int64_t gems = 0, chains = 0, lowest = 0;
        for (const auto& [c, r] : cells) {
            // The token now in (c, r) came from the other cell of the swap.
            int32_t fromC = c, fromR = r;
            if (c == m.Column1 && r == m.Row1) {
                fromC = m.Column2;
                fromR = m.Row2;
            } else if (c == m.Column2 && r == m.Row2) {
                fromC = m.Column1;
                fromR = m.Row1;
            }
            const CSharedPtr<CCap>& cap = f.CapAt(fromC, fromR);
            if (!cap.IsNull() && cap->Gem)
                ++gems;
            if (At(after, c, r) < 0)
                ++chains;
            lowest = std::max<int64_t>(lowest, r);
        }
        const int64_t score = gems * 100000 + static_cast<int64_t>(cells.size()) * 1000 +
                              chains * 100 + lowest;
        if (score > best) {
            best = score;
            out = m;
        }
    }
    return true;
}

void ScriptedPlayer::MakeMove(const CMatchMove& m) {
    CPlayField& f = h_.Field();
    const CVector3 a = f.CellToWorld(m.Column1, m.Row1, true);
    const CVector3 b = f.CellToWorld(m.Column2, m.Row2, true);
    ++moves_;
    if (moves_ % kDragEvery == 0) {
        // Press on the first token and drag it onto the second.
        ++drags_;
        h_.Press(a.X, a.Y);
        h_.MoveTo(0.5f * (a.X + b.X) + 0.1f * (b.X - a.X), 0.5f * (a.Y + b.Y));
        h_.Frames(1);
        h_.MoveTo(b.X, b.Y);
        h_.Frames(1);
        h_.Release(b.X, b.Y);
    } else {
        h_.Click(a.X, a.Y);
        h_.Frames(1);
        h_.Click(b.X, b.Y);
    }
    wait_ = kThinkTime;
}

ScriptedPlayer::Outcome ScriptedPlayer::PlayLevel(float seconds) {
    CGame& g = h_.Game();
    const int32_t level = g.Level;
    const auto frames = static_cast<int32_t>(seconds / FlowHarness::kDt);
    for (int32_t i = 0; i < frames; ++i) {
        if (g.Mode == kModeLevel && g.SubState == kSubResult && g.LevelCompleted)
            return kWon;
        if (g.Mode == kModeLevel && g.SubState == kSubLostLevel)
            return kLost;
        if (g.Mode == kModeLevelIntro) {
            // A person reads the caption for a moment, then clicks on.
            if (g.ModeTime > 1.0f)
                h_.Click(0.0f, 0.0f);
        } else if (g.TipOpen == 1) {
            h_.Click(100.0f, 0.0f);
        } else if (wait_ <= 0.0f && g.Level == level && BoardReady()) {
            CMatchMove m;
            if (BestMove(m))
                MakeMove(m);
        }
        wait_ -= FlowHarness::kDt;
        h_.Frames(1);
    }
    return kOutOfTime;
}

void ScriptedPlayer::BonusStep() {
    CGame& g = h_.Game();
    CPlayField& f = h_.Field();
    if (g.BonusIntro) {
        if (g.ModeTime > 1.0f)
            h_.Click(0.0f, 0.0f);
        return;
    }
    switch (g.BonusKind) {
    case kBonusMemory: {
        if (f.Memory.IsNull())
            return;
        CMemoryGame& m = *f.Memory;
        if (m.State != CMemoryGame::kWaitingForClick)
            return;
        // The player remembers every picture: the open card's twin, or the
        // first card of any pair still closed.
        const CGridCell* open = nullptr;
        if (m.FirstColumn >= 0) {
            const CSharedPtr<CGridCell> first = m.CardAt(m.FirstColumn, m.FirstRow);
            open = first.Get();
        }
        std::map<int32_t, std::vector<const CGridCell*>> byKind;
        for (size_t r = 0; r < m.Cards.size(); ++r)
            for (size_t c = 0; c < m.Cards[r].size(); ++c) {
                const CGridCell* card = m.Cards[r][c].Get();
                if (card && !m.IsMatched(static_cast<int32_t>(c), static_cast<int32_t>(r)))
                    byKind[card->Kind].push_back(card);
            }
        const CGridCell* target = nullptr;
        if (open) {
            for (const CGridCell* card : byKind[open->Kind])
                if (card != open)
                    target = card;
        } else {
            for (auto& [kind, cards] : byKind)
                if (cards.size() >= 2) {
                    target = cards.front();
                    break;
                }
        }
        if (target)
            h_.Click(target->X, target->Y);
        return;
    }
    case kBonusAccuracy: {
        if (f.Arcade.IsNull())
            return;
        for (const CSharedPtr<CArcadeItem>& token : f.Arcade->Tokens) {
            if (token.IsNull() || token->State != CArcadeItem::kFlying || token->Sprite.IsNull())
                continue;
            const CVector3 p = token->Sprite->Position;
            // Only what is on screen can be clicked.
            if (std::abs(p.X) < 490.0f && std::abs(p.Y) < 360.0f) {
                h_.Click(p.X, p.Y);
                return;
            }
        }
        return;
    }
    case kBonusAttention: {
        if (f.Thimbles.IsNull() || f.Thimbles->State != CThimblesGame::kWaitingForClick)
            return;
        // The player followed the cup with the token.
        const CSharedPtr<CGridCell> cup = f.Thimbles->Cup(CThimblesGame::kTokenCup);
        if (!cup.IsNull())
            h_.Click(cup->X, cup->Y);
        return;
    }
    case kBonusReaction: {
        if (f.Blinker.IsNull())
            return;
        CBlinkerGame& b = *f.Blinker;
        if (b.State != CBlinkerGame::kFlashing || b.Phase != CBlinkerGame::kOpen)
            return;
        const CSharedPtr<CGridCell> card = b.OpenCardCell();
        if (card.IsNull() || CBlinkerGame::IsBlank(*card))
            return;
        // Every other catch with the keyboard.
        if (b.Catches % 2 == 0)
            h_.Click(card->X, card->Y);
        else
            h_.Key(' ');
        return;
    }
    default:
        return;
    }
}

bool ScriptedPlayer::PlayBonus(float seconds) {
    CGame& g = h_.Game();
    const auto frames = static_cast<int32_t>(seconds / FlowHarness::kDt);
    for (int32_t i = 0; i < frames; ++i) {
        if (!(g.Mode == kModeLevel && g.SubState == kSubBonus))
            return true;
        BonusStep();
        h_.Frames(1);
    }
    return !(g.Mode == kModeLevel && g.SubState == kSubBonus);
}

} // namespace flowtest
