#include "engine/SpriteLayer.h"

#include <vector>

#include "engine/DrawHelpers.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteQuad.h"
#include "engine/VertexBuffer.h"

namespace {

bool SameSprite(const CSharedPtr<CSpriteQuad>& a, const CSharedPtr<CSpriteQuad>& b) {
    return a == b || (a.IsNull() && b.IsNull());
}

// Unblended sprites batch on texture alone; blended ones also need the same
// depth flags and blend pair.
bool SameState(const CSpriteQuad& a, const CSpriteQuad& b) {
    if (!a.Blended && !b.Blended)
        return true;
    return a.Blended == b.Blended && a.DepthTest == b.DepthTest && a.DepthWrite == b.DepthWrite &&
           a.SrcBlend == b.SrcBlend && a.DestBlend == b.DestBlend;
}

bool IsShown(const CSharedPtr<CSpriteQuad>& s) {
    return !s.IsNull() && s->Shown;
}

} // namespace

CSpriteLayer::CSpriteLayer(CSharedPtr<CRenderDevice> device,
                           CSharedPtr<CVertexBuffer> vertexBuffer,
                           CSharedPtr<CIndexBuffer> indexBuffer)
    : Device(device), VertexBuffer(vertexBuffer), IndexBuffer(indexBuffer) {}

CSpriteLayer::~CSpriteLayer() = default;

void CSpriteLayer::InsertSorted(const CSharedPtr<CSpriteQuad>& sprite) {
    const CSpriteQuad& s = *sprite;
    bool passedSameTexture = false;
    for (auto it = Drawn.begin(); it != Drawn.end(); ++it) {
        if (!IsShown(*it))
            continue;
        const CSpriteQuad& q = **it;
        if (q.Key < s.Key) {
            Drawn.insert(it, sprite);
            return;
        }
        if (q.Key != s.Key)
            continue;
        if (SameTexture(q.Texture, s.Texture)) {
            if (SameState(q, s)) {
                Drawn.insert(it, sprite);
                return;
            }
            passedSameTexture = true;
        } else if (passedSameTexture) {
            Drawn.insert(it, sprite);
            return;
        }
    }
    Drawn.push_back(sprite);
}

void CSpriteLayer::Add(CSharedPtr<CSpriteQuad> sprite) {
    if (sprite.IsNull())
        return;
    if (sprite->Shown)
        InsertSorted(sprite);
    else
        Parked.push_back(sprite);
}

void CSpriteLayer::Remove(CSharedPtr<CSpriteQuad> sprite) {
    Drawn.remove_if([&](const CSharedPtr<CSpriteQuad>& s) { return SameSprite(s, sprite); });
    Parked.remove_if([&](const CSharedPtr<CSpriteQuad>& s) { return SameSprite(s, sprite); });
    Repartition();
}

void CSpriteLayer::SetDynamic(CSharedPtr<CSpriteQuad> sprite, int32_t shown) {
    if (!sprite.IsNull())
        sprite->Shown = shown;
    Repartition();
}

void CSpriteLayer::Repartition() {
    for (auto it = Drawn.begin(); it != Drawn.end();) {
        auto next = std::next(it);
        if (!IsShown(*it))
            Parked.splice(Parked.end(), Drawn, it);
        it = next;
    }
    List shown;
    for (auto it = Parked.begin(); it != Parked.end();) {
        auto next = std::next(it);
        if (IsShown(*it))
            shown.splice(shown.end(), Parked, it);
        it = next;
    }
    for (const auto& s : shown)
        InsertSorted(s);
}

void CSpriteLayer::Resort() {
    Repartition();
    List old;
    old.swap(Drawn);
    for (const auto& s : old)
        InsertSorted(s);
}

void CSpriteLayer::Update(float dt, int32_t force) {
    for (List* list : {&Drawn, &Parked}) {
        for (const auto& s : *list)
            if (!s.IsNull() && (s->Shown || force))
                s->Update(dt);
    }
    auto expired = [](const CSharedPtr<CSpriteQuad>& s) {
        return !s.IsNull() && s->LifeOn && s->RemainingLife <= 0.0f;
    };
    Drawn.remove_if(expired);
    Parked.remove_if(expired);
}

void CSpriteLayer::SetPassStates(bool blended) {
    CRenderDevice& device = *Device;
    device.SetRenderState(gpu::Rs::AlphaTestEnable, 1);
    device.SetRenderState(gpu::Rs::AlphaRef, blended ? 0 : 0x80);
    device.SetRenderState(gpu::Rs::AlphaFunc, gpu::Cmp::Greater);
    device.SetRenderState(gpu::Rs::AlphaBlendEnable, blended ? 1 : 0);
    device.SetTextureStageState(0, gpu::Tss::ColorOp, gpu::Top::Modulate);
    device.SetTextureStageState(0, gpu::Tss::AlphaOp, gpu::Top::Modulate);
    device.SetTextureStageState(1, gpu::Tss::ColorOp, gpu::Top::Disable);
    device.SetTextureStageState(1, gpu::Tss::AlphaOp, gpu::Top::Disable);
}

bool CSpriteLayer::WriteRun(const CSpriteQuad* const* run, uint32_t n, uint32_t* firstVertex,
                            uint32_t* firstIndex) {
    gpu::Vertex* vertices = nullptr;
    if (gpu::Failed(VertexBuffer->Lock(n * 4, &vertices)))
        return false;
    uint16_t* indices = nullptr;
    if (gpu::Failed(IndexBuffer->Lock(n * 6, &indices))) {
        VertexBuffer->Unlock();
        return false;
    }
    *firstVertex = VertexBuffer->GetLastStart();
    *firstIndex = IndexBuffer->GetLastStart();
    for (uint32_t i = 0; i < n; ++i)
        run[i]->WriteVertices(vertices + 4 * i, indices + 6 * i, *firstVertex + 4 * i);
    VertexBuffer->Unlock();
    IndexBuffer->Unlock();
    return true;
}

void CSpriteLayer::Prepare() {
    if (Drawn.empty() || Device.IsNull() || VertexBuffer.IsNull() || IndexBuffer.IsNull())
        return;
    CRenderDevice& device = *Device;
    uint32_t savedZWrite = 1;
    device.GetRenderState(gpu::Rs::ZWriteEnable, &savedZWrite);
    SetPassStates(false);

    std::vector<const CSpriteQuad*>& run = Run;
    run.clear();
    auto flush = [&]() {
        if (run.empty())
            return true;
        const uint32_t n = static_cast<uint32_t>(run.size());
        uint32_t firstVertex = 0, firstIndex = 0;
        if (!WriteRun(run.data(), n, &firstVertex, &firstIndex))
            return false;
        device.SetTexture(0, run.front()->Texture);
        device.SetRenderState(gpu::Rs::ZWriteEnable, run.front()->DepthWrite ? 1 : 0);
        device.DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex, n * 4, firstIndex, n * 2);
        run.clear();
        return true;
    };

    bool ok = true;
    for (const auto& handle : Drawn) {
        if (!IsShown(handle) || handle->Blended)
            continue;
        const CSpriteQuad* s = handle.Get();
        if (!run.empty() && (!SameTexture(run.front()->Texture, s->Texture) ||
                             (run.front()->DepthWrite != 0) != (s->DepthWrite != 0))) {
            if (!(ok = flush()))
                break;
        }
        run.push_back(s);
    }
    if (ok)
        flush();
    device.SetRenderState(gpu::Rs::ZWriteEnable, savedZWrite);
}

void CSpriteLayer::Draw(int32_t passTag) {
    if (Drawn.empty() || Device.IsNull() || VertexBuffer.IsNull() || IndexBuffer.IsNull())
        return;
    auto eligible = [passTag](const CSharedPtr<CSpriteQuad>& s) {
        return IsShown(s) && s->Blended && s->PassTag == passTag && s->Key > kLowestKey;
    };
    int32_t key = kLowestKey;
    for (const auto& s : Drawn)
        if (eligible(s) && s->Key > key)
            key = s->Key;
    if (key == kLowestKey)
        return;

    CRenderDevice& device = *Device;
    SetPassStates(true);
    uint32_t savedZWrite = 1, savedZFunc = gpu::Cmp::LessEqual;
    device.GetRenderState(gpu::Rs::ZWriteEnable, &savedZWrite);
    device.GetRenderState(gpu::Rs::ZFunc, &savedZFunc);

    std::vector<const CSpriteQuad*>& run = Run;
    run.clear();
    auto flush = [&]() {
        if (run.empty())
            return true;
        const uint32_t n = static_cast<uint32_t>(run.size());
        uint32_t firstVertex = 0, firstIndex = 0;
        if (!WriteRun(run.data(), n, &firstVertex, &firstIndex))
            return false;
        const CSpriteQuad& s = *run.front();
        device.SetRenderState(gpu::Rs::ZWriteEnable, s.DepthWrite ? 1 : 0);
        device.SetRenderState(gpu::Rs::ZFunc, s.DepthTest ? savedZFunc : gpu::Cmp::Always);
        device.SetRenderState(gpu::Rs::SrcBlend, s.SrcBlend);
        device.SetRenderState(gpu::Rs::DestBlend, s.DestBlend);
        device.SetTexture(0, s.Texture);
        device.DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex, n * 4, firstIndex, n * 2);
        run.clear();
        return true;
    };

    bool ok = true;
    while (ok && key > kLowestKey) {
        int32_t nextKey = kLowestKey;
        for (const auto& handle : Drawn) {
            if (!eligible(handle))
                continue;
            const CSpriteQuad* s = handle.Get();
            if (s->Key != key) {
                if (s->Key < key && s->Key > nextKey)
                    nextKey = s->Key;
                continue;
            }
            if (!run.empty() && (!SameTexture(run.front()->Texture, s->Texture) ||
                                 !SameState(*run.front(), *s))) {
                if (!(ok = flush()))
                    break;
            }
            run.push_back(s);
        }
        if (ok)
            ok = flush();
        run.clear();
        key = nextKey;
    }
    device.SetRenderState(gpu::Rs::ZWriteEnable, savedZWrite);
    device.SetRenderState(gpu::Rs::ZFunc, savedZFunc);
}
