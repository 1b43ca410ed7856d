// Profile folders: which folders are profiles, their settings file, creating
// and deleting them (never outside the players' folder), and the choice at
// start-up.
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/os/Ini.h"
#include "playerdata/ProfileList.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

// What was done in a folder while it was watched, as the kernel tells it: the
// names files were created under, and how often a file was renamed onto each
// name (a safe write's replace). The kernel queues each event as the call
// happens, so everything done before Seen() is there.
class FolderWatch {
public:
    explicit FolderWatch(const std::string& folder)
        : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_MOVED_TO);
    }
    ~FolderWatch() { close(fd_); }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    bool Works() const { return fd_ >= 0; }
    void Seen(std::vector<std::string>* created, std::map<std::string, int>* renamedOnto) const {
        alignas(inotify_event) char buf[1 << 16];
        ssize_t n;
        while ((n = read(fd_, buf, sizeof buf)) > 0)
            for (char* p = buf; p < buf + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                if (e->len > 0 && (e->mask & IN_CREATE))
                    created->emplace_back(e->name);
                if (e->len > 0 && (e->mask & IN_MOVED_TO))
                    ++(*renamedOnto)[e->name];
                p += sizeof(inotify_event) + e->len;
            }
    }

private:
    int fd_;
};

TEST(Profiles, OnlyProperFoldersAreProfiles) {
    TempDir dir;
    const fs::path players = dir.Root() / "Players";
    for (const char* name : {"Ann", "Twelve_Chars", "Thirteen_Char", "bad.name", " Lead", "x y"})
        fs::create_directories(players / name);
    dir.Write("Players/Plain", "a file");
    fs::create_directories(dir.Root() / "Outside");
    fs::create_directory_symlink(dir.Root() / "Outside", players / "Link");
    dir.Write("Players/Ann/Settings.ini", "[Main]\nVeteran=10\nQuestTutorial=1\n"
                                          "[QuestTut]\nBase=1\nGem=2\n");

    CProfileList list(dir.Folder() + "Players\\");
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.FindByName("ANN"), 0);
    EXPECT_EQ(list.FindByName("x Y"), 2);
    const CProfileSettings& ann = *list.Profiles[0];
    EXPECT_EQ(ann.Veteran, 1);
    EXPECT_EQ(ann.QuestTutorial, 0) << "a veteran gets no quest tutorial";
    EXPECT_EQ(ann.Tips[1], 0) << "only 1 counts";
    EXPECT_TRUE(dir.Exists("Players/x y/Settings.ini")) << "created empty";

    EXPECT_EQ(TrimProfileName("  Bob \t"), "Bob");
    for (const char* bad : {"", "   ", "..", "a/b", "..\\x", "Thirteen_Char", " Bob", "Bob "})
        EXPECT_FALSE(IsValidProfileName(bad)) << bad;
}

TEST(Profiles, CreateDeleteAndChoose) {
    TempDir dir;
    CProfileList list(dir.Folder() + "Players\\");
    std::string option = "Player";
    EXPECT_EQ(list.ChooseAtStartup(option), -1) << "no players' folder yet";

    EXPECT_EQ(list.CreateProfile("Bob"), 1) << "the players' folder is made on the way";
    EXPECT_EQ(list.CreateProfile("BOB"), 0);
    EXPECT_EQ(list.CreateProfile("../Evil"), 0);
    for (int i = 0; i < 40; ++i)
        list.CreateProfile("P" + std::to_string(i));
    EXPECT_EQ(list.Count(), 41);
    EXPECT_EQ(list.ChooseAtStartup(option), 0);
    EXPECT_EQ(option, "Bob");
    option = "p7";
    EXPECT_EQ(list.Profiles[static_cast<size_t>(list.ChooseAtStartup(option))]->Name, "P7");

    // A deleted profile goes whole with whatever the player put into it:
    // long names, sub-folders, and links, which are removed as links only.
    dir.Write("Players/Bob/Quest.sav", "q");
    dir.Write("Players/Bob/Quest.tmp", "t");
    dir.Write("Players/Bob/A long file name.txt", "l");
    dir.Write("Players/Bob/Sub/Deeper/File", "x");
    dir.Write("Outside/Keep.sav", "k");
    dir.Write("Outside/Dir/Keep.txt", "k");
    fs::create_symlink(dir.Root() / "Outside" / "Keep.sav", dir.Root() / "Players/Bob/Link.sav");
    fs::create_directory_symlink(dir.Root() / "Outside" / "Dir", dir.Root() / "Players/Bob/Sub/Ln");
    list.DeleteProfile("bob");
    EXPECT_EQ(list.FindByName("Bob"), -1);
    EXPECT_FALSE(dir.Exists("Players/Bob"));
    EXPECT_EQ(CProfileList(list.Folder).FindByName("Bob"), -1) << "back at the next start";
    EXPECT_EQ(testsupport::ReadFile(dir / "Outside/Keep.sav"), "k");
    EXPECT_EQ(testsupport::ReadFile(dir / "Outside/Dir/Keep.txt"), "k");

    // Folders that differ in letter case only: each is deleted on its own.
    for (const char* name : {"Eve", "EVE"})
        dir.Write(std::string("Players/") + name + "/Settings.ini", "");
    list.Enumerate();
    list.DeleteProfile("EVE");
    EXPECT_TRUE(dir.Exists("Players/Eve/Settings.ini"));
    EXPECT_FALSE(dir.Exists("Players/EVE/Settings.ini"));
    list.DeleteProfileAt(list.FindByName("eve"));
    EXPECT_FALSE(dir.Exists("Players/Eve/Settings.ini"));

    // A profile folder that is a link is never emptied.
    fs::create_directory_symlink(dir.Root() / "Outside", dir.Root() / "Players/Ln");
    EXPECT_NE(list.DeleteFolderFiles(list.FolderOf("Ln")), 0);
    EXPECT_TRUE(dir.Exists("Outside/Keep.sav"));
}

// A player's settings file is the player's as much as the game's: a hand edit
// or another build's keys survive the game's saves, and loading a player
// writes nothing through a link. Only a file that cannot be read is replaced.
TEST(Profiles, SettingsKeepWhatTheGameDoesNotWriteAndAReadNeverWrites) {
    const std::string written = "[Main]\nVeteran=0\nSingleTutorial=1\nQuestTutorial=1\n\n"
                                "[QuestTut]\nBase=0\nGem=1\nWrong=0\nTimer=0\nSandbox=0\n"
                                "Bonus=0\nTotem=0\nLock=0\nSteel=0\nShop=0\n";
    struct Row {
        const char* what;
        std::string before; // "-": none; "->": a link to a file that is not there
        std::string after;  // the file after a load and a save with Gem seen
    };
    const Row rows[] = {
        {"no file yet", "-", written},
        {"a link to nothing is replaced by the file", "->", written},
        {"a hand edit and another build's section stay",
         "; mine\r\n[Main]\r\nVeteran = 0\r\nColour=blue\r\n\r\n[Later]\r\nKey=1\r\n",
         "; mine\r\n[Main]\r\nVeteran = 0\r\nColour=blue\r\nSingleTutorial=1\r\n"
         "QuestTutorial=1\r\n\r\n[Later]\r\nKey=1\r\n\r\n[QuestTut]\r\nBase=0\r\nGem=1\r\n"
         "Wrong=0\r\nTimer=0\r\nSandbox=0\r\nBonus=0\r\nTotem=0\r\nLock=0\r\nSteel=0\r\n"
         "Shop=0\r\n"},
        {"the game's own keys are set where they stand",
         "[QuestTut]\nShop=1\nGem=0\n[Main]\nExtra=x\n",
         "[QuestTut]\nShop=1\nGem=1\nBase=0\nWrong=0\nTimer=0\nSandbox=0\nBonus=0\nTotem=0\n"
         "Lock=0\nSteel=0\n[Main]\nExtra=x\nVeteran=0\nSingleTutorial=1\nQuestTutorial=1\n"},
        {"too large to be a settings file is written anew",
         "[Main]\nColour=blue\n" + std::string(os::kMaxIniBytes, ';'), written},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TempDir dir;
        const std::string folder = dir.Folder() + "Players\\Ann";
        const std::string file = dir / "Players/Ann/Settings.ini";
        const std::string target = dir / "Elsewhere/Gone.ini";
        fs::create_directories(dir.Root() / "Players/Ann");
        fs::create_directories(dir.Root() / "Elsewhere");
        if (r.before == "->")
            fs::create_symlink(target, file);
        else if (r.before != "-")
            dir.Write("Players/Ann/Settings.ini", r.before);

        CProfileSettings ann("Ann");
        ann.Load(folder);
        EXPECT_FALSE(dir.Exists("Elsewhere/Gone.ini")) << "the load wrote through the link";
        EXPECT_EQ(fs::is_symlink(file), r.before == "->") << "the load replaced the link";
        ann.Tips[1] = 1;
        ASSERT_TRUE(ann.Save(folder));
        EXPECT_FALSE(fs::is_symlink(file));
        EXPECT_EQ(testsupport::ReadFile(file), r.after);
        EXPECT_FALSE(dir.Exists("Elsewhere/Gone.ini"));
        CProfileSettings read("Ann");
        read.Load(folder);
        EXPECT_EQ(read.Tips, ann.Tips);
    }
}

// A game killed while it rewrote a player's settings leaves the writer's
// temporary file behind: deleting the player takes it along with the folder,
// so the player does not come back at the next start. One save of the
// settings replaces the file once (each replace waits for the disk).
TEST(Profiles, ADeletedPlayerStaysDeletedWhateverAKilledWriteLeft) {
    TempDir dir;
    CProfileList list(dir.Folder() + "Players\\");
    ASSERT_TRUE(list.CreateProfile("Ann") && list.CreateProfile("Bob"));
    FolderWatch watch((dir.Root() / "Players/Ann").string());
    ASSERT_TRUE(watch.Works());
    CProfileSettings ann("Ann");
    ann.Tips[3] = 1;
    ann.Save(list.FolderOf("Ann"));
    std::vector<std::string> temporaries;
    std::map<std::string, int> replaced;
    watch.Seen(&temporaries, &replaced);
    EXPECT_EQ(replaced, (std::map<std::string, int>{{"Settings.ini", 1}}));
    CProfileSettings read;
    read.Load(list.FolderOf("Ann"));
    EXPECT_EQ(read.Tips[3], 1);

    ASSERT_FALSE(temporaries.empty());
    // What this version's writer leaves, and what an earlier one left.
    temporaries.push_back(".Settings.ini.4711.3.tmp");
    for (const std::string& name : temporaries)
        dir.Write("Players/Ann/" + name, "[Main]\nVet");
    list.DeleteProfile("Ann");
    const CProfileList nextStart(dir.Folder() + "Players\\");
    EXPECT_EQ(nextStart.FindByName("Ann"), -1);
    EXPECT_EQ(nextStart.Count(), 1);
    EXPECT_FALSE(dir.Exists("Players/Ann"));
}

} // namespace
