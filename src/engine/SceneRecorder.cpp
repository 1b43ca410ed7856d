#include "engine/SceneRecorder.h"

#include <algorithm>
#include <cstring>

#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/VertexBuffer.h"

void CSceneRecorder::Begin(const gpu::Matrix& world, const gpu::Matrix& view,
                           const gpu::Matrix& projection, const gpu::Viewport& viewport) {
    Forget();
    recording_ = true;
    world_ = world;
    view_ = view;
    projection_ = projection;
    viewport_ = viewport;
    clipper_.BeginScene();
}

void CSceneRecorder::End() {
    Forget();
    recording_ = false;
}

void CSceneRecorder::Forget() {
    // Letting go of a texture may release it, and that asks Uses(): the
    // bindings are gone before.
    std::vector<Binding> bindings;
    bindings.swap(bindings_);
    commands_.clear();
    matrices_.clear();
    viewports_.clear();
    clearings_.clear();
    draws_.clear();
    vertices_.clear();
    indices_.clear();
    played_.clear();
    hidden_.clear();
    playVertices_.clear();
    playIndices_.clear();
    clipper_.Forget();
    bindings.clear();
}

void CSceneRecorder::RenderState(uint32_t state, uint32_t value) {
    commands_.push_back({Op::RenderState, state, value});
}

void CSceneRecorder::StageState(uint32_t stage, uint32_t state, uint32_t value) {
    commands_.push_back({Op::StageState, stage, state, value});
}

void CSceneRecorder::Texture(uint32_t stage, const CSharedPtr<CTexture>& texture,
                             gpu::Texture* device) {
    commands_.push_back({Op::Texture, stage, 0, 0, static_cast<uint32_t>(bindings_.size())});
    bindings_.push_back({texture, device});
}

void CSceneRecorder::Transform(uint32_t which, const gpu::Matrix& m) {
    commands_.push_back({Op::Transform, which, 0, 0, static_cast<uint32_t>(matrices_.size())});
    matrices_.push_back(m);
    if (which == gpu::Ts::World)
        world_ = m;
    else if (which == gpu::Ts::View)
        view_ = m;
    else if (which == gpu::Ts::Projection)
        projection_ = m;
}

void CSceneRecorder::Viewport(const gpu::Viewport& v) {
    commands_.push_back({Op::Viewport, 0, 0, 0, static_cast<uint32_t>(viewports_.size())});
    viewports_.push_back(v);
    viewport_ = v;
}

void CSceneRecorder::VertexShader(uint32_t handle) {
    commands_.push_back({Op::VertexShader, handle});
}

void CSceneRecorder::Clear(uint32_t count, const gpu::Rect* rects, uint32_t flags, uint32_t color,
                           float z, uint32_t stencil) {
    Clearing c;
    if (rects && count > 0)
        c.rects.assign(rects, rects + count);
    c.flags = flags;
    c.color = color;
    c.z = z;
    c.stencil = stencil;
    c.viewport = viewport_;
    c.drawsBefore = static_cast<uint32_t>(draws_.size());
    const bool whole = c.rects.empty();
    commands_.push_back({Op::Clear, 0, 0, 0, static_cast<uint32_t>(clearings_.size())});
    clearings_.push_back(std::move(c));
    if (flags & gpu::ClearFlag::ZBuffer)
        clipper_.NoteDepthClear(z, whole);
}

const gpu::Matrix* CSceneRecorder::FindTransform(uint32_t which) const {
    if (which == gpu::Ts::World)
        return &world_;
    if (which == gpu::Ts::View)
        return &view_;
    if (which == gpu::Ts::Projection)
        return &projection_;
    return nullptr;
}

bool CSceneRecorder::Uses(const gpu::Texture* texture) const {
    return std::any_of(bindings_.begin(), bindings_.end(),
                       [&](const Binding& b) { return b.device == texture; });
}

bool CSceneRecorder::Draw(const CRenderDevice& device, uint32_t type, const CVertexBuffer* vb,
                          const CIndexBuffer* ib, uint32_t baseVertexIndex, uint32_t startIndex,
                          uint32_t primitiveCount) {
    if (!vb || !ib || !vb->GetContents() || !ib->GetContents() ||
        vb->GetStride() != sizeof(gpu::Vertex) || vb->GetVertexFormat() != gpu::kFvfGame ||
        (type != gpu::Prim::TriangleList && type != gpu::Prim::TriangleStrip) ||
        primitiveCount == 0)
        return false;
    const uint64_t count =
        type == gpu::Prim::TriangleList ? 3ull * primitiveCount : primitiveCount + 2ull;
    if (startIndex + count > ib->GetCapacity())
        return false;
    // The draw's indices, made absolute, and the run of vertices they reach.
    scratch_.resize(count);
    const uint8_t* raw = ib->GetContents() + static_cast<size_t>(startIndex) * ib->GetStride();
    if (ib->GetStride() == 4) {
        std::memcpy(scratch_.data(), raw, count * 4);
    } else {
        for (size_t i = 0; i < count; ++i) {
            uint16_t s = 0;
            std::memcpy(&s, raw + 2 * i, 2);
            scratch_[i] = s;
        }
    }
    uint64_t low = UINT64_MAX, high = 0;
    for (uint32_t& v : scratch_) {
        const uint64_t at = uint64_t{v} + baseVertexIndex;
        low = std::min(low, at);
        high = std::max(high, at);
    }
    if (high >= vb->GetCapacity())
        return false;
    Recorded d{type,
               primitiveCount,
               static_cast<uint32_t>(vertices_.size()),
               static_cast<uint32_t>(high - low + 1),
               static_cast<uint32_t>(indices_.size()),
               static_cast<uint32_t>(count)};
    const auto* source = reinterpret_cast<const gpu::Vertex*>(vb->GetContents()) + low;
    vertices_.insert(vertices_.end(), source, source + d.vertexCount);
    const auto shift = static_cast<uint32_t>(low - baseVertexIndex);
    for (uint32_t v : scratch_)
        indices_.push_back(v - shift);
    commands_.push_back({Op::Draw, 0, 0, 0, static_cast<uint32_t>(draws_.size())});
    draws_.push_back(d);
    clipper_.NoteDraw(device, type, vertices_.data() + d.vertex, d.vertexCount,
                      indices_.data() + d.index, primitiveCount);
    return true;
}

void CSceneRecorder::Prepare(bool sceneEnds, bool handsHidden) {
    clipper_.Resolve(sceneEnds);
    for (Clearing& c : clearings_) {
        const gpu::Viewport& v = c.viewport;
        const CDrawClipper::PixelRect area{static_cast<int32_t>(v.x), static_cast<int32_t>(v.y),
                                           static_cast<int32_t>(v.x + v.width),
                                           static_cast<int32_t>(v.y + v.height)};
        c.paintedOver = c.rects.empty() && clipper_.PaintedOver(c.drawsBefore, area);
    }
    played_.assign(draws_.size(), Played{});
    playVertices_.clear();
    playIndices_.clear();
    hidden_.clear();
    for (size_t i = 0; i < draws_.size(); ++i) {
        const Recorded& d = draws_[i];
        const gpu::Vertex* vertices = vertices_.data() + d.vertex;
        Played& p = played_[i];
        p.depthUnread = clipper_.DepthWriteUnread(i);
        p.firstVertex = static_cast<uint32_t>(playVertices_.size());
        p.firstIndex = static_cast<uint32_t>(playIndices_.size());
        const bool clipped =
            clipper_.Clip(i, vertices, clipped_, handsHidden ? &hiddenOfDraw_ : nullptr);
        if (handsHidden) {
            p.firstHidden = static_cast<uint32_t>(hidden_.size());
            p.hiddenCount = static_cast<uint32_t>(hiddenOfDraw_.size());
            for (const CDrawClipper::PixelRect& r : hiddenOfDraw_)
                hidden_.push_back({r.x0, r.y0, r.x1, r.y1});
        }
        if (clipped) {
            p.type = gpu::Prim::TriangleList;
            p.vertexCount = static_cast<uint32_t>(clipped_.size());
            p.primitiveCount = p.vertexCount / 3;
            playVertices_.insert(playVertices_.end(), clipped_.begin(), clipped_.end());
            for (uint32_t v = 0; v < p.vertexCount; ++v)
                playIndices_.push_back(p.firstVertex + v);
        } else {
            p.type = d.type;
            p.vertexCount = d.vertexCount;
            p.primitiveCount = d.primitiveCount;
            playVertices_.insert(playVertices_.end(), vertices, vertices + d.vertexCount);
            for (uint32_t k = 0; k < d.indexCount; ++k)
                playIndices_.push_back(p.firstVertex + indices_[d.index + k]);
        }
    }
}
