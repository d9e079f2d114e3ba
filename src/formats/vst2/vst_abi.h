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
constexpr int32_t kVstVersion = 2400;

// Bits of AEffect::flags.
enum : int32_t {
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1,
    effFlagsHasVu = 1 << 2,
    effFlagsCanMono = 1 << 3,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsExtIsAsync = 1 << 10,
    effFlagsExtHasBuffer = 1 << 11,
    effFlagsCanDoubleReplacing = 1 << 12,
};

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

// Sizes of the text buffers the host hands over, the terminating zero included.
constexpr size_t kVstMaxParamStrLen = 8;    // parameter name, label and display
constexpr size_t kVstMaxProgNameLen = 24;   // program name
constexpr size_t kVstMaxEffectNameLen = 32; // effect name
constexpr size_t kVstMaxVendorStrLen = 64;  // vendor name
constexpr size_t kVstMaxProductStrLen = 64; // product name

struct ERect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

// Bits of VstPinProperties::flags.
constexpr int32_t kVstPinIsActive = 1 << 0;
constexpr int32_t kVstPinIsStereo = 1 << 1;
constexpr int32_t kVstPinUseSpeaker = 1 << 2;

constexpr int32_t kSpeakerArrMono = 0;
constexpr int32_t kSpeakerArrStereo = 1;
constexpr int32_t kSpeakerArrQuad = 11;

struct VstPinProperties {
    char label[64];
    int32_t flags;
    int32_t arrangementType;
    char shortLabel[8];
    char future[48];
};

struct VstPatchChunkInfo {
    int32_t version;
    int32_t pluginUniqueID;
    int32_t pluginVersion;
    int32_t numElements;
    char future[48];
};

struct VstParameterProperties {
    float stepFloat;
    float smallStepFloat;
    float largeStepFloat;
    char label[64];
    int32_t flags;
    int32_t minInteger;
    int32_t maxInteger;
    int32_t stepInteger;
    int32_t largeStepInteger;
    char shortLabel[8];
    int16_t displayIndex;
    int16_t category;
    int16_t numParametersInCategory;
    int16_t reserved;
    char categoryLabel[24];
    char future[16];
};

// Plug-in categories answered to effGetPlugCategory.
enum : int32_t {
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1,
    kPlugCategSynth = 2,
};

// Requests the host makes of the plug-in through the dispatcher.
enum : int32_t {
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effGetVu = 9,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditDraw = 16,
    effEditMouse = 17,
    effEditKey = 18,
    effEditIdle = 19,
    effEditTop = 20,
    effEditSleep = 21,
    effIdentify = 22,
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effCanBeAutomated = 26,
    effString2Parameter = 27,
    effGetNumProgramCategories = 28,
    effGetProgramNameIndexed = 29,
    effCopyProgram = 30,
    effConnectInput = 31,
    effConnectOutput = 32,
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effGetCurrentPosition = 36,
    effGetDestinationBuffer = 37,
    effOfflineNotify = 38,
    effOfflinePrepare = 39,
    effOfflineRun = 40,
    effProcessVarIo = 41,
    effSetSpeakerArrangement = 42,
    effSetBlockSizeAndSampleRate = 43,
    effSetBypass = 44,
    effGetEffectName = 45,
    effGetErrorText = 46,
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effVendorSpecific = 50,
    effCanDo = 51,
    effGetTailSize = 52,
    effIdle = 53,
    effGetIcon = 54,
    effSetViewPosition = 55,
    effGetParameterProperties = 56,
    effKeysRequired = 57,
    effGetVstVersion = 58,
    effEditKeyDown = 59,
    effEditKeyUp = 60,
    effSetEditKnobMode = 61,
    effGetMidiProgramName = 62,
    effGetCurrentMidiProgram = 63,
    effGetMidiProgramCategory = 64,
    effHasMidiProgramsChanged = 65,
    effGetMidiKeyName = 66,
    effBeginSetProgram = 67,
    effEndSetProgram = 68,
    effGetSpeakerArrangement = 69,
    effShellGetNextPlugin = 70,
    effStartProcess = 71,
    effStopProcess = 72,
    effSetTotalSampleToProcess = 73,
    effSetPanLaw = 74,
    effBeginLoadBank = 75,
    effBeginLoadProgram = 76,
    effSetProcessPrecision = 77,
    effGetNumMidiInputChannels = 78,
    effGetNumMidiOutputChannels = 79,
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
static_assert(sizeof(ERect) == 8);
static_assert(sizeof(VstPinProperties) == 128);
static_assert(sizeof(VstPatchChunkInfo) == 64);
static_assert(sizeof(VstParameterProperties) == 152);
