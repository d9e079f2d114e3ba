// Tonvo.vst3: the VST 3 module with this build's services and editor form. It exports the
// factory (GetPluginFactory) and the module's entry and exit, which hosts call around it
// (ModuleEntry and ModuleExit on Linux, InitDll and ExitDll on Windows); there is nothing to
// set up or tear down beyond what the instances own.
#include "formats/vst3/factory.h"
#include "plugin/shipped.h"

#if defined(_WIN32)
#define TONVO_VST3_EXPORT extern "C" __attribute__((dllexport))
#else
#define TONVO_VST3_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Declared without the interface's __stdcall: with no arguments the two conventions are one
// and the same, and the 32-bit Windows name stays undecorated, as hosts look it up.
TONVO_VST3_EXPORT tonvo::vst3::IPluginFactory2* GetPluginFactory() {
    return &tonvo::vst3::Factory<tonvo::shipped::Shipped>::factory;
}

#if defined(_WIN32)
TONVO_VST3_EXPORT bool InitDll() {
    return true;
}
TONVO_VST3_EXPORT bool ExitDll() {
    return true;
}
#else
TONVO_VST3_EXPORT bool ModuleEntry(void*) {
    return true;
}
TONVO_VST3_EXPORT bool ModuleExit() {
    return true;
}
#endif
