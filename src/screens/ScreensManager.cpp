// Construction, form loading (the controls bound by interrupt code through
// ScreensBindings.cpp), the story pages and the window-group effects.
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

bool IsSame(const CWindowList& a, const CWindowList& b) {
    const bool emptyA = a.empty() || a.front().IsNull();
    const bool emptyB = b.empty() || b.front().IsNull();
    if (emptyA || emptyB)
        return emptyA && emptyB;
    return a.front() == b.front();
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

std::string CScreensManager::FormName(int32_t form) {
    for (const auto& f : kForms)
        if (f.Number == form)
            return f.Name;
    return {};
}

int32_t CScreensManager::LoadForms(CDataPaths* paths, CQuestFieldLayout* layout,
                                   CLevelParams* params) {
    DataPaths = paths;
    QuestLayout = layout;
    LevelParams = params;
    if (!LoadTextureList(paths->FormsPath + "Textures.lst"))
        return 0;
    FormsManager = CSharedPtr<CUxFormsManager>(new CUxFormsManager());
    Bound.assign(Bindings().size(), {});
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
