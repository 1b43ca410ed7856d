#pragma once
// The player profiles: one folder per player below "Players\", named after the
// player. The list holds the folders found on disk (in the order of the folder
// listing) with their settings; names compare without regard to letter case.
//
// A profile name is 1 to 12 characters of the name set (letters, digits, '_',
// '-', blank) without blanks at either end, so a name can never reach outside
// the players' folder. Folders with other names, and symbolic links, are not
// profiles.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/SharedPtr.h"
#include "playerdata/ProfileSettings.h"

class CProfileList {
public:
    static constexpr size_t kMaxNameLength = 12;
    static constexpr size_t kReserved = 32;

    // `folder` is the players' folder with its trailing separator ("Players\\").
    explicit CProfileList(std::string folder);

    // Rebuilds the list from the disk (each profile's settings loaded, a
    // missing "\Settings.ini" created empty); 1.
    int32_t Enumerate();
    // Index of the profile named `name` in any letter case, or -1.
    int32_t FindByName(const std::string& name) const;
    // Makes the profile's folder (and the players' folder when it is missing)
    // and re-reads the list; 1 when the folder was made. A name that is not a
    // profile name is refused (0). A folder that cannot be made leaves the
    // player in the list unsaved (0): every list of this players' folder shows
    // him for the rest of the run, so that the player can play on.
    int32_t CreateProfile(const std::string& name);
    // Removes the profile's files and folder and takes it out of the list.
    // A name matching one profile exactly names that one, whatever others
    // differ from it in letter case only.
    void DeleteProfile(const std::string& name);
    // The same for the profile at `index`; any other index does nothing.
    void DeleteProfileAt(int32_t index);
    // Removes a profile folder with everything in it; 0 when it went. A folder
    // that is a symbolic link is refused, and links inside are removed as
    // links, never followed. What could not be removed is logged.
    int32_t DeleteFolderFiles(const std::string& profileFolder) const;
    // The profile to make current at start-up: the one named in the options,
    // else the first (whose name is then put into `optionName`), else -1.
    int32_t ChooseAtStartup(std::string& optionName) const;

    // The folder of a profile: the players' folder followed by the name.
    std::string FolderOf(const std::string& name) const { return Folder + name; }
    int32_t Count() const { return static_cast<int32_t>(Profiles.size()); }

    std::string Folder;
    std::vector<CSharedPtr<CProfileSettings>> Profiles;
};

// Leading and trailing blanks and tabs removed.
std::string TrimProfileName(const std::string& name);
// True for a name a profile may have (see above).
bool IsValidProfileName(const std::string& name);
