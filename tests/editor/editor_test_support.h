// Shared pieces of the editor form tests: a headless desktop and a recording module, the editor
// opened as a host shows it, a map's entries, the Carbon style for a test, and ways to read what
// a message box said, to find a key and to click a control or menu item as a user would.
#pragma once

#include "editor/note_map_editor.h"
#include "engine/scale_map.h"
#include "platform/temp_folder.h"
#include "support/fake_editor_module.h"
#include "support/map_entries.h"
#include "ui/headless/headless_desktop.h"
#include "ui/label.h"
#include "ui/menu_session.h"
#include "ui/style.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace tonvo::editor::test {

// A note map's twelve entries, to compare at once.
using tonvo::test::Entries;
using tonvo::test::entries_of;

// A desktop and a recording module whose data folder (the wizard's scale list, the user guide) is
// a fresh one.
struct EditorRig {
    ui::HeadlessDesktop desktop;
    tonvo::test::FakeEditorModule module;
    tonvo::test::TempFolder data;
    EditorRig() { module.dataFolder = data.Path(); }
};

// The note-map editor at (100, 50), shown and painted as when the host opens it.
inline std::unique_ptr<TfrmEditor> open_editor(ui::HeadlessDesktop& desktop,
                                               tonvo::test::FakeEditorModule& module) {
    auto form = std::make_unique<TfrmEditor>(desktop, module);
    form->set_position(100, 50);
    form->FormShow();
    form->paint_invalid();
    return form;
}

// The Carbon style while it lives (the goldens' style), the system's again afterwards.
struct CarbonStyle {
    CarbonStyle() { ui::set_active_style(*ui::find_style("Carbon")); }
    ~CarbonStyle() { ui::set_active_style(ui::system_style()); }
};

// The text of a message box being shown: its only label.
inline std::string message_text(ui::Form& box) {
    for (ui::Control* child : box.children())
        if (auto* label = dynamic_cast<ui::Label*>(child))
            return label->caption();
    return {};
}

// A left click in the middle of a visible item's row.
inline void click_item(ui::MenuSession& session, const ui::MenuItem& item) {
    const ui::Rect row = session.item_rect(item);
    ASSERT_FALSE(row.empty()) << item.Caption;
    ui::click(session, (row.left + row.right) / 2, (row.top + row.bottom) / 2);
}

// A form pixel low on a white key, or in the middle of a black key's lower half.
inline ui::Point on_key(const TfrmEditor& form, int k) {
    const ui::TGuiSingleKey& key = form.MidiKeys.Keys()[static_cast<size_t>(k)];
    const ui::Rect keys = form.MidiKeys.form_rect();
    const int y =
        key.has(ui::TGuiSingleKey::IsBlack) ? (key.Top + 3 * key.Bottom) / 4 : key.Bottom - 4;
    return {keys.left + (key.Left + key.Right) / 2, keys.top + y};
}

// A left click in the middle of a control of `form`.
inline void click_middle(ui::Form& form, const ui::Control& control) {
    const ui::Rect r = control.form_rect();
    ui::click(form, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

inline bool is_shown(const ui::MenuSession& session, const ui::MenuItem& item) {
    return !session.item_rect(item).empty();
}

} // namespace tonvo::editor::test
