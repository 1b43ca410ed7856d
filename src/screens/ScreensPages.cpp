// Pages and the map: the newspaper and help pictures switched in one
// registered texture each, the quest map (label, story, stage pictures,
// markers, flag), the map overlays kept in video memory for the current stage
// only, the tutorial arrow box and pointers, and the few screen texts.
#include "screens/ScreensManager.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/DataPaths.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteQuad.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "engine/Texture.h"
#include "playerdata/ProfileList.h"
#include "playfield/LevelRules.h"
#include "playfield/QuestFieldLayout.h"
#include "ui/UxForm.h"
#include "ui/UxStatic.h"

namespace {

constexpr int32_t kTxtWelcome = 25;
constexpr int32_t kTxtNameHint = 27;
constexpr int32_t kTxtNormal = 32;
constexpr int32_t kTxtHard = 33;

constexpr int32_t kNewspaperPages = 4;
// Story page i tells of quest level i + 2.
constexpr int32_t kFirstStoryLevel = 2;
constexpr int32_t kMapStagePictures = 4;

void ShowWindow(const CSharedPtr<CUxWindow>& w, bool on) {
    if (!w.IsNull())
        w->SetVisible(on ? 1 : 0);
}

void ShowList(const std::vector<CSharedPtr<CUxWindow>>& list, bool on) {
    for (const CSharedPtr<CUxWindow>& w : list)
        ShowWindow(w, on);
}

// Moves `w` to the offset (x, y) inside `form`, keeping its depth.
void PlaceChild(const CSharedPtr<CUxWindow>& form, const CSharedPtr<CUxWindow>& w, float x,
                float y) {
    if (!form.IsNull() && !w.IsNull())
        form->SetChildOffset(w, x, y, w->Offset.Z);
}

// Window 0 of the group at (x, y); the others keep their places relative to it
// as the form file laid them out (`points` recorded at load, in group order).
void PlaceGroup(const CSharedPtr<CUxWindow>& form, const std::vector<CSharedPtr<CUxWindow>>& group,
                const std::vector<CScreenPoint>& points, float x, float y) {
    if (group.empty())
        return;
    PlaceChild(form, group[0], x, y);
    for (size_t k = 1; k < points.size() && k < group.size(); ++k)
        PlaceChild(form, group[k], x + points[k].X - points[0].X, y + points[k].Y - points[0].Y);
}

// Of plaques laid from one top edge, the shortest that holds a text whose
// letters reach `depth` below that edge and keeps `keep` free under them; the
// first (the tallest) when none does.
size_t ShortestPlaque(const CWindowList& plaques, float depth, float keep) {
    constexpr float kSlack = 0.5f;
    size_t pick = 0;
    for (size_t k = 0; k < plaques.size(); ++k)
        if (depth + keep <= plaques[k]->Height + kSlack &&
            plaques[k]->Height < plaques[pick]->Height)
            pick = k;
    return pick;
}

float TopOf(const CUxWindow& w) {
    return w.Position.Y + w.Height / 2.0f;
}

} // namespace

int32_t CScreensManager::SwitchPageTexture(const char* name, const std::string& file) {
    if (Device.IsNull())
        return 0;
    CSharedPtr<CTexture> texture = Device->GetTexture(name);
    if (texture.IsNull())
        return 0;
    const std::string path = (DataPaths ? DataPaths->GfxPath : std::string()) + file;
    if (texture->GetPath() == path && texture->HasTexture())
        return 1;
    return texture->RecreateFrom(Device->GetDevice(), path) < 0 ? 0 : 1;
}

int32_t CScreensManager::ShowNewspaperPage(int32_t n) {
    // Only the four pages the form has.
    n = std::clamp(n, 0, kNewspaperPages - 1);
    const int32_t ok = SwitchPageTexture("Newspaper5", FormatText("Newspaper%d.jpg", {n + 1}));
    for (int32_t k = 0; k < static_cast<int32_t>(NewspaperGroups.size()); ++k)
        ShowList(NewspaperGroups[static_cast<size_t>(k)].Windows, k == n);
    ShowList(NewspaperBlinkWindows, false);
    PageBlinkTimer = 0.0f;
    if (!ok)
        LogObject("Error switching newspaper texture\n");
    return ok;
}

int32_t CScreensManager::ShowFinalNewspaper() {
    const int32_t ok = SwitchPageTexture("Newspaper5", "Newspaper5.jpg");
    ShowList(WinBlinkWindows, false);
    PageBlinkTimer = 0.0f;
    if (!ok)
        LogObject("Error switching newspaper texture\n");
    return ok;
}

int32_t CScreensManager::ShowHelpPage(int32_t page) {
    // The previous and next buttons stop at the first and the last page.
    const int32_t pages = std::max<int32_t>(1, static_cast<int32_t>(HelpGroups.size()));
    page = std::clamp(page, 1, pages);
    const int32_t ok = SwitchPageTexture("HelpPage", page == 1 ? "HelpPage1.jpg" : "HelpPage2.jpg");
    HelpPage = page;
    for (int32_t k = 0; k < static_cast<int32_t>(HelpGroups.size()); ++k)
        ShowList(HelpGroups[static_cast<size_t>(k)].Windows, k + 1 == page);
    return ok;
}

void CScreensManager::SetMapLevelLabel(int32_t level, int32_t beforeStep) {
    int32_t stage = 1, inStage = 1;
    CLevelRules::SplitLevel(std::max(level, 1), stage, inStage);
    SetWindowText(MapControl10, FormatText("%d-%d", {stage, inStage}));

    const int32_t storyIndex = level - kFirstStoryLevel;
    const std::string_view story =
        storyIndex >= 0 && storyIndex < kStoryPages &&
                storyIndex < static_cast<int32_t>(StoryPages.size())
            ? std::string_view(StoryPages[static_cast<size_t>(storyIndex)])
            : std::string_view();
    SetWindowText(MapControl1, story);
    // An empty dark box reads as a fault: it shows only with a page to tell.
    ShowWindow(MapStoryBox, story.find_first_not_of(" \t\r\n") != std::string_view::npos);

    for (int32_t k = 0; k < kMapStagePictures; ++k)
        ShowList(MapLists2[static_cast<size_t>(k)],
                 k == stage - 2 || (k == kMapStagePictures - 1 && stage >= kMapStages));

    const int32_t shown = inStage - 1 - (beforeStep ? 1 : 0);
    for (int32_t k = 0; k < kMapStages; ++k) {
        const auto& markers = MapStageMarkers[static_cast<size_t>(k)];
        const bool current = k == stage - 1 || (k == kMapStages - 1 && stage >= kMapStages);
        for (int32_t i = 0; i < static_cast<int32_t>(markers.size()); ++i)
            ShowWindow(markers[static_cast<size_t>(i)], current && i < shown);
    }

    if (stage > kMapStages) {
        ShowWindow(MapControl30, false);
        ShowWindow(MapControl31, false);
    } else {
        float fx = 0.0f, fy = 0.0f;
        if (MapFlagSpot(beforeStep ? level - 1 : level, &fx, &fy))
            PlaceMapFlag(fx, fy);
        ShowWindow(MapControl30, true);
        ShowWindow(MapControl31, true);
    }

    for (int32_t i = 0; i < static_cast<int32_t>(MapList11.size()); ++i)
        ShowWindow(MapList11[static_cast<size_t>(i)], i < stage - 1);
    for (int32_t i = 0; i < static_cast<int32_t>(MapList21.size()); ++i)
        ShowWindow(MapList21[static_cast<size_t>(i)], i < stage - 1);
}

bool CScreensManager::MapFlagSpot(int32_t flagLevel, float* x, float* y) const {
    int32_t flagStage = 1, flagInStage = 1;
    if (flagLevel >= 2)
        CLevelRules::SplitLevel(flagLevel, flagStage, flagInStage);
    if (flagStage > kMapStages || QuestLayout == nullptr)
        return false;
    const auto& markers = MapStageMarkers[static_cast<size_t>(flagStage - 1)];
    const size_t at = static_cast<size_t>(flagInStage - 1);
    if (at >= markers.size() || markers[at].IsNull())
        return false;
    *x = markers[at]->Offset.X + QuestLayout->FlagShift[0];
    *y = markers[at]->Offset.Y + QuestLayout->FlagShift[1];
    return true;
}

void CScreensManager::PlaceMapFlag(float x, float y) {
    if (MapControl31.IsNull() || QuestLayout == nullptr)
        return;
    PlaceChild(MapForm, MapControl31, x, y);
    PlaceChild(MapForm, MapControl30, x + QuestLayout->ShadowShift[0],
               y + QuestLayout->ShadowShift[1]);
}

void CScreensManager::StepMapFlag(int32_t level, float t) {
    float x0 = 0.0f, y0 = 0.0f, x1 = 0.0f, y1 = 0.0f;
    if (!MapFlagSpot(level - 1, &x0, &y0) || !MapFlagSpot(level, &x1, &y1))
        return;
    const float k = std::clamp(t, 0.0f, 1.0f);
    PlaceMapFlag(x0 + (x1 - x0) * k, y0 + (y1 - y0) * k);
}

void CScreensManager::RecreateMapDiffTextures(int32_t stage) {
    if (Device.IsNull())
        return;
    const auto release = [&](const char* name) {
        CSharedPtr<CTexture> t = Device->GetTexture(name);
        if (!t.IsNull() && t->HasTexture())
            t->ReleaseTexture();
    };
    const auto load = [&](const char* name) {
        CSharedPtr<CTexture> t = Device->GetTexture(name);
        if (!t.IsNull() && !t->HasTexture() && t->Recreate(Device->GetDevice()) < 0)
            LogObject(std::string("Error! Recreation ") + name + "\n");
    };
    switch (stage) {
    case 1:
    case 2:
        for (const char* n : {"MapDiff3", "MapDiff4_1", "MapDiff4_2", "MapDiff5_1", "MapDiff5_2"})
            release(n);
        break;
    case 3:
        for (const char* n : {"MapDiff4_1", "MapDiff4_2", "MapDiff5_1", "MapDiff5_2"})
            release(n);
        load("MapDiff3");
        break;
    case 4:
        for (const char* n : {"MapDiff3", "MapDiff5_1", "MapDiff5_2"})
            release(n);
        load("MapDiff4_1");
        load("MapDiff4_2");
        break;
    default:
        release("MapDiff3");
        release("MapDiff4_2");
        load("MapDiff4_1");
        load("MapDiff5_1");
        load("MapDiff5_2");
        break;
    }
}

void CScreensManager::AssignScreenTextures(CSharedPtr<CTexture> a, CSharedPtr<CTexture> b) {
    MapPictureTexture = a;
    if (!QuestControl9.IsNull() && !QuestControl9->Pictures.empty())
        QuestControl9->Pictures[0]->Texture = a;
    if (!TrophyGroups100.empty() && !TrophyGroups100[0].Windows.empty()) {
        const CSharedPtr<CUxWindow>& last = TrophyGroups100[0].Windows.back();
        if (!last.IsNull() && !last->Pictures.empty())
            last->Pictures[0]->Texture = b;
    }
}

std::string CScreensManager::ProfileName(int32_t index) const {
    if (ProfileList.IsNull() || index < 0 || index >= ProfileList->Count())
        return std::string();
    return ProfileList->Profiles[static_cast<size_t>(index)]->Name;
}

void CScreensManager::UpdateWelcomeText() {
    SetWindowText(MainMenuControl1, GetString(kTxtWelcome) + ProfileName(ProfileSelected));
}

void CScreensManager::PrepareNewProfileForm(const char* name, int32_t cancelAllowed) {
    TypedProfileName = name ? name : "";
    SetWindowText(NewProfileControl1, TypedProfileName + "|");
    ShowWindow(NewProfileControl2, cancelAllowed != 0);
    ShowWindow(NewProfileControl4, cancelAllowed != 0);
    ShowWindow(NewProfileControl5, cancelAllowed == 0);
    SetWindowText(NewProfileControl3, GetString(kTxtNameHint));
}

void CScreensManager::SetStartQuestText(int32_t level, int32_t mode) {
    int32_t stage = 1, inStage = 1;
    CLevelRules::SplitLevel(std::max(level, 1), stage, inStage);
    SetWindowText(StartQuestControl1, FormatText("%d-%d\n", {stage, inStage}) +
                                          GetString(mode == 1 ? kTxtHard : kTxtNormal));
}

void CScreensManager::PlaceTutorialArrowWindow(float x, float y) {
    PlaceTutorialArrowWindow(x, y, y >= 0.0f);
}

void CScreensManager::PlaceTutorialArrowWindow(float x, float y, bool up) {
    if (TutorialGroups.size() < 2 || TutorialGroups[1].Windows.empty() || QuestLayout == nullptr)
        return;
    const auto& group = TutorialGroups[1].Windows;
    const CQuestFieldLayout& q = *QuestLayout;
    // The layout keeps y upwards, so the box's height is read back as written.
    const float prefX = q.ArrowWinPrefX, boxW = q.ArrowWinSize[0], boxH = -q.ArrowWinSize[1];
    const CSharedPtr<CUxWindow>& arrow = up ? TutorialControl200 : TutorialControl201;
    if (arrow.IsNull())
        return;
    // The layout keeps y upwards; these shifts are meant as the file writes them.
    const float sx = up ? q.ArrowUpShift[0] : q.ArrowDownShift[0];
    const float sy = -(up ? q.ArrowUpShift[1] : q.ArrowDownShift[1]);
    const float wA = arrow->Width, hA = arrow->Height;
    const float ay = std::floor(up ? y - hA / 2.0f : y + hA / 2.0f);
    PlaceChild(TutorialForm, arrow, std::floor(x), ay);
    const float left = x - wA / 2.0f - sx, right = x + wA / 2.0f + sx;
    float bx = prefX;
    if (prefX > left)
        bx = left;
    else if (prefX + boxW < right)
        bx = right - boxW;
    // The plaque shown may be shorter than the first, from the same top edge.
    const float w1 = group[0]->Width, h1 = group[0]->Height;
    const float by =
        up ? ay + hA / 2.0f + sy - h1 / 2.0f : ay + hA / 2.0f + sy + boxH - TipRaise - h1 / 2.0f;
    PlaceGroup(TutorialForm, group, TutorialPoints1, std::floor(bx + w1 / 2.0f), by);
    ShowWindow(TutorialControl200, up);
    ShowWindow(TutorialControl201, !up);
}

void CScreensManager::FitTipBox() {
    auto* text = dynamic_cast<CUxStatic*>(TutorialControl101.Get());
    if (TutorialGroups.size() < 2 || TipPlaques.empty() || text == nullptr)
        return;
    const CWindowList& group = TutorialGroups[1].Windows;
    if (TipBoxLayout.empty()) {
        TipBoxLayout = TutorialPoints1;
        TipTextHeight = text->BaseHeight;
        TipTextShift = text->NoteShift.Y;
    }
    // The box as the form file lays it out, where it stands now.
    TutorialForm->SetChildSize(TutorialControl101, text->BaseWidth, TipTextHeight);
    text->SetNoteShift(text->NoteShift.X, TipTextShift);
    PlaceGroup(TutorialForm, group, TipBoxLayout, group[0]->Offset.X, group[0]->Offset.Y);
    // What lies below the text (the button) keeps its room above the bottom;
    // without it the text keeps the margin the title keeps from the top.
    const CUxWindow& tall = *TipPlaques.front();
    float keep = TipTitle.IsNull() ? 0.0f : TopOf(tall) - TopOf(*TipTitle);
    size_t ok = group.size(), body = group.size();
    for (size_t k = 0; k < group.size() && k < TipBoxLayout.size(); ++k) {
        if (group[k] == TutorialControl101)
            body = k;
        if (group[k]->Id == kIdTipOk && group[k]->Visible) {
            ok = k;
            keep = TopOf(*group[k]) - (TopOf(tall) - tall.Height);
        }
    }
    CScreenBox ink;
    TipPlaque = TextInk(TutorialControl101, ink)
                    ? ShortestPlaque(TipPlaques, TopOf(tall) - ink.B, keep)
                    : 0;
    // The button rises with the bottom, and the text's box ends above it,
    // its text staying where it stands (with no button, the box still ends
    // above the bottom).
    TipRaise = tall.Height - TipPlaques[TipPlaque]->Height;
    TutorialPoints1 = TipBoxLayout;
    if (ok < TutorialPoints1.size())
        TutorialPoints1[ok].Y += TipRaise;
    if (ok < TutorialPoints1.size() && body < TutorialPoints1.size()) {
        TutorialPoints1[body].Y += TipRaise / 2.0f;
        TutorialForm->SetChildSize(TutorialControl101, text->BaseWidth, TipTextHeight - TipRaise);
        text->SetNoteShift(text->NoteShift.X, TipTextShift - TipRaise / 2.0f);
    }
    PlaceGroup(TutorialForm, group, TutorialPoints1, group[0]->Offset.X, group[0]->Offset.Y);
    bool shown = false;
    for (const CSharedPtr<CUxWindow>& w : TipPlaques)
        shown = shown || w->Visible;
    for (size_t k = 0; k < TipPlaques.size(); ++k)
        TipPlaques[k]->SetVisible(shown && k == TipPlaque ? 1 : 0);
}

void CScreensManager::CentreTipBox(float x, float y) {
    if (TutorialGroups.size() < 2 || TipPlaques.empty())
        return;
    const float h1 = TipPlaques.front()->Height, shown = TipPlaques[TipPlaque]->Height;
    PlaceGroup(TutorialForm, TutorialGroups[1].Windows, TutorialPoints1, std::floor(x),
               std::floor(y + shown / 2.0f - h1 / 2.0f));
}

void CScreensManager::FitLevelPanel() {
    if (LevelPanelFrames.empty() || QuestForm.IsNull())
        return;
    CWindowList card = LevelPanelFrames;
    card.insert(card.end(), LevelPanelWindows.begin(), LevelPanelWindows.end());
    if (LevelPanelLayout.empty())
        for (const CSharedPtr<CUxWindow>& w : card)
            LevelPanelLayout.push_back({w->Offset.X, w->Offset.Y});
    for (size_t k = 0; k < card.size() && k < LevelPanelLayout.size(); ++k)
        PlaceChild(QuestForm, card[k], LevelPanelLayout[k].X, LevelPanelLayout[k].Y);
    const CUxWindow& tall = *LevelPanelFrames.front();
    const float top = TopOf(tall), bottom = top - tall.Height;
    float depth = 0.0f, keep = tall.Height;
    for (const CSharedPtr<CUxWindow>& w : LevelPanelWindows) {
        keep = std::min(keep, TopOf(*w) - w->Height - bottom);
        CScreenBox ink;
        if (TextInk(w, ink))
            depth = std::max(depth, top - ink.B);
    }
    const size_t pick = ShortestPlaque(LevelPanelFrames, depth, keep);
    // The shorter card stays centred where the tallest stands.
    const float drop = (tall.Height - LevelPanelFrames[pick]->Height) / 2.0f;
    for (size_t k = 0; k < card.size(); ++k)
        if (k == pick || k >= LevelPanelFrames.size())
            PlaceChild(QuestForm, card[k], LevelPanelLayout[k].X, LevelPanelLayout[k].Y - drop);
    const bool shown = LevelPanelFrame.IsNull() ? false : LevelPanelFrame->Visible != 0;
    LevelPanelFrame = LevelPanelFrames[pick];
    for (const CSharedPtr<CUxWindow>& frame : LevelPanelFrames)
        frame->SetVisible(shown && frame == LevelPanelFrame ? 1 : 0);
}

bool CScreensManager::LevelPanelBox(CScreenBox& box) const {
    if (LevelPanelFrame.IsNull() || !LevelPanelFrame->Visible || QuestForm.IsNull() ||
        !QuestForm->Visible)
        return false;
    const CUxWindow& w = *LevelPanelFrame;
    box = CScreenBox{w.Position.X - w.Width / 2.0f, w.Position.Y - w.Height / 2.0f,
                     w.Position.X + w.Width / 2.0f, w.Position.Y + w.Height / 2.0f};
    return true;
}

void CScreensManager::PlaceSwapThesePointer(float x, float y) {
    if (TutorialGroups.size() < 7 || TutorialGroups[6].Windows.empty() || QuestLayout == nullptr)
        return;
    const auto& group = TutorialGroups[6].Windows;
    const float sx = QuestLayout->SwapThesePoint[0];
    const float sy = -QuestLayout->SwapThesePoint[1]; // as written: down from the top
    const float w = group[0]->Width, h = group[0]->Height;
    PlaceGroup(TutorialForm, group, TutorialPoints6, std::floor(x - sx + w / 2.0f),
               std::floor(y + sy - h / 2.0f));
}
