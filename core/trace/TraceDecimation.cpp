#include "trace/TraceDecimation.h"

#include <algorithm>
#include <cmath>

namespace runwell {

TraceDecimator::TraceDecimator(std::size_t columns) : slots_(std::max<std::size_t>(columns, 2)) {}

void TraceDecimator::Merge() {
    const std::size_t half = slots_.size() / 2;
    for (std::size_t i = 0; i < half; ++i) {
        const Slot& a = slots_[2 * i];
        const Slot& b = slots_[2 * i + 1];
        Slot merged;
        merged.used = a.used || b.used;
        merged.low = a.used && b.used ? std::min(a.low, b.low) : a.used ? a.low : b.low;
        merged.high = a.used && b.used ? std::max(a.high, b.high) : a.used ? a.high : b.high;
        slots_[i] = merged;
    }
    std::fill(slots_.begin() + static_cast<std::ptrdiff_t>(half), slots_.end(), Slot{});
    width_ *= 2.0;
}

void TraceDecimator::Add(double time, double current) {
    if (!started_) {
        started_ = true;
        origin_ = time;
    }
    if (width_ == 0.0 && time > origin_) {
        width_ = time - origin_;
    }
    std::size_t index = 0;
    if (width_ > 0.0) {
        double position = std::floor((time - origin_) / width_);
        while (position >= static_cast<double>(slots_.size())) {
            Merge();
            position = std::floor((time - origin_) / width_);
        }
        index = static_cast<std::size_t>(std::max(position, 0.0));
    }
    Slot& slot = slots_[index];
    slot.low = slot.used ? std::min(slot.low, current) : current;
    slot.high = slot.used ? std::max(slot.high, current) : current;
    slot.used = true;
}

std::vector<TraceBucket> TraceDecimator::Buckets() const {
    std::vector<TraceBucket> buckets;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i].used) {
            const double start = origin_ + static_cast<double>(i) * width_;
            buckets.push_back({start, start + width_, slots_[i].low, slots_[i].high});
        }
    }
    return buckets;
}

}  // namespace runwell
