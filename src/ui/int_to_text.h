// `IntToText`: a whole number as text, for value labels and spin edits.
#pragma once

#include <cstdint>
#include <string>

namespace tonvo::ui {

// "0" for zero (also with the sign), "-3" for negatives; positives as "5", or "+5" with
// `with_sign`. Every int32_t works, INT32_MIN included.
std::string IntToText(int32_t value, bool with_sign = false);

} // namespace tonvo::ui
