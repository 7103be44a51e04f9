#include "ped_prep/commands.hpp"
namespace loopcut::prep {
int run_command(Format, const std::string&, const std::string&, const RunOptions&) { return 1; }
}
