#include "bonuses/BonusFlash.h"

#include <algorithm>
#include <cmath>

#include "bonuses/BonusParametres.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/SpriteCrackKeeper.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/Random.h"
#include "totems/BoardGrid.h"

using namespace bonusdraw;

namespace {

// One picture cell of the sheet per variant, in a 2 by 2 grid.
constexpr float kCellU = 0.34375f, kCellV = 0.359375f;
// Spark frames: a strip of eight along the bottom of the sheet.
constexpr float kSparkV0 = 0.734375f, kSparkV1 = 0.984375f;
constexpr float kSparkPivotX = 0.0625f, kSparkPivotY = -0.390625f;
// A spark changes its frame with this probability per second (times dt).
constexpr float kSparkFlicker = 30.0f;
constexpr uint32_t kHalfWhite = 0x80FFFFFFu;
constexpr uint32_t kBoltColour = 0xFF4040FFu;
// The burst: a 6 by 6 grid of pieces falling out of the picture.
constexpr int32_t kBurstGrid = 6;
constexpr int32_t kBurstCapacity = 40;
constexpr int32_t kBoltCapacity = 40;
constexpr int32_t kBoltsPerStrike = 4;

} // namespace

CBonusFlash::CBonusFlash() {
    Kind = kFlash;
    Extra.reserve(5);
}

CBonusFlash::~CBonusFlash() {
    RemoveHeldSprites();
}

int32_t CBonusFlash::Variant() const {
    return std::clamp(Param, 0, 3);
}

void CBonusFlash::SetTextures(const CBonusHandles& handles) {
    Layers.Take(handles, BoardLayers);
    SheetTexture = handles.Texture(0);
    GlowTexture = handles.Texture(1);
    BoltTexture = handles.Texture(2);
    BoltGlowTexture = handles.Texture(3);
}

void CBonusFlash::PictureCell(float& left, float& top, float& right, float& bottom) const {
    const int32_t v = Variant();
    left = kCellU * static_cast<float>(v & 1);
    top = kCellV * static_cast<float>(v >> 1);
    right = left + kCellU;
    bottom = top + kCellV;
}

void CBonusFlash::Init() {
    LaidOutSize = Size;
    State = kStill;
    Scale = Size / ReferenceSize();
    const CBonusParametres::FlashSection& p = g_bonusParams.Flash;
    const float s = Scale;
    const float x = Pos[0], y = Pos[1], z = Pos[2] - 0.5f;

    RemoveHeldSprites();
    Extra.clear();

    float l, t, r, b;
    PictureCell(l, t, r, b);
    Main[0] = MakeSprite(x, y, z, kPictureWidth * s, kPictureHeight * s, kWhite, SheetTexture);
    Main[0]->SetFrameRect(0, l, t, r, b);
    Main[0]->Key = ZOrder - 2;

    Main[1] = MakeSprite(x, y, z, kGlowSize * s, kGlowSize * s, kHalfWhite, SheetTexture);
    Main[1]->SetFrameRect(0, 0.6953125f, 0.3203125f, 0.9921875f, 0.6171875f);
    Main[1]->SetBlend(1, CSpriteQuad::BlendAdd);
    Main[1]->Key = ZOrder - 1;

    Main[2] = MakeSprite(x, y, z, kGlowSize * s, kGlowSize * s, kHalfWhite, SheetTexture);
    Main[2]->SetFrameRect(0, 0.6953125f, 0.0078125f, 0.9921875f, 0.3046875f);
    Main[2]->SetBlend(1, CSpriteQuad::BlendMultiply);
    Main[2]->Key = ZOrder;

    Sprite core = MakeSprite(x, y, z, p.CoreSize * s, p.CoreSize * s, p.Intensity, SheetTexture);
    core->SetFrameRect(0, 0.875f, 0.625f, 0.96875f, 0.71875f);
    core->SetBlend(1, CSpriteQuad::BlendAdd);
    core->Key = ZOrder - 1;
    Extra.push_back(core);

    const int32_t sparks = Variant() + 1;
    for (int32_t i = 0; i < sparks; ++i) {
        Sprite spark = MakeSprite(x, y, z, p.BoltWidth * s, p.Radius * s * kSparkStretch,
                                  p.Intensity, SheetTexture);
        spark->SetFrameRect(0, 0.0f, kSparkV0, 0.125f, kSparkV1);
        for (int32_t k = 1; k < kSparkFrames; ++k)
            spark->AddFrame(0.125f * static_cast<float>(k), kSparkV0,
                            0.125f * static_cast<float>(k + 1), kSparkV1);
        spark->SetBlend(1, CSpriteQuad::BlendAdd);
        spark->Key = ZOrder - 1;
        // Pivoted so that the spark reaches out from the centre.
        spark->PivotX = kSparkPivotX;
        spark->PivotY = kSparkPivotY;
        spark->SetRotation(RandomAngle());
        spark->SpinOn = 1;
        const float speed = (1.25f - RandomFloat() * 0.5f) * p.W;
        spark->SpinSpeed = RandomFloat() >= 0.5f ? speed : -speed;
        Extra.push_back(spark);
    }
    AddHeldSprites();
}

void CBonusFlash::ScaleSprites(float factor, int32_t sparksOnly) {
    const CBonusParametres::FlashSection& p = g_bonusParams.Flash;
    const float s = Scale * factor;
    if (!sparksOnly) {
        if (!Main[0].IsNull())
            Main[0]->SetScale(kPictureWidth * s, kPictureHeight * s);
        for (int i = 1; i < 3; ++i)
            if (!Main[i].IsNull())
                Main[i]->SetScale(kGlowSize * s, kGlowSize * s);
        if (!Extra.empty() && !Extra[0].IsNull())
            Extra[0]->SetScale(p.CoreSize * s, p.CoreSize * s);
    }
    for (size_t i = 1; i < Extra.size(); ++i)
        if (!Extra[i].IsNull())
            Extra[i]->SetScale(p.BoltWidth * s, p.Radius * s * kSparkStretch);
}

void CBonusFlash::SetAlpha(float alpha) {
    ForEachSprite([&](Sprite& s) { s->SetAlpha(alpha); });
}

void CBonusFlash::PlaceSprites() {
    const CVector3 at(Pos[0], Pos[1], Pos[2] - 0.5f);
    ForEachSprite([&](Sprite& s) { s->Position = at; });
}

int32_t CBonusFlash::Update(float dt) {
    if (!Visible)
        return 1;
    // Fired, or a pop that has ended: only the queued events keep it.
    if (State == kFinished)
        return Events.empty() ? 0 : 1;
    Age += dt;

    for (size_t i = 1; i < Extra.size(); ++i) {
        if (Extra[i].IsNull() || !(RandomFloat() < dt * kSparkFlicker))
            continue;
        Extra[i]->CurrentFrame = std::clamp(
            static_cast<int32_t>(std::floor(RandomFloat() * kSparkFrames)), 0, kSparkFrames - 1);
    }

    bool ended = false;
    CBonusRamp ramp;
    if (InBaseMotion()) {
        ended = AdvanceMotion(dt);
        ramp = MotionRamp();
        SetAlpha(ramp.Alpha);
        ScaleSprites(ramp.Scale, 0);
        LaidOutSize = Size;
    } else {
        // Resized while standing (Place, SetSize): lay the picture out again.
        ScaleSprites(1.0f, LaidOutSize == Size ? 1 : 0);
        LaidOutSize = Size;
    }
    PlaceSprites();

    if (ended) {
        const int32_t result = EndMotion();
        if (result == 0)
            return 0;
        if (State == kPlaced) {
            ScaleSprites(ramp.Scale, 0);
            SetAlpha(ramp.Alpha);
            PlaceSprites();
        }
    }
    return 1;
}

void CBonusFlash::Fire() {
    if (Dead)
        return;
    Dead = 1;
    State = kFinished;
    PopEnded = 0;

    for (auto& s : Main)
        Expire(s, kFiredSpriteLife);
    for (auto& s : Extra)
        Expire(s, kFiredSpriteLife);
    Extra.clear();

    AddBurst();
    AddGlows();

    const CBoardGrid& grid = g_boardGrid;
    const int32_t v = Variant();
    if (v != 1)
        AddBolt(Pos[0], grid.originY, true);
    if (v == 3)
        AddBolt(Pos[0], grid.originY - grid.totalHeight, true);
    if (v >= 1) {
        AddBolt(grid.originX, Pos[1], false);
        AddBolt(grid.originX + grid.totalWidth, Pos[1], false);
    }

    QueueEvent(CBonusEvent::kFlashFired, Param);
    for (const CFlashCell& cell : StruckCells(v, Column, Row, grid.columns, grid.rows))
        QueueEvent(CBonusEvent::kDestroyCell, Param, cell.Column, cell.Row);
}

void CBonusFlash::AddBurst() {
    if (Layers.Current.Particles.IsNull())
        return;
    float l, t, r, b;
    PictureCell(l, t, r, b);
    CSharedPtr<CSpriteCrackKeeper> keeper(new CSpriteCrackKeeper());
    keeper->SetParameters(kPictureWidth * Scale, kPictureHeight * Scale, l, t, r, b, kBurstGrid,
                          kBurstGrid, 0.25f);
    keeper->Floor = -400.0f;
    keeper->Gravity = 2500.0f;
    keeper->Speed = 500.0f;
    keeper->SpeedSpread = 150.0f;
    keeper->BuildPieces();
    CCollection2Parametres block(Pos[0], Pos[1], Pos[2], nullptr,
                                 CSharedPtr<CCollection2Keeper>(keeper), 2);
    block.KeeperEmission = 1;
    Layers.Current.Particles->AddCollection(block, kBurstCapacity, SheetTexture);
}

void CBonusFlash::AddGlows() {
    if (Layers.Current.Quads.IsNull())
        return;
    const float life = g_bonusParams.Flash.LifeTime;
    const CBoardGrid& grid = g_boardGrid;
    for (int i = 0; i < 2; ++i) {
        CSharedPtr<CQuad> glow(new CQuad(Pos[0], Pos[1], Pos[2] - 20.0f, GlowTexture, kBoltColour));
        glow->SetScale(2.0f * grid.cellWidth, 2.0f * grid.cellHeight);
        glow->FadeInTime = 0.1f * life;
        glow->HoldEnd = life;
        glow->FadeOutTime = 0.5f * life;
        glow->StartRotation(RandomAngle(), kTwoPi, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
        Layers.Current.Quads->Add(glow);
    }
}

void CBonusFlash::AddBolt(float ex, float ey, bool vertical) {
    const float life = g_bonusParams.Flash.LifeTime;
    const CBoardGrid& grid = g_boardGrid;
    const float x = Pos[0], y = Pos[1], z = Pos[2];
    // Vertical bolts spread sideways, horizontal ones up and down.
    const float ax = vertical ? 1.0f : 0.0f, ay = vertical ? 0.0f : 1.0f;
    const float k = vertical ? grid.cellWidth : grid.cellHeight;

    if (!Layers.Current.Particles.IsNull()) {
        const float segments = std::floor(EffectFactor * 8.0f);
        const int32_t n =
            std::isfinite(segments) ? static_cast<int32_t>(std::clamp(segments, 1.0f, 8.0f)) : 1;
        CThunderboltParametres block(x, y, z, ax, ay, 0.0f, 0.0f, 0.0f, 1.0f, k * 0.125f, 0.5f,
                                     k * 0.25f, ex, ey, z, ax, ay, 0.0f, 0.0f, 0.0f, 1.0f,
                                     k * 0.125f, 0.5f, k * 0.25f, n, kBoltsPerStrike, kBoltColour);
        block.Size = 8.0f;
        block.EmissionDuration = life;
        Layers.Current.Particles->AddThunderbolt(block, kBoltCapacity, BoltTexture);
    }

    if (!Layers.Current.Quads.IsNull()) {
        const float length = vertical ? std::fabs(ey - y) : std::fabs(ex - x);
        CSharedPtr<CQuad> glow(
            new CQuad(0.5f * (x + ex), 0.5f * (y + ey), z, BoltGlowTexture, kBoltColour));
        if (vertical)
            glow->SetScale(2.0f * grid.cellWidth, length + 2.0f * grid.cellHeight);
        else
            glow->SetScale(length + 2.0f * grid.cellWidth, 2.0f * grid.cellHeight);
        glow->FadeInTime = 0.1f * life;
        glow->HoldEnd = life;
        glow->FadeOutTime = 0.5f * life;
        Layers.Current.Quads->Add(glow);
    }
}

std::vector<CFlashCell> CBonusFlash::StruckCells(int32_t variant, int32_t column, int32_t row,
                                                 int32_t columns, int32_t rows) {
    std::vector<CFlashCell> cells;
    // A bonus that belongs to no cell of the board strikes nothing.
    if (column < 0 || column >= columns || row < 0 || row >= rows)
        return cells;
    if (variant == 0) {
        cells.push_back(CFlashCell{column, row});
    } else {
        for (int32_t c = 0; c < columns; ++c)
            cells.push_back(CFlashCell{c, row});
    }
    if (variant != 1) {
        for (int32_t r = row - 1; r >= 0; --r)
            cells.push_back(CFlashCell{column, r});
    }
    if (variant == 3) {
        for (int32_t r = row + 1; r < rows; ++r)
            cells.push_back(CFlashCell{column, r});
    }
    return cells;
}
