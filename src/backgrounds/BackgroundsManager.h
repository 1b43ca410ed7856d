#pragma once
// The six backdrops (five stages and the main menu) and the only way the game
// reaches them: it switches between them, loading the new one's pictures and
// releasing the old one's, forwards the frame and the stage count, and draws
// the current one as the renderer's first layer.
#include <cstdint>
#include <string>

#include "backgrounds/DoorBackground.h"
#include "backgrounds/JungleBackground.h"
#include "backgrounds/MainMenuBackground.h"
#include "backgrounds/MuseumBackground.h"
#include "backgrounds/TreasuryBackground.h"
#include "backgrounds/ValleyBackground.h"
#include "engine/RenderLayers.h"
#include "engine/SharedPtr.h"

class CRenderDevice;
class CVertexBuffer;
class CIndexBuffer;
class CSpriteLayer;
class CParticleSystemsManager;
class CQuadLayer;
class CTexture;
class CSoundBank;

class CBackgroundsManager : public IBackdropLayer {
public:
    enum Id : int32_t {
        kNone = 0,
        kMuseum = 1,
        kJungle = 2,
        kValley = 3,
        kDoor = 4,
        kTreasury = 5,
        kMainMenu = 6
    };
    static constexpr const char* kConfigFile = "Background.cfg";

    CBackgroundsManager();
    ~CBackgroundsManager() override;
    CBackgroundsManager(const CBackgroundsManager&) = delete;
    CBackgroundsManager& operator=(const CBackgroundsManager&) = delete;

    void AttachDevice(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vb,
                      CSharedPtr<CIndexBuffer> ib);
    // The backdrop sprite layer, the lowest particle manager and quad layer,
    // the textures "Flare", "JungleFlash", "SmallSand", "Cloud", "Spark",
    // "Halo1", and the late sprite layer drawn above the menu forms.
    void AttachShared(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CParticleSystemsManager> particles,
                      CSharedPtr<CQuadLayer> quads, CSharedPtr<CTexture> flare,
                      CSharedPtr<CTexture> flash, CSharedPtr<CTexture> smallSand,
                      CSharedPtr<CTexture> cloud, CSharedPtr<CTexture> spark,
                      CSharedPtr<CTexture> halo, CSharedPtr<CSpriteLayer> frontLayer);
    void LoadParams(const char* path);
    void Init(std::string gfxFolder);
    void SetSoundBank(CSharedPtr<CSoundBank> bank);
    void SetBackground(int32_t id);
    void SetStage(int32_t count, int32_t flag);
    void Update(float dt);
    // The current backdrop's result (0, or the error of a failed buffer lock).
    int32_t RenderCurrent();

    // IBackdropLayer
    bool IsEnabled() const override { return Enabled != 0; }
    int GetCurrentId() const override { return CurrentId; }
    void Render() override { RenderCurrent(); }

    int32_t GetStageResult() const { return StageResult; }
    CMainMenuBackground& MainMenu() { return MainMenuBackdrop; }
    CMuseumBackground& Museum() { return MuseumBackdrop; }
    CJungleBackground& Jungle() { return JungleBackdrop; }
    CValleyBackground& Valley() { return ValleyBackdrop; }
    CDoorBackground& Door() { return DoorBackdrop; }
    CTreasuryBackground& Treasury() { return TreasuryBackdrop; }

    int32_t Enabled = 0;

private:
    // Runs `f` on the backdrop of that id (1..6); false for any other id.
    template <class F> bool Visit(int32_t id, F&& f);

    std::string GfxFolder;
    CSharedPtr<CRenderDevice> Device;
    CSharedPtr<CVertexBuffer> VertexBuffer;
    CSharedPtr<CIndexBuffer> IndexBuffer;
    CSharedPtr<CSpriteLayer> Layer;
    CSharedPtr<CParticleSystemsManager> Particles;
    CSharedPtr<CQuadLayer> Quads;
    CSharedPtr<CTexture> FlareTexture, FlashTexture;
    CMuseumBackground MuseumBackdrop;
    CJungleBackground JungleBackdrop;
    CValleyBackground ValleyBackdrop;
    CDoorBackground DoorBackdrop;
    CTreasuryBackground TreasuryBackdrop;
    CMainMenuBackground MainMenuBackdrop;
    int32_t CurrentId = kNone;
    int32_t StageResult = 0;
};
