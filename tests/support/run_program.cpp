#include "support/run_program.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace loopcut::testing {

namespace fs = std::filesystem;

namespace {
std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
}  // namespace

WorkDir::WorkDir() {
  std::string tmpl = (fs::temp_directory_path() / "loopcut-test-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

WorkDir::~WorkDir() {
  std::error_code ec;
  // Restore permissions a test may have taken away, then clean up.
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

void WorkDir::write(const std::string& name, const std::string& content) const {
  std::ofstream out(path_ / name, std::ios::binary);
  out << content;
}

std::string WorkDir::read(const std::string& name) const { return slurp(path_ / name); }

bool WorkDir::exists(const std::string& name) const { return fs::exists(path_ / name); }

void WorkDir::copy_fixture(const std::string& fixture) const {
  for (const auto& e : fs::directory_iterator(source_path("tests/fixtures/" + fixture)))
    fs::copy_file(e.path(), path_ / e.path().filename(), fs::copy_options::overwrite_existing);
}

RunResult WorkDir::run(const std::string& program, const std::string& env) const {
  const fs::path bin = fs::path(LOOPCUT_BIN_DIR) / program;
  const std::string cmd = "cd '" + path_.string() + "' && " + (env.empty() ? "" : "env " + env + " ") + "'" + bin.string() +
                          "' </dev/null >.stdout 2>.stderr";
  RunResult r;
  int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  r.out = read(".stdout");
  r.err = read(".stderr");
  fs::remove(path_ / ".stdout");
  fs::remove(path_ / ".stderr");
  return r;
}

fs::path source_path(const std::string& relative) { return fs::path(LOOPCUT_SOURCE_DIR) / relative; }

void write_founders(const WorkDir& dir, const std::vector<int>& peds, const std::string& task,
                    const std::string& old_report) {
  std::string p = "ped id fa mo sex kod\n";
  std::string w;
  for (std::size_t i = 0; i < peds.size(); ++i) {
    const std::string id = std::to_string(i + 1);
    p += std::to_string(peds[i]) + " " + id + " 0 0 1 L" + id + "\n";
    w += id + " 1.0\n";
  }
  dir.write("task.inp", task);
  dir.write("peds.dat", p);
  dir.write("weights.dat", w);
  dir.write("res.dat", old_report);
}

}  // namespace loopcut::testing
