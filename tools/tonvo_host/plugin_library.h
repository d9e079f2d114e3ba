// Loads a plug-in library the way a host does and finds its entry routines. The library stays
// loaded for the object's life.
#pragma once

#include "formats/vst2/vst_abi.h"

#include <string>

namespace tonvo::tools {

using PluginMain = AEffect*(VSTCALLBACK*)(audioMasterCallback);

class PluginLibrary {
public:
    // A relative path without folders is looked up beside the running program on Windows.
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    const std::string& Error() const { return error_; }
    // The exported routine of that name, or null.
    PluginMain Entry(const char* name) const;
    // Any exported symbol of that name (a routine or a record), or null.
    const void* Symbol(const char* name) const;

private:
    void* handle_ = nullptr;
    std::string error_;
};

} // namespace tonvo::tools
