#include "common/files.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/errors.hpp"

namespace loopcut {

namespace {

std::string reason() { return errno != 0 ? std::strerror(errno) : "unknown error"; }

void refuse_directory(const std::string& name) {
  std::error_code ec;
  if (std::filesystem::is_directory(name, ec))
    throw InputError(name, "cannot read: it is a directory");
}

}  // namespace

std::ifstream open_input(const std::string& name) {
  refuse_directory(name);
  errno = 0;
  std::ifstream in(name);
  if (!in) throw InputError(name, "cannot open for reading (" + reason() + ")");
  return in;
}

std::ifstream open_optional_input(const std::string& name) {
  std::error_code ec;
  if (!std::filesystem::exists(name, ec)) return std::ifstream();
  return open_input(name);
}

OutputFile::OutputFile(std::string name, Mode mode, TextForm form)
    : name_(std::move(name)), write_name_(name_), mode_(mode), form_(form),
      plain_(form.encoding == Encoding::bytes && !form.bom && form.line_end == LineEnd::lf) {
  std::error_code ec;
  if (std::filesystem::is_directory(name_, ec)) fail("cannot write: it is a directory");
  if (mode_ == Mode::replace_when_done) write_name_ = name_ + ".part";
  errno = 0;
  out_.open(write_name_, std::ios::out | std::ios::trunc);
  if (!out_) fail("cannot open for writing (" + reason() + ")");
  opened_ = true;
  if (form_.bom) {
    out_ << encode_bom(form_);
    if (!out_) fail("write failed (" + reason() + ")");
  }
}

OutputFile::~OutputFile() {
  if (!done_ && mode_ == Mode::replace_when_done) {
    out_.close();
    std::remove(write_name_.c_str());
  }
}

void OutputFile::fail(const std::string& what) {
  // Also after a failed close in commit(): the temporary file is closed by then but still there.
  if (mode_ == Mode::replace_when_done && opened_) {
    out_.close();
    std::remove(write_name_.c_str());
  }
  done_ = true;
  throw InputError(name_, what);
}

void OutputFile::line(std::string_view text) {
  if (plain_) {
    out_ << text << '\n';
  } else {
    out_ << encode_line(text, form_);
  }
  if (!out_) fail("write failed (" + reason() + ")");
}

void OutputFile::finish() {
  if (done_ || finished_) return;
  errno = 0;
  out_.flush();
  out_.close();
  if (!out_) fail("write failed (" + reason() + ")");
  finished_ = true;
}

void OutputFile::commit() {
  if (done_) return;
  finish();
  if (mode_ == Mode::replace_when_done) {
    errno = 0;
    if (std::rename(write_name_.c_str(), name_.c_str()) != 0) {
      std::string why = reason();
      std::remove(write_name_.c_str());
      done_ = true;
      throw InputError(name_, "cannot replace the file (" + why + ")");
    }
  }
  done_ = true;
}

}  // namespace loopcut
