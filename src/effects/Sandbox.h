#pragma once
// The sand of the quest field's sand box: a row of columns, each holding a sand
// height from 0 (empty) to 1 (full), and the grains still in the air. Landed
// sand spreads, flows towards column 0, levels itself to a slope limit and drains
// while the level runs. When the box fills up the play field switches it to
// frenzy mode: the box stays full and drains at a fixed rate, and landed grains
// raise a frenzy progress instead of adding sand. Update reports one of four
// states, which the play field turns into game events.
#include <cstdint>
#include <vector>

// A grain of sand on its way into the box.
struct SandDrop {
    float TimeLeft = 0.0f;  // seconds until it lands
    float Column = 0.0f;    // fractional column index where it lands (any value)
    float Amount = 0.0f;    // sand carried, in units of the whole box
};

class CSandbox {
public:
    enum SandMode : int32_t { kNormal = 0, kFrenzy = 1 };
    enum SandState : int32_t { kNothing = 0, kEmpty = 1, kFull = 2, kFrenzyComplete = 3 };

    // The level file gives the column count; it is kept within these bounds.
    static constexpr int32_t kMinColumns = 2;
    static constexpr int32_t kMaxColumns = 1024;
    // Levelling ends after this many passes even if a pass still changed something.
    static constexpr int32_t kMaxSmoothPasses = 4096;

    CSandbox();

    // 64 columns, the default rates, then Reset.
    void SetDefaults();
    // Sets the column count (kept within kMinColumns..kMaxColumns) and empties
    // both profiles. Grains, mode, state and frenzy progress stay.
    void SetColumns(int32_t n);
    // Normal mode, empty profiles, no progress, no grains. Running, the rates and
    // the column count stay.
    void Reset();
    // On: frenzy mode at the given progress with a full box. Off: normal mode with
    // an empty box; the progress keeps its value.
    void SetFrenzy(int32_t on, double progress);
    // Puts sand into the profile at once, centred at a fractional column; only as
    // much as the box still has room for.
    void AddSand(double amount, double position);
    // Grains, draining, flow, levelling and the display profile; sets State.
    void Update(float dt);
    // Levels every pair of neighbours to at most the slope limit; keeps the total.
    void SmoothSlopes();
    double GetMeanLevel() const;

    int32_t GetColumnCount() const { return columns_; }

    int32_t Mode = kNormal;
    int32_t State = kNothing;
    // Draining happens only while set.
    int32_t Running = 0;

    double SlopeLimit = 0.25;
    // Normal mode: share of the whole box drained per second while running.
    double DrainRate = 0.04;
    // Share of a column's sand that flows into its lower neighbour per second.
    double FlowRate = 5.0;
    // Frenzy mode: fall of the level per second while running.
    double FrenzyDrainRate = 0.1;
    // Frenzy mode: progress per unit of landed sand.
    double FrenzyGain = 0.1;
    // How fast the display profile follows the profile, per second.
    double DisplaySpeed = 5.0;

    // True sand heights, and the heights drawn (which trail them); both hold one
    // entry per column.
    std::vector<double> Profile;
    std::vector<double> DisplayProfile;
    double MeanLevel = 0.0;
    double FrenzyProgress = 0.0;
    // Grains in the air, in the order they were thrown.
    std::vector<SandDrop> Grains;

private:
    void UpdateNormal(float dt);
    void UpdateFrenzy(float dt);
    // Pours `excess` into the nearest columns that are not full, outward from the
    // two cursors; what finds no room is lost.
    void Spread(double excess, int32_t left, int32_t right);

    int32_t columns_ = 64;
    double columnsD_ = 64.0;
    double columnFraction_ = 1.0 / 64.0;
};
