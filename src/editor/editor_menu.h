// `TfrmVSTEditorMenu`: the editor frame with its heading (the plug-in's name, the menu button,
// the preset button and the info line) and the main menu: Init, Load Preset, Save Preset, the
// Skin choice, Open User Guide and About. Editors derive from it and fill the main panel.
//
// The info line: ShowInfo with a text shows it for three seconds from the last call; with an
// empty text it clears the line at once.
//
// Thread contract: user-interface thread only.
#pragma once

#include "editor/editor_base.h"
#include "editor/message_box.h"
#include "ui/label.h"
#include "ui/popup_menu.h"
#include "ui/speed_button.h"

#include <filesystem>
#include <functional>
#include <string>

namespace tonvo::editor {

class TfrmVSTEditorMenu : public TfrmVSTEditorBase {
public:
    static constexpr int kDesignWidth = 656;
    static constexpr int kDesignHeight = 396;
    static constexpr int kHeadingHeight = 41;
    static constexpr ui::Millis kInfoTime{3000};
    // The preset button's caption keeps this much room inside the button.
    static constexpr int kPresetNameRoom = 8;

    TfrmVSTEditorMenu(ui::Desktop& desktop, EditorLink& module, int width = kDesignWidth,
                      int height = kDesignHeight);

    ui::TQelGuiPanel panHeading;
    ui::Label lblName;
    ui::TQelGuiPanel panInfo;
    ui::Label lblInfo;
    ui::TQelMenuButton btnMenu;
    ui::TQelSpTBXSpeedButton btnPresets;
    ui::Timer timInfo;
    ui::TQelPopupMenu ddmMenu;
    ui::MenuItem& ddmMenu_Init;
    ui::MenuItem& ddmMenu_Sep01;
    ui::MenuItem& ddmMenu_LoadPreset;
    ui::MenuItem& ddmMenu_SavePreset;
    ui::MenuItem& ddmMenu_Sep02;
    ui::MenuItem& ddmMenu_TeachCC;
    ui::MenuItem& ddmMenu_Sep05;
    ui::MenuItem& ddmMenu_MidiCCLearn;
    ui::MenuItem& ddmMenu_MidiSetCC;
    ui::MenuItem& ddmMenu_MidiCCRemove;
    ui::MenuItem& ddmMenu_Sep03;
    ui::MenuItem& ddmMain_LowestOctave;
    ui::MenuItem& ddmMain_Skin;
    ui::MenuItem& ddmMenu_Sep04;
    ui::MenuItem& ddmMenu_OpenUserGuide;
    ui::MenuItem& SpTBXSeparatorItem1;
    ui::MenuItem& ddmMenu_About;

    // The user guide found when the form was made (data folder first, then beside the
    // plug-in's own library); empty when there was none.
    std::filesystem::path UserGuidePath;
    // Opens a document with the system's viewer; false when the system refused. The platform's
    // ShellOpen unless a test replaces it.
    std::function<bool(const std::filesystem::path&)> OpenDocument;

    // --- Hooks ---
    void FormShow() override;
    void UpdatePresetName() override;
    void InitPreset() override;
    void ShowInfo(const std::string& text) override;
    // After a Lowest Octave entry was chosen (those entries stay hidden in this plug-in).
    virtual void LowestOctaveChanged();

    // --- Events ---
    void panMainClick() override;
    void panHeadingClick();
    void timInfoTimer();
    virtual void ddmMenuPopup();
    void btnPresetsClick();
    void ddmMenu_InitClick();
    void ddmMenu_LoadPresetClick();
    void ddmMenu_SavePresetClick();
    void ddmMain_Skin_CarbonClick(ui::MenuItem& sender);
    void ddmMenu_OpenUserGuideClick();
    void ddmMenu_AboutClick();

    // The about box's text.
    std::string AboutText() const;

protected:
    // Every message box of the frame: centred over this form.
    ui::ModalResult ShowMessage(const std::string& text, const std::string& caption,
                                MessageKind kind, MessageButtons buttons);

private:
    // The guide in the data folder, else beside the plug-in's library, else none.
    std::filesystem::path FindUserGuide();
};

} // namespace tonvo::editor
