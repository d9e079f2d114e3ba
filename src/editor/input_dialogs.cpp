#include "editor/input_dialogs.h"

#include "platform/locale.h"

namespace tonvo::editor {
namespace {

constexpr int kGap = 6;

bool blank(std::string_view s) {
    return s.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos;
}

void setup_buttons(ui::Button& ok, ui::Button& cancel, const ui::Style& style) {
    ok.set_caption("OK");
    ok.set_default(true);
    ok.set_modal_result(ui::ModalResult::ok);
    ok.apply_style(style);
    cancel.set_caption("Cancel");
    cancel.set_cancel(true);
    cancel.set_modal_result(ui::ModalResult::cancel);
    cancel.apply_style(style);
}

// Cancel at the bottom right, OK just left of it.
void place_buttons(ui::Form& form, ui::Button& ok, ui::Button& cancel) {
    const int w = cancel.width();
    const int h = cancel.height();
    const int left = form.width() - kGap - w;
    const int top = form.height() - kGap - h;
    cancel.set_bounds(ui::Rect::from_size(left, top, w, h));
    ok.set_bounds(ui::Rect::from_size(left - kGap - ok.width(), top, ok.width(), ok.height()));
}

} // namespace

TfrmInputDlg::TfrmInputDlg(ui::Desktop& desktop)
    : DialogForm(desktop, 300, 102), lblPrompt(this),
      txtValue(this, ui::Font(ui::Typeface::regular, 12)), btnOK(this), btnCancel(this) {
    lblPrompt.set_auto_size(false);
    lblPrompt.set_word_wrap(true);
    lblPrompt.set_vertical_centre(true);
    lblPrompt.set_bounds(ui::Rect::from_size(7, 7, 230, 13));
    lblPrompt.apply_style(style());
    txtValue.set_bounds(ui::Rect::from_size(7, 23, 276, 23));
    txtValue.apply_style(style());
    txtValue.OnChange = [this](ui::Edit&) { txtValueChange(); };
    btnOK.set_bounds(ui::Rect::from_size(118, 58, 80, 26));
    btnCancel.set_bounds(ui::Rect::from_size(203, 58, 80, 26));
    setup_buttons(btnOK, btnCancel, style());
    FormResize();
}

void TfrmInputDlg::FormResize() {
    const ui::Rect p = lblPrompt.bounds();
    lblPrompt.set_bounds(ui::Rect::from_size(kGap, p.top, p.width(), p.height()));
    const ui::Rect t = txtValue.bounds();
    txtValue.set_bounds(ui::Rect::from_size(kGap, t.top, width() - 2 * kGap, t.height()));
    place_buttons(*this, btnOK, btnCancel);
}

void TfrmInputDlg::FormShow() {
    txtValueChange();
    txtValue.set_focus();
}

void TfrmInputDlg::txtValueChange() {
    btnOK.set_enabled(AllowEmpty || !blank(txtValue.text()));
}

TfrmInputDlgNumeric::TfrmInputDlgNumeric(ui::Desktop& desktop, std::string_view separator)
    : DialogForm(desktop, 228, 104), lblPrompt(this),
      txtNumeric(this, ui::Font(ui::Typeface::regular, 12), separator), btnOK(this),
      btnCancel(this) {
    lblPrompt.set_bounds(ui::Rect::from_size(7, 7, 1, 1));
    lblPrompt.apply_style(style());
    txtNumeric.set_bounds(ui::Rect::from_size(8, 28, 75, 24));
    txtNumeric.SetMaxLength(12);
    txtNumeric.apply_style(style());
    btnOK.set_bounds(ui::Rect::from_size(57, 72, 80, 25));
    btnCancel.set_bounds(ui::Rect::from_size(142, 72, 80, 25));
    setup_buttons(btnOK, btnCancel, style());
    FormResize();
}

void TfrmInputDlgNumeric::FormResize() {
    const ui::Rect p = lblPrompt.bounds();
    lblPrompt.set_bounds(ui::Rect::from_size(kGap, p.top, p.width(), p.height()));
    const ui::Rect n = txtNumeric.bounds();
    txtNumeric.set_bounds(ui::Rect::from_size(kGap, n.top, n.width(), n.height()));
    place_buttons(*this, btnOK, btnCancel);
}

bool InputText(ui::Desktop& desktop, ui::Form* owner, const std::string& caption,
               const std::string& prompt, std::string& text, size_t max_length, bool allow_empty) {
    TfrmInputDlg dialog(desktop);
    dialog.set_caption(caption);
    dialog.lblPrompt.set_caption(prompt);
    dialog.txtValue.set_max_length(max_length);
    dialog.txtValue.set_text(text);
    dialog.AllowEmpty = allow_empty;
    dialog.FormShow();
    if (dialog.run(owner) != ui::ModalResult::ok)
        return false;
    text = dialog.txtValue.text();
    return true;
}

bool InputNumber(ui::Desktop& desktop, ui::Form* owner, const std::string& caption,
                 const std::string& prompt, double& value, int decimals, double minimum,
                 double maximum) {
    TfrmInputDlgNumeric dialog(desktop, platform::decimal_separator());
    dialog.set_caption(caption);
    dialog.lblPrompt.set_caption(prompt);
    dialog.txtNumeric.SetDecimals(decimals);
    dialog.txtNumeric.SetMinValue(minimum);
    dialog.txtNumeric.SetMaxValue(maximum);
    dialog.txtNumeric.SetValue(value);
    for (;;) {
        dialog.txtNumeric.set_focus();
        if (dialog.run(owner) != ui::ModalResult::ok)
            return false;
        const double entered = dialog.txtNumeric.Value();
        if (minimum == maximum || (entered >= minimum && entered <= maximum)) {
            value = entered;
            return true;
        }
        desktop.wait(ui::Millis{250});
    }
}

} // namespace tonvo::editor
