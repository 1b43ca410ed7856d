#include "platform/gpu/soft/SoftBands.h"

#include <algorithm>
#include <cmath>

namespace gpu {
namespace {

constexpr uint32_t kMaxBands = 4;
// Rows either side of a triangle's corners it is taken to reach, more than
// the rounding of its set-up can move them.
constexpr double kRowMargin = 2;

// The pixels a draw may cover and the rows it and each of its triangles span,
// from its vertices; false when a vertex lies behind the eye (the draw is then
// taken as large, and every band sets up every triangle).
bool Extent(const SoftClipVertex* tris, size_t count, const Viewport& vp, double* area, double* top,
            double* bottom, std::vector<float>& rows) {
    const double hw = vp.width * 0.5, hh = vp.height * 0.5;
    *area = 0;
    *top = 1e30;
    *bottom = -1e30;
    rows.resize(count * 2);
    for (size_t t = 0; t < count; ++t) {
        double x[3], y[3];
        for (int i = 0; i < 3; ++i) {
            const SoftClipVertex& c = tris[t * 3 + i];
            if (!(c.w > 0))
                return false;
            x[i] = c.x / c.w * hw;
            y[i] = vp.y + (1.0 - c.y / c.w) * hh;
        }
        rows[t * 2] = static_cast<float>(std::min({y[0], y[1], y[2]}) - kRowMargin);
        rows[t * 2 + 1] = static_cast<float>(std::max({y[0], y[1], y[2]}) + kRowMargin);
        *top = std::min<double>(*top, rows[t * 2]);
        *bottom = std::max<double>(*bottom, rows[t * 2 + 1]);
        *area += std::fabs((x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0])) * 0.5;
    }
    return true;
}

} // namespace

SoftBands::SoftBands(uint32_t bands) : setups_(bands ? bands : DefaultCount()) {
    for (uint32_t b = 1; b < Count(); ++b)
        threads_.emplace_back([this, b] { Work(b); });
}

SoftBands::~SoftBands() {
    stop_ = true;
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

uint32_t SoftBands::DefaultCount() {
    const uint32_t hw = std::thread::hardware_concurrency();
    return hw < 2 ? 1 : std::min(hw, kMaxBands);
}

uint64_t SoftBands::Pixels() const {
    uint64_t n = 0;
    for (const SoftSetup& s : setups_)
        n += s.Pixels();
    return n;
}

uint64_t SoftBands::HiddenPixels() const {
    uint64_t n = 0;
    for (const SoftSetup& s : setups_)
        n += s.HiddenPixels();
    return n;
}

void SoftBands::Draw(const SoftClipVertex* tris, size_t count, const SoftPixelState& state,
                     const SoftStageTexture stages[kCombinerStages], const Viewport& vp,
                     const SoftTarget& target, uint32_t cull, double minSpread) {
    Job job{tris, count,   &state,         stages,         &vp, &target,
            cull, nullptr, target.clip[1], target.clip[3], 1};
    double area = 0, top = 0, bottom = 0;
    const bool known = Extent(tris, count, vp, &area, &top, &bottom, rows_);
    job.rows = known ? rows_.data() : nullptr;
    if (Count() < 2 || (known && area < minSpread)) {
        DrawBand(0, job);
        return;
    }
    // The bands split the rows the draw spans (a row or two more either side);
    // the outer ones reach the clip's edges, so every row has one band.
    if (known) {
        job.top = static_cast<int32_t>(std::clamp<double>(std::floor(top), job.top, job.bottom));
        job.bottom =
            static_cast<int32_t>(std::clamp<double>(std::ceil(bottom), job.top, job.bottom));
    }
    job.bands =
        std::min<uint32_t>(Count(), static_cast<uint32_t>(std::max(job.bottom - job.top, 1)));
    if (job.bands < 2) {
        job.top = target.clip[1];
        job.bottom = target.clip[3];
        job.bands = 1;
        DrawBand(0, job);
        return;
    }
    job_ = job;
    running_.store(Count() - 1, std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    DrawBand(0, job_);
    for (uint32_t left = running_.load(std::memory_order_acquire); left != 0;
         left = running_.load(std::memory_order_acquire))
        running_.wait(left, std::memory_order_acquire);
}

void SoftBands::DrawBand(uint32_t band, const Job& job) {
    SoftTarget target = *job.target;
    const int64_t rows = job.bottom - job.top;
    target.clip[1] =
        band == 0 ? target.clip[1] : job.top + static_cast<int32_t>(rows * band / job.bands);
    target.clip[3] = band + 1 == job.bands
                         ? target.clip[3]
                         : job.top + static_cast<int32_t>(rows * (band + 1) / job.bands);
    SoftPixelState state = *job.state; // each triangle writes its samplers here
    SoftSetup& setup = setups_[band];
    for (size_t t = 0; t < job.count; ++t)
        if (!job.rows ||
            (job.rows[t * 2] < target.clip[3] && job.rows[t * 2 + 1] >= target.clip[1]))
            setup.DrawTriangle(job.tris + t * 3, state, job.stages, *job.vp, target, job.cull);
}

void SoftBands::Work(uint32_t band) {
    uint32_t seen = 0;
    for (;;) {
        generation_.wait(seen, std::memory_order_acquire);
        seen = generation_.load(std::memory_order_acquire);
        if (stop_)
            return;
        if (band < job_.bands)
            DrawBand(band, job_);
        if (running_.fetch_sub(1, std::memory_order_acq_rel) == 1)
            running_.notify_one();
    }
}

} // namespace gpu
