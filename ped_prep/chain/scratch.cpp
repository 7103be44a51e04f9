// The folders of the chain's files: made new or empty, so that no file of the user's is replaced.
#include "ped_prep/chain/scratch.hpp"

#include <stdlib.h>

#include <filesystem>

#include "common/errors.hpp"
#include "common/files.hpp"

namespace loopcut::prep {

void make_directory(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir))
    throw InputError(dir, "cannot create the directory (" + ec.message() + ")");
}

namespace {
bool is_empty_directory(const std::string& dir) {
  std::error_code ec;
  return std::filesystem::is_directory(dir, ec) && std::filesystem::is_empty(dir, ec) && !ec;
}
}  // namespace

std::string make_fresh_directory(const std::string& dir) {
  std::error_code ec;
  if (!std::filesystem::exists(dir, ec) || is_empty_directory(dir)) {
    make_directory(dir);
    return dir;
  }
  if (!std::filesystem::is_directory(dir, ec)) throw InputError(dir, "not a directory");
  for (int n = 1;; ++n) {
    const std::string sub = dir + "/ped_prep-" + std::to_string(n);
    if (std::filesystem::exists(std::filesystem::symlink_status(sub, ec))) continue;
    if (std::filesystem::create_directory(sub, ec) && !ec) return sub;
    throw InputError(sub, "cannot create the directory (" + ec.message() + ")");
  }
}

std::string make_staging_directory(const std::string& dir) {
  std::error_code ec;
  if (std::filesystem::exists(dir, ec) && !is_empty_directory(dir)) {
    if (!std::filesystem::is_directory(dir, ec)) throw InputError(dir, "not a directory");
    throw InputError(dir,
                     "the directory is not empty: give a new or empty directory, so that "
                     "no file of yours is replaced by one of the chain's");
  }
  std::string base = dir;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  const std::filesystem::path parent = std::filesystem::path(base).parent_path();
  if (!parent.empty()) make_directory(parent.string());
  for (int n = 1;; ++n) {
    const std::string staging = base + ".part-" + std::to_string(n);
    if (std::filesystem::exists(std::filesystem::symlink_status(staging, ec))) continue;
    if (std::filesystem::create_directory(staging, ec) && !ec) return staging;
    throw InputError(staging, "cannot create the directory (" + ec.message() + ")");
  }
}

void put_in_place(const std::string& staging, const std::string& dir) {
  std::error_code ec;
  std::filesystem::rename(staging, dir, ec);
  if (!ec) return;
  if (is_empty_directory(dir)) {
    // A folder that cannot be renamed over (".", a mount point): its files go one by one.
    ec.clear();
    for (const auto& e : std::filesystem::directory_iterator(staging, ec))
      if (!ec)
        std::filesystem::rename(e.path(), std::filesystem::path(dir) / e.path().filename(), ec);
    if (!ec) {
      remove_scratch(staging);
      return;
    }
  }
  remove_scratch(staging);
  throw InputError(dir, "cannot put the directory in place (" + ec.message() + ")");
}

void refuse_overwriting(const std::vector<std::string>& inputs,
                        const std::vector<std::string>& outputs) {
  for (const std::string& out : outputs)
    for (const std::string& in : inputs)
      if (!in.empty() && same_file(in, out))
        throw InputError(out, "the output would replace the input " + in + ": give another name");
}

std::string make_scratch(const std::string& work) {
  if (!work.empty()) return make_fresh_directory(work);
  std::string tmpl = (std::filesystem::temp_directory_path() / "ped_prep-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) throw InputError(tmpl, "cannot make a scratch directory");
  return tmpl;
}

void remove_scratch(const std::string& dir) {
  std::error_code ec;
  const std::string doomed = dir + ".removing";
  std::filesystem::rename(dir, doomed, ec);
  const std::string gone = ec ? dir : doomed;
  std::filesystem::remove_all(gone, ec);
}

}  // namespace loopcut::prep
