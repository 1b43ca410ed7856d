#pragma once
// The hint display of the play field: while adviser seconds remain it keeps
// hint markers over the cells the field points at and, every refresh period,
// asks the field to look for the hint again. This logic-only version keeps the
// time, the refresh clock and the marker points; the counter window and the
// arrow sprites come with the bonus subsystem's display.
#include <cstdint>
#include <vector>

struct CAdviserPoint {
    float X = 0.0f;
    float Y = 0.0f;
    float Z = 0.0f;
};

class CAdviserInterface {
public:
    enum UpdateResult : int32_t { kRefresh = -1, kActive = 1, kIdle = 2, kClosed = 3 };
    static constexpr float kRefreshPeriod = 0.25f;

    // on != 0: opens the display when idle and adds the seconds; on == 0: the
    // time ends and the markers go.
    void AddTime(int32_t on, float seconds);
    // kIdle while idle; kRefresh when active and the refresh period has passed
    // (the field then shows its hint), kActive otherwise; kClosed on the frame
    // the display closes.
    int32_t Update(float dt);
    // Replaces the markers with these points (x and y compared).
    void ShowHint(const std::vector<CAdviserPoint>& points);
    // Closes the display: state 0, markers removed.
    void ReleaseSprites();

    int32_t State = 0;  // 0 idle, 1 active
    float TimeLeft = 0.0f;
    float RefreshClock = 0.0f;
    float DisplayX = -420.0f;  // x of the counter, where the adviser sound plays
    std::vector<CAdviserPoint> HintPoints;
};
