// The game object on the offscreen GL back end: Init on the assembled game
// folder, the desktop gamma after a failed Init, the cursor's virtual units,
// the splash's timeline and the main loop's dispatch.
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/Game.h"
#include "app/MainLoop.h"
#include "app/core/AppTestSupport.h"
#include "engine/PlayFieldStore.h"
#include "engine/RenderDevice.h"
#include "engine/TextSprite.h"
#include "engine/Texture.h"
#include "platform/sound/SdlAudio.h"
#include "playfield/CapsManager.h"

using namespace apptest;

namespace {

gpu::GammaRamp DeviceRamp(const CRenderer& renderer) {
    gpu::GammaRamp ramp{};
    renderer.GetDevice()->GetDevice()->GetGammaRamp(&ramp);
    return ramp;
}

bool SameRamp(const gpu::GammaRamp& a, const gpu::GammaRamp& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

int CountBoardCaps(const CPlayField& field) {
    int n = 0;
    for (const auto& row : field.Board)
        for (const auto& cap : row)
            if (!cap.IsNull())
                ++n;
    return n;
}

} // namespace

TEST(GameInit, LoadsTheAssembledGameAndRunsTheFirstLevel) {
    GameCopy copy;
    if (!copy.Missing().empty())
        GTEST_SKIP() << copy.Missing();
    // A profile name that would lead out of the players' folder is not used.
    std::ofstream(copy.Path() / "Data" / "Config" / "Options.ini", std::ios::app)
        << "\n[Game]\nProfile=..\\..\\Elsewhere\n";
    EnterDir enter(copy.Path());
    GlStack gl;
    ASSERT_EQ(gl.Problem(), "");

    auto game = std::make_unique<CGame>(gl.Renderer(), gl.Window(),
                                        CSharedPtr<snd::Audio>(new snd::SdlAudio()));
    ASSERT_EQ(game->PreInit(), 1) << game->LastError();
    EXPECT_FALSE(game->HasSplash()) << "the copy has no splash pictures";
    ASSERT_EQ(game->InitAndStartFlow(), 1) << game->LastError();
    EXPECT_EQ(game->GetInitResult(), 1);
    EXPECT_TRUE(game->Errors.empty()) << game->LastError();

    // The parts are made and handed to the renderer and the field.
    CRenderer& r = *gl.Renderer();
    for (int i = 0; i < CGame::kParticleManagers; ++i)
        EXPECT_FALSE(r.GetParticleLayer(i).IsNull()) << "particle layer " << i;
    for (int i = 0; i < CGame::kQuadLayers; ++i)
        EXPECT_FALSE(r.GetQuadLayer(i).IsNull()) << "quad layer " << i;
    EXPECT_FALSE(r.GetTextLayer().IsNull());
    EXPECT_FALSE(game->Fonts.empty());
    ASSERT_FALSE(game->Field.IsNull());
    EXPECT_FALSE(game->Field->Terminators.IsNull());
    EXPECT_FALSE(game->Field->Bonuses.IsNull());
    EXPECT_FALSE(game->Field->GemsBar.IsNull());
    EXPECT_FALSE(game->Field->CapSlot.IsNull());
    ASSERT_EQ(game->Field->Store->Textures.size(), 2u);
    EXPECT_EQ(game->Field->Store->Textures[0], game->GameTexture("FieldFrame"));
    EXPECT_EQ(game->Field->Store->Textures[1], game->GameTexture("FieldBack"));
    EXPECT_EQ(game->LoadingSteps, 17);
    EXPECT_EQ(game->ProfileOptions.Profile.find(".."), std::string::npos);
    EXPECT_EQ(game->Motion.ProfilePath.find(".."), std::string::npos);
    EXPECT_EQ(game->GammaApplied, 1);
    EXPECT_EQ(copy.Log().find("Unable to"), std::string::npos) << copy.Log();

    // The flow starts on the menus (a first player is asked for); a quest
    // started from them fills the board of level 1 within a few seconds of
    // frames, and every frame renders.
    EXPECT_EQ(game->Mode, kModeMenu);
    EXPECT_TRUE(game->Profile.IsNull());
    game->BeginNewQuest(0);
    game->StartLevel(game->Level);
    int frames = 0;
    for (; frames < 900 && CountBoardCaps(*game->Field) < 64; ++frames)
        ASSERT_GE(game->Frame(16), 0) << "frame " << frames;
    EXPECT_EQ(game->Level, 1);
    EXPECT_EQ(CountBoardCaps(*game->Field), 64) << "after " << frames << " frames";
    for (int i = 0; i < 60; ++i)
        ASSERT_GE(game->Frame(16), 0);

    // F5's figure is a text of the top pass, hidden until toggled.
    ASSERT_FALSE(game->FpsText.IsNull());
    EXPECT_EQ(game->FpsText->Visible, 0);
    game->SetFps(59.5f);
    game->ToggleFpsDisplay();
    EXPECT_EQ(game->FpsText->Visible, 1);
    EXPECT_EQ(game->FpsText->GetText(), "FPS: 59.5");

    game->RestoreGamma();
    EXPECT_EQ(game->GammaApplied, 0);
    game.reset();
    // What the game handed the renderer left with it.
    EXPECT_TRUE(r.GetParticleLayer(0).IsNull());
    EXPECT_TRUE(r.GetTextLayer().IsNull());
}

TEST(GameInit, DesktopGammaComesBackAfterAFailedInit) {
    GameCopy copy;
    if (!copy.Missing().empty())
        GTEST_SKIP() << copy.Missing();
    fs::remove(copy.Path() / "Data" / "Fonts" / "Font.tga");
    std::ofstream(copy.Path() / "Data" / "Config" / "Options.ini", std::ios::app)
        << "\n[Graphics]\nGamma=0.9\n";
    EnterDir enter(copy.Path());
    GlStack gl;
    ASSERT_EQ(gl.Problem(), "");
    const gpu::GammaRamp desktop = DeviceRamp(*gl.Renderer());

    {
        CGame game(gl.Renderer(), gl.Window(), CSharedPtr<snd::Audio>());
        ASSERT_EQ(game.PreInit(), 1);
        EXPECT_EQ(game.Init(), 0);
        EXPECT_EQ(game.GetInitResult(), 0);
        EXPECT_EQ(game.LastError(), "Unable to load Font Texture");
        EXPECT_NE(copy.Log().find("Unable to load Font Texture!\n"), std::string::npos);
        // The configured gamma was applied before the failure...
        EXPECT_FALSE(SameRamp(DeviceRamp(*gl.Renderer()), desktop));
        game.RestoreGamma();
        EXPECT_TRUE(SameRamp(DeviceRamp(*gl.Renderer()), desktop));
        // ...and restoring it twice changes nothing.
        game.RestoreGamma();
        EXPECT_TRUE(SameRamp(DeviceRamp(*gl.Renderer()), desktop));
    }
    {
        // Leaving without an explicit restore: the game's end restores it.
        CGame game(gl.Renderer(), gl.Window(), CSharedPtr<snd::Audio>());
        ASSERT_EQ(game.PreInit(), 1);
        EXPECT_EQ(game.Init(), 0);
        EXPECT_FALSE(SameRamp(DeviceRamp(*gl.Renderer()), desktop));
    }
    EXPECT_TRUE(SameRamp(DeviceRamp(*gl.Renderer()), desktop));
}

TEST(GameInit, CursorPixelsBecomeCentredVirtualUnits) {
    GlStack gl;
    ASSERT_EQ(gl.Problem(), "");
    CGame game(gl.Renderer(), gl.Window(), CSharedPtr<snd::Audio>());
    const float w = static_cast<float>(gl.Renderer()->GetWidth());
    const float h = static_cast<float>(gl.Renderer()->GetHeight());
    ASSERT_GT(h, 0.0f);
    float x = 1, y = 1;
    game.PixelsToVirtual(static_cast<int32_t>(w / 2), static_cast<int32_t>(h / 2), &x, &y);
    EXPECT_NEAR(x, 0.0f, 1.0f);
    EXPECT_NEAR(y, 0.0f, 1.0f);
    game.PixelsToVirtual(0, 0, &x, &y);
    EXPECT_NEAR(x, -0.5f * w * 768.0f / h, 1e-3f);
    EXPECT_NEAR(y, 384.0f, 1e-3f);  // y grows upwards
    game.PixelsToVirtual(0, static_cast<int32_t>(h), &x, &y);
    EXPECT_NEAR(y, -384.0f, 1e-3f);
}

TEST(GameSplash, PicturesFadeInHoldFadeOutThenInitRuns) {
    // No renderer: the splash's clock runs alone, and the Init it starts fails.
    CGame game(CSharedPtr<CRenderer>(), nullptr, CSharedPtr<snd::Audio>());
    game.SplashPictures[0] = CSharedPtr<CTexture>(new CTexture());
    game.SplashPictures[1] = CSharedPtr<CTexture>(new CTexture());
    ASSERT_TRUE(game.HasSplash());
    game.StartSplash();
    EXPECT_EQ(game.Mode, kModeSplash);

    struct Step {
        float dt;
        int picture;
        float brightness;
    };
    // (the frame step never advances more than half a second at once)
    const Step steps[] = {
        {0.5f, 0, 0.5f},  {0.5f, 0, 1.0f},   {0.5f, 0, 1.0f},  {0.5f, 0, 1.0f},
        {0.5f, 0, 1.0f},  {0.5f, 0, 1.0f},   {0.25f, 0, 0.75f}, {0.5f, 0, 0.25f},
        {0.25f, 1, 0.0f}, {0.5f, 1, 0.5f},
    };
    float clock = 0.0f;
    for (const Step& s : steps) {
        game.Update(s.dt);
        clock += s.dt;
        EXPECT_EQ(game.SplashIndex, s.picture) << "at " << clock << " s";
        EXPECT_NEAR(game.SplashBrightness, s.brightness, 1e-4f) << "at " << clock << " s";
    }
    EXPECT_EQ(game.GetInitResult(), -1) << "Init waits for the end of the splash";
    // Frames longer than half a second count as half a second.
    game.Update(5.0f);
    EXPECT_EQ(game.SplashIndex, 1);
    EXPECT_NEAR(game.SplashBrightness, 1.0f, 1e-4f);  // 1.0 s into the picture

    game.SkipSplash();
    game.Update(0.01f);
    EXPECT_EQ(game.SplashIndex, 2);
    EXPECT_EQ(game.GetInitResult(), 0) << "Init ran (and failed without a renderer)";
    EXPECT_EQ(game.LastError(), "Unable to initialise the game");
}

TEST(MainLoop, DispatchClosesSkipsTheSplashAndTogglesTheFigure) {
    GlStack gl;
    ASSERT_NE(gl.Window(), nullptr) << gl.Problem();
    CGame game(CSharedPtr<CRenderer>(), nullptr, CSharedPtr<snd::Audio>());
    game.SplashPictures[0] = CSharedPtr<CTexture>(new CTexture());
    game.SplashPictures[1] = CSharedPtr<CTexture>(new CTexture());
    game.StartSplash();
    CMainLoop loop(*gl.Window(), game);

    os::Message m;
    m.kind = os::MessageKind::KeyDown;
    m.key = os::Vk::F5;
    EXPECT_TRUE(loop.Dispatch(m));
    EXPECT_TRUE(game.IsFpsShown());
    EXPECT_TRUE(loop.Dispatch(m));
    EXPECT_FALSE(game.IsFpsShown());

    m = os::Message();
    m.kind = os::MessageKind::LButtonDown;
    EXPECT_TRUE(loop.Dispatch(m));
    EXPECT_EQ(game.SplashIndex, 2) << "a click ends the splash";

    m = os::Message();
    m.kind = os::MessageKind::Close;
    EXPECT_FALSE(loop.Dispatch(m));
}
