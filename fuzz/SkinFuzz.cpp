// Skin.cfg: the quest field's layout and the field built from it (board place,
// frame, sand box and its effects, gem bar) must take any values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FieldHarness.h"
#include "FuzzSupport.h"
#include "playfield/GemsBar.h"
#include "playfield/QuestFieldLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("Data/Config/Skin.cfg", data, size);
    CQuestFieldLayout layout;
    layout.Load(path);
    if (layout.AlphaByte < 0 || layout.AlphaByte > 255)
        std::abort();

    CGemsBar bar;
    bar.LoadLayout(path);

    fuzz::FieldHarness harness(layout);
    CPlayField& field = harness.Field();
    field.LevelNumber = 3;
    field.SetColours(3);
    field.Reset(0);
    field.Show(true, 1, 0.0f);
    field.SetActive(false);
    harness.Frames(45);
    return 0;
}
