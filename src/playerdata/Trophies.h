#pragma once
// The player's trophies: nine of them, each earned in up to three levels.
// CTrophies keeps the current profile's levels, decides from the game's
// tallies when a trophy (or a higher level of it) is due, queues such awards
// and commits them: one by one through the award display on the trophy
// screen (a spiral fly-in, then a flash and a glow where the trophy lands,
// TrophyDisplay.cpp), or all at once when the screen closes. The levels live
// in "Trophies.dat" of the profile folder; the trophy screen's descriptions
// come from "Trophies.txt".
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/SharedPtr.h"

class CParticleSystem;
class CParticleSystemsManager;
class CQuadLayer;
class CScreensManager;
class CSoundBank;
class CSpriteLayer;
class CSpriteQuad;
class CTexture;
class CUxWindow;

class CTrophies {
public:
    static constexpr int32_t kCount = 9;
    // Descriptions in "Trophies.txt": one per level of every trophy.
    static constexpr int32_t kDescriptionCount = 24;
    static constexpr const char* kFileName = "Trophies.dat";
    static constexpr const char* kDescriptionsFile = "Trophies.txt";
    static constexpr const char* kSection = "Trophies";
    // The trophies, by what earns them.
    enum Trophy : int32_t {
        kQuestWon = 0,    // a finished quest (the difficulty)
        kUnbroken = 1,    // levels won in a row without a life lost
        kChain = 2,       // the longest chain of one move
        kScore = 3,       // the quest score
        kRank = 4,        // the quest's rank in the high-score table
        kLevelsDone = 5,  // levels won in the quest
        kFrenzies = 6,    // score frenzies in the quest
        kBonusLevels = 7, // bonus levels won
        kCloseShave = 8,  // whole seconds left at a won level
    };
    // The textures SetTextures takes, in order.
    enum Texture : int32_t { kTrail = 0, kFlash, kBackdrop, kGlow, kTextureCount };

    CTrophies();
    // Takes the backdrop sprite away.
    ~CTrophies();
    CTrophies(const CTrophies&) = delete;
    CTrophies& operator=(const CTrophies&) = delete;

    // The highest level trophy t can reach (2 for trophy 0, 1 for trophy 7,
    // else 3); 0 outside 0..8.
    static int32_t MaxLevel(int32_t trophy);

    // "Skin.cfg" section "Trophies": the display's timing and the scroll of
    // the trophy screen's background.
    void LoadSettings(const std::string& skinCfgPath);
    // 1 when all 24 descriptions were read. A missing file leaves empty texts
    // silently; a file that ends early is logged and keeps what it gave.
    int32_t LoadDescriptions(const std::string& path);
    void SetResources(CSharedPtr<CScreensManager> screens,
                      CSharedPtr<CParticleSystemsManager> particles, CSharedPtr<CQuadLayer> quads,
                      CSharedPtr<CSpriteLayer> awardSprites, CSharedPtr<CSpriteLayer> backdrop);
    void SetTextures(CSharedPtr<CTexture> trail, CSharedPtr<CTexture> flash,
                     CSharedPtr<CTexture> backdrop, CSharedPtr<CTexture> glow);
    void SetSoundBank(CSharedPtr<CSoundBank> bank) { SoundBank = bank; }

    // 1 when all nine levels were read; else the levels read before the fault
    // are kept, the rest are 0, and the fault is logged.
    int32_t Load(const std::string& path);
    // The committed levels, written whole or not at all; 1 when written.
    int32_t Save(const std::string& path) const;
    // Every level (committed and shown) back to 0.
    void Reset();

    // The level the tally `value` earns for `trophy`, 0 when none is due.
    int32_t CheckAward(int32_t trophy, int32_t value) const;
    // A later award for a trophy already waiting raises the waiting one.
    void QueueAward(int32_t trophy, int32_t level);
    // Ends a running display and commits every waiting award at once.
    void CommitPendingAwards();
    bool HasPending() const { return !Pending.empty(); }

    // The trophy screen shows each trophy as its shown level says.
    void RefreshWindows();
    // The description of (trophy, level) beside the pointer; level < 1 hides it.
    void ShowDescription(int32_t trophy, int32_t level, float mouseX, float mouseY);

    // ---- The award display (TrophyDisplay.cpp) ----
    // Once per frame: scrolls the screen's background, presents the first
    // waiting award while the trophy screen is up, and shows the description
    // under the pointer. 1 in the frame an award has landed, else 0.
    int32_t UpdatePopup(float dt, float mouseX, float mouseY);
    // A full-screen sprite behind the trophy screen, on (non-zero) or off.
    void SetBackdrop(int32_t on);

    CSharedPtr<CScreensManager> Screens;
    CSharedPtr<CParticleSystemsManager> Particles;
    CSharedPtr<CQuadLayer> Quads;
    CSharedPtr<CSpriteLayer> AwardSprites;
    CSharedPtr<CSpriteLayer> BackdropSprites;
    CSharedPtr<CSoundBank> SoundBank;
    std::array<CSharedPtr<CTexture>, kTextureCount> Textures;

    float PompaTime = 1.5f; // seconds of the fly-in
    float PostTime = 0.5f;  // seconds of the landing
    float BackgroundTSpeed[2] = {0.0625f, -0.038625f};
    float BackgroundTSize[2] = {1.0f, 0.75f};

    std::vector<int32_t> Levels = std::vector<int32_t>(kCount, 0);
    std::vector<int32_t> ShownLevels = std::vector<int32_t>(kCount, 0);
    std::vector<std::pair<int32_t, int32_t>> Pending; // (trophy, level), oldest first

    int32_t Phase = 0; // 0 fly-in (or idle), 1 landing
    float PhaseTime = 0.0f;
    CSharedPtr<CSpriteQuad> Popup;
    CSharedPtr<CParticleSystem> Trail;
    CSharedPtr<CSpriteQuad> Backdrop;
    std::vector<std::vector<std::string>> Descriptions;

private:
    // Window `level` (from 1) of the trophy's "levels" group; empty when the
    // form has none.
    CSharedPtr<CUxWindow> LevelWindow(int32_t trophy, int32_t level) const;
    // True while the trophy screen is shown and has finished fading in.
    bool FormReady() const;
    void ScrollBackground(float dt);
    // One frame of the first waiting award; true when it has finished.
    bool StepAward(float dt);
    void StartAward(const CUxWindow& target);
    void LandAward(const CUxWindow& target, int32_t trophy, int32_t level);
    // The flying picture and its trail go (the trail ends by itself).
    void DropPopup();
    void Hover(float mouseX, float mouseY);
};
