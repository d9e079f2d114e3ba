// One VST 2.4 plug-in loaded and driven the way a host drives it: the library is loaded, the
// instance made through its entry, opened and resumed; the host side answers the plug-in's
// requests, gives it transport information and collects the MIDI it sends. The instance is
// closed when the object goes.
//
// One instance per process: the host callback finds its object through a single slot.
//
// Threads: the object is made for one thread, except in the way a host with an editor uses
// it: the editor calls (Dispatch, Text) on one thread while another calls ProcessBlock. The
// plug-in then calls back from both; the answers read only what neither thread changes then
// (SetTransport belongs to the processing thread and must not run while the editor asks for
// the time), and sent notes are counted with atomics. With SentEvents::CountNotes the
// processing thread never allocates for what the plug-in sends: Sent() stays empty.
#pragma once

#include "tonvo_host/plugin_library.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonvo::tools {

class EHostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SentEvent {
    uint64_t Sample = 0; // absolute, from the start of playback
    std::vector<uint8_t> Bytes;
};

enum class SentEvents {
    Collect,   // kept in Sent(), with their times and bytes
    CountNotes // only NoteOnsSent() and NoteOffsSent()
};

class HostedPlugin {
public:
    // Fails with a one-line message when the file is missing, is no loadable library, or is
    // not a VST 2.4 plug-in.
    HostedPlugin(const std::filesystem::path& library, double sampleRate, int32_t blockSize,
                 SentEvents sentEvents = SentEvents::Collect);
    ~HostedPlugin();
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    AEffect& Effect() { return *effect_; }
    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);
    // A text request answered into a zeroed 256-byte buffer.
    std::string Text(int32_t opcode, int32_t index = 0);

    // Transport the plug-in sees from the next block on.
    void SetTransport(bool playing, double samplePosition);
    // effProcessEvents with these events, then one processReplacing of blockSize frames that
    // starts at blockStart; what the plug-in sends is collected with absolute sample times.
    void ProcessBlock(uint64_t blockStart, VstEvents* events);
    const std::vector<SentEvent>& Sent() const { return sent_; }
    // Note-ons (velocity above 0) and note-offs (0x80, or 0x90 with velocity 0) sent so far,
    // in either mode; any thread.
    uint64_t NoteOnsSent() const { return noteOns_.load(std::memory_order_relaxed); }
    uint64_t NoteOffsSent() const { return noteOffs_.load(std::memory_order_relaxed); }

    // The program chunk (isPreset) the plug-in hands out, and one to give it.
    std::vector<uint8_t> GetChunk();
    void SetChunk(std::vector<uint8_t> bytes);

private:
    static intptr_t VSTCALLBACK Callback(AEffect* effect, int32_t opcode, int32_t index,
                                         intptr_t value, void* ptr, float opt);
    intptr_t Answer(int32_t opcode, intptr_t value, void* ptr);

    PluginLibrary library_;
    AEffect* effect_ = nullptr;
    double sampleRate_;
    int32_t blockSize_;
    VstTimeInfo time_{};
    uint64_t blockStart_ = 0;
    SentEvents sentEvents_;
    std::vector<SentEvent> sent_;
    std::atomic<uint64_t> noteOns_{0};
    std::atomic<uint64_t> noteOffs_{0};
    std::vector<float> left_, right_;
};

} // namespace tonvo::tools
