#pragma once
// The device of the recording back end, and what tests read from it. It keeps
// every render and stage state, counts every set call that reaches it (the
// engine's caches are meant to filter repeats), and records each Clear and
// DrawIndexedPrimitive with the state in effect and a copy of the geometry.
//
// Every call is checked by the device front, as on the other back ends; what
// the recording device adds is scripted: the adapter's caps, formats and
// modes (RecordingConfig), failures of single calls (FailNext) and device
// loss (LoseDevice, LossScript).
#include <array>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "platform/gpu/DeviceFront.h"
#include "platform/gpu/Gpu.h"
#include "platform/gpu/recording/FailureSchedule.h"
#include "platform/gpu/recording/RecordingResources.h"

namespace gpu {

struct RecordingShared;

// The state in effect at a draw: all render states; stage states, textures of
// stages 0 and 1 (the two the game combines); transforms; viewport.
struct DrawState {
    std::array<uint32_t, kRenderStateCount> renderStates{};
    std::array<std::array<uint32_t, kStageStateCount>, 2> stageStates{};
    std::array<const Texture*, 2> textures{}; // for comparison only: may be released since
    std::array<uint64_t, 2> textureIds{};     // RecordingId of the textures, 0 for none
    Matrix world = Matrix::Identity(), view = Matrix::Identity(), projection = Matrix::Identity();
    Viewport viewport;
};

struct DrawRecord {
    uint64_t frame = 0; // frames presented before the draw
    uint32_t type = 0, minIndex = 0, numVertices = 0, startIndex = 0, primCount = 0;
    uint32_t baseVertexIndex = 0, fvf = 0, stride = 0;
    const VertexBuffer* vertexBuffer = nullptr;
    const IndexBuffer* indexBuffer = nullptr;
    DrawState state;
    // The indices the draw read, as stored in the index buffer.
    std::vector<uint32_t> indices;
    // Copy of the vertex-buffer range the indices reach: vertices firstVertex ..
    // firstVertex + VertexCount() - 1 (absolute, base vertex index included),
    // `stride` apart, the last one of its own 32 bytes.
    uint32_t firstVertex = 0;
    std::vector<uint8_t> vertexBytes;

    size_t VertexCount() const {
        return stride && vertexBytes.size() >= sizeof(Vertex)
                   ? (vertexBytes.size() - sizeof(Vertex)) / stride + 1
                   : 0;
    }
    // The k-th copied vertex, read as the game's vertex layout.
    Vertex CopiedVertex(size_t k) const;
    // The vertex that index slot i refers to.
    Vertex IndexedVertex(size_t i) const;
};

struct ClearRecord {
    uint64_t frame = 0;
    std::vector<Rect> rects; // as passed (none = the whole viewport)
    uint32_t flags = 0, color = 0, stencil = 0;
    float z = 0.0f;
    Viewport viewport; // the area the clear was confined to
};

struct CursorRecord {
    uint32_t hotX = 0, hotY = 0, width = 0, height = 0;
    std::vector<uint32_t> pixels; // ARGB copy of the surface
};

enum class DeviceState { Ok, Lost, NotReset };

class RecordingDevice : public DeviceFront<RecordingDevice, RecordingTexture, RecordingVertexBuffer,
                                           RecordingIndexBuffer> {
public:
    // `pp` is complete and checked; `window` (optional) gives a windowed
    // reset without a size its size.
    RecordingDevice(std::shared_ptr<RecordingShared> shared, uint32_t adapter,
                    uint32_t behaviorFlags, const PresentParams& pp, os::Window* window);
    ~RecordingDevice() override;
    RecordingDevice(const RecordingDevice&) = delete;
    RecordingDevice& operator=(const RecordingDevice&) = delete;


    // ---- FrameProbe (tests) ----
    const std::vector<DrawRecord>& Draws() const { return draws_; }
    const std::vector<ClearRecord>& Clears() const { return clears_; }
    // Forgets recorded draws and clears and zeroes the call counts.
    void ClearRecords();

    // Calls of a kind that reached this device (including failed ones).
    uint64_t CallCount(Call c) const { return calls_[static_cast<size_t>(c)]; }
    uint64_t RenderStateSetCount(uint32_t state) const;
    uint64_t StageStateSetCount(uint32_t stage, uint32_t state) const;

    uint32_t RenderState(uint32_t state) const;
    uint32_t StageState(uint32_t stage, uint32_t state) const;
    const Texture* BoundTexture(uint32_t stage) const;
    const VertexBuffer* BoundVertexBuffer() const;
    const IndexBuffer* BoundIndexBuffer() const;
    uint32_t StreamStride() const { return front_.stride; }
    uint32_t BaseVertexIndex() const { return front_.baseVertex; }
    uint32_t VertexShader() const { return front_.fvf; }
    // World, View or Projection (identity for any other).
    Matrix CurrentTransform(uint32_t which) const;
    Viewport CurrentViewport() const { return front_.viewport; }
    bool InScene() const { return inScene_; }

    uint64_t FramesPresented() const { return frames_; }
    const PresentParams& CurrentPresentParams() const { return pp_; }
    uint32_t Adapter() const { return adapter_; }
    uint32_t BehaviorFlags() const { return behaviorFlags_; }
    const GammaRamp& CurrentGammaRamp() const { return ramp_; }
    // Null until SetCursorProperties succeeded.
    const CursorRecord* Cursor() const { return cursor_.get(); }
    // The last ShowCursor choice (the system's pointer until then).
    bool CursorShown() const { return cursorShown_; }

    size_t LiveTextures() const;
    size_t LiveSurfaces() const;
    size_t LiveVertexBuffers() const;
    size_t LiveIndexBuffers() const;
    size_t LiveDefaultPoolResources() const;

    // Device loss: TestCooperativeLevel answers kErrDeviceLost `lostTests` times,
    // then kErrDeviceNotReset until a Reset succeeds. Present fails with
    // kErrDeviceLost and draws are dropped until then. lostTests 0 goes straight
    // to the not-reset state.
    void LoseDevice(uint32_t lostTests = 1);
    DeviceState State() const { return state_; }
    // Failure injection through the schedule shared with the Api.
    void FailNext(Call c, uint64_t n = 1, Result result = kErrInvalidCall, uint64_t times = 1);

    // Used by the resources.
    Result Enter(Call c);
    void ForgetSurface(RecordingSurface* s) { surfaces_.erase(s); }
    const std::shared_ptr<RecordingShared>& Shared() const { return shared_; }

private:
    friend DeviceFront;
    static constexpr Hook kHooks[] = {
        Hook::Admit,       Hook::CooperativeLevel,   Hook::TakesPresentParams,
        Hook::Limits,      Hook::TakesTextureFormat, Hook::MemoryLimit,
        Hook::NewSurface,  Hook::DoSetCursor,        Hook::CursorShown,
        Hook::ApplyMode};
    // The front's hooks. Admit counts the call (and the state it sets) and
    // answers with an injected failure; a reset also with the loss script.
    Result Admit(FrontCall c, uint32_t a, uint32_t b);
    Result CooperativeLevel();
    Result TakesPresentParams(const PresentParams& p) const;
    Result TakesTextureFormat(uint32_t usage, uint32_t format) const;
    const Caps& Limits() const;
    uint64_t MemoryLimit() const;
    void ApplyMode(const PresentParams&) {} // no window of its own to change
    Result DoReset(const PresentParams&);
    Result DoPresent();
    Result DoClear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t argb, float z,
                   uint32_t stencil);
    Result DoDraw(const DrawCall& d);
    // Surfaces are counted while they live.
    Surface* NewSurface(uint32_t width, uint32_t height, uint32_t format);
    void DoSetCursor(uint32_t hotX, uint32_t hotY, const SystemSurface& image);
    void CursorShown(bool) {}

    std::shared_ptr<RecordingShared> shared_;
    uint32_t adapter_ = 0, behaviorFlags_ = 0;
    DeviceState state_ = DeviceState::Ok;
    uint32_t lostTestsLeft_ = 0;

    std::array<uint64_t, kRenderStateCount> rsSets_{};
    std::array<std::array<uint64_t, kStageStateCount>, kStageCount> tssSets_{};
    std::array<uint64_t, kCallKinds> calls_{};

    std::unique_ptr<CursorRecord> cursor_;
    std::unordered_set<RecordingSurface*> surfaces_;
    std::vector<DrawRecord> draws_;
    std::vector<ClearRecord> clears_;
    uint64_t frames_ = 0, presents_ = 0;
};

// Null when `device` is not a recording device.
RecordingDevice* AsRecording(Device* device);

// A serial number unique per recording resource (0 for null or foreign objects);
// draw records keep it so a texture can be recognised after it was released.
uint64_t RecordingId(const Object* resource);

} // namespace gpu
