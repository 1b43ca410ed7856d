#pragma once
// The power totems' pictures and their layout file "Totems.cfg": seven carved
// stone totem figures, one per gem colour, each with its own head silhouette
// and gem inlays lit like the tokens, their tier ornaments (a gold collar,
// wings, a crown), the standing figures of the panel, shadows, eye glows, the
// panel's base, covers and contours, the clock digits of the time effects and
// the pictures of the colour powers. The sprite rectangles written into
// "Totems.cfg" come from the same cell tables that place the pictures in
// their atlases.
#include <filesystem>
#include <string>
#include <vector>

namespace gen {

// Every file this generator writes, relative to the game folder.
std::vector<std::string> TotemArtFiles();

// Writes them below `gameRoot`; false with the reason in `error`.
bool WriteTotemArt(const std::filesystem::path& gameRoot, std::string& error);

// WriteTotemArt for the generator's main: 0 on success, else 1 after a message.
int GenerateTotemArt(const std::filesystem::path& gameRoot);

// The shop's portrait of a colour's figure: the figure's 180 x 240 middle
// scaled into `width` x `height` texels, in its colours or, `carved`, as the
// same figure in dark grey stone (a totem not yet offered), or, with
// `silhouette`, as its plain shape.
enum class TotemPortrait { Colour, Carved, Silhouette };
class FloatImage;
FloatImage PaintTotemPortrait(int colour, int width, int height, TotemPortrait look);

} // namespace gen
