#pragma once
// The pictures of the Jungle and the Valley backdrops and their sections of
// "Background.cfg", written from the same layout so that every rectangle the
// configuration names is the one the pictures were painted at:
//
//   Jungle.jpg: the jungle clearing (rows [0, 768)) with six jade glyph
//     sockets carved up the temple's stair; below it the six lit sockets and
//     the shaft of light that rises from a lit one.
//   JungleFog, JungleMask: the tileable mist and where it hangs (grey and
//     alpha alike); JungleFlareRays: the sunbeams through the canopy;
//     JungleFlashMask.bmp: where fireflies may glow (256 x 102, 24-bit grey).
//   Valley.jpg: the valley at dusk (rows [0, 768)) with the faint stars of a
//     constellation; below it the eight lit stars and the line of light that
//     joins two of them. It is laid with the screen blend over the clouds.
//   ValleyCloud: the tileable cloud sheet; ValleyMask: where the sheet fades
//     out towards its far edge; ValleyFlareRays: the setting sun's rays.
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace gen {
namespace backdrops {

// The sections "[Jungle]" and "[Valley]".
void WriteJungleConfig(std::ostringstream& out);
void WriteValleyConfig(std::ostringstream& out);
// Writes the pictures into `gfx`; false with the reason in `error`.
bool WriteJungleArt(const std::filesystem::path& gfx, std::string& error);
bool WriteValleyArt(const std::filesystem::path& gfx, std::string& error);
// The files they write, below Data/Gfx.
std::vector<std::string> JungleValleyFiles();

} // namespace backdrops
} // namespace gen
