#pragma once
// The game's application icon: a cut ruby on a carved tablet of jungle-green
// stone with a gold inlay, lit from the top left like every picture of the
// game. Drawn afresh at each size (not scaled from one), so that the small
// sizes stay sharp and the gem fills most of the square, reading at 48 px.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Raster.h"

namespace gen {

// The sizes a desktop's icon theme asks for (hicolor's NxN folders).
inline constexpr int kIconSizes[] = {48, 128, 256};

// The icon as a `size` x `size` picture.
FloatImage PaintIcon(int size);

// The size of the icon the game gives its own window.
inline constexpr int kWindowIconSize = 64;

// Writes the icon as a `size` x `size` PNG file. 0 on success, else 1 with a
// message on stderr.
int WriteIcon(const std::filesystem::path& file, int size);

// Writes the icon at every size of kIconSizes into an icon theme folder:
// `<theme>/<N>x<N>/apps/<name>.png`. 0 on success, else 1 with a message on
// stderr.
int GenerateIcons(const std::filesystem::path& theme, const std::string& name);

} // namespace gen
