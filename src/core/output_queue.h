// The plug-in's MIDI output for one processing block, in a form no plug-in format owns: each
// record is a frame offset inside the block, a status byte and two data bytes. A format's
// adapter turns the records into its own events when it delivers them, then clears the queue.
//
// 1024 records are made with the queue and reused for its whole life. A caller can keep
// records back for events it has promised to send (the plug-in keeps one for the note-off of
// every sounding note): room() leaves them out, so events that check room() before queueing
// can never take them, and a promised event queued without that check always finds its record.
//
// Thread contract: audio thread only. Queueing never allocates, never blocks and never fails;
// once 1023 events wait, further events overwrite the spare 1024th record and are lost until
// the next delivery empties the queue.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tonvo::core {

// One short MIDI message at a frame offset inside the current block. Also the form in which
// events reach the plug-in (see core::Plugin::process).
struct MidiRecord {
    int32_t frame = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    uint8_t zero = 0; // padding, always 0: the bytes from status on are a 4-byte MIDI message
};
static_assert(sizeof(MidiRecord) == 8 && offsetof(MidiRecord, zero) == 7);

// The record's 4-byte MIDI message in memory order (status, data1, data2, 0), for an adapter
// that copies it into its own event in one go.
inline const unsigned char* message_bytes(const MidiRecord& record) noexcept {
    return reinterpret_cast<const unsigned char*>(&record) + offsetof(MidiRecord, status);
}

class OutputQueue {
public:
    static constexpr int32_t kCapacity = 1024;
    static constexpr int32_t kMaxDelivered = kCapacity - 1;

    OutputQueue() = default;
    OutputQueue(const OutputQueue&) = delete;
    OutputQueue& operator=(const OutputQueue&) = delete;

    // The status byte is the type plus the channel, taken modulo 256: callers pass channels
    // 0..15.
    void note_on(uint8_t channel, uint8_t note, uint8_t velocity, int32_t frame) noexcept {
        push(static_cast<uint8_t>(0x90 + channel), note, velocity, frame);
    }
    void note_off(uint8_t channel, uint8_t note, uint8_t velocity, int32_t frame) noexcept {
        push(static_cast<uint8_t>(0x80 + channel), note, velocity, frame);
    }
    void control_change(uint8_t channel, uint8_t controller, uint8_t value,
                        int32_t frame) noexcept {
        push(static_cast<uint8_t>(0xB0 + channel), controller, value, frame);
    }
    void poly_pressure(uint8_t channel, uint8_t note, uint8_t pressure, int32_t frame) noexcept {
        push(static_cast<uint8_t>(0xA0 + channel), note, pressure, frame);
    }
    void channel_pressure(uint8_t channel, uint8_t pressure, int32_t frame) noexcept {
        push(static_cast<uint8_t>(0xD0 + channel), pressure, 0, frame);
    }
    void pitch_bend(uint8_t channel, uint8_t first, uint8_t second, int32_t frame) noexcept {
        push(static_cast<uint8_t>(0xE0 + channel), first, second, frame);
    }
    void push(uint8_t status, uint8_t data1, uint8_t data2, int32_t frame) noexcept {
        MidiRecord& record = records_[static_cast<size_t>(count_)];
        record.frame = frame;
        record.status = status;
        record.data1 = data1;
        record.data2 = data2;
        if (count_ < kMaxDelivered) {
            ++count_;
        }
    }

    int32_t count() const noexcept { return count_; }
    // How many more events the next delivery can still carry, less the records kept back.
    int32_t room() const noexcept {
        const int32_t room = kMaxDelivered - count_ - reserved_;
        return room > 0 ? room : 0;
    }
    // Keeps that many of the free records for promised events; 0 keeps none.
    void set_reserved(int32_t records) noexcept { reserved_ = records; }
    int32_t reserved() const noexcept { return reserved_; }

    const MidiRecord& record(int32_t index) const noexcept {
        return records_[static_cast<size_t>(index)];
    }
    // What waits, oldest first: at most kMaxDelivered records.
    std::span<const MidiRecord> records() const noexcept {
        return {records_.data(), static_cast<size_t>(count_)};
    }
    void clear() noexcept { count_ = 0; }

private:
    std::array<MidiRecord, kCapacity> records_{};
    int32_t count_ = 0;
    int32_t reserved_ = 0;
};

} // namespace tonvo::core
