#include "platform/gpu/soft/SoftBands.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace gpu {
namespace {

// Rows per band: enough bands for the threads to even out the work of rows
// that cost differently, few enough that set-up repeated per band stays small.
constexpr int32_t kBandRows = 64;
// Rows either side of a triangle's corners it is taken to reach, more than
// the rounding of its set-up can move them.
constexpr double kRowMargin = 2;

} // namespace

SoftBands::SoftBands(uint32_t threads) : setups_(threads ? threads : DefaultCount()) {
    for (uint32_t t = 1; t < Count(); ++t)
        threads_.emplace_back([this, t] { Work(t); });
}

SoftBands::~SoftBands() {
    stop_ = true;
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

uint32_t SoftBands::DefaultCount() {
    // One thread unless asked: measured on the game's scenes, more threads
    // draw a frame sooner but cost more CPU in all (a tenth to a half more),
    // and one holds 60 frames per second in most.
    if (const char* asked = std::getenv("GLORVANE_SOFT_THREADS")) {
        const long n = std::strtol(asked, nullptr, 10);
        if (n >= 1 && n <= 16)
            return static_cast<uint32_t>(n);
    }
    return 1;
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

void SoftBands::Queue(const SoftClipVertex* tris, size_t count, const SoftPixelState& state,
                      const SoftStageTexture stages[kCombinerStages], const Viewport& vp,
                      const SoftTarget& target, uint32_t cull) {
    if (count == 0 || target.clip[0] >= target.clip[2] || target.clip[1] >= target.clip[3])
        return;
    Job job{tris_.size() / 3, count, state, {}, vp, target, cull, true};
    std::copy(stages, stages + kCombinerStages, job.stages);
    if (target.hidden) {
        masks_.push_back(*target.hidden);
        job.target.hidden = &masks_.back();
    }
    tris_.insert(tris_.end(), tris, tris + count * 3);
    // Each triangle's rows and area, from its vertices.
    double top = 1e30, bottom = -1e30;
    for (size_t t = 0; t < count * 3 && job.rowsKnown; ++t)
        job.rowsKnown = tris[t].w > 0;
    for (size_t t = 0; t < count && job.rowsKnown; ++t) {
        double x[3], y[3];
        for (int i = 0; i < 3; ++i) {
            const WindowXY at = ToWindowXY(tris[t * 3 + i], vp);
            x[i] = at.x;
            y[i] = at.y;
        }
        const double lo = std::min({y[0], y[1], y[2]}) - kRowMargin;
        const double hi = std::max({y[0], y[1], y[2]}) + kRowMargin;
        rows_.push_back(static_cast<float>(std::clamp(lo, -1e6, 1e6)));
        rows_.push_back(static_cast<float>(std::clamp(hi, -1e6, 1e6)));
        top = std::min(top, lo);
        bottom = std::max(bottom, hi);
        const double area =
            std::fabs((x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]));
        if (std::isfinite(area)) // (a vertex that is not a number leaves its triangle undrawn)
            area_ += area * 0.5;
    }
    rows_.resize(tris_.size() / 3 * 2);
    if (!job.rowsKnown) {
        // Cut at the eye, it may reach any row of its clip.
        top = target.clip[1];
        bottom = target.clip[3];
        area_ += static_cast<double>(target.clip[2] - target.clip[0]) *
                 (target.clip[3] - target.clip[1]);
    }
    const auto jobTop =
        static_cast<int32_t>(std::clamp<double>(std::floor(top), target.clip[1], target.clip[3]));
    const auto jobBottom = static_cast<int32_t>(
        std::clamp<double>(std::ceil(bottom) + 1, target.clip[1], target.clip[3]));
    if (jobs_.empty()) {
        top_ = jobTop;
        bottom_ = jobBottom;
    } else {
        top_ = std::min(top_, jobTop);
        bottom_ = std::max(bottom_, jobBottom);
    }
    jobs_.push_back(job);
}

void SoftBands::Flush(double minSpread) {
    if (jobs_.empty())
        return;
    const int32_t rows = bottom_ - top_;
    // At least two bands a thread, so that one slow band leaves the others work.
    bandCount_ = static_cast<uint32_t>(std::clamp(
        std::max(rows / kBandRows, static_cast<int32_t>(Count()) * 2), 1, std::clamp(rows, 1, 64)));
    if (Count() < 2 || bandCount_ < 2 || area_ < minSpread) {
        DrawRows(0, top_, bottom_);
    } else {
        nextBand_.store(0, std::memory_order_relaxed);
        running_.store(Count() - 1, std::memory_order_relaxed);
        generation_.fetch_add(1, std::memory_order_release);
        generation_.notify_all();
        DrawBands(0);
        for (uint32_t left = running_.load(std::memory_order_acquire); left != 0;
             left = running_.load(std::memory_order_acquire))
            running_.wait(left, std::memory_order_acquire);
    }
    jobs_.clear();
    tris_.clear();
    rows_.clear();
    masks_.clear();
    area_ = 0;
    ++epoch_;
}

void SoftBands::DrawBands(uint32_t thread) {
    const int64_t rows = bottom_ - top_;
    for (uint32_t b = nextBand_.fetch_add(1, std::memory_order_relaxed); b < bandCount_;
         b = nextBand_.fetch_add(1, std::memory_order_relaxed))
        DrawRows(thread, top_ + static_cast<int32_t>(rows * b / bandCount_),
                 top_ + static_cast<int32_t>(rows * (b + 1) / bandCount_));
}

void SoftBands::DrawRows(uint32_t thread, int32_t top, int32_t bottom) {
    SoftSetup& setup = setups_[thread];
    for (const Job& job : jobs_) {
        SoftTarget target = job.target;
        target.clip[1] = std::max(target.clip[1], top);
        target.clip[3] = std::min(target.clip[3], bottom);
        if (target.clip[1] >= target.clip[3])
            continue;
        SoftPixelState state = job.state; // each triangle writes its samplers here
        const float* rows = &rows_[job.first * 2];
        auto reaches = [&](size_t t) {
            return !job.rowsKnown ||
                   (rows[t * 2] < target.clip[3] && rows[t * 2 + 1] >= target.clip[1]);
        };
        for (size_t t = 0; t < job.count; ++t) {
            const SoftClipVertex* tri = &tris_[(job.first + t) * 3];
            // Quads (two triangles on an edge) drawn whole: a span a row, not two.
            if (t + 1 < job.count && SoftSetup::SharesEdge(tri)) {
                if (reaches(t) || reaches(t + 1))
                    setup.DrawPair(tri, state, job.stages, job.vp, target, job.cull);
                ++t;
            } else if (reaches(t)) {
                setup.DrawTriangle(tri, state, job.stages, job.vp, target, job.cull);
            }
        }
    }
}

void SoftBands::Work(uint32_t thread) {
    uint32_t seen = 0;
    for (;;) {
        generation_.wait(seen, std::memory_order_acquire);
        seen = generation_.load(std::memory_order_acquire);
        if (stop_)
            return;
        DrawBands(thread);
        if (running_.fetch_sub(1, std::memory_order_acq_rel) == 1)
            running_.notify_one();
    }
}

} // namespace gpu
