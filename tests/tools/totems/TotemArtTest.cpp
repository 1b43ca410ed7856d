// The totem pictures and "Totems.cfg" as the generator writes them: the same
// bytes every time, and every figure part the file names cuts a painted
// (not empty) rectangle out of its colour's picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/IniHelpers.h"
#include "platform/image/Image.h"
#include "support/TempDir.h"
#include "tools/gen/TotemArt.h"

namespace {

using testsupport::TempDir;

TEST(TotemArt, DeterministicAndEveryPartCutsAPaintedRectangle) {
    TempDir a, b;
    std::string error;
    ASSERT_TRUE(gen::WriteTotemArt(a.Root(), error)) << error;
    ASSERT_TRUE(gen::WriteTotemArt(b.Root(), error)) << error;
    for (const std::string& file : gen::TotemArtFiles())
        EXPECT_TRUE(testsupport::ReadFile((a.Root() / file).string()) ==
                    testsupport::ReadFile((b.Root() / file).string()))
            << file;

    const std::string cfg = (a.Root() / "Data/Config/Totems.cfg").string();
    for (const char* colour : {"Green", "Yellow", "Red", "Blue", "Orange", "White", "Violet"}) {
        img::Image picture;
        ASSERT_EQ(
            img::DecodeFile((a.Root() / "Data/Gfx" / (std::string(colour) + "Totem.png")).string(),
                            picture),
            img::DecodeError::None);
        float size[2] = {};
        GetIniFloat2(size, cfg, colour, "MainTextureSize", "0 0");
        ASSERT_EQ(size[0], float(picture.width)) << colour;
        const int32_t parts = GetIniInt(cfg, colour, "Main4SpritesCount", "0");
        // Yellow adds its nugget, Green its chain and Blue its two steel caps,
        // which their powers fade or clear.
        const std::string name = colour;
        const int32_t extra = name == "Yellow" || name == "Green" ? 1 : name == "Blue" ? 2 : 0;
        EXPECT_EQ(parts, 5 + extra) << colour << ": a body and four ornaments at tier 4";
        auto mostAlpha = [&](const char* key) {
            float t[4] = {};
            GetIniFloat4(t, cfg, colour, key, "0 0 0 0");
            const int x0 = int(std::min(t[0], t[2])), x1 = int(std::max(t[0], t[2]));
            int most = 0;
            for (int y = int(t[1]); y < int(t[3]); ++y)
                for (int x = x0; x < x1; ++x)
                    most =
                        std::max<int>(most, picture.rgba[(size_t(y) * picture.width + x) * 4 + 3]);
            return most;
        };
        for (int32_t i = 0; i < parts; ++i)
            EXPECT_EQ(mostAlpha(("Main4SpriteT" + std::to_string(i)).c_str()), 255)
                << colour << " part " << i;
        // What a power clears shows nothing.
        for (const char* cleared : {"NoChainT", "Empty3T0", "Empty3T1"})
            if (name == (cleared[0] == 'N' ? "Green" : "Blue"))
                EXPECT_EQ(mostAlpha(cleared), 0) << colour << " " << cleared;
    }
}

} // namespace
