#pragma once
#include <istream>
#include <string>
#include <vector>

namespace loopcut {

// How the lines of a text file end. Files written on other systems end them with a line feed,
// a carriage return and line feed, a lone carriage return (old Macintosh), or a line feed and
// carriage return; a file without any line end counts as LF.
enum class LineEnd { lf, crlf, cr, lfcr };

// The characters of a line end.
const char* line_end_text(LineEnd end);

// Splits a stream into lines at LF, CR LF, CR and, where the file's first line end is LF CR, at
// LF CR. The first line end decides which pair counts as one end (CR LF or LF CR); any other CR
// or LF also ends a line. A line end at the very end of the stream adds no empty line. A UTF-8
// byte order mark at the start of the stream is no part of the first line.
class LineReader {
 public:
  explicit LineReader(std::istream& in) : in_(in) {}

  // The next line without its end; false at the end of the stream.
  bool next(std::string& line);
  // The kind of the first line end met so far (LF before any).
  LineEnd line_end() const { return end_; }
  // True when reading failed for another reason than the end of the stream.
  bool failed() const { return in_.bad(); }

 private:
  // Reads the next piece up to a LF; false at the end of the stream.
  bool next_chunk();
  void detect_end();

  std::istream& in_;
  std::string chunk_;      // text up to the next LF (or the end), split further at CRs
  std::size_t pos_ = 0;    // start of the next line within chunk_
  bool in_chunk_ = false;  // chunk_ still holds lines
  bool chunk_lf_ = false;  // chunk_ ended with a LF
  bool after_lf_ = false;  // the chunk before this one ended with a LF
  bool known_ = false;     // end_ has been decided
  bool started_ = false;   // the first chunk has been read
  LineEnd end_ = LineEnd::lf;
};

// The lines of a text as a LineReader splits it.
std::vector<std::string> split_lines(const std::string& text);

}  // namespace loopcut
