#include "playfield/CellGrid.h"

#include "playfield/CapsManager.h"
#include "playfield/CapsTextures.h"

// ---- CCellGrid ----

CCellGrid::CCellGrid(CSharedPtr<CCapsManager> manager) : Manager(manager) {
    Cells.reserve(kReserved);
    Events.reserve(kReserved);
}

CCellGrid::~CCellGrid() {
    Reset();
}

CSharedPtr<CGridCell> CCellGrid::CreateCell(int32_t kind, float x, float y, float z,
                                            int32_t layer) {
    CSharedPtr<CGridCell> cell(new CGridCell());
    cell->X = x;
    cell->Y = y;
    cell->Z = z;
    cell->State = CGridCell::kAtRest;
    if (!Manager.IsNull()) {
        Manager->CreateCap(cell->LowSprite, kBackKind, x, y, z, kCardHalfSize, layer);
        Manager->CreateCap(cell->HighSprite, kind + kFirstFaceKind, x, y, z, kCardHalfSize, layer);
    }
    if (CCapSprite* back = cell->LowSprite.Get())
        back->LightEnabled = 1;
    if (CCapSprite* face = cell->HighSprite.Get()) {
        face->LightEnabled = 1;
        face->Visible = 0;
    }
    cell->SetGlowLevel(0);
    cell->Kind = kind;
    Cells.push_back(cell);
    return cell;
}

void CCellGrid::ReleaseSprites(CGridCell& cell) {
    if (Manager.IsNull())
        return;
    // An empty handle would take the manager's first empty entry instead.
    if (!cell.LowSprite.IsNull())
        Manager->ReleaseCap(cell.LowSprite);
    if (!cell.HighSprite.IsNull())
        Manager->ReleaseCap(cell.HighSprite);
}

int32_t CCellGrid::Update(float dt) {
    Events.clear();
    size_t i = 0;
    while (i < Cells.size()) {
        CSharedPtr<CGridCell> cell = Cells[i];
        if (cell.IsNull()) {
            ++i;
            continue;
        }
        const int32_t r = cell->Update(dt);
        if (r == CGridCell::kMotionEnded && cell->State == CGridCell::kFlyingOut) {
            // The card has left the screen: it leaves the board, and the card that
            // follows moves up to this index and is still updated this frame.
            ReleaseSprites(*cell);
            Cells.erase(Cells.begin() + static_cast<std::ptrdiff_t>(i));
            Events.push_back(CCellEvent{kCellGone, CSharedPtr<CGridCell>()});
            Events.push_back(CCellEvent{kCellGone, CSharedPtr<CGridCell>()});
            continue;
        }
        if (r == CGridCell::kMotionEnded) {
            cell->State = CGridCell::kAtRest;
            Events.push_back(CCellEvent{kEntryEnded, cell});
        } else if (r == CGridCell::kTurnEnded) {
            cell->State = CGridCell::kAtRest;
            Events.push_back(CCellEvent{kTurnEnded, cell});
        }
        ++i;
    }
    return static_cast<int32_t>(Events.size());
}

int32_t CCellGrid::RemoveCell(CSharedPtr<CGridCell> cell) {
    for (size_t i = 0; i < Cells.size(); ++i) {
        if (!(Cells[i] == cell))
            continue;
        CSharedPtr<CGridCell> found = Cells[i];
        if (!found.IsNull())
            ReleaseSprites(*found);
        Cells.erase(Cells.begin() + static_cast<std::ptrdiff_t>(i));
        return static_cast<int32_t>(i);
    }
    return -1;
}

void CCellGrid::Reset() {
    Events.clear();
    if (!Manager.IsNull()) {
        for (const CSharedPtr<CGridCell>& cell : Cells)
            if (!cell.IsNull())
                ReleaseSprites(*cell);
    }
    Cells.clear();
}

bool CCellGrid::AllAtRest() const {
    for (const CSharedPtr<CGridCell>& cell : Cells)
        if (!cell.IsNull() && !cell->IsAtRest())
            return false;
    return true;
}

// ---- CGridChallenge ----

CGridChallenge::~CGridChallenge() {
    ResetGrid();
    // The board goes before the sound bank, as the challenges' fields did.
    Board = CSharedPtr<CCellGrid>();
    SoundBank = CSharedPtr<CSoundBank>();
}

void CGridChallenge::CreateGrid(CSharedPtr<CCapsManager> manager) {
    Board = CSharedPtr<CCellGrid>(new CCellGrid(manager));
    if (!manager.IsNull())
        manager->SetTextureMode(caps::kModeMemory);
}

void CGridChallenge::SetPlacement(float originX, float originY, float z, float spacingX,
                                  float spacingY, float cellWidth, float cellHeight) {
    OriginX = originX;
    OriginY = originY;
    Z = z;
    SpacingX = spacingX;
    SpacingY = spacingY;
    CellWidth = cellWidth;
    CellHeight = cellHeight;
}

bool CGridChallenge::AllAtRest() const {
    return Board.IsNull() || Board->AllAtRest();
}

size_t CGridChallenge::CardsOnBoard() const {
    return Board.IsNull() ? 0 : Board->CellCount();
}

int32_t CGridChallenge::UpdateBoard(float dt) {
    return Board.IsNull() ? 0 : Board->Update(dt);
}

void CGridChallenge::ResetGrid() {
    if (!Board.IsNull())
        Board->Reset();
}

void CGridChallenge::PlayAt(ESound sound, float x) const {
    if (!SoundBank.IsNull())
        SoundBank->PlaySampleAt(SoundBank->Group(sound), x, 0, 0);
}

void CGridChallenge::Play(ESound sound) const {
    if (!SoundBank.IsNull())
        SoundBank->PlaySample(SoundBank->Group(sound), 0, 0);
}
