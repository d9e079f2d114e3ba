#include "editor/note_map_editor.h"

#include "ui/text.h"

#include <mutex>
#include <string>

namespace tonvo::editor {
namespace {

// "Segoe UI" bold at 14 points: 19 pixels on a 96 dpi screen, in our bold sans.
constexpr int kLabelPixels = 19;
// The separator's tag never matches a map value.
constexpr int kSeparatorTag = -99;

// The name of a non-negative note's pitch class.
std::string name_of(int32_t note) {
    return std::string(NoteNames[static_cast<size_t>(PitchClassOf(note))]);
}

} // namespace

// ---- Keyboard ----

void NoteMapKeys::mouse_down(ui::MouseButton button, int x, int y, ui::Modifiers mods) {
    if (button == ui::MouseButton::left)
        leftHeld_ = true;
    TQelGuiMidiKeys::mouse_down(button, x, y, mods);
}

void NoteMapKeys::mouse_up(ui::MouseButton button, int x, int y, ui::Modifiers mods) {
    TQelGuiMidiKeys::mouse_up(button, x, y, mods);
    if (button == ui::MouseButton::left)
        leftHeld_ = false;
}

void NoteMapKeys::capture_lost() {
    TQelGuiMidiKeys::capture_lost();
    leftHeld_ = false;
}

// ---- Form ----

TfrmEditor::TfrmEditor(ui::Desktop& desktop, EditorLink& module)
    : TfrmVSTEditorMenu(desktop, module, kClientWidth, kClientHeight), MidiKeys(&panMain),
      panWizard(&panMain, module, *this), ddmNote(desktop, style()),
      ddmNote_Empty(ddmNote.add("-", -1)), SpTBXSeparatorItem2(ddmNote.add_separator()),
      ddmNote_C(ddmNote.add("C", 0)), ddmNote_Csharp(ddmNote.add("C#", 1)),
      ddmNote_D(ddmNote.add("D", 2)), ddmNote_Dsharp(ddmNote.add("D#", 3)),
      ddmNote_E(ddmNote.add("E", 4)), ddmNote_F(ddmNote.add("F", 5)),
      ddmNote_Fsharp(ddmNote.add("F#", 6)), ddmNote_G(ddmNote.add("G", 7)),
      ddmNote_Gsharp(ddmNote.add("G#", 8)), ddmNote_A(ddmNote.add("A", 9)),
      ddmNote_Asharp(ddmNote.add("A#", 10)), ddmNote_B(ddmNote.add("B", 11)),
      labelFont_(ui::Typeface::bold, kLabelPixels) {
    previewNotes_.fill(-1);

    // The heading of this form.
    panInfo.set_bounds(ui::Rect::from_size(465, 8, 190, 26));
    lblInfo.set_bounds(ui::Rect::from_size(6, 6, 179, 14));
    btnPresets.set_bounds(ui::Rect::from_size(227, 8, 210, 26));

    // The keyboard: one octave, keys 0..11 (C to B).
    MidiKeys.set_bounds(ui::Rect::from_size(12, 12, 431, 184));
    MidiKeys.SetBaseOctave(0);
    MidiKeys.SetNumOctaves(1);
    MidiKeys.SetBlackKeyHeight(0.63f);
    MidiKeys.SetKeyDownMode(ui::TGuiKeyDownMode::kdmFlat);
    MidiKeys.SetCursorKeys(ui::Cursor::arrow);
    MidiKeys.apply_style(style().custom ? style().name : std::string_view{});
    MidiKeys.OnDrawKey = [this](ui::TQelGuiMidiKeys&, ui::TGuiSingleKey key, ui::Canvas& canvas,
                                const ui::Rect& area) { MidiKeysDrawKey(key, canvas, area); };
    MidiKeys.OnFireNoteOn = [this](ui::TQelGuiMidiKeys&, int key, bool& go_on) {
        MidiKeysFireNoteOn(key, go_on);
    };
    MidiKeys.OnNoteOn = [this](ui::TQelGuiMidiKeys&, int key, float) { MidiKeysNoteOn(key); };
    MidiKeys.OnNoteOff = [this](ui::TQelGuiMidiKeys&, int key) { MidiKeysNoteOff(key); };
    // The context request comes with the right button's release, as the system's does.
    MidiKeys.OnMouseUp = [this](ui::Control&, ui::MouseButton button, int x, int y) {
        if (button == ui::MouseButton::right)
            MidiKeysContextPopup(x, y);
    };

    // The scale wizard: the map changed by its Apply shows at once.
    panWizard.apply_style(style());
    panWizard.OnApplied = [this] { MidiKeys.invalidate(); };

    SpTBXSeparatorItem2.Tag = kSeparatorTag;
    ddmNote.OnPopup = [this](ui::TQelPopupMenu&) { ddmNotePopup(); };
    for (size_t i = 0; i < ddmNote.items().count(); ++i) {
        ui::MenuItem& item = ddmNote.items().item(i);
        if (!item.is_separator())
            item.OnClick = [this](ui::MenuItem& sender) { ddmNote_CClick(sender); };
    }

    // Last in the creation: the scale list and the Scale menu.
    panWizard.LoadScaleList();
}

TfrmEditor::~TfrmEditor() {
    for (int& sent : previewNotes_) {
        if (sent >= 0) {
            Module().PreviewNoteOff(sent, kPreviewVelocity);
            sent = -1;
        }
    }
}

// ---- Highlights ----

bool TfrmEditor::HighlightNoteOn(int note) {
    return highlights_.HighlightNoteOn(note);
}

bool TfrmEditor::HighlightNoteOff(int note) {
    return highlights_.HighlightNoteOff(note);
}

void TfrmEditor::RefreshHighlights() {
    THighlightedNotes::Items items;
    int count = 0;
    {
        std::lock_guard<SpinLock> lock(Module().HighlightLock());
        count = highlights_.TakeSnapshot(items);
    }
    // From the newest down, so the text comes out in order of arrival.
    std::string text;
    for (int i = count - 1; i >= 0; --i) {
        const THighlightedNote& item = items[static_cast<size_t>(i)];
        const int key = PitchClassOf(item.Note);
        if (item.Released) {
            MidiKeys.SetKeyReleased(key); // a key the mouse holds stays down
            continue;
        }
        MidiKeys.SetKeyPressed(key);
        if (i >= kListedHighlights)
            continue;
        const int32_t out = Map().MapNote(item.Note);
        if (out < 0)
            continue;
        std::string entry = name_of(item.Note) + "=>" + name_of(out);
        if (!text.empty())
            entry += ", " + text;
        text = std::move(entry);
    }
    // Straight into the label: no clearing timer for these.
    lblInfo.set_caption(std::move(text));
    MidiKeys.invalidate();
}

// ---- Hooks ----

void TfrmEditor::FormShow() {
    TfrmVSTEditorMenu::FormShow();
    SyncWizard();
}

void TfrmEditor::PresetLoaded() {
    TfrmVSTEditorMenu::PresetLoaded();
    MidiKeys.invalidate();
    SyncWizard();
}

void TfrmEditor::InitPreset() {
    TfrmVSTEditorMenu::InitPreset();
    MidiKeys.invalidate();
    SyncWizard();
}

DialogSize TfrmEditor::GetPresetDialogSize() const {
    return {width() - 32, height() + 96};
}

void TfrmEditor::ddmMenuPopup() {
    TfrmVSTEditorMenu::ddmMenuPopup();
    ddmMenu_MidiCCLearn.Visible = false;
    ddmMenu_MidiSetCC.Visible = false;
    ddmMenu_MidiCCRemove.Visible = false;
}

// ---- Keyboard ----

void TfrmEditor::MidiKeysDrawKey(const ui::TGuiSingleKey& key, ui::Canvas& canvas,
                                 const ui::Rect& area) {
    const int32_t target = Map().GetScaleMap(PitchClassOf(key.KeyNr));
    // Blocked, or a foreign negative entry: no label.
    if (target < 0)
        return;
    const std::string text = name_of(target);
    const int width = labelFont_.text_width(text);
    const int x = key.Left + (key.Right - key.Left - width) / 2;
    const int y = key.Bottom - labelFont_.height() - kLabelBottomGap;
    ui::draw_text(canvas, labelFont_, area.left + x, area.top + y, text, MidiKeys.font_color());
}

void TfrmEditor::MidiKeysContextPopup(int x, int y) {
    const int key = MidiKeys.KeyAtPos(x, y, true);
    if (key < 0) {
        PopupKey = -1; // a gap, the frame or outside: no popup
        return;
    }
    PopupKey = PitchClassOf(key);
    const ui::Rect at = MidiKeys.form_rect();
    ddmNote.Popup(left() + at.left + x, top() + at.top + y);
}

void TfrmEditor::MidiKeysFireNoteOn(int, bool& Continue) {
    // While incoming notes are shown the mouse plays nothing.
    std::lock_guard<SpinLock> lock(Module().HighlightLock());
    if (highlights_.Count() > 0)
        Continue = false;
}

void TfrmEditor::MidiKeysNoteOn(int key) {
    if (!MidiKeys.LeftHeld() || key < 0 || key >= ui::TQelGuiMidiKeys::kKeyCount)
        return;
    const int32_t target = Map().MapNote(key);
    // Blocked keys play nothing; a foreign entry beyond the MIDI range is not sent wrapped.
    if (target < 0 || target + kPreviewOctave > 127)
        return;
    const int note = target + kPreviewOctave;
    // A note-on the module refused (too many previews waiting) sounds nothing to end.
    if (Module().PreviewNoteOn(note, kPreviewVelocity))
        previewNotes_[static_cast<size_t>(key)] = note;
    ShowInfo("PREVIEW: " + name_of(key) + "=>" + name_of(target));
}

void TfrmEditor::MidiKeysNoteOff(int key) {
    // Only the note this key started ends: a right-button press or a blocked key sent no
    // note-on, and a note-off for it would silence the same note played by other means.
    if (key >= 0 && key < ui::TQelGuiMidiKeys::kKeyCount) {
        int& sent = previewNotes_[static_cast<size_t>(key)];
        if (sent >= 0) {
            Module().PreviewNoteOff(sent, kPreviewVelocity);
            sent = -1;
        }
    }
    ShowInfo("");
}

// ---- Per-key popup ----

void TfrmEditor::ddmNotePopup() {
    if (PopupKey >= 0)
        ddmNote.CheckByTag(Map().GetScaleMap(PopupKey));
}

void TfrmEditor::ddmNote_CClick(ui::MenuItem& sender) {
    if (PopupKey < 0)
        return;
    Map().SetScaleMap(PopupKey, sender.Tag);
    Module().NotifyStateChanged();
    MidiKeys.invalidate();
}

} // namespace tonvo::editor
