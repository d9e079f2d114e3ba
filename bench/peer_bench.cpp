// Tonvo side by side with a peer: the same note traffic through Tonvo.so, through the
// pass-through plug-in made with the same framework, through the minimal C-style pass-through
// (a plain effect record with a dispatcher switch, no framework: the floor of any VST 2.4
// plug-in's event path; all three VST 2.4, loaded from their files and driven only through
// VSTPluginMain and the effect record), through Tonvo.lv2 and x42's "MIDI Note Transpose"
// (mapkeyscale), both LV2 and loaded through lilv in this process, and through Tonvo.clap and
// Tonvo.vst3, each
// moving every pitch class up two semitones, and through the VST 3 pass-through, the floor
// under any VST 3 plug-in (the pass-throughs forward the notes unchanged).
//
// Workloads, 16 events per 64-frame block: random playing over channels x keys with about
// half of them held, and eight note-on/note-off pairs with more and more other notes held.
// Every plug-in instance is prepared (held notes sent, the workload played once and its output
// checked) before anything is timed. Then, for several rounds, each workload runs on each
// plug-in in turn, the order rotating from round to round; a run is timed in CPU time of the
// process (CLOCK_PROCESS_CPUTIME_ID), so other programs taking the processor do not count.
// Each figure is the median over the rounds, in nanoseconds per event, including the block's
// processing call.
//
// Usage: peer_bench [rounds] [blocks per run]; prints a Markdown table on stdout.
#include "clap_runner.h"
#include "runner.h"
#include "vst3_runner.h"
#include "vst_host.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <string>
#include <vector>

namespace tonvo::bench {
namespace {

constexpr const char* kPeerUri = "http://gareus.org/oss/lv2/midifilter#mapkeyscale";
constexpr const char* kTonvoUri = "urn:brelwick:tonvo";
constexpr int32_t kShift = 2;

// A VST 2.4 plug-in instance through its C interface.
class VstRunner : public Runner {
public:
    VstRunner(const Subject& subject, const std::vector<Note>& before,
              const std::vector<Note>& loop)
        : instance_(subject, kStreamFrames), before_(instance_, before), loop_(instance_, loop) {
        if (!instance_.Error().empty()) {
            throw std::runtime_error(instance_.Error());
        }
        const int64_t held = before_.PlayOnce();
        const int64_t played = loop_.PlayOnce();
        if (held != static_cast<int64_t>(before.size()) ||
            played != static_cast<int64_t>(loop.size())) {
            throw std::runtime_error(subject.name + " did not send what the workload asks for (" +
                                     std::to_string(held) + " of " + std::to_string(before.size()) +
                                     " notes held, " + std::to_string(played) + " of " +
                                     std::to_string(loop.size()) + " played)");
        }
    }
    void Run(size_t count) override { loop_.Run(count); }

private:
    Instance instance_;
    VstPlayer before_;
    VstPlayer loop_;
};

// The LV2 side: lilv's world with the installed plug-ins and the bundle built, the URIDs the
// plug-ins ask for, and their descriptions.
class Lv2Host {
public:
    Lv2Host() : world_(lilv_world_new()) {
        lilv_world_load_all(world_);
        LilvNode* bundle = lilv_new_uri(world_, "file://" TONVO_LV2_BUNDLE "/");
        lilv_world_load_bundle(world_, bundle);
        lilv_node_free(bundle);
        peer_ = find(kPeerUri);
        tonvo_ = find(kTonvoUri);
        if (peer_ == nullptr || tonvo_ == nullptr) {
            lilv_world_free(world_);
            throw std::runtime_error(peer_ == nullptr
                                         ? std::string(kPeerUri) +
                                               " is not installed (Debian package x42-plugins)"
                                         : std::string("no Tonvo.lv2 in " TONVO_LV2_BUNDLE));
        }
        map_.handle = this;
        map_.map = [](LV2_URID_Map_Handle handle, const char* name) {
            return static_cast<Lv2Host*>(handle)->Map(name);
        };
        mapFeature_ = LV2_Feature{LV2_URID__map, &map_};
        features_[0] = &mapFeature_;
        features_[1] = nullptr;
    }
    ~Lv2Host() { lilv_world_free(world_); }
    Lv2Host(const Lv2Host&) = delete;
    Lv2Host& operator=(const Lv2Host&) = delete;

    const LilvPlugin* Peer() const noexcept { return peer_; }
    const LilvPlugin* Tonvo() const noexcept { return tonvo_; }
    const LV2_Feature* const* Features() const noexcept { return features_; }
    LV2_URID Map(const std::string& name) {
        const auto found = std::find(uris_.begin(), uris_.end(), name);
        if (found != uris_.end()) {
            return static_cast<LV2_URID>(found - uris_.begin() + 1);
        }
        uris_.push_back(name);
        return static_cast<LV2_URID>(uris_.size());
    }

private:
    const LilvPlugin* find(const char* uri) const {
        LilvNode* node = lilv_new_uri(world_, uri);
        const LilvPlugin* found = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), node);
        lilv_node_free(node);
        return found;
    }

    LilvWorld* world_;
    const LilvPlugin* peer_ = nullptr;
    const LilvPlugin* tonvo_ = nullptr;
    std::vector<std::string> uris_;
    LV2_URID_Map map_{};
    LV2_Feature mapFeature_{};
    const LV2_Feature* features_[2] = {};
};

// mapkeyscale's ports: MIDI in and out, the latency it reports, the channel it filters (0 for
// all) and one shift per pitch class (-13 blocks the class).
constexpr uint32_t kMidiIn = 0;
constexpr uint32_t kMidiOut = 1;
constexpr uint32_t kLatency = 2;
constexpr uint32_t kChannelFilter = 3;
constexpr uint32_t kFirstShift = 4;
constexpr uint32_t kPorts = 16;

// An LV2 plug-in through lilv: the peer, its shifts set on its control ports, or Tonvo.lv2,
// given the same state block as the VST 2.4 Tonvo through its state interface. Like the VST
// host, it fills one reused input sequence per block.
class Lv2Runner : public Runner {
public:
    Lv2Runner(Lv2Host& lv2, bool tonvo, const std::vector<Note>& before,
              const std::vector<Note>& loop)
        : loop_(loop), checkShift_(!tonvo), midiEvent_(lv2.Map(LV2_MIDI__MidiEvent)),
          chunk_(lv2.Map(LV2_ATOM__Chunk)), sequence_(lv2.Map(LV2_ATOM__Sequence)) {
        const char* name = tonvo ? "Tonvo.lv2" : "mapkeyscale";
        instance_ =
            lilv_plugin_instantiate(tonvo ? lv2.Tonvo() : lv2.Peer(), kSampleRate, lv2.Features());
        if (instance_ == nullptr) {
            throw std::runtime_error(std::string(name) + " made no instance");
        }
        if (tonvo) {
            RestoreState(every_key_sounds_state());
        } else {
            controls_.fill(0.0f);
            for (uint32_t port = kFirstShift; port < kPorts; ++port) {
                controls_[port] = static_cast<float>(kShift);
            }
            controls_[kChannelFilter] = 0.0f;
            for (uint32_t port = kLatency; port < kPorts; ++port) {
                lilv_instance_connect_port(instance_, port, &controls_[port]);
            }
        }
        lilv_instance_connect_port(instance_, kMidiIn, input_.data());
        lilv_instance_connect_port(instance_, kMidiOut, output_.data());
        lilv_instance_activate(instance_);
        const int64_t sentBefore = PlayOnce(before);
        const int64_t sentLoop = PlayOnce(loop);
        if (sentBefore != static_cast<int64_t>(before.size()) ||
            sentLoop != static_cast<int64_t>(loop.size())) {
            throw std::runtime_error(std::string(name) + " sent " + std::to_string(sentBefore) +
                                     " and " + std::to_string(sentLoop) + " events for " +
                                     std::to_string(before.size()) + " and " +
                                     std::to_string(loop.size()));
        }
    }
    ~Lv2Runner() override {
        lilv_instance_deactivate(instance_);
        lilv_instance_free(instance_);
    }
    Lv2Runner(const Lv2Runner&) = delete;
    Lv2Runner& operator=(const Lv2Runner&) = delete;

    void Run(size_t count) override {
        play_blocks(loop_, next_, count, [this](size_t first) { RunBlock(loop_, first); });
    }

private:
    void RestoreState(const std::vector<uint8_t>& block) {
        const auto* state = static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
        struct From {
            const std::vector<uint8_t>* bytes;
            LV2_URID type;
        } from{&block, chunk_};
        const auto retrieve = [](LV2_State_Handle handle, uint32_t, size_t* size, uint32_t* type,
                                 uint32_t* flags) -> const void* {
            const auto* self = static_cast<const From*>(handle);
            *size = self->bytes->size();
            *type = self->type;
            *flags = LV2_STATE_IS_POD;
            return self->bytes->data();
        };
        if (state == nullptr || state->restore(lilv_instance_get_handle(instance_), retrieve, &from,
                                               0, nullptr) != LV2_STATE_SUCCESS) {
            throw std::runtime_error("Tonvo.lv2 did not take the state");
        }
    }

    // A MIDI event in a sequence: the event header, then three bytes padded to eight.
    static constexpr size_t kEventBytes = sizeof(LV2_Atom_Event) + 8;

    // Writes the input sequence of notes[first] and up to 15 after it, hands the plug-in an
    // empty output buffer of known capacity and runs one block.
    void RunBlock(const std::vector<Note>& notes, size_t first) noexcept {
        const size_t count = std::min<size_t>(kStreamEventsPerBlock, notes.size() - first);
        auto* in = reinterpret_cast<LV2_Atom_Sequence*>(input_.data());
        in->atom.type = sequence_;
        in->atom.size = static_cast<uint32_t>(sizeof(LV2_Atom_Sequence_Body) + count * kEventBytes);
        in->body.unit = 0;
        in->body.pad = 0;
        auto* bytes = reinterpret_cast<uint8_t*>(in + 1);
        for (size_t i = 0; i < count; ++i, bytes += kEventBytes) {
            const Note& note = notes[first + i];
            auto* event = reinterpret_cast<LV2_Atom_Event*>(bytes);
            event->time.frames = note.Frame;
            event->body.type = midiEvent_;
            event->body.size = 3;
            auto* midi = reinterpret_cast<uint8_t*>(event + 1);
            midi[0] = note.Status;
            midi[1] = note.Data1;
            midi[2] = note.Data2;
        }
        auto* out = reinterpret_cast<LV2_Atom_Sequence*>(output_.data());
        out->atom.type = chunk_;
        out->atom.size =
            static_cast<uint32_t>(output_.size() * sizeof(uint64_t) - sizeof(LV2_Atom));
        lilv_instance_run(instance_, kStreamFrames);
    }

    // Plays every note once; answers how many MIDI events came out, or -1 when a block's first
    // note did not come out moved up by the shift.
    int64_t PlayOnce(const std::vector<Note>& notes) {
        int64_t sent = 0;
        for (size_t first = 0; first < notes.size(); first += kStreamEventsPerBlock) {
            RunBlock(notes, first);
            const auto* out = reinterpret_cast<const LV2_Atom_Sequence*>(output_.data());
            bool checked = false;
            for (const LV2_Atom_Event* event = lv2_atom_sequence_begin(&out->body);
                 !lv2_atom_sequence_is_end(&out->body, out->atom.size, event);
                 event = lv2_atom_sequence_next(event)) {
                if (event->body.type != midiEvent_) {
                    continue;
                }
                const auto* midi = reinterpret_cast<const uint8_t*>(event + 1);
                if (checkShift_ && !checked && midi[1] != notes[first].Data1 + kShift) {
                    return -1;
                }
                checked = true;
                ++sent;
            }
        }
        return sent;
    }

    const std::vector<Note>& loop_;
    // Whether a block's first note must come out moved up by the shift (the peer's shift
    // moves note numbers; Tonvo's map moves pitch classes, so B comes out as C# below).
    bool checkShift_;
    LV2_URID midiEvent_;
    LV2_URID chunk_;
    LV2_URID sequence_;
    LilvInstance* instance_ = nullptr;
    std::array<float, kPorts> controls_{};
    // 8-byte aligned, as atoms must be.
    std::array<uint64_t, (sizeof(LV2_Atom_Sequence) + kStreamEventsPerBlock * kEventBytes) / 8>
        input_{};
    std::array<uint64_t, 1024> output_{};
    size_t next_ = 0;
};

struct Workload {
    std::string name;
    std::string held; // how many notes are held while it plays
    std::vector<Note> before;
    std::vector<Note> loop;
};

Workload random_workload(int32_t channels, int32_t keys) {
    const RandomNotes notes(channels, keys, 16384, 13);
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on a literal plus a
    // temporary string here.
    std::string name = "random playing, ";
    name += std::to_string(channels);
    name += " x ";
    name += std::to_string(keys);
    name += " keys";
    std::string held = "~";
    held += std::to_string(channels * keys / 2);
    return {std::move(name), std::move(held), notes.Prelude(), notes.Events()};
}

Workload sweep_workload(int32_t held) {
    HeldNoteSet notes = held_notes_sweep(held);
    return {"8 note pairs per block", std::to_string(held), std::move(notes.Held),
            std::move(notes.Pairs)};
}

double cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::string shown(double value) {
    char text[32];
    std::snprintf(text, sizeof text, value >= 100 ? "%.0f" : value >= 10 ? "%.1f" : "%.2f", value);
    return text;
}

int run(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const auto blocks = static_cast<size_t>(argc > 2 ? std::max(1, std::atoi(argv[2])) : 8192);

    PrivateHome home;
    std::vector<Subject> vst;
    vst.push_back(load_subject("Tonvo", TONVO_PLUGIN_PATH));
    vst.back().state = every_key_sounds_state();
    vst.push_back(load_subject("pass-through", TONVO_PASSTHROUGH_PATH));
    vst.push_back(load_subject("C pass-through", TONVO_MINIMAL_PATH));
    Lv2Host lv2;
    const ClapLibrary clap(TONVO_CLAP_PATH);
    const Vst3Library vst3(TONVO_VST3_PATH);
    reset_transport();

    std::vector<Workload> workloads;
    for (const auto& [channels, keys] :
         std::vector<std::array<int32_t, 2>>{{1, 4}, {1, 12}, {4, 24}, {16, 60}}) {
        workloads.push_back(random_workload(channels, keys));
    }
    for (const int32_t held : {0, 16, 128, 512, kMostHeld}) {
        workloads.push_back(sweep_workload(held));
    }

    constexpr size_t kSubjects = 8;
    std::vector<std::array<std::unique_ptr<Runner>, kSubjects>> runners;
    for (const Workload& w : workloads) {
        std::array<std::unique_ptr<Runner>, kSubjects> set;
        set[0] = std::make_unique<VstRunner>(vst[0], w.before, w.loop);
        set[1] = std::make_unique<VstRunner>(vst[1], w.before, w.loop);
        set[2] = std::make_unique<VstRunner>(vst[2], w.before, w.loop);
        set[3] = std::make_unique<Lv2Runner>(lv2, false, w.before, w.loop);
        set[4] = std::make_unique<Lv2Runner>(lv2, true, w.before, w.loop);
        set[5] = std::make_unique<ClapRunner>(clap, vst[0].state, kSampleRate, w.before, w.loop);
        set[6] = std::make_unique<Vst3Runner>(vst3, vst[0].state, kSampleRate, w.before, w.loop);
        set[7] = std::make_unique<Vst3Runner>(w.before, w.loop);
        runners.push_back(std::move(set));
    }

    // times[workload][subject][round], ns per event
    std::vector<std::array<std::vector<double>, kSubjects>> times(workloads.size());
    for (int round = 0; round < rounds; ++round) {
        for (size_t w = 0; w < workloads.size(); ++w) {
            const double events = static_cast<double>(blocks) *
                                  static_cast<double>(std::min<size_t>(workloads[w].loop.size(),
                                                                       kStreamEventsPerBlock));
            for (size_t k = 0; k < kSubjects; ++k) {
                const size_t s = (k + static_cast<size_t>(round)) % kSubjects;
                const double start = cpu_seconds();
                runners[w][s]->Run(blocks);
                times[w][s].push_back((cpu_seconds() - start) * 1e9 / events);
            }
        }
        std::fprintf(stderr, "round %d of %d done\n", round + 1, rounds);
    }

    std::printf(
        "| workload | notes held | Tonvo | pass-through | C pass-through | x42 mapkeyscale | "
        "Tonvo.lv2 | Tonvo.clap | Tonvo.vst3 | VST 3 pass-through | Tonvo / pass-through | "
        "Tonvo / C pass-through | Tonvo / x42 | "
        "Tonvo.lv2 / x42 | Tonvo.lv2 / Tonvo | Tonvo.clap / Tonvo | Tonvo.vst3 / Tonvo | "
        "Tonvo.vst3 over VST 3 pass-through / Tonvo over C pass-through |\n");
    std::printf(
        "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:"
        "|---:|\n");
    for (size_t w = 0; w < workloads.size(); ++w) {
        std::array<double, kSubjects> median{};
        for (size_t s = 0; s < kSubjects; ++s) {
            std::vector<double>& t = times[w][s];
            std::sort(t.begin(), t.end());
            median[s] = t[t.size() / 2];
        }
        std::printf(
            "| %s | %s | %s ns/event | %s ns/event | %s ns/event | %s ns/event | "
            "%s ns/event | %s ns/event | %s ns/event | %s ns/event | %.2f | %.2f | %.2f | %.2f | "
            "%.2f | %.2f | %.2f | %.2f |\n",
            workloads[w].name.c_str(), workloads[w].held.c_str(), shown(median[0]).c_str(),
            shown(median[1]).c_str(), shown(median[2]).c_str(), shown(median[3]).c_str(),
            shown(median[4]).c_str(), shown(median[5]).c_str(), shown(median[6]).c_str(),
            shown(median[7]).c_str(), median[0] / median[1], median[0] / median[2],
            median[0] / median[3], median[4] / median[3], median[4] / median[0],
            median[5] / median[0], median[6] / median[0],
            (median[6] - median[7]) / (median[0] - median[2]));
    }
    return 0;
}

} // namespace
} // namespace tonvo::bench

int main(int argc, char** argv) {
    try {
        return tonvo::bench::run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "peer_bench: %s\n", error.what());
        return 1;
    }
}
