// Case folding by range rules: most of these blocks pair capital and small letters either at a
// fixed distance (A..Z and a..z) or as neighbours (an even capital before its odd small letter,
// or the other way round); the few letters that follow neither rule are listed one by one.
#include "base/case_fold.h"

#include "base/utf8.h"

#include <cstddef>
#include <cstdint>

namespace tonvo::base {
namespace {

// Units that are not characters: an ill-formed byte b is decoded as kRawByte + b, above every
// code point, so it can only equal the same byte.
constexpr char32_t kRawByte = 0x110000;

// Capital/small pairs at neighbouring code points over [first, last]: the capital is the even one
// when capitalEven, else the odd one.
constexpr bool folds_as_pair(char32_t cp, char32_t first, char32_t last,
                             bool capitalEven) noexcept {
    return cp >= first && cp <= last && ((cp % 2 == 0) == capitalEven);
}

struct SingleFold {
    char32_t From;
    char32_t To;
};

// Letters outside the range rules, in code point order.
constexpr SingleFold kSingles[] = {
    {0x00B5, 0x03BC}, // micro sign -> small mu
    {0x0178, 0x00FF}, // Y with diaeresis
    {0x017F, 0x0073}, // long s -> s
    {0x0345, 0x03B9}, // combining ypogegrammeni -> small iota
    {0x037F, 0x03F3}, // capital yot
    {0x0386, 0x03AC}, // capital alpha with tonos
    {0x038C, 0x03CC}, // capital omicron with tonos
    {0x03C2, 0x03C3}, // final sigma -> sigma
    {0x03CF, 0x03D7}, // capital kai symbol
    {0x03D0, 0x03B2}, // beta symbol
    {0x03D1, 0x03B8}, // theta symbol
    {0x03D5, 0x03C6}, // phi symbol
    {0x03D6, 0x03C0}, // pi symbol
    {0x03F0, 0x03BA}, // kappa symbol
    {0x03F1, 0x03C1}, // rho symbol
    {0x03F4, 0x03B8}, // capital theta symbol
    {0x03F5, 0x03B5}, // lunate epsilon symbol
    {0x03F7, 0x03F8}, // capital sho
    {0x03F9, 0x03F2}, // capital lunate sigma symbol
    {0x03FA, 0x03FB}, // capital san
    {0x04C0, 0x04CF}, // palochka
    {0x2126, 0x03C9}, // ohm sign -> small omega
    {0x212A, 0x006B}, // kelvin sign -> k
    {0x212B, 0x00E5}, // angstrom sign -> a with ring
};

// One character of text from position i on, which is advanced past it. Well-formed UTF-8 gives
// its code point; anything else gives kRawByte + its first byte and advances by that one byte.
char32_t next_unit(std::string_view text, size_t& i) noexcept {
    const Utf8Sequence sequence = decode_utf8_sequence(text, i);
    if (!sequence.valid) {
        // The following bytes are read again as units of their own.
        return kRawByte + static_cast<uint8_t>(text[i++]);
    }
    i += sequence.length;
    return sequence.code_point;
}

} // namespace

char32_t fold_case(char32_t cp) noexcept {
    if (cp < 0x80) {
        return cp >= 'A' && cp <= 'Z' ? cp + 0x20 : cp;
    }
    // Latin-1: A grave .. Thorn, except the multiplication sign.
    if (cp >= 0x00C0 && cp <= 0x00DE && cp != 0x00D7) {
        return cp + 0x20;
    }
    // Latin Extended-A. Dotted capital I (U+0130) and dotless small i (U+0131) have no simple
    // folding, nor have kra (U+0138) and n preceded by apostrophe (U+0149).
    if (folds_as_pair(cp, 0x0100, 0x012F, true) || folds_as_pair(cp, 0x0132, 0x0137, true) ||
        folds_as_pair(cp, 0x0139, 0x0148, false) || folds_as_pair(cp, 0x014A, 0x0177, true) ||
        folds_as_pair(cp, 0x0179, 0x017E, false)) {
        return cp + 1;
    }
    // Greek.
    if (folds_as_pair(cp, 0x0370, 0x0373, true) || folds_as_pair(cp, 0x0376, 0x0377, true) ||
        folds_as_pair(cp, 0x03D8, 0x03EF, true)) {
        return cp + 1;
    }
    if (cp >= 0x0388 && cp <= 0x038A) {
        return cp + 0x25; // epsilon, eta, iota with tonos
    }
    if (cp >= 0x038E && cp <= 0x038F) {
        return cp + 0x3F; // upsilon, omega with tonos
    }
    if ((cp >= 0x0391 && cp <= 0x03A1) || (cp >= 0x03A3 && cp <= 0x03AB)) {
        return cp + 0x20;
    }
    if (cp >= 0x03FD && cp <= 0x03FF) {
        return cp - 0x82; // reversed lunate sigma symbols
    }
    // Cyrillic and Cyrillic Supplement.
    if (cp >= 0x0400 && cp <= 0x040F) {
        return cp + 0x50;
    }
    if (cp >= 0x0410 && cp <= 0x042F) {
        return cp + 0x20;
    }
    if (folds_as_pair(cp, 0x0460, 0x0481, true) || folds_as_pair(cp, 0x048A, 0x04BF, true) ||
        folds_as_pair(cp, 0x04C1, 0x04CE, false) || folds_as_pair(cp, 0x04D0, 0x052F, true)) {
        return cp + 1;
    }
    for (const SingleFold& single : kSingles) {
        if (single.From == cp) {
            return single.To;
        }
    }
    return cp;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) noexcept {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (fold_case(next_unit(a, i)) != fold_case(next_unit(b, j))) {
            return false;
        }
    }
    return i == a.size() && j == b.size();
}

} // namespace tonvo::base
