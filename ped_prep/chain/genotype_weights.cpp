// Genotype weights on their way into the chain, and the cut of unit weights beside them.
#include "ped_prep/chain/genotype_weights.hpp"

#include <filesystem>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/fixed_format.hpp"
#include "common/free_writer.hpp"
#include "common/text_file.hpp"
#include "ped_prep/chain/chain_program.hpp"
#include "ped_prep/chain/write_chain_dir.hpp"

namespace loopcut::prep {

void write_genotype_weights(const std::vector<double>& weights, long first, long count,
                            const std::string& path) {
  OutputFile out(path, OutputFile::Mode::replace_when_done);
  for (long r = 0; r < count; ++r) {
    const double w = weights[static_cast<std::size_t>(first + r)] + TIE_BREAK;
    out.line((FreeLine() << static_cast<int>(r + 1) << static_cast<float>(w)).str());
  }
  out.commit();
}

std::vector<int> read_cut_rows(const std::string& path) {
  const TextFile text = read_text_file(path);
  std::vector<int> rows;
  int line_no = 0;
  for (const std::string& line : text.lines) {
    ++line_no;
    if (holds_no_item(line)) continue;
    int row = 0;
    Label label;
    if (!read_report_columns(line, row, label) || row < 1)
      throw InputError(path, line_no, "a star's number and label", "another line", line);
    rows.push_back(row);
  }
  return rows;
}

std::vector<int> unit_weight_cut(const std::string& bin, const std::string& dir,
                                 const Prepared& p) {
  const std::string own = dir + "/unit-weights";
  std::filesystem::create_directory(own);
  write_pedigree_file(p, own + "/" + PEDIGREE_FILE);
  write_unit_weights(p, own + "/" + WEIGHT_FILE);
  write_task_file(own + "/" + TASK_FILE, WEIGHT_FILE);
  try {
    run_chain_program(bin, "cut_select", own, p.pedigrees, false);
  } catch (const ChainStop& stop) {
    throw ChainStop{"the step search on unit weights (for comparison): " + stop.message};
  }
  return read_cut_rows(own + "/res.dat");
}

}  // namespace loopcut::prep
