#pragma once
#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace loopcut::prep {

// A name made of two parts, e.g. family and identifier; the parts are compared separately.
using NameKey = std::pair<std::string_view, std::string_view>;

// Finds a value (a number >= 0, e.g. a record's index) by its name, where the names live in the
// records themselves: `name_of(value)` gives a value's name. The table holds only hashes and
// values in one open-addressed array, so a large input costs no string copy and no allocation
// per record.
template <class NameOf>
class NameIndex {
 public:
  explicit NameIndex(NameOf name_of, std::size_t expected = 0) : name_of_(std::move(name_of)) {
    std::size_t size = 16;
    while (size < expected * 2) size *= 2;
    slots_.assign(size, Slot{});
  }

  // The value with this name; -1 for none.
  int find(const NameKey& name) const {
    const std::uint32_t h = hash(name);
    for (std::size_t s = h & mask();; s = (s + 1) & mask()) {
      const Slot& slot = slots_[s];
      if (slot.value < 0) return -1;
      if (slot.hash == h && name_of_(slot.value) == name) return slot.value;
    }
  }

  // Files `value` under its name unless the name is taken; returns the value filed under the
  // name (`value` itself when it was free).
  int insert(int value) {
    if ((count_ + 1) * 2 > slots_.size()) grow();
    const NameKey name = name_of_(value);
    const std::uint32_t h = hash(name);
    std::size_t s = h & mask();
    for (;; s = (s + 1) & mask()) {
      const Slot& slot = slots_[s];
      if (slot.value < 0) break;
      if (slot.hash == h && name_of_(slot.value) == name) return slot.value;
    }
    slots_[s] = Slot{h, value};
    ++count_;
    return value;
  }

 private:
  struct Slot {
    std::uint32_t hash = 0;
    int value = -1;
  };

  static std::uint32_t hash(const NameKey& name) {
    const std::uint64_t a = std::hash<std::string_view>{}(name.first);
    const std::uint64_t b = std::hash<std::string_view>{}(name.second);
    return static_cast<std::uint32_t>(((a * 0x9e3779b97f4a7c15ULL) ^ b) >> 16);
  }

  std::size_t mask() const { return slots_.size() - 1; }

  void grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.value < 0) continue;
      std::size_t s = slot.hash & mask();
      while (slots_[s].value >= 0) s = (s + 1) & mask();
      slots_[s] = slot;
    }
  }

  NameOf name_of_;
  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

}  // namespace loopcut::prep
