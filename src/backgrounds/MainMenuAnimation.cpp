// The main-menu backdrop's per-frame life: the sky scroll, the leaves, the
// foliage ripple, the swinging strands and map, the blinking, speaking face
// and the front branch with its hover.
#include <algorithm>
#include <cmath>

#include "backgrounds/BackdropKit.h"
#include "backgrounds/MainMenuBackground.h"
#include "engine/Random.h"
#include "engine/SpriteQuad.h"

using namespace backdrop;

namespace {

constexpr float kLeafDepth = kDepth - 2.0f;
// Leaves leave the list once their centre is below the screen.
constexpr float kScreenBottom = -0.5f * kScreenHeight;
// The leaf mask spans the left 768 pixels of the screen at full height.
constexpr float kLeafMaskSpan = 768.0f;
// The face's open eyes are held five times longer than the closed ones.
constexpr float kOpenEyesFactor = 0.2f;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// Adds a turn's worth of phase and takes one turn off once it is reached.
void Advance(float& phase, float speed, float dt) {
    phase += speed * dt;
    if (phase >= kTwoPi)
        phase -= kTwoPi;
}

// 2 pi r / frequency, or 0 for a leaf that does not rock or swing.
float StartPhase(float r, float frequency) {
    return frequency != 0.0f ? kTwoPi * r / frequency : 0.0f;
}

} // namespace

CMainMenuBackground::Swing CMainMenuBackground::SwingOf(const float p[4], float ampX, float ampY,
                                                        float w, float h) {
    if (w == 0.0f || h == 0.0f)
        return {0.0f, -0.5f};
    const float len = std::fabs(h);
    // The edge cannot move further sideways than the sides are long.
    const float ox = std::clamp((std::sin(p[0]) + 0.5f * std::sin(p[2])) * ampX, -len, len);
    const float a = (std::sin(p[1]) + 0.5f * std::sin(p[3])) * ampY + h;
    const float s = std::sqrt(std::max(0.0f, h * h - ox * ox));
    return {ox / w, (a - s) / h - 0.5f};
}

void CMainMenuBackground::ApplySwing(CSpriteQuad& sprite, const float phase[4], const float amp[2],
                                     size_t element) {
    const auto& size = ElementSize[element];
    const Swing sw = SwingOf(phase, amp[0], amp[1], size[0], size[1]);
    const CTexCoord corners[4] = {
        {-0.5f, 0.5f}, {0.5f, 0.5f}, {sw.Dx + 0.5f, sw.Dy}, {sw.Dx - 0.5f, sw.Dy}};
    sprite.SetCorners(corners);
}

void CMainMenuBackground::Update(float dt) {
    // 1. The sky strip scrolls (in the steps of the ambient clock) and wraps
    // around the picture.
    const float ambient = Ambient.Tick(dt);
    if (Vertices.size() >= 4) {
        SkyOffset += SkySpeed * ambient;
        if (std::isfinite(SkyOffset))
            SkyOffset -= std::floor(SkyOffset);
        else
            SkyOffset = 0.0f;
        Vertices[0].u0 = Vertices[3].u0 = SkyOffset;
        Vertices[1].u0 = Vertices[2].u0 = SkyTSize[0] + SkyOffset;
    }
    // 2. Leaves drift, rock and swing; those below the screen go.
    for (size_t k = 0; k < Leaves.size();) {
        CMainMenuLeaf& leaf = Leaves[k];
        leaf.X += leaf.VelocityX * dt;
        leaf.Y += leaf.VelocityY * dt;
        if (leaf.Y < kScreenBottom) {
            Leaves.erase(Leaves.begin() + static_cast<std::ptrdiff_t>(k));
            continue;
        }
        Advance(leaf.RockPhase, leaf.RockFrequency, dt);
        leaf.Angle += leaf.RockSpeed * dt * std::sin(leaf.RockPhase);
        Advance(leaf.ArcPhase, leaf.ArcFrequency, dt);
        ++k;
    }
    // 3. At most one new leaf a frame.
    LeafTimer += dt;
    if (LeafTimer > LeafBirthT) {
        LeafTimer -= (0.8f + 0.2f * RandomFloat()) * LeafBirthT;
        if (static_cast<int32_t>(Leaves.size()) < MaxLeaves)
            BirthLeaf();
    }
    // 4.
    UpdateLeaves();
    // 5. The foliage picture ripples under its fixed cells (as the swings
    // below, in the steps of the sway clock).
    const float sway = Sway.Tick(dt);
    if (!CellSprites.empty() && sway > 0.0f)
        RippleFoliage(sway);
    // 6.
    if (ElementSprites.size() >= static_cast<size_t>(kElements))
        AnimateElements(sway, dt);
    // 7.
    if (!FrontSprite.IsNull())
        AnimateFront(sway, dt);
}

void CMainMenuBackground::BirthLeaf() {
    CMainMenuLeaf leaf;
    leaf.X = LeafZone[0] + RandomFloat() * LeafZone[2];
    leaf.Y = LeafZone[1] - RandomFloat() * LeafZone[3];
    const float s = 0.75f + 0.5f * RandomFloat();
    leaf.Side = LeafSize[0] * s;
    leaf.Height = LeafSize[1] * s;
    leaf.Kind =
        std::clamp(static_cast<int32_t>(std::floor(3.0f * RandomFloat())), 0, kLeafKinds - 1);
    leaf.VelocityX = (0.75f + 0.5f * RandomFloat()) * LeafSpeed[0];
    leaf.VelocityY = -(0.75f + 0.5f * RandomFloat()) * LeafSpeed[1];
    leaf.Angle = kTwoPi * RandomFloat();
    leaf.RockSpeed = (0.75f + 0.5f * RandomFloat()) * LeafRotSpeed;
    leaf.RockFrequency = (0.75f + 0.5f * RandomFloat()) * LeafRotW;
    leaf.RockPhase = StartPhase(RandomFloat(), leaf.RockFrequency);
    const float a = 0.75f + 0.5f * RandomFloat();
    leaf.ArcWidth = LeafArcSize[0] * a;
    leaf.ArcDepth = LeafArcSize[1] * a;
    leaf.ArcFrequency = (0.75f + 0.5f * RandomFloat()) * LeafArcW;
    leaf.ArcPhase = StartPhase(RandomFloat(), leaf.ArcFrequency);
    Leaves.push_back(leaf);
}

void CMainMenuBackground::UpdateLeaves() {
    const size_t room = Vertices.size() >= 4 ? (Vertices.size() - 4) / 4 : 0;
    const size_t n = std::min(Leaves.size(), room);
    for (size_t k = 0; k < n; ++k) {
        const CMainMenuLeaf& leaf = Leaves[k];
        const float b = (std::sin(leaf.ArcPhase) + 1.0f) * 0.5f * kPi;
        const float cx = leaf.X + 0.5f * leaf.ArcWidth * std::cos(b);
        const float cy = leaf.Y - leaf.ArcDepth * std::sin(b);
        const float c = leaf.Side * std::cos(leaf.Angle), s = leaf.Side * std::sin(leaf.Angle);
        float px[4], py[4];
        px[0] = cx - 0.5f * c - 0.5f * s;
        py[0] = cy - 0.5f * s + 0.5f * c;
        px[1] = px[0] + c;
        py[1] = py[0] + s;
        px[2] = px[1] + s;
        py[2] = py[1] - c;
        px[3] = px[2] - c;
        py[3] = py[2] - s;
        const float* r = LeafRect[leaf.Kind];
        const float u[4] = {r[0], r[2], r[2], r[0]}, v[4] = {r[1], r[1], r[3], r[3]};
        gpu::Vertex* out = &Vertices[4 + 4 * k];
        for (int i = 0; i < 4; ++i)
            out[i] = {px[i] + Offset[0],
                      py[i] + Offset[1],
                      kLeafDepth,
                      kWhite,
                      u[i],
                      v[i],
                      (px[i] + 0.5f * kScreenWidth) / kLeafMaskSpan,
                      (0.5f * kScreenHeight - py[i]) / kLeafMaskSpan};
    }
}

void CMainMenuBackground::WriteCellFrame(size_t j, size_t i) {
    const size_t nc = static_cast<size_t>(FoliageCells[0]);
    const float tcw = FoliageTForm[2] / static_cast<float>(FoliageCells[0]);
    const float tch = FoliageTForm[3] / static_cast<float>(FoliageCells[1]);
    // Neighbouring cells share their nodes, so the ripple has no seams.
    auto node = [&](size_t row, size_t col) {
        const auto& p = NodePhase[row][col];
        return CTexCoord{
            FoliageTForm[0] + static_cast<float>(col) * tcw + FoliageNoise[0] * std::sin(p[0]),
            FoliageTForm[1] + static_cast<float>(row) * tch + FoliageNoise[1] * std::sin(p[1])};
    };
    const CTexCoord corners[4] = {node(j, i), node(j, i + 1), node(j + 1, i + 1), node(j + 1, i)};
    CellSprites[j * nc + i]->SetFrameCorners(0, corners);
}

void CMainMenuBackground::RippleFoliage(float dt) {
    for (size_t j = 0; j < NodePhase.size(); ++j)
        for (size_t i = 0; i < NodePhase[j].size(); ++i) {
            Advance(NodePhase[j][i][0], NodeFrequency[j][i][0], dt);
            Advance(NodePhase[j][i][1], NodeFrequency[j][i][1], dt);
        }
    const size_t nc = static_cast<size_t>(FoliageCells[0]),
                 nr = static_cast<size_t>(FoliageCells[1]);
    for (size_t j = 0; j < nr; ++j)
        for (size_t i = 0; i < nc; ++i)
            WriteCellFrame(j, i);
}

void CMainMenuBackground::AnimateElements(float sway, float dt) {
    for (int i = 0; i < 4; ++i)
        Advance(MapPhase[i], MapW[i], sway);
    ApplySwing(*ElementSprites[kMap], MapPhase, MapDisp, kMap);
    const int32_t strands[2] = {kHair0, kHair1};
    for (int s = 0; s < 2; ++s) {
        for (int i = 0; i < 4; ++i)
            Advance(StrandPhase[s][i], StrandFrequency[s][i], sway);
        ApplySwing(*ElementSprites[static_cast<size_t>(strands[s])], StrandPhase[s], HairDisp,
                   static_cast<size_t>(strands[s]));
    }
    Blink(dt);
}

void CMainMenuBackground::Blink(float dt) {
    int32_t& eyes = ElementSprites[kEyes]->CurrentFrame;
    int32_t& lips = ElementSprites[kLips]->CurrentFrame;
    const float f = eyes == 0 ? kOpenEyesFactor : 1.0f;
    if (RandomFloat() < EyeProbability * dt * f) {
        eyes = eyes == 0 ? 1 : 0;
        if (eyes == 0) {
            if (lips == 2) {
                lips = 1;
                LipsTimer = 0.0f;
            } else {
                lips = 0;
            }
        } else if (lips == 0) {
            lips = 1;
            LipsTimer = 0.0f;
        }
        return;
    }
    if (eyes == 0) {
        if (lips != 0) {
            LipsTimer += dt;
            if (LipsTimer >= LipsMinTime)
                lips = 0;
        }
    } else if (RandomFloat() < LipsProbability * dt) {
        lips = 3 - lips;
    }
}

void CMainMenuBackground::AnimateFront(float sway, float dt) {
    const float rates[5] = {FrontMoveW[0], FrontMoveW[1], FrontSkewW[0], FrontSkewW[1], FrontRockW};
    for (int i = 0; i < 5; ++i)
        Advance(FrontPhase[i], rates[i], sway);
    float x = FrontCentre[0] - 0.5f + FrontMove[0] * std::sin(FrontPhase[0]);
    float y = FrontCentre[1] + 0.5f + FrontMove[1] * std::sin(FrontPhase[1]);
    const float kx =
        FrontSize[0] != 0.0f ? FrontSkew[0] * std::sin(FrontPhase[2]) / FrontSize[0] : 0.0f;
    const float ky =
        FrontSize[1] != 0.0f ? FrontSkew[1] * std::sin(FrontPhase[3]) / FrontSize[1] : 0.0f;
    float angle = FrontRockAngle * std::sin(FrontPhase[4]);
    bool apply = true;
    if (Hover)
        ShiftAmount = std::min(ShiftAmount + dt / ShiftTime, 1.0f);
    else if (ShiftAmount > 0.0f)
        ShiftAmount = std::max(ShiftAmount - dt / ShiftTime, 0.0f);
    else
        apply = false;
    if (apply) {
        x += Shift[0] * ShiftAmount;
        y += Shift[1] * ShiftAmount;
        angle += ShiftAngle * ShiftAmount;
    }
    CSpriteQuad& s = *FrontSprite;
    const float step = kFrontFadeSpeed * dt;
    FrontAlpha = FrontShown ? std::min(FrontAlpha + step, 1.0f) : std::max(FrontAlpha - step, 0.0f);
    s.SetAlpha(FrontAlpha);
    s.Position = CVector3(x, y, FrontCentre[2]);
    const CTexCoord corners[4] = {{kx - 0.5f, ky + 0.5f},
                                  {kx + 0.5f, ky + 0.5f},
                                  {0.5f - kx, -0.5f - ky},
                                  {-0.5f - kx, -0.5f - ky}};
    s.SetCorners(corners);
    s.SetRotation(angle);
}
