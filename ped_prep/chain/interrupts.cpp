// SIGINT, SIGTERM and SIGHUP in ped_prep: ended at once while nothing is on disk, recorded and
// passed on to the chain's programs afterwards.
#include "ped_prep/chain/interrupts.hpp"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>
#include <iostream>

#include "common/interrupts.hpp"

namespace loopcut::prep {

namespace prep_interrupts {

std::atomic<int> first_signal{0};
std::atomic<bool> held{false};
pid_t owner = 0;  // ped_prep itself, as opposed to a child not yet running its program

// The chain's programs running, by process id (0: a free slot).
std::array<std::atomic<pid_t>, 1024> children;
static_assert(std::atomic<pid_t>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

// Only async-signal-safe calls from here to the handler's end.
void say(const char* text) {
  const ssize_t ignored = write(2, text, std::strlen(text));
  (void)ignored;
}

extern "C" void on_interrupt(int sig) {
  // A child between its fork and its program: it only ends.
  if (getpid() != owner) end_by_default_action(sig);
  if (!held.load()) {
    remove_part_files();
    say("ped_prep: interrupted (");
    say(interrupt_name(sig));
    say("): nothing written\n");
    end_by_default_action(sig);
  }
  int none = 0;
  first_signal.compare_exchange_strong(none, sig);
  for (const std::atomic<pid_t>& child : children) {
    const pid_t pid = child.load();
    if (pid > 0) ::kill(pid, sig);
  }
}

}  // namespace prep_interrupts

void watch_interrupts() {
  using namespace prep_interrupts;
  owner = getpid();
  struct sigaction act {};
  act.sa_handler = on_interrupt;
  act.sa_mask = interrupt_signals();  // one handler at a time
  act.sa_flags = SA_RESTART;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
    sigaction(sig, &act, nullptr);
  }
}

void hold_interrupts() { prep_interrupts::held.store(true); }

int interrupt_signal() noexcept { return prep_interrupts::first_signal.load(); }

void throw_if_interrupted() {
  if (const int sig = interrupt_signal()) throw Interrupted{sig};
}

const char* interrupt_name(int signal) noexcept {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
  }
  return "a signal";
}

void end_by_interrupt(int signal, const std::string& what) {
  std::cout.flush();
  std::cerr << "ped_prep: interrupted (" << interrupt_name(signal) << "): " << what << '\n'
            << std::flush;
  end_by_default_action(signal);
}

int register_child(pid_t pid) {
  using namespace prep_interrupts;
  int slot = -1;
  for (std::size_t i = 0; i < children.size() && slot < 0; ++i) {
    pid_t expected = 0;
    if (children[i].compare_exchange_strong(expected, pid)) slot = static_cast<int>(i);
  }
  // A signal that came before the slot was filled did not reach this program.
  if (const int sig = interrupt_signal()) ::kill(pid, sig);
  return slot;
}

void unregister_child(int slot) {
  if (slot >= 0 && static_cast<std::size_t>(slot) < prep_interrupts::children.size())
    prep_interrupts::children[static_cast<std::size_t>(slot)].store(0);
}

}  // namespace loopcut::prep
