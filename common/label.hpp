#pragma once
#include <array>
#include <string>
#include <string_view>

namespace loopcut {

// A 20-character text field, blank-padded on the right, compared on all 20 characters.
inline constexpr int LABEL_WIDTH = 20;
using Label = std::array<char, LABEL_WIDTH>;

// Cuts or blank-pads text to a label.
Label make_label(std::string_view text);

inline std::string_view label_view(const Label& l) { return {l.data(), l.size()}; }

// The label without its trailing blanks (for file names).
std::string trimmed(const Label& l);

}  // namespace loopcut
