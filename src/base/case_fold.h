// Comparing names without regard to letter case, the same on every system: our own folding
// table, never the C library's locale, so a name found on one machine is found on every other.
//
// Thread contract: pure functions, callable from any thread; they never allocate.
#pragma once

#include <string_view>

namespace tonvo::base {

// The simple case folding of a code point (one code point to one, as Unicode's CaseFolding
// table lists it with status C or S) for Basic Latin, Latin-1 Supplement, Latin Extended-A,
// Greek and Coptic, Cyrillic and Cyrillic Supplement, plus the Kelvin, Angstrom and Ohm signs.
// Any other code point is its own folding. Folding is idempotent, and two code points that differ
// only in case fold to the same one ("Σ", "σ" and "ς" all fold to "σ").
char32_t fold_case(char32_t cp) noexcept;

// Whether two UTF-8 texts are equal once every character is folded with fold_case. Each
// ill-formed part (a stray continuation byte, a truncated or overlong sequence, an encoded
// surrogate, a value past U+10FFFF, a byte that never starts a character) is one unit that
// equals only the same byte at the same place, so invalid text compares bytewise. Never reads
// outside the two views.
bool equal_ignoring_case(std::string_view a, std::string_view b) noexcept;

} // namespace tonvo::base
