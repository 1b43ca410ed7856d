// The one rule every back end and the engine's clipper keep for "this draw
// writes its pixels without reading what lies below": over the stages'
// operations and arguments, which sources of alpha are full, the blends and
// the alpha tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "platform/gpu/StageCombiner.h"

namespace {

using namespace gpu;

constexpr uint32_t kComplement = 0x10; // an argument as the game sets it, complemented

struct Stage {
    uint32_t colorOp = Top::Modulate, alphaOp = Top::Disable, alphaArg1 = Ta::Texture,
             alphaArg2 = Ta::Diffuse;
};
struct Row {
    const char* name;
    Stage first, second{Top::Disable};
    // Which sources are full: the first and second stage's textures, the vertices, the factor.
    bool texture0, texture1, diffuse, tfactor;
    bool blend;
    uint32_t src, dest;
    uint32_t alphaFunc; // 0: no alpha test
    uint32_t alphaRef;
    bool writes;
};

constexpr Stage kModulate{Top::Modulate, Top::Modulate, Ta::Texture, Ta::Diffuse};
constexpr Stage kTexture{Top::Modulate, Top::SelectArg1, Ta::Texture, Ta::Diffuse};
constexpr Stage kDiffuse{Top::Modulate, Top::SelectArg2, Ta::Texture, Ta::Diffuse};
constexpr Stage kFactor{Top::Modulate, Top::SelectArg1, Ta::TFactor, Ta::Diffuse};
constexpr Stage kKeeps{Top::Modulate, Top::Disable, Ta::Texture, Ta::Diffuse};
constexpr uint32_t kSa = Blend::SrcAlpha, kIsa = Blend::InvSrcAlpha;

TEST(StageCombiner, WritesWithoutReadingOverStagesBlendsAndAlphaTests) {
    for (const Row& r : std::initializer_list<Row>{
             // No blend, no test: the alpha does not matter.
             {"copied, clear texels", kModulate, {Top::Disable}, false, false, false, false, false, 0, 0, 0, 0, true},
             // Blended by its alpha: the alpha the stages leave decides.
             {"modulated, both full", kModulate, {Top::Disable}, true, false, true, false, true, kSa, kIsa, 0, 0, true},
             {"modulated, texels not", kModulate, {Top::Disable}, false, false, true, false, true, kSa, kIsa, 0, 0, false},
             {"modulated, vertices not", kModulate, {Top::Disable}, true, false, false, false, true, kSa, kIsa, 0, 0, false},
             {"texture selected", kTexture, {Top::Disable}, true, false, false, false, true, kSa, kIsa, 0, 0, true},
             {"vertices selected", kDiffuse, {Top::Disable}, false, false, true, false, true, kSa, kIsa, 0, 0, true},
             {"vertices selected, not full", kDiffuse, {Top::Disable}, true, false, false, false, true, kSa, kIsa, 0, 0, false},
             {"alpha kept from the vertices", kKeeps, {Top::Disable}, false, false, true, false, true, kSa, kIsa, 0, 0, true},
             {"alpha kept, vertices not full", kKeeps, {Top::Disable}, true, false, false, false, true, kSa, kIsa, 0, 0, false},
             {"current before the first stage", {Top::Modulate, Top::SelectArg1, Ta::Current, 0}, {Top::Disable}, false, false, true, false, true, kSa, kIsa, 0, 0, true},
             {"factor full", kFactor, {Top::Disable}, false, false, false, true, true, kSa, kIsa, 0, 0, true},
             {"factor not", kFactor, {Top::Disable}, true, true, true, false, true, kSa, kIsa, 0, 0, false},
             {"texture complemented", {Top::Modulate, Top::SelectArg1, Ta::Texture | kComplement, 0}, {Top::Disable}, true, true, true, true, true, kSa, kIsa, 0, 0, false},
             // A second stage passes the alpha on, or makes its own.
             {"second passes it on", kModulate, {Top::Modulate, Top::SelectArg1, Ta::Current, 0}, true, false, true, false, true, kSa, kIsa, 0, 0, true},
             {"second keeps it", kModulate, {Top::Modulate, Top::Disable, 0, 0}, true, false, true, false, true, kSa, kIsa, 0, 0, true},
             {"second off", kModulate, {Top::Disable, Top::Modulate, Ta::Texture, Ta::Current}, true, false, true, false, true, kSa, kIsa, 0, 0, true},
             {"second multiplies a clear texture", kModulate, {Top::Modulate, Top::Modulate, Ta::Texture, Ta::Current}, true, false, true, false, true, kSa, kIsa, 0, 0, false},
             {"second multiplies an opaque texture", kModulate, {Top::Modulate, Top::Modulate, Ta::Texture, Ta::Current}, true, true, true, false, true, kSa, kIsa, 0, 0, true},
             {"second selects clear vertices", kModulate, {Top::Modulate, Top::SelectArg2, Ta::Texture, Ta::Diffuse}, true, true, false, false, true, kSa, kIsa, 0, 0, false},
             // Blends: the target's weight must be zero, the source's must not read it.
             {"one, zero", kModulate, {Top::Disable}, false, false, false, false, true, Blend::One, Blend::Zero, 0, 0, true},
             {"source alpha, zero", kModulate, {Top::Disable}, false, false, false, false, true, kSa, Blend::Zero, 0, 0, true},
             {"target colour, zero", kModulate, {Top::Disable}, true, true, true, true, true, Blend::DestColor, Blend::Zero, 0, 0, false},
             {"target alpha, zero", kModulate, {Top::Disable}, true, true, true, true, true, Blend::DestAlpha, Blend::Zero, 0, 0, false},
             {"added", kModulate, {Top::Disable}, true, true, true, true, true, Blend::One, Blend::One, 0, 0, false},
             {"one over inverse alpha, full", kModulate, {Top::Disable}, true, false, true, false, true, Blend::One, kIsa, 0, 0, true},
             {"one over inverse alpha, not", kModulate, {Top::Disable}, false, false, true, false, true, Blend::One, kIsa, 0, 0, false},
             {"weighed by the target's colour", kModulate, {Top::Disable}, true, true, true, true, true, Blend::One, Blend::SrcColor, 0, 0, false},
             // Alpha tests: every fragment passes, or full alpha passes.
             {"test always", kModulate, {Top::Disable}, false, false, false, false, false, 0, 0, Cmp::Always, 0, true},
             {"test never", kModulate, {Top::Disable}, true, true, true, true, false, 0, 0, Cmp::Never, 0, false},
             {"greater than a half, full", kModulate, {Top::Disable}, true, false, true, false, false, 0, 0, Cmp::Greater, 0x80, true},
             {"greater than a half, texels not", kModulate, {Top::Disable}, false, false, true, false, false, 0, 0, Cmp::Greater, 0x80, false},
             {"greater than full", kModulate, {Top::Disable}, true, true, true, true, false, 0, 0, Cmp::Greater, 0xFF, false},
             {"at least full", kModulate, {Top::Disable}, true, true, true, true, false, 0, 0, Cmp::GreaterEqual, 0xFF, true},
             {"less than a half", kModulate, {Top::Disable}, true, true, true, true, false, 0, 0, Cmp::Less, 0x80, false},
             {"at most full", kModulate, {Top::Disable}, true, true, true, true, false, 0, 0, Cmp::LessEqual, 0xFF, true},
             {"at most a half", kModulate, {Top::Disable}, true, true, true, true, false, 0, 0, Cmp::LessEqual, 0x80, false},
             {"equal to full", kModulate, {Top::Disable}, true, true, true, true, false, 0, 0, Cmp::Equal, 0xFF, true},
             {"not zero", kModulate, {Top::Disable}, true, true, true, true, false, 0, 0, Cmp::NotEqual, 0, true},
             {"not full", kModulate, {Top::Disable}, true, true, true, true, false, 0, 0, Cmp::NotEqual, 0xFF, false},
             {"tested and blended, full", kModulate, {Top::Disable}, true, true, true, true, true, kSa, kIsa, Cmp::Greater, 0x40, true},
         }) {
        StageStateTable ss{};
        const Stage stages[2] = {r.first, r.second};
        for (uint32_t s = 0; s < 2; ++s) {
            ss[s][Tss::ColorOp] = stages[s].colorOp;
            ss[s][Tss::ColorArg1] = Ta::Texture;
            ss[s][Tss::ColorArg2] = s == 0 ? Ta::Diffuse : Ta::Current;
            ss[s][Tss::AlphaOp] = stages[s].alphaOp;
            ss[s][Tss::AlphaArg1] = stages[s].alphaArg1;
            ss[s][Tss::AlphaArg2] = stages[s].alphaArg2;
        }
        AlphaSources full;
        full.texture[0] = r.texture0, full.texture[1] = r.texture1;
        full.diffuse = r.diffuse, full.tfactor = r.tfactor;
        const CombinerKey key = MakeCombinerKey(ss, r.alphaFunc != 0, r.alphaFunc);
        EXPECT_EQ(WritesWithoutReading(StagesAlphaFull(key, full), r.blend, r.src, r.dest,
                                       r.alphaFunc != 0, r.alphaFunc, r.alphaRef),
                  r.writes)
            << r.name;
    }
}

} // namespace
