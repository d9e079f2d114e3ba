#include "tonvo_host/render.h"

#include "midi_file/tempo_map.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>

namespace tonvo::tools {

namespace {

// An input event at its sample time, ready to be handed over in its block.
struct TimedEvent {
    uint64_t Sample = 0;
    const smf::Event* Event = nullptr;
};

// Storage for one block's events in the layout effProcessEvents takes.
class BlockEvents {
public:
    void Clear() {
        midi_.clear();
        sysex_.clear();
        sysexBytes_.clear();
        order_.clear();
        pointers_.clear();
    }
    void Add(const smf::Event& event, int32_t delta) {
        if (event.Kind == smf::EventKind::Channel) {
            VstMidiEvent midi{};
            midi.type = kVstMidiType;
            midi.byteSize = 24;
            midi.deltaFrames = delta;
            midi.midiData[0] = static_cast<char>(event.Status);
            for (size_t i = 0; i < event.Data.size() && i < 2; ++i) {
                midi.midiData[i + 1] = static_cast<char>(event.Data[i]);
            }
            midi_.push_back(midi);
            order_.push_back(false);
        } else if (event.Kind == smf::EventKind::SysEx) {
            std::vector<uint8_t> bytes;
            if (event.Status == 0xF0) {
                bytes.push_back(0xF0);
            }
            bytes.insert(bytes.end(), event.Data.begin(), event.Data.end());
            sysexBytes_.push_back(std::move(bytes));
            VstMidiSysexEvent sysex{};
            sysex.type = kVstSysExType;
            sysex.byteSize = static_cast<int32_t>(sizeof sysex - 8);
            sysex.deltaFrames = delta;
            sysex_.push_back(sysex);
            order_.push_back(true);
        }
    }
    // The block; valid until the next change.
    VstEvents* Get() {
        pointers_.assign(2, 0);
        size_t midi = 0;
        size_t sysex = 0;
        for (bool isSysex : order_) {
            if (isSysex) {
                VstMidiSysexEvent& event = sysex_[sysex];
                std::vector<uint8_t>& bytes = sysexBytes_[sysex++];
                event.dumpBytes = static_cast<int32_t>(bytes.size());
                event.sysexDump = reinterpret_cast<char*>(bytes.data());
                pointers_.push_back(reinterpret_cast<intptr_t>(&event));
            } else {
                pointers_.push_back(reinterpret_cast<intptr_t>(&midi_[midi++]));
            }
        }
        pointers_[0] = static_cast<intptr_t>(order_.size());
        order_.clear();
        return reinterpret_cast<VstEvents*>(pointers_.data());
    }

private:
    std::vector<VstMidiEvent> midi_;
    std::vector<VstMidiSysexEvent> sysex_;
    std::vector<std::vector<uint8_t>> sysexBytes_;
    std::vector<bool> order_;
    std::vector<intptr_t> pointers_; // numEvents, reserved, then the event pointers
};

bool is_note_on(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 3 && (bytes[0] & 0xF0) == 0x90 && bytes[2] > 0;
}

// Pairs input and output note-ons that share a time and a channel, in order, when their
// counts agree; an input note with nothing sent at its time was blocked.
std::vector<NoteChange> note_changes(const std::vector<TimedEvent>& input,
                                     const std::vector<SentEvent>& sent) {
    std::map<std::pair<uint64_t, int>, std::pair<std::vector<int>, std::vector<int>>> groups;
    for (const TimedEvent& timed : input) {
        const smf::Event& event = *timed.Event;
        if (event.Kind == smf::EventKind::Channel && (event.Status & 0xF0) == 0x90 &&
            event.Data.size() == 2 && event.Data[1] > 0) {
            groups[{timed.Sample, event.Status & 0x0F}].first.push_back(event.Data[0]);
        }
    }
    for (const SentEvent& event : sent) {
        if (is_note_on(event.Bytes)) {
            const auto found = groups.find({event.Sample, event.Bytes[0] & 0x0F});
            if (found != groups.end()) {
                found->second.second.push_back(event.Bytes[1]);
            }
        }
    }
    std::vector<NoteChange> changes;
    const auto add = [&](NoteChange change) {
        if (std::find(changes.begin(), changes.end(), change) == changes.end()) {
            changes.push_back(std::move(change));
        }
    };
    for (const auto& [key, notes] : groups) {
        const auto& [in, out] = notes;
        for (size_t i = 0; i < in.size(); ++i) {
            if (out.empty()) {
                add({smf::note_name(in[i]), "-"});
            } else if (out.size() == in.size()) {
                add({smf::note_name(in[i]), smf::note_name(out[i])});
            }
        }
    }
    return changes;
}

// Everything the plug-in has sent so far, in either way of collecting it.
uint64_t sent_count(const HostedPlugin& plugin) {
    return plugin.Sent().size() + plugin.NoteOnsSent() + plugin.NoteOffsSent();
}

// Refuses a file whose last event comes after kMaxRenderSeconds: even with its pauses skipped,
// such a length is no performance, and its sample positions would outgrow what a host's
// transport reports exactly.
void check_length(const smf::TempoMap& tempo, const std::vector<smf::Event>& merged) {
    const auto last = std::find_if(merged.rbegin(), merged.rend(), [](const smf::Event& event) {
        return event.Kind != smf::EventKind::Meta;
    });
    if (last == merged.rend()) {
        return;
    }
    const double seconds = tempo.SecondsAt(last->Tick);
    if (seconds > kMaxRenderSeconds) {
        std::array<char, 64> hours{};
        std::snprintf(hours.data(), hours.size(), "%.1f", seconds / 3600.0);
        throw EHostError("the MIDI file's last event comes after " + std::string(hours.data()) +
                         " hours; render plays at most " +
                         std::to_string(static_cast<int>(kMaxRenderSeconds / 3600.0)) + " hours");
    }
}

} // namespace

RenderResult render(HostedPlugin& plugin, const smf::MidiFile& input, double sampleRate,
                    int32_t blockSize) {
    const smf::TempoMap tempo(input);
    const std::vector<smf::Event> merged = smf::merge_tracks(input);
    check_length(tempo, merged);
    std::vector<TimedEvent> timed;
    for (const smf::Event& event : merged) {
        if (event.Kind != smf::EventKind::Meta) {
            timed.push_back({tempo.SampleAt(event.Tick, sampleRate), &event});
        }
    }
    const auto block = static_cast<uint64_t>(blockSize);
    const uint64_t last = timed.empty() ? 0 : timed.back().Sample;
    const uint64_t end = (last / block + 1) * block;

    BlockEvents events;
    size_t next = 0;
    // The last block processed had no input and the plug-in sent nothing in it.
    bool quiet = false;
    uint64_t start = 0;
    while (start < end) {
        const bool due = next < timed.size() && timed[next].Sample < start + block;
        if (quiet && !due) {
            start = next < timed.size() ? timed[next].Sample / block * block : end;
            quiet = false;
            continue;
        }
        events.Clear();
        for (; next < timed.size() && timed[next].Sample < start + block; ++next) {
            events.Add(*timed[next].Event, static_cast<int32_t>(timed[next].Sample - start));
        }
        const uint64_t sentBefore = sent_count(plugin);
        plugin.SetTransport(true, static_cast<double>(start));
        plugin.ProcessBlock(start, events.Get());
        quiet = !due && sent_count(plugin) == sentBefore;
        start += block;
    }
    // Stopping the transport releases whatever is still held.
    plugin.SetTransport(false, static_cast<double>(end));
    plugin.ProcessBlock(end, nullptr);

    RenderResult result;
    result.Output.Format = 0;
    result.Output.Division = input.Division;
    smf::Track& track = result.Output.Tracks.emplace_back();
    track.Events = tempo.TempoEvents();
    for (const SentEvent& sent : plugin.Sent()) {
        smf::Event event;
        event.Tick = tempo.TickAt(sent.Sample, sampleRate);
        event.Kind = smf::EventKind::Channel;
        event.Status = sent.Bytes[0];
        event.Data.assign(sent.Bytes.begin() + 1, sent.Bytes.end());
        track.Events.push_back(std::move(event));
        result.NotesOut += is_note_on(sent.Bytes) ? 1 : 0;
    }
    std::stable_sort(track.Events.begin(), track.Events.end(),
                     [](const smf::Event& a, const smf::Event& b) { return a.Tick < b.Tick; });
    for (const TimedEvent& event : timed) {
        const smf::Event& e = *event.Event;
        result.NotesIn += e.Kind == smf::EventKind::Channel && (e.Status & 0xF0) == 0x90 &&
                                  e.Data.size() == 2 && e.Data[1] > 0
                              ? 1
                              : 0;
    }
    result.Changes = note_changes(timed, plugin.Sent());
    return result;
}

} // namespace tonvo::tools
