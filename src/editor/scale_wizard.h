// The scale wizard: the panel of the note-map editor that fills the whole note map in one step
// from a named scale and a tonic. A Scale button opens the menu of named scales (read from
// "Scales.txt" in the data folder, created from the built-in list when missing), a Tonic
// button the menu of the twelve pitch classes; the "Easy Mode" box chooses how the scale is
// laid on the keys, and "Apply" writes the map after the user confirms.
//
// The wizard's choice lives in its controls: btnScale.Value is the index of the chosen line of
// the scale list (-1: none, only with an empty list), btnTonic.Value the tonic 0..11 and
// chkEasyMode the mode. Choosing from the menus changes only these; the map is untouched
// until Apply is confirmed.
//
// Thread contract: user-interface thread only.
#pragma once

#include "engine/editor_link.h"
#include "ui/check_box.h"
#include "ui/label.h"
#include "ui/panel.h"
#include "ui/popup_menu.h"
#include "ui/speed_button.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tonvo::editor {

class ScaleWizardPanel : public ui::TQelGuiPanel {
public:
    // Where the panel sits in the editor's main panel.
    static constexpr ui::Rect kBounds = ui::Rect::from_size(456, 12, 188, 184);

    // `parent`: the control the panel sits on; `owner`: the editor form, over which the
    // message boxes are centred and whose desktop shows them and the menus. Both, and the
    // module, must outlive the panel. The scale list is not read here: the form calls
    // LoadScaleList once it is built.
    ScaleWizardPanel(ui::Control* parent, EditorLink& module, ui::Form& owner);

    ui::Label lblScale;
    ui::TQelSpTBXSpeedButton btnScale;
    ui::TQelPopupMenu ddmScale;
    ui::Label lblTonic;
    ui::TQelSpTBXSpeedButton btnTonic;
    ui::TQelPopupMenu ddmTonic;
    ui::MenuItem& ddmTonic_C;
    ui::MenuItem& ddmTonic_CSharp;
    ui::MenuItem& ddmTonic_D;
    ui::MenuItem& ddmTonic_DSharp;
    ui::MenuItem& ddmTonic_E;
    ui::MenuItem& ddmTonic_F;
    ui::MenuItem& ddmTonic_FSharp;
    ui::MenuItem& ddmTonic_G;
    ui::MenuItem& ddmTonic_GSharp;
    ui::MenuItem& ddmTonic_A;
    ui::MenuItem& ddmTonic_ASharp;
    ui::MenuItem& ddmTonic_B;
    ui::CheckBox chkEasyMode;
    ui::Label lblEasyMode;
    ui::TQelSpTBXSpeedButton btnApply;

    // The lines of the scale file (UTF-8), and why it could not be had (empty when it was).
    std::vector<std::string> ScaleList;
    std::string ScaleListError;

    // Runs after a confirmed Apply has written the map and told the module: the form repaints
    // its keyboard.
    std::function<void()> OnApplied;

    // Styles the panel, its controls and both menus.
    void apply_style(const ui::Style& style);

    // Reads the scale file (creating it when missing) and builds the Scale menu from it. Once
    // per form: a second call changes nothing.
    void LoadScaleList();
    // Sets the controls from the note map: when the editor is shown, after Init and after a
    // preset was loaded.
    void SyncWizard();
    // Index of the first scale whose name equals `name` without regard to letter case, or -1.
    int FindScale(std::string_view name) const;
    // Asks for confirmation, then fills the map from the chosen scale, tonic and mode.
    void ApplyScale();

    void ddmScalePopup();
    void ddmTonicPopup();
    void ddmScaleItemClick(ui::MenuItem& Sender);
    void ddmTonic_CClick(ui::MenuItem& Sender);
    void btnApplyClick();

private:
    void UpdateScaleCaption();
    void UpdateTonicCaption();

    EditorLink& module_;
    ui::Form& owner_;
    bool list_loaded_ = false;
};

} // namespace tonvo::editor
