#include "playerdata/QuestState.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/os/Path.h"
#include "playerdata/BinaryIo.h"
#include "playerdata/FileFault.h"
#include "playerdata/SafeFile.h"

namespace {

constexpr char kMagic[4] = {'P', 'S', 'A', 'V'};
constexpr int32_t kVersion = 2;
constexpr size_t kReservedPairs = 8;

constexpr const char* kCorrupted = "Error. Corrupted file";
constexpr const char* kUnsupported = "Error. Unsupported file version";
constexpr const char* kShortRead = "Error. Unable to load file";
constexpr const char* kCannotOpen = "Error. Unable to open (save) file";
constexpr const char* kCannotSave = "Error. Unable to save file";

// Why a load stopped: the log message and the reason line.
struct LoadFault {
    const char* Message;
    std::string Reason;
};

bool InRange(int32_t v, int32_t low, int32_t high) {
    return v >= low && v <= high;
}

bool ValidColourCode(int32_t v) {
    return v == CQuestState::kEmptyCell || v == CQuestState::kSteelCode ||
           (v != 0 && InRange(v, -CQuestState::kColours, CQuestState::kColours));
}

bool ValidBonusType(int32_t v) {
    return v == 0 || InRange(v, CQuestState::kFirstBonusType, CQuestState::kLastBonusType);
}

// The check of one grid value; empty when it is fine.
const char* GridFault(int32_t grid, int32_t v) {
    switch (grid) {
    case CQuestState::kColourGrid:
        return ValidColourCode(v) ? nullptr : "colour code out of range";
    case CQuestState::kLockGrid:
        return InRange(v, 0, CQuestState::kMaxChains) ? nullptr : "chain count out of range";
    case CQuestState::kBonusTypeGrid:
        return ValidBonusType(v) ? nullptr : "unknown bonus type";
    case CQuestState::kBonusLevelGrid:
        return InRange(v, 0, CQuestState::kMaxBonusLevel) ? nullptr : "bonus level out of range";
    default:
        return (v == 0 || v == 1) ? nullptr : "fixed mark not 0 or 1";
    }
}

// The fields of the fixed part that the game relies on, in the order they are
// checked; empty when every one is usable.
std::string FixedPartFault(const CQuestState& q) {
    if (q.SavedSubState != CQuestState::kTakenInPlay &&
        q.SavedSubState != CQuestState::kTakenAtResults &&
        q.SavedSubState != CQuestState::kTakenInShop)
        return "saved sub-state " + std::to_string(q.SavedSubState);
    if (q.Difficulty < 0)
        return "negative difficulty";
    if (!InRange(q.Level, 1, CQuestState::kMaxLevel))
        return "level " + std::to_string(q.Level);
    if (!InRange(q.Lives, 0, CQuestState::kMaxLives))
        return "lives " + std::to_string(q.Lives);
    if (q.SandRateStep < 0)
        return "negative sand rate step";
    // Checks the game needs beyond those: a flag is 0 or 1, counts are bounded,
    // the pending totem is a colour, and no number is infinite or not a number.
    if (q.NonQuest != 0 && q.NonQuest != 1)
        return "non-quest flag " + std::to_string(q.NonQuest);
    if (q.BlueTotemFlag != 0 && q.BlueTotemFlag != 1)
        return "blue totem flag " + std::to_string(q.BlueTotemFlag);
    if (!InRange(q.PendingTotem, -1, CQuestState::kTotemColours - 1))
        return "pending totem " + std::to_string(q.PendingTotem);
    if (!InRange(q.GemsRemaining, 0, CQuestState::kMaxGems) ||
        !InRange(q.GemGoal, 0, CQuestState::kMaxGems))
        return "gem count out of range";
    if (!std::isfinite(q.TimeLeft) || q.TimeLeft < 0.0f || !std::isfinite(q.TimeStep) ||
        q.TimeStep < 0.0f)
        return "time out of range";
    if (!std::isfinite(q.AdviserTime) || q.AdviserTime < 0.0f)
        return "adviser time out of range";
    if (!std::isfinite(q.SandLevel) || !std::isfinite(q.SandTime))
        return "sand value not finite";
    return std::string();
}

} // namespace

CQuestState::CQuestState() {
    Pairs.reserve(kReservedPairs);
}

void CQuestState::ClearBoard() {
    for (int32_t g = 0; g < kGrids; ++g)
        CellGrids[static_cast<size_t>(g)].assign(
            kBoardSize, std::vector<int32_t>(kBoardSize, g == kColourGrid ? kEmptyCell : 0));
}

void CQuestState::DropBoard() {
    for (auto& grid : CellGrids)
        grid.clear();
}

bool CQuestState::HasBoard() const {
    for (const auto& grid : CellGrids) {
        if (grid.size() != static_cast<size_t>(kBoardSize))
            return false;
        for (const auto& row : grid)
            if (row.size() != static_cast<size_t>(kBoardSize))
                return false;
    }
    return true;
}

int32_t CQuestState::Save(const std::string& path) const {
    CSafeFile out(path);
    FILE* file = out.Open();
    if (file == nullptr) {
        LogFileFault(kCannotOpen, path, 0, "cannot create the temporary file");
        return 0;
    }
    CByteWriter head;
    head.Bytes(kMagic, sizeof kMagic);
    head.Int(kVersion);
    head.Int(NonQuest);
    head.Bytes(&QuestId, sizeof QuestId);
    head.Int(Difficulty);
    head.Int(SavedSubState);
    bool ok = out.Write(head.Data.data(), head.Data.size()) &&
              Counters.WriteKeyed(file, CProfileCounters::kSaveKey) != 0;

    CByteWriter body;
    body.Int(Level);
    body.Float(TimeLeft);
    body.Float(TimeStep);
    body.Word(static_cast<uint32_t>(Lives) ^ kFieldKey);
    body.Float(SandLevel);
    body.Double(SandTime);
    body.Int(SandRateStep);
    body.Word(static_cast<uint32_t>(GemsRemaining) ^ kFieldKey);
    body.Word(static_cast<uint32_t>(GemGoal) ^ kFieldKey);
    body.Float(AdviserTime);
    body.Int(PendingTotem);
    body.Int(BlueTotemFlag);
    if (SavedSubState == kTakenInPlay) {
        // Always a full board: the reader expects 8 x 8 and a capture of a
        // smaller field must not give a file it would refuse.
        for (int32_t g = 0; g < kGrids; ++g)
            for (int32_t r = 0; r < kBoardSize; ++r)
                for (int32_t c = 0; c < kBoardSize; ++c)
                    body.Int(Cell(g, c, r));
    }
    if (NonQuest == 0) {
        for (int32_t v : Upgrades)
            body.Word(static_cast<uint32_t>(v) ^ kUpgradeKey);
        body.Word(static_cast<uint32_t>(Stars) ^ kStarKey);
        const std::pair<int32_t, int32_t> pairs[] = {{kPairTrophy1, Trophy1Progress},
                                                     {kPairTrophy5, Trophy5Progress},
                                                     {kPairTrophy7, Trophy7Progress},
                                                     {kPairExtraLives, ExtraLives}};
        body.Word(static_cast<uint32_t>(std::size(pairs)));
        for (const auto& [kind, value] : pairs) {
            body.Int(kind);
            body.Int(value);
        }
    }
    ok = ok && out.Write(body.Data.data(), body.Data.size());
    if (!ok || !out.Commit()) {
        LogFileFault(kCannotSave, path, 0, "the file could not be written in full");
        return 0;
    }
    return 1;
}

int32_t CQuestState::Load(const std::string& path) {
    State = kNothingToSave;
    CByteReader in(os::Open(path, "rb"));
    if (!in.IsOpen())
        return 0;
    auto fail = [&](const LoadFault& f) {
        LogFileFault(f.Message, path, in.Offset(), f.Reason);
        return 0;
    };
    const LoadFault shortRead{kShortRead, "the file ends too early"};

    char magic[sizeof kMagic];
    if (!in.Bytes(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof magic) != 0)
        return fail({kCorrupted, "not a quest save"});
    int32_t version = 0;
    if (!in.Int(version))
        return fail(shortRead);
    if (version != kVersion)
        return fail({kUnsupported, "version " + std::to_string(version)});

    uint32_t lives = 0, remaining = 0, goal = 0;
    if (!in.Int(NonQuest) || !in.Bytes(&QuestId, sizeof QuestId) || !in.Int(Difficulty) ||
        !in.Int(SavedSubState))
        return fail(shortRead);
    if (Counters.ReadKeyed(in.File(), CProfileCounters::kSaveKey) == 0)
        return fail(shortRead);
    in.Skip(size_t(3) * CCounterSet::kCounters * 4);
    if (!in.Int(Level) || !in.Float(TimeLeft) || !in.Float(TimeStep) || !in.Word(lives))
        return fail(shortRead);
    Lives = static_cast<int32_t>(lives ^ kFieldKey);
    if (!in.Float(SandLevel) || !in.Double(SandTime) || !in.Int(SandRateStep) ||
        !in.Word(remaining))
        return fail(shortRead);
    GemsRemaining = static_cast<int32_t>(remaining ^ kFieldKey);
    if (!in.Word(goal))
        return fail(shortRead);
    GemGoal = static_cast<int32_t>(goal ^ kFieldKey);
    if (!in.Float(AdviserTime) || !in.Int(PendingTotem) || !in.Int(BlueTotemFlag))
        return fail(shortRead);

    const std::string fixedFault = FixedPartFault(*this);
    if (!fixedFault.empty())
        return fail({kCorrupted, fixedFault});

    // A save taken outside play has no board: the grids of an earlier capture
    // must not stand in for it.
    if (SavedSubState == kTakenInPlay) {
        ClearBoard();
        for (int32_t g = 0; g < kGrids; ++g)
            for (int32_t r = 0; r < kBoardSize; ++r)
                for (int32_t c = 0; c < kBoardSize; ++c) {
                    int32_t v = 0;
                    if (!in.Int(v))
                        return fail(shortRead);
                    if (const char* why = GridFault(g, v))
                        return fail(
                            {kCorrupted, std::string(why) + " in grid " + std::to_string(g)});
                    CellGrids[static_cast<size_t>(g)][static_cast<size_t>(r)]
                             [static_cast<size_t>(c)] = v;
                }
    } else {
        DropBoard();
    }

    if (NonQuest == 0) {
        for (int32_t& v : Upgrades) {
            uint32_t w = 0;
            if (!in.Word(w))
                return fail(shortRead);
            v = static_cast<int32_t>(w ^ kUpgradeKey);
        }
        uint32_t stars = 0;
        if (!in.Word(stars))
            return fail(shortRead);
        Stars = static_cast<int32_t>(stars ^ kStarKey);
        if (!InRange(Stars, 0, kMaxStars))
            return fail({kCorrupted, "Golden Stars " + std::to_string(Stars)});

        uint32_t count = 0;
        if (!in.Word(count))
            return fail(shortRead);
        if (count > static_cast<uint32_t>(kLastPairKind))
            return fail({kCorrupted, "pair count " + std::to_string(count)});
        Pairs.clear();
        if (count == 0) {
            Pairs.emplace_back(kPairExtraLives, 0);
        } else {
            Pairs.resize(count);
            for (auto& [kind, value] : Pairs)
                if (!in.Int(kind) || !in.Int(value))
                    return fail(shortRead);
        }
        ExtraLives = 0;
        for (const auto& [kind, value] : Pairs) {
            if (!InRange(kind, 0, kLastPairKind))
                return fail({kCorrupted, "pair kind " + std::to_string(kind)});
            if (kind == kPairExtraLives)
                ExtraLives = value;
            else if (kind == kPairTrophy1)
                Trophy1Progress = value;
            else if (kind == kPairTrophy5)
                Trophy5Progress = value;
            else if (kind == kPairTrophy7)
                Trophy7Progress = value;
        }
    }
    State = kWorthSaving;
    return 1;
}
