// Tonvo.clap: the CLAP entry with this build's services and editor form. The one export is
// the entry record clap_entry.
#include "formats/clap/entry.h"
#include "plugin/shipped.h"

#if defined(_WIN32)
#define TONVO_CLAP_EXPORT __attribute__((dllexport))
#else
#define TONVO_CLAP_EXPORT __attribute__((visibility("default")))
#endif

extern "C" TONVO_CLAP_EXPORT const tonvo::clap::clap_plugin_entry clap_entry =
    tonvo::clap::Entry<tonvo::shipped::Shipped>::kEntry;
