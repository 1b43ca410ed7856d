#pragma once
// The data folders below the working directory, and the fixed timing numbers of
// the board that the play field and the game object read. Folders are written the
// way the game names its files (backslashes, trailing separator) so a file path is
// the folder followed directly by the file name; the file layer maps them.
#include <string>

struct CDataPaths {
    CDataPaths();

    std::string GfxPath;
    std::string SfxPath;
    std::string MusicPath;
    std::string ConfigPath;
    std::string GameDataPath;
    std::string TxtPath;
    std::string FontsPath;
    std::string PlayersPath;
    std::string ModelsPath;
    std::string FormsPath;
    std::string DataPath;
    std::string LevelsPath;

    float FallAcceleration; // units per second squared of a falling token
    float BounceFactor;     // rise and time of a landing bounce, as a share of the fall
    float SwapTime;         // seconds of one swap
    float PanelDelay;       // seconds of play before the level screen shows its panel
    float PanelShowTime;    // seconds the panel and the hint windows stay up
    float HintArrowTime;    // seconds the hint arrows stay on a move
    float ActionInputLock;  // seconds the board ignores the player after an action
    float LevelEndDelay;    // seconds between the end flag and leaving the board
    float HintDelay;        // seconds without progress before the hint windows show
};
