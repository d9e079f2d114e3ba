// The baseline for the plug-in benchmarks: a plug-in made with the same framework and laid out
// like Tonvo (a synth with 0 inputs, 2 outputs, one chunk program, one parameter) that does
// nothing of its own. It forwards every MIDI event unchanged, writes silence and keeps a
// fixed few-byte state, so what it costs is the framework and the host interface alone.
#include "formats/vst2/vst_module.h"

#include <algorithm>
#include <array>
#include <memory>

#if defined(_WIN32)
#define TONVO_EXPORT
#else
#define TONVO_EXPORT __attribute__((visibility("default")))
#endif

namespace tonvo {
namespace {

// The whole state this plug-in keeps: a name tag and a format number.
constexpr std::array<uint8_t, 8> kPayload = {'P', 'a', 's', 's', 0, 0, 0, 1};

class PassThroughPlugin : public TVSTModule {
public:
    void ProcessMidi(VstMidiEvent& event) noexcept {
        const auto status = static_cast<uint8_t>(event.midiData[0]);
        const auto channel = static_cast<uint8_t>(status & 0x0F);
        const auto data1 = static_cast<uint8_t>(event.midiData[1]);
        const auto data2 = static_cast<uint8_t>(event.midiData[2]);
        const int32_t delta = event.deltaFrames;
        // The output queue carries the channel voice messages it has a record builder for;
        // program change and system messages have none and are dropped, as Tonvo drops them.
        switch (status & 0xF0) {
        case 0x90: QueueNoteOn(channel, data1, data2, delta); break;
        case 0x80: QueueNoteOff(channel, data1, data2, delta); break;
        case 0xB0: QueueControlChange(channel, data1, data2, delta); break;
        case 0xA0: QueuePolyPressure(channel, data1, data2, delta); break;
        case 0xD0: QueueChannelPressure(channel, data1, delta); break;
        case 0xE0: QueuePitchBend(channel, data1, data2, delta); break;
        default: break;
        }
    }

    void Process32Replacing(float**, float** outputs, uint32_t frames) noexcept {
        if (outputs == nullptr) {
            return;
        }
        for (int32_t i = 0; i < effect_.numOutputs; ++i) {
            if (outputs[i] != nullptr) {
                std::fill_n(outputs[i], frames, 0.0f);
            }
        }
    }

    // The audio events reach the handlers above directly.
    void OnProcessMidi(VstMidiEvent& event) noexcept final { ProcessMidi(event); }
    void OnProcess32Replacing(float** inputs, float** outputs, uint32_t frames) noexcept final {
        Process32Replacing(inputs, outputs, frames);
    }

    void StoreChunk(TVstProgram& program, int32_t, bool) {
        program.Chunk.Clear();
        program.Chunk.Write(kPayload.data(), kPayload.size());
    }

    // A module that keeps its programs as chunks answers parameter reads itself.
    float GetChunkParameter(int32_t) { return level_; }
    void ParameterChange(int32_t, float& value) { level_ = value; }

    // Anything but the fixed payload is refused; the framework then keeps the previous bytes.
    void LoadChunk(TVstProgram& program, int32_t, bool) {
        std::array<uint8_t, kPayload.size()> read{};
        program.Chunk.Read(read.data(), read.size());
        if (read != kPayload) {
            throw EVstError("Not a pass-through state");
        }
    }

protected:
    std::vector<ModuleDescription> Descriptions() const override {
        ModuleDescription own;
        own.Flags = effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth;
        own.EffectName = "PassThrough";
        own.ProductName = "PassThrough";
        own.VendorName = "Brelwick";
        own.UniqueID = "qvPT";
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
        ParameterDescription level;
        level.DisplayName = "level";
        level.ShortLabel = "level";
        own.Parameters = std::vector<ParameterDescription>{level};
        own.Programs = std::vector<ProgramDescription>{{"Default", "LoadChunk", "StoreChunk"}};
        own.CurrentProgramName = "Default";
        own.Handlers = {
            {"OnProcessMidi", "ProcessMidi"},
            {"OnProcess32Replacing", "Process32Replacing"},
            {"OnGetChunkParameter", "GetChunkParameter"},
            {"OnParameterChange", "ParameterChange"},
        };
        return {own};
    }

    std::span<const HandlerBinding> HandlerTable() const override {
        using Self = PassThroughPlugin;
        static constexpr HandlerBinding kHandlers[] = {
            method_handler("OnProcessMidi", "ProcessMidi"),
            method_handler("OnProcess32Replacing", "Process32Replacing"),
            module_handler<&Self::OnGetChunkParameter, &Self::GetChunkParameter>(
                "OnGetChunkParameter", "GetChunkParameter"),
            module_handler<&Self::OnParameterChange, &Self::ParameterChange>("OnParameterChange",
                                                                             "ParameterChange"),
            program_handler<&TVstProgram::OnStoreChunk, &Self::StoreChunk>("OnStoreChunk",
                                                                           "StoreChunk"),
            program_handler<&TVstProgram::OnLoadChunk, &Self::LoadChunk>("OnLoadChunk",
                                                                         "LoadChunk"),
        };
        return kHandlers;
    }

private:
    float level_ = 0.0f;
};

} // namespace
} // namespace tonvo

// The entry, as Tonvo's: a new instance for the host, or null when it cannot be made.
extern "C" TONVO_EXPORT AEffect* VSTCALLBACK
VSTPluginMain(audioMasterCallback audioMaster) noexcept {
    try {
        std::unique_ptr<tonvo::PassThroughPlugin> module =
            tonvo::TVSTModule::Create<tonvo::PassThroughPlugin>();
        module->SetAudioMaster(audioMaster);
        // From here the host owns the instance; effClose destroys it.
        return module.release()->Effect();
    } catch (...) {
        return nullptr;
    }
}

#if !defined(_WIN32)
// The same routine under the name older hosts look for.
extern "C" TONVO_EXPORT AEffect* PassThroughLegacyMain(audioMasterCallback audioMaster) noexcept
    __asm__("main") __attribute__((alias("VSTPluginMain")));
#endif
