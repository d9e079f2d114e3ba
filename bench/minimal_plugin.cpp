// The floor under every VST 2.4 plug-in's event path: MinimalPassThrough.so, a plain effect
// record with a dispatcher switch, written the way a C plug-in is, with no framework. It copies
// every MIDI event of effProcessEvents into its own fixed array and hands that array to the
// host with audioMasterProcessEvents at the end of the next processReplacing, which writes
// silence. The benchmarks divide Tonvo's cost by this one's.
#include "formats/vst2/vst_abi.h"

#include <cstring>
#include <new>

namespace {

constexpr int32_t kCapacity = 1024;

// The instance: the record first, so the record's address is the instance's.
struct Minimal {
    AEffect effect;
    audioMasterCallback host;
    int32_t count;
    VstMidiEvent events[kCapacity];
    // Same leading layout as VstEvents, with room for every record pointer.
    struct {
        int32_t numEvents;
        intptr_t reserved;
        VstEvent* events[kCapacity];
    } block;
};

Minimal* of(AEffect* effect) {
    return reinterpret_cast<Minimal*>(effect);
}

void process_events(Minimal* self, const VstEvents* events) {
    if (events == nullptr) {
        return;
    }
    int32_t count = self->count;
    for (int32_t i = 0; i < events->numEvents && count < kCapacity; ++i) {
        const VstEvent* event = events->events[i];
        if (event == nullptr || event->type != kVstMidiType) {
            continue;
        }
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        VstMidiEvent& out = self->events[count++];
        out.deltaFrames = midi->deltaFrames;
        out.midiData[0] = midi->midiData[0];
        out.midiData[1] = midi->midiData[1];
        out.midiData[2] = midi->midiData[2];
    }
    self->count = count;
}

intptr_t VSTCALLBACK Dispatcher(AEffect* effect, int32_t opcode, int32_t, intptr_t, void* ptr,
                                float) {
    Minimal* self = of(effect);
    switch (opcode) {
    case effClose: delete self; return 1;
    case effProcessEvents: process_events(self, static_cast<const VstEvents*>(ptr)); return 1;
    case effGetPlugCategory: return kPlugCategSynth;
    case effGetVstVersion: return kVstVersion;
    case effCanDo:
        return ptr != nullptr &&
                       (std::strcmp(static_cast<const char*>(ptr), "sendVstEvents") == 0 ||
                        std::strcmp(static_cast<const char*>(ptr), "sendVstMidiEvent") == 0 ||
                        std::strcmp(static_cast<const char*>(ptr), "receiveVstMidiEvent") == 0)
                   ? 1
                   : 0;
    default: return 0;
    }
}

void VSTCALLBACK ProcessReplacing(AEffect* effect, float**, float** outputs, int32_t frames) {
    Minimal* self = of(effect);
    for (int32_t c = 0; c < 2 && outputs != nullptr && frames > 0; ++c) {
        if (outputs[c] != nullptr) {
            std::memset(outputs[c], 0, static_cast<size_t>(frames) * sizeof(float));
        }
    }
    if (self->count > 0) {
        self->block.numEvents = self->count;
        self->host(effect, audioMasterProcessEvents, 0, 0, &self->block, 0.0f);
        self->count = 0;
    }
}

void VSTCALLBACK Process(AEffect*, float**, float**, int32_t) {}
void VSTCALLBACK ProcessDouble(AEffect*, double**, double**, int32_t) {}
void VSTCALLBACK SetParameter(AEffect*, int32_t, float) {}
float VSTCALLBACK GetParameter(AEffect*, int32_t) {
    return 0.0f;
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTCALLBACK
VSTPluginMain(audioMasterCallback host) noexcept {
    auto* self = new (std::nothrow) Minimal{};
    if (self == nullptr) {
        return nullptr;
    }
    AEffect& effect = self->effect;
    effect.magic = kEffectMagic;
    effect.dispatcher = &Dispatcher;
    effect.process = &Process;
    effect.setParameter = &SetParameter;
    effect.getParameter = &GetParameter;
    effect.processReplacing = &ProcessReplacing;
    effect.processDoubleReplacing = &ProcessDouble;
    effect.numOutputs = 2;
    effect.flags = effFlagsCanReplacing | effFlagsIsSynth;
    effect.uniqueID = 0x4D696E31; // "Min1"
    effect.version = 1;
    effect.ioRatio = 1.0f;
    effect.object = self;
    self->host = host;
    for (int32_t i = 0; i < kCapacity; ++i) {
        self->events[i].type = kVstMidiType;
        self->events[i].byteSize = static_cast<int32_t>(sizeof(VstMidiEvent));
        self->block.events[i] = reinterpret_cast<VstEvent*>(&self->events[i]);
    }
    return &effect;
}

extern "C" __attribute__((visibility("default"))) AEffect*
MinimalLegacyMain(audioMasterCallback host) noexcept __asm__("main")
    __attribute__((alias("VSTPluginMain")));
