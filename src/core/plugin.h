// The plug-in itself, whatever format hosts it: re-maps every played note through the note
// map, remembers what each held key sent so its note-off releases exactly that, forwards the
// other channel messages, routes control changes to their assigned parameters, releases held
// notes when the host transport stops or jumps back, plays the editor's preview notes and
// lights the editor's keys. A format's adapter feeds it events and transport and delivers its
// output queue; everything it needs of the format goes through HostLink.
//
// Held notes never stick: one record of the output queue is kept for the note-off of every
// sounding note, so a note-off, a release of all held notes or a channel's All Notes Off always
// fits, and what a full queue drops are the newest forwarded messages and note-ons (a dropped
// note-on is not held); each (channel, key) holds at most one entry; a second key that maps
// to an output note already sounding on its channel shares that note instead of re-sending it,
// and the note-off goes out when the last key holding it is released; a note-off finds its
// entry whatever the map says by then; All Sound Off and All Notes Off forget the channel's
// entries because the receiver has silenced them.
//
// Highlights never stick either: a key lit while its pitch class was blocked is remembered, and
// its highlight goes out at its note-off whatever the map says by then, and wherever held notes
// are forgotten.
//
// Preview note-offs are never lost: one the hand-off has no room for is parked by note, and
// the audio thread sends it itself once it has emptied the hand-off, so it needs no editor
// (the editor may be gone by then) and still follows everything queued before it.
//
// It also keeps the state a host stores and restores (the state block body: version, preset
// name, note map, CC assignments; plugin_state.cpp), the preset name with its any-thread
// rules, and the data and preset folders.
//
// Threads, per member below: the audio thread runs process_midi, drain_previews,
// watch_transport (or finish_block, or process) and reads and clears output(); the
// user-interface thread writes the note map, the CC assignments and the previews, attaches
// the editor's highlights and hooks, and gets and sets the state (a host's chunk calls count
// as that thread); the preset name may be read and set from any thread. Nothing on the audio
// thread allocates, blocks or throws.
#pragma once

#include "core/host_link.h"
#include "core/output_queue.h"
#include "engine/cc_routing.h"
#include "engine/highlight_gate.h"
#include "engine/midi_note_list.h"
#include "engine/note_bit_table.h"
#include "engine/parameter_values.h"
#include "engine/plugin_editor.h"
#include "engine/plugin_services.h"
#include "engine/plugin_settings.h"
#include "engine/preset_folder.h"
#include "engine/scale_map.h"
#include "engine/spsc_ring.h"
#include "engine/state_block.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace tonvo::core {

class Plugin {
public:
    explicit Plugin(HostLink& link, PluginServices& services = PluginServices::Defaults())
        : link_(link), services_(services), folders_(services) {}
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    // --- Audio thread ---------------------------------------------------------------------

    // One block in one call, for formats that hand over events and transport together: the
    // events in order, then finish_block. The output waits in output() for the caller to
    // deliver and clear.
    void process(std::span<const MidiRecord> events, const Transport& transport) noexcept {
        for (const MidiRecord& event : events) {
            process_midi(event);
        }
        finish_block(transport);
    }
    // The two-step form: every event of the block as it arrives, then finish_block once the
    // block is processed. Data bytes are masked to 0..127. Inline, as it runs per event.
    void process_midi(const MidiRecord& event) noexcept {
        const uint8_t status = event.status;
        const auto channel = static_cast<uint8_t>(status & 0x0F);
        const auto data1 = static_cast<uint8_t>(event.data1 & 0x7F);
        const auto data2 = static_cast<uint8_t>(event.data2 & 0x7F);
        switch (status & 0xF0) {
        case 0x90:
            if (data2 > 0) {
                note_on(channel, data1, data2, event.frame);
            } else {
                note_off(channel, data1, event.frame); // velocity 0 releases like a note-off
            }
            break;
        case 0x80: note_off(channel, data1, event.frame); break;
        case 0xB0: control_change(channel, data1, data2, event.frame); break;
        case 0xA0:
        case 0xD0:
        case 0xE0: forward(status, data1, data2, event.frame); break;
        default: break; // program change and system messages are dropped
        }
    }
    // A note-off of one key, as process_midi takes it, out of line: for adapters that release
    // many keys at once, so that process_midi keeps its one call site in their event loops.
    void release_key(uint8_t channel, uint8_t note, int32_t frame) noexcept;
    // The previews waiting from the user-interface thread, then the transport watch.
    void finish_block(const Transport& transport) noexcept {
        drain_previews();
        watch_transport(transport);
    }
    // The two halves of finish_block, for adapters whose routines run them apart.
    void drain_previews() noexcept;
    // Releases every held note when playback stops, and every note held before the block
    // when the position jumps back. A host that gives no time information counts as stopped
    // with the position unchanged: nothing is released.
    void watch_transport(const Transport& transport) noexcept;
    // A control change's routing alone: the parameters assigned to the controller are set.
    // process_midi does this for every control change itself.
    void route_control_change(uint8_t controller, uint8_t value) noexcept;
    // Note-off for every sounding (channel, output note), oldest first, at `frame`, then
    // forgets all held notes.
    void release_all_held_notes(int32_t frame = 0) noexcept;

    // What waits for delivery; the adapter delivers it and clears it, also when processing
    // failed, so note-offs already queued are never held back.
    OutputQueue& output() noexcept { return output_; }
    const OutputQueue& output() const noexcept { return output_; }

    bool transport_was_playing() const noexcept { return transport_was_playing_; }
    double last_sample_position() const noexcept { return last_sample_position_; }
    const TMidiNoteList& held_notes() const noexcept { return held_notes_; }

    // --- User-interface thread ------------------------------------------------------------

    // The note map: written here, read by the audio thread entry by entry (atomic words).
    TScaleMap& scale_map() noexcept { return scale_map_; }
    const TScaleMap& scale_map() const noexcept { return scale_map_; }
    // The CC assignments; the audio thread sees new ones from its next event.
    CCRouting& cc_routing() noexcept { return cc_routing_; }
    const CCRouting& cc_routing() const noexcept { return cc_routing_; }
    // The way to the editor's key highlights: attach when the editor form is shown, detach
    // before it goes.
    HighlightGate& highlights() noexcept { return highlights_; }

    // Preview notes from the editor keyboard, on channel 0 at offset 0, bypassing the map and
    // the held notes; note and velocity are masked to 0..127. They reach the output at the
    // start of the next finish_block. A note-on answers false when too many previews are
    // waiting, or while a note-off of the same note still waits (the note is not sent). A
    // note-off is always taken: when the hand-off is full it is parked and goes out from the
    // block that has emptied the hand-off, before any later note-on of its note.
    bool preview_note_on(int note, int velocity) noexcept;
    bool preview_note_off(int note, int velocity) noexcept;
    // The state changed through the plug-in itself (an edit in the editor, a preset loaded):
    // the host hears of it through HostLink::state_changed.
    void notify_state_changed() { link_.state_changed(); }
    // Asks the format for an idle call that brings the editor up to date (after a state was
    // put in place from the editor's own thread).
    void request_editor_update() noexcept { link_.editor_needs_update(); }

    // Parked preview note-offs not yet sent. Any thread.
    int32_t waiting_preview_note_offs() const noexcept {
        return parked_off_count_.load(std::memory_order_acquire);
    }

    // --- State (user-interface thread) -----------------------------------------------------

    // The plug-in section of the state body, for a format module that writes its own; without
    // one the section is the note map.
    using SectionWriter = std::function<void(ValueWriter&, const PluginState&)>;
    using SectionReader = std::function<void(ValueReader&, const std::string&, PluginState&)>;

    // The version text the state records and About shows ("1.00"); set once at creation.
    const std::string& version() const noexcept { return version_; }
    void set_version(std::string version) { version_ = std::move(version); }
    // The product's name ("Tonvo": the settings key, the preset folder, the editor's captions)
    // and the user guide's file name; set once at creation.
    const std::string& product_name() const noexcept { return product_name_; }
    const std::string& user_guide_name() const noexcept { return user_guide_name_; }
    void set_names(std::string product_name, std::string user_guide_name) {
        product_name_ = std::move(product_name);
        user_guide_name_ = std::move(user_guide_name);
    }
    // The parameter-value list a control change and the CC assignments refer to.
    TVSTParameterValues& parameter_values() noexcept { return parameter_values_; }
    const TVSTParameterValues& parameter_values() const noexcept { return parameter_values_; }
    // The data and preset folders, formed at creation (see PresetFolders).
    PresetFolders& folders() noexcept { return folders_; }
    const PresetFolders& folders() const noexcept { return folders_; }

    // Creation for a format that has no creation sequence of its own: the names and version of
    // core/identity.h, the folders formed (not created), the settings read, then the init
    // preset or the default state. A failure of the settings or of the init file goes to the
    // link's report and the instance goes on with the defaults, so it starts in a known state.
    // The host is not told of a change: a new instance is none.
    void start();

    // The state block a host stores: the "mmst" container around the state body, the same
    // bytes in every format. Fails with the stream's message.
    std::vector<uint8_t> state_block() const;
    // A whole state block in place of the current state, all or nothing: a container with
    // another name, a length that does not match, or a body that cannot be read fails with the
    // stream's message and changes nothing. A preset name whose file is not in the preset
    // folder is dropped; the editor is asked to update.
    void set_state_block(std::span<const uint8_t> block);
    // The largest state block taken (far above any real one: the body holds a few names and
    // lists).
    static constexpr size_t kMaxStateBlockBytes = size_t{1} << 20;

    // The state as it stands now: version, preset name, CC assignments and the note map.
    PluginState current_state() const;
    // The state body of the current state, the bytes a host stores (inside the "mmst"
    // container). Fails with the stream's message.
    std::vector<uint8_t> state_bytes() const;
    // Reads a whole body into a fresh value and, only when complete, puts it in place of the
    // current state. With check_preset_file, a preset name whose file is not in the preset
    // folder is dropped. Fails with the stream's message ("Invalid stream format", "Stream read
    // error") and then has changed nothing.
    void set_state_bytes(std::span<const uint8_t> bytes, bool check_preset_file);
    // The body of `state` into `body` after emptying it; fails with the stream's message.
    static void write_state(MemoryStream& body, const PluginState& state,
                            const SectionWriter& section = {});
    // A whole body from the stream's position into a fresh value; fails with the stream's
    // message, changing nothing.
    PluginState parse_state(MemoryStream& body, const SectionReader& section = {}) const;
    // Replaces the current state with a completely read one: the note map when the state
    // carries one, the preset name, the parameter values back to their defaults (the link
    // tells the host) and the CC assignments (none when the state has none). Nothing passes
    // through the default state on the way.
    void apply_state(const PluginState& state);
    // Every parameter value back to its default; the link tells the host.
    void reset_parameter_values();
    // Drops a preset name whose file is not in the preset folder (a host restoring a project
    // whose preset has gone).
    void forget_missing_preset();
    // Back to the default state: default note map, no preset name, parameter values at their
    // defaults, no CC assignments. The held notes are not touched.
    void reset_state();
    // The init preset when one exists (its name cleared; the host told unless `tell_host` is
    // false), else the default state. Fails, leaving the state alone, when the init file
    // exists but cannot be read or its container is wrong. A body that cannot be read leaves
    // the default state, and its failure goes to `bad_body`, or is thrown without one.
    void load_init_preset(const SectionReader& section = {},
                          const std::function<void(const std::exception&)>& bad_body = {},
                          bool tell_host = true);

    // --- Settings (user-interface thread) ----------------------------------------------------

    // Further values a format module keeps in the settings key, read or written beside the
    // plug-in's own.
    using SettingsHook = std::function<void(SettingsStore&)>;
    // The skin index and the lowest octave (see PluginSettings); the process-wide octave
    // follows every read and change.
    PluginSettings& settings() noexcept { return settings_; }
    const PluginSettings& settings() const noexcept { return settings_; }
    // Reads both values from the product's key (defaults 0 and -2; the octave clamped to
    // -2..0); fails with the store's message.
    void load_settings(const std::string& product_name, const SettingsHook& read_more = {});
    // Writes both values; fails with the store's message.
    void save_settings(const std::string& product_name, const SettingsHook& write_more = {}) const;

    // --- Preset name (any thread) -----------------------------------------------------------

    // A copy taken under the name's lock: a host restoring state on a worker thread may set a
    // new name while the editor's thread reads it.
    std::string preset_name() const;
    // The only way the preset name changes, so the editor can follow it: on the editor's
    // thread the attached editor hears of it at once; from any other thread the editor is not
    // touched, and the link asks for an editor update whose idle call shows it
    // (take_pending_preset_name).
    void set_preset_name(std::string name);
    // The editor shown now, on the calling (editor's) thread; detach before it goes.
    void attach_editor(EditorHooks* editor) noexcept;
    void detach_editor() noexcept;
    // Whether a name set away from the editor's thread waits to be shown; clears it. Editor's
    // thread.
    bool take_pending_preset_name() noexcept { return preset_name_pending_.exchange(false); }

private:
    struct PreviewNote {
        bool on = false;
        uint8_t note = 0;
        uint8_t velocity = 0;
    };

    void note_on(uint8_t channel, uint8_t note, uint8_t velocity, int32_t frame) noexcept;
    void note_off(uint8_t channel, uint8_t note, int32_t frame) noexcept;
    void control_change(uint8_t channel, uint8_t controller, uint8_t value, int32_t frame) noexcept;
    // Aftertouch and pitch bend, as they came (channel pressure without its unused byte).
    void forward(uint8_t status, uint8_t data1, uint8_t data2, int32_t frame) noexcept;
    void release_entry(uint8_t channel, uint8_t note, TMidiNoteItem item, int32_t frame) noexcept;
    void silence_channel(uint8_t channel, uint8_t controller, uint8_t value,
                         int32_t frame) noexcept;
    void keep_room_for_note_offs() noexcept { output_.set_reserved(held_notes_.SoundingNotes()); }
    void forget_channel(uint8_t channel) noexcept;
    void clear_blocked_highlights() noexcept;
    // The entries added before the list's count of adds was `adds` (see watch_transport).
    void release_notes_added_before(uint32_t adds) noexcept;
    // Queues the parked note-offs of `parked` (a copy taken before the hand-off was emptied)
    // while `room` lasts, and unparks each one sent.
    void send_parked_preview_offs(const std::array<uint8_t, 128>& parked, int32_t room) noexcept;
    // Report a key going on or off to an attached editor; asks for an editor update when the
    // editor's highlight state changed.
    void highlight_on(int note) noexcept {
        if (highlights_.NoteOn(note)) {
            link_.editor_needs_update();
        }
    }
    void highlight_off(int note) noexcept {
        if (highlights_.NoteOff(note)) {
            link_.editor_needs_update();
        }
    }

    HostLink& link_;
    PluginServices& services_;
    PluginSettings settings_;
    PresetFolders folders_;
    TVSTParameterValues parameter_values_;
    std::string version_;
    std::string product_name_;
    std::string user_guide_name_;
    // Guarded by preset_name_lock_; never touched by the audio thread.
    mutable std::mutex preset_name_lock_;
    std::string preset_name_;
    // The editor attached now and the thread it lives on (default while none). The pointer is
    // used only on that thread; the id is read by set_preset_name on any thread.
    EditorHooks* editor_ = nullptr;
    std::atomic<std::thread::id> editor_thread_{};
    // A preset name changed away from the editor's thread; the next idle call shows it.
    std::atomic<bool> preset_name_pending_{false};
    OutputQueue output_;
    TScaleMap scale_map_;
    TMidiNoteList held_notes_;
    CCRouting cc_routing_;
    HighlightGate highlights_;
    // Keys lit at a note-on whose pitch class was blocked (so not held). Audio thread.
    NoteBitTable blocked_lit_;
    SpscRing<PreviewNote, 256> previews_;
    // Preview note-offs the hand-off had no room for, by note: 0 for none, else kParked plus
    // the velocity. At most one per note: no note-on of that note is taken while it waits.
    // Parked by the user-interface thread after everything it pushed before (release), taken
    // back by the audio thread once sent.
    static constexpr uint8_t kParked = 0x80;
    std::array<std::atomic<uint8_t>, 128> parked_off_{};
    std::atomic<int32_t> parked_off_count_{0};
    bool transport_was_playing_ = false;
    // The held-note list's count of adds when this block's events began: the last
    // watch_transport took it.
    uint32_t adds_before_block_ = 0;
    double last_sample_position_ = 0.0;
};

// The note handlers are inline, so that a format's event loop holds the whole path of a note
// without a call (and without saving registers for one) per event.

// Removes the entry the key (channel, note) holds, `item`; its output note goes off unless
// another key still holds it. The note-off takes the record kept for it, so it always fits.
inline void Plugin::release_entry(uint8_t channel, uint8_t note, TMidiNoteItem item,
                                  int32_t frame) noexcept {
    if (held_notes_.release(channel, note) == 0) {
        output_.note_off(channel, item.OutputNote, item.Velocity, frame);
    }
    keep_room_for_note_offs();
    highlight_off(note);
}

// The masks restate what process_midi guarantees (channel 0..15, data bytes 0..127) where the
// compiler can see it, so the held-note table's own range checks fold away.
inline void Plugin::note_on(uint8_t channel, uint8_t note, uint8_t velocity,
                            int32_t frame) noexcept {
    channel &= 0x0F;
    note &= 0x7F;
    velocity &= 0x7F;
    // A key pressed again without a note-off in between is released first.
    if (const TMidiNoteItem* held = held_notes_.FindInputNote(channel, note)) {
        release_entry(channel, note, *held, frame);
    } else if (blocked_lit_.Take(channel, note)) {
        highlight_off(note);
    }
    const int32_t out = scale_map_.MapNote(note);
    if (out == TScaleMap::kBlocked) {
        // Remembered whether or not an editor is attached now: one attached before the
        // note-off gets that note-off, and one that never saw the key ignores it.
        blocked_lit_.Set(channel, note);
        highlight_on(note);
        return;
    }
    if (out < 0 || out > 127) {
        return;
    }
    // Another key already sounds this note on this channel: share it rather than send a second
    // note-on the receiver would pair with the first note-off.
    if (held_notes_.SoundingCount(channel, out) == 0) {
        // A new sounding note needs its own record and one kept for its note-off; without both
        // the note-on is dropped whole: not sent, not held, not lit.
        if (output_.room() < 2) {
            return;
        }
        output_.note_on(channel, static_cast<uint8_t>(out), velocity, frame);
    }
    held_notes_.AddHeldNote(channel, note, out, velocity);
    keep_room_for_note_offs();
    highlight_on(note);
}

inline void Plugin::note_off(uint8_t channel, uint8_t note, int32_t frame) noexcept {
    channel &= 0x0F;
    note &= 0x7F;
    if (const TMidiNoteItem* held = held_notes_.FindInputNote(channel, note)) {
        release_entry(channel, note, *held, frame);
    } else if (blocked_lit_.Take(channel, note)) {
        highlight_off(note); // lit at its note-on as a blocked key, whatever the map says now
    }
}

} // namespace tonvo::core
