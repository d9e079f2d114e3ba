// The part of the VST 3 binary interface this plug-in uses: reference counting and interface
// queries, the plug-in factory with its class infos, the component and its audio processor,
// the edit controller with its MIDI mapping, streams, event lists, parameter changes, the
// host's component handler and application, the editor's view and frame, and on Linux the
// host's run loop with its timer and event handlers. Written from the published interface
// (VST 3.8), with its interface, record and field names so a reader can hold it against the
// published headers.
//
// An interface is a record whose first member points at its table of routines; every routine
// takes the interface itself first. The tables are spelled out whole, inherited routines
// first, as the objects lay them out. Interface identifiers are 16 bytes in the byte order
// each system uses (COM's on Windows). The layouts are pinned at the end, so a change that
// would break hosts fails to compile on every target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#define VST3_API __stdcall
#else
#define VST3_API
#endif

namespace tonvo::vst3 {

using tresult = int32_t;
using TBool = uint8_t;
using char16 = char16_t;
using FIDString = const char*;
using TUID = char[16];
using ParamID = uint32_t;
using ParamValue = double;
using String128 = char16[128];
using TSamples = int64_t;
using TQuarterNotes = double;
using SpeakerArrangement = uint64_t;
using CtrlNumber = int16_t;

#if defined(_WIN32)
inline constexpr tresult kNoInterface = static_cast<tresult>(0x80004002L);
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057L);
inline constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001L);
inline constexpr tresult kInternalError = static_cast<tresult>(0x80004005L);
inline constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFL);
#else
inline constexpr tresult kNoInterface = -1;
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = 2;
inline constexpr tresult kNotImplemented = 3;
inline constexpr tresult kInternalError = 4;
inline constexpr tresult kNotInitialized = 5;
#endif

// --- Interface identifiers --------------------------------------------------------------------

struct Uid {
    char bytes[16];
};

// The identifier written as four 32-bit words, in the system's byte order: on Windows the
// first word and the two halves of the second little-endian (COM's GUID), elsewhere all
// big-endian.
constexpr Uid make_uid(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4) {
    const auto b = [](uint32_t word, int shift) {
        return static_cast<char>(static_cast<uint8_t>(word >> shift));
    };
#if defined(_WIN32)
    return {{b(l1, 0), b(l1, 8), b(l1, 16), b(l1, 24), b(l2, 16), b(l2, 24), b(l2, 0), b(l2, 8),
             b(l3, 24), b(l3, 16), b(l3, 8), b(l3, 0), b(l4, 24), b(l4, 16), b(l4, 8), b(l4, 0)}};
#else
    return {{b(l1, 24), b(l1, 16), b(l1, 8), b(l1, 0), b(l2, 24), b(l2, 16), b(l2, 8), b(l2, 0),
             b(l3, 24), b(l3, 16), b(l3, 8), b(l3, 0), b(l4, 24), b(l4, 16), b(l4, 8), b(l4, 0)}};
#endif
}

inline bool same_uid(const char* id, const Uid& uid) noexcept {
    return id != nullptr && std::memcmp(id, uid.bytes, sizeof uid.bytes) == 0;
}

inline constexpr Uid FUnknown_iid = make_uid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
inline constexpr Uid IPluginFactory_iid = make_uid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
inline constexpr Uid IPluginFactory2_iid = make_uid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
inline constexpr Uid IPluginBase_iid = make_uid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
inline constexpr Uid IComponent_iid = make_uid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
inline constexpr Uid IAudioProcessor_iid = make_uid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
inline constexpr Uid IEditController_iid = make_uid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
inline constexpr Uid IMidiMapping_iid = make_uid(0xDF0FF9F7, 0x49B74669, 0xB63AB732, 0x7ADBF5E5);
inline constexpr Uid IBStream_iid = make_uid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
inline constexpr Uid IEventList_iid = make_uid(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);
inline constexpr Uid IParameterChanges_iid =
    make_uid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
inline constexpr Uid IParamValueQueue_iid =
    make_uid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
inline constexpr Uid IComponentHandler_iid =
    make_uid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
inline constexpr Uid IComponentHandler2_iid =
    make_uid(0xF040B4B3, 0xA36045EC, 0xABCDC045, 0xB4D5A2CC);
inline constexpr Uid IHostApplication_iid =
    make_uid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
inline constexpr Uid IPlugView_iid = make_uid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
inline constexpr Uid IPlugFrame_iid = make_uid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
inline constexpr Uid IRunLoop_iid = make_uid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
inline constexpr Uid ITimerHandler_iid = make_uid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
inline constexpr Uid IEventHandler_iid = make_uid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);

// --- Records ----------------------------------------------------------------------------------

inline constexpr int32_t kDefaultFactoryFlags = 1 << 4; // kUnicode
inline constexpr int32_t kManyInstances = 0x7FFFFFFF;
inline constexpr char kVstAudioEffectClass[] = "Audio Module Class";
inline constexpr char kVstVersionString[] = "VST 3.8.0";

struct PFactoryInfo {
    char vendor[64];
    char url[256];
    char email[128];
    int32_t flags;
};

struct PClassInfo {
    TUID cid;
    int32_t cardinality;
    char category[32];
    char name[64];
};

struct PClassInfo2 {
    TUID cid;
    int32_t cardinality;
    char category[32];
    char name[64];
    uint32_t classFlags;
    char subCategories[128];
    char vendor[64];
    char version[64];
    char sdkVersion[64];
};

enum MediaTypes : int32_t { kAudio = 0, kEvent = 1 };
enum BusDirections : int32_t { kInput = 0, kOutput = 1 };
enum BusTypes : int32_t { kMain = 0, kAux = 1 };
inline constexpr uint32_t kDefaultActive = 1 << 0;
inline constexpr uint32_t kDistributable = 1 << 0; // component flag: not set, one object

struct BusInfo {
    int32_t mediaType;
    int32_t direction;
    int32_t channelCount;
    String128 name;
    int32_t busType;
    uint32_t flags;
};

struct RoutingInfo {
    int32_t mediaType;
    int32_t busIndex;
    int32_t channel;
};

enum SymbolicSampleSizes : int32_t { kSample32 = 0, kSample64 = 1 };
inline constexpr SpeakerArrangement kStereo = 0x3; // left and right

struct ProcessSetup {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t maxSamplesPerBlock;
    double sampleRate;
};

struct AudioBusBuffers {
    int32_t numChannels;
    uint64_t silenceFlags;
    union {
        float** channelBuffers32;
        double** channelBuffers64;
    };
};

// ProcessContext::state
inline constexpr uint32_t kPlaying = 1 << 1;
inline constexpr uint32_t kProjectTimeMusicValid = 1 << 9;
inline constexpr uint32_t kTempoValid = 1 << 10;

struct Chord {
    uint8_t keyNote;
    uint8_t rootNote;
    int16_t chordMask;
};
struct FrameRate {
    uint32_t framesPerSecond;
    uint32_t flags;
};

struct ProcessContext {
    uint32_t state;
    double sampleRate;
    TSamples projectTimeSamples;
    int64_t systemTime;
    TSamples continousTimeSamples; // the published spelling
    TQuarterNotes projectTimeMusic;
    TQuarterNotes barPositionMusic;
    TQuarterNotes cycleStartMusic;
    TQuarterNotes cycleEndMusic;
    double tempo;
    int32_t timeSigNumerator;
    int32_t timeSigDenominator;
    Chord chord;
    int32_t smpteOffsetSubframes;
    FrameRate frameRate;
    int32_t samplesToNextClock;
};

enum EventTypes : uint16_t {
    kNoteOnEvent = 0,
    kNoteOffEvent = 1,
    kDataEvent = 2,
    kPolyPressureEvent = 3,
    kLegacyMIDICCOutEvent = 65535,
};

struct NoteOnEvent {
    int16_t channel;
    int16_t pitch;
    float tuning;
    float velocity; // 0..1
    int32_t length;
    int32_t noteId;
};
struct NoteOffEvent {
    int16_t channel;
    int16_t pitch;
    float velocity;
    int32_t noteId;
    float tuning;
};
struct PolyPressureEvent {
    int16_t channel;
    int16_t pitch;
    float pressure;
    int32_t noteId;
};
// A controller, channel pressure (128), pitch bend (129, value and value2 the two 7-bit
// halves) or program change (130) sent out as MIDI.
struct LegacyMIDICCOutEvent {
    uint8_t controlNumber;
    int8_t channel;
    int8_t value;
    int8_t value2;
};
inline constexpr CtrlNumber kAfterTouch = 128;
inline constexpr CtrlNumber kPitchBend = 129;
inline constexpr CtrlNumber kCountCtrlNumber = 130;

struct Event {
    int32_t busIndex;
    int32_t sampleOffset;
    TQuarterNotes ppqPosition;
    uint16_t flags;
    uint16_t type;
    union {
        NoteOnEvent noteOn;
        NoteOffEvent noteOff;
        PolyPressureEvent polyPressure;
        LegacyMIDICCOutEvent midiCCOut;
        // The largest member of the published union (a note expression's text) sets the size.
        struct {
            uint32_t typeId;
            int32_t noteId;
            uint32_t textLen;
            const char16* text;
        } noteExpressionText;
        struct {
            uint32_t typeId;
            int32_t noteId;
            double value;
        } noteExpressionValue;
    };
};

inline constexpr int32_t kCanAutomate = 1 << 0;
inline constexpr int32_t kIsReadOnly = 1 << 1;
inline constexpr int32_t kIsHidden = 1 << 4;

struct ParameterInfo {
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32_t stepCount;
    ParamValue defaultNormalizedValue;
    int32_t unitId;
    int32_t flags;
};

struct ViewRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

inline constexpr char kPlatformTypeHWND[] = "HWND";
inline constexpr char kPlatformTypeX11EmbedWindowID[] = "X11EmbedWindowID";

enum IStreamSeekMode : int32_t { kIBSeekSet = 0, kIBSeekCur = 1, kIBSeekEnd = 2 };

// --- Interfaces -------------------------------------------------------------------------------

#define TONVO_VST3_FUNKNOWN                                                                        \
    tresult(VST3_API* queryInterface)(void* self, const TUID iid, void** obj);                     \
    uint32_t(VST3_API* addRef)(void* self);                                                        \
    uint32_t(VST3_API* release)(void* self)

struct FUnknownVtbl {
    TONVO_VST3_FUNKNOWN;
};
struct FUnknown {
    const FUnknownVtbl* lpVtbl;
};

struct IPluginFactory2Vtbl {
    TONVO_VST3_FUNKNOWN;
    tresult(VST3_API* getFactoryInfo)(void* self, PFactoryInfo* info);
    int32_t(VST3_API* countClasses)(void* self);
    tresult(VST3_API* getClassInfo)(void* self, int32_t index, PClassInfo* info);
    tresult(VST3_API* createInstance)(void* self, FIDString cid, FIDString iid, void** obj);
    tresult(VST3_API* getClassInfo2)(void* self, int32_t index, PClassInfo2* info);
};
struct IPluginFactory2 {
    const IPluginFactory2Vtbl* lpVtbl;
};

struct IBStreamVtbl {
    TONVO_VST3_FUNKNOWN;
    tresult(VST3_API* read)(void* self, void* buffer, int32_t numBytes, int32_t* numBytesRead);
    tresult(VST3_API* write)(void* self, void* buffer, int32_t numBytes, int32_t* numBytesWritten);
    tresult(VST3_API* seek)(void* self, int64_t pos, int32_t mode, int64_t* result);
    tresult(VST3_API* tell)(void* self, int64_t* pos);
};
struct IBStream {
    const IBStreamVtbl* lpVtbl;
};

struct IComponentVtbl {
    TONVO_VST3_FUNKNOWN;
    tresult(VST3_API* initialize)(void* self, FUnknown* context);
    tresult(VST3_API* terminate)(void* self);
    tresult(VST3_API* getControllerClassId)(void* self, TUID classId);
    tresult(VST3_API* setIoMode)(void* self, int32_t mode);
    int32_t(VST3_API* getBusCount)(void* self, int32_t type, int32_t dir);
    tresult(VST3_API* getBusInfo)(void* self, int32_t type, int32_t dir, int32_t index,
                                  BusInfo* bus);
    tresult(VST3_API* getRoutingInfo)(void* self, RoutingInfo* inInfo, RoutingInfo* outInfo);
    tresult(VST3_API* activateBus)(void* self, int32_t type, int32_t dir, int32_t index,
                                   TBool state);
    tresult(VST3_API* setActive)(void* self, TBool state);
    tresult(VST3_API* setState)(void* self, IBStream* state);
    tresult(VST3_API* getState)(void* self, IBStream* state);
};
struct IComponent {
    const IComponentVtbl* lpVtbl;
};

struct IEventListVtbl {
    TONVO_VST3_FUNKNOWN;
    int32_t(VST3_API* getEventCount)(void* self);
    tresult(VST3_API* getEvent)(void* self, int32_t index, Event* e);
    tresult(VST3_API* addEvent)(void* self, Event* e);
};
struct IEventList {
    const IEventListVtbl* lpVtbl;
};

struct IParamValueQueueVtbl {
    TONVO_VST3_FUNKNOWN;
    ParamID(VST3_API* getParameterId)(void* self);
    int32_t(VST3_API* getPointCount)(void* self);
    tresult(VST3_API* getPoint)(void* self, int32_t index, int32_t* sampleOffset,
                                ParamValue* value);
    tresult(VST3_API* addPoint)(void* self, int32_t sampleOffset, ParamValue value, int32_t* index);
};
struct IParamValueQueue {
    const IParamValueQueueVtbl* lpVtbl;
};

struct IParameterChangesVtbl {
    TONVO_VST3_FUNKNOWN;
    int32_t(VST3_API* getParameterCount)(void* self);
    IParamValueQueue*(VST3_API* getParameterData)(void* self, int32_t index);
    IParamValueQueue*(VST3_API* addParameterData)(void* self, const ParamID* id, int32_t* index);
};
struct IParameterChanges {
    const IParameterChangesVtbl* lpVtbl;
};

struct ProcessData {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t numSamples;
    int32_t numInputs;
    int32_t numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};

struct IAudioProcessorVtbl {
    TONVO_VST3_FUNKNOWN;
    tresult(VST3_API* setBusArrangements)(void* self, SpeakerArrangement* inputs, int32_t numIns,
                                          SpeakerArrangement* outputs, int32_t numOuts);
    tresult(VST3_API* getBusArrangement)(void* self, int32_t dir, int32_t index,
                                         SpeakerArrangement* arr);
    tresult(VST3_API* canProcessSampleSize)(void* self, int32_t symbolicSampleSize);
    uint32_t(VST3_API* getLatencySamples)(void* self);
    tresult(VST3_API* setupProcessing)(void* self, ProcessSetup* setup);
    tresult(VST3_API* setProcessing)(void* self, TBool state);
    tresult(VST3_API* process)(void* self, ProcessData* data);
    uint32_t(VST3_API* getTailSamples)(void* self);
};
struct IAudioProcessor {
    const IAudioProcessorVtbl* lpVtbl;
};

struct IComponentHandlerVtbl {
    TONVO_VST3_FUNKNOWN;
    tresult(VST3_API* beginEdit)(void* self, ParamID id);
    tresult(VST3_API* performEdit)(void* self, ParamID id, ParamValue valueNormalized);
    tresult(VST3_API* endEdit)(void* self, ParamID id);
    tresult(VST3_API* restartComponent)(void* self, int32_t flags);
};
struct IComponentHandler {
    const IComponentHandlerVtbl* lpVtbl;
};

struct IComponentHandler2Vtbl {
    TONVO_VST3_FUNKNOWN;
    tresult(VST3_API* setDirty)(void* self, TBool state);
    tresult(VST3_API* requestOpenEditor)(void* self, FIDString name);
    tresult(VST3_API* startGroupEdit)(void* self);
    tresult(VST3_API* finishGroupEdit)(void* self);
};
struct IComponentHandler2 {
    const IComponentHandler2Vtbl* lpVtbl;
};

struct IPlugView;

struct IEditControllerVtbl {
    TONVO_VST3_FUNKNOWN;
    tresult(VST3_API* initialize)(void* self, FUnknown* context);
    tresult(VST3_API* terminate)(void* self);
    tresult(VST3_API* setComponentState)(void* self, IBStream* state);
    tresult(VST3_API* setState)(void* self, IBStream* state);
    tresult(VST3_API* getState)(void* self, IBStream* state);
    int32_t(VST3_API* getParameterCount)(void* self);
    tresult(VST3_API* getParameterInfo)(void* self, int32_t paramIndex, ParameterInfo* info);
    tresult(VST3_API* getParamStringByValue)(void* self, ParamID id, ParamValue valueNormalized,
                                             char16* string);
    tresult(VST3_API* getParamValueByString)(void* self, ParamID id, char16* string,
                                             ParamValue* valueNormalized);
    ParamValue(VST3_API* normalizedParamToPlain)(void* self, ParamID id,
                                                 ParamValue valueNormalized);
    ParamValue(VST3_API* plainParamToNormalized)(void* self, ParamID id, ParamValue plainValue);
    ParamValue(VST3_API* getParamNormalized)(void* self, ParamID id);
    tresult(VST3_API* setParamNormalized)(void* self, ParamID id, ParamValue value);
    tresult(VST3_API* setComponentHandler)(void* self, IComponentHandler* handler);
    IPlugView*(VST3_API* createView)(void* self, FIDString name);
};
struct IEditController {
    const IEditControllerVtbl* lpVtbl;
};

struct IMidiMappingVtbl {
    TONVO_VST3_FUNKNOWN;
    tresult(VST3_API* getMidiControllerAssignment)(void* self, int32_t busIndex, int16_t channel,
                                                   CtrlNumber midiControllerNumber, ParamID* id);
};
struct IMidiMapping {
    const IMidiMappingVtbl* lpVtbl;
};

struct IHostApplicationVtbl {
    TONVO_VST3_FUNKNOWN;
    tresult(VST3_API* getName)(void* self, char16* name);
    tresult(VST3_API* createInstance)(void* self, TUID cid, TUID iid, void** obj);
};
struct IHostApplication {
    const IHostApplicationVtbl* lpVtbl;
};

struct IPlugFrame;

struct IPlugViewVtbl {
    TONVO_VST3_FUNKNOWN;
    tresult(VST3_API* isPlatformTypeSupported)(void* self, FIDString type);
    tresult(VST3_API* attached)(void* self, void* parent, FIDString type);
    tresult(VST3_API* removed)(void* self);
    tresult(VST3_API* onWheel)(void* self, float distance);
    tresult(VST3_API* onKeyDown)(void* self, char16 key, int16_t keyCode, int16_t modifiers);
    tresult(VST3_API* onKeyUp)(void* self, char16 key, int16_t keyCode, int16_t modifiers);
    tresult(VST3_API* getSize)(void* self, ViewRect* size);
    tresult(VST3_API* onSize)(void* self, ViewRect* newSize);
    tresult(VST3_API* onFocus)(void* self, TBool state);
    tresult(VST3_API* setFrame)(void* self, IPlugFrame* frame);
    tresult(VST3_API* canResize)(void* self);
    tresult(VST3_API* checkSizeConstraint)(void* self, ViewRect* rect);
};
struct IPlugView {
    const IPlugViewVtbl* lpVtbl;
};

struct IPlugFrameVtbl {
    TONVO_VST3_FUNKNOWN;
    tresult(VST3_API* resizeView)(void* self, IPlugView* view, ViewRect* newSize);
};
struct IPlugFrame {
    const IPlugFrameVtbl* lpVtbl;
};

// Linux only: the host's run loop, which calls the handlers on its main thread.
using FileDescriptor = int;
using TimerInterval = uint64_t;

struct ITimerHandlerVtbl {
    TONVO_VST3_FUNKNOWN;
    void(VST3_API* onTimer)(void* self);
};
struct ITimerHandler {
    const ITimerHandlerVtbl* lpVtbl;
};

struct IEventHandlerVtbl {
    TONVO_VST3_FUNKNOWN;
    void(VST3_API* onFDIsSet)(void* self, FileDescriptor fd);
};
struct IEventHandler {
    const IEventHandlerVtbl* lpVtbl;
};

struct IRunLoopVtbl {
    TONVO_VST3_FUNKNOWN;
    tresult(VST3_API* registerEventHandler)(void* self, IEventHandler* handler, FileDescriptor fd);
    tresult(VST3_API* unregisterEventHandler)(void* self, IEventHandler* handler);
    tresult(VST3_API* registerTimer)(void* self, ITimerHandler* handler,
                                     TimerInterval milliseconds);
    tresult(VST3_API* unregisterTimer)(void* self, ITimerHandler* handler);
};
struct IRunLoop {
    const IRunLoopVtbl* lpVtbl;
};

#undef TONVO_VST3_FUNKNOWN

// --- Layouts, as hosts lay them out on every target -----------------------------------------

inline constexpr bool kPointer32 = sizeof(void*) == 4;
inline constexpr size_t kSlot = sizeof(void*);
static_assert(sizeof(PFactoryInfo) == 452 && offsetof(PFactoryInfo, flags) == 448);
static_assert(sizeof(PClassInfo) == 116);
static_assert(sizeof(PClassInfo2) == 440 && offsetof(PClassInfo2, classFlags) == 116);
static_assert(offsetof(PClassInfo2, subCategories) == 120);
static_assert(offsetof(PClassInfo2, sdkVersion) == 376);
static_assert(sizeof(BusInfo) == 276 && offsetof(BusInfo, name) == 12);
static_assert(offsetof(BusInfo, busType) == 268 && offsetof(BusInfo, flags) == 272);
static_assert(sizeof(RoutingInfo) == 12);
static_assert(sizeof(ProcessSetup) == 24 && offsetof(ProcessSetup, sampleRate) == 16);
static_assert(sizeof(AudioBusBuffers) == 24 && offsetof(AudioBusBuffers, silenceFlags) == 8);
static_assert(offsetof(AudioBusBuffers, channelBuffers32) == 16);
static_assert(sizeof(ProcessData) == (kPointer32 ? 48 : 80));
static_assert(offsetof(ProcessData, inputs) == (kPointer32 ? 20 : 24));
static_assert(offsetof(ProcessData, inputParameterChanges) == (kPointer32 ? 28 : 40));
static_assert(offsetof(ProcessData, inputEvents) == (kPointer32 ? 36 : 56));
static_assert(offsetof(ProcessData, processContext) == (kPointer32 ? 44 : 72));
static_assert(sizeof(ProcessContext) == 112 && offsetof(ProcessContext, sampleRate) == 8);
static_assert(offsetof(ProcessContext, projectTimeSamples) == 16);
static_assert(offsetof(ProcessContext, projectTimeMusic) == 40);
static_assert(offsetof(ProcessContext, tempo) == 72);
static_assert(offsetof(ProcessContext, chord) == 88);
static_assert(offsetof(ProcessContext, samplesToNextClock) == 104);
static_assert(sizeof(Event) == 48 && offsetof(Event, ppqPosition) == 8);
static_assert(offsetof(Event, type) == 18 && offsetof(Event, noteOn) == 24);
static_assert(sizeof(NoteOnEvent) == 20 && offsetof(NoteOnEvent, velocity) == 8);
static_assert(sizeof(NoteOffEvent) == 16 && offsetof(NoteOffEvent, velocity) == 4);
static_assert(sizeof(LegacyMIDICCOutEvent) == 4);
static_assert(sizeof(ParameterInfo) == 792 && offsetof(ParameterInfo, stepCount) == 772);
static_assert(offsetof(ParameterInfo, defaultNormalizedValue) == 776);
static_assert(offsetof(ParameterInfo, flags) == 788);
static_assert(sizeof(ViewRect) == 16);
// The tables: each routine's slot, counted from queryInterface at 0.
static_assert(offsetof(IPluginFactory2Vtbl, getClassInfo2) == 7 * kSlot);
static_assert(offsetof(IBStreamVtbl, tell) == 6 * kSlot);
static_assert(offsetof(IComponentVtbl, getControllerClassId) == 5 * kSlot);
static_assert(offsetof(IComponentVtbl, getState) == 13 * kSlot);
static_assert(offsetof(IEventListVtbl, addEvent) == 5 * kSlot);
static_assert(offsetof(IParamValueQueueVtbl, addPoint) == 6 * kSlot);
static_assert(offsetof(IParameterChangesVtbl, addParameterData) == 5 * kSlot);
static_assert(offsetof(IAudioProcessorVtbl, process) == 9 * kSlot);
static_assert(offsetof(IAudioProcessorVtbl, getTailSamples) == 10 * kSlot);
static_assert(offsetof(IComponentHandlerVtbl, restartComponent) == 6 * kSlot);
static_assert(offsetof(IComponentHandler2Vtbl, finishGroupEdit) == 6 * kSlot);
static_assert(offsetof(IEditControllerVtbl, createView) == 17 * kSlot);
static_assert(offsetof(IMidiMappingVtbl, getMidiControllerAssignment) == 3 * kSlot);
static_assert(offsetof(IHostApplicationVtbl, createInstance) == 4 * kSlot);
static_assert(offsetof(IPlugViewVtbl, checkSizeConstraint) == 14 * kSlot);
static_assert(offsetof(IPlugFrameVtbl, resizeView) == 3 * kSlot);
static_assert(offsetof(IRunLoopVtbl, unregisterTimer) == 6 * kSlot);
static_assert(offsetof(ITimerHandlerVtbl, onTimer) == 3 * kSlot);

} // namespace tonvo::vst3
