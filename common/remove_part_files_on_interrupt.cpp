#include <signal.h>
#include <unistd.h>

#include "common/interrupts.hpp"

namespace loopcut {

// Only async-signal-safe calls: sigaction, sigprocmask, raise, _exit.
void end_by_default_action(int sig) noexcept {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  sigaction(sig, &dfl, nullptr);
  sigset_t own;
  sigemptyset(&own);
  sigaddset(&own, sig);
  sigprocmask(SIG_UNBLOCK, &own, nullptr);
  ::raise(sig);
  _exit(128 + sig);  // not reached: the default action ends the process
}

namespace {

extern "C" void end_by_signal(int sig) {
  remove_part_files();
  end_by_default_action(sig);
}

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

}  // namespace

sigset_t interrupt_signals() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kInterrupts) sigaddset(&set, sig);
  return set;
}

void remove_part_files_on_interrupt() {
  struct sigaction act {};
  act.sa_handler = end_by_signal;
  // The other interrupts wait while the files are removed.
  act.sa_mask = interrupt_signals();
  for (int sig : kInterrupts) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
    sigaction(sig, &act, nullptr);
  }
}

}  // namespace loopcut
