#pragma once
// Windows without a device: layers that only keep their items, a font whose
// every character is one unit wide, and record summaries.
#include <string>
#include <vector>

#include "engine/BitmapFont.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/SpriteLayer.h"
#include "engine/TextLayer.h"
#include "engine/VertexBuffer.h"
#include "ui/UxControlEvent.h"

namespace uitest {

inline CSharedPtr<CSpriteLayer> Sprites() {
    return CSharedPtr<CSpriteLayer>(new CSpriteLayer(
        CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));
}
inline CSharedPtr<CTextLayer> Texts() {
    return CSharedPtr<CTextLayer>(new CTextLayer(
        CSharedPtr<CRenderDevice>(), CSharedPtr<CVertexBuffer>(), CSharedPtr<CIndexBuffer>()));
}
inline CSharedPtr<CBitmapFont> UnitFont(int32_t height = 16) {
    CSharedPtr<CBitmapFont> font(new CBitmapFont(CSharedPtr<CTexture>()));
    for (CFontGlyph& g : font->Glyphs) {
        g = CFontGlyph{};
        g.Width = g.Height = g.Advance = 1.0f;
        g.URight = g.VBottom = 1.0f;
    }
    font->SpaceAdvance = 1.0f;
    font->Header3 = height;
    return font;
}

// "kind:id" per record, in order.
inline std::string Summary(const std::vector<CUxControlEvent>& events) {
    std::string out;
    for (const CUxControlEvent& e : events)
        out += (out.empty() ? "" : " ") + std::to_string(e.Kind) + ":" + std::to_string(e.Id);
    return out;
}

} // namespace uitest
