#pragma once
#include <algorithm>
#include <span>
#include <utility>
#include <vector>

namespace loopcut {

// Makes a table hold at least n entries, keeping what it holds; it never shrinks.
template <class T>
void grow(std::vector<T>& v, std::size_t n) {
  if (v.size() < n) v.resize(n, T{});
}

// Lists of rows by key: for each key 1 .. keys, the rows that carry it, in increasing row order.
// A row may carry several keys (or one key twice). Built by counting, in arrays that grow with
// the tables.
class RowLists {
 public:
  RowLists() = default;
  void resize(int max_keys, int max_entries) {
    grow(start_, static_cast<std::size_t>(max_keys) + 2);
    grow(rows_, static_cast<std::size_t>(max_entries) + 1);
  }

  // keys_of(r, emit) calls emit(key) for each key of row r, 1 <= key <= keys.
  template <class KeysOf>
  void build(int first_row, int last_row, int keys, KeysOf keys_of) {
    keys_ = keys;
    std::fill(start_.begin(), start_.begin() + keys + 2, 0);
    for (int r = first_row; r <= last_row; ++r) {
      keys_of(r, [this](int key) { ++start_[static_cast<std::size_t>(key)]; });
    }
    // start_[key] becomes the end of key's entries; the total goes behind the last key.
    for (int key = 2; key <= keys; ++key) start_[idx(key)] += start_[idx(key - 1)];
    start_[idx(keys + 1)] = keys >= 1 ? start_[idx(keys)] : 0;
    // Filled from the last row down, so each key's rows come out ascending and start_[key] ends
    // as the first entry of key.
    for (int r = last_row; r >= first_row; --r) {
      keys_of(r, [this, r](int key) { rows_[idx(--start_[idx(key)])] = r; });
    }
  }

  std::span<const int> of(int key) const {
    if (key < 1 || key > keys_) return {};
    const auto b = idx(start_[idx(key)]);
    const auto e = idx(start_[idx(key + 1)]);
    return {rows_.data() + b, e - b};
  }

 private:
  static std::size_t idx(int i) { return static_cast<std::size_t>(i); }
  std::vector<int> start_;
  std::vector<int> rows_;
  int keys_ = 0;
};

// Disjoint sets of rows, each carrying a group number (a union–find with labels).
class LabelledSets {
 public:
  LabelledSets() = default;
  void resize(int max_rows) {
    const auto n = static_cast<std::size_t>(max_rows) + 1;
    grow(up_, n);
    grow(size_, n);
    grow(label_, n);
  }

  // Row r alone in a set of its own.
  void make(int r, int label) {
    up_[idx(r)] = r;
    size_[idx(r)] = 1;
    label_[idx(r)] = label;
  }
  // Row r, in no set yet, joins the set of `root`.
  void attach(int r, int root) {
    up_[idx(r)] = root;
    ++size_[idx(root)];
  }
  int find(int r) {
    while (up_[idx(r)] != r) {
      up_[idx(r)] = up_[idx(up_[idx(r)])];
      r = up_[idx(r)];
    }
    return r;
  }
  // Joins the sets of two roots; the joined set carries `label`. Returns the new root.
  int join(int a, int b, int label) {
    if (size_[idx(a)] < size_[idx(b)]) std::swap(a, b);
    up_[idx(b)] = a;
    size_[idx(a)] += size_[idx(b)];
    label_[idx(a)] = label;
    return a;
  }
  int label_of_root(int root) const { return label_[idx(root)]; }

 private:
  static std::size_t idx(int r) { return static_cast<std::size_t>(r); }
  std::vector<int> up_;
  std::vector<int> size_;
  std::vector<int> label_;
};

// Work space of the cut stages, sized with the tables: rows for the record rows, entries for the
// cut list.
struct CutWorkSpace {
  void resize(int rows, int entries) {
    const auto r = static_cast<std::size_t>(rows) + 1;
    const auto e = static_cast<std::size_t>(entries) + 1;
    grow(by_label, r);
    grow(by_star, e);
    by_father.resize(rows, rows);
    by_mother.resize(rows, rows);
    grow(mate_stamp, r);
    grow(mate_copy, r);
    sets.resize(rows);
    copies_of.resize(rows, rows);
    children.resize(rows, 2 * rows);
    members.resize(rows, rows);
    grow(first_of_group, r);
    grow(row_flag, r);
    grow(order, std::max(r, e));
    grow(entry_int, e);
    grow(entry_float, e);
    grow(group_size, r);
    grow(waiting, r);
    grow(pos, r);
    grow(at, r);
    grow(placed_group, r);
    if (ready.capacity() < r) ready.reserve(r);
  }

  std::vector<int> by_label;  // read rows ordered by label, then row (entries 0 .. nread-1)
  std::vector<int> by_star;   // cut entries ordered by identifier, then entry (0 .. ncut-1)

  // cut_breakers
  RowLists by_father;  // read rows by father
  RowLists by_mother;  // read rows by mother
  std::vector<int> mate_stamp;  // entry that last made a copy for the mate
  std::vector<int> mate_copy;   // that copy
  std::vector<std::pair<int, int>> other_mates;  // mates outside 0 .. nread: (mate, copy)

  // split, rejoin and rewrite
  LabelledSets sets;  // groups of rows carrying their numbers
  RowLists copies_of; // copies by the breaker they were made from
  RowLists children;  // rejoin: rows by the copy they name; rewrite: rows by each parent
  RowLists members;   // live rows by group
  std::vector<int> first_of_group;
  std::vector<char> row_flag;

  // rejoin's ordering of the cut list and rewrite's ordering of the groups
  std::vector<int> order;
  std::vector<int> entry_int;
  std::vector<float> entry_float;

  // rewrite
  std::vector<int> group_size;
  std::vector<int> waiting;       // parents not yet placed
  std::vector<int> pos;           // current position of a row of the table as rewrite found it
  std::vector<int> at;            // row standing at a position
  std::vector<int> placed_group;  // new pedigree number of the row placed at a position
  std::vector<std::pair<int, int>> ready;  // min-heap of (position, row)
};

}  // namespace loopcut
