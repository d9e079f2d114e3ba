// The preset browser driven as a user would, on a temporary preset folder: what it lists and
// selects, the ways it closes, deleting from its menu, the press outside it, the warning beep
// and its looks.
#include "editor/editor_test_support.h"
#include "editor/preset_browser.h"
#include "platform/temp_folder.h"
#include "ui/golden.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tonvo::editor {
namespace {

using test::click_item;
using test::click_middle;
using ui::ModalResult;
using ui::MouseButton;

struct BrowserFixture : ::testing::Test {
    ui::HeadlessDesktop desktop;
    ui::Form owner{desktop, 600, 400};
    tonvo::test::TempFolder folder;
    std::vector<bool> beeps; // every switch of the warning beep, in order
    bool beep_on = true;
    test::CarbonStyle carbon;

    BrowserFixture() { owner.set_position(100, 50); }

    std::string folder_text() const { return tonvo::test::utf8_of(folder.Path()) + "/"; }
    void write(std::initializer_list<std::string> names) {
        for (const std::string& name : names)
            tonvo::test::write_text(folder.Path() / (name + ".brelwickp"), "preset");
    }
    bool exists(const std::string& name) const {
        return std::filesystem::exists(folder.Path() / (name + ".brelwickp"));
    }
    std::unique_ptr<TfrmPresets> make(const std::string& current = "") {
        auto dlg = std::make_unique<TfrmPresets>(desktop, [this](bool on) {
            beeps.push_back(on);
            return std::exchange(beep_on, on);
        });
        dlg->PresetFolder = folder_text();
        dlg->CurrentPresetName = current;
        dlg->place_over(&owner);
        return dlg;
    }
    // Runs the dialog with `script`; it must close with `result`.
    void run(TfrmPresets& dlg, ModalResult result, std::function<void(TfrmPresets&)> script) {
        desktop.expect_modal([script](ui::Form& f) { script(static_cast<TfrmPresets&>(f)); });
        EXPECT_EQ(dlg.ShowModal(&owner), result) << "how the browser closed";
    }
    static std::vector<std::string> items(const TfrmPresets& dlg) {
        std::vector<std::string> out;
        for (int i = 0; i < dlg.lstPresets.count(); ++i)
            out.push_back(dlg.lstPresets.item(i).text);
        return out;
    }
};

// The middle of a list item, in form pixels, and a click there.
ui::Point centre_of(const TfrmPresets& dlg, int index) {
    const ui::Rect r = dlg.lstPresets.item_rect(index);
    const ui::Rect at = dlg.lstPresets.form_rect();
    return {at.left + (r.left + r.right) / 2, at.top + (r.top + r.bottom) / 2};
}
void click_on(TfrmPresets& dlg, int index, MouseButton button = MouseButton::left) {
    const ui::Point p = centre_of(dlg, index);
    ui::click(dlg, p.x, p.y, button);
}

TEST_F(BrowserFixture, ListsSortedIgnoringCaseAndSelectsTheCurrentPreset) {
    write({"b", "A", "c"});
    tonvo::test::write_text(folder.Path() / "notes.txt", "");
    auto dlg = make("B");
    run(*dlg, ModalResult::ok, [](TfrmPresets& d) {
        EXPECT_EQ(items(d), (std::vector<std::string>{"A", "b", "c"}));
        EXPECT_EQ(d.lstPresets.selected(), 1);
        EXPECT_EQ(d.PresetFiles[static_cast<size_t>(d.lstPresets.item(2).value)], "c.brelwickp");
        // Enter and Escape are not the dialog's keys.
        ui::type(d, "\r\x1B");
        EXPECT_EQ(d.modal_result(), ModalResult::none);
        click_middle(d, d.btnOK);
    });
    EXPECT_EQ(dlg->SelectedFile(), folder_text() + "b.brelwickp");

    // No preset of that name: the first; Cancel closes with Cancel.
    dlg = make("zzz");
    run(*dlg, ModalResult::cancel, [](TfrmPresets& d) {
        EXPECT_EQ(d.lstPresets.selected(), 0);
        click_middle(d, d.btnCancel);
    });
}

TEST_F(BrowserFixture, EachItemChoosesTheFileItWasListedFrom) {
    tonvo::test::write_text(folder.Path() / "Bass.BRELWICKP", "");
    std::vector<std::string> expected = {folder_text() + "Bass.BRELWICKP"};
#if !defined(_WIN32)
    tonvo::test::write_text(folder.Path() / "Bass.brelwickp", ""); // a second spelling of the name
    expected.push_back(folder_text() + "Bass.brelwickp");
#endif
    auto dlg = make();
    std::vector<std::string> chosen;
    run(*dlg, ModalResult::cancel, [&](TfrmPresets& d) {
        for (int i = 0; i < d.lstPresets.count(); ++i) {
            EXPECT_EQ(d.lstPresets.item(i).text, "Bass");
            d.lstPresets.set_selected(i);
            chosen.push_back(d.SelectedFile());
        }
        d.set_modal_result(ModalResult::cancel);
    });
    EXPECT_EQ(chosen, expected);
}

TEST_F(BrowserFixture, AnEmptyListDisablesOkOpenAndDelete) {
    auto dlg = make();
    dlg->PresetFolder = folder_text() + "missing/";
    int popups = 0;
    desktop.expect_menu([&](ui::MenuSession&) {
        ++popups;
        EXPECT_FALSE(dlg->popMenu_Open.Enabled);
        EXPECT_FALSE(dlg->popMenu_Delete.Enabled);
        EXPECT_TRUE(dlg->popMenu_Explorer.Enabled);
    });
    run(*dlg, ModalResult::cancel, [](TfrmPresets& d) {
        EXPECT_EQ(d.lstPresets.count(), 0);
        EXPECT_FALSE(d.btnOK.enabled());
        const ui::Rect list = d.lstPresets.form_rect();
        ui::click(d, list.left + 5, list.top + 5, MouseButton::right);
        ui::click(d, list.left + 5, list.top + 5);
        ui::click(d, list.left + 5, list.top + 5); // a double click does nothing
        EXPECT_EQ(d.modal_result(), ModalResult::none);
    });
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(dlg->SelectedFile(), "");
}

TEST_F(BrowserFixture, RightClickSelectsForTheMenuButNotOnTheEmptyArea) {
    write({"one", "two", "three"});
    auto dlg = make("two");
    desktop.expect_menu([&](ui::MenuSession&) { EXPECT_EQ(dlg->lstPresets.selected(), 2); });
    desktop.expect_menu([&](ui::MenuSession& s) {
        EXPECT_EQ(dlg->lstPresets.selected(), 0); // "one", selected before the menu opens
        EXPECT_TRUE(dlg->popMenu_Open.Enabled);
        click_item(s, dlg->popMenu_Open);
    });
    run(*dlg, ModalResult::ok, [](TfrmPresets& d) {
        EXPECT_EQ(d.lstPresets.selected(), 2); // one, three, two
        click_on(d, 5, MouseButton::right);    // below the items
        EXPECT_EQ(d.lstPresets.selected(), 2);
        click_on(d, 0, MouseButton::right);
    });
    EXPECT_EQ(desktop.menus_shown(), 2);
    EXPECT_EQ(dlg->SelectedFile(), folder_text() + "one.brelwickp");

    // A double click on an item closes with OK.
    dlg = make();
    run(*dlg, ModalResult::ok, [](TfrmPresets& d) {
        click_on(d, 1);
        click_on(d, 1);
    });
    EXPECT_EQ(dlg->SelectedFile(), folder_text() + "three.brelwickp");
}

TEST_F(BrowserFixture, DeletingAsksAndKeepsASelectionInTheList) {
    write({"a", "b", "c"});
    auto dlg = make("c");
    auto delete_selected = [&](std::function<void(ui::Form&)> answer) {
        desktop.expect_menu([&](ui::MenuSession& s) { click_item(s, dlg->popMenu_Delete); });
        if (answer)
            desktop.expect_modal(std::move(answer));
        click_on(*dlg, dlg->lstPresets.selected(), MouseButton::right);
    };
    run(*dlg, ModalResult::cancel, [&](TfrmPresets& d) {
        // A box closed without an answer deletes nothing.
        delete_selected({});
        EXPECT_TRUE(exists("c"));
        EXPECT_EQ(desktop.shown().back(), "Delete Preset");
        // The last item goes: the new last one is selected.
        delete_selected([](ui::Form& box) { ui::type(box, "\r"); });
        EXPECT_FALSE(exists("c"));
        EXPECT_EQ(items(d), (std::vector<std::string>{"a", "b"}));
        EXPECT_EQ(d.lstPresets.selected(), 1);
        // A middle item: the same index stays selected.
        d.lstPresets.set_selected(0);
        delete_selected([](ui::Form& box) { ui::type(box, "\r"); });
        EXPECT_EQ(items(d), (std::vector<std::string>{"b"}));
        EXPECT_EQ(d.lstPresets.selected(), 0);
        delete_selected([](ui::Form& box) { ui::type(box, "\r"); });
        EXPECT_EQ(d.lstPresets.count(), 0);
        EXPECT_FALSE(d.btnOK.enabled());
        EXPECT_EQ(d.modal_result(), ModalResult::none);
    });
    EXPECT_EQ(desktop.unanswered(), 2); // the first box, and the browser left open
}

TEST_F(BrowserFixture, APressOutsideClosesUnlessAPressInsideIsHeld) {
    write({"x"});
    auto dlg = make();
    const ui::Point outside{dlg->left() + dlg->width(), dlg->top() + 10};
    run(*dlg, ModalResult::cancel, [&](TfrmPresets& d) {
        // Inside the dialog, or nothing held: it stays.
        desktop.set_pointer({d.left() + d.width() - 1, d.top()}, MouseButton::left);
        desktop.advance(d, ui::Millis{300});
        desktop.set_pointer(outside, std::nullopt);
        desktop.advance(d, ui::Millis{300});
        // A press on the list dragged out of the dialog and held there.
        const ui::Point p = centre_of(d, 0);
        d.deliver_mouse_down(MouseButton::left, p.x, p.y);
        desktop.set_pointer(outside, MouseButton::left);
        desktop.advance(d, ui::Millis{300});
        EXPECT_EQ(d.modal_result(), ModalResult::none);
        d.deliver_mouse_up(MouseButton::left, outside.x - d.left(), outside.y - d.top());
        desktop.set_pointer(outside, std::nullopt);
        desktop.advance(d, ui::Millis{300});
        EXPECT_EQ(d.modal_result(), ModalResult::none);
        // A press whose release was lost with the mouse holds nothing.
        d.deliver_mouse_down(MouseButton::left, p.x, p.y);
        d.cancel_capture();
        // A right press outside.
        desktop.set_pointer(outside, MouseButton::right);
        desktop.advance(d, ui::Millis{100});
        EXPECT_FALSE(d.Timer.enabled());
    });
    EXPECT_EQ(desktop.unanswered(), 0);
}

TEST_F(BrowserFixture, TheWarningBeepIsOffWhileOpenAndThenAsItWas) {
    for (const bool before : {true, false}) {
        beep_on = before;
        beeps.clear();
        make().reset();
        EXPECT_EQ(beeps, (std::vector<bool>{false, before}));
    }
}

TEST_F(BrowserFixture, LooksOverTheEditorBackground) {
    write({"Bass & Drums", "Chromatic", "Minor pentatonic", "Whole tone",
           "A preset whose name runs past its column"});
    auto dlg = make("Minor pentatonic");
    dlg->set_client_size(TfrmPresets::kDesignWidth - 40, TfrmPresets::kDesignHeight);
    run(*dlg, ModalResult::cancel, [](TfrmPresets& d) {
        d.paint_invalid();
        expect_golden(d.buffer(), "preset_browser_carbon");
        d.set_modal_result(ModalResult::cancel);
    });
}

} // namespace
} // namespace tonvo::editor
