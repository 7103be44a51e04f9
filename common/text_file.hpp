#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "common/line_reader.hpp"

namespace loopcut {

// The character encoding of a text file as found on disk. UTF-16 is told by its byte order
// mark; everything else is taken as bytes (ASCII, UTF-8 or an 8-bit code page, kept as is).
enum class Encoding { bytes, utf16le, utf16be };

// How a text file is written on disk, so that a file can be written back the way it came.
struct TextForm {
  Encoding encoding = Encoding::bytes;
  bool bom = false;  // the file starts with a byte order mark
  LineEnd line_end = LineEnd::lf;
  bool last_line_end = true;  // the last line has its line end too (some files stop without)
};

// A user's text file: its lines (UTF-8 where the file was UTF-16, the bytes otherwise; without
// the byte order mark and without line ends) and its form.
struct TextFile {
  std::vector<std::string> lines;
  TextForm form;
};

// Reads a whole text file. Input errors name the file: it cannot be opened or read, or it is
// UTF-16 with an odd number of bytes or an unpaired surrogate.
TextFile read_text_file(const std::string& name);

// Splits text already in memory, as read_text_file does with a file's bytes.
TextFile split_text(std::string_view bytes, const std::string& name);

// A line as the file's encoding writes it, with its line end (UTF-8 text for a UTF-16 form);
// without the line end when `end` is false.
std::string encode_line(std::string_view text, const TextForm& form, bool end = true);
// The byte order mark of the form, or nothing.
std::string encode_bom(const TextForm& form);

}  // namespace loopcut
