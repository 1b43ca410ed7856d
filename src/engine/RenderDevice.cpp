#include "engine/RenderDevice.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/DisplayModes.h"
#include "engine/IndexBuffer.h"
#include "engine/ObjectLog.h"
#include "engine/Surface.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "platform/gpu/FrameProbe.h"
#include "platform/os/Window.h"

namespace {

// The render states the device defines, in the order they are applied after a
// reset; the numbers in between are unused by the device.
struct StateRange {
    uint32_t first, last;
};
constexpr StateRange kAppliedRenderStates[] = {
    {7, 10},    {14, 16},   {19, 20},   {22, 30},   {34, 38},   {40, 40},   {47, 48},
    {52, 60},   {128, 137}, {139, 143}, {145, 148}, {151, 168}, {170, 173},
};
constexpr StateRange kReadRenderStates[] = {{7, 60}, {128, 173}};

constexpr uint32_t kStreamStride = 32;

// The playing buffers start this large and double when a recording needs more.
constexpr uint32_t kPlayElements = 65536;
constexpr uint32_t kPlayUsage = gpu::Usage::WriteOnly | gpu::Usage::Dynamic;

// The devices whose scenes are being recorded now.
std::vector<CRenderDevice*>& RecordingDevices() {
    static std::vector<CRenderDevice*> devices;
    return devices;
}

void StopListing(CRenderDevice* device) {
    auto& all = RecordingDevices();
    all.erase(std::remove(all.begin(), all.end(), device), all.end());
}

}  // namespace

CRenderDevice::CRenderDevice(gpu::Api* api, int adapter) {
    for (auto& stage : stageCache_)
        stage.fill(kFailedSet);
    renderCache_.fill(kFailedSet);
    Enumerate(api, adapter);
}

CRenderDevice::~CRenderDevice() {
    StopListing(this);
    recorder_.End(); // what it holds goes while the device is still there
    for (auto& t : boundTextures_)
        t = CSharedPtr<CTexture>();
    LogObject("Device destruction.\n");
    if (device_) {
        for (uint32_t s = 0; s < gpu::kStageCount; ++s)
            device_->SetTexture(s, nullptr);
        device_->SetStreamSource(0, nullptr, kStreamStride);
        device_->SetIndices(nullptr, 0);
        device_->Release();
        device_ = nullptr;
    }
    // The registries and mode lists go with the members; resources still held
    // elsewhere survive, untracked.
}

int CRenderDevice::Enumerate(gpu::Api* api, int adapter) {
    api_ = api;
    adapter_ = adapter < 0 ? 0 : adapter;
    adapterCount_ = api ? static_cast<int>(api->GetAdapterCount()) : 0;
    modeLists_.clear();
    modeIndex_ = -1;
    if (adapterCount_ < 1) {
        adapter_ = 0;
        return adapterCount_;
    }
    if (adapter_ >= adapterCount_) {
        char text[128];
        std::snprintf(text, sizeof text, "Adapter Number %d too high! (Must be less then %d).",
                      adapter, adapterCount_);
        warnings_.emplace_back(text);
        adapter_ = adapterCount_ - 1;
    }
    modeLists_.reserve(static_cast<size_t>(adapterCount_));
    for (int i = 0; i < adapterCount_; ++i)
        modeLists_.push_back(CSharedPtr<DisplayModeList>(new DisplayModeList(api, i)));
    modeIndex_ = modeLists_[static_cast<size_t>(adapter_)]->GetDesktopIndex();
    return adapterCount_;
}

void CRenderDevice::SelectAdapter(int adapter) {
    if (adapter < 0 || adapter >= static_cast<int>(modeLists_.size()))
        return;
    adapter_ = adapter;
    modeIndex_ = modeLists_[static_cast<size_t>(adapter)]->GetDesktopIndex();
}

DisplayModeList* CRenderDevice::GetModeList(int adapter) const {
    if (adapter < 0 || adapter >= static_cast<int>(modeLists_.size()))
        return nullptr;
    return modeLists_[static_cast<size_t>(adapter)].Get();
}

DisplayModeList* CRenderDevice::GetModeList() const { return GetModeList(adapter_); }

void CRenderDevice::SetRequestedMode(uint32_t width, uint32_t height, uint32_t format) {
    requestedWidth_ = width;
    requestedHeight_ = height;
    requestedFormat_ = format;
}

gpu::Result CRenderDevice::Create(uint32_t width, uint32_t height, uint32_t format,
                                  int fullScreen, int videoSync, os::Window* window,
                                  uint32_t depthFormat, uint32_t backBufferCount,
                                  uint32_t multiSampleType, uint32_t swapEffect, uint32_t flags) {
    if (device_)
        return gpu::kErrInvalidCall;  // a device is made once
    const DisplayModeList* list = GetModeList();
    if (!list || !api_)
        return gpu::kErrNotAvailable;
    const int mode = fullScreen ? list->FindFullscreen(width, height, format, false)
                                : list->FindWindowed(width, height, format, true);
    if (mode < 0)
        return gpu::kErrNotAvailable;

    gpu::PresentParams pp;
    pp.backBufferWidth = width;
    pp.backBufferHeight = height;
    pp.backBufferFormat = format;
    pp.backBufferCount = backBufferCount;
    pp.multiSampleType = multiSampleType;
    pp.swapEffect = swapEffect;
    pp.window = window;
    pp.windowed = fullScreen ? 0 : 1;
    pp.enableAutoDepthStencil = 1;
    pp.autoDepthStencilFormat = depthFormat;
    pp.flags = flags;
    pp.fullScreenRefreshRate = 0;
    pp.presentationInterval =
        (fullScreen && !videoSync) ? gpu::kPresentIntervalImmediate : gpu::kPresentIntervalDefault;
    SetRequestedMode(width, height, format);

    const uint32_t savedStyle = window ? window->GetStyle() : 0;
    if (fullScreen && window)
        window->SetStyle(os::kStyleFullScreen);

    const auto adapter = static_cast<uint32_t>(adapter_);
    gpu::PresentParams used = pp;
    gpu::Result r = api_->CreateDevice(adapter, gpu::kDeviceHal, window,
                                       gpu::kCreateHardwareVertexProcessing, &used, &device_);
    if (gpu::Failed(r)) {
        used = pp;
        r = api_->CreateDevice(adapter, gpu::kDeviceHal, window,
                               gpu::kCreateSoftwareVertexProcessing, &used, &device_);
    }
    if (gpu::Failed(r)) {
        device_ = nullptr;
        errors_.emplace_back("Unable to create device!");
        if (fullScreen && window)
            window->SetStyle(savedStyle);
        return r;
    }

    window_ = window;
    presentParams_ = used;
    // Remembered for the resets: a window without video sync presents at once
    // too, although the device itself starts with the default interval.
    if (!videoSync)
        presentParams_.presentationInterval = gpu::kPresentIntervalImmediate;
    modeIndex_ = mode;

    gpu::Caps caps;
    if (!gpu::Failed(device_->GetDeviceCaps(&caps))) {
        maxVertexIndex_ = caps.maxVertexIndex;
        maxPrimitiveCount_ = caps.maxPrimitiveCount;
    }
    ClearResourceCaches();
    ReadStageStates();
    ReadRenderStates();
    // A recording back end is there to show the calls themselves.
    clipping_ = gpu::ProbeOf(device_) != nullptr;
    return gpu::kOk;
}

bool CRenderDevice::IsModeAvailable(uint32_t width, uint32_t height, uint32_t format,
                                    int fullScreen) const {
    const DisplayModeList* list = GetModeList();
    if (!list)
        return false;
    return (fullScreen ? list->FindFullscreen(width, height, format, false)
                       : list->FindWindowed(width, height, format, false)) >= 0;
}

gpu::Result CRenderDevice::GetWindowModeFormat(uint32_t* format) const {
    const DisplayModeList* list = GetModeList();
    const DisplayMode* desktop = list ? list->GetDesktopMode() : nullptr;
    if (!desktop || !format)
        return gpu::kErrNotAvailable;
    *format = desktop->format;
    return gpu::kOk;
}

// ---- cached state -----------------------------------------------------------

gpu::Result CRenderDevice::SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value) {
    if (stage >= gpu::kStageCount || state == 0 || state >= gpu::kStageStateCount || !device_)
        return gpu::kErrInvalidCall;
    uint32_t& cached = stageCache_[stage][state];
    if (cached == value && value != kFailedSet)
        return gpu::kOk;
    if (recorder_.Recording() && value != kFailedSet) {
        recorder_.StageState(stage, state, value);
        cached = value;
        return gpu::kOk;
    }
    const gpu::Result r = device_->SetTextureStageState(stage, state, value);
    cached = gpu::Failed(r) ? kFailedSet : value;
    return r;
}

gpu::Result CRenderDevice::SetRenderState(uint32_t state, uint32_t value) {
    if (state >= gpu::kRenderStateCount || !device_)
        return gpu::kErrInvalidCall;
    uint32_t& cached = renderCache_[state];
    if (cached == value && value != kFailedSet)
        return gpu::kOk;
    if (recorder_.Recording() && value != kFailedSet) {
        recorder_.RenderState(state, value);
        cached = value;
        return gpu::kOk;
    }
    const gpu::Result r = device_->SetRenderState(state, value);
    cached = gpu::Failed(r) ? kFailedSet : value;
    return r;
}

gpu::Result CRenderDevice::SetTexture(uint32_t stage, CSharedPtr<CTexture> texture) {
    if (stage >= gpu::kStageCount || !device_)
        return gpu::kErrInvalidCall;
    gpu::Texture* t = texture.IsNull() ? nullptr : texture->GetTexture();
    const uint64_t serial = t ? texture->GetSerial() : 0;
    if (recorder_.Recording())
        boundTextures_[stage] = texture;
    if (textureCache_[stage] == t && textureSerials_[stage] == serial)
        return gpu::kOk;
    if (recorder_.Recording()) {
        recorder_.Texture(stage, texture, t);
        textureCache_[stage] = t;
        textureSerials_[stage] = serial;
        return gpu::kOk;
    }
    const gpu::Result r = device_->SetTexture(stage, t);
    textureCache_[stage] = gpu::Failed(r) ? nullptr : t;
    textureSerials_[stage] = gpu::Failed(r) ? 0 : serial;
    return r;
}

gpu::Result CRenderDevice::SetStreamSource(CSharedPtr<CVertexBuffer> buffer) {
    if (!device_)
        return gpu::kErrInvalidCall;
    // Held only where scenes are recorded: elsewhere the caller's handle is
    // the buffer's life.
    boundVertices_ = clipping_ || counting_ ? buffer : CSharedPtr<CVertexBuffer>();
    if (recorder_.Recording())
        return gpu::kOk; // the recorded draws are played from the playing buffers
    gpu::VertexBuffer* b = buffer.IsNull() ? nullptr : buffer->GetBuffer();
    const uint64_t serial = b ? buffer->GetSerial() : 0;
    if (streamCache_ == b && streamSerial_ == serial)
        return gpu::kOk;
    const uint32_t stride = b ? buffer->GetStride() : kStreamStride;
    const gpu::Result r = device_->SetStreamSource(0, b, stride);
    streamCache_ = gpu::Failed(r) ? nullptr : b;
    streamSerial_ = gpu::Failed(r) ? 0 : serial;
    return r;
}

gpu::Result CRenderDevice::SetIndices(CSharedPtr<CIndexBuffer> buffer, uint32_t baseVertexIndex) {
    if (!device_)
        return gpu::kErrInvalidCall;
    boundIndices_ = clipping_ || counting_ ? buffer : CSharedPtr<CIndexBuffer>();
    baseVertexIndex_ = baseVertexIndex;
    if (recorder_.Recording())
        return gpu::kOk;
    gpu::IndexBuffer* b = buffer.IsNull() ? nullptr : buffer->GetBuffer();
    const uint64_t serial = b ? buffer->GetSerial() : 0;
    if (indexCache_ == b && indexSerial_ == serial)
        return gpu::kOk;
    const gpu::Result r = device_->SetIndices(b, baseVertexIndex);
    indexCache_ = gpu::Failed(r) ? nullptr : b;
    indexSerial_ = gpu::Failed(r) ? 0 : serial;
    return r;
}

uint32_t CRenderDevice::GetCachedRenderState(uint32_t state) const {
    return state < gpu::kRenderStateCount ? renderCache_[state] : 0;
}

uint32_t CRenderDevice::GetCachedStageState(uint32_t stage, uint32_t state) const {
    if (stage >= gpu::kStageCount || state >= gpu::kStageStateCount)
        return 0;
    return stageCache_[stage][state];
}

gpu::Result CRenderDevice::GetRenderState(uint32_t state, uint32_t* value) const {
    if (!device_)
        return gpu::kErrInvalidCall;
    // Within a recording the device has not been told yet; the cache holds
    // what it will be told.
    if (recorder_.Recording() && value && state < gpu::kRenderStateCount &&
        renderCache_[state] != kFailedSet) {
        *value = renderCache_[state];
        return gpu::kOk;
    }
    return device_->GetRenderState(state, value);
}

void CRenderDevice::ClearResourceCaches() {
    textureCache_.fill(nullptr);
    textureSerials_.fill(0);
    streamCache_ = nullptr;
    streamSerial_ = 0;
    indexCache_ = nullptr;
    indexSerial_ = 0;
}

// ---- forwarders -------------------------------------------------------------

gpu::Result CRenderDevice::Clear(uint32_t count, const gpu::Rect* rects, uint32_t flags,
                                 uint32_t color, float z, uint32_t stencil) {
    if (device_ && recorder_.Recording()) {
        recorder_.Clear(count, rects, flags, color, z, stencil);
        return gpu::kOk;
    }
    return device_ ? device_->Clear(count, rects, flags, color, z, stencil) : gpu::kErrInvalidCall;
}

gpu::Result CRenderDevice::SetViewport(const gpu::Viewport& viewport) {
    if (device_ && recorder_.Recording()) {
        recorder_.Viewport(viewport);
        return gpu::kOk;
    }
    return device_ ? device_->SetViewport(&viewport) : gpu::kErrInvalidCall;
}

gpu::Result CRenderDevice::SetVertexShader(uint32_t handle) {
    if (device_ && recorder_.Recording()) {
        recorder_.VertexShader(handle);
        return gpu::kOk;
    }
    return device_ ? device_->SetVertexShader(handle) : gpu::kErrInvalidCall;
}

gpu::Result CRenderDevice::SetTransform(uint32_t state, const gpu::Matrix& matrix) {
    if (device_ && recorder_.Recording()) {
        recorder_.Transform(state, matrix);
        return gpu::kOk;
    }
    return device_ ? device_->SetTransform(state, &matrix) : gpu::kErrInvalidCall;
}

gpu::Result CRenderDevice::GetTransform(uint32_t state, gpu::Matrix* matrix) const {
    if (!device_)
        return gpu::kErrInvalidCall;
    if (const gpu::Matrix* m = recorder_.Recording() ? recorder_.FindTransform(state) : nullptr;
        m && matrix) {
        *matrix = *m;
        return gpu::kOk;
    }
    return device_->GetTransform(state, matrix);
}

const gpu::Matrix& CRenderDevice::GetCachedTransform(uint32_t state) const {
    static const gpu::Matrix kIdentity = gpu::Matrix::Identity();
    const gpu::Matrix* m = recorder_.FindTransform(state);
    return m ? *m : kIdentity;
}

gpu::Result CRenderDevice::DrawIndexedPrimitive(uint32_t type, uint32_t minIndex,
                                                uint32_t vertexCount, uint32_t startIndex,
                                                uint32_t primitiveCount) {
    if (!device_)
        return gpu::kErrInvalidCall;
    if (recorder_.Recording()) {
        if (recorder_.Draw(*this, type, boundVertices_.Get(), boundIndices_.Get(),
                           baseVertexIndex_, startIndex, primitiveCount))
            return gpu::kOk;
        // A draw we cannot read goes to the device as it is, after what came
        // before it.
        Play(false);
        recorder_.Clipper().NoteUnnotedDraw();
        BindGameBuffers();
    }
    return device_->DrawIndexedPrimitive(type, minIndex, vertexCount, startIndex, primitiveCount);
}

gpu::Result CRenderDevice::TestCooperativeLevel() {
    return device_ ? device_->TestCooperativeLevel() : gpu::kErrInvalidCall;
}

gpu::Result CRenderDevice::BeginScene() {
    if (!device_)
        return gpu::kErrInvalidCall;
    const gpu::Result r = device_->BeginScene();
    if (gpu::Failed(r) || recorder_.Recording() || !(clipping_ || counting_))
        return r;
    gpu::Matrix world = gpu::Matrix::Identity(), view = world, projection = world;
    device_->GetTransform(gpu::Ts::World, &world);
    device_->GetTransform(gpu::Ts::View, &view);
    device_->GetTransform(gpu::Ts::Projection, &projection);
    gpu::Viewport viewport;
    device_->GetViewport(&viewport);
    recorder_.Clipper().SetEnabled(clipping_);
    recorder_.Begin(world, view, projection, viewport);
    RecordingDevices().push_back(this);
    return r;
}

gpu::Result CRenderDevice::EndScene() {
    if (!device_)
        return gpu::kErrInvalidCall;
    if (recorder_.Recording()) {
        Play(true);
        recorder_.End();
        StopListing(this);
        for (auto& t : boundTextures_)
            t = CSharedPtr<CTexture>();
    }
    return device_->EndScene();
}

gpu::Result CRenderDevice::Present() {
    if (device_ && recorder_.Recording())
        Play(false);
    return device_ ? device_->Present() : gpu::kErrInvalidCall;
}

void CRenderDevice::SetClipping(bool on) {
    clipping_ = on;
}

void CRenderDevice::BeforeTextureRelease(const gpu::Texture* texture) {
    if (!texture)
        return;
    // A copy: playing may not change the list, but stay on the safe side.
    const std::vector<CRenderDevice*> devices = RecordingDevices();
    for (CRenderDevice* d : devices)
        if (d->recorder_.Uses(texture))
            d->Play(false);
}

void CRenderDevice::BindGameBuffers() {
    if (!device_)
        return;
    gpu::VertexBuffer* vb = boundVertices_.IsNull() ? nullptr : boundVertices_->GetBuffer();
    const uint64_t vbSerial = vb ? boundVertices_->GetSerial() : 0;
    if (streamCache_ != vb || streamSerial_ != vbSerial) {
        const gpu::Result r = device_->SetStreamSource(
            0, vb, vb ? boundVertices_->GetStride() : kStreamStride);
        streamCache_ = gpu::Failed(r) ? nullptr : vb;
        streamSerial_ = gpu::Failed(r) ? 0 : vbSerial;
    }
    gpu::IndexBuffer* ib = boundIndices_.IsNull() ? nullptr : boundIndices_->GetBuffer();
    const uint64_t ibSerial = ib ? boundIndices_->GetSerial() : 0;
    if (indexCache_ != ib || indexSerial_ != ibSerial) {
        const gpu::Result r = device_->SetIndices(ib, baseVertexIndex_);
        indexCache_ = gpu::Failed(r) ? nullptr : ib;
        indexSerial_ = gpu::Failed(r) ? 0 : ibSerial;
    }
}

bool CRenderDevice::PreparePlayBuffers(uint32_t vertices, uint32_t indices) {
    if (playVertices_.IsNull()) {
        playVertices_ = CSharedPtr<CVertexBuffer>(new CVertexBuffer());
        playIndices_ = CSharedPtr<CIndexBuffer>(new CIndexBuffer());
        playVertices_->SetKeepsCopy(false);
        playIndices_->SetKeepsCopy(false);
        RegisterVertexBuffer(playVertices_);
        RegisterIndexBuffer(playIndices_);
    }
    auto size = [](uint32_t have, uint32_t need) {
        uint32_t n = std::max(have, kPlayElements);
        while (n < need)
            n *= 2;
        return n;
    };
    if (!playVertices_->HasBuffer() || playVertices_->GetCapacity() < vertices) {
        if (gpu::Failed(playVertices_->Create(device_,
                                              size(playVertices_->GetCapacity(), vertices),
                                              sizeof(gpu::Vertex), kPlayUsage, gpu::kFvfGame,
                                              gpu::Pool::Default)))
            return false;
    }
    if (!playIndices_->HasBuffer() || playIndices_->GetCapacity() < indices) {
        if (gpu::Failed(playIndices_->Create(device_, size(playIndices_->GetCapacity(), indices),
                                             gpu::Fmt::Index32, kPlayUsage, gpu::Pool::Default)))
            return false;
    }
    return true;
}

void CRenderDevice::Play(bool sceneEnds) {
    if (!recorder_.Recording() || recorder_.Empty() || !device_)
        return;
    recorder_.Prepare(sceneEnds, device_->TakesHiddenRects());
    const std::vector<gpu::Vertex>& vertices = recorder_.PlayVertices();
    const std::vector<uint32_t>& indices = recorder_.PlayIndices();
    bool uploaded = false;
    uint32_t vertexBase = 0, indexBase = 0;
    if (!vertices.empty() && !indices.empty() &&
        PreparePlayBuffers(static_cast<uint32_t>(vertices.size()),
                           static_cast<uint32_t>(indices.size()))) {
        // One lock of each for the whole recording, appending as the game's
        // buffers do (a full buffer starts over, discarding).
        uint8_t* v = nullptr;
        uint8_t* i = nullptr;
        if (!gpu::Failed(playVertices_->Lock(static_cast<uint32_t>(vertices.size()), &v))) {
            std::memcpy(v, vertices.data(), vertices.size() * sizeof(gpu::Vertex));
            playVertices_->Unlock();
            vertexBase = playVertices_->GetLastStart();
            if (!gpu::Failed(playIndices_->Lock(static_cast<uint32_t>(indices.size()), &i))) {
                std::memcpy(i, indices.data(), indices.size() * sizeof(uint32_t));
                playIndices_->Unlock();
                indexBase = playIndices_->GetLastStart();
                uploaded = true;
            }
        }
    }
    // Where no depth test of the scene can fail, whatever the buffer holds,
    // the depth buffer is left alone: the picture is the same, without its
    // reads and writes. (Every scene starts by clearing it, so what this one
    // leaves unwritten is never read.)
    uint32_t depthBefore = 0;
    const bool depthIdle = recorder_.Clipper().Enabled() && recorder_.Clipper().DepthProven() &&
                           !gpu::Failed(device_->GetRenderState(gpu::Rs::ZEnable, &depthBefore));
    if (depthIdle)
        device_->SetRenderState(gpu::Rs::ZEnable, 0);
    bool bound = false;
    for (const CSceneRecorder::Command& c : recorder_.Commands()) {
        using Op = CSceneRecorder::Op;
        switch (c.op) {
        case Op::RenderState:
            if (depthIdle && c.a == gpu::Rs::ZEnable)
                break;
            if (gpu::Failed(device_->SetRenderState(c.a, c.b)) && renderCache_[c.a] == c.b)
                renderCache_[c.a] = kFailedSet;
            break;
        case Op::StageState:
            if (gpu::Failed(device_->SetTextureStageState(c.a, c.b, c.c)) &&
                stageCache_[c.a][c.b] == c.c)
                stageCache_[c.a][c.b] = kFailedSet;
            break;
        case Op::Texture: {
            gpu::Texture* t = recorder_.GetBinding(c.item).device;
            if (gpu::Failed(device_->SetTexture(c.a, t)) && textureCache_[c.a] == t) {
                textureCache_[c.a] = nullptr;
                textureSerials_[c.a] = 0;
            }
            break;
        }
        case Op::Transform:
            device_->SetTransform(c.a, &recorder_.GetMatrix(c.item));
            break;
        case Op::Viewport:
            device_->SetViewport(&recorder_.GetViewportItem(c.item));
            break;
        case Op::VertexShader:
            device_->SetVertexShader(c.a);
            break;
        case Op::Clear: {
            const CSceneRecorder::Clearing& k = recorder_.GetClearing(c.item);
            // Colour that opaque draws paint over anyway is not cleared.
            const uint32_t flags = k.paintedOver ? k.flags & ~gpu::ClearFlag::Target : k.flags;
            if (flags != 0)
                device_->Clear(static_cast<uint32_t>(k.rects.size()),
                               k.rects.empty() ? nullptr : k.rects.data(), flags, k.color, k.z,
                               k.stencil);
            break;
        }
        case Op::Draw: {
            const CSceneRecorder::Played& p = recorder_.GetPlayed(c.item);
            if (!uploaded || p.primitiveCount == 0)
                break;
            if (!bound) {
                device_->SetStreamSource(0, playVertices_->GetBuffer(), sizeof(gpu::Vertex));
                device_->SetIndices(playIndices_->GetBuffer(), vertexBase);
                streamCache_ = playVertices_->GetBuffer();
                streamSerial_ = playVertices_->GetSerial();
                indexCache_ = playIndices_->GetBuffer();
                indexSerial_ = playIndices_->GetSerial();
                bound = true;
            }
            if (p.hiddenCount > 0)
                device_->SetHiddenRects(recorder_.HiddenRects(p), p.hiddenCount);
            // Depth that no test reads is not written (the draw writes it, so
            // the state is on before and after).
            if (p.depthUnread)
                device_->SetRenderState(gpu::Rs::ZWriteEnable, 0);
            device_->DrawIndexedPrimitive(p.type, p.firstVertex, p.vertexCount,
                                          indexBase + p.firstIndex, p.primitiveCount);
            if (p.depthUnread)
                device_->SetRenderState(gpu::Rs::ZWriteEnable, 1);
            if (p.hiddenCount > 0)
                device_->SetHiddenRects(nullptr, 0);
            break;
        }
        }
    }
    // The device takes depth as the game last set it, or as it was.
    uint32_t& zCached = renderCache_[gpu::Rs::ZEnable];
    if (depthIdle && gpu::Failed(device_->SetRenderState(
                         gpu::Rs::ZEnable, zCached != kFailedSet ? zCached : depthBefore)))
        zCached = kFailedSet;
    recorder_.Forget();
}

// ---- reset ------------------------------------------------------------------

void CRenderDevice::ReleaseDefaultPoolResources() {
    Play(false);
    ClearResourceCaches();
    for (const auto& vb : vertexBuffers_)
        if (!vb.IsNull() && vb->GetPool() == gpu::Pool::Default)
            vb->ReleaseBuffer();
    for (const auto& ib : indexBuffers_)
        if (!ib.IsNull() && ib->GetPool() == gpu::Pool::Default)
            ib->ReleaseBuffer();
    for (const auto& t : textures_)
        if (!t.IsNull() && t->GetPool() == gpu::Pool::Default)
            t->ReleaseTexture();
}

void CRenderDevice::AddError(const char* pattern, int index, const char* name) {
    char text[512];
    if (name)
        std::snprintf(text, sizeof text, pattern, index, name);
    else
        std::snprintf(text, sizeof text, pattern, index);
    errors_.emplace_back(text);
    LogObject(std::string(text) + "\n");
}

void CRenderDevice::SizeWindowToClient(uint32_t width, uint32_t height) {
    if (!window_)
        return;
    // The window keeps its place: back from full screen it is where the
    // player had it, and a new size keeps it centred.
    window_->SetClientSize(static_cast<int>(width), static_cast<int>(height));
}

gpu::Result CRenderDevice::Reset() {
    if (!device_)
        return gpu::kErrInvalidCall;
    Play(false);
    gpu::PresentParams pp = presentParams_;
    const uint32_t interval = pp.presentationInterval;
    if (pp.windowed) {
        uint32_t format = 0;
        if (gpu::Failed(GetWindowModeFormat(&format)))
            LogObject("GetWindowModeFormat Error!\n");
        else
            pp.backBufferFormat = format;
        if (window_)
            window_->SetStyle(os::kStyleWindowed);
        pp.presentationInterval = gpu::kPresentIntervalDefault;
    } else {
        pp.backBufferWidth = requestedWidth_;
        pp.backBufferHeight = requestedHeight_;
        pp.backBufferFormat = requestedFormat_;
        if (window_)
            window_->SetStyle(os::kStyleFullScreen);
    }

    // One attempt: while the device stays lost the caller tries again on a later
    // frame instead of spinning here.
    if (gpu::Result r = device_->Reset(&pp); gpu::Failed(r))
        return r;
    pp.presentationInterval = interval;
    presentParams_ = pp;
    if (pp.windowed)
        SizeWindowToClient(pp.backBufferWidth, pp.backBufferHeight);

    for (size_t i = 0; i < vertexBuffers_.size(); ++i) {
        const auto& vb = vertexBuffers_[i];
        if (!vb.IsNull() && vb->GetPool() == gpu::Pool::Default &&
            gpu::Failed(vb->Recreate(device_)))
            AddError("Unable to recreate Vertex Buffer %d", static_cast<int>(i));
    }
    for (size_t i = 0; i < indexBuffers_.size(); ++i) {
        const auto& ib = indexBuffers_[i];
        if (!ib.IsNull() && ib->GetPool() == gpu::Pool::Default &&
            gpu::Failed(ib->Recreate(device_)))
            AddError("Unable to recreate Index Buffer %d", static_cast<int>(i));
    }
    for (size_t i = 0; i < textures_.size(); ++i) {
        const auto& t = textures_[i];
        if (t.IsNull() || t->GetPool() != gpu::Pool::Default)
            continue;
        const std::string name = t->GetName();  // a failed re-creation clears it
        if (gpu::Failed(t->Recreate(device_)))
            AddError("Unable to recreate Texture %d \"%s\"", static_cast<int>(i), name.c_str());
    }

    ApplyStageStates();
    ReadStageStates();
    ApplyRenderStates();
    ReadRenderStates();
    return gpu::kOk;
}

void CRenderDevice::ReadStageStates() {
    if (!device_)
        return;
    for (uint32_t t = 0; t < gpu::kStageCount; ++t)
        for (uint32_t s = 1; s < gpu::kStageStateCount; ++s) {
            uint32_t v = 0;
            stageCache_[t][s] =
                gpu::Failed(device_->GetTextureStageState(t, s, &v)) ? kFailedSet : v;
        }
}

void CRenderDevice::ApplyStageStates() {
    if (!device_)
        return;
    for (uint32_t t = 0; t < gpu::kStageCount; ++t)
        for (uint32_t s = 1; s < gpu::kStageStateCount; ++s)
            if (stageCache_[t][s] != kFailedSet)
                device_->SetTextureStageState(t, s, stageCache_[t][s]);
}

void CRenderDevice::ReadRenderStates() {
    if (!device_)
        return;
    for (const StateRange& range : kReadRenderStates)
        for (uint32_t s = range.first; s <= range.last; ++s) {
            uint32_t v = 0;
            renderCache_[s] = gpu::Failed(device_->GetRenderState(s, &v)) ? kFailedSet : v;
        }
}

void CRenderDevice::ApplyRenderStates() {
    if (!device_)
        return;
    for (const StateRange& range : kAppliedRenderStates)
        for (uint32_t s = range.first; s <= range.last; ++s)
            if (renderCache_[s] != kFailedSet)
                device_->SetRenderState(s, renderCache_[s]);
}

// ---- registry ---------------------------------------------------------------

int CRenderDevice::FindTexture(const std::string& name) const {
    for (size_t i = 0; i < textures_.size(); ++i)
        if (!textures_[i].IsNull() && textures_[i]->GetName() == name)
            return static_cast<int>(i);
    return -1;
}

int CRenderDevice::FindSurface(const std::string& name) const {
    for (size_t i = 0; i < surfaces_.size(); ++i)
        if (!surfaces_[i].IsNull() && surfaces_[i]->GetName() == name)
            return static_cast<int>(i);
    return -1;
}

void CRenderDevice::UnregisterTexture(int index) {
    if (index < 0 || index >= static_cast<int>(textures_.size()))
        return;
    textures_.erase(textures_.begin() + index);
}

void CRenderDevice::RegisterVertexBuffer(const CSharedPtr<CVertexBuffer>& buffer) {
    if (!buffer.IsNull())
        vertexBuffers_.push_back(buffer);
}

void CRenderDevice::RegisterIndexBuffer(const CSharedPtr<CIndexBuffer>& buffer) {
    if (!buffer.IsNull())
        indexBuffers_.push_back(buffer);
}

void CRenderDevice::RegisterSurface(const CSharedPtr<CSurface>& surface) {
    if (!surface.IsNull())
        surfaces_.push_back(surface);
}

void CRenderDevice::RegisterTexture(const CSharedPtr<CTexture>& texture) {
    if (!texture.IsNull())
        textures_.push_back(texture);
}

// ---- texture loading --------------------------------------------------------

uint32_t CRenderDevice::ChooseFormat(const std::vector<uint32_t>& candidates) const {
    if (!api_)
        return gpu::Fmt::Unknown;
    for (uint32_t f : candidates)
        if (!gpu::Failed(api_->CheckDeviceFormat(static_cast<uint32_t>(adapter_), gpu::kDeviceHal,
                                                 presentParams_.backBufferFormat, 0,
                                                 gpu::Rtype::Texture, f)))
            return f;
    return gpu::Fmt::Unknown;
}

CSharedPtr<CTexture> CRenderDevice::LoadTexture(const std::string& path, const std::string& name,
                                                uint32_t mipLevels, uint32_t usage,
                                                uint32_t pool, uint32_t format) {
    CSharedPtr<CTexture> t(new CTexture);
    if (gpu::Failed(t->LoadFromFile(device_, path, name, mipLevels, usage, pool, format)))
        return CSharedPtr<CTexture>();
    textures_.push_back(t);
    return t;
}

CSharedPtr<CTexture> CRenderDevice::LoadTextureAnyFormat(const std::string& path,
                                                         const std::string& name,
                                                         std::vector<uint32_t> candidates,
                                                         uint32_t mipLevels, uint32_t usage,
                                                         uint32_t pool) {
    return LoadTexture(path, name, mipLevels, usage, pool, ChooseFormat(candidates));
}

CSharedPtr<CTexture> CRenderDevice::CreateTargetTexture(const std::string& name, uint32_t width,
                                                        uint32_t height,
                                                        std::vector<uint32_t> candidates,
                                                        uint32_t mipLevels, uint32_t usage,
                                                        uint32_t pool) {
    CSharedPtr<CTexture> t(new CTexture);
    if (gpu::Failed(t->CreateEmpty(device_, name, width, height, mipLevels, usage, pool,
                                   ChooseFormat(candidates))))
        return CSharedPtr<CTexture>();
    textures_.push_back(t);
    return t;
}

CSharedPtr<CTexture> CRenderDevice::LoadTextureWithAlpha(const std::string& path,
                                                         const std::string& name,
                                                         bool oneBitAlpha, uint32_t usage,
                                                         uint32_t pool) {
    using namespace gpu::Fmt;
    const std::vector<uint32_t> candidates =
        oneBitAlpha ? std::vector<uint32_t>{A1R5G5B5, A4L4, A8R3G3B2, A4R4G4B4, A8L8, A8R8G8B8}
                    : std::vector<uint32_t>{A4L4, A8L8, A8R3G3B2, A4R4G4B4, A1R5G5B5, A8R8G8B8};
    CSharedPtr<CTexture> t(new CTexture);
    if (gpu::Failed(t->LoadWithAlpha(device_, path, name, usage, pool, ChooseFormat(candidates))))
        return CSharedPtr<CTexture>();
    textures_.push_back(t);
    return t;
}

CSharedPtr<CTexture> CRenderDevice::GetTexture(const char* name) const {
    return GetTextureByString(name ? std::string(name) : std::string());
}

CSharedPtr<CTexture> CRenderDevice::GetTextureByString(std::string name) const {
    const int i = FindTexture(name);
    return i < 0 ? CSharedPtr<CTexture>() : textures_[static_cast<size_t>(i)];
}
