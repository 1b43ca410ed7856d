#pragma once
// The game object's part around a real play field, reduced to what playing a
// level file needs: the field of the field tests' driver (on the recording back
// end with its removal effects, bonuses, gem bar and selector); the level start (colours, the
// shipped level file, reset); frames at a fixed step on a fixed seed; the
// "no moves" rebuild; and the level bot choosing its swaps from the
// field's own value matrix and move list. Bonuses, chains, steel, gems and
// the gem ceiling are the field's, so this is the real thing but for the
// player's eyes and hands.
#include <cstdint>
#include <memory>
#include <string>

#include "LevelCatalog.h"
#include "LevelSim.h"

class CPlayField;
namespace fieldtest {
class FieldDriver;
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

    // The board as text, a row per line: colour digit or 's', then '*' for a
    // gem, a chain count, or a blank.
    std::string Describe() const;

    CPlayField& Field();

private:
    void Frame(float dt);
    bool Settled();
    bool RunUntilSettled(double& t, double limit);

    std::unique_ptr<fieldtest::FieldDriver> Driver_;
    uint64_t TieState_;
    float ReopenIn_ = 0.0f;
    int32_t NoMoves_ = 0;
    bool Complete_ = false;
    std::string Trouble_;
};

} // namespace levels
