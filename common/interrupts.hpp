#pragma once
#include <signal.h>

#include <string>

namespace loopcut {

// Temporary files being written (the ".part" files of an output replaced when done), kept in a
// fixed table that a signal handler can walk without allocating or locking.
//
// Registers a file by its absolute name and returns its slot; -1 when the table is full or the
// name is too long, and then the file is not removed on an interrupt.
int register_part_file(const std::string& path);
// Drops a slot (-1 is ignored). Called once the file is renamed into place or removed.
void unregister_part_file(int slot);
// Removes every registered file with unlink(2). Safe to call from a signal handler.
void remove_part_files() noexcept;

// Ends the process by `sig` with its default action, so that the parent sees how it ended.
// Safe to call from a signal handler.
[[noreturn]] void end_by_default_action(int sig) noexcept;

// SIGINT, SIGTERM and SIGHUP as a set.
sigset_t interrupt_signals();

// On SIGINT, SIGTERM and SIGHUP: removes the registered files, then ends by the same signal
// with its default action, so that the parent sees how the program ended (128 + N in a shell).
// A signal that is ignored when this is called (nohup, a background job) stays ignored.
void remove_part_files_on_interrupt();

// Holds SIGINT, SIGTERM and SIGHUP back while in scope, for steps that must happen all or not
// at all (putting several files in place); one that comes meanwhile is acted upon at the end.
class InterruptsHeld {
 public:
  InterruptsHeld();
  ~InterruptsHeld();
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

 private:
  sigset_t before_;
};

}  // namespace loopcut
