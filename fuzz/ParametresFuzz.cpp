// Gems.cfg and Bonus.cfg: any values must load into parameters that the gems and
// bonuses of a level then use without undefined behaviour.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FieldHarness.h"
#include "FuzzSupport.h"
#include "bonuses/BonusParametres.h"

#ifndef GV_PARAMETRES_FILE
#error "GV_PARAMETRES_FILE names the file under test"
#endif

namespace {

// Every bonus digit and gems on a board that settles.
const char kLevel[] =
    "GEMSCOUNT 8\nSET ( 0 1 2 3 4 5 )\n"
    "BEGIN \"xxxxxxxx\" \"xxxxxxxx\" \"xxxxxxxx\" \"xxxxxxxx\" \"xxxxxxxx\" \"xxxxxxxx\" "
    "\"xxxxxxxx\" \"xxxxxxxx\"\n"
    "BONUS \"012345--\" \"--------\" \"543210--\" \"--------\" \"--------\" \"--------\" "
    "\"--------\" \"--------\"\n"
    "GEMS \"--------\" \"gggg----\" \"--------\" \"----gggg\" \"--------\" \"--------\" "
    "\"--------\" \"--------\"\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CQuestFieldLayout layout;
    const std::string path = fuzz::WriteInput("Data/Config/" GV_PARAMETRES_FILE, data, size);
    g_gemsParams = CGemsParametres();
    g_bonusParams = CBonusParametres();
    if (std::string(GV_PARAMETRES_FILE) == "Gems.cfg") {
        g_gemsParams.Load(path);
        for (int32_t colour = -1; colour <= 8; ++colour) {
            float dx = 0.0f, dy = 0.0f;
            g_gemsParams.RandomFlareOffset(colour, colour & 1, &dx, &dy);
        }
    } else {
        g_bonusParams.Load(path);
    }

    const std::string level = fuzz::WriteInput(
        "Data/Lvl/l20.lvl", reinterpret_cast<const uint8_t*>(kLevel), sizeof kLevel - 1);
    fuzz::FieldHarness harness(layout);
    CPlayField& field = harness.Field();
    field.LevelNumber = 20;
    field.SetColours(20);
    field.LoadLevel(level);
    field.Reset(0);
    field.Show(true, 1, 0.0f);
    field.SetActive(false);
    harness.Frames(90);
    return 0;
}
