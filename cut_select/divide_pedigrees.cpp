#include <algorithm>

#include "common/errors.hpp"
#include "common/free_writer.hpp"
#include "cut_select/cut_select.hpp"

namespace loopcut {

// Pedigrees are numbered by a running number k: a row whose pedigree number is not k ends
// pedigree k and opens pedigree k + 1, whatever number it carries.
void divide_pedigrees(WorkArea& w) {
  std::fill(w.fam.begin(), w.fam.end(), 0);
  ensure_size(w.fam, 4);
  int k = 1;
  for (int i = 1; i <= w.ndat; ++i) {
    if (w.ped[i] == k) continue;
    w.fam[k + 2] = i - 1;
    ++k;
    if (k > n_fam() - 2) {
      stop_at_ceiling_line((FreeLine() << "nfam>N_FAM:" << k << n_fam()).str(), Ceiling::n_fam);
    }
    // The table grows by doubling; the entries it gains are 0.
    if (static_cast<std::size_t>(k + 2) >= w.fam.size()) ensure_size(w.fam, 2 * w.fam.size());
  }
  w.fam[k + 2] = w.ndat;
  w.fam[1] = k;
}

}  // namespace loopcut
