// `THighlightedNotes`: the incoming notes the note-map editor shows on its keyboard, in order of
// arrival, at most one per pitch class. The audio thread adds notes and marks them released
// (HighlightNoteOn, HighlightNoteOff); the editor's refresh takes a copy and drops the released
// ones. All of it works in a fixed array of twelve items and never allocates, so the audio
// thread's part is a short scan.
//
// Thread contract: not synchronised; the owner serialises every call with one lock (the
// module's HighlightLock).
#pragma once

#include "engine/scale_map.h"

#include <array>
#include <cstdint>

namespace tonvo::editor {

struct THighlightedNote {
    int32_t Note = 0; // the full MIDI note number, not folded
    bool Released = false;
};

class THighlightedNotes {
public:
    // One item per pitch class at most.
    static constexpr int kCapacity = 12;
    using Items = std::array<THighlightedNote, kCapacity>;

    int Count() const noexcept { return count_; }
    const THighlightedNote& operator[](int index) const noexcept {
        return items_[static_cast<size_t>(index)];
    }

    // The oldest item with exactly that note, or -1.
    int IndexOfNote(int32_t note) const noexcept {
        for (int i = 0; i < count_; ++i)
            if (items_[static_cast<size_t>(i)].Note == note)
                return i;
        return -1;
    }
    // The oldest item whose note has that pitch class, released ones included, or -1.
    int IndexOfPitchClass(int32_t pc) const noexcept {
        for (int i = 0; i < count_; ++i)
            if (PitchClassOf(items_[static_cast<size_t>(i)].Note) == pc)
                return i;
        return -1;
    }
    // Appends an unreleased item for the note unless one with that note exists (or the array
    // is full); true when added.
    bool AddHighlight(int32_t note) noexcept {
        if (IndexOfNote(note) >= 0 || count_ == kCapacity)
            return false;
        items_[static_cast<size_t>(count_++)] = THighlightedNote{note, false};
        return true;
    }

    // A note-on came in: recorded unless its pitch class already is (released or not). Notes
    // outside 0..127 are ignored. True when the collection changed.
    bool HighlightNoteOn(int32_t note) noexcept {
        if (note < 0 || note > 127 || IndexOfPitchClass(PitchClassOf(note)) >= 0)
            return false;
        return AddHighlight(note);
    }
    // A note-off came in: the oldest item with that note is marked released. True when one was.
    bool HighlightNoteOff(int32_t note) noexcept {
        const int index = IndexOfNote(note);
        if (index < 0)
            return false;
        items_[static_cast<size_t>(index)].Released = true;
        return true;
    }

    // Copies every item into `out` (returning their number) and removes the released ones,
    // keeping the others in order.
    int TakeSnapshot(Items& out) noexcept {
        const int taken = count_;
        int kept = 0;
        for (int i = 0; i < taken; ++i) {
            const THighlightedNote item = items_[static_cast<size_t>(i)];
            out[static_cast<size_t>(i)] = item;
            if (!item.Released)
                items_[static_cast<size_t>(kept++)] = item;
        }
        count_ = kept;
        return taken;
    }

    void Clear() noexcept { count_ = 0; }

private:
    Items items_{};
    int count_ = 0;
};

} // namespace tonvo::editor
