#include "tonvo_host/plugin_library.h"

#include <dlfcn.h>

namespace tonvo::tools {

PluginLibrary::PluginLibrary(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        error_ = dlerror();
    }
}

PluginLibrary::~PluginLibrary() {
    if (handle_ != nullptr) {
        dlclose(handle_);
    }
}

PluginMain PluginLibrary::Entry(const char* name) const {
    return handle_ != nullptr ? reinterpret_cast<PluginMain>(dlsym(handle_, name)) : nullptr;
}

const void* PluginLibrary::Symbol(const char* name) const {
    return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

} // namespace tonvo::tools
