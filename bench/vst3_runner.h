// Tonvo.vst3 in peer_bench: the module loaded once, as a host keeps it, and one instance per
// workload created through its factory and driven through its interfaces. The workload's notes
// are made into VST 3 events once, as a host holds its notes in its own form; each block hands
// the processor an input list over the block's events and an output list that counts the
// note events it is given, as the VST 2.4 runs' host counts what it is sent; there is no
// process context (no transport), as the LV2 and CLAP runs have none. The same host also runs
// the VST 3 pass-through: the cheapest processing VST 3 allows, every input event handed to
// the output list as it is, which is the floor under any VST 3 plug-in's cost per event, as
// the C pass-through is for VST 2.4.
#pragma once

#include "formats/vst3/vst3_abi.h"
#include "note_streams.h"
#include "runner.h"
#include "tonvo_host/plugin_library.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonvo::bench {

class Vst3Library {
public:
    explicit Vst3Library(const char* path) : library_(path) {
        using GetFactory = vst3::IPluginFactory2* (*)();
        const auto get = reinterpret_cast<GetFactory>(library_.Symbol("GetPluginFactory"));
        factory_ = get != nullptr ? get() : nullptr;
        if (factory_ == nullptr) {
            throw std::runtime_error(std::string("no VST 3 factory in ") + path + ": " +
                                     library_.Error());
        }
    }
    vst3::IPluginFactory2& Factory() const noexcept { return *factory_; }

private:
    tools::PluginLibrary library_;
    vst3::IPluginFactory2* factory_ = nullptr;
};

// Every input event to the output list as it is: a processor's least work per event.
inline vst3::tresult VST3_API pass_events_through(void*, vst3::ProcessData* data) {
    vst3::IEventList* in = data->inputEvents;
    vst3::IEventList* out = data->outputEvents;
    const int32_t count = in->lpVtbl->getEventCount(in);
    for (int32_t i = 0; i < count; ++i) {
        vst3::Event event;
        if (in->lpVtbl->getEvent(in, i, &event) == vst3::kResultOk) {
            out->lpVtbl->addEvent(out, &event);
        }
    }
    return vst3::kResultOk;
}

class Vst3Runner : public Runner {
public:
    // Tonvo.vst3.
    Vst3Runner(const Vst3Library& library, const std::vector<uint8_t>& state, double rate,
               const std::vector<Note>& before, const std::vector<Note>& loop)
        : loop_(loop) {
        using namespace vst3;
        IPluginFactory2& f = library.Factory();
        PClassInfo info{};
        void* obj = nullptr;
        if (f.lpVtbl->getClassInfo(&f, 0, &info) != kResultOk ||
            f.lpVtbl->createInstance(&f, info.cid, IComponent_iid.bytes, &obj) != kResultOk) {
            throw std::runtime_error("Tonvo.vst3 made no instance");
        }
        component_ = static_cast<IComponent*>(obj);
        if (component_->lpVtbl->queryInterface(component_, IAudioProcessor_iid.bytes, &obj) !=
            kResultOk) {
            throw std::runtime_error("Tonvo.vst3 has no audio processor");
        }
        processor_ = static_cast<IAudioProcessor*>(obj);
        component_->lpVtbl->initialize(component_, nullptr);
        Load(state);
        ProcessSetup setup{0, kSample32, kStreamFrames, rate};
        SpeakerArrangement stereo = kStereo;
        if (processor_->lpVtbl->setupProcessing(processor_, &setup) != kResultOk ||
            processor_->lpVtbl->setBusArrangements(processor_, nullptr, 0, &stereo, 1) !=
                kResultOk ||
            component_->lpVtbl->setActive(component_, 1) != kResultOk ||
            processor_->lpVtbl->setProcessing(processor_, 1) != kResultOk) {
            throw std::runtime_error("Tonvo.vst3 did not start processing");
        }
        process_ = processor_->lpVtbl->process;
        self_ = processor_;
        Prepare("Tonvo.vst3", before, loop);
    }
    // The pass-through, called as a host calls a processor.
    Vst3Runner(const std::vector<Note>& before, const std::vector<Note>& loop) : loop_(loop) {
        process_ = &pass_events_through;
        input_.lpVtbl = &kList<Host::kPassThrough>;
        output_.lpVtbl = &kList<Host::kPassThrough>;
        Prepare("the VST 3 pass-through", before, loop);
    }
    ~Vst3Runner() override {
        if (component_ == nullptr) {
            return;
        }
        processor_->lpVtbl->setProcessing(processor_, 0);
        component_->lpVtbl->setActive(component_, 0);
        component_->lpVtbl->terminate(component_);
        processor_->lpVtbl->release(processor_);
        component_->lpVtbl->release(component_);
    }
    Vst3Runner(const Vst3Runner&) = delete;
    Vst3Runner& operator=(const Vst3Runner&) = delete;

    void Run(size_t count) override {
        play_blocks(loop_, next_, count, [this](size_t first) { RunBlock(loopEvents_, first); });
    }

private:
    // The block's buffers and lists; then every note played once, and checked.
    void Prepare(const char* name, const std::vector<Note>& before, const std::vector<Note>& loop) {
        using namespace vst3;
        channels_ = {left_.data(), right_.data()};
        out_.numChannels = 2;
        out_.channelBuffers32 = channels_.data();
        data_.symbolicSampleSize = kSample32;
        data_.numSamples = kStreamFrames;
        data_.numOutputs = 1;
        data_.outputs = &out_;
        data_.inputEvents = reinterpret_cast<IEventList*>(&input_);
        data_.outputEvents = reinterpret_cast<IEventList*>(&output_);
        const int64_t sentBefore = PlayOnce(before);
        const int64_t sentLoop = PlayOnce(loop);
        loopEvents_ = events_of(loop);
        if (sentBefore != static_cast<int64_t>(before.size()) ||
            sentLoop != static_cast<int64_t>(loop.size())) {
            throw std::runtime_error(std::string(name) + " sent " + std::to_string(sentBefore) +
                                     " and " + std::to_string(sentLoop) + " events for " +
                                     std::to_string(before.size()) + " and " +
                                     std::to_string(loop.size()));
        }
    }

    // The host's lists: a table and the runner they belong to. Tonvo.vst3 and the pass-through
    // each have list routines of their own (`Host`), as two hosts would: with shared routines,
    // running the pass-through slowed the Tonvo.vst3 runs after it by a fifth and more.
    enum class Host { kTonvo, kPassThrough };
    struct List {
        const void* lpVtbl;
        Vst3Runner* owner;
    };
    static Vst3Runner& of(void* list) { return *static_cast<List*>(list)->owner; }
    static vst3::tresult VST3_API no_query(void*, const vst3::TUID, void** obj) {
        *obj = nullptr;
        return vst3::kNoInterface;
    }
    static uint32_t VST3_API one(void*) { return 1; }
    template <Host>
    static int32_t VST3_API count(void* list) {
        return of(list).inCount_;
    }
    template <Host>
    static vst3::tresult VST3_API get(void* list, int32_t index, vst3::Event* e) {
        Vst3Runner& self = of(list);
        if (index < 0 || index >= self.inCount_) {
            return vst3::kInvalidArgument;
        }
        *e = (*self.events_)[self.first_ + static_cast<size_t>(index)];
        return vst3::kResultOk;
    }

    static std::vector<vst3::Event> events_of(const std::vector<Note>& notes) {
        std::vector<vst3::Event> events(notes.size());
        for (size_t i = 0; i < notes.size(); ++i) {
            const Note& note = notes[i];
            vst3::Event& event = events[i];
            event.sampleOffset = note.Frame;
            const auto channel = static_cast<int16_t>(note.Status & 0x0F);
            if ((note.Status & 0xF0) == 0x90 && note.Data2 > 0) {
                event.type = vst3::kNoteOnEvent;
                event.noteOn = {channel, note.Data1, 0.0f, note.Data2 / 127.0f, 0, -1};
            } else {
                event.type = vst3::kNoteOffEvent;
                event.noteOff = {channel, note.Data1, note.Data2 / 127.0f, -1, 0.0f};
            }
        }
        return events;
    }
    template <Host>
    static vst3::tresult VST3_API add(void* list, vst3::Event* e) {
        of(list).sent_ += e->type == vst3::kNoteOnEvent || e->type == vst3::kNoteOffEvent;
        return vst3::kResultOk;
    }
    template <Host host>
    static constexpr vst3::IEventListVtbl kList{&no_query,    &one,       &one,
                                                &count<host>, &get<host>, &add<host>};

    void Load(const std::vector<uint8_t>& block) {
        struct From {
            const void* lpVtbl;
            const std::vector<uint8_t>* bytes;
            size_t at;
        };
        static constexpr vst3::IBStreamVtbl kStream{
            &no_query,
            &one,
            &one,
            [](void* self, void* buffer, int32_t size, int32_t* done) {
                auto& from = *static_cast<From*>(self);
                const size_t n = std::min(static_cast<size_t>(size), from.bytes->size() - from.at);
                std::memcpy(buffer, from.bytes->data() + from.at, n);
                from.at += n;
                *done = static_cast<int32_t>(n);
                return vst3::kResultOk;
            },
            [](void*, void*, int32_t, int32_t*) { return vst3::kNotImplemented; },
            [](void*, int64_t, int32_t, int64_t*) { return vst3::kNotImplemented; },
            [](void*, int64_t*) { return vst3::kNotImplemented; }};
        From from{&kStream, &block, 0};
        if (component_->lpVtbl->setState(component_, reinterpret_cast<vst3::IBStream*>(&from)) !=
            vst3::kResultOk) {
            throw std::runtime_error("Tonvo.vst3 did not take the state");
        }
    }

    // Runs one block over events[first] and up to 15 after it.
    void RunBlock(const std::vector<vst3::Event>& events, size_t first) noexcept {
        events_ = &events;
        first_ = first;
        inCount_ =
            static_cast<int32_t>(std::min<size_t>(kStreamEventsPerBlock, events.size() - first));
        process_(self_, &data_);
    }

    // Plays every note once; answers how many note events came out.
    int64_t PlayOnce(const std::vector<Note>& notes) {
        const std::vector<vst3::Event> events = events_of(notes);
        sent_ = 0;
        for (size_t first = 0; first < events.size(); first += kStreamEventsPerBlock) {
            RunBlock(events, first);
        }
        return sent_;
    }

    const std::vector<Note>& loop_;
    vst3::IComponent* component_ = nullptr;
    vst3::IAudioProcessor* processor_ = nullptr;
    vst3::tresult(VST3_API* process_)(void*, vst3::ProcessData*) = nullptr;
    void* self_ = nullptr;
    List input_{&kList<Host::kTonvo>, this};
    List output_{&kList<Host::kTonvo>, this};
    std::vector<vst3::Event> loopEvents_;
    const std::vector<vst3::Event>* events_ = nullptr;
    size_t first_ = 0;
    int32_t inCount_ = 0;
    int64_t sent_ = 0;
    std::array<float, kStreamFrames> left_{};
    std::array<float, kStreamFrames> right_{};
    std::array<float*, 2> channels_{};
    vst3::AudioBusBuffers out_{};
    vst3::ProcessData data_{};
    size_t next_ = 0;
};

} // namespace tonvo::bench
