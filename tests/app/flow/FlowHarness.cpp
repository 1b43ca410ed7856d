#include "app/flow/FlowHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <vector>

#include <SDL.h>

#include "engine/Renderer.h"
#include "engine/SpriteQuad.h"
#include "engine/TextSprite.h"
#include "platform/Rand15.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/os/Window.h"
#include "platform/sound/FakeAudio.h"
#include "screens/ScreensManager.h"
#include "screens/ShopScreen.h"
#include "tools/lib/ImageWriter.h"

namespace flowtest {

namespace fs = std::filesystem;

namespace {

// Pictures the game loads at start-up. The data generator makes them all; a
// folder assembled before it did gets plain stand-ins, so that the flow can be
// tested on whatever art there is.
const char* const kPictures[] = {
    "Loading.jpg",      "Flare.jpg",        "JungleFlash.tga",  "SmallSand.tga",
    "Cloud.jpg",        "Spark.bmp",        "Halo1.tga",        "SpellFuzzy.bmp",
    "FireCloud.jpg",    "Lightning.jpg",    "StarParticle.png", "Ring.png",
    "Twirl.png",        "PanelGlass.png",   "FieldFrame.png",   "FieldBack.jpg",
    "Sandbox.jpg",      "SandboxFront.png", "SandboxGlass.tga", "ScoreFrenzyStar.png",
    "AllGemLights.jpg", "AllGems.png",      "GemFlares.tga",    "Bonus1.png",
    "Bonus2.tga",       "Bonus3.tga",       "Bonus4.tga",       "Bonus5.tga",
};
const char* const kExtensions[] = {".png", ".tga", ".jpg", ".bmp"};

// A soft round glow, so that a stand-in looks like something on screen.
std::vector<uint8_t> Glow(int size) {
    std::vector<uint8_t> rgba(static_cast<size_t>(size * size * 4));
    const float c = 0.5f * static_cast<float>(size - 1);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float d = std::hypot(static_cast<float>(x) - c, static_cast<float>(y) - c) / c;
            const auto a = static_cast<uint8_t>(255.0f * std::clamp(1.0f - d, 0.0f, 1.0f));
            uint8_t* p = &rgba[static_cast<size_t>((y * size + x) * 4)];
            p[0] = 200;
            p[1] = 180;
            p[2] = 120;
            p[3] = a;
        }
    return rgba;
}

bool WriteStandIn(const fs::path& path) {
    const std::vector<uint8_t> rgba = Glow(64);
    const tk::PixelView view{rgba.data(), 64, 64, 4};
    const std::string ext = path.extension().string();
    if (ext == ".png")
        return tk::WritePng(path.string(), view);
    if (ext == ".tga")
        return tk::WriteTga(path.string(), view);
    if (ext == ".bmp")
        return tk::WriteBmp(path.string(), view);
    return tk::WriteJpeg(path.string(), view, 90);
}

// A picture counts as there when a file of its name with any picture
// extension exists (the loaders try them).
bool HasPicture(const fs::path& folder, const std::string& file) {
    const std::string base = fs::path(file).stem().string();
    for (const char* ext : kExtensions)
        if (fs::exists(folder / (base + ext)))
            return true;
    return false;
}

} // namespace

FlowHarness::FlowHarness(uint32_t seed, bool withSound, bool intoLevel) {
    if (!Start(seed, withSound, intoLevel))
        game_.reset();
}

FlowHarness::FlowHarness(uint32_t seed, const Folders& folders, bool intoLevel)
    : dataFolder_(folders.data), userFolder_(folders.user) {
    std::error_code ec;
    fs::create_directories(folders.user, ec);
    enter_ = std::make_unique<apptest::EnterDir>(folders.user, folders.data, cache_.Path());
    if (!Launch(seed, false, intoLevel))
        game_.reset();
}

FlowHarness::~FlowHarness() {
    loop_.reset();
    game_.reset();
    gl_.reset();
    enter_.reset();
}

bool FlowHarness::Start(uint32_t seed, bool withSound, bool intoLevel) {
    const fs::path source = GV_GAME_DIR;
    static const char* const kNeeded[] = {"Data/TextID.dat",        "Data/Txt/Strings.txt",
                                          "Data/CapsAnimation.dat", "Data/Fonts/Font.tga",
                                          "Data/Fonts/Font.uxd",    "Data/Gfx/Caps.png",
                                          "Data/Lvl/l1.lvl"};
    for (const char* f : kNeeded)
        if (!fs::exists(source / f)) {
            skip_ = "the game folder " + source.string() + " lacks " + f;
            return false;
        }
    std::error_code ec;
    fs::copy(source, dir_.Path(), fs::copy_options::recursive, ec);
    if (ec) {
        failure_ = "cannot copy the game folder: " + ec.message();
        return false;
    }
    // No splash (it would only add seconds), nothing an earlier run left.
    for (const char* splash : {"splash1.jpg", "splash2.jpg"})
        fs::remove(dir_.Path() / "fsdata" / splash, ec);
    fs::remove(dir_.Path() / "Objects.log", ec);
    fs::remove(dir_.Path() / "glorvane", ec);
    fs::remove_all(dir_.Path() / "Players", ec);
    // A run of the game in the assembled folder leaves its options behind.
    fs::remove(dir_.Path() / "Data" / "Config" / "Options.ini", ec);
    const fs::path sfx = dir_.Path() / "Data" / "Sfx";
    for (const auto& entry : fs::directory_iterator(sfx, ec))
        if (entry.path().extension() == ".ogg") {
            fs::path wav = entry.path();
            fs::remove(wav.replace_extension(".wav"), ec);
        }
    fs::create_directories(dir_.Path() / "Data" / "Config", ec);
    const fs::path gfx = dir_.Path() / "Data" / "Gfx";
    for (const char* picture : kPictures)
        if (!HasPicture(gfx, picture) && !WriteStandIn(gfx / picture)) {
            failure_ = std::string("cannot write a stand-in for ") + picture;
            return false;
        }

    enter_ = std::make_unique<apptest::EnterDir>(user_.Path(), dir_.Path(), cache_.Path());
    return Launch(seed, withSound, intoLevel);
}

bool FlowHarness::Restart(uint32_t seed, const std::function<void()>& whileClosed) {
    CloseWindow();
    const bool withSound = audio_ != nullptr;
    loop_.reset();
    game_.reset();
    gl_.reset();
    if (whileClosed)
        whileClosed();
    return Launch(seed, withSound, false);
}

bool FlowHarness::Launch(uint32_t seed, bool withSound, bool intoLevel) {
    gl_ = std::make_unique<apptest::GlStack>();
    if (!gl_->Problem().empty()) {
        skip_ = "no offscreen GL: " + gl_->Problem();
        return false;
    }
    CSharedPtr<snd::Audio> audio;
    if (withSound) {
        audio_ = new snd::FakeAudio();
        audio_->requireFiles = true; // a sample file that is not there does not load
        audio = CSharedPtr<snd::Audio>(audio_);
    }
    // The game seeds before it builds anything (the backdrops draw their dust
    // from the generator at Init), and again where the flow starts, so that a
    // game started after others in one process is the same game.
    Rand15::Global().Seed(seed);
    game_ = std::make_unique<CGame>(gl_->Renderer(), gl_->Window(), audio);
    if (!game_->PreInit() || !game_->Init()) {
        failure_ = "the game does not start: " + game_->LastError();
        return false;
    }
    loop_ = std::make_unique<CMainLoop>(*gl_->Window(), *game_);
    Rand15::Global().Seed(seed);
    game_->StartFlow();
    if (intoLevel) {
        failure_ = EnterFirstLevel("Tester");
        if (!failure_.empty())
            return false;
    }
    return true;
}

std::string FlowHarness::EnterMainMenu(const std::string& playerName) {
    CScreensManager& s = *game_->Screens;
    if (WaitForForm(s.NewProfileForm, 1.0f)) {
        // The name field offers the default name: it goes, the new one comes.
        for (size_t i = s.TypedProfileName.size(); i > 0; --i)
            Type("\b");
        Type(playerName);
        if (!ClickControl(s.NewProfileForm, 195))
            return "no OK on the new-player form";
    }
    return WaitForForm(s.MainMenuForm) ? std::string() : "no main menu";
}

std::string FlowHarness::EnterFirstLevel(const std::string& playerName) {
    CScreensManager& s = *game_->Screens;
    if (std::string failed = EnterMainMenu(playerName); !failed.empty())
        return failed;
    if (!ClickControl(s.MainMenuForm, 1))
        return "no Play on the main menu";
    if (!PassStory())
        return "no story and map after Play";
    return PlayOnFromMap(3.0f) ? std::string() : "no level intro from the map";
}

bool FlowHarness::WinIntoShop(int32_t level) {
    CGame& g = *game_;
    CScreensManager& s = *g.Screens;
    if (!RunUntil([&] { return g.SubState == kSubPlay; }, 6.0f))
        return false;
    if (g.TipOpen == 1)
        Click(0.0f, 0.0f);
    g.Field->TutorialNumber = 0;
    g.Level = level;
    g.Field->GemsToCollect = 0;
    return RunUntil([&] { return s.StatisticsForm->Visible && s.StatisticsForm->Active; }, 10.0f) &&
           ClickControl(s.StatisticsForm, 30) && WaitForForm(s.ShopForm, 6.0f) &&
           RunUntil([&] { return g.Shop->fadeLevel >= 1.0f; }, 2.0f);
}

bool FlowHarness::PassStory(float seconds) {
    const CScreensManager& s = *game_->Screens;
    for (size_t page = 0; page < s.IntroPages.size(); ++page)
        if (!ClickControl(s.IntroForm, 160, seconds))
            return false;
    return WaitForForm(s.MapForm, seconds);
}

bool FlowHarness::PlayOnFromMap(float seconds, int32_t buy) {
    return BackToMap(seconds, buy) && ClickControl(game_->Screens->MapForm, 150) &&
           RunUntil([&] { return game_->Mode == kModeLevelIntro; }, 1.0f);
}

void FlowHarness::ClickLostLifeCard() {
    if (game_->Mode == kModeLevel && game_->SubState == kSubLostLevel && game_->CardShown &&
        game_->ModeTime > 0.5f)
        Click(0.0f, 0.0f);
}

bool FlowHarness::BackToMap(float seconds, int32_t buy) {
    const CSharedPtr<CUxForm>& map = game_->Screens->MapForm;
    const CSharedPtr<CUxForm>& results = game_->Screens->StatisticsForm;
    const CSharedPtr<CUxForm>& page = game_->Screens->NewspaperForm;
    const CSharedPtr<CUxForm>& shop = game_->Screens->ShopForm;
    const auto ready = [](const CSharedPtr<CUxForm>& f) { return f->Visible && f->Active; };
    // A quest level's results come first.
    const auto shown = [&] {
        ClickLostLifeCard();
        return ready(map) || ready(results) || ready(page) || ready(shop);
    };
    if (!RunUntil(shown, seconds))
        return false;
    if (ready(results) && !ClickControl(results, 30))
        return false;
    if (!PassShop(seconds, buy))
        return false;
    // A new stage's map comes after the last stage's newspaper page.
    if (!RunUntil([&] { return ready(map) || ready(page); }, seconds))
        return false;
    if (ready(page) && !ClickControl(page, 159))
        return false;
    return WaitForForm(map, seconds);
}

bool FlowHarness::PassShop(float seconds, int32_t buy) {
    const CSharedPtr<CUxForm>& map = game_->Screens->MapForm;
    const CSharedPtr<CUxForm>& page = game_->Screens->NewspaperForm;
    const CSharedPtr<CUxForm>& shop = game_->Screens->ShopForm;
    const CSharedPtr<CUxForm>& awards = game_->Screens->TrophiesForm;
    const auto ready = [](const CSharedPtr<CUxForm>& f) { return f->Visible && f->Active; };
    if (!RunUntil(
            [&] {
                return ready(map) || ready(page) || ready(awards) ||
                       (ready(shop) && shop->Alpha >= 1.0f);
            },
            seconds))
        return false;
    // A level's awards, when the harness leaves them to the player.
    if (ready(awards))
        return ClickControl(awards, kIdAwardsClose) && PassShop(seconds, buy);
    if (!ready(shop) || ready(map) || ready(page))
        return true;
    if (buy >= 0) {
        const int32_t before = game_->GoldenStars();
        if (!ClickControl(shop, CShopScreen::kIdFirstBuy + buy) ||
            game_->GoldenStars() != before - 1)
            return false;
    }
    if (!ClickControl(shop, CShopScreen::kIdDone))
        return false;
    // The shop's question, or a notice that leaving could not save the quest
    // (its OK alone): either is answered, as a player would.
    const CSharedPtr<CUxForm>& box = game_->Screens->MsgBoxForm;
    if (!WaitForForm(box, 1.0f))
        return true;
    return ShownControl(box, 202).IsNull() ? ClickControl(box, 200) : ClickControl(box, 202);
}

bool FlowHarness::ContinueQuest(std::string* offered, bool* notice) {
    CScreensManager& s = *game_->Screens;
    if (!ClickControl(s.MainMenuForm, 1))
        return false;
    *notice = WaitForForm(s.MsgBoxForm, 0.5f);
    if (*notice && !ClickControl(s.MsgBoxForm, 200))
        return false;
    *offered = CScreensManager::WindowText(s.StartQuestControl1);
    return ClickControl(s.StartQuestForm, 211) &&
           (game_->Mode == kModeLevelIntro || PlayOnFromMap()) &&
           RunUntil([&] { return game_->SubState == kSubPlay; }, 6.0f);
}

bool FlowHarness::SaveAndQuit() {
    CScreensManager& s = *game_->Screens;
    Key(os::Vk::Escape);
    if (!ClickControl(s.GameMenuForm, 13) ||
        !RunUntil([&] { return game_->Mode == kModeMenu; }, 6.0f))
        return false;
    if (WaitForForm(s.MsgBoxForm, 1.0f) &&
        !(ClickControl(s.MsgBoxForm, 200) && ClickControl(s.HighScoresForm, 250)))
        return false;
    return WaitForForm(s.MainMenuForm);
}

CSharedPtr<CUxWindow> FlowHarness::ShownControl(const CSharedPtr<CUxForm>& form, int32_t id) {
    // Forms may hold several controls of one id of which one is shown.
    if (!form.IsNull())
        for (const CSharedPtr<CUxWindow>& control : form->Children)
            if (!control.IsNull() && control->Id == id && control->Visible)
                return control;
    return CSharedPtr<CUxWindow>();
}

bool FlowHarness::ControlCentre(const CSharedPtr<CUxForm>& form, int32_t id, float* x,
                                float* y) const {
    const CSharedPtr<CUxWindow> control = ShownControl(form, id);
    if (control.IsNull())
        return false;
    *x = control->Position.X;
    *y = control->Position.Y;
    return true;
}

bool FlowHarness::WaitForForm(const CSharedPtr<CUxForm>& form, float seconds) {
    return !form.IsNull() &&
           RunUntil([&] { return form->Visible && form->Active && form->Alpha >= 1.0f; }, seconds);
}

bool FlowHarness::ClickControl(const CSharedPtr<CUxForm>& form, int32_t id, float seconds) {
    const CSharedPtr<CUxWindow> control = ShownControl(form, id);
    if (control.IsNull() || !WaitForForm(form, seconds))
        return false;
    // While a message box shows, even fading out, it alone hears the pointer:
    // a player clicks what lies under it once it has gone.
    const CSharedPtr<CUxForm>& box = game_->Screens->MsgBoxForm;
    if (form != box && !box.IsNull() && !RunUntil([&] { return !box->Visible; }, seconds))
        return false;
    const float x = control->Position.X, y = control->Position.Y;
    if (!DrawnAt(*control)) {
        float cx = 0.0f, cy = 0.0f;
        ToClient(x, y, &cx, &cy);
        ADD_FAILURE() << "control " << id << " is not drawn under its centre, client pixel (" << cx
                      << ", " << cy << ")";
        return false;
    }
    MoveTo(x, y);
    Frames(1);
    Click(x, y);
    Frames(1);
    return true;
}

std::vector<int32_t*> FlowHarness::DrawFlagsOf(CUxWindow& w) {
    std::vector<int32_t*> flags;
    for (const CSharedPtr<CSpriteQuad>& p : w.Pictures)
        if (!p.IsNull() && p->Shown)
            flags.push_back(&p->Shown);
    for (const CSharedPtr<CTextSprite>& t : w.Texts)
        if (!t.IsNull() && t->Visible)
            flags.push_back(&t->Visible);
    for (const CSharedPtr<CUxWindow>& c : w.Children)
        if (!c.IsNull())
            for (int32_t* f : DrawFlagsOf(*c))
                flags.push_back(f);
    return flags;
}

bool FlowHarness::DrawnAt(CUxWindow& control) {
    const std::vector<int32_t*> flags = DrawFlagsOf(control);
    bool anywhere = false;
    // A link laid over pictures of other controls draws nothing of its own.
    // Near the centre: for a text, whose centre may fall between two letters,
    // within a quarter of the control's size.
    return flags.empty() ||
           SeenAt(flags, control.Position.X, control.Position.Y, control.Width / 2,
                  control.Height / 2, &anywhere) ||
           !anywhere;
}

FlowHarness::Picture FlowHarness::Drawn(const std::vector<int32_t*>& hidden) {
    Picture p;
    gpu::FrameProbe* gl = gl_->Renderer()->Probe();
    if (gl == nullptr)
        return p;
    Window().GetDrawableSize(&p.width, &p.height);
    std::vector<int32_t> was;
    for (int32_t* flag : hidden) {
        was.push_back(*flag);
        *flag = 0;
    }
    gl_->Renderer()->RenderScene();
    gl->ReadPresented(static_cast<uint32_t>(p.width), static_cast<uint32_t>(p.height), p.argb);
    for (size_t i = 0; i < hidden.size(); ++i)
        *hidden[i] = was[i];
    if (p.argb.size() < static_cast<size_t>(p.width) * static_cast<size_t>(p.height))
        p = Picture{};
    return p;
}

FlowHarness::PixelBox FlowHarness::PixelsOf(float x, float y, float w, float h) {
    int cw = 0, ch = 0, dw = 0, dh = 0;
    Window().GetClientSize(&cw, &ch);
    Window().GetDrawableSize(&dw, &dh);
    float cx = 0, cy = 0, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    ToClient(x, y, &cx, &cy);
    ToClient(x - w / 2, y + h / 2, &x0, &y0);
    ToClient(x + w / 2, y - h / 2, &x1, &y1);
    const float sx = static_cast<float>(dw) / static_cast<float>(std::max(cw, 1));
    const float sy = static_cast<float>(dh) / static_cast<float>(std::max(ch, 1));
    const int px = static_cast<int>(cx * sx), py = static_cast<int>(cy * sy);
    const int rx = std::max(0, static_cast<int>(0.5f * (x1 - x0) * sx));
    const int ry = std::max(0, static_cast<int>(0.5f * (y1 - y0) * sy));
    return {std::max(px - rx, 0), std::max(py - ry, 0), std::min(px + rx, dw - 1),
            std::min(py + ry, dh - 1)};
}

FlowHarness::Colour FlowHarness::MeanColour(const Picture& picture, float x, float y, float w,
                                            float h) {
    const PixelBox box = PixelsOf(x, y, w, h);
    Colour c;
    double n = 0;
    for (int row = box.row0; row <= box.row1; ++row)
        for (int col = box.col0; col <= box.col1; ++col, ++n) {
            const uint32_t argb = picture.At(col, row);
            c.r += (argb >> 16) & 0xFF;
            c.g += (argb >> 8) & 0xFF;
            c.b += argb & 0xFF;
        }
    if (n > 0)
        c = {c.r / n, c.g / n, c.b / n};
    return c;
}

bool FlowHarness::SeenAt(const std::vector<int32_t*>& flags, float x, float y, float w, float h,
                         bool* anywhere) {
    if (anywhere != nullptr)
        *anywhere = false;
    const Picture shown = Drawn(), hidden = Drawn(flags);
    if (shown.argb.empty() || hidden.argb.empty())
        return false;
    if (anywhere != nullptr)
        *anywhere = shown.argb != hidden.argb;
    const PixelBox b = PixelsOf(x, y, w, h);
    for (int row = b.row0; row <= b.row1; ++row)
        for (int col = b.col0; col <= b.col1; ++col)
            if (shown.At(col, row) != hidden.At(col, row))
                return true;
    return false;
}

void FlowHarness::Frames(int n) {
    // As long as the card stood before it waited, so the flows keep their pace.
    constexpr float kCardRead = 2.5f;
    for (int i = 0; i < n; ++i) {
        if (ClickCards && game_->Mode == kModeLevelIntro && game_->ModeTime > kCardRead)
            Click(0.0f, 0.0f);
        // The main loop reads every waiting message before its next frame.
        Pump();
        // A level's awards hold the game until their screen is closed.
        if (CloseAwards && game_->TrophiesFrom == CGame::kTrophiesFromLevelEnd)
            game_->CloseTrophies();
        if (CloseTips && (game_->TipOpen == kTipShown || game_->TipOpen == kTipPointing))
            game_->CloseTip();
        game_->Update(kDt);
        if (++frame_ % kRenderEvery == 0)
            game_->Render();
        if (EachFrame)
            EachFrame();
    }
}

std::vector<FlowHarness::BoardMessage> FlowHarness::BoardMessagesShown() {
    std::vector<BoardMessage> seen;
    const CSharedPtr<CPopup>& p = game_->Field->Popups.Messages.OnScreen();
    if (!p.IsNull() && !p->Sprite.IsNull() && p->Sprite->Visible && p->Alpha > 0.0f) {
        const CTextSprite::Box ink = p->Sprite->LayoutBox();
        seen.push_back({p->Text, ink.Left, ink.Bottom, ink.Right, ink.Top});
    }
    const CScreensManager& s = *game_->Screens;
    if (s.QuestForm->Visible && s.QuestForm->Alpha > 0.0f)
        for (const CSharedPtr<CUxWindow>& w : s.LevelPanelFrames)
            if (w->Visible)
                seen.push_back({"card " + game_->CardTitle, w->Position.X - w->Width / 2.0f,
                                w->Position.Y - w->Height / 2.0f, w->Position.X + w->Width / 2.0f,
                                w->Position.Y + w->Height / 2.0f});
    return seen;
}

std::vector<std::string> FlowHarness::MessagesOverOneAnother() {
    const std::vector<BoardMessage> seen = BoardMessagesShown();
    std::vector<std::string> over;
    for (size_t i = 0; i < seen.size(); ++i)
        for (size_t j = i + 1; j < seen.size(); ++j) {
            const BoardMessage &a = seen[i], &b = seen[j];
            if (a.l < b.r && b.l < a.r && a.b < b.t && b.b < a.t)
                over.push_back("\"" + b.what + "\" over \"" + a.what + "\"");
        }
    return over;
}

bool FlowHarness::RunUntil(const std::function<bool()>& done, float seconds) {
    const auto frames = static_cast<int>(std::ceil(seconds / kDt));
    for (int i = 0; i < frames; ++i) {
        if (done())
            return true;
        Frames(1);
    }
    return done();
}

void FlowHarness::ToBackBuffer(float x, float y, float* bx, float* by) const {
    const gpu::Viewport& vp = gl_->Renderer()->GetGameViewport();
    *bx = static_cast<float>(vp.x) +
          (x / CRenderer::kVirtualWidth + 0.5f) * static_cast<float>(vp.width);
    *by = static_cast<float>(vp.y) +
          (0.5f - y / CRenderer::kVirtualHeight) * static_cast<float>(vp.height);
}

void FlowHarness::ToClient(float x, float y, float* cx, float* cy) const {
    float bx = 0.0f, by = 0.0f;
    ToBackBuffer(x, y, &bx, &by);
    gl_->Window()->BackBufferToClient(bx, by, cx, cy);
}

SDL_Event FlowHarness::Mouse(uint32_t type, float x, float y, uint8_t button) const {
    float cx = 0.0f, cy = 0.0f;
    ToClient(x, y, &cx, &cy);
    return MouseAt(type, static_cast<int32_t>(std::floor(cx)), static_cast<int32_t>(std::floor(cy)),
                   button);
}

SDL_Event FlowHarness::MouseAt(uint32_t type, int32_t px, int32_t py, uint8_t button) const {
    const uint32_t window = SDL_GetWindowID(gl_->Window()->Sdl());
    SDL_Event e{};
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
        e.motion.windowID = window;
        e.motion.x = px;
        e.motion.y = py;
    } else {
        e.button.windowID = window;
        e.button.button = button;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = 1;
        e.button.x = px;
        e.button.y = py;
    }
    return e;
}

void FlowHarness::Pump() {
    os::Message m;
    while (gl_->Window()->PollMessage(&m))
        loop_->Dispatch(m);
}

void FlowHarness::Push(std::initializer_list<SDL_Event> events) {
    for (SDL_Event e : events)
        SDL_PushEvent(&e);
    Pump();
}

void FlowHarness::MoveTo(float x, float y) {
    Push({Mouse(SDL_MOUSEMOTION, x, y)});
}

void FlowHarness::Press(float x, float y) {
    Push({Mouse(SDL_MOUSEMOTION, x, y), Mouse(SDL_MOUSEBUTTONDOWN, x, y, SDL_BUTTON_LEFT)});
}

void FlowHarness::Release(float x, float y) {
    Push({Mouse(SDL_MOUSEMOTION, x, y), Mouse(SDL_MOUSEBUTTONUP, x, y, SDL_BUTTON_LEFT)});
}

void FlowHarness::Click(float x, float y) {
    Press(x, y);
    Release(x, y);
}

void FlowHarness::ClickAtClient(int32_t cx, int32_t cy) {
    Push({MouseAt(SDL_MOUSEMOTION, cx, cy), MouseAt(SDL_MOUSEBUTTONDOWN, cx, cy, SDL_BUTTON_LEFT),
          MouseAt(SDL_MOUSEBUTTONUP, cx, cy, SDL_BUTTON_LEFT)});
}

void FlowHarness::RightClick(float x, float y) {
    Push({Mouse(SDL_MOUSEMOTION, x, y), Mouse(SDL_MOUSEBUTTONDOWN, x, y, SDL_BUTTON_RIGHT),
          Mouse(SDL_MOUSEBUTTONUP, x, y, SDL_BUTTON_RIGHT)});
}

namespace {

// The key a virtual-key code stands for (letters, digits and the editing
// keys share their codes with ASCII).
SDL_Keycode KeyOf(uint32_t vk) {
    static const std::pair<uint32_t, SDL_Keycode> kKeys[] = {
        {os::Vk::Left, SDLK_LEFT}, {os::Vk::Up, SDLK_UP},   {os::Vk::Right, SDLK_RIGHT},
        {os::Vk::Down, SDLK_DOWN}, {os::Vk::F5, SDLK_F5},   {os::Vk::Delete, SDLK_DELETE},
        {os::Vk::Home, SDLK_HOME}, {os::Vk::End, SDLK_END}, {os::Vk::Pause, SDLK_PAUSE}};
    for (const auto& [code, key] : kKeys)
        if (code == vk)
            return key;
    return vk >= 'A' && vk <= 'Z' ? static_cast<SDL_Keycode>(vk - 'A' + 'a')
                                  : static_cast<SDL_Keycode>(vk);
}

SDL_Event KeyEvent(uint32_t type, SDL_Keycode key, uint32_t window) {
    SDL_Event e{};
    e.type = type;
    e.key.windowID = window;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    return e;
}

} // namespace

void FlowHarness::Key(uint32_t vk) {
    const uint32_t window = SDL_GetWindowID(gl_->Window()->Sdl());
    Push({KeyEvent(SDL_KEYDOWN, KeyOf(vk), window), KeyEvent(SDL_KEYUP, KeyOf(vk), window)});
}

void FlowHarness::Type(const std::string& text) {
    const uint32_t window = SDL_GetWindowID(gl_->Window()->Sdl());
    for (const char c : text) {
        if (c == '\b' || c == '\r') {
            Key(c == '\b' ? os::Vk::Back : os::Vk::Return);
            continue;
        }
        // A printable key gives its key, then its text.
        const auto key = static_cast<SDL_Keycode>(std::tolower(static_cast<unsigned char>(c)));
        SDL_Event typed{};
        typed.type = SDL_TEXTINPUT;
        typed.text.windowID = window;
        typed.text.text[0] = c;
        Push({KeyEvent(SDL_KEYDOWN, key, window), typed, KeyEvent(SDL_KEYUP, key, window)});
    }
}

bool FlowHarness::SavePicture(const std::string& path) {
    const Picture p = Drawn();
    const size_t n = p.argb.size();
    if (n == 0)
        return false;
    std::vector<uint8_t> rgb(n * 3);
    for (size_t i = 0; i < n; ++i) {
        rgb[3 * i] = static_cast<uint8_t>(p.argb[i] >> 16);
        rgb[3 * i + 1] = static_cast<uint8_t>(p.argb[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(p.argb[i]);
    }
    return tk::WritePng(path, {rgb.data(), p.width, p.height, 3});
}

void FlowHarness::CloseWindow() {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(gl_->Window()->Sdl());
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    Push({e});
}

} // namespace flowtest
