// The LV2 adapter's plug-in instance: the core's plug-in behind two atom-sequence ports. The
// input sequence carries MIDI events and the host's time:Position; the output sequence carries
// the re-mapped MIDI events, at their frames, and a state:StateChanged notice when the plug-in's
// own state changed (an edit in the editor, a preset loaded). The state interface saves the
// state block as one atom:Chunk property and restores it all or nothing.
//
// Threads, as LV2 classes them: create, the destructor, activate and deactivate are
// instantiation calls, never made while run() is; connect and run are audio calls (nothing
// there, nor in activate, allocates, blocks or throws); save and restore are the host's state
// calls, which never run with run() at once (no thread-safe restore is declared). The editor
// reaches the core's plug-in from the user-interface thread (instance-access), as the VST 2.4
// editor does.
#pragma once

#include "core/plugin.h"
#include "engine/plugin_services.h"

#include <atomic>
#include <cstdint>
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <memory>
#include <optional>

namespace tonvo::lv2 {

// The plug-in's URIs, as the bundle's data names them (src/formats/lv2/CMakeLists.txt).
inline constexpr const char* kPluginUri = TONVO_LV2_URI;
inline constexpr const char* kUiUri = TONVO_LV2_URI "#ui";
inline constexpr const char* kStateKeyUri = TONVO_LV2_URI "#state";

// The ports, by index, as the bundle's data declares them.
enum Port : uint32_t { kEventsIn = 0, kEventsOut = 1 };

// The host's transport, as the input's time:Position objects tell it, followed from block to
// block between them.
class TransportFollower {
public:
    // A position object at `offset` frames into the block: its speed and its frame when it
    // has them (an object may carry either alone).
    void position(uint32_t offset, std::optional<double> speed,
                  std::optional<double> frame) noexcept;
    // The transport for the block of `frames` just processed, as the core reads it: known once
    // a position came, playing while the speed is not 0, at the block's first frame. The
    // follower then moves on to the next block's first frame.
    core::Transport end_block(uint32_t frames) noexcept;

private:
    bool known_ = false;
    double speed_ = 0.0;
    // The frame the host's position had at this block's start.
    double block_start_ = 0.0;
};

class Instance final : private core::HostLink {
public:
    // Null, with the reason in the host's log, when the host does not map URIDs.
    static std::unique_ptr<Instance> create(const LV2_Feature* const* features,
                                            PluginServices& services);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    void connect(uint32_t port, void* data) noexcept;
    // Starts the instance afresh, as a host that deactivated it and activates it again expects:
    // the transport is followed anew, and the next run() first releases every note still held
    // from before (their note-offs go out at frame 0, so nothing stays sounding downstream and
    // no key or output note counts as held any more). A new instance holds nothing, so its
    // first block sends nothing extra.
    void activate() noexcept;
    void run(uint32_t frames) noexcept;
    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

    core::Plugin& plugin() noexcept { return plugin_; }
    // Whether the core asked for the editor to be brought up to date since the last call;
    // clears the request. The editor's idle call.
    bool take_editor_update() noexcept { return editor_update_.exchange(false); }

private:
    struct Urids {
        LV2_URID atom_chunk, atom_float, atom_double, atom_int, atom_long, atom_object, atom_blank,
            atom_sequence, midi_event, time_position, time_speed, time_frame, state_changed,
            state_key, log_error;
    };
    Instance(LV2_URID_Map& map, LV2_Log_Log* log, PluginServices& services);

    void read_position(const LV2_Atom_Object& object, uint32_t offset) noexcept;
    // The output queue as MIDI events, in frame order, then the queue cleared. When the host's
    // buffer is too small for it all, the releases are kept first.
    void deliver(uint32_t frames) noexcept;
    void log_error(const char* where, const char* message) const noexcept;

    // core::HostLink. LV2 ports carry no parameters, so a control change has nothing to drive.
    void control_parameter(int32_t, uint8_t) noexcept override {}
    void editor_needs_update() noexcept override { editor_update_.store(true); }
    void state_changed() override { state_changed_.store(true); }
    void parameters_reset() override {}
    void report_failure(const char* where, const char* message) noexcept override {
        log_error(where, message);
    }

    LV2_Log_Log* log_;
    Urids urids_;
    core::Plugin plugin_;
    TransportFollower transport_;
    // Set by activate, taken by the next run(): the held notes are released from run() itself,
    // on the audio thread, where the core's output queue and the editor's highlights are
    // written.
    bool release_held_ = false;
    const LV2_Atom_Sequence* input_ = nullptr;
    LV2_Atom_Sequence* output_ = nullptr;
    std::atomic<bool> editor_update_{false};
    std::atomic<bool> state_changed_{false};
};

} // namespace tonvo::lv2
