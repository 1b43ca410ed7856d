#pragma once
// The game object's part around a real play field, reduced to what playing a
// level file needs: the field on the recording back end with its removal
// effects, bonuses, gem bar and selector; the level start (colours, the
// shipped level file, reset); frames at a fixed step on a fixed seed; the
// "no moves" rebuild; and the same bot as LevelSim choosing its swaps from the
// field's own value matrix and move list. Bonuses, chains, steel, gems and
// the gem ceiling are the field's, so this is the real thing but for the
// player's eyes and hands.
#include <cstdint>
#include <memory>
#include <string>

#include "LevelCatalog.h"
#include "LevelSim.h"
#include "engine/SharedPtr.h"

class CCapsManager;
class CPlayField;
class CRenderDevice;
class CTerminatorManager;
struct CFieldMotion;
struct CGameAux;
class CLevelParams;
class CQuestFieldLayout;
namespace gpu {
class Api;
}

namespace levels {

class FieldPlayer {
public:
    // Frames of the field; the player's think time is added without frames.
    static constexpr float kDt = 1.0f / 30.0f;

    explicit FieldPlayer(uint32_t seed);
    ~FieldPlayer();
    FieldPlayer(const FieldPlayer&) = delete;
    FieldPlayer& operator=(const FieldPlayer&) = delete;

    // The level start of the game object with the shipped file of `level`
    // (0: the totem level). LoadLevel's result.
    int32_t Start(const LoadedLevel& level, bool hard);
    // Plays until the level is complete or `secondsLimit` of simulated time.
    SimResult Play(double secondsLimit, const SimTiming& timing = {}, SimBot bot = SimBot::GemAware);
    // Whatever went wrong that the result cannot say (empty when nothing).
    const std::string& Trouble() const { return Trouble_; }

    // The board as LevelSim::Describe writes it.
    std::string Describe() const;

    CPlayField& Field() { return *Field_; }

private:
    void Frame(float dt);
    bool Settled();
    bool RunUntilSettled(double& t, double limit);

    std::string LogPath_;
    std::string SavedLog_;
    gpu::Api* Api_ = nullptr;
    CSharedPtr<CRenderDevice> Device_;
    CSharedPtr<CCapsManager> Caps_;
    std::unique_ptr<CQuestFieldLayout> Layout_;
    std::unique_ptr<CFieldMotion> Motion_;
    std::unique_ptr<CLevelParams> Params_;
    std::unique_ptr<CGameAux> Aux_;
    std::unique_ptr<CPlayField> Field_;
    CSharedPtr<CTerminatorManager> Terminators_;
    uint64_t TieState_;
    float ReopenIn_ = 0.0f;
    int32_t NoMoves_ = 0;
    bool Complete_ = false;
    std::string Trouble_;
};

} // namespace levels
