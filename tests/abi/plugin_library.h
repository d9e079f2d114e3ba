// Loads a built plug-in library the way a host does and finds its entry routines.
#pragma once

#include "host/vst_abi.h"

#include <string>

namespace tonvo::test {

using TPluginMain = AEffect*(VSTCALLBACK*)(audioMasterCallback);

class TPluginLibrary {
public:
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

} // namespace tonvo::test
