#include "effects/Sandbox.h"

#include <algorithm>
#include <cmath>

namespace {
// A pair of columns steeper than the limit by no more than this counts as
// levelled: m +/- limit/2 is not exact in floating point.
constexpr double kSlopeTolerance = 1e-9;
// Above this mean level the box counts as full.
constexpr double kFullLevel = 0.99999999;
} // namespace

CSandbox::CSandbox() {
    Grains.reserve(128);
    Running = 0;
    SetDefaults();
}

void CSandbox::SetDefaults() {
    SetColumns(64);
    SlopeLimit = 0.25;
    DrainRate = 0.04;
    FlowRate = 5.0;
    FrenzyDrainRate = 0.1;
    FrenzyGain = 0.1;
    DisplaySpeed = 5.0;
    Reset();
}

void CSandbox::SetColumns(int32_t n) {
    columns_ = std::clamp(n, kMinColumns, kMaxColumns);
    columnsD_ = columns_;
    columnFraction_ = 1.0 / columnsD_;
    Profile.assign(columns_, 0.0);
    DisplayProfile.assign(columns_, 0.0);
    MeanLevel = 0.0;
}

void CSandbox::Reset() {
    Mode = kNormal;
    State = kNothing;
    Profile.assign(columns_, 0.0);
    DisplayProfile.assign(columns_, 0.0);
    MeanLevel = 0.0;
    FrenzyProgress = 0.0;
    Grains.clear();
}

void CSandbox::SetFrenzy(int32_t on, double progress) {
    Profile.resize(columns_);
    DisplayProfile.resize(columns_);
    if (on) {
        FrenzyProgress = progress;
        Mode = kFrenzy;
        std::fill(Profile.begin(), Profile.end(), 1.0);
        std::fill(DisplayProfile.begin(), DisplayProfile.end(), 1.0);
        MeanLevel = 1.0;
    } else {
        Mode = kNormal;
        std::fill(Profile.begin(), Profile.end(), 0.0);
        std::fill(DisplayProfile.begin(), DisplayProfile.end(), 0.0);
        MeanLevel = 0.0;
    }
}

double CSandbox::GetMeanLevel() const {
    double sum = 0.0;
    for (double h : Profile)
        sum += h;
    return sum / columnsD_;
}

void CSandbox::AddSand(double amount, double position) {
    Profile.resize(columns_);
    if (!(amount > 0.0))
        return;
    if (MeanLevel + amount > 1.0)
        amount = 1.0 - MeanLevel;
    if (!(amount > 0.0))
        return;
    if (std::isnan(position))
        position = 0.0;
    std::vector<double>& a = Profile;
    const double total = amount * columnsD_;
    const int32_t last = columns_ - 1;

    if (position > 0.0 && position < last) {
        const int32_t i = static_cast<int32_t>(std::floor(position));
        const int32_t j = i + 1;
        const double f = position - i;
        const double shareI = (1.0 - f) * total;
        const double shareJ = f * total;
        const double room = 2.0 - a[i] - a[j];
        if (room >= total) {
            if (1.0 - a[i] < shareI) {
                a[j] += total - (1.0 - a[i]);
                a[i] = 1.0;
            } else if (1.0 - a[j] < shareJ) {
                a[i] += total - (1.0 - a[j]);
                a[j] = 1.0;
            } else {
                a[i] += shareI;
                a[j] += shareJ;
            }
        } else {
            const double excess = total - room;
            a[i] = a[j] = 1.0;
            Spread(excess, i, j);
        }
    } else {
        const int32_t c = position >= last ? last : 0;
        if (a[c] + total <= 1.0) {
            a[c] += total;
        } else {
            const double excess = total - (1.0 - a[c]);
            a[c] = 1.0;
            Spread(excess, c, c);
        }
    }
    SmoothSlopes();
    MeanLevel = GetMeanLevel();
}

void CSandbox::Spread(double excess, int32_t left, int32_t right) {
    std::vector<double>& a = Profile;
    const int32_t n = columns_;
    while (excess > 0.0) {
        // Cursors stop at -1 and n once outside, so they cannot run away.
        if (left >= 0)
            --left;
        while (left >= 0 && a[left] >= 1.0)
            --left;
        if (right < n)
            ++right;
        while (right < n && a[right] >= 1.0)
            ++right;
        const bool leftIn = left >= 0;
        const bool rightIn = right < n;
        if (!leftIn && !rightIn)
            return; // no room anywhere: the rest is lost
        const double roomL = leftIn ? 1.0 - a[left] : 0.0;
        const double roomR = rightIn ? 1.0 - a[right] : 0.0;
        if (excess <= roomL + roomR) {
            const double half = excess / 2.0;
            if (half > roomL) {
                if (leftIn)
                    a[left] = 1.0;
                if (rightIn)
                    a[right] += excess - roomL;
            } else if (roomR < half) {
                if (rightIn)
                    a[right] = 1.0;
                if (leftIn)
                    a[left] += excess - roomR;
            } else {
                if (leftIn)
                    a[left] += half;
                if (rightIn)
                    a[right] += half;
            }
            return;
        }
        if (leftIn)
            a[left] = 1.0;
        if (rightIn)
            a[right] = 1.0;
        excess -= roomL + roomR;
    }
}

void CSandbox::SmoothSlopes() {
    std::vector<double>& a = Profile;
    const double limit = SlopeLimit;
    const double threshold = limit + kSlopeTolerance;
    const size_t n = a.size();
    if (n < 2)
        return;
    for (int32_t pass = 0; pass < kMaxSmoothPasses; ++pass) {
        bool changed = false;
        for (size_t i = 0; i + 1 < n; ++i) {
            const double diff = std::fabs(a[i] - a[i + 1]);
            if (!(diff > threshold))
                continue;
            const double m = (a[i] + a[i + 1]) / 2.0;
            if (a[i + 1] < a[i]) {
                a[i] = m + limit / 2.0;
                a[i + 1] = m - limit / 2.0;
            } else {
                a[i + 1] = m + limit / 2.0;
                a[i] = m - limit / 2.0;
            }
            changed = true;
        }
        if (!changed)
            return;
    }
}

void CSandbox::Update(float dt) {
    if (!(dt > 0.0f))
        dt = 0.0f;
    if (Profile.size() != static_cast<size_t>(columns_))
        Profile.resize(columns_);
    if (DisplayProfile.size() != static_cast<size_t>(columns_))
        DisplayProfile.resize(columns_);
    if (Mode == kNormal)
        UpdateNormal(dt);
    else if (Mode == kFrenzy)
        UpdateFrenzy(dt);
}

void CSandbox::UpdateNormal(float dt) {
    std::vector<double>& a = Profile;
    const int32_t n = columns_;

    // Landing grains, in the order they were thrown.
    for (size_t g = 0; g < Grains.size();) {
        Grains[g].TimeLeft -= dt;
        if (Grains[g].TimeLeft <= 0.0f) {
            const SandDrop drop = Grains[g];
            Grains.erase(Grains.begin() + static_cast<std::ptrdiff_t>(g));
            AddSand(drop.Amount, drop.Column);
        } else {
            ++g;
        }
    }
    const bool full = MeanLevel > kFullLevel;

    // Draining from column 0, where the sand gathers.
    if (Running) {
        double d = std::min(static_cast<double>(dt) * DrainRate, MeanLevel) * columnsD_;
        for (int32_t c = 0; c < n && d > 0.0; ++c) {
            if (a[c] >= d) {
                a[c] -= d;
                break;
            }
            d -= a[c];
            a[c] = 0.0;
        }
    }

    // Flow towards column 0.
    const double k = std::min(static_cast<double>(dt) * FlowRate, 1.0);
    for (int32_t i = 0; i + 1 < n; ++i) {
        double move = a[i + 1] * k;
        move = std::min(move, 1.0 - a[i]);
        a[i] += move;
        a[i + 1] -= move;
    }

    SmoothSlopes();
    MeanLevel = GetMeanLevel();
    if (MeanLevel == 0.0)
        State = kEmpty;
    else if (full)
        State = kFull;
    else
        State = kNothing;

    const double step = static_cast<double>(dt) * DisplaySpeed;
    for (int32_t c = 0; c < n; ++c) {
        double& shown = DisplayProfile[c];
        if (a[c] > shown)
            shown = std::min(shown + step, a[c]);
        else if (a[c] < shown)
            shown = std::max(shown - step, a[c]);
    }
}

void CSandbox::UpdateFrenzy(float dt) {
    for (size_t g = 0; g < Grains.size();) {
        Grains[g].TimeLeft -= dt;
        if (Grains[g].TimeLeft <= 0.0f) {
            FrenzyProgress += static_cast<double>(Grains[g].Amount) * FrenzyGain;
            Grains.erase(Grains.begin() + static_cast<std::ptrdiff_t>(g));
        } else {
            ++g;
        }
    }
    bool empty = false;
    if (Running) {
        MeanLevel = std::max(MeanLevel - static_cast<double>(dt) * FrenzyDrainRate, 0.0);
        std::fill(Profile.begin(), Profile.end(), MeanLevel);
        std::fill(DisplayProfile.begin(), DisplayProfile.end(), MeanLevel);
        empty = MeanLevel <= 0.0;
    }
    if (FrenzyProgress >= 1.0) {
        FrenzyProgress = 1.0;
        State = kFrenzyComplete;
    } else {
        State = empty ? kEmpty : kNothing;
    }
}
