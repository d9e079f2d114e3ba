#include "ui/numeric_edit.h"

#include "ui/form.h"
#include "ui/text.h"

#include <algorithm>
#include <cstdlib>

namespace tonvo::ui {

TQelNumericEdit::TQelNumericEdit(Control* parent, Font font, std::string_view separator)
    : Control(parent), text_(separator), font_(std::move(font)) {
    if (form() != nullptr)
        text_.set_clipboard(&form()->desktop().clipboard());
    text_.set_value(0);
    set_bounds(Rect::from_size(0, 0, kDefaultWidth, min_height()));
}

void TQelNumericEdit::changed(bool text_changed) {
    if (!text_changed) {
        invalidate(); // the caret or the selection may have moved
        return;
    }
    invalidate();
    if (OnChange)
        OnChange(*this);
    if (OnValidChange && text_.value_valid())
        OnValidChange(*this);
}

void TQelNumericEdit::SetDecimals(int decimals) {
    text_.set_decimals(decimals); // re-formats without OnChange
    invalidate();
}

void TQelNumericEdit::SetValue(double v) {
    changed(text_.set_value(v));
}

void TQelNumericEdit::SetReadOnly(bool on) {
    text_.set_read_only(on);
    invalidate();
}

void TQelNumericEdit::SetAlignment(TextAlignment a) {
    alignment_ = a;
    invalidate();
}

void TQelNumericEdit::apply_style(const Style& style) {
    style_ = &style;
    invalidate();
}

int TQelNumericEdit::min_height() const {
    // Four border widths, the font's line, and a quarter of the smaller of the font's and the
    // dialog font's line, plus two pixels.
    constexpr int kBorder = 1;
    const int system_font = Font(Typeface::regular, 12).height();
    return 4 * kBorder + font_.height() + std::min(font_.height(), system_font) / 4 + 2;
}

void TQelNumericEdit::resized() {
    if (height() < min_height())
        set_bounds(Rect::from_size(bounds().left, bounds().top, width(), min_height()));
}

bool TQelNumericEdit::key_down(Key key, Modifiers mods) {
    const size_t end = text_.length();
    auto move = [&](size_t to) {
        if (mods.shift)
            text_.select(text_.anchor(), to);
        else
            text_.set_caret(to);
        changed(false);
        return true;
    };
    switch (key) {
    case Key::backspace: changed(text_.backspace()); return true;
    case Key::del: changed(text_.delete_key()); return true;
    case Key::left: return move(text_.caret() > 0 ? text_.caret() - 1 : 0);
    case Key::right: return move(std::min(text_.caret() + 1, end));
    case Key::home: return move(0);
    case Key::end: return move(end);
    default: return false; // Enter and Escape go on to the dialog
    }
}

bool TQelNumericEdit::key_char(char32_t ch) {
    const KeyResult result = text_.type_char(ch);
    changed(result.changed);
    return true;
}

void TQelNumericEdit::focus_changed(bool has_focus) {
    if (has_focus) {
        if (AutoSelect)
            text_.select_all();
        changed(false);
    } else {
        changed(text_.focus_leave());
    }
}

int TQelNumericEdit::text_left(int text_width) const {
    const int inner = width() - 2 * kPadding;
    switch (alignment_) {
    case TextAlignment::left: return kPadding;
    case TextAlignment::right: return kPadding + inner - text_width;
    case TextAlignment::centre: return kPadding + (inner - text_width) / 2;
    }
    return kPadding;
}

size_t TQelNumericEdit::position_at(int x) const {
    const std::string shown = text_.text();
    const int left = text_left(font_.text_width(shown));
    size_t best = 0;
    int best_distance = std::abs(x - left);
    for (size_t pos = 1; pos <= text_.length(); ++pos) {
        const int w = font_.text_width(std::string_view(shown).substr(0, text_.byte_offset(pos)));
        const int distance = std::abs(x - left - w);
        if (distance < best_distance) {
            best = pos;
            best_distance = distance;
        }
    }
    return best;
}

void TQelNumericEdit::mouse_down(MouseButton button, int x, int, Modifiers mods) {
    if (button != MouseButton::left)
        return;
    const size_t pos = position_at(x);
    if (mods.shift)
        text_.select(text_.anchor(), pos);
    else
        text_.set_caret(pos);
    dragging_ = true;
    changed(false);
}

void TQelNumericEdit::mouse_move(int x, int, Modifiers) {
    if (!dragging_)
        return;
    text_.select(text_.anchor(), position_at(x));
    changed(false);
}

void TQelNumericEdit::mouse_up(MouseButton button, int, int, Modifiers) {
    if (button == MouseButton::left)
        dragging_ = false;
}

void TQelNumericEdit::paint(Canvas& canvas, const Rect& area) {
    const Style& s = *style_;
    const bool has_focus = focused();
    const bool plain = ReadOnly() || !enabled();
    canvas.fill_rect(area, plain ? s.button_face : s.edit_face);
    canvas.stroke_rect(area, has_focus ? s.edit_border_focused : s.edit_border);

    const std::string shown = text_.text();
    const std::string_view all(shown);
    const int x0 = area.left + text_left(font_.text_width(all));
    const int y0 = area.top + (height() - font_.height()) / 2;
    const Color ink = enabled() ? s.edit_text : s.button_text_disabled;
    canvas.push_clip(area.inset(1));
    draw_text(canvas, font_, x0, y0, all, ink);
    if (has_focus && text_.has_selection()) {
        const size_t from = text_.byte_offset(text_.selection_start());
        const size_t to = text_.byte_offset(text_.selection_end());
        const int a = x0 + font_.text_width(all.substr(0, from));
        const int b = x0 + font_.text_width(all.substr(0, to));
        canvas.fill_rect(Rect{a, y0, b, y0 + font_.height()}, s.selection);
        draw_text(canvas, font_, a, y0, all.substr(from, to - from), s.selection_text);
    }
    if (has_focus && !ReadOnly()) {
        const int caret_x = x0 + font_.text_width(all.substr(0, text_.byte_offset(text_.caret())));
        canvas.vline(std::min(caret_x, area.right - 2), y0, y0 + font_.height() - 1, s.edit_text);
    }
    canvas.pop_clip();
}

} // namespace tonvo::ui
