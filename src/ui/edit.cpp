#include "ui/edit.h"

#include "base/utf8.h"
#include "ui/desktop.h"
#include "ui/form.h"
#include "ui/text.h"

#include <algorithm>
#include <cstdlib>

namespace tonvo::ui {
namespace {

bool is_continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

size_t count_characters(std::string_view s) {
    return static_cast<size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return !is_continuation(c); }));
}

// The longest prefix of `s` holding at most `characters` characters.
std::string_view first_characters(std::string_view s, size_t characters) {
    size_t pos = 0;
    for (size_t n = 0; pos < s.size() && n < characters; ++n) {
        ++pos;
        while (pos < s.size() && is_continuation(s[pos]))
            ++pos;
    }
    return s.substr(0, pos);
}

bool is_printable(char32_t ch) {
    return ch >= 0x20 && ch != 0x7F && ch <= 0x10FFFF && !(ch >= 0xD800 && ch <= 0xDFFF);
}

// The characters of outside text that a field may hold: control characters and ill-formed
// UTF-8 (another program's clipboard may hold anything) are left out.
std::string printable(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        const char32_t ch = decode_utf8(text, i);
        const bool ill_formed =
            ch == kReplacementCharacter && text.substr(start, i - start) != "\xEF\xBF\xBD";
        if (is_printable(ch) && !ill_formed)
            out.append(text.substr(start, i - start));
    }
    return out;
}

} // namespace

Edit::Edit(Control* parent, Font font) : Control(parent), font_(std::move(font)) {}

void Edit::set_text(std::string_view text) {
    if (text == text_)
        return;
    text_.assign(text);
    caret_ = anchor_ = text_.size();
    changed();
}

void Edit::select_all() {
    select(0, text_.size());
}

void Edit::select(size_t anchor, size_t caret) {
    anchor_ = std::min(anchor, text_.size());
    caret_ = std::min(caret, text_.size());
    while (anchor_ > 0 && anchor_ < text_.size() && is_continuation(text_[anchor_]))
        --anchor_;
    while (caret_ > 0 && caret_ < text_.size() && is_continuation(text_[caret_]))
        --caret_;
    invalidate();
}

size_t Edit::prev_boundary(size_t pos) const {
    if (pos == 0)
        return 0;
    --pos;
    while (pos > 0 && is_continuation(text_[pos]))
        --pos;
    return pos;
}

size_t Edit::next_boundary(size_t pos) const {
    if (pos >= text_.size())
        return text_.size();
    ++pos;
    while (pos < text_.size() && is_continuation(text_[pos]))
        ++pos;
    return pos;
}

void Edit::changed() {
    invalidate();
    if (OnChange)
        OnChange(*this);
}

void Edit::move_caret(size_t to, bool extend) {
    caret_ = to;
    if (!extend)
        anchor_ = to;
    invalidate();
}

void Edit::replace_selection(std::string_view with) {
    const size_t start = selection_start();
    const size_t end = selection_end();
    if (max_length_ != 0) {
        const size_t kept = count_characters(text_) -
                            count_characters(std::string_view(text_).substr(start, end - start));
        with = first_characters(with, max_length_ > kept ? max_length_ - kept : 0);
    }
    if (with.empty() && start == end)
        return;
    text_.replace(start, end - start, with);
    caret_ = anchor_ = start + with.size();
    changed();
}

void Edit::remove(bool forward) {
    if (selection_start() == selection_end()) {
        const size_t other = forward ? next_boundary(caret_) : prev_boundary(caret_);
        if (other == caret_)
            return;
        anchor_ = other;
    }
    replace_selection({});
}

bool Edit::key_down(Key key, Modifiers mods) {
    switch (key) {
    case Key::left:
        move_caret(mods.shift || selection_start() == selection_end() ? prev_boundary(caret_)
                                                                      : selection_start(),
                   mods.shift);
        return true;
    case Key::right:
        move_caret(mods.shift || selection_start() == selection_end() ? next_boundary(caret_)
                                                                      : selection_end(),
                   mods.shift);
        return true;
    case Key::home: move_caret(0, mods.shift); return true;
    case Key::end: move_caret(text_.size(), mods.shift); return true;
    case Key::del:
    case Key::backspace:
        if (!read_only_)
            remove(key == Key::del);
        return true;
    default: return false;
    }
}

bool Edit::key_char(char32_t ch) {
    Clipboard& clipboard = form()->desktop().clipboard();
    const std::string_view selected =
        std::string_view(text_).substr(selection_start(), selection_end() - selection_start());
    switch (ch) {
    case chars::ctrl_a: select_all(); return true;
    case chars::ctrl_c:
        if (!selected.empty())
            clipboard.set_text(std::string(selected));
        return true;
    case chars::ctrl_x:
        if (!selected.empty() && !read_only_) {
            clipboard.set_text(std::string(selected));
            replace_selection({});
        }
        return true;
    case chars::ctrl_v:
        if (!read_only_)
            replace_selection(printable(split_lines(clipboard.text()).front()));
        return true;
    default: break;
    }
    if (!is_printable(ch))
        return false; // control characters are the form's
    if (!read_only_) {
        std::string typed;
        base::append_utf8(typed, ch);
        replace_selection(typed);
    }
    return true;
}

size_t Edit::offset_at(int x) const {
    const int target = x - kPadding + scroll_;
    size_t best = 0;
    int best_distance = std::abs(target);
    for (size_t pos = next_boundary(0); pos <= text_.size() && pos != 0;) {
        const int distance =
            std::abs(font_.text_width(std::string_view(text_).substr(0, pos)) - target);
        if (distance < best_distance) {
            best = pos;
            best_distance = distance;
        }
        if (pos == text_.size())
            break;
        pos = next_boundary(pos);
    }
    return best;
}

void Edit::mouse_down(MouseButton button, int x, int, Modifiers mods) {
    if (button != MouseButton::left)
        return;
    move_caret(offset_at(x), mods.shift);
    dragging_ = true;
}

void Edit::mouse_move(int x, int, Modifiers) {
    if (dragging_)
        move_caret(offset_at(x), true);
}

void Edit::mouse_up(MouseButton button, int, int, Modifiers) {
    if (button == MouseButton::left)
        dragging_ = false;
}

void Edit::focus_changed(bool has_focus) {
    if (has_focus)
        select_all();
    Control::focus_changed(has_focus);
}

void Edit::paint(Canvas& canvas, const Rect& area) {
    const Style& s = *style_;
    const bool has_focus = focused();
    canvas.fill_rect(area, read_only_ || !enabled() ? s.button_face : s.edit_face);
    canvas.stroke_rect(area, has_focus ? s.edit_border_focused : s.edit_border);

    // Keep the caret inside the field.
    const int inner = std::max(width() - 2 * kPadding, 1);
    const int caret_x = font_.text_width(std::string_view(text_).substr(0, caret_));
    if (caret_x - scroll_ > inner - 1)
        scroll_ = caret_x - inner + 1;
    if (caret_x < scroll_)
        scroll_ = caret_x;

    const Rect inside = area.inset(1);
    canvas.push_clip(inside);
    const int x0 = area.left + kPadding - scroll_;
    const int y0 = area.top + (height() - font_.height()) / 2;
    const Color text_colour = enabled() ? s.edit_text : s.button_text_disabled;
    if (has_focus && selection_start() != selection_end()) {
        const std::string_view all(text_);
        const int a = x0 + font_.text_width(all.substr(0, selection_start()));
        const int b = x0 + font_.text_width(all.substr(0, selection_end()));
        draw_text(canvas, font_, x0, y0, all, text_colour);
        canvas.fill_rect(Rect{a, y0, b, y0 + font_.height()}, s.selection);
        draw_text(canvas, font_, a, y0,
                  all.substr(selection_start(), selection_end() - selection_start()),
                  s.selection_text);
    } else {
        draw_text(canvas, font_, x0, y0, text_, text_colour);
    }
    if (has_focus && !read_only_)
        canvas.vline(x0 + caret_x, y0, y0 + font_.height() - 1, s.edit_text);
    canvas.pop_clip();
}

} // namespace tonvo::ui
