// The single-line text field: editing by characters (never by bytes), the length limit, the
// clipboard, read-only, and where a click puts the caret.
#include "ui/edit.h"
#include "ui/form.h"
#include "ui/headless/headless_desktop.h"

#include <gtest/gtest.h>

namespace tonvo::ui {
namespace {

struct EditFixture : ::testing::Test {
    HeadlessDesktop desktop;
    Form form{desktop, 300, 60};
    Edit edit{&form, Font(Typeface::regular, 12)};
    int changes = 0;

    void SetUp() override {
        edit.set_bounds(Rect{10, 10, 210, 33});
        edit.OnChange = [this](Edit&) { ++changes; };
        edit.set_focus();
    }
};

TEST_F(EditFixture, EditsWholeCharactersWithinTheLimit) {
    edit.set_max_length(5);
    type(form, "h\xC3\xA9llo!"); // "héllo!": five characters fit, the "!" does not
    EXPECT_EQ(edit.text(), "h\xC3\xA9llo");
    EXPECT_EQ(changes, 5);
    for (int i = 0; i < 3; ++i)
        press_key(form, Key::left);
    type(form, "\b"); // removes the two-byte "é" as one
    EXPECT_EQ(edit.text(), "hllo");
    press_key(form, Key::home);
    press_key(form, Key::right, Modifiers{.shift = true});
    press_key(form, Key::right, Modifiers{.shift = true});
    type(form, "\xE2\x82\xAC"); // "€" replaces "hl"
    EXPECT_EQ(edit.text(), "\xE2\x82\xAClo");
    press_key(form, Key::end);
    press_key(form, Key::del); // nothing after the caret
    type(form, "\x01X");       // Ctrl+A, then X replaces everything
    EXPECT_EQ(edit.text(), "X");
    type(form, "\r\x1B\t"); // Enter, Escape and Tab are the form's
    EXPECT_EQ(edit.text(), "X");
    EXPECT_EQ(changes, 8);
}

TEST_F(EditFixture, CutCopyAndPasteUseTheDesktopsClipboard) {
    edit.set_text("one two");
    edit.select(4, 7);
    type(form, "\x18"); // Ctrl+X
    EXPECT_EQ(edit.text(), "one ");
    EXPECT_EQ(desktop.clipboard().text(), "two");

    // A paste stops at the first line break and respects the limit.
    edit.set_max_length(6);
    desktop.clipboard().set_text("three\r\nfour");
    type(form, "\x16"); // Ctrl+V
    EXPECT_EQ(edit.text(), "one th");

    // Another program's text may hold anything: control characters and broken UTF-8 stay out.
    edit.set_max_length(0);
    edit.set_text("");
    desktop.clipboard().set_text("8\x01\xC9z\xEF\xBF\xBD\x7F");
    type(form, "\x16");
    EXPECT_EQ(edit.text(), "8z\xEF\xBF\xBD");
    edit.set_text("one th");

    // Read-only: copying still works, nothing changes the text.
    edit.set_read_only(true);
    edit.select_all();
    type(form, "\x03");
    EXPECT_EQ(desktop.clipboard().text(), "one th");
    const int before = changes;
    type(form, "\x18\x16z\b");
    press_key(form, Key::del);
    EXPECT_EQ(edit.text(), "one th");
    EXPECT_EQ(changes, before);
}

TEST_F(EditFixture, AClickPutsTheCaretAtTheNearestCharacterBoundary) {
    edit.set_text("abc");
    const Font& font = edit.font();
    const int left = 10 + Edit::kPadding;
    click(form, left + font.text_width("ab") + 1, 20);
    EXPECT_EQ(edit.caret(), 2u);
    click(form, left - 2, 20);
    EXPECT_EQ(edit.caret(), 0u);
    click(form, 205, 20);
    EXPECT_EQ(edit.caret(), 3u);
    // A drag selects.
    form.deliver_mouse_down(MouseButton::left, left, 20);
    form.deliver_mouse_move(left + font.text_width("abc"), 20);
    form.deliver_mouse_up(MouseButton::left, left + font.text_width("abc"), 20);
    EXPECT_EQ(edit.selection_start(), 0u);
    EXPECT_EQ(edit.selection_end(), 3u);
}

} // namespace
} // namespace tonvo::ui
