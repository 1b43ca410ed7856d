#include "GenCommon.h"

#include <cstdio>
#include <cstring>

namespace gen {

bool EnsureFolder(const std::filesystem::path& folder, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "cannot create " + folder.string() + ": " + ec.message();
        return false;
    }
    if (!std::filesystem::is_directory(folder, ec)) {
        error = folder.string() + " is not a folder";
        return false;
    }
    return true;
}

bool WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes,
                std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot open " + path.string() + " for writing";
        return false;
    }
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        std::remove(path.c_str());
        error = "cannot write " + path.string();
    }
    return ok;
}

bool WriteText(const std::filesystem::path& path, const std::string& text, std::string& error) {
    return WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()), error);
}

void PutLe32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

void PutFloat(std::vector<uint8_t>& out, float value) {
    uint32_t bits;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    PutLe32(out, bits);
}

}  // namespace gen
