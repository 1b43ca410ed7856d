#pragma once
// The decorated frame around the board of a level: up to a few dozen textured
// quads (frame pieces, glass and glow strips) kept in local layout units with
// their colours, texture coordinates, indices and draw batches, built once when
// the field is reset. Every frame the renderer draws it in one pass, placed at
// the board's origin and scale, with the fade level on every quad's alpha.
#include <cstdint>
#include <vector>

#include "engine/FadeValue.h"
#include "engine/SharedPtr.h"
#include "platform/gpu/Gpu.h"

class CTexture;
class CRenderDevice;
class CVertexBuffer;
class CIndexBuffer;

// One frame element's rectangle in layout units: its top-left corner (y up) and
// its size; the quad spans x .. x + width and y - height .. y.
struct CFrameRect {
    float X = 0.0f, Y = 0.0f, Width = 0.0f, Height = 0.0f;
};

struct CFrameTexCoord {
    float U = 0.0f, V = 0.0f;
};

class CPlayFieldStore {
public:
    struct ColourRecord {
        float Red, Green, Blue, Alpha;  // 0..255
    };
    struct Batch {
        int32_t Texture;  // index into Textures
        int32_t Quads;
    };
    struct BlendPair {
        uint32_t Src, Dest;
    };
    // How an element is blended: additive, multiplying, screen; anything else is normal.
    enum { MethodAdd = 1, MethodMultiply = 2, MethodScreen = 3 };

    // Shown at full level, at the origin, scale 1, empty.
    CPlayFieldStore();
    ~CPlayFieldStore();
    CPlayFieldStore(const CPlayFieldStore&) = delete;
    CPlayFieldStore& operator=(const CPlayFieldStore&) = delete;

    // Rebuilds the quads from the layout's frame elements: for element i the
    // rectangle rects[i], the texture corners uvs[4i .. 4i+3] (top-left,
    // top-right, bottom-right, bottom-left), the texture number textures[i], the
    // ARGB colour colours[i] and the blend method methods[i]. Elements missing
    // from any of the vectors are left out. The texture list stays as it is.
    void Rebuild(const std::vector<CFrameRect>& rects, const std::vector<CFrameTexCoord>& uvs,
                 const std::vector<int32_t>& textures, const std::vector<uint32_t>& colours,
                 const std::vector<int32_t>& methods);

    // Draws every batch into the shared buffers. 1 when drawn, 0 when a buffer
    // lock failed (depth writes and the normal blend pair are set back either way).
    int32_t Render(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vertexBuffer,
                   CSharedPtr<CIndexBuffer> indexBuffer);

    CFadeValue Fade;
    float Offset[3] = {0.0f, 0.0f, 0.0f};
    float Scale[2] = {1.0f, 1.0f};
    std::vector<CSharedPtr<CTexture>> Textures;
    std::vector<gpu::Vertex> Vertices;       // local x, y; colour word RGB only; u, v
    std::vector<ColourRecord> Colours;       // one per vertex
    std::vector<int32_t> ColourModes;        // per quad: 0 plain alpha, else premultiplied
    std::vector<int32_t> Indices;            // relative to the store's first vertex
    std::vector<Batch> Batches;
    std::vector<BlendPair> BlendPairs;       // one per batch
};
