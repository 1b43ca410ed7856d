#include "platform/os/SafeWrite.h"

#include "support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

// The largest file this process may write, lowered for one scope (a full
// disk, a quota) and given back after. A write past it fails with EFBIG
// instead of stopping the process: that works for root too.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        old_signal_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit lowered = old_;
        lowered.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
    }
    ~ScopedFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_signal_);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*old_signal_)(int) = SIG_DFL;
};

size_t EntriesIn(const std::string& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
        ++n;
    return n;
}

// A write the disk takes only in part, wherever it stops (before the first
// byte, inside the stream's buffer so only the flush finds out, or past it so
// a write finds out), answers false and leaves the old file as it was, with
// no temporary file beside it; the same write the disk has room for replaces
// the file.
TEST(SafeWrite, AWriteTheDiskTakesOnlyInPartKeepsTheOldFile) {
    struct Row {
        const char* what;
        size_t bytes;   // written, in one piece or in pieces of `piece`
        size_t piece;   // 0: one piece
        rlim_t limit;   // the largest file the process may write
        bool committed; // the new bytes are the file's afterwards
    };
    const Row rows[] = {
        {"no byte can be written", 10, 0, 0, false},
        {"only the flush finds the disk full", 100, 0, 64, false},
        {"one byte short", 5000, 0, 4999, false},
        {"a large write stops in its middle", 200000, 0, 100000, false},
        {"the last of many pieces does not fit", 40000, 1000, 39500, false},
        {"the first of many pieces does not fit", 40000, 1000, 999, false},
        {"room for exactly the file", 5000, 0, 5000, true},
        {"room to spare, in pieces", 40000, 1000, 1 << 20, true},
    };
    const std::string old = "[Old]\nkept=1\n";
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TempDir dir;
        const std::string path = dir / "Quest.sav";
        ASSERT_TRUE(WriteFile(path, old));
        std::string data(r.bytes, '\0');
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>('a' + i % 26);
        bool ok = false;
        {
            ScopedFileSizeLimit limit(r.limit);
            if (r.piece == 0) {
                ok = os::WriteFileSafely(path, data);
            } else {
                os::SafeWrite file(path);
                ok = file.Open() != nullptr;
                for (size_t at = 0; at < data.size(); at += r.piece)
                    ok = file.Write(data.data() + at, std::min(r.piece, data.size() - at)) && ok;
                ok = file.Commit() && ok;
            }
        }
        EXPECT_EQ(ok, r.committed);
        EXPECT_EQ(ReadFile(path), r.committed ? data : old);
        EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "a temporary file is left";
    }
}

// The target's name taken by something no file can be renamed over between
// the open and the commit: the commit answers false, and what is there and
// what it holds stay.
TEST(SafeWrite, ARenameRefusedIsAFailureAndTouchesNothing) {
    TempDir dir;
    const std::string path = dir / "Trophies.dat";
    ASSERT_TRUE(WriteFile(path, "old"));
    os::SafeWrite file(path);
    ASSERT_NE(file.Open(), nullptr);
    ASSERT_TRUE(file.Write("new", 3));
    fs::remove(path);
    fs::create_directory(path);
    ASSERT_TRUE(WriteFile(dir / "Trophies.dat/inside", "inside"));
    EXPECT_FALSE(file.Commit());
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(ReadFile(dir / "Trophies.dat/inside"), "inside");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "a temporary file is left";
    // A folder there from the start is refused at the open.
    os::SafeWrite again(path);
    EXPECT_EQ(again.Open(), nullptr);
    EXPECT_FALSE(again.Commit());
    EXPECT_FALSE(os::WriteFileSafely(path, "new"));
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

} // namespace
