// A single-line text field: typing, a caret and a selection, the clipboard, and a limit on the
// length in characters. The text is UTF-8; the caret and the selection always sit on character
// boundaries.
//
// Keys: printable characters replace the selection; Backspace and Delete remove the selection
// or one character; Left, Right, Home and End move the caret (with Shift they extend the
// selection); Ctrl+A selects all, Ctrl+C, Ctrl+X and Ctrl+V use the desktop's clipboard (a
// paste stops at the first line break). Enter, Escape, Tab and other control characters are
// left to the form.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/control.h"
#include "ui/font.h"
#include "ui/style.h"

#include <functional>
#include <string>

namespace tonvo::ui {

class Edit : public Control {
public:
    Edit(Control* parent, Font font);

    const std::string& text() const { return text_; }
    // Replaces the text, puts the caret at its end and raises OnChange when it differs. The
    // length limit applies to typing and pasting only: a longer text given here stays whole,
    // so a dialog answered without edits returns what it was given.
    void set_text(std::string_view text);
    // The most characters the field takes; 0 for no limit. A shorter limit keeps the text.
    size_t max_length() const { return max_length_; }
    void set_max_length(size_t characters) { max_length_ = characters; }
    bool read_only() const { return read_only_; }
    void set_read_only(bool r) {
        read_only_ = r;
        invalidate();
    }
    const Font& font() const { return font_; }
    void set_font(Font font) {
        font_ = std::move(font);
        invalidate();
    }
    void apply_style(const Style& style) {
        style_ = &style;
        invalidate();
    }

    // Byte offsets into text(); the selection runs between the anchor and the caret.
    size_t caret() const { return caret_; }
    size_t selection_start() const { return std::min(anchor_, caret_); }
    size_t selection_end() const { return std::max(anchor_, caret_); }
    void select_all();
    void select(size_t anchor, size_t caret);

    // After every change of the text.
    std::function<void(Edit& sender)> OnChange;

    bool can_focus() const override { return true; }
    void paint(Canvas& canvas, const Rect& area) override;
    void mouse_down(MouseButton button, int x, int y, Modifiers mods) override;
    void mouse_move(int x, int y, Modifiers mods) override;
    void mouse_up(MouseButton button, int x, int y, Modifiers mods) override;
    bool key_down(Key key, Modifiers mods) override;
    bool key_char(char32_t ch) override;
    void focus_changed(bool has_focus) override;

    static constexpr int kPadding = 3;

private:
    void replace_selection(std::string_view with);
    void remove(bool forward);
    void move_caret(size_t to, bool extend);
    size_t offset_at(int x) const;
    size_t prev_boundary(size_t pos) const;
    size_t next_boundary(size_t pos) const;
    void changed();

    Font font_;
    const Style* style_ = &system_style();
    std::string text_;
    size_t caret_ = 0;
    size_t anchor_ = 0;
    size_t max_length_ = 0;
    bool read_only_ = false;
    bool dragging_ = false;
    // Pixels the text is shifted left so the caret stays in view.
    int scroll_ = 0;
};

} // namespace tonvo::ui
