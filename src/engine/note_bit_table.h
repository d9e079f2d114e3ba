// One bit per (channel, note): 16 channels x 128 notes in 32 words, made with the owner and
// never resized. Marking, testing and taking a bit cost a shift and a mask; taking a channel or
// the whole table visits only the bits that are set.
//
// Thread contract: one thread at a time; it never allocates or blocks, so the audio thread may
// own one.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace tonvo {

class NoteBitTable {
public:
    static constexpr int32_t kChannels = 16;
    static constexpr int32_t kNotes = 128;

    // Out-of-range channels and notes are masked into range, as MIDI data bytes are.
    void Set(uint8_t channel, uint8_t note) noexcept { Word(channel, note) |= Bit(note); }
    // Clears the bit and answers whether it was set.
    bool Take(uint8_t channel, uint8_t note) noexcept {
        uint64_t& word = Word(channel, note);
        if ((word & Bit(note)) == 0) {
            return false; // the usual case: nothing to write back
        }
        word &= ~Bit(note);
        return true;
    }

    // Clears the channel's bits, calling visit(note) for each that was set, lowest note first.
    template <typename Visit>
    void TakeChannel(uint8_t channel, Visit&& visit) noexcept(noexcept(visit(uint8_t{}))) {
        const size_t first = Index(channel, 0);
        for (size_t i = first; i < first + kWordsPerChannel; ++i) {
            TakeWord(i, visit);
        }
    }
    // Clears every bit, calling visit(channel, note) for each that was set.
    template <typename Visit>
    void TakeAll(Visit&& visit) noexcept(noexcept(visit(uint8_t{}, uint8_t{}))) {
        for (size_t i = 0; i < words_.size(); ++i) {
            const auto channel = static_cast<uint8_t>(i / kWordsPerChannel);
            auto visitNote = [&](uint8_t note) { visit(channel, note); };
            TakeWord(i, visitNote);
        }
    }

private:
    static constexpr size_t kWordsPerChannel = kNotes / 64;

    static size_t Index(uint8_t channel, uint8_t note) noexcept {
        return (channel & 0x0Fu) * kWordsPerChannel + ((note & 0x7Fu) >> 6);
    }
    static uint64_t Bit(uint8_t note) noexcept { return uint64_t{1} << (note & 0x3Fu); }
    uint64_t& Word(uint8_t channel, uint8_t note) noexcept { return words_[Index(channel, note)]; }

    // The word is cleared before the visits, so a visit that marks a bit again keeps it.
    template <typename Visit>
    void TakeWord(size_t i, Visit& visit) {
        uint64_t bits = words_[i];
        words_[i] = 0;
        const auto base = static_cast<uint8_t>((i % kWordsPerChannel) * 64);
        while (bits != 0) {
            const int bit = std::countr_zero(bits);
            bits &= bits - 1;
            visit(static_cast<uint8_t>(base + bit));
        }
    }

    std::array<uint64_t, kChannels * kNotes / 64> words_{};
};

} // namespace tonvo
