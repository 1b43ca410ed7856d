#include "playerdata/ProfileList.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "engine/ObjectLog.h"
#include "platform/os/Ascii.h"
#include "platform/os/Dir.h"
#include "platform/os/Path.h"
#include "playerdata/ScoreTable.h"

namespace fs = std::filesystem;

namespace {

// Players made this run whose folder could not be made (a user folder that
// cannot be written): they play on unsaved, and every list of their players'
// folder shows them until the run ends. Keyed by where that folder lies.
struct UnsavedPlayer {
    std::string playersFolder;
    CSharedPtr<CProfileSettings> profile;
};
std::vector<UnsavedPlayer>& UnsavedPlayers() {
    static std::vector<UnsavedPlayer> players;
    return players;
}

bool IsBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::string TrimProfileName(const std::string& name) {
    size_t begin = 0, end = name.size();
    while (begin < end && IsBlankOrTab(name[begin]))
        ++begin;
    while (end > begin && IsBlankOrTab(name[end - 1]))
        --end;
    return name.substr(begin, end - begin);
}

bool IsValidProfileName(const std::string& name) {
    if (name.empty() || name.size() > CProfileList::kMaxNameLength || TrimProfileName(name) != name)
        return false;
    for (char c : name)
        if (!IsValidNameChar(static_cast<unsigned char>(c)))
            return false;
    return true;
}

CProfileList::CProfileList(std::string folder) : Folder(std::move(folder)) {
    Profiles.reserve(kReserved);
    Enumerate();
}

int32_t CProfileList::Enumerate() {
    Profiles.clear();
    std::vector<os::DirEntry> entries;
    if (os::ListDir(Folder + "*.*", &entries))
        for (const os::DirEntry& e : entries) {
            if (!e.isDirectory || e.isSymlink || !IsValidProfileName(e.name))
                continue;
            CSharedPtr<CProfileSettings> profile(new CProfileSettings(e.name));
            profile->Load(FolderOf(e.name));
            Profiles.push_back(profile);
        }
    const std::string where = os::ResolveWriteTarget(Folder);
    for (const UnsavedPlayer& p : UnsavedPlayers())
        if (p.playersFolder == where && FindByName(p.profile->Name) < 0)
            Profiles.push_back(p.profile);
    return 1;
}

int32_t CProfileList::FindByName(const std::string& name) const {
    for (size_t i = 0; i < Profiles.size(); ++i)
        if (os::EqualsNoCase(Profiles[i]->Name, name))
            return static_cast<int32_t>(i);
    return -1;
}

int32_t CProfileList::CreateProfile(const std::string& name) {
    if (!IsValidProfileName(name)) {
        Enumerate();
        return 0;
    }
    // The first run has no players' folder yet.
    os::MakeFolders(Folder);
    const bool made = os::CreateDir(FolderOf(name));
    if (!made && FindByName(name) < 0)
        UnsavedPlayers().push_back({os::ResolveWriteTarget(Folder),
                                    CSharedPtr<CProfileSettings>(new CProfileSettings(name))});
    Enumerate();
    return made ? 1 : 0;
}

void CProfileList::DeleteProfile(const std::string& name) {
    // On a case-sensitive file system "Bob" and "BOB" may both be folders.
    for (size_t i = 0; i < Profiles.size(); ++i)
        if (Profiles[i]->Name == name) {
            DeleteProfileAt(static_cast<int32_t>(i));
            return;
        }
    DeleteProfileAt(FindByName(name));
}

void CProfileList::DeleteProfileAt(int32_t index) {
    if (index < 0 || index >= Count())
        return;
    // The folder as it is named on disk: the name typed may differ in case.
    const CSharedPtr<CProfileSettings> profile = Profiles[static_cast<size_t>(index)];
    DeleteFolderFiles(FolderOf(profile->Name));
    std::erase_if(UnsavedPlayers(),
                  [&](const UnsavedPlayer& p) { return p.profile.Get() == profile.Get(); });
    Profiles.erase(Profiles.begin() + index);
}

int32_t CProfileList::DeleteFolderFiles(const std::string& profileFolder) const {
    std::error_code ec;
    const fs::path folder = os::ResolveWriteTarget(profileFolder);
    if (!fs::is_directory(fs::symlink_status(folder, ec)))
        return -1;
    // The whole folder, whatever the player put into it: a folder left behind
    // would bring the player back at the next start without his quest. Links
    // inside are removed as links, never followed.
    if (os::RemoveTree(profileFolder))
        return 0;
    std::string stayed;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
        stayed += " " + fs::relative(entry.path(), folder, ec).string();
    LogObject("Unable to delete " + folder.string() + (stayed.empty() ? "" : ":" + stayed) +
              "\n");
    return -1;
}

int32_t CProfileList::ChooseAtStartup(std::string& optionName) const {
    const int32_t index = FindByName(optionName);
    if (index >= 0)
        return index;
    if (Profiles.empty())
        return -1;
    optionName = Profiles.front()->Name;
    return 0;
}
