#include "common/free_writer.hpp"
#include "common/interrupts.hpp"
#include "cost_prep/cost_prep.hpp"

namespace loopcut {

namespace {
constexpr OutputFile::Mode kWhenDone = OutputFile::Mode::replace_when_done;
}  // namespace

WeightFiles::WeightFiles()
    : res_("w_res.dat", kWhenDone), w0_("w_0.dat", kWhenDone), ws_("w_s.dat", kWhenDone),
      wl_("w_l.dat", kWhenDone) {}

void WeightFiles::write(int star, const Transforms& t) {
  res_.line((FreeLine() << star << t.w0 << t.ws << t.wl).str());
  w0_.line((FreeLine() << star << t.w0).str());
  ws_.line((FreeLine() << star << t.ws).str());
  wl_.line((FreeLine() << star << t.wl).str());
}

void WeightFiles::commit() {
  // Every file is complete on disk before any replaces its old version, so a full disk leaves
  // the old set whole rather than a mix of old and new files.
  res_.finish();
  w0_.finish();
  ws_.finish();
  wl_.finish();
  // An interrupt waits until all four are in place.
  const InterruptsHeld held;
  res_.commit();
  w0_.commit();
  ws_.commit();
  wl_.commit();
}

WeightCounts write_star_weights(int n, const StarTable& stars, const StarList& list, float scale,
                                WeightFiles& files) {
  WeightCounts counts;
  for (int i = 1; i <= n; ++i) {
    const int k = record_of(i, stars);
    if (k == 0) {
      files.write(i, Transforms{});
      continue;
    }
    ++counts.found;
    Transforms t = transforms_of(stars.weigh[static_cast<std::size_t>(k)], scale);
    if (on_list(i, list)) {
      ++counts.from_list;
      double_for_list(t);
    }
    files.write(i, t);
  }
  return counts;
}

}  // namespace loopcut
