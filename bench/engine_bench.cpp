// Cost of the real-time path: note on/off pairs through the MIDI handler and delivery, and an
// empty block, each next to a pass-through module that forwards every event unchanged, measured
// in the same run. Also the cost of loading a state block by the number of CC assignments it
// lists, which grows linearly up to the most a block may hold.
#include "formats/vst2/plugin.h"

#include <array>
#include <benchmark/benchmark.h>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace tonvo {
namespace {

constexpr int32_t kFrames = 64;
constexpr int kPairsPerBlock = 64;

VstTimeInfo timeInfo{};

intptr_t VSTCALLBACK QuietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    switch (opcode) {
    case audioMasterGetTime: return reinterpret_cast<intptr_t>(&timeInfo);
    case audioMasterProcessEvents:
        benchmark::DoNotOptimize(static_cast<VstEvents*>(ptr)->numEvents);
        return 1;
    default: return 0;
    }
}

// Forwards every MIDI event as it came, with the same queue and delivery as the plug-in.
class PassThrough : public TDspVSTModule {
public:
    void OnProcessMidi(VstMidiEvent& event) noexcept final {
        const auto status = static_cast<uint8_t>(event.midiData[0]);
        const auto data1 = static_cast<uint8_t>(event.midiData[1]);
        const auto data2 = static_cast<uint8_t>(event.midiData[2]);
        if ((status & 0xF0) == 0x90) {
            QueueNoteOn(status & 0x0F, data1, data2, event.deltaFrames);
        } else {
            QueueNoteOff(status & 0x0F, data1, data2, event.deltaFrames);
        }
    }
    void OnProcess32Replacing(float**, float** outputs, uint32_t frames) noexcept final {
        std::fill_n(outputs[0], frames, 0.0f);
        std::fill_n(outputs[1], frames, 0.0f);
    }
};

// A block of note-on/note-off pairs spread over the block, as a host would pass it.
class PairsBlock {
public:
    PairsBlock() {
        for (int i = 0; i < kPairsPerBlock; ++i) {
            Set(events_[2 * i], 0x90, 48 + i % 36, 100, i);
            Set(events_[2 * i + 1], 0x80, 48 + i % 36, 0, i);
        }
        words_[0] = 2 * kPairsPerBlock;
        for (size_t i = 0; i < events_.size(); ++i) {
            words_[2 + i] = reinterpret_cast<intptr_t>(&events_[i]);
        }
    }
    VstEvents* Get() { return reinterpret_cast<VstEvents*>(words_.data()); }

private:
    static void Set(VstMidiEvent& event, int status, int note, int velocity, int32_t delta) {
        event = VstMidiEvent{};
        event.type = kVstMidiType;
        event.byteSize = 24;
        event.deltaFrames = delta;
        event.midiData[0] = static_cast<char>(status);
        event.midiData[1] = static_cast<char>(note);
        event.midiData[2] = static_cast<char>(velocity);
    }
    std::array<VstMidiEvent, 2 * kPairsPerBlock> events_{};
    std::array<intptr_t, 2 + 2 * kPairsPerBlock> words_{};
};

template <typename Module>
class Rig {
public:
    Rig() : owned_(Make()), module(*owned_) {
        module.AttachHostCallback(&QuietHost);
        module.InstallProcessingRoutines();
        outputs_[0] = left_.data();
        outputs_[1] = right_.data();
    }
    void Process() {
        AEffect* effect = module.Effect();
        effect->processReplacing(effect, nullptr, outputs_.data(), kFrames);
    }

private:
    static std::unique_ptr<Module> Make() {
        if constexpr (std::is_base_of_v<TVSTModule, Module>) {
            return TVSTModule::Create<Module>();
        } else {
            return std::make_unique<Module>();
        }
    }
    std::unique_ptr<Module> owned_;

public:
    Module& module;

private:
    std::array<float, kFrames> left_{};
    std::array<float, kFrames> right_{};
    std::array<float*, 2> outputs_{};
};

template <typename Module>
void note_pairs(benchmark::State& state) {
    Rig<Module> rig;
    PairsBlock block;
    if constexpr (std::is_same_v<Module, TVSTPlugin>) {
        // Every class sounds, so each pair is a real note-on and note-off.
        for (int32_t i = 0; i < 12; ++i) {
            rig.module.ScaleMap().SetScaleMap(i, (i + 2) % 12);
        }
    }
    for (auto _ : state) {
        rig.module.ProcessEvents(block.Get());
        rig.Process();
    }
    state.SetItemsProcessed(state.iterations() * 2 * kPairsPerBlock);
    state.counters["ns_per_event"] =
        benchmark::Counter(static_cast<double>(state.iterations() * 2 * kPairsPerBlock),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

template <typename Module>
void empty_block(benchmark::State& state) {
    Rig<Module> rig;
    for (auto _ : state) {
        rig.Process();
    }
}

void BM_NotePairs_Plugin(benchmark::State& state) {
    note_pairs<TVSTPlugin>(state);
}
void BM_NotePairs_PassThrough(benchmark::State& state) {
    note_pairs<PassThrough>(state);
}
void BM_EmptyBlock_Plugin(benchmark::State& state) {
    empty_block<TVSTPlugin>(state);
}
void BM_EmptyBlock_PassThrough(benchmark::State& state) {
    empty_block<PassThrough>(state);
}

// Held-note scans grow with the number of sounding notes: a note pair played over a bed of
// already-held notes on the same channel.
void BM_NotePair_OverHeldNotes(benchmark::State& state) {
    Rig<TVSTPlugin> rig;
    for (int32_t i = 0; i < 12; ++i) {
        rig.module.ScaleMap().SetScaleMap(i, i);
    }
    std::array<VstMidiEvent, 128> bed{};
    std::array<intptr_t, 2 + 128> words{};
    const auto held = static_cast<int>(state.range(0));
    for (int i = 0; i < held; ++i) {
        bed[i].type = kVstMidiType;
        bed[i].midiData[0] = static_cast<char>(0x90 + i / 128);
        bed[i].midiData[1] = static_cast<char>(i % 128);
        bed[i].midiData[2] = 100;
        words[2 + i] = reinterpret_cast<intptr_t>(&bed[i]);
    }
    words[0] = held;
    rig.module.ProcessEvents(reinterpret_cast<VstEvents*>(words.data()));
    rig.Process();
    VstMidiEvent on{};
    on.type = kVstMidiType;
    on.midiData[0] = static_cast<char>(0x91);
    on.midiData[1] = 60;
    on.midiData[2] = 100;
    VstMidiEvent off = on;
    off.midiData[0] = static_cast<char>(0x81);
    std::array<intptr_t, 4> pair = {2, 0, reinterpret_cast<intptr_t>(&on),
                                    reinterpret_cast<intptr_t>(&off)};
    for (auto _ : state) {
        rig.module.ProcessEvents(reinterpret_cast<VstEvents*>(pair.data()));
        rig.Process();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}

void BM_LoadState_Assignments(benchmark::State& state) {
    std::vector<TMidiCCItem> assignments;
    for (int64_t i = 0; i < state.range(0); ++i) {
        assignments.push_back({static_cast<int32_t>(i % 128), "Assignment " + std::to_string(i)});
    }
    const std::unique_ptr<TVSTPlugin> source = TVSTModule::Create<TVSTPlugin>();
    source->SetMidiCC(assignments);
    TVstProgram& stored = source->Program(0);
    source->VSTPluginBasePrograms0StoreChunk(stored, 0, true);
    const std::vector<uint8_t> block(stored.Chunk.Bytes().begin(), stored.Chunk.Bytes().end());
    const std::unique_ptr<TVSTPlugin> target = TVSTModule::Create<TVSTPlugin>();
    TVstProgram& program = target->Program(0);
    for (auto _ : state) {
        program.Chunk.Clear();
        program.Chunk.Write(block.data(), block.size());
        target->VSTPluginBasePrograms0LoadChunk(program, 0, true);
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_NotePairs_Plugin);
BENCHMARK(BM_NotePairs_PassThrough);
BENCHMARK(BM_EmptyBlock_Plugin);
BENCHMARK(BM_EmptyBlock_PassThrough);
BENCHMARK(BM_NotePair_OverHeldNotes)->Arg(0)->Arg(16)->Arg(128);
BENCHMARK(BM_LoadState_Assignments)
    ->RangeMultiplier(4)
    ->Range(16, static_cast<int64_t>(kMaxCCAssignments))
    ->Complexity(benchmark::oN);

} // namespace
} // namespace tonvo

BENCHMARK_MAIN();
