#include "engine/QuadLayer.h"

#include "engine/DrawHelpers.h"
#include "engine/IndexBuffer.h"
#include "engine/Quad.h"
#include "engine/RenderDevice.h"
#include "engine/VertexBuffer.h"

CQuadLayer::CQuadLayer(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vertexBuffer,
                       CSharedPtr<CIndexBuffer> indexBuffer)
    : Device(device), VertexBuffer(vertexBuffer), IndexBuffer(indexBuffer) {}

CQuadLayer::~CQuadLayer() = default;

int32_t CQuadLayer::Add(CSharedPtr<CQuad> quad) {
    if (quad.IsNull())
        return -1;
    quad->Id = NextId++;
    for (auto it = Quads.begin(); it != Quads.end(); ++it) {
        if (SameTexture((*it)->Texture, quad->Texture)) {
            Quads.insert(it, quad);
            return quad->Id;
        }
    }
    Quads.push_back(quad);
    return quad->Id;
}

void CQuadLayer::Update(float dt) {
    for (size_t i = 0; i < Quads.size();) {
        if (Quads[i]->Update(dt))
            ++i;
        else
            Quads.erase(Quads.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void CQuadLayer::Render() {
    if (Quads.empty() || Device.IsNull() || VertexBuffer.IsNull() || IndexBuffer.IsNull())
        return;
    CRenderDevice& device = *Device;
    device.SetRenderState(gpu::Rs::AlphaTestEnable, 1);
    device.SetRenderState(gpu::Rs::AlphaRef, 0);
    device.SetRenderState(gpu::Rs::AlphaFunc, gpu::Cmp::Greater);
    device.SetRenderState(gpu::Rs::AlphaBlendEnable, 1);
    device.SetRenderState(gpu::Rs::SrcBlend, gpu::Blend::SrcAlpha);
    device.SetRenderState(gpu::Rs::DestBlend, gpu::Blend::One);
    device.SetTexture(0, Quads.front()->Texture);

    size_t start = 0;
    while (start < Quads.size()) {
        size_t end = start + 1;
        while (end < Quads.size() && SameTexture(Quads[end]->Texture, Quads[start]->Texture))
            ++end;
        const uint32_t n = static_cast<uint32_t>(end - start);

        gpu::Vertex* vertices = nullptr;
        if (gpu::Failed(VertexBuffer->Lock(n * 4, &vertices)))
            return;
        uint16_t* indices = nullptr;
        if (gpu::Failed(IndexBuffer->Lock(n * 6, &indices))) {
            VertexBuffer->Unlock();
            return;
        }
        const uint32_t firstVertex = VertexBuffer->GetLastStart();
        const uint32_t firstIndex = IndexBuffer->GetLastStart();
        for (uint32_t q = 0; q < n; ++q) {
            Quads[start + q]->WriteVertices(vertices + 4 * q);
            WriteQuadIndices(indices + 6 * q, firstVertex + 4 * q);
        }
        VertexBuffer->Unlock();
        IndexBuffer->Unlock();
        device.DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex, n * 4, firstIndex, n * 2);

        if (end < Quads.size())
            device.SetTexture(0, Quads[end]->Texture);
        start = end;
    }
}
