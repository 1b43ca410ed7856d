// The game installed as a player gets it: `cmake --install` into a prefix, the
// installed executable started from an unrelated working directory, then a
// quest begun, saved and continued on the installed data. The installed tree
// stays byte for byte as it was, and everything the game writes lies in the
// user folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/flow/FlowHarness.h"
#include "platform/os/GameFolders.h"
#include "platform/os/SingleInstance.h"
#include "playerdata/ProfileSettings.h"
#include "screens/ScreensManager.h"
#include "support/TempDir.h"

extern char** environ;

using namespace flowtest;
namespace fs = std::filesystem;

namespace {

// What a folder holds: every entry's path below it, with a digest of the
// bytes of each file ("dir" for a folder, "link:<target>" for a link).
using TreeDigest = std::map<std::string, std::string>;

std::string FileDigest(const fs::path& file) {
    // 64-bit FNV-1a: enough to tell a changed byte, cheap over the whole install.
    uint64_t h = 1469598103934665603ull;
    std::ifstream in(file, std::ios::binary);
    char buf[1 << 16];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            h ^= static_cast<uint8_t>(buf[i]);
            h *= 1099511628211ull;
        }
    }
    return std::to_string(fs::file_size(file)) + ":" + std::to_string(h);
}

TreeDigest Digest(const fs::path& root) {
    TreeDigest out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(e.path(), root).string();
        if (e.is_symlink())
            out[rel] = "link:" + fs::read_symlink(e.path()).string();
        else if (e.is_directory())
            out[rel] = "dir";
        else
            out[rel] = FileDigest(e.path());
    }
    return out;
}

// The build's install rules run into `prefix`; empty, or what went wrong.
std::string Install(const fs::path& prefix) {
    const std::string command = std::string("\"") + GV_CMAKE_COMMAND + "\" --install \"" +
                                GV_BINARY_DIR + "\" --prefix \"" + prefix.string() +
                                "\" >/dev/null";
    const int status = std::system(command.c_str());
    return status == 0 ? "" : "`" + command + "` ended with " + std::to_string(status);
}

// This process's environment without the variables that name the game's
// folders and its single-instance lock, with `extra` added.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& extra) {
    static const char* const kDropped[] = {
        "GLORVANE_DATA_DIR=", "GLORVANE_USER_DIR=",  "XDG_DATA_HOME=", "XDG_RUNTIME_DIR=",
        "XDG_CACHE_HOME=",    "GLORVANE_CACHE_DIR=", "HOME=",          "ASAN_OPTIONS="};
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool dropped = false;
        for (const char* d : kDropped)
            dropped = dropped || entry.rfind(d, 0) == 0;
        if (!dropped)
            env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

// Starts `exe` with no arguments in `cwd` with exactly `env`, its standard
// error into `errors` when one is named.
pid_t Spawn(const fs::path& exe, const fs::path& cwd, const std::vector<std::string>& env,
            const fs::path& errors = {}) {
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    std::string program = exe.string();
    char* argv[] = {program.data(), nullptr};
    const pid_t pid = fork();
    if (pid == 0) {
        if (!errors.empty()) {
            const int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || dup2(fd, STDERR_FILENO) < 0)
                _exit(126);
        }
        if (chdir(cwd.c_str()) == 0)
            execve(program.c_str(), argv, envp.data());
        _exit(127);
    }
    return pid;
}

// Whether the process catches SIGTERM (the windowing system's quit handling
// is in place, so that a SIGTERM ends the game like its window's close box).
bool CatchesStop(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1u;
    return false;
}

// Waits up to `seconds` for the child to end; its exit code, -1 for a signal,
// -2 when it still runs.
int WaitExit(pid_t pid, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < end);
    return -2;
}

// The WAV files in `sfx` decoded from an Ogg Vorbis file of the same name in
// `shipped` (a few sounds ship as WAV files of their own).
int DecodedSounds(const fs::path& sfx, const fs::path& shipped) {
    int n = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(sfx, ec)) {
        fs::path ogg = shipped / e.path().filename();
        n += e.path().extension() == ".wav" && fs::exists(ogg.replace_extension(".ogg"));
    }
    return n;
}

// Every regular file below `root`, relative to it.
std::vector<std::string> FilesBelow(const fs::path& root) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(root, ec))
        if (!e.is_directory())
            files.push_back(fs::relative(e.path(), root).string());
    return files;
}

} // namespace

TEST(InstallFlow, InstalledGameStartsAnywhereKeepsItsTreeAndWritesOnlyToTheUserFolder) {
    apptest::TempDir tmp;
    const fs::path prefix = tmp.Path() / "prefix";
    const fs::path xdg = tmp.Path() / "xdg";
    const fs::path xdgCache = tmp.Path() / "xdg-cache";
    const fs::path home = tmp.Path() / "home";
    const fs::path elsewhere = tmp.Path() / "elsewhere";
    const fs::path runtime = tmp.Path() / "runtime";
    const fs::path desktopRuntime = tmp.Path() / "desktop-runtime";
    for (const fs::path& p : {xdg, home, elsewhere, runtime, desktopRuntime})
        fs::create_directories(p);
    // A game the same user has open holds the lock in the desktop's runtime
    // folder; the game started here has a lock of its own.
    const os::SingleInstance openGame("GlorvaneCopyCheckMutex32545", desktopRuntime.string());
    ASSERT_TRUE(openGame.Holds());
    ASSERT_EQ(Install(prefix), "");
    const fs::path exe = prefix / "bin" / "glorvane";
    const fs::path data = prefix / "share" / "glorvane";
    ASSERT_TRUE(fs::is_regular_file(exe));
    ASSERT_TRUE(fs::is_directory(data / "Data"));
    // The menu's entry starts this executable wherever the prefix lies, not
    // whatever "glorvane" the desktop's PATH finds first.
    int entries = 0;
    for (const auto& e : fs::directory_iterator(prefix / "share/applications")) {
        ++entries;
        EXPECT_NE(testsupport::ReadFile(e.path()).find("\nExec=" + exe.string() + "\n"),
                  std::string::npos)
            << testsupport::ReadFile(e.path());
    }
    EXPECT_EQ(entries, 1);
    // Nothing a game run writes ships in the install.
    for (const char* written : {"Players", "Objects.log", "glorvane"})
        EXPECT_FALSE(fs::exists(data / written)) << written;
    const fs::path shippedSfx = data / "Data" / "Sfx";
    EXPECT_EQ(DecodedSounds(shippedSfx, shippedSfx), 0);
    const TreeDigest installed = Digest(prefix);

    // The installed executable, started from an unrelated folder, finds its
    // data below the prefix and its user folder below XDG_DATA_HOME: it gets
    // as far as decoding its sounds into its cache folder, and a stop signal
    // ends it normally.
    const fs::path user = xdg / os::kUserFolderName;
    const fs::path decoded = xdgCache / os::kUserFolderName / "Sfx";
    const char* runtimeBefore = std::getenv("XDG_RUNTIME_DIR");
    const bool hadRuntime = runtimeBefore != nullptr;
    const std::string restoreRuntime = hadRuntime ? runtimeBefore : "";
    setenv("XDG_RUNTIME_DIR", desktopRuntime.c_str(), 1);
    const std::vector<std::string> childEnv =
        ChildEnvironment({"XDG_DATA_HOME=" + xdg.string(), "HOME=" + home.string(),
                          "XDG_RUNTIME_DIR=" + runtime.string(),
                          "XDG_CACHE_HOME=" + xdgCache.string(), "ASAN_OPTIONS=detect_leaks=0"});
    const pid_t pid = Spawn(exe, elsewhere, childEnv);
    if (hadRuntime)
        setenv("XDG_RUNTIME_DIR", restoreRuntime.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
    ASSERT_GT(pid, 0);
    int code = -2;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (code == -2 && !(CatchesStop(pid) && DecodedSounds(decoded, shippedSfx) > 0) &&
           std::chrono::steady_clock::now() < deadline)
        code = WaitExit(pid, 0.1);
    // A second start while it runs leaves at once, and the running game
    // brings its window to the front.
    const std::string raised = "Another start of the game: the window comes to the front";
    if (code == -2) {
        const pid_t second = Spawn(exe, elsewhere, childEnv);
        ASSERT_GT(second, 0);
        EXPECT_EQ(WaitExit(second, 60.0), 0);
        while (testsupport::ReadFile((user / "Objects.log").string()).find(raised) ==
                   std::string::npos &&
               (code = WaitExit(pid, 0.1)) == -2 && std::chrono::steady_clock::now() < deadline) {
        }
    }
    EXPECT_NE(testsupport::ReadFile((user / "Objects.log").string()).find(raised),
              std::string::npos);
    if (code == -2) {
        kill(pid, SIGTERM);
        code = WaitExit(pid, 120.0);
        if (code == -2)
            kill(pid, SIGKILL);
    }
    EXPECT_EQ(code, 0) << testsupport::ReadFile((user / "Objects.log").string());
    int oggs = 0;
    for (const auto& e : fs::directory_iterator(shippedSfx))
        oggs += e.path().extension() == ".ogg";
    EXPECT_EQ(DecodedSounds(decoded, shippedSfx), oggs);
    EXPECT_TRUE(fs::exists(user / "Objects.log"));

    // A quest on the installed data in-process, with the folders found as the
    // installed executable finds them: a player made, level 1 won, level 2
    // saved and quit, the game restarted and the quest continued.
    {
        os::FolderEnvironment env;
        env.xdgDataHome = xdg.string();
        env.home = home.string();
        env.exeFolder = exe.parent_path().string();
        const fs::path foundData = os::ChooseDataFolder(env, os::HoldsGameData);
        const fs::path foundUser = os::ChooseUserFolder(env);
        ASSERT_EQ(fs::canonical(foundData), fs::canonical(data));
        ASSERT_EQ(foundUser, user);
        FlowHarness h(41, FlowHarness::Folders{foundData, foundUser});
        START_GAME(h);
        CGame* g = &h.Game();
        const std::string name = g->Profile->Name;
        ASSERT_TRUE(h.RunUntil([&] { return g->SubState == kSubPlay; }, 4.0f));
        h.Field().GemsToCollect = 0;
        ASSERT_TRUE(h.PlayOnFromMap(15.0f));
        ASSERT_TRUE(h.RunUntil([&] { return g->SubState == kSubPlay; }, 4.0f));
        ASSERT_TRUE(h.SaveAndQuit());
        ASSERT_TRUE(h.Restart(43));
        g = &h.Game();
        std::string offered;
        bool notice = true;
        ASSERT_TRUE(h.ContinueQuest(&offered, &notice));
        EXPECT_FALSE(notice);
        EXPECT_EQ(offered, "1-2\nNormal");
        EXPECT_EQ(g->Level, 2);
        EXPECT_EQ(g->Profile->Name, name);
        EXPECT_TRUE(fs::is_regular_file(user / "Players" / name / "Quest.sav"));
    }

    // Afterwards: the install as it was, and nothing written beside the user
    // folder (the working directory and the home folder stay empty).
    const TreeDigest after = Digest(prefix);
    EXPECT_EQ(after.size(), installed.size());
    for (const auto& [path, digest] : installed) {
        const auto it = after.find(path);
        EXPECT_TRUE(it != after.end() && it->second == digest)
            << "changed in the install: " << path;
    }
    for (const auto& [path, digest] : after)
        EXPECT_TRUE(installed.count(path)) << "written into the install: " << path;
    EXPECT_EQ(FilesBelow(elsewhere), std::vector<std::string>{});
    EXPECT_EQ(FilesBelow(home), std::vector<std::string>{});
    for (const std::string& f : FilesBelow(xdg))
        EXPECT_EQ(f.rfind(os::kUserFolderName + std::string("/"), 0), 0u) << f;
}

// Folders the game cannot work with are told as it starts: which folder, what
// is wrong and which variable chooses another, on the terminal and in the log
// (where there can be one); without its data the game stops with the error
// box, which says so in a player's words first, names the data folder on a
// line of its own and keeps every line to what a screen holds.
TEST(InstallFlow, FolderProblemsAreToldAtStartWithTheVariableToSet) {
    apptest::TempDir tmp;
    const fs::path exe = fs::path(GV_BINARY_DIR) / "glorvane";
    ASSERT_TRUE(fs::is_regular_file(exe));
    // Where a player unpacks a download.
    const fs::path downloads = tmp.Path() / "Downloads/glorvane-1.08-linux-x86_64/share";
    const fs::path emptyData = downloads / "glorvane";
    const fs::path runtime = tmp.Path() / "runtime";
    fs::create_directories(emptyData);
    fs::create_directories(runtime);
    const fs::path plainFile = tmp.Path() / "user-file";
    ASSERT_TRUE(testsupport::WriteFile(plainFile, "not a folder"));
    const fs::path dataFile = downloads / "glorvane.tar";
    ASSERT_TRUE(testsupport::WriteFile(dataFile, "not a folder"));
    struct Row {
        fs::path data, user;
        bool userUsable;
        std::string dataFault;
    };
    const Row rows[] = {
        {emptyData, tmp.Path() / "user", true, "holds no game data (no \"Data\" folder in it)"},
        {emptyData, plainFile, false, "holds no game data"},
        {downloads / "glorvane-data", tmp.Path() / "user", true, "does not exist"},
        {dataFile, tmp.Path() / "user", true, "is a file, not a folder"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.data.string() + " " + row.user.string());
        const fs::path errors = tmp.Path() / "stderr.txt";
        const pid_t pid =
            Spawn(exe, tmp.Path(),
                  ChildEnvironment({"GLORVANE_DATA_DIR=" + row.data.string(),
                                    "GLORVANE_USER_DIR=" + row.user.string(),
                                    "XDG_RUNTIME_DIR=" + runtime.string(),
                                    "HOME=" + tmp.Path().string(), "ASAN_OPTIONS=detect_leaks=0"}),
                  errors);
        ASSERT_GT(pid, 0);
        int code = WaitExit(pid, 120.0);
        if (code == -2) {
            kill(pid, SIGKILL);
            code = WaitExit(pid, 10.0);
        }
        EXPECT_EQ(code, 4);
        const std::string told = testsupport::ReadFile(errors);
        const std::string dataNote = "The data folder " + row.data.string() + " " + row.dataFault;
        ASSERT_NE(told.find(dataNote), std::string::npos) << told;
        EXPECT_NE(told.find("Set GLORVANE_DATA_DIR to"), std::string::npos) << told;
        EXPECT_EQ(testsupport::ReadFile(emptyData.parent_path() / "glorvane.tar"), "not a folder");

        // The error box, written to the terminal without a display as
        // "Error!: " and its lines.
        const size_t box = told.find("Error!: ");
        ASSERT_NE(box, std::string::npos) << told;
        std::vector<std::string> lines;
        std::istringstream text(told.substr(box + 8));
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        ASSERT_GE(lines.size(), 4u) << told;
        EXPECT_EQ(lines[0].rfind("The game cannot start: its pictures and sounds", 0), 0u) << told;
        const auto folderLine = std::find(lines.begin(), lines.end(), row.data.string());
        EXPECT_NE(folderLine, lines.end()) << told;
        std::string joined;
        for (const std::string& line : lines) {
            EXPECT_LE(line.size(), &line == &*folderLine ? 150u : 72u) << line;
            joined += " " + line;
        }
        EXPECT_NE(joined.find(row.dataFault.substr(0, 12)), std::string::npos) << told;
        EXPECT_NE(joined.find("Set GLORVANE_DATA_DIR to"), std::string::npos) << told;
        EXPECT_NE(joined.find("(Unable to load Loading Texture)"), std::string::npos) << told;

        const std::string userNote = "The user folder " + row.user.string() + " is not a folder";
        if (row.userUsable) {
            EXPECT_EQ(told.find("The user folder"), std::string::npos) << told;
            EXPECT_NE(testsupport::ReadFile(row.user / "Objects.log").find(dataNote),
                      std::string::npos);
        } else {
            EXPECT_NE(told.find(userNote), std::string::npos) << told;
            EXPECT_NE(told.find("Set GLORVANE_USER_DIR to"), std::string::npos) << told;
            EXPECT_EQ(testsupport::ReadFile(plainFile), "not a folder");
        }
    }
}
