// The whole chain on the bundled example: cost_prep, cut_select and ped_cut one after another in
// one working directory, and the files they hand on checked against each other.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <numeric>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/run_program.hpp"

namespace loopcut {
namespace {

namespace fs = std::filesystem;
using testing::WorkDir;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::string trim(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

struct CutRow {
  int ped, id, fa, mo, sex, prob;
  std::string kod;
};

// Finds a loop through the marriage graph: individuals and matings as nodes, each parent and
// each child joined to its mating. The pedigree is loop-free when that graph is a forest.
bool has_loop(const std::vector<CutRow>& rows) {
  std::vector<int> up(rows.size() * 2 + 2);
  std::iota(up.begin(), up.end(), 0);
  auto root = [&](int x) {
    while (up[x] != x) x = up[x] = up[up[x]];
    return x;
  };
  auto join = [&](int a, int b) {  // false when a and b were already connected
    a = root(a), b = root(b);
    up[a] = b;
    return a != b;
  };
  std::map<std::pair<int, int>, int> mating;
  const int first_mating = static_cast<int>(rows.size()) + 1;
  for (const CutRow& r : rows) {
    if (r.fa == 0) continue;
    auto [it, fresh] = mating.try_emplace({r.fa, r.mo}, first_mating + static_cast<int>(mating.size()));
    if (fresh && (!join(r.fa, it->second) || !join(r.mo, it->second))) return true;
    if (!join(r.id, it->second)) return true;
  }
  return false;
}

TEST(Chain, BundledExampleRunsAndItsFilesAgree) {
  WorkDir d;
  for (const auto& e : fs::directory_iterator(testing::source_path("examples")))
    if (e.path().extension() != ".sh") fs::copy_file(e.path(), d.path() / e.path().filename());
  for (const char* prog : {"cost_prep", "cut_select", "ped_cut"}) {
    const auto r = d.run(prog);
    ASSERT_EQ(r.status, 0) << prog << ": " << r.err;
    EXPECT_EQ(r.err, "") << prog;
  }

  // The input pedigree: identifier -> label.
  std::map<int, std::string> label;
  std::vector<CutRow> input_rows;
  const auto ped = lines_of(d.read("family.ped"));
  for (std::size_t k = 1; k < ped.size(); ++k) {
    std::istringstream f(ped[k]);
    int p, id, fa, mo, sex;
    std::string kod;
    ASSERT_TRUE(f >> p >> id >> fa >> mo >> sex >> kod);
    label[id] = kod;
    input_rows.push_back({p, id, fa, mo, sex, 2, kod});
  }
  ASSERT_TRUE(has_loop(input_rows));  // what the chain is there to open
  const int n = static_cast<int>(label.size());
  EXPECT_EQ(lines_of(d.read("w_0.dat")).size(), static_cast<std::size_t>(n));

  // Every report line names an individual of the pedigree by identifier and label.
  std::set<std::string> breakers;
  const auto res = lines_of(d.read("res.dat"));
  EXPECT_FALSE(res.empty());  // the example has loops, so something is cut
  for (const std::string& line : res) {
    ASSERT_EQ(line.size(), 29u) << line;
    const int id = std::stoi(line.substr(0, 6));
    ASSERT_TRUE(label.count(id)) << line;
    EXPECT_EQ(trim(line.substr(9)), label[id]) << line;
    breakers.insert(label[id]);
  }

  // The cut pedigree: renumbered 1, 2, ..; parents before children and in the child's pedigree;
  // every individual of the input once, and copies only of reported breakers; no loop left.
  const auto cut = lines_of(d.read("family.cut"));
  ASSERT_GE(cut.size(), static_cast<std::size_t>(n) + 1);
  std::vector<CutRow> rows;
  std::multiset<std::string> kept;
  for (std::size_t k = 1; k < cut.size(); ++k) {
    const std::string& l = cut[k];
    ASSERT_EQ(l.size(), 58u) << l;
    CutRow r{};
    int* fields[] = {&r.ped, &r.id, &r.fa, &r.mo, &r.sex, &r.prob};
    for (int c = 0; c < 6; ++c) *fields[c] = std::stoi(l.substr(static_cast<std::size_t>(c) * 6, 6));
    r.kod = trim(l.substr(38));
    EXPECT_EQ(r.id, static_cast<int>(k)) << l;
    EXPECT_TRUE(r.fa < r.id && r.mo < r.id && (r.fa == 0) == (r.mo == 0)) << l;
    if (r.fa != 0) {
      EXPECT_EQ(rows[static_cast<std::size_t>(r.fa) - 1].ped, r.ped) << l;
      EXPECT_EQ(rows[static_cast<std::size_t>(r.mo) - 1].ped, r.ped) << l;
    }
    if (r.prob == 2) kept.insert(r.kod);
    else EXPECT_TRUE(r.prob == 1 && r.fa == 0 && breakers.count(r.kod)) << l;
    rows.push_back(r);
  }
  std::multiset<std::string> input;
  for (const auto& [id, kod] : label) input.insert(kod);
  EXPECT_EQ(kept, input);
  EXPECT_FALSE(has_loop(rows));
}

}  // namespace
}  // namespace loopcut
