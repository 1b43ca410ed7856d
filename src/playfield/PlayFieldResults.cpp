// The won pieces of the card challenges break on the field: the Attention
// challenge's token cup, the Reaction challenge's caught card and every matched
// card of a solved Memory board shatter, throw sand and dust, drop sand into
// the sand box and leave the board.
#include <algorithm>

#include "audio/SoundBank.h"
#include "effects/DuneEffect.h"
#include "effects/ParticleSystemsManager.h"
#include "effects/SandKeepers.h"
#include "effects/Sandbox.h"
#include "effects/SpriteCrackKeeper.h"
#include "engine/PlayFieldStore.h"
#include "playfield/BlinkerGame.h"
#include "playfield/CapsManager.h"
#include "playfield/MemoryGame.h"
#include "playfield/PlayField.h"
#include "playfield/ThimblesGame.h"

namespace {

constexpr int32_t kAlphaBlend = 2;
// The sand thrown by a broken piece.
constexpr uint32_t kSandColour = 0xFFF7D96Bu;
constexpr float kFloorWithoutBox = -440.0f;
constexpr int32_t kSandParticles = 40;
constexpr int32_t kDustParticles = 200;
constexpr float kDustOrigin[3] = {-400.0f, 0.0f, 1.0f};
constexpr float kDustSpeed = 2.0f;
constexpr float kDustEmissionTime = 100.0f;
constexpr float kDustAlpha = 0.5f;
// The shatter of a piece: how its parts fly.
constexpr float kCrackJaggedness = 0.25f;
constexpr float kCrackFloor = -400.0f;
constexpr float kCrackGravity = 2500.0f;
constexpr float kCrackSpeed = 300.0f;
constexpr float kCrackSpeedSpread = 150.0f;

// How one kind of piece breaks.
struct BreakStyle {
    int32_t CrackGrid;       // pieces each way
    int32_t CrackParticles;  // capacity of the shatter system
    bool SandOnFirstManager; // the sand burst joins the first particle manager
};

constexpr BreakStyle kSinglePiece{6, 40, false};
constexpr BreakStyle kMemoryCard{4, 20, true};

// The texture rectangle (left, top, right, bottom) of the picture a card shows:
// frame 0 of its picture's animation in the caps manager.
void CardTile(const CPlayField& f, const CGridCell& card, float out[4]) {
    out[0] = 0.0f;
    out[1] = 0.0f;
    out[2] = 1.0f;
    out[3] = 1.0f;
    if (f.CapsManager.IsNull())
        return;
    const int kind =
        card.HighSprite.IsNull() ? CCellGrid::kFirstFaceKind + card.Kind : card.HighSprite->Kind;
    const CCapAnimation* anim = f.CapsManager->GetAnimation(CCapsManager::AnimationIndexOf(kind));
    if (!anim || anim->Frames.empty())
        return;
    const CCapFrame& frame = anim->Frames[0];
    out[0] = frame.Left;
    out[1] = frame.Top;
    out[2] = frame.Right;
    out[3] = frame.Bottom;
}

// The three effects of a breaking piece and its sand. Call it before the card
// leaves its board: its sprites (and picture) go with it.
void BreakPiece(CPlayField& f, const CGridCell& card, float sandAmount, const BreakStyle& style) {
    const float x = card.X, y = card.Y, z = card.Z;
    const float size = card.HalfSize;
    const CSharedPtr<CTexture> picture =
        card.HighSprite.IsNull() ? CSharedPtr<CTexture>() : card.HighSprite->SpriteTexture;

    if (!f.ParticlesA.IsNull()) {
        float tile[4];
        CardTile(f, card, tile);
        CSharedPtr<CSpriteCrackKeeper> crack(new CSpriteCrackKeeper());
        crack->SetParameters(2.0f * size, 2.0f * size, tile[0], tile[1], tile[2], tile[3],
                             style.CrackGrid, style.CrackGrid, kCrackJaggedness);
        crack->Floor = kCrackFloor;
        crack->Gravity = kCrackGravity;
        crack->Speed = kCrackSpeed;
        crack->SpeedSpread = kCrackSpeedSpread;
        crack->BuildPieces();
        CCollection2Parametres shatter(x, y, z, nullptr, crack, kAlphaBlend);
        shatter.KeeperEmission = 1;
        f.ParticlesA->AddCollection(shatter, style.CrackParticles, picture);
    }

    const CSandbox* sandbox = f.Dune.IsNull() ? nullptr : f.Dune->Sandbox.Get();
    CSharedPtr<CSandKeeper> sand(new CSandKeeper());
    sand->Rate = 0.0f;
    sand->Colour = kSandColour;
    sand->Floor = kFloorWithoutBox;
    if (!f.Dune.IsNull())
        sand->Floor = f.Dune->Box().Y - f.Dune->Box().Height;

    const CSharedPtr<CParticleSystemsManager>& sandManager =
        style.SandOnFirstManager ? f.ParticlesA : f.ParticlesB;
    if (!sandManager.IsNull()) {
        const float depth = (f.Store.IsNull() ? z : f.Store->Offset[2]) + 1.0f;
        CCollection2Parametres burst(x, y, depth, nullptr, sand, kAlphaBlend);
        burst.KeeperEmission = 1;
        CSharedPtr<CParticleSystem> system =
            sandManager->AddCollection(burst, kSandParticles, f.Textures[0]);
        if (!system.IsNull() && !f.ParticlesB.IsNull()) {
            CSharedPtr<CDustTrackKeeper> dust(new CDustTrackKeeper(*sand, system));
            dust->Speed = kDustSpeed;
            CCollection2Parametres trail(kDustOrigin[0], kDustOrigin[1], kDustOrigin[2], nullptr,
                                         dust, kAlphaBlend);
            trail.KeeperEmission = 1;
            trail.EmissionDuration = kDustEmissionTime;
            trail.AlphaScale = kDustAlpha;
            f.ParticlesB->AddCollection(trail, kDustParticles, f.Textures[1]);
        }
    }

    if (sandbox && !f.Dune.IsNull())
        f.Dune->DropSand(sandAmount, x, y, z, 0.5f * size, 0.0f, 0.0f, sand->FallSpeedLimit,
                         sand->Gravity);
}

} // namespace

void CPlayField::SpawnThimblesEffects(float sand) {
    if (Thimbles.IsNull())
        return;
    CThimblesGame& game = *Thimbles;
    const CSharedPtr<CGridCell> cup = game.Cup(CThimblesGame::kTokenCup);
    // Only the token cup, once it stands open.
    if (cup.IsNull() || !cup->IsOpen())
        return;
    BreakPiece(*this, *cup, sand, kSinglePiece);
    if (!game.Board.IsNull())
        game.Board->RemoveCell(cup);
    // The entry stays, empty, so the other cups keep their numbers.
    game.Cups[static_cast<size_t>(CThimblesGame::kTokenCup)] = CSharedPtr<CGridCell>();
    PlaySound(ESound::Explode);
}

void CPlayField::SpawnBlinkerEffects(float sand) {
    if (Blinker.IsNull())
        return;
    CBlinkerGame& game = *Blinker;
    for (size_t i = 0; i < game.Cards.size(); ++i) {
        const CSharedPtr<CGridCell> card = game.Cards[i];
        if (card.IsNull() || !card->IsOpen())
            continue;
        BreakPiece(*this, *card, sand, kSinglePiece);
        if (!game.Board.IsNull())
            game.Board->RemoveCell(card);
        game.Cards.erase(game.Cards.begin() + static_cast<std::ptrdiff_t>(i));
        // The open card's number must keep naming the same card, or none.
        const auto removed = static_cast<int32_t>(i);
        if (game.OpenCard == removed)
            game.OpenCard = -1;
        else if (game.OpenCard > removed)
            --game.OpenCard;
        PlaySound(ESound::Explode);
        return;
    }
}

void CPlayField::SpawnMemoryEffects(float sand) {
    if (Memory.IsNull())
        return;
    CMemoryGame& game = *Memory;
    int32_t broken = 0;
    for (size_t r = 0; r < game.Cards.size(); ++r) {
        for (size_t c = 0; c < game.Cards[r].size(); ++c) {
            const CSharedPtr<CGridCell> card = game.Cards[r][c];
            const bool matched =
                r < game.Matched.size() && c < game.Matched[r].size() && game.Matched[r][c] == 1;
            if (card.IsNull() || !matched)
                continue;
            BreakPiece(*this, *card, sand, kMemoryCard);
            if (!game.Board.IsNull())
                game.Board->RemoveCell(card);
            game.Cards[r][c] = CSharedPtr<CGridCell>();
            ++game.BrokenCards;
            ++broken;
        }
    }
    if (broken > 0)
        PlaySound(ESound::Explode);
}
