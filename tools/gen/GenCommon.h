#pragma once
// Small helpers shared by the data generators: folders and whole-file writes.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace gen {

// Creates `folder` and its parents when missing. False, with a message in
// `error`, when it cannot be created or exists as something else.
bool EnsureFolder(const std::filesystem::path& folder, std::string& error);

// Writes `bytes` to `path`, replacing the file. A failed write leaves no
// partial file behind.
bool WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes,
                std::string& error);
bool WriteText(const std::filesystem::path& path, const std::string& text, std::string& error);

// Little-endian appenders for binary data files.
void PutLe32(std::vector<uint8_t>& out, uint32_t value);
void PutFloat(std::vector<uint8_t>& out, float value);

}  // namespace gen
