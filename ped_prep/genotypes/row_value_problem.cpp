// The values of a row checked against the loci of a LINKAGE locus file, as the LINKAGE programs
// check them when they read the pedigree file.
#include <string>
#include <string_view>
#include <vector>

#include "common/errors.hpp"
#include "ped_prep/genotypes/locus_layout.hpp"

namespace loopcut::prep::row_value_detail {
namespace {

// Whether `token` is a whole number from `low` to `high`, written without sign or point.
bool in_range(std::string_view token, int low, int high) {
  const std::optional<int> value = whole_number(token);
  return value && *value >= low && *value <= high;
}

}  // namespace
}  // namespace loopcut::prep::row_value_detail

namespace loopcut::prep {

std::optional<std::string> row_value_problem(const DataLayout& layout, const std::string& file,
                                             int line, std::string_view further,
                                             std::string_view row, std::size_t fixed) {
  using row_value_detail::in_range;
  const std::vector<std::string_view> items = further_items(further);
  std::size_t column = 0;
  for (const DataItem& item : layout.items) {
    const std::size_t width = static_cast<std::size_t>(item_columns(item));
    if (column + width > items.size()) break;  // the column count is checked on its own
    // Only the loci of a locus file say which values they take.
    if (item.alleles > 0 && (item.kind == DataItemKind::marker ||
                             item.kind == DataItemKind::affection)) {
      for (std::size_t k = 0; k < width; ++k) {
        const std::string_view value = items[column + k];
        std::string expected;
        if (item.kind == DataItemKind::marker) {
          if (in_range(value, 0, item.alleles)) continue;
          expected = "allele 0 to " + std::to_string(item.alleles);
        } else if (k == 0) {
          if (in_range(value, 0, 2)) continue;
          expected = "affection status 0, 1 or 2";
        } else {
          const int classes = static_cast<int>(item.penetrance.size());
          if (in_range(value, 1, classes)) continue;
          expected = "liability class 1 to " + std::to_string(classes);
        }
        expected += " of " + item.name + " in column " + std::to_string(fixed + column + k + 1);
        return InputError(file, line, expected,
                          "\"" + shown_text(value) + "\"",
                          shown_text(row))
            .what();
      }
    }
    column += width;
  }
  return std::nullopt;
}

}  // namespace loopcut::prep
