// The editing logic of `TQelNumericEdit`, a single-line edit holding a number with a fixed count
// of decimals, kept apart from any window so that it can be driven and checked key by key.
//
// The text always has the form of the format mask ("0" with no decimals, otherwise "0." and
// `Decimals` zeros), optionally preceded by "-". Typing never inserts a separator or a minus
// sign: the separator moves the caret into the decimals, "-" toggles the sign, digits insert in
// the whole-number part and overwrite in the decimals, and removals keep the mask's shape.
//
// Positions (caret, selection, MaxLength) count characters of the shown text: each digit, the
// minus sign and the decimal separator count one, whatever the separator's length in UTF-8
// bytes. byte_offset() turns a position into a byte offset into text() for drawing.
//
// Numbers are formatted and parsed here with the separator passed in, never through the C
// library's locale, so that the results are the same on every system; the control obtains the
// user's separator (platform::decimal_separator()) and hands it over.
//
// Events: each method that may change the text reports whether it did, so the control raises
// OnChange exactly then, and OnValidChange when value_valid() also holds afterwards.
#pragma once

#include "ui/clipboard.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tonvo::ui {

// A key the control hands on to its dialog: Enter presses the default button, Escape the
// cancel button.
enum class DialogKey { none, enter, escape };

struct KeyResult {
    bool changed = false; // the text changed: raise OnChange
    DialogKey dialog_key = DialogKey::none;
};

class NumericText {
public:
    static constexpr int8_t kMaxDecimals = 9;

    // An empty separator is taken as ".".
    explicit NumericText(std::string_view separator = ".", Clipboard* clipboard = nullptr);

    // The shown text (with the decimal separator) and its length in positions.
    std::string text() const;
    size_t length() const { return text_.size(); }
    // The byte offset into text() of position `pos` (held to the end).
    size_t byte_offset(size_t pos) const;

    const std::string& separator() const { return separator_; }
    void set_separator(std::string_view separator);
    void set_clipboard(Clipboard* clipboard) { clipboard_ = clipboard; }

    // Caret and selection. The selection runs between the anchor and the caret.
    size_t caret() const { return caret_; }
    size_t anchor() const { return anchor_; }
    size_t selection_start() const { return caret_ < anchor_ ? caret_ : anchor_; }
    size_t selection_end() const { return caret_ < anchor_ ? anchor_ : caret_; }
    bool has_selection() const { return caret_ != anchor_; }
    // Moves the caret and drops the selection. Positions past the end are held to it; a lone
    // caret never rests in front of a minus sign.
    void set_caret(size_t pos);
    // Selects from `anchor` to `caret`; a selection may begin before the minus sign.
    void select(size_t anchor, size_t caret);

    // `Decimals`: held to 0..9. A change re-formats the current value (clamped into the range
    // when there is one) with the new mask, without raising OnChange.
    int8_t decimals() const { return decimals_; }
    void set_decimals(int decimals);

    // `MinValue` and `MaxValue`: equal bounds mean no range. Setting them leaves the text.
    double min_value() const { return min_; }
    double max_value() const { return max_; }
    void set_min_value(double v) { min_ = v; }
    void set_max_value(double v) { max_ = v; }
    bool has_range() const { return min_ != max_; }

    // `MaxLength`: the most characters typing may produce; 0 for no limit.
    size_t max_length() const { return max_length_; }
    void set_max_length(size_t n) { max_length_ = n; }

    bool read_only() const { return read_only_; }
    void set_read_only(bool on) { read_only_ = on; }

    // `Value`: the text read as a number. A number beyond the double range reads as the largest
    // double of its sign.
    double value() const;
    // Writes the value formatted with the mask; true when the text changed. NaN and infinities
    // are written as 0.
    bool set_value(double v);
    // True when the value lies in MinValue..MaxValue, or there is no range (OnValidChange).
    bool value_valid() const;

    // One typed character, as the window receives it: control characters stand for their keys
    // (Ctrl+A 0x01, Ctrl+C 0x03, Backspace 0x08, Enter 0x0D, Ctrl+V 0x16, Ctrl+X 0x18,
    // Escape 0x1B).
    KeyResult type_char(char32_t c);
    // The Backspace and Delete keys: the character before / after the caret, or the selection.
    bool backspace();
    bool delete_key();
    void select_all();
    void copy();
    // The selection goes to the clipboard and is then removed.
    bool cut();
    // Removes the selection and types the clipboard's characters one by one.
    bool paste();
    // Leaving the control: with a range, the value is clamped into it and re-formatted.
    bool focus_leave();

    // The number as the mask shows it, with '.' as separator. Halves round away from zero on
    // the shortest decimal form of `v` (0.125 -> "0.13", 2.5 -> "3"); a result of zero has no
    // minus sign; NaN and infinities give zero.
    static std::string format(double v, int decimals);

private:
    // Printable characters: digits, the separator and "-"; all others are dropped.
    void type_printable(char32_t c);
    void type_digit(char digit);
    void toggle_minus();
    void jump_past_separator();
    void remove_selection();
    // Removes the character before (`backward`) or after the caret by the removal rules.
    void remove_one(bool backward);
    void remove_at(size_t pos, bool backward);
    void replace_text(std::string text);
    bool may_grow() const { return max_length_ == 0 || text_.size() < max_length_; }
    bool is_separator(char32_t c) const { return c == separator_char_; }
    size_t digits_start() const { return !text_.empty() && text_[0] == '-' ? 1 : 0; }
    // The separator's index, or length() when there are no decimals.
    size_t separator_pos() const;
    void keep_caret_after_minus();

    // The text with '.' standing for the separator, so all editing is plain ASCII.
    std::string text_;
    size_t caret_ = 0;
    size_t anchor_ = 0;
    std::string separator_;
    char32_t separator_char_ = U'.';
    Clipboard* clipboard_ = nullptr;
    int8_t decimals_ = 2;
    double min_ = 0;
    double max_ = 0;
    size_t max_length_ = 0;
    bool read_only_ = false;
};

} // namespace tonvo::ui
