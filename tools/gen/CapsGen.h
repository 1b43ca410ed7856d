#pragma once
// The caps data: every texture the caps manager loads from "Data/Gfx/"
// ("Caps.png", "Caps_d.png", "Caps_l.tga", "MemCaps1..3.tga" with their "_l"
// lights, "CursorAdd.bmp", "Chain.png") and "Data/CapsAnimation.dat", which
// says where each animation frame lies in them (layout in CapsLayout.h).
#include <filesystem>
#include <string>

namespace gen {

// Writes the caps textures and the animation file below `gameRoot`. False, with
// the reason in `error`, when a file cannot be written.
bool WriteCaps(const std::filesystem::path& gameRoot, std::string& error);

// WriteCaps for the generator's main: 0 on success; on failure prints why to
// stderr and returns 1.
int GenerateCaps(const std::filesystem::path& gameRoot);

}  // namespace gen
