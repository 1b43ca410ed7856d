// The story that opens a new quest (the Intro page with its texts, shown once
// before the first map) and the map's step after a won level (the flag walks
// from the marker of the level won to that of the next one).
#include "app/Game.h"
#include "audio/MusicPlayer.h"
#include "screens/ScreensManager.h"
#include "ui/UxForm.h"

namespace {

// Control ids of the Intro page: a click anywhere on the page, its Skip button.
constexpr int32_t kIdStoryNext = 160;
constexpr int32_t kIdStorySkip = 162;

constexpr float kStoryFade = 2.0f;     // the page in and out
constexpr float kStoryTextFade = 1.5f; // each later text fades in over the picture

// The flag stands still on the map for a moment, then walks.
constexpr float kMapStepWait = 0.5f;
constexpr float kMapStepWalk = 1.0f;

CWindowGroup StoryText(const CScreensManager& s, int32_t page) {
    CWindowGroup group;
    if (page >= 0 && page < static_cast<int32_t>(s.IntroPages.size()))
        group.Windows.push_back(s.IntroPages[static_cast<size_t>(page)]);
    return group;
}

} // namespace

void CGame::ShowStory() {
    Mode = kModeMenu;
    SubState = kSubNone;
    ModeTime = 0.0f;
    RequestMusic(kMusicStoryline);
    if (Screens.IsNull() || Screens->IntroForm.IsNull() || Screens->IntroPages.empty()) {
        ShowQuestMap(0);
        return;
    }
    CScreensManager& s = *Screens;
    StoryOpen = 1;
    // The picture is loaded only while the story is told.
    s.RecreateIntroTexture(1);
    s.FadeIn(s.IntroForm, kStoryFade);
    s.ShowIntroPage(0);
}

int32_t CGame::OnStoryClick(int32_t id) {
    if (id != kIdStoryNext && id != kIdStorySkip)
        return 0;
    if (!StoryOpen || Screens.IsNull())
        return 1;
    CScreensManager& s = *Screens;
    const int32_t next = s.IntroPage + 1;
    if (id == kIdStorySkip || next >= static_cast<int32_t>(s.IntroPages.size())) {
        EndStory();
        return 1;
    }
    s.ShowIntroPage(next);
    s.IntroPages[static_cast<size_t>(next)]->SetAlpha(0.0f);
    CWindowGroup text = StoryText(s, next);
    s.AddWindowEffect(text, kStoryTextFade);
    return 1;
}

void CGame::EndStory() {
    if (!StoryOpen)
        return;
    StoryOpen = 0;
    if (!Screens.IsNull()) {
        CScreensManager& s = *Screens;
        // A text still fading in must not outshine the page going.
        CWindowGroup text = StoryText(s, s.IntroPage);
        s.RemoveWindowEffect(text, kStoryFade);
        s.FadeOut(s.IntroForm, kStoryFade);
    }
    ShowQuestMap(0);
}

void CGame::OnStoryFaded(const CUxEvent& event) {
    if (event.Kind != CUxEvent::kFadedOut || Screens.IsNull() || StoryOpen ||
        event.Sender.Get() != Screens->IntroForm.Get())
        return;
    Screens->RecreateIntroTexture(0);
}

void CGame::UpdateMapStep(float dt) {
    if (!MapStepping || Screens.IsNull() || Screens->MapForm.IsNull())
        return;
    // The step waits for the map itself (a new stage's newspaper page first).
    const CUxForm& map = *Screens->MapForm;
    if (!map.Visible || !map.Active)
        return;
    MapStepTimer += dt;
    const float t = (MapStepTimer - kMapStepWait) / kMapStepWalk;
    if (t >= 1.0f)
        FinishMapStep();
    else if (t > 0.0f)
        Screens->StepMapFlag(Level, t);
}

void CGame::FinishMapStep() {
    if (!MapStepping)
        return;
    MapStepping = 0;
    if (!Screens.IsNull())
        Screens->SetMapLevelLabel(Level, 0);
}
