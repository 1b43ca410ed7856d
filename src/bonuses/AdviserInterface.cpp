#include "bonuses/AdviserInterface.h"

void CAdviserInterface::AddTime(int32_t on, float seconds) {
    if (on == 0) {
        TimeLeft = 0.0f;
        HintPoints.clear();
        return;
    }
    if (State == 0) {
        TimeLeft = 0.0f;
        RefreshClock = 0.0f;
        State = 1;
    }
    TimeLeft += seconds;
}

int32_t CAdviserInterface::Update(float dt) {
    if (State == 0)
        return kIdle;
    if (TimeLeft > 0.0f) {
        TimeLeft -= dt;
        if (TimeLeft <= 0.0f) {
            ReleaseSprites();
            return kClosed;
        }
    } else {
        ReleaseSprites();
        return kClosed;
    }
    RefreshClock += dt;
    if (RefreshClock >= kRefreshPeriod) {
        RefreshClock = 0.0f;
        return kRefresh;
    }
    return kActive;
}

void CAdviserInterface::ShowHint(const std::vector<CAdviserPoint>& points) {
    HintPoints = points;
}

void CAdviserInterface::ReleaseSprites() {
    State = 0;
    TimeLeft = 0.0f;
    HintPoints.clear();
}
