// The software rasteriser's span routines (every set this processor runs, and
// the general path), the draw clipper's search for the opaque and clear parts
// of a picture, and GL's survey of the texels a draw reads, on shapes the
// input chooses. What matters is what
// clang's checks find on the way: a pointer formed outside its array, an
// index past one, a float too large for its integer, a read past a texture.
// Without input every choice falls to an ordinary draw: a linear-filtered
// span along a texture row, and a picture of many rows, so that the first run
// already walks the common paths (the survey's excepted).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/DrawClipper.h"
#include "engine/RenderDevice.h"
#include "engine/Texture.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/gl/TexelSurvey.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "platform/gpu/soft/SoftSpans.h"

namespace {

using namespace gpu;

// `centre`, moved either way by up to `reach`, or now and then a value no
// draw makes.
float Around(FuzzedDataProvider& in, float centre, float reach) {
    static const float kWild[] = {NAN, INFINITY, -INFINITY, 5.0e7f, -5.0e7f, 4194305.0f, -1e-9f};
    if (in.ConsumeIntegralInRange(0, 31) == 31)
        return kWild[in.ConsumeIntegralInRange<size_t>(0, std::size(kWild) - 1)];
    const float by = in.ConsumeFloatingPointInRange(0.0f, reach);
    return in.ConsumeBool() ? centre - by : centre + by;
}

// A texture of w x h texels, its alpha in runs of opaque, clear and between.
std::vector<uint32_t> Texels(FuzzedDataProvider& in, int32_t w, int32_t h) {
    std::vector<uint32_t> t(static_cast<size_t>(w) * static_cast<size_t>(h));
    uint32_t seed = in.ConsumeIntegral<uint32_t>() | 1u;
    const size_t run = 1 + in.ConsumeIntegralInRange<size_t>(0, 64);
    uint32_t alpha = 0xFF;
    for (size_t i = 0; i < t.size(); ++i) {
        seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
        if (i % run == 0)
            alpha = (seed >> 24) % 3 == 0 ? 0 : (seed >> 24) % 3 == 1 ? 0xFF : seed >> 24;
        t[i] = (seed & 0x00FFFFFFu) | alpha << 24;
    }
    return t;
}

void Spans(FuzzedDataProvider& in) {
    SoftPixelState st;
    static const CombinerStage kStages[] = {
        {Top::Modulate, Ta::Texture, Ta::Diffuse, Top::Modulate, Ta::Diffuse, Ta::Texture},
        {Top::SelectArg1, Ta::Texture, Ta::Diffuse, Top::SelectArg1, Ta::Texture, Ta::Current},
        {Top::Modulate, Ta::Current, Ta::Texture, Top::Modulate, Ta::Texture, Ta::Current},
        {Top::Add, Ta::Texture, Ta::TFactor, Top::Modulate2x, Ta::Texture, Ta::Diffuse}};
    st.stageCount = 1 + in.ConsumeIntegralInRange<uint32_t>(0, kCombinerStages - 1);
    std::vector<uint32_t> textures[kCombinerStages];
    std::vector<uint8_t> tiles[kCombinerStages];
    const auto count = 1 + in.ConsumeIntegralInRange<int32_t>(0, 599);
    SoftSpan sp{};
    for (uint32_t s = 0; s < st.stageCount; ++s) {
        st.stages[s] = kStages[in.ConsumeIntegralInRange<size_t>(0, std::size(kStages) - 1)];
        const int32_t w = 8 + in.ConsumeIntegralInRange<int32_t>(0, 56);
        const int32_t h = 8 + in.ConsumeIntegralInRange<int32_t>(0, 56);
        textures[s] = Texels(in, w, h);
        tiles[s] = FindClearTiles(textures[s].data(), w, h);
        SoftSampler& sm = st.samplers[s];
        sm.texels = textures[s].data();
        sm.width = w;
        sm.height = h;
        sm.linear = in.ConsumeIntegralInRange(0, 3) != 3;
        sm.wrapU = !in.ConsumeBool();
        sm.wrapV = !in.ConsumeBool();
        sm.clearTiles = tiles[s].empty() ? nullptr : tiles[s].data();
        sm.clearShare = in.ConsumeBool() ? 1.0f : 0.0f;
        // Inside the texture, a few texels from its left end, between two of
        // its rows, stepping along the row, unless the input says otherwise.
        const auto size = static_cast<float>(std::max(w, h));
        sp.uv[s][0] = Around(in, 2.25f, 4.0f * size);
        sp.uv[s][1] = Around(in, 1.5f, 2.0f * size);
        sp.dUv[s][0] = Around(in, 0.75f, 4.0f);
        sp.dUv[s][1] = in.ConsumeBool() ? Around(in, 0.0f, 2.0f) : 0.0f;
    }
    for (int k = 0; k < 4; ++k) {
        sp.color[k] = Around(in, 255.0f, 265.0f);
        sp.dColor[k] = in.ConsumeBool() ? Around(in, 0.0f, 3.0f) : 0.0f;
    }
    sp.z = Around(in, 30000.0f, 40000.0f);
    sp.dz = Around(in, 0.0f, 200.0f);
    sp.perspective = in.ConsumeIntegralInRange(0, 5) == 5;
    sp.q = Around(in, 1.0f, 0.5f);
    sp.dq = sp.perspective ? Around(in, 0.0f, 0.001f) : 0.0f;
    sp.first = in.ConsumeIntegralInRange<int32_t>(0, 300);
    static const uint32_t kPairs[][2] = {{Blend::SrcAlpha, Blend::InvSrcAlpha},
                                         {Blend::SrcAlpha, Blend::One},
                                         {Blend::One, Blend::InvSrcColor},
                                         {Blend::DestColor, Blend::Zero}};
    const auto& pair = kPairs[in.ConsumeIntegralInRange<size_t>(0, std::size(kPairs) - 1)];
    st.blend = !in.ConsumeBool();
    st.srcBlend = pair[0];
    st.destBlend = pair[1];
    st.alphaFunc = in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(1, 8) : 0;
    st.alphaRef = in.ConsumeIntegral<uint8_t>();
    st.depthTest = in.ConsumeBool();
    st.depthWrite = in.ConsumeBool();
    st.depthFunc = in.ConsumeIntegralInRange<uint32_t>(1, 8);
    st.tfactor = in.ConsumeIntegral<uint32_t>();
    SettleSpans(st);

    const std::vector<uint32_t> color(static_cast<size_t>(count), 0xFF336699u);
    const std::vector<uint16_t> depth(static_cast<size_t>(count), 0x8000);
    std::vector<uint32_t> c = color;
    std::vector<uint16_t> d = depth;
    ShadeSpanReference(st, sp, c.data(), d.data(), count);
    for (const char* kind : {"avx2", "sse2", "portable"})
        if (SoftShadeFn shade = SpanRoutine(kind)) {
            c = color;
            d = depth;
            const SoftRow row{sp, c.data(), d.data(), count};
            shade(st, &row, 1);
        }
}

// The opaque and the clear parts of a picture of blocks of opaque, clear and
// half see-through texels, inside a span of it.
void PartSearch(FuzzedDataProvider& in) {
    static Api* api = CreateRecordingApi();
    static CRenderDevice* device = [] {
        auto* d = new CRenderDevice(api, 0);
        d->Create(1024, 768, Fmt::X8R8G8B8, 0, 1, nullptr, Fmt::D16, 1, 0, kSwapEffectDiscard, 0);
        return d;
    }();
    const int32_t w = 32 + in.ConsumeIntegralInRange<int32_t>(0, 96);
    const int32_t h = 32 + in.ConsumeIntegralInRange<int32_t>(0, 96);
    std::vector<uint8_t> alpha(static_cast<size_t>(w) * static_cast<size_t>(h), 0xFF);
    for (int b = in.ConsumeIntegralInRange(0, 12); b > 0; --b) {
        const int32_t x0 = in.ConsumeIntegralInRange(0, w - 1);
        const int32_t y0 = in.ConsumeIntegralInRange(0, h - 1);
        const int32_t x1 = in.ConsumeIntegralInRange(x0 + 1, w);
        const int32_t y1 = in.ConsumeIntegralInRange(y0 + 1, h);
        const uint8_t a = in.ConsumeIntegralInRange(0, 2) * 0xFF / 2;
        for (int32_t y = y0; y < y1; ++y)
            std::fill_n(alpha.begin() + y * w + x0, x1 - x0, a);
    }
    CTexture picture;
    if (Failed(picture.CreateEmpty(device->GetDevice(), "blocks", w, h, 1, 0, Pool::Managed,
                                   Fmt::A8R8G8B8)))
        return;
    LockedRect lr;
    if (Failed(picture.GetTexture()->LockRect(0, &lr, nullptr, 0)))
        return;
    for (int32_t i = 0; i < w * h; ++i)
        static_cast<uint8_t*>(lr.bits)[i / w * lr.pitch + 4 * (i % w) + 3] = alpha[i];
    picture.GetTexture()->UnlockRect(0);
    CDrawClipper clipper;
    for (const bool clear : {false, true}) { // the whole picture unless told
        const int32_t x0 = in.ConsumeIntegralInRange(0, w - 1);
        const int32_t y0 = in.ConsumeIntegralInRange(0, h - 1);
        const CDrawClipper::PixelRect span{x0, y0, w - in.ConsumeIntegralInRange(0, w - 1 - x0),
                                           h - in.ConsumeIntegralInRange(0, h - 1 - y0)};
        clipper.Parts(picture, span, clear);
    }
}

// The texels a draw of a few vertices reads from a texture of a size and an
// addressing the input chooses; a wild coordinate comes often here, as a draw
// is surveyed whatever its vertices hold.
void Survey(FuzzedDataProvider& in) {
    static const float kWild[] = {NAN, INFINITY, -INFINITY, 3.0e9f, -3.0e9f, 1e30f, 16777217.0f};
    const uint32_t w = 1 + in.ConsumeIntegralInRange<uint32_t>(0, 8191);
    const uint32_t h = 1 + in.ConsumeIntegralInRange<uint32_t>(0, 8191);
    auto coordinate = [&](float side) {
        if (in.ConsumeIntegralInRange(0, 3) == 0)
            return kWild[in.ConsumeIntegralInRange<size_t>(0, std::size(kWild) - 1)];
        return Around(in, side / 2, 2 * side);
    };
    TexelSurvey survey;
    for (int n = 1 + in.ConsumeIntegralInRange(0, 5); n > 0; --n) {
        const float u = coordinate(static_cast<float>(w));
        survey.Add(u, coordinate(static_cast<float>(h)));
    }
    int32_t texels[4];
    survey.Reach(w, h, in.ConsumeBool(), texels);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    Survey(in);
    Spans(in);
    PartSearch(in);
    return 0;
}
