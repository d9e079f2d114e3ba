// The VST 2.4 binary interface as hosts see it: the records exchanged with the host, and the
// opcodes and constants this plug-in uses. Written from the published interface; the layouts
// are pinned below so a change that would break hosts fails to compile on every target.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define VSTCALLBACK __cdecl
#else
#define VSTCALLBACK
#endif

struct AEffect;

using audioMasterCallback = intptr_t(VSTCALLBACK*)(AEffect* effect, int32_t opcode, int32_t index,
                                                   intptr_t value, void* ptr, float opt);
using AEffectDispatcherProc = intptr_t(VSTCALLBACK*)(AEffect* effect, int32_t opcode, int32_t index,
                                                     intptr_t value, void* ptr, float opt);
using AEffectProcessProc = void(VSTCALLBACK*)(AEffect* effect, float** inputs, float** outputs,
                                              int32_t sampleFrames);
using AEffectProcessDoubleProc = void(VSTCALLBACK*)(AEffect* effect, double** inputs,
                                                    double** outputs, int32_t sampleFrames);
using AEffectSetParameterProc = void(VSTCALLBACK*)(AEffect* effect, int32_t index, float value);
using AEffectGetParameterProc = float(VSTCALLBACK*)(AEffect* effect, int32_t index);

constexpr int32_t kEffectMagic = 0x56737450; // 'VstP'

struct AEffect {
    int32_t magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;
    intptr_t resvd1;
    intptr_t resvd2;
    int32_t initialDelay;
    int32_t realQualities;
    int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;
    int32_t uniqueID;
    int32_t version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

// Event types carried in VstEvent::type.
constexpr int32_t kVstMidiType = 1;
constexpr int32_t kVstAudioType = 2;
constexpr int32_t kVstVideoType = 3;
constexpr int32_t kVstParameterType = 4;
constexpr int32_t kVstTriggerType = 5;
constexpr int32_t kVstSysExType = 6;

struct VstEvent {
    int32_t type;
    int32_t byteSize;
    int32_t deltaFrames;
    int32_t flags;
    char data[16];
};

struct VstEvents {
    int32_t numEvents;
    intptr_t reserved;
    VstEvent* events[2]; // really numEvents pointers; hosts allocate the block to fit
};

struct VstMidiEvent {
    int32_t type;
    int32_t byteSize;
    int32_t deltaFrames;
    int32_t flags;
    int32_t noteLength;
    int32_t noteOffset;
    char midiData[4];
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

struct VstMidiSysexEvent {
    int32_t type;
    int32_t byteSize;
    int32_t deltaFrames;
    int32_t flags;
    int32_t dumpBytes;
    intptr_t resvd1;
    char* sysexDump;
    intptr_t resvd2;
};

// Bits of VstTimeInfo::flags.
constexpr int32_t kVstTransportChanged = 1;
constexpr int32_t kVstTransportPlaying = 1 << 1;
constexpr int32_t kVstTransportCycleActive = 1 << 2;
constexpr int32_t kVstTransportRecording = 1 << 3;

struct VstTimeInfo {
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    int32_t timeSigNumerator;
    int32_t timeSigDenominator;
    int32_t smpteOffset;
    int32_t smpteFrameRate;
    int32_t samplesToNextClock;
    int32_t flags;
};

// Requests the plug-in makes of its host through the audioMaster callback.
enum : int32_t {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterIOChanged = 13,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterCanDo = 37,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
};

constexpr bool kPointer32 = sizeof(void*) == 4;

static_assert(sizeof(AEffect) == (kPointer32 ? 144 : 192));
static_assert(offsetof(AEffect, uniqueID) == (kPointer32 ? 72 : 112));
static_assert(offsetof(AEffect, processReplacing) == (kPointer32 ? 80 : 120));
static_assert(offsetof(VstEvents, reserved) == (kPointer32 ? 4 : 8));
static_assert(offsetof(VstEvents, events) == (kPointer32 ? 8 : 16));
static_assert(sizeof(VstEvent) == 32);
static_assert(sizeof(VstMidiEvent) == 32);
static_assert(offsetof(VstMidiEvent, midiData) == 24);
static_assert(sizeof(VstMidiSysexEvent) == (kPointer32 ? 32 : 48));
static_assert(sizeof(VstTimeInfo) == 88);
static_assert(offsetof(VstTimeInfo, flags) == 84);
