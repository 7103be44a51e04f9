#include "common/text_file.hpp"

#include <iterator>
#include <sstream>

#include "common/errors.hpp"
#include "common/files.hpp"

namespace loopcut {

namespace {

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// UTF-16 code units (after the byte order mark) as UTF-8.
std::string decode_utf16(std::string_view bytes, bool little, const std::string& name) {
  if (bytes.size() % 2 != 0)
    throw InputError(name, "UTF-16 file with an odd number of bytes: the file is cut short");
  auto unit = [&](std::size_t i) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char32_t>(little ? b0 | (b1 << 8) : (b0 << 8) | b1);
  };
  std::string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (c >= 0xD800 && c < 0xE000)
      throw InputError(name, "UTF-16 file with an unpaired surrogate at byte " + std::to_string(i + 2));
    append_utf8(out, c);
  }
  return out;
}

// The next code point of UTF-8 text; a byte that starts no valid sequence stands for itself.
char32_t next_code_point(std::string_view s, std::size_t& i) {
  const auto b = static_cast<unsigned char>(s[i]);
  const std::size_t more = b >= 0xF0 && b < 0xF8 ? 3 : b >= 0xE0 && b < 0xF0 ? 2
                           : b >= 0xC0 && b < 0xE0 ? 1 : 0;
  if (more == 0 || i + more >= s.size()) {
    ++i;
    return b;
  }
  char32_t c = more == 3 ? b & 0x07 : more == 2 ? b & 0x0F : b & 0x1F;
  for (std::size_t k = 1; k <= more; ++k) {
    const auto t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) {
      ++i;
      return b;
    }
    c = (c << 6) | (t & 0x3F);
  }
  i += more + 1;
  return c;
}

void append_utf16(std::string& out, char32_t c, bool little) {
  auto put = [&](char32_t u) {
    const char hi = static_cast<char>((u >> 8) & 0xFF), lo = static_cast<char>(u & 0xFF);
    if (little) {
      out += lo;
      out += hi;
    } else {
      out += hi;
      out += lo;
    }
  };
  if (c >= 0x10000) {
    c -= 0x10000;
    put(0xD800 + (c >> 10));
    put(0xDC00 + (c & 0x3FF));
  } else {
    put(c);
  }
}

}  // namespace

TextFile split_text(std::string_view bytes, const std::string& name) {
  TextFile file;
  std::string text;
  if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
    const bool little = bytes[0] == '\xFF';
    file.form.encoding = little ? Encoding::utf16le : Encoding::utf16be;
    file.form.bom = true;
    text = decode_utf16(bytes.substr(2), little, name);
  } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    file.form.bom = true;
    text = std::string(bytes.substr(3));
  } else {
    text = std::string(bytes);
  }
  file.form.last_line_end = text.empty() || text.back() == '\n' || text.back() == '\r';
  std::istringstream in(std::move(text));
  LineReader lines(in);
  for (std::string line; lines.next(line);) file.lines.push_back(line);
  file.form.line_end = lines.line_end();
  return file;
}

TextFile read_text_file(const std::string& name) {
  std::ifstream in = open_input(name);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw InputError(name, "read failed");
  return split_text(bytes, name);
}

std::string encode_line(std::string_view text, const TextForm& form, bool with_end) {
  const char* end = with_end ? line_end_text(form.line_end) : "";
  if (form.encoding == Encoding::bytes) return std::string(text) + end;
  const bool little = form.encoding == Encoding::utf16le;
  std::string out;
  out.reserve(2 * (text.size() + 2));
  for (std::size_t i = 0; i < text.size();) append_utf16(out, next_code_point(text, i), little);
  for (const char* c = end; *c; ++c) append_utf16(out, static_cast<unsigned char>(*c), little);
  return out;
}

std::string encode_bom(const TextForm& form) {
  if (!form.bom) return "";
  switch (form.encoding) {
    case Encoding::bytes: return "\xEF\xBB\xBF";
    case Encoding::utf16le: return "\xFF\xFE";
    case Encoding::utf16be: return "\xFE\xFF";
  }
  return "";
}

}  // namespace loopcut
