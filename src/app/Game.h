#pragma once
// The game object: it creates and owns every part of the running game (layers,
// fonts, caps, sound, the play field and its managers, the backdrop, the HUD),
// loads the resources behind a loading screen, shows the splash pictures, runs
// one frame step per main-loop tick and turns the player's input and the play
// field's events into the quest's flow.
//
// The methods live in several files:
//   Game.cpp            construction, PreInit, Init, the splash, the frame step,
//                       shut-down helpers
//   GameFlow.cpp        the screen state machine and the quest flow
//   GameInput.cpp       mouse and keyboard handlers
//   GameEvents.cpp      the play field's events 1-13 and the message popups
//   GameChallenges.cpp  the bonus-level launchers and their rounds
//   GameScreens.cpp     the screens object's set-up, the level screen's HUD,
//                       the card over the board and the message popups
//   GamePlayerData.cpp  profiles, the score and record tables, the quest saves
//   GamePlayAids.cpp    the sand carried between levels, the idle hint, the
//                       level panel after a long wait
//   GameTutorial.cpp    the quest's tips on the Tutorial form, their pointers
//   GameVideo.cpp       full screen and back
//   GameShop.cpp        the shop between levels and the upgrades of a level
//   GameQuit.cpp        what a quit keeps at any moment, the lost life counted
//   GameTrophies.cpp    the trophies: their checks, their screen, their file
//   GameStory.cpp       the story pages of a new quest, the map's flag step
//
// Units: the cursor is kept in back-buffer pixels (CursorPx, CursorPy) and in
// virtual-screen units (CursorX, CursorY: origin at the screen centre, y up,
// 768 units over the back buffer's height).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "playerdata/GameOptions.h"
#include "engine/DataPaths.h"
#include "screens/NotSaved.h"
#include "engine/SharedPtr.h"
#include "platform/os/Guid.h"
#include "playerdata/ProfileCounters.h"
#include "playerdata/ScoreTable.h"
#include "playfield/LevelParams.h"
#include "playfield/PlayField.h"
#include "playfield/QuestFieldLayout.h"

class CBackgroundsManager;
class CBitmapFont;
class CBonusManager;
class CCapSlot;
class CCapsManager;
class CGemsBar;
class CIndexBuffer;
class CLevelBestTable;
class CMusicPlayer;
class CParticleSystemsManager;
class CProfileList;
class CProfileSettings;
class CQuestState;
class CQuadLayer;
class CScreensManager;
class CSandbox;
class CShopScreen;
class CRenderDevice;
class CRenderer;
class CSoundBank;
class CSpriteLayer;
class CTerminatorManager;
class CTextLayer;
class CTextSprite;
class CTexture;
class CTrophies;
class CUxWindow;
class CVertexBuffer;
struct CUxEvent;

namespace os {
class Window;
}
namespace snd {
class Audio;
}

// Screens of the state machine (Mode).
enum EGameMode : int32_t {
    kModeSplash = 0,          // the splash pictures before Init
    kModeAfterLoad = 1,       // the short pause after loading
    kModeMenu = 2,            // menus, map, newspaper (come with the screens)
    kModeLevel = 3,           // the level screen; SubState says what runs on it
    kModeLevelIntro = 11,     // the level caption while the board builds
    kModeShopTransition = 12, // between a level's end and the next level
    kModeQuestEnd = 13,       // the end of the quest
};

// What runs on the level screen (SubState while Mode is kModeLevel).
enum EGameSubState : int32_t {
    kSubNone = 0,
    kSubPlay = 1,       // level in play
    kSubResult = 6,     // level won: results, time bonus
    kSubShop = 8,       // the shop (comes with the screens)
    kSubQuit = 15,      // quit sequence
    kSubLostLevel = 16, // level lost: the messages before the restart
    kSubGameOver = 17,  // no lives left
    kSubBonus = 20,     // bonus level in play
};

// Sub-state 16 (a lost level) in steps: the board empties while the life is
// still to be counted, then the card before the level starts again, before the
// shop of a restored copy, or before the end of the quest.
enum ELossStep : int32_t {
    kLossCounting = 0,
    kLossRestart = 1,
    kLossRestored = 2,
    kLossQuestOver = 3,
};

// What a tutorial tip asks of the player (TipOpen).
enum ETipState : int32_t {
    kTipNone = 0,
    kTipShown = 1,    // a box waits for its OK; the board takes no clicks
    kTipPending = 2,  // asked for during the level intro; it shows when the play begins
    kTipPointing = 3, // "swap these" on a possible move: the board is open, a swap closes it
};

// The four challenges, numbered as their launchers.
enum EBonusKind : int32_t {
    kBonusNone = 0,
    kBonusMemory = 1,
    kBonusAccuracy = 2,
    kBonusAttention = 3,
    kBonusReaction = 4,
};

class CGame {
public:
    static constexpr int kParticleManagers = 6;
    static constexpr int kQuadLayers = 3;
    static constexpr int kSpriteLayers = 3;
    static constexpr int32_t kQuestLevels = 41;
    static constexpr float kMaxFrameTime = 0.5f;
    // Splash: each picture fades in, holds and fades out.
    static constexpr float kSplashFade = 1.0f;
    static constexpr float kSplashHold = 2.0f;
    // Message popup colours (ARGB) and letter height.
    static constexpr uint32_t kMsgGold = 0xFFFFD24Au;
    static constexpr uint32_t kMsgRed = 0xFFFF3C28u;
    static constexpr uint32_t kMsgGreen = 0xFF6CFF5Au;
    static constexpr uint32_t kMsgOrange = 0xFFFF9A2Eu;
    static constexpr uint32_t kMsgSky = 0xFF8FD8FFu;
    static constexpr float kMsgScale = 54.0f;
    // The largest letters a message is asked for in ("TIME IS UP!").
    static constexpr float kMsgScaleLargest = 60.0f;

    // The renderer holds a created device. The window and the audio object are
    // not owned (the window outlives the game; a null audio object gives a
    // silent game).
    CGame(CSharedPtr<CRenderer> renderer, os::Window* window, CSharedPtr<snd::Audio> audio);
    ~CGame();
    CGame(const CGame&) = delete;
    CGame& operator=(const CGame&) = delete;

    // ---- Start-up (Game.cpp) ----
    // Options, shared buffers, string table, splash pictures. 1 on success; 0
    // when a shared buffer cannot be made (error list filled).
    int32_t PreInit();
    // Loads everything behind the loading screen. 1 on success; 0 with the
    // reason last in the error list, or when the player closed the window
    // during the loading (ClosedWhileLoading; nothing is left to save).
    int32_t Init();
    bool ClosedWhileLoading() const { return LoadingClosed; }
    // True when both splash pictures were loaded by PreInit.
    bool HasSplash() const;
    // Mode 0: the splash pictures run; Init follows when they end.
    void StartSplash();
    // A click during the splash: the splash ends at once.
    void SkipSplash();
    // Init, then (on success) StartFlow. Init's result.
    int32_t InitAndStartFlow();
    // -1 while Init has not run, 0 after a failed Init, 1 after a good one.
    int32_t GetInitResult() const { return InitResult; }
    // The last error-list entry, or "Unknown Error!".
    std::string LastError() const;
    // Restores the desktop gamma ramp once it was applied (any later call does
    // nothing). The program entry calls it on every exit path.
    void RestoreGamma();
    // Called when the window closes, before the loop ends: the awards waiting
    // to be shown, and the quest's main save (GamePlayerData.cpp).
    void SaveOnExit();

    // ---- The frame (Game.cpp) ----
    // One frame step of `ms` milliseconds: Update, then Render. The render
    // result (< 0: nothing was presented).
    int32_t Frame(uint32_t ms);
    // Steps 1-7: clocks, music, popups, backdrop, particles, layers, cursor,
    // then the current screen (RunScreen); during the splash only its fades
    // (and Init when they end).
    void Update(float dt);
    // Step 8: the splash or the scene, presented when the result is >= 0.
    int32_t Render();
    // The FPS figure of the main loop and its display (F5).
    void SetFps(float fps);
    void ToggleFpsDisplay();
    bool IsFpsShown() const { return FpsShown != 0; }
    // Back-buffer pixels to virtual-screen units.
    void PixelsToVirtual(int32_t px, int32_t py, float* x, float* y) const;
    // Reads the window's cursor into CursorPx/Py and CursorX/Y.
    void ReadCursor();
    // Sound and music paused while the window is minimised.
    void PauseAudio(bool paused);
    // The splash's fades; Init (and StartFlow) when the pictures are over.
    void UpdateSplash(float dt);
    // One Init step done: the loading screen with the next progress value.
    // False once the player has asked to close the window.
    bool LoadingStep();
    // An Init failure: the error-list entry and its log line ("<text>!\n"). 0.
    int32_t Fail(const std::string& text);
    // Fail after a picture would not load: the message, then the file and why.
    int32_t FailPicture(const std::string& text);
    // Init's steps in their order (Game.cpp); those that can fail give 1, or
    // 0 after Fail or FailPicture.
    int32_t LoadGameTextures();
    void CreateParticleManagers();
    // The quad, sprite and text layers, and the backdrop's own sprite layer.
    void CreateDrawLayers();
    void CreateBackgrounds();
    int32_t LoadFonts();
    int32_t CreateCaps();
    void CreateSoundBank();
    void StartMusic();
    // The play field with its frame and helpers, the player tables and the
    // start-up profile.
    void CreatePlayField();
    void CreateTerminators();
    int32_t CreateBonuses();
    // The sand box's textures, particles and layout.
    int32_t SetUpDune();
    int32_t CreateTotemPanel();
    // The frames-per-second figure (F5).
    void CreateFpsText();

    // ---- Backdrops (Game.cpp) ----
    // The stage's backdrop (1..4, 5 for any later stage) when another one is
    // shown: a new stage, or the first level after the menus.
    void ShowStageBackdrop(int32_t stage);
    // The main-menu backdrop's front branch bends aside under the cursor.
    void UpdateMenuHover();

    // ---- Flow (GameFlow.cpp) ----
    // After a good Init (at once, or when the splash ends): the first screen.
    void StartFlow();
    // The box telling that the older game's players are not copied yet.
    void TellOldPlayersNotCopied();
    // Step 7 of the frame: the current screen's work.
    void RunScreen(float dt);
    void StartNewQuest();
    // Level start of quest level n (caps mode, colours, level file, reset,
    // backdrop, HUD, timer, music) and the level intro.
    void StartLevel(int32_t level);
    void UpdateLevelIntro(float dt);
    void UpdatePlay(float dt);
    void UpdateLevelResult(float dt);
    void UpdateShopTransition(float dt);
    void UpdateLostLevel(float dt);
    // No life left: the message over the emptied level screen; its OK leads
    // to the menus and the high-score entry.
    void ShowGameOver();
    void CloseGameOver();
    // After the last level: the chest finale, then the closing page (the Win
    // form); its Continue ends the quest and leads to the menus and the
    // high-score entry.
    void StartGameEnd();
    void UpdateQuestEnd(float dt);
    void CloseGameEnd();
    void WinLevel();
    void LoseLevel();
    // Music state request (only on a change unless forced).
    void RequestMusic(int32_t state, bool force = false);
    // +1 Golden Star (the shop's and the HUD), its message standing that long.
    void AwardStar(float shown = 2.0f);

    // ---- The shop (GameShop.cpp) ----
    // Init step 19: the shop with its layout, textures and texts. 0 without
    // the screens or the field.
    int32_t CreateShop();
    // The Golden Stars held (the shop keeps them; the record follows).
    int32_t GoldenStars() const;
    void SetGoldenStars(int32_t stars);
    // A new quest: nothing bought, no star; the record follows.
    void StartQuestUpgrades();
    // Level start: the record's tiers and stars into the shop, the offers of
    // the level, the level's parameters and the totem panel's tiers.
    void ApplyQuestUpgrades();
    // The shop's tiers and stars into the record.
    void CaptureUpgrades(CQuestState& q) const;
    // Every star in flight lands (before any capture of the record).
    void CommitShopStars();
    // The shop after `level` (won, or restored from a copy), before the next:
    // the automatic copies are written once it has opened after a won level;
    // leaving it writes the main save and goes to the map of the next level.
    void OpenShop(int32_t level);
    void LeaveShop();
    // The shop closes without going on (back to the menus).
    void CloseShop();
    void UpdateShop(float dt);
    bool InShop() const;
    // A control of the shop page; 1 when it was the shop's.
    int32_t OnShopClick(int32_t id);

    // ---- Menus (GameMenus.cpp) ----
    // The main menu (with its backdrop and music) fades in.
    void ShowMainMenu();
    // The screens' frame and what the game does with its events.
    void UpdateScreens(float dt);
    void OnScreenEvent(const CUxEvent& event);
    // A click the screens handed on; 1 when the game is to close.
    int32_t OnMenuClick(int32_t id);
    // The player chosen on the screens becomes the current player.
    void SelectMenuProfile();
    // The options form from the main menu (0) or the in-level menu (1), and
    // its OK: volumes, switches and the video mode kept in the options.
    void OpenOptions(int32_t fromGameMenu);
    void ApplyOptions();
    // The sound bank and the music at the stored volumes (the sliders are
    // heard while they move).
    void HearStoredVolumes();
    // The in-level menu on Escape (the level stands still while it is open).
    void OpenGameMenu();
    void CloseGameMenu();
    // The level screen goes (board, totems, level forms).
    void LeaveLevelScreen();
    // The quest button: a new quest, a veteran asked for the hard mode first.
    void ChooseQuest();
    void BeginNewQuest(int32_t difficulty);
    // After a quest that entered the high-score table: the message, then the
    // table. 1 when it was offered.
    int32_t OfferHighScore();
    // A won quest level's results on their form (Continue goes on).
    void ShowLevelResults();
    // The quest map at the current level, with its story; the first level of
    // a stage is preceded by the last stage's newspaper page.
    void ShowQuestMap(int32_t beforeStep);

    // ---- The story and the map step (GameStory.cpp) ----
    // A new quest's story: its pages one by one (a click shows the next, Skip
    // or Escape ends it), then the map.
    void ShowStory();
    // A control of the story's page; 1 when it was the story's.
    int32_t OnStoryClick(int32_t id);
    void EndStory();
    // The story's page has faded out: its picture leaves video memory.
    void OnStoryFaded(const CUxEvent& event);
    // The map after a won level (ShowQuestMap with beforeStep): once it is
    // shown, the flag walks from the last level's marker to the next one's.
    // Finish: it stands there at once.
    void UpdateMapStep(float dt);
    void FinishMapStep();

    // ---- Play aids (GamePlayAids.cpp) ----
    // The frenzy gain for the field's count of frenzies filled this level.
    static float FrenzyGain(const CPlayField& field);
    // The field's sand box; null without a field, dune effect or box.
    CSandbox* FieldSandbox() const;
    // Level start: a fresh sand box with the sand and the frenzy progress the
    // last won level left (the field's SandLevel and SandTime).
    void StartLevelSandbox();
    // Level won: the sand and the frenzy progress kept for the next level.
    void KeepLevelSandbox();
    // In play: after HintDelay seconds without a swap, arrows on a possible
    // move.
    void UpdateIdleHint(float dt);
    // In play: once PanelDelay seconds of the level clock have passed without
    // a swap or a gem for the bar, the level panel says for PanelShowTime what
    // the level still asks. While the clock stands the field's timer waits.
    void UpdateLevelPanel(float dt, bool clockRuns);

    // ---- Field events and messages (GameEvents.cpp) ----
    // ReorderEvents, every event in turn, then the queue emptied.
    void DispatchFieldEvents();
    void HandleFieldEvent(const CFieldEvent& event);
    // A message popup centred on the board; the game-clock time it ends.
    float ShowMessage(const std::string& text, float duration = 1.5f);
    float ShowMessageId(int32_t textId, float duration = 1.5f);

    // ---- Tutorial (GameTutorial.cpp) ----
    // The quest's tips are on for the current player.
    bool TipsOn() const;
    // Tip `tip` (1..10) at `step` on the Tutorial form: its box, with an arrow
    // at what it is about, or the "swap these" pointer on a possible move.
    void ShowTip(int32_t tip, int32_t step);
    // The "swap these" pointer on the pair of `move`, its label beside it and
    // the box beyond them, clear of the pair, the label and the pointer.
    void PointAtSwap(const CMatchMove& move);
    // The player is done with the tip on screen (its OK, or the swap it
    // pointed at): the next page of the tip follows once the board has
    // settled, or the field is told and the tip is remembered. After tip 7 the
    // board reopens once it is idle.
    void CloseTip();
    // The tip leaves the screen unread (the level ended under it).
    void DropTip();
    // In play: a swap closes the pointer tip.
    void UpdateTutorial();
    // Level start: the first level with a totem bought asks for its tip.
    void OfferTotemTip();
    // The shop has opened: its tip on the first visit.
    void OfferShopTip();

    // ---- Bonus levels (GameChallenges.cpp) ----
    // textKey 1..8 ("Bonus Level %d"), group 1 or 2; the kind follows the
    // schedule (Accuracy, Memory, Attention, Reaction).
    void StartBonusLevel(int32_t textKey, int32_t group);
    void LaunchBonus(int32_t kind, int32_t textKey, int32_t group);
    // End of the bonus intro: the first round.
    void BeginBonusRounds();
    void UpdateBonusLevel(float dt);
    void OnBonusTimeout();
    void OnBonusGameFinished(const CFieldEvent& event);
    void OnBonusRoundOver(const CFieldEvent& event);
    void EndBonusLevel(int32_t won);

    // ---- Input (GameInput.cpp) ----
    // Pixel positions as the window reports them. A result of 1 closes the
    // window.
    int32_t OnLButtonDown(int32_t px, int32_t py);
    int32_t OnLButtonUp(int32_t px, int32_t py);
    int32_t OnRButtonDown(int32_t px, int32_t py);
    int32_t OnKeyDown(uint32_t vk);
    int32_t OnChar(uint32_t ch);
    // A left click on the board at virtual (x, y): select, swap or deselect.
    void ClickBoard(float x, float y);
    // While the left button is held with a selection: swap on entering an
    // orthogonal neighbour.
    void UpdateDrag();

    // ---- Player data (GamePlayerData.cpp) ----
    // Init: the high-score table and the two record tables with their
    // fallbacks.
    void LoadPlayerTables();
    // Init: the profile named in the options, else the first one; with none on
    // disk there is no current player until the first one is named.
    void ChooseStartupProfile();
    // Makes profile `index` of the list current (empty handle for -1).
    void MakeProfileCurrent(int32_t index);
    // "Players\<name>" of the current profile; empty when there is none.
    std::string ProfileFolder() const;
    // Saves the current profile's "\Settings.ini".
    void SaveProfileSettings();
    // The quest score into the high-score table (saved when it entered): 1
    // when it entered. HighScoreRow is the row, or -1.
    int32_t SubmitHighScore(int32_t score);
    // At a won level: the level's time and score against the records.
    void RecordLevelResults();
    // The level's play time in whole seconds, rounded down: what the records
    // keep and the results show.
    int32_t PlayedSeconds() const;
    // Fills the quest record from the game, the field and (when asked, in a
    // quest) the shop's values; the record's state word is left alone.
    void CaptureQuestState(int32_t takeShop);
    // The quest files of the current profile; `skip` (the non-quest flag)
    // leaves them alone.
    void DeleteQuestSaves(int32_t skip, int32_t alsoSecond);
    void RotateQuestAutoSaves(int32_t skip);
    // 1 when the second copy now stands as the first one too.
    int32_t RestoreQuestAutoSave(int32_t skip);
    // Life loss: the first (0) or second (1) copy into the record with the
    // lives and progress adjustments; 1 when a shop copy was loaded.
    int32_t LoadQuestAutoSave(int32_t second);
    // The main save, then the first copy, after a won level in the shop.
    void AutoSaveAfterLevel();
    // Continue: the main save, else the first copy, else the second; the
    // CQuestSlots slot that loaded into the record, or -1.
    int32_t LoadQuestToContinue();
    // "Save and quit" from the level menu: a running challenge stops, then as
    // SaveQuestIfActive(1). SaveQuestIfActive: the main save (flag 0: in the
    // shop, of the shop as it stands), the quest score into the high-score
    // table, then the quit sequence.
    void SaveQuest();
    void SaveQuestIfActive(int32_t flag);
    // In the shop of a quest: the record follows the shop, worth saving.
    void CaptureShopForSave();
    // Writes "\Quest.sav" when the level screen holds a record worth saving
    // that was not just resumed; 1 when written.
    int32_t WriteMainSave();
    // Every few seconds of play on an idle board the record follows the game.
    void UpdateQuestCapture(float dt);
    // The video mode into "Options.ini" section "Settings"; false when it
    // could not be written.
    bool SaveVideoOptions();
    // The record into the current player's main quest save; the player is
    // told when it cannot be written. 1 when written.
    int32_t WriteQuestRecord(const CQuestState& record);
    // `saved` passed on; when false, the player is told that `what` could not
    // be written to `gamePath`.
    bool NoteSaved(bool saved, ENotSaved what, const std::string& gamePath);

    // ---- Continuing a quest (GameContinue.cpp) ----
    // The quest button with a save on disk: the continue dialog (Continue
    // shown when a save loaded; a notice when the main save was damaged).
    // 0 when there is no save at all (a new quest follows).
    int32_t OfferContinue();
    // The new-quest path: a veteran is asked for the hard mode first.
    void AskNewQuest();
    // The loaded record resumed: in the shop before its next level, or in the
    // level intro with the saved board.
    void ResumeQuest();
    // A record taken in the shop (resumed, or restored after a lost life)
    // opens the shop again over the stage's backdrop as its won level left it.
    void ResumeInShop();
    // The record's level, lives, stars, tiers and counters into the game.
    void ApplyQuestRecord(const CQuestState& q);
    // After StartLevel: the record's board, clock, gems, sand, adviser and
    // totem request.
    void RestoreSavedPlay(const CQuestState& q);
    // The level intro of a resumed level ended: saving follows the game again.
    void EndResume();
    // A lost life: the automatic copy (the second one with no life left) into
    // the game, and kept as the main save; 1 when one was restored.
    int32_t RestoreAfterLoss();
    // Sub-state 15: the board drops out, then the menus.
    void StartQuitSequence();
    void UpdateQuitSequence();

    // ---- Quitting at any moment (GameQuit.cpp) ----
    // A quit once the last level is won (its results, its awards, the chest
    // finale or the closing page) ends the quest as the closing page's
    // Continue does; true when it did.
    bool EndWonQuestForQuit();
    // What every way out of the game settles before the main save: the
    // waiting awards are kept, the won quest ended (false: nothing is left
    // to save), the shop's stars and the level's outcome settled.
    bool SettleForQuit();
    // Before a quit's save: a won level not yet in its automatic copies is
    // written as its shop will keep it, a lost level's life is counted, and a
    // level intro with nothing worth saving saves the level from its start.
    void SettleQuestForQuit();
    // Sub-state 16, once the board has emptied: a life goes, then the game
    // goes back to an automatic copy, or starts the level again, or (no life
    // and no copy) the quest is over and its saves go. Whatever follows is on
    // disk at once. Nothing when the life was already counted.
    void CountLostLife();
    // The main save of the current level from its start (no board, the totals
    // the level began with, the lives held now).
    void SaveLevelFromStart();
    // The in-level menu can be opened on this screen.
    bool GameMenuOffered() const;

    // ---- Video mode (GameVideo.cpp) ----
    // The renderer's mode is full screen.
    bool IsFullScreen() const;
    // Full screen at the current size, or back to the window's size before;
    // false (and the mode unchanged) when the display refuses.
    bool SwitchFullScreen(bool fullScreen);
    // The pointer picture "Menu\Cursor.png" as the device's surface
    // "CursorSurface" (the renderer makes it the pointer at every reset); a
    // missing picture leaves the system's pointer. Then ApplyCursorChoice.
    void LoadCursor();
    // The game's pointer picture while the graphical-cursor option is set,
    // else the system's pointer.
    void ApplyCursorChoice();
    // ---- Trophies (GameTrophies.cpp) ----
    // Where the trophy screen was opened from (TrophiesFrom).
    enum : int32_t {
        kTrophiesClosed = 0,
        kTrophiesFromMenu = 1,
        kTrophiesFromLevelEnd = 2,
    };
    // "<folder>\Trophies.dat"; empty for an empty folder.
    static std::string TrophiesPath(const std::string& folder);
    // Init: the trophies with their settings, texts, layers and pictures, and
    // the current player's file.
    void CreateTrophies();
    // Another player became current: awards still waiting go to the previous
    // one's file, then the new player's trophies are read.
    void SwitchProfileTrophies(const std::string& previousFolder);
    // Awards earned but not yet (all) shown are committed and the trophies
    // written into the folder's "Trophies.dat" (none: only committed).
    // Nothing happens when no award waits.
    void KeepWaitingAwards(const std::string& folder);
    // The current player's "Trophies.dat" (nothing without a player).
    void SaveTrophies();
    // At a won level's results: the award rules of trophies 1 to 8; 1 when an
    // award was queued.
    int32_t CheckQuestTrophies();
    // During play: the score and frenzy trophies, and the chain trophy when
    // asked; 1 when an award was queued.
    int32_t CheckPlayTrophies(int32_t withChain);
    // Every frame: the award display; the file is saved once the last waiting
    // award has landed.
    void UpdateTrophies(float dt);
    void OpenTrophies(int32_t from);
    // The trophy screen's Close: waiting awards are committed and saved, and
    // the game goes back where it came from.
    void CloseTrophies();
    // At the end of a level: true while the trophy screen shows (it opens
    // when awards wait).
    bool HoldForTrophies();
    // Leaving the quest-completed screen: the quest trophy, and every award
    // still waiting, committed and saved with the player's settings.
    void AwardQuestTrophy();

    // ---- Screens (GameScreens.cpp) ----
    // Init: the screens object with its forms, drawn by the renderer. 1 on
    // success; 0 with "Unable to create forms" in the error list.
    int32_t CreateScreens();
    // Init, once the bonuses exist: the adviser's counter on the level
    // screen, the sound bank and the screens' textures.
    void AttachScreens();
    // The level screen's HUD follows the game: score, time dial, lives.
    void RefreshHud();
    // Shows the HUD with the level's figures set at once (level start).
    void ShowLevelHud(bool shown);
    // The card over the board (the level screen's panel): a title and a text.
    void ShowCard(const std::string& title, const std::string& text);
    void HideCard();
    // A message of the board, in its turn (the field's message lane), on a
    // plaque when asked. Returns the game-clock time the message will have
    // gone.
    float PopMessage(const std::string& text, float duration, uint32_t colour, float scale,
                     bool plaque = false);
    // A message on screen or waiting for its turn.
    bool MessagesPending() const;
    // Every popup of the board gone, the waiting messages too.
    void ClearPopups();
    // The text of the message on screen (none or one).
    std::vector<std::string> MessageTexts() const;
    // The form of a bonus level kind (Memory, Arcade, Thimbles, Blinker).
    CSharedPtr<CUxWindow> BonusForm(int32_t kind) const;

    // ---- Texture lookup ----
    // A game texture loaded by Init, by its registry name ("Spark", "Halo1");
    // empty when there is none.
    CSharedPtr<CTexture> GameTexture(const char* name) const;

    // ==== Members (the flow, the HUD and the tests read and write them) ====

    // ---- Engine ----
    CSharedPtr<CRenderer> Renderer;
    CSharedPtr<CRenderDevice> Device;
    os::Window* Window = nullptr;
    CSharedPtr<snd::Audio> Audio;
    CDataPaths Paths;
    std::string OptionsPath;  // "Data\Config\Options.ini"
    CGraphicsOptions Graphics;
    CSoundOptions Sound;
    CProfileOptions ProfileOptions;
    CSharedPtr<CVertexBuffer> SharedVertexBuffer;
    CSharedPtr<CIndexBuffer> SharedIndexBuffer;
    std::array<CSharedPtr<CParticleSystemsManager>, kParticleManagers> Particles;
    std::array<CSharedPtr<CQuadLayer>, kQuadLayers> QuadLayers;
    std::array<CSharedPtr<CSpriteLayer>, kSpriteLayers> SpriteLayers;
    CSharedPtr<CSpriteLayer> BackdropLayer;
    CSharedPtr<CTextLayer> TextLayer;
    // 0 the main font ("Font"), then the additional fonts in list order
    // ("Title", "Caption").
    // The main font first, then AdditionalFonts.lst's: the titles' face second.
    static constexpr size_t kTitleFontIndex = 1;
    std::vector<CSharedPtr<CBitmapFont>> Fonts;
    std::vector<CSharedPtr<CTexture>> Textures;  // the game's own textures
    CSharedPtr<CTexture> LoadingPicture;
    std::array<CSharedPtr<CTexture>, 2> SplashPictures;
    std::vector<std::string> Errors;
    int32_t GammaApplied = 0;
    int32_t InitResult = -1;
    int32_t LoadingSteps = 0;  // Init steps done (the loading bar)
    bool LoadingClosed = false; // a close request came during the loading
    // Set when the older game's players could not be copied at this start:
    // the box that tells the player, shown once the menus are up.
    std::string OldPlayersNotice;

    // ---- Parts ----
    CSharedPtr<CCapsManager> Caps;
    CSharedPtr<CSoundBank> SoundBank;
    CSharedPtr<CMusicPlayer> Music;
    CQuestFieldLayout Layout;
    CLevelParams Params;
    CFieldMotion Motion;
    CGameAux Aux;
    CSharedPtr<CPlayField> Field;
    CSharedPtr<CGemsBar> GemsBar;
    CSharedPtr<CCapSlot> CapSlot;
    CSharedPtr<CTerminatorManager> Terminators;
    CSharedPtr<CBonusManager> Bonuses;
    CSharedPtr<CBackgroundsManager> Backgrounds;
    CSharedPtr<CProfileSettings> Profile;  // the current player (empty: none)
    CSharedPtr<CProfileList> Profiles;     // the profiles on disk
    CScoreTable Scores;
    CSharedPtr<CLevelBestTable> BestScores;
    CSharedPtr<CLevelBestTable> BestTimes;
    int32_t HighScoreRow = -1;             // the row the last submission took
    int32_t NewTimeRecord = 0;
    int32_t NewScoreRecord = 0;
    int32_t LevelSecondsLeft = 0;          // at the last won level
    CSharedPtr<CScreensManager> Screens;
    CSharedPtr<CShopScreen> Shop;
    CSharedPtr<CTrophies> Trophies;
    int32_t TrophiesFrom = kTrophiesClosed;
    int32_t CardShown = 0;
    std::string CardTitle;

    // ---- Frame ----
    float GameClock = 0.0f;  // seconds of frames since construction
    float FrameDt = 0.0f;    // dt of the frame in progress
    uint64_t FrameCount = 0;
    float Fps = 0.0f;
    int32_t FpsShown = 0;
    CSharedPtr<CTextSprite> FpsText;
    int32_t CursorPx = 0, CursorPy = 0;
    float CursorX = 0.0f, CursorY = 0.0f;
    int32_t AudioPaused = 0;

    // ---- Splash ----
    int32_t SplashIndex = 0;      // picture shown (0, 1); 2 = over
    float SplashTime = 0.0f;      // seconds into the picture
    float SplashBrightness = 0.0f;

    // ---- State machine ----
    int32_t Mode = kModeSplash;
    int32_t SubState = kSubNone;
    float ModeTime = 0.0f;   // seconds since Mode or SubState changed
    int32_t IntroStep = 0;   // level intro: negative waits; sub-state 16: ELossStep
    int32_t MusicState = -1;

    // ---- Quest ----
    int32_t NonQuest = 0;
    os::Guid QuestId;
    CSharedPtr<CQuestState> Quest;  // made on first need, kept for the run
    int32_t Resumed = 0;            // the level was resumed from a save in play
    int32_t RestoredCopy = 0;       // the automatic copy restored last (0, 1)
    float CaptureClock = 0.0f;      // play time since the last capture
    int32_t Level = 1;        // current quest level 1..41
    int32_t Lives = 3;
    int32_t Difficulty = 0;   // 0 Normal, 1 Hard
    float TimeLeft = 0.0f;
    float TimeLimit = 0.0f;
    float WarningThreshold = 30.0f;
    int32_t LevelCompleted = 0;
    int32_t LevelCardDue = 0;    // a won level's card waits for the board's messages
    int32_t LossFlag = 0;
    float EndDelay = 0.0f;    // seconds left before the next step of a level end
    CProfileCounters LevelStartCounters;  // the counters at level start (restart)
    int32_t ReopenWhenIdle = 0;  // field busy after a rebuild or tip 7
    float MessageEndTime = 0.0f; // end of the last message popup (game clock)
    int32_t TipOpen = kTipNone;  // ETipState; while a tip is up the clock stops
    int32_t TipNumber = 0;       // the tip shown or pending, and its step
    int32_t TipStep = 0;
    float PanelTimer = 0.0f;     // seconds the level panel has still to stay
    float PanelMoveTimer = 0.0f; // the field's move timer as the clock last ran
    int32_t LevelGems = 0;       // gems to collect, as the level started
    float HintTimer = 0.0f;      // seconds the idle hint has still to stay
    // Seconds since the field reported something the player must see settle
    // (a combo, the sand box filling, time won, the level complete, a bonus
    // game's step); the board ignores clicks and drags for ActionInputLock.
    float ActionAge = 1e6f;
    bool BoardLocked() const;

    // ---- Bonus level ----
    int32_t BonusKind = kBonusNone;
    int32_t BonusTextKey = 0;
    int32_t BonusGroup = 1;
    int32_t BonusRound = 0;
    int32_t BonusWins = 0;
    int32_t BonusWon = 0;
    int32_t BonusesPlayed = 0;  // bonus levels of this quest so far
    int32_t BonusIntro = 0;     // 1 while the bonus intro shows
    float BonusTime = 0.0f;
    float BonusTimeLimit = 0.0f;
    int32_t BonusTimedOut = 0;

    // ---- Menus ----
    int32_t GameMenuOpen = 0; // the in-level menu is open
    int32_t OptionsFrom = 0;  // 1 when the options were opened from it
    uint32_t WindowedWidth = 0, WindowedHeight = 0; // the window before full screen
    int32_t ResultsShown = 0; // a level's results: 1 on their form, 2 read
    int32_t NewspaperShown = 0; // the stage's newspaper page came before this level's map
    int32_t LevelTimeBonus = 0;
    int32_t StoryOpen = 0;     // the story of a new quest is on screen
    int32_t MapStepping = 0;   // the map's flag is still to walk to Level
    float MapStepTimer = 0.0f; // seconds of the map step, once the map is in

    // ---- Input ----
    int32_t LeftDown = 0;
    int32_t DragColumn = -1, DragRow = -1;  // the cell the held button is over
};
