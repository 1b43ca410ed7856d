// The program entry run in-process on the offscreen driver: the single-instance
// guard, the exit code and message of a failed initialisation, the object log
// of a whole run, and the title from "appname.txt".
#include <string>

#include <SDL.h>
#include <gtest/gtest.h>

#include "app/AppMain.h"
#include "app/core/AppTestSupport.h"
#include "platform/os/SingleInstance.h"

using namespace apptest;

namespace {

constexpr const char* kMutexName = "GlorvaneCopyCheckMutex32545";

} // namespace

TEST(AppEntry, SecondInstanceLeavesAtOnceWithZero) {
    TempDir lock;
    TempDir work;
    EnterDir enter(work.Path());
    os::SingleInstance first(kMutexName, lock.Path().string());
    ASSERT_TRUE(first.Holds());

    AppOptions options;
    options.lockFolder = lock.Path().string();
    options.exitAfterFrames = 1;
    EXPECT_EQ(AppMain(options), 0);
    // It left before opening anything: no window, no log; only its wish that
    // the running game come to the front.
    EXPECT_FALSE(fs::exists(work.Path() / "Objects.log"));
    EXPECT_TRUE(first.TakeRaiseRequest());
    EXPECT_FALSE(first.TakeRaiseRequest());
}

TEST(AppEntry, MissingFontEndsWithCodeFourAndTheMessage) {
    GameCopy game;
    if (!game.Missing().empty())
        GTEST_SKIP() << game.Missing();
    fs::remove(game.Path() / "Data" / "Fonts" / "Font.tga");
    TempDir lock;
    EnterDir enter(game.Path());

    AppOptions options;
    options.lockFolder = lock.Path().string();
    options.exitAfterFrames = 5;
    ::testing::internal::CaptureStderr();
    const int code = AppMain(options);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 4);
    // Without a display the message box goes to stderr, titled "Error!": what
    // is wrong in a player's words, then what failed.
    EXPECT_NE(err.find("Error!: The game cannot start: one of its files is missing or damaged.\n"
                       "\n(Unable to load Font Texture)"),
              std::string::npos)
        << err;
    const std::string log = game.Log();
    EXPECT_TRUE(InOrder(log, {"Begin log\n", "Unable to load Font Texture!\n", "End of log\n"}));
}

TEST(AppEntry, InitFailingAfterTheSplashEndsWithCodeFour) {
    // With the splash pictures in place Init runs from the main loop when they
    // end; its failure still ends the program with code 4.
    GameCopy game;
    if (!game.Missing().empty())
        GTEST_SKIP() << game.Missing();
    const fs::path source = GV_GAME_DIR;
    if (!fs::exists(source / "fsdata" / "splash1.jpg") ||
        !fs::exists(source / "fsdata" / "splash2.jpg"))
        GTEST_SKIP() << "the game folder has no splash pictures";
    fs::copy(source / "fsdata", game.Path() / "fsdata", fs::copy_options::recursive);
    fs::remove(game.Path() / "Data" / "Fonts" / "Font.uxd");
    TempDir lock;
    EnterDir enter(game.Path());

    AppOptions options;
    options.lockFolder = lock.Path().string();
    options.exitAfterFrames = 2000;  // the splash lasts 8 s at most
    options.minFrameMs = 5;
    ::testing::internal::CaptureStderr();
    const int code = AppMain(options);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 4);
    EXPECT_NE(err.find("\n(Unable to load Font.uxd)"), std::string::npos) << err;
}

TEST(AppEntry, LogHoldsStartAndShutDownInOrder) {
    GameCopy game;
    if (!game.Missing().empty())
        GTEST_SKIP() << game.Missing();
    TempDir lock;
    EnterDir enter(game.Path());
    AppOptions options;
    options.lockFolder = lock.Path().string();
    options.exitAfterFrames = 30;
    options.minFrameMs = 0;
    ASSERT_EQ(AppMain(options), 0);

    const std::string log = game.Log();
    EXPECT_TRUE(InOrder(log, {" Begin log\n", " Ver.1.08", " \n", " Creating Direct3D object...",
                              " Creating Renderer...", "End of log\n"}));
    // The log was truncated at start and the end line is the last entry.
    EXPECT_EQ(log.rfind("Begin log"), log.find("Begin log"));
    const std::string end = "End of log\n";
    ASSERT_GE(log.size(), end.size());
    EXPECT_EQ(log.substr(log.size() - end.size()), end);
    EXPECT_EQ(log.find("Unable to"), std::string::npos) << log;
    // The video settings went back to the options file.
    const std::string options_ini = ReadFile(game.Path() / "Data" / "Config" / "Options.ini");
    EXPECT_NE(options_ini.find("Width"), std::string::npos) << options_ini;
    EXPECT_NE(options_ini.find("Profile"), std::string::npos) << options_ini;
}

TEST(AppEntry, ClosingTheWindowWhileLoadingEndsTheGame) {
    GameCopy game;
    if (!game.Missing().empty())
        GTEST_SKIP() << game.Missing();
    TempDir lock;
    EnterDir enter(game.Path());
    // The close request waits in the queue the game reads during its loading.
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    AppOptions options;
    options.lockFolder = lock.Path().string();
    options.exitAfterFrames = 30;
    options.minFrameMs = 0;
    const int code = AppMain(options);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    EXPECT_EQ(code, 0);
    // The loading ended there: the player's options were never written back.
    const std::string options_ini = ReadFile(game.Path() / "Data" / "Config" / "Options.ini");
    EXPECT_EQ(options_ini.find("Profile"), std::string::npos) << options_ini;
    EXPECT_EQ(game.Log().find("Unable to"), std::string::npos) << game.Log();
}

TEST(AppEntry, TitleIsTheFirstLineOfAppName) {
    TempDir dir;
    EnterDir enter(dir.Path());
    EXPECT_EQ(ReadAppTitle(), "The Glorvane of Quolvarin");  // no file

    dir.Write("appname.txt", "Quest of Stones\r\nsecond line\r\n");
    EXPECT_EQ(ReadAppTitle(), "Quest of Stones");
    dir.Write("appname.txt", "\xEF\xBB\xBFWith a mark");
    EXPECT_EQ(ReadAppTitle(), "With a mark");
    dir.Write("appname.txt", "\n\nlater");
    EXPECT_EQ(ReadAppTitle(), "The Glorvane of Quolvarin");  // the first line is empty
    dir.Write("appname.txt", std::string(5000, 'x'));
    EXPECT_EQ(ReadAppTitle(), "The Glorvane of Quolvarin");  // no title is that long
}
