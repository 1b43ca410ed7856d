// Construction, form loading with the binding of controls by interrupt code,
// the story pages and the window-group effects.
#include "screens/ScreensManager.h"

#include <algorithm>
#include <cstdio>

#include "engine/BitmapFont.h"
#include "engine/DataPaths.h"
#include "engine/ObjectLog.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/TextTokenizer.h"
#include "engine/Texture.h"
#include "platform/gpu/Gpu.h"
#include "platform/image/Image.h"
#include "platform/os/Path.h"
#include "playerdata/ProfileList.h"
#include "playfield/QuestFieldLayout.h"
#include "ui/UxForm.h"
#include "ui/UxFormFile.h"
#include "ui/UxFormsManager.h"

namespace {

constexpr int32_t kNoZOrder = 1 << 30;
constexpr size_t kEventsReserved = 32;
constexpr size_t kFadesReserved = 16;
constexpr size_t kEffectsReserved = 16;
constexpr int32_t kMaxMipLevels = 2;
constexpr size_t kStoryLineBytes = 4095;

// Logos stand at the bottom-right corner of the 1024 x 768 design screen.
constexpr float kLogoRight = 1008.0f;
constexpr float kLogoBottom = 752.0f;
constexpr const char* kLogoA = "fsdata\\logo_a.png";
constexpr const char* kLogoNA = "fsdata\\logo_na.png";

// Textures whose owners fill them later: only registered at load.
constexpr const char* kReleasedAfterLoad[] = {
    "ShopFrame",  "ShopColor",  "ShopMul",    "ShopBW", "MapDiff3", "MapDiff4_1",
    "MapDiff4_2", "MapDiff5_1", "MapDiff5_2", "Intro",  "Trophies"};

// The alpha formats tried in order for the list's 'a' entries.
const std::vector<uint32_t> kAlphaFormats = {gpu::Fmt::A1R5G5B5, gpu::Fmt::A4L4,
                                             gpu::Fmt::A8R3G3B2, gpu::Fmt::A4R4G4B4,
                                             gpu::Fmt::A8L8,     gpu::Fmt::A8R8G8B8};

// Dial quarters: the corners of each quarter square in the quad's unit
// square, top-left first, clockwise.
constexpr float kQuarterCorners[4][8] = {{-0.5f, 0.5f, 0.0f, 0.5f, 0.0f, 0.0f, -0.5f, 0.0f},
                                         {-0.5f, 0.0f, 0.0f, 0.0f, 0.0f, -0.5f, -0.5f, -0.5f},
                                         {0.0f, 0.0f, 0.5f, 0.0f, 0.5f, -0.5f, 0.0f, -0.5f},
                                         {0.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f}};
// The shop's hands turn about these fractions of their pictures.
constexpr float kShopHandPivotX = 0.37037036f;
constexpr float kShopHandPivotY = 0.03125f;

CScreenPoint OffsetOf(const CUxWindow& w) {
    return {w.Offset.X, w.Offset.Y};
}

bool IsSame(const CWindowList& a, const CWindowList& b) {
    const bool emptyA = a.empty() || a.front().IsNull();
    const bool emptyB = b.empty() || b.front().IsNull();
    if (emptyA || emptyB)
        return emptyA && emptyB;
    return a.front() == b.front();
}

bool HasPicture(const CSharedPtr<CUxWindow>& w) {
    return !w.IsNull() && !w->Pictures.empty();
}

bool AllHavePictures(const CWindowList& list, size_t n) {
    if (list.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (!HasPicture(list[i]))
            return false;
    return true;
}

} // namespace

struct CScreensManager::FormSpec {
    int32_t Number;
    const char* Name;
    int32_t ZOrder;
};

namespace {
// The tips' depth: nearer than anything a page draws of its own (the shop's
// stars lie the skin's StarsZShift, 30 units, before its form).
constexpr float kTipDepth = -40.0f;
// Loading order, names and the z-order each form takes.
constexpr struct {
    int32_t Number;
    const char* Name;
    int32_t ZOrder;
} kForms[] = {{CScreensManager::kMainMenu, "MainMenu", kNoZOrder},
              {CScreensManager::kQuest, "Quest", -30},
              {CScreensManager::kStatistics, "Statistics", -30},
              {CScreensManager::kBackground, "Background", 0},
              {CScreensManager::kShop, "Shop", 0},
              {CScreensManager::kMap, "Map", -10},
              {CScreensManager::kNewLevel, "NewLevel", -50},
              {CScreensManager::kGameMenu, "GameMenu", -150},
              {CScreensManager::kMemory, "Memory", -60},
              {CScreensManager::kArcade, "Arcade", -60},
              {CScreensManager::kThimbles, "Thimbles", -60},
              {CScreensManager::kBlinker, "Blinker", -60},
              {CScreensManager::kSplash, "Splash", -300},
              {CScreensManager::kProfiles, "Profiles", -10},
              {CScreensManager::kNewProfile, "NewProfile", -20},
              {CScreensManager::kMsgBox, "MsgBox", -550},
              {CScreensManager::kStartQuest, "StartQuest", -10},
              {CScreensManager::kTutorial, "Tutorial", -50},
              {CScreensManager::kWin, "Win", -25},
              {CScreensManager::kOptions, "Options", -170},
              {CScreensManager::kHighScores, "HighScores", -10},
              {CScreensManager::kNewspaper, "Newspaper", -25},
              {CScreensManager::kIntro, "Intro", -25},
              {CScreensManager::kTrophies, "Trophies", -300},
              {CScreensManager::kHelp, "Help", -250},
              {CScreensManager::kWinBox, "WinBox", -650}};
} // namespace

CScreensManager::CScreensManager(CSharedPtr<CRenderDevice> device,
                                 CSharedPtr<CVertexBuffer> vertexBuffer,
                                 CSharedPtr<CIndexBuffer> indexBuffer,
                                 CSharedPtr<CTextLayer> textLayer,
                                 const std::vector<CSharedPtr<CBitmapFont>>& fontList)
    : Device(device), VertexBuffer(vertexBuffer), IndexBuffer(indexBuffer), TextLayer(textLayer),
      Fonts(fontList) {
    if (!Fonts.empty() && !Fonts.front().IsNull()) {
        DefaultFont = Fonts.front();
        DefaultFontHeight = static_cast<float>(DefaultFont->Header3);
    }
    FontHeights.reserve(Fonts.size());
    for (const CSharedPtr<CBitmapFont>& f : Fonts)
        FontHeights.push_back(f.IsNull() ? 0.0f : static_cast<float>(f->Header3));
    Events.reserve(kEventsReserved);
    Fades.reserve(kFadesReserved);
    WindowEffects.reserve(kEffectsReserved);
    ToggleSoundCue(0);
}

CScreensManager::~CScreensManager() = default;

bool CScreensManager::HasFormsManager() const {
    return !FormsManager.IsNull();
}

bool CScreensManager::BoxShown() const {
    return !FormsManager.IsNull() && FormsManager->BoxShown();
}

void CScreensManager::Draw(int passTag, int part) {
    if (!FormsManager.IsNull())
        FormsManager->Draw(passTag, part);
}

int32_t CScreensManager::LoadForms(CDataPaths* paths, CQuestFieldLayout* layout,
                                   CLevelParams* params) {
    DataPaths = paths;
    QuestLayout = layout;
    LevelParams = params;
    if (!LoadTextureList(paths->FormsPath + "Textures.lst"))
        return 0;
    FormsManager = CSharedPtr<CUxFormsManager>(new CUxFormsManager());
    float logoW = 0.0f, logoH = 0.0f;
    const bool logos = LoadLogos(logoW, logoH);
    for (const auto& f : kForms)
        if (!LoadForm({f.Number, f.Name, f.ZOrder}, logos, logoW, logoH))
            return 0;
    // Of the plaques the tip box and the level card come in, one shows.
    FitTipBox();
    FitLevelPanel();
    return 1;
}

int32_t CScreensManager::LoadTextureList(const std::string& path) {
    CTextTokenizer tokens;
    if (tokens.Open(path) != 0) {
        LogObject("Unable to open Textures.lst");
        return 0;
    }
    std::string entry[4];
    for (;;) {
        int n = 0;
        while (n < 4 && tokens.NextToken(entry[n]) > 0)
            ++n;
        if (n < 4)
            break; // a cut-short last entry is ignored
        for (std::string& s : entry) {
            if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
                s = s.substr(1, s.size() - 2);
            else if (!s.empty() && s.front() == '"')
                s.erase(0, 1);
        }
        const std::string file = DataPaths->GfxPath + entry[0];
        const std::string& name = entry[1];
        const bool alpha = entry[2].front() == 'a';
        CSharedPtr<CTexture> texture;
        if (entry[3].front() == 'p') {
            texture = Device->LoadTextureWithAlpha(file, name, alpha, 0, gpu::Pool::Managed);
        } else {
            const int32_t mips = std::clamp(std::atoi(entry[3].c_str()), 0, kMaxMipLevels);
            texture = alpha ? Device->LoadTextureAnyFormat(file, name, kAlphaFormats,
                                                           static_cast<uint32_t>(mips), 0,
                                                           gpu::Pool::Managed)
                            : Device->LoadTexture(file, name, static_cast<uint32_t>(mips), 0,
                                                  gpu::Pool::Managed, gpu::Fmt::Unknown);
        }
        if (texture.IsNull()) {
            LogObject("Unable to load texture");
            LogObject(name);
            LogFileFault(path, tokens.LineNumber(),
                         "the picture " + QuoteToken(file) + " cannot be loaded");
            return 0;
        }
        for (const char* released : kReleasedAfterLoad)
            if (name == released)
                texture->ReleaseTexture();
    }
    return 1;
}

bool CScreensManager::LoadLogos(float& width, float& height) {
    img::Image a, na;
    if (img::DecodeFile(os::ResolveReadPath(kLogoA), a) != img::DecodeError::None ||
        img::DecodeFile(os::ResolveReadPath(kLogoNA), na) != img::DecodeError::None)
        return false;
    width = static_cast<float>(a.width);
    height = static_cast<float>(a.height);
    LogoTextureA = Device->LoadTexture(kLogoA, kLogoA, 0, 0, gpu::Pool::Managed, gpu::Fmt::Unknown);
    LogoTextureNA =
        Device->LoadTexture(kLogoNA, kLogoNA, 0, 0, gpu::Pool::Managed, gpu::Fmt::Unknown);
    // Both pictures decoded, but a texture that will not load keeps the
    // link hidden rather than showing an empty button.
    return !LogoTextureA.IsNull() && !LogoTextureNA.IsNull();
}

int32_t CScreensManager::LoadForm(const FormSpec& spec, bool logos, float logoW, float logoH) {
    const std::string name = spec.Name;
    const std::string loadMessage = "Error loading Form " + name + ": ";
    const std::string createMessage = "Error Creating Form " + name + ": ";
    auto fail = [&](const std::string& message, const CUxFormFile& file) {
        LogObject(message);
        LogObject(file.Message);
        LogObject("\n");
        if (!file.Detail.empty())
            LogObject(file.Detail + "\n");
        return 0;
    };
    CUxFormFile file(Device);
    if (!file.Load(DataPaths->FormsPath + name + ".uxf", CUxFormFile::kScreenLeft,
                   CUxFormFile::kScreenTop))
        return fail(loadMessage, file);
    if (spec.Number == kMainMenu && logos) {
        CUxFormDesc& d = file.Desc;
        for (const CSharedPtr<CUxElementDesc>& e : d.Elements) {
            if (e->InterruptCode < kCodeWebsite)
                continue;
            e->Size[0] = logoW;
            e->Size[1] = logoH;
            // The screen's bottom-right corner, whatever the menu's own place.
            e->Position[0] = kLogoRight - logoW - d.Position[0];
            e->Position[1] = kLogoBottom - logoH - d.Position[1];
            if (e->InterruptCode == kCodeLogoA)
                e->TextureName = kLogoA;
            else if (e->InterruptCode == kCodeLogoNA)
                e->TextureName = kLogoNA;
            e->Scale(d.DesignWidth, -d.ScaledSize[0] / 2.0f, d.ScaledSize[1] / 2.0f);
        }
    }
    CSharedPtr<CSpriteLayer> sprites(new CSpriteLayer(Device, VertexBuffer, IndexBuffer));
    if (!file.CreateForm(sprites, TextLayer, Fonts, spec.Number))
        return fail(createMessage, file);
    CSharedPtr<CUxForm> form = file.Form;
    CSharedPtr<CUxForm>* slots[kFormCount] = {
        &MainMenuForm,   &QuestForm,      &StatisticsForm, &BackgroundForm, &ShopForm,
        &MapForm,        &NewLevelForm,   &GameMenuForm,   &MemoryForm,     &ArcadeForm,
        &ThimblesForm,   &BlinkerForm,    &SplashForm,     &ProfilesForm,   &NewProfileForm,
        &MsgBoxForm,     &StartQuestForm, &TutorialForm,   &WinForm,        &OptionsForm,
        &HighScoresForm, &NewspaperForm,  &IntroForm,      &TrophiesForm,   &HelpForm,
        &WinBoxForm};
    *slots[spec.Number] = form;
    // The game's questions lie over everything under them, the shop's
    // pictures and stars too.
    form->Box = spec.Number == kMsgBox;
    FormsManager->AddForm(form);
    form->SetVisible(0);
    if (spec.Number == kMap && DataPaths)
        LoadStory((DataPaths->TxtPath + "Story.txt").c_str());
    if (spec.Number == kProfiles) {
        ProfileRows.clear();
        ProfileRows.reserve(kProfileRows);
    }
    const std::string controlMessage =
        spec.Number == kMainMenu ? "Error Creating Form Main Menu: " : createMessage;
    for (;;) {
        int32_t interrupted = 0;
        if (!file.CreateControls(&interrupted))
            return fail(controlMessage, file);
        if (!interrupted)
            break;
        Bind(spec.Number, file.InterruptCode, file.InterruptControl);
    }
    const std::string missing = MissingControls(spec.Number);
    if (!missing.empty()) {
        LogObject(loadMessage);
        LogObject(missing);
        LogObject("\n");
        LogFileFault(DataPaths->FormsPath + name + ".uxf", 0, "the screens need " + missing);
        return 0;
    }
    SetUpForm(spec.Number);
    if (spec.ZOrder != kNoZOrder) {
        // The forms manager keeps its forms sorted by z-order.
        FormsManager->RemoveForm(form);
        form->SetZOrder(spec.ZOrder);
        // Its depth follows the order too (a file's z is a tenth of its key):
        // a form opened over another must also pass the depth test where the
        // lower form's pictures and texts already lie, or they show through.
        // A tip stands in front of the sprites a page lays before its own
        // form too (the shop's stars and tier covers), or they show through.
        const float depth =
            spec.Number == kTutorial ? kTipDepth : static_cast<float>(spec.ZOrder) / 10.0f;
        form->SetOrigin(form->Offset.X, form->Offset.Y, depth, 0.0f, 0.0f, 0.0f);
        FormsManager->AddForm(form);
    }
    return 1;
}

void CScreensManager::Bind(int32_t form, int32_t code, const CSharedPtr<CUxWindow>& c) {
    auto inRange = [code](int32_t first, int32_t last) { return code >= first && code <= last; };
    auto group = [&c](std::vector<CWindowGroup>& groups, size_t k) {
        if (k < groups.size())
            groups[k].Windows.push_back(c);
    };
    switch (form) {
    case kMainMenu:
        if (code == 1)
            MainMenuControl1 = c;
        else if (code == 2)
            VersionLabel = c;
        else if (code == kCodeWebsite)
            WebsiteButton = c;
        else if (code == kCodeLogoA)
            LogoPictureA = c;
        else if (code == kCodeLogoNA)
            LogoPictureNA = c;
        break;
    case kQuest:
        switch (code) {
        case 1:
            QuestControl1 = c;
            break;
        case 2:
            QuestCheckControl = c;
            break;
        case 3:
            TimerDialQuads.push_back(c);
            break;
        case 4:
            TimerDialHands[0] = c;
            break;
        case 5:
            TimerDialHands[1] = c;
            break;
        case 6:
            CounterLabel = c;
            break;
        case 7:
            LivesLabel = c;
            break;
        case 8:
            QuestMarkers.push_back(c);
            break;
        case 9:
            QuestControl9 = c;
            break;
        case 15:
            LevelPanelWindows.push_back(c);
            break;
        case 105:
            LevelPanelFrames.push_back(c);
            if (LevelPanelFrame.IsNull())
                LevelPanelFrame = c;
            break;
        case 200:
            LifeIcons.push_back(c);
            break;
        case 201:
            HudWindows.push_back(c);
            break;
        case 202:
            LastLifeMarkers.push_back(c);
            break;
        case 203:
            HudControl203 = c;
            break;
        default:
            break;
        }
        break;
    case kStatistics:
        if (code == 0)
            StatisticsControl0 = c;
        else if (inRange(1, 13))
            StatisticsControls[static_cast<size_t>(code - 1)] = c;
        else if (inRange(100, 104))
            StatisticsList100.push_back(c);
        else if (inRange(200, 204))
            StatisticsList200.push_back(c);
        else if (inRange(300, 304))
            StatisticsList300.push_back(c);
        break;
    case kBackground:
        if (code == 1)
            BackgroundBlinkWindows.push_back(c);
        break;
    case kShop:
        if (code == 0)
            ShopBackground = c;
        else if (code == 1)
            ShopControl1 = c;
        else if (code == 2)
            ShopControl2 = c;
        else if (code == 3)
            ShopDialQuads.push_back(c);
        else if (code == 4)
            ShopDialHands.push_back(c);
        else if (code == 5)
            ShopControl5 = c;
        else if (code == 6)
            ShopControl6 = c;
        else if (code == 7)
            ShopControl7 = c;
        else if (code == 8)
            ShopStarCount = c;
        else if (inRange(20, 39))
            ShopItemList20.push_back(c);
        else if (inRange(40, 59))
            ShopItemList40.push_back(c);
        else if (inRange(60, 65))
            group(ShopGroups60, static_cast<size_t>(code - 60));
        else if (inRange(100, 104))
            group(ShopGroups100, static_cast<size_t>(code - 100));
        else if (inRange(200, 219))
            ShopItemList200.push_back(c);
        else if (inRange(220, 239))
            ShopItemList220.push_back(c);
        // Tinted windows remember the colour the form gave them.
        if (code == 3 || code == 4 || code == 400) {
            ShopTintWindowsA.push_back(c);
            ShopTintColoursA.push_back(c->Colour);
        } else if (code == 5 || code == 401) {
            ShopTintWindowsB.push_back(c);
            ShopTintColoursB.push_back(c->Colour);
        } else if (inRange(100, 104) || code == 402) {
            ShopTintWindowsC.push_back(c);
            ShopTintColoursC.push_back(c->Colour);
        }
        break;
    case kMap:
        if (code == 1)
            MapControl1 = c;
        else if (code == 10)
            MapControl10 = c;
        else if (inRange(2, 5))
            MapLists2[static_cast<size_t>(code - 2)].push_back(c);
        else if (inRange(11, 14))
            MapList11.push_back(c);
        else if (inRange(21, 24))
            MapList21.push_back(c);
        else if (code == 30)
            MapControl30 = c;
        else if (code == 31)
            MapControl31 = c;
        else if (code == 32)
            MapStoryBox = c;
        else if (inRange(100, 599))
            MapStageMarkers[static_cast<size_t>(code / 100 - 1)].push_back(c);
        break;
    case kNewLevel:
        if (code == 1)
            NewLevelCaption = c;
        break;
    case kMemory:
        if (code == 1)
            MemoryCaption = c;
        else if (code == 2)
            MemoryRoundCaption = c;
        break;
    case kArcade:
        if (code == 1)
            ArcadeCaption = c;
        break;
    case kThimbles:
        if (code == 1)
            ThimblesCaption = c;
        else if (code == 2)
            ThimblesRoundCaption = c;
        else if (code == 3)
            ThimblesControl3 = c;
        break;
    case kBlinker:
        if (code == 1)
            BlinkerCaption = c;
        else if (code == 2)
            BlinkerControl2 = c;
        else if (code == 3)
            BlinkerControl3 = c;
        else if (code == 4)
            BlinkerControl4 = c;
        break;
    case kSplash:
        if (code == 0) {
            SplashList0.push_back(c);
        } else if (code == 1000) {
            SplashList1000.push_back(c);
        } else if (inRange(1, 10)) {
            if (SplashGroups.size() < static_cast<size_t>(code))
                SplashGroups.resize(static_cast<size_t>(code));
            group(SplashGroups, static_cast<size_t>(code - 1));
        }
        break;
    case kProfiles:
        if (code == 1)
            ProfileRows.push_back(c);
        break;
    case kNewProfile:
        switch (code) {
        case 1:
            NewProfileControl1 = c;
            break;
        case 2:
            NewProfileControl2 = c;
            break;
        case 3:
            NewProfileControl3 = c;
            break;
        case 4:
            NewProfileControl4 = c;
            break;
        case 5:
            NewProfileControl5 = c;
            break;
        default:
            break;
        }
        break;
    case kMsgBox:
        if (code == 1)
            MsgBoxTitle = c;
        else if (code == 2)
            MsgBoxText = c;
        else if (inRange(100, 104))
            MsgBoxButtonSets[static_cast<size_t>(code - 100)].push_back(c);
        break;
    case kStartQuest:
        if (code == 1)
            StartQuestControl1 = c;
        break;
    case kTutorial:
        switch (code) {
        case 0:
            group(TutorialGroups, 0);
            break;
        case 100:
            group(TutorialGroups, 0);
            TutorialControl100 = c;
            break;
        case 1:
            group(TutorialGroups, 1);
            TutorialPoints1.push_back(OffsetOf(*c));
            if (c->Type == CUxWindow::kStaticWindow && HasPicture(c))
                TipPlaques.push_back(c);
            else if (c->Type == CUxWindow::kStaticWindow && TipTitle.IsNull())
                TipTitle = c;
            break;
        case 101:
            group(TutorialGroups, 1);
            TutorialControl101 = c;
            TutorialPoints1.push_back(OffsetOf(*c));
            break;
        case 200:
            group(TutorialGroups, 1);
            TutorialControl200 = c;
            break;
        case 201:
            group(TutorialGroups, 1);
            TutorialControl201 = c;
            break;
        case 2:
            group(TutorialGroups, 2);
            break;
        case 3:
            group(TutorialGroups, 3);
            break;
        case 4:
            group(TutorialGroups, 4);
            TutorialPoints4.push_back(OffsetOf(*c));
            break;
        case 5:
            group(TutorialGroups, 5);
            break;
        case 105:
            group(TutorialGroups, 5);
            TutorialControl105 = c;
            break;
        case 6:
            group(TutorialGroups, 6);
            TutorialPoints6.push_back(OffsetOf(*c));
            break;
        default:
            break;
        }
        break;
    case kWin:
        if (code == 1)
            WinBlinkWindows.push_back(c);
        break;
    case kOptions:
        switch (code) {
        case 1:
            SoundSlider = c;
            break;
        case 2:
            MusicSlider = c;
            break;
        case 3:
            OptionsControl3 = c;
            break;
        case 4:
            OptionsControl4 = c;
            break;
        case 5:
            OptionsControl5 = c;
            break;
        case 6:
            OptionsControl6 = c;
            break;
        default:
            break;
        }
        break;
    case kHighScores:
        if (code == 1)
            HighScoreRows.push_back(c);
        else if (code == 2)
            HighScoreNames.push_back(c);
        else if (code == 3)
            HighScoreScores.push_back(c);
        break;
    case kNewspaper:
        if (code == 100)
            NewspaperBlinkWindows.push_back(c);
        else if (inRange(1, 4))
            group(NewspaperGroups, static_cast<size_t>(code - 1));
        break;
    case kIntro:
        if (code == 1)
            IntroPages.push_back(c);
        break;
    case kTrophies:
        if (code == 0) {
            TrophiesControl0 = c;
        } else if (code == 1) {
            TrophyIcons.push_back(c);
            TrophyIconPositions.push_back(OffsetOf(*c));
            // The description opens over the trophies' names.
            if (!TrophiesForm.IsNull())
                TrophiesForm->DrawChildOverTexts(c);
        } else if (inRange(100, 108)) {
            group(TrophyGroups100, static_cast<size_t>(code - 100));
        } else if (inRange(200, 208)) {
            group(TrophyGroups200, static_cast<size_t>(code - 200));
        }
        break;
    case kHelp:
        if (inRange(1, 3))
            group(HelpGroups, static_cast<size_t>(code - 1));
        break;
    default:
        break;
    }
}

std::string CScreensManager::MissingControls(int32_t form) const {
    std::string missing;
    auto need = [&missing](bool ok, const char* what) {
        if (!ok)
            missing += missing.empty() ? what : std::string(", ") + what;
    };
    switch (form) {
    case kQuest:
        need(AllHavePictures(TimerDialQuads, kDialQuarters),
             "4 dial quarters (code 3) with a picture");
        need(HasPicture(TimerDialHands[0]) && HasPicture(TimerDialHands[1]),
             "the dial's hands (codes 4 and 5) with a picture");
        need(QuestMarkers.size() >= 2, "2 alarm markers (code 8)");
        need(LifeIcons.size() >= LastLifeMarkers.size(),
             "a life icon (code 200) for every last-life marker (code 202)");
        need(HasPicture(QuestControl9), "the map picture holder (code 9) with a picture");
        break;
    case kShop:
        need(AllHavePictures(ShopDialQuads, kDialQuarters),
             "4 dial quarters (code 3) with a picture");
        need(AllHavePictures(ShopDialHands, 2), "2 dial hands (code 4) with a picture");
        break;
    case kProfiles:
        need(ProfileRows.size() == kProfileRows, "6 profile rows (code 1)");
        break;
    case kHighScores:
        need(HighScoreRows.size() == kHighScoreRows && HighScoreNames.size() == kHighScoreRows &&
                 HighScoreScores.size() == kHighScoreRows,
             "10 rows, names and scores (codes 1, 2 and 3)");
        break;
    case kTutorial:
        need(!TutorialGroups[1].Windows.empty() && !TutorialGroups[4].Windows.empty() &&
                 !TutorialGroups[6].Windows.empty(),
             "tutorial groups 1, 4 and 6");
        break;
    case kOptions:
        need(!SoundSlider.IsNull() && !MusicSlider.IsNull(), "the volume sliders (codes 1 and 2)");
        break;
    case kTrophies:
        need(!TrophyGroups100[0].Windows.empty(), "trophy group 100");
        break;
    default:
        break;
    }
    return missing;
}

void CScreensManager::SetUpForm(int32_t form) {
    switch (form) {
    case kMainMenu: {
        SetWindowText(VersionLabel, kVersionText);
        const bool logos = !LogoTextureA.IsNull() && !LogoTextureNA.IsNull();
        for (const CSharedPtr<CUxWindow>& w : {WebsiteButton, LogoPictureNA})
            if (!w.IsNull())
                w->SetVisible(logos ? 1 : 0);
        if (!LogoPictureA.IsNull())
            LogoPictureA->SetVisible(0);
        break;
    }
    case kQuest: {
        SetUpDial(TimerDialQuads, true);
        const float* shadow = QuestLayout ? QuestLayout->ArrowShadowCenter : nullptr;
        const float* arrow = QuestLayout ? QuestLayout->ArrowCenter : nullptr;
        for (size_t i = 0; i < 2; ++i) {
            const float* centre = i == 0 ? shadow : arrow;
            CSpriteQuad& q = *TimerDialHands[i]->Pictures.front();
            if (centre && q.Width != 0.0f && q.Height != 0.0f) {
                q.PivotX = centre[0] / q.Width;
                q.PivotY = centre[1] / q.Height;
            }
        }
        if (!QuestCheckControl.IsNull()) {
            QuestCheckControl->SetEnabled(1);
            QuestCheckControl->SetVisible(0);
        }
        QuestControl9->SetVisible(0);
        // The map picture is shown in place: no depth test against the level.
        QuestControl9->Pictures.front()->DepthTest = 0;
        EasedCurrent = EasedTarget = 0.0f;
        for (const CSharedPtr<CUxWindow>& frame : LevelPanelFrames)
            frame->SetEnabled(1);
        if (!HudControl203.IsNull())
            HudControl203->SetEnabled(1);
        ShowLevelPanel(0, 0);
        ShowLevelHud(0);
        CounterValue = LivesShown = 0;
        break;
    }
    case kBackground:
        BackgroundBlinkTimer = 0.0f;
        break;
    case kShop:
        SetUpDial(ShopDialQuads, false);
        ShopDialHands[0]->Pictures.front()->PivotX = kShopHandPivotX;
        ShopDialHands[1]->Pictures.front()->PivotX = kShopHandPivotX;
        ShopDialHands[1]->Pictures.front()->PivotY = kShopHandPivotY;
        break;
    case kMap:
        for (const CWindowList& list : MapLists2)
            SetWindowsVisible(list, 0);
        for (const CWindowList& list : MapStageMarkers)
            SetWindowsVisible(list, 0);
        break;
    case kThimbles:
        if (!ThimblesControl3.IsNull())
            ThimblesControl3->SetVisible(0);
        break;
    case kProfiles:
        ProfileScroll = ProfileSelected = -1;
        if (DataPaths)
            ProfileList = CSharedPtr<CProfileList>(new CProfileList(DataPaths->PlayersPath));
        break;
    case kNewProfile:
        TypedProfileName.clear();
        break;
    case kMsgBox:
        MsgBoxPurpose = 0;
        break;
    case kTutorial:
        if (!TutorialControl105.IsNull())
            TutorialControl105->SetEnabled(1);
        TutorialAngle = TutorialX = TutorialY = 0.0f;
        break;
    case kWin:
    case kNewspaper:
        PageBlinkTimer = 0.0f;
        break;
    case kHighScores:
        HighScoreTableIndex = HighScoreState = 0;
        HighScoreNewRow = -1;
        break;
    case kIntro:
        IntroPage = 0;
        break;
    case kHelp:
        HelpPage = 1;
        break;
    default:
        break;
    }
}

void CScreensManager::SetUpDial(const CWindowList& quads, bool timer) {
    if (timer) {
        const CSpriteQuad& q = *quads.front()->Pictures.front();
        const size_t f = static_cast<size_t>(q.CurrentFrame) * 4;
        if (q.Frames.size() >= f + 4)
            DialFace = {q.Frames[f].U, q.Frames[f].V, q.Frames[f + 2].U, q.Frames[f + 2].V};
    }
    for (size_t k = 0; k < kDialQuarters; ++k) {
        CSpriteQuad& q = *quads[k]->Pictures.front();
        if (timer && QuestLayout)
            q.SetRotation(QuestLayout->GlobalAngle);
        CTexCoord corners[4];
        for (int i = 0; i < 4; ++i)
            corners[i] = {kQuarterCorners[k][2 * i], kQuarterCorners[k][2 * i + 1]};
        q.SetCorners(corners);
    }
}

int32_t CScreensManager::LoadStory(const char* path) {
    StoryPages.resize(StoryPages.size() + kStoryPages);
    const size_t first = StoryPages.size() - kStoryPages;
    FILE* f = os::Open(path, "rb");
    if (!f) {
        LogObject("Warning! Story loading error.\n");
        return 0;
    }
    std::vector<char> line(kStoryLineBytes);
    auto next = [&]() {
        if (!std::fgets(line.data(), static_cast<int>(line.size()), f))
            return false;
        // Texts keep their line ends; a Windows line end becomes '\n'.
        const size_t n = std::char_traits<char>::length(line.data());
        if (n >= 2 && line[n - 2] == '\r' && line[n - 1] == '\n') {
            line[n - 2] = '\n';
            line[n - 1] = '\0';
        }
        return true;
    };
    bool more = next(); // the header line
    for (size_t page = 0; more && page < static_cast<size_t>(kStoryPages); ++page) {
        while ((more = next()) && line[0] != '#')
            StoryPages[first + page] += line.data();
    }
    std::fclose(f);
    return 1;
}

void CScreensManager::AddWindowEffect(CWindowGroup& group, float speed) {
    for (CWindowGroup& e : WindowEffects) {
        if (!IsSame(e.Windows, group.Windows))
            continue;
        e.Aim(1, speed);
        for (const CSharedPtr<CUxWindow>& w : e.Windows)
            if (!w.IsNull() && !w->Visible)
                w->SetVisible(1);
        return;
    }
    if (group.Windows.empty())
        return;
    const CSharedPtr<CUxWindow>& first = group.Windows.front();
    const float a0 = !first.IsNull() && first->Visible ? first->Alpha : 0.0f;
    CWindowGroup record;
    for (const CSharedPtr<CUxWindow>& w : group.Windows) {
        if (!w.IsNull()) {
            w->SetVisible(1);
            w->SetAlpha(a0);
        }
        record.Windows.push_back(w);
    }
    record.Alpha = a0;
    record.Aim(1, speed);
    WindowEffects.push_back(std::move(record));
}

void CScreensManager::RemoveWindowEffect(CWindowGroup& group, float speed) {
    for (CWindowGroup& e : WindowEffects) {
        if (IsSame(e.Windows, group.Windows)) {
            e.Aim(0, speed);
            return;
        }
    }
    if (group.Windows.empty())
        return;
    const CSharedPtr<CUxWindow>& first = group.Windows.front();
    CWindowGroup record;
    record.Windows = group.Windows;
    record.Alpha = !first.IsNull() && first->Visible ? first->Alpha : 0.0f;
    record.Aim(0, speed);
    WindowEffects.push_back(std::move(record));
}
