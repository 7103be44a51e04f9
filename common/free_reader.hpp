#pragma once
#include <istream>
#include <string>
#include <string_view>

#include "common/label.hpp"
#include "common/line_reader.hpp"

namespace loopcut {

// List-directed reader shared by all programs.
//
// A read takes a fixed list of items, one call per item, and ends with end_read().
// Items are separated by blanks, commas or line ends (LF, CR LF, CR or LF CR); blank lines are skipped while an item is
// sought, so a read continues onto the next line when a line holds too few items. end_read()
// discards the rest of the line, so the next read starts on a new line. A text item ends at a
// blank, comma, slash or line end unless it is quoted with ' or " (a doubled quote inside stands
// for one); it is cut or blank-padded to its field.
//
// The try_ forms return false when the file ends before the item: that ends a loop of reads, and
// a record cut short there is dropped. The plain forms treat the end of the file as an input
// error. Malformed items are input errors in both forms.
class FreeReader {
 public:
  FreeReader(std::istream& in, std::string file_name);

  bool try_int(int& value, std::string_view what);
  bool try_real(float& value, std::string_view what);
  bool try_text(std::string& value, int width, std::string_view what);
  bool try_label(Label& value, std::string_view what);

  int read_int(std::string_view what);
  float read_real(std::string_view what);
  std::string read_text(int width, std::string_view what);
  Label read_label(std::string_view what);

  // Ends the current read: the rest of its line is discarded.
  void end_read();

  const std::string& file_name() const { return file_; }
  int line_number() const { return line_no_; }

  // Raises an input error about the current line.
  [[noreturn]] void fail(std::string_view expected, std::string_view found) const;

 private:
  // Moves to the first character of the next item; false at the end of the file.
  bool seek_item();
  // The next unquoted token (up to a blank, comma, slash or line end).
  std::string_view take_token();
  [[noreturn]] void fail_at_end(std::string_view expected) const;

  LineReader lines_;
  std::string file_;
  std::string line_;
  std::size_t pos_ = 0;
  bool in_line_ = false;
  int line_no_ = 0;
};

}  // namespace loopcut
