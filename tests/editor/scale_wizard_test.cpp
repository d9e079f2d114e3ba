// The scale wizard on a recording module and a throw-away data folder: the scale file and the
// menu built from it, the choice read back from the map, the menus that change only the
// wizard, and Apply with its confirmation.
#include "editor/editor_test_support.h"
#include "editor/scale_wizard.h"
#include "platform/temp_folder.h"
#include "presets/scale_library.h"
#include "support/fake_editor_module.h"
#include "ui/golden.h"
#include "ui/headless/headless_desktop.h"
#include "ui/style.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace tonvo::editor {
namespace {

using test::Entries;
using test::entries_of;

// Expects a message box saying `text` with `buttons` buttons: its visible controls but the label.
void expect_box(ui::Form& box, const std::string& text, int buttons) {
    EXPECT_EQ(test::message_text(box), text);
    int seen = 0;
    for (ui::Control* child : box.children())
        seen += child->visible() && dynamic_cast<ui::Label*>(child) == nullptr;
    EXPECT_EQ(seen, buttons);
}

struct WizardFixture : ::testing::Test {
    tonvo::test::TempFolder temp;
    tonvo::test::FakeEditorModule module;
    ui::HeadlessDesktop desktop;
    ui::Form owner{desktop, 660, 320};
    std::unique_ptr<ScaleWizardPanel> wizard;
    Entries opened_map{}; // the map when the wizard was last opened
    int applied = 0;

    void SetUp() override {
        module.dataFolder = temp.Path() / "Brelwick" / "Tonvo";
        owner.set_position(100, 50);
    }
    void TearDown() override { ui::set_active_style(ui::system_style()); }
    std::filesystem::path ScaleFile() const { return module.dataFolder / "Scales.txt"; }

    // As the editor does when it is created and shown.
    ScaleWizardPanel& Open() {
        wizard.reset();
        wizard = std::make_unique<ScaleWizardPanel>(&owner, module, owner);
        wizard->OnApplied = [this] { ++applied; };
        wizard->LoadScaleList();
        wizard->SyncWizard();
        owner.paint_invalid();
        opened_map = entries_of(module.map);
        return *wizard;
    }
    // Neither the map nor the module nor the editor heard of anything since Open.
    void ExpectNothingApplied() {
        EXPECT_EQ(entries_of(module.map), opened_map);
        EXPECT_EQ(module.map.Choice().ScaleName, "");
        EXPECT_EQ(module.notifications, 0);
        EXPECT_EQ(applied, 0);
    }
    void ClickOn(const ui::Control& control) { test::click_middle(owner, control); }
    ui::MenuItem* ScaleItem(const std::string& caption) {
        for (size_t i = 0; i < wizard->ddmScale.items().count(); ++i)
            if (wizard->ddmScale.items().item(i).Caption == caption)
                return &wizard->ddmScale.items().item(i);
        return nullptr;
    }
    // The choice made as the menus make it, without opening them.
    void Choose(const std::string& scale, int tonic, bool easy) {
        ui::MenuItem* item = ScaleItem(scale);
        ASSERT_NE(item, nullptr) << scale;
        wizard->ddmScaleItemClick(*item);
        wizard->ddmTonic_CClick(wizard->ddmTonic.items().item(static_cast<size_t>(tonic)));
        wizard->chkEasyMode.SetChecked(easy);
    }
};

TEST_F(WizardFixture, MissingFileIsWrittenAndTheMenuFollowsTheFile) {
    ScaleWizardPanel& w = Open();
    std::string expected;
    for (std::string_view line : BuiltInScales)
        expected += std::string(line) + "\r\n";
    EXPECT_EQ(tonvo::test::read_text(ScaleFile()), expected);
    EXPECT_TRUE(w.ScaleListError.empty());
    ASSERT_EQ(w.ScaleList.size(), 24u);
    const ui::MenuItem& menu = w.ddmScale.items();
    ASSERT_EQ(menu.count(), 24u);
    EXPECT_TRUE(menu.item(7).is_separator());
    EXPECT_TRUE(menu.item(13).is_separator());
    EXPECT_EQ(menu.item(23).Caption, "Whole Tone");
    EXPECT_EQ(menu.item(23).Tag, 23);

    // A file the user edited is read as it is: leading blanks are not part of a name, a blank
    // line gives no entry but keeps its index, a line without intervals is still listed.
    tonvo::test::write_text(ScaleFile(),
                            "  Lydian Dominant;0,2,4,6,7,9,10\r\n\r\n-\nMajor;0,2,4,5,7,9,11\r"
                            "Odd\r\n");
    Open();
    EXPECT_EQ(tonvo::test::read_text(ScaleFile()).substr(0, 2), "  ");
    const ui::MenuItem& edited = wizard->ddmScale.items();
    ASSERT_EQ(edited.count(), 4u);
    EXPECT_EQ(edited.item(0).Caption, "Lydian Dominant");
    EXPECT_TRUE(edited.item(1).is_separator());
    EXPECT_EQ(edited.item(2).Caption, "Major");
    EXPECT_EQ(edited.item(2).Tag, 3);
    EXPECT_EQ(edited.item(3).Caption, "Odd");
    EXPECT_EQ(edited.item(3).Tag, 4);
    // No scale stored: Major, found at its shifted index.
    EXPECT_EQ(wizard->btnScale.Value, 3);
    EXPECT_EQ(wizard->btnScale.caption(), "Major");
}

TEST_F(WizardFixture, SyncWizardShowsTheMapsChoice) {
    module.map.SetChoice({"major", 5, false});
    ScaleWizardPanel& w = Open();
    EXPECT_EQ(w.btnScale.Value, 0);
    EXPECT_EQ(w.btnScale.caption(), "Major");
    EXPECT_EQ(w.btnTonic.Value, 5);
    EXPECT_EQ(w.btnTonic.caption(), "F");
    EXPECT_FALSE(w.chkEasyMode.Checked());

    // A scale the list no longer has falls back to Major, keeping the tonic; a foreign tonic
    // is folded into range.
    module.map.SetChoice({"Gone", 14, true});
    w.btnScale.Value = 5;
    w.SyncWizard();
    EXPECT_EQ(w.btnScale.Value, 0);
    EXPECT_EQ(w.btnTonic.Value, 2);
    EXPECT_EQ(w.btnTonic.caption(), "D");
    EXPECT_TRUE(w.chkEasyMode.Checked());
}

TEST_F(WizardFixture, MenusChangeTheCaptionsButNotTheMap) {
    ScaleWizardPanel& w = Open();
    desktop.expect_menu([&](ui::MenuSession& s) {
        // Opened below the button, with the current scale checked.
        EXPECT_EQ(s.pane(0).left(), owner.left() + w.btnScale.form_rect().left);
        EXPECT_EQ(s.pane(0).top(), owner.top() + w.btnScale.form_rect().bottom);
        EXPECT_TRUE(w.ddmScale.items().item(0).Checked);
        EXPECT_FALSE(w.ddmScale.items().item(1).Checked);
        test::click_item(s, *ScaleItem("Harmonic Minor"));
    });
    ClickOn(w.btnScale);
    EXPECT_EQ(w.btnScale.Value, 3);
    EXPECT_EQ(w.btnScale.caption(), "Harmonic Minor");

    desktop.expect_menu([&](ui::MenuSession& s) {
        EXPECT_TRUE(w.ddmTonic_C.Checked);
        test::click_item(s, w.ddmTonic_GSharp);
    });
    ClickOn(w.btnTonic);
    EXPECT_EQ(w.btnTonic.Value, 8);
    EXPECT_EQ(w.btnTonic.caption(), "G#");
    EXPECT_EQ(desktop.unanswered_menus(), 0);
    ExpectNothingApplied();
}

TEST_F(WizardFixture, ApplyWritesTheMapAfterYes) {
    const std::tuple<const char*, int, bool, Entries> cases[] = {
        {"Minor", 2, false, {0, -1, 2, -1, 4, 5, -1, 7, -1, 9, 10, -1}},
        {"Bebop Major", 9, true, {9, 11, 1, -1, 2, 4, -1, 5, -1, 6, -1, 8}},
    };
    ScaleWizardPanel& w = Open();
    int n = 0;
    for (const auto& [scale, tonic, easy, expected] : cases) {
        Choose(scale, tonic, easy);
        desktop.expect_modal([](ui::Form& f) { ui::type(f, "\r"); });
        ClickOn(w.btnApply);
        ++n;
        EXPECT_EQ(entries_of(module.map), expected) << scale;
        EXPECT_EQ(module.map.Choice().ScaleName, scale);
        EXPECT_EQ(module.map.Choice().Tonic, tonic);
        EXPECT_EQ(module.map.Choice().EasyMode, easy);
        EXPECT_EQ(module.notifications, n);
        EXPECT_EQ(applied, n);
    }
    EXPECT_EQ(desktop.shown(), (std::vector<std::string>{"Apply", "Apply"}));
}

TEST_F(WizardFixture, ConfirmationAsksAndNoOrClosingChangesNothing) {
    ui::set_active_style(*ui::find_style("Carbon"));
    ScaleWizardPanel& w = Open();
    Choose("Minor", 2, true);
    desktop.expect_modal([](ui::Form& f) {
        expect_box(f, "Scale: \"Minor\"\r\n\r\nTonic: \"D\"\r\n\r\n\"Easy Mode\"", 2);
        // Centred over the editor.
        EXPECT_EQ(f.left(), 100 + (660 - f.width()) / 2);
        ui::expect_golden(f.buffer(), "wizard_confirmation");
        ui::type(f, "\x1B"); // Escape answers No
    });
    ClickOn(w.btnApply);
    ClickOn(w.btnApply); // closed without an answer
    EXPECT_EQ(desktop.unanswered(), 1);
    ExpectNothingApplied();
}

TEST_F(WizardFixture, UnusableScaleFileLeavesNoScaleToApply) {
    // The data folder is a file: the scale file can be neither created nor read.
    std::filesystem::create_directories(module.dataFolder.parent_path());
    tonvo::test::write_text(module.dataFolder, "not a folder");
    ScaleWizardPanel& w = Open();
    EXPECT_TRUE(w.ScaleList.empty());
    EXPECT_FALSE(w.ScaleListError.empty());
    EXPECT_EQ(w.ddmScale.items().count(), 0u);
    EXPECT_EQ(w.btnScale.Value, -1);
    EXPECT_EQ(w.btnScale.caption(), "");
    desktop.expect_modal([](ui::Form& f) {
        expect_box(f, "Scale not selected.", 1);
        ui::type(f, "\r");
    });
    ClickOn(w.btnApply);
    EXPECT_EQ(desktop.shown(), std::vector<std::string>{"Apply"});
    ExpectNothingApplied();

    // No data folder at all: nothing is written anywhere.
    module.dataFolder.clear();
    Open();
    EXPECT_TRUE(wizard->ScaleList.empty());
    EXPECT_FALSE(wizard->ScaleListError.empty());
}

TEST_F(WizardFixture, PanelLooks) {
    ui::set_active_style(*ui::find_style("Carbon"));
    ui::Form form{desktop, 188, 184};
    form.set_color(ui::Color::rgb(40, 60, 80));
    ScaleWizardPanel w(&form, module, form);
    w.set_bounds(ui::Rect::from_size(0, 0, 188, 184));
    w.LoadScaleList();
    module.map.SetChoice({"Harmonic Minor", 10, true});
    w.SyncWizard();
    form.paint_invalid();
    ui::expect_golden(form.buffer(), "wizard_panel");
}

} // namespace
} // namespace tonvo::editor
