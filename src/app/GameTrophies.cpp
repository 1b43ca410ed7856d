// The trophies in the game: their set-up, the checks at a level's results, in
// play and at the end of the quest, the trophy screen (from the main menu, or
// on its own when awards wait at the end of a level), and the player's
// "Trophies.dat", which follows the current profile.
#include "app/Game.h"
#include "engine/RenderDevice.h"
#include "engine/Texture.h"
#include "playerdata/Trophies.h"
#include "screens/ScreensManager.h"
#include "ui/UxForm.h"

namespace {

constexpr float kTrophiesFade = CScreensManager::kMenuFade;
// The screens' picture behind the trophies, made only when they are shown.
constexpr const char* kTrophiesPicture = "Trophies";

// Queues what `value` earns for `trophy`; true when something was queued.
bool Check(CTrophies& trophies, int32_t trophy, int32_t value) {
    const int32_t level = trophies.CheckAward(trophy, value);
    if (level > 0)
        trophies.QueueAward(trophy, level);
    return level > 0;
}

} // namespace

std::string CGame::TrophiesPath(const std::string& folder) {
    return folder.empty() ? std::string() : folder + "\\" + CTrophies::kFileName;
}

void CGame::CreateTrophies() {
    Trophies = CSharedPtr<CTrophies>(new CTrophies());
    CTrophies& t = *Trophies;
    t.LoadSettings(Paths.ConfigPath + "Skin.cfg");
    t.LoadDescriptions(Paths.TxtPath + CTrophies::kDescriptionsFile);
    t.SetResources(Screens, Particles[kParticleManagers - 1], QuadLayers[kQuadLayers - 1],
                   SpriteLayers[kSpriteLayers - 1], SpriteLayers[1]);
    t.SetTextures(GameTexture("StarParticle"), GameTexture("Halo1"), GameTexture("Spark"),
                  GameTexture("Flare"));
    t.SetSoundBank(SoundBank);
    SwitchProfileTrophies(std::string());
}

void CGame::SwitchProfileTrophies(const std::string& previousFolder) {
    if (Trophies.IsNull())
        return;
    CTrophies& t = *Trophies;
    KeepWaitingAwards(previousFolder);
    const std::string folder = ProfileFolder();
    if (folder.empty())
        t.Reset();
    else
        t.Load(TrophiesPath(folder));
    t.RefreshWindows();
}

void CGame::KeepWaitingAwards(const std::string& folder) {
    // Awards earned but not yet shown belong to the player who earned them,
    // and those that landed already wait for the last one to be written.
    if (Trophies.IsNull() || !Trophies->HasPending())
        return;
    Trophies->CommitPendingAwards();
    if (!folder.empty())
        NoteSaved(Trophies->Save(TrophiesPath(folder)) != 0, ENotSaved::Trophies,
                  TrophiesPath(folder));
}

void CGame::SaveTrophies() {
    if (!Trophies.IsNull() && !Profile.IsNull())
        NoteSaved(Trophies->Save(TrophiesPath(ProfileFolder())) != 0,
                  ENotSaved::Trophies, TrophiesPath(ProfileFolder()));
}

int32_t CGame::CheckQuestTrophies() {
    if (Trophies.IsNull() || Field.IsNull())
        return 0;
    CTrophies& t = *Trophies;
    const CPlayField& f = *Field;
    const CCounterSet& quest = f.Counters.Sets[CProfileCounters::kQuestTotals];
    const int32_t score = quest.Get(CCounterSet::kScore);
    bool queued = Check(t, CTrophies::kUnbroken, f.Trophy1Progress);
    queued |= Check(t, CTrophies::kChain, quest.Get(CCounterSet::kLongestChain));
    queued |= Check(t, CTrophies::kScore, score);
    queued |= Check(t, CTrophies::kRank, Scores.FindRank(score) + 1);
    queued |= Check(t, CTrophies::kLevelsDone, f.Trophy5Progress);
    queued |= Check(t, CTrophies::kFrenzies, quest.Get(CCounterSet::kFrenzies));
    queued |= Check(t, CTrophies::kBonusLevels, f.Trophy7Progress);
    queued |= Check(t, CTrophies::kCloseShave, LevelSecondsLeft);
    return queued ? 1 : 0;
}

int32_t CGame::CheckPlayTrophies(int32_t withChain) {
    if (Trophies.IsNull() || Field.IsNull())
        return 0;
    const CCounterSet& quest = Field->Counters.Sets[CProfileCounters::kQuestTotals];
    bool queued =
        withChain && Check(*Trophies, CTrophies::kChain, quest.Get(CCounterSet::kLongestChain));
    queued |= Check(*Trophies, CTrophies::kScore, quest.Get(CCounterSet::kScore));
    queued |= Check(*Trophies, CTrophies::kFrenzies, quest.Get(CCounterSet::kFrenzies));
    return queued ? 1 : 0;
}

void CGame::UpdateTrophies(float dt) {
    if (Trophies.IsNull())
        return;
    if (Trophies->UpdatePopup(dt, CursorX, CursorY) && !Trophies->HasPending())
        SaveTrophies();
}

void CGame::OpenTrophies(int32_t from) {
    if (Trophies.IsNull() || Screens.IsNull() || TrophiesFrom != kTrophiesClosed)
        return;
    TrophiesFrom = from;
    if (Device->FindTexture(kTrophiesPicture) >= 0) {
        CSharedPtr<CTexture> picture = Device->GetTexture(kTrophiesPicture);
        if (!picture->HasTexture())
            picture->Recreate(Device->GetDevice());
    }
    Trophies->RefreshWindows();
    Trophies->SetBackdrop(1);
    if (from == kTrophiesFromMenu)
        Screens->FadeOut(Screens->MainMenuForm, kTrophiesFade);
    // The level's totem panel lies over the forms.
    if (from == kTrophiesFromLevelEnd && !Field.IsNull())
        Field->Totems.Show(0, kTrophiesFade);
    Screens->FadeIn(Screens->TrophiesForm, kTrophiesFade);
}

void CGame::CloseTrophies() {
    if (Trophies.IsNull() || Screens.IsNull() || TrophiesFrom == kTrophiesClosed)
        return;
    const int32_t from = TrophiesFrom;
    TrophiesFrom = kTrophiesClosed;
    // An award still flying lands at once, without its flash.
    Trophies->CommitPendingAwards();
    SaveTrophies();
    Trophies->SetBackdrop(0);
    Screens->FadeOut(Screens->TrophiesForm, kTrophiesFade);
    if (from == kTrophiesFromMenu)
        Screens->FadeIn(Screens->MainMenuForm, kTrophiesFade);
}

bool CGame::HoldForTrophies() {
    if (TrophiesFrom != kTrophiesClosed)
        return true;
    if (Trophies.IsNull() || !Trophies->HasPending())
        return false;
    OpenTrophies(kTrophiesFromLevelEnd);
    return TrophiesFrom != kTrophiesClosed;
}

void CGame::AwardQuestTrophy() {
    if (!Trophies.IsNull()) {
        Check(*Trophies, CTrophies::kQuestWon, Difficulty);
        // Whatever still waits is the player's now.
        Trophies->CommitPendingAwards();
        SaveTrophies();
    }
    SaveProfileSettings();
}
