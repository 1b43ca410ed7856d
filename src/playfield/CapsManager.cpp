#include "playfield/CapsManager.h"

#include <algorithm>
#include <utility>

#include "engine/DrawHelpers.h"
#include "engine/IndexBuffer.h"
#include "engine/RenderDevice.h"
#include "engine/Texture.h"
#include "engine/VertexBuffer.h"
#include "playfield/CapsTextures.h"

namespace {

bool SameSprite(const CSharedPtr<CCapSprite>& a, const CSharedPtr<CCapSprite>& b) {
    return a == b || (a.IsNull() && b.IsNull());
}

} // namespace

CCapsManager::CCapsManager(CSharedPtr<CRenderDevice> device,
                           CSharedPtr<CVertexBuffer> vertexBuffer,
                           CSharedPtr<CIndexBuffer> indexBuffer)
    : device_(std::move(device)), vertexBuffer_(std::move(vertexBuffer)),
      indexBuffer_(std::move(indexBuffer)) {
    drawList_.reserve(128);
    animations_.reserve(CCapAnimation::kRecordCount);
    batches_.reserve(128);
}

CCapsManager::~CCapsManager() {
    // Sprites first (they hold textures), then the textures, then the buffers
    // and the device the textures were made on.
    batches_.clear();
    animations_.clear();
    drawList_.clear();
    cursorLight_ = CSharedPtr<CTexture>();
    chain_ = CSharedPtr<CTexture>();
    chainAlpha_ = CSharedPtr<CTexture>();
    textures_.clear();
    indexBuffer_ = CSharedPtr<CIndexBuffer>();
    vertexBuffer_ = CSharedPtr<CVertexBuffer>();
    device_ = CSharedPtr<CRenderDevice>();
}

// ---- Kind table ----

int CCapsManager::AnimationIndexOf(int kind) {
    int index = -1;
    if (kind < 0)
        return -1;
    if (kind < kFirstMemoryKind)
        index = kind;
    else if (kind < kDarkOffset)
        index = kind - 12;
    else if (kind < kSteelKind)
        index = kind - kDarkOffset;
    else
        index = 7;
    return index < CCapAnimation::kRecordCount ? index : -1;
}

int CCapsManager::SpriteTextureIndexOf(int kind) {
    if (kind < 0)
        return -1;
    if (kind < kFirstMemoryKind || kind >= kSteelKind)
        return caps::kCapsTexture;
    if (kind < kDarkOffset)
        return caps::kMemoryTexture + (kind - kFirstMemoryKind) / 3;
    return caps::kDarkTexture;
}

int CCapsManager::LightTextureIndexOf(int kind) {
    if (kind < 0)
        return -1;
    if (kind >= kFirstMemoryKind && kind < kDarkOffset)
        return caps::kMemoryLightTexture + (kind - kFirstMemoryKind) / 3;
    return caps::kLightTexture;
}

bool CCapsManager::IsDrawableKind(int kind) {
    // Every kind with an animation record also has both of its textures.
    return AnimationIndexOf(kind) >= 0;
}

CSharedPtr<CTexture> CCapsManager::GetCapsTexture(int index) const {
    if (index < 0 || index >= static_cast<int>(textures_.size()))
        return CSharedPtr<CTexture>();
    return textures_[static_cast<size_t>(index)];
}

CSharedPtr<CTexture> CCapsManager::SpriteTextureFor(int kind) const {
    return GetCapsTexture(SpriteTextureIndexOf(kind));
}

CSharedPtr<CTexture> CCapsManager::LightTextureFor(int kind) const {
    return GetCapsTexture(LightTextureIndexOf(kind));
}

void CCapsManager::PickTextures(CCapSprite& sprite) const {
    sprite.SpriteTexture = SpriteTextureFor(sprite.Kind);
    sprite.LightTexture = LightTextureFor(sprite.Kind);
}

const CCapAnimation* CCapsManager::GetAnimation(int index) const {
    if (index < 0 || index >= static_cast<int>(animations_.size()))
        return nullptr;
    return &animations_[static_cast<size_t>(index)];
}

const CCapFrame* CCapsManager::FrameOf(const CCapSprite& sprite) const {
    const CCapAnimation* record = GetAnimation(AnimationIndexOf(sprite.Kind));
    return record ? record->FrameAt(sprite.TrackPosition) : nullptr;
}

// ---- Sprites ----

void CCapsManager::CreateCap(CSharedPtr<CCapSprite>& out, int kind, float x, float y, float z,
                             float halfSize, int layer) {
    CSharedPtr<CCapSprite> sprite(new CCapSprite);
    sprite->X = x;
    sprite->Y = y;
    sprite->Z = z;
    sprite->SavePosition();
    sprite->HalfSize = halfSize;
    sprite->Kind = kind;
    sprite->Layer = layer;
    PickTextures(*sprite);
    InsertSprite(sprite);
    out = sprite;
}

int CCapsManager::FindSprite(const CSharedPtr<CCapSprite>& sprite) const {
    for (size_t i = 0; i < drawList_.size(); ++i)
        if (SameSprite(drawList_[i], sprite))
            return static_cast<int>(i);
    return -1;
}

int CCapsManager::ReleaseCap(CSharedPtr<CCapSprite> sprite) {
    const int i = FindSprite(sprite);
    if (i >= 0)
        drawList_.erase(drawList_.begin() + i);
    return i;
}

int CCapsManager::InsertSprite(CSharedPtr<CCapSprite> sprite) {
    // An empty handle has no layer to be ordered by; it is never listed.
    if (sprite.IsNull())
        return -1;
    const CCapSprite& s = *sprite;
    for (size_t i = 0; i < drawList_.size(); ++i) {
        const CSharedPtr<CCapSprite>& entry = drawList_[i];
        if (entry.IsNull())
            continue;
        if (entry->Layer < s.Layer ||
            (entry->Layer == s.Layer && SameTexture(entry->SpriteTexture, s.SpriteTexture))) {
            drawList_.insert(drawList_.begin() + static_cast<std::ptrdiff_t>(i), sprite);
            return static_cast<int>(i);
        }
    }
    drawList_.push_back(sprite);
    return static_cast<int>(drawList_.size() - 1);
}

void CCapsManager::ResortSprite(const CSharedPtr<CCapSprite>& sprite) {
    if (sprite.IsNull())
        return;
    int i = FindSprite(sprite);
    if (i < 0)
        return;
    const CCapSprite& s = *sprite;
    const int n = static_cast<int>(drawList_.size());
    auto layerAt = [this](int k, int fallback) {
        const CSharedPtr<CCapSprite>& e = drawList_[static_cast<size_t>(k)];
        return e.IsNull() ? fallback : e->Layer;
    };
    auto swapAt = [this](int a, int b) {
        std::swap(drawList_[static_cast<size_t>(a)], drawList_[static_cast<size_t>(b)]);
    };

    // Into its layer's run: over lower layers towards the front, under higher
    // layers towards the back.
    while (i > 0 && layerAt(i - 1, s.Layer) < s.Layer) {
        swapAt(i - 1, i);
        --i;
    }
    while (i + 1 < n && layerAt(i + 1, s.Layer) > s.Layer) {
        swapAt(i, i + 1);
        ++i;
    }

    // Next to a sprite of its layer with the same texture: behind the nearest one
    // in front of it, else in front of the nearest one behind it.
    auto sameRun = [&](int k) {
        const CSharedPtr<CCapSprite>& e = drawList_[static_cast<size_t>(k)];
        return !e.IsNull() && e->Layer == s.Layer;
    };
    auto sameTexture = [&](int k) {
        return SameTexture(drawList_[static_cast<size_t>(k)]->SpriteTexture, s.SpriteTexture);
    };
    for (int k = i - 1; k >= 0 && sameRun(k); --k) {
        if (sameTexture(k)) {
            // Move from i to k + 1: rotate the entries between one step back.
            std::rotate(drawList_.begin() + (k + 1), drawList_.begin() + i,
                        drawList_.begin() + (i + 1));
            return;
        }
    }
    int k = i + 1;
    for (; k < n && sameRun(k); ++k) {
        if (sameTexture(k))
            break;
    }
    // Just before k: the nearest sprite with its texture behind it, or, when its
    // layer has none, the end of the layer's run, so that it never splits the
    // run of another texture.
    std::rotate(drawList_.begin() + i, drawList_.begin() + (i + 1), drawList_.begin() + k);
}

void CCapsManager::SetDark(CSharedPtr<CCapSprite> sprite, bool on) {
    if (sprite.IsNull())
        return;
    CCapSprite& s = *sprite;
    // Only the token pictures of "Caps.png" have dark twins; steel and the memory
    // pictures stay as they are either way.
    if (on && s.Kind >= 0 && s.Kind < kFirstMemoryKind)
        s.Kind += kDarkOffset;
    else if (!on && s.Kind >= kDarkOffset && s.Kind < kSteelKind)
        s.Kind -= kDarkOffset;
    else
        return;
    PickTextures(s);
    ResortSprite(sprite);
}

void CCapsManager::SetKind(const CSharedPtr<CCapSprite>& sprite, int kind) {
    if (sprite.IsNull())
        return;
    sprite->Kind = kind;
    PickTextures(*sprite);
    ResortSprite(sprite);
}

void CCapsManager::ClearSprites() {
    drawList_.clear();
}
