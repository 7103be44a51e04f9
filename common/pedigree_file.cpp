#include "common/pedigree_file.hpp"

#include "common/files.hpp"
#include "common/free_reader.hpp"

namespace loopcut {

int read_pedigree_records(std::istream& in, const std::string& file_name, int capacity,
                          const std::function<void(int, const PedRecord&)>& store) {
  FreeReader r(in, file_name);
  r.read_text(80, "header line");
  r.end_read();
  int count = 0;
  for (;;) {
    PedRecord rec;
    if (!r.try_int(rec.ped, "pedigree number") || !r.try_int(rec.id, "identifier") ||
        !r.try_int(rec.fa, "father") || !r.try_int(rec.mo, "mother") ||
        !r.try_int(rec.sex, "sex") || !r.try_label(rec.kod, "label")) {
      break;
    }
    r.end_read();
    ++count;
    if (count <= capacity) store(count, rec);
  }
  return count;
}

std::vector<std::string> read_task_names(const std::string& file_name, int count) {
  std::ifstream in = open_input(file_name);
  FreeReader r(in, file_name);
  std::vector<std::string> names;
  static const char* const what[] = {"pedigree file name", "weight file name",
                                     "cut pedigree file name"};
  for (int k = 0; k < count; ++k) {
    names.push_back(trimmed(r.read_label(k < 3 ? what[k] : "file name")));
    r.end_read();
  }
  return names;
}

}  // namespace loopcut
