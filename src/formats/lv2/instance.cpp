#include "formats/lv2/instance.h"

#include "formats/lv2/features.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <exception>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>
#include <span>

namespace tonvo::lv2 {

namespace {

constexpr uint64_t pad8(uint64_t size) {
    return (size + 7U) & ~uint64_t{7U};
}

// The events of a sequence the host wrote, each checked to lie inside the sequence's own size
// before it is read, so a malformed sequence ends the walk instead of reading past it.
template <typename Visit>
void for_each_event(const LV2_Atom_Sequence& sequence, Visit&& visit) noexcept {
    const auto* body = reinterpret_cast<const uint8_t*>(&sequence.body);
    // In 64 bits no sum below can overflow.
    const uint64_t size = sequence.atom.size;
    uint64_t at = sizeof(LV2_Atom_Sequence_Body);
    while (at + sizeof(LV2_Atom_Event) <= size) {
        const auto* event = reinterpret_cast<const LV2_Atom_Event*>(body + at);
        const uint64_t end = at + sizeof(LV2_Atom_Event) + event->body.size;
        if (end > size) {
            return;
        }
        visit(*event);
        at = pad8(end);
    }
}

// The properties of an object, bounded the same way.
template <typename Visit>
void for_each_property(const LV2_Atom_Object& object, Visit&& visit) noexcept {
    const auto* body = reinterpret_cast<const uint8_t*>(&object.body);
    const uint64_t size = object.atom.size;
    uint64_t at = sizeof(LV2_Atom_Object_Body);
    while (at + sizeof(LV2_Atom_Property_Body) <= size) {
        const auto* property = reinterpret_cast<const LV2_Atom_Property_Body*>(body + at);
        const uint64_t end = at + sizeof(LV2_Atom_Property_Body) + property->value.size;
        if (end > size) {
            return;
        }
        visit(*property);
        at = pad8(end);
    }
}

// Whether a record the core queued ends notes: a note-off (or a note-on of velocity 0), All
// Sound Off or All Notes Off. The core forgets the notes as it queues these.
constexpr bool ends_notes(const core::MidiRecord& record) noexcept {
    const uint8_t kind = record.status & 0xF0;
    return kind == 0x80 || (kind == 0x90 && record.data2 == 0) ||
           (kind == 0xB0 && (record.data1 == 120 || record.data1 == 123));
}

} // namespace

void TransportFollower::position(uint32_t offset, std::optional<double> speed,
                                 std::optional<double> frame) noexcept {
    known_ = true;
    if (speed && std::isfinite(*speed)) {
        speed_ = *speed;
    }
    if (frame && std::isfinite(*frame)) {
        block_start_ = *frame - speed_ * offset;
    }
}

core::Transport TransportFollower::end_block(uint32_t frames) noexcept {
    core::Transport transport;
    transport.known = known_;
    transport.playing = speed_ != 0.0;
    transport.sample_position = block_start_;
    block_start_ += speed_ * frames;
    return transport;
}

std::unique_ptr<Instance> Instance::create(const LV2_Feature* const* features,
                                           PluginServices& services) {
    auto* log = static_cast<LV2_Log_Log*>(find_feature(features, LV2_LOG__log));
    auto* map = static_cast<LV2_URID_Map*>(find_feature(features, LV2_URID__map));
    if (map == nullptr) {
        if (log != nullptr) {
            const LV2_URID error = 0; // no URID can be had without the map
            log->printf(log->handle, error, "Tonvo: the host maps no URIDs (urid:map)\n");
        } else {
            std::fprintf(stderr, "Tonvo: the host maps no URIDs (urid:map)\n");
        }
        return nullptr;
    }
    std::unique_ptr<Instance> instance(new Instance(*map, log, services));
    instance->plugin_.start();
    return instance;
}

Instance::Instance(LV2_URID_Map& map, LV2_Log_Log* log, PluginServices& services)
    : log_(log), plugin_(*this, services) {
    const auto id = [&map](const char* uri) { return map.map(map.handle, uri); };
    urids_ = {id(LV2_ATOM__Chunk),         id(LV2_ATOM__Float),    id(LV2_ATOM__Double),
              id(LV2_ATOM__Int),           id(LV2_ATOM__Long),     id(LV2_ATOM__Object),
              id(LV2_ATOM__Blank),         id(LV2_ATOM__Sequence), id(LV2_MIDI__MidiEvent),
              id(LV2_TIME__Position),      id(LV2_TIME__speed),    id(LV2_TIME__frame),
              id(LV2_STATE__StateChanged), id(kStateKeyUri),       id(LV2_LOG__Error)};
}

Instance::~Instance() = default;

void Instance::connect(uint32_t port, void* data) noexcept {
    switch (port) {
    case kEventsIn: input_ = static_cast<const LV2_Atom_Sequence*>(data); break;
    case kEventsOut: output_ = static_cast<LV2_Atom_Sequence*>(data); break;
    default: break;
    }
}

void Instance::activate() noexcept {
    transport_ = {};
    release_held_ = true;
}

// After an activation, the notes held from before go off first, ahead of anything new. Then
// the previews, so a preview and a played note of one block keep the order the VST 2.4 build
// gives them; then every event in order, and the transport watch at the block's end.
void Instance::run(uint32_t frames) noexcept {
    if (release_held_) {
        release_held_ = false;
        plugin_.release_all_held_notes(0);
    }
    plugin_.drain_previews();
    if (input_ != nullptr) {
        const int64_t final_frame = frames > 0 ? frames - 1 : 0;
        for_each_event(*input_, [&](const LV2_Atom_Event& event) {
            // Inside the block, as nearly always; else its nearer end.
            int64_t time = event.time.frames;
            if (static_cast<uint64_t>(time) > static_cast<uint64_t>(final_frame)) {
                time = time < 0 ? 0 : final_frame;
            }
            const auto offset = static_cast<uint32_t>(time);
            if (event.body.type == urids_.midi_event) {
                if (event.body.size == 0 || event.body.size > 3) {
                    return; // system exclusive and empty events are dropped
                }
                const auto* bytes = reinterpret_cast<const uint8_t*>(&event + 1);
                core::MidiRecord record;
                record.frame = static_cast<int32_t>(offset);
                record.status = bytes[0];
                if (event.body.size == 3) {
                    record.data1 = bytes[1];
                    record.data2 = bytes[2];
                } else if (event.body.size == 2) {
                    record.data1 = bytes[1];
                }
                plugin_.process_midi(record);
            } else if ((event.body.type == urids_.atom_object ||
                        event.body.type == urids_.atom_blank) &&
                       event.body.size >= sizeof(LV2_Atom_Object_Body)) {
                read_position(reinterpret_cast<const LV2_Atom_Object&>(event.body), offset);
            }
        });
    }
    plugin_.watch_transport(transport_.end_block(frames));
    deliver(frames);
}

void Instance::read_position(const LV2_Atom_Object& object, uint32_t offset) noexcept {
    if (object.body.otype != urids_.time_position) {
        return;
    }
    std::optional<double> speed;
    std::optional<double> frame;
    for_each_property(object, [&](const LV2_Atom_Property_Body& property) {
        const LV2_Atom& value = property.value;
        const void* data = &value + 1;
        std::optional<double> number;
        if (value.type == urids_.atom_float && value.size >= sizeof(float)) {
            number = *static_cast<const float*>(data);
        } else if (value.type == urids_.atom_double && value.size >= sizeof(double)) {
            number = *static_cast<const double*>(data);
        } else if (value.type == urids_.atom_long && value.size >= sizeof(int64_t)) {
            number = static_cast<double>(*static_cast<const int64_t*>(data));
        } else if (value.type == urids_.atom_int && value.size >= sizeof(int32_t)) {
            number = *static_cast<const int32_t*>(data);
        }
        if (property.key == urids_.time_speed) {
            speed = number;
        } else if (property.key == urids_.time_frame) {
            frame = number;
        }
    });
    transport_.position(offset, speed, frame);
}

// Frames never go back within the sequence: what the core queued after later events (a
// release at the block's start after the transport stopped) goes out at the latest frame
// reached.
//
// The bundle asks for an output buffer that holds a full queue. A host that gives less gets
// the releases first: the core forgot each note as it queued its release, so a release not
// written would leave its note sounding for good, where anything else is lost once. The records
// go out in order, and a note-on or other message is left out whenever the room left is needed
// for the releases still to come; only releases that do not fit even alone are lost, newest
// first. A note-on left out stays held in the core: its note-off later reaches a receiver that
// never got the note, which ignores it, and a key sharing that output note meanwhile stays
// silent, as if the host had dropped the note-on. Neither sticks, so the core is not told.
void Instance::deliver(uint32_t frames) noexcept {
    core::OutputQueue& queue = plugin_.output();
    if (output_ == nullptr) {
        queue.clear();
        return;
    }
    const uint32_t capacity = output_->atom.size;
    auto* base = reinterpret_cast<uint8_t*>(output_);
    uint32_t used = sizeof(LV2_Atom_Sequence);
    if (capacity < used) {
        queue.clear();
        return;
    }
    output_->atom.type = urids_.atom_sequence;
    output_->body.unit = 0;
    output_->body.pad = 0;
    // The notice is an object event with an empty body: its header and the object's type.
    // Every MIDI event takes the same room (its header and its bytes padded to eight), so the
    // room is counted in events, and each record is written in a few stores.
    constexpr uint32_t kNoticeBytes = sizeof(LV2_Atom_Event) + sizeof(LV2_Atom_Object_Body);
    constexpr uint32_t kMidiEventBytes = sizeof(LV2_Atom_Event) + 8;
    const bool notice_waits = state_changed_.load(std::memory_order_relaxed);
    const std::span<const core::MidiRecord> records = queue.records();
    const bool crowded =
        records.size() * kMidiEventBytes + (notice_waits ? kNoticeBytes : 0) > capacity - used;
    // The releases still to be written, counted only when not everything fits.
    size_t releases = 0;
    if (crowded) {
        releases = static_cast<size_t>(std::count_if(records.begin(), records.end(), &ends_notes));
    }
    // The notice waits for a later block rather than take the room of a release.
    if (notice_waits && capacity - used >= kNoticeBytes + releases * kMidiEventBytes) {
        const LV2_Atom_Event header{{0}, {sizeof(LV2_Atom_Object_Body), urids_.atom_object}};
        const LV2_Atom_Object_Body notice{0, urids_.state_changed};
        std::memcpy(base + used, &header, sizeof header);
        std::memcpy(base + used + sizeof header, &notice, sizeof notice);
        used += kNoticeBytes;
        state_changed_.store(false);
    }
    size_t room = (capacity - used) / kMidiEventBytes;
    const int32_t final_frame = frames > 0 ? static_cast<int32_t>(frames) - 1 : 0;
    int32_t last = 0;
    uint8_t* at = base + used;
    // Each event is three 8-byte words, stored as such: the time, the body's size and type (the
    // size in the low half), and the message's bytes, which are the record's from its status on
    // (its last byte is always 0).
    static_assert(std::endian::native == std::endian::little);
    static_assert(offsetof(LV2_Atom_Event, body) == 8 && sizeof(LV2_Atom_Event) == 16);
    const uint64_t midi_type = uint64_t{urids_.midi_event} << 32;
    for (const core::MidiRecord& record : records) {
        if (crowded) {
            if (ends_notes(record)) {
                if (room == 0) {
                    break; // not even the releases fit
                }
                --releases;
            } else if (room <= releases) {
                continue; // its room is kept for the releases still to come
            }
            --room;
        }
        last = std::min(std::max(record.frame, last), final_frame);
        const int64_t time = last;
        const bool two_bytes = (record.status & 0xE0) == 0xC0; // program change, pressure
        const uint64_t size_and_type = midi_type | (two_bytes ? 2U : 3U);
        uint32_t message = 0;
        std::memcpy(&message, core::message_bytes(record), sizeof message);
        const uint64_t body = message;
        std::memcpy(at, &time, sizeof time);
        std::memcpy(at + 8, &size_and_type, sizeof size_and_type);
        std::memcpy(at + 16, &body, sizeof body);
        at += kMidiEventBytes;
    }
    used = static_cast<uint32_t>(at - base);
    output_->atom.size = used - static_cast<uint32_t>(sizeof(LV2_Atom));
    queue.clear();
}

LV2_State_Status Instance::save(LV2_State_Store_Function store, LV2_State_Handle handle) {
    try {
        const std::vector<uint8_t> block = plugin_.state_block();
        return store(handle, urids_.state_key, block.data(), block.size(), urids_.atom_chunk,
                     LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
    } catch (const std::exception& failure) {
        log_error("save", failure.what());
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status Instance::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
    size_t size = 0;
    uint32_t type = 0;
    uint32_t flags = 0;
    const void* data = retrieve(handle, urids_.state_key, &size, &type, &flags);
    if (data == nullptr) {
        return LV2_STATE_ERR_NO_PROPERTY;
    }
    if (type != urids_.atom_chunk) {
        return LV2_STATE_ERR_BAD_TYPE;
    }
    try {
        plugin_.set_state_block({static_cast<const uint8_t*>(data), size});
        return LV2_STATE_SUCCESS;
    } catch (const std::exception& failure) {
        log_error("restore", failure.what());
        return LV2_STATE_ERR_UNKNOWN;
    }
}

void Instance::log_error(const char* where, const char* message) const noexcept {
    if (log_ != nullptr) {
        log_->printf(log_->handle, urids_.log_error, "Tonvo: %s: %s\n", where, message);
    } else {
        std::fprintf(stderr, "Tonvo: %s: %s\n", where, message);
    }
}

} // namespace tonvo::lv2
