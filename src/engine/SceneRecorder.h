#pragma once
// The device calls of an open scene, kept until they are played, so that the
// draw clipper can see which opaque rectangles are drawn after each draw. A
// draw keeps a copy of the vertices and indices it reads, taken when it is
// recorded: later appending or discarding locks of the game's buffers cannot
// change it. Playing hands the clipped draws to the device from buffers of the
// wrapper's own, filled with one lock each.
#include <cstdint>
#include <vector>

#include "engine/DrawClipper.h"
#include "engine/SharedPtr.h"
#include "platform/gpu/Gpu.h"

class CRenderDevice;
class CTexture;
class CVertexBuffer;
class CIndexBuffer;

class CSceneRecorder {
public:
    enum class Op : uint8_t {
        RenderState, // a = state, b = value
        StageState,  // a = stage, b = state, c = value
        Texture,     // a = stage, item = binding
        Transform,   // a = which, item = matrix
        Viewport,    // item = viewport
        VertexShader,
        Clear, // item = clearing
        Draw,  // item = draw
    };
    struct Command {
        Op op;
        uint32_t a = 0, b = 0, c = 0;
        uint32_t item = 0;
    };
    struct Binding {
        CSharedPtr<CTexture> texture; // kept alive until played
        gpu::Texture* device = nullptr;
    };
    struct Clearing {
        std::vector<gpu::Rect> rects;
        uint32_t flags = 0, color = 0, stencil = 0;
        float z = 1.0f;
        gpu::Viewport viewport;   // what a clear without rectangles clears
        uint32_t drawsBefore = 0; // draws recorded before it
        bool paintedOver = false; // (after Prepare) opaque draws after it cover its colour
    };
    // A draw as it is played: from the playing buffers (empty: nothing shows),
    // with the rectangles whose pixels the device may leave out.
    struct Played {
        uint32_t type = 0, firstVertex = 0, vertexCount = 0, firstIndex = 0, primitiveCount = 0;
        uint32_t firstHidden = 0, hiddenCount = 0; // in HiddenRects()
        bool depthUnread = false;                  // no test reads the depth it writes
    };

    bool Recording() const { return recording_; }
    bool Empty() const { return commands_.empty(); }
    // A scene opens (transforms and viewport as the device has them now).
    void Begin(const gpu::Matrix& world, const gpu::Matrix& view, const gpu::Matrix& projection,
               const gpu::Viewport& viewport);
    void End();

    void RenderState(uint32_t state, uint32_t value);
    void StageState(uint32_t stage, uint32_t state, uint32_t value);
    void Texture(uint32_t stage, const CSharedPtr<CTexture>& texture, gpu::Texture* device);
    void Transform(uint32_t which, const gpu::Matrix& m);
    void Viewport(const gpu::Viewport& v);
    void VertexShader(uint32_t handle);
    void Clear(uint32_t count, const gpu::Rect* rects, uint32_t flags, uint32_t color, float z,
               uint32_t stencil);
    // False (nothing recorded) when the draw's vertices or indices cannot be
    // read from the copies the buffers keep; the caller draws it directly.
    bool Draw(const CRenderDevice& device, uint32_t type, const CVertexBuffer* vertices,
              const CIndexBuffer* indices, uint32_t baseVertexIndex, uint32_t startIndex,
              uint32_t primitiveCount);

    // The transforms and viewport as recorded so far.
    const gpu::Matrix* FindTransform(uint32_t which) const;
    const gpu::Viewport& GetViewport() const { return viewport_; }
    // Whether a recorded command binds that device texture.
    bool Uses(const gpu::Texture* texture) const;

    // Clips the recorded draws and lays out what is played: the vertices and
    // (absolute) indices for the playing buffers, and per draw where its part
    // lies. `sceneEnds`: the recording ends with its scene. `handsHidden`:
    // the device takes hidden rectangles (Device::TakesHiddenRects), so the
    // draws are also given the rectangles that hide parts of them.
    void Prepare(bool sceneEnds, bool handsHidden = false);
    const std::vector<Command>& Commands() const { return commands_; }
    const std::vector<gpu::Vertex>& PlayVertices() const { return playVertices_; }
    const std::vector<uint32_t>& PlayIndices() const { return playIndices_; }
    const Played& GetPlayed(uint32_t item) const { return played_[item]; }
    const gpu::Rect* HiddenRects(const Played& p) const { return hidden_.data() + p.firstHidden; }
    const Binding& GetBinding(uint32_t item) const { return bindings_[item]; }
    const gpu::Matrix& GetMatrix(uint32_t item) const { return matrices_[item]; }
    const gpu::Viewport& GetViewportItem(uint32_t item) const { return viewports_[item]; }
    const Clearing& GetClearing(uint32_t item) const { return clearings_[item]; }
    // After playing: the recording goes on empty (the scene stays open).
    void Forget();

    CDrawClipper& Clipper() { return clipper_; }
    const CDrawClipper& Clipper() const { return clipper_; }

private:
    struct Recorded {
        uint32_t type, primitiveCount;
        uint32_t vertex, vertexCount; // in vertices_
        uint32_t index, indexCount;   // in indices_, numbering the draw's own vertices
    };

    bool recording_ = false;
    std::vector<Command> commands_;
    std::vector<Binding> bindings_;
    std::vector<gpu::Matrix> matrices_;
    std::vector<gpu::Viewport> viewports_;
    std::vector<Clearing> clearings_;
    std::vector<Recorded> draws_;
    std::vector<gpu::Vertex> vertices_;
    std::vector<uint32_t> indices_;
    gpu::Matrix world_{}, view_{}, projection_{};
    gpu::Viewport viewport_;

    std::vector<Played> played_;
    std::vector<gpu::Vertex> playVertices_;
    std::vector<uint32_t> playIndices_;
    std::vector<gpu::Rect> hidden_;
    std::vector<CDrawClipper::PixelRect> hiddenOfDraw_;
    std::vector<gpu::Vertex> clipped_;
    std::vector<uint32_t> scratch_;
    CDrawClipper clipper_;
};
