// Cost of the built plug-in as a host sees it: Tonvo.so and the pass-through baseline made
// with the same framework are loaded from their files and driven only through VSTPluginMain
// and the effect record, each measurement once per plug-in in the same run, so the ratio of
// the two is what Tonvo's own work adds to the framework and the host interface.
//
// Measured: dense note-on/note-off streams (effProcessEvents and processReplacing) per block
// size, an empty block per block size, effGetChunk and effSetChunk of a program chunk, and an
// instance's creation and destruction (VSTPluginMain, effOpen, effClose).
#include "engine/plugin.h"
#include "tonvo_host/plugin_library.h"

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonvo {
namespace {

constexpr double kSampleRate = 44100.0;
constexpr int32_t kBlockSizes[] = {64, 512, 4096};
// The plug-ins' output queue holds 1023 events; a block never sends more than this.
constexpr int32_t kMaxEventsPerBlock = 500;
// How many notes of the stream sound at once: each note-off follows this many note-ons later.
constexpr int32_t kOverlap = 8;

// The host's side: a playing transport whose position the benchmarks advance block by block,
// and the events the plug-in sends back, counted (and kept only while checking a set-up).
struct Host {
    VstTimeInfo time{};
    int32_t blockSize = 512;
    int64_t delivered = 0;
    bool keep = false;
    std::vector<VstMidiEvent> kept;
};
Host host;

intptr_t VSTCALLBACK HostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    switch (opcode) {
    case audioMasterVersion: return kVstVersion;
    case audioMasterGetTime: return reinterpret_cast<intptr_t>(&host.time);
    case audioMasterGetSampleRate: return static_cast<intptr_t>(kSampleRate);
    case audioMasterGetBlockSize: return host.blockSize;
    case audioMasterProcessEvents: {
        const auto* events = static_cast<const VstEvents*>(ptr);
        if (events == nullptr) {
            return 0;
        }
        host.delivered += events->numEvents;
        if (host.keep) {
            for (int32_t i = 0; i < events->numEvents; ++i) {
                if (events->events[i]->type == kVstMidiType) {
                    host.kept.push_back(*reinterpret_cast<const VstMidiEvent*>(events->events[i]));
                }
            }
        }
        return 1;
    }
    default: return 0;
    }
}

void ResetTransport() {
    host.time = VstTimeInfo{};
    host.time.sampleRate = kSampleRate;
    host.time.tempo = 120.0;
    host.time.timeSigNumerator = 4;
    host.time.timeSigDenominator = 4;
    host.time.flags = kVstTransportPlaying;
    host.delivered = 0;
}

// One plug-in file under measurement.
struct Subject {
    std::string name;
    std::unique_ptr<tools::PluginLibrary> library;
    tools::PluginMain entry = nullptr;
    // Loaded into every new instance with effSetChunk (program chunk); empty for none.
    std::vector<uint8_t> state;
    // Pitch classes every note is moved up by, to check the state took effect.
    int32_t shift = 0;
};

// A plug-in instance opened and resumed the way a host prepares one for processing.
class Instance {
public:
    Instance(const Subject& subject, int32_t frames) : frames_(frames) {
        host.blockSize = frames;
        effect_ = subject.entry(&HostCallback);
        if (effect_ == nullptr || effect_->magic != kEffectMagic) {
            effect_ = nullptr;
            error_ = subject.name + " made no instance";
            return;
        }
        Dispatch(effOpen);
        Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
        Dispatch(effSetBlockSize, 0, frames);
        if (!subject.state.empty()) {
            const auto size = static_cast<intptr_t>(subject.state.size());
            // The host keeps the bytes; the plug-in copies what it needs.
            std::vector<uint8_t> bytes = subject.state;
            if (Dispatch(effSetChunk, 1, size, bytes.data()) != size) {
                error_ = subject.name + " refused its state";
            }
        }
        Dispatch(effMainsChanged, 0, 1);
        left_.assign(static_cast<size_t>(frames), 1.0f);
        right_.assign(static_cast<size_t>(frames), 1.0f);
        outputs_ = {left_.data(), right_.data()};
    }
    ~Instance() {
        if (effect_ != nullptr) {
            Dispatch(effMainsChanged, 0, 0);
            Dispatch(effClose);
        }
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    // Empty when the instance is ready.
    const std::string& Error() const { return error_; }

    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }

    // One processing call; the transport then moves on by the block.
    void Process() {
        effect_->processReplacing(effect_, nullptr, outputs_.data(), frames_);
        host.time.samplePos += frames_;
    }

    bool Silent() const {
        return std::all_of(left_.begin(), left_.end(), [](float s) { return s == 0.0f; }) &&
               std::all_of(right_.begin(), right_.end(), [](float s) { return s == 0.0f; });
    }

private:
    AEffect* effect_ = nullptr;
    int32_t frames_;
    std::string error_;
    std::vector<float> left_, right_;
    std::array<float*, 2> outputs_{};
};

// A block of note-on/note-off pairs spread evenly over the block and over the 16 channels, in
// time order as hosts pass them; every note started in the block ends in it.
class NoteStream {
public:
    explicit NoteStream(int32_t frames) {
        const int32_t count = std::min(2 * frames, kMaxEventsPerBlock) / 2 * 2;
        const int32_t pairs = count / 2;
        const int32_t overlap = std::min(kOverlap, pairs);
        for (int32_t step = 0; step < pairs + overlap; ++step) {
            if (step < pairs) {
                Add(0x90, step, 100);
            }
            if (step >= overlap) {
                Add(0x80, step - overlap, 64);
            }
        }
        block_ = std::make_unique<Block>();
        block_->numEvents = count;
        for (int32_t i = 0; i < count; ++i) {
            VstMidiEvent& event = events_[static_cast<size_t>(i)];
            event.deltaFrames = static_cast<int32_t>(int64_t{i} * frames / count);
            block_->events[i] = reinterpret_cast<VstEvent*>(&event);
        }
    }

    VstEvents* Get() { return reinterpret_cast<VstEvents*>(block_.get()); }
    int32_t Count() const { return block_->numEvents; }
    static int32_t Channel(int32_t pair) { return pair % 16; }
    static int32_t Key(int32_t pair) { return 36 + pair * 7 % 48; }

private:
    struct Block {
        int32_t numEvents = 0;
        intptr_t reserved = 0;
        VstEvent* events[kMaxEventsPerBlock] = {};
    };
    static_assert(offsetof(Block, events) == offsetof(VstEvents, events));

    void Add(int32_t status, int32_t pair, int32_t velocity) {
        VstMidiEvent event{};
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.midiData[0] = static_cast<char>(status | Channel(pair));
        event.midiData[1] = static_cast<char>(Key(pair));
        event.midiData[2] = static_cast<char>(velocity);
        events_.push_back(event);
    }

    std::vector<VstMidiEvent> events_;
    std::unique_ptr<Block> block_;
};

// Tonvo's state with every pitch class sounding, each moved up a whole tone: made by the
// engine's own module in this process, which knows no documents folder and writes nothing.
std::vector<uint8_t> EveryKeySoundsState() {
    std::unique_ptr<TVSTPlugin> module = TVSTModule::Create<TVSTPlugin>();
    for (int32_t i = 0; i < TScaleMap::kEntries; ++i) {
        module->ScaleMap().SetScaleMap(i, (i + 2) % 12);
    }
    AEffect* effect = module->Effect();
    void* data = nullptr;
    const intptr_t size = effect->dispatcher(effect, effGetChunk, 1, 0, &data, 0.0f);
    if (size <= 0 || data == nullptr) {
        throw std::runtime_error("the engine gave no state");
    }
    return {static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size};
}

Subject LoadSubject(std::string name, const char* path) {
    Subject subject;
    subject.name = std::move(name);
    subject.library = std::make_unique<tools::PluginLibrary>(path);
    if (!subject.library->Loaded()) {
        throw std::runtime_error(std::string("cannot load ") + path + ": " +
                                 subject.library->Error());
    }
    subject.entry = subject.library->Entry("VSTPluginMain");
    if (subject.entry == nullptr) {
        throw std::runtime_error(std::string(path) + " exports no VSTPluginMain");
    }
    return subject;
}

// A fresh folder as HOME, XDG_CONFIG_HOME and XDG_DOCUMENTS_DIR for the process's life, so
// the plug-in reads and writes no settings or presets of the user's; removed at the end.
class PrivateHome {
public:
    PrivateHome() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tonvo-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary folder");
        }
        root_ = pattern;
        std::filesystem::create_directories(root_ / ".config");
        std::filesystem::create_directories(root_ / "Documents");
        setenv("HOME", root_.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root_ / ".config").c_str(), 1);
        setenv("XDG_DOCUMENTS_DIR", (root_ / "Documents").c_str(), 1);
    }
    ~PrivateHome() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

private:
    std::filesystem::path root_;
};

// Everything the measurements share, made on first use: the private home first, so it is in
// place before Tonvo loads and is removed only after both libraries are unloaded.
struct Setup {
    PrivateHome home;
    std::vector<Subject> subjects;

    Setup() {
        subjects.push_back(LoadSubject("tonvo", TONVO_PLUGIN_PATH));
        subjects.back().state = EveryKeySoundsState();
        subjects.back().shift = 2;
        subjects.push_back(LoadSubject("passthrough", TONVO_PASSTHROUGH_PATH));
    }
};

// The plug-in of that index (0 Tonvo, 1 the pass-through); null, with the measurement marked
// failed and the reason given, when they could not be loaded.
const Subject* FindSubject(benchmark::State& state, size_t index) {
    static std::string failure;
    static const std::unique_ptr<Setup> setup = []() -> std::unique_ptr<Setup> {
        try {
            return std::make_unique<Setup>();
        } catch (const std::exception& error) {
            failure = error.what();
            return nullptr;
        }
    }();
    if (setup == nullptr) {
        state.SkipWithError(failure.c_str());
        return nullptr;
    }
    return &setup->subjects[index];
}

// Empty when one block of the stream came back whole, with every note moved as the subject's
// state says; the reason otherwise.
std::string CheckStream(const Subject& subject, Instance& instance, NoteStream& stream) {
    host.kept.clear();
    host.keep = true;
    instance.Dispatch(effProcessEvents, 0, 0, stream.Get());
    instance.Process();
    host.keep = false;
    if (static_cast<int32_t>(host.kept.size()) != stream.Count()) {
        return subject.name + " sent " + std::to_string(host.kept.size()) + " of " +
               std::to_string(stream.Count()) + " events";
    }
    const auto status = static_cast<uint8_t>(host.kept.front().midiData[0]);
    const int32_t note = host.kept.front().midiData[1];
    if ((status & 0xF0) != 0x90 || note % 12 != (NoteStream::Key(0) + subject.shift) % 12) {
        return subject.name + " did not map the first note as its state says";
    }
    if (!instance.Silent()) {
        return subject.name + " left sound in its outputs";
    }
    return {};
}

void NoteEvents(benchmark::State& state, size_t index, int32_t frames) {
    const Subject* found = FindSubject(state, index);
    if (found == nullptr) {
        return;
    }
    const Subject& subject = *found;
    ResetTransport();
    Instance instance(subject, frames);
    NoteStream stream(frames);
    if (!instance.Error().empty()) {
        state.SkipWithError(instance.Error().c_str());
        return;
    }
    if (const std::string failure = CheckStream(subject, instance, stream); !failure.empty()) {
        state.SkipWithError(failure.c_str());
        return;
    }
    for (auto _ : state) {
        instance.Dispatch(effProcessEvents, 0, 0, stream.Get());
        instance.Process();
    }
    state.SetItemsProcessed(state.iterations() * stream.Count());
    state.counters["events_per_block"] = stream.Count();
}

void EmptyBlock(benchmark::State& state, size_t index, int32_t frames) {
    const Subject* found = FindSubject(state, index);
    if (found == nullptr) {
        return;
    }
    const Subject& subject = *found;
    ResetTransport();
    Instance instance(subject, frames);
    if (!instance.Error().empty()) {
        state.SkipWithError(instance.Error().c_str());
        return;
    }
    for (auto _ : state) {
        instance.Process();
    }
}

void GetChunk(benchmark::State& state, size_t index) {
    const Subject* found = FindSubject(state, index);
    if (found == nullptr) {
        return;
    }
    const Subject& subject = *found;
    ResetTransport();
    Instance instance(subject, 512);
    if (!instance.Error().empty()) {
        state.SkipWithError(instance.Error().c_str());
        return;
    }
    for (auto _ : state) {
        void* data = nullptr;
        const intptr_t size = instance.Dispatch(effGetChunk, 1, 0, &data);
        benchmark::DoNotOptimize(data);
        benchmark::DoNotOptimize(size);
    }
}

void SetChunk(benchmark::State& state, size_t index) {
    const Subject* found = FindSubject(state, index);
    if (found == nullptr) {
        return;
    }
    const Subject& subject = *found;
    ResetTransport();
    Instance instance(subject, 512);
    if (!instance.Error().empty()) {
        state.SkipWithError(instance.Error().c_str());
        return;
    }
    // The instance's own state, as a host stores it with the project and later gives it back.
    void* data = nullptr;
    const intptr_t size = instance.Dispatch(effGetChunk, 1, 0, &data);
    if (size <= 0 || data == nullptr) {
        state.SkipWithError((subject.name + " gave no state").c_str());
        return;
    }
    std::vector<uint8_t> bytes(static_cast<const uint8_t*>(data),
                               static_cast<const uint8_t*>(data) + size);
    if (instance.Dispatch(effSetChunk, 1, size, bytes.data()) != size) {
        state.SkipWithError((subject.name + " refused its own state").c_str());
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(instance.Dispatch(effSetChunk, 1, size, bytes.data()));
    }
    state.counters["chunk_bytes"] = static_cast<double>(size);
}

void CreateDestroy(benchmark::State& state, size_t index) {
    const Subject* found = FindSubject(state, index);
    if (found == nullptr) {
        return;
    }
    const Subject& subject = *found;
    ResetTransport();
    for (auto _ : state) {
        AEffect* effect = subject.entry(&HostCallback);
        if (effect == nullptr) {
            state.SkipWithError((subject.name + " made no instance").c_str());
            break;
        }
        effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
}

// Registered per measurement, both plug-ins next to each other.
[[maybe_unused]] const bool registered = [] {
    constexpr std::array<const char*, 2> kNames = {"tonvo", "passthrough"};
    for (const int32_t frames : kBlockSizes) {
        for (size_t i = 0; i < kNames.size(); ++i) {
            const std::string name =
                std::string("BM_NoteEvents/") + kNames[i] + "/" + std::to_string(frames);
            benchmark::RegisterBenchmark(name.c_str(), [i, frames](benchmark::State& state) {
                NoteEvents(state, i, frames);
            });
        }
    }
    for (const int32_t frames : kBlockSizes) {
        for (size_t i = 0; i < kNames.size(); ++i) {
            const std::string name =
                std::string("BM_EmptyBlock/") + kNames[i] + "/" + std::to_string(frames);
            benchmark::RegisterBenchmark(name.c_str(), [i, frames](benchmark::State& state) {
                EmptyBlock(state, i, frames);
            });
        }
    }
    for (size_t i = 0; i < kNames.size(); ++i) {
        benchmark::RegisterBenchmark((std::string("BM_GetChunk/") + kNames[i]).c_str(),
                                     [i](benchmark::State& state) { GetChunk(state, i); });
    }
    for (size_t i = 0; i < kNames.size(); ++i) {
        benchmark::RegisterBenchmark((std::string("BM_SetChunk/") + kNames[i]).c_str(),
                                     [i](benchmark::State& state) { SetChunk(state, i); });
    }
    for (size_t i = 0; i < kNames.size(); ++i) {
        benchmark::RegisterBenchmark((std::string("BM_CreateDestroy/") + kNames[i]).c_str(),
                                     [i](benchmark::State& state) { CreateDestroy(state, i); });
    }
    return true;
}();

} // namespace
} // namespace tonvo

BENCHMARK_MAIN();
