// The quest save: any bytes are refused or read into a record the game can use.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "playerdata/QuestState.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("Players/Fuzz/Quest.sav", data, size);
    CQuestState state;
    if (state.Load(path) == 1) {
        // What loads must stand the game's use: a board only when saved in
        // play, and every cell in range.
        if ((state.SavedSubState == CQuestState::kTakenInPlay) != state.HasBoard())
            std::abort();
        for (int32_t r = 0; r < CQuestState::kBoardSize; ++r)
            for (int32_t c = 0; c < CQuestState::kBoardSize; ++c)
                if (state.Cell(CQuestState::kBonusLevelGrid, c, r) > CQuestState::kMaxBonusLevel)
                    std::abort();
    }
    return 0;
}
