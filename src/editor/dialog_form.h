// The base of our modal dialogs: a form in the active style whose Enter and Escape press its
// default and cancel buttons when the focused control leaves them, and which opens centred
// over its owner's client area (or the screen when it has no owner), moved as far as it takes
// to lie wholly on the screen's work area.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/form.h"
#include "ui/style.h"

namespace tonvo::editor {

class DialogForm : public ui::Form {
public:
    DialogForm(ui::Desktop& desktop, int width, int height);

    const ui::Style& style() const { return style_; }
    // Places the form centred over `owner`, or over the screen, and then on the work area.
    void place_over(const ui::Form* owner);
    // Places it, then shows it modally.
    ui::ModalResult run(ui::Form* owner);

    bool key_down(ui::Key key, ui::Modifiers mods) override;

private:
    const ui::Style& style_;
};

} // namespace tonvo::editor
