// The chain's programs run on the batches of pedigrees, one after another or several at once.
#include "ped_prep/chain/run_chain.hpp"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <mutex>
#include <sstream>
#include <thread>

#include "common/files.hpp"
#include "common/free_writer.hpp"
#include "common/par.hpp"
#include "ped_prep/chain/chain_program.hpp"
#include "ped_prep/chain/genotype_weights.hpp"
#include "ped_prep/chain/improve.hpp"
#include "ped_prep/chain/interrupts.hpp"
#include "ped_prep/chain/negative_weights.hpp"
#include "ped_prep/chain/write_chain_dir.hpp"
#include "ped_prep/formats/chain_format.hpp"
#include "ped_prep/pipeline/select.hpp"

namespace loopcut::prep {

namespace fs = std::filesystem;

namespace {

// The relationship values of the batch's rows, renumbered to its own rows: rrr.dat, the list
// file and task_w_fin.inp, as cost_prep reads them.
void write_relationships(const Relationships& rel, const Batch& batch, const std::string& dir) {
  auto own_row = [&](int row) {
    return row > batch.first_row && row <= batch.first_row + batch.rows;
  };
  const int offset = static_cast<int>(batch.first_row);
  OutputFile rrr(dir + "/rrr.dat", OutputFile::Mode::in_place);
  for (const auto& [row, value] : rel.values)
    if (row == 0 || own_row(row))
      rrr.line((FreeLine() << (row == 0 ? 0 : row - offset) << value).str());
  rrr.commit();
  OutputFile list(dir + "/list.dat", OutputFile::Mode::in_place);
  for (const int row : rel.doubled)
    if (own_row(row)) list.line((FreeLine() << row - offset).str());
  list.commit();
  OutputFile task(dir + "/task_w_fin.inp", OutputFile::Mode::in_place);
  task.line((FreeLine() << static_cast<int>(batch.rows)).str());
  task.line("list.dat");
  task.commit();
}

// What one batch gives, or why it stopped.
struct BatchOutcome {
  ChainFile cut;
  std::vector<int> zeroed_rows;
  std::optional<ImproveReport> improved;
  std::vector<int> unit_cut;
  std::optional<std::string> failure;
};

// The whole chain on one batch, in `dir`.
BatchOutcome run_batch(const PedigreeInput& in, const Prepared& chain, const Batch& batch,
                       const ChainSettings& s, const std::string& dir, bool show_progress) {
  BatchOutcome out;
  try {
    std::optional<Prepared> own;
    if (batch.pedigrees != chain.pedigrees)
      own = select_pedigree_range(chain, batch.first_pedigree, batch.pedigrees);
    const Prepared& p = own ? *own : chain;
    write_pedigree_file(p, dir + "/" + PEDIGREE_FILE);
    write_label_map(in, p, dir + "/" + LABEL_MAP);
    std::string weights = WEIGHT_FILE;
    if (s.relationships) {
      write_relationships(*s.relationships, batch, dir);
      run_chain_program(s.bin, "cost_prep", dir, 0, show_progress);
      weights = s.weight_file;
      for (const int row : zero_negative_weights(dir + "/" + weights))
        out.zeroed_rows.push_back(row + static_cast<int>(batch.first_row));
    } else if (!s.genotype_weights.empty()) {
      write_genotype_weights(s.genotype_weights, batch.first_row, batch.rows,
                             dir + "/" + GENOTYPE_WEIGHT_FILE);
      weights = GENOTYPE_WEIGHT_FILE;
      for (const int row : unit_weight_cut(s.bin, dir, p))
        out.unit_cut.push_back(row + static_cast<int>(batch.first_row));
    } else {
      write_unit_weights(p, dir + "/" + WEIGHT_FILE);
    }
    write_task_file(dir + "/" + TASK_FILE, weights);
    run_chain_program(s.bin, "cut_select", dir, p.pedigrees, show_progress);
    if (s.improve)
      out.improved = improve_cut(s.bin, dir, p.pedigrees, batch.first_pedigree, show_progress);
    run_chain_program(s.bin, "ped_cut", dir, p.pedigrees, show_progress);
    if (!fs::exists(dir + "/" + CUT_FILE)) throw ChainStop{"ped_cut wrote no cut file"};
    out.cut = read_chain_file(dir + "/" + CUT_FILE);
  } catch (const ChainStop& stop) {
    out.failure = stop.message;
  } catch (const Interrupted& i) {
    // The run as a whole says so once every batch has stopped (run_chain).
    out.failure = interrupt_name(i.signal);
  } catch (const std::exception& e) {
    out.failure = e.what();
  }
  return out;
}

// Says every few seconds (on a terminal: as it changes) how many batches are done.
void show_batches_done(std::size_t done, std::size_t count,
                       std::chrono::steady_clock::time_point started) {
  const long seconds = static_cast<long>(
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started)
          .count());
  std::ostringstream m;
  m << "chain: " << done << " of " << count << " batches done (" << seconds << " s)";
  if (isatty(2)) {
    std::cerr << '\r' << (done < count ? m.str() : "") << "\033[K" << std::flush;
  } else if (done < count) {
    std::cerr << m.str() << '\n';
  }
}

// The batches, `jobs` at a time; after a batch stops, no new one starts.
std::vector<BatchOutcome> run_batches(const PedigreeInput& in, const Prepared& chain,
                                      const std::vector<Batch>& batches, const ChainSettings& s) {
  const std::size_t count = batches.size();
  std::vector<BatchOutcome> outcomes(count);
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stopped{false};
  std::mutex m;
  std::condition_variable changed;
  std::size_t done = 0;
  auto work = [&]() {
    for (std::size_t b; !stopped && !interrupt_signal() && (b = next++) < count;) {
      const std::string dir = batch_directory(s.scratch, b, count);
      std::error_code ec;
      fs::create_directory(dir, ec);
      outcomes[b] = run_batch(in, chain, batches[b], s, dir, false);
      if (outcomes[b].failure) stopped = true;
      std::lock_guard<std::mutex> lock(m);
      ++done;
      changed.notify_one();
    }
  };
  const std::size_t workers =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(1, s.jobs)), count);
  std::vector<std::thread> threads;
  for (std::size_t w = 0; w < workers; ++w) threads.emplace_back(work);
  const auto started = std::chrono::steady_clock::now();
  const bool tty = isatty(2) != 0;
  const auto every = tty ? std::chrono::milliseconds(200) : std::chrono::milliseconds(10000);
  bool shown = false;
  {
    std::unique_lock<std::mutex> lock(m);
    auto last = started;
    for (std::size_t seen = 0;; seen = done) {
      changed.wait_for(lock, every, [&] { return done != seen; });
      if (done == count || stopped) break;
      const auto now = std::chrono::steady_clock::now();
      if (now - last < every) continue;
      last = now;
      show_batches_done(done, count, started);
      shown = true;
    }
  }
  for (std::thread& t : threads) t.join();
  if (shown) show_batches_done(count, count, started);
  return outcomes;
}

// The cut pedigrees of the batches as one file: pedigrees and identifiers numbered on.
ChainFile join_cuts(std::vector<BatchOutcome>& outcomes, const std::string& scratch) {
  ChainFile joined;
  joined.file = scratch + "/batch-*/" + CUT_FILE;
  joined.cut_layout = true;
  std::size_t total = 0;
  for (const BatchOutcome& o : outcomes) total += o.cut.records.size();
  joined.records.reserve(total);
  int peds = 0, ids = 0;
  for (BatchOutcome& o : outcomes) {
    int most_ped = 0;
    for (ChainRecord r : o.cut.records) {
      most_ped = std::max(most_ped, r.ped);
      r.ped += peds;
      r.id += ids;
      if (r.fa) r.fa += ids;
      if (r.mo) r.mo += ids;
      r.line = static_cast<int>(joined.records.size()) + 2;
      joined.records.push_back(r);
    }
    peds += most_ped;
    ids += static_cast<int>(o.cut.records.size());
    o.cut.records = {};
  }
  return joined;
}

}  // namespace

std::string batch_directory(const std::string& scratch, std::size_t index, std::size_t count) {
  return count == 1 ? scratch : scratch + "/batch-" + std::to_string(index + 1);
}

ChainResult run_chain(const PedigreeInput& in, const Prepared& chain,
                      const std::vector<Batch>& batches, const ChainSettings& settings) {
  ChainResult result;
  if (batches.size() == 1) {
    BatchOutcome o = run_batch(in, chain, batches[0], settings, settings.scratch, true);
    // A program ended by the signal stopped short: that is no failure of the chain's.
    throw_if_interrupted();
    if (o.failure) throw ChainFailure{*o.failure, settings.scratch};
    result.cut = std::move(o.cut);
    result.zeroed_rows = std::move(o.zeroed_rows);
    result.improved = std::move(o.improved);
    result.unit_cut = std::move(o.unit_cut);
    return result;
  }
  std::vector<BatchOutcome> outcomes = run_batches(in, chain, batches, settings);
  throw_if_interrupted();
  for (std::size_t b = 0; b < outcomes.size(); ++b) {
    if (outcomes[b].failure)
      throw ChainFailure{"batch " + std::to_string(b + 1) + " of " +
                             std::to_string(outcomes.size()) + ": " + *outcomes[b].failure,
                         batch_directory(settings.scratch, b, outcomes.size())};
  }
  for (BatchOutcome& o : outcomes) {
    result.zeroed_rows.insert(result.zeroed_rows.end(), o.zeroed_rows.begin(), o.zeroed_rows.end());
    result.unit_cut.insert(result.unit_cut.end(), o.unit_cut.begin(), o.unit_cut.end());
  }
  if (settings.improve) {
    std::vector<ImproveReport> reports;
    for (BatchOutcome& o : outcomes) reports.push_back(std::move(*o.improved));
    result.improved = add_improvements(reports);
  }
  result.cut = join_cuts(outcomes, settings.scratch);
  return result;
}

}  // namespace loopcut::prep
