#pragma once
// The folders of the chain's files.
#include <string>
#include <vector>

namespace loopcut::prep {

// Creates the directory (and its parents) if needed; an error naming it otherwise.
void make_directory(const std::string& dir);

// A directory for the chain's files that holds nothing else: `dir` when it is new or empty,
// otherwise a new folder inside it (DIR/ped_prep-1, -2, ...), so that none of the user's
// files is replaced by one of the chain's. Returns the directory made.
std::string make_fresh_directory(const std::string& dir);

// A folder to write the files of `dir` in, which is then put in place whole (put_in_place), so
// that a folder cut short never stands under the name asked for: DIR.part-N beside it, new. An
// error when `dir` already holds something, which a file of the chain would replace.
std::string make_staging_directory(const std::string& dir);

// Renames the staging folder to `dir` (absent or empty); an error naming `dir` otherwise, and
// the staging folder is then removed.
void put_in_place(const std::string& staging, const std::string& dir);

// An error when an output would replace one of the inputs (the same file under any name).
void refuse_overwriting(const std::vector<std::string>& inputs,
                        const std::vector<std::string>& outputs);

// The scratch folder of a run: a fresh directory in `work` (make_fresh_directory) when given,
// else a new folder ped_prep-XXXXXX in the system's temporary directory.
std::string make_scratch(const std::string& work);

// Removes a folder ped_prep made. It is first renamed to DIR.removing, so that a removal cut
// short (the machine stopped, kill -9) leaves a folder that says it is incomplete.
void remove_scratch(const std::string& dir);

}  // namespace loopcut::prep
