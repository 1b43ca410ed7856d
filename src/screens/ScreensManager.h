#pragma once
// The game's menu layer over the window toolkit. One object for the whole run:
// it loads the texture list and the 26 forms at start-up, keeps a handle to
// every control the menus, pages, counters, dials and the shop address (bound
// by the controls' INTERRUPT codes), shows and hides forms only through its
// fade queue, runs the level screen's counter, timer dial and alarm, handles
// the menus itself and hands every other control to the game object as a
// UI event. The renderer draws its forms through IFormsDrawer.
//
// Coordinates: virtual screen (origin at the centre, y up). Forms are faded
// at 2.0 alpha per second (menus), 4.0 (message box) or 5.0 (help).
//
// The methods live in several files:
//   ScreensManager.cpp   construction, LoadForms, the story pages,
//                        window-group effects
//   ScreensBindings.cpp  the table of controls bound by code, and what each
//                        form must give
//   ScreensUpdate.cpp    Update, fades, alarm, tutorial pointer, blinking
//   ScreensValues.cpp    counters, captions, message box, sliders, tables,
//                        panels, intro texture
//   ScreensDials.cpp     the two sector dials
//   ScreensInput.cpp     button dispatch, profile list, name entry, keys
//   ScreensPages.cpp     newspaper and help pages, the map, screen texts,
//                        tutorial arrow and pointers
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "screens/NotSaved.h"
#include "audio/SoundBank.h"
#include "engine/RenderLayers.h"
#include "engine/SharedPtr.h"
#include "platform/os/OpenUrl.h"
#include "screens/EasedCounter.h"

class CBitmapFont;
struct CDataPaths;
class CIndexBuffer;
class CLevelParams;
class CProfileList;
class CQuestFieldLayout;
class CRenderDevice;
class CScoreTable;
class CSpriteQuad;
class CTextLayer;
class CTexture;
class CUxForm;
class CUxFormFile;
class CUxFormsManager;
class CUxWindow;
class CVertexBuffer;

// What the screens hand the game object after each update, press and release.
struct CUxEvent {
    enum Kind : int32_t {
        kReleased = 0,      // a control was clicked; Id says which
        kPressed = 1,       // a control was pressed
        kValueChanged = 13, // a volume slider moved; Value holds it
        kFadedOut = 14,     // Sender's fade-out ended; it is hidden now
        kFadedIn = 15       // Sender's fade-in ended; it takes input now
    };
    int32_t Kind = kReleased;
    int32_t Id = 0;
    int32_t Word1 = 0; // not filled by the screens
    int32_t Word2 = 0;
    CSharedPtr<CUxWindow> Sender;
    float Value = 0.0f;
};

using CWindowList = std::vector<CSharedPtr<CUxWindow>>;

// How far a fade has come and where it goes.
struct CFadeState {
    int32_t Direction = 0; // 1 fading in, 0 fading out
    float Alpha = 0.0f;    // now
    float Speed = 0.0f;    // alpha per second
    int32_t Stop = 0;
    float Target = 0.0f; // 1.0 in, 0.0 out
    // Towards fully shown (1) or hidden (0) at `speed`, from where it stands.
    void Aim(int32_t direction, float speed) {
        Direction = direction;
        Speed = speed;
        Stop = 0;
        Target = direction ? 1.0f : 0.0f;
    }
};

// Windows that fade as one. Forms that keep groups fill only Windows; the
// fade is set when the group is handed to the effect operations.
struct CWindowGroup : CFadeState {
    CWindowList Windows;
};

// One window of the fade queue.
struct CFadeEntry : CFadeState {
    CSharedPtr<CUxWindow> Window;
};

struct CScreenPoint {
    float X = 0.0f;
    float Y = 0.0f;
};

// An upright rectangle of the virtual screen, y up.
struct CScreenBox {
    float L = 0.0f, B = 0.0f, R = 0.0f, T = 0.0f;
};

class CScreensManager : public IFormsDrawer {
public:
    // The forms, in loading order (the form number of each).
    enum FormNumber : int32_t {
        kMainMenu = 0,
        kQuest,
        kStatistics,
        kBackground,
        kShop,
        kMap,
        kNewLevel,
        kGameMenu,
        kMemory,
        kArcade,
        kThimbles,
        kBlinker,
        kSplash,
        kProfiles,
        kNewProfile,
        kMsgBox,
        kStartQuest,
        kTutorial,
        kWin,
        kOptions,
        kHighScores,
        kNewspaper,
        kIntro,
        kTrophies,
        kHelp,
        kWinBox,
        kFormCount
    };
    static constexpr int32_t kStoryPages = 40;
    static constexpr int32_t kProfileRows = 6;
    static constexpr int32_t kHighScoreRows = 10;
    static constexpr int32_t kButtonSets = 5;
    static constexpr int32_t kTutorialGroups = 7;
    static constexpr int32_t kDialQuarters = 4;
    static constexpr int32_t kMapStages = 5;
    // Fade speeds (alpha per second).
    static constexpr float kMenuFade = 2.0f;
    static constexpr float kBoxFade = 4.0f;
    static constexpr float kHelpFade = 5.0f;
    // The low-time alarm: four blinks a second for 0.75 s.
    static constexpr float kCueRate = 25.132742f;
    static constexpr float kCueDuration = 0.75f;
    static constexpr float kDialSpeed = 0.5f; // timer-dial fraction per second
    static constexpr float kPageBlinkPeriod = 2.0f;
    static constexpr float kBackgroundBlinkPeriod = 3.0f;
    static constexpr float kBlinkFade = 1.0f;
    static constexpr const char* kVersionText = "Ver.1.08";
    // Control ids the update and the dispatch know.
    static constexpr int32_t kIdQuestMenu = 10;
    // The OK under a tutorial tip (passed on when pressed).
    static constexpr int32_t kIdTipOk = 220;
    static constexpr int32_t kIdSoundSlider = 231;
    static constexpr int32_t kIdMusicSlider = 232;
    static constexpr int32_t kIdWebsite = 11111;
    // Interrupt codes of the main menu's logos and website button.
    static constexpr int32_t kCodeWebsite = 11111;
    static constexpr int32_t kCodeLogoA = 11112;
    static constexpr int32_t kCodeLogoNA = 11113;

    // The font list must hold at least one font.
    CScreensManager(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vertexBuffer,
                    CSharedPtr<CIndexBuffer> indexBuffer, CSharedPtr<CTextLayer> textLayer,
                    const std::vector<CSharedPtr<CBitmapFont>>& fontList);
    ~CScreensManager() override;
    CScreensManager(const CScreensManager&) = delete;
    CScreensManager& operator=(const CScreensManager&) = delete;

    // IFormsDrawer: every shown form, through the forms manager.
    bool HasFormsManager() const override;
    bool BoxShown() const override;
    void Draw(int passTag, int part) override;

    // What a form must give one row of the binding table; a row without a
    // count or a code to match needs nothing.
    struct Need {
        int32_t Count = 0;
        const char* What = ""; // in the load failure's message
        bool Exactly = false;  // no more than Count either
        bool Pictures = false; // every control of the row with a picture
        // As many as the form has controls of this code, at least.
        int32_t PerCode = -1;
        const char* PerWhat = "";
    };
    // One row of the binding table: a control of form `Form` whose interrupt
    // code lies in First..Last is handed to Store with its code less First.
    struct Binding {
        int32_t Form;
        int32_t First;
        int32_t Last;
        void (*Store)(CScreensManager&, size_t, const CSharedPtr<CUxWindow>&);
        Need Needs = {};
    };
    static std::span<const Binding> Bindings();
    // The form's file name without ".uxf"; empty for no form.
    static std::string FormName(int32_t form);
    // How many controls row `row` of the table has bound so far.
    int32_t BoundControls(size_t row) const;

    // ---- Loading (ScreensManager.cpp) ----
    // Textures.lst, the forms manager, the 26 forms with their controls, the
    // story. 1 loaded; 0 failed (the reason is in the object log). Once.
    int32_t LoadForms(CDataPaths* paths, CQuestFieldLayout* layout, CLevelParams* params);
    // The 40 story pages; 1 read, 0 when the file cannot be opened (the pages
    // then stay empty).
    int32_t LoadStory(const char* path);
    // Starts (or turns round) a fade-in or fade-out of a whole group.
    void AddWindowEffect(CWindowGroup& group, float speed);
    void RemoveWindowEffect(CWindowGroup& group, float speed);

    // ---- The frame (ScreensUpdate.cpp) ----
    // One frame of every timed behaviour; the number of records in Events.
    int32_t Update(float x, float y, float dt);
    // The only way forms are shown and hidden: a running fade of the window
    // turns round where it stands.
    void FadeIn(CSharedPtr<CUxWindow> window, float speed);
    void FadeOut(CSharedPtr<CUxWindow> window, float speed);
    // Starts (non-zero) or stops the low-time alarm.
    void ToggleSoundCue(int32_t on);
    // Tutorial group 4 placed so that its pointer tip stands at (x, y).
    void PlaceClickHerePointer(float x, float y);

    // ---- Values and captions (ScreensValues.cpp) ----
    void SetClampedFraction(float f);
    static void SetWindowsAlpha(const CWindowList& windows, float a);
    static void SetWindowsVisible(const CWindowList& windows, int32_t flag);
    static void ResetWindowsPointerState(const CWindowList& windows);
    // Text of a static (or button); other windows and empty handles are left.
    static void SetWindowText(const CSharedPtr<CUxWindow>& window, std::string_view text);
    // The text a static shows (soft line breaks as blanks); empty for others.
    static std::string WindowText(const CSharedPtr<CUxWindow>& window);
    static void SetWindowChecked(const CSharedPtr<CUxWindow>& window, int32_t checked);
    void SetCounter(int32_t value, int32_t animate);
    void InitHudCounters(int32_t value, int32_t lives, float timeFraction);
    void HideOverlayList();
    void SetLevelText(int32_t level);
    void SetNewLevelText(const char* text);
    void SetupMemoryTexts(int32_t n, int32_t round, int32_t rounds);
    void SetupArcadeTexts(int32_t n);
    void SetupThimblesTexts(int32_t n, int32_t round, int32_t rounds);
    void SetupBlinkerTexts(int32_t n);
    // A question handed over whole as the title (no text) heads the box with
    // its first line (or sentence); the rest is asked below it in the body
    // face.
    void ShowMessageBox(const char* title, const char* text, int32_t buttonSet, int32_t purpose);
    // Tells the player in the message box (OK closes it) that `what` could not
    // be written to the game file `gamePath`, naming the folder it was to go to.
    // Notices that come while the box is open are added to it.
    void TellNotSaved(ENotSaved what, const std::string& gamePath);
    // Where the letters of a control's text lie; false when it shows none.
    static bool TextInk(const CSharedPtr<CUxWindow>& window, CScreenBox& ink);
    // The message box's title and text as one block, in the middle of the
    // room the text's control spans (from the frame's top to the buttons).
    void CentreMessageBoxText();
    void SetVolumeSliders(float sound, float music);
    void FillHighScoreTable(int32_t tableIndex);
    void ShowCountIcons(int32_t n);
    void ShowIntroPage(int32_t page);
    void HideTutorialGroups();
    void ShowTutorialGroup(int32_t group);
    void ShowLevelPanel(int32_t skip, int32_t visible);
    void ShowLevelHud(int32_t visible);
    void RefreshProfileList();
    // create != 0: the "Intro" texture loaded again; 0: its memory freed. 1,
    // or 0 when it is not registered or cannot be loaded.
    int32_t RecreateIntroTexture(int32_t create);

    // ---- Dials (ScreensDials.cpp) ----
    // The level timer; with setTarget the dial also stops at the fraction.
    void SetTimerDial(float fraction, int32_t setTarget);
    void SetTimeUpgradeDial(float fraction);

    // ---- Input (ScreensInput.cpp) ----
    int32_t HandleButtonDown(float x, float y);
    int32_t HandleButtonUp(float x, float y);
    // 3 when Enter ended the first-run name entry, else 0.
    int32_t HandleProfileKey(int32_t key);
    void OnChar(char ch);

    // ---- Pages, map and texts (ScreensPages.cpp) ----
    int32_t ShowNewspaperPage(int32_t page);
    int32_t ShowFinalNewspaper();
    int32_t ShowHelpPage(int32_t page);
    void SetMapLevelLabel(int32_t level, int32_t beforeStep);
    // The map step after a won level: the flag (with its shadow) `t` of the
    // way (0 to 1) from the marker of level - 1 to that of `level`; nothing
    // past the map's last stage.
    void StepMapFlag(int32_t level, float t);
    void RecreateMapDiffTextures(int32_t stage);
    void AssignScreenTextures(CSharedPtr<CTexture> mapPicture, CSharedPtr<CTexture> trophy);
    void UpdateWelcomeText();
    void PrepareNewProfileForm(const char* name, int32_t cancelAllowed);
    void SetStartQuestText(int32_t level, int32_t mode);
    // The tip box with its pointer's tip at (x, y): pointing up out of the
    // box below it in the upper half of the screen, down out of the box
    // above it in the lower half; or as `up` says.
    void PlaceTutorialArrowWindow(float x, float y);
    void PlaceTutorialArrowWindow(float x, float y, bool up);
    // The tip box's plaque as short as its text allows (its button and the
    // "no more tips" row rise with its bottom; TipRaise says by how much).
    void FitTipBox();
    // The tip box with its plaque centred at (x, y).
    void CentreTipBox(float x, float y);
    // The level card's plaque as short as its texts allow, the card centred
    // where the form puts it.
    void FitLevelPanel();
    // The box of the level card's plaque while it is shown.
    bool LevelPanelBox(CScreenBox& box) const;
    void PlaceSwapThesePointer(float x, float y);

    // ==== Members ====

    // ---- Engine ----
    CSharedPtr<CRenderDevice> Device;
    CSharedPtr<CVertexBuffer> VertexBuffer;
    CSharedPtr<CIndexBuffer> IndexBuffer;
    CSharedPtr<CTextLayer> TextLayer;
    CSharedPtr<CBitmapFont> DefaultFont;
    float DefaultFontHeight = 0.0f;
    std::vector<CSharedPtr<CBitmapFont>> Fonts;
    std::vector<float> FontHeights;
    CSharedPtr<CUxFormsManager> FormsManager;
    std::vector<CUxEvent> Events;

    // ---- MainMenu ----
    CSharedPtr<CUxForm> MainMenuForm;
    CSharedPtr<CUxWindow> MainMenuControl1; // welcome line
    CSharedPtr<CUxWindow> VersionLabel;
    CSharedPtr<CTexture> LogoTextureA;
    CSharedPtr<CTexture> LogoTextureNA;
    CSharedPtr<CUxWindow> WebsiteButton;
    CSharedPtr<CUxWindow> LogoPictureA;
    CSharedPtr<CUxWindow> LogoPictureNA;

    // ---- Quest (the level screen) ----
    CSharedPtr<CUxForm> QuestForm;
    CSharedPtr<CUxWindow> QuestControl1;
    CSharedPtr<CUxWindow> QuestCheckControl;
    CWindowList TimerDialQuads;
    CWindowList TimerDialHands = CWindowList(2); // shadow, hand
    CSharedPtr<CUxWindow> CounterLabel;
    CSharedPtr<CUxWindow> LivesLabel;
    CWindowList QuestMarkers;
    CSharedPtr<CUxWindow> QuestControl9;
    CWindowList LevelPanelWindows;
    // The card's plaques, one per length of its text (the longest first),
    // and the one shown.
    CWindowList LevelPanelFrames;
    CSharedPtr<CUxWindow> LevelPanelFrame;
    // Where the form file puts the plaques, then the texts (offsets).
    std::vector<CScreenPoint> LevelPanelLayout;
    CWindowList LifeIcons;
    CWindowList HudWindows;
    CWindowList LastLifeMarkers;
    CSharedPtr<CUxWindow> HudControl203;
    float EasedCurrent = 0.0f;
    float EasedTarget = 0.0f;
    float EasedSpeed = kDialSpeed;
    // The timer dial's face within its texture (u0, v0, u1, v1): the frame
    // the form gave the quarter pictures.
    std::array<float, 4> DialFace = {0.0f, 0.0f, 1.0f, 1.0f};
    int32_t CounterValue = 0;
    int32_t LivesShown = 0;

    // ---- Statistics ----
    CSharedPtr<CUxForm> StatisticsForm;
    std::array<CSharedPtr<CUxWindow>, 13> StatisticsControls; // codes 1..13
    CSharedPtr<CUxWindow> StatisticsControl0;
    CWindowList StatisticsList100;
    CWindowList StatisticsList200;
    CWindowList StatisticsList300;

    // ---- Background ----
    CSharedPtr<CUxForm> BackgroundForm;
    CWindowList BackgroundBlinkWindows;
    float BackgroundBlinkTimer = 0.0f;

    // ---- Shop ----
    CSharedPtr<CUxForm> ShopForm;
    CSharedPtr<CUxWindow> ShopBackground; // the drifting mist (code 0)
    CSharedPtr<CUxWindow> ShopControl6;
    CSharedPtr<CUxWindow> ShopControl1;
    CSharedPtr<CUxWindow> ShopControl2;
    CWindowList ShopDialQuads;
    CWindowList ShopDialHands;
    CSharedPtr<CUxWindow> ShopControl5;
    std::vector<CWindowGroup> ShopGroups100 = std::vector<CWindowGroup>(5);
    std::vector<CWindowGroup> ShopGroups60 = std::vector<CWindowGroup>(6);
    CWindowList ShopItemList20;
    CWindowList ShopItemList40;
    CWindowList ShopItemList200;
    CWindowList ShopItemList220;
    CSharedPtr<CUxWindow> ShopControl7;
    CSharedPtr<CUxWindow> ShopStarCount; // the bank's count of stars (code 8)
    CWindowList ShopTintWindowsA;
    std::vector<uint32_t> ShopTintColoursA;
    CWindowList ShopTintWindowsB;
    std::vector<uint32_t> ShopTintColoursB;
    CWindowList ShopTintWindowsC;
    std::vector<uint32_t> ShopTintColoursC;

    // ---- Map ----
    CSharedPtr<CUxForm> MapForm;
    CSharedPtr<CUxWindow> MapControl1;  // story text
    CSharedPtr<CUxWindow> MapControl10; // level label
    CSharedPtr<CUxWindow> MapStoryBox;  // the story's box, shown with a story
    std::array<CWindowList, 4> MapLists2;
    std::array<CWindowList, kMapStages> MapStageMarkers;
    CWindowList MapList11;
    CWindowList MapList21;
    std::vector<std::string> StoryPages;
    CSharedPtr<CUxWindow> MapControl30; // flag shadow
    CSharedPtr<CUxWindow> MapControl31; // flag

    // ---- NewLevel, GameMenu and the bonus-level forms ----
    CSharedPtr<CUxForm> NewLevelForm;
    CSharedPtr<CUxWindow> NewLevelCaption;
    CSharedPtr<CUxForm> GameMenuForm;
    CSharedPtr<CUxForm> MemoryForm;
    CSharedPtr<CUxWindow> MemoryCaption;
    CSharedPtr<CUxWindow> MemoryRoundCaption;
    CSharedPtr<CUxForm> ArcadeForm;
    CSharedPtr<CUxWindow> ArcadeCaption;
    CSharedPtr<CUxForm> ThimblesForm;
    CSharedPtr<CUxWindow> ThimblesCaption;
    CSharedPtr<CUxWindow> ThimblesRoundCaption;
    CSharedPtr<CUxWindow> ThimblesControl3;
    CSharedPtr<CUxForm> BlinkerForm;
    CSharedPtr<CUxWindow> BlinkerCaption;
    CSharedPtr<CUxWindow> BlinkerControl2;
    CSharedPtr<CUxWindow> BlinkerControl3;
    CSharedPtr<CUxWindow> BlinkerControl4;

    // ---- Splash ----
    CSharedPtr<CUxForm> SplashForm;
    CWindowList SplashList1000;
    CWindowList SplashList0;
    std::vector<CWindowGroup> SplashGroups; // code n into group n - 1

    // ---- Profiles and NewProfile ----
    CSharedPtr<CUxForm> ProfilesForm;
    CWindowList ProfileRows;
    int32_t ProfileScroll = -1;
    int32_t ProfileSelected = -1;
    std::string SelectedProfileName;
    CSharedPtr<CProfileList> ProfileList;
    CSharedPtr<CUxForm> NewProfileForm;
    CSharedPtr<CUxWindow> NewProfileControl1; // name field
    CSharedPtr<CUxWindow> NewProfileControl3; // message line
    CSharedPtr<CUxWindow> NewProfileControl2; // shown when opened from the list
    CSharedPtr<CUxWindow> NewProfileControl4;
    CSharedPtr<CUxWindow> NewProfileControl5;
    std::string TypedProfileName;

    // ---- MsgBox and StartQuest ----
    CSharedPtr<CUxForm> MsgBoxForm;
    CSharedPtr<CUxWindow> MsgBoxTitle;
    CSharedPtr<CUxWindow> MsgBoxText;
    std::array<CWindowList, kButtonSets> MsgBoxButtonSets;
    int32_t MsgBoxPurpose = 0;
    // The open notice of failed writes; empty when none is open.
    std::string NotSavedText;
    CSharedPtr<CUxForm> StartQuestForm;
    CSharedPtr<CUxWindow> StartQuestControl1;

    // ---- Tutorial ----
    CSharedPtr<CUxForm> TutorialForm;
    std::vector<CWindowGroup> TutorialGroups = std::vector<CWindowGroup>(kTutorialGroups);
    std::vector<CScreenPoint> TutorialPoints1;
    // The tip box's plaques, one per length of its text (the longest
    // first), the one shown, its title, and the box's offsets as the form
    // file lays it out.
    CWindowList TipPlaques;
    size_t TipPlaque = 0;
    float TipRaise = 0.0f;
    CSharedPtr<CUxWindow> TipTitle;
    std::vector<CScreenPoint> TipBoxLayout;
    float TipTextHeight = 0.0f, TipTextShift = 0.0f;
    CSharedPtr<CUxWindow> TutorialControl100;
    CSharedPtr<CUxWindow> TutorialControl101;
    CSharedPtr<CUxWindow> TutorialControl200; // up arrow
    CSharedPtr<CUxWindow> TutorialControl201; // down arrow
    std::vector<CScreenPoint> TutorialPoints4;
    CSharedPtr<CUxWindow> TutorialControl105;
    std::vector<CScreenPoint> TutorialPoints6;
    float TutorialAngle = 0.0f;
    float TutorialX = 0.0f;
    float TutorialY = 0.0f;

    // ---- Win, Options, HighScores ----
    CSharedPtr<CUxForm> WinForm;
    CWindowList WinBlinkWindows;
    float PageBlinkTimer = 0.0f; // shared by the Win and Newspaper blinking
    CSharedPtr<CUxForm> OptionsForm;
    CSharedPtr<CUxWindow> SoundSlider;
    CSharedPtr<CUxWindow> MusicSlider;
    CSharedPtr<CUxWindow> OptionsControl3;
    CSharedPtr<CUxWindow> OptionsControl4;
    CSharedPtr<CUxWindow> OptionsControl5;
    CSharedPtr<CUxForm> HighScoresForm;
    CWindowList HighScoreRows;
    CWindowList HighScoreNames;
    CWindowList HighScoreScores;
    int32_t HighScoreTableIndex = 0;
    int32_t HighScoreState = 0;
    int32_t HighScoreNewRow = -1;

    // ---- Newspaper, Intro, Trophies, Help, WinBox ----
    CSharedPtr<CUxForm> NewspaperForm;
    CWindowList NewspaperBlinkWindows;
    std::vector<CWindowGroup> NewspaperGroups = std::vector<CWindowGroup>(4);
    CSharedPtr<CUxForm> IntroForm;
    CWindowList IntroPages;
    int32_t IntroPage = 0;
    CSharedPtr<CUxForm> TrophiesForm;
    CSharedPtr<CUxWindow> TrophiesControl0;
    CWindowList TrophyIcons;
    std::vector<CWindowGroup> TrophyGroups100 = std::vector<CWindowGroup>(9);
    std::vector<CWindowGroup> TrophyGroups200 = std::vector<CWindowGroup>(9);
    std::vector<CScreenPoint> TrophyIconPositions;
    CSharedPtr<CUxForm> HelpForm;
    std::vector<CWindowGroup> HelpGroups = std::vector<CWindowGroup>(3);
    int32_t HelpPage = 1;
    CSharedPtr<CUxForm> WinBoxForm;

    // ---- Links into the game (not owned) ----
    CSharedPtr<CTexture> MapPictureTexture;
    CDataPaths* DataPaths = nullptr;
    CQuestFieldLayout* QuestLayout = nullptr;
    CLevelParams* LevelParams = nullptr;
    int32_t CountersFrozen = 0;
    std::vector<CFadeEntry> Fades;
    std::vector<CWindowGroup> WindowEffects;
    CSharedPtr<CSoundBank> SoundBank; // may stay empty: the screens are then silent
    // Starts the browser for the website link; empty: the desktop's own
    // opener. Only a web address ever reaches it.
    os::Launcher WebsiteLauncher;
    CEasedCounter Counter;
    int32_t CueActive = 0;
    float CuePhase = 0.0f;
    float CueRate = kCueRate;
    float CueElapsed = 0.0f;
    float CueDuration = kCueDuration;
    CScoreTable* ScoreTable = nullptr; // the game's tables, one per index
    int32_t ScoreTableCount = 1;

protected:
    // The sample once (at x when `atX`); nothing without a sound bank.
    void PlaySound(ESound slot, float x, bool atX) const;

private:
    struct FormSpec;
    int32_t LoadTextureList(const std::string& path);
    // Both logo pictures decode: their textures, and the size of logo A.
    bool LoadLogos(float& width, float& height);
    int32_t LoadForm(const FormSpec& spec, bool logos, float logoW, float logoH);
    // Stores an interrupt control of form `form` in its members by the
    // binding table (ScreensBindings.cpp).
    void Bind(int32_t form, int32_t code, const CSharedPtr<CUxWindow>& control);
    // What the table's rows of a form need and its file did not give; empty
    // when nothing is missing.
    std::string MissingControls(int32_t form) const;
    struct BindCount {
        int32_t Controls = 0;
        int32_t WithoutPicture = 0;
    };
    std::vector<BindCount> Bound; // per row of the binding table
    void SetUpForm(int32_t form);
    void SetUpDial(const CWindowList& quads, bool timer);
    // One frame of the fade queue and of the group fades.
    void RunFades(float dt);
    void RunWindowEffects(float dt);
    void RunAlarm(float dt);
    void RunBlink(const CSharedPtr<CUxForm>& form, CWindowList& windows, float& timer, float period,
                  float dt);
    void RoutePointer(float x, float y, float dt);
    // The pointer entered (or left) a control the screens light up.
    void Hover(int32_t id, bool entered);
    // The sector of a dial: hands, quarters and the edge quarter.
    void DrawSector(const CWindowList& quads, const CWindowList& hands, float t, float handAngle,
                    bool atlas);

public:
    // Input, pages and menus
    // What the message box is open for: it decides what its buttons do.
    enum MsgBoxPurposeCode : int32_t {
        kPurposeDeletePlayer = 1, // yes/cancel: delete the selected player
        kPurposeNewQuest = 2,     // yes/no: a new quest replaces the saved one
        kPurposeShopNotice = 3,   // OK: back to the shop
        kPurposeLifeLost = 4,     // OK: handed on
        kPurposeLevelNotice = 5,  // OK: handed on
        kPurposeGameOver = 6,     // OK: handed on
        kPurposeLeaveShop = 7,    // yes/no: handed on, back to the shop
        kPurposeNoStars = 8,      // OK: back to the shop
        kPurposeHighScore = 9,    // OK: the high-score table follows
        kPurposeNotice = 10,      // OK: handed on, the box stays
        kPurposeDifficulty = 11,  // yes/no: handed on, the quest form goes
        kPurposeNotSaved = 12     // OK: the box goes, nothing else changes
    };
    // Button sets of the message box.
    static constexpr int32_t kSetOk = 0;
    static constexpr int32_t kSetYesNo = 2;
    static constexpr int32_t kSetYesCancel = 3;
    // HandleProfileKey's result when Enter named the first player.
    static constexpr int32_t kFirstPlayerMade = 3;

    // The name of profile `index`; empty for an index outside the list.
    std::string ProfileName(int32_t index) const;
    // The profile named exactly so (letter case counts), or -1.
    int32_t FindProfileExact(const std::string& name) const;

private:
    void PassOn(int32_t kind, int32_t id);
    void Click(int32_t id, float x);
    void PressProfileRow(int32_t row);
    void CancelProfileChoice();
    void AnswerMessageBox(int32_t id);
    void DeleteSelectedProfile();
    // The typed name confirmed (OK or Enter); kFirstPlayerMade when it made
    // the first player. The refusal sound pans to x when atX.
    int32_t ConfirmNewProfile(bool atX, float x);
    bool NameEntryOpen() const;
    void ShowTypedName();
    // Points the registered texture at a picture of the graphics folder: 1
    // when it shows it, 0 when there is no such texture or it will not load.
    int32_t SwitchPageTexture(const char* name, const std::string& file);
    // Where the flag stands on the marker of quest level `flagLevel` (a level
    // below 2 counts as the first); false when the map has no such marker.
    bool MapFlagSpot(int32_t flagLevel, float* x, float* y) const;
    // The flag at (x, y) of the map, its shadow beside it.
    void PlaceMapFlag(float x, float y);
};
