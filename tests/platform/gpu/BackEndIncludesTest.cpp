// The drawing layer's include direction: what every back end shares (the
// files directly in src/platform/gpu) includes no back end, and no back end
// (a folder below it) includes another. The back ends meet only in what they
// share; a factory hands out their devices through the device API.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSrc = fs::path(GV_SOURCE_DIR) / "src";
const fs::path kGpu = kSrc / "platform" / "gpu";

// The back-end folder a file of the drawing layer lies in ("" for the shared
// level), or NoFolder when it lies outside the layer.
const char* const NoFolder = "(outside)";
std::string FolderOf(const fs::path& file) {
    const fs::path rel = file.lexically_normal().lexically_relative(kGpu);
    if (rel.empty() || *rel.begin() == "..")
        return NoFolder;
    return std::next(rel.begin()) == rel.end() ? std::string() : rel.begin()->string();
}

// Every quoted include of `file`, resolved from src/ or from the file's folder.
std::vector<fs::path> QuotedIncludes(const fs::path& file) {
    std::vector<fs::path> out;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const size_t hash = line.find_first_not_of(" \t");
        if (hash == std::string::npos || line.compare(hash, 1, "#") != 0 ||
            line.find("include", hash) == std::string::npos)
            continue;
        const size_t open = line.find('"'), close = line.rfind('"');
        if (open == std::string::npos || close <= open)
            continue;
        const std::string name = line.substr(open + 1, close - open - 1);
        const fs::path besideFile = file.parent_path() / name;
        out.push_back(fs::exists(besideFile) ? besideFile : kSrc / name);
    }
    return out;
}

TEST(BackEndIncludes, SharedLevelIncludesNoBackEndAndNoBackEndAnother) {
    ASSERT_TRUE(fs::is_directory(kGpu)) << kGpu;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kGpu)) {
        if (!entry.is_regular_file())
            continue;
        const std::string ext = entry.path().extension().string();
        if (ext != ".h" && ext != ".cpp" && ext != ".inc")
            continue;
        ++files;
        const std::string from = FolderOf(entry.path());
        for (const fs::path& included : QuotedIncludes(entry.path())) {
            const std::string to = FolderOf(included);
            if (to != NoFolder && !to.empty())
                EXPECT_EQ(to, from) << entry.path().lexically_relative(kSrc) << " includes "
                                    << included.lexically_normal().lexically_relative(kSrc);
        }
    }
    EXPECT_GT(files, 20);
}

} // namespace
