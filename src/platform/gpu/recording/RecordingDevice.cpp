#include "platform/gpu/recording/RecordingDevice.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/gpu/MathHelpers.h"
#include "platform/gpu/PixelFormat.h"
#include "platform/gpu/recording/RecordingApi.h"
#include "platform/gpu/recording/RecordingResources.h"

namespace gpu {
namespace {

GammaRamp LinearRamp() {
    GammaRamp g;
    for (uint32_t i = 0; i < 256; ++i)
        g.red[i] = g.green[i] = g.blue[i] = static_cast<uint16_t>(i * 257);
    return g;
}

} // namespace

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
                                 uint32_t behaviorFlags, const PresentParams& pp)
    : shared_(std::move(shared)), adapter_(adapter), behaviorFlags_(behaviorFlags), pp_(pp),
      gamma_(LinearRamp()) {
    RestoreDefaults();
}

RecordingDevice::~RecordingDevice() {
    for (RecordingResource* r : live_)
        r->Detach();
}

void RecordingDevice::RestoreDefaults() {
    RestoreFront(pp_.backBufferWidth, pp_.backBufferHeight, pp_.enableAutoDepthStencil != 0);
    inScene_ = false;
}

Result RecordingDevice::Enter(Call c) {
    ++calls_[static_cast<size_t>(c)];
    return shared_->failures.Enter(c);
}

void RecordingDevice::FailNext(Call c, uint64_t n, Result result, uint64_t times) {
    shared_->failures.FailNext(c, n, result, times);
}

void RecordingDevice::Track(RecordingResource* r) {
    live_.insert(r);
}

void RecordingDevice::Forget(RecordingResource* r) {
    live_.erase(r);
    // Called while the whole resource still exists (see Unregister).
    switch (r->Kind()) {
    case ResourceKind::Texture:
        Unbind(static_cast<RecordingTexture*>(r));
        break;
    case ResourceKind::VertexBuffer:
        Unbind(static_cast<RecordingVertexBuffer*>(r));
        break;
    case ResourceKind::IndexBuffer:
        Unbind(static_cast<RecordingIndexBuffer*>(r));
        break;
    case ResourceKind::Surface:
        break;
    }
}

Result RecordingDevice::CheckSize(uint64_t bytes) const {
    return bytes > shared_->config.maxResourceBytes ? kErrOutOfVideoMemory : kOk;
}

// ---- lifecycle ------------------------------------------------------------

Result RecordingDevice::GetDeviceCaps(Caps* out) {
    if (!out)
        return kErrInvalidCall;
    *out = shared_->config.adapters.at(adapter_).caps;
    return kOk;
}

Result RecordingDevice::TestCooperativeLevel() {
    if (Result r = Enter(Call::TestCooperativeLevel); Failed(r))
        return r;
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

Result RecordingDevice::Reset(PresentParams* pp) {
    Result r = Enter(Call::Reset);
    if (!Failed(r) && state_ == DeviceState::Lost)
        r = kErrDeviceLost;
    if (!Failed(r) && !pp)
        r = kErrInvalidCall;
    if (!Failed(r) && LiveDefaultPoolResources() > 0)
        r = kErrInvalidCall;
    if (!Failed(r))
        r = RecordingValidatePresentParams(shared_->config, adapter_, *pp);
    if (Failed(r)) {
        // As with a driver, a failed reset leaves the device waiting for a good one.
        if (state_ == DeviceState::Ok)
            state_ = DeviceState::NotReset;
        return r;
    }
    pp_ = *pp;
    state_ = DeviceState::Ok;
    RestoreDefaults();
    return kOk;
}

Result RecordingDevice::Present() {
    if (Result r = Enter(Call::Present); Failed(r))
        return r;
    ++presents_;
    const LossScript& loss = shared_->config.loss;
    if (state_ == DeviceState::Ok && loss.atPresent != 0 && presents_ == loss.atPresent)
        LoseDevice(loss.lostTests);
    if (state_ != DeviceState::Ok)
        return kErrDeviceLost;
    ++frames_;
    return kOk;
}

Result RecordingDevice::BeginScene() {
    if (Result r = Enter(Call::BeginScene); Failed(r))
        return r;
    if (inScene_)
        return kErrInvalidCall;
    inScene_ = true;
    return kOk;
}

Result RecordingDevice::EndScene() {
    if (Result r = Enter(Call::EndScene); Failed(r))
        return r;
    if (!inScene_)
        return kErrInvalidCall;
    inScene_ = false;
    return kOk;
}

// ---- output ---------------------------------------------------------------

Result RecordingDevice::Clear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t argb,
                              float z, uint32_t stencil) {
    if (Result r = Enter(Call::Clear); Failed(r))
        return r;
    if (Result r = CheckClear(count, rects, flags, z, pp_); Failed(r) || flags == 0)
        return r;
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

Result RecordingDevice::DrawIndexedPrimitive(uint32_t type, uint32_t minIndex, uint32_t numVertices,
                                             uint32_t startIndex, uint32_t primCount) {
    if (Result r = Enter(Call::DrawIndexedPrimitive); Failed(r))
        return r;
    if (Result r = CheckBoundDraw(type, primCount); Failed(r) || primCount == 0)
        return r;
    // Beyond what every back end checks: the scripted capabilities.
    const Caps& caps = shared_->config.adapters.at(adapter_).caps;
    if (primCount > caps.maxPrimitiveCount)
        return kErrInvalidCall;
    const uint64_t indexCount = DrawIndexCount(type, primCount);

    const BufferStore& is = front_.indices->Store();
    uint32_t indexSize = front_.indices->IndexSize();
    if ((static_cast<uint64_t>(startIndex) + indexCount) * indexSize > is.Length())
        return kErrInvalidCall;
    uint64_t vertexCapacity = front_.stream->Store().Length() / front_.stride;

    DrawRecord d;
    d.indices.resize(indexCount);
    uint64_t lo = UINT64_MAX, hi = 0;
    for (uint64_t i = 0; i < indexCount; ++i) {
        const uint8_t* p = is.Data() + (startIndex + i) * indexSize;
        uint32_t idx = indexSize == 4 ? static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) |
                                            static_cast<uint32_t>(p[3]) << 24
                                      : static_cast<uint32_t>(p[0] | p[1] << 8);
        uint64_t v = static_cast<uint64_t>(idx) + front_.baseVertex;
        if (v > caps.maxVertexIndex || v >= vertexCapacity)
            return kErrInvalidCall;
        d.indices[i] = idx;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    if (state_ != DeviceState::Ok)
        return kOk;

    d.frame = frames_;
    d.type = type;
    d.minIndex = minIndex;
    d.numVertices = numVertices;
    d.startIndex = startIndex;
    d.primCount = primCount;
    d.baseVertexIndex = front_.baseVertex;
    d.fvf = front_.fvf;
    d.stride = front_.stride;
    d.vertexBuffer = front_.stream;
    d.indexBuffer = front_.indices;
    d.firstVertex = static_cast<uint32_t>(lo);
    d.vertexBytes.assign(front_.stream->Store().Data() + lo * front_.stride,
                         front_.stream->Store().Data() + (hi + 1) * front_.stride);
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

// ---- state ----------------------------------------------------------------

Result RecordingDevice::Admit(FrontCall c, uint32_t a, uint32_t b) {
    static constexpr Call kCalls[] = {
        Call::SetRenderState, Call::SetTextureStageState, Call::SetTexture,   Call::SetStreamSource,
        Call::SetIndices,     Call::SetVertexShader,      Call::SetTransform, Call::SetViewport,
    };
    static_assert(std::size(kCalls) == static_cast<size_t>(FrontCall::Viewport) + 1);
    if (c == FrontCall::RenderState && a < kRenderStateCount)
        ++rsSets_[a];
    if (c == FrontCall::StageState && ValidStageState(a, b))
        ++tssSets_[a][b];
    return Enter(kCalls[static_cast<size_t>(c)]);
}

void RecordingDevice::SetGammaRamp(uint32_t, const GammaRamp* ramp) {
    Enter(Call::SetGammaRamp);
    if (ramp)
        gamma_ = *ramp;
}

void RecordingDevice::GetGammaRamp(GammaRamp* ramp) {
    if (ramp)
        *ramp = gamma_;
}

Result RecordingDevice::SetCursorProperties(uint32_t hotX, uint32_t hotY, Surface* image) {
    if (Result r = Enter(Call::SetCursorProperties); Failed(r))
        return r;
    auto* s = dynamic_cast<RecordingSurface*>(image);
    if (!s || s->Format() != Fmt::A8R8G8B8)
        return kErrInvalidCall;
    const PixelStore& px = s->Pixels();
    if (hotX >= px.Width() || hotY >= px.Height() || px.Locked())
        return kErrInvalidCall;
    auto c = std::make_unique<CursorRecord>();
    c->hotX = hotX;
    c->hotY = hotY;
    c->width = px.Width();
    c->height = px.Height();
    c->pixels.resize(static_cast<size_t>(c->width) * c->height);
    for (uint32_t y = 0; y < c->height; ++y)
        std::memcpy(&c->pixels[static_cast<size_t>(y) * c->width], px.Data() + y * px.Pitch(),
                    c->width * 4u);
    cursor_ = std::move(c);
    return kOk;
}

int32_t RecordingDevice::ShowCursor(int32_t show) {
    const int32_t was = cursorShown_ ? 1 : 0;
    cursorShown_ = show != 0;
    return was;
}

// ---- resources ------------------------------------------------------------

Result RecordingDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t levels,
                                      uint32_t usage, uint32_t format, uint32_t pool,
                                      Texture** out) {
    if (out)
        *out = nullptr;
    if (Result r = Enter(Call::CreateTexture); Failed(r))
        return r;
    const RecordingConfig& cfg = shared_->config;
    const Caps& caps = cfg.adapters.at(adapter_).caps;
    if (!out || width == 0 || height == 0 || !ValidPool(pool) || !IsColorFormat(format))
        return kErrInvalidCall;
    if (width > caps.maxTextureWidth || height > caps.maxTextureHeight)
        return kErrInvalidCall;
    if ((usage & Usage::RenderTarget) && pool != Pool::Default)
        return kErrInvalidCall;
    if (cfg.createTextureChecksFormat &&
        Failed(RecordingCheckDeviceFormat(cfg, adapter_, kDeviceHal, pp_.backBufferFormat,
                                          usage & Usage::RenderTarget, Rtype::Texture, format)))
        return kErrInvalidCall;
    uint32_t full = 1;
    while ((std::max(width, height) >> full) != 0)
        ++full;
    if (levels == 0)
        levels = full;
    if (levels > full)
        return kErrInvalidCall;
    uint64_t bytes = 0;
    for (uint32_t i = 0; i < levels; ++i)
        bytes += (static_cast<uint64_t>(std::max(1u, width >> i)) * BytesPerPixel(format) + 3) / 4 *
                 4 * std::max(1u, height >> i);
    if (Result r = CheckSize(bytes); Failed(r))
        return r;
    auto* t = new RecordingTexture(this, width, height, levels, usage, format, pool);
    Track(t);
    *out = t;
    return kOk;
}

Result RecordingDevice::CreateVertexBuffer(uint32_t lengthBytes, uint32_t usage, uint32_t fvf,
                                           uint32_t pool, VertexBuffer** out) {
    if (out)
        *out = nullptr;
    if (Result r = Enter(Call::CreateVertexBuffer); Failed(r))
        return r;
    if (!out || lengthBytes == 0 || !ValidPool(pool))
        return kErrInvalidCall;
    if (fvf != 0 && lengthBytes < GetFvfVertexSize(fvf))
        return kErrInvalidCall;
    if (Result r = CheckSize(lengthBytes); Failed(r))
        return r;
    auto* b = new RecordingVertexBuffer(this, lengthBytes, usage, fvf, pool);
    Track(b);
    *out = b;
    return kOk;
}

Result RecordingDevice::CreateIndexBuffer(uint32_t lengthBytes, uint32_t usage, uint32_t format,
                                          uint32_t pool, IndexBuffer** out) {
    if (out)
        *out = nullptr;
    if (Result r = Enter(Call::CreateIndexBuffer); Failed(r))
        return r;
    if (!out || lengthBytes == 0 || !ValidPool(pool))
        return kErrInvalidCall;
    if (format != Fmt::Index16 && format != Fmt::Index32)
        return kErrInvalidCall;
    if (Result r = CheckSize(lengthBytes); Failed(r))
        return r;
    auto* b = new RecordingIndexBuffer(this, lengthBytes, usage, format, pool);
    Track(b);
    *out = b;
    return kOk;
}

Result RecordingDevice::CreateImageSurface(uint32_t width, uint32_t height, uint32_t format,
                                           Surface** out) {
    if (out)
        *out = nullptr;
    if (Result r = Enter(Call::CreateImageSurface); Failed(r))
        return r;
    if (!out || width == 0 || height == 0 || !IsColorFormat(format))
        return kErrInvalidCall;
    uint64_t bytes = (static_cast<uint64_t>(width) * BytesPerPixel(format) + 3) / 4 * 4 * height;
    if (Result r = CheckSize(bytes); Failed(r))
        return r;
    auto* s = new RecordingSurface(this, width, height, format);
    Track(s);
    *out = s;
    return kOk;
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
    return std::count_if(live_.begin(), live_.end(),
                         [](auto* r) { return r->Kind() == ResourceKind::Texture; });
}
size_t RecordingDevice::LiveSurfaces() const {
    return std::count_if(live_.begin(), live_.end(),
                         [](auto* r) { return r->Kind() == ResourceKind::Surface; });
}
size_t RecordingDevice::LiveVertexBuffers() const {
    return std::count_if(live_.begin(), live_.end(),
                         [](auto* r) { return r->Kind() == ResourceKind::VertexBuffer; });
}
size_t RecordingDevice::LiveIndexBuffers() const {
    return std::count_if(live_.begin(), live_.end(),
                         [](auto* r) { return r->Kind() == ResourceKind::IndexBuffer; });
}
size_t RecordingDevice::LiveDefaultPoolResources() const {
    return std::count_if(live_.begin(), live_.end(),
                         [](auto* r) { return r->PoolOf() == Pool::Default; });
}

RecordingDevice* AsRecording(Device* device) {
    return dynamic_cast<RecordingDevice*>(device);
}

uint64_t RecordingId(const Object* resource) {
    auto* r = dynamic_cast<const RecordingResource*>(resource);
    return r ? r->Id() : 0;
}

} // namespace gpu
