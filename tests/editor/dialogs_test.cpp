// The modal dialogs driven as a user would: the text dialog's OK rule, the number dialog that
// comes back while its entry is out of range, and the message box's keys, placement and looks.
#include "editor/editor_test_support.h"
#include "editor/input_dialogs.h"
#include "editor/message_box.h"
#include "ui/golden.h"

#include <gtest/gtest.h>
#include <tuple>

namespace tonvo::editor {
namespace {

using ui::ModalResult;

struct DialogFixture : ::testing::Test {
    ui::HeadlessDesktop desktop;
    ui::Form owner{desktop, 531, 396};
    test::CarbonStyle carbon;

    DialogFixture() { owner.set_position(100, 50); }
};

TEST_F(DialogFixture, InputTextEnablesOkForBlankTextOnlyWhenAllowed) {
    std::string name = "old";
    desktop.expect_modal([](ui::Form& f) {
        auto& dlg = static_cast<TfrmInputDlg&>(f);
        EXPECT_EQ(dlg.txtValue.text(), "old");
        EXPECT_EQ(dlg.focus(), &dlg.txtValue);
        // Centred over the owner's client area, halves rounded toward zero.
        EXPECT_EQ(dlg.left(), 100 + (531 - 300) / 2);
        EXPECT_EQ(dlg.top(), 50 + (396 - 102) / 2);
        ui::type(f, "\x01  "); // select all, two blanks
        EXPECT_FALSE(dlg.btnOK.enabled());
        ui::press_key(f, ui::Key::enter); // a disabled default button cannot be pressed
        EXPECT_EQ(f.modal_result(), ModalResult::none);
        ui::type(f, "\t"); // OK is skipped: Cancel takes the focus
        EXPECT_EQ(f.focus(), &dlg.btnCancel);
        dlg.txtValue.set_focus(); // selects all, as entering by Tab does
        ui::press_key(f, ui::Key::end);
        ui::type(f, "x \r");
    });
    EXPECT_TRUE(InputText(desktop, &owner, "Save Preset", "Name", name, 50, false));
    EXPECT_EQ(name, "  x "); // untrimmed

    desktop.expect_modal([](ui::Form& f) {
        auto& dlg = static_cast<TfrmInputDlg&>(f);
        ui::type(f, "\x01\b");
        EXPECT_TRUE(dlg.btnOK.enabled());
        ui::type(f, "\x1B"); // Escape: Cancel, the text stays as it was
    });
    EXPECT_FALSE(InputText(desktop, &owner, "Save Preset", "Name", name, 50, true));
    EXPECT_EQ(name, "  x ");

    // OK with an allowed empty text.
    desktop.expect_modal([](ui::Form& f) { ui::type(f, "\x01\b\r"); });
    EXPECT_TRUE(InputText(desktop, &owner, "Save Preset", "Name", name, 50, true));
    EXPECT_EQ(name, "");
    // A given text longer than the limit comes back whole when nothing was typed.
    name = "abcdef";
    desktop.expect_modal([](ui::Form& f) { ui::press_key(f, ui::Key::enter); });
    EXPECT_TRUE(InputText(desktop, nullptr, "Save Preset", "Name", name, 3, true));
    EXPECT_EQ(name, "abcdef");
}

TEST_F(DialogFixture, InputNumberComesBackWhileTheEntryIsOutOfRange) {
    double cc = 1;
    // 200 and Enter: not taken; after 250 ms the same entry shows again.
    desktop.expect_modal([](ui::Form& f) { ui::type(f, "200\r"); });
    desktop.expect_modal([](ui::Form& f) {
        auto& dlg = static_cast<TfrmInputDlgNumeric&>(f);
        EXPECT_EQ(dlg.txtNumeric.Text(), "200");
        ui::type(f, "\x1B");
    });
    const ui::Millis before = desktop.clock().now();
    EXPECT_FALSE(InputNumber(desktop, &owner, "MIDI Set CC: x", "CC# (0-127)", cc, 0, 0, 127));
    EXPECT_EQ(desktop.clock().now() - before, ui::Millis{250});
    EXPECT_EQ(cc, 1);
    EXPECT_EQ(desktop.shown().size(), 2u);

    // Going to the OK button with the mouse leaves the field first, which clamps the entry.
    desktop.expect_modal([](ui::Form& f) {
        auto& dlg = static_cast<TfrmInputDlgNumeric&>(f);
        ui::type(f, "\x01"
                    "200");
        const ui::Rect ok = dlg.btnOK.bounds();
        ui::click(f, ok.left + 5, ok.top + 5);
    });
    EXPECT_TRUE(InputNumber(desktop, &owner, "MIDI Set CC: x", "CC# (0-127)", cc, 0, 0, 127));
    EXPECT_EQ(cc, 127);
    EXPECT_EQ(desktop.shown().size(), 3u);
}

TEST_F(DialogFixture, MessageBoxKeysAnswerAsTheButtonsSay) {
    const std::tuple<MessageButtons, const char*, ModalResult> cases[] = {
        {MessageButtons::yes_no, "\r", ModalResult::yes},
        {MessageButtons::yes_no, "\x1B", ModalResult::no},
        {MessageButtons::yes_no, "\t\r", ModalResult::no}, // Tab to No, Enter presses it
        {MessageButtons::ok, "\r", ModalResult::ok},
        {MessageButtons::ok, "\x1B", ModalResult::ok},
    };
    for (const auto& [buttons, keys, expected] : cases) {
        desktop.expect_modal([&](ui::Form& f) { ui::type(f, keys); });
        EXPECT_EQ(CenteredMessageBox(desktop, &owner, "Initialize preset?", "Init",
                                     MessageKind::confirmation, buttons),
                  expected)
            << keys;
    }
    // Closed without an answer: Cancel. An empty caption becomes the application's title.
    EXPECT_EQ(
        CenteredMessageBox(desktop, nullptr, "Text", "", MessageKind::warning, MessageButtons::ok),
        ModalResult::cancel);
    EXPECT_EQ(desktop.shown().back(), "Tonvo");
}

TEST_F(DialogFixture, MessageBoxAndInputDialogLooks) {
    const std::tuple<const char*, MessageKind, MessageButtons, std::string> cases[] = {
        {"message_box_confirmation", MessageKind::confirmation, MessageButtons::yes_no,
         "Initialize preset?"},
        {"message_box_information", MessageKind::information, MessageButtons::ok,
         "Tonvo v1.00\r\rBuild date: 09/12/2026\r\rBrelwick 2026          \r"},
        {"message_box_warning", MessageKind::warning, MessageButtons::ok,
         "Error opening file.\r\n\r\n\"/home/someone/Documents/Brelwick/Tonvo/a rather long "
         "folder name/Tonvo User Guide.pdf\""},
    };
    for (const auto& [name, kind, buttons, text] : cases) {
        desktop.expect_modal([&](ui::Form& f) {
            // Wider than the owner is fine; the text wraps to a bounded width.
            EXPECT_LE(f.width(), 500) << name;
            ui::expect_golden(f.buffer(), name);
            f.set_modal_result(ModalResult::ok);
        });
        CenteredMessageBox(desktop, &owner, text, "Caption", kind, buttons);
    }
    for (const char* golden : {"input_text", "input_number"})
        desktop.expect_modal([golden](ui::Form& f) {
            ui::expect_golden(f.buffer(), golden);
            f.set_modal_result(ModalResult::cancel);
        });
    std::string text = "My preset";
    InputText(desktop, &owner, "Save Preset", "Name", text, 50, true);
    double value = 64;
    InputNumber(desktop, &owner, "MIDI Set CC: Note", "CC# (0-127)", value, 0, 0, 127);
}

} // namespace
} // namespace tonvo::editor
