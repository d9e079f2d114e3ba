// Typing, removal, clipboard and value rules of the numeric edit. All editing works on text_,
// in which '.' stands for the separator; text() swaps the real separator in.
#include "ui/numeric_text.h"

#include "ui/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace tonvo::ui {
namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

NumericText::NumericText(std::string_view separator, Clipboard* clipboard) : clipboard_(clipboard) {
    set_separator(separator);
    text_ = format(0, decimals_);
}

std::string NumericText::text() const {
    const size_t sep = text_.find('.');
    if (sep == std::string::npos)
        return text_;
    std::string shown = text_;
    shown.replace(sep, 1, separator_);
    return shown;
}

size_t NumericText::byte_offset(size_t pos) const {
    pos = std::min(pos, text_.size());
    const size_t sep = text_.find('.');
    if (sep == std::string::npos || pos <= sep)
        return pos;
    return pos - 1 + separator_.size();
}

// A separator must not look like part of a number, or typing it would be ambiguous.
void NumericText::set_separator(std::string_view separator) {
    if (separator.empty() || is_digit(separator[0]) || separator[0] == '-' ||
        static_cast<unsigned char>(separator[0]) < 0x20)
        separator = ".";
    separator_ = separator;
    // A separator of several characters is typed as its first one.
    size_t i = 0;
    separator_char_ = decode_utf8(separator_, i);
}

void NumericText::set_caret(size_t pos) {
    caret_ = anchor_ = std::min(pos, text_.size());
    keep_caret_after_minus();
}

void NumericText::select(size_t anchor, size_t caret) {
    anchor_ = std::min(anchor, text_.size());
    caret_ = std::min(caret, text_.size());
    keep_caret_after_minus();
}

// A selection may start before the minus (so that the sign can be selected and removed); a
// lone caret there would let digits be typed in front of the sign.
void NumericText::keep_caret_after_minus() {
    if (caret_ == 0 && anchor_ == 0 && digits_start() == 1)
        caret_ = anchor_ = 1;
}

size_t NumericText::separator_pos() const {
    if (decimals_ == 0)
        return text_.size();
    return std::min(text_.find('.'), text_.size());
}

void NumericText::set_decimals(int decimals) {
    const auto held = static_cast<int8_t>(std::clamp(decimals, 0, int{kMaxDecimals}));
    if (held == decimals_)
        return;
    double v = value();
    if (has_range())
        v = std::clamp(v, std::min(min_, max_), std::max(min_, max_));
    decimals_ = held;
    // The old text no longer has the mask's shape, so it is always replaced.
    replace_text(format(v, decimals_));
}

double NumericText::value() const {
    const std::string_view s = text_.empty() ? std::string_view("0") : std::string_view(text_);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (end != s.data() + s.size())
        return 0;
    // Only a huge whole-number part can overflow; reading it as 0 would clamp it to the
    // bottom of the range instead of the top.
    if (ec == std::errc::result_out_of_range)
        return s[0] == '-' ? -std::numeric_limits<double>::max()
                           : std::numeric_limits<double>::max();
    return ec == std::errc{} ? v : 0;
}

bool NumericText::set_value(double v) {
    std::string formatted = format(v, decimals_);
    if (formatted == text_)
        return false;
    replace_text(std::move(formatted));
    return true;
}

bool NumericText::value_valid() const {
    if (!has_range())
        return true;
    const double v = value();
    return v >= std::min(min_, max_) && v <= std::max(min_, max_);
}

// A new text puts the caret at its start, as a window's text does.
void NumericText::replace_text(std::string text) {
    text_ = std::move(text);
    caret_ = anchor_ = 0;
    keep_caret_after_minus();
}

KeyResult NumericText::type_char(char32_t c) {
    KeyResult result;
    switch (c) {
    case 0x01: select_all(); return result;
    case 0x03: copy(); return result;
    case 0x08: result.changed = backspace(); return result;
    case 0x16: result.changed = paste(); return result;
    case 0x18: result.changed = cut(); return result;
    // Enter is swallowed after reaching the dialog; Escape too, as it types nothing.
    case 0x0D: result.dialog_key = DialogKey::enter; return result;
    case 0x1B: result.dialog_key = DialogKey::escape; return result;
    default: break;
    }
    if (read_only_)
        return result;
    const std::string before = text_;
    type_printable(c);
    keep_caret_after_minus();
    result.changed = text_ != before;
    return result;
}

// A character that is refused has no effect at all: in particular it does not remove the
// selection (only characters that act do).
void NumericText::type_printable(char32_t c) {
    if (is_separator(c)) {
        if (decimals_ > 0)
            jump_past_separator();
        return;
    }
    if (c >= U'0' && c <= U'9') {
        type_digit(static_cast<char>(c));
        return;
    }
    if (c == U'-' && min_ < 0) {
        remove_selection();
        toggle_minus();
    }
}

// Anywhere in the text, the separator drops the selection and puts the caret on the first
// decimal.
void NumericText::jump_past_separator() {
    caret_ = anchor_ = separator_pos() + 1;
}

// The sign toggles wherever the caret is (also after the last decimal), and the caret stays on
// the same digit. Adding the sign lengthens the text, so MaxLength applies to it as to digits.
void NumericText::toggle_minus() {
    if (digits_start() == 1) {
        text_.erase(0, 1);
        caret_ = caret_ > 0 ? caret_ - 1 : 0;
    } else {
        if (!may_grow())
            return;
        text_.insert(0, 1, '-');
        ++caret_;
    }
    anchor_ = caret_;
}

void NumericText::type_digit(char digit) {
    remove_selection();
    const size_t start = digits_start();
    const size_t sep = separator_pos();
    // No leading zeros: a "0" at the start of the number (after any minus) is dropped.
    if (digit == '0' && caret_ <= start)
        return;
    // A lone "0" is replaced whether the caret is before or after it: inserting beside it
    // would give "07", which the mask never shows.
    if (sep - start == 1 && text_[start] == '0' && caret_ <= start + 1) {
        text_[start] = digit;
        caret_ = anchor_ = start + 1;
        return;
    }
    if (decimals_ > 0) {
        // Nothing is appended after the last decimal; a decimal is overwritten.
        if (caret_ >= text_.size())
            return;
        if (caret_ > sep) {
            text_[caret_] = digit;
            caret_ = anchor_ = caret_ + 1;
            return;
        }
    }
    if (!may_grow())
        return;
    text_.insert(caret_, 1, digit);
    caret_ = anchor_ = caret_ + 1;
}

// One character at a time from the selection's end, so that each removal sees the positions
// before it unchanged.
void NumericText::remove_selection() {
    if (!has_selection())
        return;
    const size_t from = selection_start();
    for (size_t i = selection_end(); i > from; --i)
        remove_at(i - 1, true);
    caret_ = anchor_ = std::min(from, text_.size());
}

void NumericText::remove_one(bool backward) {
    if (has_selection()) {
        remove_selection();
    } else if (backward) {
        if (caret_ > 0)
            remove_at(caret_ - 1, true);
    } else if (caret_ < text_.size()) {
        remove_at(caret_, false);
    }
    keep_caret_after_minus();
}

// Removes the character at `pos` keeping the mask's shape; the caret ends before the removed
// place, or after the separator when Delete steps over it.
void NumericText::remove_at(size_t pos, bool backward) {
    const size_t start = digits_start();
    const size_t sep = separator_pos();
    size_t caret = pos;
    if (text_[pos] == '-') {
        text_.erase(0, 1);
    } else if (decimals_ > 0 && pos == sep) {
        caret = backward ? pos : pos + 1;
    } else if (decimals_ > 0 && pos > sep) {
        text_.erase(pos, 1);
        text_.push_back('0');
    } else if (sep - start == 1) {
        text_[pos] = '0';
    } else {
        text_.erase(pos, 1);
    }
    caret_ = anchor_ = caret;
}

bool NumericText::backspace() {
    if (read_only_)
        return false;
    const std::string before = text_;
    remove_one(true);
    return text_ != before;
}

bool NumericText::delete_key() {
    if (read_only_)
        return false;
    const std::string before = text_;
    remove_one(false);
    return text_ != before;
}

void NumericText::select_all() {
    anchor_ = 0;
    caret_ = text_.size();
}

void NumericText::copy() {
    if (clipboard_ == nullptr || !has_selection())
        return;
    const size_t from = byte_offset(selection_start());
    clipboard_->set_text(text().substr(from, byte_offset(selection_end()) - from));
}

bool NumericText::cut() {
    if (read_only_ || clipboard_ == nullptr || !has_selection())
        return false;
    copy();
    const std::string before = text_;
    remove_selection();
    keep_caret_after_minus();
    return text_ != before;
}

// The clipboard's characters go through the printable rules only: a pasted control character
// is dropped rather than acting as its key (a line break must not press the dialog's default
// button, nor a pasted Ctrl+V paste again).
bool NumericText::paste() {
    if (read_only_ || clipboard_ == nullptr)
        return false;
    const std::string pasted = clipboard_->text();
    if (pasted.empty())
        return false;
    const std::string before = text_;
    remove_selection();
    for (size_t i = 0; i < pasted.size();)
        type_printable(decode_utf8(pasted, i));
    keep_caret_after_minus();
    return text_ != before;
}

bool NumericText::focus_leave() {
    if (!has_range())
        return false;
    return set_value(std::clamp(value(), std::min(min_, max_), std::max(min_, max_)));
}

std::string NumericText::format(double v, int decimals) {
    const auto dec = static_cast<size_t>(std::clamp(decimals, 0, int{kMaxDecimals}));
    if (!std::isfinite(v))
        v = 0;
    // The shortest digits that read back as v, and their exponent: v = 0.DIGITS * 10^point.
    char buf[64];
    const auto written = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    std::string_view sci(buf, static_cast<size_t>(written.ptr - buf));
    const bool negative = sci.front() == '-';
    if (negative)
        sci.remove_prefix(1);
    const size_t e = sci.find('e');
    std::string digits;
    for (const char c : sci.substr(0, e))
        if (c != '.')
            digits.push_back(c);
    std::string_view exp = sci.substr(e + 1);
    const bool exp_negative = exp.front() == '-';
    if (exp.front() == '-' || exp.front() == '+')
        exp.remove_prefix(1);
    long exponent = 0;
    std::from_chars(exp.data(), exp.data() + exp.size(), exponent);
    const long point = (exp_negative ? -exponent : exponent) + 1;

    // v * 10^dec rounded to a whole number, halves away from zero.
    std::string scaled;
    const long keep = point + static_cast<long>(dec);
    if (keep >= 0) {
        const auto kept = static_cast<size_t>(keep);
        for (size_t i = 0; i < kept; ++i)
            scaled.push_back(i < digits.size() ? digits[i] : '0');
        if (kept < digits.size() && digits[kept] >= '5') {
            size_t i = scaled.size();
            while (i > 0 && scaled[i - 1] == '9')
                scaled[--i] = '0';
            if (i == 0)
                scaled.insert(scaled.begin(), '1');
            else
                ++scaled[i - 1];
        }
    }
    if (scaled.size() < dec + 1)
        scaled.insert(0, dec + 1 - scaled.size(), '0');
    const size_t first = scaled.find_first_not_of('0');
    const bool zero = first == std::string::npos;
    // Leading zeros of the whole-number part go, all but the last.
    scaled.erase(0, std::min(zero ? scaled.size() : first, scaled.size() - dec - 1));

    std::string out;
    if (negative && !zero)
        out.push_back('-');
    out.append(scaled, 0, scaled.size() - dec);
    if (dec > 0) {
        out.push_back('.');
        out.append(scaled, scaled.size() - dec, dec);
    }
    return out;
}

} // namespace tonvo::ui
