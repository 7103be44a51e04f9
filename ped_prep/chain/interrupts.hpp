#pragma once
// SIGINT, SIGTERM and SIGHUP in ped_prep: what a signal does depends on what is on disk.
//
// Until hold_interrupts() is called, nothing of the run is on disk yet: a signal removes any
// temporary output file, says "ped_prep: interrupted (SIGINT): nothing written" and ends
// ped_prep by that signal at once. From then on (a scratch folder, the chain's programs, the
// outputs), the handler only records the first signal and passes it on to the chain's programs
// that are running; the main flow and the batch threads see it at their next check
// (throw_if_interrupted), wait for their programs, remove what the run made and end by the
// signal (end_by_interrupt). Later signals are recorded and passed on the same way, so that a
// second Ctrl-C cannot cut the cleanup short.
#include <sys/types.h>

#include <string>

namespace loopcut::prep {

// Thrown at a check once a signal has come; not a std::exception, so that no handler of errors
// takes it for one.
struct Interrupted {
  int signal = 0;
};

// Installs the handlers. A signal ignored when this is called (nohup) stays ignored.
void watch_interrupts();

// From now on a signal is recorded and passed on, not acted upon at once.
void hold_interrupts();

// The first signal that came, or 0.
int interrupt_signal() noexcept;

// Throws Interrupted once a signal has come.
void throw_if_interrupted();

// "SIGINT", "SIGTERM", "SIGHUP".
const char* interrupt_name(int signal) noexcept;

// Says "ped_prep: interrupted (SIGx): <what>" and ends ped_prep by the signal, with its default
// action, so that the parent sees 128 + N in a shell.
[[noreturn]] void end_by_interrupt(int signal, const std::string& what);

// The running programs of the chain, which a signal is passed on to. register_child returns the
// program's slot (-1 when the table is full: it then only gets what the terminal sends); it
// passes the signal on itself when one came before the program was registered.
int register_child(pid_t pid);
void unregister_child(int slot);

}  // namespace loopcut::prep
