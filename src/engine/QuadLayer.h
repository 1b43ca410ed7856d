#pragma once
// A layer of glowing quads: it updates them every frame, drops the dead ones and
// draws the living ones additively, one draw call per run of quads that share a
// texture (Add keeps such quads next to each other).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/SharedPtr.h"

class CQuad;
class CRenderDevice;
class CVertexBuffer;
class CIndexBuffer;

class CQuadLayer {
public:
    CQuadLayer(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vertexBuffer,
               CSharedPtr<CIndexBuffer> indexBuffer);
    ~CQuadLayer();
    CQuadLayer(const CQuadLayer&) = delete;
    CQuadLayer& operator=(const CQuadLayer&) = delete;

    // Gives the quad its id and places it before the first quad of the same
    // texture (quads without texture group together), else at the end.
    int32_t Add(CSharedPtr<CQuad> quad);
    // One frame for every quad; dead quads leave the layer.
    void Update(float dt);
    // Additive, alpha-tested; nothing when empty. A failed buffer lock ends the
    // layer's drawing for this frame.
    void Render();

    bool IsEmpty() const { return Quads.empty(); }
    size_t Count() const { return Quads.size(); }
    const std::vector<CSharedPtr<CQuad>>& GetQuads() const { return Quads; }

private:
    CSharedPtr<CRenderDevice> Device;
    CSharedPtr<CVertexBuffer> VertexBuffer;
    CSharedPtr<CIndexBuffer> IndexBuffer;
    int32_t NextId = 0;
    std::vector<CSharedPtr<CQuad>> Quads;
};
