#include "playerdata/QuestSlots.h"

#include <cstdio>
#include <sys/stat.h>
#include <utility>

#include "platform/os/Dir.h"
#include "platform/os/Path.h"
#include "playerdata/FileFault.h"
#include "playerdata/QuestState.h"
#include "playerdata/SafeFile.h"

namespace {

const char* const kSlotFiles[CQuestSlots::kSlots] = {"\\Quest.sav", "\\QuestAS1.sav",
                                                     "\\QuestAS2.sav"};
constexpr size_t kCopyChunk = 2048;

// Whether anything at all has the name where the game writes it.
bool Taken(const std::string& gamePath) {
    struct stat st;
    return lstat(os::ResolveWriteTarget(gamePath).c_str(), &st) == 0;
}

} // namespace

CQuestSlots::CQuestSlots(std::string profileFolder) : folder_(std::move(profileFolder)) {}

std::string CQuestSlots::PathOf(int32_t slot) const {
    if (slot < 0 || slot >= kSlots)
        return std::string();
    return folder_ + kSlotFiles[slot];
}

void CQuestSlots::Delete(bool alsoSecond) const {
    os::RemoveFile(PathOf(kMain));
    os::RemoveFile(PathOf(kFirstCopy));
    if (alsoSecond)
        os::RemoveFile(PathOf(kSecondCopy));
}

bool CQuestSlots::Rotate() const {
    // One step, so that a crash in between never leaves neither copy; without
    // a first copy the old second one goes all the same.
    if (os::RenameReplacing(PathOf(kFirstCopy), PathOf(kSecondCopy)))
        return true;
    os::RemoveFile(PathOf(kSecondCopy));
    return !Taken(PathOf(kFirstCopy)) && !Taken(PathOf(kSecondCopy));
}

bool CQuestSlots::RestoreFirstFromSecond() const {
    FILE* in = os::Open(PathOf(kSecondCopy), "rb");
    if (in == nullptr)
        return false;
    CSafeFile out(PathOf(kFirstCopy));
    bool ok = out.Open() != nullptr;
    char buffer[kCopyChunk];
    while (ok) {
        const size_t n = std::fread(buffer, 1, sizeof buffer, in);
        ok = out.Write(buffer, n);
        if (n < sizeof buffer) {
            ok = ok && std::ferror(in) == 0;
            break;
        }
    }
    std::fclose(in);
    if (ok && out.Commit())
        return true;
    out.Abort();
    LogFileFault("Error. Unable to save file", PathOf(kFirstCopy), 0,
                 "the automatic copy could not be restored");
    return false;
}

bool CQuestSlots::SaveMainAndFirstCopy(const CQuestState& state) const {
    const bool main = state.Save(PathOf(kMain)) != 0;
    const bool copy = state.Save(PathOf(kFirstCopy)) != 0;
    return main && copy;
}

int32_t CQuestSlots::LoadToContinue(CQuestState& state) const {
    // A damaged main save must not send the player further back than the
    // newest good copy.
    for (int32_t slot : {kMain, kFirstCopy, kSecondCopy})
        if (state.Load(PathOf(slot)))
            return slot;
    return kNone;
}

bool CQuestSlots::Exists(int32_t slot) const {
    FILE* f = os::Open(PathOf(slot), "rb");
    if (f == nullptr)
        return false;
    std::fclose(f);
    return true;
}
