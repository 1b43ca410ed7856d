// The stage backdrop stand-in.
#include "app/Backdrop.h"

#include "engine/RenderDevice.h"
#include "engine/Renderer.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/Texture.h"

CBackdrop::CBackdrop(CSharedPtr<CRenderDevice> device, CSharedPtr<CSpriteLayer> layer,
                     std::string gfxFolder)
    : device_(device), layer_(layer), gfxFolder_(std::move(gfxFolder)) {}

CBackdrop::~CBackdrop() {
    DropSprite(current_);
    DropSprite(previous_);
}

CSharedPtr<CTexture> CBackdrop::Picture(int32_t stage) {
    if (stage < 1 || stage > kStages || device_.IsNull())
        return CSharedPtr<CTexture>();
    const size_t i = static_cast<size_t>(stage - 1);
    if (pictures_[i].IsNull() && !failed_[i]) {
        const std::string file = "Backdrop" + std::to_string(stage) + ".jpg";
        pictures_[i] = device_->LoadTexture(gfxFolder_ + file, file, 1, 0, gpu::Pool::Managed,
                                            gpu::Fmt::Unknown);
        failed_[i] = pictures_[i].IsNull() ? 1 : 0;
    }
    return pictures_[i];
}

CSharedPtr<CSpriteQuad> CBackdrop::MakeSprite(CSharedPtr<CTexture> texture, float alpha, float z) {
    // Centred on the virtual screen and covering it (with a unit to spare on
    // every side, so that no edge of clear colour shows after rounding); drawn
    // without depth so that whatever follows lies in front.
    CSharedPtr<CSpriteQuad> s(new CSpriteQuad(0.0f, 0.0f, z, CRenderer::kVirtualWidth + 2.0f,
                                              CRenderer::kVirtualHeight + 2.0f, 0xFFFFFFFFu,
                                              texture, 1));
    s->DepthTest = 0;
    s->DepthWrite = 0;
    s->SetAlpha(alpha);
    if (!layer_.IsNull())
        layer_->Add(s);
    return s;
}

void CBackdrop::DropSprite(CSharedPtr<CSpriteQuad>& sprite) {
    if (!sprite.IsNull() && !layer_.IsNull())
        layer_->Remove(sprite);
    sprite = CSharedPtr<CSpriteQuad>();
}

bool CBackdrop::SetStage(int32_t stage) {
    CSharedPtr<CTexture> picture = Picture(stage);
    if (picture.IsNull()) {
        DropSprite(previous_);
        DropSprite(current_);
        stage_ = 0;
        return false;
    }
    if (stage == stage_ && !current_.IsNull())
        return true;
    // The old picture stays below until the new one is fully in.
    DropSprite(previous_);
    previous_ = current_;
    current_ = CSharedPtr<CSpriteQuad>();
    const bool fade = !previous_.IsNull();
    current_ = MakeSprite(picture, fade ? 0.0f : 1.0f, 0.0f);
    if (fade) {
        current_->FadeSpeed = kFadeSpeed;
        current_->FadeTo(1.0f);
        // Larger keys are drawn first: the old picture goes under the new one.
        previous_->Key = 1;
        if (!layer_.IsNull())
            layer_->Resort();
    }
    stage_ = stage;
    return true;
}

void CBackdrop::Update(float dt) {
    if (layer_.IsNull())
        return;
    layer_->Update(dt, 0);
    if (!previous_.IsNull() && !current_.IsNull() && current_->Alpha >= 1.0f)
        DropSprite(previous_);
}

void CBackdrop::Render() {
    if (!layer_.IsNull())
        layer_->Draw(1);
}
