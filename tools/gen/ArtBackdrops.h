#pragma once
// The pictures of the animated backdrops and their section of
// "Background.cfg", written together so that every rectangle the
// configuration names is the one the pictures were packed at:
//
//   Museum.jpg: the museum hall (rows [0, 768)) with a glass case of five
//     cushions; below it the five relics on their cushions, the light beam
//     that rises from a relic and the luminous map that unrolls in the alcove.
//   MuseumDust, MuseumDustMask, MuseumFlareRays: drifting motes, the light
//     shafts they show in, and the slowly turning fan of light on the relic.
//   Door.jpg: the temple wall between two braziers, a stone door in a
//     corbelled frame with ten gem sockets, steps below (rows [0, 768)); below
//     it the ten gems and the light they throw along the wall. DoorShadow,
//     DoorMask: the dappled shade drifting over the steps; DoorFoliage: the two
//     hanging curtains, the passage behind the door, the leaf and its shade.
//   Treasury.jpg: the vault over its hoard with twelve gem sockets; below it
//     the gems and their beam. TreasuryRays, TreasuryMask, TreasuryDust: the
//     sun-ray sheet, the shaft of light and the motes in it;
//     TreasuryElements: the gold ornament, the closed chest and its shadow.
//   MainBack.jpg: the jungle temple at dawn (rows [0, 768)) and a tileable
//     strip of dawn sky below it; MainSkyMask, MainLeafMask: where the sky
//     strip and the falling leaves show; MainElements: the hanging foliage,
//     the stone face with its closed eyes and speaking lips, vines, a cloth
//     map, an idol, the sunrise glow and three leaves; MainFoliage: the front
//     branch.
#include <filesystem>
#include <string>
#include <vector>

namespace gen {

// Writes the pictures into Data/Gfx and "Background.cfg" into Data/Config of
// the game folder. 0 on success.
int GenerateBackdrops(const std::filesystem::path& gameRoot);
// The files GenerateBackdrops writes, relative to the game folder.
std::vector<std::string> BackdropFiles();
// The text of "Background.cfg".
std::string BackgroundConfigText();

} // namespace gen
