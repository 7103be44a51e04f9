#pragma once
#include <cassert>
#include <vector>

namespace loopcut {

// A fixed table of rows x columns, allocated once at its full size.
// Rows and columns are numbered from 1, as in the file formats; row 0 and column 0 are unused.
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

  int rows() const { return rows_; }
  int cols() const { return cols_; }

 private:
  int rows_;
  int cols_;
  std::vector<T> data_;
};

}  // namespace loopcut
