#pragma once
#include <string>
#include <string_view>

namespace loopcut::testing {

// The SHA-256 digest of the bytes, in lower-case hexadecimal (as sha256sum prints it).
std::string sha256_hex(std::string_view bytes);

}  // namespace loopcut::testing
