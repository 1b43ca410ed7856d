// The game object: construction, PreInit, Init behind the loading screen, the
// splash and the frame step. The quest flow, input, field events, bonus levels
// and menus live in GameFlow/GameInput/GameEvents/GameChallenges/GameMenus.cpp.
#include "app/Game.h"

#include "app/GameTextures.h"

#include <algorithm>
#include <cstdio>

#include "audio/MusicPlayer.h"
#include "audio/SoundBank.h"
#include "backgrounds/BackgroundsManager.h"
#include "bonuses/BonusManager.h"
#include "bonuses/BonusParametres.h"
#include "effects/DuneEffect.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/TerminatorManager.h"
#include "engine/BitmapFont.h"
#include "engine/FontList.h"
#include "engine/IndexBuffer.h"
#include "engine/ObjectLog.h"
#include "engine/PlayFieldStore.h"
#include "engine/QuadLayer.h"
#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "engine/SpriteLayer.h"
#include "engine/StringTable.h"
#include "engine/TextLayer.h"
#include "engine/TextPass.h"
#include "engine/TextSprite.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/image/Image.h"
#include "platform/os/GameFolders.h"
#include "platform/os/Path.h"
#include "platform/os/Window.h"
#include "platform/sound/Audio.h"
#include "playerdata/ProfileSettings.h"
#include "playfield/CapSlot.h"
#include "playfield/CapsManager.h"
#include "playfield/ComboStyles.h"
#include "playfield/GemsBar.h"
#include "screens/ScreensManager.h"
#include "ui/UxForm.h"
#include "screens/ShopScreen.h"

namespace {

// Shared buffers: dynamic and write-only in the default pool, at most 65536
// elements (16-bit indices reach no further).
constexpr uint32_t kSharedUsage = gpu::Usage::WriteOnly | gpu::Usage::Dynamic;
constexpr uint32_t kMaxSharedElements = 65536;

// Progress of the loading bar: from the first step's value up to the last.
constexpr float kFirstProgress = 0.025f;
constexpr float kLastProgress = 0.95f;
constexpr int32_t kLoadingSteps = 17;

// Particle environment of every manager: wide bounds and a far camera.
constexpr float kParticleBounds = 1000.0f;
constexpr float kParticleCameraZ = 10000.0f;


bool FileExists(const std::string& gamePath) {
    FILE* f = os::Open(gamePath, "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

// The file as named, else the same base name with another picture extension
// (the art may come in another format than the code first expected).
std::string FindPicture(const std::string& folder, const std::string& file) {
    if (FileExists(folder + file))
        return folder + file;
    const size_t dot = file.rfind('.');
    const std::string base = dot == std::string::npos ? file : file.substr(0, dot);
    for (const char* ext : kPictureExtensions) {
        const std::string candidate = folder + base + ext;
        if (FileExists(candidate))
            return candidate;
    }
    return folder + file;
}

// "Name" of "Name.ext".
std::string BaseName(const std::string& file) {
    const size_t dot = file.rfind('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}

// A picture of the graphics folder under its registry name; a picture that
// comes with an "_alpha." companion takes its alpha from it.
CSharedPtr<CTexture> LoadPicture(CRenderDevice& device, const std::string& folder,
                                 const std::string& file, const std::string& name) {
    const std::string path = FindPicture(folder, file);
    if (FileExists(CTexture::CompanionPath(path)))
        return device.LoadTextureWithAlpha(path, name, false, 0, gpu::Pool::Managed);
    return device.LoadTexture(path, name, 0, 0, gpu::Pool::Managed, gpu::Fmt::Unknown);
}

} // namespace

CGame::CGame(CSharedPtr<CRenderer> renderer, os::Window* window, CSharedPtr<snd::Audio> audio)
    : Renderer(renderer), Window(window), Audio(audio) {
    if (!Renderer.IsNull())
        Device = Renderer->GetDevice();
    OptionsPath = Paths.ConfigPath + "Options.ini";
    Motion.FallAcceleration = Paths.FallAcceleration;
    Motion.BounceFactor = Paths.BounceFactor;
    Motion.SwapTime = Paths.SwapTime;
}

CGame::~CGame() {
    RestoreGamma();
    // The parts go in an order that keeps every pointer valid: the forms'
    // texts and the field's board before the layers and managers they live in.
    if (!Renderer.IsNull())
        Renderer->SetFormsDrawer(CSharedPtr<IFormsDrawer>());
    Shop = CSharedPtr<CShopScreen>();
    Screens = CSharedPtr<CScreensManager>();
    FpsText = CSharedPtr<CTextSprite>();
    if (!Field.IsNull()) {
        Field->Tutorial = nullptr;
        Field->Popups.Clear();
        Field->ClearBonusGames();
    }
    Field = CSharedPtr<CPlayField>();
    Terminators = CSharedPtr<CTerminatorManager>();
    Bonuses = CSharedPtr<CBonusManager>();
    CapSlot = CSharedPtr<CCapSlot>();
    GemsBar = CSharedPtr<CGemsBar>();
    Backgrounds = CSharedPtr<CBackgroundsManager>();
    if (!Renderer.IsNull()) {
        // Everything handed to the renderer leaves with the game; the renderer
        // keeps only its device and shared buffers.
        for (int i = 0; i < kParticleManagers; ++i)
            Renderer->SetParticleLayer(i, CSharedPtr<IParticleLayer>());
        for (int i = 0; i < kQuadLayers; ++i)
            Renderer->SetQuadLayer(i, CSharedPtr<CQuadLayer>());
        for (int i = 0; i < kSpriteLayers; ++i)
            Renderer->SetSpriteLayer(i, CSharedPtr<CSpriteLayer>());
        Renderer->SetTextLayer(CSharedPtr<CTextLayer>());
        Renderer->SetCapsLayer(CSharedPtr<ICapsLayer>());
        Renderer->SetBoardFrame(CSharedPtr<CPlayFieldStore>());
        Renderer->SetBackdrop(CSharedPtr<IBackdropLayer>());
        Renderer->SetDune(CSharedPtr<IDuneLayer>());
    }
    if (!SoundBank.IsNull())
        SoundBank->SetMusicPlayer(CSharedPtr<CMusicPlayer>());
    Music = CSharedPtr<CMusicPlayer>();
    SoundBank = CSharedPtr<CSoundBank>();
}

// ---------------------------------------------------------------------------
// PreInit

int32_t CGame::PreInit() {
    if (Renderer.IsNull() || Device.IsNull() || !Device->GetDevice())
        return Fail("Unable to create shared buffers");

    // Players an older game kept in its own folder carry on from the user's.
    const os::OldFilesCopy copy =
        os::CopyOldGameFiles({Paths.PlayersPath, OptionsPath, Paths.GameDataPath});
    const std::string fromTo = " the players' files from " + os::DataFolder() + " to " +
                               os::UserFolder();
    if (copy.outcome == os::OldFilesCopy::Outcome::Copied)
        LogObject("Copied" + fromTo + "\n");
    else if (copy.outcome == os::OldFilesCopy::Outcome::Failed)
        LogObject("Unable to copy" + fromTo + ": " + copy.problem +
                  "; the copy is made again on the next start\n");
    // The string table is not read yet: the notice is worded in StartFlow.
    OldPlayersNotice = copy.outcome == os::OldFilesCopy::Outcome::Failed
                           ? copy.folder + "\n" + copy.file
                           : std::string();
    // The string table first: the default player name comes from it.
    LoadStringTable(Paths.TxtPath + "Strings.txt", Paths.DataPath + "TextID.dat");
    Graphics.Load(OptionsPath);
    Sound.Load(OptionsPath);
    ProfileOptions.Load(OptionsPath, GetString(22));
    // The game's own picture in taskbars and window switchers; without it the
    // desktop shows a generic one, which is no reason to stop.
    img::Image icon;
    if (Window && img::DecodeFile(os::ResolveReadPath(Paths.GfxPath + "Icon.png"), icon) ==
                      img::DecodeError::None)
        Window->SetIcon(icon.rgba.data(), icon.width, icon.height);

    const uint32_t vertices = std::min(Device->GetMaxVertexIndex() + 1u, kMaxSharedElements);
    const uint32_t indices = std::min(Device->GetMaxPrimitiveCount() + 1u, kMaxSharedElements);
    CSharedPtr<CVertexBuffer> vb(new CVertexBuffer());
    if (gpu::Failed(vb->Create(Device->GetDevice(), vertices, sizeof(gpu::Vertex), kSharedUsage,
                               gpu::kFvfGame, gpu::Pool::Default)))
        return Fail("Unable to create shared vertex buffer");
    Device->RegisterVertexBuffer(vb);
    CSharedPtr<CIndexBuffer> ib(new CIndexBuffer());
    if (gpu::Failed(ib->Create(Device->GetDevice(), indices, gpu::Fmt::Index16, kSharedUsage,
                               gpu::Pool::Default)))
        return Fail("Unable to create shared index buffer");
    Device->RegisterIndexBuffer(ib);
    SharedVertexBuffer = vb;
    SharedIndexBuffer = ib;
    Renderer->SetSharedBuffers(vb, ib);

    for (int i = 0; i < 2; ++i) {
        const std::string file = "splash" + std::to_string(i + 1) + ".jpg";
        SplashPictures[static_cast<size_t>(i)] = Device->LoadTexture(
            "fsdata\\" + file, file, 1, 0, gpu::Pool::Managed, gpu::Fmt::Unknown);
    }
    return 1;
}

int32_t CGame::Fail(const std::string& text) {
    Errors.push_back(text);
    LogObject(text + "!\n");
    return 0;
}

int32_t CGame::FailPicture(const std::string& text) {
    Fail(text);
    LogPictureFailure();
    return 0;
}

std::string CGame::LastError() const {
    return Errors.empty() ? std::string("Unknown Error!") : Errors.back();
}

CSharedPtr<CTexture> CGame::GameTexture(const char* name) const {
    if (Device.IsNull() || !name)
        return CSharedPtr<CTexture>();
    return Device->GetTexture(name);
}

// ---------------------------------------------------------------------------
// Init

bool CGame::LoadingStep() {
    ++LoadingSteps;
    if (LoadingPicture.IsNull() || Renderer.IsNull())
        return !LoadingClosed;
    const float t = static_cast<float>(std::min(LoadingSteps, kLoadingSteps) - 1) /
                    static_cast<float>(kLoadingSteps - 1);
    const float progress = kFirstProgress + (kLastProgress - kFirstProgress) * t;
    if (Renderer->RenderLoadingScreen(LoadingPicture, progress) >= 0)
        Renderer->Present();
    // Keep the window answering while the loading runs. Nothing can act on
    // the messages yet but a close, which ends the loading at the next step.
    if (Window) {
        os::Message m;
        int n = 0;
        while (n++ < 64 && Window->PollMessage(&m))
            LoadingClosed = LoadingClosed || m.kind == os::MessageKind::Close;
    }
    return !LoadingClosed;
}

int32_t CGame::Init() {
    InitResult = 0;
    if (Renderer.IsNull() || Device.IsNull() || SharedVertexBuffer.IsNull() ||
        SharedIndexBuffer.IsNull())
        return Fail("Unable to initialise the game");
    CRenderDevice& device = *Device;
    const std::string gfx = Paths.GfxPath;

    // 1. Gamma.
    Renderer->SaveGammaRamp();
    Renderer->ApplyGammaRamp(Graphics.Gamma);
    GammaApplied = 1;

    // 2. The loading picture; from here on every step shows the progress.
    LoadingPicture = device.LoadTexture(FindPicture(gfx, "Loading.jpg"), "Loading", 1, 0,
                                        gpu::Pool::Managed, gpu::Fmt::Unknown);
    if (LoadingPicture.IsNull())
        return FailPicture("Unable to load Loading Texture");
    if (!LoadingStep())
        return 0;

    // 3. The game's own textures.
    if (!LoadGameTextures() || !LoadingStep())
        return 0;

    // 4. Six particle managers into the renderer's particle layers.
    CreateParticleManagers();
    if (!LoadingStep())
        return 0;

    // 5. Quad, sprite and text layers, and the backdrop's own sprite layer.
    CreateDrawLayers();
    if (!LoadingStep())
        return 0;

    // 6. The backdrops: the renderer's first layer, feeding the lowest
    // particle manager and quad layer; the front branch of the menu's backdrop
    // lies in the late sprite layer, above the forms.
    CreateBackgrounds();
    if (!LoadingStep())
        return 0;

    // 7. Fonts.
    if (!LoadFonts() || !LoadingStep())
        return 0;

    // 8. Caps.
    if (!CreateCaps() || !LoadingStep())
        return 0;

    // 9. Sound bank. Sound never stops the game: failures are only logged.
    CreateSoundBank();
    if (!LoadingStep())
        return 0;

    // 10. Music: the main-menu state plays from the start.
    StartMusic();
    if (!LoadingStep())
        return 0;

    // 11. The play field, its frame and its helpers.
    CreatePlayField();
    if (!LoadingStep())
        return 0;

    // 12. Match terminators.
    CreateTerminators();
    if (!LoadingStep())
        return 0;

    // 13. Bonuses.
    if (!CreateBonuses() || !LoadingStep())
        return 0;

    // 14. The sand box.
    if (!SetUpDune() || !LoadingStep())
        return 0;

    // 16. The screens object: the menu textures and every form.
    if (!CreateScreens())
        return 0;
    if (!LoadingStep())
        return 0;

    // 17. The totem panel: its layout, the engine objects its figures draw
    // into, its pictures, the game's shared pictures, the effect scale and
    // the sound bank. The time bonus counts with the panel's clock digits.
    if (!CreateTotemPanel() || !LoadingStep())
        return 0;

    // 18. The adviser's counter on the level screen; the screens' sound and
    // pictures.
    AttachScreens();
    if (!LoadingStep())
        return 0;

    // 19. The shop between levels.
    CreateShop();
    if (!LoadingStep())
        return 0;
    // 20. The trophies: their display settings and texts, the layers and
    // pictures of the award display, and the current player's file (quick:
    // no step of the loading bar of its own).
    CreateTrophies();

    // 22. The profile options as they stand now.
    ProfileOptions.Save(OptionsPath);
    LoadCursor();

    // The frames-per-second figure (F5) and the level HUD.
    CreateFpsText();

    InitResult = 1;
    return 1;
}

int32_t CGame::LoadGameTextures() {
    CRenderDevice& device = *Device;
    const std::string& gfx = Paths.GfxPath;
    for (const NamedTexture& t : kGameTextures) {
        CSharedPtr<CTexture> texture = LoadPicture(device, gfx, t.file, t.name);
        if (texture.IsNull())
            return FailPicture(std::string("Unable to load ") + t.name + " Texture");
        Textures.push_back(texture);
    }
    return 1;
}

void CGame::CreateParticleManagers() {
    const CSharedPtr<CVertexBuffer>& vb = SharedVertexBuffer;
    const CSharedPtr<CIndexBuffer>& ib = SharedIndexBuffer;
    for (int i = 0; i < kParticleManagers; ++i) {
        CSharedPtr<CParticleSystemsManager> pm(new CParticleSystemsManager(Device, vb, ib));
        CParticleEnvironment& env = pm->Environment();
        env.BoundsMin = CVector3(-kParticleBounds, -kParticleBounds, -kParticleBounds);
        env.BoundsMax = CVector3(kParticleBounds, kParticleBounds, kParticleBounds);
        if (!env.Camera.IsNull())
            env.Camera->Position.Z = kParticleCameraZ;
        Particles[static_cast<size_t>(i)] = pm;
        Renderer->SetParticleLayer(i, pm);
    }
}

void CGame::CreateDrawLayers() {
    const CSharedPtr<CVertexBuffer>& vb = SharedVertexBuffer;
    const CSharedPtr<CIndexBuffer>& ib = SharedIndexBuffer;
    for (int i = 0; i < kQuadLayers; ++i) {
        QuadLayers[static_cast<size_t>(i)] = CSharedPtr<CQuadLayer>(new CQuadLayer(Device, vb, ib));
        Renderer->SetQuadLayer(i, QuadLayers[static_cast<size_t>(i)]);
    }
    for (int i = 0; i < kSpriteLayers; ++i) {
        SpriteLayers[static_cast<size_t>(i)] =
            CSharedPtr<CSpriteLayer>(new CSpriteLayer(Device, vb, ib));
        Renderer->SetSpriteLayer(i, SpriteLayers[static_cast<size_t>(i)]);
    }
    BackdropLayer = CSharedPtr<CSpriteLayer>(new CSpriteLayer(Device, vb, ib));
    TextLayer = CSharedPtr<CTextLayer>(new CTextLayer(Device, vb, ib));
    Renderer->SetTextLayer(TextLayer);
}

void CGame::CreateBackgrounds() {
    const std::string& gfx = Paths.GfxPath;
    const CSharedPtr<CVertexBuffer>& vb = SharedVertexBuffer;
    const CSharedPtr<CIndexBuffer>& ib = SharedIndexBuffer;
    Backgrounds = CSharedPtr<CBackgroundsManager>(new CBackgroundsManager());
    Renderer->SetBackdrop(Backgrounds);
    Backgrounds->AttachDevice(Device, vb, ib);
    Backgrounds->AttachShared(BackdropLayer, Particles[0], QuadLayers[0], GameTexture("Flare"),
                              GameTexture("JungleFlash"), GameTexture("SmallSand"),
                              GameTexture("Cloud"), GameTexture("Spark"), GameTexture("Halo1"),
                              SpriteLayers[kSpriteLayers - 1]);
    Backgrounds->LoadParams((Paths.ConfigPath + CBackgroundsManager::kConfigFile).c_str());
    Backgrounds->Init(gfx);
    Backgrounds->Enabled = 1;
    Backgrounds->SetBackground(CBackgroundsManager::kMainMenu);
}

int32_t CGame::LoadFonts() {
    CRenderDevice& device = *Device;
    CSharedPtr<CTexture> fontTexture =
        LoadFontTexture(device, Paths.FontsPath + "Font.tga", "___Font_Font");
    if (fontTexture.IsNull())
        return FailPicture("Unable to load Font Texture");
    CSharedPtr<CBitmapFont> font(new CBitmapFont(fontTexture));
    std::string fontFault;
    if (!font->LoadDescription(Paths.FontsPath + "Font.uxd", &fontFault)) {
        Fail("Unable to load Font.uxd");
        LogFileFault(Paths.FontsPath + "Font.uxd", 0, fontFault);
        return 0;
    }
    Fonts.push_back(font);
    LoadAdditionalFonts(device, Paths.FontsPath, Paths.FontsPath + "AdditionalFonts.lst", Fonts);
    return 1;
}

int32_t CGame::CreateCaps() {
    const std::string& gfx = Paths.GfxPath;
    const CSharedPtr<CVertexBuffer>& vb = SharedVertexBuffer;
    const CSharedPtr<CIndexBuffer>& ib = SharedIndexBuffer;
    Caps = CSharedPtr<CCapsManager>(new CCapsManager(Device, vb, ib));
    Renderer->SetCapsLayer(Caps);
    if (!Caps->LoadTextures(gfx))
        return Fail("Unable to load caps Textures");
    if (!Caps->LoadCapsAnimation(Paths.DataPath))
        return Fail("Unable to load caps Animation");
    return 1;
}

void CGame::CreateSoundBank() {
    SoundBank = CSharedPtr<CSoundBank>(new CSoundBank(Audio));
    if (SoundBank->InitDevice() == 0) {
        SoundBank->SetPanDistance(CSoundBank::kDefaultPanDistance / Sound.PanFactor);
        // The decoded sounds are a cache, kept apart from the player's files.
        const std::string& cache = os::CacheFolder();
        SoundBank->ConvertOggList(OptionsPath.c_str(), Paths.SfxPath,
                                  cache.empty() ? std::string() : cache + "/Sfx/");
        SoundBank->LoadVolumeConfig((Paths.SfxPath + "Vol.cfg").c_str());
        if (SoundBank->LoadSamples(Paths.SfxPath.c_str()) != 0) {
            SoundBank->Silence();
            LogObject("Sounds Loading Error!\n");
        } else {
            SoundBank->SetVolume(Sound.SoundOn ? Sound.SoundVolume : 0.0f);
        }
    } else {
        LogObject("Error loading Sfx!\n");
    }
}

void CGame::StartMusic() {
    Music = CSharedPtr<CMusicPlayer>(new CMusicPlayer(Audio, Paths.MusicPath.c_str()));
    Music->SetEnabled(Sound.MusicOn);
    Music->Start(kMusicMainMenu);
    Music->SetVolume(Sound.MusicVolume);
    SoundBank->SetMusicPlayer(Music);
    MusicState = kMusicMainMenu;
    Backgrounds->SetSoundBank(SoundBank);
}

void CGame::CreatePlayField() {
    const std::string skin = Paths.ConfigPath + "Skin.cfg";
    Layout.Load(skin);
    g_comboStyles.Load(Paths.ConfigPath + "Score.cfg");
    LoadPlayerTables();
    ChooseStartupProfile();
    Aux.FastExpTerm = ProfileOptions.FastExpTerm;
    Field = CSharedPtr<CPlayField>(new CPlayField(Caps, &Layout, &Motion, &Params, &Aux));
    GemsBar = CSharedPtr<CGemsBar>(new CGemsBar());
    GemsBar->LoadLayout(skin);
    GemsBar->SetDisplay(SpriteLayers[0], GameTexture("StarParticle"));
    CapSlot = CSharedPtr<CCapSlot>(new CCapSlot());
    CapSlot->SetDisplay(SpriteLayers[0], GameTexture("Halo1"));
    Field->GemsBar = GemsBar;
    Field->CapSlot = CapSlot;
    Field->ParticlesA = Particles[2];
    Field->ParticlesB = Particles[3];
    Field->Textures = {GameTexture("SmallSand"), GameTexture("Cloud"),
                       GameTexture("StarParticle")};
    Field->SoundBank = SoundBank;
    Field->Tutorial = Profile.Get();
    Field->Popups.SetDisplay(TextLayer, Fonts.front(), TextPass::kNormal,
                             Fonts.size() > kTitleFontIndex ? Fonts[kTitleFontIndex]
                                                            : Fonts.front());
    Field->Store->Textures.clear();
    Field->Store->Textures.push_back(GameTexture("FieldFrame"));
    Field->Store->Textures.push_back(GameTexture("FieldBack"));
    Renderer->SetBoardFrame(Field->Store);
    Renderer->SetDune(Field->Dune);
}

void CGame::CreateTerminators() {
    Terminators = CSharedPtr<CTerminatorManager>(
        new CTerminatorManager(Graphics.Effects, &Field->CapList, Particles[2], QuadLayers[1],
                               QuadLayers[2], SpriteLayers[0]));
    Terminators->SetTextures(GameTexture("Spark"), Caps->GetChainTexture(),
                             Caps->GetChainAlphaTexture(), GameTexture("Lightning"));
    Terminators->SetSoundBank(SoundBank);
    Field->Terminators = Terminators;
}

int32_t CGame::CreateBonuses() {
    CRenderDevice& device = *Device;
    const std::string& gfx = Paths.GfxPath;
    LoadBonusConfigs(Paths.ConfigPath + "Gems.cfg", Paths.ConfigPath + "Bonus.cfg");
    Bonuses = CSharedPtr<CBonusManager>(new CBonusManager());
    Bonuses->SetLayers(SpriteLayers[0], QuadLayers[1], Particles[2], SpriteLayers[1],
                       Particles[3], QuadLayers[2], SpriteLayers[2]);
    if (!Bonuses->LoadTextures(device, gfx))
        return Fail("Unable to load bonus Textures");
    Bonuses->SetTextures(GameTexture("StarParticle"), GameTexture("Halo1"), GameTexture("Ring"),
                         GameTexture("Spark"), GameTexture("Lightning"), GameTexture("Twirl"),
                         GameTexture("Twirl"), GameTexture("PanelGlass"));
    Bonuses->EffectFactor = Graphics.Effects;
    Field->Bonuses = Bonuses;
    return 1;
}

int32_t CGame::SetUpDune() {
    CRenderDevice& device = *Device;
    const std::string& gfx = Paths.GfxPath;
    std::array<CSharedPtr<CTexture>, 6> dune;
    for (size_t i = 0; i < dune.size(); ++i) {
        const NamedTexture& t = kDuneTextures[i];
        dune[i] = GameTexture(t.name);
        if (dune[i].IsNull()) {
            dune[i] = LoadPicture(device, gfx, t.file, t.name);
            if (dune[i].IsNull())
                return FailPicture(std::string("Unable to load ") + BaseName(t.file) + " Texture");
            Textures.push_back(dune[i]);
        }
    }
    Field->Dune->SetTextures(dune[0], dune[1], dune[2], dune[3], dune[4], dune[5]);
    Field->Dune->SetManager(Particles[1]);
    Field->Dune->SetParameters(Layout);
    return 1;
}

int32_t CGame::CreateTotemPanel() {
    CRenderDevice& device = *Device;
    const std::string& gfx = Paths.GfxPath;
    CTotemPanel& totems = Field->Totems;
    totems.LoadConfig(Paths.ConfigPath + "Totems.cfg");
    totems.AttachShared(Device, SpriteLayers[0], Particles[2], QuadLayers[1], &Params);
    totems.ShopLayer = SpriteLayers[2];
    totems.ShopParticles = Particles[kParticleManagers - 1];
    totems.ShopQuadLayer = QuadLayers[kQuadLayers - 1];
    if (!totems.LoadTextures(gfx)) {
        Errors.push_back("Error loading Totems Textures");
        LogObject("Error loading Totems Textures\n");
        return 0;
    }
    totems.SetSharedTextures(
        GameTexture("Halo1"), GameTexture("SpellFuzzy"), GameTexture("FireCloud"),
        GameTexture("StarParticle"), GameTexture("Twirl"), device.GetTexture("PanelGlass"),
        Bonuses->Textures[CBonusManager::kGemFlares], GameTexture("Lightning"),
        GameTexture("Spark"), GameTexture("Cloud"), Caps->GetChainTexture(),
        Caps->GetChainAlphaTexture(), device.GetTexture("ShopColor"),
        device.GetTexture("ShopMul"), device.GetTexture("ShopBW"));
    totems.EffectScale = Graphics.Effects;
    totems.SoundBank = SoundBank;
    Bonuses->Textures[CBonusManager::kTwirl2] = totems.TimeDigits;
    return 1;
}

void CGame::CreateFpsText() {
    FpsText = CSharedPtr<CTextSprite>(new CTextSprite(Fonts.front()));
    FpsText->PassTag = TextPass::kTop;
    FpsText->ScaleX = FpsText->ScaleY = 18.0f;
    FpsText->Position = CVector3(-504.0f, 380.0f, -40.0f);
    FpsText->Colour = 0xFFFFFF80u;
    FpsText->Visible = FpsShown;
    FpsText->SetText("FPS: 0.0");
    TextLayer->Add(FpsText);
}

int32_t CGame::InitAndStartFlow() {
    const int32_t ok = Init();
    if (ok) {
        // The loading and splash pictures are over; their texels go.
        LoadingPicture = CSharedPtr<CTexture>();
        SplashPictures = {};
        Mode = kModeAfterLoad;
        SubState = kSubNone;
        ModeTime = 0.0f;
        StartFlow();
    }
    return ok;
}

// ---------------------------------------------------------------------------
// Splash

bool CGame::HasSplash() const { return !SplashPictures[0].IsNull() && !SplashPictures[1].IsNull(); }

void CGame::StartSplash() {
    Mode = kModeSplash;
    SplashIndex = HasSplash() ? 0 : 2;
    SplashTime = 0.0f;
    SplashBrightness = 0.0f;
}

void CGame::SkipSplash() {
    if (Mode == kModeSplash)
        SplashIndex = 2;
}

void CGame::UpdateSplash(float dt) {
    const float perPicture = 2.0f * kSplashFade + kSplashHold;
    if (SplashIndex < 2) {
        SplashTime += dt;
        if (SplashTime >= perPicture) {
            ++SplashIndex;
            SplashTime = 0.0f;
        }
    }
    if (SplashIndex >= 2) {
        SplashBrightness = 0.0f;
        if (InitResult < 0)
            InitAndStartFlow();
        return;
    }
    const float t = SplashTime;
    if (t < kSplashFade)
        SplashBrightness = t / kSplashFade;
    else if (t < kSplashFade + kSplashHold)
        SplashBrightness = 1.0f;
    else
        SplashBrightness = std::max(0.0f, (perPicture - t) / kSplashFade);
}

// ---------------------------------------------------------------------------
// The frame

int32_t CGame::Frame(uint32_t ms) {
    Update(std::min(static_cast<float>(ms) / 1000.0f, kMaxFrameTime));
    return Render();
}

void CGame::Update(float dt) {
    if (!(dt >= 0.0f))
        dt = 0.0f;
    dt = std::min(dt, kMaxFrameTime);
    FrameDt = dt;
    GameClock += dt;
    ActionAge += dt;
    ++FrameCount;
    if (Mode == kModeSplash && InitResult < 0) {
        UpdateSplash(dt);
        return;
    }
    if (InitResult != 1)
        return;

    // Music and the floating popups.
    Music->Update(dt);
    Field->Popups.Update(dt);
    // The backdrop, the particles, the sprites and the texts.
    Backgrounds->Update(dt);
    for (auto& pm : Particles)
        pm->Update(dt);
    for (auto& layer : QuadLayers)
        layer->Update(dt);
    for (auto& layer : SpriteLayers)
        layer->Update(dt, 0);
    TextLayer->Update(dt);
    // Where the pointer is, then the current screen.
    ReadCursor();
    UpdateMenuHover();
    UpdateTrophies(dt);
    UpdateScreens(dt);
    RunScreen(dt);
}

int32_t CGame::Render() {
    if (Renderer.IsNull())
        return gpu::kErrInvalidCall;
    int32_t r;
    if (Mode == kModeSplash && InitResult < 0) {
        if (SplashIndex >= 2 || !HasSplash())
            return 0;
        r = Renderer->RenderSplash(SplashPictures[static_cast<size_t>(SplashIndex)],
                                   SplashBrightness);
    } else if (InitResult == 1) {
        r = Renderer->RenderScene();
    } else {
        return 0;
    }
    if (r >= 0)
        Renderer->Present();
    return r;
}

void CGame::SetFps(float fps) {
    Fps = fps;
    if (FpsText.IsNull())
        return;
    char text[32];
    std::snprintf(text, sizeof text, "FPS: %.1f", static_cast<double>(fps));
    FpsText->SetText(text);
}

void CGame::ToggleFpsDisplay() {
    FpsShown = FpsShown ? 0 : 1;
    if (!FpsText.IsNull())
        FpsText->Visible = FpsShown;
}

void CGame::PixelsToVirtual(int32_t px, int32_t py, float* x, float* y) const {
    const float w = Renderer.IsNull() ? 1024.0f : static_cast<float>(Renderer->GetWidth());
    const float h = Renderer.IsNull() ? 768.0f : static_cast<float>(Renderer->GetHeight());
    const float scale = h > 0.0f ? CRenderer::kVirtualHeight / h : 1.0f;
    if (x)
        *x = (static_cast<float>(px) - 0.5f * w) * scale;
    if (y)
        *y = (0.5f * h - static_cast<float>(py)) * scale;
}

void CGame::ReadCursor() {
    if (Window)
        Window->GetCursorPos(&CursorPx, &CursorPy);
    PixelsToVirtual(CursorPx, CursorPy, &CursorX, &CursorY);
}

void CGame::PauseAudio(bool paused) {
    if (paused == (AudioPaused != 0))
        return;
    AudioPaused = paused ? 1 : 0;
    if (Music.IsNull())
        return;
    if (paused)
        Music->Pause();
    else
        Music->Resume();
}

void CGame::RestoreGamma() {
    if (!GammaApplied || Renderer.IsNull())
        return;
    GammaApplied = 0;
    Renderer->RestoreGammaRamp();
}

// ---------------------------------------------------------------------------
// Backdrops

void CGame::ShowStageBackdrop(int32_t stage) {
    if (Backgrounds.IsNull())
        return;
    const int32_t id = std::clamp(stage, static_cast<int32_t>(CBackgroundsManager::kMuseum),
                                  static_cast<int32_t>(CBackgroundsManager::kTreasury));
    Backgrounds->SetBackground(id);
}

void CGame::UpdateMenuHover() {
    if (Backgrounds.IsNull() || Mode != kModeMenu)
        return;
    CMainMenuBackground& menu = Backgrounds->MainMenu();
    menu.Hover = menu.InShiftZone(CursorX, CursorY) ? 1 : 0;
    // The branch reaches just to the main menu's frame; every other menu form
    // is wider and would lose its left edge under it.
    bool wideForm = false;
    if (!Screens.IsNull()) {
        const CScreensManager& s = *Screens;
        for (const CSharedPtr<CUxForm>* f :
             {&s.OptionsForm, &s.HelpForm, &s.ProfilesForm, &s.NewProfileForm, &s.HighScoresForm,
              &s.TrophiesForm, &s.StartQuestForm, &s.MsgBoxForm})
            wideForm = wideForm || (!f->IsNull() && (*f)->Visible);
    }
    menu.FrontShown = wideForm ? 0 : 1;
}
