#include "engine/midi_note_list.h"

namespace tonvo {

TMidiNoteList::TMidiNoteList() noexcept {
    slots_[kEnd].Prev = static_cast<int16_t>(kEnd);
    slots_[kEnd].Next = static_cast<int16_t>(kEnd);
}

// The channel's own 128 slots, not the whole chain.
void TMidiNoteList::DeleteChannel(int32_t channel) noexcept {
    if (channel < 0 || channel >= kChannels) {
        return;
    }
    for (int32_t note = 0; note < kNotes; ++note) {
        if (slots_[Key(channel, note)].Prev != kFree) {
            Unlink(Key(channel, note));
        }
    }
}

// Walks only what is held, so an empty list clears at once.
void TMidiNoteList::Clear() noexcept {
    for (auto at = static_cast<size_t>(slots_[kEnd].Next); at != kEnd;) {
        Slot& slot = slots_[at];
        sounding_[Key(slot.Item.Channel, slot.Item.OutputNote)] = 0;
        at = static_cast<size_t>(slot.Next);
        slot.Prev = kFree;
        slot.Next = kFree;
    }
    slots_[kEnd].Prev = static_cast<int16_t>(kEnd);
    slots_[kEnd].Next = static_cast<int16_t>(kEnd);
    count_ = 0;
    soundingNotes_ = 0;
}

int32_t TMidiNoteList::SoundingNotesOn(int32_t channel) const noexcept {
    if (channel < 0 || channel >= kChannels) {
        return 0;
    }
    int32_t notes = 0;
    for (int32_t note = 0; note < kNotes; ++note) {
        notes += sounding_[Key(channel, note)] > 0 ? 1 : 0;
    }
    return notes;
}

} // namespace tonvo
