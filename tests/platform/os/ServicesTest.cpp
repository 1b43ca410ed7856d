#include "platform/os/Clock.h"
#include "platform/os/Guid.h"
#include "platform/os/MessageBox.h"
#include "platform/os/OpenUrl.h"
#include "platform/os/SingleInstance.h"

#include "support/TempDir.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/wait.h>

namespace {

using namespace testsupport;

// --- GUID --------------------------------------------------------------------

TEST(Guid, FormatsInBracesUpperCase) {
    os::Guid g;
    g.data1 = 0x0123ABCD;
    g.data2 = 0x00EF;
    g.data3 = 0x4A5B;
    const uint8_t tail[8] = {0x8C, 0x01, 0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x05};
    std::copy(tail, tail + 8, g.data4);
    EXPECT_EQ(os::FormatGuid(g), "{0123ABCD-00EF-4A5B-8C01-FEDCBA987605}");
    EXPECT_EQ(os::FormatGuid(os::Guid{}), "{00000000-0000-0000-0000-000000000000}");
}

// "{8-4-4-4-12}" upper-case hex, version digit 4, variant 8..B.
bool HasVersion4Shape(const std::string& t) {
    if (t.size() != 38 || t.front() != '{' || t.back() != '}')
        return false;
    for (size_t i = 1; i < 37; ++i) {
        bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        char c = t[i];
        bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (dash ? c != '-' : !hex)
            return false;
    }
    return t[15] == '4' && std::string("89AB").find(t[20]) != std::string::npos;
}

TEST(Guid, NewGuidsAreVersion4AndDistinct) {
    EXPECT_FALSE(HasVersion4Shape("{0123ABCD-00EF-3A5B-8C01-FEDCBA987605}"));
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        std::string text = os::FormatGuid(os::NewGuid());
        EXPECT_TRUE(HasVersion4Shape(text)) << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 1000u);
}

// --- Single instance ------------------------------------------------------------

TEST(SingleInstance, SecondHolderOfTheSameNameIsRefusedUntilTheFirstGoes) {
    TempDir dir;
    auto first = std::make_unique<os::SingleInstance>("GlorvaneCopyCheckMutex32545", dir.Path());
    EXPECT_TRUE(first->Holds());
    EXPECT_FALSE(first->AlreadyRunning());
    {
        // flock locks belong to the open file description, so a second open in
        // the same process conflicts just like another process would.
        os::SingleInstance second("GlorvaneCopyCheckMutex32545", dir.Path());
        EXPECT_TRUE(second.AlreadyRunning());
        EXPECT_FALSE(second.Holds());
        os::SingleInstance other("AnotherName", dir.Path());
        EXPECT_TRUE(other.Holds());
        // The refused one's request reaches the holder of its name once.
        EXPECT_FALSE(first->TakeRaiseRequest());
        EXPECT_TRUE(second.RequestRaise());
        EXPECT_FALSE(other.TakeRaiseRequest());
        EXPECT_TRUE(first->TakeRaiseRequest());
        EXPECT_FALSE(first->TakeRaiseRequest());
        // One left behind when the holder goes is not for the next holder.
        EXPECT_TRUE(second.RequestRaise());
    }
    first.reset();
    os::SingleInstance third("GlorvaneCopyCheckMutex32545", dir.Path());
    EXPECT_TRUE(third.Holds());
    EXPECT_FALSE(third.TakeRaiseRequest());
}

TEST(SingleInstance, LockIsNotInheritedByStartedPrograms) {
    TempDir dir;
    os::SingleInstance guard("Guard", dir.Path());
    ASSERT_TRUE(guard.Holds());
    // A program the game starts (the browser) must not inherit the descriptor:
    // it would keep the lock after the game has exited.
    std::string listing = dir / "fds.txt";
    std::string cmd =
        "for f in /proc/$$/fd/*; do readlink \"$f\"; done > '" + listing + "'; exit 0";
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(126);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::string fds = ReadFile(listing);
    EXPECT_NE(fds.find(listing), std::string::npos); // the listing itself shows up
    EXPECT_EQ(fds.find(guard.LockPath()), std::string::npos) << fds;
}

TEST(SingleInstance, NamesCannotEscapeTheFolder) {
    TempDir dir;
    os::SingleInstance guard("Global\\..\\../x", dir.Path());
    EXPECT_TRUE(guard.Holds());
    EXPECT_EQ(guard.LockPath(), dir.Path() + "/Global_.._.._x.lock");
}

// Without a runtime folder the lock lies in the user's own state folder,
// never in a folder another user can write in (he could take the lock's name
// first and keep the game from starting).
TEST(SingleInstance, TheLockLiesInAFolderOnlyTheUserCanWrite) {
    TempDir t;
    namespace fs = std::filesystem;
    fs::create_directories(t / "runtime");
    fs::create_directories(t / "open/glorvane");
    fs::permissions(t / "open/glorvane", fs::perms::all);
    fs::create_directories(t / "elsewhere");
    fs::create_directories(t / "linked");
    fs::create_directory_symlink(t / "elsewhere", t / "linked/glorvane");
    struct Row {
        const char* what;
        os::LockEnvironment env;
        std::string folder; // empty: no lock
    };
    const Row rows[] = {
        {"the runtime folder", {t / "runtime", t / "state", t / "home"}, t / "runtime"},
        {"no runtime folder: the state folder's own", {"", t / "state", t / "home"},
         t / "state/glorvane"},
        {"a runtime folder that is not there", {t / "gone", t / "state", t / "home"},
         t / "state/glorvane"},
        {"relative folders are ignored", {"run", "state", t / "home"},
         t / "home/.local/state/glorvane"},
        {"a folder of the user's that others could write in is closed to them",
         {"", t / "open", t / "home"}, t / "open/glorvane"},
        {"a link is refused", {"", t / "linked", t / "home"}, ""},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(os::LockFolder(r.env), r.folder) << r.what;
        if (!r.env.runtime.empty() && r.folder == r.env.runtime)
            continue;
        if (!r.folder.empty())
            EXPECT_EQ(fs::status(r.folder).permissions() & fs::perms::all, fs::perms::owner_all)
                << r.what;
    }
    EXPECT_TRUE(fs::is_empty(t / "elsewhere"));
}

TEST(SingleInstance, UnusableFolderDoesNotMeanAnotherInstance) {
    os::SingleInstance guard("Guard", "/nonexistent-folder-for-test");
    EXPECT_FALSE(guard.Holds());
    EXPECT_FALSE(guard.AlreadyRunning());
}

// --- Open URL -----------------------------------------------------------------

TEST(OpenUrl, OnlyWebUrlsAreHandedToTheLauncher) {
    for (const char* good : {"http://example.org", "https://example.org/a?b=c#d", "HTTPS://x.y"})
        EXPECT_TRUE(os::IsWebUrl(good)) << good;
    for (const char* bad :
         {"", "example.org", "file:///etc/passwd", "javascript:alert(1)", "ftp://x.y", "http://",
          "https:///path", "http:/x", "--help", "http://a b", "http://a\nb", "http://a\x7f",
          " http://x.y", "mailto:a@b.c"})
        EXPECT_FALSE(os::IsWebUrl(bad)) << bad;
    EXPECT_FALSE(os::IsWebUrl("http://x/" + std::string(3000, 'a')));

    std::vector<std::vector<std::string>> calls;
    os::Launcher fake = [&](const std::vector<std::string>& argv) {
        calls.push_back(argv);
        return true;
    };
    EXPECT_FALSE(os::OpenUrl("file:///etc/passwd", fake));
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(os::OpenUrl("https://example.org", fake));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], (std::vector<std::string>{"xdg-open", "https://example.org"}));

    os::Launcher failing = [](const std::vector<std::string>&) { return false; };
    EXPECT_FALSE(os::OpenUrl("https://example.org", failing));
}

TEST(OpenUrl, ShortcutFileNamesTheUrl) {
    TempDir dir;
    std::vector<std::string> opened;
    os::Launcher fake = [&](const std::vector<std::string>& argv) {
        opened.push_back(argv.back());
        return true;
    };
    WriteFile(dir / "website.url", "[InternetShortcut]\r\nURL=https://example.org/game\r\n");
    EXPECT_TRUE(os::OpenUrlFile(dir.Path() + "\\WEBSITE.URL", fake));
    WriteFile(dir / "bad.url", "[InternetShortcut]\nURL=file:///etc/passwd\n");
    EXPECT_FALSE(os::OpenUrlFile(dir / "bad.url", fake));
    WriteFile(dir / "long.url", "[InternetShortcut]\nURL=https://x/" + std::string(3000, 'a'));
    EXPECT_FALSE(os::OpenUrlFile(dir / "long.url", fake));
    EXPECT_FALSE(os::OpenUrlFile(dir / "missing.url", fake));
    EXPECT_EQ(opened, (std::vector<std::string>{"https://example.org/game"}));
}

TEST(OpenUrl, SpawnedProgramLeavesNoChildBehind) {
    TempDir dir;
    std::string marker = dir / "ran";
    EXPECT_TRUE(os::SpawnDetached({"sh", "-c", "echo ok > \"$0\"", marker}));
    // The intermediate child is reaped inside SpawnDetached; the program itself
    // belongs to init, so this process has no children left to wait for.
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    for (int i = 0; i < 500 && ReadFile(marker) != "ok\n"; ++i)
        os::Sleep(10);
    EXPECT_EQ(ReadFile(marker), "ok\n");

    EXPECT_FALSE(os::SpawnDetached({"gv-no-such-program-anywhere"}));
    EXPECT_FALSE(os::SpawnDetached({}));
}

// --- Message box and clock ---------------------------------------------------------

class ScopedUnsetEnv {
public:
    explicit ScopedUnsetEnv(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) {
            had_ = true;
            old_ = v;
        }
        unsetenv(name);
    }
    ~ScopedUnsetEnv() {
        if (had_)
            setenv(name_, old_.c_str(), 1);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

TEST(MessageBox, WithoutADisplayTheTextGoesToStderr) {
    ScopedUnsetEnv display("DISPLAY"), wayland("WAYLAND_DISPLAY");
    testing::internal::CaptureStderr();
    bool shown = os::ShowMessageBox("Glorvane", "Sorry!\nNo device.");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(shown);
    EXPECT_EQ(err, "Glorvane: Sorry!\nNo device.\n");
}

TEST(Clock, NeverRunsBackwardsAndSleepWaits) {
    uint64_t a = os::Milliseconds();
    os::Sleep(20);
    uint64_t b = os::Milliseconds();
    EXPECT_GE(b, a + 20);
}

} // namespace
