// A VST 3 host for the tests: the module loaded as a host loads it (dlopen, or LoadLibraryW
// under Wine), its factory, and one instance driven through its interfaces as a host drives
// it: the component initialised with a host context, the controller found on it, the
// processor set up and active; note events and hidden-parameter points in, events out, the
// process context's transport, state through streams that take a few bytes a call, and the
// host's component handler, whose references and dirty marks a test can read.
#pragma once

#include "formats/vst3/vst3_abi.h"
#include "support/fake_host.h"
#include "tonvo_host/plugin_library.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <gtest/gtest.h>
#include <vector>

namespace tonvo::test {

using namespace tonvo::vst3;

// The module and its factory, once per program, as a host keeps it while any instance lives.
// The module is TONVO_VST3_PATH, or the one TONVO_VST3_UNDER_TEST names (a package's).
inline IPluginFactory2& factory() {
    static const char* const path = std::getenv("TONVO_VST3_UNDER_TEST") != nullptr
                                        ? std::getenv("TONVO_VST3_UNDER_TEST")
                                        : TONVO_VST3_PATH;
    static tools::PluginLibrary library(path);
    using GetFactory = IPluginFactory2* (*)();
    static const auto get = reinterpret_cast<GetFactory>(library.Symbol("GetPluginFactory"));
    if (get == nullptr || get() == nullptr) {
        ADD_FAILURE() << "no GetPluginFactory in " << path << ": " << library.Error();
        std::abort();
    }
    return *get();
}

// Host objects: each a record with its table first and a count of the references it holds.
template <typename Self, typename Vtbl>
struct HostObject {
    const Vtbl* lpVtbl;
    int references = 1;
    static Self& of(void* self) { return *static_cast<Self*>(self); }
    static tresult VST3_API query(void* self, const TUID iid, void** obj) {
        if (same_uid(iid, FUnknown_iid) || Self::answers(iid)) {
            *obj = self;
            ++of(self).references;
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    static uint32_t VST3_API add_ref(void* self) {
        return static_cast<uint32_t>(++of(self).references);
    }
    static uint32_t VST3_API release(void* self) {
        return static_cast<uint32_t>(--of(self).references);
    }
};

struct EventList : HostObject<EventList, IEventListVtbl> {
    std::vector<Event> events;
    EventList() { lpVtbl = &kVtbl; }
    static bool answers(const char* iid) { return same_uid(iid, IEventList_iid); }
    static int32_t VST3_API count(void* self) {
        return static_cast<int32_t>(of(self).events.size());
    }
    static tresult VST3_API get(void* self, int32_t index, Event* e) {
        auto& events = of(self).events;
        if (index < 0 || index >= static_cast<int32_t>(events.size())) {
            return kInvalidArgument;
        }
        *e = events[static_cast<size_t>(index)];
        return kResultOk;
    }
    static tresult VST3_API add(void* self, Event* e) {
        of(self).events.push_back(*e);
        return kResultOk;
    }
    static constexpr IEventListVtbl kVtbl{&query, &add_ref, &release, &count, &get, &add};
};

struct ParamQueue : HostObject<ParamQueue, IParamValueQueueVtbl> {
    ParamID id = 0;
    std::vector<std::pair<int32_t, ParamValue>> points;
    ParamQueue() { lpVtbl = &kVtbl; }
    static bool answers(const char* iid) { return same_uid(iid, IParamValueQueue_iid); }
    static ParamID VST3_API id_of(void* self) { return of(self).id; }
    static int32_t VST3_API count(void* self) {
        return static_cast<int32_t>(of(self).points.size());
    }
    static tresult VST3_API get(void* self, int32_t index, int32_t* offset, ParamValue* value) {
        const auto& point = of(self).points.at(static_cast<size_t>(index));
        *offset = point.first;
        *value = point.second;
        return kResultOk;
    }
    static tresult VST3_API add(void*, int32_t, ParamValue, int32_t*) { return kResultFalse; }
    static constexpr IParamValueQueueVtbl kVtbl{&query, &add_ref, &release, &id_of,
                                                &count, &get,     &add};
};

struct ParameterChanges : HostObject<ParameterChanges, IParameterChangesVtbl> {
    std::deque<ParamQueue> queues;
    ParameterChanges() { lpVtbl = &kVtbl; }
    static bool answers(const char* iid) { return same_uid(iid, IParameterChanges_iid); }
    static int32_t VST3_API count(void* self) {
        return static_cast<int32_t>(of(self).queues.size());
    }
    static IParamValueQueue* VST3_API get(void* self, int32_t index) {
        auto& queues = of(self).queues;
        return index >= 0 && index < static_cast<int32_t>(queues.size())
                   ? reinterpret_cast<IParamValueQueue*>(&queues[static_cast<size_t>(index)])
                   : nullptr;
    }
    static IParamValueQueue* VST3_API add(void*, const ParamID*, int32_t*) { return nullptr; }
    static constexpr IParameterChangesVtbl kVtbl{&query, &add_ref, &release, &count, &get, &add};
};

// A stream over bytes that reads or writes at most `step` bytes a call. Some hosts' streams
// answer kResultFalse to a read that got fewer bytes than asked for, as file streams do at the
// end: `short_read_fails` answers so.
struct Stream : HostObject<Stream, IBStreamVtbl> {
    std::vector<uint8_t> bytes;
    size_t at = 0;
    size_t step = 7;
    bool short_read_fails = false;
    explicit Stream(std::vector<uint8_t> from = {}, size_t step_bytes = 7,
                    bool short_reads_fail = false)
        : bytes(std::move(from)), step(step_bytes), short_read_fails(short_reads_fail) {
        lpVtbl = &kVtbl;
    }
    static bool answers(const char* iid) { return same_uid(iid, IBStream_iid); }
    static tresult VST3_API read(void* self, void* buffer, int32_t size, int32_t* done) {
        Stream& s = of(self);
        const size_t n =
            std::min({static_cast<size_t>(std::max(size, 0)), s.step, s.bytes.size() - s.at});
        if (n > 0) {
            std::memcpy(buffer, s.bytes.data() + s.at, n);
        }
        s.at += n;
        *done = static_cast<int32_t>(n);
        return s.short_read_fails && static_cast<int32_t>(n) < size ? kResultFalse : kResultOk;
    }
    static tresult VST3_API write(void* self, void* buffer, int32_t size, int32_t* done) {
        Stream& s = of(self);
        const size_t n = std::min(static_cast<size_t>(std::max(size, 0)), s.step);
        const auto* from = static_cast<const uint8_t*>(buffer);
        s.bytes.insert(s.bytes.end(), from, from + n);
        *done = static_cast<int32_t>(n);
        return kResultOk;
    }
    static tresult VST3_API seek(void*, int64_t, int32_t, int64_t*) { return kNotImplemented; }
    static tresult VST3_API tell(void* self, int64_t* pos) {
        *pos = static_cast<int64_t>(of(self).at);
        return kResultOk;
    }
    static constexpr IBStreamVtbl kVtbl{&query, &add_ref, &release, &read, &write, &seek, &tell};
};

struct HostApplication : HostObject<HostApplication, IHostApplicationVtbl> {
    HostApplication() { lpVtbl = &kVtbl; }
    static bool answers(const char* iid) { return same_uid(iid, IHostApplication_iid); }
    static tresult VST3_API name(void*, char16* to) {
        const char16 text[] = u"Tonvo test host";
        std::memcpy(to, text, sizeof text);
        return kResultOk;
    }
    static tresult VST3_API create(void*, TUID, TUID, void** obj) {
        *obj = nullptr;
        return kNotImplemented;
    }
    static constexpr IHostApplicationVtbl kVtbl{&query, &add_ref, &release, &name, &create};
};

// The component handler, with its second interface (setDirty) as a record of its own.
struct ComponentHandler : HostObject<ComponentHandler, IComponentHandlerVtbl> {
    struct Second {
        const IComponentHandler2Vtbl* lpVtbl;
        ComponentHandler* owner;
    } second{&kVtbl2, this};
    int dirty = 0;
    ComponentHandler() { lpVtbl = &kVtbl; }
    static bool answers(const char* iid) { return same_uid(iid, IComponentHandler_iid); }
    static tresult VST3_API query_handler(void* self, const TUID iid, void** obj) {
        if (same_uid(iid, IComponentHandler2_iid)) {
            *obj = &of(self).second;
            ++of(self).references;
            return kResultOk;
        }
        return query(self, iid, obj);
    }
    static tresult VST3_API edit(void*, ParamID) { return kResultOk; }
    static tresult VST3_API perform(void*, ParamID, ParamValue) { return kResultOk; }
    static tresult VST3_API restart(void*, int32_t) { return kResultOk; }
    static constexpr IComponentHandlerVtbl kVtbl{&query_handler, &add_ref, &release, &edit,
                                                 &perform,       &edit,    &restart};

    static ComponentHandler& owner_of(void* self) { return *static_cast<Second*>(self)->owner; }
    static tresult VST3_API query2(void* self, const TUID iid, void** obj) {
        return query_handler(owner_of(self).self(), iid, obj);
    }
    static uint32_t VST3_API add_ref2(void* self) { return add_ref(owner_of(self).self()); }
    static uint32_t VST3_API release2(void* self) { return release(owner_of(self).self()); }
    static tresult VST3_API set_dirty(void* self, TBool state) {
        owner_of(self).dirty += state != 0 ? 1 : 0;
        return kResultOk;
    }
    static tresult VST3_API open_editor(void*, FIDString) { return kResultFalse; }
    static tresult VST3_API group(void*) { return kResultOk; }
    static constexpr IComponentHandler2Vtbl kVtbl2{&query2,      &add_ref2, &release2, &set_dirty,
                                                   &open_editor, &group,    &group};
    void* self() { return this; }
};

// The host's frame around an editor view, with its run loop (IRunLoop, asked of the frame as
// VST 3 hosts on Linux offer it): the timers the view registered, fired on request.
struct Frame : HostObject<Frame, IPlugFrameVtbl> {
    struct Loop {
        const IRunLoopVtbl* lpVtbl;
        Frame* owner;
    } loop{&kLoop, this};
    std::vector<ITimerHandler*> timers;
    Frame() { lpVtbl = &kVtbl; }
    static bool answers(const char* iid) { return same_uid(iid, IPlugFrame_iid); }
    static tresult VST3_API query_frame(void* self, const TUID iid, void** obj) {
        if (same_uid(iid, IRunLoop_iid)) {
            *obj = &of(self).loop;
            ++of(self).references;
            return kResultOk;
        }
        return query(self, iid, obj);
    }
    static tresult VST3_API resize(void*, IPlugView*, ViewRect*) { return kResultFalse; }
    static constexpr IPlugFrameVtbl kVtbl{&query_frame, &add_ref, &release, &resize};

    static Frame& owner_of(void* self) { return *static_cast<Loop*>(self)->owner; }
    static tresult VST3_API query_loop(void* self, const TUID iid, void** obj) {
        return query_frame(&owner_of(self), iid, obj);
    }
    static uint32_t VST3_API add_ref_loop(void* self) { return add_ref(&owner_of(self)); }
    static uint32_t VST3_API release_loop(void* self) { return release(&owner_of(self)); }
    static tresult VST3_API add_handler(void*, IEventHandler*, FileDescriptor) { return kResultOk; }
    static tresult VST3_API remove_handler(void*, IEventHandler*) { return kResultOk; }
    static tresult VST3_API add_timer(void* self, ITimerHandler* handler, TimerInterval) {
        owner_of(self).timers.push_back(handler);
        return kResultOk;
    }
    static tresult VST3_API remove_timer(void* self, ITimerHandler* handler) {
        auto& timers = owner_of(self).timers;
        const auto found = std::find(timers.begin(), timers.end(), handler);
        if (found == timers.end()) {
            return kInvalidArgument;
        }
        timers.erase(found);
        return kResultOk;
    }
    static constexpr IRunLoopVtbl kLoop{&query_loop,     &add_ref_loop, &release_loop, &add_handler,
                                        &remove_handler, &add_timer,    &remove_timer};

    void fire_timers() {
        for (ITimerHandler* timer : std::vector<ITimerHandler*>(timers)) {
            timer->lpVtbl->onTimer(timer);
        }
    }
};

// One instance of the plug-in, its interfaces and the host's objects it was given.
class Vst3Host {
public:
    Vst3Host() {
        IPluginFactory2& f = factory();
        // The class as the factory describes it, as a host finds it.
        PClassInfo info{};
        void* obj = nullptr;
        created_ = f.lpVtbl->getClassInfo(&f, 0, &info) == kResultOk &&
                   f.lpVtbl->createInstance(&f, info.cid, IComponent_iid.bytes, &obj) == kResultOk;
        component_ = static_cast<IComponent*>(obj);
        if (component_ == nullptr) {
            return;
        }
        processor_ = query<IAudioProcessor>(IAudioProcessor_iid);
        controller_ = query<IEditController>(IEditController_iid);
        mapping_ = query<IMidiMapping>(IMidiMapping_iid);
    }
    ~Vst3Host() { finish(); }
    Vst3Host(const Vst3Host&) = delete;
    Vst3Host& operator=(const Vst3Host&) = delete;

    IComponent* component() const { return component_; }
    IAudioProcessor* processor() const { return processor_; }
    IEditController* controller() const { return controller_; }
    IMidiMapping* mapping() const { return mapping_; }
    ComponentHandler& handler() { return handler_; }
    HostApplication& context() { return context_; }

    template <typename Interface>
    Interface* query(const Uid& iid) {
        void* obj = nullptr;
        return component_->lpVtbl->queryInterface(component_, iid.bytes, &obj) == kResultOk
                   ? static_cast<Interface*>(obj)
                   : nullptr;
    }

    // Initialised as component and controller, as a host does with one object; then set up,
    // active and processing.
    bool start(double rate = 48000.0, int32_t max_frames = 4096) {
        if (component_ == nullptr || processor_ == nullptr || controller_ == nullptr) {
            return false;
        }
        auto* context = reinterpret_cast<FUnknown*>(&context_);
        if (component_->lpVtbl->initialize(component_, context) != kResultOk ||
            controller_->lpVtbl->initialize(controller_, context) != kResultOk ||
            controller_->lpVtbl->setComponentHandler(
                controller_, reinterpret_cast<IComponentHandler*>(&handler_)) != kResultOk) {
            return false;
        }
        initialized_ = true;
        return activate(rate, max_frames);
    }
    bool activate(double rate, int32_t max_frames) {
        ProcessSetup setup{0, kSample32, max_frames, rate};
        SpeakerArrangement stereo = kStereo;
        active_ = processor_->lpVtbl->setupProcessing(processor_, &setup) == kResultOk &&
                  processor_->lpVtbl->setBusArrangements(processor_, nullptr, 0, &stereo, 1) ==
                      kResultOk &&
                  component_->lpVtbl->setActive(component_, 1) == kResultOk &&
                  processor_->lpVtbl->setProcessing(processor_, 1) == kResultOk;
        return active_;
    }
    void deactivate() {
        processor_->lpVtbl->setProcessing(processor_, 0);
        component_->lpVtbl->setActive(component_, 0);
        active_ = false;
    }

    // Events and controller points for the next block.
    void note_on(int32_t frame, int16_t channel, int16_t pitch, float velocity = 100.0f / 127) {
        Event e{};
        e.sampleOffset = frame;
        e.type = kNoteOnEvent;
        e.noteOn = {channel, pitch, 0.0f, velocity, 0, -1};
        input_.events.push_back(e);
    }
    void note_off(int32_t frame, int16_t channel, int16_t pitch) {
        Event e{};
        e.sampleOffset = frame;
        e.type = kNoteOffEvent;
        e.noteOff = {channel, pitch, 0.0f, -1, 0.0f};
        input_.events.push_back(e);
    }
    void poly_pressure(int32_t frame, int16_t channel, int16_t pitch, float pressure) {
        Event e{};
        e.sampleOffset = frame;
        e.type = kPolyPressureEvent;
        e.polyPressure = {channel, pitch, pressure, -1};
        input_.events.push_back(e);
    }
    // A MIDI controller (or 128 pressure, 129 pitch bend) as the host maps it; false when the
    // plug-in maps it onto no parameter.
    bool controller_point(int32_t frame, int16_t channel, CtrlNumber number, double value) {
        ParamID id = 0;
        if (mapping_->lpVtbl->getMidiControllerAssignment(mapping_, 0, channel, number, &id) !=
            kResultOk) {
            return false;
        }
        ParamQueue& queue = changes_.queues.emplace_back();
        queue.id = id;
        queue.points.emplace_back(frame, value);
        return true;
    }
    // The block's transport: playing or not, at a sample position.
    void transport(bool playing, int64_t samples) {
        has_context_ = true;
        context_block_ = {};
        context_block_.state = (playing ? kPlaying : 0U) | kTempoValid;
        context_block_.sampleRate = 48000.0;
        context_block_.projectTimeSamples = samples;
        context_block_.tempo = 120.0;
    }

    // One block; what it sent, as MIDI, each event's time in DeltaFrames. The audio outputs
    // must come back silent.
    std::vector<Delivered> process(int32_t frames = 256) {
        std::vector<float> left(static_cast<size_t>(frames), 1.0f);
        std::vector<float> right(static_cast<size_t>(frames), 1.0f);
        float* channels[2] = {left.data(), right.data()};
        AudioBusBuffers out{};
        out.numChannels = 2;
        out.channelBuffers32 = channels;
        EventList output;
        ProcessData data{};
        data.symbolicSampleSize = kSample32;
        data.numSamples = frames;
        data.numOutputs = 1;
        data.outputs = &out;
        data.inputParameterChanges = reinterpret_cast<IParameterChanges*>(&changes_);
        data.inputEvents = reinterpret_cast<IEventList*>(&input_);
        data.outputEvents = reinterpret_cast<IEventList*>(&output);
        data.processContext = has_context_ ? &context_block_ : nullptr;
        EXPECT_EQ(processor_->lpVtbl->process(processor_, &data), kResultOk);
        input_.events.clear();
        changes_.queues.clear();
        for (const float sample : left) {
            EXPECT_EQ(sample, 0.0f) << "the outputs are silent";
        }
        EXPECT_EQ(out.silenceFlags, 3u);
        std::vector<Delivered> sent;
        int32_t last = 0;
        for (const Event& e : output.events) {
            EXPECT_GE(e.sampleOffset, last) << "a time went back";
            EXPECT_LT(e.sampleOffset, frames);
            last = e.sampleOffset;
            expect_plain(e);
            sent.push_back(midi_of(e));
        }
        return sent;
    }

    std::vector<uint8_t> save(size_t step = 7) {
        Stream stream({}, step);
        EXPECT_EQ(component_->lpVtbl->getState(component_, reinterpret_cast<IBStream*>(&stream)),
                  kResultOk);
        return stream.bytes;
    }
    bool load(const std::vector<uint8_t>& bytes, size_t step = 5, bool short_reads_fail = false) {
        Stream stream(bytes, step, short_reads_fail);
        return component_->lpVtbl->setState(component_, reinterpret_cast<IBStream*>(&stream)) ==
               kResultOk;
    }

    // Terminates and releases every interface as a host does; answers the count the last
    // release left (0 when the object went).
    uint32_t finish() {
        if (component_ == nullptr) {
            return 0;
        }
        if (active_) {
            deactivate();
        }
        if (initialized_) {
            controller_->lpVtbl->setComponentHandler(controller_, nullptr);
            controller_->lpVtbl->terminate(controller_);
            component_->lpVtbl->terminate(component_);
        }
        for (FUnknown* face :
             {reinterpret_cast<FUnknown*>(mapping_), reinterpret_cast<FUnknown*>(controller_),
              reinterpret_cast<FUnknown*>(processor_)}) {
            if (face != nullptr) {
                face->lpVtbl->release(face);
            }
        }
        const uint32_t left = component_->lpVtbl->release(component_);
        component_ = nullptr;
        return left;
    }

private:
    // What the plug-in's events carry besides the MIDI message: bus 0, no flags or musical
    // position, and for notes no tuning, length or note id.
    static void expect_plain(const Event& e) {
        EXPECT_EQ(e.busIndex, 0);
        EXPECT_EQ(e.flags, 0);
        EXPECT_EQ(e.ppqPosition, 0.0);
        if (e.type == kNoteOnEvent) {
            EXPECT_EQ(e.noteOn.tuning, 0.0f);
            EXPECT_EQ(e.noteOn.length, 0);
            EXPECT_EQ(e.noteOn.noteId, -1);
        } else if (e.type == kNoteOffEvent) {
            EXPECT_EQ(e.noteOff.tuning, 0.0f);
            EXPECT_EQ(e.noteOff.noteId, -1);
        } else if (e.type == kPolyPressureEvent) {
            EXPECT_EQ(e.polyPressure.noteId, -1);
        }
    }
    static Delivered midi_of(const Event& e) {
        const auto velocity = [](float v) { return static_cast<uint8_t>(std::lround(v * 127)); };
        switch (e.type) {
        case kNoteOnEvent:
            return {static_cast<uint8_t>(0x90 | e.noteOn.channel),
                    static_cast<uint8_t>(e.noteOn.pitch), velocity(e.noteOn.velocity),
                    e.sampleOffset};
        case kNoteOffEvent:
            return {static_cast<uint8_t>(0x80 | e.noteOff.channel),
                    static_cast<uint8_t>(e.noteOff.pitch), velocity(e.noteOff.velocity),
                    e.sampleOffset};
        case kPolyPressureEvent:
            return {static_cast<uint8_t>(0xA0 | e.polyPressure.channel),
                    static_cast<uint8_t>(e.polyPressure.pitch), velocity(e.polyPressure.pressure),
                    e.sampleOffset};
        case kLegacyMIDICCOutEvent: {
            const auto channel = static_cast<uint8_t>(e.midiCCOut.channel);
            const auto value = static_cast<uint8_t>(e.midiCCOut.value);
            if (e.midiCCOut.controlNumber == kPitchBend) {
                return {static_cast<uint8_t>(0xE0 | channel), value,
                        static_cast<uint8_t>(e.midiCCOut.value2), e.sampleOffset};
            }
            if (e.midiCCOut.controlNumber == kAfterTouch) {
                return {static_cast<uint8_t>(0xD0 | channel), value, 0, e.sampleOffset};
            }
            return {static_cast<uint8_t>(0xB0 | channel), e.midiCCOut.controlNumber, value,
                    e.sampleOffset};
        }
        default: ADD_FAILURE() << "unexpected event type " << e.type; return {};
        }
    }

    bool created_ = false;
    IComponent* component_ = nullptr;
    IAudioProcessor* processor_ = nullptr;
    IEditController* controller_ = nullptr;
    IMidiMapping* mapping_ = nullptr;
    HostApplication context_;
    ComponentHandler handler_;
    bool initialized_ = false;
    bool active_ = false;
    EventList input_;
    ParameterChanges changes_;
    bool has_context_ = false;
    ProcessContext context_block_{};
};

} // namespace tonvo::test
