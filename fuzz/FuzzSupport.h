#pragma once
// Shared by the fuzz targets: the readers take file names, so each input is written
// to a scratch folder laid out like the game folder, which is also the working
// directory (the game's paths are relative to it).
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Writes the input to `relativePath` below the scratch folder (creating its folders)
// and returns the path the game's readers use for it.
std::string WriteInput(const std::string& relativePath, const uint8_t* data, size_t size);

}  // namespace fuzz
