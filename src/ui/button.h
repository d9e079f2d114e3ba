// A push button for dialogs: a caption on a raised face, the keyboard focus, and the form's
// modal result.
//
// A click (left press and release on it, or Space or Enter while it has the focus) first sets
// the button's modal result, when it has one, on its form, then runs OnClick. A default
// button is pressed by Enter and a cancel button by Escape when no focused control takes the
// key: a dialog form passes its unhandled keys to press_dialog_button.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/font.h"
#include "ui/pressable.h"
#include "ui/style.h"

#include <string>

namespace tonvo::ui {

class Button : public Pressable {
public:
    static constexpr int kDefaultWidth = 75;
    static constexpr int kDefaultHeight = 25;

    // Placed at (0, 0) with the default size.
    explicit Button(Control* parent);

    const std::string& caption() const { return caption_; }
    void set_caption(std::string caption);
    const Font& font() const { return font_; }
    void set_font(Font font);
    bool is_default() const { return default_; }
    void set_default(bool on);
    bool is_cancel() const { return cancel_; }
    void set_cancel(bool on) { cancel_ = on; }
    // What a click sets on the form; `none` sets nothing.
    ModalResult modal_result() const { return modal_result_; }
    void set_modal_result(ModalResult r) { modal_result_ = r; }

    void apply_style(const Style& style);

    bool can_focus() const override { return true; }
    void paint(Canvas& canvas, const Rect& area) override;
    bool key_down(Key key, Modifiers mods) override;
    void click() override;

private:
    std::string caption_;
    Font font_;
    const Style* style_;
    bool default_ = false;
    bool cancel_ = false;
    ModalResult modal_result_ = ModalResult::none;
};

// Enter clicks the first usable default button under `root`, Escape the first usable cancel
// button; true when one was clicked. For a dialog form's key_down.
bool press_dialog_button(Control& root, Key key);

// A one-pixel dotted rectangle inside `r`, every other pixel set: the keyboard focus mark.
void draw_focus_rect(Canvas& canvas, const Rect& r, Color c);

} // namespace tonvo::ui
