#include "editor/preset_browser.h"

#include "base/case_fold.h"
#include "base/file_names.h"
#include "base/utf.h"
#include "editor/message_box.h"
#include "platform/files.h"
#include "platform/warning_beep.h"
#include "presets/preset_files.h"
#include "ui/artwork.h"
#include "ui/text.h"

#include <algorithm>
#include <exception>
#include <filesystem>

namespace tonvo::editor {
namespace {

constexpr int kListLeft = 12;
constexpr int kListTop = 36;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kItemHeight = 20;
constexpr int kItemPadding = 4;

} // namespace

TfrmPresets::TfrmPresets(ui::Desktop& desktop, WarningBeepSwitch warning_beep)
    : DialogForm(desktop, kDesignWidth, kDesignHeight), panMain(this), lblCaption(&panMain),
      lstPresets(&panMain), btnOK(&panMain), btnCancel(&panMain), popMenu(desktop, style()),
      popMenu_Open(popMenu.add("Open")), popMenu_Delete(popMenu.add("Delete")),
      popMenu_Explorer((popMenu.add_separator(), popMenu.add("Show in Explorer"))),
      Timer(*this, kOutsideClickInterval, [this] { TimerTimer(); }),
      warning_beep_(warning_beep ? std::move(warning_beep) : platform::set_warning_beep) {
    // FormCreate. The window has no title bar or frame: the backend shows a form without a
    // caption as a bare popup.
    set_caption("Load Preset");
    beep_was_on_ = warning_beep_(false);

    panMain.SetTransparent(true);
    panMain.SetBorderRadius(5);
    panMain.SetPanelColor(ui::Color::rgb(255, 255, 255));
    panMain.SetBorderWidth(2);
    panMain.SetBorderVisible(false);
    panMain.apply_style(style());

    lblCaption.apply_style(style());
    lblCaption.set_auto_size(false);
    lblCaption.set_font(ui::Font(ui::Typeface::bold, 16));
    lblCaption.set_alignment(ui::Alignment::centre);
    lblCaption.set_caption("Load Preset");

    lstPresets.apply_style(style());
    lstPresets.set_bounds(ui::Rect::from_size(kListLeft, kListTop, 517, 202));
    lstPresets.set_item_height(kItemHeight);
    lstPresets.set_columns(3);
    lstPresets.set_font(ui::Font(ui::Typeface::bold, 12));
    lstPresets.OnDrawItem = [this](ui::ListBox& sender, int index, ui::Canvas& canvas,
                                   ui::Rect rect, bool selected) {
        lstPresetsDrawItem(sender, index, canvas, rect, selected);
    };
    lstPresets.OnDoubleClick = [this](ui::ListBox&) { lstPresetsDblClick(); };
    lstPresets.OnSelectChange = [this](ui::ListBox&) { UpdateButtons(); };

    for (ui::TQelSpTBXSpeedButton* button : {&btnOK, &btnCancel}) {
        button->apply_style(style());
        button->set_font(ui::Font(ui::Typeface::bold, 12));
    }
    btnOK.set_caption("OK");
    btnOK.set_bounds(ui::Rect::from_size(363, 244, kButtonWidth, kButtonHeight));
    btnOK.OnClick = [this](ui::Control&) { btnOKClick(); };
    btnCancel.set_caption("Cancel");
    btnCancel.set_bounds(ui::Rect::from_size(449, 244, kButtonWidth, kButtonHeight));
    btnCancel.OnClick = [this](ui::Control&) { btnCancelClick(); };

    // A press held on any of these keeps the outside-click check waiting.
    for (ui::Control* control : std::initializer_list<ui::Control*>{
             &panMain, &lblCaption, &lstPresets, &btnOK, &btnCancel}) {
        control->OnMouseDown = [this](ui::Control&, ui::MouseButton, int, int) {
            MouseIsDown = true;
        };
        control->OnMouseUp = [this](ui::Control&, ui::MouseButton, int, int) {
            MouseIsDown = false;
        };
    }
    lstPresets.OnMouseUp = [this](ui::Control&, ui::MouseButton button, int x, int y) {
        lstPresetsMouseUp(button, x, y);
    };

    popMenu.OnPopup = [this](ui::TQelPopupMenu&) { popMenuPopup(); };
    popMenu_Open.OnClick = [this](ui::MenuItem&) { popMenu_OpenClick(); };
    popMenu_Delete.OnClick = [this](ui::MenuItem&) { popMenu_DeleteClick(); };
    popMenu_Explorer.OnClick = [this](ui::MenuItem&) { popMenu_ExplorerClick(); };

    resized();
    UpdateButtons();
}

TfrmPresets::~TfrmPresets() {
    // FormDestroy: the beep as it was found, not simply on.
    warning_beep_(beep_was_on_);
}

ui::ModalResult TfrmPresets::ShowModal(ui::Form* owner) {
    FormShow();
    return show_modal(owner);
}

std::string TfrmPresets::SelectedFile() const {
    const int index = lstPresets.selected();
    if (index < 0)
        return {};
    // The file as it was listed: its name is not rebuilt from the text shown, which loses the
    // extension's letter case and is the same for two files that differ only there.
    return PresetFolder + PresetFiles[static_cast<size_t>(lstPresets.item(index).value)];
}

void TfrmPresets::FormShow() {
    FillList();
    for (int i = 0; i < lstPresets.count(); ++i) {
        if (base::equal_ignoring_case(lstPresets.item(i).text, CurrentPresetName)) {
            lstPresets.set_selected(i);
            break;
        }
    }
    lstPresets.set_focus();
    Timer.start();
}

void TfrmPresets::FillList() {
    lstPresets.clear();
    PresetFiles.clear();
    std::vector<std::filesystem::path> files;
    if (!PresetFolder.empty()) {
        try {
            // Sorted by name without regard to letter case.
            files = platform::list_files(base::path_from_utf8(PresetFolder),
                                         std::string(kPresetExtension));
        } catch (const std::exception&) {
            // A folder that cannot be read lists nothing, as a missing one does.
        }
    }
    for (const std::filesystem::path& file : files) {
        PresetFiles.push_back(base::path_to_utf8(file.filename()));
        lstPresets.add(FileBaseName(file), static_cast<int>(PresetFiles.size()) - 1);
    }
    if (lstPresets.count() > 0)
        lstPresets.set_selected(0);
    UpdateButtons();
}

void TfrmPresets::UpdateButtons() {
    btnOK.set_enabled(lstPresets.selected() >= 0);
}

void TfrmPresets::resized() {
    DialogForm::resized();
    panMain.set_bounds(ui::Rect{1, 1, std::max(width() - 1, 1), std::max(height() - 1, 1)});
    panMainResize();
}

void TfrmPresets::panMainResize() {
    const int w = width();
    const int h = height();
    const ui::Rect list = lstPresets.bounds();
    const int list_width = w - 24;
    const int cancel_left = list.left + list_width - kButtonWidth - 1;
    const int ok_left = cancel_left - kButtonWidth - 10;
    const int buttons_top = h - kButtonHeight - 10;
    btnCancel.set_bounds(
        ui::Rect::from_size(cancel_left, buttons_top, kButtonWidth, kButtonHeight));
    btnOK.set_bounds(ui::Rect::from_size(ok_left, buttons_top, kButtonWidth, kButtonHeight));
    lstPresets.set_bounds(
        ui::Rect::from_size(list.left, list.top, list_width, buttons_top - list.top - 10));
    // The caption runs across the top of the panel.
    lblCaption.set_bounds(ui::Rect::from_size(0, 6, panMain.width(), 19));
}

void TfrmPresets::TimerTimer() {
    // A press whose release never came (the window lost the mouse) holds nothing any more;
    // left set, it would keep the dialog from ever closing on a press outside.
    if (capture() == nullptr)
        MouseIsDown = false;
    if (MouseIsDown || !visible())
        return;
    const std::optional<ui::MouseButton> button = desktop().button_down_outside(*this);
    if (!button)
        return;
    Timer.stop();
    set_modal_result(ui::ModalResult::cancel);
    // The press is not ours to pass on: a backend whose modal loop holds the mouse (Win32)
    // hands it to the window under the pointer once the dialog has gone; under X11 the server
    // has already delivered it there (one on the editor's own window is dropped with the
    // editor's input while the dialog runs).
}

void TfrmPresets::popMenuPopup() {
    popMenu_Open.Enabled = btnOK.enabled();
    popMenu_Delete.Enabled = btnOK.enabled();
    popMenu_Explorer.Enabled = true;
}

void TfrmPresets::popMenu_OpenClick() {
    if (btnOK.enabled())
        set_modal_result(ui::ModalResult::ok);
}

void TfrmPresets::popMenu_DeleteClick() {
    const int index = lstPresets.selected();
    if (index < 0)
        return;
    const std::string file = PresetFiles[static_cast<size_t>(lstPresets.item(index).value)];
    const std::string name = FileBaseName(base::path_from_utf8(file));
    // Only a Yes deletes: a box closed any other way keeps the file.
    if (CenteredMessageBox(desktop(), this, "Delete \"" + name + "\"?", "Delete Preset",
                           MessageKind::confirmation,
                           MessageButtons::yes_no) != ui::ModalResult::yes)
        return;
    try {
        platform::remove_file(base::path_from_utf8(PresetFolder) / base::path_from_utf8(file));
    } catch (const std::exception&) {
        // Not reported: the file stays in the list after the refresh.
    }
    FillList();
    if (lstPresets.count() > 0)
        lstPresets.set_selected(std::min(index, lstPresets.count() - 1));
    UpdateButtons();
}

void TfrmPresets::popMenu_ExplorerClick() {
    if (PresetFolder.empty())
        return;
    try {
        platform::create_folders(base::path_from_utf8(PresetFolder));
    } catch (const std::exception&) {
        // Opening the folder below fails too; neither is reported.
    }
    platform::show_folder(base::path_from_utf8(PresetFolder));
}

void TfrmPresets::lstPresetsDblClick() {
    if (btnOK.enabled())
        set_modal_result(ui::ModalResult::ok);
}

void TfrmPresets::lstPresetsDrawItem(ui::ListBox& sender, int index, ui::Canvas& canvas,
                                     ui::Rect rect, bool selected) {
    canvas.fill_rect(rect, sender.item_face(selected));
    const ui::Rect text{rect.left + kItemPadding, rect.top, rect.right - kItemPadding, rect.bottom};
    canvas.push_clip(text);
    const ui::Font& font = sender.font();
    ui::draw_text(canvas, font, text.left, text.top + (text.height() - font.height()) / 2,
                  sender.item(index).text, sender.item_text(selected));
    canvas.pop_clip();
}

void TfrmPresets::lstPresetsMouseUp(ui::MouseButton button, int x, int y) {
    MouseIsDown = false;
    if (button != ui::MouseButton::right)
        return;
    // The press has already selected the item under the pointer, if any.
    const ui::Rect at = lstPresets.form_rect();
    popMenu.Popup(left() + at.left + x, top() + at.top + y);
}

void TfrmPresets::btnOKClick() {
    set_modal_result(ui::ModalResult::ok);
}

void TfrmPresets::btnCancelClick() {
    set_modal_result(ui::ModalResult::cancel);
}

void TfrmPresets::paint(ui::Canvas& canvas, const ui::Rect& area) {
    canvas.draw_tile(area, ui::editor_background(), 0, 0);
}

bool TfrmPresets::key_down(ui::Key, ui::Modifiers) {
    return false;
}

} // namespace tonvo::editor
