#include "core/plugin.h"

#include <bit>
#include <cmath>

namespace tonvo::core {

namespace {
constexpr uint8_t kAllSoundOff = 120;
constexpr uint8_t kAllNotesOff = 123;
} // namespace

void Plugin::release_key(uint8_t channel, uint8_t note, int32_t frame) noexcept {
    note_off(channel, note, frame);
}

void Plugin::control_change(uint8_t channel, uint8_t controller, uint8_t value,
                            int32_t frame) noexcept {
    // The assigned parameters first; the message itself then goes on like any other.
    route_control_change(controller, value);
    if (controller == kAllSoundOff || controller == kAllNotesOff) {
        silence_channel(channel, controller, value, frame);
    } else if (output_.room() > 0) {
        output_.control_change(channel, controller, value, frame);
    }
}

// Forwarded messages take only free room: the records kept for note-offs stay theirs, and what
// does not fit is dropped.
void Plugin::forward(uint8_t status, uint8_t data1, uint8_t data2, int32_t frame) noexcept {
    if (output_.room() > 0) {
        output_.push(status, data1, (status & 0xF0) == 0xD0 ? uint8_t{0} : data2, frame);
    }
}

void Plugin::route_control_change(uint8_t controller, uint8_t value) noexcept {
    uint64_t routes = cc_routing_.Routes(controller);
    for (; routes != 0; routes &= routes - 1) { // one pass per set bit, lowest first
        link_.control_parameter(static_cast<int32_t>(std::countr_zero(routes)), value);
    }
}

// All Sound Off and All Notes Off silence the channel's notes at the receiver, which frees
// the records kept for their note-offs: the message always fits when the channel sounds
// anything. One dropped for want of room (the channel sounds nothing then) forgets nothing:
// the channel's keys keep their entries and highlights until their own note-offs.
void Plugin::silence_channel(uint8_t channel, uint8_t controller, uint8_t value,
                             int32_t frame) noexcept {
    if (output_.room() == 0 && held_notes_.SoundingNotesOn(channel) == 0) {
        return;
    }
    output_.control_change(channel, controller, value, frame);
    forget_channel(channel);
}

void Plugin::forget_channel(uint8_t channel) noexcept {
    for (int32_t note = 0; note < TMidiNoteList::kNotes; ++note) {
        if (held_notes_.FindInputNote(channel, note) != nullptr) {
            highlight_off(note);
        }
    }
    held_notes_.DeleteChannel(channel);
    keep_room_for_note_offs();
    blocked_lit_.TakeChannel(channel, [this](uint8_t note) noexcept { highlight_off(note); });
}

void Plugin::clear_blocked_highlights() noexcept {
    blocked_lit_.TakeAll([this](uint8_t, uint8_t note) noexcept { highlight_off(note); });
}

void Plugin::release_all_held_notes(int32_t frame) noexcept {
    // Walks oldest first; an output note held by several keys goes off once, at its oldest
    // entry, after which the list's count for it is no longer consulted.
    bool released[TMidiNoteList::kChannels][TMidiNoteList::kNotes] = {};
    for (const TMidiNoteItem& item : held_notes_) {
        bool& done = released[item.Channel][item.OutputNote];
        if (!done) {
            done = true;
            output_.note_off(item.Channel, item.OutputNote, item.Velocity, frame);
        }
        highlight_off(item.InputNote);
    }
    held_notes_.Clear();
    keep_room_for_note_offs();
    clear_blocked_highlights();
}

void Plugin::watch_transport(const Transport& transport) noexcept {
    // The next block's events begin after this call.
    const uint32_t adds_before_block = adds_before_block_;
    adds_before_block_ = held_notes_.Adds();
    if (!transport.known) {
        transport_was_playing_ = false;
        return;
    }
    const bool playing = transport.playing;
    const double position = transport.sample_position;
    if (playing && !transport_was_playing_) {
        last_sample_position_ = 0.0; // playback has just started
    } else if (!playing && transport_was_playing_) {
        last_sample_position_ = 0.0; // playback has just stopped
        release_all_held_notes();
        transport_was_playing_ = false;
        return;
    }
    if (position < last_sample_position_) {
        release_notes_added_before(adds_before_block);
    }
    if (!std::isnan(position)) {
        last_sample_position_ = position;
    }
    transport_was_playing_ = playing;
}

// The block that reports the earlier position also carries the first notes played there (a
// loop's start): they sound on. Only what was held before the block goes off, at the block's
// start; a note a new key shares with an older one stays on for the new key.
void Plugin::release_notes_added_before(uint32_t adds) noexcept {
    if (held_notes_.Adds() == adds) {
        release_all_held_notes();
        return;
    }
    // Oldest first, so the older entries are the chain's head; each is read before it goes.
    for (auto at = held_notes_.begin();
         at != held_notes_.end() && held_notes_.AddedBefore(*at, adds);) {
        const TMidiNoteItem item = *at++;
        release_entry(item.Channel, item.InputNote, item, 0);
    }
    clear_blocked_highlights();
}

bool Plugin::preview_note_on(int note, int velocity) noexcept {
    const auto key = static_cast<size_t>(note & 0x7F);
    // The key's note-off must reach the host first; while it waits, so does this note-on.
    if (parked_off_[key].load(std::memory_order_acquire) != 0) {
        return false;
    }
    return previews_.Push(
        PreviewNote{true, static_cast<uint8_t>(key), static_cast<uint8_t>(velocity & 0x7F)});
}

bool Plugin::preview_note_off(int note, int velocity) noexcept {
    const auto key = static_cast<size_t>(note & 0x7F);
    const auto vel = static_cast<uint8_t>(velocity & 0x7F);
    if (parked_off_[key].load(std::memory_order_acquire) != 0) {
        return true; // no note-on of the key went in between: the parked one releases it
    }
    if (!previews_.Push(PreviewNote{false, static_cast<uint8_t>(key), vel})) {
        parked_off_[key].store(static_cast<uint8_t>(kParked | vel), std::memory_order_release);
        parked_off_count_.fetch_add(1, std::memory_order_release);
    }
    return true;
}

// Takes no more previews than the output can carry this time, so none is lost and the drain
// stays bounded while the user-interface thread keeps adding; the rest wait for the next call.
// A parked note-off goes only once the hand-off is empty: the note-on it ends was pushed before
// it was parked, so it is among what the drain takes when the parking was seen before it.
void Plugin::drain_previews() noexcept {
    // Filled only when something is parked: most blocks have nothing waiting at all.
    std::array<uint8_t, 128> parked; // NOLINT(cppcoreguidelines-pro-type-member-init)
    const bool any_parked = parked_off_count_.load(std::memory_order_acquire) > 0;
    if (any_parked) {
        for (size_t key = 0; key < parked.size(); ++key) {
            parked[key] = parked_off_[key].load(std::memory_order_acquire);
        }
    }
    PreviewNote preview;
    int32_t room = output_.room();
    for (; room > 0 && previews_.Pop(preview); --room) {
        if (preview.on) {
            output_.note_on(0, preview.note, preview.velocity, 0);
        } else {
            output_.note_off(0, preview.note, preview.velocity, 0);
        }
    }
    // Room left means the drain emptied the hand-off.
    if (any_parked && room > 0) {
        send_parked_preview_offs(parked, room);
    }
}

void Plugin::send_parked_preview_offs(const std::array<uint8_t, 128>& parked,
                                      int32_t room) noexcept {
    for (size_t key = 0; key < parked.size() && room > 0; ++key) {
        if (parked[key] == 0) {
            continue;
        }
        output_.note_off(0, static_cast<uint8_t>(key), static_cast<uint8_t>(parked[key] & 0x7F), 0);
        --room;
        parked_off_[key].store(0, std::memory_order_release);
        parked_off_count_.fetch_sub(1, std::memory_order_release);
    }
}

} // namespace tonvo::core
