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
  w.ndat = read_pedigree_records(in, file_name, N_SIZE, [&w](int i, const PedRecord& r) {
    w.ped[i] = r.ped;
    w.id[i] = r.id;
    w.fa[i] = r.fa;
    w.mo[i] = r.mo;
    w.sex[i] = r.sex;
    w.kod[i] = r.kod;
  });
}

void check_record_capacity(const WorkArea& w) {
  if (w.ndat > N_SIZE) stop_with_output_line((FreeLine() << "ndat>N_SIZE:" << w.ndat << N_SIZE).str());
}

void load_weights(WorkArea& w, const std::string& file_name) {
  std::ifstream in = open_input(file_name);
  FreeReader r(in, file_name);
  for (int i = 1; i <= w.ndat; ++i) {
    const std::string what = "weight record " + std::to_string(i) + " of " + std::to_string(w.ndat);
    r.read_int("star number of " + what);
    w.weight[i] = r.read_real(what);
    r.end_read();
  }
}

}  // namespace loopcut
