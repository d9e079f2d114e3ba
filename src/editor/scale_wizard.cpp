#include "editor/scale_wizard.h"

#include "editor/message_box.h"
#include "presets/scale_file.h"
#include "presets/scale_library.h"

namespace tonvo::editor {
namespace {

constexpr std::string_view kApplyCaption = "Apply";

ui::Font label_font() {
    return ui::Font(ui::Typeface::bold, 13);
}

void place_label(ui::Label& label, const ui::Rect& bounds, std::string caption) {
    label.set_auto_size(false);
    label.set_font(label_font());
    label.set_caption(std::move(caption));
    label.set_bounds(bounds);
}

} // namespace

ScaleWizardPanel::ScaleWizardPanel(ui::Control* parent, EditorLink& module, ui::Form& owner)
    : ui::TQelGuiPanel(parent), lblScale(this), btnScale(this),
      ddmScale(owner.desktop(), ui::active_style()), lblTonic(this), btnTonic(this),
      ddmTonic(owner.desktop(), ui::active_style()), ddmTonic_C(ddmTonic.add("C", 0)),
      ddmTonic_CSharp(ddmTonic.add("C#", 1)), ddmTonic_D(ddmTonic.add("D", 2)),
      ddmTonic_DSharp(ddmTonic.add("D#", 3)), ddmTonic_E(ddmTonic.add("E", 4)),
      ddmTonic_F(ddmTonic.add("F", 5)), ddmTonic_FSharp(ddmTonic.add("F#", 6)),
      ddmTonic_G(ddmTonic.add("G", 7)), ddmTonic_GSharp(ddmTonic.add("G#", 8)),
      ddmTonic_A(ddmTonic.add("A", 9)), ddmTonic_ASharp(ddmTonic.add("A#", 10)),
      ddmTonic_B(ddmTonic.add("B", 11)), chkEasyMode(this), lblEasyMode(this), btnApply(this),
      module_(module), owner_(owner) {
    set_bounds(kBounds);
    SetBorderRadius(5);
    SetBorderWidth(1);
    SetBorderColor(ui::Color::rgb(255, 255, 255));
    SetTransparent(true);

    place_label(lblScale, ui::Rect::from_size(11, 8, 35, 21), "Scale");
    place_label(lblTonic, ui::Rect::from_size(11, 60, 38, 21), "Tonic");
    place_label(lblEasyMode, ui::Rect::from_size(31, 116, 70, 21), "Easy Mode");

    btnScale.set_bounds(ui::Rect::from_size(11, 28, 166, 25));
    btnScale.set_font(ui::Font(ui::Typeface::bold, 12));
    btnScale.DropDownMenu = &ddmScale;
    btnScale.set_drop_down_arrow(true);
    btnTonic.set_bounds(ui::Rect::from_size(11, 80, 83, 25));
    btnTonic.set_font(ui::Font(ui::Typeface::bold, 12));
    btnTonic.DropDownMenu = &ddmTonic;
    btnTonic.set_drop_down_arrow(true);
    btnTonic.Value = 0;

    // On until SyncWizard shows the map's choice.
    chkEasyMode.set_bounds(ui::Rect::from_size(12, 111, 20, 28));
    chkEasyMode.SetChecked(true);

    btnApply.set_bounds(ui::Rect::from_size(115, 147, 62, 26));
    btnApply.set_font(ui::Font(ui::Typeface::bold, 13));
    btnApply.set_caption(std::string(kApplyCaption));
    btnApply.OnClick = [this](ui::Control&) { btnApplyClick(); };

    ddmScale.OnPopup = [this](ui::TQelPopupMenu&) { ddmScalePopup(); };
    ddmTonic.OnPopup = [this](ui::TQelPopupMenu&) { ddmTonicPopup(); };
    for (size_t i = 0; i < ddmTonic.items().count(); ++i)
        ddmTonic.items().item(i).OnClick = [this](ui::MenuItem& item) { ddmTonic_CClick(item); };

    apply_style(ui::active_style());
    UpdateTonicCaption();
}

void ScaleWizardPanel::apply_style(const ui::Style& style) {
    ui::TQelGuiPanel::apply_style(style);
    for (ui::Label* label : {&lblScale, &lblTonic, &lblEasyMode})
        label->apply_style(style);
    for (ui::TQelSpTBXSpeedButton* button : {&btnScale, &btnTonic, &btnApply})
        button->apply_style(style);
    chkEasyMode.apply_style(style);
    ddmScale.apply_style(style);
    ddmTonic.apply_style(style);
}

void ScaleWizardPanel::LoadScaleList() {
    if (list_loaded_)
        return;
    list_loaded_ = true;
    // An empty folder would put the file in whatever the current folder happens to be.
    if (module_.DataFolder().empty()) {
        ScaleListError = "No data folder for the scale file";
    } else {
        LoadedScales list = tonvo::LoadScaleList(module_.DataFolder());
        ScaleList = std::move(list.Lines);
        ScaleListError = std::move(list.Error);
    }
    for (const ScaleMenuEntry& entry : scale_menu(ScaleList)) {
        if (entry.Kind == ScaleMenuKind::Separator)
            ddmScale.add_separator();
        else
            ddmScale.add(entry.Caption, entry.Tag,
                         [this](ui::MenuItem& item) { ddmScaleItemClick(item); });
    }
}

void ScaleWizardPanel::SyncWizard() {
    const WizardChoice choice = sync_wizard_choice(ScaleList, module_.ScaleMap());
    btnScale.Value = choice.ScaleIndex;
    btnTonic.Value = choice.Tonic;
    chkEasyMode.SetChecked(choice.EasyMode);
    UpdateScaleCaption();
    UpdateTonicCaption();
}

int ScaleWizardPanel::FindScale(std::string_view name) const {
    return tonvo::FindScale(ScaleList, name);
}

void ScaleWizardPanel::ApplyScale() {
    const int index = btnScale.Value;
    if (index < 0 || static_cast<size_t>(index) >= ScaleList.size()) {
        CenteredMessageBox(owner_.desktop(), &owner_, "Scale not selected.",
                           std::string(kApplyCaption), MessageKind::information,
                           MessageButtons::ok);
        return;
    }
    const bool easy = chkEasyMode.Checked();
    const std::string question =
        scale_confirmation_text(scale_caption(ScaleList, index), btnTonic.Value, easy);
    // Only a Yes goes on: a box closed without an answer must not rewrite the whole map.
    if (CenteredMessageBox(owner_.desktop(), &owner_, question, std::string(kApplyCaption),
                           MessageKind::confirmation,
                           MessageButtons::yes_no) != ui::ModalResult::yes)
        return;
    tonvo::ApplyScale(module_.ScaleMap(), ScaleList[static_cast<size_t>(index)], btnTonic.Value,
                      easy);
    module_.NotifyStateChanged();
    if (OnApplied)
        OnApplied();
}

void ScaleWizardPanel::ddmScalePopup() {
    ddmScale.CheckByTag(btnScale.Value);
}

void ScaleWizardPanel::ddmTonicPopup() {
    ddmTonic.CheckByTag(btnTonic.Value);
}

void ScaleWizardPanel::ddmScaleItemClick(ui::MenuItem& Sender) {
    btnScale.Value = Sender.Tag;
    UpdateScaleCaption();
}

void ScaleWizardPanel::ddmTonic_CClick(ui::MenuItem& Sender) {
    btnTonic.Value = Sender.Tag;
    UpdateTonicCaption();
}

void ScaleWizardPanel::btnApplyClick() {
    ApplyScale();
}

void ScaleWizardPanel::UpdateScaleCaption() {
    btnScale.set_caption(scale_caption(ScaleList, btnScale.Value));
}

void ScaleWizardPanel::UpdateTonicCaption() {
    btnTonic.set_caption(
        std::string(NoteNames[static_cast<size_t>(normalize_tonic(btnTonic.Value))]));
}

} // namespace tonvo::editor
