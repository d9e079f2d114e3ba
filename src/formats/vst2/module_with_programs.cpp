#include "formats/vst2/module_with_programs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tonvo {

TCustomVstParameterProperty& TVSTModuleWithPrograms::AddParameter() {
    auto& property = *parameters_.emplace_back(std::make_unique<TCustomVstParameterProperty>());
    property.SetDisplayName("Parameter " + std::to_string(parameters_.size()));
    effect_.numParams = ParameterCount();
    ownValues_.resize(parameters_.size(), 0.0f);
    for (auto& program : programs_) {
        program->ParameterValues.resize(parameters_.size(), 0.0f);
    }
    return property;
}

TVstProgram& TVSTModuleWithPrograms::AddProgram() {
    auto& program = *programs_.emplace_back(std::make_unique<TVstProgram>());
    program.ParameterValues.resize(parameters_.size(), 0.0f);
    effect_.numPrograms = ProgramCount();
    if (currentProgram_ < 0) {
        currentProgram_ = 0;
    }
    return program;
}

void TVSTModuleWithPrograms::ReleasePrograms() noexcept {
    programs_.clear();
    parameters_.clear();
    bankBlock_.clear();
    ownValues_.clear();
    currentProgram_ = -1;
}

TCustomVstParameterProperty& TVSTModuleWithPrograms::ParameterProperty(int32_t index) {
    if (!ValidParameter(index)) {
        throw index_out_of_bounds(index);
    }
    return *parameters_[static_cast<size_t>(index)];
}

TVstProgram& TVSTModuleWithPrograms::Program(int32_t index) {
    if (index < 0 || index >= ProgramCount()) {
        throw index_out_of_bounds(index);
    }
    return *programs_[static_cast<size_t>(index)];
}

void TVSTModuleWithPrograms::SetCurrentProgram(int32_t index) {
    if (programs_.empty() || index < 0 || index >= ProgramCount() || index == currentProgram_) {
        return;
    }
    const bool hadProgram = currentProgram_ >= 0;
    if (OnBeforeProgramChange) {
        OnBeforeProgramChange();
    }
    currentProgram_ = index;
    if (OnAfterProgramChange) {
        OnAfterProgramChange();
    }
    if (hadProgram) {
        if (!UsesChunks()) {
            const std::vector<float> values = Program(index).ParameterValues;
            for (int32_t i = 0; i < static_cast<int32_t>(values.size()); ++i) {
                StoreParameter(i, values[static_cast<size_t>(i)]);
            }
        }
        SetEditorNeedUpdate();
        CallAudioMaster(audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f);
    }
}

void TVSTModuleWithPrograms::SetCurrentProgramName(std::string name) {
    if (currentProgram_ < 0) {
        return;
    }
    Program(currentProgram_).SetDisplayName(std::move(name));
    SetEditorNeedUpdate();
    CallAudioMaster(audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f);
}

std::vector<float>& TVSTModuleWithPrograms::StoredValues() {
    return currentProgram_ >= 0 ? Program(currentProgram_).ParameterValues : ownValues_;
}

float TVSTModuleWithPrograms::GetParameter(int32_t index) {
    if (UsesChunks()) {
        if (!OnGetChunkParameter) {
            throw EVstError("No chunk parameter handler");
        }
        return OnGetChunkParameter(index);
    }
    std::vector<float>& values = StoredValues();
    return index >= 0 && static_cast<size_t>(index) < values.size()
               ? values[static_cast<size_t>(index)]
               : 0.0f;
}

void TVSTModuleWithPrograms::StoreParameter(int32_t index, float value) {
    TCustomVstParameterProperty& property = ParameterProperty(index);
    if (UsesChunks()) {
        if (property.OnParameterChange) {
            property.OnParameterChange(index, value);
        }
        if (OnParameterChange) {
            OnParameterChange(index, value);
        }
    } else {
        std::vector<float>& values = StoredValues();
        if (property.OnParameterChange) {
            property.OnParameterChange(index, value);
        }
        if (OnParameterChange) {
            OnParameterChange(index, value);
        }
        values[static_cast<size_t>(index)] = value;
    }
    SetEditorNeedUpdate();
}

void TVSTModuleWithPrograms::SetParameter(int32_t index, float value) {
    if (!ValidParameter(index)) {
        return;
    }
    StoreParameter(index, value);
    TCustomVstParameterProperty& property = ParameterProperty(index);
    if (property.CanBeAutomated) {
        CallAudioMaster(audioMasterAutomate, index, 0, nullptr, property.HostValue(value));
    }
}

void TVSTModuleWithPrograms::SetParameterByName(const std::string& name, float value) {
    if (parameters_.empty()) {
        throw EVstError("No parameter available!");
    }
    for (int32_t i = 0; i < ParameterCount(); ++i) {
        if (parameters_[static_cast<size_t>(i)]->DisplayName() == name) {
            SetParameter(i, value);
            return;
        }
    }
    throw EVstError("Unknown parameter name: " + name);
}

std::string TVSTModuleWithPrograms::GetParameterName(int32_t index) {
    return ValidParameter(index) ? ParameterProperty(index).DisplayName() : "undefined";
}

std::string TVSTModuleWithPrograms::GetParameterLabel(int32_t index) {
    if (!ValidParameter(index)) {
        return "undefined";
    }
    TCustomVstParameterProperty& property = ParameterProperty(index);
    std::string label = property.Units;
    if (property.OnCustomParameterLabel) {
        property.OnCustomParameterLabel(index, label);
    }
    return label;
}

std::string TVSTModuleWithPrograms::GetParameterDisplay(int32_t index) {
    if (!ValidParameter(index)) {
        return "undefined";
    }
    try {
        char text[64];
        std::snprintf(text, sizeof text, "%.15g", static_cast<double>(GetParameter(index)));
        std::string display = text;
        TCustomVstParameterProperty& property = ParameterProperty(index);
        if (property.OnCustomParameterDisplay) {
            property.OnCustomParameterDisplay(index, display);
        }
        return display;
    } catch (...) {
        return "error";
    }
}

float TVSTModuleWithPrograms::HostGetParameter(int32_t index) {
    if (!ValidParameter(index)) {
        return 0.0f;
    }
    return ParameterProperty(index).HostValue(GetParameter(index));
}

void TVSTModuleWithPrograms::HostSetParameter(int32_t index, float value) {
    if (!ValidParameter(index)) {
        if (OnParameterSizeFailed) {
            OnParameterSizeFailed(index);
        }
        return;
    }
    StoreParameter(index, ParameterProperty(index).ParameterValue(value));
}

intptr_t TVSTModuleWithPrograms::EffSetProgram(intptr_t index) {
    if (index >= 0 && index < ProgramCount()) {
        SetCurrentProgram(static_cast<int32_t>(index));
    }
    return 0;
}

// The host's text ends at its terminating zero, but is never read past the VST 2.4
// program-name size: a host's buffer of that size need not hold a terminator.
intptr_t TVSTModuleWithPrograms::EffSetProgramName(const void* ptr) {
    if (ptr != nullptr && currentProgram_ >= 0) {
        const auto* text = static_cast<const char*>(ptr);
        const char* end = std::find(text, text + kVstMaxProgNameLen, '\0');
        Program(currentProgram_).SetDisplayName(std::string(text, end));
    }
    return 0;
}

intptr_t TVSTModuleWithPrograms::EffGetProgramName(void* ptr) {
    CopyText(ptr, currentProgram_ >= 0 ? Program(currentProgram_).DisplayName() : std::string(),
             kVstMaxProgNameLen);
    return 0;
}

intptr_t TVSTModuleWithPrograms::EffGetParamLabel(int32_t index, void* ptr) {
    CopyText(ptr, GetParameterLabel(index), kVstMaxParamStrLen);
    return 0;
}

intptr_t TVSTModuleWithPrograms::EffGetParamDisplay(int32_t index, void* ptr) {
    CopyText(ptr, GetParameterDisplay(index), kVstMaxParamStrLen);
    return 0;
}

intptr_t TVSTModuleWithPrograms::EffGetParamName(int32_t index, void* ptr) {
    CopyText(ptr, GetParameterName(index), kVstMaxParamStrLen);
    return 0;
}

void TVSTModuleWithPrograms::RunStore(int32_t index, bool isPreset) {
    TVstProgram& program = Program(index);
    program.Chunk.SetPosition(0);
    if (program.OnStoreChunk) {
        program.OnStoreChunk(program, index, isPreset);
    }
}

// A failing store handler answers 0 and hands out nothing.
intptr_t TVSTModuleWithPrograms::EffGetChunk(bool isPreset, void* ptr) {
    if (programs_.empty() || ptr == nullptr) {
        return 0;
    }
    if (isPreset) {
        RunStore(currentProgram_, true);
        TVstProgram& program = Program(currentProgram_);
        *static_cast<const void**>(ptr) = program.Chunk.Data();
        return static_cast<intptr_t>(program.Chunk.Size());
    }
    MemoryStream bank;
    for (int32_t i = 0; i < ProgramCount(); ++i) {
        RunStore(i, false);
        const MemoryStream& chunk = Program(i).Chunk;
        bank.WriteUInt32LE(static_cast<uint32_t>(chunk.Size()));
        bank.Write(chunk.Bytes());
    }
    bankBlock_.assign(bank.Bytes().begin(), bank.Bytes().end());
    *static_cast<const void**>(ptr) = bankBlock_.data();
    return static_cast<intptr_t>(bankBlock_.size());
}

// Fills a program's chunk stream and runs its load handler. A failing handler gets the
// program's previous bytes back before the failure goes on.
void TVSTModuleWithPrograms::LoadProgramChunk(int32_t index, const uint8_t* data, size_t size,
                                              bool isPreset) {
    TVstProgram& program = Program(index);
    MemoryStream previous = program.Chunk;
    program.Chunk.Clear();
    program.Chunk.Write(data, size);
    program.Chunk.SetPosition(0);
    try {
        if (program.OnLoadChunk) {
            program.OnLoadChunk(program, index, isPreset);
        }
    } catch (...) {
        program.Chunk = std::move(previous);
        throw;
    }
}

// A bank is one (32-bit little-endian length, bytes) pair per program; every length is
// checked against the data before anything changes.
intptr_t TVSTModuleWithPrograms::EffSetChunk(bool isPreset, intptr_t size, const void* ptr) {
    if (programs_.empty() || ptr == nullptr || size < 0 || size > kMaxChunkBytes) {
        return 0;
    }
    const auto* data = static_cast<const uint8_t*>(ptr);
    const auto total = static_cast<size_t>(size);
    if (isPreset) {
        LoadProgramChunk(currentProgram_, data, total, true);
    } else {
        std::vector<std::pair<size_t, size_t>> parts; // offset and length of each program
        size_t at = 0;
        for (int32_t i = 0; i < ProgramCount(); ++i) {
            if (total - at < 4) {
                return 0;
            }
            const size_t length = static_cast<size_t>(data[at]) |
                                  (static_cast<size_t>(data[at + 1]) << 8) |
                                  (static_cast<size_t>(data[at + 2]) << 16) |
                                  (static_cast<size_t>(data[at + 3]) << 24);
            at += 4;
            if (length > total - at) {
                return 0;
            }
            parts.emplace_back(at, length);
            at += length;
        }
        for (int32_t i = 0; i < ProgramCount(); ++i) {
            const auto [offset, length] = parts[static_cast<size_t>(i)];
            LoadProgramChunk(i, data + offset, length, false);
        }
        TVstProgram& current = Program(currentProgram_);
        if (current.OnLoadChunk) {
            current.Chunk.SetPosition(0);
            current.OnLoadChunk(current, currentProgram_, false);
        }
    }
    SetEditorNeedUpdate();
    return size;
}

intptr_t TVSTModuleWithPrograms::EffCanBeAutomated(int32_t index) {
    return ValidParameter(index) ? (ParameterProperty(index).CanBeAutomated ? 1 : 0) : 1;
}

intptr_t TVSTModuleWithPrograms::EffString2Parameter(int32_t index, const void* ptr) {
    if (ptr == nullptr) {
        return 0;
    }
    TCustomVstParameterProperty& property = ParameterProperty(index);
    const std::string text(static_cast<const char*>(ptr));
    float value = GetParameter(index);
    bool applied = false;
    if (property.UseDefaultString2ParameterHandler) {
        parse_parameter_text(text, property.Units, value);
        applied = true;
    }
    if (property.OnStringToParameter) {
        property.OnStringToParameter(index, text, value);
        applied = true;
    }
    SetParameter(index, value);
    return applied ? 1 : 0;
}

intptr_t TVSTModuleWithPrograms::EffGetProgramNameIndexed(int32_t index, void* ptr) {
    if (index < 0 || index >= ProgramCount() || ptr == nullptr) {
        return 0;
    }
    return CopyText(ptr, Program(index).DisplayName(), kVstMaxProgNameLen);
}

intptr_t TVSTModuleWithPrograms::EffBeginLoad(const void* ptr) {
    if (ptr == nullptr) {
        return 0;
    }
    const auto* info = static_cast<const VstPatchChunkInfo*>(ptr);
    return info->pluginUniqueID == effect_.uniqueID ? 1 : -1;
}

} // namespace tonvo
