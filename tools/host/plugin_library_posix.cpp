#include "host/plugin_library.h"

#include <dlfcn.h>

namespace tonvo::tools {

TPluginLibrary::TPluginLibrary(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        error_ = dlerror();
    }
}

TPluginLibrary::~TPluginLibrary() {
    if (handle_ != nullptr) {
        dlclose(handle_);
    }
}

TPluginMain TPluginLibrary::Entry(const char* name) const {
    return handle_ != nullptr ? reinterpret_cast<TPluginMain>(dlsym(handle_, name)) : nullptr;
}

} // namespace tonvo::tools
