#include "editor/dialog_form.h"

#include "ui/button.h"

namespace tonvo::editor {

DialogForm::DialogForm(ui::Desktop& desktop, int width, int height)
    : Form(desktop, width, height), style_(ui::active_style()) {
    set_color(style_.window);
}

void DialogForm::place_over(const ui::Form* owner) {
    const ui::Rect area = owner != nullptr ? ui::Rect::from_size(owner->left(), owner->top(),
                                                                 owner->width(), owner->height())
                                           : desktop().screen();
    const ui::Point at = ui::moved_onto(
        desktop().screen(), ui::centred_over(area, width(), height()), width(), height());
    set_position(at.x, at.y);
}

ui::ModalResult DialogForm::run(ui::Form* owner) {
    place_over(owner);
    return show_modal(owner);
}

bool DialogForm::key_down(ui::Key key, ui::Modifiers) {
    return ui::press_dialog_button(*this, key);
}

} // namespace tonvo::editor
