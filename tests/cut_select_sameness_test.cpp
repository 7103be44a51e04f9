// The optimiser's indexed routines against the plain scans of tests/reference: on hundreds of
// generated pedigrees of varied shapes, run side by side on two work areas, every routine must
// leave the same tables, print the same step lines and write the same res.dat bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "bench/pedigree_generator.hpp"
#include "cut_select_support.hpp"
#include "reference/cut_select_plain.hpp"

namespace loopcut::testing {
namespace {

using bench::GeneratorOptions;

// How the generated weights are changed before the run.
enum class Twist {
  none,
  negative,     // some weights below 0.0: never centres
  no_one_mate,  // every record with one mate weighs below 0.0, so most pedigrees have no star
                // of one mate and the search starts from the empty selection
  wide,         // weights from 1e-12 to 1e12: double sums round, so their order shows
  minus_zero,   // zero weights, half of them -0.0
  all_zero,     // every weight 0.0 or, mostly, -0.0: a total is -0.0 only if all its costs are
};

struct Case {
  std::string name;
  GeneratorOptions options;
  Twist twist = Twist::none;
  bool self_fathers = false;  // a few males are their own fathers: a star joins a node to itself
};

std::vector<Rec> records_of(const Case& c) {
  const bench::GeneratedFiles f = bench::generate_pedigree(c.options);
  std::vector<Rec> recs;
  std::istringstream ped(f.pedigree);
  std::string line;
  std::getline(ped, line);  // header
  int ip = 0, id = 0;
  std::string kod;
  while (ped >> ip >> id) {
    Rec r{ip, 0, 0, 1};
    ped >> r.fa >> r.mo >> r.sex >> kod;
    r.kod = kod;
    recs.push_back(r);
  }
  std::istringstream wt(f.weights);
  for (Rec& r : recs) wt >> id >> r.weight;

  std::map<int, std::set<int>> mates;
  for (const Rec& r : recs) {
    if (r.fa != 0) mates[r.fa].insert(r.mo);
    if (r.mo != 0) mates[r.mo].insert(r.fa);
  }
  for (std::size_t k = 0; k < recs.size(); ++k) {
    Rec& r = recs[k];
    const int row = static_cast<int>(k) + 1;
    const unsigned h = static_cast<unsigned>(row) * 2654435761u;
    switch (c.twist) {
      case Twist::none: break;
      case Twist::negative:
        if (h % 7 == 0) r.weight = -r.weight - 0.5f;
        break;
      case Twist::no_one_mate:
        if (mates[row].size() == 1) r.weight = -1.0f;
        break;
      case Twist::wide:
        r.weight *= std::pow(10.0f, static_cast<float>(static_cast<int>(h % 5) * 6 - 12));
        break;
      case Twist::minus_zero:
        if (r.weight == 0.0f && h % 2 == 0) r.weight = -0.0f;
        break;
      case Twist::all_zero:
        r.weight = h % 4 == 0 ? 0.0f : -0.0f;
        break;
    }
    // Heavy, so that a childless one (whose only mate is 0, by himself) can be star 1, whose
    // two nodes are then one: a loop by itself.
    if (c.self_fathers && r.sex == 1 && r.fa == 0 && h % 11 == 0 && k > 0) {
      r.fa = row;
      r.weight = 100.0f;
    }
  }
  return recs;
}

// Hundreds of shapes: sizes 20 to 300 records, one to four pedigrees per file, mate choice
// from narrow to wide, mothers keeping or changing mates (stars of one to many mates), records
// with one known parent, equal, zero (0.0 and -0.0), negative and widely spread weights.
std::vector<Case> cases() {
  std::vector<Case> all;
  const Twist twists[] = {Twist::none, Twist::negative, Twist::no_one_mate, Twist::wide,
                          Twist::minus_zero, Twist::all_zero};
  const GeneratorOptions::Weights weights[] = {GeneratorOptions::Weights::varied,
                                               GeneratorOptions::Weights::equal,
                                               GeneratorOptions::Weights::with_zeros};
  for (int k = 0; k < 360; ++k) {
    Case c;
    GeneratorOptions& o = c.options;
    o.seed = 1000 + static_cast<std::uint64_t>(k);
    o.records = 20 + (k * 37) % 281;
    o.pedigrees = 1 + k % 4;
    o.founders_percent = k % 3 == 0 ? 15 : 6;
    o.new_mate_percent = (k / 3) % 4 * 30;  // 0, 30, 60, 90
    o.mate_window = k % 5 == 0 ? 3 : (k % 5 == 1 ? 8 : 30);
    o.parent_window = k % 2 == 0 ? 10 : 60;
    o.one_parent_percent = k % 7 == 0 ? 15 : 2;
    o.weights = weights[(k / 5) % 3];
    c.twist = twists[k % 6];
    if (c.twist == Twist::minus_zero) o.weights = GeneratorOptions::Weights::with_zeros;
    c.self_fathers = k % 13 == 0;
    c.name = "case " + std::to_string(k) + ": " + std::to_string(o.records) + " records, " +
             std::to_string(o.pedigrees) + " pedigrees";
    all.push_back(c);
  }
  return all;
}

// ---- Running a routine on both work areas.

struct Outcome {
  bool stopped = false;
  int status = 0;
  std::string out;
  bool operator==(const Outcome&) const = default;
};

template <class F>
Outcome capture(F&& f) {
  ::testing::internal::CaptureStdout();
  Outcome o;
  try {
    f();
  } catch (const Stop& s) {
    o.stopped = true;
    o.status = s.status;
  }
  o.out = ::testing::internal::GetCapturedStdout();
  return o;
}

// The first line in which two outputs differ, or "".
std::string first_line_apart(const std::string& a, const std::string& b) {
  std::istringstream sa(a), sb(b);
  std::string la, lb;
  for (int n = 1;; ++n) {
    const bool ga = static_cast<bool>(std::getline(sa, la));
    const bool gb = static_cast<bool>(std::getline(sb, lb));
    if (!ga && !gb) return "";
    if (!ga || !gb || la != lb) {
      return "line " + std::to_string(n) + ": \"" + (ga ? la : "(none)") + "\" (indexed) vs \"" +
             (gb ? lb : "(none)") + "\" (plain)";
    }
  }
}

// The first difference between two lists of numbers, or "".
template <class T>
std::string differ(const std::string& what, const std::vector<T>& a, const std::vector<T>& b) {
  if (a == b) return "";
  std::ostringstream m;
  m << what << " differs";
  for (std::size_t k = 0; k < std::min(a.size(), b.size()); ++k) {
    if (a[k] != b[k]) {
      m << " at entry " << k << ": " << a[k] << " (indexed) vs " << b[k] << " (plain)";
      return m.str();
    }
  }
  m << " in length: " << a.size() << " vs " << b.size();
  return m.str();
}

std::vector<int> rows_of(const std::vector<int>& col, int first, int last) {
  return {col.begin() + first, col.begin() + last + 1};
}

std::vector<int> mates_table(WorkArea& w, int n) {
  std::vector<int> v;
  for (int j = 1; j <= n; ++j) {
    for (int c = 1; c <= w.spou(j, 1) + 1; ++c) v.push_back(w.spou(j, c));
  }
  return v;
}

// What structure leaves: sibship numbers, their count, the mates lists.
std::string after_structure(WorkArea& a, WorkArea& b, int ip) {
  const int i0 = a.fam[ip + 1], last = a.fam[ip + 2];
  std::string d = differ("nsib", std::vector<int>{a.nsib}, std::vector<int>{b.nsib});
  if (d.empty()) d = differ("ped", rows_of(a.ped, i0 + 1, last), rows_of(b.ped, i0 + 1, last));
  if (d.empty()) d = differ("spou", mates_table(a, last - i0), mates_table(b, last - i0));
  return d;
}

// What sow_tree leaves: the counters, the compacted records and their mates lists.
std::string after_sow_tree(WorkArea& a, WorkArea& b, int ip) {
  const int i0 = a.fam[ip + 1];
  std::string d = differ("nend nsib max_spou", std::vector<int>{a.nend, a.nsib, a.max_spou},
                         std::vector<int>{b.nend, b.nsib, b.max_spou});
  if (!d.empty()) return d;
  const int first = i0 + 1, end = a.nend;
  for (auto col : {&WorkArea::ped, &WorkArea::id, &WorkArea::fa, &WorkArea::mo, &WorkArea::sex}) {
    d = differ("record column", rows_of(a.*col, first, end), rows_of(b.*col, first, end));
    if (!d.empty()) return d;
  }
  for (int i = first; i <= end; ++i) {
    if (a.kod[i] != b.kod[i]) return "kod differs at row " + std::to_string(i);
  }
  return differ("spou", mates_table(a, end - i0), mates_table(b, end - i0));
}

// What star leaves: the star list, the size index, the star rows and the leaf count.
std::string after_star(WorkArea& a, WorkArea& b) {
  std::string d = differ("nstar nleaf", std::vector<int>{a.nstar, a.nleaf},
                         std::vector<int>{b.nstar, b.nleaf});
  if (d.empty()) d = differ("size index", rows_of(a.st, 1, a.max_spou + 2),
                            rows_of(b.st, 1, b.max_spou + 2));
  if (d.empty()) d = differ("star list", rows_of(a.star_centre, 1, a.nstar),
                            rows_of(b.star_centre, 1, b.nstar));
  for (int t = 1; d.empty() && t <= a.nstar; ++t) {
    d = differ("star row " + std::to_string(t), star_row(a, t), star_row(b, t));
  }
  return d;
}

// What each side's coverage counts are about.
struct Coverage {
  int pedigrees = 0;
  int with_stars = 0;
  int without_star_of_one_mate = 0;
  int with_stars_of_four_mates = 0;
  int with_leaves = 0;
  int step_lines = 0;
  int report_lines = 0;
};

// Runs the whole optimiser on both work areas, in step, comparing after every routine.
// Returns the first difference, or "".
std::string run_both(WorkArea& a, WorkArea& b, const std::vector<Rec>& recs, const WorkDir& dir,
                     Coverage& cov) {
  // The generator's parents are rows of the same pedigree, as the routines need. The program
  // refuses an individual that is its own ancestor before any routine runs; the routines still
  // get the self-fathers here, to check that both handle a star that closes a loop by itself.
  load(a, recs);
  load(b, recs);
  std::string d;
  {
    OutputFile ra((dir.path() / "indexed.dat").string(), OutputFile::Mode::in_place);
    OutputFile rb((dir.path() / "plain.dat").string(), OutputFile::Mode::in_place);
    for (int ip = 1; ip <= a.nfam() && d.empty(); ++ip) {
      ++cov.pedigrees;
      const std::string where = "pedigree " + std::to_string(ip) + ": ";
      auto step = [&](const char* name, auto fast, auto plain) {
        const Outcome of = capture([&] { fast(); });
        const Outcome op = capture([&] { plain(); });
        if (!(of == op)) {
          d = where + name + " output or stop differs: " + first_line_apart(of.out, op.out);
        }
        return d.empty() && !of.stopped;
      };
      if (!step("structure", [&] { structure(a, ip); }, [&] { reference::structure(b, ip); }))
        break;
      if (d = after_structure(a, b, ip); !d.empty()) break;
      if (!step("sow_tree", [&] { sow_tree(a, ip); }, [&] { reference::sow_tree(b, ip); })) break;
      if (d = after_sow_tree(a, b, ip); !d.empty()) break;
      if (!step("star", [&] { star(a, ip); }, [&] { reference::star(b, ip); })) break;
      if (d = after_star(a, b); !d.empty()) break;
      const Outcome sa = capture([&] { optimal(a, ip, ra); });
      const Outcome sb = capture([&] { reference::optimal(b, ip, rb); });
      if (!(sa == sb)) d = where + "step lines differ: " + first_line_apart(sa.out, sb.out);
      if (d.empty()) {
        std::vector<int> ka, kb;
        for (int k = 1; k <= a.nsel; ++k) ka.push_back(a.sel(k));
        for (int k = 1; k <= b.nsel; ++k) kb.push_back(b.sel(k));
        d = differ("kept selection", ka, kb);
      }
      if (!d.empty()) break;
      if (a.nstar > 0) {
        ++cov.with_stars;
        if (a.con(1, 2) != 1) ++cov.without_star_of_one_mate;
        if (a.max_spou >= 4) ++cov.with_stars_of_four_mates;
        if (a.nleaf > 0) ++cov.with_leaves;
      }
      for (std::size_t p = 0; (p = sa.out.find("STEP=", p)) != std::string::npos; ++p) {
        ++cov.step_lines;
      }
    }
    ra.commit();
    rb.commit();
  }
  if (!d.empty()) return d;
  const std::string res = dir.read("indexed.dat");
  if (res != dir.read("plain.dat")) {
    return "res.dat differs: " + first_line_apart(res, dir.read("plain.dat"));
  }
  cov.report_lines += static_cast<int>(std::count(res.begin(), res.end(), '\n'));
  return "";
}

TEST(SamenessCutSelect, GeneratedPedigreesOfManyShapesGiveTheSameTablesStepsAndReport) {
  auto a = new_work_area();
  auto b = new_work_area();
  WorkDir dir;
  Coverage cov;
  // One pair of work areas for every case, as the program keeps one for every pedigree: what a
  // case leaves behind must not change the next one's results.
  for (const Case& c : cases()) {
    const std::string d = run_both(*a, *b, records_of(c), dir, cov);
    ASSERT_EQ(d, "") << c.name;
  }
  // The shapes the cases are meant to reach.
  EXPECT_GT(cov.pedigrees, 800);
  EXPECT_GT(cov.with_stars, 500);
  EXPECT_GT(cov.without_star_of_one_mate, 50);
  EXPECT_GT(cov.with_stars_of_four_mates, 50);
  EXPECT_GT(cov.step_lines, 5000);
  EXPECT_GT(cov.report_lines, 1000);
  std::printf("%d pedigrees, %d with stars, %d without a star of one mate, %d with stars of four "
              "or more mates, %d with leaves; %d step lines, %d report lines\n",
              cov.pedigrees, cov.with_stars, cov.without_star_of_one_mate,
              cov.with_stars_of_four_mates, cov.with_leaves, cov.step_lines, cov.report_lines);
}

}  // namespace
}  // namespace loopcut::testing

namespace loopcut::testing {
namespace {

// Herds whose AI sires have tens of mates: the step search tells whether such a large star still
// fits a base from the groups its parent base's star joined, and must agree with the plain scans.
TEST(SamenessCutSelect, HerdsWithManyMateSiresGiveTheSameStepsAndReport) {
  auto a = new_work_area();
  auto b = new_work_area();
  WorkDir dir;
  Coverage cov;
  int large = 0;
  for (std::uint64_t seed = 1; seed <= 6; ++seed) {
    Case c;
    c.name = "herd " + std::to_string(seed);
    c.options.records = 400 + 50 * static_cast<int>(seed);
    c.options.pedigrees = 1 + static_cast<int>(seed % 3);
    c.options.seed = seed;
    c.options.ai_sires = 10;
    c.options.ai_percent = 70;
    c.options.ai_top_percent = 4;
    c.options.weights = seed % 4 == 0 ? GeneratorOptions::Weights::equal : GeneratorOptions::Weights::varied;
    const std::string d = run_both(*a, *b, records_of(c), dir, cov);
    ASSERT_EQ(d, "") << c.name;
    large += a->max_spou >= 16 ? 1 : 0;
  }
  EXPECT_GE(large, 4);  // pedigrees whose stars the search watches
  EXPECT_GT(cov.step_lines, 500);
}

}  // namespace
}  // namespace loopcut::testing
