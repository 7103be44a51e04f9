// One program of the chain run in its folder: its progress shown, its stop explained.
#include "ped_prep/chain/chain_program.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <vector>

#include "common/par.hpp"
#include "ped_prep/chain/child_process.hpp"

namespace loopcut::prep {

namespace {

// Shows how far a chain program has come: one line rewritten in place on a terminal, a line
// every few seconds otherwise.
class Progress {
 public:
  Progress(std::string program, int pedigrees, bool shown)
      : program_(std::move(program)),
        pedigrees_(pedigrees),
        on_(shown),
        tty_(isatty(2) != 0),
        started_(std::chrono::steady_clock::now()),
        last_(started_) {}

  void line(const std::string& text) {
    if (!on_) return;
    std::istringstream s(text);
    std::string word;
    s >> word;
    if (word == "PEDIGREE:") {
      s >> pedigree_;
      step_ = 0;
    } else if (word.rfind("STEP=", 0) == 0) {
      std::string rest = word.substr(5);
      if (rest.empty()) s >> rest;
      step_ = std::atoi(rest.c_str());
    } else {
      return;
    }
    const auto now = std::chrono::steady_clock::now();
    const auto wait = tty_ ? std::chrono::milliseconds(200) : std::chrono::milliseconds(10000);
    if (now - last_ < wait) return;
    last_ = now;
    shown_ = true;
    const long seconds = std::chrono::duration_cast<std::chrono::seconds>(now - started_).count();
    std::ostringstream m;
    m << program_ << ": pedigree " << pedigree_ << " of " << pedigrees_;
    if (step_ > 0) m << ", step " << step_;
    m << " (" << seconds << " s)";
    if (tty_) {
      std::cerr << '\r' << m.str() << "\033[K" << std::flush;
    } else {
      std::cerr << m.str() << '\n';
    }
  }

  void done() {
    if (tty_ && shown_) std::cerr << "\r\033[K" << std::flush;
  }

 private:
  std::string program_;
  int pedigrees_;
  bool on_;
  bool tty_;
  std::chrono::steady_clock::time_point started_, last_;
  int pedigree_ = 0;
  int step_ = 0;
  bool shown_ = false;
};

// What a chain program said when it stopped, in the user's terms.
std::string explain(const std::string& line) {
  std::istringstream s(line);
  std::string what;
  long found = 0, capacity = 0;
  s >> what >> found >> capacity;
  if (what == "ndat>N_SIZE:")
    return std::to_string(found) + " records, more than the optimiser's " +
           std::to_string(capacity);
  if (what == "nfam>N_FAM:")
    return "more pedigrees than the optimiser's table holds (" + std::to_string(capacity - 2) + ")";
  if (what == "max_spou+2>M_STAR:")
    return "an individual with " + std::to_string(found) + " mates, more than the optimiser's " +
           std::to_string(capacity - 2);
  if (line.find("iistep<0") != std::string::npos)
    return "the optimiser's step search failed (a pedigree whose stars all join two or more mates)";
  if (line.find("there is not breaker") != std::string::npos)
    return "the cutter met a breaker that is not in the pedigree file";
  if (line.find("Increase parameter N_SIZE") != std::string::npos)
    return "the cut pedigree needs more rows than the cutter's " + std::to_string(n_size());
  if (line.find("Increase parameter N_STAR") != std::string::npos)
    return "more stars than the chain's " + std::to_string(n_star());
  return line;
}

bool is_stop_line(const std::string& line) {
  return line.find("ERROR") != std::string::npos || line.find(">N_SIZE:") != std::string::npos ||
         line.find(">N_FAM:") != std::string::npos || line.find(">M_STAR:") != std::string::npos ||
         line.find(">N_STAR:") != std::string::npos;
}

}  // namespace

void run_chain_program(const std::string& bin, const std::string& program, const std::string& dir,
                       int pedigrees, bool show_progress,
                       const std::function<void(const std::string&)>& seen) {
  Progress progress(program, pedigrees, show_progress);
  std::vector<std::string> stops;
  int current = 0;
  const ChildResult r = run_child(bin + "/" + program, dir, dir + "/" + program + ".log",
                                  [&](const std::string& line) {
                                    if (line.find("PEDIGREE:") != std::string::npos) {
                                      std::istringstream s(line);
                                      std::string w;
                                      s >> w >> current;
                                    }
                                    if (is_stop_line(line)) stops.push_back(line);
                                    if (seen) seen(line);
                                    progress.line(line);
                                  });
  progress.done();
  std::string error = r.error;
  while (!error.empty() && (error.back() == '\n' || error.back() == '\r')) error.pop_back();
  if (stops.empty() && error.empty() && r.status == 0) return;
  std::string message = program + " stopped";
  if (current > 0 && program == "cut_select") message += " at pedigree " + std::to_string(current);
  const std::string said = !stops.empty() ? stops.front() : error;
  if (!said.empty()) message += ": " + explain(said);
  if (said.empty()) message += " with exit status " + std::to_string(r.status);
  throw ChainStop{message};
}

}  // namespace loopcut::prep
