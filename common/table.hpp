#pragma once
#include <algorithm>
#include <cassert>
#include <vector>

namespace loopcut {

// A table of rows x columns whose rows grow with the input: ensure_rows makes room, keeping what
// the table holds. Rows and columns are numbered from 1, as in the file formats; row 0 and
// column 0 are unused.
template <class T>
class Table {
 public:
  Table(int rows, int cols)
      : rows_(rows), cols_(cols),
        data_(static_cast<std::size_t>(rows + 1) * static_cast<std::size_t>(cols + 1)) {}

  T& operator()(int r, int c) {
    assert(r >= 1 && r <= rows_ && c >= 1 && c <= cols_);
    return data_[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols_ + 1) +
                 static_cast<std::size_t>(c)];
  }
  const T& operator()(int r, int c) const { return const_cast<Table&>(*this)(r, c); }

  // Makes rows 1 .. rows exist (new rows hold zeros); a table never shrinks. The storage grows
  // by at least half each time, so that adding rows one by one stays linear.
  void ensure_rows(int rows) {
    if (rows <= rows_) return;
    const std::size_t width = static_cast<std::size_t>(cols_ + 1);
    const std::size_t want = static_cast<std::size_t>(rows + 1) * width;
    if (want > data_.capacity()) data_.reserve(std::max(want, data_.capacity() + data_.capacity() / 2));
    data_.resize(want);
    rows_ = rows;
  }

  int rows() const { return rows_; }
  int cols() const { return cols_; }

 private:
  int rows_;
  int cols_;
  std::vector<T> data_;
};

}  // namespace loopcut
