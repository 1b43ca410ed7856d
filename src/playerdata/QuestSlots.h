#pragma once
// The three quest files of a profile folder: the main save "\Quest.sav" and the
// automatic copies "\QuestAS1.sav" (the shop after the last completed level) and
// "\QuestAS2.sav" (the one before). The game object decides when; these are the
// file operations.
#include <cstdint>
#include <string>

class CQuestState;

class CQuestSlots {
public:
    enum Slot : int32_t { kMain = 0, kFirstCopy = 1, kSecondCopy = 2, kNone = -1 };
    static constexpr int32_t kSlots = 3;

    // `profileFolder` without a trailing separator ("Players\\Ann").
    explicit CQuestSlots(std::string profileFolder);

    std::string PathOf(int32_t slot) const;

    // Removes the main save and the first copy, and the second copy too when
    // asked. Missing files are no failure.
    void Delete(bool alsoSecond) const;
    // The first copy becomes the second one (the old second copy goes). False
    // when the old copies could not be moved on: the first is still there, or
    // something other than the first copy holds the second's name.
    bool Rotate() const;
    // Makes the first copy a byte-for-byte copy of the second. False when the
    // second copy cannot be read or the copy cannot be written in full (the
    // first copy is then as it was); the failure is logged.
    bool RestoreFirstFromSecond() const;
    // The main save, then the first copy, each written safely. False when
    // either failed (each failure is logged by the record).
    bool SaveMainAndFirstCopy(const CQuestState& state) const;
    // Tries the main save, then the automatic copies newest first (the first
    // copy, then the second), and returns the slot that loaded, or kNone.
    int32_t LoadToContinue(CQuestState& state) const;
    // True when the slot's file is there (loadable or not).
    bool Exists(int32_t slot) const;

private:
    std::string folder_;
};
