#include "formats/vst2/plugin.h"

#include "core/identity.h"

#include <utility>

namespace tonvo {

namespace {
// Asks the host for the sample position and the playing bit.
constexpr int32_t kTimeInfoFilter = 2;
} // namespace

// The published values of this plug-in, applied over the base layer.
std::vector<ModuleDescription> TVSTPlugin::Descriptions() const {
    std::vector<ModuleDescription> layers = TVSTPluginBase::Descriptions();
    ModuleDescription own;
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
    own.CanDos = can_do_bit(vcdSendVstEvents) | can_do_bit(vcdSendVstMidiEvent) |
                 can_do_bit(vcdReceiveVstMidiEvent) | can_do_bit(vcd2in2out);
    own.NumInputs = 0;
    own.NumOutputs = 2;
    own.SampleRate = 44100.0f;
    own.IORatio = 1.0f;
    ParameterDescription nmap;
    nmap.DisplayName = "nmap";
    nmap.ShortLabel = "notemap";
    own.Parameters = std::vector<ParameterDescription>{nmap};
    own.Programs = std::vector<ProgramDescription>{
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

void TVSTPlugin::VSTModuleCreate() {
    PluginVersion = core::kShownVersion;
    UserGuideFileName = core::kUserGuideFileName;
    TVSTPluginBase::VSTModuleCreate();
}

void TVSTPlugin::WritePluginState(ValueWriter& writer, const PluginState& state) {
    write_note_map_section(writer, state.NoteMap.value_or(NoteMapState{}));
}

// The version of the block does not change how the section reads.
void TVSTPlugin::ReadPluginState(ValueReader& reader, const std::string&, PluginState& into) {
    into.NoteMap = read_note_map_section(reader);
}

void TVSTPlugin::VSTModuleProcess32Replacing(float** inputs, float** outputs,
                                             uint32_t frames) noexcept {
    TVSTPluginBase::VSTModuleProcess32Replacing(inputs, outputs, frames);
    const VstTimeInfo* info = GetTimeInfo(kTimeInfoFilter);
    core::Transport transport;
    if (info != nullptr) {
        transport.known = true;
        transport.playing = (info->flags & kVstTransportPlaying) != 0;
        transport.sample_position = info->samplePos;
    }
    plugin_core().watch_transport(transport);
}

void TVSTPlugin::VSTModuleEditIdle() {
    TVSTPluginBase::VSTModuleEditIdle();
    if (EditorHooks* editor = PluginEditor()) {
        editor->RefreshHighlights();
    }
}

} // namespace tonvo
