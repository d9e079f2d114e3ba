#include "editor/editor_menu.h"

#include "base/utf.h"
#include "platform/files.h"
#include "platform/locale.h"
#include "platform/own_module.h"
#include "presets/skins.h"

#include <chrono>
#include <system_error>

namespace tonvo::editor {
namespace {

constexpr int kHeadingTop = 8;
constexpr int kHeadingButtonHeight = 26;

// Drops the last character of UTF-8 text, never half of one.
void drop_last_character(std::string& text) {
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
        text.pop_back();
    if (!text.empty())
        text.pop_back();
}

// The day a file was last written, in the user's short date form; empty when unknown.
std::string modification_date(const std::filesystem::path& file) {
    std::error_code error;
    const auto written = std::filesystem::last_write_time(file, error);
    if (file.empty() || error)
        return {};
    const auto system = std::chrono::file_clock::to_sys(written);
    return platform::short_date(std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(system)));
}

} // namespace

TfrmVSTEditorMenu::TfrmVSTEditorMenu(ui::Desktop& desktop, EditorLink& module, int width,
                                     int height)
    : TfrmVSTEditorBase(desktop, module, width, height), panHeading(this), lblName(&panHeading),
      panInfo(&panHeading), lblInfo(&panInfo), btnMenu(&panHeading), btnPresets(&panHeading),
      timInfo(*this, kInfoTime, [this] { timInfoTimer(); }), ddmMenu(desktop, style()),
      ddmMenu_Init(ddmMenu.add("Init")), ddmMenu_Sep01(ddmMenu.add_separator()),
      ddmMenu_LoadPreset(ddmMenu.add("Load Preset")),
      ddmMenu_SavePreset(ddmMenu.add("Save Preset")), ddmMenu_Sep02(ddmMenu.add_separator()),
      ddmMenu_TeachCC(ddmMenu.add("MIDI CC Teach")), ddmMenu_Sep05(ddmMenu.add_separator()),
      ddmMenu_MidiCCLearn(ddmMenu.add("MIDI CC Learn")),
      ddmMenu_MidiSetCC(ddmMenu.add("MIDI Set CC")),
      ddmMenu_MidiCCRemove(ddmMenu.add("MIDI CC Remove")), ddmMenu_Sep03(ddmMenu.add_separator()),
      ddmMain_LowestOctave(ddmMenu.add("Lowest Octave")), ddmMain_Skin(ddmMenu.add("Skin")),
      ddmMenu_Sep04(ddmMenu.add_separator()), ddmMenu_OpenUserGuide(ddmMenu.add("Open User Guide")),
      SpTBXSeparatorItem1(ddmMenu.add_separator()), ddmMenu_About(ddmMenu.add("About")),
      OpenDocument(platform::ShellOpen) {
    // FormCreate.
    panHeading.set_bounds(ui::Rect::from_size(0, 0, width, kHeadingHeight));
    panHeading.SetBorderRadius(2);
    panHeading.SetTransparent(true);
    panHeading.apply_style(style());
    panHeading.OnClick = [this](ui::Control&) { panHeadingClick(); };

    lblName.apply_style(style());
    lblName.set_font(ui::Font(ui::Typeface::bold, 21));
    lblName.set_bounds(ui::Rect::from_size(40, 9, 62, 25));
    lblName.set_caption(Module().ProductName());

    panInfo.set_bounds(ui::Rect::from_size(453, kHeadingTop, 197, kHeadingButtonHeight));
    panInfo.SetBorderRadius(6);
    panInfo.SetPanelColor(ui::Color::rgb(192, 192, 192));
    panInfo.SetPanelGroupColor(true);
    panInfo.apply_style(style());

    lblInfo.apply_style(style());
    lblInfo.set_auto_size(false);
    lblInfo.set_alignment(ui::Alignment::centre);
    lblInfo.set_font(ui::Font(ui::Typeface::regular, 11));
    lblInfo.set_bounds(ui::Rect::from_size(6, 6, 186, 14));

    btnMenu.apply_style(style());
    btnMenu.set_bounds(ui::Rect::from_size(6, kHeadingTop, ui::TQelMenuButton::kDefaultSize,
                                           ui::TQelMenuButton::kDefaultSize));
    btnMenu.DropDownMenu = &ddmMenu;

    btnPresets.apply_style(style());
    btnPresets.set_font(ui::Font(ui::Typeface::bold, 13));
    btnPresets.set_caption("-");
    btnPresets.set_bounds(ui::Rect::from_size(226, kHeadingTop, 205, kHeadingButtonHeight));
    btnPresets.OnClick = [this](ui::Control&) { btnPresetsClick(); };

    panMain.SetAlpha(225);
    panMain.SetBorderVisible(true);
    panMain.apply_style(style());
    AlignMainPanel(kHeadingHeight);

    ddmMenu.OnPopup = [this](ui::TQelPopupMenu&) { ddmMenuPopup(); };
    ddmMenu_Init.OnClick = [this](ui::MenuItem&) { ddmMenu_InitClick(); };
    ddmMenu_LoadPreset.OnClick = [this](ui::MenuItem&) { ddmMenu_LoadPresetClick(); };
    ddmMenu_SavePreset.OnClick = [this](ui::MenuItem&) { ddmMenu_SavePresetClick(); };
    ddmMenu_OpenUserGuide.OnClick = [this](ui::MenuItem&) { ddmMenu_OpenUserGuideClick(); };
    ddmMenu_About.OnClick = [this](ui::MenuItem&) { ddmMenu_AboutClick(); };
    for (const char* octave : {"0", "-1", "-2"})
        ddmMain_LowestOctave.add(octave);
    for (size_t index = 0; index < kSkins.size(); ++index)
        ddmMain_Skin.add(std::string(kSkins[index].MenuCaption), static_cast<int>(index),
                         [this](ui::MenuItem& sender) { ddmMain_Skin_CarbonClick(sender); });

    UserGuidePath = FindUserGuide();
}

std::filesystem::path TfrmVSTEditorMenu::FindUserGuide() {
    const std::string& name = Module().UserGuideName();
    const std::filesystem::path file(std::u8string(name.begin(), name.end()));
    std::filesystem::path path = Module().DataFolder() / file;
    if (Module().SafeFileExists(path))
        return path;
    const std::filesystem::path library = Module().LibraryPath();
    if (!library.empty()) {
        path = library.parent_path() / file;
        if (Module().SafeFileExists(path))
            return path;
        // A VST 3 bundle keeps it in Contents/Resources, beside the module's own folder.
        path = library.parent_path().parent_path() / "Resources" / file;
        if (Module().SafeFileExists(path))
            return path;
    }
    return {};
}

ui::ModalResult TfrmVSTEditorMenu::ShowMessage(const std::string& text, const std::string& caption,
                                               MessageKind kind, MessageButtons buttons) {
    return CenteredMessageBox(desktop(), this, text, caption, kind, buttons);
}

// ---- Hooks ----

void TfrmVSTEditorMenu::FormShow() {
    TfrmVSTEditorBase::FormShow();
    UpdatePresetName();
    ShowInfo("");
}

void TfrmVSTEditorMenu::UpdatePresetName() {
    std::string caption = Module().PresetName();
    if (caption.empty()) {
        btnPresets.set_caption("-");
        return;
    }
    // Cut at the end until it fits; no ellipsis.
    const int room = btnPresets.width() - kPresetNameRoom;
    while (!caption.empty() && btnPresets.font().text_width(caption) > room)
        drop_last_character(caption);
    btnPresets.set_caption(std::move(caption));
}

void TfrmVSTEditorMenu::InitPreset() {
    Module().LoadInitPreset();
    UpdateControls();
    ShowInfo("");
}

void TfrmVSTEditorMenu::ShowInfo(const std::string& text) {
    timInfo.stop();
    if (!text.empty()) {
        lblInfo.set_caption(text);
        timInfo.start();
    } else {
        lblInfo.set_caption("");
    }
    lblInfo.invalidate();
}

void TfrmVSTEditorMenu::LowestOctaveChanged() {
    ShowInfo("");
}

// ---- Events ----

void TfrmVSTEditorMenu::panMainClick() {
    TfrmVSTEditorBase::panMainClick();
    ShowInfo("");
}

void TfrmVSTEditorMenu::panHeadingClick() {
    FocusControlUnderCursor();
}

void TfrmVSTEditorMenu::timInfoTimer() {
    timInfo.stop();
    ShowInfo("");
}

void TfrmVSTEditorMenu::ddmMenuPopup() {
    ddmMenu_TeachCC.Visible = false;
    ddmMain_LowestOctave.Visible = false;
    ddmMenu.CheckByTag(Module().SkinIndex(), &ddmMain_Skin, false);
    ddmMenu_OpenUserGuide.Visible =
        !UserGuidePath.empty() && Module().SafeFileExists(UserGuidePath);
}

void TfrmVSTEditorMenu::btnPresetsClick() {
    ddmMenu_LoadPresetClick();
}

void TfrmVSTEditorMenu::ddmMenu_InitClick() {
    // Only a Yes runs Init: a box closed without an answer leaves the preset alone, as No does.
    if (ShowMessage("Initialize preset?", "Init", MessageKind::confirmation,
                    MessageButtons::yes_no) == ui::ModalResult::yes)
        InitPreset();
}

void TfrmVSTEditorMenu::ddmMenu_LoadPresetClick() {
    // The module's command asks this form for the browser's size; the browser has closed
    // when it returns, whether or not a preset was loaded.
    Module().LoadPresetCommand();
    PresetLoaded();
}

void TfrmVSTEditorMenu::ddmMenu_SavePresetClick() {
    Module().SavePresetCommand();
}

void TfrmVSTEditorMenu::ddmMain_Skin_CarbonClick(ui::MenuItem& sender) {
    if (sender.Tag == Module().SkinIndex())
        return;
    // Stored now; the open window keeps its look until the editor is opened again.
    Module().SetSkin(sender.Tag);
    ShowMessage("Please close and re-open the plugin window for skin changes to take effect.",
                "Change Skin", MessageKind::information, MessageButtons::ok);
}

void TfrmVSTEditorMenu::ddmMenu_OpenUserGuideClick() {
    if (OpenDocument && OpenDocument(UserGuidePath))
        return;
    ShowMessage("Error opening file.\r\n\r\n\"" + base::path_to_utf8(UserGuidePath) + "\"",
                "Open User Guide", MessageKind::information, MessageButtons::ok);
}

std::string TfrmVSTEditorMenu::AboutText() const {
    return Module().ProductName() + " v" + Module().VersionText() + "\r\r" +
           "Build date: " + modification_date(platform::own_module_path()) + "\r\r" +
           "Copyright (c) 2026 Brelwick      \r";
}

void TfrmVSTEditorMenu::ddmMenu_AboutClick() {
    ShowMessage(AboutText(), "About", MessageKind::information, MessageButtons::ok);
}

} // namespace tonvo::editor
