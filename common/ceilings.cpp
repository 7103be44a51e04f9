#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "common/errors.hpp"
#include "common/par.hpp"

namespace loopcut {

namespace {

struct Entry {
  const char* variable;
  int built;
  int minimum;  // the least that the tables' layout can work with
};

constexpr std::array<Entry, 4> ENTRIES = {{
    {"LOOPCUT_N_SIZE", N_SIZE, 1},
    {"LOOPCUT_N_FAM", N_FAM, 3},  // room for one pedigree
    {"LOOPCUT_N_STAR", N_STAR, 1},
    {"LOOPCUT_M_STAR", M_STAR, 3},  // room for one mate
}};

const Entry& entry(Ceiling c) { return ENTRIES[static_cast<std::size_t>(c)]; }

// Digits only, in range; anything else (a sign, blanks, an empty value) is refused.
int parse(const Entry& e, const char* text) {
  int value = 0;
  const char* end = text + std::strlen(text);
  const auto r = std::from_chars(text, end, value);
  const bool digits = *text >= '0' && *text <= '9';
  if (!digits || r.ec != std::errc() || r.ptr != end || value < e.minimum ||
      value > CEILING_LIMIT) {
    std::string shown(text, std::min<std::size_t>(std::strlen(text), 40));
    throw InputError(e.variable, "expected a whole number from " + std::to_string(e.minimum) +
                                     " to " + std::to_string(CEILING_LIMIT) + ", found \"" +
                                     shown + "\"");
  }
  return value;
}

std::array<int, 4> from_environment() {
  std::array<int, 4> v{};
  for (std::size_t k = 0; k < ENTRIES.size(); ++k) {
    const char* text = std::getenv(ENTRIES[k].variable);
    v[k] = text == nullptr ? ENTRIES[k].built : parse(ENTRIES[k], text);
  }
  return v;
}

// The values in force; read from the environment at the first use.
std::array<int, 4>& values() {
  static std::array<int, 4> v = from_environment();
  return v;
}

}  // namespace

int ceiling(Ceiling c) { return values()[static_cast<std::size_t>(c)]; }

void read_ceilings() { values() = from_environment(); }

const char* ceiling_variable(Ceiling c) { return entry(c).variable; }

int ceiling_minimum(Ceiling c) { return entry(c).minimum; }

std::string ceiling_hint(Ceiling c) {
  return std::string("Set ") + entry(c).variable + " in the environment to raise this ceiling.";
}

void stop_at_ceiling_line(const std::string& line, Ceiling c) {
  std::cout << line << "\n " << ceiling_hint(c) << '\n';
  throw Stop{1};
}

void stop_at_ceiling_message(const std::string& message, Ceiling c) {
  std::cout.flush();
  std::cerr << message << '\n' << ceiling_hint(c) << '\n';
  throw Stop{1};
}

}  // namespace loopcut
