// The host side the plug-in benchmarks share: a VST 2.4 host callback with a playing transport
// and a count of the events the plug-in sends back, a plug-in file loaded and opened the way a
// host prepares one for processing, Tonvo's benchmark state, and a private home folder so the
// plug-in reads and writes no settings or presets of the user's.
//
// One benchmark program drives one instance at a time from one thread.
#pragma once

#include "formats/vst2/plugin.h"
#include "note_streams.h"
#include "tonvo_host/plugin_library.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonvo::bench {

constexpr double kSampleRate = 44100.0;

// The host's side: a playing transport whose position the benchmarks advance block by block,
// and the events the plug-in sends back, counted (and kept only while checking a set-up).
struct Host {
    VstTimeInfo time{};
    int32_t blockSize = 512;
    int64_t delivered = 0;
    bool keep = false;
    std::vector<VstMidiEvent> kept;
};
inline Host host;

inline intptr_t VSTCALLBACK HostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr,
                                         float) {
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

inline void reset_transport() {
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
    // With a state given, that one is loaded instead of the subject's.
    Instance(const Subject& subject, int32_t frames, const std::vector<uint8_t>* state = nullptr)
        : frames_(frames) {
        const std::vector<uint8_t>& loaded = state != nullptr ? *state : subject.state;
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
        if (!loaded.empty()) {
            const auto size = static_cast<intptr_t>(loaded.size());
            // The host keeps the bytes; the plug-in copies what it needs.
            std::vector<uint8_t> bytes = loaded;
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

// The block of events a host passes with effProcessEvents: one set of 16 records the host
// fills from its note list before each call, as hosts reuse their event buffers.
class VstEventBuffer {
public:
    VstEventBuffer() {
        for (size_t i = 0; i < kStreamEventsPerBlock; ++i) {
            events_[i].type = kVstMidiType;
            events_[i].byteSize = sizeof(VstMidiEvent);
            block_.events[i] = reinterpret_cast<VstEvent*>(&events_[i]);
        }
    }
    VstEventBuffer(const VstEventBuffer&) = delete;
    VstEventBuffer& operator=(const VstEventBuffer&) = delete;

    // The block of notes[first] and up to 15 after it.
    VstEvents* Fill(const std::vector<Note>& notes, size_t first) noexcept {
        const size_t count = std::min<size_t>(kStreamEventsPerBlock, notes.size() - first);
        for (size_t i = 0; i < count; ++i) {
            const Note& note = notes[first + i];
            VstMidiEvent& event = events_[i];
            event.deltaFrames = note.Frame;
            event.midiData[0] = static_cast<char>(note.Status);
            event.midiData[1] = static_cast<char>(note.Data1);
            event.midiData[2] = static_cast<char>(note.Data2);
        }
        block_.numEvents = static_cast<int32_t>(count);
        return reinterpret_cast<VstEvents*>(&block_);
    }

private:
    struct Block {
        int32_t numEvents = 0;
        intptr_t reserved = 0;
        VstEvent* events[kStreamEventsPerBlock] = {};
    };
    static_assert(offsetof(Block, events) == offsetof(VstEvents, events));

    std::array<VstMidiEvent, kStreamEventsPerBlock> events_{};
    Block block_;
};

// Replays notes into a plug-in instance block by block, going round when they run out.
class VstPlayer {
public:
    VstPlayer(Instance& instance, const std::vector<Note>& notes)
        : instance_(instance), notes_(notes) {}

    // Plays `blocks` blocks, on from where the previous call stopped.
    void Run(size_t blocks) noexcept {
        for (size_t i = 0; i < blocks; ++i) {
            instance_.Dispatch(effProcessEvents, 0, 0, buffer_.Fill(notes_, next_));
            instance_.Process();
            next_ += kStreamEventsPerBlock;
            next_ = next_ >= notes_.size() ? 0 : next_;
        }
    }
    // Plays every note once from the start; answers how many events the plug-in sent.
    int64_t PlayOnce() noexcept {
        host.delivered = 0;
        next_ = 0;
        Run(Blocks());
        next_ = 0;
        return host.delivered;
    }
    size_t Blocks() const noexcept {
        return (notes_.size() + kStreamEventsPerBlock - 1) / kStreamEventsPerBlock;
    }

private:
    Instance& instance_;
    const std::vector<Note>& notes_;
    VstEventBuffer buffer_;
    size_t next_ = 0;
};

// Tonvo's state with this note map (each pitch class's target, -1 blocked): made by the
// engine's own module in this process, which knows no documents folder and writes nothing.
inline std::vector<uint8_t> map_state(const std::array<int32_t, 12>& map) {
    std::unique_ptr<TVSTPlugin> module = TVSTModule::Create<TVSTPlugin>();
    for (int32_t i = 0; i < TScaleMap::kEntries; ++i) {
        module->ScaleMap().SetScaleMap(i, map[static_cast<size_t>(i)]);
    }
    AEffect* effect = module->Effect();
    void* data = nullptr;
    const intptr_t size = effect->dispatcher(effect, effGetChunk, 1, 0, &data, 0.0f);
    if (size <= 0 || data == nullptr) {
        throw std::runtime_error("the engine gave no state");
    }
    return {static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size};
}

// Every pitch class sounds, moved up a whole tone.
inline std::vector<uint8_t> every_key_sounds_state() {
    return map_state({2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 1});
}

// Every pitch class blocked.
inline std::vector<uint8_t> every_key_blocked_state() {
    std::array<int32_t, 12> blocked{};
    blocked.fill(TScaleMap::kBlocked);
    return map_state(blocked);
}

inline Subject load_subject(std::string name, const char* path) {
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

} // namespace tonvo::bench
