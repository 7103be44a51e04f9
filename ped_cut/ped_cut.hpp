#pragma once
#include <string>
#include <vector>

#include "common/label.hpp"
#include "common/par.hpp"
#include "common/table.hpp"
#include "ped_cut/work_space.hpp"

namespace loopcut {

// Columns of the record table `mas`.
enum MasColumn : int {
  PED = 1,   // pedigree number as read; group number after split; final pedigree after rewrite
  ID = 2,    // identifier (identifiers are rows)
  FA = 3,    // father's identifier, 0 for none
  MO = 4,    // mother's identifier, 0 for none
  SEX = 5,   // 1 male, 2 female
  PROB = 6,  // 2 on a row read from the pedigree file, 1 on a breaker copy
};
inline constexpr int MAS_COLUMNS = 6;

// The column in which an individual's children name it (father for sex 1, mother for sex 2),
// and the column in which they name the other parent. Only defined for sex 1 and 2.
inline int parent_column(int sex) { return sex == 1 ? FA : MO; }
inline int other_parent_column(int sex) { return sex == 1 ? MO : FA; }

// The cutter's tables, handed by reference to every stage. They start empty and grow with the
// input: ensure_rows and ensure_entries make room, and the stages that add rows or entries call
// them. All of them are 1-based; entry 0 is unused.
struct CutTables {
  CutTables() : mas(0, MAS_COLUMNS), mas_spare(0, MAS_COLUMNS) {}

  // Room for record rows 1 .. rows (record table, labels, copy origins and the spare table).
  void ensure_rows(int rows);
  // Room for cut list entries 1 .. entries.
  void ensure_entries(int entries);
  // Sizes the work space for the rows and entries in use; each stage that uses it calls this
  // first, never while it holds a view into it.
  void size_work() { work.resize(ndat, ncut); }

  // Record table: rows 1 .. ndat. The read rows come first (1 .. nread), the breaker copies are
  // appended behind them in the order they are made.
  Table<int> mas;
  std::vector<Label> kod;
  // On a breaker copy, the row of the breaker it was made from; 0 on a read row. Valid until
  // rewrite reorders the rows.
  std::vector<int> from;
  int ndat = 0;   // rows in use (records counted past the ceiling until the capacity check)
  int nread = 0;  // rows read from the pedigree file

  // Cut list: entries 1 .. ncut, one per report line, in report order until rejoin orders them
  // by weight.
  std::vector<int> n_cut;     // the breaker's identifier as the report gives it
  std::vector<Label> cut;     // the breaker's label as the report gives it
  std::vector<float> weight;  // from the weight file; 0.0 when no record names the entry
  std::vector<int> brk;       // the breaker's row, found by find_breakers
  int ncut = 0;               // report records (counted past the ceiling until the capacity check)

  // Room for the labels of the cut list while it is reordered, and for the record table while
  // rewrite puts its rows in their new order.
  std::vector<Label> kod_spare;
  Table<int> mas_spare;
  CutWorkSpace work;
};

// The whole run in the working directory: task.inp, the pedigree file, res.dat and the weight
// file in, the cut pedigree file out.
void run_ped_cut();

// Reading. A missing pedigree file is an input error; a missing report or weight file reads as
// empty.

// Reads the pedigree file into rows 1 .. the record ceiling and sets ndat and nread to the
// number of complete records (those past the ceiling are counted, not stored).
void read_pedigree(CutTables& t, const std::string& file_name);
// Reads the report res.dat into the cut list and sets ncut (entries past the star ceiling are
// counted, not stored).
void read_report(CutTables& t, const std::string& file_name);
// Reads the weight file: each record's weight goes to the first entry whose n_cut equals its star
// number; a later record replaces an earlier one.
void read_weights(CutTables& t, const std::string& file_name);

// Orders the cut list's entries by identifier for entry_of_star.
void index_stars(CutTables& t);
// The first entry whose n_cut is `star`, 0 when none (needs index_stars).
int entry_of_star(const CutTables& t, int star);

// Finds the breaker row of every entry of the cut list into brk: row n_cut when that is a read
// row carrying the entry's label, else the first read row with the label, else 0.
void find_breakers(CutTables& t);

// Refuses, before anything is cut, input that the stages would use as garbage: a parent that is
// not a record, a father who is not male, a mother who is not female, a breaker of neither sex
// (needs find_breakers).
void check_input(const CutTables& t);

// Moves every breaker's offspring to founder copies of the breaker, one per mate, in report order
// (needs find_breakers).
void cut_breakers(CutTables& t);
// Numbers the connected groups in column PED; returns the number of group numbers issued.
int split(CutTables& t);
// Orders the cut list by weight, largest first, and undoes each cut whose copy lies in another
// group than its breaker; dropped copies get PED 0.
void rejoin(CutTables& t);
// Orders the live rows by group size and parents first, renumbers them and lowers ndat to the
// number of live rows; writes the validation lines.
void rewrite(CutTables& t, int nped);
// Writes rows 1 .. ndat to the cut pedigree file, replacing it only once every line is written.
void write_cut_pedigree(const CutTables& t, const std::string& file_name);

// Stop messages of a full record table and a full cut list.
inline constexpr const char* N_SIZE_STOP = "Increase parameter N_SIZE in par.incl and recompile !";
inline constexpr const char* N_STAR_STOP = "Increase parameter N_STAR in par.incl and recompile !";
// The stops themselves: the message and the variable that raises the ceiling.
[[noreturn]] void stop_record_ceiling();
[[noreturn]] void stop_star_ceiling();

}  // namespace loopcut
