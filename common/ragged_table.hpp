#pragma once
#include <cassert>
#include <algorithm>
#include <cstddef>
#include <vector>

namespace loopcut {

// Rows of different widths, numbered from 1 as the fixed tables are, each a run of one flat
// array: a table whose rows are as wide as what they hold, rather than all as wide as the widest
// row may be. Columns are numbered from 1. Laying the rows out again reuses the storage, which
// only ever grows.
class RaggedTable {
 public:
  // Lays out rows 1 .. rows, row r width(r) columns wide, all zero.
  template <class Width>
  void lay_out(int rows, Width width) {
    if (start_.size() < at(rows) + 2) start_.resize(at(rows) + 2);
    if (width_.size() < at(rows) + 1) width_.resize(at(rows) + 1);
    std::size_t next = 0;
    for (int r = 1; r <= rows; ++r) {
      start_[at(r)] = next;
      width_[at(r)] = width(r);
      next += at(width_[at(r)]);
    }
    if (data_.size() < next) data_.resize(next);
    std::fill(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(next), 0);
    rows_ = rows;
  }

  int& operator()(int r, int c) {
    assert(r >= 1 && r <= rows_ && c >= 1 && c <= width_[at(r)]);
    return data_[start_[at(r)] + at(c - 1)];
  }
  int operator()(int r, int c) const { return const_cast<RaggedTable&>(*this)(r, c); }

  int rows() const { return rows_; }
  int width(int r) const { return width_[at(r)]; }

  // Row `to` takes over the entries of row `from`, whose own entries are left to it; used when
  // rows move down a table, from the first to the last, so that no row is read after it is
  // given away.
  void move_row(int to, int from) {
    start_[at(to)] = start_[at(from)];
    width_[at(to)] = width_[at(from)];
  }

 private:
  static std::size_t at(int i) { return static_cast<std::size_t>(i); }
  std::vector<std::size_t> start_;
  std::vector<int> width_;
  std::vector<int> data_;
  int rows_ = 0;
};

}  // namespace loopcut
