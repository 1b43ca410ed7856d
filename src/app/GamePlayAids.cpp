// What the level in play keeps for the player between levels and gives back
// while the player ponders: the sand box's sand and frenzy progress carried
// into the next level, the idle hint that points at a possible move, and the
// level panel that tells what the level still asks.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/Game.h"
#include "effects/DuneEffect.h"
#include "effects/Sandbox.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "playfield/LevelRules.h"
#include "screens/ScreensManager.h"

namespace {

// "Gems to go: %d\nTime left: %s" (gems, "m:ss").
constexpr int32_t kTxtLevelStill = 240;

// A kept share of the box, as a saved game may hand it over.
double BoxShare(double v) {
    return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0;
}

} // namespace

CSandbox* CGame::FieldSandbox() const {
    if (Field.IsNull() || Field->Dune.IsNull() || Field->Dune->Sandbox.IsNull())
        return nullptr;
    return Field->Dune->Sandbox.Get();
}

float CGame::FrenzyGain(const CPlayField& field) {
    return CLevelRules::DecayFactor(field.TimerRateStep) * (field.HardMode ? 0.5f : 1.0f);
}

void CGame::StartLevelSandbox() {
    if (Field.IsNull())
        return;
    CPlayField& field = *Field;
    // Each level's frenzies start again at full gain.
    field.TimerRateStep = 0;
    CSandbox* sandbox = FieldSandbox();
    if (!sandbox)
        return;
    sandbox->Running = 0;
    sandbox->Reset();
    sandbox->FrenzyProgress = BoxShare(field.SandTime);
    sandbox->AddSand(BoxShare(field.SandLevel), 0.0);
    sandbox->FrenzyGain = FrenzyGain(field);
}

void CGame::KeepLevelSandbox() {
    if (Field.IsNull())
        return;
    CPlayField& field = *Field;
    const CSandbox* sandbox = FieldSandbox();
    if (!sandbox) {
        field.SandLevel = field.SandTime = 0.0;
        return;
    }
    // A running frenzy's box is full by decree, not by the player's sand: only
    // sand of the normal box goes on. A bar that filled has paid its star.
    field.SandLevel = sandbox->Mode == CSandbox::kNormal ? BoxShare(sandbox->MeanLevel) : 0.0;
    field.SandTime = sandbox->FrenzyProgress < 1.0 ? BoxShare(sandbox->FrenzyProgress) : 0.0;
}

void CGame::UpdateIdleHint(float dt) {
    if (Field.IsNull())
        return;
    CPlayField& field = *Field;
    if (HintTimer > 0.0f) {
        // The wait for the next hint starts once this one is over.
        HintTimer -= dt;
        field.IdleTimer = 0.0f;
        return;
    }
    if (field.IdleTimer < Paths.HintDelay)
        return;
    field.BuildMatchMatrix();
    std::vector<CMatchMove> moves;
    field.MatchFinder.ListMoves(moves, 3, 0);
    if (moves.empty()) {
        // The board's own test deals with a board without moves.
        field.IdleTimer = 0.0f;
        return;
    }
    // Arrows over both caps of one swap, raised as the adviser's markers are.
    const CMatchMove& m = moves.front();
    for (const auto& [column, row] : {std::pair{m.Column1, m.Row1}, std::pair{m.Column2, m.Row2}}) {
        const CVector3 p = field.CellToWorld(column, row, true);
        field.Adviser.AddArrow(p.X, p.Y + 0.3f * field.CellHeight, Paths.HintArrowTime);
    }
    HintTimer = Paths.PanelShowTime;
    field.IdleTimer = 0.0f;
}

void CGame::UpdateLevelPanel(float dt, bool clockRuns) {
    if (Field.IsNull())
        return;
    CPlayField& field = *Field;
    const auto hidePanel = [&] {
        PanelTimer = 0.0f;
        HideCard();
        field.MoveTimer = 0.0f;
    };
    // The panel gives way to a tip's box and goes once the player swaps.
    if (PanelTimer > 0.0f && (TipOpen != kTipNone || !field.SwapList.empty()))
        hidePanel();
    if (!clockRuns) {
        // The field counts while its input is open; the wait counts only
        // while the clock runs. A swap or a gem still clears it.
        field.MoveTimer = std::min(field.MoveTimer, PanelMoveTimer);
        PanelMoveTimer = field.MoveTimer;
        return;
    }
    if (PanelTimer > 0.0f) {
        PanelTimer -= dt;
        if (PanelTimer <= 0.0f)
            hidePanel();
    } else if (field.MoveTimer >= Paths.PanelDelay) {
        const std::string caption = Screens.IsNull()
                                        ? std::string()
                                        : CScreensManager::WindowText(Screens->NewLevelCaption);
        ShowCard(caption, FormatText(GetString(kTxtLevelStill),
                                     {std::max(field.GemsToCollect, 0), FormatClock(TimeLeft)}));
        PanelTimer = Paths.PanelShowTime;
    }
    PanelMoveTimer = field.MoveTimer;
}

bool CGame::BoardLocked() const {
    return ActionAge < Paths.ActionInputLock;
}
