// Drives a plug-in with random but plausible host traffic: notes on a few channels, note-offs
// for held and for unheld keys, velocity-0 note-ons, other channel messages, All Notes Off and
// All Sound Off, map edits between events, transport starts, stops and jumps, and previews.
// Nothing here allocates once constructed, so the same session serves the allocation test.
#pragma once

#include "support/plugin_harness.h"

#include <random>

namespace tonvo::test {

class RandomSession {
public:
    // A block carries up to maxEvents events; far more than the output queue's 1023 fill it.
    RandomSession(PluginHarness& harness, uint32_t seed, bool withPreviews, int maxEvents = 24)
        : h_(harness), rng_(seed), withPreviews_(withPreviews), maxEvents_(maxEvents) {}

    // One host block: events (with map edits between some of them), then processing.
    void Step() {
        const int events = Pick(0, maxEvents_);
        for (int i = 0; i < events; ++i) {
            if (Chance(8)) {
                h_.SendEvents(); // the editor edits the map between two events
                h_.plugin.ScaleMap().SetScaleMap(Pick(0, 11), Pick(-1, 11));
            }
            AddEvent(static_cast<int32_t>(i));
        }
        h_.SendEvents();
        if (Chance(10)) {
            h_.plugin.ScaleMap().ClearMap();
        } else if (Chance(20)) {
            h_.plugin.ScaleMap().ResetMap();
        }
        if (withPreviews_ && Chance(10)) {
            h_.plugin.PreviewNoteOn(Pick(60, 71), 100);
            h_.plugin.PreviewNoteOff(Pick(60, 71), 100);
        }
        MoveTransport();
        h_.Process();
    }

    // The player lets go of every key still down; one more block delivers the result.
    void ReleaseAllKeys() {
        for (int channel = 0; channel < kChannels; ++channel) {
            for (int note = 0; note < 128; ++note) {
                if (down_[channel][note]) {
                    h_.block.NoteOff(channel, note, 0);
                    down_[channel][note] = false;
                }
            }
        }
        h_.SendEvents();
        h_.Process();
    }

private:
    static constexpr int kChannels = 3;

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool Chance(int oneIn) { return Pick(1, oneIn) == 1; }

    void AddEvent(int32_t delta) {
        const int channel = Pick(0, kChannels - 1);
        const int note = Pick(48, 76);
        switch (Pick(0, 9)) {
        case 0:
        case 1:
        case 2:
        case 3:
            h_.block.NoteOn(channel, note, Pick(1, 127), delta);
            down_[channel][note] = true;
            break;
        case 4:
        case 5:
        case 6:
            h_.block.NoteOff(channel, note, Pick(0, 127), delta);
            down_[channel][note] = false;
            break;
        case 7:
            h_.block.NoteOn(channel, note, 0, delta);
            down_[channel][note] = false;
            break;
        case 8: h_.block.Midi(0xA0 + channel, note, Pick(0, 127), delta); break;
        default:
            if (Chance(4)) {
                h_.block.Midi(0xB0 + channel, Chance(2) ? 123 : 120, 0, delta);
            } else {
                h_.block.Midi(0xE0 + channel, Pick(0, 127), Pick(0, 127), delta);
            }
            break;
        }
    }

    void MoveTransport() {
        switch (Pick(0, 9)) {
        case 0: playing_ = !playing_; break;
        case 1:
            position_ = Pick(0, 100) * 64.0; // a jump, usually back
            break;
        case 2: h_.host.ClearTime(); return;
        default: break;
        }
        if (playing_) {
            position_ += PluginHarness::kFrames;
        }
        h_.host.SetTransport(playing_, position_);
    }

    PluginHarness& h_;
    std::mt19937 rng_;
    bool withPreviews_;
    int maxEvents_;
    bool down_[kChannels][128] = {};
    bool playing_ = false;
    double position_ = 0.0;
};

} // namespace tonvo::test
