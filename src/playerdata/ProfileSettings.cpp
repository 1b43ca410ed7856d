#include "playerdata/ProfileSettings.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "engine/IniHelpers.h"
#include "platform/os/Ini.h"
#include "platform/os/Path.h"
#include "platform/os/SafeWrite.h"

namespace {

const char* const kTipKeys[CProfileSettings::kTips] = {
    "Base", "Gem", "Wrong", "Timer", "Sandbox", "Bonus", "Totem", "Lock", "Steel", "Shop"};

std::string SettingsPath(const std::string& folder) {
    return folder + "\\Settings.ini";
}

// A profile folder holds its settings file, if only an empty one. Only a name
// nothing stands at is made: a link there, even one to nothing, is the
// player's, and loading a player never writes through it.
void EnsureFile(const std::string& path) {
    if (FILE* f = os::Open(path, "rb")) {
        std::fclose(f);
        return;
    }
    struct stat st;
    if (lstat(os::ResolveWriteTarget(path).c_str(), &st) != 0 && errno == ENOENT)
        os::WriteFileSafely(path, "");
}

} // namespace

CProfileSettings::CProfileSettings(std::string name) : Name(std::move(name)) {}

int32_t CProfileSettings::Load(const std::string& profileFolder) {
    const std::string path = SettingsPath(profileFolder);
    if (!profileFolder.empty())
        EnsureFile(path);
    const std::string veteran = os::GetProfileString("Main", "Veteran", "0", path);
    const std::string single = os::GetProfileString("Main", "SingleTutorial", "1", path);
    const std::string quest = os::GetProfileString("Main", "QuestTutorial", "1", path);
    Veteran = (!veteran.empty() && veteran[0] == '1') ? 1 : 0;
    SingleTutorial = (!single.empty() && single[0] == '0') ? 0 : 1;
    QuestTutorial = (!quest.empty() && quest[0] == '0') ? 0 : 1;
    if (Veteran)
        QuestTutorial = 0;
    for (int32_t i = 0; i < kTips; ++i)
        Tips[static_cast<size_t>(i)] = GetIniInt(path, "QuestTut", kTipKeys[i], "0") == 1 ? 1 : 0;
    return 1;
}

bool CProfileSettings::Save(const std::string& profileFolder) const {
    // No profile, no folder: "\Settings.ini" alone would name the root.
    if (profileFolder.empty())
        return false;
    auto flag = [](int32_t v) { return v ? "1" : "0"; };
    std::vector<os::ProfileEntry> entries = {{"Main", "Veteran", flag(Veteran)},
                                             {"Main", "SingleTutorial", flag(SingleTutorial)},
                                             {"Main", "QuestTutorial", flag(QuestTutorial)}};
    for (int32_t i = 0; i < kTips; ++i)
        entries.push_back({"QuestTut", kTipKeys[i], flag(Tips[static_cast<size_t>(i)])});
    // One replace of the file for the whole profile: each is flushed to the
    // disk. What the game does not write (a hand edit, another build's keys)
    // stays; only a file that cannot be read is replaced whole.
    return os::WriteProfileStrings(entries, SettingsPath(profileFolder), true);
}

int32_t CProfileSettings::Switch(int32_t index) const {
    switch (index) {
    case 7: return Veteran;
    case 8: return SingleTutorial;
    case kTipsOnSwitch: return QuestTutorial;
    default: break;
    }
    if (index >= kFirstTipSwitch && index < kFirstTipSwitch + kTips)
        return Tips[static_cast<size_t>(index - kFirstTipSwitch)];
    return 0;
}

void CProfileSettings::SetSwitch(int32_t index, int32_t value) {
    switch (index) {
    case 7: Veteran = value; return;
    case 8: SingleTutorial = value; return;
    case kTipsOnSwitch: QuestTutorial = value; return;
    default: break;
    }
    if (index >= kFirstTipSwitch && index < kFirstTipSwitch + kTips)
        Tips[static_cast<size_t>(index - kFirstTipSwitch)] = value;
}
