#include "engine/plugin.h"

#include <cmath>
#include <utility>

namespace tonvo {

namespace {
constexpr uint8_t kAllSoundOff = 120;
constexpr uint8_t kAllNotesOff = 123;
// Asks the host for the sample position and the playing bit.
constexpr int32_t kTimeInfoFilter = 2;
} // namespace

// The published values of this plug-in, applied over the base layer.
std::vector<TModuleDescription> TVSTPlugin::Descriptions() const {
    std::vector<TModuleDescription> layers = TVSTPluginBase::Descriptions();
    TModuleDescription own;
    own.Flags = effFlagsHasEditor | effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth;
    own.EffectName = "Tonvo";
    own.ProductName = "Tonvo";
    own.VendorName = "Brelwick";
    own.UniqueID = "qv08";
    own.Version = "1.0";
    own.VersionMajor = 1;
    own.VersionMinor = 0;
    own.VersionRelease = 0;
    own.PlugCategory = vpcSynth;
    own.CanDos = CanDoBit(vcdSendVstEvents) | CanDoBit(vcdSendVstMidiEvent) |
                 CanDoBit(vcdReceiveVstMidiEvent) | CanDoBit(vcd2in2out);
    own.NumInputs = 0;
    own.NumOutputs = 2;
    own.SampleRate = 44100.0f;
    own.IORatio = 1.0f;
    TParameterDescription nmap;
    nmap.DisplayName = "nmap";
    nmap.ShortLabel = "notemap";
    own.Parameters = std::vector<TParameterDescription>{nmap};
    own.Programs = std::vector<TProgramDescription>{
        {"Default", "VSTPluginBasePrograms0LoadChunk", "VSTPluginBasePrograms0StoreChunk"}};
    own.CurrentProgramName = "Default";
    own.Handlers = {
        {"OnCreate", "VSTModuleCreate"},
        {"OnProcess32Replacing", "VSTModuleProcess32Replacing"},
        {"OnProcessMidi", "VSTModuleProcessMidi"},
    };
    layers.push_back(std::move(own));
    return layers;
}

std::span<const THandlerBinding> TVSTPlugin::HandlerTable() const {
    // Made once, on the first instance's construction; the base table is the same for all.
    static const std::vector<THandlerBinding> rows = [this] {
        const std::span<const THandlerBinding> base = TVSTPluginBase::HandlerTable();
        std::vector<THandlerBinding> own(base.begin(), base.end());
        for (THandlerBinding& row : own) {
            if (!row.ForProgram && row.Event == "OnProcessMidi") {
                row = ModuleHandler<&TVSTPlugin::OnProcessMidi, &TVSTPlugin::VSTModuleProcessMidi>(
                    row.Event, row.Handler);
            }
        }
        return own;
    }();
    return rows;
}

void TVSTPlugin::VSTModuleCreate() {
    PluginVersion = TONVO_SHOWN_VERSION; // from the project version (src/engine/CMakeLists.txt)
    UserGuideFileName = "Tonvo User Guide.pdf";
    TVSTPluginBase::VSTModuleCreate();
}

TPluginState TVSTPlugin::CurrentState() const {
    TPluginState state = TVSTPluginBase::CurrentState();
    TNoteMapState map;
    TScaleChoice choice = scaleMap_.Choice();
    map.ScaleName = std::move(choice.ScaleName);
    map.Tonic = choice.Tonic;
    map.EasyMode = choice.EasyMode;
    for (int32_t i = 0; i < TScaleMap::kEntries; ++i) {
        map.Entries[static_cast<size_t>(i)] = scaleMap_.GetScaleMap(i);
    }
    state.NoteMap = map;
    return state;
}

void TVSTPlugin::WritePluginState(TValueWriter& writer, const TPluginState& state) {
    WriteNoteMapSection(writer, state.NoteMap.value_or(TNoteMapState{}));
}

// The version of the block does not change how the section reads.
void TVSTPlugin::ReadPluginState(TValueReader& reader, const std::string&, TPluginState& into) {
    into.NoteMap = ReadNoteMapSection(reader);
}

// Each entry goes straight from its old value to its new one: the audio thread never maps
// through the default map on the way.
void TVSTPlugin::ApplyState(const TPluginState& state) {
    const TNoteMapState map = state.NoteMap.value_or(TNoteMapState{});
    for (int32_t i = 0; i < TScaleMap::kEntries; ++i) {
        scaleMap_.SetScaleMap(i, map.Entries[static_cast<size_t>(i)]);
    }
    scaleMap_.SetChoice({map.ScaleName, map.Tonic, map.EasyMode});
    TVSTPluginBase::ApplyState(state);
}

void TVSTPlugin::ResetState() {
    scaleMap_.ResetMap();
    TVSTPluginBase::ResetState();
}

void TVSTPlugin::VSTModuleProcessMidi(VstMidiEvent& event) noexcept {
    TVSTPluginBase::VSTModuleProcessMidi(event);
    const auto status = static_cast<uint8_t>(event.midiData[0]);
    const auto channel = static_cast<uint8_t>(status & 0x0F);
    const auto data1 = static_cast<uint8_t>(event.midiData[1] & 0x7F);
    const auto data2 = static_cast<uint8_t>(event.midiData[2] & 0x7F);
    const int32_t delta = event.deltaFrames;

    switch (status & 0xF0) {
    case 0x90:
        if (data2 > 0) {
            NoteOn(channel, data1, data2, delta);
            break;
        }
        [[fallthrough]]; // velocity 0 releases like a note-off
    case 0x80: NoteOff(channel, data1, delta); break;
    case 0xB0:
        if (data1 == kAllSoundOff || data1 == kAllNotesOff) {
            SilenceChannel(channel, data1, data2, delta);
        } else if (OutputQueue().Room() > 0) {
            QueueControlChange(channel, data1, data2, delta);
        }
        break;
    // Forwarded messages take only free room: the records kept for note-offs stay theirs, and
    // what does not fit is dropped.
    case 0xA0:
        if (OutputQueue().Room() > 0) {
            QueuePolyPressure(channel, data1, data2, delta);
        }
        break;
    case 0xD0:
        if (OutputQueue().Room() > 0) {
            QueueChannelPressure(channel, data1, delta);
        }
        break;
    case 0xE0:
        if (OutputQueue().Room() > 0) {
            QueuePitchBend(channel, data1, data2, delta);
        }
        break;
    default: break; // program change and system messages are dropped
    }
}

void TVSTPlugin::NoteOn(uint8_t channel, uint8_t note, uint8_t velocity,
                        int32_t deltaFrames) noexcept {
    // A key pressed again without a note-off in between is released first.
    if (const TMidiNoteItem* held = heldNotes_.FindInputNote(channel, note)) {
        ReleaseEntry(*held, deltaFrames);
    } else if (blockedLit_.Take(channel, note)) {
        HighlightNoteOff(note);
    }
    const int32_t out = scaleMap_.MapNote(note);
    if (out == TScaleMap::kBlocked) {
        // Remembered whether or not an editor is attached now: one attached before the
        // note-off gets that note-off, and one that never saw the key ignores it.
        blockedLit_.Set(channel, note);
        HighlightNoteOn(note);
        return;
    }
    if (out < 0 || out > 127) {
        return;
    }
    // Another key already sounds this note on this channel: share it rather than send a second
    // note-on the receiver would pair with the first note-off.
    if (heldNotes_.SoundingCount(channel, out) == 0) {
        // A new sounding note needs its own record and one kept for its note-off; without both
        // the note-on is dropped whole: not sent, not held, not lit.
        if (OutputQueue().Room() < 2) {
            return;
        }
        QueueNoteOn(channel, static_cast<uint8_t>(out), velocity, deltaFrames);
    }
    heldNotes_.AddHeldNote(channel, note, out, velocity);
    KeepRoomForNoteOffs();
    HighlightNoteOn(note);
}

void TVSTPlugin::NoteOff(uint8_t channel, uint8_t note, int32_t deltaFrames) noexcept {
    if (const TMidiNoteItem* held = heldNotes_.FindInputNote(channel, note)) {
        ReleaseEntry(*held, deltaFrames);
    } else if (blockedLit_.Take(channel, note)) {
        HighlightNoteOff(note); // lit at its note-on as a blocked key, whatever the map says now
    }
}

// Removes one held entry; its output note goes off unless another key still holds it. The
// note-off takes the record kept for it, so it always fits.
void TVSTPlugin::ReleaseEntry(TMidiNoteItem item, int32_t deltaFrames) noexcept {
    heldNotes_.Delete(item.Channel, item.InputNote);
    if (heldNotes_.SoundingCount(item.Channel, item.OutputNote) == 0) {
        QueueNoteOff(item.Channel, item.OutputNote, item.Velocity, deltaFrames);
    }
    KeepRoomForNoteOffs();
    HighlightNoteOff(item.InputNote);
}

// All Sound Off and All Notes Off silence the channel's notes at the receiver, which frees
// the records kept for their note-offs: the message always fits when the channel sounds
// anything. One dropped for want of room (the channel sounds nothing then) forgets nothing:
// the channel's keys keep their entries and highlights until their own note-offs.
void TVSTPlugin::SilenceChannel(uint8_t channel, uint8_t controller, uint8_t value,
                                int32_t deltaFrames) noexcept {
    if (OutputQueue().Room() == 0 && heldNotes_.SoundingNotesOn(channel) == 0) {
        return;
    }
    QueueControlChange(channel, controller, value, deltaFrames);
    ForgetChannel(channel);
}

// One record of the output queue stays kept for the note-off of every sounding note.
void TVSTPlugin::KeepRoomForNoteOffs() noexcept {
    ReserveOutput(heldNotes_.SoundingNotes());
}

void TVSTPlugin::ForgetChannel(uint8_t channel) noexcept {
    for (int32_t note = 0; note < TMidiNoteList::kNotes; ++note) {
        if (heldNotes_.FindInputNote(channel, note) != nullptr) {
            HighlightNoteOff(note);
        }
    }
    heldNotes_.DeleteChannel(channel);
    KeepRoomForNoteOffs();
    blockedLit_.TakeChannel(channel, [this](uint8_t note) noexcept { HighlightNoteOff(note); });
}

void TVSTPlugin::ClearBlockedHighlights() noexcept {
    blockedLit_.TakeAll([this](uint8_t, uint8_t note) noexcept { HighlightNoteOff(note); });
}

void TVSTPlugin::ReleaseAllHeldNotes() noexcept {
    // Walks oldest first; an output note held by several keys goes off once, at its oldest
    // entry, after which the list's count for it is no longer consulted.
    bool released[TMidiNoteList::kChannels][TMidiNoteList::kNotes] = {};
    for (const TMidiNoteItem& item : heldNotes_) {
        bool& done = released[item.Channel][item.OutputNote];
        if (!done) {
            done = true;
            QueueNoteOff(item.Channel, item.OutputNote, item.Velocity, 0);
        }
        HighlightNoteOff(item.InputNote);
    }
    heldNotes_.Clear();
    KeepRoomForNoteOffs();
    ClearBlockedHighlights();
}

void TVSTPlugin::VSTModuleProcess32Replacing(float** inputs, float** outputs,
                                             uint32_t frames) noexcept {
    TVSTPluginBase::VSTModuleProcess32Replacing(inputs, outputs, frames);
    WatchTransport();
}

// Releases every held note when playback stops or the position jumps back. A host that gives
// no time information counts as stopped with the position unchanged: nothing is released.
void TVSTPlugin::WatchTransport() noexcept {
    const VstTimeInfo* info = GetTimeInfo(kTimeInfoFilter);
    if (info == nullptr) {
        transportWasPlaying_ = false;
        return;
    }
    const bool playing = (info->flags & kVstTransportPlaying) != 0;
    const double position = info->samplePos;
    if (playing && !transportWasPlaying_) {
        lastSamplePosition_ = 0.0; // playback has just started
    } else if (!playing && transportWasPlaying_) {
        lastSamplePosition_ = 0.0; // playback has just stopped
        ReleaseAllHeldNotes();
        transportWasPlaying_ = false;
        return;
    }
    if (position < lastSamplePosition_) {
        ReleaseAllHeldNotes();
    }
    if (!std::isnan(position)) {
        lastSamplePosition_ = position;
    }
    transportWasPlaying_ = playing;
}

bool TVSTPlugin::PreviewNoteOn(int note, int velocity) noexcept {
    const auto key = static_cast<size_t>(note & 0x7F);
    // The key's note-off must reach the host first; while it waits, so does this note-on.
    if (parkedOff_[key].load(std::memory_order_acquire) != 0) {
        return false;
    }
    return previews_.Push(
        PreviewNote{true, static_cast<uint8_t>(key), static_cast<uint8_t>(velocity & 0x7F)});
}

bool TVSTPlugin::PreviewNoteOff(int note, int velocity) noexcept {
    const auto key = static_cast<size_t>(note & 0x7F);
    const auto vel = static_cast<uint8_t>(velocity & 0x7F);
    if (parkedOff_[key].load(std::memory_order_acquire) != 0) {
        return true; // no note-on of the key went in between: the parked one releases it
    }
    if (!previews_.Push(PreviewNote{false, static_cast<uint8_t>(key), vel})) {
        parkedOff_[key].store(static_cast<uint8_t>(kParked | vel), std::memory_order_release);
        parkedOffCount_.fetch_add(1, std::memory_order_release);
    }
    return true;
}

void TVSTPlugin::VSTModuleEditIdle() {
    TVSTPluginBase::VSTModuleEditIdle();
    if (EditorHooks* editor = PluginEditor()) {
        editor->RefreshHighlights();
    }
}

// Takes no more previews than the output can carry this time, so none is lost and the drain
// stays bounded while the user-interface thread keeps adding; the rest wait for the next call.
// A parked note-off goes only once the hand-off is empty: the note-on it ends was pushed before
// it was parked, so it is among what the drain takes when the parking was seen before it.
void TVSTPlugin::BeforeProcessing() noexcept {
    std::array<uint8_t, 128> parked{};
    const bool anyParked = parkedOffCount_.load(std::memory_order_acquire) > 0;
    if (anyParked) {
        for (size_t key = 0; key < parked.size(); ++key) {
            parked[key] = parkedOff_[key].load(std::memory_order_acquire);
        }
    }
    PreviewNote preview;
    int32_t room = OutputQueue().Room();
    for (; room > 0 && previews_.Pop(preview); --room) {
        if (preview.On) {
            QueueNoteOn(0, preview.Note, preview.Velocity, 0);
        } else {
            QueueNoteOff(0, preview.Note, preview.Velocity, 0);
        }
    }
    // Room left means the drain emptied the hand-off.
    if (anyParked && room > 0) {
        SendParkedPreviewOffs(parked, room);
    }
}

void TVSTPlugin::SendParkedPreviewOffs(const std::array<uint8_t, 128>& parked,
                                       int32_t room) noexcept {
    for (size_t key = 0; key < parked.size() && room > 0; ++key) {
        if (parked[key] == 0) {
            continue;
        }
        QueueNoteOff(0, static_cast<uint8_t>(key), static_cast<uint8_t>(parked[key] & 0x7F), 0);
        --room;
        parkedOff_[key].store(0, std::memory_order_release);
        parkedOffCount_.fetch_sub(1, std::memory_order_release);
    }
}

} // namespace tonvo
