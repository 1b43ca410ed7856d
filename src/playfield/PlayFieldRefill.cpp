// The board fill: resting caps fall into the holes below them, every empty cell
// gets a value (from the level file, the rebuild records, the saved board or at
// random, redrawn until the board meets what was asked), and the new caps are
// made above the board, given their gems, chains, fixed marks and bonuses, and
// dropped into their cells.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "bonuses/BonusManager.h"
#include "engine/Random.h"
#include "playerdata/QuestState.h"
#include "playfield/CapsManager.h"
#include "playfield/LevelDesc.h"
#include "playfield/LevelParams.h"
#include "playfield/PlayField.h"

namespace {

// floor(RandomFloat() * n) kept within 0 .. n - 1 (n > 0).
size_t PickIndex(size_t n) {
    const float r = RandomFloat() * static_cast<float>(n);
    const size_t i = r > 0.0f ? static_cast<size_t>(std::floor(r)) : 0;
    return std::min(i, n - 1);
}

// 40 swaps of two positions drawn from first .. n - 1.
void Shuffle(std::vector<int32_t>& v, size_t first) {
    if (v.size() < first + 2)
        return;
    const size_t span = v.size() - first;
    for (int i = 0; i < 40; ++i) {
        const size_t a = first + PickIndex(span);
        const size_t b = first + PickIndex(span);
        std::swap(v[a], v[b]);
    }
}

// A value of the board matrix for a cap: colour + 1, negated when chained.
int32_t CapValue(const CCap& cap) {
    const int32_t v = cap.Colour + 1;
    return cap.LockCount > 0 ? -v : v;
}

bool IsSavedColour(int32_t v) {
    const int32_t a = std::abs(v);
    return (a >= 1 && a <= 7) || a == CMatchFinder::kSteelValue;
}

bool IsGemBonus(const CCap& cap) {
    return !cap.Bonus.IsNull() && cap.Bonus->Kind == CBonus::kGem;
}

// Bonus types of the level file's BONUS digits 0..5.
constexpr int32_t kBonusOfDigit[6] = {CBonus::kTnt,   CBonus::kScore,      CBonus::kTime,
                                      CBonus::kFlash, CBonus::kSolidarity, CBonus::kAdviser};

} // namespace

bool CPlayField::MatrixHasRun() const {
    return MatchFinder.HasRun(3, 0) != 0;
}

bool CPlayField::MatrixHasMove() const {
    return MatchFinder.HasMove(3, 0) != 0;
}

float CPlayField::FallCap(CCap& cap, int32_t column, int32_t row) {
    const float g = (Motion && Motion->FallAcceleration > 0.0f) ? Motion->FallAcceleration
                                                                 : CFieldMotion().FallAcceleration;
    const float b = Motion ? std::max(Motion->BounceFactor, 0.0f) : CFieldMotion().BounceFactor;
    const CVector3 centre = CellToWorld(column, row, false);
    const float dy = cap.Position.Y - centre.Y;
    const float t = std::sqrt(std::fabs(2.0f * dy / g));
    cap.StartMove(centre.X, centre.Y, 0.0f, t, 1.0f, 0.0f, 1.0f, 1.0f, 2.0f, 1.0f);
    cap.Path.AddKeyFull(centre.X, centre.Y + b * dy, 0.0f, 1.0f, 2.0f, 1.0f, 1.0f, 0.0f, 1.0f,
                        b * t);
    cap.Path.AddKeyFull(centre.X, centre.Y, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 2.0f, 1.0f, b * t);
    cap.Duration = (2.0f * b + 1.0f) * t;
    cap.Elapsed = 0.0f;
    cap.Landed = 0;
    cap.SetFalling();
    return t;
}

void CPlayField::FallRestingCaps() {
    for (int32_t c = 0; c < Columns; ++c) {
        for (int32_t r = Rows - 1; r >= 0; --r) {
            if (!CapAt(c, r).IsNull())
                continue;
            int32_t above = r - 1;
            while (above >= 0 && CapAt(c, above).IsNull())
                --above;
            if (above < 0)
                break;
            CSharedPtr<CCap> cap = Board[static_cast<size_t>(above)][static_cast<size_t>(c)];
            Board[static_cast<size_t>(above)][static_cast<size_t>(c)] = CSharedPtr<CCap>();
            Board[static_cast<size_t>(r)][static_cast<size_t>(c)] = cap;
            cap->PrevColumn = cap->Column;
            cap->PrevRow = cap->Row;
            cap->Column = c;
            cap->Row = r;
            FallCap(*cap, c, r);
            // A bonus keeps to its cap's cell.
            if (!cap->Bonus.IsNull()) {
                const CVector3 p = CellToWorld(c, r, true);
                cap->Bonus->MoveTo(p.X, p.Y, p.Z, c, r, 1);
            }
        }
    }
}

void CPlayField::CountSteelAndLocks(int32_t& steel, int32_t& locked) const {
    steel = locked = 0;
    for (int32_t r = 0; r < Rows; ++r)
        for (int32_t c = 0; c < Columns; ++c) {
            const CSharedPtr<CCap>& cap = CapAt(c, r);
            if (cap.IsNull())
                continue;
            if (cap->Colour > 99)
                ++steel;
            if (cap->LockCount > 0)
                ++locked;
        }
}

int32_t CPlayField::PickColourInPlay() const {
    if (Colours.empty())
        return 0;
    return Colours[PickIndex(Colours.size())];
}

int32_t CPlayField::DrawCellValue(int32_t& steel) const {
    // Once the steel limit is reached only colours can come, so draw one
    // directly rather than redrawing steel.
    if (steel < SteelLimit) {
        const int32_t c = DrawColour();
        if (c >= 98) {
            ++steel;
            return CMatchFinder::kSteelValue;
        }
        return c + 1;
    }
    return PickColourInPlay() + 1;
}

int32_t CPlayField::DrawLock(int32_t value, int32_t& locked) const {
    if (locked < LockLimit && RandomFloat() < std::min(LockProbability, kMaxProbability)) {
        ++locked;
        return -value;
    }
    return value;
}

const CRebuildRecord* CPlayField::RecordAt(int32_t column, int32_t row) const {
    if (row < 0 || column < 0 || static_cast<size_t>(row) >= RebuildRecords.size())
        return nullptr;
    const auto& line = RebuildRecords[static_cast<size_t>(row)];
    if (static_cast<size_t>(column) >= line.size())
        return nullptr;
    const CRebuildRecord& rec = line[static_cast<size_t>(column)];
    return rec.Empty == 0 ? &rec : nullptr;
}

bool CPlayField::UsesRebuildRecords() const {
    return Source == kRebuildRecords && GameMode == 0 && !RebuildRecords.empty();
}

bool CPlayField::UsesLevelBoard() const {
    return Source == kLevelBoard && GameMode == 0 && !LevelDesc.IsNull() &&
           LevelDesc->IsUsable();
}

bool CPlayField::UsesSavedBoard() const {
    return Source == kSavedBoard && GameMode == 0 && SavedState != nullptr;
}

void CPlayField::CaptureBoard(CQuestState& state) const {
    state.ClearBoard();
    auto put = [&state](int32_t grid, int32_t c, int32_t r, int32_t v) {
        state.CellGrids[static_cast<size_t>(grid)][static_cast<size_t>(r)]
                       [static_cast<size_t>(c)] = v;
    };
    const int32_t columns = std::min(Columns, CQuestState::kBoardSize);
    const int32_t rows = std::min(Rows, CQuestState::kBoardSize);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < columns; ++c) {
            const CSharedPtr<CCap>& cap = CapAt(c, r);
            if (cap.IsNull())
                continue;
            const bool steel = cap->IsSteel();
            const bool gem = IsGemBonus(*cap);
            const int32_t code = steel ? CQuestState::kSteelCode : cap->Colour + 1;
            put(CQuestState::kColourGrid, c, r, gem && !steel ? -code : code);
            put(CQuestState::kLockGrid, c, r,
                std::clamp(cap->LockCount, 0, CQuestState::kMaxChains));
            if (!gem && cap->HasBonus()) {
                put(CQuestState::kBonusTypeGrid, c, r, cap->Bonus->Kind);
                put(CQuestState::kBonusLevelGrid, c, r,
                    std::clamp(cap->Bonus->Param, 0, CQuestState::kMaxBonusLevel));
            }
            put(CQuestState::kFixedGrid, c, r, cap->Fixed != 0 ? 1 : 0);
        }
}

void CPlayField::FillFromSaved() {
    int32_t steel = 0, locked = 0;
    CountSteelAndLocks(steel, locked);
    for (int32_t c = 0; c < Columns; ++c)
        for (int32_t r = 0; r < Rows; ++r) {
            const CSharedPtr<CCap>& cap = CapAt(c, r);
            int32_t v;
            if (!cap.IsNull()) {
                v = CapValue(*cap);
            } else {
                const int32_t saved = SavedState->Cell(CQuestState::kColourGrid, c, r);
                if (IsSavedColour(saved)) {
                    v = std::abs(saved);
                    if (SavedState->Cell(CQuestState::kLockGrid, c, r) > 0)
                        v = -v;
                } else {
                    // An empty or damaged saved cell is filled at random.
                    v = DrawCellValue(steel);
                    if (v != CMatchFinder::kSteelValue)
                        v = DrawLock(v, locked);
                }
            }
            MatchFinder.Set(c, r, v);
        }
}

void CPlayField::FillOnce(int32_t steel, int32_t locked) {
    const bool records = UsesRebuildRecords();
    for (int32_t c = 0; c < Columns; ++c)
        for (int32_t r = 0; r < Rows; ++r) {
            const CSharedPtr<CCap>& cap = CapAt(c, r);
            int32_t v;
            if (!cap.IsNull()) {
                v = CapValue(*cap);
            } else if (const CRebuildRecord* rec = records ? RecordAt(c, r) : nullptr) {
                v = rec->Colour + 1;
                if (v > 98)
                    ++steel;
                if (rec->LockCount > 0) {
                    v = -v;
                    ++locked;
                }
            } else {
                v = DrawCellValue(steel);
                if (v != CMatchFinder::kSteelValue)
                    v = DrawLock(v, locked);
            }
            MatchFinder.Set(c, r, v);
        }
}

void CPlayField::FillAtRandom(int32_t avoidRuns, int32_t needMove, int32_t steel,
                              int32_t locked) {
    // The run guard: in a long cascade with fewer than seven colours the refill
    // avoids ready rows, but gives up after 100 boards with one; otherwise
    // avoidRuns asks for it.
    bool guard = avoidRuns != 0;
    bool bounded = false;
    if (Colours.size() < 7) {
        for (int32_t c = 0; c < Columns; ++c)
            for (int32_t r = 0; r < Rows; ++r) {
                const CSharedPtr<CCap>& cap = CapAt(c, r);
                MatchFinder.Set(c, r, cap.IsNull() ? 0 : CapValue(*cap));
            }
        if (!MatrixHasRun() &&
            (ChainCounter >= 10 || (ChainCounter >= 6 && RandomFloat() >= 0.5f))) {
            guard = true;
            bounded = true;
        }
    }
    bool wantMove = needMove != 0;
    int32_t attempts = 0;
    int32_t runFailures = 0;
    // Past the attempt bound the guarantees are relaxed: no ready row first,
    // then a move; the board after that is taken as it is.
    auto relax = [&]() {
        if (guard)
            guard = false;
        else
            wantMove = false;
        attempts = 0;
    };
    for (;;) {
        FillOnce(steel, locked);
        if (wantMove && !MatrixHasMove()) {
            if (++attempts >= kMaxDrawAttempts)
                relax();
            continue;
        }
        if (guard && MatrixHasRun()) {
            if (bounded && ++runFailures > 100)
                break;
            if (++attempts >= kMaxDrawAttempts)
                relax();
            continue;
        }
        break;
    }
}

void CPlayField::BuildFromLevel(int32_t steelCount, int32_t lockCount) {
    if (LevelDesc.IsNull())
        return;
    const CLevelDesc& desc = *LevelDesc;
    const size_t n = Colours.size();

    bool wantNoRun = true;
    bool wantMove = true;
    int32_t attempts = 0;
    std::vector<std::vector<int32_t>> groupColours(desc.Groups.size());
    for (;;) {
        int32_t steel = steelCount;
        int32_t locked = lockCount;

        // Groups get disjoint runs of a shuffled copy of the colours in play.
        for (auto& g : groupColours)
            g.clear();
        if (!desc.Groups.empty() && desc.GroupsFit(static_cast<int32_t>(n))) {
            std::vector<int32_t> copy = Colours;
            Shuffle(copy, 0);
            size_t next = 0;
            for (size_t i = 0; i < desc.Groups.size(); ++i)
                for (int32_t k = 0; k < desc.Groups[i].Size && next < copy.size(); ++k)
                    groupColours[i].push_back(copy[next++]);
        }

        // The letter map; in tutorial 7 letter 'a' is the first colour whose
        // totem the player owns.
        std::vector<int32_t> letters = Colours;
        if (TutorialNumber == 7) {
            for (size_t i = 0; i < letters.size(); ++i) {
                const int32_t colour = letters[i];
                if (colour >= 0 && colour < CTotemPanel::kColours &&
                    Totems.Tiers[static_cast<size_t>(colour)] > 0) {
                    std::swap(letters[0], letters[i]);
                    TutorialColour = colour;
                    break;
                }
            }
            Shuffle(letters, 1);
        } else {
            Shuffle(letters, 0);
        }

        for (int32_t c = 0; c < Columns; ++c)
            for (int32_t r = 0; r < Rows; ++r) {
                const CSharedPtr<CCap>& cap = CapAt(c, r);
                if (!cap.IsNull()) {
                    MatchFinder.Set(c, r, CapValue(*cap));
                    continue;
                }
                const char code = desc.BoardCode(c, r);
                int32_t v = 0;
                if (code >= '0' && code <= '6') {
                    v = code - '0' + 1;
                } else if (code == 's') {
                    v = CMatchFinder::kSteelValue;
                    ++steel;
                } else if (code >= 'a' && static_cast<size_t>(code - 'a') < letters.size()) {
                    v = letters[static_cast<size_t>(code - 'a')] + 1;
                } else if (code >= 'A' && code <= 'G') {
                    for (size_t i = 0; i < desc.Groups.size(); ++i) {
                        if (desc.Groups[i].Letter != code)
                            continue;
                        if (!groupColours[i].empty())
                            v = groupColours[i][PickIndex(groupColours[i].size())] + 1;
                        break;
                    }
                } else if (code >= 'I' && code <= 'O') {
                    const CLevelList* list = desc.FindList(code);
                    if (list && !list->Colours.empty()) {
                        const int32_t colour = list->Colours[PickIndex(list->Colours.size())];
                        if (colour >= 0 && colour <= CLevelDesc::kMaxColour)
                            v = colour + 1;
                    }
                }
                // Anything else, and a group or list that gives no colour, is drawn.
                if (v == 0)
                    v = DrawCellValue(steel);

                const char lock = desc.LockCode(c, r);
                if (lock >= '1' && lock <= '9') {
                    v = -v;
                    ++locked;
                } else if (lock != '0') {
                    v = DrawLock(v, locked);
                }
                MatchFinder.Set(c, r, v);
            }

        const bool runOk = !wantNoRun || !MatrixHasRun();
        const bool moveOk = !wantMove || MatrixHasMove();
        if (runOk && moveOk)
            return;
        if (++attempts >= kMaxDrawAttempts) {
            if (wantNoRun)
                wantNoRun = false;
            else
                wantMove = false;
            attempts = 0;
        }
    }
}

void CPlayField::BuildBoard(int32_t avoidRuns, int32_t needMove) {
    if (Columns <= 0 || Rows <= 0)
        return;
    if (MatchFinder.GetColumns() != Columns || MatchFinder.GetRows() != Rows)
        MatchFinder.Resize(Columns, Rows);

    FallRestingCaps();
    int32_t steel = 0, locked = 0;
    CountSteelAndLocks(steel, locked);

    if (UsesLevelBoard())
        BuildFromLevel(steel, locked);
    else if (UsesSavedBoard())
        FillFromSaved();
    else
        FillAtRandom(avoidRuns, needMove, steel, locked);

    DropNewCaps();
    AttachLevelBonuses();
    if (Source == kSavedBoard && SavedState)
        RestoreExtras();
}

void CPlayField::DropNewCaps() {
    // Fillable cells, counted column by column from the bottom row up.
    std::vector<std::pair<int32_t, int32_t>> fillable;
    int32_t gemsOnBoard = 0;
    for (int32_t c = 0; c < Columns; ++c)
        for (int32_t r = Rows - 1; r >= 0; --r) {
            const CSharedPtr<CCap>& cap = CapAt(c, r);
            if (!cap.IsNull()) {
                if (IsGemBonus(*cap))
                    ++gemsOnBoard;
                continue;
            }
            if (std::abs(MatchFinder.Get(c, r)) < 99)
                fillable.emplace_back(c, r);
        }
    const auto cells = static_cast<int32_t>(fillable.size());

    int32_t quota = 0;
    if (Source == kRandomFill && TutorialNumber != 7 && LevelParams) {
        if (GemOverride == 0) {
            quota = static_cast<int32_t>(std::floor(LevelParams->GemRatio *
                                                    static_cast<float>(cells)));
            quota = std::min(quota, LevelParams->GemCeiling - gemsOnBoard);
        } else {
            quota = std::min(GemOverrideCount - gemsOnBoard, cells);
            GemOverride = 0;
        }
        quota = std::clamp(quota, 0, cells);
        quota = std::min(quota, std::max(GemPool, 0));
        if (quota > 0)
            GemPool -= quota;
    }

    std::vector<int32_t> gems;  // fillable indexes, ascending
    const bool level = UsesLevelBoard();
    const bool records = UsesRebuildRecords();
    const bool saved = UsesSavedBoard();
    if (level || saved || records) {
        for (int32_t i = 0; i < cells; ++i) {
            const auto [c, r] = fillable[static_cast<size_t>(i)];
            bool gem = false;
            if (level) {
                gem = LevelDesc->GemCode(c, r) == 'g';
            } else if (saved) {
                const int32_t v = SavedState->Cell(CQuestState::kColourGrid, c, r);
                gem = v < 0 && IsSavedColour(v) && std::abs(v) <= 7;
            } else {
                const CRebuildRecord* rec = RecordAt(c, r);
                gem = rec && rec->Gem != 0;
            }
            if (!gem)
                continue;
            gems.push_back(i);
            if (!saved && GemPool > 0)
                --GemPool;
        }
    } else if (quota > 0 && cells > 0) {
        while (static_cast<int32_t>(gems.size()) < quota) {
            const auto i = static_cast<int32_t>(PickIndex(static_cast<size_t>(cells)));
            auto at = std::lower_bound(gems.begin(), gems.end(), i);
            if (at != gems.end() && *at == i)
                continue;
            gems.insert(at, i);
        }
    }

    size_t nextGem = 0;
    int32_t index = 0;
    RefillWord = 0;
    for (int32_t c = 0; c < Columns; ++c) {
        float startY = CellToWorld(c, -2, false).Y + RandomFloat() * CellHeight;
        for (int32_t r = Rows - 1; r >= 0; --r) {
            if (!CapAt(c, r).IsNull())
                continue;
            const int32_t v = MatchFinder.Get(c, r);
            const int32_t a = std::abs(v);
            bool gem = false;
            if (a < 99) {
                if (nextGem < gems.size() && gems[nextGem] == index) {
                    gem = true;
                    ++nextGem;
                }
                ++index;
            }
            const int32_t colour = a >= 99 ? CCap::kSteel : std::max(a - 1, 0);
            const float x = CellToWorld(c, r, false).X;

            CSharedPtr<CCap> cap;
            CapList.CreateCap(cap, colour, gem ? 1 : 0, x, startY, 0.0f, TokenSize, 1, Origin[0],
                              Origin[1], Origin[2]);
            if (cap.IsNull())
                continue;
            Board[static_cast<size_t>(r)][static_cast<size_t>(c)] = cap;
            cap->Column = cap->PrevColumn = c;
            cap->Row = cap->PrevRow = r;
            ++RefillWord;

            if (v < 0) {
                int32_t chains = 1;
                if (level) {
                    const char d = LevelDesc->LockCode(c, r);
                    if (d >= '1' && d <= '9')
                        chains = d - '0';
                } else if (records) {
                    const CRebuildRecord* rec = RecordAt(c, r);
                    if (rec && rec->LockCount > 0)
                        chains = rec->LockCount;
                } else if (saved) {
                    const int32_t l = SavedState->Cell(CQuestState::kLockGrid, c, r);
                    if (l > 0)
                        chains = l;
                }
                cap->SetValue(chains);
            }

            if (gem && !Bonuses.IsNull()) {
                CSharedPtr<CBonus> bonus;
                Bonuses->CreateGem(bonus, colour, 1);
                if (!bonus.IsNull()) {
                    bonus->Place(x + Origin[0], startY + Origin[1], Origin[2], cap->Size, c, r);
                    cap->SetBonus(bonus);
                }
            }

            FallCap(*cap, c, r);
            cap->Kind = CBoardElement::kBoardCap;
            cap->NewCap = 1;
            if (!cap->Sprite.IsNull())
                cap->Sprite->LightEnabled = 1;
            startY += (RandomFloat() + 1.0f) * CellHeight;

            if ((level && LevelDesc->FixedCode(c, r) == 'f') || (records && RecordAt(c, r)) ||
                (saved && SavedState->Cell(CQuestState::kFixedGrid, c, r) == 1))
                cap->Fixed = 1;
        }
    }
}

void CPlayField::AttachLevelBonuses() {
    if (Bonuses.IsNull())
        return;
    const bool level = UsesLevelBoard();
    const bool records = UsesRebuildRecords();
    const bool saved = UsesSavedBoard();
    if (!level && !records && !saved)
        return;
    for (int32_t c = 0; c < Columns; ++c)
        for (int32_t r = 0; r < Rows; ++r) {
            const CSharedPtr<CCap>& cap = CapAt(c, r);
            if (cap.IsNull() || cap->Gem != 0 || !cap->Bonus.IsNull())
                continue;
            int32_t type = 0, tier = 0;
            if (level) {
                const char d = LevelDesc->BonusCode(c, r);
                if (d < '0' || d > '5')
                    continue;
                type = kBonusOfDigit[d - '0'];
                tier = LevelDesc->LevelOf(d - '0');
                if (tier < 0)
                    tier = LevelParams ? std::max(LevelParams->TierOf(type), 0) : 0;
            } else if (records) {
                const CRebuildRecord* rec = RecordAt(c, r);
                if (!cap->Fixed || !rec || rec->BonusFlag == 0)
                    continue;
                type = rec->BonusType;
                tier = rec->BonusLevel;
            } else {
                type = SavedState->Cell(CQuestState::kBonusTypeGrid, c, r);
                if (type == 0)
                    continue;
                tier = SavedState->Cell(CQuestState::kBonusLevelGrid, c, r);
            }
            CSharedPtr<CBonus> bonus;
            Bonuses->CreateBonus(bonus, type, tier, 0, 1);
            // A type the bonuses do not know gives no bonus.
            if (bonus.IsNull())
                continue;
            const CVector3 p = cap->Position + CVector3(Origin[0], Origin[1], Origin[2]);
            bonus->FlyIn(p.X, p.Y, p.Z, cap->Size, c, r, 1, 0.5f);
            cap->SetBonus(bonus);
        }
}

void CPlayField::RestoreExtras() {
    if (SavedState->AdviserTime > 0.0f) {
        Adviser.AddTime(1, SavedState->AdviserTime);
        ShowAllMoves();
    }
    if (GameMode != 0)
        return;
    if (SavedState->BlueTotemFlag != 0) {
        Totems.SetBlueFlag(1);
        SteelProbability = 0.0f;
        SteelLimit = 0;
    }
    if (SavedState->PendingTotem >= 0 && SavedState->PendingTotem < CTotemPanel::kColours)
        Totems.PushRequest(SavedState->PendingTotem);
}
