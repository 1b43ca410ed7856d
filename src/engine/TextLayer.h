#pragma once
// A layer of text sprites: it updates the moving and pulsing ones, drops the
// expired ones and draws the texts of one pass tag, grouped by font texture
// (groups in the order of their first text, texts in list order within a group).
#include <cstdint>
#include <vector>

#include "engine/SharedPtr.h"

class CTextSprite;
class CRenderDevice;
class CVertexBuffer;
class CIndexBuffer;

class CTextLayer {
public:
    CTextLayer(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vertexBuffer,
               CSharedPtr<CIndexBuffer> indexBuffer);
    ~CTextLayer();
    CTextLayer(const CTextLayer&) = delete;
    CTextLayer& operator=(const CTextLayer&) = delete;

    // Appends the text and returns a handle to it.
    CSharedPtr<CTextSprite> Add(CSharedPtr<CTextSprite> text);
    // Erases the first entry of this text (for an empty handle, the first empty entry).
    void Remove(CSharedPtr<CTextSprite> text);
    // Updates the visible texts that move or pulse; expired ones leave the layer.
    void Update(float dt);
    // Draws the visible texts whose pass tag equals `passTag`. A failed buffer
    // lock ends the pass (the texts left are not drawn this frame).
    void Render(int32_t passTag);

    const std::vector<CSharedPtr<CTextSprite>>& GetItems() const { return Items; }
    size_t Count() const { return Items.size(); }

private:
    CSharedPtr<CRenderDevice> Device;
    CSharedPtr<CVertexBuffer> VertexBuffer;
    CSharedPtr<CIndexBuffer> IndexBuffer;
    std::vector<CSharedPtr<CTextSprite>> Items;
    std::vector<uint8_t> DrawnFlags;
};
