#include "text_forms.hpp"

#include "common/text_file.hpp"

namespace loopcut::fuzz {

std::string_view rest(const std::uint8_t* data, std::size_t size, std::size_t from) {
  if (size <= from) return {};
  return std::string_view(reinterpret_cast<const char*>(data) + from, size - from);
}

std::string file_in_form(std::uint8_t pick, std::string_view text) {
  if ((pick & 3) == 0) return std::string(text);
  TextForm form;
  form.encoding = (pick & 3) == 2   ? Encoding::utf16le
                  : (pick & 3) == 3 ? Encoding::utf16be
                                    : Encoding::bytes;
  form.bom = true;
  form.line_end = static_cast<LineEnd>((pick >> 2) & 3);
  std::string file = encode_bom(form);
  std::size_t start = 0;
  for (;;) {
    const std::size_t nl = text.find('\n', start);
    if (nl == std::string::npos) {
      if (start < text.size()) file += encode_line(text.substr(start), form, (pick & 16) == 0);
      break;
    }
    file += encode_line(text.substr(start, nl - start), form, true);
    start = nl + 1;
  }
  return file;
}

}  // namespace loopcut::fuzz
