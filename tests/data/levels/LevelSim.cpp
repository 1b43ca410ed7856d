#include "LevelSim.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <utility>

namespace levels {

namespace {

// The cell (column, row) where the cap of cell (c, r) stands once the move is
// made.
std::pair<int32_t, int32_t> AfterMove(const CMatchMove& m, int32_t c, int32_t r) {
    if (c == m.Column1 && r == m.Row1)
        return {m.Column2, m.Row2};
    if (c == m.Column2 && r == m.Row2)
        return {m.Column1, m.Row1};
    return {c, r};
}

} // namespace

bool ChooseBotMove(const CMatchFinder& board, const GemMap& gems, SimBot bot,
                   const std::function<double()>& random, CMatchMove& best) {
    std::vector<CMatchMove> moves;
    if (board.ListMoves(moves, 3, 0) == 0)
        return false;
    // A move's merits, compared in this order; larger is better.
    struct Score {
        int32_t Gems = -1;  // gems the move removes
        int32_t Freed = -1; // chains it breaks on gems
        int32_t Setup = -1; // caps of a gem's colour that end up in line with it
        int32_t Near = -99; // minus the distance from its runs to the nearest gem
        int32_t Cells = -1; // caps in its runs
        int32_t Run = -1;   // its longest group
        auto Key() const { return std::tuple(Gems, Freed, Near, Setup, Cells, Run); }
    };
    Score bestScore;
    int32_t ties = 0;
    const int32_t side = kBoardSide;
    for (const CMatchMove& m : moves) {
        CMatchFinder trial = board;
        const int32_t a = trial.Get(m.Column1, m.Row1);
        trial.Set(m.Column1, m.Row1, trial.Get(m.Column2, m.Row2));
        trial.Set(m.Column2, m.Row2, a);
        trial.FindGroups(3, 0);
        Score s{0, 0, 0, 0, 0, 0};
        for (const CMatchGroup& g : trial.Groups) {
            s.Cells += static_cast<int32_t>(g.Cells.size());
            s.Run = std::max(s.Run, static_cast<int32_t>(g.Cells.size()));
        }
        if (bot == SimBot::GemAware) {
            int32_t nearest = 99;
            for (int32_t r = 0; r < side; ++r)
                for (int32_t c = 0; c < side; ++c) {
                    const int32_t gem = gems[static_cast<size_t>(r)][static_cast<size_t>(c)];
                    if (gem == 0)
                        continue;
                    const auto [gc, gr] = AfterMove(m, c, r);
                    for (const CMatchGroup& g : trial.Groups)
                        for (const CMatchCell& at : g.Cells) {
                            const int32_t d = std::abs(at.Column - gc) + std::abs(at.Row - gr);
                            nearest = std::min(nearest, d);
                            if (d == 0) {
                                s.Gems += gem == 1 ? 1 : 0;
                                s.Freed += gem == 2 ? 1 : 0;
                            }
                        }
                }
            s.Near = -nearest;
            // Caps of a free gem's colour within two cells of it in its row and
            // column, on the board as the move leaves it before anything falls.
            CMatchFinder rest = trial;
            for (const CMatchGroup& g : trial.Groups)
                for (const CMatchCell& at : g.Cells)
                    rest.Set(at.Column, at.Row, 0);
            for (int32_t r = 0; r < side; ++r)
                for (int32_t c = 0; c < side; ++c) {
                    if (gems[static_cast<size_t>(r)][static_cast<size_t>(c)] != 1)
                        continue;
                    const auto [gc, gr] = AfterMove(m, c, r);
                    const int32_t colour = std::abs(rest.Get(gc, gr));
                    if (!CMatchFinder::Matches(colour))
                        continue;
                    for (int32_t d = -2; d <= 2; ++d) {
                        if (d == 0)
                            continue;
                        s.Setup += std::abs(rest.Get(gc + d, gr)) == colour ? 1 : 0;
                        s.Setup += std::abs(rest.Get(gc, gr + d)) == colour ? 1 : 0;
                    }
                }
        }
        if (s.Key() > bestScore.Key()) {
            bestScore = s;
            best = m;
            ties = 1;
        } else if (s.Key() == bestScore.Key()) {
            // Equal moves: the player picks any of them.
            ++ties;
            if (random() * ties < 1.0)
                best = m;
        }
    }
    return true;
}

} // namespace levels
