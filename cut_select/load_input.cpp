#include <charconv>
#include <string>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/free_reader.hpp"
#include "common/free_writer.hpp"
#include "common/pedigree_file.hpp"
#include "cut_select/cut_select.hpp"

namespace loopcut {

void load_pedigree(WorkArea& w, const std::string& file_name) {
  std::ifstream in = open_input(file_name);
  w.ndat = read_pedigree_records(in, file_name, n_size(), [&w](int i, const PedRecord& r) {
    w.ensure_records(i);
    w.ped[i] = r.ped;
    w.id[i] = r.id;
    w.fa[i] = r.fa;
    w.mo[i] = r.mo;
    w.sex[i] = r.sex;
    w.kod[i] = r.kod;
  });
}

void check_record_capacity(const WorkArea& w) {
  if (w.ndat > n_size()) {
    stop_at_ceiling_line((FreeLine() << "ndat>N_SIZE:" << w.ndat << n_size()).str(), Ceiling::n_size);
  }
}

void load_weights(WorkArea& w, const std::string& file_name) {
  std::ifstream in = open_input(file_name);
  FreeReader r(in, file_name);
  w.ensure_records(w.ndat);
  // The item names go into error messages only; two buffers reused for every record keep the
  // loop free of allocations.
  const std::string of_total = " of " + std::to_string(w.ndat);
  std::string star_what, weight_what;
  for (int i = 1; i <= w.ndat; ++i) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, i).ptr;
    weight_what.assign("weight record ").append(digits, end).append(of_total);
    star_what.assign("star number of ").append(weight_what);
    r.read_int(star_what);
    w.weight[i] = r.read_real(weight_what);
    r.end_read();
  }
}

}  // namespace loopcut
