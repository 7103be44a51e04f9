#pragma once
// Capacities of the tables. The build values are the defaults; each is a ceiling that the
// environment can move at run time (LOOPCUT_N_SIZE, LOOPCUT_N_FAM, LOOPCUT_N_STAR,
// LOOPCUT_M_STAR). No table is allocated at a ceiling: the tables grow with the input, and the
// ceilings only decide where a run stops.

#include <string>

namespace loopcut {

#ifndef LOOPCUT_N_SIZE
#define LOOPCUT_N_SIZE 24096
#endif
#ifndef LOOPCUT_N_FAM
#define LOOPCUT_N_FAM 600
#endif
#ifndef LOOPCUT_N_STAR
#define LOOPCUT_N_STAR 24096
#endif
#ifndef LOOPCUT_M_STAR
#define LOOPCUT_M_STAR 55
#endif

// The build values.
inline constexpr int N_SIZE = LOOPCUT_N_SIZE;  // records
inline constexpr int N_FAM = LOOPCUT_N_FAM;    // pedigree table entries (N_FAM - 2 pedigrees)
inline constexpr int N_STAR = LOOPCUT_N_STAR;  // stars / report entries
inline constexpr int M_STAR = LOOPCUT_M_STAR;  // columns of a mates list or star row

// The highest ceiling: identifiers and pedigree numbers are written in six columns.
inline constexpr int CEILING_LIMIT = 999999;

enum class Ceiling { n_size, n_fam, n_star, m_star };

// The ceiling in force for this run: the environment variable's value when it is set, else the
// build value. The environment is read once; a malformed or out-of-range value is an input error
// that names the variable.
int ceiling(Ceiling c);
// Reads all four from the environment again, now, so that a bad value stops a program before it
// reads or writes anything.
void read_ceilings();
// The environment variable of a ceiling, e.g. "LOOPCUT_N_SIZE".
const char* ceiling_variable(Ceiling c);
// The smallest value a ceiling may take.
int ceiling_minimum(Ceiling c);

inline int n_size() { return ceiling(Ceiling::n_size); }
inline int n_fam() { return ceiling(Ceiling::n_fam); }
inline int n_star() { return ceiling(Ceiling::n_star); }
inline int m_star() { return ceiling(Ceiling::m_star); }

// A capacity stop: the line on standard output (the optimiser's stops) or the message on the
// error output (the cutter's and the weight program's), then a second line naming the variable
// that raises the ceiling; status 1.
[[noreturn]] void stop_at_ceiling_line(const std::string& line, Ceiling c);
[[noreturn]] void stop_at_ceiling_message(const std::string& message, Ceiling c);
// That second line, without its line end.
std::string ceiling_hint(Ceiling c);

}  // namespace loopcut
