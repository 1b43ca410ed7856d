#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzz {
namespace {

// One scratch folder per process, made the working directory once.
const std::filesystem::path& ScratchFolder() {
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "gvfuzzXXXXXX").string();
        char* made = mkdtemp(pattern.data());
        if (made == nullptr) std::abort();
        std::filesystem::current_path(made);
        return std::filesystem::path(made);
    }();
    return folder;
}

}  // namespace

std::string WriteInput(const std::string& relativePath, const uint8_t* data, size_t size) {
    const std::filesystem::path full = ScratchFolder() / relativePath;
    std::filesystem::create_directories(full.parent_path());
    FILE* file = std::fopen(full.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    return relativePath;
}

}  // namespace fuzz
