#pragma once
// Input files of the ped_prep targets in any encoding and line end: byte 0 of an input picks the
// form, the rest is the file's text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace loopcut::fuzz {

// `pick`: bits 0-1 the encoding (0: the bytes as given, untouched; 1: bytes with a UTF-8 byte
// order mark; 2: UTF-16LE; 3: UTF-16BE, both with their mark), bits 2-3 the line end that
// replaces each LF (LF, CR LF, CR, LF CR), bit 4 drops the last line end. The other bits are
// left to the target.
std::string file_in_form(std::uint8_t pick, std::string_view text);

// The bytes of an input from `from` on, as text.
std::string_view rest(const std::uint8_t* data, std::size_t size, std::size_t from);

}  // namespace loopcut::fuzz
