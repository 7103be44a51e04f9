// The file given to --genotypes: a LINKAGE locus file, recognised by its first line of four
// whole numbers, or else a data file of codes and names.
#include "common/text_file.hpp"
#include "ped_prep/genotypes/locus_layout.hpp"

namespace loopcut::prep {

DataLayout read_locus_lines(const std::vector<std::string>& lines, const std::string& file) {
  if (!lines.empty() && is_linkage_locus_line(lines[0]))
    return read_linkage_locus_lines(lines, file);
  return read_data_lines(lines, file);
}

DataLayout read_locus_file(const std::string& file) {
  return read_locus_lines(read_text_file(file).lines, file);
}

}  // namespace loopcut::prep
