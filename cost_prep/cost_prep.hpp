#pragma once
#include <string>
#include <vector>

#include "common/files.hpp"

namespace loopcut {

// The whole run in the working directory: task_w_fin.inp, rrr.dat and the list file in; the four
// weight files w_res.dat, w_0.dat, w_s.dat, w_l.dat and the two count lines out.
void run_cost_prep();

// What task_w_fin.inp asks for.
struct WeightTask {
  int n = 0;              // weights are written for stars 1 .. n
  std::string list_file;  // names the stars that count double (trailing blanks removed)
};

// The records of rrr.dat after the first, in file order, as star weights. Entries 1 .. m are in
// use; the tables grow with the records (at most the star ceiling of them).
struct StarTable {
  StarTable();
  std::vector<int> id;       // star number of record k
  std::vector<float> weigh;  // w = (R0 - R) / R0 of record k
  int m = 0;
  // For each star number 1 .. the star ceiling, its first record (0 for none, or beyond the
  // end); kept by add().
  std::vector<int> first;
  // Smallest weight above 1e-5 over every record (10000 when there is none).
  float smallest = 10000.0f;
};

// The star numbers of the list file, in file order; entries 1 .. l are in use.
struct StarList {
  StarList();
  std::vector<int> star;
  int l = 0;
  // For each star number 1 .. the star ceiling, whether the list holds it (no for an entry
  // beyond the end); kept by add().
  std::vector<char> listed;
};

// Appends record m + 1 to the table, or entry l + 1 to the list (the caller checks the capacity).
void add_record(StarTable& stars, int star, float w);
void add_to_list(StarList& list, int star);

// The first record of the star, 0 when it has none.
int record_of(int star, const StarTable& stars);
// Whether the list holds the star.
bool on_list(int star, const StarList& list);

// The three transforms of one star's weight.
struct Transforms {
  float w0 = 0.0f;  // scaled by 100
  float ws = 0.0f;  // square root of the scaled weight, its sign kept
  float wl = 0.0f;  // logarithm of the weight times the scale; 0 for weights not above 1e-10
};

// Stars written and how many of them were found and were on the list.
struct WeightCounts {
  int found = 0;
  int from_list = 0;
};

// Capacity stop shared by the task and list checks.
[[noreturn]] void stop_star_capacity();

// Reads n and the list file name. A missing file is an input error.
WeightTask read_weight_task(const std::string& file_name);

// Reads R0 and the star records into an empty table. Stops when R0 is 0 or the records exceed
// the star ceiling. A missing file is an input error.
void read_relationships(const std::string& file_name, StarTable& stars);

// Reads the star numbers of the list file into an empty list; a missing file reads as empty.
// Stops when the entries exceed the star ceiling.
void read_star_list(const std::string& file_name, StarList& list);

// The power of ten that lifts the smallest weight's logarithm above 0.001 (1 when the smallest
// weight already exceeds 1).
float choose_scale(float smallest);

// The natural logarithm and the square root of a 32-bit value, correctly rounded to 32 bits.
float ln32(float x);
float sqrt32(float x);

// The transforms of weight w under the scale.
Transforms transforms_of(float w, float scale);

// Doubles the weight of a star on the list: w0 doubled, ws times the square root of 2, and ln 2
// added to a logarithm above 1e-10.
void double_for_list(Transforms& t);

// The four weight files, each written to a temporary file and put in place only by commit().
class WeightFiles {
 public:
  WeightFiles();
  // One star's line in each file, w_res.dat first.
  void write(int star, const Transforms& t);
  void commit();

 private:
  OutputFile res_;
  OutputFile w0_;
  OutputFile ws_;
  OutputFile wl_;
};

// Writes stars 1 .. n: the first record of each star gives its weight, a star without a record
// gets zeros and is not counted.
WeightCounts write_star_weights(int n, const StarTable& stars, const StarList& list, float scale,
                                WeightFiles& files);

}  // namespace loopcut
