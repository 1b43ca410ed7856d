#pragma once
// The wrapper of the GPU device. It enumerates the adapters and their modes,
// creates the device, filters redundant state changes through caches (so the
// drawing code may set its states unconditionally), and keeps a registry of
// every buffer, texture and surface made through it, so that after a lost device
// the default-pool ones can be released before the reset and made again after.
//
// Handles passed by value to the setters are released on return.
//
// While a scene is open on a back end that draws pixels, the calls are
// recorded instead of made, and played when the scene ends (or earlier, when
// something would make the recorded draws read something else), each draw
// clipped against the opaque rectangles drawn after it (see CDrawClipper).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/SceneRecorder.h"
#include "engine/SharedPtr.h"
#include "platform/gpu/Gpu.h"

class CTexture;
class CSurface;
class CVertexBuffer;
class CIndexBuffer;
class DisplayModeList;
struct DisplayMode;

namespace os {
class Window;
}

class CRenderDevice {
public:
    // Marks a cache entry after a failed set: no real value equals it, so the
    // next set of that state always reaches the device.
    static constexpr uint32_t kFailedSet = 0x7fffffff;

    // Builds the mode lists of every adapter; `adapter` is clamped into range.
    CRenderDevice(gpu::Api* api, int adapter);
    ~CRenderDevice();
    CRenderDevice(const CRenderDevice&) = delete;
    CRenderDevice& operator=(const CRenderDevice&) = delete;

    // Returns the adapter count. An adapter at or past the count becomes the last
    // one (with a warning), a negative one becomes 0.
    int Enumerate(gpu::Api* api, int adapter);
    // Uses another adapter (in range) from now on; the mode index becomes its
    // desktop mode.
    void SelectAdapter(int adapter);

    // Creates the device in the given mode, which must be in the adapter's list
    // (else kErrNotAvailable before anything changes). In full screen the window
    // gets the pop-up style. Hardware vertex processing first, then software.
    gpu::Result Create(uint32_t width, uint32_t height, uint32_t format, int fullScreen,
                       int videoSync, os::Window* window, uint32_t depthFormat,
                       uint32_t backBufferCount, uint32_t multiSampleType, uint32_t swapEffect,
                       uint32_t flags);

    // Exact match in the current adapter's list, full-screen or windowed capable.
    bool IsModeAvailable(uint32_t width, uint32_t height, uint32_t format, int fullScreen) const;
    // The desktop mode's format; kErrNotAvailable when the adapter has none.
    gpu::Result GetWindowModeFormat(uint32_t* format) const;

    // ---- Cached state (0 when the call was skipped; kErrInvalidCall for an
    // index out of range) ----
    gpu::Result SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value);
    gpu::Result SetRenderState(uint32_t state, uint32_t value);
    // An empty handle (or a texture without a device texture) binds null.
    gpu::Result SetTexture(uint32_t stage, CSharedPtr<CTexture> texture);
    // Stream 0, with the buffer's stride. An empty handle unbinds.
    gpu::Result SetStreamSource(CSharedPtr<CVertexBuffer> buffer);
    // The base vertex index is not part of the cache test.
    gpu::Result SetIndices(CSharedPtr<CIndexBuffer> buffer, uint32_t baseVertexIndex);

    // The cached value (kFailedSet after a failed set); 0 out of range.
    uint32_t GetCachedRenderState(uint32_t state) const;
    uint32_t GetCachedStageState(uint32_t stage, uint32_t state) const;
    // The device's own value of a render state (differs from the cache only
    // after a failed set).
    gpu::Result GetRenderState(uint32_t state, uint32_t* value) const;

    // ---- Plain forwarders (kErrInvalidCall without a device) ----
    gpu::Result Clear(uint32_t count, const gpu::Rect* rects, uint32_t flags, uint32_t color,
                      float z, uint32_t stencil);
    gpu::Result SetViewport(const gpu::Viewport& viewport);
    gpu::Result SetVertexShader(uint32_t handle);
    gpu::Result SetTransform(uint32_t state, const gpu::Matrix& matrix);
    gpu::Result GetTransform(uint32_t state, gpu::Matrix* matrix) const;
    gpu::Result DrawIndexedPrimitive(uint32_t type, uint32_t minIndex, uint32_t vertexCount,
                                     uint32_t startIndex, uint32_t primitiveCount);
    gpu::Result TestCooperativeLevel();
    gpu::Result BeginScene();
    gpu::Result EndScene();
    gpu::Result Present();

    // ---- Scenes recorded and clipped ----
    // On: scenes are recorded and their draws clipped (the default on a back
    // end that draws pixels); off: every call goes straight to the device.
    void SetClipping(bool on);
    bool Clipping() const { return clipping_; }
    // Scenes are recorded also without clipping, to count what they cover.
    void SetCounting(bool on) { counting_ = on; }
    // Pixels covered by the draws of recorded scenes so far.
    uint64_t CoveredPixels() const { return recorder_.Clipper().CoveredPixels(); }
    // Before a texture's device object goes: every scene that recorded a
    // binding of it is played.
    static void BeforeTextureRelease(const gpu::Texture* texture);

    // ---- What the draw clipper reads of the recorded state ----
    const CTexture* GetBoundTexture(uint32_t stage) const {
        return stage < gpu::kStageCount ? boundTextures_[stage].Get() : nullptr;
    }
    const gpu::Viewport& GetCachedViewport() const { return recorder_.GetViewport(); }
    // The last transform set (within a recorded scene).
    const gpu::Matrix& GetCachedTransform(uint32_t state) const;

    // ---- Reset support ----
    // Clears the texture, stream and index caches and releases the device object
    // of every default-pool buffer and texture; managed ones stay.
    void ReleaseDefaultPoolResources();
    // One reset attempt with the stored presentation parameters (windowed: the
    // desktop format and the windowed style; full screen: the requested mode).
    // On failure nothing is re-created and the failure is returned: the caller
    // tries again later. On success the window is sized to the back buffer, the
    // default-pool resources are re-created in registry order (failures go to
    // the error list) and the cached states are applied over the device's
    // defaults.
    gpu::Result Reset();
    void ReadStageStates();
    void ApplyStageStates();
    void ReadRenderStates();
    void ApplyRenderStates();

    // ---- Registry ----
    // First texture whose name equals `name` exactly; -1 for none.
    int FindTexture(const std::string& name) const;
    int FindSurface(const std::string& name) const;
    // Removes the entry (order of the others kept); any other index does nothing.
    void UnregisterTexture(int index);
    void RegisterVertexBuffer(const CSharedPtr<CVertexBuffer>& buffer);
    void RegisterIndexBuffer(const CSharedPtr<CIndexBuffer>& buffer);
    void RegisterSurface(const CSharedPtr<CSurface>& surface);
    void RegisterTexture(const CSharedPtr<CTexture>& texture);

    // ---- Texture loading (an empty handle on failure; nothing registered) ----
    CSharedPtr<CTexture> LoadTexture(const std::string& path, const std::string& name,
                                     uint32_t mipLevels, uint32_t usage, uint32_t pool,
                                     uint32_t format);
    // The first candidate usable as a texture decides the format (0, the
    // loader's choice, when none is).
    CSharedPtr<CTexture> LoadTextureAnyFormat(const std::string& path, const std::string& name,
                                              std::vector<uint32_t> candidates,
                                              uint32_t mipLevels, uint32_t usage, uint32_t pool);
    CSharedPtr<CTexture> CreateTargetTexture(const std::string& name, uint32_t width,
                                             uint32_t height, std::vector<uint32_t> candidates,
                                             uint32_t mipLevels, uint32_t usage, uint32_t pool);
    // The picture with its "_alpha." companion as alpha; the format from a list
    // that prefers one-bit alpha or grey formats.
    CSharedPtr<CTexture> LoadTextureWithAlpha(const std::string& path, const std::string& name,
                                              bool oneBitAlpha, uint32_t usage, uint32_t pool);
    // A new handle to the first registered texture of that name, or empty.
    CSharedPtr<CTexture> GetTexture(const char* name) const;
    CSharedPtr<CTexture> GetTextureByString(std::string name) const;
    // The first usable texture format of the list, or 0.
    uint32_t ChooseFormat(const std::vector<uint32_t>& candidates) const;

    // ---- Access ----
    gpu::Device* GetDevice() const { return device_; }
    gpu::Api* GetApi() const { return api_; }
    int GetAdapter() const { return adapter_; }
    int GetAdapterCount() const { return adapterCount_; }
    // The list of the adapter in use (null without adapters).
    DisplayModeList* GetModeList() const;
    DisplayModeList* GetModeList(int adapter) const;
    int GetModeIndex() const { return modeIndex_; }
    void SetModeIndex(int index) { modeIndex_ = index; }
    const gpu::PresentParams& GetPresentParams() const { return presentParams_; }
    gpu::PresentParams& PresentParams() { return presentParams_; }
    uint32_t GetRequestedWidth() const { return requestedWidth_; }
    uint32_t GetRequestedHeight() const { return requestedHeight_; }
    uint32_t GetRequestedFormat() const { return requestedFormat_; }
    void SetRequestedMode(uint32_t width, uint32_t height, uint32_t format);
    uint32_t GetMaxVertexIndex() const { return maxVertexIndex_; }
    uint32_t GetMaxPrimitiveCount() const { return maxPrimitiveCount_; }
    const std::vector<std::string>& GetErrors() const { return errors_; }
    const std::vector<std::string>& GetWarnings() const { return warnings_; }
    const std::vector<CSharedPtr<CVertexBuffer>>& GetVertexBuffers() const { return vertexBuffers_; }
    const std::vector<CSharedPtr<CIndexBuffer>>& GetIndexBuffers() const { return indexBuffers_; }
    const std::vector<CSharedPtr<CTexture>>& GetTextures() const { return textures_; }
    const std::vector<CSharedPtr<CSurface>>& GetSurfaces() const { return surfaces_; }

private:
    void ClearResourceCaches();
    // Plays the recording; `sceneEnds` when its scene ends with it.
    void Play(bool sceneEnds);
    // Binds what the game bound, where the device has something else.
    void BindGameBuffers();
    bool PreparePlayBuffers(uint32_t vertices, uint32_t indices);
    void AddError(const char* pattern, int index, const char* name = nullptr);
    void SizeWindowToClient(uint32_t width, uint32_t height);

    gpu::Api* api_ = nullptr;
    int adapterCount_ = 0;
    int adapter_ = 0;
    gpu::Device* device_ = nullptr;
    std::vector<CSharedPtr<DisplayModeList>> modeLists_;
    int modeIndex_ = -1;
    gpu::PresentParams presentParams_;
    uint32_t requestedWidth_ = 0, requestedHeight_ = 0, requestedFormat_ = 0;
    std::vector<CSharedPtr<CVertexBuffer>> vertexBuffers_;
    std::vector<CSharedPtr<CIndexBuffer>> indexBuffers_;
    std::vector<CSharedPtr<CTexture>> textures_;
    std::vector<CSharedPtr<CSurface>> surfaces_;
    std::vector<std::string> errors_;
    std::vector<std::string> warnings_;
    uint32_t maxVertexIndex_ = 0, maxPrimitiveCount_ = 0;
    // Binding caches: the device object and the serial of the resource it came
    // from (an address alone may be reused by a later resource).
    std::array<gpu::Texture*, gpu::kStageCount> textureCache_{};
    std::array<uint64_t, gpu::kStageCount> textureSerials_{};
    gpu::VertexBuffer* streamCache_ = nullptr;
    uint64_t streamSerial_ = 0;
    gpu::IndexBuffer* indexCache_ = nullptr;
    uint64_t indexSerial_ = 0;
    std::array<std::array<uint32_t, gpu::kStageStateCount>, gpu::kStageCount> stageCache_{};
    std::array<uint32_t, gpu::kRenderStateCount> renderCache_{};
    os::Window* window_ = nullptr;

    // What the game bound (the device may have the playing buffers bound).
    CSharedPtr<CVertexBuffer> boundVertices_;
    CSharedPtr<CIndexBuffer> boundIndices_;
    uint32_t baseVertexIndex_ = 0;
    std::array<CSharedPtr<CTexture>, gpu::kStageCount> boundTextures_;
    bool clipping_ = false, counting_ = false;
    CSceneRecorder recorder_;
    CSharedPtr<CVertexBuffer> playVertices_;
    CSharedPtr<CIndexBuffer> playIndices_;
};
