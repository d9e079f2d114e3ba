#include "engine/midi_note_list.h"

namespace tonvo {

TMidiNoteList::TMidiNoteList() noexcept {
    slots_[kEnd].Prev = static_cast<int16_t>(kEnd);
    slots_[kEnd].Next = static_cast<int16_t>(kEnd);
}

bool TMidiNoteList::AddHeldNote(int32_t channel, int32_t inputNote, int32_t outputNote,
                                int32_t velocity) noexcept {
    if (!InRange(channel, inputNote) || !InRange(channel, outputNote) || velocity < 0 ||
        velocity > 127) {
        return false;
    }
    const size_t key = Key(channel, inputNote);
    TSlot& slot = slots_[key];
    if (slot.Prev != kFree) {
        return false;
    }
    slot.Item = TMidiNoteItem{static_cast<uint8_t>(channel), static_cast<uint8_t>(inputNote),
                              static_cast<uint8_t>(outputNote), static_cast<uint8_t>(velocity)};
    TSlot& end = slots_[kEnd];
    slot.Prev = end.Prev;
    slot.Next = static_cast<int16_t>(kEnd);
    slots_[static_cast<size_t>(end.Prev)].Next = static_cast<int16_t>(key);
    end.Prev = static_cast<int16_t>(key);
    ++sounding_[Key(channel, outputNote)];
    ++count_;
    return true;
}

const TMidiNoteItem* TMidiNoteList::FindInputNote(int32_t channel,
                                                  int32_t inputNote) const noexcept {
    if (!InRange(channel, inputNote)) {
        return nullptr;
    }
    const TSlot& slot = slots_[Key(channel, inputNote)];
    return slot.Prev == kFree ? nullptr : &slot.Item;
}

int32_t TMidiNoteList::SoundingCount(int32_t channel, int32_t outputNote) const noexcept {
    if (!InRange(channel, outputNote)) {
        return 0;
    }
    return sounding_[Key(channel, outputNote)];
}

// Takes a held slot out of the chain and its output note out of the counts.
void TMidiNoteList::Unlink(size_t slot) noexcept {
    TSlot& held = slots_[slot];
    slots_[static_cast<size_t>(held.Prev)].Next = held.Next;
    slots_[static_cast<size_t>(held.Next)].Prev = held.Prev;
    held.Prev = kFree;
    held.Next = kFree;
    --sounding_[Key(held.Item.Channel, held.Item.OutputNote)];
    --count_;
}

bool TMidiNoteList::Delete(int32_t channel, int32_t inputNote) noexcept {
    if (!InRange(channel, inputNote)) {
        return false;
    }
    const size_t key = Key(channel, inputNote);
    if (slots_[key].Prev == kFree) {
        return false;
    }
    Unlink(key);
    return true;
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
        TSlot& slot = slots_[at];
        sounding_[Key(slot.Item.Channel, slot.Item.OutputNote)] = 0;
        at = static_cast<size_t>(slot.Next);
        slot.Prev = kFree;
        slot.Next = kFree;
    }
    slots_[kEnd].Prev = static_cast<int16_t>(kEnd);
    slots_[kEnd].Next = static_cast<int16_t>(kEnd);
    count_ = 0;
}

} // namespace tonvo
