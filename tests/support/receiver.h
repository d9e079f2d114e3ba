// A MIDI receiver's view of a delivered stream, for tests that check a plug-in never leaves a
// note hanging: which notes sound on which channel, and whether each event keeps the rule that
// note-on and note-off of a note strictly alternate, note-on first (All Sound Off and All Notes
// Off silence their channel).
#pragma once

#include "support/fake_host.h"

#include <string>

namespace tonvo::test {

class Receiver {
public:
    // Empty when the event keeps the rule "on and off strictly alternate, on first".
    std::string Take(const Delivered& event) {
        const int channel = event.Status & 0x0F;
        const int type = event.Status & 0xF0;
        bool& on = sounding_[channel][event.Data1 & 0x7F];
        if (type == 0x90) {
            if (on) {
                return Describe("second note-on", event);
            }
            on = true;
        } else if (type == 0x80) {
            if (!on) {
                return Describe("note-off of a silent note", event);
            }
            on = false;
        } else if (type == 0xB0 && (event.Data1 == 120 || event.Data1 == 123)) {
            for (bool& note : sounding_[channel]) {
                note = false;
            }
        }
        return {};
    }
    int Sounding() const {
        int count = 0;
        for (const auto& channel : sounding_) {
            for (bool note : channel) {
                count += note ? 1 : 0;
            }
        }
        return count;
    }

private:
    static std::string Describe(const char* what, const Delivered& event) {
        return std::string(what) + " on channel " + std::to_string(event.Status & 0x0F) +
               ", note " + std::to_string(event.Data1);
    }
    bool sounding_[16][128] = {};
};

} // namespace tonvo::test
