#pragma once
// The two icon stores of the receivers editor, drawn at run time (our own pictures):
//   sorting (column headers): 1 descending (arrow down), 2 ascending (arrow up);
//   check boxes (rows):       1 receiver enabled (ticked box), 2 disabled (empty box).

#include "platform/iconstore.h"

namespace korvel::receivers {

inline constexpr int kIconDescending = 1;
inline constexpr int kIconAscending = 2;
inline constexpr int kIconEnabled = 1;
inline constexpr int kIconDisabled = 2;

// Shared by every instance of the control (drawn on first use).
const platform::IconStore& SortingIcons();
const platform::IconStore& CheckBoxIcons();

} // namespace korvel::receivers
