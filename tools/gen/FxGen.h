#pragma once
// The effect, bonus and game pictures: every texture the effects, the
// bonuses, the dune effect and the game object load from "Data/Gfx/" (see
// FxSprites.h, FxBonus.h, FxSandbox.h, ArtBoard.h, ArtScenes.h for their
// layouts), the stage backdrops and the splash cards in "fsdata/".
#include <filesystem>
#include <string>
#include <vector>

namespace gen {

// Every file this generator writes, relative to the game folder.
std::vector<std::string> EffectsArtFiles();

// Writes them all below `gameRoot`. The loading picture and the title card
// letter the game's title, taken from "appname.txt" in the game folder when
// there is one. False, with the reason in `error`, when a file cannot be
// written or no font can set the lettering.
bool WriteEffectsArt(const std::filesystem::path& gameRoot, std::string& error);

// WriteEffectsArt for the generator's main: 0 on success; on failure prints
// why to stderr and returns 1.
int GenerateEffectsArt(const std::filesystem::path& gameRoot);

}  // namespace gen
