#include "common/files.hpp"
#include "common/fixed_format.hpp"
#include "ped_cut/ped_cut.hpp"

namespace loopcut {

void write_cut_pedigree(const CutTables& t, const std::string& file_name) {
  OutputFile out(file_name, OutputFile::Mode::replace_when_done);
  out.line(" ped id fa mo sex prob kod");
  for (int r = 1; r <= t.ndat; ++r) {
    out.line(pedigree_line(t.mas(r, PED), t.mas(r, ID), t.mas(r, FA), t.mas(r, MO),
                           t.mas(r, SEX), t.mas(r, PROB), t.kod[r]));
  }
  out.commit();
}

}  // namespace loopcut
