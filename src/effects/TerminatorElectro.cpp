#include "effects/TerminatorElectro.h"

#include <cmath>

#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/SimpleSpriteSystemKeeper.h"
#include "effects/SpriteCrackKeeper.h"
#include "engine/Quad.h"
#include "engine/QuadLayer.h"
#include "engine/Random.h"
#include "playfield/Cap.h"
#include "playfield/CapList.h"

namespace {

constexpr float kTwoPi = 6.2831855f;
// The glow holds until the finish fades it.
constexpr float kHoldForever = 1000000.0f;
constexpr float kGlowFadeOut = 0.05f;
// Bolt ends sit a little in front of their caps.
constexpr float kBoltLift = 20.0f;
constexpr int32_t kBoltSegments = 4;
constexpr int32_t kBoltStrands = 2;
// Chain pieces and shards fall until well below the board.
constexpr float kPieceFloor = -400.0f;

// floor(r * count), kept within 0..count-1 (count > 0).
size_t PickIndex(float r, size_t count) {
    const float v = std::floor(r * static_cast<float>(count));
    if (!(v > 0.0f))
        return 0;
    const auto i = static_cast<size_t>(v);
    return i < count ? i : count - 1;
}

// The cap of index i, null when i names no cap.
const CCap* TokenAt(const std::vector<CSharedPtr<CCap>>& tokens, int64_t i) {
    if (i < 0 || static_cast<size_t>(i) >= tokens.size())
        return nullptr;
    const CSharedPtr<CCap>& t = tokens[static_cast<size_t>(i)];
    return t.IsNull() ? nullptr : t.Get();
}

} // namespace

// ---- CTerminatorBolt ----

CTerminatorBolt::~CTerminatorBolt() {
    if (!System.IsNull())
        System->EndEmission();
}

void CTerminatorBolt::EndPoints(CVector3& p1, CVector3& d1, CVector3& p2, CVector3& d2) const {
    const float c1 = std::cos(Angle1), s1 = std::sin(Angle1);
    const float c2 = std::cos(Angle2), s2 = std::sin(Angle2);
    p1 = {Centre1.X + Radius1 * c1, Centre1.Y + Radius1 * s1, Centre1.Z - kBoltLift};
    d1 = {-s1, c1, 0.0f};
    p2 = {Centre2.X + Radius2 * c2, Centre2.Y + Radius2 * s2, Centre2.Z - kBoltLift};
    d2 = {-s2, c2, 0.0f};
}

// ---- CTerminatorElectro ----

CTerminatorElectro::CTerminatorElectro(int32_t kind, float effectsLevel, CCapList* capList,
                                       CSharedPtr<CParticleSystemsManager> particles,
                                       CSharedPtr<CQuadLayer> glowLayer,
                                       CSharedPtr<CQuadLayer> sparkLayer,
                                       CSharedPtr<CSpriteLayer> spriteLayer, int32_t fast)
    : CTerminator(kind, effectsLevel, capList, particles, glowLayer, sparkLayer, spriteLayer,
                  fast) {
    Bolts.reserve(32);
    GlowQuads.reserve(8);
}

CTerminatorElectro::~CTerminatorElectro() {
    for (const CSharedPtr<CQuad>& q : GlowQuads)
        if (!q.IsNull())
            q->BeginFadeOut();
    GlowQuads.clear();
    Bolts.clear();
}

void CTerminatorElectro::Init(CSharedPtr<CCap> token, int32_t mode) {
    CTerminator::Init(token, mode);
    BoltTarget = BoltsPerToken * static_cast<int32_t>(Tokens.size());
}

int32_t CTerminatorElectro::Update(float dt) {
    const float limit = Duration();
    Time += dt;
    if (!(Time >= 0.0f))
        return 1;
    if (Time >= limit) {
        Finish();
        return 0;
    }
    Step(dt, limit);
    return 1;
}

void CTerminatorElectro::Step(float dt, float limit) {
    if (GlowQuads.empty())
        MakeGlow(limit);
    MoveBolts(dt);
    AddBolts();
    MakeSparks(dt);
}

void CTerminatorElectro::MakeGlow(float limit) {
    if (GlowLayer.IsNull())
        return;
    for (const CSharedPtr<CCap>& token : Tokens) {
        if (token.IsNull())
            continue;
        const CVector3 at = TokenPosition(*token);
        const float edge = token->Size * GlowScale;
        CSharedPtr<CQuad> quad(new CQuad(at.X, at.Y, at.Z, GlowTexture, GlowColour));
        quad->SetScale(edge, edge);
        quad->FadeInTime = limit * 0.25f;
        quad->FadeOutTime = kGlowFadeOut;
        quad->HoldEnd = kHoldForever;
        GlowLayer->Add(quad);
        GlowQuads.push_back(quad);
    }
}

void CTerminatorElectro::MoveBolts(float dt) {
    size_t j = 0;
    while (j < Bolts.size()) {
        CTerminatorBolt& bolt = *Bolts[j];
        bolt.Age += dt;
        if (bolt.Age >= bolt.Life) {
            Bolts.erase(Bolts.begin() + static_cast<std::ptrdiff_t>(j));
            continue;
        }
        bolt.Angle1 += bolt.AngularSpeed1 * dt;
        bolt.Angle2 += bolt.AngularSpeed2 * dt;
        if (!bolt.System.IsNull()) {
            CVector3 p1, d1, p2, d2;
            bolt.EndPoints(p1, d1, p2, d2);
            bolt.System->Reaim(p1.X, p1.Y, p1.Z, d1.X, d1.Y, d1.Z, bolt.Width1, p2.X, p2.Y, p2.Z,
                               d2.X, d2.Y, d2.Z, bolt.Width2);
        }
        ++j;
    }
}

void CTerminatorElectro::AddBolts() {
    // Without caps there is nothing to run over, and without a manager nothing
    // to draw with.
    if (Tokens.empty() || Particles.IsNull())
        return;
    const int64_t n = static_cast<int64_t>(BoltTarget) - static_cast<int64_t>(Bolts.size());
    for (int64_t k = 0; k < n; ++k) {
        int64_t ia = -1, ib = -1;
        if (!Group.Links.empty() && RandomFloat() < 0.5f) {
            const CMatchLink& link = Group.Links[PickIndex(RandomFloat(), Group.Links.size())];
            ia = link.I;
            ib = link.J;
        } else if (!Group.Cells.empty()) {
            ia = ib = static_cast<int64_t>(PickIndex(RandomFloat(), Group.Cells.size()));
        }
        // A link or cell that names no cap of this terminator makes no bolt.
        const CCap* a = TokenAt(Tokens, ia);
        const CCap* b = TokenAt(Tokens, ib);
        if (!a || !b)
            continue;

        CSharedPtr<CTerminatorBolt> bolt(new CTerminatorBolt());
        CTerminatorBolt& t = *bolt;
        t.Life = (1.5f - RandomFloat()) * BoltLifeFactor;
        t.Angle1 = RandomFloat() * kTwoPi;
        t.Angle2 = RandomFloat() * kTwoPi;
        t.AngularSpeed1 = (RandomFloat() + 0.1f) * kTwoPi;
        t.AngularSpeed2 = (RandomFloat() + 0.1f) * kTwoPi;
        t.Centre1 = TokenPosition(*a);
        t.Centre2 = TokenPosition(*b);
        t.Width1 = (1.5f - RandomFloat()) * a->Size * BoltWidthFactor;
        t.Width2 = (1.5f - RandomFloat()) * b->Size * BoltWidthFactor;
        t.Radius1 = a->Size * 0.75f;
        t.Radius2 = b->Size * 0.75f;

        CVector3 p1, d1, p2, d2;
        t.EndPoints(p1, d1, p2, d2);
        CThunderboltParametres block(p1.X, p1.Y, p1.Z, d1.X, d1.Y, d1.Z, 0.0f, 0.0f, 1.0f,
                                     t.Width1, 0.5f, t.Width1 * 0.5f, p2.X, p2.Y, p2.Z, d2.X, d2.Y,
                                     d2.Z, 0.0f, 0.0f, 1.0f, t.Width2, 0.5f, t.Width2 * 0.5f,
                                     kBoltSegments, kBoltStrands, BoltColour);
        block.EmissionDuration = kHoldForever;
        block.Size = a->Size * 0.2f;
        t.System = Particles->AddThunderbolt(block, kBoltCapacity, BoltTexture);
        Bolts.push_back(bolt);
    }
}

int32_t CTerminatorElectro::DueSparks(float dt) {
    SparkAccumulator += dt;
    if (!(SparkPeriod > 0.0f) || !(SparkAccumulator >= SparkPeriod))
        return 0;
    const float due = std::floor(SparkAccumulator / SparkPeriod);
    if (!(due < static_cast<float>(kMaxSparksPerStep))) {
        // A step far longer than a frame: the sparks it owes are dropped.
        SparkAccumulator = std::fmod(SparkAccumulator, SparkPeriod);
        return kMaxSparksPerStep;
    }
    SparkAccumulator -= due * SparkPeriod;
    return static_cast<int32_t>(due);
}

void CTerminatorElectro::MakeSparks(float dt) {
    if (SparkLayer.IsNull())
        return;
    // One accumulator for the terminator: every chained cap adds the frame's
    // time to it in turn, so a group of several chained caps sparkles faster.
    for (const CSharedPtr<CCap>& token : Tokens) {
        if (token.IsNull() || token->LockCount <= 0)
            continue;
        const int32_t chains = token->LockCount;
        const int32_t m = DueSparks(dt);
        const CVector3 at = TokenPosition(*token);
        for (int32_t i = 0; i < m; ++i) {
            if (chains > 1)
                DiagonalSpark(at, token->Size);
            RingSpark(at, token->Size);
        }
    }
}

void CTerminatorElectro::RingSpark(const CVector3& at, float size) {
    const float t = RandomFloat() * kTwoPi;
    const float q = (RandomFloat() * 8.0f + 24.0f) * size / kReferenceSize;
    AddSpark(at.X + q * std::cos(t), at.Y + q * std::sin(t), at.Z, size);
}

void CTerminatorElectro::DiagonalSpark(const CVector3& at, float size) {
    // Along the cap's diagonal from upper left to lower right, a little off it.
    const float s = RandomFloat();
    const float e = 2.0f * (RandomFloat() - 0.5f);
    const float k = size / kReferenceSize;
    const float ox = (-22.0f + 42.0f * s + 8.0f * e) * k;
    const float oy = (22.0f - 42.0f * s + 8.0f * e) * k;
    AddSpark(at.X + ox, at.Y + oy, at.Z, size);
}

void CTerminatorElectro::AddSpark(float x, float y, float z, float size) {
    CSharedPtr<CQuad> quad(new CQuad(x, y, z, SparkTexture, SparkColour));
    const float edge = size * SparkScale;
    quad->SetScale(edge, edge);
    quad->SetTexRect(kSparkRect[0], kSparkRect[1], kSparkRect[2], kSparkRect[3]);
    quad->HoldEnd = SparkHold;
    quad->FadeInTime = SparkHold * 0.25f;
    quad->FadeOutTime = SparkHold * 0.25f;
    SparkLayer->Add(quad);
}

void CTerminatorElectro::Finish() {
    for (const CSharedPtr<CQuad>& q : GlowQuads)
        if (!q.IsNull())
            q->BeginFadeOut();
    GlowQuads.clear();
    Bolts.clear();

    for (size_t i = 0; i < Tokens.size(); ++i) {
        const CSharedPtr<CCap> token = Tokens[i];
        if (token.IsNull())
            continue;
        const int32_t chains = token->LockCount;
        const int32_t mode = ModeOf(i);
        const CVector3 at = TokenPosition(*token);
        if (chains != 0 && mode != kTerminatorDestroy) {
            // The cap keeps its place and loses one chain, or all of them.
            BurstChains(at, token->Size, chains);
            token->SetValue(mode == kTerminatorBreakAll ? 0 : chains - 1);
            token->State = CBoardElement::kAtRest;
            token->Landed = 1;
        } else {
            Shatter(*token, at);
            if (CapList)
                CapList->Remove(token);
        }
    }
}

void CTerminatorElectro::BurstChains(const CVector3& at, float size, int32_t chains) {
    if (Particles.IsNull())
        return;
    auto common = [](CSimpleSpriteSystemKeeper& k) {
        k.SetParameters(16, 40.0f, 40.0f, 0.0f);
        k.Floor = kPieceFloor;
        k.Width = 32.0f;
        k.Height = 32.0f;
        k.WidthSpread = 0.0f;
        k.HeightSpread = 8.0f;
        k.Gravity = 2000.0f;
        k.Speed = 500.0f;
        k.SpeedSpread = 150.0f;
    };
    auto launch = [&](const CSharedPtr<CSimpleSpriteSystemKeeper>& keeper) {
        CCollection2Parametres block(at.X, at.Y, at.Z, nullptr,
                                     CSharedPtr<CCollection2Keeper>(keeper), 2);
        block.KeeperEmission = 1;
        Particles->AddCollection(block, kChainBurstCapacity, ChainTexture);
    };

    // A ring of chain links flying out of the cap.
    CSharedPtr<CSimpleSpriteSystemKeeper> ring(new CSimpleSpriteSystemKeeper());
    common(*ring);
    ring->SetFrameRect(0, 0.71875f, 0.0f, 0.828125f, 0.21875f);
    ring->GenerateRing(size * 30.0f / kReferenceSize, 19, 0.0f);
    launch(ring);

    if (chains > 1) {
        // The second chain lies across the cap: the same link turned a quarter,
        // laid along the diagonal.
        CSharedPtr<CSimpleSpriteSystemKeeper> line(new CSimpleSpriteSystemKeeper());
        common(*line);
        line->SetFrameCorners(0, 0.828125f, 0.0f, 0.828125f, 0.21875f, 0.71875f, 0.21875f,
                              0.71875f, 0.0f);
        const float d = size * 22.0f / kReferenceSize;
        line->GenerateLine(-d, d, 0.0f, d, -d, 0.0f, 5);
        launch(line);
    }
}

void CTerminatorElectro::Shatter(const CCap& cap, const CVector3& at) {
    if (Particles.IsNull())
        return;
    // Rows 0..7 of the caps picture; anything else (steel) uses the last row.
    const int32_t row = cap.Colour >= 0 && cap.Colour <= 7 ? cap.Colour : 7;
    float rect[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    if (CapList)
        CapList->GetCapFrame(row, rect);

    CSharedPtr<CSpriteCrackKeeper> keeper(new CSpriteCrackKeeper());
    keeper->SetParameters(cap.Size * 2.0f, cap.Size * 2.0f, rect[0], rect[1], rect[2], rect[3], 6,
                          6, 0.25f);
    keeper->Floor = kPieceFloor;
    keeper->Gravity = 2500.0f;
    keeper->Speed = 300.0f;
    keeper->SpeedSpread = 150.0f;
    keeper->BuildPieces();
    CCollection2Parametres block(at.X, at.Y, at.Z, nullptr, CSharedPtr<CCollection2Keeper>(keeper),
                                 2);
    block.KeeperEmission = 1;
    Particles->AddCollection(block, kShatterCapacity, TokenTexture);
}
