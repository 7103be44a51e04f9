// The cutter's indexed stages against the plain scans they replace (tests/reference): on many
// generated pedigrees of varied shapes both must leave the same tables after every stage, write
// the same lines and stop at the same point; the built program must write the same cut pedigree
// file as the plain stages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench/pedigree_generator.hpp"
#include "common/errors.hpp"
#include "ped_cut/ped_cut.hpp"
#include "reference/ped_cut_plain.hpp"
#include "support/run_program.hpp"

namespace loopcut {
namespace {

struct Record {
  int id = 0, fa = 0, mo = 0, sex = 1;
  std::string label;
};

struct Entry {
  int id = 0;
  std::string label;
  float weight = 0.0f;
};

struct Case {
  std::vector<Record> rows{1};  // rows[0] unused
  std::vector<Entry> report;
  std::string shape;            // what the case holds, for failure messages
  int n() const { return static_cast<int>(rows.size()) - 1; }
};

class Dice {
 public:
  explicit Dice(unsigned seed) : rng_(seed) {}
  int below(int n) { return n <= 1 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool chance(int percent) { return below(100) < percent; }
  std::mt19937& rng() { return rng_; }

 private:
  std::mt19937 rng_;
};

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// A pedigree of the benchmark's generator, read back from its file text.
std::vector<Record> generated_rows(Dice& dice, int records) {
  bench::GeneratorOptions o;
  o.records = records;
  o.pedigrees = 1 + dice.below(4);
  o.seed = static_cast<std::uint64_t>(dice.below(1 << 30));
  o.founders_percent = 2 + dice.below(12);
  o.one_parent_percent = dice.below(15);
  o.new_mate_percent = dice.below(70);
  o.mate_window = 2 + dice.below(30);
  o.parent_window = 3 + dice.below(60);
  std::istringstream in(bench::generate_pedigree(o).pedigree);
  std::string line;
  std::getline(in, line);  // header
  std::vector<Record> rows(1);
  for (Record r; std::getline(in, line);) {
    std::istringstream fields(line);
    int ped = 0;
    fields >> ped >> r.id >> r.fa >> r.mo >> r.sex >> r.label;
    rows.push_back(r);
  }
  return rows;
}

// Lists the rows in a shuffled order (children may come before their parents), identifiers
// following the rows.
void shuffle_rows(Dice& dice, std::vector<Record>& rows) {
  const int n = static_cast<int>(rows.size()) - 1;
  std::vector<int> order(at(n));
  std::iota(order.begin(), order.end(), 1);
  std::shuffle(order.begin(), order.end(), dice.rng());
  std::vector<int> row_of(at(n) + 1, 0);
  for (int r = 1; r <= n; ++r) row_of[at(order[at(r - 1)])] = r;
  std::vector<Record> out(1);
  for (int r = 1; r <= n; ++r) {
    Record q = rows[at(order[at(r - 1)])];
    q.id = r;
    q.fa = row_of[at(q.fa)];
    q.mo = row_of[at(q.mo)];
    out.push_back(q);
  }
  rows = out;
}

std::vector<bool> parents_of(const std::vector<Record>& rows) {
  std::vector<bool> is_parent(rows.size(), false);
  for (const Record& r : rows) {
    if (r.fa > 0) is_parent[at(r.fa)] = true;
    if (r.mo > 0) is_parent[at(r.mo)] = true;
  }
  return is_parent;
}

// With `refusable`, now and then an individual who is his own ancestor or a report label nobody
// carries, either of which stops the run before anything is written.
Case generate_case(Dice& dice, int records, bool refusable = true) {
  Case c;
  c.rows = generated_rows(dice, records);
  const int n = c.n();
  if (dice.chance(50)) {
    shuffle_rows(dice, c.rows);
    c.shape += " shuffled";
  }
  if (refusable && dice.chance(10)) {
    // A man made his own ancestor: the topmost father on his father line gets him as father.
    for (int tries = 0; tries < 20; ++tries) {
      const int d = 1 + dice.below(n);
      if (c.rows[at(d)].sex != 1 || c.rows[at(d)].fa == 0) continue;
      int top = d;
      while (c.rows[at(top)].fa != 0) top = c.rows[at(top)].fa;
      c.rows[at(top)].fa = d;
      c.shape += " own-ancestor";
      break;
    }
  }
  if (dice.chance(30)) {
    // Records nobody names as parent may carry any identifier, also one of another row, one
    // that a breaker copy will get, 0 or a negative one.
    const std::vector<bool> is_parent = parents_of(c.rows);
    for (int r = 1; r <= n; ++r) {
      if (!is_parent[at(r)] && dice.chance(10)) c.rows[at(r)].id = dice.below(n + 42) - 1;
    }
    c.shape += " odd-ids";
  }
  if (dice.chance(30)) {
    const int families = 1 + dice.below(std::max(1, n / 4));
    for (int r = 1; r <= n; ++r) {
      if (dice.chance(60)) c.rows[at(r)].label = "F" + std::to_string(dice.below(families));
    }
    c.shape += " repeated-labels";
  }

  // The report: mostly individuals with children, some without; now and then an identifier that
  // is not the breaker's, an entry repeated, or (rarely) a label nobody carries.
  const std::vector<bool> is_parent = parents_of(c.rows);
  std::vector<int> parents;
  for (int r = 1; r <= n; ++r) {
    if (is_parent[at(r)]) parents.push_back(r);
  }
  const int entries = dice.chance(10) ? dice.below(n + 1) : dice.below(3 + n / 15);
  const int weights = dice.below(4);
  c.shape += " weights:" + std::string(weights == 0 ? "varied" : weights == 1 ? "equal"
                                        : weights == 2 ? "some-zero" : "all-zero");
  for (int k = 0; k < entries; ++k) {
    Entry e;
    if (!c.report.empty() && dice.chance(10)) {
      e = c.report[at(dice.below(static_cast<int>(c.report.size())))];
    } else {
      const int i = !parents.empty() && dice.chance(70)
                        ? parents[at(dice.below(static_cast<int>(parents.size())))]
                        : 1 + dice.below(n);
      e.id = dice.chance(90) ? c.rows[at(i)].id : dice.below(n + 5);
      e.label = c.rows[at(i)].label;
    }
    if (refusable && dice.chance(1)) e.label = "NOBODY";
    if (weights == 0) e.weight = static_cast<float>(dice.below(12)) * 0.25f;
    if (weights == 1) e.weight = 1.5f;
    if (weights == 2) e.weight = dice.chance(40) ? 0.0f : static_cast<float>(1 + dice.below(3));
    c.report.push_back(e);
  }
  return c;
}

void load(CutTables& t, const Case& c) {
  t.ensure_rows(c.n());
  t.ensure_entries(static_cast<int>(c.report.size()));
  std::fill(t.from.begin(), t.from.end(), 0);
  std::fill(t.brk.begin(), t.brk.end(), 0);
  for (int r = 1; r <= c.n(); ++r) {
    const Record& q = c.rows[at(r)];
    t.mas(r, PED) = 1;
    t.mas(r, ID) = q.id;
    t.mas(r, FA) = q.fa;
    t.mas(r, MO) = q.mo;
    t.mas(r, SEX) = q.sex;
    t.mas(r, PROB) = 2;
    t.kod[at(r)] = make_label(q.label);
  }
  t.ndat = t.nread = c.n();
  t.ncut = static_cast<int>(c.report.size());
  for (int k = 1; k <= t.ncut; ++k) {
    t.n_cut[at(k)] = c.report[at(k - 1)].id;
    t.cut[at(k)] = make_label(c.report[at(k - 1)].label);
    t.weight[at(k)] = c.report[at(k - 1)].weight;
  }
}

// What a stage did besides changing the tables.
struct StageRun {
  bool stopped = false;
  std::string out, err;
};

StageRun run_stage(const std::function<void()>& stage) {
  StageRun s;
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  try {
    stage();
  } catch (const Stop&) {
    s.stopped = true;
  }
  s.out = ::testing::internal::GetCapturedStdout();
  s.err = ::testing::internal::GetCapturedStderr();
  return s;
}

// The first row among 1 .. rows where the tables differ, described; empty when none does.
std::string row_difference(const CutTables& a, const CutTables& b, int rows, bool with_from) {
  for (int r = 1; r <= rows; ++r) {
    bool same = a.kod[at(r)] == b.kod[at(r)] && (!with_from || a.from[at(r)] == b.from[at(r)]);
    for (int column = 1; column <= MAS_COLUMNS; ++column) {
      same = same && a.mas(r, column) == b.mas(r, column);
    }
    if (!same) {
      std::string d = "row " + std::to_string(r) + ":";
      for (int column = 1; column <= MAS_COLUMNS; ++column) {
        d += " " + std::to_string(a.mas(r, column)) + "/" + std::to_string(b.mas(r, column));
      }
      return d + " " + trimmed(a.kod[at(r)]) + "/" + trimmed(b.kod[at(r)]);
    }
  }
  return "";
}

std::string entry_difference(const CutTables& a, const CutTables& b) {
  for (int k = 1; k <= a.ncut; ++k) {
    if (a.n_cut[at(k)] != b.n_cut[at(k)] || a.cut[at(k)] != b.cut[at(k)] ||
        a.weight[at(k)] != b.weight[at(k)] || a.brk[at(k)] != b.brk[at(k)]) {
      return "entry " + std::to_string(k);
    }
  }
  return "";
}

// Runs the indexed stages on `fast` and the plain ones on `plain`, both loaded with the case,
// and requires the same tables, lines and stops after every stage. Returns false after a stop.
bool same_stages(CutTables& fast, CutTables& plain, const Case& c) {
  load(fast, c);
  load(plain, c);
  SCOPED_TRACE("shape:" + c.shape + ", rows " + std::to_string(c.n()) + ", entries " +
               std::to_string(c.report.size()));
  auto same_runs = [](const StageRun& f, const StageRun& p, const char* stage) {
    EXPECT_EQ(f.stopped, p.stopped) << stage;
    EXPECT_EQ(f.out, p.out) << stage;
    EXPECT_EQ(f.err, p.err) << stage;
    return !f.stopped && !p.stopped;
  };

  find_breakers(fast);
  reference::find_breakers(plain);
  EXPECT_EQ(entry_difference(fast, plain), "") << "find_breakers";
  if (!same_runs(run_stage([&] { check_input(fast); }), run_stage([&] { check_input(plain); }),
                 "check_input")) {
    return false;
  }
  const int nread = fast.ndat;
  if (!same_runs(run_stage([&] { cut_breakers(fast); }),
                 run_stage([&] { reference::cut_breakers(plain); }), "cut_breakers")) {
    return false;
  }
  EXPECT_EQ(fast.ndat, plain.ndat);
  EXPECT_EQ(entry_difference(fast, plain), "") << "cut_breakers";
  EXPECT_EQ(row_difference(fast, plain, std::max(nread, fast.ndat), true), "") << "cut_breakers";

  const int nped_fast = split(fast);
  const int nped_plain = reference::split(plain);
  EXPECT_EQ(nped_fast, nped_plain);
  EXPECT_EQ(row_difference(fast, plain, fast.ndat, true), "") << "split";

  rejoin(fast);
  reference::rejoin(plain);
  EXPECT_EQ(entry_difference(fast, plain), "") << "rejoin";
  EXPECT_EQ(row_difference(fast, plain, fast.ndat, true), "") << "rejoin";

  const int rows = fast.ndat;
  if (!same_runs(run_stage([&] { rewrite(fast, nped_fast); }),
                 run_stage([&] { reference::rewrite(plain, nped_plain); }), "rewrite")) {
    return false;
  }
  EXPECT_EQ(fast.ndat, plain.ndat);
  // Rows behind the written ones too: the dropped rows as the exchanges left them.
  EXPECT_EQ(row_difference(fast, plain, rows, false), "") << "rewrite";
  return true;
}

struct Tables {
  std::unique_ptr<CutTables> fast = std::make_unique<CutTables>();
  std::unique_ptr<CutTables> plain = std::make_unique<CutTables>();
};

TEST(PedCutSameness, GeneratedPedigreesOfManyShapesGiveTheSameTablesAfterEveryStage) {
  Tables t;
  Dice dice(20240611u);
  int completed = 0;
  for (int run = 0; run < 500 && !::testing::Test::HasFailure(); ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    const Case c = generate_case(dice, 3 + dice.below(run % 5 == 0 ? 600 : 120));
    completed += same_stages(*t.fast, *t.plain, c);
  }
  EXPECT_GT(completed, 380) << "most cases should run through every stage";
}

TEST(PedCutSameness, LargePedigreesGiveTheSameTables) {
  Tables t;
  Dice dice(77u);
  for (int run = 0; run < 3 && !::testing::Test::HasFailure(); ++run) {
    const Case c = generate_case(dice, 2500, false);
    EXPECT_TRUE(same_stages(*t.fast, *t.plain, c));
  }
}

// A table filled to the last row: the copies overflow in cut_breakers, or the spare identifier
// does not fit in rewrite; both versions stop at the same point with the same message.
TEST(PedCutSameness, FullTablesStopAtTheSamePoint) {
  Tables t;
  // Rows left after the read rows and the two copies: -1 overflows at the second copy, 0 leaves
  // no spare identifier.
  for (int spare_rows : {-1, 0}) {
    SCOPED_TRACE("spare rows " + std::to_string(spare_rows));
    Case c;
    // A loop A B C D E F G H I whose breaker C gets one copy, then founders up to the capacity.
    const int loop[][3] = {{0, 0, 1}, {0, 0, 2}, {1, 2, 1}, {1, 2, 2}, {0, 0, 2},
                           {0, 0, 1}, {3, 5, 1}, {6, 4, 2}, {7, 8, 1}};
    for (const auto& q : loop) {
      const int id = static_cast<int>(c.rows.size());
      c.rows.push_back({id, q[0], q[1], q[2], "L" + std::to_string(id)});
    }
    while (c.n() < N_SIZE - 2 - spare_rows) {
      c.rows.push_back({c.n() + 1, 0, 0, 1 + c.n() % 2, "P" + std::to_string(c.n() + 1)});
    }
    c.report = {{3, "L3", 1.0f}, {4, "L4", 1.0f}, {1, "L1", 1.0f}};
    EXPECT_FALSE(same_stages(*t.fast, *t.plain, c));
  }
}

// The program as a whole, reading its files: the same cut pedigree file, standard output and
// exit status as the plain stages writing the file through the program's own writer.
TEST(PedCutSameness, TheProgramWritesTheSameFileAsThePlainStages) {
  auto plain = std::make_unique<CutTables>();
  Dice dice(4242u);
  for (int run = 0; run < 40 && !::testing::Test::HasFailure(); ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    const Case c = generate_case(dice, 3 + dice.below(run % 4 == 0 ? 1500 : 150));
    testing::WorkDir dir;
    std::string pedigree = "ped id fa mo sex kod\n";
    for (int r = 1; r <= c.n(); ++r) {
      const Record& q = c.rows[at(r)];
      pedigree += "1 " + std::to_string(q.id) + " " + std::to_string(q.fa) + " " +
                  std::to_string(q.mo) + " " + std::to_string(q.sex) + " " + q.label + "\n";
    }
    std::string report, weights;
    char line[64];
    for (const Entry& e : c.report) {
      std::snprintf(line, sizeof line, "%6d   %-20s\n", e.id, e.label.c_str());
      report += line;
      // The later of two weight records for a star counts; stars nobody cuts are passed over.
      std::snprintf(line, sizeof line, "%d %.9g\n%d 7.5\n", e.id,
                    static_cast<double>(e.weight) + 3.0, e.id + 1000);
      weights += line;
      std::snprintf(line, sizeof line, "%d %.9g\n", e.id, static_cast<double>(e.weight));
      weights += line;
    }
    dir.write("task.inp", "family.ped\nweights.dat\ncut.ped\n");
    dir.write("family.ped", pedigree);
    dir.write("res.dat", report);
    dir.write("weights.dat", weights);
    const testing::RunResult program = dir.run("ped_cut");

    CutTables& t = *plain;
    std::fill(t.from.begin(), t.from.end(), 0);
    const std::string base = dir.path().string() + "/";
    StageRun ref = run_stage([&] {
      read_pedigree(t, base + "family.ped");
      for (int r = 1; r <= t.ndat; ++r) t.mas(r, PROB) = 2;
      read_report(t, base + "res.dat");
      for (int k = 1; k <= t.ncut; ++k) t.weight[at(k)] = 0.0f;
      std::istringstream w(weights);
      int star = 0;
      float value = 0.0f;
      while (w >> star >> value) {
        const int k = reference::entry_of_star(t, star);
        if (k != 0) t.weight[at(k)] = value;
      }
      reference::find_breakers(t);
      check_input(t);
      reference::cut_breakers(t);
      const int nped = reference::split(t);
      reference::rejoin(t);
      reference::rewrite(t, nped);
      write_cut_pedigree(t, base + "plain.ped");
    });
    EXPECT_EQ(program.status, ref.stopped ? 1 : 0);
    EXPECT_EQ(program.out, " READING of initial data\n" + ref.out);
    EXPECT_EQ(program.err, ref.err);
    EXPECT_EQ(dir.exists("cut.ped"), !ref.stopped);
    if (!ref.stopped) {
      EXPECT_EQ(dir.read("cut.ped"), dir.read("plain.ped")) << c.shape;
    }
  }
}

// The weight file's records find the first entry with their identifier, also among repeated
// identifiers, negative ones and identifiers nobody cuts.
TEST(PedCutSameness, WeightRecordsFindTheSameEntry) {
  auto t = std::make_unique<CutTables>();
  Dice dice(5u);
  t->ensure_entries(60);
  for (int run = 0; run < 200; ++run) {
    t->ncut = dice.below(60);
    for (int k = 1; k <= t->ncut; ++k) t->n_cut[at(k)] = dice.below(40) - 3;
    index_stars(*t);
    for (int star = -5; star <= 40; ++star) {
      ASSERT_EQ(entry_of_star(*t, star), reference::entry_of_star(*t, star))
          << "run " << run << ", star " << star;
    }
  }
}

}  // namespace
}  // namespace loopcut
