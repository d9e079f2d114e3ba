// The scale wizard's model: the list of named scales (one "Name;0,2,4,..." line each), the menu
// built from it, look-ups by name and index, the wizard's starting choice and the filling of the
// whole note map from a scale and a tonic. Reading and writing the scale file lives in
// scale_file.h.
//
// Thread contract: user-interface thread. ApplyScale writes the map's entries one at a time, as
// the note map allows; the other functions are pure.
#pragma once

#include "engine/scale_map.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tonvo {

// Field n (counted from 1) of text split at the delimiter. A double quote toggles a quoted state
// in which the delimiter does not split, and the text counts as ending with one delimiter when
// it does not already; a field exists only when an unquoted delimiter ends it, so n <= 0, a
// field past the last one and everything after an unclosed quote give empty text. One leading
// and one trailing double quote of the field are removed. The delimiter must not be '"'.
std::string ExtractField(std::string_view text, int32_t n, char delimiter);

// The list written to a new scale file; "-" lines are menu separators.
inline constexpr std::array<std::string_view, 24> BuiltInScales = {
    "Major;0,2,4,5,7,9,11",
    "Minor;0,2,3,5,7,8,10",
    "Melodic Minor;0,2,3,5,7,9,11",
    "Harmonic Minor;0,2,3,5,7,8,11",
    "Major Pentatonic;0,2,4,7,9",
    "Minor Pentatonic;0,3,5,7,10",
    "Blues;0,3,5,6,7,10",
    "-",
    "Dorian;0,2,3,5,7,9,10",
    "Locrian;0,1,3,5,6,8,10",
    "Lydian;0,2,4,6,7,9,11",
    "Mixolydian;0,2,4,5,7,9,10",
    "Phrygian;0,1,3,5,7,8,10",
    "-",
    "Augmented;0,3,4,7,8,11",
    "Balinese;0,1,3,7,8",
    "Bebop Major;0,2,4,5,7,8,9,11",
    "Bebop Minor;0,2,3,4,5,7,9,10",
    "Diminished;0,2,3,5,6,8,9,11",
    "Egyptian;0,2,5,7,10",
    "Hungarian Major;0,3,4,6,7,9,10",
    "Hungarian Minor;0,2,3,6,7,8,11",
    "Persian;0,1,4,5,6,8,11",
    "Whole Tone;0,2,4,6,8,10",
};

// Removes leading and trailing characters with codes 0..32 (blanks and control characters).
std::string_view trim_blanks(std::string_view text) noexcept;

enum class ScaleMenuKind { Item, Separator };

// One menu entry; Tag is the index of its line in the scale list.
struct ScaleMenuEntry {
    ScaleMenuKind Kind = ScaleMenuKind::Item;
    std::string Caption;
    int32_t Tag = -1;

    bool operator==(const ScaleMenuEntry&) const = default;
};

// The scale menu: blank lines give no entry (their index is still skipped), "-" a separator,
// any other line an item captioned with its name.
std::vector<ScaleMenuEntry> scale_menu(const std::vector<std::string>& lines);

// Index of the first line whose name equals name without regard to letter case, or -1. Names
// are UTF-8 and compared character by character with base::equal_ignoring_case, so "ÉOLIEN"
// finds "Éolien" on every system; invalid UTF-8 compares bytewise.
int32_t FindScale(const std::vector<std::string>& lines, std::string_view name);

// The name of line index, or empty text when there is no such line.
std::string scale_caption(const std::vector<std::string>& lines, int32_t index);

// A tonic folded into 0..11. Only a foreign stored state can hold another value; folding (14 is
// D, -1 is B) keeps every pitch-class sum and every NoteNames look-up in range.
constexpr int32_t normalize_tonic(int32_t tonic) noexcept {
    const int32_t folded = tonic % 12;
    return folded < 0 ? folded + 12 : folded;
}

// What the wizard shows when it opens.
struct WizardChoice {
    int32_t ScaleIndex = -1; // -1 only for an empty list
    int32_t Tonic = 0;       // 0..11
    bool EasyMode = true;

    bool operator==(const WizardChoice&) const = default;
};

// The map's stored scale when the list still has it, else Major (tonic kept when a name was
// stored, C otherwise), else the first line.
WizardChoice sync_wizard_choice(const std::vector<std::string>& lines, const TScaleMap& map);

// The distinct intervals 0..11 of a scale line, ascending. The part after the first ';' is split
// at ','; a field counts when it is a plain decimal integer from 0 to 11: optional blanks
// (codes 0..32) around it, an optional '+' or '-' sign, then digits only ("-0" is 0). Anything
// else is skipped.
std::vector<int32_t> scale_intervals(std::string_view line);

// Fills the whole map from a scale line and a tonic and records the wizard's choices.
// Easy Mode lays the scale on consecutive keys from C upwards, white keys first and black keys
// as the scale's size needs them; otherwise each scale note maps to itself and the rest are
// blocked. A line without intervals blocks all twelve keys. The tonic is normalised
// (normalize_tonic) and stored normalised.
void ApplyScale(TScaleMap& map, std::string_view line, int32_t tonic, bool easyMode);

// The text of the confirmation asked before Apply, lines separated by CR LF.
std::string scale_confirmation_text(std::string_view caption, int32_t tonic, bool easyMode);

} // namespace tonvo
