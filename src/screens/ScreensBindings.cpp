// Which member keeps each control a form file marks with an interrupt code,
// and what each form must give the screens: one table, read both when the
// controls are bound and when a loaded form is checked.
#include <span>

#include "screens/ScreensManager.h"
#include "ui/UxForm.h"

namespace {

using S = CScreensManager;
using Control = CSharedPtr<CUxWindow>;

bool HasPicture(const Control& w) {
    return !w.IsNull() && !w->Pictures.empty();
}

CWindowList& ListOf(CWindowList& list) {
    return list;
}
CWindowList& ListOf(CWindowGroup& group) {
    return group.Windows;
}

// How a row keeps a control; `k` is its code less the row's first code.
template <auto M> void Set(S& s, size_t, const Control& c) {
    s.*M = c;
}
template <auto M> void SetFirst(S& s, size_t, const Control& c) {
    if ((s.*M).IsNull())
        s.*M = c;
}
template <auto M, size_t K> void SetInto(S& s, size_t, const Control& c) {
    (s.*M)[K] = c;
}
template <auto M> void SetAt(S& s, size_t k, const Control& c) {
    if (k < (s.*M).size())
        (s.*M)[k] = c;
}
template <auto M> void Push(S& s, size_t, const Control& c) {
    (s.*M).push_back(c);
}
template <auto M, size_t K> void PushInto(S& s, size_t, const Control& c) {
    ListOf((s.*M)[K]).push_back(c);
}
template <auto M> void PushAt(S& s, size_t k, const Control& c) {
    if (k < (s.*M).size())
        ListOf((s.*M)[k]).push_back(c);
}
// A row that goes on filling the groups an earlier row began: its first code
// fills group `From`.
template <auto M, size_t From> void PushAtFrom(S& s, size_t k, const Control& c) {
    PushAt<M>(s, k + From, c);
}
// As many groups as the highest code asks for.
template <auto M> void PushAtGrowing(S& s, size_t k, const Control& c) {
    if ((s.*M).size() <= k)
        (s.*M).resize(k + 1);
    PushAt<M>(s, k, c);
}
// Where the form put it.
template <auto M> void PushOffset(S& s, size_t, const Control& c) {
    (s.*M).push_back({c->Offset.X, c->Offset.Y});
}
// Tinted windows remember the colour the form gave them.
template <auto W, auto C> void Tint(S& s, size_t, const Control& c) {
    (s.*W).push_back(c);
    (s.*C).push_back(c->Colour);
}
// The tip box's statics: its plaques (with a picture) and its title.
void TipPart(S& s, size_t, const Control& c) {
    if (c->Type != CUxWindow::kStaticWindow)
        return;
    if (HasPicture(c))
        s.TipPlaques.push_back(c);
    else if (s.TipTitle.IsNull())
        s.TipTitle = c;
}

// A trophy's description opens over the trophies' names.
void OverTexts(S& s, size_t, const Control& c) {
    if (!s.TrophiesForm.IsNull())
        s.TrophiesForm->DrawChildOverTexts(c);
}

using N = S::Need;

// Every code a control may carry, form by form; a code of two rows is kept
// by both.
constexpr S::Binding kBindings[] = {
    {S::kMainMenu, 1, 1, Set<&S::MainMenuControl1>},
    {S::kMainMenu, 2, 2, Set<&S::VersionLabel>},
    {S::kMainMenu, S::kCodeWebsite, S::kCodeWebsite, Set<&S::WebsiteButton>},
    {S::kMainMenu, S::kCodeLogoA, S::kCodeLogoA, Set<&S::LogoPictureA>},
    {S::kMainMenu, S::kCodeLogoNA, S::kCodeLogoNA, Set<&S::LogoPictureNA>},

    {S::kQuest, 1, 1, Set<&S::QuestControl1>},
    {S::kQuest, 2, 2, Set<&S::QuestCheckControl>},
    {S::kQuest, 3, 3, Push<&S::TimerDialQuads>,
     N{.Count = S::kDialQuarters, .What = "dial quarters", .Pictures = true}},
    {S::kQuest, 4, 4, SetInto<&S::TimerDialHands, 0>,
     N{.Count = 1, .What = "the dial's hand shadow", .Pictures = true}},
    {S::kQuest, 5, 5, SetInto<&S::TimerDialHands, 1>,
     N{.Count = 1, .What = "the dial's hand", .Pictures = true}},
    {S::kQuest, 6, 6, Set<&S::CounterLabel>},
    {S::kQuest, 7, 7, Set<&S::LivesLabel>},
    {S::kQuest, 8, 8, Push<&S::QuestMarkers>, N{.Count = 2, .What = "alarm markers"}},
    {S::kQuest, 9, 9, Set<&S::QuestControl9>,
     N{.Count = 1, .What = "the map picture holder", .Pictures = true}},
    {S::kQuest, 15, 15, Push<&S::LevelPanelWindows>},
    {S::kQuest, 105, 105, Push<&S::LevelPanelFrames>},
    {S::kQuest, 105, 105, SetFirst<&S::LevelPanelFrame>},
    {S::kQuest, 200, 200, Push<&S::LifeIcons>,
     N{.What = "a life icon", .PerCode = 202, .PerWhat = "last-life marker"}},
    {S::kQuest, 201, 201, Push<&S::HudWindows>},
    {S::kQuest, 202, 202, Push<&S::LastLifeMarkers>},
    {S::kQuest, 203, 203, Set<&S::HudControl203>},

    {S::kStatistics, 0, 0, Set<&S::StatisticsControl0>},
    {S::kStatistics, 1, 13, SetAt<&S::StatisticsControls>},
    {S::kStatistics, 100, 104, Push<&S::StatisticsList100>},
    {S::kStatistics, 200, 204, Push<&S::StatisticsList200>},
    {S::kStatistics, 300, 304, Push<&S::StatisticsList300>},

    {S::kBackground, 1, 1, Push<&S::BackgroundBlinkWindows>},

    {S::kShop, 0, 0, Set<&S::ShopBackground>},
    {S::kShop, 1, 1, Set<&S::ShopControl1>},
    {S::kShop, 2, 2, Set<&S::ShopControl2>},
    {S::kShop, 3, 3, Push<&S::ShopDialQuads>,
     N{.Count = S::kDialQuarters, .What = "dial quarters", .Pictures = true}},
    {S::kShop, 4, 4, Push<&S::ShopDialHands>,
     N{.Count = 2, .What = "dial hands", .Pictures = true}},
    {S::kShop, 5, 5, Set<&S::ShopControl5>},
    {S::kShop, 6, 6, Set<&S::ShopControl6>},
    {S::kShop, 7, 7, Set<&S::ShopControl7>},
    {S::kShop, 8, 8, Set<&S::ShopStarCount>},
    {S::kShop, 20, 39, Push<&S::ShopItemList20>},
    {S::kShop, 40, 59, Push<&S::ShopItemList40>},
    {S::kShop, 60, 65, PushAt<&S::ShopGroups60>},
    {S::kShop, 100, 104, PushAt<&S::ShopGroups100>},
    {S::kShop, 200, 219, Push<&S::ShopItemList200>},
    {S::kShop, 220, 239, Push<&S::ShopItemList220>},
    {S::kShop, 3, 4, Tint<&S::ShopTintWindowsA, &S::ShopTintColoursA>},
    {S::kShop, 400, 400, Tint<&S::ShopTintWindowsA, &S::ShopTintColoursA>},
    {S::kShop, 5, 5, Tint<&S::ShopTintWindowsB, &S::ShopTintColoursB>},
    {S::kShop, 401, 401, Tint<&S::ShopTintWindowsB, &S::ShopTintColoursB>},
    {S::kShop, 100, 104, Tint<&S::ShopTintWindowsC, &S::ShopTintColoursC>},
    {S::kShop, 402, 402, Tint<&S::ShopTintWindowsC, &S::ShopTintColoursC>},

    {S::kMap, 1, 1, Set<&S::MapControl1>},
    {S::kMap, 2, 5, PushAt<&S::MapLists2>},
    {S::kMap, 10, 10, Set<&S::MapControl10>},
    {S::kMap, 11, 14, Push<&S::MapList11>},
    {S::kMap, 21, 24, Push<&S::MapList21>},
    {S::kMap, 30, 30, Set<&S::MapControl30>},
    {S::kMap, 31, 31, Set<&S::MapControl31>},
    {S::kMap, 32, 32, Set<&S::MapStoryBox>},
    {S::kMap, 100, 199, PushInto<&S::MapStageMarkers, 0>},
    {S::kMap, 200, 299, PushInto<&S::MapStageMarkers, 1>},
    {S::kMap, 300, 399, PushInto<&S::MapStageMarkers, 2>},
    {S::kMap, 400, 499, PushInto<&S::MapStageMarkers, 3>},
    {S::kMap, 500, 599, PushInto<&S::MapStageMarkers, 4>},

    {S::kNewLevel, 1, 1, Set<&S::NewLevelCaption>},
    {S::kMemory, 1, 1, Set<&S::MemoryCaption>},
    {S::kMemory, 2, 2, Set<&S::MemoryRoundCaption>},
    {S::kArcade, 1, 1, Set<&S::ArcadeCaption>},
    {S::kThimbles, 1, 1, Set<&S::ThimblesCaption>},
    {S::kThimbles, 2, 2, Set<&S::ThimblesRoundCaption>},
    {S::kThimbles, 3, 3, Set<&S::ThimblesControl3>},
    {S::kBlinker, 1, 1, Set<&S::BlinkerCaption>},
    {S::kBlinker, 2, 2, Set<&S::BlinkerControl2>},
    {S::kBlinker, 3, 3, Set<&S::BlinkerControl3>},
    {S::kBlinker, 4, 4, Set<&S::BlinkerControl4>},

    {S::kSplash, 0, 0, Push<&S::SplashList0>},
    {S::kSplash, 1, 10, PushAtGrowing<&S::SplashGroups>},
    {S::kSplash, 1000, 1000, Push<&S::SplashList1000>},

    {S::kProfiles, 1, 1, Push<&S::ProfileRows>,
     N{.Count = S::kProfileRows, .What = "profile rows", .Exactly = true}},
    {S::kNewProfile, 1, 1, Set<&S::NewProfileControl1>},
    {S::kNewProfile, 2, 2, Set<&S::NewProfileControl2>},
    {S::kNewProfile, 3, 3, Set<&S::NewProfileControl3>},
    {S::kNewProfile, 4, 4, Set<&S::NewProfileControl4>},
    {S::kNewProfile, 5, 5, Set<&S::NewProfileControl5>},

    {S::kMsgBox, 1, 1, Set<&S::MsgBoxTitle>},
    {S::kMsgBox, 2, 2, Set<&S::MsgBoxText>},
    {S::kMsgBox, 100, 104, PushAt<&S::MsgBoxButtonSets>},
    {S::kStartQuest, 1, 1, Set<&S::StartQuestControl1>},

    {S::kTutorial, 0, 0, PushInto<&S::TutorialGroups, 0>},
    {S::kTutorial, 100, 100, PushInto<&S::TutorialGroups, 0>},
    {S::kTutorial, 100, 100, Set<&S::TutorialControl100>},
    {S::kTutorial, 1, 1, PushInto<&S::TutorialGroups, 1>, N{.Count = 1, .What = "the tip box"}},
    {S::kTutorial, 1, 1, PushOffset<&S::TutorialPoints1>},
    {S::kTutorial, 1, 1, TipPart},
    {S::kTutorial, 101, 101, PushInto<&S::TutorialGroups, 1>},
    {S::kTutorial, 101, 101, Set<&S::TutorialControl101>},
    {S::kTutorial, 101, 101, PushOffset<&S::TutorialPoints1>},
    {S::kTutorial, 200, 200, PushInto<&S::TutorialGroups, 1>},
    {S::kTutorial, 200, 200, Set<&S::TutorialControl200>},
    {S::kTutorial, 201, 201, PushInto<&S::TutorialGroups, 1>},
    {S::kTutorial, 201, 201, Set<&S::TutorialControl201>},
    {S::kTutorial, 2, 2, PushInto<&S::TutorialGroups, 2>},
    {S::kTutorial, 3, 3, PushInto<&S::TutorialGroups, 3>},
    {S::kTutorial, 4, 4, PushInto<&S::TutorialGroups, 4>,
     N{.Count = 1, .What = "the click-here pointer"}},
    {S::kTutorial, 4, 4, PushOffset<&S::TutorialPoints4>},
    {S::kTutorial, 5, 5, PushInto<&S::TutorialGroups, 5>},
    {S::kTutorial, 105, 105, PushInto<&S::TutorialGroups, 5>},
    {S::kTutorial, 105, 105, Set<&S::TutorialControl105>},
    {S::kTutorial, 6, 6, PushInto<&S::TutorialGroups, 6>,
     N{.Count = 1, .What = "the swap-these pointer"}},
    {S::kTutorial, 6, 6, PushOffset<&S::TutorialPoints6>},

    {S::kWin, 1, 1, Push<&S::WinBlinkWindows>},
    {S::kOptions, 1, 1, Set<&S::SoundSlider>, N{.Count = 1, .What = "the sound volume slider"}},
    {S::kOptions, 2, 2, Set<&S::MusicSlider>, N{.Count = 1, .What = "the music volume slider"}},
    {S::kOptions, 3, 3, Set<&S::OptionsControl3>},
    {S::kOptions, 4, 4, Set<&S::OptionsControl4>},
    {S::kOptions, 5, 5, Set<&S::OptionsControl5>},

    {S::kHighScores, 1, 1, Push<&S::HighScoreRows>,
     N{.Count = S::kHighScoreRows, .What = "row labels", .Exactly = true}},
    {S::kHighScores, 2, 2, Push<&S::HighScoreNames>,
     N{.Count = S::kHighScoreRows, .What = "name labels", .Exactly = true}},
    {S::kHighScores, 3, 3, Push<&S::HighScoreScores>,
     N{.Count = S::kHighScoreRows, .What = "score labels", .Exactly = true}},

    {S::kNewspaper, 100, 100, Push<&S::NewspaperBlinkWindows>},
    {S::kNewspaper, 1, 4, PushAt<&S::NewspaperGroups>},
    {S::kIntro, 1, 1, Push<&S::IntroPages>},

    {S::kTrophies, 0, 0, Set<&S::TrophiesControl0>},
    {S::kTrophies, 1, 1, Push<&S::TrophyIcons>},
    {S::kTrophies, 1, 1, PushOffset<&S::TrophyIconPositions>},
    {S::kTrophies, 1, 1, OverTexts},
    {S::kTrophies, 100, 100, PushAt<&S::TrophyGroups100>,
     N{.Count = 1, .What = "the first trophy's group"}},
    {S::kTrophies, 101, 108, PushAtFrom<&S::TrophyGroups100, 1>},
    {S::kTrophies, 200, 208, PushAt<&S::TrophyGroups200>},

    {S::kHelp, 1, 3, PushAt<&S::HelpGroups>},
};

std::string Codes(const S::Binding& b) {
    return b.First == b.Last
               ? "(code " + std::to_string(b.First) + ")"
               : "(codes " + std::to_string(b.First) + " to " + std::to_string(b.Last) + ")";
}

} // namespace

std::span<const CScreensManager::Binding> CScreensManager::Bindings() {
    return kBindings;
}

void CScreensManager::Bind(int32_t form, int32_t code, const CSharedPtr<CUxWindow>& c) {
    for (size_t row = 0; row < std::size(kBindings); ++row) {
        const Binding& b = kBindings[row];
        if (b.Form != form || code < b.First || code > b.Last)
            continue;
        b.Store(*this, static_cast<size_t>(code - b.First), c);
        ++Bound[row].Controls;
        Bound[row].WithoutPicture += HasPicture(c) ? 0 : 1;
    }
}

int32_t CScreensManager::BoundControls(size_t row) const {
    return row < Bound.size() ? Bound[row].Controls : 0;
}

std::string CScreensManager::MissingControls(int32_t form) const {
    std::string missing;
    for (size_t row = 0; row < std::size(kBindings); ++row) {
        const Binding& b = kBindings[row];
        const Need& need = b.Needs;
        if (b.Form != form || (need.Count == 0 && need.PerCode < 0))
            continue;
        const int32_t n = BoundControls(row);
        bool ok = need.Exactly ? n == need.Count : n >= need.Count;
        if (need.Pictures && row < Bound.size())
            ok = ok && Bound[row].WithoutPicture == 0;
        std::string what = need.Exactly ? "exactly " : "";
        what += need.Count > 1 ? std::to_string(need.Count) + " " + need.What : need.What;
        what += " " + Codes(b);
        if (need.PerCode >= 0) {
            // One for every control of the other code.
            for (size_t other = 0; other < std::size(kBindings); ++other) {
                const Binding& o = kBindings[other];
                if (o.Form == form && need.PerCode >= o.First && need.PerCode <= o.Last) {
                    ok = ok && n >= BoundControls(other);
                    break;
                }
            }
            what += std::string(" for every ") + need.PerWhat + " (code " +
                    std::to_string(need.PerCode) + ")";
        }
        if (need.Pictures)
            what += ", each with a picture";
        if (!ok)
            missing += (missing.empty() ? "" : "; ") + what;
    }
    return missing;
}
