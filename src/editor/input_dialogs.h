// The two small input dialogs: a line of text (`InputText`) and a number in a range
// (`InputNumber`). Both open centred over their owner and block until answered.
//
// Thread contract: user-interface thread only.
#pragma once

#include "editor/dialog_form.h"
#include "ui/button.h"
#include "ui/edit.h"
#include "ui/label.h"
#include "ui/numeric_edit.h"

#include <string>

namespace tonvo::editor {

// The text dialog: a prompt, the text, OK and Cancel. OK is enabled while the trimmed text is
// not empty, or always with `AllowEmpty`.
class TfrmInputDlg : public DialogForm {
public:
    explicit TfrmInputDlg(ui::Desktop& desktop);

    ui::Label lblPrompt;
    ui::Edit txtValue;
    ui::Button btnOK;
    ui::Button btnCancel;
    bool AllowEmpty = false;

    void FormShow();
    void FormResize();
    void txtValueChange();
};

// The number dialog: a prompt, a `TQelNumericEdit`, OK and Cancel.
class TfrmInputDlgNumeric : public DialogForm {
public:
    // `separator`: the user's decimal separator.
    TfrmInputDlgNumeric(ui::Desktop& desktop, std::string_view separator);

    ui::Label lblPrompt;
    ui::TQelNumericEdit txtNumeric;
    ui::Button btnOK;
    ui::Button btnCancel;

    void FormResize();
};

// Asks for a line of text, at most `max_length` characters (0: no limit). On OK the text,
// untrimmed, goes to `text` and the result is true; otherwise `text` is left as it was.
bool InputText(ui::Desktop& desktop, ui::Form* owner, const std::string& caption,
               const std::string& prompt, std::string& text, size_t max_length, bool allow_empty);

// Asks for a number with `decimals` decimals. While minimum and maximum differ, an entry
// outside them is not accepted: after 250 ms the dialog shows again with the entry as it was,
// until it fits or the user cancels. On OK the number goes to `value` and the result is true.
bool InputNumber(ui::Desktop& desktop, ui::Form* owner, const std::string& caption,
                 const std::string& prompt, double& value, int decimals, double minimum,
                 double maximum);

} // namespace tonvo::editor
