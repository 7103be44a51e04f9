#pragma once
// Shared pieces of the fuzz targets that run a whole program: a private working directory, the
// fuzz input split into the program's files, the run with its output captured, and checks that
// abort (so that libFuzzer keeps the input) when a run breaks a rule every run must keep.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace loopcut::fuzz {

// The fuzz input as files: segments separated by NUL bytes. Missing trailing segments are absent
// (the file is not written), so a target also meets missing files.
std::vector<std::string> split_input(const std::uint8_t* data, std::size_t size);

// A file name given by the fuzz input may not leave the working directory: every '/' becomes '_'.
std::string confined(std::string text);

// Makes the private working directory on the first call; empties it on every call. The helpers
// below take names in it; run_captured runs the program there.
void fresh_work_dir();
void write_file(const std::string& name, const std::string& content);
bool file_exists(const std::string& name);
std::string read_file(const std::string& name);
// Names of the files left in the working directory.
std::vector<std::string> dir_entries();

struct Outcome {
  int status = -1;
  std::string out;  // standard output
  std::string err;  // error output
};

// Runs a program's main sequence through run_program with standard output and error captured
// and standard input at its end.
Outcome run_captured(const std::function<void()>& main_sequence);

// Rules for every run: exit status 0 or 1; status 1 comes with a message (error output, or an
// "ERROR:" or capacity line on standard output); no temporary ".part" file is left behind unless
// the input itself named one.
void check_common(const Outcome& o, bool names_part_files);

// Every line of the file after `skip` header lines is `width` characters long and ends with a
// line end (the fixed-format files).
void check_line_widths(const std::string& name, std::size_t skip, std::size_t width,
                       const Outcome& o);

// Prints what failed and aborts.
[[noreturn]] void fail(const std::string& what, const Outcome& o);

}  // namespace loopcut::fuzz
