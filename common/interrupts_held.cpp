#include <signal.h>

#include "common/interrupts.hpp"

namespace loopcut {

InterruptsHeld::InterruptsHeld() {
  const sigset_t set = interrupt_signals();
  pthread_sigmask(SIG_BLOCK, &set, &before_);
}

InterruptsHeld::~InterruptsHeld() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

}  // namespace loopcut
