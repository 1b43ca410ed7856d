// "Background.cfg" sizes arrays and divides by its values: any bytes must load,
// build the geometry and run every stage backdrop and the main menu for a
// while (stage decorations, map, fog, clouds, door, chest, leaves, foliage)
// without reading or writing out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "backgrounds/BackgroundsManager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("Data/Config/Background.cfg", data, size);
    CBackgroundsManager manager;
    manager.LoadParams(path.c_str());
    manager.Init("Data/Gfx/");
    manager.Enabled = 1;
    for (int id : {CBackgroundsManager::kMuseum, CBackgroundsManager::kJungle,
                   CBackgroundsManager::kValley, CBackgroundsManager::kDoor,
                   CBackgroundsManager::kTreasury, CBackgroundsManager::kMainMenu}) {
        manager.SetBackground(id);
        manager.SetStage(12, 0);
        for (int frame = 0; frame < 70; ++frame) {
            manager.MainMenu().Hover = frame & 8;
            manager.Update(0.1f);
        }
        manager.SetStage(2, 1);
        manager.Update(0.5f);
        manager.RenderCurrent();
    }
    return 0;
}
