#pragma once
#include <string>
#include <vector>

#include "common/text_file.hpp"

namespace loopcut::prep {

// The common pedigree model: what every format's reader gives and its writer takes back, and
// what the pipeline's steps work on.

// The pedigree formats that ped_prep reads and writes.
enum class Format { linkage, fam, gedcom, chain, makeped };

// One individual as the input file gives it, with its original identifiers.
struct Person {
  std::string family;  // family identifier; empty where identifiers are global (gedcom, chain)
  std::string id;      // identifier, unique within the family
  std::string father;  // father's identifier within the same family, empty for none
  std::string mother;  // mother's identifier within the same family, empty for none
  int sex = 0;         // 1 male, 2 female, 0 unknown
  std::string sex_code;  // linkage/fam: the sex column as written (0, 3, -9, U, ...), kept on output
  std::string extra;   // linkage/fam: the columns after sex, as written (makeped: after column 9);
                       // chain: the label
  int line = 0;        // line of the input file where the record starts
  // linkage/fam with --add-missing-parents: a founder record made for a parent named without
  // one (it has no line of its own; `line` is that of the child naming it, `named_by`).
  bool added = false;
  std::string named_by;
  bool proband = false;  // makeped: column 9 is 1 (on this record or on a copy joined to it)
};

// A GEDCOM record kept verbatim for writing the file back out.
struct GedcomRecord {
  std::string xref;                // without the @ signs; empty for records without one
  std::string tag;                 // INDI, FAM, HEAD, SUBM, ...
  std::vector<std::string> lines;  // every line of the record, the level-0 line first
  int person = -1;                 // INDI: index into `people`; -1 for other records
};

// What was read from an input file, before any checking.
struct PedigreeInput {
  Format format = Format::chain;
  std::string file;
  std::vector<Person> people;
  // Problems that the reader found (malformed lines and the like), one message each.
  std::vector<std::string> problems;
  // Things worth telling the user that do not stop the import.
  std::vector<std::string> notes;
  // linkage/fam: the separator of the input's columns (a tab or a blank), reused when writing.
  char separator = ' ';
  // linkage/fam: every line of the file as written (comments and blank lines too); a person's
  // record is lines[line - 1].
  std::vector<std::string> lines;
  // makeped: the lines of the loop breakers' copies that were joined into their originals;
  // they are no records of their own and are not written back.
  std::vector<int> joined_lines;
  // The input's encoding, byte order mark and line end, which the output takes over.
  TextForm form;
  // gedcom: every record of the file, in file order.
  std::vector<GedcomRecord> gedcom;
  // gedcom: per person, the FAM record of its family of birth (whose HUSB and WIFE are its
  // father and mother); empty for none.
  std::vector<std::string> birth_family;
};

}  // namespace loopcut::prep
