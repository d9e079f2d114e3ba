// Plays a Standard MIDI File through a plug-in as a DAW would: every track merged in time
// order, tempo changes honoured, each event at its sample offset inside fixed-size blocks, the
// transport playing with a running position and stopping after the last event so held notes
// are released. What the plug-in sends comes back as a format-0 file with the input's tempo
// map, each event at the time the plug-in gave it.
//
// A stretch without input is skipped once the plug-in has gone a whole block of it without
// sending anything: the next block processed is the one of the next input event, with its
// true position, so a long pause costs no time. Files whose last event comes after
// kMaxRenderSeconds are refused before anything is played.
#pragma once

#include "midi_file/midi_file.h"
#include "tonvo_host/hosted_plugin.h"

#include <string>
#include <vector>

namespace tonvo::tools {

struct NoteChange {
    std::string In;
    std::string Out; // "-" when the note was not sent
    bool operator==(const NoteChange&) const = default;
};

struct RenderResult {
    smf::MidiFile Output;
    size_t NotesIn = 0;
    size_t NotesOut = 0;
    // Distinct input note -> output note pairs, in the order first heard.
    std::vector<NoteChange> Changes;
};

inline constexpr double kMaxRenderSeconds = 24 * 3600.0;

// Throws EHostError for a file longer than kMaxRenderSeconds.
RenderResult render(HostedPlugin& plugin, const smf::MidiFile& input, double sampleRate,
                    int32_t blockSize);

} // namespace tonvo::tools
