#include "platform/gpu/soft/SoftBands.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace gpu {
namespace {

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

const SoftJob* SoftBands::Queue(const SoftClipVertex* tris, size_t count, const SoftPixelState& state,
                                const SoftStageTexture stages[kCombinerStages],
                                const Viewport& vp, const SoftTarget& target, uint32_t cull) {
    if (count == 0 || target.clip[0] >= target.clip[2] || target.clip[1] >= target.clip[3])
        return nullptr;
    SoftJob job{tris_.size() / 3, count, state, {}, vp, target, cull, true};
    std::copy(stages, stages + kCombinerStages, job.stages);
    if (target.hidden) {
        masks_.push_back(*target.hidden);
        job.target.hidden = &masks_.back();
    }
    tris_.insert(tris_.end(), tris, tris + count * 3);
    // Each triangle's rows, columns and area, from its vertices.
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
        for (const double v : {lo, hi, std::min({x[0], x[1], x[2]}) - kRowMargin,
                               std::max({x[0], x[1], x[2]}) + kRowMargin})
            reach_.push_back(static_cast<float>(std::clamp(v, -1e6, 1e6)));
        top = std::min(top, lo);
        bottom = std::max(bottom, hi);
        const double area =
            std::fabs((x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]));
        if (std::isfinite(area)) // (a vertex that is not a number leaves its triangle undrawn)
            area_ += area * 0.5;
    }
    reach_.resize(tris_.size() / 3 * 4);
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
    AddRows(jobTop, jobBottom);
    jobs_.push_back(job);
    return &jobs_.back();
}

void SoftBands::AddRows(int32_t top, int32_t bottom) {
    if (jobs_.empty()) {
        top_ = top;
        bottom_ = bottom;
    } else {
        top_ = std::min(top_, top);
        bottom_ = std::max(bottom_, bottom);
    }
}

void SoftBands::QueueFill(bool depth, const int32_t fill[4], uint32_t value,
                          const SoftTarget& target) {
    if (fill[0] >= fill[2] || fill[1] >= fill[3])
        return;
    SoftJob job{tris_.size() / 3, 0, {}, {}, {}, {}, 0, true};
    job.kind = depth ? SoftJob::Kind::FillDepth : SoftJob::Kind::FillColor;
    job.target.color = target.color;
    job.target.depth = target.depth;
    job.target.width = target.width;
    std::copy(fill, fill + 4, job.fill);
    job.value = value;
    AddRows(fill[1], fill[3]);
    area_ += static_cast<double>(fill[2] - fill[0]) * (fill[3] - fill[1]);
    jobs_.push_back(job);
}

void SoftBands::Flush(double minSpread) {
    if (jobs_.empty())
        return;
    DrawWhole(minSpread);
    Forget();
}

void SoftBands::DrawWhole(double minSpread) {
    const int32_t rows = bottom_ - top_;
    // At least two bands a thread, so that one slow band leaves the others work.
    const auto bands = static_cast<uint32_t>(std::clamp(
        std::max(rows / kBandRows, static_cast<int32_t>(Count()) * 2), 1, std::clamp(rows, 1, 64)));
    bands_.clear();
    if (Count() < 2 || bands < 2 || area_ < minSpread) {
        bands_.push_back({INT32_MIN, top_, INT32_MAX, bottom_});
    } else {
        for (uint32_t b = 0; b < bands; ++b)
            bands_.push_back({INT32_MIN, top_ + static_cast<int32_t>(int64_t{rows} * b / bands),
                              INT32_MAX,
                              top_ + static_cast<int32_t>(int64_t{rows} * (b + 1) / bands)});
    }
    DrawBoxes(bands_, area_, minSpread);
}

void SoftBands::DrawBoxes(const std::vector<SoftBox>& boxes, double area, double minSpread) {
    if (Count() < 2 || boxes.size() < 2 || area < minSpread) {
        for (const SoftBox& box : boxes)
            DrawRows(0, box);
        return;
    }
    boxes_ = &boxes;
    nextBand_.store(0, std::memory_order_relaxed);
    running_.store(Count() - 1, std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    DrawBands(0);
    for (uint32_t left = running_.load(std::memory_order_acquire); left != 0;
         left = running_.load(std::memory_order_acquire))
        running_.wait(left, std::memory_order_acquire);
}

void SoftBands::Forget() {
    jobs_.clear();
    tris_.clear();
    reach_.clear();
    masks_.clear();
    area_ = 0;
    ++epoch_;
}

void SoftBands::DrawBands(uint32_t thread) {
    for (uint32_t b = nextBand_.fetch_add(1, std::memory_order_relaxed); b < boxes_->size();
         b = nextBand_.fetch_add(1, std::memory_order_relaxed))
        DrawRows(thread, (*boxes_)[b]);
}

void SoftBands::DrawRows(uint32_t thread, const SoftBox& box) {
    SoftSetup& setup = setups_[thread];
    const int32_t top = box[1], bottom = box[3];
    for (const SoftJob& job : jobs_) {
        if (job.kind != SoftJob::Kind::Draw) {
            const int32_t x0 = std::max(job.fill[0], box[0]), x1 = std::min(job.fill[2], box[2]);
            const int32_t y0 = std::max(job.fill[1], top), y1 = std::min(job.fill[3], bottom);
            for (int32_t y = y0; y < y1 && x0 < x1; ++y) {
                const size_t at = static_cast<size_t>(y) * static_cast<size_t>(job.target.width) +
                                  static_cast<size_t>(x0);
                if (job.kind == SoftJob::Kind::FillColor)
                    std::fill_n(job.target.color + at, x1 - x0, job.value);
                else
                    std::fill_n(job.target.depth + at, x1 - x0, static_cast<uint16_t>(job.value));
            }
            continue;
        }
        SoftTarget target = job.target;
        target.clip[1] = std::max(target.clip[1], top);
        target.clip[3] = std::min(target.clip[3], bottom);
        target.cols[0] = box[0];
        target.cols[1] = box[2];
        if (target.clip[1] >= target.clip[3] || box[0] >= target.clip[2] ||
            box[2] <= target.clip[0])
            continue;
        SoftPixelState state = job.state; // each triangle writes its samplers here
        const float* reach = &reach_[job.first * 4];
        auto reaches = [&](size_t t) {
            const float* r = reach + t * 4;
            return !job.rowsKnown || (r[0] < target.clip[3] && r[1] >= target.clip[1] &&
                                      r[2] < box[2] && r[3] >= box[0]);
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
