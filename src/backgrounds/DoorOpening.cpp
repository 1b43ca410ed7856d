// The Door backdrop's stage decorations and, once the stage is complete, the
// door opening: a flare blazes up, the picture's closed door gives way to its
// pieces, and the leaf sinks into the floor, cut by the floor line.
#include <algorithm>

#include "audio/SoundBank.h"
#include "backgrounds/BackdropKit.h"
#include "backgrounds/DoorBackground.h"
#include "effects/ParticleParametres.h"
#include "effects/ParticleSystem.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/SandKeepers.h"
#include "engine/Random.h"
#include "engine/SpriteLayer.h"

using namespace backdrop;

namespace {

// Where the door's pieces lie in the 512 x 1024 foliage sheet (texels).
constexpr float kSheetW = 512.0f, kSheetH = 1024.0f;
constexpr float kDoorwayTexels[4] = {2.0f, 714.0f, 168.0f, 978.0f};
constexpr float kLeafU = 170.0f, kShadeU = 340.0f, kLeafV = 712.0f;
// The picture shows the doorway with this margin round the cut-out.
constexpr float kCutOutMargin = 8.0f;
// Draw-order keys: the doorway behind the leaf, its shade over it, and the
// cut-out of the closed door in front of all three.
constexpr int32_t kDoorwayKey = 99, kLeafKey = 98, kShadeKey = 97, kCutOutKey = 95;
// A shrinking stage takes the door away at once.
constexpr float kQuickFadeSpeed = 20.0f, kQuickFadeLife = 0.05f;
// The sand: grains of a stream and puffs of its dust, emitted "for ever"
// until the stream is ended.
constexpr int32_t kSandGrains = 80, kSandPuffs = 200;
constexpr float kEndless = 10000000.0f, kDustEmission = 100.0f, kDustSpeed = 2.0f;
constexpr int32_t kAlphaBlend = 2;
constexpr float kSandDepth = 10.0f;

} // namespace

void CDoorBackground::SetStage(int32_t count, int32_t flag) {
    const size_t had = Elements.GemSprites.size();
    const CStageElements::Change change = Elements.SetStage(count, flag);
    if (change.Added && change.ReachedMax)
        AddDoor();
    if (Elements.GemSprites.size() < had) {
        RetireDoor();
        EndSand();
    }
    Elements.CelebrateIfWon(change);
}

void CDoorBackground::AddDoor() {
    // The door's flare waits, unlit, until the door opens.
    if (!Elements.AddFinalFlare())
        return;

    const float x = DoorCorner[0] + 0.5f * kScreenWidth;
    const float y = 0.5f * kScreenHeight - DoorCorner[1];
    const float m = kCutOutMargin;
    CutOut = MakeSprite(DoorCentre[0] + kOffsetX, DoorCentre[1] + kOffsetY, kDepth,
                        DoorSize[0] + 2 * m, DoorSize[1] + 2 * m, 0xFFFFFFFFu, Picture);
    CutOut->SetFrameRect(0, (x - m) / kPictureTexels, (y - m) / kPictureTexels,
                         (x + DoorSize[0] + m) / kPictureTexels,
                         (y + DoorSize[1] + m) / kPictureTexels);
    CutOut->PassTag = kPassBehind;
    CutOut->Key = kCutOutKey;
    CutOut->FadeSpeed = 1.0f / DoorPreTime;
    Show(Layer, CutOut);

    ClipQuad(0.0f);
    LeafShade = MakeSprite(kOffsetX, kOffsetY, kDepth, 1.0f, 1.0f, 0xFFFFFFFFu, Foliage);
    LeafShade->SetBlend(1, CSpriteQuad::BlendMultiply);
    LeafShade->Key = kShadeKey;
    Leaf = MakeSprite(kOffsetX, kOffsetY, kDepth, 1.0f, 1.0f, 0xFFFFFFFFu, Foliage);
    Leaf->Key = kLeafKey;
    for (CSpriteQuad* s : {LeafShade.Get(), Leaf.Get()})
        s->PassTag = kPassBehind;
    ShapeLeaf();
    Show(Layer, LeafShade);
    Show(Layer, Leaf);

    Doorway = MakeSprite(DoorCentre[0] + kOffsetX, DoorCentre[1] + kOffsetY, kDepth, DoorInner[0],
                         DoorInner[1], 0xFFFFFFFFu, Foliage);
    Doorway->SetFrameRect(0, kDoorwayTexels[0] / kSheetW, kDoorwayTexels[1] / kSheetH,
                          kDoorwayTexels[2] / kSheetW, kDoorwayTexels[3] / kSheetH);
    Doorway->PassTag = kPassBehind;
    Doorway->Key = kDoorwayKey;
    Show(Layer, Doorway);
}

void CDoorBackground::ShapeLeaf() {
    const CTexCoord* p = LeafPolygon;
    CTexCoord corners[4], leaf[4], shade[4];
    for (int k = 0; k < 4; ++k) {
        corners[k] = {DoorCorner[0] + p[k].U, DoorCorner[1] - p[k].V};
        shade[k] = {(kShadeU + p[k].U) / kSheetW, (kLeafV + p[k].V) / kSheetH};
        leaf[k].U = (kLeafU + p[k].U) / kSheetW;
    }
    // The leaf's picture rides down with its top edge.
    leaf[0].V = leaf[1].V = kLeafV / kSheetH;
    leaf[2].V = (kLeafV + p[2].V - p[1].V) / kSheetH;
    leaf[3].V = (kLeafV + p[3].V - p[0].V) / kSheetH;
    if (!LeafShade.IsNull()) {
        LeafShade->SetFrameCorners(0, shade);
        LeafShade->SetCorners(corners);
    }
    if (!Leaf.IsNull()) {
        Leaf->SetFrameCorners(0, leaf);
        Leaf->SetCorners(corners);
    }
}

void CDoorBackground::ClipQuad(float fraction) {
    const float W = DoorSize[0], d = DoorSize[1] * fraction;
    const float b0 = DoorBottom[0], b1 = DoorBottom[1];
    CTexCoord* P = LeafPolygon;
    if (b0 == b1) {
        if (d < b0) {
            P[0] = {0, d};
            P[1] = {W, d};
            P[2] = {W, b0};
            P[3] = {0, b0};
        } else {
            P[0] = P[3] = {0, b0};
            P[1] = P[2] = {W, b0};
        }
        return;
    }
    const float bmax = std::max(b0, b1), bmin = std::min(b0, b1);
    if (d >= bmax) {
        const CTexCoord end = b0 > b1 ? CTexCoord{0, b0} : CTexCoord{W, b1};
        std::fill(P, P + 4, end);
    } else if (d >= bmin) {
        // The top edge has passed the floor's higher end: what is left lies
        // beside the lower end.
        if (b0 > b1) {
            const float xc = W * (1.0f - (d - b1) / (b0 - b1));
            P[0] = {0, d};
            P[1] = {xc, d};
            P[2] = {xc, b0};
            P[3] = {0, b0};
        } else {
            const float xc = W * (d - b0) / (b1 - b0);
            P[0] = {xc, d};
            P[1] = {W, d};
            P[2] = {W, b1};
            P[3] = {xc, b1};
        }
    } else {
        P[0] = {0, d};
        P[1] = {W, d};
        P[2] = {W, b1};
        P[3] = {0, b0};
    }
}

void CDoorBackground::UpdateDoor(float dt) {
    int32_t& state = Elements.SlotStateAt(kDoorSlot);
    float& timer = Elements.SlotTimerAt(kDoorSlot);
    switch (state) {
    case kDoorBlaze:
        timer += dt;
        if (timer >= Elements.NewFlareTime) {
            state = kDoorReveal;
            timer = 0.0f;
            if (!CutOut.IsNull())
                CutOut->FadeTo(0.0f);
            if (UseSand)
                StartSand();
        }
        break;
    case kDoorReveal:
        timer += dt;
        if (timer >= DoorPreTime) {
            state = kDoorSinking;
            timer = 0.0f;
        }
        break;
    case kDoorSinking: {
        timer += dt;
        float fraction = timer / DoorOpenTime;
        if (timer >= DoorOpenTime) {
            state = kDoorIdle;
            timer = 0.0f;
            fraction = 1.0f;
            EndSand();
        }
        ClipQuad(fraction);
        ShapeLeaf();
        if (SandStreams.size() < 2)
            break;
        // The streams ride down on the leaf's top corners until it passes
        // below the sand's upper level.
        const float top = DoorCorner[1] - LeafPolygon[0].V;
        if (std::max(SandLevel[0], SandLevel[1]) < top) {
            SandStreams[0]->Position.Y = top + SandShift[0][1] + kOffsetY;
            SandStreams[1]->Position.Y =
                DoorCorner[1] - LeafPolygon[1].V + SandShift[1][1] + kOffsetY;
        } else {
            EndSand();
        }
        break;
    }
    default:
        break;
    }
}

void CDoorBackground::StartSand() {
    if (Particles.IsNull())
        return;
    const float floor = std::min(SandLevel[0], SandLevel[1]);
    for (int e = 0; e < 2; ++e) {
        const float x = kOffsetX + DoorCorner[0] + (e == 0 ? 0.0f : DoorSize[0]) + SandShift[e][0];
        const float y = kOffsetY + DoorCorner[1] + SandShift[e][1];
        const float z = kDepth - kSandDepth;
        CSharedPtr<CSandKeeper> keeper(new CSandKeeper());
        keeper->BurstCount = 1;
        keeper->Rate = 40.0f;
        keeper->Width = keeper->Height = 8.0f + 4.0f * RandomFloat();
        keeper->Speed = 10.0f;
        keeper->SpeedSpread = 5.0f;
        keeper->Gravity = 300.0f;
        keeper->Colour = SandColour;
        keeper->Floor = floor;
        CCollection2Parametres stream(x, y, z, nullptr, keeper, kAlphaBlend);
        stream.KeeperEmission = 1;
        stream.EmissionDuration = kEndless;
        stream.AlphaScale = static_cast<float>(SandColour >> 24) / 255.0f;
        CSharedPtr<CParticleSystem> system =
            Particles->AddCollection(stream, kSandGrains, SandTexture);
        if (system.IsNull())
            continue;
        CSharedPtr<CDustTrackKeeper> dust(new CDustTrackKeeper(*keeper, system));
        dust->Colour = DustColour;
        dust->Speed = kDustSpeed;
        CCollection2Parametres trail(x, y, z, nullptr, dust, kAlphaBlend);
        trail.KeeperEmission = 1;
        trail.EmissionDuration = kDustEmission;
        trail.AlphaScale = static_cast<float>(DustColour >> 24) / 255.0f;
        Particles->AddCollection(trail, kSandPuffs, CloudTexture);
        SandStreams.push_back(system);
        SandKeepers.push_back(keeper);
    }
}

void CDoorBackground::EndSand() {
    for (auto& s : SandStreams)
        if (!s.IsNull())
            s->EndEmission();
    SandStreams.clear();
    SandKeepers.clear();
}

void CDoorBackground::RetireDoor() {
    for (CSharedPtr<CSpriteQuad>* piece : {&CutOut, &Doorway, &Leaf, &LeafShade}) {
        if ((*piece).IsNull())
            continue;
        (*piece)->FadeSpeed = kQuickFadeSpeed;
        Retire(Layer, *piece, kQuickFadeLife);
        *piece = CSharedPtr<CSpriteQuad>();
    }
}
