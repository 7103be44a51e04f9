#pragma once
// The fields of a whitespace-separated record line, as the column formats (linkage, fam,
// makeped) read and rewrite them.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ped_prep/pipeline/pedigree.hpp"

namespace loopcut::prep {

bool is_space(char c);

// Splits off the first `count` whitespace-separated fields; `rest` receives what follows the
// last of them with its leading whitespace removed, as written.
std::vector<std::string_view> split_fields(std::string_view line, std::size_t count,
                                           std::string_view& rest);

std::size_t count_fields(std::string_view line);

// The line with some of its whitespace-separated fields (numbered from 0) replaced; everything
// else, the blanks and tabs between the fields included, stays as written. With `aligned`, a
// field rewritten shorter or longer takes or gives up blanks in front of it, so that right-aligned
// columns stay aligned (a field keeps at least one blank before it).
std::string with_fields(const std::string& line, const std::map<int, std::string>& fields,
                        bool aligned = false);

// A line as messages quote it, cut at 80 characters.
std::string shown_line(const std::string& line);

// "1 column", "7 columns".
std::string columns(std::size_t n);

// Lines without the format's columns: line number and count, and the first such line.
struct Misfits {
  std::vector<std::pair<int, std::size_t>> lines;
  std::string first;
};

// Each line refused gave one problem. When most lines are no records (a file of another
// format), says once what the file is not, instead: `rule` tells what a line of n columns lacks.
void refuse_other_format(const Misfits& misfits, int record_lines,
                         const std::function<std::string(std::size_t)>& rule, PedigreeInput& in);

}  // namespace loopcut::prep
