#pragma once
// Values of the text files that the readers take, and text as their messages show it.
#include <optional>
#include <string>
#include <string_view>

namespace loopcut {

// A row or value as messages show it: at most 80 characters, then "...".
std::string shown_text(std::string_view text);

// A whole number written with digits alone, or nothing: at most nine of them, so that it and
// the identifiers made above it fit an int.
std::optional<int> whole_number(std::string_view text);

}  // namespace loopcut
