#include "engine/DataPaths.h"

#include "platform/os/Path.h"

CDataPaths::CDataPaths()
    : GfxPath("Data\\Gfx\\"), SfxPath("Data\\Sfx\\"), MusicPath("Music\\"),
      ConfigPath("Data\\Config\\"), GameDataPath("Data\\GameData\\"), TxtPath("Data\\Txt\\"),
      FontsPath("Data\\Fonts\\"), PlayersPath(std::string(os::kPlayersFolder) + "\\"),
      ModelsPath("Data\\Gfx\\Models\\"), FormsPath("Data\\Forms\\"), DataPath("Data\\"),
      LevelsPath("Data\\Lvl\\"), FallAcceleration(2000.0f), BounceFactor(0.05f), SwapTime(0.4f),
      PanelDelay(15.0f), PanelShowTime(3.0f), HintArrowTime(2.0f), ActionInputLock(1.5f),
      LevelEndDelay(2.0f), HintDelay(50.0f) {}
