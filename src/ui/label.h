// A label: a caption drawn in a font on whatever lies behind it (it paints no background).
//
// The text is aligned left, centred or right within the label, from the top or centred
// vertically. Explicit line breaks (CR LF, CR or LF) always start a new line; with word wrap,
// lines also break at spaces to fit the label's width (a single word wider than that stays
// whole and is clipped). With auto-size, every change of caption or font resizes the label to
// its text, keeping its top-left: as wide as the widest line (the width stays as it is when
// word wrap is on) and as high as its lines.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/control.h"
#include "ui/font.h"
#include "ui/style.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonvo::ui {

enum class Alignment { left, centre, right };

class Label : public Control {
public:
    explicit Label(Control* parent);

    const std::string& caption() const { return caption_; }
    void set_caption(std::string caption);
    const Font& font() const { return font_; }
    void set_font(Font font);
    // The text colour: the one set, otherwise the style's window text colour.
    Color text_color() const;
    void set_text_color(Color c);

    Alignment alignment() const { return alignment_; }
    void set_alignment(Alignment a);
    bool vertical_centre() const { return vertical_centre_; }
    void set_vertical_centre(bool centre);
    bool auto_size() const { return auto_size_; }
    void set_auto_size(bool on); // on by default
    bool word_wrap() const { return word_wrap_; }
    void set_word_wrap(bool on);

    void apply_style(const Style& style);

    // The caption's lines as they are drawn at the current width; views into caption().
    const std::vector<std::string_view>& lines() const;

    void paint(Canvas& canvas, const Rect& area) override;
    void resized() override;

private:
    // Lays the caption out again, resizes to it when auto-sized, and repaints.
    void changed();
    void layout() const;
    void wrap(std::string_view paragraph) const;

    std::string caption_;
    Font font_;
    std::optional<Color> text_color_;
    const Style* style_;
    Alignment alignment_ = Alignment::left;
    bool vertical_centre_ = false;
    bool auto_size_ = true;
    bool word_wrap_ = false;
    bool sizing_ = false; // auto-size's own set_bounds under way
    mutable bool laid_out_ = false;
    mutable std::vector<std::string_view> lines_;
};

} // namespace tonvo::ui
