// Fifth level of the module chain: parameters and programs as the host sees them, and the
// host's chunk calls that carry a module's whole state.
//
// Thread contract: user-interface thread (hosts may call the parameter routines from others;
// nothing here touches audio-thread state).
#pragma once

#include "formats/vst2/module_with_midi.h"
#include "formats/vst2/parameter_property.h"
#include "formats/vst2/vst_program.h"

#include <memory>
#include <vector>

namespace tonvo {

class TVSTModuleWithPrograms : public TVSTModuleWithMidi {
public:
    // Chunks larger than this are refused whole.
    static constexpr intptr_t kMaxChunkBytes = intptr_t{1} << 28;

    TCustomVstParameterProperty& AddParameter();
    TVstProgram& AddProgram();
    int32_t ParameterCount() const noexcept { return static_cast<int32_t>(parameters_.size()); }
    int32_t ProgramCount() const noexcept { return static_cast<int32_t>(programs_.size()); }
    TCustomVstParameterProperty& ParameterProperty(int32_t index);
    TVstProgram& Program(int32_t index);

    int32_t CurrentProgram() const noexcept { return currentProgram_; }
    void SetCurrentProgram(int32_t index);
    // Renames the current program and tells the host and the editor.
    void SetCurrentProgramName(std::string name);

    float GetParameter(int32_t index);
    // Stores and, for an automatable parameter, tells the host (audioMasterAutomate).
    void SetParameter(int32_t index, float value);
    // Stores without telling the host; fails with "Index out of bounds (%d)".
    void StoreParameter(int32_t index, float value);
    // Fails with "No parameter available!" or "Unknown parameter name: <name>".
    void SetParameterByName(const std::string& name, float value);
    std::string GetParameterName(int32_t index);
    std::string GetParameterLabel(int32_t index);
    std::string GetParameterDisplay(int32_t index);

    float HostGetParameter(int32_t index) override;
    void HostSetParameter(int32_t index, float value) override;

    // Handlers; an unbound handler is skipped.
    std::function<float(int32_t index)> OnGetChunkParameter;
    std::function<void(int32_t index, float& value)> OnParameterChange;
    std::function<void()> OnBeforeProgramChange, OnAfterProgramChange;
    std::function<void(int32_t index)> OnParameterSizeFailed;

protected:
    // Frees the programs with their chunk streams and the parameter properties (on close).
    void ReleasePrograms() noexcept;

    intptr_t EffSetProgram(intptr_t index);
    intptr_t EffSetProgramName(const void* ptr);
    intptr_t EffGetProgramName(void* ptr);
    intptr_t EffGetParamLabel(int32_t index, void* ptr);
    intptr_t EffGetParamDisplay(int32_t index, void* ptr);
    intptr_t EffGetParamName(int32_t index, void* ptr);
    intptr_t EffGetChunk(bool isPreset, void* ptr);
    intptr_t EffSetChunk(bool isPreset, intptr_t size, const void* ptr);
    intptr_t EffCanBeAutomated(int32_t index);
    intptr_t EffString2Parameter(int32_t index, const void* ptr);
    intptr_t EffGetProgramNameIndexed(int32_t index, void* ptr);
    intptr_t EffBeginLoad(const void* ptr);

private:
    bool ValidParameter(int32_t index) const noexcept {
        return index >= 0 && index < ParameterCount();
    }
    bool UsesChunks() const noexcept { return (effect_.flags & effFlagsProgramChunks) != 0; }
    std::vector<float>& StoredValues();
    void RunStore(int32_t index, bool isPreset);
    void LoadProgramChunk(int32_t index, const uint8_t* data, size_t size, bool isPreset);

    std::vector<std::unique_ptr<TCustomVstParameterProperty>> parameters_;
    std::vector<std::unique_ptr<TVstProgram>> programs_;
    std::vector<float> ownValues_;
    int32_t currentProgram_ = -1;
    std::vector<uint8_t> bankBlock_;
};

} // namespace tonvo
