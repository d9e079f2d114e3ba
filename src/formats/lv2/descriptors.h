// The LV2 entry points: the plug-in's and the editor's descriptors, whose C callbacks go to the
// adapter's Instance and EditorUi. Every callback catches everything: nothing unwinds into the
// host. Made for the shipped library, which gives the services and the editor's form
// (`Shipped::services()`, `Shipped::make_form`), so this layer links no editor of its own.
#pragma once

#include "formats/lv2/editor_ui.h"
#include "formats/lv2/instance.h"

#include <cstdio>
#include <cstring>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>

namespace tonvo::lv2 {

// The host's log was not reached: the one line goes to the standard error.
inline void report_escape(const char* where) noexcept {
    std::fprintf(stderr, "Tonvo: %s failed\n", where);
}

template <typename Shipped>
struct Descriptors {
    static Instance& self(LV2_Handle handle) noexcept { return *static_cast<Instance*>(handle); }

    static LV2_Handle instantiate(const LV2_Descriptor*, double, const char*,
                                  const LV2_Feature* const* features) noexcept {
        try {
            return Instance::create(features, Shipped::services()).release();
        } catch (...) {
            report_escape("instantiate");
            return nullptr;
        }
    }
    static void connect_port(LV2_Handle handle, uint32_t port, void* data) noexcept {
        self(handle).connect(port, data);
    }
    static void activate(LV2_Handle handle) noexcept { self(handle).activate(); }
    static void run(LV2_Handle handle, uint32_t frames) noexcept { self(handle).run(frames); }
    static void deactivate(LV2_Handle) noexcept {}
    static void cleanup(LV2_Handle handle) noexcept { delete &self(handle); }

    static LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store,
                                 LV2_State_Handle state, uint32_t, const LV2_Feature* const*) {
        try {
            return self(handle).save(store, state);
        } catch (...) {
            report_escape("save");
            return LV2_STATE_ERR_UNKNOWN;
        }
    }
    static LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve,
                                    LV2_State_Handle state, uint32_t, const LV2_Feature* const*) {
        try {
            return self(handle).restore(retrieve, state);
        } catch (...) {
            report_escape("restore");
            return LV2_STATE_ERR_UNKNOWN;
        }
    }
    static constexpr LV2_State_Interface kState{&save, &restore};

    static const void* extension_data(const char* uri) noexcept {
        return std::strcmp(uri, LV2_STATE__interface) == 0 ? &kState : nullptr;
    }
    static constexpr LV2_Descriptor kPlugin{kPluginUri, &instantiate,   &connect_port,
                                            &activate,  &run,           &deactivate,
                                            &cleanup,   &extension_data};

    static LV2UI_Handle ui_instantiate(const LV2UI_Descriptor*, const char*, const char*,
                                       LV2UI_Write_Function, LV2UI_Controller, LV2UI_Widget* widget,
                                       const LV2_Feature* const* features) noexcept {
        try {
            return EditorUi::create(&Shipped::make_form, features, widget).release();
        } catch (const std::exception& failure) {
            std::fprintf(stderr, "Tonvo: no editor: %s\n", failure.what());
            return nullptr;
        } catch (...) {
            report_escape("the editor's opening");
            return nullptr;
        }
    }
    static EditorUi& ui(LV2UI_Handle handle) noexcept { return *static_cast<EditorUi*>(handle); }
    static void ui_cleanup(LV2UI_Handle handle) noexcept {
        try {
            delete &ui(handle);
        } catch (...) {
            report_escape("the editor's close");
        }
    }
    static int ui_idle(LV2UI_Handle handle) noexcept {
        try {
            return ui(handle).idle();
        } catch (...) {
            report_escape("the editor's idle call");
            return 0;
        }
    }
    static constexpr LV2UI_Idle_Interface kIdle{&ui_idle};
    static const void* ui_extension_data(const char* uri) noexcept {
        return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &kIdle : nullptr;
    }
    static constexpr LV2UI_Descriptor kUi{kUiUri, &ui_instantiate, &ui_cleanup, nullptr,
                                          &ui_extension_data};
};

} // namespace tonvo::lv2
