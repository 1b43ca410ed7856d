// The three frame functions of the renderer. The scene frame fixes the draw
// order of the whole game: every layer is drawn at one place in it, and depth
// writes are switched off between the passes that must not write depth.
#include <cmath>

#include "engine/IndexBuffer.h"
#include "engine/PlayFieldStore.h"
#include "engine/QuadLayer.h"
#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "engine/SpriteLayer.h"
#include "engine/TextLayer.h"
#include "engine/TextPass.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"

namespace {

// The full-screen quad sits half a unit off the integer grid, so that texels
// land on pixels.
constexpr float kLeft = -512.5f, kRight = 511.5f, kTop = 384.5f, kBottom = -383.5f;

void SetStageStates(CRenderDevice& d) {
    using namespace gpu;
    d.SetTextureStageState(0, Tss::ColorArg1, Ta::Texture);
    d.SetTextureStageState(0, Tss::ColorOp, Top::Modulate);
    d.SetTextureStageState(0, Tss::ColorArg2, Ta::Diffuse);
    d.SetTextureStageState(0, Tss::AlphaArg1, Ta::Texture);
    d.SetTextureStageState(0, Tss::AlphaOp, Top::Modulate);
    d.SetTextureStageState(0, Tss::AlphaArg2, Ta::Diffuse);
    d.SetTextureStageState(0, Tss::MagFilter, Tf::Linear);
    d.SetTextureStageState(0, Tss::MinFilter, Tf::Linear);
    d.SetTextureStageState(0, Tss::MipFilter, Tf::Point);
    d.SetTextureStageState(1, Tss::ColorOp, Top::Disable);
    d.SetTextureStageState(1, Tss::AlphaOp, Top::Disable);
}

void WriteVertex(gpu::Vertex* v, float x, float y, uint32_t colour, float u, float vv) {
    *v = gpu::Vertex{x, y, 0.0f, colour, u, vv, 0.0f, 0.0f};
}

// The picture quad's four corners over texture rows 0..vBottom.
void WritePictureQuad(gpu::Vertex* v, uint32_t colour, float vBottom) {
    WriteVertex(v + 0, kLeft, kTop, colour, 0.0f, 0.0f);
    WriteVertex(v + 1, kRight, kTop, colour, 1.0f, 0.0f);
    WriteVertex(v + 2, kRight, kBottom, colour, 1.0f, vBottom);
    WriteVertex(v + 3, kLeft, kBottom, colour, 0.0f, vBottom);
}

void WriteQuadIndices(uint16_t* out, uint32_t first) {
    const uint32_t k[6] = {0, 1, 2, 0, 2, 3};
    for (int i = 0; i < 6; ++i)
        out[i] = static_cast<uint16_t>(first + k[i]);
}

template <class T> bool Has(const CSharedPtr<T>& p) {
    return !p.IsNull();
}

// The back end may draw a scene on guesses (no depth buffer, nothing under
// what covered it last time) and ask for it once more when one failed. Only a
// scene that clears the picture first can be drawn again without blending over
// its own first drawing, so only such a scene lets the back end guess.
template <class Draw> int32_t DrawAgainIfAsked(CRenderDevice& d, bool clearsPicture, Draw draw) {
    if (d.GetDevice())
        d.GetDevice()->SetDepthOnDemand(clearsPicture);
    int32_t r = draw();
    if (r == 0 && d.GetDevice() && d.GetDevice()->RedrawScene())
        r = draw();
    return r;
}

} // namespace

int32_t CRenderer::RenderScene() {
    if (device_.IsNull())
        return gpu::kErrInvalidCall;
    return DrawAgainIfAsked(*device_, ClearsPicture(), [this] { return DrawScene(); });
}

bool CRenderer::ClearsPicture() const {
    return ShowsValley() || clearFlag_;
}

bool CRenderer::ShowsValley() const {
    return Has(backdrop_) && backdrop_->IsEnabled() && backdrop_->GetCurrentId() == 3;
}

int32_t CRenderer::DrawScene() {
    if (device_.IsNull() || !device_->GetDevice())
        return gpu::kErrInvalidCall;
    CRenderDevice& d = *device_;

    const gpu::Result level = d.TestCooperativeLevel();
    if (level == gpu::kErrDeviceLost)
        return gpu::kErrDeviceLost;
    if (level == gpu::kErrDeviceNotReset && gpu::Failed(ResetDevice()))
        return gpu::kErrDeviceLost;  // still lost: the next frame tries again

    if (gpu::Failed(d.BeginScene()))
        return 0;

    if (fullViewport_.width > gameViewport_.width) {
        d.SetViewport(fullViewport_);
        d.Clear(0, nullptr, gpu::ClearFlag::Target, 0x00000000, 1.0f, 0);
        d.SetViewport(gameViewport_);
    }
    const uint32_t both = gpu::ClearFlag::Target | gpu::ClearFlag::ZBuffer;
    if (ShowsValley())
        d.Clear(0, nullptr, both, 0x00000000, 1.0f, 0);  // the Valley wants black
    else if (clearFlag_)
        d.Clear(0, nullptr, both, clearColor_, 1.0f, 0);
    else
        d.Clear(0, nullptr, gpu::ClearFlag::ZBuffer, clearColor_, 1.0f, 0);

    d.SetTransform(gpu::Ts::View, view_);
    d.SetTransform(gpu::Ts::Projection, projection_);

    d.SetRenderState(gpu::Rs::AlphaRef, 0x80);
    d.SetRenderState(gpu::Rs::AlphaFunc, gpu::Cmp::Greater);
    SetStageStates(d);
    d.SetRenderState(gpu::Rs::AlphaTestEnable, 0);
    d.SetRenderState(gpu::Rs::AlphaBlendEnable, 1);
    d.SetRenderState(gpu::Rs::SrcBlend, gpu::Blend::SrcAlpha);
    d.SetRenderState(gpu::Rs::DestBlend, gpu::Blend::InvSrcAlpha);
    d.SetRenderState(gpu::Rs::DitherEnable, 1);
    d.SetRenderState(gpu::Rs::ZWriteEnable, 1);

    d.SetIndices(indexBuffer_, 0);
    d.SetStreamSource(vertexBuffer_);
    d.SetVertexShader(gpu::kFvfGame);
    d.SetRenderState(gpu::Rs::CullMode, gpu::Cull::None);

    auto zWriteOff = [&d]() { d.SetRenderState(gpu::Rs::ZWriteEnable, 0); };
    auto on = [this](uint32_t layer) { return (skippedLayers_ & (1u << layer)) == 0; };
    auto alphaTested = [this, &on](int i) {
        if (Has(particleLayers_[i]) && on(kLayerParticles0 + i))
            particleLayers_[i]->RenderAlphaTested();
    };
    auto blended = [this, &on](int i) {
        if (Has(particleLayers_[i]) && on(kLayerParticles0 + i))
            particleLayers_[i]->RenderBlended();
    };
    auto quads = [this, &on](int i) {
        if (Has(quadLayers_[i]) && !quadLayers_[i]->IsEmpty() && on(kLayerQuads0 + i))
            quadLayers_[i]->Render();
    };
    auto spriteShown = [this, &on](int i) {
        return Has(spriteLayers_[i]) && spriteLayers_[i]->Shown && on(kLayerSprites0 + i);
    };
    auto texts = [this, &on](int32_t tag) {
        if (Has(textLayer_) && on(kLayerTexts))
            textLayer_->Render(tag);
    };
    const bool capsShown = Has(caps_) && caps_->IsFieldShown() && on(kLayerCaps);

    // 1-2: the backdrop and its particles.
    if (Has(backdrop_) && backdrop_->IsEnabled() && on(kLayerBackdrop))
        backdrop_->Render();
    alphaTested(0);
    zWriteOff();
    blended(0);
    // 3-6: backdrop quads, the board frame, the sand box and its particles.
    quads(0);
    if (Has(boardFrame_) && boardFrame_->Fade.Shown && on(kLayerBoardFrame))
        boardFrame_->Render(device_, vertexBuffer_, indexBuffer_);
    alphaTested(1);
    zWriteOff();
    blended(1);
    if (Has(dune_) && dune_->IsShown() && on(kLayerDune)) {
        dune_->RenderSand(device_, vertexBuffer_, indexBuffer_);
        dune_->RenderBox(device_, vertexBuffer_, indexBuffer_);
    }
    // 7-13: the board's tokens and the effects on the board.
    if (capsShown)
        caps_->Render();
    if (spriteShown(0))
        spriteLayers_[0]->Prepare();
    alphaTested(2);
    if (spriteShown(0))
        spriteLayers_[0]->Draw(1);
    zWriteOff();
    blended(2);
    quads(1);
    if (capsShown)
        caps_->RenderChains();
    zWriteOff();
    // 14-19: ordinary texts, then the bonuses and the adviser.
    texts(TextPass::kNormal);
    if (spriteShown(1))
        spriteLayers_[1]->Prepare();
    alphaTested(3);
    if (spriteShown(1))
        spriteLayers_[1]->Draw(1);
    zWriteOff();
    blended(3);
    alphaTested(4);
    // 20-26: the forms, then everything drawn over them (under a box, when
    // one is up, as it shades them too).
    const bool formsShown = Has(forms_) && forms_->HasFormsManager() && on(kLayerForms);
    const bool boxShown = formsShown && forms_->BoxShown();
    auto forms = [&d, this](int part) {
        // Forms are painted over the level in their own order, far to near: a
        // dialog is never cut by a nearer piece of the level, nor a form's text
        // by its own picture a hair behind it. Their depth is still written for
        // what is drawn over them.
        uint32_t zFunc = gpu::Cmp::LessEqual;
        d.GetRenderState(gpu::Rs::ZFunc, &zFunc);
        d.SetRenderState(gpu::Rs::ZFunc, gpu::Cmp::Always);
        forms_->Draw(1, part);
        d.SetRenderState(gpu::Rs::ZFunc, zFunc);
    };
    if (formsShown)
        forms(boxShown ? IFormsDrawer::kUnderBox : IFormsDrawer::kAllForms);
    if (spriteShown(2))
        spriteLayers_[2]->Prepare();
    zWriteOff();
    blended(4);
    if (spriteShown(2))
        spriteLayers_[2]->Draw(1);
    quads(2);
    // The last particles lie over everything but a box: the shop's crumbling
    // covers and the trophies' sparks are shaded by it with the rest.
    if (boxShown) {
        blended(5);
        forms(IFormsDrawer::kBoxAndOver);
        zWriteOff();
    }
    texts(TextPass::kTop);
    zWriteOff();
    if (!boxShown)
        blended(5);

    d.EndScene();
    return 0;
}

const char* CRenderer::SceneLayerName(uint32_t layer) {
    static const char* const kNames[kSceneLayerCount] = {
        "backdrop",   "particles0", "particles1", "particles2", "particles3", "particles4",
        "particles5", "quads0",     "quads1",     "quads2",     "board",      "dune",
        "caps",       "sprites0",   "sprites1",   "sprites2",   "texts",      "forms"};
    return layer < kSceneLayerCount ? kNames[layer] : "";
}

namespace {

// What the loading and splash frames share: the device check, the buffer
// locks, and the scene with one textured draw. `write` fills the locked
// vertices and indices given the first vertex's index.
template <class Write>
int32_t DrawPictureFrame(CRenderDevice& d, const CSharedPtr<CVertexBuffer>& vb,
                         const CSharedPtr<CIndexBuffer>& ib, const CSharedPtr<CTexture>& picture,
                         const gpu::Viewport& fullViewport, const gpu::Viewport& gameViewport,
                         const gpu::Matrix& view, const gpu::Matrix& projection, uint32_t quadCount,
                         Write write) {
    if (!d.GetDevice())
        return gpu::kErrInvalidCall;
    const gpu::Result level = d.TestCooperativeLevel();
    if (level == gpu::kErrDeviceLost || level == gpu::kErrDeviceNotReset)
        return level;  // never reset from here
    if (vb.IsNull() || ib.IsNull())
        return gpu::kErrInvalidCall;

    gpu::Vertex* vertices = nullptr;
    if (gpu::Failed(vb->Lock(4 * quadCount, &vertices)))
        return gpu::kErrInvalidCall;
    uint16_t* indices = nullptr;
    if (gpu::Failed(ib->Lock(6 * quadCount, &indices))) {
        vb->Unlock();
        return gpu::kErrInvalidCall;
    }
    const uint32_t firstVertex = vb->GetLastStart();
    const uint32_t firstIndex = ib->GetLastStart();
    write(vertices, indices, firstVertex);
    vb->Unlock();
    ib->Unlock();

    if (gpu::Failed(d.BeginScene()))
        return 0;
    if (fullViewport.width > gameViewport.width) {
        d.SetViewport(fullViewport);
        d.Clear(0, nullptr, gpu::ClearFlag::Target, 0x00000000, 1.0f, 0);
        d.SetViewport(gameViewport);
    }
    d.Clear(0, nullptr, gpu::ClearFlag::Target | gpu::ClearFlag::ZBuffer, 0x00000000, 1.0f, 0);

    d.SetRenderState(gpu::Rs::AlphaTestEnable, 0);
    d.SetRenderState(gpu::Rs::AlphaBlendEnable, 0);
    d.SetRenderState(gpu::Rs::CullMode, gpu::Cull::None);
    d.SetRenderState(gpu::Rs::DitherEnable, 1);
    SetStageStates(d);

    d.SetIndices(ib, 0);
    d.SetStreamSource(vb);
    d.SetVertexShader(gpu::kFvfGame);
    d.SetTexture(0, picture);
    d.SetTransform(gpu::Ts::View, view);
    d.SetTransform(gpu::Ts::Projection, projection);
    d.DrawIndexedPrimitive(gpu::Prim::TriangleList, firstVertex, 4 * quadCount, firstIndex,
                           2 * quadCount);
    d.EndScene();
    return 0;
}

} // namespace

int32_t CRenderer::RenderLoadingScreen(CSharedPtr<CTexture> picture, float progress) {
    if (device_.IsNull())
        return gpu::kErrInvalidCall;
    auto write = [progress](gpu::Vertex* v, uint16_t* idx, uint32_t b) {
        const uint32_t white = 0xFFFFFFFFu;
        // The picture fills the top three quarters of the texture; the bar
        // graphic lies below it (texel-exact on a 1024 x 1024 texture).
        WritePictureQuad(v, white, 0.75f);
        const float left = -132.5f, right = -132.5f + 264.0f * progress;
        const float top = -257.5f, bottom = -305.5f;
        const float u0 = 0.001953125f, u1 = 0.001953125f + progress * 264.0f / 1024.0f;
        const float vTop = 0.783203125f, vBottom = 0.830078125f;
        WriteVertex(v + 4, left, top, white, u0, vTop);
        WriteVertex(v + 5, right, top, white, u1, vTop);
        WriteVertex(v + 6, right, bottom, white, u1, vBottom);
        WriteVertex(v + 7, left, bottom, white, u0, vBottom);
        WriteQuadIndices(idx, b);
        WriteQuadIndices(idx + 6, b + 4);
    };
    return DrawAgainIfAsked(*device_, true, [&] {
        return DrawPictureFrame(*device_, vertexBuffer_, indexBuffer_, picture, fullViewport_,
                                gameViewport_, view_, projection_, 2, write);
    });
}

int32_t CRenderer::RenderSplash(CSharedPtr<CTexture> picture, float brightness) {
    if (device_.IsNull())
        return gpu::kErrInvalidCall;
    // An opaque grey; brightness outside 0..1 (or not a number) is clamped.
    float g = std::floor(brightness * 255.0f);
    if (!(g > 0.0f))
        g = 0.0f;
    if (g > 255.0f)
        g = 255.0f;
    const uint32_t grey = static_cast<uint32_t>(g);
    const uint32_t colour = 0xFF000000u | grey * 0x010101u;
    auto write = [colour](gpu::Vertex* v, uint16_t* idx, uint32_t b) {
        WritePictureQuad(v, colour, 1.0f);
        WriteQuadIndices(idx, b);
    };
    return DrawAgainIfAsked(*device_, true, [&] {
        return DrawPictureFrame(*device_, vertexBuffer_, indexBuffer_, picture, fullViewport_,
                                gameViewport_, view_, projection_, 1, write);
    });
}
