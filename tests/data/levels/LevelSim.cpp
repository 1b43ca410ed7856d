#include "LevelSim.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <utility>

namespace levels {

namespace {

// The field clamps probabilities so that a redraw loop always ends.
float Clamp95(float p) { return std::clamp(p, 0.0f, 0.95f); }

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

LevelSim::LevelSim(const CLevelDesc& desc, const LevelSettings& settings, uint64_t seed,
                   int32_t gemCeiling)
    : Desc(desc), Settings(settings), GemCeiling(gemCeiling), State(seed * 0x9E3779B97F4A7C15ull + 1) {
    if (Settings.Colours.empty())
        Settings.Colours = {0, 2, 3, 4, 5};
    Finder.Resize(kSide, kSide);
}

double LevelSim::Random() {
    // splitmix64: the same numbers on every machine.
    uint64_t z = (State += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
}

int32_t LevelSim::Pick(int32_t size) {
    return std::clamp(static_cast<int32_t>(Random() * size), 0, std::max(size - 1, 0));
}

void LevelSim::Shuffle(std::vector<int32_t>& v, int32_t from) {
    const int32_t n = static_cast<int32_t>(v.size()) - from;
    if (n < 2)
        return;
    for (int32_t i = 0; i < 40; ++i)
        std::swap(v[static_cast<size_t>(from + Pick(n))], v[static_cast<size_t>(from + Pick(n))]);
}

int32_t LevelSim::DrawValue(int32_t& steelCount) {
    const float steel = Clamp95(Settings.SteelProbability);
    for (;;) {
        if (steel > Random()) {
            if (steelCount < Settings.SteelLimit) {
                ++steelCount;
                return kSteel;
            }
            continue;
        }
        const int32_t n = static_cast<int32_t>(Settings.Colours.size());
        return Settings.Colours[static_cast<size_t>(Pick(n))] + 1;
    }
}

bool LevelSim::DrawLock(int32_t& lockCount) {
    if (lockCount < Settings.LockLimit && Random() < Clamp95(Settings.LockProbability)) {
        ++lockCount;
        return true;
    }
    return false;
}

std::string LevelSim::Describe() const {
    std::string out;
    for (int32_t r = 0; r < kSide; ++r) {
        for (int32_t c = 0; c < kSide; ++c) {
            const Cell& cell = Cells[r][c];
            out += cell.Value == 0 ? '.' : cell.Value > 99 ? 's' : static_cast<char>('0' + cell.Value - 1);
            out += cell.Gem ? '*' : cell.Locks > 0 ? static_cast<char>('0' + std::min(cell.Locks, 9)) : ' ';
            out += ' ';
        }
        out += '\n';
    }
    out += "gems to collect " + std::to_string(GemsToCollect) + ", in the pool " + std::to_string(GemPool) + "\n";
    return out;
}

void LevelSim::FillMatrix(CMatchFinder& finder) const {
    finder.Resize(kSide, kSide);
    for (int32_t r = 0; r < kSide; ++r)
        for (int32_t c = 0; c < kSide; ++c) {
            const Cell& cell = Cells[r][c];
            finder.Set(c, r, cell.Locks > 0 ? -cell.Value : cell.Value);
        }
}

bool LevelSim::OneLevelAttempt() {
    const int32_t n = static_cast<int32_t>(Settings.Colours.size());
    // Groups take disjoint runs of a shuffled copy of the colours.
    std::vector<std::vector<int32_t>> groupColours(Desc.Groups.size());
    if (!Desc.Groups.empty() && Desc.GroupsFit(n)) {
        std::vector<int32_t> copy = Settings.Colours;
        Shuffle(copy, 0);
        size_t at = 0;
        for (size_t g = 0; g < Desc.Groups.size(); ++g)
            for (int32_t k = 0; k < Desc.Groups[g].Size && at < copy.size(); ++k)
                groupColours[g].push_back(copy[at++]);
    }
    std::vector<int32_t> letters = Settings.Colours;
    Shuffle(letters, 0);

    int32_t steel = 0, locks = 0;
    for (int32_t c = 0; c < kSide; ++c)
        for (int32_t r = 0; r < kSide; ++r) {
            Cell& cell = Cells[r][c];
            cell = Cell{};
            const char code = Desc.BoardCode(c, r);
            int32_t value = 0;
            if (code >= '0' && code <= '6') {
                value = code - '0' + 1;
            } else if (code == 's') {
                value = kSteel;
                ++steel;
            } else if (code >= 'a' && code - 'a' < n) {
                value = letters[static_cast<size_t>(code - 'a')] + 1;
            } else if (code >= 'A' && code <= 'G') {
                for (size_t g = 0; g < Desc.Groups.size(); ++g)
                    if (Desc.Groups[g].Letter == code) {
                        if (!groupColours[g].empty())
                            value = groupColours[g][static_cast<size_t>(
                                        Pick(static_cast<int32_t>(groupColours[g].size())))] + 1;
                        break;
                    }
            } else if (code >= 'I' && code <= 'O') {
                if (const CLevelList* list = Desc.FindList(code))
                    value = list->Colours[static_cast<size_t>(
                                Pick(static_cast<int32_t>(list->Colours.size())))] + 1;
            }
            if (value == 0)
                value = DrawValue(steel);
            cell.Value = value;
            const char lock = Desc.LockCode(c, r);
            if (lock >= '1' && lock <= '9') {
                cell.Locks = lock - '0';
                ++locks;
            } else if (lock != '0' && DrawLock(locks)) {
                cell.Locks = 1;
            }
        }
    FillMatrix(Finder);
    return Finder.HasRun(3, 0) == 0 && Finder.HasMove(3, 0) != 0;
}

void LevelSim::PlaceLevelExtras() {
    for (int32_t r = 0; r < kSide; ++r)
        for (int32_t c = 0; c < kSide; ++c) {
            Cell& cell = Cells[r][c];
            cell.Fixed = Desc.FixedCode(c, r) == 'f';
            if (Desc.GemCode(c, r) == 'g' && cell.Value < 99) {
                cell.Gem = true;
                GemPool = std::max(GemPool - 1, 0);
            }
        }
}

bool LevelSim::BuildLevelBoard() {
    for (Attempts_ = 1; Attempts_ <= kBoardAttempts; ++Attempts_)
        if (OneLevelAttempt())
            return true;
    Attempts_ = kBoardAttempts;
    return false;
}

void LevelSim::Gravity() {
    for (int32_t c = 0; c < kSide; ++c) {
        int32_t write = kSide - 1;
        for (int32_t r = kSide - 1; r >= 0; --r)
            if (Cells[r][c].Value != 0) {
                if (write != r) {
                    Cells[write][c] = Cells[r][c];
                    Cells[r][c] = Cell{};
                }
                --write;
            }
    }
}

int32_t LevelSim::GemsOnBoard() const {
    int32_t n = 0;
    for (const auto& row : Cells)
        for (const Cell& cell : row)
            n += cell.Gem ? 1 : 0;
    return n;
}

void LevelSim::FillEmpty(bool avoidRuns, bool needMove, int32_t chain, bool gemQuota) {
    int32_t steel0 = 0, locks0 = 0;
    std::vector<std::pair<int32_t, int32_t>> empty;
    for (int32_t c = 0; c < kSide; ++c)
        for (int32_t r = 0; r < kSide; ++r) {
            const Cell& cell = Cells[r][c];
            if (cell.Value == 0)
                empty.emplace_back(c, r);
            else {
                steel0 += cell.Value > 99 ? 1 : 0;
                locks0 += cell.Locks > 0 ? 1 : 0;
            }
        }
    if (empty.empty())
        return;

    // A long cascade with fewer than seven colours is kept from running on by itself.
    bool guard = avoidRuns;
    bool bounded = false;
    if (Settings.Colours.size() < 7) {
        FillMatrix(Finder);
        if (Finder.HasRun(3, 0) == 0 && (chain >= 10 || (chain >= 6 && Random() >= 0.5))) {
            guard = true;
            bounded = true;
        }
    }
    for (int32_t attempt = 0;; ++attempt) {
        int32_t steel = steel0, locks = locks0;
        for (auto [c, r] : empty) {
            Cell& cell = Cells[r][c];
            cell.Value = DrawValue(steel);
            cell.Locks = DrawLock(locks) ? 1 : 0;
        }
        FillMatrix(Finder);
        // The field relaxes its guarantees after as many draws as it allows a
        // level board: first the run guard, then the move.
        const bool wantRuns = guard && (bounded ? attempt < 100 : attempt < kBoardAttempts);
        const bool wantMove = needMove && attempt < 2 * kBoardAttempts;
        if (wantMove && Finder.HasMove(3, 0) == 0)
            continue;
        if (wantRuns && Finder.HasRun(3, 0) != 0)
            continue;
        break;
    }

    if (!gemQuota)
        return;
    std::vector<std::pair<int32_t, int32_t>> fillable;
    for (auto [c, r] : empty)
        if (Cells[r][c].Value < 99)
            fillable.emplace_back(c, r);
    const int32_t f = static_cast<int32_t>(fillable.size());
    int32_t quota = std::min(static_cast<int32_t>(std::floor(kGemRatio * static_cast<float>(f))),
                             GemCeiling - GemsOnBoard());
    quota = std::clamp(quota, 0, f);
    quota = std::min(quota, GemPool);
    if (quota <= 0)
        return;
    GemPool -= quota;
    for (int32_t placed = 0; placed < quota;) {
        auto [c, r] = fillable[static_cast<size_t>(Pick(f))];
        if (!Cells[r][c].Gem) {
            Cells[r][c].Gem = true;
            ++placed;
        }
    }
}

int32_t LevelSim::Cascade() {
    int32_t steps = 0;
    for (; steps < 100; ++steps) {
        FillMatrix(Finder);
        if (Finder.FindGroups(3, 0) == 0)
            break;
        for (const CMatchGroup& g : Finder.Groups)
            for (const CMatchCell& at : g.Cells) {
                Cell& cell = Cells[at.Row][at.Column];
                if (cell.Value == 0)
                    continue;
                if (cell.Locks > 0) {
                    --cell.Locks;
                    continue;
                }
                if (cell.Gem) {
                    ++Collected;
                    --GemsToCollect;
                }
                cell = Cell{};
            }
        Gravity();
        FillEmpty(false, false, steps + 1, true);
    }
    return steps;
}

void LevelSim::Rebuild() {
    for (auto& row : Cells)
        for (Cell& cell : row)
            if (!cell.Fixed) {
                if (cell.Gem)
                    ++GemPool;
                cell = Cell{};
            }
    FillEmpty(true, true, 0, false);
}

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
    const int32_t side = LevelSim::kSide;
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

SimResult LevelSim::Play(double secondsLimit, const SimTiming& timing, SimBot bot) {
    SimResult out;
    GemPool = GemsToCollect = Settings.GemsCount;
    Collected = 0;
    out.GemsGoal = Settings.GemsCount;
    out.BoardBuilt = BuildLevelBoard();
    out.BoardAttempts = Attempts_;
    PlaceLevelExtras();
    out.StartGems = GemsOnBoard();
    for (const auto& row : Cells)
        for (const Cell& cell : row) {
            out.StartChains += cell.Locks > 0 ? 1 : 0;
            out.StartSteel += cell.Value > 99 ? 1 : 0;
        }

    double t = 0.0;
    FillMatrix(Finder);
    if (Finder.HasMove(3, 0) == 0) {
        Rebuild();
        ++out.Rebuilds;
        t += timing.RebuildSeconds;
    }
    while (GemsToCollect > 0 && t < secondsLimit) {
        CMatchMove move;
        FillMatrix(Finder);
        GemMap gems{};
        for (int32_t r = 0; r < kSide; ++r)
            for (int32_t c = 0; c < kSide; ++c)
                gems[r][c] = Cells[r][c].Gem ? (Cells[r][c].Locks > 0 ? 2 : 1) : 0;
        if (!ChooseBotMove(Finder, gems, bot, [this] { return Random(); }, move)) {
            Rebuild();
            ++out.Rebuilds;
            t += timing.RebuildSeconds;
            continue;
        }
        std::swap(Cells[move.Row1][move.Column1], Cells[move.Row2][move.Column2]);
        ++out.Moves;
        t += timing.ThinkSeconds + timing.SwapSeconds;
        t += timing.StepSeconds * Cascade();
        if (GemsToCollect <= 0 && out.SecondsToGoal < 0.0)
            out.SecondsToGoal = t;
        FillMatrix(Finder);
        if (GemsToCollect > 0 && Finder.HasMove(3, 0) == 0) {
            Rebuild();
            ++out.Rebuilds;
            t += timing.RebuildSeconds;
        }
    }
    out.Seconds = t;
    out.GemsCollected = Collected;
    return out;
}

} // namespace levels
