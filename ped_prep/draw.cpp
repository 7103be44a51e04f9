#include "ped_prep/commands.hpp"
namespace loopcut::prep {
int draw_command(const std::string&, const std::string&, const std::string&, const DrawOptions&) { return 1; }
}
