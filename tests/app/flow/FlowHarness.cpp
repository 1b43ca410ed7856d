#include "app/flow/FlowHarness.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "engine/Renderer.h"
#include "platform/Rand15.h"
#include "platform/os/Window.h"
#include "platform/sound/FakeAudio.h"
#include "screens/ScreensManager.h"
#include "tools/lib/ImageWriter.h"

namespace flowtest {

namespace fs = std::filesystem;

namespace {

// Pictures the game loads at start-up. The data generator makes them all; a
// folder assembled before it did gets plain stand-ins, so that the flow can be
// tested on whatever art there is.
const char* const kPictures[] = {
    "Loading.jpg",     "Flare.jpg",       "JungleFlash.tga",  "SmallSand.tga",
    "Cloud.jpg",       "Spark.bmp",       "Halo1.tga",        "SpellFuzzy.bmp",
    "FireCloud.jpg",   "Lightning.jpg",   "StarParticle.png", "Ring.png",
    "Twirl.png",       "PanelGlass.png",  "FieldFrame.png",   "FieldBack.jpg",
    "Sandbox.jpg",     "SandboxFront.png", "SandboxGlass.tga", "ScoreFrenzyStar.png",
    "AllGemLights.jpg", "AllGems.png",    "GemFlares.tga",    "Bonus1.png",
    "Bonus2.tga",      "Bonus3.tga",      "Bonus4.tga",       "Bonus5.tga",
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

FlowHarness::~FlowHarness() {
    loop_.reset();
    game_.reset();
    gl_.reset();
    enter_.reset();
}

bool FlowHarness::Start(uint32_t seed, bool withSound, bool intoLevel) {
    const fs::path source = GV_GAME_DIR;
    static const char* const kNeeded[] = {"Data/TextID.dat", "Data/Txt/Strings.txt",
                                          "Data/CapsAnimation.dat", "Data/Fonts/Font.tga",
                                          "Data/Fonts/Font.uxd", "Data/Gfx/Caps.png",
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

    enter_ = std::make_unique<apptest::EnterDir>(dir_.Path());
    return Launch(seed, withSound, intoLevel);
}

bool FlowHarness::Restart(uint32_t seed) {
    Send(os::MessageKind::Close, 0.0f, 0.0f);
    const bool withSound = audio_ != nullptr;
    loop_.reset();
    game_.reset();
    gl_.reset();
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
        audio = CSharedPtr<snd::Audio>(audio_);
    }
    // No window: the pointer is where the test puts it.
    game_ = std::make_unique<CGame>(gl_->Renderer(), nullptr, audio);
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

std::string FlowHarness::EnterFirstLevel(const std::string& playerName) {
    CScreensManager& s = *game_->Screens;
    if (WaitForForm(s.NewProfileForm, 1.0f)) {
        // The name field offers the default name: it goes, the new one comes.
        for (size_t i = s.TypedProfileName.size(); i > 0; --i)
            Type("\b");
        Type(playerName);
        if (!ClickControl(s.NewProfileForm, 195))
            return "no OK on the new-player form";
    }
    if (!ClickControl(s.MainMenuForm, 1))
        return "no Play on the main menu";
    return PlayOnFromMap(3.0f) ? std::string() : "no level intro from the map";
}

bool FlowHarness::PlayOnFromMap(float seconds) {
    const CSharedPtr<CUxForm>& map = game_->Screens->MapForm;
    const CSharedPtr<CUxForm>& results = game_->Screens->StatisticsForm;
    const CSharedPtr<CUxForm>& page = game_->Screens->NewspaperForm;
    const CSharedPtr<CUxForm>& shop = game_->Screens->ShopForm;
    const auto ready = [](const CSharedPtr<CUxForm>& f) { return f->Visible && f->Active; };
    // A quest level's results come first.
    if (!RunUntil([&] { return ready(map) || ready(results) || ready(page) || ready(shop); },
                  seconds))
        return false;
    if (ready(results) && !ClickControl(results, 30))
        return false;
    if (!PassShop(seconds))
        return false;
    // A new stage's map comes after the last stage's newspaper page.
    if (!RunUntil([&] { return ready(map) || ready(page); }, seconds))
        return false;
    if (ready(page) && !ClickControl(page, 159))
        return false;
    return WaitForForm(map, seconds) && ClickControl(map, 150) &&
           RunUntil([&] { return game_->Mode == kModeLevelIntro; }, 1.0f);
}

bool FlowHarness::PassShop(float seconds) {
    const CSharedPtr<CUxForm>& map = game_->Screens->MapForm;
    const CSharedPtr<CUxForm>& page = game_->Screens->NewspaperForm;
    const CSharedPtr<CUxForm>& shop = game_->Screens->ShopForm;
    const auto ready = [](const CSharedPtr<CUxForm>& f) { return f->Visible && f->Active; };
    if (!RunUntil([&] { return ready(map) || ready(page) || (ready(shop) && shop->Alpha >= 1.0f); },
                  seconds))
        return false;
    if (!ready(shop) || ready(map) || ready(page))
        return true;
    if (!ClickControl(shop, 31))
        return false;
    return !WaitForForm(game_->Screens->MsgBoxForm, 1.0f) ||
           ClickControl(game_->Screens->MsgBoxForm, 202);
}

bool FlowHarness::ControlCentre(const CSharedPtr<CUxForm>& form, int32_t id, float* x,
                                float* y) const {
    if (form.IsNull())
        return false;
    // Forms may hold several controls of one id of which one is shown.
    for (const CSharedPtr<CUxWindow>& control : form->Children)
        if (!control.IsNull() && control->Id == id && control->Visible) {
            *x = control->Position.X;
            *y = control->Position.Y;
            return true;
        }
    return false;
}

bool FlowHarness::WaitForForm(const CSharedPtr<CUxForm>& form, float seconds) {
    return !form.IsNull() &&
           RunUntil([&] { return form->Visible && form->Active && form->Alpha >= 1.0f; }, seconds);
}

bool FlowHarness::ClickControl(const CSharedPtr<CUxForm>& form, int32_t id, float seconds) {
    float x = 0.0f, y = 0.0f;
    if (!ControlCentre(form, id, &x, &y) || !WaitForForm(form, seconds))
        return false;
    MoveTo(x, y);
    Frames(1);
    Click(x, y);
    Frames(1);
    return true;
}

void FlowHarness::Frames(int n) {
    for (int i = 0; i < n; ++i) {
        // A level's awards hold the game until their screen is closed.
        if (CloseAwards && game_->TrophiesFrom == CGame::kTrophiesFromLevelEnd)
            game_->CloseTrophies();
        game_->Update(kDt);
        if (++frame_ % kRenderEvery == 0)
            game_->Render();
    }
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

void FlowHarness::ToPixels(float x, float y, int32_t* px, int32_t* py) const {
    const CRenderer& r = *gl_->Renderer();
    const float w = static_cast<float>(r.GetWidth());
    const float h = static_cast<float>(r.GetHeight());
    const float scale = h / CRenderer::kVirtualHeight;
    *px = static_cast<int32_t>(std::lround(0.5f * w + x * scale));
    *py = static_cast<int32_t>(std::lround(0.5f * h - y * scale));
}

void FlowHarness::Click(float x, float y) {
    Press(x, y);
    Release(x, y);
}

void FlowHarness::Send(os::MessageKind kind, float x, float y) {
    os::Message m;
    m.kind = kind;
    ToPixels(x, y, &m.x, &m.y);
    loop_->Dispatch(m);
}

void FlowHarness::Press(float x, float y) {
    Send(os::MessageKind::LButtonDown, x, y);
}

void FlowHarness::Release(float x, float y) {
    Send(os::MessageKind::LButtonUp, x, y);
}

void FlowHarness::Key(uint32_t vk) {
    os::Message m;
    m.kind = os::MessageKind::KeyDown;
    m.key = vk;
    loop_->Dispatch(m);
}

void FlowHarness::Type(const std::string& text) {
    for (const char c : text) {
        os::Message m;
        m.kind = os::MessageKind::Char;
        m.ch = static_cast<unsigned char>(c);
        loop_->Dispatch(m);
    }
}

void FlowHarness::MoveTo(float x, float y) {
    ToPixels(x, y, &game_->CursorPx, &game_->CursorPy);
}

void FlowHarness::RightClick(float x, float y) {
    Send(os::MessageKind::RButtonDown, x, y);
}

} // namespace flowtest
