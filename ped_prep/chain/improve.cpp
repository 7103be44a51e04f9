// cut_improve inside the chain: its run with a progress line, and what it said of the cut.
#include "ped_prep/chain/improve.hpp"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <sstream>
#include <thread>

#include "common/free_writer.hpp"
#include "cut_improve/cut_improve.hpp"
#include "ped_prep/chain/chain_program.hpp"

namespace loopcut::prep {

namespace improve_detail {

// While cut_improve searches it writes nothing: on a terminal a line says how long it has been
// at it, rewritten every second and cleared at the end. Nothing at all elsewhere, so that logs
// stay clean.
class SearchTicker {
 public:
  explicit SearchTicker(bool shown) {
    if (shown && isatty(2)) thread_ = std::thread([this] { tick(); });
  }
  ~SearchTicker() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(m_);
      stop_ = true;
    }
    changed_.notify_one();
    thread_.join();
    if (shown_) std::cerr << "\r\033[K" << std::flush;
  }
  SearchTicker(const SearchTicker&) = delete;
  SearchTicker& operator=(const SearchTicker&) = delete;

 private:
  // The first line after a second, so that a quick search leaves no flicker.
  void tick() {
    const auto started = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(m_);
    for (long seconds = 1;; ++seconds) {
      if (changed_.wait_until(lock, started + std::chrono::seconds(seconds),
                              [this] { return stop_; }))
        return;
      std::cerr << "\rcut_improve: searching for a cheaper cut (" << seconds << " s)\033[K"
                << std::flush;
      shown_ = true;
    }
  }

  std::mutex m_;
  std::condition_variable changed_;
  bool stop_ = false;
  bool shown_ = false;
  std::thread thread_;
};

std::vector<std::string> words_of(const std::string& line) {
  std::istringstream s(line);
  std::vector<std::string> words;
  for (std::string w; s >> w;) words.push_back(w);
  return words;
}

// Takes one line of cut_improve's output: "PEDIGREE: 1", "BEFORE: COST= 2.0 STARS= 2",
// "AFTER: COST= 1.0 STARS= 1 proven optimal", "BOUND: COST= 1.0 GAP= 0.0 %", the same with
// TOTAL in front, and the line that says the clock stopped a search.
void take_line(const std::string& line, int first_pedigree, ImproveReport& r, bool& totals_seen) {
  std::vector<std::string> w = words_of(line);
  if (w.empty()) return;
  if (w[0] == "STOPPED") r.clock_stopped = true;
  ImprovedCut* cut = r.pedigrees.empty() ? nullptr : &r.pedigrees.back();
  if (w[0] == "TOTAL") {
    w.erase(w.begin());
    cut = &r.total;
    if (!w.empty() && w[0] == "BEFORE:") totals_seen = true;
  }
  if (w.size() >= 2 && w[0] == "PEDIGREE:") {
    r.pedigrees.push_back(ImprovedCut{});
    r.pedigrees.back().pedigree = std::atoi(w[1].c_str()) + first_pedigree;
    return;
  }
  if (cut == nullptr || w.size() < 5) return;
  if (w[0] == "BEFORE:") {
    cut->cost_before = w[2];
    cut->stars_before = std::atol(w[4].c_str());
  } else if (w[0] == "AFTER:") {
    cut->cost_after = w[2];
    cut->stars_after = std::atol(w[4].c_str());
    cut->proven = w.size() == 7 && w[5] == "proven" && w[6] == "optimal";
  } else if (w[0] == "BOUND:") {
    cut->bound = w[2];
    cut->gap = w[4];
  }
}

double number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

}  // namespace improve_detail

ImproveReport improve_cut(const std::string& bin, const std::string& dir, int pedigrees,
                          int first_pedigree, bool show_progress) {
  using namespace improve_detail;
  ImproveReport report;
  bool totals_seen = false;
  {
    SearchTicker ticker(show_progress);
    run_chain_program(bin, "cut_improve", dir, pedigrees, false, [&](const std::string& line) {
      take_line(line, first_pedigree, report, totals_seen);
    });
  }
  if (!totals_seen || report.total.cost_after.empty() || !report.total.bound)
    throw ChainStop{"cut_improve wrote no total"};
  return report;
}

ImproveReport add_improvements(const std::vector<ImproveReport>& batches) {
  using improve_detail::number;
  ImproveReport sum;
  double before = 0.0, after = 0.0, bound = 0.0;
  for (const ImproveReport& b : batches) {
    sum.pedigrees.insert(sum.pedigrees.end(), b.pedigrees.begin(), b.pedigrees.end());
    before += number(b.total.cost_before);
    after += number(b.total.cost_after);
    bound += number(b.total.bound.value_or("0"));
    sum.total.stars_before += b.total.stars_before;
    sum.total.stars_after += b.total.stars_after;
    sum.total.proven = sum.total.proven && b.total.proven;
    sum.clock_stopped = sum.clock_stopped || b.clock_stopped;
  }
  sum.total.cost_before = format_real(static_cast<float>(before));
  sum.total.cost_after = format_real(static_cast<float>(after));
  sum.total.bound = format_real(static_cast<float>(bound));
  sum.total.gap = gap_percent(after, bound);
  return sum;
}

}  // namespace loopcut::prep
