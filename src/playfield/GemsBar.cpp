#include "playfield/GemsBar.h"

#include <algorithm>

#include "engine/IniHelpers.h"
#include "engine/SpriteLayer.h"
#include "engine/SpriteQuad.h"
#include "engine/Texture.h"

namespace {

// Tint of a shown gem per token colour: green, yellow, red, blue, orange, white, violet.
constexpr uint32_t kGemTints[CGemsBar::kColours] = {0xFF40E040u, 0xFFFFE040u, 0xFFFF4040u,
                                                    0xFF4080FFu, 0xFFFF9030u, 0xFFFFFFFFu,
                                                    0xFFC060FFu};

int32_t ClampColour(int32_t colour) { return std::clamp(colour, 0, CGemsBar::kColours - 1); }

} // namespace

CGemsBar::CGemsBar() = default;

CGemsBar::~CGemsBar() {
    if (!Layer.IsNull())
        for (Shown& s : Sprites)
            Layer->Remove(s.Sprite);
}

void CGemsBar::LoadLayout(std::string_view skinPath) {
    GetIniFloat2(FirstSlot, skinPath, "GemsBar", "FirstSlot", "-300 -72");
    GetIniFloat2(ColumnStep, skinPath, "GemsBar", "ColumnStep", "0 -84");
    GetIniFloat2(SlotStep, skinPath, "GemsBar", "SlotStep", "-16 0");
    Depth = GetIniFloat(skinPath, "GemsBar", "Depth", "-1");
    GemSize = GetIniFloat(skinPath, "GemsBar", "GemSize", "28");
    Slots = GetIniIntClamped(skinPath, "GemsBar", "Slots", "9", 2, 1000);
    PlaceSprites();
}

void CGemsBar::SetDisplay(CSharedPtr<CSpriteLayer> layer, CSharedPtr<CTexture> texture) {
    if (!Layer.IsNull())
        for (Shown& s : Sprites)
            Layer->Remove(s.Sprite);
    Sprites.clear();
    Layer = layer;
    Texture = texture;
    // Gems collected so far get their sprites now.
    if (Layer.IsNull())
        return;
    for (int32_t c = 0; c < kColours; ++c)
        for (int32_t slot = 0; slot < Counts[static_cast<size_t>(c)]; ++slot) {
            Shown s{CSharedPtr<CSpriteQuad>(new CSpriteQuad(0.0f, 0.0f, 0.0f, GemSize, GemSize,
                                                            kGemTints[c], Texture, 1)),
                    c, slot};
            Layer->Add(s.Sprite);
            Sprites.push_back(s);
        }
    PlaceSprites();
}

void CGemsBar::Place(float x, float y, float z) {
    Position[0] = x;
    Position[1] = y;
    Position[2] = z;
    PlaceSprites();
}

void CGemsBar::Update(float dt) {
    Fade.Update(dt);
    for (Shown& s : Sprites)
        s.Sprite->SetAlpha(Fade.Shown ? Fade.Level : 0.0f);
}

void CGemsBar::Start(int32_t on, float speed) { Fade.Set(on, speed); }

void CGemsBar::Reset() {
    Counts.fill(0);
    if (!Layer.IsNull())
        for (Shown& s : Sprites)
            Layer->Remove(s.Sprite);
    Sprites.clear();
}

void CGemsBar::AddGem(int32_t colour) {
    if (colour < 0 || colour >= kColours)
        return;
    const int32_t slot = Counts[static_cast<size_t>(colour)]++;
    if (Layer.IsNull())
        return;
    Shown s{CSharedPtr<CSpriteQuad>(new CSpriteQuad(0.0f, 0.0f, 0.0f, GemSize, GemSize,
                                                    kGemTints[colour], Texture, 1)),
            colour, slot};
    s.Sprite->SetAlpha(Fade.Shown ? Fade.Level : 0.0f);
    Layer->Add(s.Sprite);
    Sprites.push_back(s);
    PlaceSprites();
}

void CGemsBar::SlotPoint(float out[3], int32_t colour, int32_t slot, int32_t filled) const {
    const auto c = static_cast<float>(colour);
    auto s = static_cast<float>(slot);
    // More gems than the groove holds: the same length, shared among them all.
    if (filled > Slots)
        s *= static_cast<float>(Slots - 1) / static_cast<float>(filled - 1);
    out[0] = Position[0] + FirstSlot[0] + c * ColumnStep[0] + s * SlotStep[0];
    out[1] = Position[1] + FirstSlot[1] + c * ColumnStep[1] + s * SlotStep[1];
    out[2] = Position[2] + Depth;
}

void CGemsBar::GemTarget(float out[3], int32_t colour, int32_t ordinal) const {
    const int32_t c = ClampColour(colour);
    const int32_t slot = Counts[static_cast<size_t>(c)] + std::max(ordinal, 1) - 1;
    SlotPoint(out, c, slot, slot + 1);
}

int32_t CGemsBar::Collected(int32_t colour) const {
    if (colour < 0 || colour >= kColours)
        return 0;
    return Counts[static_cast<size_t>(colour)];
}

int32_t CGemsBar::TotalCollected() const {
    int32_t n = 0;
    for (int32_t c : Counts)
        n += c;
    return n;
}

void CGemsBar::PlaceSprites() {
    for (Shown& s : Sprites) {
        float p[3];
        SlotPoint(p, s.Colour, s.Slot, Counts[static_cast<size_t>(s.Colour)]);
        s.Sprite->Position = CVector3(p[0], p[1], p[2]);
        s.Sprite->SetScale(GemSize, GemSize);
    }
}
