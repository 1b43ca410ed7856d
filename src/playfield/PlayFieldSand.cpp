// Every cap a removal destroys on the quest board throws a burst of sand with
// a trail of dust, and its share of the group's sand lands in the sand box.
#include <algorithm>

#include "effects/DuneEffect.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/SandKeepers.h"
#include "effects/Sandbox.h"
#include "effects/TerminatorManager.h"
#include "engine/PlayFieldStore.h"
#include "playfield/PlayField.h"
#include "playfield/QuestFieldLayout.h"

namespace {

// Where the grains stop when there is no sand box to fall into.
constexpr float kFloorWithoutBox = -440.0f;
constexpr int32_t kSandParticles = 40;
constexpr int32_t kDustParticles = 200;
// The dust trail: where its system stands (its puffs follow the grains), how
// fast the puffs leave their grain, how long the system may emit and how
// strongly it shows.
constexpr float kDustOrigin[3] = {-400.0f, 0.0f, 1.0f};
constexpr float kDustSpeed = 2.0f;
constexpr float kDustEmissionTime = 100.0f;
constexpr float kDustAlpha = 0.5f;
constexpr int32_t kAlphaBlend = 2;
// The frenzy throws sparkles instead of grains: its picture is one whole star,
// drawn smaller than a grain's sheet cell so that the burst reads as glitter.
constexpr float kSparkleSize = 32.0f;

} // namespace

void CPlayField::DropRemovalSand(int32_t groupIndex, float amount) {
    if (Terminators.IsNull() || groupIndex < 0 ||
        static_cast<size_t>(groupIndex) >= Terminators->Finished.size())
        return;
    const CSharedPtr<CTerminator> handle = Terminators->Finished[static_cast<size_t>(groupIndex)];
    if (handle.IsNull())
        return;
    const CTerminator& group = *handle;
    // A cap destroyed outright throws sand; one that only lost a chain does not.
    const size_t cells =
        std::min({group.Group.Cells.size(), group.RemovalFlags.size(), group.Tokens.size()});
    int32_t throwing = 0;
    for (size_t i = 0; i < cells; ++i)
        if (group.RemovalFlags[i] != 0)
            ++throwing;
    if (throwing == 0)
        return;
    const float share = amount / static_cast<float>(throwing);

    CSandbox* sandbox = Dune.IsNull() ? nullptr : Dune->Sandbox.Get();
    // During the frenzy the grains take the sand box's own colour and look.
    const bool frenzy = sandbox && sandbox->Mode == CSandbox::kFrenzy;
    const float depth = (Store.IsNull() ? 0.0f : Store->Offset[2]) + 1.0f;

    for (size_t i = 0; i < cells; ++i) {
        if (group.RemovalFlags[i] == 0 || group.Tokens[i].IsNull())
            continue;
        const CCap& cap = *group.Tokens[i];
        float x, y;
        if (!cap.Sprite.IsNull()) {
            x = cap.Sprite->X;
            y = cap.Sprite->Y;
        } else {
            x = cap.Position.X + cap.Offset.X;
            y = cap.Position.Y + cap.Offset.Y;
        }

        CSharedPtr<CSandKeeper> sand(new CSandKeeper());
        sand->Rate = 0.0f;
        sand->Colour = frenzy && Layout ? Layout->SandColour : group.GetColourA();
        sand->Floor = kFloorWithoutBox;
        // The sand lands in the box as a grain would, whatever is shown.
        const float landingHalf = sand->Height * 0.5f;
        if (frenzy) {
            sand->PictureCells = 1;
            sand->Width = sand->Height = kSparkleSize;
        }
        if (SandDrop && !Dune.IsNull())
            sand->Floor = Dune->Box().Y - Dune->Box().Height;

        if (!ParticlesB.IsNull()) {
            CCollection2Parametres burst(x, y, depth, nullptr, sand, kAlphaBlend);
            burst.KeeperEmission = 1;
            if (frenzy && Layout)
                burst.AlphaScale = Layout->SandAlpha;
            CSharedPtr<CParticleSystem> system =
                ParticlesB->AddCollection(burst, kSandParticles, Textures[frenzy ? 2 : 0]);

            if (!system.IsNull()) {
                CSharedPtr<CDustTrackKeeper> dust(new CDustTrackKeeper(*sand, system));
                dust->Speed = kDustSpeed;
                CCollection2Parametres trail(kDustOrigin[0], kDustOrigin[1], kDustOrigin[2],
                                             nullptr, dust, kAlphaBlend);
                trail.KeeperEmission = 1;
                trail.EmissionDuration = kDustEmissionTime;
                trail.AlphaScale = kDustAlpha;
                ParticlesB->AddCollection(trail, kDustParticles, Textures[frenzy ? 2 : 1]);
            }
        }

        if (SandDrop && !Dune.IsNull())
            Dune->DropSand(share, x, y, depth, landingHalf, 0.0f, 0.0f, sand->FallSpeedLimit,
                           sand->Gravity);
    }
}
