// `TfrmEditor`: the plug-in's editor window. A one-octave keyboard shows the note map: every
// key carries the name of the pitch class it is mapped to (none when blocked), a right click
// on a key opens a popup that sets its target, a left click plays the mapped note to the host
// as a preview, and notes arriving from the host light up their keys and are listed in the
// info line. Beside the keyboard sits the scale wizard's panel.
//
// The map is never copied: every read and write goes to the module's TScaleMap.
//
// Thread contract: user-interface thread, except HighlightNoteOn and HighlightNoteOff, which
// the audio thread makes holding the module's HighlightLock. RefreshHighlights holds that lock
// only while it copies the highlighted notes; all drawing happens after it is released.
#pragma once

#include "editor/editor_menu.h"
#include "editor/highlighted_notes.h"
#include "editor/scale_wizard.h"
#include "ui/font.h"
#include "ui/midi_keys.h"

#include <array>

namespace tonvo::editor {

// The editor's keyboard: the control, and whether the left button is down in a press on it,
// which decides whether a note-on the control reports may sound. That is the left button's own
// state: a right press and release during a left glide leave it down.
class NoteMapKeys : public ui::TQelGuiMidiKeys {
public:
    using TQelGuiMidiKeys::TQelGuiMidiKeys;

    bool LeftHeld() const { return leftHeld_; }

    void mouse_down(ui::MouseButton button, int x, int y, ui::Modifiers mods) override;
    void mouse_up(ui::MouseButton button, int x, int y, ui::Modifiers mods) override;
    void capture_lost() override;

private:
    bool leftHeld_ = false;
};

class TfrmEditor : public TfrmVSTEditorMenu {
public:
    static constexpr int kClientWidth = 662;
    static constexpr int kClientHeight = 256;
    static constexpr int kPreviewOctave = 60;
    static constexpr int kPreviewVelocity = 100;
    // The info line lists the first this many highlighted notes.
    static constexpr int kListedHighlights = 4;
    // Key labels: their lower edge this far above the key's lower edge.
    static constexpr int kLabelBottomGap = 10;

    TfrmEditor(ui::Desktop& desktop, EditorLink& module);
    // Ends every preview still sounding: whatever ends the editor, the release that would have
    // ended it never comes.
    ~TfrmEditor() override;
    TfrmEditor(const TfrmEditor&) = delete;
    TfrmEditor& operator=(const TfrmEditor&) = delete;

    NoteMapKeys MidiKeys;
    ScaleWizardPanel panWizard;
    ui::TQelPopupMenu ddmNote;
    ui::MenuItem& ddmNote_Empty;
    ui::MenuItem& SpTBXSeparatorItem2;
    ui::MenuItem& ddmNote_C;
    ui::MenuItem& ddmNote_Csharp;
    ui::MenuItem& ddmNote_D;
    ui::MenuItem& ddmNote_Dsharp;
    ui::MenuItem& ddmNote_E;
    ui::MenuItem& ddmNote_F;
    ui::MenuItem& ddmNote_Fsharp;
    ui::MenuItem& ddmNote_G;
    ui::MenuItem& ddmNote_Gsharp;
    ui::MenuItem& ddmNote_A;
    ui::MenuItem& ddmNote_Asharp;
    ui::MenuItem& ddmNote_B;

    // The pitch class of the key the per-key popup was last asked for; -1 when no key was
    // under the pointer.
    int PopupKey = 0;

    // --- Called by the module and the engine ---
    bool HighlightNoteOn(int note) override;
    bool HighlightNoteOff(int note) override;
    void RefreshHighlights() override;

    // --- Hooks ---
    void FormShow() override;
    void PresetLoaded() override;
    void InitPreset() override;
    DialogSize GetPresetDialogSize() const override;
    void ddmMenuPopup() override;
    // Brings the scale wizard's controls in step with the map (form show, Init, after the
    // preset dialog).
    void SyncWizard() { panWizard.SyncWizard(); }

    // --- Keyboard and popup events ---
    void MidiKeysDrawKey(const ui::TGuiSingleKey& key, ui::Canvas& canvas, const ui::Rect& area);
    // A context request at (x, y) in the keyboard's pixels.
    void MidiKeysContextPopup(int x, int y);
    void MidiKeysFireNoteOn(int key, bool& Continue);
    void MidiKeysNoteOn(int key);
    void MidiKeysNoteOff(int key);
    void ddmNotePopup();
    void ddmNote_CClick(ui::MenuItem& sender);

private:
    TScaleMap& Map() const { return Module().ScaleMap(); }

    // The preview note each key has sent a note-on for and not yet ended, or -1.
    std::array<int, ui::TQelGuiMidiKeys::kKeyCount> previewNotes_;
    THighlightedNotes highlights_;
    ui::Font labelFont_;
};

} // namespace tonvo::editor
