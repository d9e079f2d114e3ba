// Loads a plug-in library the way a host does and finds its entry routines. The library stays
// loaded for the object's life.
#pragma once

#include "host/vst_abi.h"

#include <string>

namespace tonvo::tools {

using TPluginMain = AEffect*(VSTCALLBACK*)(audioMasterCallback);

class TPluginLibrary {
public:
    // A relative path without folders is looked up beside the running program on Windows.
    explicit TPluginLibrary(const std::string& path);
    ~TPluginLibrary();
    TPluginLibrary(const TPluginLibrary&) = delete;
    TPluginLibrary& operator=(const TPluginLibrary&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    const std::string& Error() const { return error_; }
    // The exported routine of that name, or null.
    TPluginMain Entry(const char* name) const;

private:
    void* handle_ = nullptr;
    std::string error_;
};

} // namespace tonvo::tools
