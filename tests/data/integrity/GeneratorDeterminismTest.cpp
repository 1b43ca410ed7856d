// The data generator writes the same bytes on every run: each of its parts,
// run again here into a fresh folder, gives exactly the files the build's own
// run put into the game folder. One test per part keeps each one short.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "tools/gen/ArtBackdrops.h"
#include "tools/gen/CapsGen.h"
#include "tools/gen/FontGen.h"
#include "tools/gen/FxGen.h"
#include "tools/gen/MenuForms.h"
#include "tools/gen/MusicGen.h"
#include "tools/gen/SoundGen.h"
#include "tools/gen/TotemArt.h"

namespace {

namespace fs = std::filesystem;

// Size and FNV-1a hash of every file below `root`, by its path relative to it.
std::map<std::string, std::pair<uintmax_t, uint64_t>> HashTree(const fs::path& root) {
    std::map<std::string, std::pair<uintmax_t, uint64_t>> out;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        uint64_t hash = 1469598103934665603ull;
        FILE* f = std::fopen(entry.path().c_str(), "rb");
        if (f) {
            unsigned char buf[1 << 16];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
                for (size_t i = 0; i < n; ++i)
                    hash = (hash ^ buf[i]) * 1099511628211ull;
            std::fclose(f);
        }
        out[fs::relative(entry.path(), root).generic_string()] = {entry.file_size(), hash};
    }
    return out;
}

struct Part {
    const char* name;
    int (*generate)(const fs::path&);
    // A part that reads what an earlier one wrote (the menus measure the
    // fonts) has it written first, as the build does.
    int (*before)(const fs::path&) = nullptr;
};

class GeneratorDeterminism : public ::testing::TestWithParam<Part> {};

TEST_P(GeneratorDeterminism, APartRunAgainWritesTheGameFoldersBytes) {
    const fs::path game = GV_GAME_DIR;
    if (!fs::exists(game / "Data"))
        GTEST_SKIP() << "no generated game folder at " << game;
    testsupport::TempDir dir;
    ASSERT_TRUE(dir.Ok());
    // As the build does it: the hand-written data first, the part over it.
    const fs::path fresh = dir.Path("game");
    fs::copy(fs::path(GV_SOURCE_DIR) / "data", fresh, fs::copy_options::recursive);
    if (GetParam().before)
        ASSERT_EQ(GetParam().before(fresh), 0);
    const auto data = HashTree(fresh);
    ASSERT_EQ(GetParam().generate(fresh), 0);

    const auto built = HashTree(game);
    int written = 0;
    for (const auto& [name, sizeHash] : HashTree(fresh)) {
        const auto d = data.find(name);
        if (d != data.end() && d->second == sizeHash)
            continue; // hand-written data the part left alone
        ++written;
        const auto it = built.find(name);
        if (it == built.end()) {
            ADD_FAILURE() << name << " is not in the game folder";
            continue;
        }
        EXPECT_EQ(sizeHash.first, it->second.first) << name << " differs in size";
        EXPECT_EQ(sizeHash.second, it->second.second) << name << " differs in content";
    }
    EXPECT_GT(written, 0) << "the part wrote nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Parts, GeneratorDeterminism,
    ::testing::Values(Part{"Fonts", gen::GenerateFonts}, Part{"Caps", gen::GenerateCaps},
                      Part{"Sounds", gen::GenerateSounds}, Part{"Music", gen::GenerateMusic},
                      Part{"EffectsArt", gen::GenerateEffectsArt},
                      Part{"TotemArt", gen::GenerateTotemArt},
                      Part{"Backdrops", gen::GenerateBackdrops}, Part{"Menus", gen::GenerateMenus, gen::GenerateFonts}),
    [](const ::testing::TestParamInfo<Part>& p) { return p.param.name; });

} // namespace
