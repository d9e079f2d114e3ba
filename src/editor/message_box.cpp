#include "editor/message_box.h"

#include "editor/dialog_form.h"
#include "editor/message_icons.h"
#include "ui/button.h"
#include "ui/label.h"

#include <algorithm>

namespace tonvo::editor {
namespace {

constexpr int kMargin = 12;
constexpr int kTextLeft = kMargin + kMessageIconSize + kMargin;
constexpr int kMaxTextWidth = 420;
constexpr int kMinWidth = 200;
constexpr int kButtonGap = 6;
constexpr int kFooterPadding = 10;

class MessageBoxForm : public DialogForm {
public:
    MessageBoxForm(ui::Desktop& desktop, const std::string& text, MessageKind kind,
                   MessageButtons buttons)
        : DialogForm(desktop, kMinWidth, 100), kind_(kind), text_(this), first_(this),
          second_(this) {
        text_.apply_style(style());
        first_.apply_style(style());
        second_.apply_style(style());

        // The text at its natural width, wrapped when wider than the box allows.
        text_.set_bounds(ui::Rect::from_size(kTextLeft, kMargin, 1, 1));
        text_.set_caption(text); // auto-sized to its widest line
        if (text_.width() > kMaxTextWidth) {
            text_.set_word_wrap(true);
            // Auto-size keeps a wrapped label's width and fits its height to the new lines.
            text_.set_bounds(ui::Rect::from_size(kTextLeft, kMargin, kMaxTextWidth, 1));
        }
        // A short text sits level with the middle of the icon.
        if (text_.height() < kMessageIconSize)
            text_.set_bounds(ui::Rect::from_size(kTextLeft,
                                                 kMargin + (kMessageIconSize - text_.height()) / 2,
                                                 text_.width(), text_.height()));

        const bool yes_no = buttons == MessageButtons::yes_no;
        first_.set_caption(yes_no ? "Yes" : "OK");
        first_.set_modal_result(yes_no ? ui::ModalResult::yes : ui::ModalResult::ok);
        first_.set_default(true);
        first_.set_cancel(!yes_no);
        second_.set_caption("No");
        second_.set_modal_result(ui::ModalResult::no);
        second_.set_cancel(true);
        second_.set_visible(yes_no);

        const int count = yes_no ? 2 : 1;
        const int buttons_width =
            count * ui::Button::kDefaultWidth + (count - 1) * kButtonGap + 2 * kFooterPadding;
        const int body_bottom =
            std::max(kMargin + kMessageIconSize, text_.bounds().bottom) + kMargin;
        const int width = std::max({kMinWidth, text_.bounds().right + 2 * kMargin, buttons_width});
        const int height = body_bottom + ui::Button::kDefaultHeight + 2 * kFooterPadding;
        set_client_size(width, height);
        footer_top_ = body_bottom;

        // Buttons from the right: the last one kFooterPadding from the edge.
        int right = width - kFooterPadding;
        const int top = body_bottom + kFooterPadding;
        for (ui::Button* b : {yes_no ? &second_ : nullptr, &first_}) {
            if (b == nullptr)
                continue;
            b->set_bounds(ui::Rect::from_size(right - ui::Button::kDefaultWidth, top,
                                              ui::Button::kDefaultWidth,
                                              ui::Button::kDefaultHeight));
            right -= ui::Button::kDefaultWidth + kButtonGap;
        }
        first_.set_focus();
    }

    void paint(ui::Canvas& canvas, const ui::Rect& area) override {
        DialogForm::paint(canvas, area);
        const ui::Rect footer{area.left, area.top + footer_top_, area.right, area.bottom};
        canvas.fill_rect(footer, style().button_face);
        canvas.hline(footer.left, footer.right - 1, footer.top, style().border);
        draw_message_icon(canvas, area.left + kMargin, area.top + kMargin, kind_);
    }

private:
    MessageKind kind_;
    ui::Label text_;
    ui::Button first_;
    ui::Button second_;
    int footer_top_ = 0;
};

} // namespace

ui::ModalResult CenteredMessageBox(ui::Desktop& desktop, ui::Form* owner, const std::string& text,
                                   const std::string& caption, MessageKind kind,
                                   MessageButtons buttons) {
    MessageBoxForm box(desktop, text, kind, buttons);
    box.set_caption(caption.empty() ? std::string(kApplicationTitle) : caption);
    return box.run(owner);
}

} // namespace tonvo::editor
