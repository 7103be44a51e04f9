// ped_prep draw: a Graphviz drawing of a pedigree file, or of the cut pedigree beside it.
#include <iostream>
#include <unordered_map>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "ped_prep/check.hpp"
#include "ped_prep/commands.hpp"

namespace loopcut::prep {

namespace {

std::string quoted(const std::string& s) {
  std::string q = "\"";
  for (char c : s) {
    if (c == '"') q += '\\';
    q += c;
  }
  return q + "\"";
}

const char* shape_of(int sex) { return sex == 1 ? "box" : sex == 2 ? "ellipse" : "diamond"; }

}  // namespace

int draw_command(const std::string& pedfile, const std::string& cutfile, const std::string& output,
                 const DrawOptions& options) {
  const ChainFile input = read_chain_file(pedfile);
  ChainFile cut;
  const bool with_cut = !cutfile.empty();
  if (with_cut) cut = read_chain_file(cutfile);
  const CheckResult check = check_pedigrees(input, with_cut ? &cut : nullptr);

  std::unordered_map<std::string, int> input_of_label;
  for (std::size_t i = 0; i < input.records.size(); ++i)
    input_of_label.emplace(trimmed(input.records[i].kod), static_cast<int>(i));
  if (options.pedigree) {
    bool found = false;
    for (const ChainRecord& r : input.records) found = found || r.ped == *options.pedigree;
    if (!found) {
      std::cerr << "ped_prep: " << pedfile << " has no pedigree " << *options.pedigree << '\n';
      return REFUSED;
    }
  }

  // The records drawn: the cut file's, or the input's; each with its individual of the input.
  const ChainFile& drawn = with_cut ? cut : input;
  std::vector<int> origin(drawn.records.size(), -1);
  for (std::size_t k = 0; k < drawn.records.size(); ++k) {
    auto it = input_of_label.find(trimmed(drawn.records[k].kod));
    if (it != input_of_label.end()) origin[k] = it->second;
  }
  auto shown = [&](std::size_t k) {
    if (!options.pedigree) return true;
    return origin[k] >= 0 && input.records[origin[k]].ped == *options.pedigree;
  };
  std::unordered_map<int, std::size_t> by_id;
  for (std::size_t k = 0; k < drawn.records.size(); ++k) by_id.emplace(drawn.records[k].id, k);

  OutputFile out(output, output == "-" ? OutputFile::Mode::standard_output
                                       : OutputFile::Mode::replace_when_done);
  out.line("digraph pedigree {");
  out.line("  graph [rankdir=TB, nodesep=0.2, ranksep=0.4, label=" +
           quoted(std::string(with_cut ? cutfile : pedfile) +
                  (options.pedigree ? ", pedigree " + std::to_string(*options.pedigree) : "")) +
           "];");
  out.line("  node [fontsize=10, height=0.3];");
  out.line("  edge [arrowhead=none];");
  int drawn_count = 0;
  for (std::size_t k = 0; k < drawn.records.size(); ++k) {
    if (!shown(k)) continue;
    ++drawn_count;
    const ChainRecord& r = drawn.records[k];
    std::string label;
    for (char c : trimmed(r.kod)) {
      if (c == '\\') label += '\\';
      label += c;
    }
    std::string style = "filled";
    std::string fill = "white";
    std::string extra;
    const int o = origin[k];
    if (with_cut && r.prob == 1) {
      label += "\\n(copy)";
      style = "filled,dashed";
      fill = "lightblue";
    } else if (o >= 0 && with_cut && check.is_breaker[o]) {
      label += "\\n(breaker)";
      fill = "tomato";
      extra = ", penwidth=2";
    } else if (o >= 0 && check.input_loops.on_loop[o]) {
      fill = "gold";
    }
    out.line("  i" + std::to_string(r.id) + " [label=" + quoted(label) + ", shape=" +
             shape_of(r.sex) + ", style=" + quoted(style) + ", fillcolor=" + fill + extra + "];");
  }
  // One small node per couple with children, between the parents and the children.
  std::unordered_map<long long, int> family;
  for (std::size_t k = 0; k < drawn.records.size(); ++k) {
    if (!shown(k)) continue;
    const ChainRecord& r = drawn.records[k];
    if (r.fa == 0 && r.mo == 0) continue;
    const long long key = static_cast<long long>(r.fa) * 4000000007LL + r.mo;
    auto [it, fresh] = family.emplace(key, static_cast<int>(family.size()) + 1);
    const std::string f = "f" + std::to_string(it->second);
    if (fresh) {
      out.line("  " + f + " [shape=point, width=0.06];");
      for (int parent : {r.fa, r.mo})
        if (parent != 0 && by_id.count(parent)) out.line("  i" + std::to_string(parent) + " -> " + f + ";");
    }
    out.line("  " + f + " -> i" + std::to_string(r.id) + ";");
  }
  out.line("  subgraph cluster_legend {");
  out.line("    label=\"legend\"; fontsize=9; color=grey;");
  out.line("    l1 [label=\"male\", shape=box, fontsize=9];");
  out.line("    l2 [label=\"female\", shape=ellipse, fontsize=9];");
  out.line("    l3 [label=\"on a loop\", shape=box, style=filled, fillcolor=gold, fontsize=9];");
  if (with_cut) {
    out.line("    l4 [label=\"breaker\", shape=box, style=filled, fillcolor=tomato, penwidth=2, fontsize=9];");
    out.line("    l5 [label=\"copy\", shape=box, style=\"filled,dashed\", fillcolor=lightblue, fontsize=9];");
  }
  out.line("  }");
  out.line("}");
  out.commit();
  std::cout << "wrote " << output << ": " << drawn_count << " individuals, " << family.size()
            << " families\n";
  return DONE;
}

}  // namespace loopcut::prep
