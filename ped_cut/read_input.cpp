#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "common/files.hpp"
#include "common/fixed_format.hpp"
#include "common/free_reader.hpp"
#include "common/line_reader.hpp"
#include "common/pedigree_file.hpp"
#include "ped_cut/ped_cut.hpp"

namespace loopcut {

void read_pedigree(CutTables& t, const std::string& file_name) {
  std::ifstream in = open_input(file_name);
  t.ndat = read_pedigree_records(in, file_name, n_size(), [&t](int i, const PedRecord& r) {
    // Room doubles as rows come, so that reading stays linear.
    if (i > t.mas.rows()) t.ensure_rows(std::max(i, 2 * t.mas.rows()));
    t.mas(i, PED) = r.ped;
    t.mas(i, ID) = r.id;
    t.mas(i, FA) = r.fa;
    t.mas(i, MO) = r.mo;
    t.mas(i, SEX) = r.sex;
    t.kod[i] = r.kod;
  });
  t.nread = t.ndat;
}

void read_report(CutTables& t, const std::string& file_name) {
  std::ifstream file = open_optional_input(file_name);
  const std::string text(std::istreambuf_iterator<char>(file), {});

  // The lines as the reader sees them (ended at LF, CR LF or a bare CR alike), so that each
  // record's first line can be looked at before the reader takes it.
  const std::vector<std::string> lines = split_lines(text);

  std::istringstream in(text);
  FreeReader r(in, file_name);
  t.ncut = 0;
  for (;;) {
    // After end_read() the reader has taken exactly line_number() lines.
    std::size_t k = static_cast<std::size_t>(r.line_number());
    while (k < lines.size() && holds_no_item(lines[k])) ++k;
    if (k == lines.size()) break;

    int id = 0;
    Label label{};
    if (read_report_columns(lines[k], id, label)) {
      std::string first_item;  // moves the reader past this line
      r.try_text(first_item, 1, "breaker identifier");
    } else if (!r.try_int(id, "breaker identifier") || !r.try_label(label, "breaker label")) {
      break;  // a record cut short by the end of the file
    }
    r.end_read();

    ++t.ncut;
    if (t.ncut <= n_star()) {
      if (t.ncut >= static_cast<int>(t.n_cut.size())) t.ensure_entries(2 * t.ncut);
      t.n_cut[t.ncut] = id;
      t.cut[t.ncut] = label;
      t.weight[t.ncut] = 0.0f;
    }
  }
}

// The cut list's entries by identifier, equal identifiers in entry order, so that the first entry
// of a star is found by a binary search.
void index_stars(CutTables& t) {
  t.size_work();
  auto& by_star = t.work.by_star;
  for (int k = 1; k <= t.ncut; ++k) by_star[static_cast<std::size_t>(k - 1)] = k;
  std::sort(by_star.begin(), by_star.begin() + t.ncut, [&t](int a, int b) {
    return t.n_cut[a] != t.n_cut[b] ? t.n_cut[a] < t.n_cut[b] : a < b;
  });
}

int entry_of_star(const CutTables& t, int star) {
  const auto first = t.work.by_star.begin();
  const auto last = first + t.ncut;
  const auto it =
      std::lower_bound(first, last, star, [&t](int k, int value) { return t.n_cut[k] < value; });
  return it != last && t.n_cut[*it] == star ? *it : 0;
}

void read_weights(CutTables& t, const std::string& file_name) {
  std::ifstream in = open_optional_input(file_name);
  FreeReader r(in, file_name);
  index_stars(t);
  for (;;) {
    int star = 0;
    float w = 0.0f;
    if (!r.try_int(star, "star number") || !r.try_real(w, "star weight")) break;
    r.end_read();
    const int k = entry_of_star(t, star);
    if (k != 0) t.weight[k] = w;
  }
}

}  // namespace loopcut
