// Menu input: presses and clicks on the forms' controls (the menus the screens
// run by themselves, and the ids handed on to the game), the player list, the
// new-player name entry with its keys and characters, the message-box answers
// by purpose and the website link.
#include "screens/ScreensManager.h"

#include <SDL.h>

#include <algorithm>
#include <string>

#include "audio/SoundBank.h"
#include "engine/ObjectLog.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "engine/TextSprite.h"
#include "platform/os/OpenUrl.h"
#include "platform/os/Window.h"
#include "playerdata/ProfileList.h"
#include "playerdata/ScoreTable.h"
#include "ui/UxButton.h"
#include "ui/UxForm.h"
#include "ui/UxFormsManager.h"
#include "ui/UxScroller.h"
#include "ui/UxStatic.h"

namespace {

constexpr int32_t kTxtDefaultPlayer = 22;
constexpr int32_t kTxtNameInUse = 28;
constexpr int32_t kTxtNameEmpty = 29;
constexpr int32_t kTxtDeletePlayer = 31;
constexpr int32_t kTxtNewQuestQuestion = 34;

constexpr int32_t kFirstRowId = 185;
constexpr int32_t kLastRowId = kFirstRowId + CScreensManager::kProfileRows - 1;
// Scroll position at which the new-player row stands at the top.
constexpr int32_t kNewPlayerRow = -1;

constexpr char kBackspace = 8;
constexpr const char* kCaret = "|";
constexpr const char* kWebsiteFile = "website.url";

void ShowWindow(const CSharedPtr<CUxWindow>& w, bool on) {
    if (!w.IsNull())
        w->SetVisible(on ? 1 : 0);
}

void TakeInput(const CSharedPtr<CUxForm>& form, bool on) {
    if (!form.IsNull())
        form->Active = on ? 1 : 0;
}

float SliderValue(const CSharedPtr<CUxWindow>& w) {
    const auto* s = dynamic_cast<const CUxScroller*>(w.Get());
    return s ? s->Value : 0.0f;
}

// The link named in the shortcut, when it is a web address, goes to the
// desktop's browser. Nothing from the file ever reaches a shell.
void OpenWebsite(const os::Launcher& launch) {
    if (launch) {
        os::OpenUrlFile(kWebsiteFile, launch);
        return;
    }
    os::OpenUrlFile(kWebsiteFile, [](const std::vector<std::string>& argv) {
        return argv.size() == 2 && SDL_OpenURL(argv[1].c_str()) == 0;
    });
}

} // namespace

void CScreensManager::PassOn(int32_t kind, int32_t id) {
    CUxEvent e;
    e.Kind = kind;
    e.Id = id;
    Events.push_back(e);
}

int32_t CScreensManager::HandleButtonDown(float x, float y) {
    Events.clear();
    if (FormsManager.IsNull())
        return 0;
    const int32_t n = FormsManager->PointerDown(x, y, 0);
    for (int32_t i = 0; i < n && i < static_cast<int32_t>(FormsManager->Events.size()); ++i) {
        const CUxControlEvent c = FormsManager->Events[static_cast<size_t>(i)];
        if (c.Kind == CUxControlEvent::kValueChanged &&
            (c.Id == kIdSoundSlider || c.Id == kIdMusicSlider)) {
            CUxEvent e;
            e.Kind = CUxEvent::kValueChanged;
            e.Id = c.Id;
            e.Value = SliderValue(c.Id == kIdSoundSlider ? SoundSlider : MusicSlider);
            Events.push_back(e);
            continue;
        }
        if (c.Kind != CUxControlEvent::kPressed)
            continue;
        if (c.WindowType == CUxWindow::kButtonWindow ||
            c.WindowType == CUxWindow::kCheckboxWindow ||
            c.WindowType == CUxWindow::kScrollerWindow)
            PlaySound(ESound::Click, x, true);
        switch (c.Id) {
        case 10:
            ShowWindow(QuestCheckControl, true);
            SetWindowChecked(QuestCheckControl, 0);
            PassOn(CUxEvent::kPressed, c.Id);
            break;
        case 11:
        case 170:
        case kIdTipOk:
        case 233:
        case 234:
        case 235:
        case 236:
            PassOn(CUxEvent::kPressed, c.Id);
            break;
        default:
            if (c.Id >= kFirstRowId && c.Id <= kLastRowId)
                PressProfileRow(c.Id - kFirstRowId);
            break;
        }
    }
    return static_cast<int32_t>(Events.size());
}

void CScreensManager::PressProfileRow(int32_t row) {
    if (row == 0 && ProfileScroll == kNewPlayerRow) {
        PrepareNewProfileForm(GetString(kTxtDefaultPlayer).c_str(), 1);
        FadeOut(ProfilesForm, kMenuFade);
        FadeIn(NewProfileForm, kMenuFade);
        return;
    }
    const int32_t selected = ProfileScroll + row;
    // A row without a player takes no input; a stale press must not select it.
    if (ProfileList.IsNull() || selected < 0 || selected >= ProfileList->Count())
        return;
    ProfileSelected = selected;
    for (int32_t k = 0; k < static_cast<int32_t>(ProfileRows.size()); ++k)
        SetWindowChecked(ProfileRows[static_cast<size_t>(k)],
                         ProfileScroll + k == selected ? 1 : 0);
}

int32_t CScreensManager::HandleButtonUp(float x, float y) {
    Events.clear();
    if (FormsManager.IsNull())
        return 0;
    const int32_t n = FormsManager->PointerUp(x, y, 0);
    // Acting on a click may fade forms and so change what the manager holds.
    const std::vector<CUxControlEvent> clicks(
        FormsManager->Events.begin(),
        FormsManager->Events.begin() +
            std::min<size_t>(static_cast<size_t>(std::max(n, 0)), FormsManager->Events.size()));
    for (const CUxControlEvent& c : clicks)
        if (c.Kind == CUxControlEvent::kClick)
            Click(c.Id, x);
    return static_cast<int32_t>(Events.size());
}

void CScreensManager::Click(int32_t id, float x) {
    switch (id) {
    case 4:
        ShowHelpPage(1);
        FadeOut(MainMenuForm, kHelpFade);
        FadeIn(HelpForm, kHelpFade);
        return;
    case 5:
        FillHighScoreTable(HighScoreTableIndex);
        FadeIn(HighScoresForm, kMenuFade);
        FadeOut(MainMenuForm, kMenuFade);
        return;
    case 6:
        SelectedProfileName = ProfileName(ProfileSelected);
        FadeOut(MainMenuForm, kMenuFade);
        RefreshProfileList();
        FadeIn(ProfilesForm, kMenuFade);
        return;
    case 10:
        SetWindowChecked(QuestCheckControl, 1);
        PassOn(CUxEvent::kReleased, id);
        return;
    case 152:
    case 153:
    case 154:
    case 155:
        ShowNewspaperPage(id - 152);
        FadeOut(MapForm, kMenuFade);
        FadeIn(NewspaperForm, kMenuFade);
        return;
    case 180:
        if (ProfileSelected - ProfileScroll > kProfileRows - 1)
            ProfileScroll = ProfileSelected - (kProfileRows - 1);
        RefreshProfileList();
        UpdateWelcomeText();
        FadeOut(ProfilesForm, kMenuFade);
        FadeIn(MainMenuForm, kMenuFade);
        PassOn(CUxEvent::kReleased, id);
        return;
    case 181:
        CancelProfileChoice();
        return;
    case 182:
        ShowMessageBox(
            FormatText(GetString(kTxtDeletePlayer), {ProfileName(ProfileSelected)}).c_str(), "",
            kSetYesCancel, kPurposeDeletePlayer);
        FadeIn(MsgBoxForm, kBoxFade);
        TakeInput(ProfilesForm, false);
        return;
    case 183:
        if (ProfileScroll >= 0) {
            --ProfileScroll;
            RefreshProfileList();
        }
        return;
    case 184:
        if (!ProfileList.IsNull() && ProfileList->Count() - ProfileScroll > kProfileRows) {
            ++ProfileScroll;
            RefreshProfileList();
        }
        return;
    case 195:
        if (ConfirmNewProfile(true, x) == kFirstPlayerMade)
            PassOn(CUxEvent::kReleased, id);
        return;
    case 196:
        RefreshProfileList();
        FadeOut(NewProfileForm, kMenuFade);
        FadeIn(ProfilesForm, kMenuFade);
        return;
    case 200:
    case 201:
    case 202:
    case 203:
        AnswerMessageBox(id);
        return;
    case 210:
        ShowMessageBox(GetString(kTxtNewQuestQuestion).c_str(), "", kSetYesNo, kPurposeNewQuest);
        TakeInput(StartQuestForm, false);
        FadeIn(MsgBoxForm, kBoxFade);
        return;
    case 211:
        FadeOut(StartQuestForm, kMenuFade);
        PassOn(CUxEvent::kReleased, id);
        return;
    case 212:
        FadeOut(StartQuestForm, kMenuFade);
        FadeIn(MainMenuForm, kMenuFade);
        return;
    case 250:
        FadeOut(HighScoresForm, kMenuFade);
        FadeIn(MainMenuForm, kMenuFade);
        return;
    case 270:
        FadeOut(HelpForm, kHelpFade);
        FadeIn(MainMenuForm, kHelpFade);
        return;
    case 271:
        ShowHelpPage(HelpPage - 1);
        return;
    case 272:
        ShowHelpPage(HelpPage + 1);
        return;
    case kIdWebsite:
        OpenWebsite(WebsiteLauncher);
        return;
    default:
        break;
    }
    // The ids the game acts on itself.
    const bool passed = (id >= 1 && id <= 3) || (id >= 11 && id <= 13) || id == 20 || id == 30 ||
                        id == 31 || (id >= 40 && id <= 55) || (id >= 60 && id <= 75) || id == 150 ||
                        id == 151 || (id >= 159 && id <= 162) || id == 230 || id == 260 ||
                        id == 280;
    if (passed)
        PassOn(CUxEvent::kReleased, id);
}

void CScreensManager::CancelProfileChoice() {
    const int32_t i = FindProfileExact(SelectedProfileName);
    int32_t passed = 180;
    if (i >= 0) {
        ProfileSelected = i;
        if (i >= kProfileRows - 1)
            ProfileScroll = i - (kProfileRows - 1);
        passed = 181;
    }
    UpdateWelcomeText();
    FadeOut(ProfilesForm, kMenuFade);
    FadeIn(MainMenuForm, kMenuFade);
    PassOn(CUxEvent::kReleased, passed);
}

void CScreensManager::AnswerMessageBox(int32_t id) {
    const int32_t purpose = MsgBoxPurpose;
    const bool answer = id == 202 || id == 203;
    if (id == 200) {
        switch (purpose) {
        case kPurposeShopNotice:
            FadeOut(MsgBoxForm, kMenuFade);
            if (!ShopForm.IsNull())
                ShopForm->SetEnabled(1);
            return;
        case kPurposeLifeLost:
        case kPurposeLevelNotice:
        case kPurposeGameOver:
            FadeOut(MsgBoxForm, kMenuFade);
            PassOn(CUxEvent::kReleased, id);
            return;
        case kPurposeNoStars:
            FadeOut(MsgBoxForm, kBoxFade);
            if (!ShopForm.IsNull())
                ShopForm->SetEnabled(1);
            return;
        case kPurposeHighScore:
            FadeOut(MsgBoxForm, kBoxFade);
            FadeIn(HighScoresForm, kMenuFade);
            return;
        case kPurposeNotice:
            PassOn(CUxEvent::kReleased, id);
            return;
        case kPurposeNotSaved:
            NotSavedText.clear();
            FadeOut(MsgBoxForm, kBoxFade);
            return;
        default:
            return;
        }
    }
    if (id == 201 && purpose == kPurposeDeletePlayer) {
        FadeOut(MsgBoxForm, kBoxFade);
        TakeInput(ProfilesForm, true);
    } else if (id == 202 && purpose == kPurposeDeletePlayer) {
        DeleteSelectedProfile();
    } else if (id == 202 && purpose == kPurposeNewQuest) {
        FadeOut(MsgBoxForm, kBoxFade);
        PassOn(CUxEvent::kReleased, id);
    } else if (id == 203 && purpose == kPurposeNewQuest) {
        FadeOut(MsgBoxForm, kBoxFade);
        TakeInput(StartQuestForm, true);
    } else if (answer && purpose == kPurposeLeaveShop) {
        FadeOut(MsgBoxForm, kBoxFade);
        if (!ShopForm.IsNull())
            ShopForm->SetEnabled(1);
        PassOn(CUxEvent::kReleased, id);
    } else if (answer && purpose == kPurposeDifficulty) {
        FadeOut(MsgBoxForm, kBoxFade);
        FadeOut(StartQuestForm, kMenuFade);
        PassOn(CUxEvent::kReleased, id);
    }
}

void CScreensManager::DeleteSelectedProfile() {
    // By index: another folder may differ from this one in letter case only.
    if (!ProfileList.IsNull() && ProfileSelected >= 0 && ProfileSelected < ProfileList->Count())
        ProfileList->DeleteProfileAt(ProfileSelected);
    if (ProfileList.IsNull() || ProfileList->Count() == 0) {
        PrepareNewProfileForm(GetString(kTxtDefaultPlayer).c_str(), 0);
        FadeOut(MsgBoxForm, kBoxFade);
        FadeOut(ProfilesForm, kMenuFade);
        FadeIn(NewProfileForm, kMenuFade);
        return;
    }
    ProfileSelected = 0;
    ProfileScroll = kNewPlayerRow;
    RefreshProfileList();
    FadeOut(MsgBoxForm, kBoxFade);
    TakeInput(ProfilesForm, true);
}

int32_t CScreensManager::FindProfileExact(const std::string& name) const {
    if (ProfileList.IsNull())
        return -1;
    for (int32_t i = 0; i < ProfileList->Count(); ++i)
        if (ProfileList->Profiles[static_cast<size_t>(i)]->Name == name)
            return i;
    return -1;
}

int32_t CScreensManager::ConfirmNewProfile(bool atX, float x) {
    // Blanks at either end would make a second name that looks the same.
    const std::string name = TrimProfileName(TypedProfileName);
    TypedProfileName = name;
    if (name.empty()) {
        SetWindowText(NewProfileControl3, GetString(kTxtNameEmpty));
        PlaySound(ESound::Wrong, x, atX);
        return 0;
    }
    if (ProfileList.IsNull() || ProfileList->FindByName(name) >= 0) {
        SetWindowText(NewProfileControl3, GetString(kTxtNameInUse));
        PlaySound(ESound::Wrong, x, atX);
        return 0;
    }
    // A folder that cannot be made is told, and the player plays on unsaved
    // (the list keeps him): asking again would only fail again.
    const bool saved = ProfileList->CreateProfile(name) != 0;
    if (!saved) {
        LogObject("Error! Unable to create Profile!");
        LogObject(name);
        LogObject("\n");
        TellNotSaved(ENotSaved::NewPlayer, ProfileList->FolderOf(name));
    }
    const int32_t i = FindProfileExact(name);
    if (i < 0)
        return 0;
    ProfileSelected = i;
    if (i < ProfileScroll)
        ProfileScroll = i;
    else if (i - ProfileScroll > kProfileRows - 1)
        ProfileScroll = i - (kProfileRows - 1);
    RefreshProfileList();
    int32_t result = 0;
    if (!NewProfileControl2.IsNull() && NewProfileControl2->Visible) {
        FadeIn(ProfilesForm, kMenuFade);
    } else {
        UpdateWelcomeText();
        FadeIn(MainMenuForm, kMenuFade);
        result = kFirstPlayerMade;
    }
    FadeOut(NewProfileForm, kMenuFade);
    return result;
}

bool CScreensManager::NameEntryOpen() const {
    return !NewProfileForm.IsNull() && NewProfileForm->Visible && NewProfileForm->Active;
}

void CScreensManager::ShowTypedName() {
    SetWindowText(NewProfileControl1, TypedProfileName + kCaret);
}

int32_t CScreensManager::HandleProfileKey(int32_t key) {
    if (!NameEntryOpen())
        return 0;
    switch (key) {
    case os::Vk::Left:
        if (!TypedProfileName.empty()) {
            TypedProfileName.pop_back();
            ShowTypedName();
        }
        return 0;
    case os::Vk::Return:
        return ConfirmNewProfile(false, 0.0f);
    case os::Vk::Escape:
        if (!NewProfileControl2.IsNull() && NewProfileControl2->Visible) {
            RefreshProfileList();
            FadeOut(NewProfileForm, kMenuFade);
            FadeIn(ProfilesForm, kMenuFade);
        }
        return 0;
    default:
        return 0;
    }
}

void CScreensManager::OnChar(char ch) {
    if (!NameEntryOpen())
        return;
    const auto c = static_cast<unsigned char>(ch);
    if (TypedProfileName.size() < CProfileList::kMaxNameLength && IsValidNameChar(c)) {
        // Only what fits on the field's one line.
        if (const auto* field = dynamic_cast<const CUxStatic*>(NewProfileControl1.Get())) {
            if (const CTextSprite* text = field->MainText()) {
                std::string wrapped;
                text->WrapText(TypedProfileName + static_cast<char>(c) + kCaret, wrapped);
                if (wrapped.find('\v') != std::string::npos ||
                    wrapped.find('\n') != std::string::npos)
                    return;
            }
        }
        TypedProfileName += static_cast<char>(c);
        ShowTypedName();
    } else if (c == kBackspace && !TypedProfileName.empty()) {
        TypedProfileName.pop_back();
        ShowTypedName();
    }
}
