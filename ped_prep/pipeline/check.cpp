// The check of a pedigree file and of its cut file.
#include "ped_prep/pipeline/check.hpp"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "ped_prep/pipeline/name_index.hpp"

namespace loopcut::prep {

namespace {

std::string name(const ChainRecord& r) { return trimmed(r.kod); }

std::string place(const ChainFile& f, const ChainRecord& r) {
  return f.file + ":" + std::to_string(r.line) + ": ";
}

// The label without its trailing blanks, as a view.
std::string_view name_view(const ChainRecord& r) {
  std::string_view v = label_view(r.kod);
  while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
  return v;
}

// Record index by number (identifier or pedigree number): a plain table where the numbers are
// 0 .. a few times the records, as in the chain's own files, a hash table otherwise.
class NumberIndex {
 public:
  explicit NumberIndex(const std::vector<ChainRecord>& records, int ChainRecord::*field) {
    int largest = 0;
    bool small = true;
    for (const ChainRecord& r : records) {
      const int v = r.*field;
      small = small && v >= 0 && v <= 4 * static_cast<long>(records.size()) + 16;
      largest = std::max(largest, v);
    }
    if (small) {
      table_.assign(static_cast<std::size_t>(largest) + 1, -1);
    } else {
      hashed_ = true;
      map_.reserve(records.size() * 2);
    }
  }

  // Files `value` under `number` unless it is taken; returns the value filed under it.
  int insert(int number, int value) {
    if (hashed_) return map_.emplace(number, value).first->second;
    int& slot = table_[static_cast<std::size_t>(number)];
    if (slot < 0) slot = value;
    return slot;
  }

  // The value under `number`; -1 for none.
  int find(int number) const {
    if (hashed_) {
      auto it = map_.find(number);
      return it == map_.end() ? -1 : it->second;
    }
    if (number < 0 || static_cast<std::size_t>(number) >= table_.size()) return -1;
    return table_[static_cast<std::size_t>(number)];
  }

 private:
  bool hashed_ = false;
  std::vector<int> table_;
  std::unordered_map<int, int> map_;
};

}  // namespace

IndexedPedigree index_pedigree(const ChainFile& file) {
  IndexedPedigree ix;
  ix.file = &file;
  const int n = static_cast<int>(file.records.size());
  NumberIndex by_id(file.records, &ChainRecord::id);
  for (int i = 0; i < n; ++i) {
    const ChainRecord& r = file.records[i];
    if (by_id.insert(r.id, i) != i)
      ix.problems.push_back(place(file, r) + "identifier " + std::to_string(r.id) + " is used twice");
  }
  NumberIndex group_of_number(file.records, &ChainRecord::ped);
  ix.fa.assign(n, -1);
  ix.mo.assign(n, -1);
  ix.group.assign(n, 0);
  for (int i = 0; i < n; ++i) {
    const ChainRecord& r = file.records[i];
    const int group = group_of_number.insert(r.ped, static_cast<int>(ix.numbers.size()));
    if (group == static_cast<int>(ix.numbers.size())) ix.numbers.push_back(r.ped);
    ix.group[i] = group;
    for (int role = 1; role <= 2; ++role) {
      const int parent = role == 1 ? r.fa : r.mo;
      if (parent == 0) continue;
      const int p = by_id.find(parent);
      if (p < 0) {
        ix.problems.push_back(place(file, r) + name(r) + ": " + (role == 1 ? "father " : "mother ") +
                              std::to_string(parent) + " has no record");
        continue;
      }
      (role == 1 ? ix.fa : ix.mo)[i] = p;
    }
  }
  for (int i = 0; i < n; ++i) {
    const ChainRecord& r = file.records[i];
    if (ix.fa[i] >= 0 && ix.fa[i] == ix.mo[i]) {
      ix.problems.push_back(place(file, r) + name(r) + " has the same father and mother");
    }
    for (int role = 1; role <= 2; ++role) {
      const int p = role == 1 ? ix.fa[i] : ix.mo[i];
      if (p < 0) continue;
      const ChainRecord& pr = file.records[p];
      if (pr.sex != role) {
        ix.problems.push_back(place(file, r) + name(r) + ": " + (role == 1 ? "father " : "mother ") +
                              name(pr) + " has sex " + std::to_string(pr.sex));
      }
      if (pr.ped != r.ped) {
        ix.problems.push_back(place(file, r) + name(r) + ": " + (role == 1 ? "father " : "mother ") +
                              name(pr) + " is in pedigree " + std::to_string(pr.ped) +
                              ", not in " + std::to_string(r.ped));
      }
    }
  }
  return ix;
}

CheckResult check_pedigrees(const ChainFile& input, const ChainFile* cut) {
  const IndexedPedigree ix = index_pedigree(input);
  const int groups = static_cast<int>(ix.numbers.size());
  return check_pedigrees(input, ix, analyse_loops(ix.fa, ix.mo, ix.group, groups), cut);
}

namespace {

// The counts of the input alone: individuals, founders, one-parent records, loops.
void count_input(const ChainFile& input, const IndexedPedigree& ix, CheckResult& res) {
  const int n = static_cast<int>(input.records.size());
  const int groups = static_cast<int>(ix.numbers.size());
  for (int i = 0; i < n; ++i) {
    PedigreeCounts& c = res.pedigrees[ix.group[i]];
    ++c.individuals;
    if (ix.fa[i] < 0 && ix.mo[i] < 0) ++c.founders;
    if ((ix.fa[i] < 0) != (ix.mo[i] < 0)) ++c.one_parent;
  }
  for (int g = 0; g < groups; ++g) {
    res.pedigrees[g].loops = res.input_loops.loops[g];
    res.pedigrees[g].on_loops = res.input_loops.on_loop_count[g];
  }
}

// The records of the cut file matched to the input's individuals by label.
struct CutMatch {
  std::vector<int> found;   // the cut record of each input individual; -1 for none
  std::vector<int> origin;  // the input individual of each cut record; -1 for none
};

// Individuals are matched by label, as the cutter itself matches breakers. Copies are counted
// and checked (no parents, the original's sex) on the way.
CutMatch match_cut(const ChainFile& input, const IndexedPedigree& ix, const ChainFile& cut,
                   const IndexedPedigree& cx, CheckResult& res) {
  const int n = static_cast<int>(input.records.size());
  auto label_of_record = [&](int i) { return NameKey{name_view(input.records[i]), {}}; };
  NameIndex by_label(label_of_record, static_cast<std::size_t>(n));
  bool labels_unique = true;
  for (int i = 0; i < n; ++i) {
    if (by_label.insert(i) != i) {
      labels_unique = false;
      res.problems.push_back(place(input, input.records[i]) + "label " + name(input.records[i]) +
                             " is used twice, so the cut file cannot be matched to the input");
    }
  }
  for (const std::string& p : cx.problems) res.problems.push_back(p);
  const int m = static_cast<int>(cut.records.size());
  CutMatch match{std::vector<int>(n, -1), std::vector<int>(m, -1)};
  // The cut file keeps the input's records in their order, so the record after the last one
  // matched is tried first; where labels are unique, one with the same label is the one.
  int next_input = 0;
  auto input_labelled = [&](const ChainRecord& r) {
    if (labels_unique && next_input < n && input.records[next_input].kod == r.kod)
      return next_input;
    return by_label.find(NameKey{name_view(r), {}});
  };
  for (int k = 0; k < m; ++k) {
    const ChainRecord& r = cut.records[k];
    const int i = input_labelled(r);
    if (i >= 0 && r.prob != 1) next_input = i + 1;
    if (i < 0) {
      res.problems.push_back(place(cut, r) + name(r) + " is not in the input");
      continue;
    }
    match.origin[k] = i;
    if (r.prob == 1) {
      ++res.pedigrees[ix.group[i]].copies;
      res.is_breaker[i] = 1;
      if (cx.fa[k] >= 0 || cx.mo[k] >= 0)
        res.problems.push_back(place(cut, r) + "the copy of " + name(r) + " has parents");
      if (r.sex != input.records[i].sex)
        res.problems.push_back(place(cut, r) + "the copy of " + name(r) + " has another sex");
    } else if (match.found[i] >= 0) {
      res.problems.push_back(place(cut, r) + name(r) + " is in the cut file twice");
    } else {
      match.found[i] = k;
    }
  }
  return match;
}

// The individuals of the input missing from the cut file or with other parents there.
void find_lost(const ChainFile& input, const IndexedPedigree& ix, const ChainFile& cut,
               const IndexedPedigree& cx, const CutMatch& match, CheckResult& res) {
  auto label_of = [&](const ChainFile& f, int index) {
    return index < 0 ? std::string("none") : name(f.records[index]);
  };
  auto same_label = [&](int in_index, int cut_index) {
    if (in_index < 0 || cut_index < 0) return in_index < 0 && cut_index < 0;
    return name_view(input.records[in_index]) == name_view(cut.records[cut_index]);
  };
  for (std::size_t i = 0; i < input.records.size(); ++i) {
    const ChainRecord& r = input.records[i];
    std::string fault;
    if (match.found[i] < 0) {
      fault = "is missing from the cut file";
    } else {
      const int k = match.found[i];
      if (same_label(ix.fa[i], cx.fa[k]) && same_label(ix.mo[i], cx.mo[k])) continue;
      const std::string f_in = label_of(input, ix.fa[i]), m_in = label_of(input, ix.mo[i]);
      const std::string f_cut = label_of(cut, cx.fa[k]), m_cut = label_of(cut, cx.mo[k]);
      if (f_in != f_cut) fault = "has father " + f_cut + " in the cut file, " + f_in + " in the input";
      if (m_in != m_cut) {
        fault += (fault.empty() ? "" : "; ") + std::string("has mother ") + m_cut +
                 " in the cut file, " + m_in + " in the input";
      }
    }
    if (fault.empty()) continue;
    ++res.pedigrees[ix.group[i]].lost;
    res.lost.push_back(name(r) + " (pedigree " + std::to_string(r.ped) + ") " + fault);
  }
}

// Loops left, counted per pedigree of the input: a cut record belongs to the pedigree of its
// individual of the input. And the breakers per pedigree.
void count_left(const IndexedPedigree& ix, const IndexedPedigree& cx, const CutMatch& match,
                CheckResult& res) {
  const int groups = static_cast<int>(ix.numbers.size());
  const std::size_t m = match.origin.size();
  std::vector<int> cut_group(m, 0);
  for (std::size_t k = 0; k < m; ++k)
    cut_group[k] = match.origin[k] >= 0 ? ix.group[match.origin[k]] : 0;
  if (groups > 0) {
    const LoopAnalysis left = analyse_loops(cx.fa, cx.mo, cut_group, groups);
    for (int g = 0; g < groups; ++g) res.pedigrees[g].left = left.loops[g];
  }
  for (std::size_t i = 0; i < res.is_breaker.size(); ++i)
    if (res.is_breaker[i]) ++res.pedigrees[ix.group[i]].breakers;
}

void add_totals(CheckResult& res) {
  for (const PedigreeCounts& c : res.pedigrees) {
    res.total.individuals += c.individuals;
    res.total.founders += c.founders;
    res.total.one_parent += c.one_parent;
    res.total.loops += c.loops;
    res.total.on_loops += c.on_loops;
    res.total.left += c.left;
    res.total.breakers += c.breakers;
    res.total.copies += c.copies;
    res.total.lost += c.lost;
  }
}

}  // namespace

CheckResult check_pedigrees(const ChainFile& input, const IndexedPedigree& ix,
                            LoopAnalysis input_loops, const ChainFile* cut) {
  CheckResult res;
  res.with_cut = cut != nullptr;
  res.problems = ix.problems;
  const int n = static_cast<int>(input.records.size());
  const int groups = static_cast<int>(ix.numbers.size());
  res.pedigrees.resize(static_cast<std::size_t>(groups));
  for (int g = 0; g < groups; ++g) res.pedigrees[g].number = ix.numbers[g];
  if (input_loops.loops.size() != static_cast<std::size_t>(groups))
    input_loops = analyse_loops(ix.fa, ix.mo, ix.group, groups);
  res.input_loops = std::move(input_loops);
  count_input(input, ix, res);
  res.is_breaker.assign(n, 0);
  if (cut) {
    const IndexedPedigree cx = index_pedigree(*cut);
    const CutMatch match = match_cut(input, ix, *cut, cx, res);
    find_lost(input, ix, *cut, cx, match, res);
    count_left(ix, cx, match, res);
  }
  add_totals(res);
  return res;
}

}  // namespace loopcut::prep
