// The plug-in's editor as the module sees it: the backend's window inside the host's window,
// and the editor form in it. The module's calls (idle, hooks, highlighted keys) are passed on
// to the form; the editor's dialogs are centred over it while it is open.
//
// Order of life: made by the module's editor form class (no window yet; the client size is the
// design size given); ShowInParent opens the window, makes the form on the window's desktop,
// shows it, hands it to the dialogs and runs FormShow. Destruction undoes that in reverse:
// dialogs detached, the window forgets the form, the form goes, then the window.
//
// Thread contract: user-interface thread, except HighlightNoteOn/Off (audio thread, under the
// highlight gate's lock, which the module attaches only once the form is shown).
#pragma once

#include "editor/editor_dialogs.h"
#include "editor/plugin_editor_form.h"
#include "engine/plugin_editor.h"
#include "ui/editor_window.h"

#include <functional>
#include <memory>

namespace tonvo::editor {

class EditorShell final : public TPluginEditor {
public:
    using FormFactory = std::function<std::unique_ptr<PluginEditorForm>(ui::Desktop&)>;

    EditorShell(FormFactory factory, TEditorDialogs& dialogs, TDialogSize designSize = {});
    ~EditorShell() override;
    EditorShell(const EditorShell&) = delete;
    EditorShell& operator=(const EditorShell&) = delete;

    // The form's size once shown; the design size before.
    int ClientWidth() const override;
    int ClientHeight() const override;
    // Fails, leaving nothing open, when no window can be made in that parent or the form
    // cannot be made. Showing again in the same parent shows the same form again; a different
    // parent while open drops the old window and form and builds new ones there; while a
    // menu or dialog of the old form runs, they go only once it has returned.
    void ShowInParent(void* parentWindow) override;
    // The host's close while a menu or dialog of the editor runs (the form is inside a call
    // that started it): the loop ends and the window hides instead, to go once that call has
    // returned; an opening before that builds a new window and form. False (nothing done) when
    // no loop runs.
    bool HideInsideLoop();
    // Hidden by HideInsideLoop and not shown since.
    bool HiddenAfterLoop() const noexcept { return hiddenAfterLoop_; }
    void FocusControlUnderCursor() override;
    void EditIdle() override;

    void UpdateControls() override;
    void RefreshHighlights() override;
    void UpdatePresetName() override;
    void PresetLoaded() override;
    void InitPreset() override;
    void ShowInfo(const std::string& text) override;
    TDialogSize GetPresetDialogSize() const override;

    bool HighlightNoteOn(int note) override;
    bool HighlightNoteOff(int note) override;

    // The form while shown, else null.
    PluginEditorForm* Form() const noexcept { return form_.get(); }

private:
    // Everything ShowInParent made, in reverse order. Never fails.
    void Close() noexcept;
    // Lets go of the window and form for new ones: at once, as Close does, or, while a loop of
    // theirs runs, hidden now and destroyed once the call that runs it has returned.
    void Retire() noexcept;

    FormFactory factory_;
    TEditorDialogs& dialogs_;
    TDialogSize designSize_;
    void* parent_ = nullptr;
    std::unique_ptr<ui::EditorWindow> window_;
    std::unique_ptr<PluginEditorForm> form_;
    bool dialogsAttached_ = false;
    bool hiddenAfterLoop_ = false;
};

} // namespace tonvo::editor
