// The scale and the three transforms of a star weight. Every value is a 32-bit real, computed one
// operation at a time, so the written weights do not depend on how the compiler might widen them.
#include <cmath>

#include "cost_prep/cost_prep.hpp"

namespace loopcut {

namespace {
constexpr float LN_2 = 0.693147182f;     // ln 2 as a 32-bit real
constexpr float SQRT_2 = 1.4142135f;     // the square root of 2 as a 32-bit real
constexpr float LOG_THRESHOLD = 1e-10f;  // weights and logarithms not above it count as none
}  // namespace

// Computed in double and rounded once, which gives the 32-bit result nearest to the exact value
// whatever the mathematics library's 32-bit routines do, so the weight files are the same bytes
// on every platform.
float ln32(float x) { return static_cast<float>(std::log(static_cast<double>(x))); }
float sqrt32(float x) { return static_cast<float>(std::sqrt(static_cast<double>(x))); }

float choose_scale(float smallest) {
  if (ln32(smallest) > 0.0f) return 1.0f;
  // The smallest weight is above 1e-5 (or is the initial 10000), so this ends by p = 6.
  float scale = 1.0f;
  for (;;) {
    scale = scale * 10.0f;
    const float lifted = ln32(scale * smallest);
    if (lifted > 0.001f) return scale;
  }
}

Transforms transforms_of(float w, float scale) {
  Transforms t;
  const float hundred_w = 100.0f * w;
  t.w0 = hundred_w;
  // A relationship value above R0 gives a negative weight; its root keeps the sign rather than
  // becoming NaN.
  t.ws = hundred_w >= 0.0f ? sqrt32(hundred_w) : -sqrt32(-hundred_w);
  t.wl = w > LOG_THRESHOLD ? ln32(w * scale) : 0.0f;
  return t;
}

void double_for_list(Transforms& t) {
  t.w0 = 2.0f * t.w0;
  t.ws = t.ws * SQRT_2;
  if (t.wl > LOG_THRESHOLD) t.wl = t.wl + LN_2;
}

}  // namespace loopcut
