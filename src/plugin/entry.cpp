// The library's entry: the host calls it with its callback and gets the effect record of a new
// plug-in instance, or null when the instance cannot be made. Exported as VSTPluginMain and,
// for older hosts, as main; nothing else is exported.
#include "editor/editor_factory.h"
#include "plugin/tonvo_module.h"
#include "presets/desktop_services.h"

#include <cstdio>

#if defined(_WIN32)
#include "editor/form_activation.h"
#include "ui/win32/win32_editor_window.h"
#define TONVO_EXPORT
#else
#define TONVO_EXPORT __attribute__((visibility("default")))
#endif

extern "C" TONVO_EXPORT AEffect* VSTCALLBACK
VSTPluginMain(audioMasterCallback audioMaster) noexcept {
    try {
#if defined(_WIN32)
        // The editor's window takes the keyboard focus once shown; the Win32 backend knows
        // which window shows a form.
        tonvo::editor::set_window_focus_call(&tonvo::ui::focus_form_window);
#endif
        // The editor form; a build that cannot make editor windows has no editor form class.
        std::unique_ptr<tonvo::TonvoModule> module = tonvo::TVSTModule::Create<tonvo::TonvoModule>(
            {}, &tonvo::editor::create_editor_form, tonvo::DesktopServices::Instance());
        module->SetAudioMaster(audioMaster);
        // From here the host owns the instance; effClose destroys it.
        return module.release()->Effect();
    } catch (const std::exception& failure) {
        // No instance is left whose report could hold it: the host's log gets the one line.
        std::fprintf(stderr, "Tonvo: no instance made: %s\n", failure.what());
        return nullptr;
    } catch (...) {
        std::fprintf(stderr, "Tonvo: no instance made\n");
        return nullptr;
    }
}

#if !defined(_WIN32)
// The same routine under the name older hosts look for. (On Windows the module definition file
// exports it under both names.)
extern "C" TONVO_EXPORT AEffect* TonvoLegacyMain(audioMasterCallback audioMaster) noexcept
    __asm__("main") __attribute__((alias("VSTPluginMain")));
#endif
