// Tonvo.clap: the CLAP entry with this build's services and editor form. The one export is
// the entry record clap_entry.
#include "editor/editor_factory.h"
#include "formats/clap/entry.h"
#include "presets/desktop_services.h"

#if defined(_WIN32)
#include "editor/form_activation.h"
#include "ui/win32/win32_editor_window.h"
#define TONVO_CLAP_EXPORT __attribute__((dllexport))
#else
#define TONVO_CLAP_EXPORT __attribute__((visibility("default")))
#endif

namespace {

struct Shipped {
    static tonvo::PluginServices& services() {
#if defined(_WIN32)
        // The editor's window takes the keyboard focus once shown.
        tonvo::editor::set_window_focus_call(&tonvo::ui::focus_form_window);
#endif
        return tonvo::DesktopServices::Instance();
    }
    static std::unique_ptr<tonvo::editor::TfrmVSTEditorBase> make_form(tonvo::ui::Desktop& desktop,
                                                                       tonvo::EditorLink& link) {
        return tonvo::editor::create_editor_form(desktop, link);
    }
};

} // namespace

extern "C" TONVO_CLAP_EXPORT const tonvo::clap::clap_plugin_entry clap_entry =
    tonvo::clap::Entry<Shipped>::kEntry;
