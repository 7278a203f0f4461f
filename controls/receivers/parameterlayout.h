#pragma once
// The parameter layout of a receiver type: which of the four settings of a receiver are
// lists of choices or free text, and what their labels read. The layout is a text of
// items separated by the zero character, each item key "=" value, the key one letter and
// the setting number in decimal:
//   "L" n = caption     label of setting n
//   "C" n = a;b;c       setting n is a list with these choices, in this order
//   "T" n = (ignored)   setting n is a free text
// The letter is compared case-sensitively and other letters are ignored; items are read
// up to the first empty item and choices up to the first empty choice; the value is the
// text between the first and the second "="; an item whose number is not 0..3 (or not a
// decimal number) has no effect.

#include "core/codec.h"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace korvel::receivers {

inline constexpr int kSettingFields = 4;

struct SettingLayout {
    std::optional<Bytes> Label;  // the caption, when the layout labels the setting
    bool IsList = false;         // a list of choices is shown
    std::vector<Bytes> Choices;  // of the last list item of the setting
    bool IsText = false;         // a text field is shown
};

using ParameterLayout = std::array<SettingLayout, kSettingFields>;

ParameterLayout ParseParameterLayout(std::string_view layout);

} // namespace korvel::receivers
