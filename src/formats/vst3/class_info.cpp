#include "formats/vst3/class_info.h"

#include "core/identity.h"
#include "formats/vst3/instance.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace tonvo::vst3 {

namespace {

template <size_t Size>
void copy_text(char (&to)[Size], std::string_view from) noexcept {
    std::snprintf(to, Size, "%.*s", static_cast<int>(from.size()), from.data());
}

} // namespace

void fill_factory_info(PFactoryInfo& info) noexcept {
    info = {};
    copy_text(info.vendor, core::kVendorName);
    info.flags = kDefaultFactoryFlags;
}

void fill_class_info(PClassInfo& info) noexcept {
    info = {};
    std::memcpy(info.cid, kComponentCid.bytes, sizeof info.cid);
    info.cardinality = kManyInstances;
    copy_text(info.category, kVstAudioEffectClass);
    copy_text(info.name, core::kProductName);
}

// An instrument, as the VST 2.4 build is: the hosts that pass a plug-in's MIDI output on to
// another instrument (Live, FL Studio, Cubase) do so from instrument tracks.
void fill_class_info2(PClassInfo2& info) noexcept {
    info = {};
    std::memcpy(info.cid, kComponentCid.bytes, sizeof info.cid);
    info.cardinality = kManyInstances;
    copy_text(info.category, kVstAudioEffectClass);
    copy_text(info.name, core::kProductName);
    info.classFlags = 0; // not distributable: processor and controller are one object
    copy_text(info.subCategories, "Instrument");
    copy_text(info.vendor, core::kVendorName);
    copy_text(info.version, TONVO_VERSION);
    copy_text(info.sdkVersion, kVstVersionString);
}

} // namespace tonvo::vst3
