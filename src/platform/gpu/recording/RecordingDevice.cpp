#include "platform/gpu/recording/RecordingDevice.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/gpu/MathHelpers.h"
#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "platform/gpu/recording/RecordingResources.h"

namespace gpu {
Vertex DrawRecord::CopiedVertex(size_t k) const {
    Vertex v{};
    if (k < VertexCount())
        std::memcpy(&v, vertexBytes.data() + k * stride, std::min<size_t>(stride, sizeof v));
    return v;
}

Vertex DrawRecord::IndexedVertex(size_t i) const {
    if (i >= indices.size())
        return Vertex{};
    return CopiedVertex(static_cast<size_t>(indices[i]) + baseVertexIndex - firstVertex);
}

// ---------------------------------------------------------------------------

RecordingDevice::RecordingDevice(std::shared_ptr<RecordingShared> shared, uint32_t adapter,
                                 uint32_t behaviorFlags, const PresentParams& pp,
                                 os::Window* window)
    : shared_(std::move(shared)), adapter_(adapter), behaviorFlags_(behaviorFlags) {
    StartFront(window, pp, Limits());
}

RecordingDevice::~RecordingDevice() {
    live_.DetachAll();
    for (RecordingSurface* s : surfaces_)
        s->Detach();
}

Result RecordingDevice::Enter(Call c) {
    ++calls_[static_cast<size_t>(c)];
    return shared_->failures.Enter(c);
}

void RecordingDevice::FailNext(Call c, uint64_t n, Result result, uint64_t times) {
    shared_->failures.FailNext(c, n, result, times);
}

// ---- the scripts and the adapter's answers ---------------------------------

namespace {

// The count a front call enters, keyed by the call itself. A call added to
// the front without its entry here stops the build: the switch has no
// default, and leaving an enumerator out of it is an error in this file.
#pragma GCC diagnostic push
#pragma GCC diagnostic error "-Wswitch"
constexpr Call CountedAs(FrontCall c) {
    switch (c) {
    case FrontCall::RenderState:
        return Call::SetRenderState;
    case FrontCall::StageState:
        return Call::SetTextureStageState;
    case FrontCall::Texture:
        return Call::SetTexture;
    case FrontCall::Stream:
        return Call::SetStreamSource;
    case FrontCall::Indices:
        return Call::SetIndices;
    case FrontCall::VertexShader:
        return Call::SetVertexShader;
    case FrontCall::Transform:
        return Call::SetTransform;
    case FrontCall::Viewport:
        return Call::SetViewport;
    case FrontCall::TestCooperativeLevel:
        return Call::TestCooperativeLevel;
    case FrontCall::Reset:
        return Call::Reset;
    case FrontCall::Present:
        return Call::Present;
    case FrontCall::BeginScene:
        return Call::BeginScene;
    case FrontCall::EndScene:
        return Call::EndScene;
    case FrontCall::Clear:
        return Call::Clear;
    case FrontCall::Draw:
        return Call::DrawIndexedPrimitive;
    case FrontCall::GammaRamp:
        return Call::SetGammaRamp;
    case FrontCall::Cursor:
        return Call::SetCursorProperties;
    case FrontCall::CreateTexture:
        return Call::CreateTexture;
    case FrontCall::CreateVertexBuffer:
        return Call::CreateVertexBuffer;
    case FrontCall::CreateIndexBuffer:
        return Call::CreateIndexBuffer;
    case FrontCall::CreateImageSurface:
        return Call::CreateImageSurface;
    }
    return Call::Count;
}
#pragma GCC diagnostic pop

} // namespace

Result RecordingDevice::Admit(FrontCall c, uint32_t a, uint32_t b) {
    if (c == FrontCall::RenderState && a < kRenderStateCount)
        ++rsSets_[a];
    if (c == FrontCall::StageState && ValidStageState(a, b))
        ++tssSets_[a][b];
    const Result r = Enter(CountedAs(c));
    if (c != FrontCall::Reset)
        return r;
    // As with a driver, a reset that fails on its own leaves the device
    // waiting for a good one; a lost device cannot be reset yet.
    if (Failed(r) && state_ == DeviceState::Ok)
        state_ = DeviceState::NotReset;
    return !Failed(r) && state_ == DeviceState::Lost ? kErrDeviceLost : r;
}

Result RecordingDevice::CooperativeLevel() {
    switch (state_) {
    case DeviceState::Ok:
        return kOk;
    case DeviceState::NotReset:
        return kErrDeviceNotReset;
    case DeviceState::Lost:
        if (lostTestsLeft_ > 0)
            --lostTestsLeft_;
        if (lostTestsLeft_ == 0)
            state_ = DeviceState::NotReset;
        return kErrDeviceLost;
    }
    return kOk;
}

void RecordingDevice::LoseDevice(uint32_t lostTests) {
    state_ = lostTests ? DeviceState::Lost : DeviceState::NotReset;
    lostTestsLeft_ = lostTests;
}

Result RecordingDevice::TakesPresentParams(const PresentParams& p) const {
    return RecordingValidatePresentParams(shared_->config, adapter_, p);
}

Result RecordingDevice::TakesTextureFormat(uint32_t usage, uint32_t format) const {
    const RecordingConfig& cfg = shared_->config;
    if (cfg.createTextureChecksFormat &&
        Failed(RecordingCheckDeviceFormat(cfg, adapter_, kDeviceHal, pp_.backBufferFormat,
                                          usage & Usage::RenderTarget, Rtype::Texture, format)))
        return kErrInvalidCall;
    return kOk;
}

const Caps& RecordingDevice::Limits() const {
    return shared_->config.adapters.at(adapter_).caps;
}

uint64_t RecordingDevice::MemoryLimit() const {
    return shared_->config.maxResourceBytes;
}

// ---- the work ---------------------------------------------------------------

Result RecordingDevice::DoReset(const PresentParams&) {
    state_ = DeviceState::Ok;
    return kOk;
}

Result RecordingDevice::DoPresent() {
    ++presents_;
    const LossScript& loss = shared_->config.loss;
    if (state_ == DeviceState::Ok && loss.atPresent != 0 && presents_ == loss.atPresent)
        LoseDevice(loss.lostTests);
    if (state_ != DeviceState::Ok)
        return kErrDeviceLost;
    ++frames_;
    return kOk;
}

Result RecordingDevice::DoClear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t argb,
                                float z, uint32_t stencil) {
    if (state_ != DeviceState::Ok)
        return kOk; // a lost device drops output silently
    ClearRecord c;
    c.frame = frames_;
    if (count)
        c.rects.assign(rects, rects + count);
    c.flags = flags;
    c.color = argb;
    c.z = z;
    c.stencil = stencil;
    c.viewport = front_.viewport;
    clears_.push_back(std::move(c));
    return kOk;
}

Result RecordingDevice::DoDraw(const DrawCall& call) {
    if (state_ != DeviceState::Ok)
        return kOk;
    DrawRecord d;
    d.indices.resize(call.indexCount);
    for (uint32_t i = 0; i < call.indexCount; ++i) {
        const uint8_t* p = call.indices + static_cast<size_t>(i) * call.indexSize;
        d.indices[i] = call.indexSize == 4 ? static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) |
                                                 static_cast<uint32_t>(p[3]) << 24
                                           : static_cast<uint32_t>(p[0] | p[1] << 8);
    }
    const uint64_t lo = static_cast<uint64_t>(call.lo) + front_.baseVertex;
    const uint64_t hi = static_cast<uint64_t>(call.hi) + front_.baseVertex;
    d.frame = frames_;
    d.type = call.type;
    d.minIndex = call.minIndex;
    d.numVertices = call.numVertices;
    d.startIndex = call.startIndex;
    d.primCount = call.primCount;
    d.baseVertexIndex = front_.baseVertex;
    d.fvf = front_.fvf;
    d.stride = front_.stride;
    d.vertexBuffer = front_.stream;
    d.indexBuffer = front_.indices;
    d.firstVertex = static_cast<uint32_t>(lo);
    // Every vertex with its stride, the last one with its own bytes (all a
    // draw may rely on the buffer to hold).
    const uint8_t* vb = front_.stream->Store().Data();
    d.vertexBytes.assign(vb + lo * front_.stride, vb + hi * front_.stride + sizeof(Vertex));
    DrawState& s = d.state;
    std::copy(std::begin(front_.rs), std::end(front_.rs), s.renderStates.begin());
    for (uint32_t t = 0; t < 2; ++t) {
        std::copy(std::begin(front_.ss[t]), std::end(front_.ss[t]), s.stageStates[t].begin());
        s.textures[t] = front_.textures[t];
        s.textureIds[t] = front_.textures[t] ? front_.textures[t]->Id() : 0;
    }
    s.world = front_.world;
    s.view = front_.view;
    s.projection = front_.proj;
    s.viewport = front_.viewport;
    draws_.push_back(std::move(d));
    return kOk;
}

void RecordingDevice::DoSetCursor(uint32_t hotX, uint32_t hotY, const SystemSurface& image) {
    auto c = std::make_unique<CursorRecord>();
    c->hotX = hotX;
    c->hotY = hotY;
    c->width = image.Width();
    c->height = image.Height();
    c->pixels.resize(static_cast<size_t>(c->width) * c->height);
    for (uint32_t y = 0; y < c->height; ++y)
        std::memcpy(&c->pixels[static_cast<size_t>(y) * c->width],
                    image.Bits() + static_cast<size_t>(y) * image.Pitch(), c->width * 4u);
    cursor_ = std::move(c);
}

Surface* RecordingDevice::NewSurface(uint32_t width, uint32_t height, uint32_t format) {
    RecordingSurface* s = RecordingSurface::Create(this, width, height, format);
    if (s)
        surfaces_.insert(s);
    return s;
}

// ---- inspection -----------------------------------------------------------

void RecordingDevice::ClearRecords() {
    draws_.clear();
    clears_.clear();
    calls_.fill(0);
    rsSets_.fill(0);
    for (auto& s : tssSets_)
        s.fill(0);
}

uint64_t RecordingDevice::RenderStateSetCount(uint32_t state) const {
    return state < kRenderStateCount ? rsSets_[state] : 0;
}

uint64_t RecordingDevice::StageStateSetCount(uint32_t stage, uint32_t state) const {
    return stage < kStageCount && state < kStageStateCount ? tssSets_[stage][state] : 0;
}

uint32_t RecordingDevice::RenderState(uint32_t state) const {
    return state < kRenderStateCount ? front_.rs[state] : 0;
}

uint32_t RecordingDevice::StageState(uint32_t stage, uint32_t state) const {
    return stage < kStageCount && state < kStageStateCount ? front_.ss[stage][state] : 0;
}

const Texture* RecordingDevice::BoundTexture(uint32_t stage) const {
    return stage < kStageCount ? front_.textures[stage] : nullptr;
}

const VertexBuffer* RecordingDevice::BoundVertexBuffer() const {
    return front_.stream;
}
const IndexBuffer* RecordingDevice::BoundIndexBuffer() const {
    return front_.indices;
}

Matrix RecordingDevice::CurrentTransform(uint32_t which) const {
    const Matrix* m = TransformOf(front_, which);
    return m ? *m : Matrix::Identity();
}

size_t RecordingDevice::LiveTextures() const {
    return live_.Textures().size();
}
size_t RecordingDevice::LiveSurfaces() const {
    return surfaces_.size();
}
size_t RecordingDevice::LiveVertexBuffers() const {
    return live_.VertexBuffers();
}
size_t RecordingDevice::LiveIndexBuffers() const {
    return live_.IndexBuffers();
}
size_t RecordingDevice::LiveDefaultPoolResources() const {
    return live_.DefaultPool();
}

RecordingDevice* AsRecording(Device* device) {
    return dynamic_cast<RecordingDevice*>(device);
}

uint64_t RecordingId(const Object* resource) {
    auto* r = dynamic_cast<const RecordingResource*>(resource);
    return r ? r->Id() : 0;
}

} // namespace gpu
