// The held notes: which output note each held (channel, input note) produced, so its note-off
// releases what was really sent whatever the map says by then.
//
// Each (channel, input note) holds at most one entry, so the list is a fixed table of 16 x 128
// slots, one per key: finding, adding and removing a key's entry is one table access whatever
// else is held. The order entries were added in (oldest first), which the release of all held
// notes follows, is a doubly linked chain through the slots. A per-(channel, output note)
// count answers "is this output note sounding on this channel" without a search. Nothing is
// allocated after construction and every operation is bounded by the table's size.
//
// Thread contract: audio thread only (and the module's construction and destruction).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>

namespace tonvo {

struct TMidiNoteItem {
    uint8_t Channel = 0;    // 0..15
    uint8_t InputNote = 0;  // 0..127, as received
    uint8_t OutputNote = 0; // 0..127, as sent
    uint8_t Velocity = 0;   // 1..127, of the note-on; also used for the note-off

    bool operator==(const TMidiNoteItem&) const = default;
};

class TMidiNoteList {
    struct Slot {
        TMidiNoteItem Item;
        int16_t Prev = kFree; // kFree while the slot's key holds nothing
        int16_t Next = kFree;
    };

public:
    static constexpr int32_t kChannels = 16;
    static constexpr int32_t kNotes = 128;
    static constexpr int32_t kCapacity = kChannels * kNotes;

    TMidiNoteList() noexcept;

    // Walks the entries oldest first. Removing entries invalidates only iterators to them.
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = TMidiNoteItem;
        using difference_type = std::ptrdiff_t;
        using pointer = const TMidiNoteItem*;
        using reference = const TMidiNoteItem&;

        const_iterator() = default;
        reference operator*() const noexcept { return (*slots_)[Index()].Item; }
        pointer operator->() const noexcept { return &**this; }
        const_iterator& operator++() noexcept {
            at_ = (*slots_)[Index()].Next;
            return *this;
        }
        const_iterator operator++(int) noexcept {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator& other) const noexcept { return at_ == other.at_; }

    private:
        friend class TMidiNoteList;
        const_iterator(const std::array<Slot, kCapacity + 1>* slots, int32_t at) noexcept
            : slots_(slots), at_(at) {}
        size_t Index() const noexcept { return static_cast<size_t>(at_); }

        const std::array<Slot, kCapacity + 1>* slots_ = nullptr;
        int32_t at_ = kCapacity;
    };

    const_iterator begin() const noexcept { return {&slots_, slots_[kEnd].Next}; }
    const_iterator end() const noexcept { return {&slots_, kEnd}; }

    int32_t Count() const noexcept { return count_; }
    // How many distinct (channel, output note) pairs sound: each needs one note-off.
    int32_t SoundingNotes() const noexcept { return soundingNotes_; }
    // How many distinct output notes sound on one channel. Walks the channel's 128 counts.
    int32_t SoundingNotesOn(int32_t channel) const noexcept;

    // Adds the key's entry as the newest. Refused (false) for values outside their ranges and
    // when the key already holds an entry: the caller releases that one first.
    bool AddHeldNote(int32_t channel, int32_t inputNote, int32_t outputNote,
                     int32_t velocity) noexcept {
        if (!InRange(channel, inputNote) || !InRange(channel, outputNote) || velocity < 0 ||
            velocity > 127) {
            return false;
        }
        const size_t key = Key(channel, inputNote);
        Slot& slot = slots_[key];
        if (slot.Prev != kFree) {
            return false;
        }
        slot.Item = TMidiNoteItem{static_cast<uint8_t>(channel), static_cast<uint8_t>(inputNote),
                                  static_cast<uint8_t>(outputNote), static_cast<uint8_t>(velocity)};
        Slot& end = slots_[kEnd];
        slot.Prev = end.Prev;
        slot.Next = static_cast<int16_t>(kEnd);
        slots_[static_cast<size_t>(end.Prev)].Next = static_cast<int16_t>(key);
        end.Prev = static_cast<int16_t>(key);
        if (sounding_[Key(channel, outputNote)]++ == 0) {
            ++soundingNotes_;
        }
        ++count_;
        addedAt_[key] = adds_++;
        return true;
    }

    // How many entries were ever added; an entry added at or after a count taken earlier is
    // newer than that moment. Entries along the chain are in the order of these counts.
    uint32_t Adds() const noexcept { return adds_; }
    // Whether the entry of this held key was added before `adds` (a value of Adds() taken
    // earlier, within the 2^31 adds that follow it).
    bool AddedBefore(const TMidiNoteItem& item, uint32_t adds) const noexcept {
        return static_cast<int32_t>(addedAt_[Key(item.Channel & 0x0F, item.InputNote & 0x7F)] -
                                    adds) < 0;
    }

    // The entry this held key made, or null. Valid until that entry is removed.
    const TMidiNoteItem* FindInputNote(int32_t channel, int32_t inputNote) const noexcept {
        if (!InRange(channel, inputNote)) {
            return nullptr;
        }
        const Slot& slot = slots_[Key(channel, inputNote)];
        return slot.Prev == kFree ? nullptr : &slot.Item;
    }

    // How many entries on this channel hold this output note.
    int32_t SoundingCount(int32_t channel, int32_t outputNote) const noexcept {
        return InRange(channel, outputNote) ? sounding_[Key(channel, outputNote)] : 0;
    }

    // Removes the key's entry; false when it holds none.
    bool Delete(int32_t channel, int32_t inputNote) noexcept {
        if (!InRange(channel, inputNote) || slots_[Key(channel, inputNote)].Prev == kFree) {
            return false;
        }
        Unlink(Key(channel, inputNote));
        return true;
    }
    // Delete and SoundingCount of the entry's output note in one step: removes the key's entry
    // and answers how many entries on its channel still hold that output note (0: it stops
    // sounding), or -1 when the key holds none.
    int32_t release(int32_t channel, int32_t inputNote) noexcept {
        if (!InRange(channel, inputNote) || slots_[Key(channel, inputNote)].Prev == kFree) {
            return -1;
        }
        return Unlink(Key(channel, inputNote));
    }

    // Removes every entry of one channel, keeping the order of the rest.
    void DeleteChannel(int32_t channel) noexcept;

    void Clear() noexcept;

private:
    static constexpr int16_t kFree = -1;
    // The chain's anchor: its Next is the oldest entry, its Prev the newest.
    static constexpr int32_t kEnd = kCapacity;

    static bool InRange(int32_t channel, int32_t note) noexcept {
        return channel >= 0 && channel < kChannels && note >= 0 && note < kNotes;
    }
    static size_t Key(int32_t channel, int32_t note) noexcept {
        return static_cast<size_t>(channel * kNotes + note);
    }
    // Takes a held slot out of the chain and its output note out of the counts; answers the
    // output note's count left.
    int32_t Unlink(size_t slot) noexcept {
        Slot& held = slots_[slot];
        slots_[static_cast<size_t>(held.Prev)].Next = held.Next;
        slots_[static_cast<size_t>(held.Next)].Prev = held.Prev;
        held.Prev = kFree;
        held.Next = kFree;
        const uint16_t left = --sounding_[Key(held.Item.Channel, held.Item.OutputNote)];
        if (left == 0) {
            --soundingNotes_;
        }
        --count_;
        return left;
    }

    std::array<Slot, kCapacity + 1> slots_{};
    std::array<uint16_t, kCapacity> sounding_{};
    // Each key's value of adds_ when its entry was added.
    std::array<uint32_t, kCapacity> addedAt_{};
    uint32_t adds_ = 0;
    int32_t count_ = 0;
    int32_t soundingNotes_ = 0;
};

} // namespace tonvo
