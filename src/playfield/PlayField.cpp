// Construction, reset and clearing of the play field.
#include "playfield/PlayField.h"

#include <cmath>

#include "bonuses/BonusManager.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "effects/TerminatorManager.h"
#include "engine/PlayFieldStore.h"
#include "playfield/CapSlot.h"
#include "playfield/CapsManager.h"
#include "playfield/LevelDesc.h"
#include "playfield/LevelParams.h"
#include "playfield/QuestFieldLayout.h"
#include "totems/BoardGrid.h"

// The challenges are destroyed through their handles; their headers are not
// needed here.

CPlayField::CPlayField(CSharedPtr<CCapsManager> capsManager, const CQuestFieldLayout* layout,
                       const CFieldMotion* motion, CLevelParams* levelParams, CGameAux* gameAux)
    : CapsManager(capsManager), Layout(layout), Motion(motion), GameAux(gameAux),
      LevelParams(levelParams) {
    CapList.SetCapsManager(capsManager);
    InputOpen = 1;
    Busy = 0;
    LevelOver = 0;
    Columns = Rows = 0;

    Store = CSharedPtr<CPlayFieldStore>(new CPlayFieldStore());
    Dune = CSharedPtr<CDuneEffect>(new CDuneEffect());
    if (Layout)
        Dune->SetParameters(*Layout);

    Reset(0);
    SetColours(1);
    SwapList.reserve(16);
    RecheckList.reserve(16);

    NoMoveTimer = IdleTimer = MoveTimer = 0.0f;
    Source = kLevelBoard;
    GemPool = GemsToCollect = 5;
    GemOverride = 0;
    GemOverrideCount = 8;
    SandOn = SandDrop = 0;
    RecheckBoardFlag = 0;
    LevelNumber = 1;
    TutorialNumber = 0;
    GameWordsB.fill(0);
    Events.reserve(64);
}

CPlayField::~CPlayField() {
    // The terminator manager outlives the field and keeps a pointer to the cap
    // list: nothing of this board may stay in it.
    if (!Terminators.IsNull())
        Terminators->Clear();
    SwapList.clear();
    RecheckList.clear();
    Board.clear();
    CapList.Clear();
}

void CPlayField::RoundOrigin() {
    if (std::floor(CellWidth * 0.5f) != CellWidth * 0.5f)
        Origin[0] += 0.5f;
    if (std::floor(CellHeight * 0.5f) != CellHeight * 0.5f)
        Origin[1] += 0.5f;
}

void CPlayField::Reset(int32_t gameMode) {
    Source = kLevelBoard;
    SourceAux = 0;
    ClearBonusGames();
    GameWordA = 0;
    GameMode = gameMode;
    FieldState = kMainBoard;

    const bool knownMode = gameMode >= 0 && gameMode <= 2;
    if (knownMode && Layout) {
        for (int i = 0; i < 3; ++i)
            Origin[i] = BaseOrigin[i] = Layout->BaseOrigin[i];
        Columns = Rows = kBoardSide;
        CellWidth = Layout->CellWidth;
        CellHeight = Layout->CellHeight;
        Depth = Layout->Depth;
        TokenSize = Layout->TokenSize > 0.0f ? Layout->TokenSize : TokenSize;
        Store->Rebuild(Layout->FrameRects, Layout->FrameUVs, Layout->FrameTextures,
                       Layout->FrameColours, Layout->FrameMethods);
        for (int i = 0; i < 3; ++i)
            Store->Offset[i] = Origin[i];
        Store->Scale[0] = Store->Scale[1] = 1.0f;
        Store->Fade.Set(0, 0.0f);
        RoundOrigin();

        if (gameMode == 0) {
            CSharedPtr<CSandbox> sandbox(new CSandbox());
            sandbox->SetColumns(Layout->SandColumns);
            const float speed = LevelParams ? LevelParams->Speed : 0.0f;
            sandbox->DrainRate = speed;
            sandbox->Running = speed > 0.0f ? 1 : 0;
            Dune->SetSandbox(sandbox);
            Dune->SetBox(Layout->SandRect[0], Layout->SandRect[1], Layout->SandRect[2],
                         Layout->SandRect[3], Layout->SandRect[4]);
            Dune->Create(0, 0.0f);
            SandOn = SandDrop = 1;
            GameWordsB[0] = GameWordsB[1] = 0;
        }
        SetBoardGrid(Origin[0], Origin[1], Origin[2], Columns, Rows, CellWidth, CellHeight);
        // The board's messages rise over the board where it stands at rest.
        const float w = static_cast<float>(Columns) * CellWidth;
        const float h = static_cast<float>(Rows) * CellHeight;
        Popups.Messages.SetArea(
            CLaneBox{BaseOrigin[0], BaseOrigin[1] - h, BaseOrigin[0] + w, BaseOrigin[1]});
        CapList.SetOrigin(Origin[0], Origin[1], Origin[2], 1);
    }
    ClipToBoard();

    Board.assign(static_cast<size_t>(Rows),
                 std::vector<CSharedPtr<CCap>>(static_cast<size_t>(Columns)));
    MatchFinder.Resize(Columns, Rows);
    IdleTimer = MoveTimer = 0.0f;
    NoMoveTimer = 0.0f;
    TutorialNumber = 0;
    InvalidMove = 0;
    InvalidMoveTips = 0;
    GemOverride = 0;
    // A new board is open for play; the end of the last level is forgotten.
    LevelOver = 0;
    InputOpen = 1;
    Busy = 0;
    Adviser.ReleaseSprites();
}

void CPlayField::ClearBonusGames() {
    SwapList.clear();
    RecheckList.clear();
    if (!Terminators.IsNull())
        Terminators->Clear();
    for (auto& row : Board)
        for (auto& cell : row)
            cell = CSharedPtr<CCap>();
    CapList.Clear();
    if (!Bonuses.IsNull())
        Bonuses->Clear();
    if (!CapSlot.IsNull())
        CapSlot->Clear();
    Shake.Clear();
    RecheckBoardFlag = 0;
    Events.clear();
    ChainCounter = 0;
    Memory = CSharedPtr<CMemoryGame>();
    Arcade = CSharedPtr<CArcadeGame>();
    if (!Dune.IsNull())
        Dune->SlotsShown = 0;
    Thimbles = CSharedPtr<CThimblesGame>();
    Blinker = CSharedPtr<CBlinkerGame>();
    InvalidMove = 0;
    TutorialNumber = 0;
}

CFieldEvent& CPlayField::QueueEvent(int32_t kind, int32_t value) {
    CFieldEvent e;
    e.Kind = kind;
    e.Value = value;
    Events.push_back(e);
    return Events.back();
}
