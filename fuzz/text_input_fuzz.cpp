// Drives the editor's two text fields with arbitrary bytes: the first bytes pick the numeric
// field's settings, the rest are taken in turn as keys, typed characters and clipboard text
// for both fields, and every text is then measured and drawn. Afterwards the numeric field's
// text must still have its mask's form, and the text field must hold whole UTF-8 characters
// without control characters within its length limit with the caret on a character boundary.
#include "ui/edit.h"
#include "ui/form.h"
#include "ui/headless/headless_desktop.h"
#include "ui/numeric_text.h"
#include "ui/text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace tonvo::ui;

void check(bool ok) {
    if (!ok)
        std::abort();
}

// "-"? digits, then the separator and exactly `decimals` digits when there are decimals.
bool has_mask_form(std::string_view text, std::string_view separator, int decimals) {
    size_t i = text.starts_with('-') ? 1 : 0;
    const size_t digits_start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    if (i == digits_start)
        return false;
    if (decimals == 0)
        return i == text.size();
    if (text.substr(i, separator.size()) != separator)
        return false;
    i += separator.size();
    return text.size() - i == static_cast<size_t>(decimals) &&
           text.substr(i).find_first_not_of("0123456789") == std::string_view::npos;
}

// Well-formed UTF-8 without control characters.
bool printable_utf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const size_t start = i;
        const char32_t c = decode_utf8(s, i);
        if ((c == kReplacementCharacter && s.substr(start, i - start) != "\xEF\xBF\xBD") ||
            c < 0x20 || c == 0x7F)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const int decimals = data[0] % 12 - 1; // -1..10: held to 0..9
    const double low = static_cast<int8_t>(data[1]);
    const double high = low + data[2] % 200;
    const std::string separator = data[3] % 2 == 0 ? "." : "\xD9\xAB"; // "." or U+066B
    std::string_view rest(reinterpret_cast<const char*>(data) + 4, size - 4);

    static HeadlessDesktop desktop;
    static Form form(desktop, 200, 40);
    static Edit edit(&form, Font(Typeface::regular, 12));
    edit.set_bounds(Rect{0, 0, 200, 24});
    edit.set_text("");
    edit.set_max_length(data[2] % 2 == 0 ? 0 : data[2] % 40);
    edit.set_focus();

    MemoryClipboard clipboard;
    NumericText number(separator, &clipboard);
    number.set_min_value(low);
    number.set_max_value(high);
    number.set_decimals(decimals);
    number.set_max_length(12);

    static const Key keys[] = {Key::backspace, Key::del,  Key::left,
                               Key::right,     Key::home, Key::end};
    while (!rest.empty()) {
        const uint8_t op = static_cast<uint8_t>(rest[0]);
        rest.remove_prefix(1);
        if (op < 0x20 && op % 4 == 0 && !rest.empty()) {
            // A clipboard text: the next byte says how long.
            const size_t n = std::min<size_t>(static_cast<uint8_t>(rest[0]), rest.size() - 1);
            clipboard.set_text(rest.substr(1, n));
            desktop.clipboard().set_text(rest.substr(1, n));
            rest.remove_prefix(n + 1);
            (void)number.paste();
            form.deliver_key_char(chars::ctrl_v);
        } else if (op < 0x20) {
            const Key key = keys[op % 6];
            form.deliver_key_down(key, Modifiers{.shift = (op & 0x10) != 0});
            if (key == Key::backspace)
                (void)number.backspace();
            else if (key == Key::del)
                (void)number.delete_key();
            else
                number.select(number.anchor(), op % 2 == 0 ? 0 : number.length());
        } else if (op == 0x7F) {
            (void)number.focus_leave();
        } else {
            // Everything else typed: the raw byte as a character, so broken UTF-8 in a
            // clipboard and odd code points in typing both get exercised.
            (void)number.type_char(op);
            form.deliver_key_char(op);
        }
        check(has_mask_form(number.text(), number.separator(), number.decimals()));
        check(number.caret() <= number.length() && number.anchor() <= number.length());
    }
    (void)number.value();

    const std::string& text = edit.text();
    check(printable_utf8(text));
    check(
        edit.caret() <= text.size() &&
        (edit.caret() == text.size() || (static_cast<uint8_t>(text[edit.caret()]) & 0xC0) != 0x80));
    if (edit.max_length() != 0) {
        size_t characters = 0;
        for (size_t i = 0; i < text.size(); ++characters)
            (void)decode_utf8(text, i);
        check(characters <= edit.max_length());
    }
    // Measuring and drawing any bytes stays inside the bitmap and agrees with itself.
    form.paint_invalid();
    static const Font font(Typeface::bold, 13);
    Canvas canvas(form.buffer());
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    check(draw_text(canvas, font, 3, 3, raw, Color::rgb(0, 0, 0)) == font.text_width(raw));
    return 0;
}
