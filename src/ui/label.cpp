#include "ui/label.h"

#include "ui/text.h"

#include <algorithm>

namespace tonvo::ui {

Label::Label(Control* parent)
    : Control(parent), font_(Typeface::regular, 12), style_(&system_style()) {
    changed();
}

void Label::set_caption(std::string caption) {
    if (caption == caption_)
        return;
    caption_ = std::move(caption);
    changed();
}

void Label::set_font(Font font) {
    font_ = std::move(font);
    changed();
}

Color Label::text_color() const {
    return text_color_.value_or(style_->window_text);
}

void Label::set_text_color(Color c) {
    text_color_ = c;
    invalidate();
}

void Label::set_alignment(Alignment a) {
    if (a == alignment_)
        return;
    alignment_ = a;
    invalidate();
}

void Label::set_vertical_centre(bool centre) {
    if (centre == vertical_centre_)
        return;
    vertical_centre_ = centre;
    invalidate();
}

void Label::set_auto_size(bool on) {
    if (on == auto_size_)
        return;
    auto_size_ = on;
    changed();
}

void Label::set_word_wrap(bool on) {
    if (on == word_wrap_)
        return;
    word_wrap_ = on;
    changed();
}

void Label::apply_style(const Style& style) {
    style_ = &style;
    invalidate();
}

void Label::resized() {
    if (sizing_)
        return;
    laid_out_ = false;
    if (word_wrap_ && auto_size_)
        changed(); // a new width can change the number of lines, and so the height
}

void Label::changed() {
    laid_out_ = false;
    if (auto_size_) {
        const auto& text = lines();
        int width = bounds().width();
        if (!word_wrap_) {
            width = 0;
            for (std::string_view line : text)
                width = std::max(width, font_.text_width(line));
        }
        const int height = static_cast<int>(text.size()) * font_.height();
        sizing_ = true;
        set_bounds(Rect::from_size(bounds().left, bounds().top, width, height));
        sizing_ = false;
    }
    invalidate();
}

const std::vector<std::string_view>& Label::lines() const {
    if (!laid_out_)
        layout();
    return lines_;
}

void Label::layout() const {
    lines_.clear();
    for (std::string_view paragraph : split_lines(caption_)) {
        if (word_wrap_)
            wrap(paragraph);
        else
            lines_.push_back(paragraph);
    }
    laid_out_ = true;
}

// Greedy: each line takes as many words as fit, and at least one (with any spaces before
// it, which indent the paragraph's first line). The spaces where a line breaks are dropped,
// so they do not shift a centred or right-aligned line.
void Label::wrap(std::string_view paragraph) const {
    constexpr auto npos = std::string_view::npos;
    const int limit = bounds().width();
    size_t start = 0;
    while (true) {
        const size_t word = paragraph.find_first_not_of(' ', start);
        if (word == npos) {
            lines_.push_back(paragraph.substr(start));
            return;
        }
        size_t end = paragraph.find(' ', word);
        size_t fits = end == npos ? paragraph.size() : end;
        // Take further words while the line still fits.
        while (end != npos) {
            const size_t next = paragraph.find(' ', end + 1);
            const size_t candidate = next == npos ? paragraph.size() : next;
            if (font_.text_width(paragraph.substr(start, candidate - start)) > limit)
                break;
            fits = candidate;
            end = next;
        }
        const size_t next_line = paragraph.find_first_not_of(' ', fits);
        while (fits > word && paragraph[fits - 1] == ' ')
            --fits;
        lines_.push_back(paragraph.substr(start, fits - start));
        start = next_line;
        if (start == npos)
            return;
    }
}

void Label::paint(Canvas& canvas, const Rect& area) {
    const auto& text = lines();
    const int line_height = font_.height();
    const int total = static_cast<int>(text.size()) * line_height;
    int y = area.top + (vertical_centre_ ? (area.height() - total) / 2 : 0);
    const Color colour = usable() ? text_color() : style_->button_text_disabled;
    for (std::string_view line : text) {
        const int room = area.width() - font_.text_width(line);
        const int x = area.left + (alignment_ == Alignment::left     ? 0
                                   : alignment_ == Alignment::centre ? room / 2
                                                                     : room);
        draw_text(canvas, font_, x, y, line, colour);
        y += line_height;
    }
}

} // namespace tonvo::ui
