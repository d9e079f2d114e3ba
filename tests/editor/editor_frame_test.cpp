// The editor frame driven as a user would: the main menu and its commands, the info line's
// timer, the preset button's caption and the focus rules.
#include "editor/editor_test_support.h"
#include "editor/note_map_editor.h"
#include "platform/locale.h"
#include "platform/own_module.h"
#include "ui/edit.h"
#include "ui/text.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>

namespace tonvo::editor {
namespace {

using test::click_item;
using test::is_shown;
using test::message_text;

struct FrameFixture : ::testing::Test, test::EditorRig {
    std::unique_ptr<TfrmEditor> Open() { return test::open_editor(desktop, module); }
    // Opens the main menu with the menu button and runs `script` on it.
    void WithMenu(TfrmEditor& form, ui::HeadlessDesktop::MenuScript script) {
        desktop.expect_menu(std::move(script));
        const ui::Rect button = form.btnMenu.form_rect();
        ui::click(form, button.left + 5, button.top + 5);
    }
    // Whether the main menu, opened and left unanswered, offers the user guide.
    bool GuideOffered(TfrmEditor& form) {
        bool shown = false;
        WithMenu(form,
                 [&](ui::MenuSession& s) { shown = is_shown(s, form.ddmMenu_OpenUserGuide); });
        return shown;
    }
};

TEST_F(FrameFixture, MenuShowsTheEditorsEntriesAndTheGuideOnlyWhenFound) {
    auto form = Open();
    EXPECT_EQ(form->lblName.caption(), "Tonvo");
    EXPECT_TRUE(form->UserGuidePath.empty());
    WithMenu(*form, [&](ui::MenuSession& s) {
        for (ui::MenuItem* item :
             {&form->ddmMenu_Init, &form->ddmMenu_LoadPreset, &form->ddmMenu_SavePreset,
              &form->ddmMain_Skin, &form->ddmMenu_About})
            EXPECT_TRUE(is_shown(s, *item)) << item->Caption;
        for (ui::MenuItem* item : {&form->ddmMenu_TeachCC, &form->ddmMenu_MidiCCLearn,
                                   &form->ddmMenu_MidiSetCC, &form->ddmMenu_MidiCCRemove,
                                   &form->ddmMain_LowestOctave, &form->ddmMenu_OpenUserGuide})
            EXPECT_FALSE(is_shown(s, *item)) << item->Caption;
    });
    EXPECT_EQ(desktop.menus_shown(), 1);

    // A guide beside the plug-in's library is found when the data folder has none.
    const std::filesystem::path beside =
        platform::own_module_path().parent_path() / "tonvo-frame-test-guide.pdf";
    module.userGuide = "tonvo-frame-test-guide.pdf";
    tonvo::test::write_text(beside, "guide");
    form = Open();
    EXPECT_EQ(form->UserGuidePath, beside);
    std::filesystem::remove(beside);

    // The data folder comes first; the file is looked for again each time the menu opens.
    tonvo::test::write_text(data.Path() / "tonvo-frame-test-guide.pdf", "guide");
    form = Open();
    EXPECT_EQ(form->UserGuidePath, data.Path() / "tonvo-frame-test-guide.pdf");
    EXPECT_TRUE(GuideOffered(*form));
    std::filesystem::path opened;
    form->OpenDocument = [&](const std::filesystem::path& path) {
        opened = path;
        return true;
    };
    form->ddmMenu_OpenUserGuide.OnClick(form->ddmMenu_OpenUserGuide);
    EXPECT_EQ(opened, form->UserGuidePath);
    EXPECT_TRUE(desktop.shown().empty());

    // A guide the system cannot open.
    form->OpenDocument = [](const std::filesystem::path&) { return false; };
    desktop.expect_modal([&](ui::Form& box) {
        const std::u8string path = form->UserGuidePath.u8string();
        EXPECT_EQ(message_text(box),
                  "Error opening file.\r\n\r\n\"" + std::string(path.begin(), path.end()) + "\"");
        ui::press_key(box, ui::Key::enter);
    });
    form->ddmMenu_OpenUserGuide.OnClick(form->ddmMenu_OpenUserGuide);
    EXPECT_EQ(desktop.shown().back(), "Open User Guide");

    std::filesystem::remove(data.Path() / "tonvo-frame-test-guide.pdf");
    EXPECT_FALSE(GuideOffered(*form));
}

// With TONVO_UNPACKED_PLUGIN naming the Tonvo.so a package installed (the package test sets
// it), the guide the package put beside it is offered.
TEST_F(FrameFixture, MenuOffersTheGuideBesideAnInstalledPlugin) {
    const char* installed = std::getenv("TONVO_UNPACKED_PLUGIN");
    if (installed == nullptr || *installed == 0)
        GTEST_SKIP() << "TONVO_UNPACKED_PLUGIN not set";
    module.libraryPath = installed;
    auto form = Open();
    // Beside the library, or in the resources of the VST 3 bundle the library is in.
    const std::filesystem::path folder = module.libraryPath.parent_path();
    const bool in_bundle = folder.parent_path().filename() == "Contents";
    EXPECT_EQ(form->UserGuidePath, in_bundle
                                       ? folder.parent_path() / "Resources" / "Tonvo User Guide.pdf"
                                       : folder / "Tonvo User Guide.pdf");
    EXPECT_TRUE(GuideOffered(*form));
}

TEST_F(FrameFixture, InitRunsOnlyOnYes) {
    auto form = Open();
    form->ShowInfo("message");
    desktop.expect_modal([](ui::Form& box) {
        EXPECT_EQ(message_text(box), "Initialize preset?");
        ui::press_key(box, ui::Key::escape); // No
    });
    WithMenu(*form, [&](ui::MenuSession& s) { click_item(s, form->ddmMenu_Init); });
    EXPECT_EQ(desktop.shown(), std::vector<std::string>{"Init"});
    EXPECT_EQ(module.initLoads, 0);
    EXPECT_EQ(form->lblInfo.caption(), "message");

    // A box closed without an answer changes nothing either.
    form->ddmMenu_Init.OnClick(form->ddmMenu_Init);
    EXPECT_EQ(desktop.unanswered(), 1);
    EXPECT_EQ(module.initLoads, 0);

    module.map.SetScaleMap(1, 3);
    desktop.expect_modal([](ui::Form& box) { ui::press_key(box, ui::Key::enter); }); // Yes
    form->ddmMenu_Init.OnClick(form->ddmMenu_Init);
    EXPECT_EQ(module.initLoads, 1);
    EXPECT_EQ(module.map.GetScaleMap(1), TScaleMap::kBlocked);
    EXPECT_EQ(form->lblInfo.caption(), "");
}

TEST_F(FrameFixture, SkinChoiceStoresOtherSkinsWithTheReopenMessage) {
    module.skin = 3;
    auto form = Open();
    WithMenu(*form, [&](ui::MenuSession& s) {
        EXPECT_TRUE(form->ddmMain_Skin.item(3).Checked);
        EXPECT_FALSE(form->ddmMain_Skin.Checked);  // no parents
        click_item(s, form->ddmMain_Skin);         // opens the submenu
        click_item(s, form->ddmMain_Skin.item(3)); // the active one: nothing
    });
    EXPECT_EQ(module.skinSaves, 0);
    EXPECT_TRUE(desktop.shown().empty());

    desktop.expect_modal([](ui::Form& box) {
        EXPECT_EQ(message_text(box), "Please close and re-open the plugin window for skin "
                                     "changes to take effect.");
        ui::press_key(box, ui::Key::enter);
    });
    form->ddmMain_Skin.item(2).OnClick(form->ddmMain_Skin.item(2));
    EXPECT_EQ(desktop.shown(), std::vector<std::string>{"Change Skin"});
    EXPECT_EQ(module.skin, 2);
    EXPECT_EQ(module.skinSaves, 1);
    form->ddmMenuPopup();
    EXPECT_TRUE(form->ddmMain_Skin.item(2).Checked);
    EXPECT_FALSE(form->ddmMain_Skin.item(3).Checked);
    EXPECT_EQ(form->ddmMain_Skin.item(1).Caption, "Dark");
}

TEST_F(FrameFixture, PresetCommandsAndAbout) {
    auto form = Open();
    ui::click(*form, form->btnPresets.form_rect().left + 20, form->btnPresets.form_rect().top + 5);
    form->ddmMenu_LoadPreset.OnClick(form->ddmMenu_LoadPreset);
    form->ddmMenu_SavePreset.OnClick(form->ddmMenu_SavePreset);
    EXPECT_EQ(module.loads, 2);
    EXPECT_EQ(module.saves, 1);

    const auto written = std::filesystem::last_write_time(platform::own_module_path());
    const std::string date = platform::short_date(std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(written))));
    EXPECT_FALSE(date.empty());
    desktop.expect_modal([&](ui::Form& box) {
        const std::string text = message_text(box);
        EXPECT_EQ(text.rfind("Tonvo v1.00\r\rBuild date: " + date + "\r\r", 0), 0u) << text;
        EXPECT_NE(text.find("Brelwick"), std::string::npos);
        EXPECT_EQ(text.back(), '\r');
        ui::press_key(box, ui::Key::enter);
    });
    form->ddmMenu_About.OnClick(form->ddmMenu_About);
    EXPECT_EQ(desktop.shown(), std::vector<std::string>{"About"});
}

TEST_F(FrameFixture, InfoLineStaysThreeSecondsFromTheLastMessage) {
    auto form = Open();
    form->ShowInfo("one");
    desktop.advance(*form, ui::Millis{2000});
    form->ShowInfo("two");
    desktop.advance(*form, ui::Millis{2900});
    EXPECT_EQ(form->lblInfo.caption(), "two");
    desktop.advance(*form, ui::Millis{200});
    EXPECT_EQ(form->lblInfo.caption(), "");
    EXPECT_FALSE(form->timInfo.enabled());

    // A click on the main panel clears it at once.
    form->ShowInfo("three");
    ui::click(*form, form->panMain.form_rect().right - 2, form->panMain.form_rect().bottom - 2);
    EXPECT_EQ(form->lblInfo.caption(), "");
}

TEST_F(FrameFixture, PresetNameIsCutToFitTheButton) {
    auto form = Open();
    EXPECT_EQ(form->btnPresets.caption(), "-");
    const int room = form->btnPresets.width() - TfrmVSTEditorMenu::kPresetNameRoom;
    module.presetName = "Bright Pentatonic";
    form->UpdatePresetName();
    EXPECT_EQ(form->btnPresets.caption(), "Bright Pentatonic");

    // Cut character by character, never inside one, and no ellipsis.
    module.presetName = "Ünïcödé and a very long preset name that cannot fit here";
    form->UpdatePresetName();
    const std::string& shown = form->btnPresets.caption();
    ASSERT_LT(shown.size(), module.presetName.size());
    EXPECT_EQ(module.presetName.rfind(shown, 0), 0u);
    EXPECT_LE(form->btnPresets.font().text_width(shown), room);
    EXPECT_GT(form->btnPresets.font().text_width(module.presetName.substr(0, shown.size() + 1)),
              room);

    module.presetName.clear();
    for (int i = 0; i < 60; ++i)
        module.presetName += "Ä";
    form->UpdatePresetName();
    size_t pos = 0;
    while (pos < form->btnPresets.caption().size())
        EXPECT_NE(ui::decode_utf8(form->btnPresets.caption(), pos), ui::kReplacementCharacter);

    module.presetName.clear();
    form->UpdatePresetName();
    EXPECT_EQ(form->btnPresets.caption(), "-");
}

TEST_F(FrameFixture, WheelAndClicksFocusTheControlUnderThePointer) {
    TfrmVSTEditorMenu form(desktop, module);
    ui::Edit edit(&form.panMain, ui::Font(ui::Typeface::regular, 12));
    edit.set_bounds(ui::Rect::from_size(20, 20, 100, 22));
    const ui::Rect at = edit.form_rect();
    form.deliver_mouse_wheel(120, at.left + 5, at.top + 5);
    EXPECT_EQ(form.focus(), &edit);

    // A speed button never takes it; the mouse wheel over one leaves the focus where it is.
    const ui::Rect button = form.btnPresets.form_rect();
    form.deliver_mouse_wheel(120, button.left + 5, button.top + 5);
    EXPECT_EQ(form.focus(), &edit);
    form.deliver_mouse_move(button.left + 5, button.top + 5);
    form.FocusControlUnderCursor();
    EXPECT_EQ(form.focus(), &edit);
}

} // namespace
} // namespace tonvo::editor
