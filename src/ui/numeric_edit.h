// `TQelNumericEdit`: the field that holds a number with a fixed count of decimals. The editing
// rules live in NumericText; this control shows the text, routes keys, the mouse and the focus
// to it, and raises the events.
//
// Backspace, Delete, the arrows, Home and End are keys; digits, the separator, "-" and
// Ctrl+A/C/V/X are characters. Enter and Escape are left to the form, so they press the
// dialog's default or cancel button. Leaving the field clamps its value into the range.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/control.h"
#include "ui/font.h"
#include "ui/numeric_text.h"
#include "ui/style.h"

#include <functional>
#include <string_view>

namespace tonvo::ui {

enum class TextAlignment { left, right, centre };

class TQelNumericEdit : public Control {
public:
    static constexpr int kDefaultWidth = 73;
    static constexpr int kPadding = 3;

    // `separator` is the user's decimal separator (platform::decimal_separator()).
    TQelNumericEdit(Control* parent, Font font, std::string_view separator);

    int8_t Decimals() const { return text_.decimals(); }
    void SetDecimals(int decimals);
    double MinValue() const { return text_.min_value(); }
    void SetMinValue(double v) { text_.set_min_value(v); }
    double MaxValue() const { return text_.max_value(); }
    void SetMaxValue(double v) { text_.set_max_value(v); }
    double Value() const { return text_.value(); }
    void SetValue(double v);
    size_t MaxLength() const { return text_.max_length(); }
    void SetMaxLength(size_t characters) { text_.set_max_length(characters); }
    bool ReadOnly() const { return text_.read_only(); }
    void SetReadOnly(bool on);
    TextAlignment Alignment() const { return alignment_; }
    void SetAlignment(TextAlignment a);
    // Entering the field selects all of it.
    bool AutoSelect = true;
    // The control's own version text; read-only.
    static constexpr std::string_view Version = "1.00.08";

    std::string Text() const { return text_.text(); }
    const NumericText& model() const { return text_; }
    void apply_style(const Style& style);
    // The lowest height that shows the font whole, with the frame.
    int min_height() const;

    // After every change of the text, and after those whose value lies in the range.
    std::function<void(TQelNumericEdit& sender)> OnChange;
    std::function<void(TQelNumericEdit& sender)> OnValidChange;

    bool can_focus() const override { return true; }
    void paint(Canvas& canvas, const Rect& area) override;
    void mouse_down(MouseButton button, int x, int y, Modifiers mods) override;
    void mouse_move(int x, int y, Modifiers mods) override;
    void mouse_up(MouseButton button, int x, int y, Modifiers mods) override;
    bool key_down(Key key, Modifiers mods) override;
    bool key_char(char32_t ch) override;
    void focus_changed(bool has_focus) override;
    void resized() override;

private:
    void changed(bool text_changed);
    size_t position_at(int x) const;
    int text_left(int text_width) const;

    NumericText text_;
    Font font_;
    const Style* style_ = &system_style();
    TextAlignment alignment_ = TextAlignment::right;
    bool dragging_ = false;
};

} // namespace tonvo::ui
