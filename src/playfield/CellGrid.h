#pragma once
// The card board of the Memory, Attention and Reaction challenges: it owns the
// cards (CGridCell) with their sprites in the caps manager, advances every card
// once per frame and lists what finished in that frame, and gives a card's
// sprites back to the manager when the card leaves the board. It knows nothing
// of rows and columns: each challenge keeps its own arrangement of card handles.
//
// CGridChallenge is the common front of the three card challenges: the board
// handle and the placement the launcher copies from the play field.
#include <cstdint>
#include <vector>

#include "audio/SoundBank.h"
#include "engine/SharedPtr.h"
#include "playfield/GridCell.h"

class CCapsManager;

// What finished in one frame. The cell is empty for kCellGone.
struct CCellEvent {
    int32_t Code = 0;
    CSharedPtr<CGridCell> Cell;
};

class CCellGrid {
public:
    enum EventCode : int32_t {
        kEntryEnded = 101, // an entry flight ended; the card rests
        kCellGone = 102,   // an exit flight ended and the card left the board (listed twice)
        kTurnEnded = 103,  // a turn (open or close) ended; the card rests
    };
    static constexpr int32_t kBackKind = 28;      // sprite kind of every card back
    static constexpr int32_t kFirstFaceKind = 20; // sprite kind of picture 0
    static constexpr float kCardHalfSize = 42.0f;
    static constexpr size_t kReserved = 64;

    explicit CCellGrid(CSharedPtr<CCapsManager> manager);
    ~CCellGrid();
    CCellGrid(const CCellGrid&) = delete;
    CCellGrid& operator=(const CCellGrid&) = delete;

    // A resting, closed card of that picture at the point: its back sprite (kind
    // 28, shown) and its picture sprite (kind + 20, hidden) in the manager on the
    // layer, both lit by the cursor light. The card joins the board.
    CSharedPtr<CGridCell> CreateCell(int32_t kind, float x, float y, float z, int32_t layer);
    // Advances every card and rebuilds the event list; its length.
    int32_t Update(float dt);
    // Takes the card and its sprites off the board; its former index, or -1 when
    // it was not on the board.
    int32_t RemoveCell(CSharedPtr<CGridCell> cell);
    // Empties the events, releases every card's sprites and empties the board.
    void Reset();

    // True when every card on the board rests (no flight, no turn).
    bool AllAtRest() const;
    size_t CellCount() const { return Cells.size(); }

    const std::vector<CCellEvent>& GetEvents() const { return Events; }
    const std::vector<CSharedPtr<CGridCell>>& GetCells() const { return Cells; }
    const CSharedPtr<CCapsManager>& GetCapsManager() const { return Manager; }

private:
    void ReleaseSprites(CGridCell& cell);

    CSharedPtr<CCapsManager> Manager;
    std::vector<CSharedPtr<CGridCell>> Cells;
    std::vector<CCellEvent> Events;
};

// The part the Memory, Attention and Reaction challenges share.
class CGridChallenge {
public:
    static constexpr float kDefaultOriginX = 317.5f;
    static constexpr float kDefaultOriginY = 43.5f;
    static constexpr float kDefaultSpacing = 664.0f;
    static constexpr float kDefaultCell = 83.0f;

    // A new board on the manager replaces the old one. The cards draw from the
    // memory pictures of the caps textures, so the manager is switched to that
    // texture group.
    void CreateGrid(CSharedPtr<CCapsManager> manager);
    // The play field's geometry: origin, depth, the two spacing values (kept
    // only) and the cell pitch.
    void SetPlacement(float originX, float originY, float z, float spacingX, float spacingY,
                      float cellWidth, float cellHeight);

    // True when there is no board or every card on it rests.
    bool AllAtRest() const;
    // Number of cards on the board (0 without a board).
    size_t CardsOnBoard() const;

    CSharedPtr<CCellGrid> Board;
    float OriginX = kDefaultOriginX, OriginY = kDefaultOriginY, Z = 0.0f;
    float SpacingX = kDefaultSpacing, SpacingY = kDefaultSpacing;
    float CellWidth = kDefaultCell, CellHeight = kDefaultCell;
    CSharedPtr<CSoundBank> SoundBank; // may stay empty: the challenge is then silent

protected:
    CGridChallenge() = default;
    ~CGridChallenge();
    CGridChallenge(const CGridChallenge&) = delete;
    CGridChallenge& operator=(const CGridChallenge&) = delete;

    // Board update (when there is one); 0 without a board.
    int32_t UpdateBoard(float dt);
    // Resets the board when there is one.
    void ResetGrid();
    // A sample of the bank, placed at a screen x / unplaced (variant 0, once).
    void PlayAt(ESound sound, float x) const;
    void Play(ESound sound) const;
};
