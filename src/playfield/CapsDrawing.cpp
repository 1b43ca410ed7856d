#include "playfield/CapsDrawing.h"

#include <algorithm>

#include "engine/DrawHelpers.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "playfield/CapsManager.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;
// 16-bit indices reach this many vertices of the shared buffer.
constexpr uint32_t kIndexableVertices = 0x10000;

// The square of a centre and half size, corners top-left, top-right,
// bottom-right, bottom-left, with set-0 coordinates from the frame.
void WriteSquare(gpu::Vertex* v, float x, float y, float z, float h, float u0, float v0, float u1,
                 float v1) {
    const float xs[4] = {x - h, x + h, x + h, x - h};
    const float ys[4] = {y + h, y + h, y - h, y - h};
    const float us[4] = {u0, u1, u1, u0};
    const float vs[4] = {v0, v0, v1, v1};
    for (int i = 0; i < 4; ++i) {
        v[i].x = xs[i];
        v[i].y = ys[i];
        v[i].z = z;
        v[i].diffuse = kWhite;
        v[i].u0 = us[i];
        v[i].v0 = vs[i];
        v[i].u1 = 0.0f;
        v[i].v1 = 0.0f;
    }
}

// Builds the batches of one pass: consecutive quads with the same texture share
// a draw call.
class BatchBuilder {
public:
    BatchBuilder(std::vector<CCapBatch>& batches, uint32_t firstVertex, uint32_t firstIndex)
        : batches_(batches), vertex_(firstVertex), index_(firstIndex) {
        current_.FirstVertex = static_cast<int32_t>(firstVertex);
        current_.FirstIndex = static_cast<int32_t>(firstIndex);
    }

    // Counts one more quad of `sprite` drawn with `texture`.
    void Add(CCapSprite* sprite, const CSharedPtr<CTexture>& texture) {
        if (!current_.FirstSprite || !SameTexture(*texture_, texture)) {
            if (current_.TriangleCount > 0) {
                batches_.push_back(current_);
                current_ = CCapBatch{};
                current_.FirstVertex = static_cast<int32_t>(vertex_);
                current_.FirstIndex = static_cast<int32_t>(index_);
            }
            current_.FirstSprite = sprite;
            texture_ = &texture;
        }
        current_.VertexCount += 4;
        current_.TriangleCount += 2;
        vertex_ += 4;
        index_ += 6;
    }
    void Finish() {
        if (current_.TriangleCount > 0)
            batches_.push_back(current_);
    }

private:
    std::vector<CCapBatch>& batches_;
    CCapBatch current_;
    const CSharedPtr<CTexture>* texture_ = nullptr;
    uint32_t vertex_;
    uint32_t index_;
};

void SetModulateStage0(CRenderDevice& d) {
    d.SetTextureStageState(0, gpu::Tss::ColorOp, gpu::Top::Modulate);
    d.SetTextureStageState(0, gpu::Tss::ColorArg1, gpu::Ta::Texture);
    d.SetTextureStageState(0, gpu::Tss::ColorArg2, gpu::Ta::Diffuse);
    d.SetTextureStageState(0, gpu::Tss::AlphaOp, gpu::Top::Modulate);
    d.SetTextureStageState(0, gpu::Tss::AlphaArg1, gpu::Ta::Texture);
    d.SetTextureStageState(0, gpu::Tss::AlphaArg2, gpu::Ta::Diffuse);
}

void DisableStage1(CRenderDevice& d) {
    d.SetTextureStageState(1, gpu::Tss::ColorOp, gpu::Top::Disable);
    d.SetTextureStageState(1, gpu::Tss::AlphaOp, gpu::Top::Disable);
}

void SetAlphaTest(CRenderDevice& d) {
    d.SetRenderState(gpu::Rs::CullMode, gpu::Cull::None);
    d.SetRenderState(gpu::Rs::AlphaTestEnable, 1);
    d.SetRenderState(gpu::Rs::AlphaRef, 1);
    d.SetRenderState(gpu::Rs::AlphaFunc, gpu::Cmp::Greater);
}

int DrawBatches(CRenderDevice& d, const std::vector<CCapBatch>& batches, bool light) {
    int triangles = 0;
    for (const CCapBatch& b : batches) {
        d.SetTexture(0, light ? b.FirstSprite->LightTexture : b.FirstSprite->SpriteTexture);
        d.DrawIndexedPrimitive(gpu::Prim::TriangleList, static_cast<uint32_t>(b.FirstVertex),
                               static_cast<uint32_t>(b.VertexCount),
                               static_cast<uint32_t>(b.FirstIndex),
                               static_cast<uint32_t>(b.TriangleCount));
        triangles += b.TriangleCount;
    }
    return triangles;
}

} // namespace

void CCapsManager::SetClip(float left, float top, float right, float bottom) {
    clipped_ = true;
    clip_[0] = left;
    clip_[1] = top;
    clip_[2] = right;
    clip_[3] = bottom;
}

bool CCapsManager::Shows(float x, float y, float halfSize) const {
    return !clipped_ || (x - halfSize < clip_[2] && x + halfSize > clip_[0] &&
                         y - halfSize < clip_[1] && y + halfSize > clip_[3]);
}

void CCapsManager::ClipSquare(gpu::Vertex* v) const {
    if (!clipped_)
        return;
    // Corners top-left, top-right, bottom-right, bottom-left: every texture
    // coordinate u runs along x and every v along y, so a cut edge takes the
    // coordinates met at its place and the part left shows what the whole
    // square showed there.
    const float x0 = v[0].x, x1 = v[1].x, y0 = v[0].y, y1 = v[3].y;
    const float left = std::max(x0, clip_[0]), right = std::min(x1, clip_[2]);
    const float top = std::min(y0, clip_[1]), bottom = std::max(y1, clip_[3]);
    if (!(x1 > x0) || !(y0 > y1) || (left == x0 && right == x1 && top == y0 && bottom == y1))
        return;
    const float tl = (left - x0) / (x1 - x0), tr = (right - x0) / (x1 - x0);
    const float tt = (y0 - top) / (y0 - y1), tb = (y0 - bottom) / (y0 - y1);
    const auto at = [](float a, float b, float t) { return a + (b - a) * t; };
    const float u0[2] = {at(v[0].u0, v[1].u0, tl), at(v[0].u0, v[1].u0, tr)};
    const float u1[2] = {at(v[0].u1, v[1].u1, tl), at(v[0].u1, v[1].u1, tr)};
    const float v0[2] = {at(v[0].v0, v[3].v0, tt), at(v[0].v0, v[3].v0, tb)};
    const float v1[2] = {at(v[0].v1, v[3].v1, tt), at(v[0].v1, v[3].v1, tb)};
    constexpr int kRight[4] = {0, 1, 1, 0}, kBottom[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        const int r = kRight[i], b = kBottom[i];
        v[i].x = r ? right : left;
        v[i].y = b ? bottom : top;
        v[i].u0 = u0[r];
        v[i].u1 = u1[r];
        v[i].v0 = v0[b];
        v[i].v1 = v1[b];
    }
}

bool CCapsManager::LockQuads(uint32_t n, gpu::Vertex** vertices, uint16_t** indices,
                             uint32_t* firstVertex, uint32_t* firstIndex) {
    if (device_.IsNull() || vertexBuffer_.IsNull() || indexBuffer_.IsNull())
        return false;
    if (gpu::Failed(vertexBuffer_->Lock(n * 4, vertices)))
        return false;
    if (gpu::Failed(indexBuffer_->Lock(n * 6, indices))) {
        vertexBuffer_->Unlock();
        return false;
    }
    *firstVertex = vertexBuffer_->GetLastStart();
    *firstIndex = indexBuffer_->GetLastStart();
    // Indices are 16 bits wide: vertices beyond their reach cannot be drawn.
    if (*firstVertex + n * 4 > kIndexableVertices) {
        UnlockQuads();
        return false;
    }
    return true;
}

void CCapsManager::UnlockQuads() {
    indexBuffer_->Unlock();
    vertexBuffer_->Unlock();
}

// ---- Sprite pass ----

const CCapFrame* CCapsManager::SpritePassFrame(const CCapSprite& sprite) const {
    if (!sprite.Visible || sprite.NoSpritePass || !Shows(sprite.X, sprite.Y, sprite.HalfSize))
        return nullptr;
    return FrameOf(sprite);
}

uint32_t CCapsManager::CountSpriteQuads() const {
    uint32_t n = 0;
    for (const auto& handle : drawList_)
        if (!handle.IsNull() && SpritePassFrame(*handle))
            ++n;
    return n;
}

int CCapsManager::BuildSpriteBatches() {
    batches_.clear();
    const uint32_t n = CountSpriteQuads();
    if (n == 0)
        return 0;
    gpu::Vertex* vertices = nullptr;
    uint16_t* indices = nullptr;
    uint32_t firstVertex = 0, firstIndex = 0;
    if (!LockQuads(n, &vertices, &indices, &firstVertex, &firstIndex))
        return -1;

    BatchBuilder builder(batches_, firstVertex, firstIndex);
    uint32_t written = 0;
    for (const auto& handle : drawList_) {
        if (handle.IsNull())
            continue;
        CCapSprite& s = *handle;
        const CCapFrame* f = SpritePassFrame(s);
        if (!f)
            continue;
        builder.Add(&s, s.SpriteTexture);
        WriteSquare(vertices + 4 * written, s.X, s.Y, s.Z, s.HalfSize, f->Left, f->Top, f->Right,
                    f->Bottom);
        ClipSquare(vertices + 4 * written);
        WriteQuadIndices(indices + 6 * written, firstVertex + 4 * written);
        ++written;
    }
    builder.Finish();
    UnlockQuads();
    return static_cast<int>(batches_.size());
}

int CCapsManager::DrawSpriteBatches() {
    if (batches_.empty() || device_.IsNull())
        return 0;
    CRenderDevice& d = *device_;
    SetModulateStage0(d);
    DisableStage1(d);
    SetAlphaTest(d);
    d.SetRenderState(gpu::Rs::AlphaBlendEnable, 1);
    d.SetRenderState(gpu::Rs::SrcBlend, gpu::Blend::SrcAlpha);
    d.SetRenderState(gpu::Rs::DestBlend, gpu::Blend::InvSrcAlpha);
    d.SetRenderState(gpu::Rs::ZWriteEnable, 1);
    return DrawBatches(d, batches_, false);
}

// ---- Light pass ----

uint32_t CCapsManager::CountLitSprites(float lightX, float lightY) {
    uint32_t n = 0;
    for (const auto& handle : drawList_) {
        if (handle.IsNull())
            continue;
        CCapSprite& s = *handle;
        if (!s.Visible || !s.LightEnabled)
            continue;
        const float dx = s.X - lightX;
        const float dy = s.Y - lightY;
        const float reach = caps::kLightReach * s.HalfSize;
        if (dx * dx + dy * dy < reach * reach) {
            s.LightOffsetX = dx;
            s.LightOffsetY = dy;
            s.Lit = 1;
            if (FrameOf(s) && Shows(s.X, s.Y, s.HalfSize))
                ++n;
        } else {
            s.Lit = 0;
        }
    }
    return n;
}

int CCapsManager::BuildLightBatches(float lightX, float lightY) {
    batches_.clear();
    const uint32_t n = CountLitSprites(lightX, lightY);
    if (n == 0)
        return 0;
    gpu::Vertex* vertices = nullptr;
    uint16_t* indices = nullptr;
    uint32_t firstVertex = 0, firstIndex = 0;
    if (!LockQuads(n, &vertices, &indices, &firstVertex, &firstIndex))
        return -1;

    BatchBuilder builder(batches_, firstVertex, firstIndex);
    uint32_t written = 0;
    for (const auto& handle : drawList_) {
        if (handle.IsNull())
            continue;
        CCapSprite& s = *handle;
        if (!s.Visible || !s.LightEnabled || !s.Lit || !Shows(s.X, s.Y, s.HalfSize))
            continue;
        const CCapFrame* f = FrameOf(s);
        if (!f)
            continue;
        builder.Add(&s, s.LightTexture);
        gpu::Vertex* v = vertices + 4 * written;
        WriteSquare(v, s.X, s.Y, s.Z, s.HalfSize, f->Left, f->Top, f->Right, f->Bottom);
        // The light spot's unit square, shifted by where the light point lies.
        const float span = caps::kLightReach * s.HalfSize;
        const float a = s.LightOffsetX / span;
        const float b = s.LightOffsetY / span;
        v[0].u1 = a;
        v[0].v1 = -b;
        v[1].u1 = a + 1.0f;
        v[1].v1 = -b;
        v[2].u1 = a + 1.0f;
        v[2].v1 = 1.0f - b;
        v[3].u1 = a;
        v[3].v1 = 1.0f - b;
        ClipSquare(v);
        WriteQuadIndices(indices + 6 * written, firstVertex + 4 * written);
        ++written;
    }
    builder.Finish();
    UnlockQuads();
    return static_cast<int>(batches_.size());
}

int CCapsManager::DrawLightBatches() {
    if (batches_.empty() || device_.IsNull())
        return 0;
    CRenderDevice& d = *device_;
    d.SetTextureStageState(0, gpu::Tss::ColorOp, gpu::Top::SelectArg1);
    d.SetTextureStageState(0, gpu::Tss::ColorArg1, gpu::Ta::Texture);
    d.SetTextureStageState(0, gpu::Tss::AlphaOp, gpu::Top::SelectArg1);
    d.SetTextureStageState(0, gpu::Tss::AlphaArg1, gpu::Ta::Texture);
    d.SetTextureStageState(1, gpu::Tss::ColorOp, gpu::Top::Modulate);
    d.SetTextureStageState(1, gpu::Tss::ColorArg1, gpu::Ta::Texture);
    d.SetTextureStageState(1, gpu::Tss::ColorArg2, gpu::Ta::Current);
    d.SetTextureStageState(1, gpu::Tss::AlphaOp, gpu::Top::SelectArg2);
    d.SetTextureStageState(1, gpu::Tss::AlphaArg2, gpu::Ta::Current);
    SetAlphaTest(d);
    d.SetRenderState(gpu::Rs::AlphaBlendEnable, 1);
    d.SetRenderState(gpu::Rs::SrcBlend, gpu::Blend::One);
    d.SetRenderState(gpu::Rs::DestBlend, gpu::Blend::One);
    d.SetRenderState(gpu::Rs::ZWriteEnable, 0);
    d.SetTextureStageState(1, gpu::Tss::AddressU, gpu::Tadr::Clamp);
    d.SetTextureStageState(1, gpu::Tss::AddressV, gpu::Tadr::Clamp);
    d.SetTexture(1, cursorLight_);

    const int triangles = DrawBatches(d, batches_, true);

    d.SetTextureStageState(1, gpu::Tss::AddressU, gpu::Tadr::Wrap);
    d.SetTextureStageState(1, gpu::Tss::AddressV, gpu::Tadr::Wrap);
    SetModulateStage0(d);
    DisableStage1(d);
    return triangles;
}

int CCapsManager::RenderCaps() {
    const int spriteBatches = BuildSpriteBatches();
    if (spriteBatches <= 0)
        return spriteBatches;
    const int triangles = DrawSpriteBatches();
    const int lightBatches = BuildLightBatches(lightX_, lightY_);
    if (lightBatches < 0)
        return lightBatches;
    if (lightBatches == 0)
        return triangles;
    return triangles + DrawLightBatches();
}

// ---- Chain pass ----

bool CCapsManager::ChainShown(const CCapSprite& s) const {
    return s.Visible && s.ChainLevel > 0 && Shows(s.X, s.Y, s.HalfSize * caps::kChainScale);
}

int CCapsManager::RenderCapChains() {
    uint32_t n = 0;
    for (const auto& handle : drawList_)
        if (!handle.IsNull() && ChainShown(*handle))
            ++n;
    if (n == 0)
        return 0;
    gpu::Vertex* vertices = nullptr;
    uint16_t* indices = nullptr;
    uint32_t firstVertex = 0, firstIndex = 0;
    if (!LockQuads(n, &vertices, &indices, &firstVertex, &firstIndex))
        return -1;

    uint32_t written = 0;
    for (const auto& handle : drawList_) {
        if (handle.IsNull() || !ChainShown(*handle))
            continue;
        const CCapSprite& s = *handle;
        const float u0 = s.ChainLevel == 1 ? 0.0f : caps::kChainImageWidth;
        gpu::Vertex* v = vertices + 4 * written;
        WriteSquare(v, s.X, s.Y, s.Z, s.HalfSize * caps::kChainScale, u0, 0.0f,
                    u0 + caps::kChainImageWidth, caps::kChainImageHeight);
        // The alpha copy lies over the colour picture: the same coordinates.
        for (int i = 0; i < 4; ++i) {
            v[i].u1 = v[i].u0;
            v[i].v1 = v[i].v0;
        }
        ClipSquare(v);
        WriteQuadIndices(indices + 6 * written, firstVertex + 4 * written);
        ++written;
    }
    UnlockQuads();

    CRenderDevice& d = *device_;
    d.SetTextureStageState(0, gpu::Tss::ColorOp, gpu::Top::SelectArg1);
    d.SetTextureStageState(0, gpu::Tss::ColorArg1, gpu::Ta::Texture);
    d.SetTextureStageState(0, gpu::Tss::AlphaOp, gpu::Top::SelectArg1);
    d.SetTextureStageState(0, gpu::Tss::AlphaArg1, gpu::Ta::Diffuse);
    d.SetTextureStageState(1, gpu::Tss::ColorOp, gpu::Top::Modulate);
    d.SetTextureStageState(1, gpu::Tss::ColorArg1, gpu::Ta::Diffuse);
    d.SetTextureStageState(1, gpu::Tss::ColorArg2, gpu::Ta::Current);
    d.SetTextureStageState(1, gpu::Tss::AlphaOp, gpu::Top::Modulate);
    d.SetTextureStageState(1, gpu::Tss::AlphaArg1, gpu::Ta::Texture);
    d.SetTextureStageState(1, gpu::Tss::AlphaArg2, gpu::Ta::Current);
    d.SetRenderState(gpu::Rs::AlphaBlendEnable, 1);
    d.SetRenderState(gpu::Rs::SrcBlend, gpu::Blend::SrcAlpha);
    d.SetRenderState(gpu::Rs::DestBlend, gpu::Blend::InvSrcAlpha);
    SetAlphaTest(d);
    d.SetRenderState(gpu::Rs::ZWriteEnable, 1);
    d.SetTexture(0, chain_);
    d.SetTexture(1, chainAlpha_);
    d.DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex, n * 4, firstIndex, n * 2);

    DisableStage1(d);
    // Stage 1's colour argument back to the device default for the passes that
    // only switch its operation on.
    d.SetTextureStageState(1, gpu::Tss::ColorArg1, gpu::Ta::Texture);
    SetModulateStage0(d);
    return static_cast<int>(n);
}
