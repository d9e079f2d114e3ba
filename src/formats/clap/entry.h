// The CLAP entry and its plug-in factory, made for the shipped library, which gives the
// services and the editor's form (`Shipped::services()`, `Shipped::make_form`). Every entry
// catches everything: nothing unwinds into the host.
#pragma once

#include "formats/clap/instance.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace tonvo::clap {

template <typename Shipped>
struct Entry {
    static bool init(const char*) noexcept { return true; }
    static void deinit() noexcept {}

    static uint32_t count(const clap_plugin_factory*) noexcept { return 1; }
    static const clap_plugin_descriptor* describe(const clap_plugin_factory*,
                                                  uint32_t index) noexcept {
        return index == 0 ? &descriptor() : nullptr;
    }
    static const clap_plugin* create(const clap_plugin_factory*, const clap_host* host,
                                     const char* plugin_id) noexcept {
        if (host == nullptr || plugin_id == nullptr || std::strcmp(plugin_id, kPluginId) != 0) {
            return nullptr;
        }
        try {
            return (new Instance(*host, Shipped::services(), &Shipped::make_form))->record();
        } catch (const std::exception& failure) {
            std::fprintf(stderr, "Tonvo: no instance made: %s\n", failure.what());
        } catch (...) {
            std::fprintf(stderr, "Tonvo: no instance made\n");
        }
        return nullptr;
    }
    static constexpr clap_plugin_factory kFactory{&count, &describe, &create};

    static const void* factory(const char* id) noexcept {
        return id != nullptr && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
    }
    static constexpr clap_plugin_entry kEntry{kClapVersion, &init, &deinit, &factory};
};

} // namespace tonvo::clap
