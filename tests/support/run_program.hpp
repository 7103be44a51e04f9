#pragma once
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// Runs a built program in a fresh temporary working directory, as a user would.
namespace loopcut::testing {

struct RunResult {
  int status = -1;
  std::string out;  // standard output
  std::string err;  // error output
};

class WorkDir {
 public:
  WorkDir();
  ~WorkDir();
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void write(const std::string& name, const std::string& content) const;
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const;
  // Copies every file of a fixture folder under tests/fixtures into the directory.
  void copy_fixture(const std::string& fixture) const;
  // Runs bin/<program> here with no standard input; `env` adds variables to its environment
  // ("NAME=value NAME=value", no quoting needed).
  RunResult run(const std::string& program, const std::string& env = "") const;

 private:
  std::filesystem::path path_;
};

// The path of a source file of the project (for examples/ and tests/fixtures/).
std::filesystem::path source_path(const std::string& relative);

// Writes into `dir` a pedigree file peds.dat of founders, one pedigree number each from `peds`
// (labels L1, L2, ...), a weight file weights.dat of 1.0 each, the task file `task` and an
// earlier report res.dat holding `old_report`.
void write_founders(const WorkDir& dir, const std::vector<int>& peds, const std::string& task,
                    const std::string& old_report);

}  // namespace loopcut::testing
