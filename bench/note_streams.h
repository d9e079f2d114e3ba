// Note traffic the plug-in benchmarks replay, independent of any plug-in interface: each event
// is a MIDI channel message and its frame in the block.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace tonvo::bench {

struct Note {
    int32_t Frame = 0;
    uint8_t Status = 0;
    uint8_t Data1 = 0;
    uint8_t Data2 = 0;
};

// Events per host block and the block's length in frames for the streams below.
constexpr int32_t kStreamEventsPerBlock = 16;
constexpr int32_t kStreamFrames = 64;

// Random playing over `channels` x `keys` (keys from 36 up): each event takes a key at random
// and toggles it, a note-on with a random velocity when it is up, a note-off when it is down,
// so about half the keys are held at any time. Prelude() holds a random half of the keys; the
// stream then returns every key to that state at its end, so it can be replayed without end
// and without a note-on for a held key or a note-off for a silent one. Events are spread
// evenly over 64-frame blocks of 16.
class RandomNotes {
public:
    RandomNotes(int32_t channels, int32_t keys, int32_t events, uint32_t seed) : keys_(keys) {
        std::mt19937 rng(seed);
        const auto pick = [&](int32_t low, int32_t high) {
            return std::uniform_int_distribution<int32_t>(low, high)(rng);
        };
        const int32_t slots = channels * keys;
        std::vector<uint8_t> down(static_cast<size_t>(slots), 0);
        for (int32_t slot = 0; slot < slots; ++slot) {
            if (pick(0, 1) == 1) {
                down[static_cast<size_t>(slot)] = 1;
                prelude_.push_back(Make(prelude_.size(), slot, true, pick(1, 127)));
            }
        }
        // A walk of toggles and the same walk backwards: every key ends where it started.
        std::vector<int32_t> walk(static_cast<size_t>(events / 2));
        for (int32_t& slot : walk) {
            slot = pick(0, slots - 1);
        }
        std::vector<int32_t> toggles = walk;
        toggles.insert(toggles.end(), walk.rbegin(), walk.rend());
        for (const int32_t slot : toggles) {
            uint8_t& held = down[static_cast<size_t>(slot)];
            held = held != 0 ? 0 : 1;
            events_.push_back(Make(events_.size(), slot, held != 0, pick(1, 127)));
        }
    }

    const std::vector<Note>& Prelude() const noexcept { return prelude_; }
    const std::vector<Note>& Events() const noexcept { return events_; }

private:
    Note Make(size_t index, int32_t slot, bool on, int32_t velocity) const {
        const auto place = static_cast<int32_t>(index % kStreamEventsPerBlock);
        return Note{place * kStreamFrames / kStreamEventsPerBlock,
                    static_cast<uint8_t>((on ? 0x90 : 0x80) | slot / keys_),
                    static_cast<uint8_t>(36 + slot % keys_),
                    static_cast<uint8_t>(on ? velocity : 64)};
    }

    int32_t keys_;
    std::vector<Note> prelude_;
    std::vector<Note> events_;
};

// Eight note-on/note-off pairs in one block, on key 125 of channels 0..7, played again and
// again while `held` notes below that key sound: up to 1000 of them. Every note Tonvo sounds
// keeps one of the 1023 records of each delivery for its note-off, so 1000 held notes leave
// room for a block of 16 events and the pairs' own reserve; with more, Tonvo drops note-ons,
// as it must. (Two semitones up, keys 126 and 127 do not sound, and x42's mapkeyscale does
// not send note 127 on the last channel, so key 125 holds none.)
struct HeldNoteSet {
    std::vector<Note> Held; // note-ons, sent first
    std::vector<Note> Pairs;
};

constexpr int32_t kPairKey = 125;
constexpr int32_t kMostHeld = 1000;

inline HeldNoteSet held_notes_sweep(int32_t held) {
    HeldNoteSet notes;
    for (int32_t key = 0; key < kPairKey; ++key) {
        for (int32_t channel = 0; channel < 16; ++channel) {
            if (static_cast<int32_t>(notes.Held.size()) < held) {
                const auto place = static_cast<int32_t>(notes.Held.size()) % kStreamEventsPerBlock;
                notes.Held.push_back(Note{place * kStreamFrames / kStreamEventsPerBlock,
                                          static_cast<uint8_t>(0x90 | channel),
                                          static_cast<uint8_t>(key), 100});
            }
        }
    }
    // Each note-off follows four note-ons later.
    constexpr int32_t kPairs = kStreamEventsPerBlock / 2;
    for (int32_t step = 0; step < kPairs + kPairs / 2; ++step) {
        if (step < kPairs) {
            notes.Pairs.push_back(Note{0, static_cast<uint8_t>(0x90 | step), kPairKey, 100});
        }
        if (step >= kPairs / 2) {
            notes.Pairs.push_back(
                Note{0, static_cast<uint8_t>(0x80 | (step - kPairs / 2)), kPairKey, 64});
        }
    }
    for (size_t i = 0; i < notes.Pairs.size(); ++i) {
        notes.Pairs[i].Frame = static_cast<int32_t>(i) * kStreamFrames / kStreamEventsPerBlock;
    }
    return notes;
}

} // namespace tonvo::bench
