#include "common/line_reader.hpp"

namespace loopcut {

const char* line_end_text(LineEnd end) {
  switch (end) {
    case LineEnd::lf: return "\n";
    case LineEnd::crlf: return "\r\n";
    case LineEnd::cr: return "\r";
    case LineEnd::lfcr: return "\n\r";
  }
  return "\n";
}

bool LineReader::next_chunk() {
  after_lf_ = chunk_lf_;
  if (!std::getline(in_, chunk_)) return false;
  chunk_lf_ = !in_.eof();
  pos_ = 0;
  if (!started_ && chunk_.rfind("\xEF\xBB\xBF", 0) == 0) pos_ = 3;
  started_ = true;
  in_chunk_ = true;
  // Where LF CR ends lines, the CR after a LF belongs to that line end.
  if (known_ && end_ == LineEnd::lfcr && after_lf_ && !chunk_.empty() && chunk_[0] == '\r')
    pos_ = 1;
  if (!known_) detect_end();
  return true;
}

// The first line end met decides how a CR next to a LF is read.
void LineReader::detect_end() {
  const std::size_t cr = chunk_.find('\r');
  if (cr != std::string::npos) {
    end_ = cr + 1 == chunk_.size() && chunk_lf_ ? LineEnd::crlf : LineEnd::cr;
    known_ = true;
  } else if (chunk_lf_) {
    end_ = in_.peek() == '\r' ? LineEnd::lfcr : LineEnd::lf;
    known_ = true;
  }
}

bool LineReader::next(std::string& line) {
  for (;;) {
    if (!in_chunk_ && !next_chunk()) return false;
    const std::size_t cr = chunk_.find('\r', pos_);
    if (cr != std::string::npos) {
      line.assign(chunk_, pos_, cr - pos_);
      pos_ = cr + 1;
      // A CR right before the LF that ends the chunk is one line end with it.
      if (pos_ == chunk_.size() && chunk_lf_) in_chunk_ = false;
      return true;
    }
    in_chunk_ = false;
    // The rest of the chunk is a line when a LF ends it or it holds text; a chunk that ended
    // with a CR and then the stream adds no empty line.
    if (chunk_lf_ || pos_ < chunk_.size()) {
      line.assign(chunk_, pos_, std::string::npos);
      return true;
    }
  }
}

}  // namespace loopcut
