#include "common/free_reader.hpp"

#include <charconv>
#include <cmath>
#include <limits>

#include "common/errors.hpp"

namespace loopcut {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool is_separator(char c) { return is_blank(c) || c == ','; }
bool ends_token(char c) { return is_separator(c) || c == '/'; }

// The item as the message shows it: a long one (a binary file has no blanks for a long way) is cut.
std::string quoted(std::string_view s) {
  if (s.size() > 40) return "\"" + visible(s.substr(0, 40)) + "...\"";
  return "\"" + visible(s) + "\"";
}

std::string visible_record(const std::string& line) {
  std::string r = line;
  while (!r.empty() && (r.back() == '\r' || r.back() == '\n')) r.pop_back();
  if (r.size() > 200) r = r.substr(0, 200) + "...";
  return visible(r);
}

std::string describe(std::string_view kind, std::string_view what) {
  std::string s(kind);
  if (!what.empty()) s += " (" + std::string(what) + ")";
  return s;
}

}  // namespace

FreeReader::FreeReader(std::istream& in, std::string file_name)
    : lines_(in), file_(std::move(file_name)) {}

bool FreeReader::seek_item() {
  for (;;) {
    if (in_line_) {
      while (pos_ < line_.size() && is_separator(line_[pos_])) ++pos_;
      if (pos_ < line_.size()) return true;
    }
    if (!lines_.next(line_)) {
      if (lines_.failed()) throw InputError(file_, "read failed");
      in_line_ = false;
      line_.clear();
      return false;
    }
    ++line_no_;
    pos_ = 0;
    in_line_ = true;
  }
}

std::string_view FreeReader::take_token() {
  std::size_t start = pos_;
  while (pos_ < line_.size() && !ends_token(line_[pos_])) ++pos_;
  std::string_view tok(line_.data() + start, pos_ - start);
  // A slash that ends an item is consumed with it.
  if (pos_ < line_.size() && line_[pos_] == '/') ++pos_;
  return tok;
}

void FreeReader::end_read() {
  in_line_ = false;
  line_.clear();
  pos_ = 0;
}

void FreeReader::fail(std::string_view expected, std::string_view found) const {
  throw InputError(file_, line_no_, std::string(expected), std::string(found),
                   visible_record(line_));
}

void FreeReader::fail_at_end(std::string_view expected) const {
  throw InputError(file_, line_no_, std::string(expected), "end of file", "");
}

bool FreeReader::try_int(int& value, std::string_view what) {
  if (!seek_item()) return false;
  std::string_view tok = take_token();
  std::string_view digits = tok;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  long long v = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (digits.empty() || ec != std::errc() ||
      end != digits.data() + digits.size() || v < std::numeric_limits<int>::min() ||
      v > std::numeric_limits<int>::max()) {
    fail(describe("an integer", what), tok.empty() ? "\"/\"" : quoted(tok));
  }
  value = static_cast<int>(v);
  return true;
}

bool FreeReader::try_real(float& value, std::string_view what) {
  if (!seek_item()) return false;
  std::string_view tok = take_token();
  std::string text(tok);
  if (!text.empty() && text.front() == '+') text.erase(0, 1);
  for (char& c : text)
    if (c == 'd' || c == 'D') c = 'e';  // Fortran-style exponent
  float v = 0.0f;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  bool ok = !text.empty() && ec == std::errc() && end == text.data() + text.size() &&
            std::isfinite(v);
  if (!ok) fail(describe("a real number", what), tok.empty() ? "\"/\"" : quoted(tok));
  value = v;
  return true;
}

bool FreeReader::try_text(std::string& value, int width, std::string_view what) {
  (void)what;  // any text is acceptable
  if (!seek_item()) return false;
  std::string text;
  char q = line_[pos_];
  if (q == '\'' || q == '"') {
    ++pos_;
    while (pos_ < line_.size()) {
      char c = line_[pos_++];
      if (c == q) {
        if (pos_ < line_.size() && line_[pos_] == q) {
          text += q;  // a doubled quote stands for one
          ++pos_;
          continue;
        }
        break;
      }
      text += c;
    }
    if (pos_ < line_.size() && line_[pos_] == '/') ++pos_;
  } else {
    text = std::string(take_token());
  }
  text.resize(static_cast<std::size_t>(width), ' ');
  value = std::move(text);
  return true;
}

bool FreeReader::try_label(Label& value, std::string_view what) {
  std::string text;
  if (!try_text(text, LABEL_WIDTH, what)) return false;
  value = make_label(text);
  return true;
}

int FreeReader::read_int(std::string_view what) {
  int v = 0;
  if (!try_int(v, what)) fail_at_end(describe("an integer", what));
  return v;
}

float FreeReader::read_real(std::string_view what) {
  float v = 0.0f;
  if (!try_real(v, what)) fail_at_end(describe("a real number", what));
  return v;
}

std::string FreeReader::read_text(int width, std::string_view what) {
  std::string v;
  if (!try_text(v, width, what)) fail_at_end(describe("a text item", what));
  return v;
}

Label FreeReader::read_label(std::string_view what) {
  Label v;
  if (!try_label(v, what)) fail_at_end(describe("a text item", what));
  return v;
}

}  // namespace loopcut
