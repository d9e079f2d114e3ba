// Whole-editor sessions seen from outside: the shipped module with its real editor form, opened
// through the dispatcher in a headless parent window, used with clicks, popups and dialogs
// answered by script. What the user did is read back as a host would: the map from the state
// block the module hands out (effGetChunk, loaded into a second instance), the previews from
// what reaches audioMasterProcessEvents.
#include "editor/editor_factory.h"
#include "editor/editor_test_support.h"
#include "editor/module_editor_fixture.h"
#include "editor/note_map_editor.h"
#include "editor/preset_browser.h"
#include "support/event_block.h"
#include "support/host_calls.h"
#include "ui/menu_session.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace tonvo {
namespace {

using editor::test::click_item;
using editor::test::click_middle;
using editor::test::Entries;
using editor::test::on_key;

class EditorSession : public test::ModuleEditorTest {
protected:
    EditorSession() {
        services.Documents = documents.Path();
        idleStep = ui::Millis{20};
        module = Make();
    }
    // Each case ends with its editor open: closed before the instance, as hosts do.
    ~EditorSession() override { Call(effEditClose); }

    std::unique_ptr<TonvoModule> Make() {
        return ModuleEditorTest::Make(&editor::create_editor_form);
    }
    editor::TfrmEditor& Open() {
        EXPECT_EQ(Call(effEditOpen, 0, 0, &parent), 1);
        auto* form = dynamic_cast<editor::TfrmEditor*>(parent.editor);
        EXPECT_NE(form, nullptr);
        return *form;
    }
    // The map as a host would see it: the module's state block, loaded into a fresh instance.
    Entries MapSeenByHost() {
        const std::vector<uint8_t> chunk = test::chunk_of(module->Effect());
        EXPECT_GT(chunk.size(), 8u);
        auto other = Make();
        EXPECT_EQ(test::load_chunk(other->Effect(), chunk), static_cast<intptr_t>(chunk.size()));
        return editor::test::entries_of(other->ScaleMap());
    }
    // What the host receives from the next processing call.
    std::vector<test::Delivered> Process() {
        host.Forget();
        test::process_block(module->Effect());
        return host.Events();
    }
};

TEST_F(EditorSession, PopupAndWizardChangeTheMapTheHostStores) {
    editor::TfrmEditor& form = Open();
    EXPECT_EQ(Rect().right, 662);
    EXPECT_EQ(Rect().bottom, 256);

    // C# (blocked by default) set to F# from its popup; the host hears of the change.
    const size_t automated = host.CountCalls(audioMasterAutomate);
    desktop.expect_menu([&](ui::MenuSession& s) { click_item(s, form.ddmNote_Fsharp); });
    const ui::Point cSharp = on_key(form, 1);
    ui::click(form, cSharp.x, cSharp.y, ui::MouseButton::right);
    Entries expected = {0, 6, 2, -1, 4, 5, -1, 7, -1, 9, -1, 11};
    EXPECT_EQ(MapSeenByHost(), expected);
    EXPECT_EQ(host.CountCalls(audioMasterAutomate), automated + 1);

    // The wizard: Minor from D, Easy Mode as stored (on after a reset), confirmed with Enter.
    desktop.expect_menu([&](ui::MenuSession& s) {
        click_item(s, form.panWizard.ddmScale.items().item(1)); // "Minor"
    });
    click_middle(form, form.panWizard.btnScale);
    desktop.expect_menu([&](ui::MenuSession& s) { click_item(s, form.panWizard.ddmTonic_D); });
    click_middle(form, form.panWizard.btnTonic);
    EXPECT_EQ(MapSeenByHost(), expected) << "choosing alone changes nothing";
    desktop.expect_modal([](ui::Form& box) { ui::type(box, "\r"); });
    click_middle(form, form.panWizard.btnApply);
    expected = {2, -1, 4, -1, 5, 7, -1, 9, -1, 10, -1, 0};
    EXPECT_EQ(MapSeenByHost(), expected);
    EXPECT_EQ(module->ScaleMap().Choice().ScaleName, "Minor");
    EXPECT_EQ(host.CountCalls(audioMasterAutomate), automated + 2);

    // Init from the main menu, answered Yes: the default map again, and the wizard follows.
    desktop.expect_menu([&](ui::MenuSession& s) { click_item(s, form.ddmMenu_Init); });
    desktop.expect_modal([](ui::Form& box) { ui::type(box, "\r"); });
    click_middle(form, form.btnMenu);
    EXPECT_EQ(MapSeenByHost(), (Entries{0, -1, 2, -1, 4, 5, -1, 7, -1, 9, -1, 11}));
    EXPECT_EQ(form.panWizard.btnScale.caption(), "Major");
    EXPECT_EQ(desktop.unanswered(), 0);
    EXPECT_EQ(desktop.unanswered_menus(), 0);
}

TEST_F(EditorSession, KeysPreviewToTheHostAndIncomingNotesLightUp) {
    module->ScaleMap().SetScaleMap(2, 4); // D => E
    editor::TfrmEditor& form = Open();

    const ui::Point d = on_key(form, 2);
    form.deliver_mouse_down(ui::MouseButton::left, d.x, d.y);
    EXPECT_EQ(Process(), (std::vector<test::Delivered>{test::note_on(0, 64, 100)}));
    EXPECT_EQ(form.lblInfo.caption(), "PREVIEW: D=>E");
    form.deliver_mouse_up(ui::MouseButton::left, d.x, d.y);
    EXPECT_EQ(Process(), (std::vector<test::Delivered>{test::note_off(0, 64, 100)}));

    // A note from the host lights its key and is listed once the idle call comes.
    Incoming(0x90, 62);
    Process();
    Idle();
    EXPECT_TRUE(form.MidiKeys.Keys()[2].has(ui::TGuiSingleKey::Pressed));
    EXPECT_EQ(form.lblInfo.caption(), "D=>E");
    // While it is shown the mouse plays nothing.
    form.deliver_mouse_down(ui::MouseButton::left, d.x, d.y);
    form.deliver_mouse_up(ui::MouseButton::left, d.x, d.y);
    EXPECT_TRUE(Process().empty());
    // The key goes dark at its note-off even when its class was re-mapped in between.
    module->ScaleMap().SetScaleMap(2, -1);
    Incoming(0x80, 62);
    Process();
    Idle();
    EXPECT_FALSE(form.MidiKeys.Keys()[2].has(ui::TGuiSingleKey::Pressed));
    EXPECT_EQ(form.lblInfo.caption(), "");
}

TEST_F(EditorSession, AStateFromTheHostShowsAtTheNextIdle) {
    editor::TfrmEditor& form = Open();
    auto other = Make();
    other->ScaleMap().SetScaleMap(0, 7);
    other->SetPresetName("Fifths");
    services.Files[services.PresetPath("Fifths")] = {};
    const std::vector<uint8_t> chunk = test::chunk_of(other->Effect());
    ASSERT_EQ(test::load_chunk(module->Effect(), chunk), static_cast<intptr_t>(chunk.size()));
    Idle();
    EXPECT_EQ(form.btnPresets.caption(), "Fifths");
    EXPECT_EQ(module->ScaleMap().GetScaleMap(0), 7);
}

TEST_F(EditorSession, LoadPresetOpensTheBrowserOverTheEditorAndLoadsTheChoice) {
    // A preset saved by another instance, as a file in the preset folder.
    auto other = Make();
    other->ScaleMap().SetScaleMap(0, 7);
    test::write_bytes(documents.Path() / "Brelwick" / "Tonvo" / "Presets" / "Fifths.brelwickp",
                      test::chunk_of(other->Effect()));

    editor::TfrmEditor& form = Open();
    form.set_position(200, 100);
    desktop.expect_modal([](ui::Form& shown) {
        auto& browser = dynamic_cast<editor::TfrmPresets&>(shown);
        // The editor's own size for it (client width - 32, height + 96), centred on the editor.
        EXPECT_EQ(browser.width(), 630);
        EXPECT_EQ(browser.height(), 352);
        EXPECT_EQ(browser.left(), 200 + 16);
        EXPECT_EQ(browser.top(), 100 - 48);
        ASSERT_EQ(browser.lstPresets.count(), 1);
        const ui::Rect item = browser.lstPresets.item_rect(0);
        const ui::Rect list = browser.lstPresets.form_rect();
        ui::click(browser, list.left + (item.left + item.right) / 2,
                  list.top + (item.top + item.bottom) / 2);
        click_middle(browser, browser.btnOK);
    });
    click_middle(form, form.btnPresets);
    EXPECT_EQ(desktop.shown().size(), 1u);
    EXPECT_EQ(module->ScaleMap().GetScaleMap(0), 7);
    EXPECT_EQ(form.btnPresets.caption(), "Fifths");
}

// Run under the address sanitizer by the test command: each cycle builds and frees the whole
// form tree, its menus and the scale list.
TEST_F(EditorSession, OpensAndClosesAHundredTimes) {
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(Call(effEditOpen, 0, 0, &parent), 1);
        Idle();
        Incoming(0x90, 60 + i % 12);
        Idle();
        Call(effEditClose);
        ASSERT_EQ(parent.editor, nullptr);
    }
    EXPECT_EQ(parent.opened, 100);
}

} // namespace
} // namespace tonvo
