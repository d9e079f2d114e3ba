#include "engine/midi_note_list.h"

#include <algorithm>

namespace tonvo {

bool TMidiNoteList::AddHeldNote(int32_t channel, int32_t inputNote, int32_t outputNote,
                                int32_t velocity) noexcept {
    if (count_ >= kCapacity || !InRange(channel, inputNote) || !InRange(channel, outputNote) ||
        velocity < 0 || velocity > 127) {
        return false;
    }
    items_[static_cast<size_t>(count_++)] =
        TMidiNoteItem{static_cast<uint8_t>(channel), static_cast<uint8_t>(inputNote),
                      static_cast<uint8_t>(outputNote), static_cast<uint8_t>(velocity)};
    ++Sounding(channel, outputNote);
    return true;
}

int32_t TMidiNoteList::IndexOfInputNote(int32_t channel, int32_t inputNote) const noexcept {
    for (int32_t i = count_ - 1; i >= 0; --i) {
        const TMidiNoteItem& item = items_[static_cast<size_t>(i)];
        if (item.Channel == channel && item.InputNote == inputNote) {
            return i;
        }
    }
    return -1;
}

int32_t TMidiNoteList::SoundingCount(int32_t channel, int32_t outputNote) const noexcept {
    if (!InRange(channel, outputNote)) {
        return 0;
    }
    return sounding_[static_cast<size_t>(channel * kNotes + outputNote)];
}

void TMidiNoteList::Delete(int32_t index) noexcept {
    if (index < 0 || index >= count_) {
        return;
    }
    const TMidiNoteItem& item = items_[static_cast<size_t>(index)];
    --Sounding(item.Channel, item.OutputNote);
    std::copy(items_.begin() + index + 1, items_.begin() + count_, items_.begin() + index);
    --count_;
}

void TMidiNoteList::DeleteChannel(int32_t channel) noexcept {
    int32_t kept = 0;
    for (int32_t i = 0; i < count_; ++i) {
        const TMidiNoteItem item = items_[static_cast<size_t>(i)];
        if (item.Channel == channel) {
            --Sounding(item.Channel, item.OutputNote);
        } else {
            items_[static_cast<size_t>(kept++)] = item;
        }
    }
    count_ = kept;
}

void TMidiNoteList::Clear() noexcept {
    count_ = 0;
    sounding_.fill(0);
}

} // namespace tonvo
