// ped_prep draw: a Graphviz drawing of a pedigree file, or of the cut pedigree beside it.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <iostream>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "ped_prep/pipeline/check.hpp"
#include "ped_prep/commands/commands.hpp"
#include "ped_prep/chain/scratch.hpp"
#include "ped_prep/formats/chain_format.hpp"

namespace loopcut::prep {

namespace {

std::string dot_quoted(const std::string& s) {
  std::string q = "\"";
  for (char c : s) {
    if (c == '"') q += '\\';
    q += c;
  }
  return q + "\"";
}

const char* shape_of(int sex) { return sex == 1 ? "box" : sex == 2 ? "ellipse" : "diamond"; }

// The picture format that an output name asks for ("svg", "png", "pdf"), or "" for a .dot file.
std::string picture_format(const std::string& output) {
  const std::string ext = std::filesystem::path(output).extension().string();
  for (const char* f : {"svg", "png", "pdf"})
    if (ext == std::string(".") + f) return f;
  return "";
}

// The path of an executable `name` on PATH, or "" when there is none.
std::string find_on_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
    std::error_code ec;
    if (std::filesystem::is_regular_file(candidate, ec) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
  }
  return "";
}

// Renders the .dot file with Graphviz's dot; its messages go to our error output.
int render(const std::string& dot_file, const std::string& output, const std::string& format) {
  const std::string dot = find_on_path("dot");
  if (dot.empty()) {
    std::cout.flush();
    std::cerr << "ped_prep: " << output << " not made: it needs dot, of Graphviz, which is not "
              << "installed (Debian and Ubuntu: apt-get install graphviz); then run\n"
              << "  dot -T" << format << " " << dot_file << " -o " << output << '\n';
    return REFUSED;
  }
  std::cout.flush();
  const std::string type = "-T" + format;
  std::vector<char*> argv{const_cast<char*>("dot"), const_cast<char*>(type.c_str()),
                          const_cast<char*>(dot_file.c_str()), const_cast<char*>("-o"),
                          const_cast<char*>(output.c_str()), nullptr};
  const pid_t pid = fork();
  if (pid < 0) throw InputError(dot, "cannot start dot");
  if (pid == 0) {
    execv(dot.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::cerr << "ped_prep: " << output << " not made: dot failed ("
              << (WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                    : "killed by signal " + std::to_string(WTERMSIG(status)))
              << ")\n";
    return REFUSED;
  }
  std::cout << "wrote " << output << " (dot -T" << format << ")\n";
  return DONE;
}

// What is drawn: the records of the cut file (or of the input), each with its individual of the
// input, and what the check found.
struct Drawing {
  const ChainFile& input;
  const ChainFile& drawn;
  bool with_cut;
  const CheckResult& check;
  std::optional<int> pedigree;
  std::vector<int> origin;  // per record drawn: its individual of the input; -1 for none

  bool shown(std::size_t k) const {
    if (!pedigree) return true;
    return origin[k] >= 0 && input.records[origin[k]].ped == *pedigree;
  }
};

// One node per individual, marked as a copy, a breaker or on a loop; returns the count.
int write_individuals(const Drawing& d, OutputFile& out) {
  int drawn_count = 0;
  for (std::size_t k = 0; k < d.drawn.records.size(); ++k) {
    if (!d.shown(k)) continue;
    ++drawn_count;
    const ChainRecord& r = d.drawn.records[k];
    std::string label;
    for (char c : trimmed(r.kod)) {
      if (c == '\\') label += '\\';
      label += c;
    }
    std::string style = "filled";
    std::string fill = "white";
    std::string extra;
    const int o = d.origin[k];
    if (d.with_cut && r.prob == 1) {
      label += "\\n(copy)";
      style = "filled,dashed";
      fill = "lightblue";
    } else if (o >= 0 && d.with_cut && d.check.is_breaker[o]) {
      label += "\\n(breaker)";
      fill = "tomato";
      extra = ", penwidth=2";
    } else if (o >= 0 && d.check.input_loops.on_loop[o]) {
      fill = "gold";
    }
    out.line("  i" + std::to_string(r.id) + " [label=" + dot_quoted(label) + ", shape=" +
             shape_of(r.sex) + ", style=" + dot_quoted(style) + ", fillcolor=" + fill + extra + "];");
  }
  return drawn_count;
}

// One small node per couple with children, between the parents and the children; returns the
// count.
std::size_t write_families(const Drawing& d, OutputFile& out) {
  std::unordered_map<int, std::size_t> by_id;
  for (std::size_t k = 0; k < d.drawn.records.size(); ++k) by_id.emplace(d.drawn.records[k].id, k);
  std::unordered_map<long long, int> family;
  for (std::size_t k = 0; k < d.drawn.records.size(); ++k) {
    if (!d.shown(k)) continue;
    const ChainRecord& r = d.drawn.records[k];
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
  return family.size();
}

void write_legend(bool with_cut, OutputFile& out) {
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
}

}  // namespace

int draw_command(const std::string& pedfile, const std::string& cutfile, const std::string& picture,
                 const DrawOptions& options) {
  // A picture is drawn from a .dot file of the same name, which stays beside it.
  const std::string format = picture_format(picture);
  const std::string output =
      format.empty() ? picture : std::filesystem::path(picture).replace_extension(".dot").string();
  refuse_overwriting({pedfile, cutfile}, {output, picture});
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
  Drawing d{input, with_cut ? cut : input, with_cut, check, options.pedigree, {}};
  d.origin.assign(d.drawn.records.size(), -1);
  for (std::size_t k = 0; k < d.drawn.records.size(); ++k) {
    auto it = input_of_label.find(trimmed(d.drawn.records[k].kod));
    if (it != input_of_label.end()) d.origin[k] = it->second;
  }

  OutputFile out(output, output == "-" ? OutputFile::Mode::standard_output
                                       : OutputFile::Mode::replace_when_done);
  out.line("digraph pedigree {");
  out.line("  graph [rankdir=TB, nodesep=0.2, ranksep=0.4, label=" +
           dot_quoted(std::string(with_cut ? cutfile : pedfile) +
                  (options.pedigree ? ", pedigree " + std::to_string(*options.pedigree) : "")) +
           "];");
  out.line("  node [fontsize=10, height=0.3];");
  out.line("  edge [arrowhead=none];");
  const int drawn_count = write_individuals(d, out);
  const std::size_t families = write_families(d, out);
  write_legend(with_cut, out);
  out.line("}");
  out.commit();
  std::cout << "wrote " << output << ": " << drawn_count << " individuals, " << families
            << " families\n";
  return format.empty() ? DONE : render(output, picture, format);
}

}  // namespace loopcut::prep
