#pragma once
// The board of one level and everything that lives on it: the matrix of caps,
// the match finder, the swaps and falls in progress, the removal effects and
// bonuses acting on the board, the totem panel, the score popups, the sand box
// of the quest board, the four bonus-level challenges, and the queue of events
// through which the field tells the game object what happened.
//
// The game object makes one field at start-up, assigns its shared handles,
// resets it for every level, calls Update once per frame, forwards clicks to
// it, and after each Update calls ReorderEvents and drains Events. The field
// never calls back into the game object.
//
// World units: y grows upwards, rows grow downwards. Cell (c, r) has its centre
// at (origin x + (c + 0.5) * cell width, origin y - (r + 0.5) * cell height).
// Cap positions are board coordinates (without the origin).
//
// Value matrix (the match finder's): c + 1 for a free cap of colour c, -(c + 1)
// for a chained one, 101 for steel, 0 for an empty cell or a cap still moving.
//
// The passes live in several files: PlayField.cpp (construction, reset),
// PlayFieldUpdate.cpp (the frame), PlayFieldSwap.cpp, PlayFieldRefill.cpp,
// PlayFieldMatch.cpp, PlayFieldGeometry.cpp, PlayFieldColours.cpp and the rule
// passes (rebuild, bonuses, totems, level finish, challenge effects, sand).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bonuses/AdviserInterface.h"
#include "engine/SharedPtr.h"
#include "engine/Vector3.h"
#include "playerdata/ProfileCounters.h"
#include "playfield/BoardShake.h"
#include "playfield/Cap.h"
#include "playfield/CapList.h"
#include "playfield/MatchFinder.h"
#include "playfield/MatchGroup.h"
#include "playfield/PopupList.h"
#include "totems/TotemPanel.h"

class CArcadeGame;
class CBlinkerGame;
class CBonus;
class CBonusManager;
class CCapSlot;
class CCapsManager;
class CDuneEffect;
class CGemsBar;
class CLevelDesc;
class CLevelParams;
class CMemoryGame;
class CParticleSystemsManager;
class CPlayFieldStore;
class CProfileSettings;
class CQuestFieldLayout;
class CQuestState;
class CSoundBank;
enum class ESound : int;
class CTerminator;
class CTerminatorManager;
class CTexture;
class CThimblesGame;

// The motion values and the profile folder the game object hands the field
// (filled from its data paths and the current profile).
struct CFieldMotion {
    float FallAcceleration = 2000.0f;  // g, units per second squared
    float BounceFactor = 0.05f;        // b: bounce height and time as a share of the fall
    float SwapTime = 0.4f;             // seconds of one swap
    std::string ProfilePath;           // the current profile's folder (tutorial saves)
};

// The game options the removal passes read.
struct CGameAux {
    int32_t FastExpTerm = 1;  // short terminators for bonus and totem removals
};

// Two caps exchanged by a swap (or sent back after a rejected one).
struct CCapPair {
    CSharedPtr<CCap> First;
    CSharedPtr<CCap> Second;
};

// One report of the field to the game object. A raiser sets only the words its
// kind uses.
struct CFieldEvent {
    enum Kind : int32_t {
        kRemovalFinished = 1,  // value: points (totem actions only)
        kCombo = 2,            // value: chain length
        kSandFull = 3,
        kTimeWon = 4,          // amount: seconds for the level timer
        kLevelComplete = 5,
        kSandRunOut = 6,
        kNoMoves = 7,
        kBonusGameFinished = 8,  // value: 100 after a Memory pair
        kBonusGameRound = 9,
        kSandFullMemory = 10,
        kScorePopup = 11,      // value: points; x, y: world position
        kMessage = 12,         // value: 1 Thimbles, 2 Blinker
        kTutorialTip = 13,     // value: step, extra: tip number
    };
    int32_t Kind = 0;
    int32_t Value = 0;
    float Amount = 0.0f;
    float X = 0.0f;
    float Y = 0.0f;
    int32_t Extra = 0;
};

// What a no-move rebuild remembers of a fixed cap, one record per cell.
struct CRebuildRecord {
    int32_t Empty = 1;  // 1: nothing remembered
    int32_t Column = 0;
    int32_t Row = 0;
    int32_t Colour = 0;
    int32_t LockCount = 0;
    int32_t Gem = 0;
    int32_t BonusFlag = 0;
    int32_t BonusType = 2;
    int32_t BonusLevel = 0;
};

class CPlayField {
public:
    // Field states: the main board and the four challenges.
    enum FieldState : int32_t {
        kMainBoard = 100, kMemory = 101, kArcade = 102, kThimbles = 103, kBlinker = 104
    };
    // Board sources of the next refill.
    enum BoardSource : int32_t {
        kRandomFill = 0, kLevelBoard = 1, kRebuildRecords = 2, kSavedBoard = 3
    };
    // Removal modes of a cap handed to a terminator.
    enum RemovalMode : int32_t { kRemoveOrdinary = 0, kStripChain = 1, kRemoveAlways = 2 };

    static constexpr int32_t kBoardSide = 8;
    // Every redraw loop of the board fill gives up after this many attempts
    // (then relaxes "no ready row" first, "a move exists" second).
    static constexpr int32_t kMaxDrawAttempts = 200;
    // Probabilities of steel and locks are kept below this, so that a colour
    // draw always ends.
    static constexpr float kMaxProbability = 0.95f;
    static constexpr float kNoMoveTestPeriod = 0.25f;

    // The caps manager and the game object's blocks (not owned; they outlive
    // the field). The motion, layout and level parameters may not be null.
    CPlayField(CSharedPtr<CCapsManager> capsManager, const CQuestFieldLayout* layout,
               const CFieldMotion* motion, CLevelParams* levelParams, CGameAux* gameAux);
    ~CPlayField();
    CPlayField(const CPlayField&) = delete;
    CPlayField& operator=(const CPlayField&) = delete;

    // ---- Level set-up (PlayField.cpp, PlayFieldColours.cpp) ----
    // A new board for the game mode (0 quest, 1, 2): geometry, sand box and the
    // per-level words; every cap of the old board is released.
    void Reset(int32_t gameMode);
    // Empties the pair lists, the removal effects, the board, the cap list, the
    // bonuses, the event queue and the challenges.
    void ClearBonusGames();
    // Colours in play, steel and locks for the level number and Hard mode.
    void SetColours(int32_t level);
    // Takes in a level file: non-zero when it was read. What it gives replaces
    // the values of SetColours; a failed read leaves them.
    int32_t LoadLevel(std::string_view path);

    // ---- The frame (PlayFieldUpdate.cpp) ----
    void Update(float dt, float pointerX, float pointerY);
    // Off the board (map, pages, menus) nothing is played, but what the shop
    // started as it closed, the totem figures' fade and the bonus previews'
    // fly-out, still runs to its end instead of standing over the next screen.
    void UpdateOffBoard(float dt);

    // ---- Swaps (PlayFieldSwap.cpp) ----
    // Exchanges two neighbouring caps and flies them to their new cells. Empty,
    // moving, off-board or non-neighbouring cells are ignored.
    void SwapCaps(int32_t column1, int32_t row1, int32_t column2, int32_t row2,
                  int32_t toRecheck);
    // Keeps or sends back rested swaps, tests pairs that came back and, when
    // asked, the whole board. The number of groups resolved.
    int32_t CheckSwaps();

    // ---- Refill (PlayFieldRefill.cpp) ----
    // Lets resting caps fall, fills every empty cell and drops the new caps in.
    void BuildBoard(int32_t avoidRuns, int32_t needMove);
    // The level board codes into the value matrix (board source 1).
    void BuildFromLevel(int32_t steelCount, int32_t lockCount);
    // The board into the record's five grids, always 8 x 8 (cells beyond the
    // field stay empty): the mirror of the restore from board source 3.
    void CaptureBoard(CQuestState& state) const;

    // ---- Matches (PlayFieldMatch.cpp) ----
    void ResolveMatches();
    int32_t RecheckBoard();
    int32_t HandOverBonus(CSharedPtr<CCap> cap);
    // The removal step of one cap with terminator T (steps 1 to 5; no sound,
    // no statistics).
    void RemoveCap(CTerminator& terminator, const CSharedPtr<CCap>& cap, int32_t mode);
    // The single-cell removal of the cap in (column, row): a terminator of its
    // own with the fast value, the removal step in mode 0, the sound and the
    // statistics. Null when the cell holds no cap.
    CSharedPtr<CTerminator> RemoveSingleCell(int32_t column, int32_t row, int32_t fast);

    // ---- Bonuses (rule passes) ----
    void ActivateBonus(CSharedPtr<CBonus> bonus);
    void ApplyBonusRequests();

    // ---- Totems (rule passes) ----
    void ApplyTotemActions();

    // ---- Rebuild, tutorial, level end (rule passes) ----
    void RebuildBoard(float delay, int32_t pathKeys);
    void CloseTutorialTip(int32_t remember);
    void DropAllCaps();
    void FinishLevel();
    // Every cap of the board (but those a terminator holds) falls straight down
    // ten rows in free fall and leaves its cell; it stays in the cap list until
    // its motion ends.
    void DropBoardCaps();
    void LandCap(CSharedPtr<CCap> cap);
    CSharedPtr<CCap>& ForwardToCapList(CSharedPtr<CCap>& out, float x, float y);

    // ---- Challenge results (rule passes) ----
    void SpawnThimblesEffects(float sand);
    void SpawnBlinkerEffects(float sand);
    void SpawnMemoryEffects(float sand);

    // ---- Sand of a removal (rule passes) ----
    void DropRemovalSand(int32_t groupIndex, float amount);

    // ---- Geometry and queries (PlayFieldGeometry.cpp) ----
    // Cell centre; without the origin z is 0, with it x, y and z of the origin
    // are added.
    CVector3 CellToWorld(int32_t column, int32_t row, bool withOrigin) const;
    // The cell under a world point (unclamped); true when it lies on the board.
    bool WorldToCell(float x, float y, int32_t& column, int32_t& row) const;
    // Mean of the cell centres; the origin (0 for an empty list) added when asked.
    CVector3 GetCellsCentre(const std::vector<CMatchCell>& cells, bool withOrigin) const;
    // True for (column, row) on the board.
    bool IsOnBoard(int32_t column, int32_t row) const {
        return column >= 0 && row >= 0 && column < Columns && row < Rows &&
               row < static_cast<int32_t>(Board.size()) &&
               column < static_cast<int32_t>(Board[static_cast<size_t>(row)].size());
    }
    // The cap of a cell; an empty handle off the board.
    const CSharedPtr<CCap>& CapAt(int32_t column, int32_t row) const;
    // True for a cap lying in its cell and not being removed: one that the
    // bonuses and the totems may take.
    static bool IsResting(const CSharedPtr<CCap>& cap) {
        return !cap.IsNull() && cap->Landed != 0 && cap->State != CBoardElement::kRemoving;
    }
    // Calls f(column, row, cap) for every resting cap, row by row from the
    // top, left to right; f may remove the cap it is given.
    template <class F> void ForEachRestingCap(F f) const {
        for (int32_t r = 0; r < Rows; ++r)
            for (int32_t c = 0; c < Columns; ++c) {
                const CSharedPtr<CCap> cap = CapAt(c, r);
                if (IsResting(cap))
                    f(c, r, cap);
            }
    }
    // The cells of the resting caps for which keep(cap) holds, in the same
    // order.
    template <class Keep> std::vector<CMatchCell> RestingCells(Keep keep) const {
        std::vector<CMatchCell> cells;
        ForEachRestingCap([&](int32_t c, int32_t r, const CSharedPtr<CCap>& cap) {
            if (keep(*cap))
                cells.push_back({c, r});
        });
        return cells;
    }
    // Whether the removals of bonuses and totems use short terminators.
    int32_t FastRemovals() const { return GameAux ? GameAux->FastExpTerm : 1; }
    void PlaySound(ESound sound) const;
    // Panned for x.
    void PlaySoundAt(ESound sound, float x) const;
    int32_t IsCellSelectable(int32_t column, int32_t row) const;
    int32_t IsIdle(bool checkCells) const;
    int32_t IsGoalReached() const;
    int32_t HasMarkedCapInBottomRows(int32_t n) const;
    void BuildMatchMatrix();
    // 100 (steel) with the steel probability, else a colour in play.
    int32_t DrawColour() const;
    void CountRemovalStats(const CTerminator& terminator);

    void Show(bool on, int32_t shownWord, float speed);
    void SetActive(bool on);
    void SetDuneActive(bool on);
    void StopPlay();
    void PostResult(int32_t tip, int32_t step);
    int32_t ReorderEvents();
    void ShowAllMoves();
    int32_t SelectTutorialTip(int32_t& step);

    // Appends an event; the words not given stay 0.
    CFieldEvent& QueueEvent(int32_t kind, int32_t value = 0);

    // ---- Members (the game object reads and writes many directly) ----
    int32_t GameMode = 0;
    int32_t FieldState = kMainBoard;
    float Origin[3] = {0.0f, 0.0f, 0.0f};
    float BaseOrigin[3] = {0.0f, 0.0f, 0.0f};
    int32_t Columns = 0;
    int32_t Rows = 0;
    float CellWidth = 83.0f;
    float CellHeight = 83.0f;
    float Depth = 50.0f;
    std::vector<std::vector<CSharedPtr<CCap>>> Board;  // [row][column]
    CMatchFinder MatchFinder;
    CCapList CapList;
    CSharedPtr<CCapsManager> CapsManager;
    CSharedPtr<CPlayFieldStore> Store;
    CSharedPtr<CDuneEffect> Dune;
    CSharedPtr<CGemsBar> GemsBar;
    CSharedPtr<CTerminatorManager> Terminators;
    CSharedPtr<CBonusManager> Bonuses;
    CSharedPtr<CParticleSystemsManager> ParticlesA;
    CSharedPtr<CParticleSystemsManager> ParticlesB;
    CSharedPtr<CSoundBank> SoundBank;
    std::array<CSharedPtr<CTexture>, 3> Textures;
    const CQuestFieldLayout* Layout = nullptr;
    const CFieldMotion* Motion = nullptr;
    CGameAux* GameAux = nullptr;
    int32_t InputOpen = 1;
    int32_t Busy = 0;
    int32_t LevelOver = 0;
    std::vector<int32_t> Colours;
    float SteelProbability = 0.0f;
    int32_t SteelLimit = 0;
    float LockProbability = 0.0f;
    int32_t LockLimit = 0;
    CSharedPtr<CCapSlot> CapSlot;
    std::vector<CCapPair> SwapList;
    std::vector<CCapPair> RecheckList;
    int32_t Source = kLevelBoard;  // board source of the next refill
    int32_t SourceAux = 0;
    CLevelParams* LevelParams = nullptr;
    int32_t GemPool = 5;
    int32_t GemsToCollect = 5;
    int32_t GemOverride = 0;
    int32_t GemOverrideCount = 8;
    int32_t SandOn = 0;
    int32_t SandDrop = 0;
    CBoardShake Shake;
    CTotemPanel Totems;
    int32_t RecheckBoardFlag = 0;
    CPopupList Popups;
    CProfileCounters Counters;
    int32_t GameWordA = 0;
    std::vector<CFieldEvent> Events;
    int32_t ChainCounter = 0;
    CAdviserInterface Adviser;
    float NoMoveTimer = 0.0f;
    CSharedPtr<CLevelDesc> LevelDesc;
    std::vector<std::vector<CRebuildRecord>> RebuildRecords;  // [row][column]
    CSharedPtr<CMemoryGame> Memory;
    CSharedPtr<CArcadeGame> Arcade;
    CSharedPtr<CThimblesGame> Thimbles;
    CSharedPtr<CBlinkerGame> Blinker;
    int32_t LevelNumber = 1;
    // The current profile's tutorial switches (null: tips are off).
    CProfileSettings* Tutorial = nullptr;
    int32_t TutorialNumber = 0;
    int32_t TutorialStep = 0;
    float TutorialTimer = 0.0f;
    int32_t InvalidMove = 0;
    int32_t InvalidMoveTips = 0;
    float IdleTimer = 0.0f;
    int32_t RefillWord = 0;  // cells filled by the last refill (read by the tip display)
    float MoveTimer = 0.0f;
    // The idle, move and tutorial timers advance with every frame while input
    // is open; the passes that reset them say when.
    std::array<int32_t, 5> GameWordsB{};

    // Values the game object, the shop and the quest save keep on the field.
    int32_t HardMode = 0;
    int32_t TutorialColour = -1;
    float TokenSize = 39.0f;  // half size of a new cap
    int32_t Trophy1Progress = 0;
    int32_t Trophy5Progress = 0;
    int32_t Trophy7Progress = 0;
    int32_t ExtraLives = 0;
    int32_t TimerRateStep = 0;
    double SandLevel = 0.0;
    double SandTime = 0.0;
    // The saved board that board source 3 restores (not owned).
    const CQuestState* SavedState = nullptr;

private:
    // ---- Refill helpers (PlayFieldRefill.cpp) ----
    void FallRestingCaps();
    // Gives the cap the fall (with its bounce) from where it is into the centre
    // of (column, row); the fall time.
    float FallCap(CCap& cap, int32_t column, int32_t row);
    void CountSteelAndLocks(int32_t& steel, int32_t& locked) const;
    bool UsesLevelBoard() const;
    bool UsesRebuildRecords() const;
    bool UsesSavedBoard() const;
    // The rebuild record of a cell when it carries a cap, else null.
    const CRebuildRecord* RecordAt(int32_t column, int32_t row) const;
    void FillFromSaved();
    void FillOnce(int32_t steel, int32_t locked);
    void FillAtRandom(int32_t avoidRuns, int32_t needMove, int32_t steel, int32_t locked);
    int32_t PickColourInPlay() const;
    // One random cell value (colour + 1, or 101 while steel is below its limit).
    int32_t DrawCellValue(int32_t& steel) const;
    // The value negated (a chained cap) with the lock probability while locks
    // are below their limit.
    int32_t DrawLock(int32_t value, int32_t& locked) const;
    void DropNewCaps();
    void AttachLevelBonuses();
    void RestoreExtras();
    // True when the matrix has a ready row / a move (run length 3).
    bool MatrixHasRun() const;
    bool MatrixHasMove() const;
    // The pixel rounding of the origin for odd cell sizes.
    void RoundOrigin();

    // ---- Frame steps (PlayFieldUpdate.cpp) ----
    // The main board's tokens show only inside its frame's opening, where the
    // frame stands now, and its popups rise no higher than the top rail; the
    // bonus levels' pieces and popups go anywhere.
    void ClipToBoard();
    void UpdateShake(float dt);
    void LandFinishedMotions(float dt, float pointerX, float pointerY);
    void UpdateSandbox(float dt);
    void ScoreFinishedGroups();
    void RunRefillStep();
    void RunChallenges(float dt);
    void RunNoMoveTest(float dt);
};
