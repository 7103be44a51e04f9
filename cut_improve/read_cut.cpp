#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/fixed_format.hpp"
#include "common/free_reader.hpp"
#include "common/line_reader.hpp"
#include "cut_improve/cut_improve.hpp"

namespace loopcut {

namespace {

struct StarAt {
  int pedigree = -1;
  int star = -1;
};

std::string shown(const Label& l) { return "\"" + visible(trimmed(l)) + "\""; }

// Where each identifier's star is.
std::vector<StarAt> index_centres(const std::vector<StarModel>& models) {
  std::vector<StarAt> at;
  for (std::size_t p = 0; p < models.size(); ++p) {
    for (std::size_t t = 0; t < models[p].stars.size(); ++t) {
      const int id = models[p].stars[t].id;
      if (static_cast<std::size_t>(id) >= at.size()) at.resize(static_cast<std::size_t>(id) + 1);
      at[id] = {static_cast<int>(p), static_cast<int>(t)};
    }
  }
  return at;
}

}  // namespace

// The report is read as the cutter reads it: a line in the optimiser's layout by its columns
// (identifier in 1-6, label in 10-29, whatever the label holds, blanks, commas and nothing
// included), any other line item by item. The cutter finds each breaker by its label, so the
// label must be that of the centre the identifier names. A record cut short by the end of the
// file is refused rather than dropped.
std::vector<Kept> read_cut(const std::string& file_name, const std::vector<StarModel>& models) {
  const std::vector<StarAt> at = index_centres(models);
  std::vector<Kept> kept(models.size());
  for (std::size_t p = 0; p < models.size(); ++p) kept[p].assign(models[p].stars.size(), 1);

  std::ifstream file = open_input(file_name);
  const std::string text(std::istreambuf_iterator<char>(file), {});
  // The lines as the reader sees them, whatever ends them.
  const std::vector<std::string> lines = split_lines(text);
  std::istringstream in(text);
  FreeReader r(in, file_name);
  for (;;) {
    // After end_read() the reader has taken exactly line_number() lines.
    std::size_t k = static_cast<std::size_t>(r.line_number());
    while (k < lines.size() && holds_no_item(lines[k])) ++k;
    if (k >= lines.size()) break;
    int id = 0;
    Label kod{};
    if (read_report_columns(lines[k], id, kod)) {
      std::string first_item;  // moves the reader past this line
      r.try_text(first_item, 1, "identifier of a breaker");
    } else {
      if (!r.try_int(id, "identifier of a breaker")) break;
      kod = r.read_label("label of breaker " + std::to_string(id));
    }
    const int line = r.line_number();
    r.end_read();
    if (id < 1 || static_cast<std::size_t>(id) >= at.size() || at[id].pedigree < 0) {
      throw InputError(file_name, line, "the identifier of a star's centre", std::to_string(id),
                       "");
    }
    const ModelStar& s = models[at[id].pedigree].stars[at[id].star];
    if (kod != s.kod) {
      throw InputError(file_name, line,
                       "the label " + shown(s.kod) + " of individual " + std::to_string(id),
                       shown(kod), "");
    }
    char& k_star = kept[at[id].pedigree][at[id].star];
    if (!k_star) {
      throw InputError(file_name, line, "each breaker once",
                       "individual " + std::to_string(id) + " again", "");
    }
    k_star = 0;
  }
  return kept;
}

}  // namespace loopcut
