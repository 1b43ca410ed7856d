// The hand-written configuration of the quest screen and the bonuses:
// "Skin.cfg", "Gems.cfg" and "Bonus.cfg" name only keys their readers know,
// give every bonus key, read through the game's own readers without a
// complaint, and place the board, the trough and the gem bar exactly on the
// pictures the generator paints for them.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bonuses/BonusParametres.h"
#include "playfield/GemsBar.h"
#include "playfield/QuestFieldLayout.h"
#include "support/CapturedLog.h"
#include "tools/gen/ArtBoard.h"
#include "tools/gen/FxBonus.h"
#include "tools/gen/FxSandbox.h"

namespace {

std::string Config(const std::string& name) { return std::string(GV_SOURCE_DIR) + "/data/Data/Config/" + name; }

// section -> key -> value, with the sections and keys in lower case.
using Ini = std::map<std::string, std::map<std::string, std::string>>;

std::string Lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

Ini ReadIni(const std::string& path) {
    Ini ini;
    std::ifstream in(path);
    EXPECT_TRUE(in.good()) << path;
    std::string line, section;
    for (int number = 1; std::getline(in, line); ++number) {
        line = Trim(line);
        if (line.empty() || line[0] == ';')
            continue;
        if (line.front() == '[') {
            EXPECT_EQ(line.back(), ']') << path << ":" << number;
            section = Lower(line.substr(1, line.size() - 2));
            EXPECT_EQ(ini.count(section), 0u) << path << ": section " << section << " given twice";
            ini[section];
            continue;
        }
        const size_t eq = line.find('=');
        EXPECT_NE(eq, std::string::npos) << path << ":" << number << " is neither a key nor a section";
        if (eq == std::string::npos)
            continue;
        const std::string key = Lower(Trim(line.substr(0, eq)));
        EXPECT_FALSE(section.empty()) << path << ":" << number << " key outside a section";
        EXPECT_EQ(ini[section].count(key), 0u) << path << ": " << key << " given twice";
        ini[section][key] = Trim(line.substr(eq + 1));
    }
    return ini;
}

// How many numbers a value holds, or -1 when a word is not a number.
int Numbers(const std::string& value, bool hex) {
    std::istringstream words(value);
    std::string w;
    int n = 0;
    while (words >> w) {
        char* end = nullptr;
        if (hex)
            std::strtoul(w.c_str(), &end, 16);
        else
            std::strtod(w.c_str(), &end);
        if (end == w.c_str() || *end != '\0')
            return -1;
        ++n;
    }
    return n;
}

// Expected keys: "name" -> count of numbers (0: one hex colour). A key with
// `indexes` stands for that many keys, the index in place of "%d" or after
// the name.
struct Key {
    std::string name;
    int numbers;
    int indexes = 0;
};

void ExpectSection(const Ini& ini, const std::string& file, const std::string& section, const std::vector<Key>& keys,
                   bool complete) {
    const auto it = ini.find(Lower(section));
    ASSERT_NE(it, ini.end()) << file << ": no section " << section;
    std::set<std::string> known;
    for (const Key& k : keys) {
        std::vector<std::string> names;
        if (k.indexes == 0)
            names.push_back(k.name);
        for (int i = 0; i < k.indexes; ++i) {
            const size_t at = k.name.find("%d");
            names.push_back(at == std::string::npos ? k.name + std::to_string(i)
                                                    : k.name.substr(0, at) + std::to_string(i) + k.name.substr(at + 2));
        }
        for (const std::string& name : names) {
            known.insert(Lower(name));
            const auto v = it->second.find(Lower(name));
            if (v == it->second.end()) {
                EXPECT_FALSE(complete) << file << ": " << section << "/" << name << " missing";
                continue;
            }
            const int count = Numbers(v->second, k.numbers == 0);
            EXPECT_EQ(count, k.numbers == 0 ? 1 : k.numbers) << file << ": " << section << "/" << name << " = " << v->second;
        }
    }
    for (const auto& [key, value] : it->second)
        EXPECT_TRUE(known.count(key)) << file << ": " << section << "/" << key << " is read by nobody";
}

TEST(FxConfig, SkinNamesOnlyKeysTheLayoutReads) {
    const Ini ini = ReadIni(Config("Skin.cfg"));
    const int pieces = int(gen::kBoardPieces.size());
    ExpectSection(ini, "Skin.cfg", "FieldQuest",
                  {{"Origin", 3}, {"CellSize", 2}, {"Depth", 1}, {"CapSize", 1}, {"FrameCount", 1},
                   {"Frame%dRect", 4, pieces}, {"Frame%dUV", 4, pieces}, {"Frame%dTexture", 1, pieces},
                   {"Frame%dColor", 4, pieces}, {"Frame%dMethod", 1, pieces}, {"SandboxColumns", 1},
                   {"SandboxPos", 3}, {"SandboxSize", 2}, {"SandboxFrontShift", 2}, {"SandboxGlassColor", 4},
                   {"SandboxSandInGravity", 1}, {"SandboxSandOutGravity", 1}, {"SandboxSandPathSpeed", 1},
                   {"SandboxSandPathCount", 1}, {"SandboxSandPathPoint", 2, 2}, {"SandboxSandColor", 4},
                   {"SandboxDustSpeed", 1}, {"SandboxDustSize", 1}, {"SandboxDustColor", 4},
                   {"SandboxFrenzyBarColor", 4}, {"SandboxFrenzyBarShift", 2}, {"SandboxFrenzyBarElementSize", 2},
                   {"SandboxFrenzyBarCount", 1}, {"SandboxFrenzyBarPostTime", 1}},
                  true);
    ExpectSection(ini, "Skin.cfg", "GemsBar",
                  {{"FirstSlot", 2}, {"ColumnStep", 2}, {"SlotStep", 2}, {"Depth", 1}, {"GemSize", 1}}, true);
}

TEST(FxConfig, BonusFilesGiveEveryKeyInItsForm) {
    const Ini gems = ReadIni(Config("Gems.cfg"));
    ExpectSection(gems, "Gems.cfg", "Gems",
                  {{"TargetPos", 3}, {"TargetZOrder", 1}, {"FlyTime", 1}, {"Size", 1}, {"ParticleColor", 0, 8}}, true);
    ExpectSection(gems, "Gems.cfg", "Halo",
                  {{"Size", 1}, {"T", 1}, {"Intensity", 1}, {"MinIntensity", 1}, {"Method", 1}, {"Color", 0, 8}}, true);
    ExpectSection(gems, "Gems.cfg", "SmallFlares",
                  {{"Size", 1}, {"LifeTime", 1}, {"W", 1}, {"T", 1}, {"Intensity", 1}, {"OriginSize", 2, 8}}, true);
    ExpectSection(gems, "Gems.cfg", "BigFlares",
                  {{"Size", 1}, {"Intensity", 1}, {"T", 1}, {"W", 1}, {"Method", 1}, {"OriginSize", 2, 8}}, true);
    ExpectSection(gems, "Gems.cfg", "Standard", {{"Radius", 1}}, true);

    const Ini bonus = ReadIni(Config("Bonus.cfg"));
    ExpectSection(bonus, "Bonus.cfg", "TNT",
                  {{"WireRing", 4, 3}, {"WireRingWidth", 1, 3}, {"SparkerW", 1}, {"LifeTime", 1}, {"RingColor", 4},
                   {"RingSize", 1, 4}, {"RingExpandTime", 1}, {"HaloColor", 4}, {"HaloSizeFactor", 1}, {"HaloW", 1},
                   {"ExpSparkColor", 4}, {"ExpSparkCount", 1}, {"ExpSparkSize", 1}, {"ExpSparkFading", 1},
                   {"ExpSparkSpeed", 1}, {"ExpSparkGravity", 1}},
                  true);
    ExpectSection(bonus, "Bonus.cfg", "Flash",
                  {{"Radius", 1}, {"BoltWidth", 1}, {"W", 1}, {"Speed", 1}, {"CoreSize", 1}, {"Intensity", 1}, {"LifeTime", 1}},
                  true);
    ExpectSection(bonus, "Bonus.cfg", "Time",
                  {{"Target", 3}, {"TwirlZOrder", 1}, {"PreFlyTime", 1}, {"FlyTime", 1}, {"PostFlyTime", 1},
                   {"DigitsSize", 1}, {"StarColor", 4}, {"TwirlColor", 4}},
                  true);
    ExpectSection(bonus, "Bonus.cfg", "Adviser",
                  {{"GlobalShift", 2}, {"RimShift", 2}, {"GlassShift", 2}, {"GlassW", 1}, {"Target", 3}, {"ZOrder", 1},
                   {"Speed", 1}, {"TailColor", 4}},
                  true);
    ExpectSection(bonus, "Bonus.cfg", "Score",
                  {{"CoinOrbitRadius", 1}, {"CoinFPS", 1}, {"CoinW", 1}, {"CoinOutSpeed", 1}, {"TailColor", 4}}, true);
    ExpectSection(bonus, "Bonus.cfg", "Solidarity",
                  {{"RingColor", 4},     {"RingR", 1},           {"RingExpandSpeed", 1}, {"RingLifeTime", 1},
                   {"RingT", 1},         {"RingW", 1},           {"CenterColor", 4},     {"CenterSize", 1},
                   {"CenterW", 1},       {"TailColor", 4},       {"TailSize", 2},        {"TailTLen", 1},
                   {"TailTSpeed", 1},    {"TailW", 1},           {"BoltColor", 4},       {"BoltLength", 1},
                   {"BoltWidth", 1},     {"BoltSpeed", 1},       {"BoltTFactor", 1},     {"BoltTSpeed", 1},
                   {"TermTime", 1}},
                  true);
    ExpectSection(bonus, "Bonus.cfg", "AdviserInterface",
                  {{"HaloW", 1}, {"Z", 1}, {"ZOrder", 1}, {"ArrowW", 1}, {"ArrowR", 1}, {"Refresh", 1}}, true);
}

TEST(FxConfig, TheBoardFrameIsThePictureLayout) {
    CQuestFieldLayout layout;
    layout.Load(Config("Skin.cfg"));
    ASSERT_EQ(layout.FrameRects.size(), gen::kBoardPieces.size());
    for (size_t i = 0; i < gen::kBoardPieces.size(); ++i) {
        const gen::BoardPiece& want = gen::kBoardPieces[i];
        const CFrameRect& r = layout.FrameRects[i];
        EXPECT_FLOAT_EQ(r.X, want.x) << "piece " << i;
        EXPECT_FLOAT_EQ(r.Y, want.y) << "piece " << i;
        EXPECT_FLOAT_EQ(r.Width, want.width) << "piece " << i;
        EXPECT_FLOAT_EQ(r.Height, want.height) << "piece " << i;
        EXPECT_FLOAT_EQ(layout.FrameUVs[4 * i].U, want.u0) << "piece " << i;
        EXPECT_FLOAT_EQ(layout.FrameUVs[4 * i].V, want.v0) << "piece " << i;
        EXPECT_FLOAT_EQ(layout.FrameUVs[4 * i + 2].U, want.u1) << "piece " << i;
        EXPECT_FLOAT_EQ(layout.FrameUVs[4 * i + 2].V, want.v1) << "piece " << i;
        EXPECT_EQ(layout.FrameTextures[i], want.texture) << "piece " << i;
        EXPECT_EQ(layout.FrameColours[i],
                  uint32_t(want.a) << 24 | uint32_t(want.r) << 16 | uint32_t(want.g) << 8 | uint32_t(want.b))
            << "piece " << i;
        EXPECT_EQ(layout.FrameMethods[i], want.method) << "piece " << i;
        // Drawn one texel per unit: the texture rectangle is as large as the
        // piece (all but the soft light, which is stretched).
        if (want.method != 0)
            continue;
        const float texture = want.texture == 0 ? float(gen::kFrameTexture) : float(gen::kBackSize);
        EXPECT_FLOAT_EQ((want.u1 - want.u0) * texture, want.width) << "piece " << i;
        EXPECT_FLOAT_EQ((want.v1 - want.v0) * texture, want.height) << "piece " << i;
    }
    // 8 x 8 cells of 83 units; the board's corners on half units, so that the
    // 1:1 pieces land on whole pixels of the 1024 x 768 screen.
    EXPECT_FLOAT_EQ(layout.CellWidth, gen::kCellUnits);
    EXPECT_FLOAT_EQ(layout.CellHeight, gen::kCellUnits);
    EXPECT_FLOAT_EQ(layout.BaseOrigin[0] - std::floor(layout.BaseOrigin[0]), 0.5f);
    EXPECT_FLOAT_EQ(layout.BaseOrigin[1] - std::floor(layout.BaseOrigin[1]), 0.5f);
    // Everything fits on the screen.
    EXPECT_GE(layout.BaseOrigin[0] + gen::kTabletOffset, -512.0f);
    EXPECT_LE(layout.BaseOrigin[0] - gen::kFrameMargin + gen::kFrameWidth, 512.0f);
    EXPECT_LE(layout.BaseOrigin[1] + gen::kFrameMargin, 384.0f);
    EXPECT_GE(layout.BaseOrigin[1] + gen::kFrameMargin - gen::kFrameHeight, -384.0f);
}

TEST(FxConfig, TheSandTroughSitsInItsNiche) {
    CQuestFieldLayout layout;
    layout.Load(Config("Skin.cfg"));
    EXPECT_FLOAT_EQ(layout.SandRect[3], float(gen::kBoxWidth));
    EXPECT_FLOAT_EQ(layout.SandRect[4], float(gen::kBoxHeight));
    // The front panel starts kWindowX left of the box and kWindowY above it.
    EXPECT_FLOAT_EQ(layout.SandboxFrontShift[0], -float(gen::kWindowX));
    EXPECT_FLOAT_EQ(layout.SandboxFrontShift[1], float(gen::kWindowY));
    // And lands on the plinth of the frame picture where its niche is painted.
    const float panelX = layout.SandRect[0] + layout.SandboxFrontShift[0];
    const float panelY = layout.SandRect[1] + layout.SandboxFrontShift[1];
    EXPECT_FLOAT_EQ(panelX - (layout.BaseOrigin[0] - gen::kFrameMargin), float(gen::kTroughPanelX));
    EXPECT_FLOAT_EQ((layout.BaseOrigin[1] + gen::kFrameMargin) - panelY, float(gen::kTroughPanelY));
    // The frenzy bar's stars run inside the box.
    EXPECT_LE(layout.FrenzyBarShift[0] + layout.FrenzyBarElementSize[0] * float(layout.FrenzyBarCount),
              float(gen::kBoxWidth));
    EXPECT_GT(layout.SandColumns, 1);
    ASSERT_EQ(layout.SandPath.size(), 2u);
    EXPECT_GT(layout.SandPath[0].Duration, 0.0f);
    EXPECT_GT(layout.SandPath[1].Duration, 0.0f);
    EXPECT_LT(layout.SandPath[1].End[1], layout.SandPath[0].End[1]);  // the grains fall away
}

TEST(FxConfig, TheGemBarRunsAlongTheTabletGrooves) {
    CQuestFieldLayout layout;
    layout.Load(Config("Skin.cfg"));
    CGemsBar bar;
    bar.LoadLayout(Config("Skin.cfg"));
    bar.Place(layout.BaseOrigin[0], layout.BaseOrigin[1], layout.BaseOrigin[2]);
    const float tabletLeft = layout.BaseOrigin[0] + gen::kTabletOffset;
    const float tabletTop = layout.BaseOrigin[1] + gen::kFrameMargin;
    // Up to the groove's own count; more gems pack closer (the bar's own test).
    for (int colour = 0; colour < 7; ++colour)
        for (int slot = 1; slot <= bar.Slots; ++slot) {
            float at[3];
            bar.GemTarget(at, colour, slot);
            EXPECT_FLOAT_EQ(at[0] - tabletLeft, gen::kGemSlotX + gen::kGemSlotStep * float(slot - 1));
            EXPECT_FLOAT_EQ(tabletTop - at[1], gen::kGemRowTop + gen::kGemRowStep * float(colour));
            EXPECT_LE(at[0] + 0.5f * bar.GemSize, tabletLeft + gen::kTabletWidth - 12.0f);
        }
}

TEST(FxConfig, BonusReadersTakeTheFilesWithoutComplaint) {
    testsupport::CapturedLog log;
    CGemsParametres gems;
    CBonusParametres bonus;
    EXPECT_EQ(gems.Load(Config("Gems.cfg")), 1);
    EXPECT_EQ(bonus.Load(Config("Bonus.cfg")), 1);
    EXPECT_EQ(log.Text(), "");
    // The fuse sparks run on the wires the dynamite picture shows.
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(bonus.TNT.WireRing[i][0], gen::kWireRings[i].x0);
        EXPECT_FLOAT_EQ(bonus.TNT.WireRing[i][1], gen::kWireRings[i].y0);
        EXPECT_FLOAT_EQ(bonus.TNT.WireRing[i][2], gen::kWireRings[i].x1);
        EXPECT_FLOAT_EQ(bonus.TNT.WireRing[i][3], gen::kWireRings[i].y1);
        EXPECT_FLOAT_EQ(bonus.TNT.WireRingWidth[i], gen::kWireRings[i].width);
    }
    // The halos add their light; their pictures carry the colour.
    EXPECT_EQ(gems.Halo.Method, 1);
    EXPECT_EQ(gems.Halo.Color[0], 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(gems.Gems.Size, 48.0f);
    EXPECT_FLOAT_EQ(gems.Standard.Radius, 38.0f);
    // The twirl and the medallion come to rest on the tablet's level display
    // and on its socket (texels (143.5, 78) and (153.5, 338.5) of the tablet).
    CQuestFieldLayout layout;
    layout.Load(Config("Skin.cfg"));
    const float tabletLeft = layout.BaseOrigin[0] + gen::kTabletOffset;
    const float tabletTop = layout.BaseOrigin[1] + gen::kFrameMargin;
    EXPECT_NEAR(bonus.Adviser.Target[0], tabletLeft + 153.5f, 1.0f);
    EXPECT_NEAR(bonus.Adviser.Target[1], tabletTop - 338.5f, 1.0f);
    EXPECT_NEAR(bonus.Time.Target[0], tabletLeft + 143.5f, 1.0f);
    EXPECT_NEAR(bonus.Time.Target[1], tabletTop - 78.0f, 1.0f);
}

}  // namespace
