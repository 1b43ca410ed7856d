// Level files: read, taken in by the play field in either difficulty (its limits
// feed arithmetic) and built into a board that settles, as a level start does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FieldHarness.h"
#include "FuzzSupport.h"
#include "playfield/LevelDesc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CQuestFieldLayout layout;
    const std::string path = fuzz::WriteInput("Data/Lvl/l14.lvl", data, size);

    CLevelDesc desc;
    if (LoadLevelFile(desc, path) != 0) {
        for (int32_t r = -1; r <= CLevelDesc::kRows; ++r)
            for (int32_t c = -1; c <= CLevelDesc::kColumns; ++c)
                (void)(desc.BoardCode(c, r) + desc.LockCode(c, r) + desc.BonusCode(c, r) +
                       desc.FixedCode(c, r) + desc.GemCode(c, r));
        (void)desc.GroupsFit(64);
    }

    for (int32_t hard = 0; hard <= 1; ++hard) {
        fuzz::FieldHarness harness(layout);
        CPlayField& field = harness.Field();
        field.HardMode = hard;
        field.LevelNumber = 14;
        field.SetColours(14);
        const int32_t read = field.LoadLevel(path);
        if (read == 0 && hard == 0)
            return 0;
        if (field.SteelLimit < 0 && desc.SteelLimit >= 0)
            std::abort();
        if (field.LockLimit < 0 && desc.LockLimit >= 0)
            std::abort();
        field.Reset(0);
        field.Show(true, 1, 0.0f);
        field.SetActive(false);
        harness.Frames(60);
    }
    return 0;
}
