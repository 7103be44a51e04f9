#include <fstream>
#include <string>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/free_reader.hpp"
#include "cut_improve/cut_improve.hpp"

namespace loopcut {

namespace {

struct StarAt {
  int pedigree = -1;
  int star = -1;
};

std::string shown(const Label& l) { return "\"" + trimmed(l) + "\""; }

}  // namespace

// The report is read as the cutter reads it: an identifier and a label per record, to the end
// of the file, a record cut short there dropped. The cutter finds each breaker by its label, so
// the label must be that of the centre the identifier names.
std::vector<Kept> read_cut(const std::string& file_name, const std::vector<StarModel>& models) {
  std::vector<StarAt> at;
  std::vector<Kept> kept(models.size());
  for (std::size_t p = 0; p < models.size(); ++p) {
    kept[p].assign(models[p].stars.size(), 1);
    for (std::size_t t = 0; t < models[p].stars.size(); ++t) {
      const int id = models[p].stars[t].id;
      if (static_cast<std::size_t>(id) >= at.size()) at.resize(static_cast<std::size_t>(id) + 1);
      at[id] = {static_cast<int>(p), static_cast<int>(t)};
    }
  }
  std::ifstream in = open_input(file_name);
  FreeReader r(in, file_name);
  for (;;) {
    int id = 0;
    Label kod{};
    if (!r.try_int(id, "identifier of a breaker")) break;
    if (!r.try_label(kod, "label of breaker " + std::to_string(id))) break;
    const int line = r.line_number();
    r.end_read();
    if (id < 1 || static_cast<std::size_t>(id) >= at.size() || at[id].pedigree < 0) {
      throw InputError(file_name, line, "the identifier of a star's centre",
                       std::to_string(id), "");
    }
    const ModelStar& s = models[at[id].pedigree].stars[at[id].star];
    if (kod != s.kod) {
      throw InputError(file_name, line, "the label " + shown(s.kod) + " of individual " + std::to_string(id),
                       shown(kod), "");
    }
    char& k = kept[at[id].pedigree][at[id].star];
    if (!k) {
      throw InputError(file_name, line, "each breaker once",
                       "individual " + std::to_string(id) + " again", "");
    }
    k = 0;
  }
  return kept;
}

}  // namespace loopcut
