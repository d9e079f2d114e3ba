#include "editor/editor_base.h"

#include "editor/form_activation.h"
#include "ui/artwork.h"
#include "ui/speed_button.h"

namespace tonvo::editor {

TfrmVSTEditorBase::TfrmVSTEditorBase(ui::Desktop& desktop, EditorLink& module, int width,
                                     int height)
    : ui::Form(desktop, width, height), panMain(this),
      timFormActivated(*this, kActivationDelay, [this] { timFormActivatedTimer(); }),
      module_(module), style_(ui::active_style()) {
    // FormCreate. The background picture is built once per process (ui::editor_background).
    set_color(style_.window);
    OnClick = [this](ui::Control&) { FormClick(); };

    panMain.SetAlpha(220);
    panMain.SetBorderRadius(5);
    panMain.SetBorderVisible(false);
    panMain.SetBorderWidth(1);
    panMain.SetPanelColor(ui::Color::rgb(255, 255, 255));
    panMain.SetTransparent(true);
    panMain.OnClick = [this](ui::Control&) { panMainClick(); };
    AlignMainPanel(0);
}

void TfrmVSTEditorBase::AlignMainPanel(int top) {
    panMain.set_bounds(ui::Rect::from_size(kMainMargin, top + kMainMarginTop,
                                           width() - 2 * kMainMargin,
                                           height() - top - kMainMarginTop - kMainMargin));
}

void TfrmVSTEditorBase::FormShow() {
    UpdateControls();
    timFormActivated.start();
}

DialogSize TfrmVSTEditorBase::GetPresetDialogSize() const {
    return {buffer().width() - 32, buffer().height() - 32};
}

void TfrmVSTEditorBase::timFormActivatedTimer() {
    timFormActivated.stop();
    activate_editor_window(*this);
}

namespace {

// The focus rule for one control: a speed button (or the form itself) never takes the focus,
// and a control that cannot take it keeps things as they are.
void focus_unless_speed_button(ui::Form& form, ui::Control* control) {
    if (control == nullptr || control == &form ||
        dynamic_cast<ui::TQelSpTBXSpeedButton*>(control) != nullptr)
        return;
    control->set_focus();
}

} // namespace

void TfrmVSTEditorBase::FocusControlAt(int x, int y) {
    focus_unless_speed_button(*this, control_at(x, y));
}

void TfrmVSTEditorBase::FocusControlUnderCursor() {
    // The form's hover is the control under the pointer as the last mouse move left it.
    focus_unless_speed_button(*this, hover());
}

void TfrmVSTEditorBase::FormClick() {
    FocusControlUnderCursor();
}

void TfrmVSTEditorBase::panMainClick() {
    FocusControlUnderCursor();
}

void TfrmVSTEditorBase::mouse_wheel_done(int x, int y) {
    FocusControlAt(x, y);
}

void TfrmVSTEditorBase::paint(ui::Canvas& canvas, const ui::Rect& area) {
    canvas.draw_tile(area, ui::editor_background(), area.left, area.top);
}

} // namespace tonvo::editor
