#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>
#include <filesystem>

#include "common/interrupts.hpp"

namespace loopcut {

namespace {

// A slot is free, being filled, or holds a name the handler may remove.
enum : int { kSlotFree, kSlotFilling, kSlotReady };

struct PartSlot {
  std::atomic<int> state{kSlotFree};
  char path[4096];
};
static_assert(std::atomic<int>::is_always_lock_free);

// Enough for every output a program has open at once (the weight program has four).
std::array<PartSlot, 64> part_slots;

}  // namespace

int register_part_file(const std::string& path) {
  std::error_code ec;
  std::string name = std::filesystem::absolute(path, ec).string();
  if (ec) name = path;
  if (name.size() >= sizeof(PartSlot::path)) return -1;
  for (std::size_t i = 0; i < part_slots.size(); ++i) {
    int expected = kSlotFree;
    if (!part_slots[i].state.compare_exchange_strong(expected, kSlotFilling)) continue;
    std::memcpy(part_slots[i].path, name.c_str(), name.size() + 1);
    part_slots[i].state.store(kSlotReady);
    return static_cast<int>(i);
  }
  return -1;
}

void unregister_part_file(int slot) {
  if (slot >= 0 && static_cast<std::size_t>(slot) < part_slots.size())
    part_slots[static_cast<std::size_t>(slot)].state.store(kSlotFree);
}

void remove_part_files() noexcept {
  for (PartSlot& s : part_slots) {
    if (s.state.load() == kSlotReady) unlink(s.path);
  }
}

}  // namespace loopcut
