#include <algorithm>
#include <cmath>

#include "cut_improve/cut_improve.hpp"

namespace loopcut {

WallClock::WallClock(double seconds) : limited_(seconds >= 0) {
  if (limited_) {
    end_ = std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               std::chrono::duration<double>(seconds));
  }
}

bool WallClock::check() {
  if (limited_ && !fired_ && std::chrono::steady_clock::now() >= end_) fired_ = true;
  return fired_;
}

long long work_units(double reference_seconds) {
  const double units = std::floor(reference_seconds * WORK_PER_SECOND);
  return units >= 9e18 ? 9000000000000000000LL : static_cast<long long>(units);
}

Budget::Budget(long long units, WallClock& clock) : limit_(std::max(0LL, units)), clock_(&clock) {}

Budget::Budget(long long units, Budget& parent)
    : limit_(std::max(0LL, std::min(units, parent.left()))),
      clock_(parent.clock_),
      parent_(&parent) {}

bool Budget::spend(long long units) {
  used_ += units;
  for (Budget* b = parent_; b != nullptr; b = b->parent_) b->used_ += units;
  // The clock is read now and then: about every tenth of a millisecond of work.
  since_clock_ += units;
  if (since_clock_ >= WORK_PER_SECOND / 10000) {
    since_clock_ = 0;
    clock_->check();
  }
  return !spent();
}

bool Budget::spent() const {
  if (clock_->fired()) return true;
  for (const Budget* b = this; b != nullptr; b = b->parent_) {
    if (b->used_ >= b->limit_) return true;
  }
  return false;
}

long long Budget::left() const {
  long long left = limit_ - used_;
  for (const Budget* b = parent_; b != nullptr; b = b->parent_)
    left = std::min(left, b->limit_ - b->used_);
  return std::max(0LL, left);
}

}  // namespace loopcut
