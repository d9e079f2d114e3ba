// The note-map editor driven as a user and the engine would: the per-key popup, previews,
// incoming-note highlights, and the whole form's look in each style.
#include "editor/editor_factory.h"
#include "editor/editor_test_support.h"
#include "editor/note_map_editor.h"
#include "ui/golden.h"
#include "ui/style.h"

#include <gtest/gtest.h>
#include <utility>

namespace tonvo::editor {
namespace {

using Preview = tonvo::test::FakeEditorModule::Preview;
using test::click_item;

struct EditorFixture : ::testing::Test, test::EditorRig {
    std::unique_ptr<TfrmEditor> form = test::open_editor(desktop, module);

    const ui::TGuiSingleKey& Key(int k) const { return form->MidiKeys.Keys()[k]; }
    ui::Point OnKey(int k) const { return test::on_key(*form, k); }
    void Press(int k) {
        const ui::Point p = OnKey(k);
        form->deliver_mouse_down(ui::MouseButton::left, p.x, p.y);
    }
    void Release(int k) {
        const ui::Point p = OnKey(k);
        form->deliver_mouse_up(ui::MouseButton::left, p.x, p.y);
    }
    void RightClick(int k) {
        const ui::Point p = OnKey(k);
        ui::click(*form, p.x, p.y, ui::MouseButton::right);
    }
    // Whether anything but the key's own colour shows in the lower part of its area (its edge
    // pixels left out: the frame and separators run there).
    bool HasLabel(int k) {
        const ui::Bitmap keys = form->MidiKeys.render_bitmap();
        const ui::TGuiSingleKey& key = Key(k);
        const ui::Color fill = keys.pixel(key.Left + 1, key.Bottom - 2);
        for (int y = key.Bottom - 40; y < key.Bottom; ++y)
            for (int x = key.Left + 1; x < key.Right; ++x)
                if (keys.pixel(x, y) != fill)
                    return true;
        return false;
    }
    bool Lit(int k) const { return Key(k).has(ui::TGuiSingleKey::Pressed); }
};

TEST_F(EditorFixture, PerKeyPopupChecksTheTargetAndSetsTheMap) {
    // C# is blocked in the default map: no label, and "-" carries the check mark.
    EXPECT_FALSE(HasLabel(1));
    EXPECT_TRUE(HasLabel(2));
    desktop.expect_menu([&](ui::MenuSession& s) {
        EXPECT_TRUE(form->ddmNote_Empty.Checked);
        EXPECT_FALSE(form->SpTBXSeparatorItem2.Checked);
        EXPECT_EQ(s.pane(0).left(), 100 + OnKey(1).x);
        click_item(s, form->ddmNote_C);
    });
    RightClick(1);
    EXPECT_EQ(form->PopupKey, 1);
    EXPECT_EQ(module.map.GetScaleMap(1), 0);
    EXPECT_EQ(module.notifications, 1);
    EXPECT_TRUE(HasLabel(1));
    EXPECT_TRUE(module.previews.empty()); // the right button plays nothing

    desktop.expect_menu([&](ui::MenuSession& s) {
        EXPECT_TRUE(form->ddmNote_D.Checked);
        EXPECT_FALSE(form->ddmNote_Empty.Checked);
        click_item(s, form->ddmNote_Empty);
    });
    RightClick(2);
    EXPECT_EQ(module.map.GetScaleMap(2), TScaleMap::kBlocked);
    EXPECT_FALSE(HasLabel(2));
    EXPECT_EQ(module.notifications, 2);

    // The one-pixel gap between E and F is no key: no popup.
    const ui::Rect keys = form->MidiKeys.form_rect();
    ui::click(*form, keys.left + Key(4).Right + 1, OnKey(4).y, ui::MouseButton::right);
    EXPECT_EQ(form->PopupKey, -1);
    EXPECT_EQ(desktop.menus_shown(), 2);

    // A foreign entry outside the names is drawn by its pitch class, a negative one not at all.
    module.map.SetScaleMap(3, 14);
    module.map.SetScaleMap(4, -7);
    EXPECT_TRUE(HasLabel(3));
    EXPECT_FALSE(HasLabel(4));
}

TEST_F(EditorFixture, LeftClickPreviewsTheMappedNote) {
    module.map.SetScaleMap(2, 4); // D => E
    Press(2);
    EXPECT_EQ(module.previews, (std::vector<Preview>{{true, 64, 100}}));
    EXPECT_EQ(form->lblInfo.caption(), "PREVIEW: D=>E");
    EXPECT_TRUE(Lit(2));
    Release(2);
    EXPECT_EQ(module.previews, (std::vector<Preview>{{true, 64, 100}, {false, 64, 100}}));
    EXPECT_EQ(form->lblInfo.caption(), "");

    // The octave carry of the map applies: with C => D, B => C sounds in the next octave.
    module.map.SetScaleMap(0, 2);
    module.map.SetScaleMap(11, 0);
    Press(11);
    Release(11);
    EXPECT_EQ(module.previews.at(2), (Preview{true, 72, 100}));
    EXPECT_EQ(module.previews.at(3), (Preview{false, 72, 100}));

    // A note-on the module refused gets no note-off.
    module.previews.clear();
    module.refuseNoteOns = true;
    Press(2);
    Release(2);
    EXPECT_TRUE(module.previews.empty());
    module.refuseNoteOns = false;

    // A blocked key sends nothing either way and leaves the line alone.
    module.previews.clear();
    form->ShowInfo("kept");
    Press(1);
    EXPECT_EQ(form->lblInfo.caption(), "kept");
    Release(1);
    EXPECT_TRUE(module.previews.empty());

    // The form's end releases the note of a held key.
    Press(2);
    form.reset(); // the host closed the editor
    EXPECT_EQ(module.previews, (std::vector<Preview>{{true, 64, 100}, {false, 64, 100}}));
}

TEST_F(EditorFixture, AGlidePreviewsOnAfterARightClick) {
    module.map.SetScaleMap(5, 5);
    Press(2);
    const ui::Point e = OnKey(4);
    form->deliver_mouse_move(e.x, e.y);
    // A right press and release during the glide: it lets go of E, and the left button stays
    // down, so the glide goes on sounding.
    ui::click(*form, e.x, e.y, ui::MouseButton::right);
    module.previews.clear();
    const ui::Point f = OnKey(5);
    form->deliver_mouse_move(f.x, f.y);
    EXPECT_EQ(module.previews, (std::vector<Preview>{{true, 65, 100}}));
}

TEST_F(EditorFixture, IncomingNotesLightTheirKeysAndListTheFirstFour) {
    // 60 and 72 share a class: only the first counts, and its note-off ends the highlight.
    EXPECT_TRUE(form->HighlightNoteOn(60));
    EXPECT_FALSE(form->HighlightNoteOn(72));
    form->RefreshHighlights();
    EXPECT_TRUE(Lit(0));
    EXPECT_EQ(form->lblInfo.caption(), "C=>C");
    EXPECT_FALSE(form->timInfo.enabled());
    EXPECT_FALSE(form->HighlightNoteOff(72));
    EXPECT_TRUE(form->HighlightNoteOff(60));
    form->RefreshHighlights();
    EXPECT_FALSE(Lit(0));
    EXPECT_EQ(form->lblInfo.caption(), "");

    // Five classes, one blocked (C#): all five lit, the first four unblocked ones listed.
    module.map.SetScaleMap(2, 4);
    for (int note : {61, 62, 64, 65, 67})
        EXPECT_TRUE(form->HighlightNoteOn(note));
    form->RefreshHighlights();
    for (int k : {1, 2, 4, 5, 7})
        EXPECT_TRUE(Lit(k)) << k;
    EXPECT_EQ(form->lblInfo.caption(), "D=>E, E=>E, F=>F");
    // Positions count as they were when the pass began: G moves up only on the next one.
    form->HighlightNoteOff(61);
    form->RefreshHighlights();
    EXPECT_FALSE(Lit(1));
    EXPECT_EQ(form->lblInfo.caption(), "D=>E, E=>E, F=>F");
    form->RefreshHighlights();
    EXPECT_EQ(form->lblInfo.caption(), "D=>E, E=>E, F=>F, G=>G");

    // A released class is taken again only after the refresh has removed it.
    form->HighlightNoteOff(62);
    EXPECT_FALSE(form->HighlightNoteOn(74));
    form->RefreshHighlights();
    EXPECT_TRUE(form->HighlightNoteOn(74));
    for (int note : {74, 64, 65, 67})
        form->HighlightNoteOff(note);
    form->RefreshHighlights();
    Press(9);
    EXPECT_EQ(module.previews, (std::vector<Preview>{{true, 69, 100}}));
    Release(9);
}

TEST_F(EditorFixture, HighlightsHoldNoMoreThanOneNotePerClass) {
    THighlightedNotes notes;
    for (int note = 0; note < 128; ++note)
        notes.HighlightNoteOn(note);
    EXPECT_EQ(notes.Count(), THighlightedNotes::kCapacity);
    EXPECT_FALSE(notes.HighlightNoteOn(-1));
    EXPECT_FALSE(notes.HighlightNoteOn(128));
    THighlightedNotes::Items copy;
    notes.HighlightNoteOff(5);
    notes.HighlightNoteOff(0);
    EXPECT_EQ(notes.TakeSnapshot(copy), 12);
    EXPECT_TRUE(copy[0].Released);
    ASSERT_EQ(notes.Count(), 10);
    EXPECT_EQ(notes[0].Note, 1);
    EXPECT_EQ(notes[3].Note, 4);
    EXPECT_EQ(notes[4].Note, 6);
}

TEST_F(EditorFixture, HooksRepaintTheKeyboard) {
    form->paint_invalid();
    module.map.SetScaleMap(0, 3);
    form->PresetLoaded();
    EXPECT_FALSE(form->invalid_region().empty());
    EXPECT_EQ(form->panMain.bounds(), ui::Rect::from_size(3, 45, 656, 208));
}

// The whole form as the factory makes it, in each style; then in Carbon with keys lit by incoming
// notes and their list.
TEST(EditorLook, WholeFormInEachStyleAndLitKeys) {
    const std::pair<const char*, const char*> looks[] = {{"Carbon", "editor_carbon"},
                                                         {"Amakrits", "editor_amakrits"},
                                                         {"Light", "editor_light"},
                                                         {"Luna", "editor_luna"},
                                                         {"Smokey Quartz Velto", "editor_smokey"}};
    for (const auto& [style, golden] : looks) {
        SCOPED_TRACE(golden);
        ui::set_active_style(*ui::find_style(style));
        test::EditorRig rig; // the wizard's scale list written from the built-in one
        rig.module.presetName = "Major Pentatonic";
        rig.module.map.SetScaleMap(1, 2); // C# => D
        auto form = create_editor_form(rig.desktop, rig.module);
        form->FormShow();
        form->paint_invalid();
        ui::expect_golden(form->buffer(), golden);
    }
    test::CarbonStyle carbon; // the system's style again at the end
    test::EditorRig rig;
    TfrmEditor form(rig.desktop, rig.module);
    form.FormShow();
    for (int note : {60, 64, 66, 67})
        form.HighlightNoteOn(note);
    form.RefreshHighlights();
    rig.desktop.advance(form, ui::Millis{100}); // the keyboard's redraw timer
    ui::expect_golden(form.buffer(), "editor_highlights");
}

} // namespace
} // namespace tonvo::editor
