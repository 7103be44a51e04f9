#include "harness.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "common/program.hpp"

namespace loopcut::fuzz {

namespace fs = std::filesystem;

namespace {

fs::path work_dir;

void remove_work_dir() {
  std::error_code ec;
  if (!work_dir.empty()) fs::remove_all(work_dir, ec);
}

void make_work_dir() {
  std::string tmpl = (fs::temp_directory_path() / "loopcut-fuzz-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  work_dir = tmpl;
  std::atexit(remove_work_dir);
  // The programs may wait for the operator on standard input: it must read as ended.
  int null_in = open("/dev/null", O_RDONLY);
  if (null_in < 0 || dup2(null_in, 0) < 0) {
    std::perror("/dev/null");
    std::abort();
  }
  close(null_in);
  // run_program unties the standard streams from C stdio on its first call and then installs new
  // stream buffers; do it before ours are put in place.
  std::ios::sync_with_stdio(false);
}

}  // namespace

std::vector<std::string> split_input(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      parts.emplace_back();
    } else {
      parts.back() += static_cast<char>(data[i]);
    }
  }
  return parts;
}

std::string confined(std::string text) {
  for (char& c : text)
    if (c == '/') c = '_';
  return text;
}

void fresh_work_dir() {
  if (work_dir.empty()) make_work_dir();
  for (const auto& e : fs::directory_iterator(work_dir)) fs::remove_all(e.path());
}

void write_file(const std::string& name, const std::string& content) {
  std::ofstream out(work_dir / name, std::ios::binary);
  out << content;
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", name.c_str());
    std::abort();
  }
}

bool file_exists(const std::string& name) { return fs::exists(work_dir / name); }

std::string read_file(const std::string& name) {
  std::ifstream in(work_dir / name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> dir_entries() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(work_dir)) names.push_back(e.path().filename());
  return names;
}

Outcome run_captured(const std::function<void()>& main_sequence) {
  std::ostringstream out;
  std::ostringstream err;
  std::streambuf* old_out = std::cout.rdbuf(out.rdbuf());
  std::streambuf* old_err = std::cerr.rdbuf(err.rdbuf());
  std::cout.clear();
  std::cerr.clear();
  std::cin.clear();
  std::clearerr(stdin);
  // The program works in the current directory; libFuzzer's own paths (corpus, artifacts) are
  // relative to the directory it was started in.
  const fs::path started_in = fs::current_path();
  fs::current_path(work_dir);
  Outcome o;
  o.status = run_program(main_sequence);
  fs::current_path(started_in);
  std::cout.rdbuf(old_out);
  std::cerr.rdbuf(old_err);
  std::cout.clear();
  std::cerr.clear();
  o.out = out.str();
  o.err = err.str();
  return o;
}

void fail(const std::string& what, const Outcome& o) {
  std::fprintf(stderr, "\n*** %s\n*** status %d\n--- standard output:\n%s--- error output:\n%s---\n",
               what.c_str(), o.status, o.out.c_str(), o.err.c_str());
  std::abort();
}

void check_common(const Outcome& o, bool names_part_files) {
  if (o.status != 0 && o.status != 1) fail("exit status is neither 0 nor 1", o);
  if (o.status == 1 && o.err.empty() && o.out.find("ERROR") == std::string::npos &&
      o.out.find('>') == std::string::npos) {
    fail("status 1 without a message", o);
  }
  if (!names_part_files) {
    for (const std::string& name : dir_entries()) {
      if (name.size() >= 5 && name.compare(name.size() - 5, 5, ".part") == 0)
        fail("temporary file left behind: " + name, o);
    }
  }
}

void check_line_widths(const std::string& name, std::size_t skip, std::size_t width,
                       const Outcome& o) {
  const std::string text = read_file(name);
  std::size_t start = 0;
  for (std::size_t line = 1; start < text.size(); ++line) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) fail(name + ": last line has no line end", o);
    if (line > skip && end - start != width)
      fail(name + ": a line of " + std::to_string(end - start) + " characters", o);
    start = end + 1;
  }
  if (text.empty() && skip > 0) fail(name + ": no header line", o);
}

}  // namespace loopcut::fuzz
