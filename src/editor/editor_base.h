// `TfrmVSTEditorBase`: the lowest level of every editor window. A borderless form with the
// editor's background picture tiled from its origin, a translucent main panel over it, the
// activation timer and the focus rules: clicks on the form or the main panel, and the mouse
// wheel, give the keyboard focus to the control under the pointer (never to a speed button),
// so the wheel goes to whatever is under the pointer.
//
// This is the form the plug-in's editor shows. It reaches its plug-in only through the
// EditorLink it is given, which outlives it, and the plug-in reaches it only through the
// frame's hooks (EditorHooks), which it and its descendants implement directly. Controls take
// the visual style active when the form is built.
//
// Thread contract: user-interface thread only, except HighlightNoteOn/Off (audio thread, under
// the highlight gate's lock; see EditorHooks).
#pragma once

#include "engine/editor_link.h"
#include "engine/plugin_editor.h"
#include "ui/form.h"
#include "ui/panel.h"
#include "ui/style.h"
#include "ui/timer.h"

namespace tonvo::editor {

class TfrmVSTEditorBase : public ui::Form, public EditorHooks {
public:
    static constexpr int kDesignWidth = 531;
    static constexpr int kDesignHeight = 396;
    static constexpr ui::Millis kActivationDelay{100};
    // The main panel's margins inside the client area (below the heading, if any).
    static constexpr int kMainMargin = 3;
    static constexpr int kMainMarginTop = 4;

    TfrmVSTEditorBase(ui::Desktop& desktop, EditorLink& module, int width = kDesignWidth,
                      int height = kDesignHeight);

    EditorLink& Module() const { return module_; }
    const ui::Style& style() const { return style_; }

    ui::TQelGuiPanel panMain;
    ui::Timer timFormActivated;

    // FormShow, once the form is in its window and visible: UpdateControls, then the
    // activation timer starts.
    virtual void FormShow();
    void FocusControlUnderCursor() override;
    // The preset browser over this editor: 32 pixels smaller each way.
    DialogSize GetPresetDialogSize() const override;
    // The focus rule at a form pixel: the usable control there takes the keyboard focus unless
    // it is a speed button; a control that cannot take it is left alone.
    void FocusControlAt(int x, int y);

    virtual void FormClick();
    virtual void panMainClick();
    void timFormActivatedTimer();

    // FormPaint: the background picture as a brush pattern from the form's origin.
    void paint(ui::Canvas& canvas, const ui::Rect& area) override;

protected:
    // The main panel fills the client area below `top` less its margins.
    void AlignMainPanel(int top);
    // After the wheel went through the controls: focus whatever is under the pointer.
    void mouse_wheel_done(int x, int y) override;

private:
    EditorLink& module_;
    const ui::Style& style_;
};

} // namespace tonvo::editor
