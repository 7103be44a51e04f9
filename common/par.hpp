#pragma once
// Capacities of every table, fixed when the programs are built.

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

inline constexpr int N_SIZE = LOOPCUT_N_SIZE;  // records
inline constexpr int N_FAM = LOOPCUT_N_FAM;    // pedigree table entries (N_FAM - 2 pedigrees)
inline constexpr int N_STAR = LOOPCUT_N_STAR;  // stars / report entries
inline constexpr int M_STAR = LOOPCUT_M_STAR;  // columns of a mates list or star row

}  // namespace loopcut
