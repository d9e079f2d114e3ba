// The preset browser behind Load Preset: a borderless popup over the editor listing the presets
// of the preset folder in three columns. The user picks one (OK, a double click or "Open"),
// deletes one or opens the folder in the file manager from the list's menu, or cancels (Cancel,
// or a press anywhere outside the dialog). Enter and Escape do nothing here.
//
// The caller sizes and places the dialog, sets `PresetFolder` and `CurrentPresetName`, calls
// ShowModal, and on OK loads `SelectedFile()`.
//
// While the dialog exists the system's warning beep is off, so presses it refuses stay silent;
// it gets back the state it had before.
//
// Thread contract: user-interface thread only.
#pragma once

#include "editor/dialog_form.h"
#include "ui/label.h"
#include "ui/list_box.h"
#include "ui/panel.h"
#include "ui/popup_menu.h"
#include "ui/speed_button.h"
#include "ui/timer.h"

#include <functional>
#include <string>
#include <vector>

namespace tonvo::editor {

class TfrmPresets : public DialogForm {
public:
    static constexpr int kDesignWidth = 544;
    static constexpr int kDesignHeight = 289;
    static constexpr ui::Millis kOutsideClickInterval{100};

    // Switches the warning beep and returns its previous state; tests count the calls.
    using WarningBeepSwitch = std::function<bool(bool on)>;

    explicit TfrmPresets(ui::Desktop& desktop, WarningBeepSwitch warning_beep = {});
    ~TfrmPresets() override;

    ui::TQelGuiPanel panMain;
    ui::Label lblCaption;
    ui::ListBox lstPresets;
    ui::TQelSpTBXSpeedButton btnOK;
    ui::TQelSpTBXSpeedButton btnCancel;
    ui::TQelPopupMenu popMenu;
    ui::MenuItem& popMenu_Open;
    ui::MenuItem& popMenu_Delete;
    ui::MenuItem& popMenu_Explorer;
    ui::Timer Timer;

    // Set by the caller: the folder (UTF-8, ending with a path separator) and the name of the
    // preset loaded now.
    std::string PresetFolder;
    std::string CurrentPresetName;
    // The listed file names (UTF-8, no folder), sorted; each list item's value indexes it.
    std::vector<std::string> PresetFiles;
    // A press that began on one of the dialog's controls is held: the outside-click check
    // waits, so dragging out of the dialog and releasing does not close it.
    bool MouseIsDown = false;

    // Fills the list, then shows the dialog modally where the caller placed it.
    ui::ModalResult ShowModal(ui::Form* owner);
    // The folder and the file name the selected item was listed from; empty with nothing
    // selected (OK is only reachable with a selection).
    std::string SelectedFile() const;

    void FormShow();
    void FillList();
    void UpdateButtons();
    void panMainResize();
    void TimerTimer();
    void popMenuPopup();
    void popMenu_OpenClick();
    void popMenu_DeleteClick();
    void popMenu_ExplorerClick();
    void lstPresetsDblClick();
    void lstPresetsDrawItem(ui::ListBox& sender, int index, ui::Canvas& canvas, ui::Rect rect,
                            bool selected);
    void lstPresetsMouseUp(ui::MouseButton button, int x, int y);
    void btnOKClick();
    void btnCancelClick();

    // FormPaint: the editor's background tile behind the panel.
    void paint(ui::Canvas& canvas, const ui::Rect& area) override;
    // No keys of its own: Enter and Escape do not close it.
    bool key_down(ui::Key key, ui::Modifiers mods) override;
    void resized() override;

private:
    WarningBeepSwitch warning_beep_;
    bool beep_was_on_ = true;
};

} // namespace tonvo::editor
