#include "playfield/MemoryGame.h"

#include <algorithm>
#include <cmath>

#include "engine/Random.h"

namespace {

// One board of the game: where it stands on the field's grid, its shape row by
// row from the top ('X' a card, '.' none) and how many cards show each picture.
// The cards of a shape always equal the sum of its picture counts.
struct BoardShape {
    int32_t columnOrigin, rowOrigin;
    int32_t columns, rows;
    const char* rowsText[6];
    int32_t pictureCounts[5];
    int32_t pictureKinds;
};

constexpr BoardShape kShapes[CMemoryGame::kLastSizeKind] = {
    {2, 3, 4, 3, {"XXXX", "XXXX", "XXXX"}, {4, 4, 4}, 3},
    {1, 3, 6, 3, {"XXXXXX", "XXXXXX", "XXXXXX"}, {4, 4, 4, 6}, 4},
    {1, 2, 6, 6, {".XXXX.", "XXXXXX", "X.XX.X", "XXXXXX", "XX..XX", ".XXXX."}, {6, 6, 6, 6, 4}, 5},
    {1, 3, 6, 4, {".XXXXX", ".X...X", "XX.X.X", "XX.XXX"}, {4, 4, 4, 4}, 4},
    {0, 3, 8, 4, {"...XX...", "..XXXX..", ".XX..XX.", "XXXXXXXX"}, {4, 4, 4, 6}, 4},
    {0, 3, 8, 5, {"...XX...", ".XXXXX.X", "X.XXXXXX", "XXXXXXXX", ".XXXX..X"}, {6, 6, 6, 6, 4}, 5},
};

// Draws beyond this many rejected picture draws take the first picture left:
// the deal always ends.
constexpr int kMaxPictureDraws = 1000;

int32_t DrawIndex(int32_t count) {
    const int32_t i = static_cast<int32_t>(std::floor(RandomFloat() * static_cast<float>(count)));
    return std::clamp(i, 0, count - 1);
}

int32_t DealPicture(int32_t* counts, int32_t kinds) {
    for (int attempt = 0; attempt < kMaxPictureDraws; ++attempt) {
        const int32_t i = DrawIndex(kinds);
        if (counts[i] > 0) {
            --counts[i];
            return i;
        }
    }
    for (int32_t i = 0; i < kinds; ++i) {
        if (counts[i] > 0) {
            --counts[i];
            return i;
        }
    }
    return 0;
}

// The place index of a click coordinate: truncated toward zero, then shifted by
// the origin; out-of-range values (NaN, huge) give -1.
int32_t PlaceIndex(float offset, float pitch, int32_t origin) {
    if (!(pitch > 0.0f))
        return -1;
    const float cells = std::trunc(offset / pitch);
    if (!(std::fabs(cells) < 1.0e6f))
        return -1;
    return static_cast<int32_t>(cells) - origin;
}

} // namespace

CMemoryGame::CMemoryGame() {
    Cards.reserve(8);
    Matched.reserve(8);
}

CMemoryGame::~CMemoryGame() {
    ResetBoard();
}

void CMemoryGame::ResetBoard() {
    Cards.clear();
    Matched.clear();
    ResetGrid();
}

bool CMemoryGame::InBoard(int32_t column, int32_t row) const {
    return row >= 0 && column >= 0 && static_cast<size_t>(row) < Cards.size() &&
           static_cast<size_t>(column) < Cards[static_cast<size_t>(row)].size();
}

CGridCell* CMemoryGame::Card(int32_t column, int32_t row) const {
    if (!InBoard(column, row))
        return nullptr;
    return Cards[static_cast<size_t>(row)][static_cast<size_t>(column)].Get();
}

CSharedPtr<CGridCell> CMemoryGame::CardAt(int32_t column, int32_t row) const {
    if (!InBoard(column, row))
        return CSharedPtr<CGridCell>();
    return Cards[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

bool CMemoryGame::IsMatched(int32_t column, int32_t row) const {
    if (row < 0 || column < 0 || static_cast<size_t>(row) >= Matched.size() ||
        static_cast<size_t>(column) >= Matched[static_cast<size_t>(row)].size())
        return false;
    return Matched[static_cast<size_t>(row)][static_cast<size_t>(column)] != 0;
}

void CMemoryGame::SetUp(int32_t sizeKind) {
    // A new round starts from an empty board, even if cards of the last one
    // are still on their way out.
    ResetBoard();
    Timer = 0.0f;
    FirstColumn = FirstRow = SecondColumn = SecondRow = -1;
    Phase = kOpening;

    const BoardShape& shape = kShapes[std::clamp(sizeKind, kFirstSizeKind, kLastSizeKind) - 1];
    ColumnOrigin = shape.columnOrigin;
    RowOrigin = shape.rowOrigin;
    Columns = shape.columns;
    Rows = shape.rows;

    // Deal the pictures, top row first, left to right.
    int32_t counts[5] = {};
    std::copy(std::begin(shape.pictureCounts), std::end(shape.pictureCounts), counts);
    std::vector<std::vector<int32_t>> pictures(
        static_cast<size_t>(Rows), std::vector<int32_t>(static_cast<size_t>(Columns), -1));
    for (int32_t r = 0; r < Rows; ++r)
        for (int32_t c = 0; c < Columns; ++c)
            if (shape.rowsText[r][c] == 'X')
                pictures[static_cast<size_t>(r)][static_cast<size_t>(c)] =
                    DealPicture(counts, shape.pictureKinds);

    // Make the cards, bottom row first: each drops from ten rows above its place.
    Cards.resize(static_cast<size_t>(Rows));
    Matched.resize(static_cast<size_t>(Rows));
    for (int32_t r = Rows - 1; r >= 0; --r) {
        std::vector<CSharedPtr<CGridCell>>& cardRow = Cards[static_cast<size_t>(r)];
        cardRow.assign(static_cast<size_t>(Columns), CSharedPtr<CGridCell>());
        Matched[static_cast<size_t>(r)].assign(static_cast<size_t>(Columns), 0);
        if (Board.IsNull())
            continue;
        for (int32_t c = 0; c < Columns; ++c) {
            const int32_t picture = pictures[static_cast<size_t>(r)][static_cast<size_t>(c)];
            if (picture < 0)
                continue;
            const float x = OriginX + (static_cast<float>(ColumnOrigin + c) + 0.5f) * CellWidth;
            const float y = OriginY - (static_cast<float>(RowOrigin + r) + 0.5f) * CellHeight;
            const float startY =
                OriginY - (static_cast<float>(RowOrigin + r - kDropRows) + 0.5f) * CellHeight;
            CSharedPtr<CGridCell> card = Board->CreateCell(picture, x, startY, Z, Layer);
            card->SetGlowLevel(0);
            card->GlowValue = 0.0f;
            card->StartFlight(x, startY, Z, x, y, Z, kFlightTime, CGridCell::kFlyingIn);
            cardRow[static_cast<size_t>(c)] = card;
        }
    }
    State = kDealing;
}

int32_t CMemoryGame::OnClick(float x, float y) {
    if (State != kWaitingForClick)
        return kClickIgnored;
    const int32_t column = PlaceIndex(x - OriginX, CellWidth, ColumnOrigin);
    const int32_t row = PlaceIndex(OriginY - y, CellHeight, RowOrigin);
    if (column < 0 || column >= Columns || row < 0 || row >= Rows)
        return kClickIgnored;
    CGridCell* card = Card(column, row);
    if (!card)
        return kClickIgnored;
    if (IsMatched(column, row) || (column == FirstColumn && row == FirstRow)) {
        PlayAt(ESound::Wrong, x);
        return kClickRefused;
    }
    if (FirstColumn < 0) {
        FirstColumn = column;
        FirstRow = row;
    } else {
        SecondColumn = column;
        SecondRow = row;
    }
    card->SetSelected(true);
    Phase = kOpening;
    State = kTurning;
    PlayAt(ESound::BonusClick, card->X);
    return kCardTurned;
}

bool CMemoryGame::AllMatched() const {
    for (int32_t r = 0; r < Rows; ++r)
        for (int32_t c = 0; c < Columns; ++c)
            if (Card(c, r) && !IsMatched(c, r))
                return false;
    return true;
}

int32_t CMemoryGame::Update(float dt) {
    UpdateBoard(dt);
    switch (State) {
    case kDealing:
        if (AllAtRest()) {
            Timer = 0.0f;
            State = kWaitingForClick;
            Phase = kOpening;
            Play(ESound::Drop);
        }
        return kNothing;
    case kClearingAway:
        if (CardsOnBoard() == 0) {
            // Reported once: the round stays over until the next SetUp.
            State = kIdle;
            return kBoardCleared;
        }
        return kNothing;
    case kTurning:
        break;
    default:
        return kNothing;
    }

    if (Phase == kOpening) {
        if (!AllAtRest())
            return kNothing;
        CGridCell* first = Card(FirstColumn, FirstRow);
        CGridCell* second = Card(SecondColumn, SecondRow);
        if (!second || !first) {
            // Only one card is open (or the pair was taken off the board).
            if (!first)
                FirstColumn = FirstRow = -1;
            SecondColumn = SecondRow = -1;
            State = kWaitingForClick;
            return kNothing;
        }
        if (first->Kind != second->Kind) {
            Phase = kShowingMismatch;
            Timer = 0.0f;
            return kNothing;
        }
        PairPosition[0] = second->X;
        PairPosition[1] = second->Y;
        PairPosition[2] = first->X;
        PairPosition[3] = first->Y;
        Matched[static_cast<size_t>(FirstRow)][static_cast<size_t>(FirstColumn)] = 1;
        Matched[static_cast<size_t>(SecondRow)][static_cast<size_t>(SecondColumn)] = 1;
        FirstColumn = FirstRow = SecondColumn = SecondRow = -1;
        if (!AllMatched()) {
            State = kWaitingForClick;
            Play(ESound::GoodClick);
            return kPairFound;
        }
        // The state stays "turning" until the game object flies the cards out.
        return kLastPairFound;
    }

    if (Phase == kShowingMismatch) {
        Timer += dt;
        if (Timer < CloseDelay)
            return kNothing;
        CGridCell* first = Card(FirstColumn, FirstRow);
        CGridCell* second = Card(SecondColumn, SecondRow);
        if (second)
            second->SetSelected(false);
        if (first)
            first->SetSelected(false);
        if (first && second)
            PlayAt(ESound::BonusClick, (first->X + second->X) * 0.5f);
        Timer = 0.0f;
        Phase = kClosing;
        FirstColumn = FirstRow = SecondColumn = SecondRow = -1;
        return kMismatchClosing;
    }

    // Closing.
    if (AllAtRest()) {
        Phase = kOpening;
        Timer = 0.0f;
        State = kWaitingForClick;
    }
    return kNothing;
}

void CMemoryGame::FlyOut() {
    for (int32_t r = 0; r < static_cast<int32_t>(Cards.size()); ++r) {
        std::vector<CSharedPtr<CGridCell>>& cardRow = Cards[static_cast<size_t>(r)];
        for (int32_t c = 0; c < static_cast<int32_t>(cardRow.size()); ++c) {
            CSharedPtr<CGridCell>& card = cardRow[static_cast<size_t>(c)];
            if (card.IsNull())
                continue;
            const float x = OriginX + (static_cast<float>(ColumnOrigin + c) + 0.5f) * CellWidth;
            const float y =
                OriginY - (static_cast<float>(RowOrigin + r - kDropRows) + 0.5f) * CellHeight;
            card->StartFlight(card->X, card->Y, card->Z, x, y, Z, card->Duration,
                              CGridCell::kFlyingOut);
            card = CSharedPtr<CGridCell>();
        }
    }
    State = kClearingAway;
}
