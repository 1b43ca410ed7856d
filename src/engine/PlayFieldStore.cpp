#include "engine/PlayFieldStore.h"

#include <algorithm>
#include <cmath>

#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"

namespace {

uint32_t ToByte(float v) {
    v = std::floor(v);
    if (!(v > 0.0f))
        return 0;
    return v >= 255.0f ? 255u : static_cast<uint32_t>(v);
}

void RestoreDefaults(CRenderDevice& device) {
    device.SetRenderState(gpu::Rs::ZWriteEnable, 1);
    device.SetRenderState(gpu::Rs::SrcBlend, gpu::Blend::SrcAlpha);
    device.SetRenderState(gpu::Rs::DestBlend, gpu::Blend::InvSrcAlpha);
}

} // namespace

CPlayFieldStore::CPlayFieldStore() {
    Fade.Shown = 1;
    Fade.Level = 1.0f;
    Fade.Speed = 0.0f;
    Textures.reserve(2);
    Vertices.reserve(88);
    Colours.reserve(88);
    ColourModes.reserve(22);
    Indices.reserve(132);
    Batches.reserve(3);
    BlendPairs.reserve(3);
}

CPlayFieldStore::~CPlayFieldStore() = default;

void CPlayFieldStore::Rebuild(const std::vector<CFrameRect>& rects,
                              const std::vector<CFrameTexCoord>& uvs,
                              const std::vector<int32_t>& textures,
                              const std::vector<uint32_t>& colours,
                              const std::vector<int32_t>& methods) {
    Vertices.clear();
    Colours.clear();
    ColourModes.clear();
    Indices.clear();
    Batches.clear();
    BlendPairs.clear();

    size_t count = rects.size();
    count = std::min(count, uvs.size() / 4);
    count = std::min(count, textures.size());
    count = std::min(count, colours.size());
    count = std::min(count, methods.size());

    for (size_t e = 0; e < count; ++e) {
        const CFrameRect& r = rects[e];
        const uint32_t argb = colours[e];
        const uint32_t rgb = argb & 0x00FFFFFFu;
        const float xs[4] = {r.X, r.X + r.Width, r.X + r.Width, r.X};
        const float ys[4] = {r.Y, r.Y, r.Y - r.Height, r.Y - r.Height};
        const int32_t first = static_cast<int32_t>(Vertices.size());
        for (int i = 0; i < 4; ++i) {
            const CFrameTexCoord& uv = uvs[4 * e + i];
            Vertices.push_back(gpu::Vertex{xs[i], ys[i], 0.0f, rgb, uv.U, uv.V, 0.0f, 0.0f});
            Colours.push_back(ColourRecord{static_cast<float>((argb >> 16) & 0xFF),
                                           static_cast<float>((argb >> 8) & 0xFF),
                                           static_cast<float>(argb & 0xFF),
                                           static_cast<float>(argb >> 24)});
        }
        for (int k : {0, 1, 2, 0, 2, 3})
            Indices.push_back(first + k);

        BlendPair pair{gpu::Blend::SrcAlpha, gpu::Blend::InvSrcAlpha};
        int32_t mode = 0;
        switch (methods[e]) {
        case MethodAdd:
            pair = {gpu::Blend::SrcAlpha, gpu::Blend::One};
            break;
        case MethodMultiply:
            pair = {gpu::Blend::Zero, gpu::Blend::InvSrcColor};
            mode = 1;
            break;
        case MethodScreen:
            pair = {gpu::Blend::One, gpu::Blend::InvSrcColor};
            mode = 1;
            break;
        default:
            break;
        }
        ColourModes.push_back(mode);

        const bool sameAsLast = !Batches.empty() && Batches.back().Texture == textures[e] &&
                                BlendPairs.back().Src == pair.Src &&
                                BlendPairs.back().Dest == pair.Dest;
        if (sameAsLast) {
            ++Batches.back().Quads;
        } else {
            Batches.push_back(Batch{textures[e], 1});
            BlendPairs.push_back(pair);
        }
    }
}

int32_t CPlayFieldStore::Render(CSharedPtr<CRenderDevice> deviceHandle,
                                CSharedPtr<CVertexBuffer> vertexBuffer,
                                CSharedPtr<CIndexBuffer> indexBuffer) {
    if (deviceHandle.IsNull())
        return 0;
    CRenderDevice& device = *deviceHandle;
    device.SetTextureStageState(0, gpu::Tss::ColorArg1, gpu::Ta::Texture);
    device.SetTextureStageState(0, gpu::Tss::ColorOp, gpu::Top::Modulate);
    device.SetTextureStageState(0, gpu::Tss::ColorArg2, gpu::Ta::Diffuse);
    device.SetTextureStageState(0, gpu::Tss::AlphaArg1, gpu::Ta::Texture);
    device.SetTextureStageState(0, gpu::Tss::AlphaOp, gpu::Top::Modulate);
    device.SetTextureStageState(0, gpu::Tss::AlphaArg2, gpu::Ta::Diffuse);
    device.SetTextureStageState(1, gpu::Tss::ColorOp, gpu::Top::Disable);
    device.SetTextureStageState(1, gpu::Tss::AlphaOp, gpu::Top::Disable);
    device.SetRenderState(gpu::Rs::CullMode, gpu::Cull::None);
    device.SetRenderState(gpu::Rs::AlphaTestEnable, 1);
    device.SetRenderState(gpu::Rs::AlphaRef, 1);
    device.SetRenderState(gpu::Rs::AlphaBlendEnable, 1);
    device.SetRenderState(gpu::Rs::ZWriteEnable, 0);

    const uint32_t quadCount = static_cast<uint32_t>(Vertices.size() / 4);
    if (quadCount == 0 || Indices.empty()) {
        RestoreDefaults(device);
        return 1;
    }
    if (vertexBuffer.IsNull() || indexBuffer.IsNull()) {
        RestoreDefaults(device);
        return 0;
    }

    gpu::Vertex* out = nullptr;
    if (gpu::Failed(vertexBuffer->Lock(static_cast<uint32_t>(Vertices.size()), &out))) {
        RestoreDefaults(device);
        return 0;
    }
    const uint32_t firstVertex = vertexBuffer->GetLastStart();
    const float level = Fade.Level;
    for (uint32_t q = 0; q < quadCount; ++q) {
        const ColourRecord& r = Colours.size() > 4 * q ? Colours[4 * q] : ColourRecord{};
        const int32_t mode = q < ColourModes.size() ? ColourModes[q] : 0;
        uint32_t colour;
        if (mode == 0) {
            colour = ToByte(r.Alpha * level) << 24 | (Vertices[4 * q].diffuse & 0x00FFFFFFu);
        } else {
            const float t = r.Alpha * level;
            colour = ToByte(t) << 24 | ToByte(r.Red * t / 255.0f) << 16 |
                     ToByte(r.Green * t / 255.0f) << 8 | ToByte(r.Blue * t / 255.0f);
        }
        for (uint32_t i = 4 * q; i < 4 * q + 4; ++i) {
            const gpu::Vertex& v = Vertices[i];
            out[i] = gpu::Vertex{Scale[0] * v.x + Offset[0], Scale[1] * v.y + Offset[1], Offset[2],
                                 colour, v.u0, v.v0, 0.0f, 0.0f};
        }
    }
    // Vertices past the last whole quad are locked but not drawn; keep them defined.
    for (size_t i = 4 * quadCount; i < Vertices.size(); ++i)
        out[i] = gpu::Vertex{Offset[0], Offset[1], Offset[2], 0, 0.0f, 0.0f, 0.0f, 0.0f};
    vertexBuffer->Unlock();

    uint16_t* indices = nullptr;
    if (gpu::Failed(indexBuffer->Lock(static_cast<uint32_t>(Indices.size()), &indices))) {
        RestoreDefaults(device);
        return 0;
    }
    const uint32_t firstIndex = indexBuffer->GetLastStart();
    for (size_t i = 0; i < Indices.size(); ++i)
        indices[i] = static_cast<uint16_t>(static_cast<uint32_t>(Indices[i]) + firstVertex);
    indexBuffer->Unlock();

    // Batches never reach past the quads the indices hold.
    const uint32_t indexedQuads = std::min<uint32_t>(quadCount, static_cast<uint32_t>(Indices.size() / 6));
    uint32_t s = 0;
    for (size_t i = 0; i < Batches.size() && i < BlendPairs.size(); ++i) {
        const Batch& b = Batches[i];
        if (b.Quads <= 0 || s + static_cast<uint32_t>(b.Quads) > indexedQuads)
            break;
        if (i == 0 || b.Texture != Batches[i - 1].Texture) {
            CSharedPtr<CTexture> texture;
            if (b.Texture >= 0 && static_cast<size_t>(b.Texture) < Textures.size())
                texture = Textures[static_cast<size_t>(b.Texture)];
            device.SetTexture(0, texture);
        }
        device.SetRenderState(gpu::Rs::SrcBlend, BlendPairs[i].Src);
        device.SetRenderState(gpu::Rs::DestBlend, BlendPairs[i].Dest);
        const uint32_t n = static_cast<uint32_t>(b.Quads);
        device.DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex + 4 * s, 4 * n,
                                    firstIndex + 6 * s, 2 * n);
        s += n;
    }
    RestoreDefaults(device);
    return 1;
}
