// The held notes: which output note each held (channel, input note) produced, so its note-off
// releases what was really sent whatever the map says by then.
//
// Storage is fixed: each (channel, input note) holds at most one entry, so 16 x 128 entries
// always suffice and nothing is allocated after construction. Entries keep the order they were
// added in, oldest first. A per-(channel, output note) count answers "is this output note
// sounding on this channel" without a scan.
//
// Thread contract: audio thread only (and the module's construction and destruction).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tonvo {

struct TMidiNoteItem {
    uint8_t Channel = 0;    // 0..15
    uint8_t InputNote = 0;  // 0..127, as received
    uint8_t OutputNote = 0; // 0..127, as sent
    uint8_t Velocity = 0;   // 1..127, of the note-on; also used for the note-off
};

class TMidiNoteList {
public:
    static constexpr int32_t kChannels = 16;
    static constexpr int32_t kNotes = 128;
    static constexpr int32_t kCapacity = kChannels * kNotes;

    int32_t Count() const noexcept { return count_; }
    const TMidiNoteItem& GetItem(int32_t index) const noexcept {
        return items_[static_cast<size_t>(index)];
    }

    // Appends an entry. Refused (false) for values outside their ranges, or when the list is
    // full, which cannot happen while callers keep one entry per (channel, input note).
    bool AddHeldNote(int32_t channel, int32_t inputNote, int32_t outputNote,
                     int32_t velocity) noexcept;

    // Index of the newest entry for this held key, or -1.
    int32_t IndexOfInputNote(int32_t channel, int32_t inputNote) const noexcept;

    // How many entries on this channel hold this output note.
    int32_t SoundingCount(int32_t channel, int32_t outputNote) const noexcept;

    // Removes one entry and closes the gap.
    void Delete(int32_t index) noexcept;

    // Removes every entry of one channel, keeping the order of the rest.
    void DeleteChannel(int32_t channel) noexcept;

    void Clear() noexcept;

private:
    static bool InRange(int32_t channel, int32_t note) noexcept {
        return channel >= 0 && channel < kChannels && note >= 0 && note < kNotes;
    }
    uint16_t& Sounding(int32_t channel, int32_t note) noexcept {
        return sounding_[static_cast<size_t>(channel * kNotes + note)];
    }

    std::array<TMidiNoteItem, kCapacity> items_{};
    std::array<uint16_t, kCapacity> sounding_{};
    int32_t count_ = 0;
};

} // namespace tonvo
