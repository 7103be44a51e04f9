#include <string>

#include "common/ancestry.hpp"
#include "common/errors.hpp"
#include "common/free_writer.hpp"
#include "ped_cut/ped_cut.hpp"

namespace loopcut {

namespace {

std::string number(int v) { return std::to_string(v); }

[[noreturn]] void refuse_cut_input(int row, const std::string& fault) {
  std::string text = "ERROR: row ";
  text.append(number(row)).append(": ").append(fault);
  stop_with_output_line((FreeLine() << text).str());
}

// A parent identifier is used as the row of the parent's record, so it must be 0 or such a row,
// the record there must carry it as its identifier, and the parent must have the sex of its role.
void check_parent(const CutTables& t, int row, int parent, const char* role, int role_sex) {
  if (parent == 0) return;
  std::string fault = std::string(role).append(" ").append(number(parent));
  if (parent < 1 || parent > t.ndat) refuse_cut_input(row, fault.append(" is not a record"));
  if (t.mas(parent, ID) != parent) {
    refuse_cut_input(row, fault.append(" names the record in row ").append(number(parent))
                    .append(", whose identifier is ").append(number(t.mas(parent, ID))));
  }
  if (t.mas(parent, SEX) != role_sex) {
    refuse_cut_input(row, fault.append(" has sex ").append(number(t.mas(parent, SEX)))
                    .append(", not ").append(number(role_sex)));
  }
}

}  // namespace

void check_input(const CutTables& t) {
  for (int r = 1; r <= t.ndat; ++r) {
    check_parent(t, r, t.mas(r, FA), "father", 1);
    check_parent(t, r, t.mas(r, MO), "mother", 2);
  }
  // Nobody can be placed after all his ancestors when he is one of them.
  const auto parent_of = [&t](int row, int k) { return t.mas(row, k == 0 ? FA : MO); };
  if (const int row = row_on_ancestry_cycle(t.ndat, parent_of); row != 0)
    refuse_cut_input(row, "individual " + number(row) + " is its own ancestor");
  // A breaker's sex decides the column in which its children name it. A label that no record
  // carries is left to cut_breakers, which reports it in report order.
  for (int k = 1; k <= t.ncut; ++k) {
    const int i = t.brk[k];
    if (i != 0 && t.mas(i, SEX) != 1 && t.mas(i, SEX) != 2) {
      refuse_cut_input(i, std::string("breaker of report line ")
                              .append(number(k))
                              .append(" has sex ")
                              .append(number(t.mas(i, SEX)))
                              .append(", neither 1 nor 2"));
    }
  }
}

}  // namespace loopcut
