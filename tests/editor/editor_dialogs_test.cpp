// The editor's dialog seam: dialogs over the open editor on its own thread, on the standalone
// desktop (or none) otherwise, the answers mapped for the module, and the preset browser sized,
// placed and answered as Load Preset needs.
#include "editor/editor_dialogs.h"
#include "editor/editor_test_support.h"
#include "editor/input_dialogs.h"
#include "platform/temp_folder.h"
#include "ui/headless/headless_editor_window.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace tonvo::editor {
namespace {

using ui::ModalResult;

// An editor whose preset browser is a little narrower and taller than itself; odd differences
// show the rounding of the centring.
class TestEditorForm : public TfrmVSTEditorBase {
public:
    using TfrmVSTEditorBase::TfrmVSTEditorBase;
    DialogSize GetPresetDialogSize() const override {
        return {buffer().width() - 33, buffer().height() + 97};
    }
};

struct EditorDialogsFixture : ::testing::Test {
    ui::HeadlessDesktop desktop;
    ui::HeadlessDesktop standalone{ui::Rect{0, 0, 800, 600}};
    tonvo::test::FakeEditorModule module;
    TestEditorForm form{desktop, module, 531, 396};
    EditorDialogs dialogs{[](bool) { return true; }};
    test::CarbonStyle carbon;

    void SetUp() override {
        form.set_position(100, 50);
        dialogs.AttachEditor(desktop, form);
    }
    void TearDown() override { ui::set_standalone_desktop(nullptr); }
};

TEST_F(EditorDialogsFixture, BoxesGoOverTheEditorAndAskMapsItsAnswers) {
    desktop.expect_modal([this](ui::Form& f) {
        EXPECT_EQ(f.caption(), "Save Preset");
        const ui::Rect editor =
            ui::Rect::from_size(form.left(), form.top(), form.width(), form.height());
        EXPECT_EQ((ui::Point{f.left(), f.top()}), ui::centred_over(editor, f.width(), f.height()));
        ui::type(f, "\r");
    });
    dialogs.Warning("Save Preset", "Error saving preset to file.");

    desktop.expect_modal([](ui::Form& f) { ui::type(f, "\r"); });
    EXPECT_EQ(dialogs.Ask("Init", "Initialize preset?"), DialogAnswer::Yes);
    desktop.expect_modal([](ui::Form& f) { ui::type(f, "\x1B"); });
    EXPECT_EQ(dialogs.Ask("Init", "Initialize preset?"), DialogAnswer::No);
    // Closed without an answer.
    EXPECT_EQ(dialogs.Ask("Init", "Initialize preset?"), DialogAnswer::Cancel);
    EXPECT_EQ(desktop.shown().size(), 4u);
    EXPECT_TRUE(standalone.shown().empty());
}

TEST_F(EditorDialogsFixture, InputTextPassesTheLimitAndAllowsABlankName) {
    desktop.expect_modal([](ui::Form& f) {
        EXPECT_EQ(static_cast<TfrmInputDlg&>(f).txtValue.text(), "old");
        ui::type(f, "\x01"
                    "abcdef\r");
    });
    EXPECT_EQ(dialogs.InputText("Save Preset", "Name", "old", 3), "abc");
    desktop.expect_modal([](ui::Form& f) { ui::type(f, "\x01 \r"); });
    EXPECT_EQ(dialogs.InputText("Save Preset", "Name", "old", 50), " ");
    EXPECT_EQ(dialogs.InputText("Save Preset", "Name", "old", 50), std::nullopt);
}

TEST_F(EditorDialogsFixture, BrowsePresetsIsSizedByTheEditorAndReturnsTheChosenFile) {
    tonvo::test::TempFolder folder;
    const std::filesystem::path chosen = folder.Path() / std::filesystem::u8path("Été.brelwickp");
    tonvo::test::write_text(chosen, "preset");
    tonvo::test::write_text(folder.Path() / "b.brelwickp", "preset");

    desktop.expect_modal([&](ui::Form& f) {
        auto& dlg = static_cast<TfrmPresets&>(f);
        EXPECT_EQ(dlg.width(), 531 - 33);
        EXPECT_EQ(dlg.height(), 396 + 97);
        // Centred on the editor's client area, halves rounded toward zero.
        EXPECT_EQ(dlg.left(), 100 + 33 / 2);
        EXPECT_EQ(dlg.top(), 50 - 97 / 2);
        EXPECT_EQ(dlg.PresetFolder,
                  tonvo::test::utf8_of(folder.Path()) +
                      static_cast<char>(std::filesystem::path::preferred_separator));
        // The current preset, in another letter case, is selected.
        ASSERT_EQ(dlg.lstPresets.selected(), 1);
        dlg.btnOKClick();
    });
    const std::optional<std::filesystem::path> file = dialogs.BrowsePresets(folder.Path(), "été");
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(std::filesystem::equivalent(*file, chosen));

    desktop.expect_modal([](ui::Form& f) { static_cast<TfrmPresets&>(f).btnCancelClick(); });
    EXPECT_EQ(dialogs.BrowsePresets(folder.Path(), "b"), std::nullopt);

    // Without a preset folder nothing is listed, not the root folder.
    desktop.expect_modal([](ui::Form& f) {
        EXPECT_EQ(static_cast<TfrmPresets&>(f).PresetFolder, "");
        f.set_modal_result(ModalResult::ok);
    });
    EXPECT_EQ(dialogs.BrowsePresets({}, ""), std::nullopt);
}

// Centred as above, then moved wholly onto the work area: under an editor at the top of the
// screen, or over one hanging past the screen's bottom-right corner.
TEST_F(EditorDialogsFixture, DialogsOpenWhollyOnTheWorkArea) {
    const ui::Rect screen = desktop.screen();
    form.set_position(100, screen.top);
    desktop.expect_modal([&](ui::Form& f) {
        EXPECT_EQ(f.left(), 100 + 33 / 2);
        EXPECT_EQ(f.top(), screen.top) << "not half its extra height above the screen";
    });
    dialogs.BrowsePresets({}, "");
    form.set_position(screen.right - 200, screen.bottom - 100);
    for (int i = 0; i < 2; ++i)
        desktop.expect_modal([&](ui::Form& f) {
            EXPECT_EQ(f.left() + f.width(), screen.right) << f.caption();
            EXPECT_EQ(f.top() + f.height(), screen.bottom) << f.caption();
        });
    dialogs.BrowsePresets({}, "");
    dialogs.Warning("Save Preset", "Error saving preset to file.");
    EXPECT_EQ(desktop.unanswered(), 3);
}

TEST_F(EditorDialogsFixture, OtherThreadsAndADetachedEditorUseTheStandaloneDesktop) {
    ui::set_standalone_desktop(&standalone);
    standalone.expect_modal([](ui::Form& f) {
        // No owner: centred on the screen.
        EXPECT_EQ(f.left(), (800 - f.width()) / 2);
        EXPECT_EQ(f.top(), (600 - f.height()) / 2);
        ui::type(f, "\r");
    });
    standalone.expect_modal([](ui::Form& f) {
        EXPECT_EQ(f.width(), TfrmPresets::kDesignWidth);
        EXPECT_EQ(f.height(), TfrmPresets::kDesignHeight);
    });
    DialogAnswer answer = DialogAnswer::Cancel;
    std::thread([&] {
        answer = dialogs.Ask("Preset Exists", "Overwrite existing preset?");
        EXPECT_EQ(dialogs.BrowsePresets({}, ""), std::nullopt);
    }).join();
    EXPECT_EQ(answer, DialogAnswer::Yes);
    EXPECT_EQ(standalone.shown().size(), 2u);

    // No standalone desktop: nothing shows, and the answers are a dismissed box's.
    ui::set_standalone_desktop(nullptr);
    std::thread([&] {
        dialogs.Warning("Load Preset", "Error loading preset.");
        answer = dialogs.Ask("Preset Exists", "Overwrite existing preset?");
        EXPECT_EQ(dialogs.InputText("Save Preset", "Name", "x", 50), std::nullopt);
        EXPECT_EQ(dialogs.BrowsePresets({}, ""), std::nullopt);
    }).join();
    EXPECT_EQ(answer, DialogAnswer::No);
    EXPECT_TRUE(desktop.shown().empty());

    // Detached: the editor's own thread goes standalone too.
    dialogs.DetachEditor();
    ui::set_standalone_desktop(&standalone);
    dialogs.Information("About", "Tonvo");
    EXPECT_EQ(standalone.shown().size(), 3u);
    EXPECT_TRUE(desktop.shown().empty());
}

} // namespace
} // namespace tonvo::editor
