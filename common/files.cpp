#include "common/files.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/errors.hpp"
#include "common/interrupts.hpp"

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

bool is_special_file(const std::string& name) {
  std::error_code ec;
  const auto st = std::filesystem::status(name, ec);
  return !ec && std::filesystem::exists(st) && !std::filesystem::is_regular_file(st) &&
         !std::filesystem::is_directory(st);
}

bool same_file(const std::string& a, const std::string& b) {
  std::error_code ec;
  const bool same = std::filesystem::equivalent(a, b, ec);
  return !ec && same;
}

OutputFile::OutputFile(std::string name, Mode mode, TextForm form)
    : name_(std::move(name)), write_name_(name_), mode_(mode), form_(form),
      plain_(form.encoding == Encoding::bytes && !form.bom && form.line_end == LineEnd::lf &&
             form.last_line_end) {
  std::error_code ec;
  if (std::filesystem::is_directory(name_, ec)) fail("cannot write: it is a directory");
  std::ios::openmode how = std::ios::out | std::ios::trunc;
  if (mode_ == Mode::standard_output) {
    // Appending never cuts short a file that standard output was redirected to.
    write_name_ = "/dev/stdout";
    how = std::ios::out | std::ios::app;
  } else if (mode_ == Mode::replace_when_done) {
    open_replacement();
  }
  errno = 0;
  out_.open(write_name_, how | std::ios::binary);
  if (!out_) fail("cannot open for writing (" + reason() + ")");
  opened_ = true;
  if (!target_.empty()) {
    // The new version keeps the permissions of the file it replaces.
    const auto old = std::filesystem::status(target_, ec);
    if (!ec && std::filesystem::exists(old))
      std::filesystem::permissions(write_name_, old.permissions(), ec);
  }
  if (form_.bom) {
    out_ << encode_bom(form_);
    if (!out_) fail("write failed (" + reason() + ")");
  }
}

// Chooses what to write for a file replaced when done: a temporary file beside the regular file
// that the name stands for, or, for a device or FIFO, the file itself.
void OutputFile::open_replacement() {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target = name_;
  fs::file_status st = fs::symlink_status(target, ec);
  // A link, even one to a file not yet there, is followed to the name it points to.
  for (int hops = 0; fs::is_symlink(st); ++hops) {
    const fs::path link = fs::read_symlink(target, ec);
    if (ec || hops == 40) fail("cannot follow the symbolic link");
    target = link.is_absolute() ? link : target.parent_path() / link;
    st = fs::symlink_status(target, ec);
  }
  if (fs::is_directory(st)) fail("cannot write: it is a directory");
  if (fs::exists(st) && !fs::is_regular_file(st)) {
    mode_ = Mode::in_place;  // a device or FIFO: written as it is, never replaced
    write_name_ = target.string();
    return;
  }
  target_ = target.string();
  // A left-over temporary file is written over; a link or anything else under its name is
  // never written through, as that would end up renamed over the target.
  write_name_ = target_ + ".part";
  const fs::file_status part = fs::symlink_status(write_name_, ec);
  if (fs::exists(part) && !fs::is_regular_file(part))
    fail("cannot write the temporary file " + write_name_ +
         ": something that is not a file is in its place (remove it)");
  part_slot_ = register_part_file(write_name_);
}

// The temporary file is renamed or removed: an interrupt has nothing left to remove.
void OutputFile::forget_part() {
  unregister_part_file(part_slot_);
  part_slot_ = -1;
}

OutputFile::~OutputFile() {
  if (!done_ && mode_ == Mode::replace_when_done) {
    out_.close();
    std::remove(write_name_.c_str());
  }
  forget_part();
}

void OutputFile::fail(const std::string& what) {
  // Also after a failed close in commit(): the temporary file is closed by then but still there.
  if (mode_ == Mode::replace_when_done && opened_) {
    out_.close();
    std::remove(write_name_.c_str());
  }
  forget_part();
  done_ = true;
  throw InputError(name_, what);
}

void OutputFile::line(std::string_view text) {
  if (plain_) {
    out_ << text << '\n';
  } else if (form_.last_line_end) {
    out_ << encode_line(text, form_);
  } else {
    // The last line goes without its end, as in the file written back; a line is ended only
    // when the next one comes.
    if (held_) out_ << encode_line(last_, form_);
    last_.assign(text);
    held_ = true;
  }
  if (!out_) fail("write failed (" + reason() + ")");
}

void OutputFile::finish() {
  if (done_ || finished_) return;
  errno = 0;
  if (held_) out_ << encode_line(last_, form_, false);
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
    if (std::rename(write_name_.c_str(), target_.c_str()) != 0) {
      std::string why = reason();
      std::remove(write_name_.c_str());
      forget_part();
      done_ = true;
      throw InputError(name_, "cannot replace the file (" + why + ")");
    }
    forget_part();
  }
  done_ = true;
}

}  // namespace loopcut
