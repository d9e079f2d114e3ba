// What every shipped plug-in library gives its format's adapter: the desktop services and the
// editor's form. On Windows the editor's window takes the keyboard focus once shown.
#pragma once

#include "editor/editor_factory.h"
#include "presets/desktop_services.h"

#if defined(_WIN32)
#include "editor/form_activation.h"
#include "ui/win32/win32_editor_window.h"
#endif

#include <memory>

namespace tonvo::shipped {

struct Shipped {
    static PluginServices& services() {
#if defined(_WIN32)
        editor::set_window_focus_call(&ui::focus_form_window);
#endif
        return DesktopServices::Instance();
    }
    static std::unique_ptr<editor::TfrmVSTEditorBase> make_form(ui::Desktop& desktop,
                                                                EditorLink& link) {
        return editor::create_editor_form(desktop, link);
    }
};

} // namespace tonvo::shipped
