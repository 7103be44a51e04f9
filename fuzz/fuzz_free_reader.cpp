// The free-format reader on arbitrary bytes, driven by a sequence of reads that the input picks.
//
// Input: byte 0 gives the number n (0 .. 31) of the bytes that follow as operations; the rest is
// the file. An operation byte picks the read in its low 3 bits and a text width in the others. The operations are applied in a cycle until the file ends, a read fails or a bound on
// the number of operations is met.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "common/errors.hpp"
#include "common/free_reader.hpp"

namespace {

[[noreturn]] void broken(const char* what, const std::string& detail) {
  std::fprintf(stderr, "\n*** %s: %s\n", what, detail.c_str());
  std::abort();
}

void check_text(const std::string& text, int width) {
  if (static_cast<int>(text.size()) != width)
    broken("text item not of its field width", std::to_string(text.size()) + " != " + std::to_string(width));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::size_t n_ops = data[0] % 32;
  if (n_ops > size - 1) n_ops = size - 1;
  const std::uint8_t* ops = data + 1;
  const std::string file(reinterpret_cast<const char*>(data + 1 + n_ops), size - 1 - n_ops);
  if (n_ops == 0) {
    static const std::uint8_t all[] = {0, 1, 2 | (19 << 3), 3, 4, 5, 6, 7 | (31 << 3)};
    ops = all;
    n_ops = sizeof all;
  }

  std::istringstream in(file);
  loopcut::FreeReader r(in, "fuzz.dat");
  int last_line = 0;
  const std::size_t bound = 4 * file.size() + 64;
  try {
    for (std::size_t step = 0; step < bound; ++step) {
      const std::uint8_t op = ops[step % n_ops];
      const int w = op >> 3;  // widths 1 .. 20, then 25, 30, .. 80
      const int width = w < 20 ? w + 1 : 20 + (w - 19) * 5;
      bool more = true;
      switch (op & 7) {
        case 0: r.read_int("i"); break;
        case 1: {
          float v = r.read_real("r");
          if (!std::isfinite(v)) broken("real not finite", std::to_string(v));
          break;
        }
        case 2: check_text(r.read_text(width, "t"), width); break;
        case 3: r.read_label("l"); break;
        case 4: r.end_read(); break;
        case 5: {
          int v = 0;
          more = r.try_int(v, "i");
          break;
        }
        case 6: {
          float v = 0;
          more = r.try_real(v, "r");
          if (more && !std::isfinite(v)) broken("real not finite", std::to_string(v));
          break;
        }
        default: {
          std::string t;
          more = r.try_text(t, width, "t");
          if (more) check_text(t, width);
          break;
        }
      }
      if (r.line_number() < last_line) broken("line number went back", std::to_string(r.line_number()));
      last_line = r.line_number();
      if (!more) break;
    }
  } catch (const loopcut::InputError& e) {
    const std::string m = e.what();
    if (m.rfind("fuzz.dat:", 0) != 0) broken("message does not name the file", m);
  }
  return 0;
}
