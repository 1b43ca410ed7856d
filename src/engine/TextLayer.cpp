#include "engine/TextLayer.h"

#include "engine/BitmapFont.h"
#include "engine/DrawHelpers.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/TextSprite.h"
#include "engine/VertexBuffer.h"

namespace {

CSharedPtr<CTexture> FontTexture(const CSharedPtr<CTextSprite>& text) {
    if (text.IsNull() || text->GetFont().IsNull())
        return CSharedPtr<CTexture>();
    return text->GetFont()->Texture;
}

} // namespace

CTextLayer::CTextLayer(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vertexBuffer,
                       CSharedPtr<CIndexBuffer> indexBuffer)
    : Device(device), VertexBuffer(vertexBuffer), IndexBuffer(indexBuffer) {}

CTextLayer::~CTextLayer() = default;

CSharedPtr<CTextSprite> CTextLayer::Add(CSharedPtr<CTextSprite> text) {
    Items.push_back(text);
    if (DrawnFlags.size() < Items.size())
        DrawnFlags.resize(Items.size(), 0);
    return text;
}

void CTextLayer::Remove(CSharedPtr<CTextSprite> text) {
    for (auto it = Items.begin(); it != Items.end(); ++it) {
        if (*it == text || (it->IsNull() && text.IsNull())) {
            Items.erase(it);
            break;
        }
    }
    DrawnFlags.resize(Items.size(), 0);
}

void CTextLayer::Update(float dt) {
    for (size_t i = 0; i < Items.size();) {
        CTextSprite* t = Items[i].Get();
        if (t && t->Visible && (t->Moving || t->Pulsing) && t->Update(dt) == 0)
            Items.erase(Items.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
}

void CTextLayer::Render(int32_t passTag) {
    if (Items.empty() || Device.IsNull() || VertexBuffer.IsNull() || IndexBuffer.IsNull())
        return;
    CRenderDevice& device = *Device;
    DrawnFlags.assign(Items.size(), 0);
    uint32_t fogEnabled = 0, savedFog = 0;
    device.GetRenderState(gpu::Rs::FogEnable, &fogEnabled);
    device.GetRenderState(gpu::Rs::FogColor, &savedFog);
    bool fogChanged = false;

    device.SetRenderState(gpu::Rs::AlphaTestEnable, 1);
    device.SetRenderState(gpu::Rs::AlphaRef, 0);
    device.SetRenderState(gpu::Rs::AlphaFunc, gpu::Cmp::Greater);

    size_t start = 0;
    bool failed = false;
    while (!failed) {
        const CSharedPtr<CTexture> texture = FontTexture(Items[start]);
        device.SetTexture(0, texture);
        size_t nextStart = Items.size();
        for (size_t i = start; i < Items.size(); ++i) {
            const CSharedPtr<CTextSprite>& item = Items[i];
            if (item.IsNull() || !item->Visible || item->PassTag != passTag || DrawnFlags[i])
                continue;
            if (!SameTexture(FontTexture(item), texture)) {
                if (nextStart == Items.size())
                    nextStart = i;  // another font: a later round
                continue;
            }
            DrawnFlags[i] = 1;
            const uint32_t n = static_cast<uint32_t>(item->GlyphCount());
            if (n == 0)
                continue;
            gpu::Vertex* vertices = nullptr;
            if (gpu::Failed(VertexBuffer->Lock(4 * n, &vertices))) {
                failed = true;
                break;
            }
            uint16_t* indices = nullptr;
            if (gpu::Failed(IndexBuffer->Lock(6 * n, &indices))) {
                VertexBuffer->Unlock();
                failed = true;
                break;
            }
            const uint32_t firstVertex = VertexBuffer->GetLastStart();
            const uint32_t firstIndex = IndexBuffer->GetLastStart();
            item->WriteVertices(vertices, indices, firstVertex);
            VertexBuffer->Unlock();
            IndexBuffer->Unlock();

            if (!item->Blending) {
                device.SetRenderState(gpu::Rs::AlphaBlendEnable, 0);
            } else {
                device.SetRenderState(gpu::Rs::AlphaBlendEnable, 1);
                device.SetRenderState(gpu::Rs::SrcBlend, item->SrcBlend);
                device.SetRenderState(gpu::Rs::DestBlend, item->DestBlend);
                if (fogEnabled) {
                    // Fog must not add colour where the text only darkens or adds.
                    const bool black = item->DestBlend == gpu::Blend::One ||
                                       item->DestBlend == gpu::Blend::InvSrcColor;
                    device.SetRenderState(gpu::Rs::FogColor, black ? 0u : savedFog);
                    fogChanged = true;
                }
            }
            device.DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex, 4 * n, firstIndex,
                                        2 * n);
        }
        if (nextStart >= Items.size())
            break;
        start = nextStart;
    }
    if (fogChanged)
        device.SetRenderState(gpu::Rs::FogColor, savedFog);
}
