#include "playfield/CapSlot.h"

#include <cmath>

#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/Texture.h"

namespace {
constexpr float kPulseSpeed = 6.0f;    // radians per second
constexpr float kPulseAmount = 0.06f;  // share of the size
} // namespace

CCapSlot::~CCapSlot() {
    if (!Layer.IsNull() && !Highlight.IsNull())
        Layer->Remove(Highlight);
}

void CCapSlot::SetDisplay(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CTexture> texture,
                          float scale) {
    if (!Layer.IsNull() && !Highlight.IsNull())
        Layer->Remove(Highlight);
    Highlight = CSharedPtr<CSpriteQuad>();
    Layer = layer;
    Texture = texture;
    Scale = scale;
    if (Layer.IsNull())
        return;
    Highlight = CSharedPtr<CSpriteQuad>(
        new CSpriteQuad(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0xFFFFFFFFu, Texture, 1));
    Highlight->SetBlend(1, CSpriteQuad::BlendAdd);
    Highlight->Shown = 0;
    Layer->Add(Highlight);
    ShowHighlight(State == kHolding);
}

void CCapSlot::Select(CSharedPtr<CCap> cap) {
    if (cap.IsNull()) {
        Clear();
        return;
    }
    Cap = cap;
    Colour = cap->Colour;
    State = kHolding;
    Time = 0.0f;
    ShowHighlight(true);
    Update(0.0f);
}

void CCapSlot::Update(float dt) {
    if (State != kHolding || Cap.IsNull())
        return;
    Time += dt;
    if (Highlight.IsNull())
        return;
    const CVector3 p = Cap->DrawnPosition();
    const float size = 2.0f * Cap->Size * Scale *
                       (1.0f + kPulseAmount * std::sin(Time * kPulseSpeed));
    Highlight->Position = CVector3(p.X, p.Y, p.Z - 1.0f);
    Highlight->SetScale(size, size);
}

void CCapSlot::Clear() {
    State = kEmpty;
    Cap = CSharedPtr<CCap>();
    Colour = -1;
    Time = 0.0f;
    ShowHighlight(false);
}

void CCapSlot::ShowHighlight(bool shown) {
    if (Layer.IsNull() || Highlight.IsNull())
        return;
    if ((Highlight->Shown != 0) != shown)
        Layer->SetDynamic(Highlight, shown ? 1 : 0);
}
