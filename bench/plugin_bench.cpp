// Cost of the built plug-in as a host sees it: Tonvo.so and the pass-through baseline made
// with the same framework are loaded from their files and driven only through VSTPluginMain
// and the effect record, each measurement once per plug-in in the same run, so the ratio of
// the two is what Tonvo's own work adds to the framework and the host interface.
//
// Measured: dense note-on/note-off streams (effProcessEvents and processReplacing) per block
// size; the same pairs with more and more other notes held (the cost must not grow with them);
// random playing over a few to many keys, with a map that passes every note and with one that
// blocks every note; an empty block per block size, effGetChunk and effSetChunk of a program
// chunk, and an instance's creation and destruction (VSTPluginMain, effOpen, effClose).
#include "vst_host.h"

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <memory>
#include <string>
#include <vector>

namespace tonvo::bench {
namespace {
constexpr int32_t kBlockSizes[] = {64, 512, 4096};
// The plug-ins' output queue holds 1023 events; a block never sends more than this.
constexpr int32_t kMaxEventsPerBlock = 500;
// How many notes of the stream sound at once: each note-off follows this many note-ons later.
constexpr int32_t kOverlap = 8;
// Notes held while the sweep's pairs play.
constexpr int32_t kHeldSweep[] = {0, 16, 128, 512, kMostHeld};
// Random playing: channels x keys, about half of them held.
constexpr std::array<std::array<int32_t, 2>, 4> kRandomShapes = {
    {{1, 4}, {1, 12}, {4, 24}, {16, 60}}};
constexpr int32_t kRandomEvents = 16384;

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

// Everything the measurements share, made on first use: the private home first, so it is in
// place before Tonvo loads and is removed only after both libraries are unloaded.
struct Setup {
    PrivateHome home;
    std::vector<Subject> subjects;

    Setup() {
        subjects.push_back(load_subject("tonvo", TONVO_PLUGIN_PATH));
        subjects.back().state = every_key_sounds_state();
        subjects.back().shift = 2;
        subjects.push_back(load_subject("passthrough", TONVO_PASSTHROUGH_PATH));
        subjects.push_back(load_subject("minimal", TONVO_MINIMAL_PATH));
    }
};

// The plug-in of that index (0 Tonvo, 1 the pass-through, 2 the minimal C-style pass-through);
// null, with the measurement marked
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

// Tonvo's state with every note blocked; FindSubject() was called first.
const std::vector<uint8_t>& BlockedState() {
    static const std::vector<uint8_t> blocked = every_key_blocked_state();
    return blocked;
}

// Empty when one block of the stream came back whole, with every note moved as the subject's
// state says; the reason otherwise.
std::string check_stream(const Subject& subject, Instance& instance, NoteStream& stream) {
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

void note_events(benchmark::State& state, size_t index, int32_t frames) {
    const Subject* found = FindSubject(state, index);
    if (found == nullptr) {
        return;
    }
    const Subject& subject = *found;
    reset_transport();
    Instance instance(subject, frames);
    NoteStream stream(frames);
    if (!instance.Error().empty()) {
        state.SkipWithError(instance.Error().c_str());
        return;
    }
    if (const std::string failure = check_stream(subject, instance, stream); !failure.empty()) {
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

// Eight note-on/note-off pairs per 64-frame block, on keys nothing else holds, while `held`
// other notes are held from before.
void held_notes_while_pairs_play(benchmark::State& state, size_t index, int32_t held) {
    const Subject* found = FindSubject(state, index);
    if (found == nullptr) {
        return;
    }
    reset_transport();
    Instance instance(*found, kStreamFrames);
    const HeldNoteSet notes = held_notes_sweep(held);
    VstPlayer before(instance, notes.Held);
    VstPlayer pairs(instance, notes.Pairs);
    if (!instance.Error().empty()) {
        state.SkipWithError(instance.Error().c_str());
        return;
    }
    if (static_cast<int32_t>(notes.Held.size()) != held || before.PlayOnce() != held ||
        pairs.PlayOnce() != static_cast<int64_t>(notes.Pairs.size())) {
        state.SkipWithError((found->name + " did not hold or play the notes").c_str());
        return;
    }
    for (auto _ : state) {
        pairs.Run(1);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(notes.Pairs.size()));
    state.counters["events_per_block"] = static_cast<double>(notes.Pairs.size());
}

// Random playing over channels x keys, replayed block by block; with `blocked`, Tonvo's map
// blocks every note, so nothing is sent and nothing is held.
void random_stream(benchmark::State& state, size_t index, int32_t channels, int32_t keys,
                   bool blocked) {
    const Subject* found = FindSubject(state, index);
    if (found == nullptr) {
        return;
    }
    reset_transport();
    const bool blocks = blocked && index == 0;
    Instance instance(*found, kStreamFrames, blocks ? &BlockedState() : nullptr);
    const RandomNotes notes(channels, keys, kRandomEvents, 13);
    VstPlayer before(instance, notes.Prelude());
    VstPlayer stream(instance, notes.Events());
    if (!instance.Error().empty()) {
        state.SkipWithError(instance.Error().c_str());
        return;
    }
    const auto sent = [&](const std::vector<Note>& played) {
        return blocks ? int64_t{0} : static_cast<int64_t>(played.size());
    };
    if (before.PlayOnce() != sent(notes.Prelude()) || stream.PlayOnce() != sent(notes.Events())) {
        state.SkipWithError((found->name + " did not send what the stream asks for").c_str());
        return;
    }
    for (auto _ : state) {
        stream.Run(1);
    }
    state.SetItemsProcessed(state.iterations() * kStreamEventsPerBlock);
    state.counters["events_per_block"] = kStreamEventsPerBlock;
}

void empty_block(benchmark::State& state, size_t index, int32_t frames) {
    const Subject* found = FindSubject(state, index);
    if (found == nullptr) {
        return;
    }
    const Subject& subject = *found;
    reset_transport();
    Instance instance(subject, frames);
    if (!instance.Error().empty()) {
        state.SkipWithError(instance.Error().c_str());
        return;
    }
    for (auto _ : state) {
        instance.Process();
    }
}

void get_chunk(benchmark::State& state, size_t index) {
    const Subject* found = FindSubject(state, index);
    if (found == nullptr) {
        return;
    }
    const Subject& subject = *found;
    reset_transport();
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

void set_chunk(benchmark::State& state, size_t index) {
    const Subject* found = FindSubject(state, index);
    if (found == nullptr) {
        return;
    }
    const Subject& subject = *found;
    reset_transport();
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

void create_destroy(benchmark::State& state, size_t index) {
    const Subject* found = FindSubject(state, index);
    if (found == nullptr) {
        return;
    }
    const Subject& subject = *found;
    reset_transport();
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

// Registered per measurement, the plug-ins next to each other; the minimal pass-through keeps
// no state, so it has no chunk measurements.
[[maybe_unused]] const bool registered = [] {
    constexpr std::array<const char*, 3> kPlayers = {"tonvo", "passthrough", "minimal"};
    constexpr std::array<const char*, 2> kNames = {"tonvo", "passthrough"};
    for (const int32_t frames : kBlockSizes) {
        for (size_t i = 0; i < kPlayers.size(); ++i) {
            const std::string name =
                std::string("BM_NoteEvents/") + kPlayers[i] + "/" + std::to_string(frames);
            benchmark::RegisterBenchmark(name.c_str(), [i, frames](benchmark::State& state) {
                note_events(state, i, frames);
            });
        }
    }
    for (const int32_t held : kHeldSweep) {
        for (size_t i = 0; i < kPlayers.size(); ++i) {
            const std::string name =
                std::string("BM_HeldNotes/") + kPlayers[i] + "/" + std::to_string(held);
            benchmark::RegisterBenchmark(name.c_str(), [i, held](benchmark::State& state) {
                held_notes_while_pairs_play(state, i, held);
            });
        }
    }
    for (const bool blocked : {false, true}) {
        for (const auto& [channels, keys] : kRandomShapes) {
            for (size_t i = 0; i < kPlayers.size(); ++i) {
                const std::string name =
                    std::string(blocked ? "BM_BlockedStream/" : "BM_RandomStream/") + kPlayers[i] +
                    "/" + std::to_string(channels) + "x" + std::to_string(keys);
                benchmark::RegisterBenchmark(name.c_str(),
                                             [i, channels, keys, blocked](benchmark::State& state) {
                                                 random_stream(state, i, channels, keys, blocked);
                                             });
            }
        }
    }
    for (const int32_t frames : kBlockSizes) {
        for (size_t i = 0; i < kPlayers.size(); ++i) {
            const std::string name =
                std::string("BM_EmptyBlock/") + kPlayers[i] + "/" + std::to_string(frames);
            benchmark::RegisterBenchmark(name.c_str(), [i, frames](benchmark::State& state) {
                empty_block(state, i, frames);
            });
        }
    }
    for (size_t i = 0; i < kNames.size(); ++i) {
        benchmark::RegisterBenchmark((std::string("BM_GetChunk/") + kNames[i]).c_str(),
                                     [i](benchmark::State& state) { get_chunk(state, i); });
    }
    for (size_t i = 0; i < kNames.size(); ++i) {
        benchmark::RegisterBenchmark((std::string("BM_SetChunk/") + kNames[i]).c_str(),
                                     [i](benchmark::State& state) { set_chunk(state, i); });
    }
    for (size_t i = 0; i < kPlayers.size(); ++i) {
        benchmark::RegisterBenchmark((std::string("BM_CreateDestroy/") + kPlayers[i]).c_str(),
                                     [i](benchmark::State& state) { create_destroy(state, i); });
    }
    return true;
}();

} // namespace
} // namespace tonvo::bench

BENCHMARK_MAIN();
