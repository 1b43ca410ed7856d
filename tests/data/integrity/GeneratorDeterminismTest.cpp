// The data generator writes the same bytes on every run: two runs side by side
// into two fresh folders give the same files with the same hashes.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/TempDir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Size and FNV-1a hash of every file below `root`, by its path relative to it.
std::map<std::string, std::pair<uintmax_t, uint64_t>> HashTree(const fs::path& root) {
    std::map<std::string, std::pair<uintmax_t, uint64_t>> out;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        uint64_t hash = 1469598103934665603ull;
        FILE* f = std::fopen(entry.path().c_str(), "rb");
        if (f) {
            unsigned char buf[1 << 16];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
                for (size_t i = 0; i < n; ++i)
                    hash = (hash ^ buf[i]) * 1099511628211ull;
            std::fclose(f);
        }
        out[fs::relative(entry.path(), root).generic_string()] = {entry.file_size(), hash};
    }
    return out;
}

// Starts the generator on `folder`, its output going to `logFile`; the
// process id, or -1.
pid_t StartGenerator(const std::string& folder, const std::string& logFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::string exe = GV_GEN_EXE;
    std::string arg = folder;
    char* argv[] = {exe.data(), arg.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit code of the process, or -1 when it did not exit normally.
int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(GeneratorDeterminism, TwoRunsWriteIdenticalFiles) {
#ifndef GV_GEN_EXE
    GTEST_SKIP() << "the data generator is not part of this build";
#else
    testsupport::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const std::string a = dir.Path("a"), b = dir.Path("b");
    // Both at once: the runs must not depend on anything but their own output.
    const pid_t pa = StartGenerator(a, dir.Path("a.log"));
    const pid_t pb = StartGenerator(b, dir.Path("b.log"));
    const int ra = pa > 0 ? WaitFor(pa) : -1;
    const int rb = pb > 0 ? WaitFor(pb) : -1;
    ASSERT_TRUE(pa > 0 && pb > 0) << "cannot start " << GV_GEN_EXE;
    ASSERT_EQ(ra, 0) << testsupport::ReadFile(dir.Path("a.log"));
    ASSERT_EQ(rb, 0) << testsupport::ReadFile(dir.Path("b.log"));

    const auto first = HashTree(a);
    const auto second = HashTree(b);
    EXPECT_GT(first.size(), 100u) << "the generator wrote only " << first.size() << " files";
    for (const auto& [name, sizeHash] : first) {
        const auto it = second.find(name);
        if (it == second.end()) {
            ADD_FAILURE() << name << " was written only by the first run";
            continue;
        }
        EXPECT_EQ(sizeHash.first, it->second.first) << name << " differs in size";
        EXPECT_EQ(sizeHash.second, it->second.second) << name << " differs in content";
    }
    for (const auto& entry : second)
        EXPECT_TRUE(first.count(entry.first)) << entry.first << " was written only by the second run";
#endif
}

} // namespace
