// A module's declared configuration: published values and handler bindings by name. A module
// class declares one layer; a derived class's layer is applied after its base's, so what it
// sets overrides.
#pragma once

#include "formats/vst2/can_do.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tonvo {

struct ParameterDescription {
    std::string DisplayName;
    std::string ShortLabel;
    float Min = 0.0f;
    float Max = 1.0f;
    std::string Units;
    bool CanBeAutomated = true;
};

struct ProgramDescription {
    std::string DisplayName;
    std::string OnLoadChunk;  // handler name in the module's handler table, empty for none
    std::string OnStoreChunk; // handler name in the module's handler table, empty for none
};

struct ModuleDescription {
    std::optional<std::string> EffectName, ProductName, VendorName, Version, UniqueID;
    std::optional<int32_t> Flags, NumInputs, NumOutputs;
    std::optional<int32_t> VersionMajor, VersionMinor, VersionRelease;
    std::optional<TVstPluginCategory> PlugCategory;
    std::optional<VstCanDos> CanDos;
    std::optional<float> SampleRate, IORatio;
    std::optional<std::vector<ParameterDescription>> Parameters;
    std::optional<std::vector<ProgramDescription>> Programs;
    std::optional<std::string> CurrentProgramName;
    // Event name ("OnProcessMidi") to handler name ("VSTModuleProcessMidi"), looked up in the
    // module's handler table; a pair the table does not list fails the construction.
    std::vector<std::pair<std::string, std::string>> Handlers;
};

} // namespace tonvo
