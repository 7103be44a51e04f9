#include "bench/marker_generator.hpp"

#include <algorithm>
#include <array>
#include <queue>
#include <sstream>
#include <stdexcept>
#include <unordered_map>

#include "bench/random.hpp"

namespace loopcut::bench {

namespace {

std::runtime_error bad_line(const std::string& name, int line, const std::string& what) {
  return std::runtime_error(name + ":" + std::to_string(line) + ": " + what);
}

// Record indexes of each record's parents (-1 for none), by identifier.
std::vector<std::array<int, 2>> parent_rows(const std::vector<PedigreeRecord>& records,
                                            const std::string& name) {
  std::unordered_map<int, int> row_of;
  for (std::size_t i = 0; i < records.size(); ++i) row_of[records[i].id] = static_cast<int>(i);
  std::vector<std::array<int, 2>> parents(records.size(), {-1, -1});
  for (std::size_t i = 0; i < records.size(); ++i) {
    const int ids[2] = {records[i].fa, records[i].mo};
    for (int k = 0; k < 2; ++k) {
      if (ids[k] == 0) continue;
      const auto it = row_of.find(ids[k]);
      if (it == row_of.end())
        throw bad_line(name, records[i].line,
                       "parent " + std::to_string(ids[k]) + " has no record");
      parents[i][static_cast<std::size_t>(k)] = it->second;
    }
  }
  return parents;
}

// Parents before children; a cycle of ancestry is refused.
std::vector<int> ancestry_order(const std::vector<std::array<int, 2>>& parents,
                                const std::string& name) {
  const std::size_t n = parents.size();
  std::vector<std::vector<int>> children(n);
  std::vector<int> waiting(n, 0);
  for (std::size_t i = 0; i < n; ++i)
    for (int p : parents[i])
      if (p >= 0) {
        children[static_cast<std::size_t>(p)].push_back(static_cast<int>(i));
        ++waiting[i];
      }
  std::queue<int> ready;
  for (std::size_t i = 0; i < n; ++i)
    if (waiting[i] == 0) ready.push(static_cast<int>(i));
  std::vector<int> order;
  while (!ready.empty()) {
    const int v = ready.front();
    ready.pop();
    order.push_back(v);
    for (int c : children[static_cast<std::size_t>(v)])
      if (--waiting[static_cast<std::size_t>(c)] == 0) ready.push(c);
  }
  if (order.size() != n) throw std::runtime_error(name + ": a cycle of ancestry");
  return order;
}

// Generations below each individual: 0 without children, else 1 + the most of its children.
std::vector<int> generations_below(const std::vector<std::array<int, 2>>& parents,
                                   const std::vector<int>& order) {
  std::vector<int> below(parents.size(), 0);
  for (auto it = order.rbegin(); it != order.rend(); ++it)
    for (int p : parents[static_cast<std::size_t>(*it)])
      if (p >= 0) {
        int& b = below[static_cast<std::size_t>(p)];
        b = std::max(b, below[static_cast<std::size_t>(*it)] + 1);
      }
  return below;
}

// A marker's alleles 1..n with uneven frequencies: each allele gets 1 to 4 shares.
struct Marker {
  std::vector<int> shares;
  int total = 0;
  int draw(Random& rng) const {
    int r = rng.below(total);
    for (std::size_t a = 0; a < shares.size(); ++a) {
      if (r < shares[a]) return static_cast<int>(a) + 1;
      r -= shares[a];
    }
    return static_cast<int>(shares.size());
  }
};

std::vector<Marker> make_markers(Random& rng, const MarkerOptions& o) {
  std::vector<Marker> markers(static_cast<std::size_t>(o.markers));
  for (Marker& m : markers) {
    const int alleles = o.min_alleles + rng.below(o.max_alleles - o.min_alleles + 1);
    for (int a = 0; a < alleles; ++a) {
      m.shares.push_back(1 + rng.below(4));
      m.total += m.shares.back();
    }
  }
  return markers;
}

// Alleles per individual and marker: genotypes[(i * markers + m) * 2 + k], k = 0 from the
// father, 1 from the mother.
std::vector<int> transmit(Random& rng, const std::vector<Marker>& markers,
                          const std::vector<std::array<int, 2>>& parents,
                          const std::vector<int>& order) {
  const std::size_t nm = markers.size();
  std::vector<int> g(parents.size() * nm * 2, 0);
  for (int v : order) {
    const auto i = static_cast<std::size_t>(v);
    for (std::size_t m = 0; m < nm; ++m)
      for (std::size_t k = 0; k < 2; ++k) {
        const int p = parents[i][k];
        g[(i * nm + m) * 2 + k] =
            p < 0 ? markers[m].draw(rng)
                  : g[(static_cast<std::size_t>(p) * nm + m) * 2 +
                      static_cast<std::size_t>(rng.below(2))];
      }
  }
  return g;
}

}  // namespace

int typed_percent(int generations_below) {
  static const int percent[] = {90, 70, 30};
  return generations_below < 3 ? percent[generations_below] : 5;
}

std::vector<PedigreeRecord> parse_chain_pedigree(const std::string& text,
                                                 const std::string& name) {
  std::istringstream in(text);
  std::string line;
  std::vector<PedigreeRecord> records;
  int line_no = 0;
  while (std::getline(in, line)) {
    if (++line_no == 1) continue;  // the header
    std::istringstream fields(line);
    PedigreeRecord r;
    if (!(fields >> r.ped)) {
      if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
      throw bad_line(name, line_no, "expected a record: ped id fa mo sex label");
    }
    if (!(fields >> r.id >> r.fa >> r.mo >> r.sex))
      throw bad_line(name, line_no, "expected a record: ped id fa mo sex label");
    r.line = line_no;
    records.push_back(r);
  }
  ancestry_order(parent_rows(records, name), name);  // refuses unknown parents and cycles
  return records;
}

MarkerFiles generate_markers(const std::vector<PedigreeRecord>& records, const MarkerOptions& o) {
  Random rng(o.seed);
  const std::vector<Marker> markers = make_markers(rng, o);
  const auto parents = parent_rows(records, "");
  const std::vector<int> order = ancestry_order(parents, "");
  const std::vector<int> g = transmit(rng, markers, parents, order);
  const std::vector<int> below = generations_below(parents, order);
  const std::size_t nm = markers.size();
  MarkerFiles f;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const PedigreeRecord& r = records[i];
    f.linkage += std::to_string(r.ped) + ' ' + std::to_string(r.id) + ' ' + std::to_string(r.fa) +
                 ' ' + std::to_string(r.mo) + ' ' + std::to_string(r.sex);
    const bool typed = rng.percent(typed_percent(below[i]));
    bool any = false;
    for (std::size_t m = 0; m < nm; ++m) {
      const bool here = typed && !rng.percent(o.missing_percent);
      any = any || here;
      for (std::size_t k = 0; k < 2; ++k)
        f.linkage += ' ' + std::to_string(here ? g[(i * nm + m) * 2 + k] : 0);
    }
    f.linkage += '\n';
    f.typed += any ? 1 : 0;
  }
  for (std::size_t m = 0; m < nm; ++m) f.data += "M marker" + std::to_string(m + 1) + '\n';
  f.data += "E\n";
  return f;
}

}  // namespace loopcut::bench
