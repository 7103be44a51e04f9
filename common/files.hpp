#pragma once
#include <fstream>
#include <string>
#include <string_view>

#include "common/text_file.hpp"

namespace loopcut {

// Opens a file that must exist; an input error naming the file otherwise.
std::ifstream open_input(const std::string& name);

// Opens a file that may be missing: a missing file reads as empty. Reading never creates a file.
std::ifstream open_optional_input(const std::string& name);

// True for a name that is (or links to) a device, FIFO or socket: written directly, never
// replaced.
bool is_special_file(const std::string& name);

// True when both names stand for one existing file (the same device and inode, whatever the
// names, links or relative paths).
bool same_file(const std::string& a, const std::string& b);

// A text file being written, one line at a time. Every failure (unwritable directory, full disk,
// a name that is a directory) is an error that names the file.
//
// In place: the file is created or replaced when opened, and what was written stays when the
// program stops part-way. Replaced when done: the lines go to a temporary file in the same
// directory, renamed over the target by commit(); without commit() the target is untouched and
// the temporary file is removed, also when the program is ended by an interrupt (see
// remove_part_files_on_interrupt). Only a regular file is ever renamed over: a device or a FIFO
// is written directly, and for a symbolic link the file it points to is replaced. Standard
// output: the lines go to the program's standard output (the name is only for messages).
//
// Lines are written in the given text form (encoding, byte order mark and line end), so that a
// user's file can be written back the way it came; by default as bytes, each ended by a LF.
class OutputFile {
 public:
  enum class Mode { in_place, replace_when_done, standard_output };
  OutputFile(std::string name, Mode mode, TextForm form = {});
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void line(std::string_view text);
  // Flushes and closes; errors name the file. A file replaced when done is not yet in place.
  void finish();
  // Finishes, and renames a file replaced when done into place; errors name the file.
  void commit();

 private:
  [[noreturn]] void fail(const std::string& what);
  void open_replacement();
  void forget_part();
  std::string name_;
  std::string write_name_;
  std::string target_;  // the regular file that commit() renames the temporary file over
  Mode mode_;
  TextForm form_;
  bool plain_;  // bytes ended by LF, without a byte order mark
  std::string last_;   // the line written last, held back when the last line has no end
  bool held_ = false;
  std::ofstream out_;
  bool finished_ = false;
  bool opened_ = false;  // the file under write_name_ is ours to remove
  bool done_ = false;
  int part_slot_ = -1;  // the temporary file's entry in the table removed on an interrupt
};

}  // namespace loopcut
