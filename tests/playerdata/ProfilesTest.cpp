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
