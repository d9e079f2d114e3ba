#include "formats/vst2/vst_module.h"

#include "engine/errors.h"

namespace tonvo {

void TVSTModule::ApplyConfiguration() {
    for (const ModuleDescription& layer : Descriptions()) {
        ApplyLayer(layer);
    }
}

// Flags come before programs: a program made while the module keeps chunks gets a chunk
// stream.
void TVSTModule::ApplyLayer(const ModuleDescription& layer) {
    if (layer.Flags) {
        SetFlags(*layer.Flags);
    }
    if (layer.EffectName) {
        SetEffectName(*layer.EffectName);
    }
    if (layer.ProductName) {
        SetProductName(*layer.ProductName);
    }
    if (layer.VendorName) {
        SetVendorName(*layer.VendorName);
    }
    if (layer.Version) {
        Version = *layer.Version;
    }
    if (layer.UniqueID) {
        SetUniqueID(*layer.UniqueID);
    }
    if (layer.VersionMajor || layer.VersionMinor || layer.VersionRelease) {
        SetVersion(layer.VersionMajor.value_or(1), layer.VersionMinor.value_or(0),
                   layer.VersionRelease.value_or(0));
    }
    if (layer.PlugCategory) {
        PlugCategory = *layer.PlugCategory;
    }
    if (layer.CanDos) {
        CanDos = *layer.CanDos;
    }
    if (layer.NumInputs) {
        SetNumInputs(*layer.NumInputs);
    }
    if (layer.NumOutputs) {
        SetNumOutputs(*layer.NumOutputs);
    }
    if (layer.SampleRate) {
        SetSampleRate(*layer.SampleRate);
    }
    if (layer.IORatio) {
        effect_.ioRatio = *layer.IORatio;
    }
    if (layer.Parameters) {
        for (const ParameterDescription& described : *layer.Parameters) {
            TCustomVstParameterProperty& property = AddParameter();
            property.Min = described.Min;
            property.Max = described.Max;
            property.Units = described.Units;
            property.CanBeAutomated = described.CanBeAutomated;
            property.SetDisplayName(described.DisplayName);
            if (!described.ShortLabel.empty()) {
                property.SetShortLabel(described.ShortLabel);
            }
        }
    }
    if (layer.Programs) {
        for (const ProgramDescription& described : *layer.Programs) {
            TVstProgram& program = AddProgram();
            program.SetDisplayName(described.DisplayName);
            if (!described.OnLoadChunk.empty()) {
                FindHandler("OnLoadChunk", described.OnLoadChunk, true).Bind(*this, &program);
            }
            if (!described.OnStoreChunk.empty()) {
                FindHandler("OnStoreChunk", described.OnStoreChunk, true).Bind(*this, &program);
            }
        }
    }
    if (layer.CurrentProgramName && CurrentProgram() >= 0) {
        Program(CurrentProgram()).SetDisplayName(*layer.CurrentProgramName);
    }
    for (const auto& [event, handler] : layer.Handlers) {
        const HandlerBinding& row = FindHandler(event, handler, false);
        if (row.Bind != nullptr) {
            row.Bind(*this, nullptr);
        }
    }
}

// A misspelt event or handler name would leave an event silently unbound; it stops the
// construction instead, so the entry makes no instance and tests see the name at once.
const HandlerBinding& TVSTModule::FindHandler(std::string_view event, std::string_view handler,
                                              bool forProgram) const {
    for (const HandlerBinding& row : HandlerTable()) {
        if (row.ForProgram == forProgram && row.Event == event && row.Handler == handler) {
            return row;
        }
    }
    throw EVstError("Unknown handler binding: " + std::string(event) + " -> " +
                    std::string(handler));
}

void TVSTModule::ReportException(const char* where, const char* message) noexcept {
    TDspVSTModule::ReportException(where, message);
    if (OnExceptionReport) {
        try {
            OnExceptionReport(message != nullptr ? message : "");
        } catch (...) {
            // A report that fails itself has nowhere further to go.
        }
    }
}

void TVSTModule::RunOnCreate() {
    if (!OnCreate) {
        return;
    }
    try {
        OnCreate();
    } catch (...) {
        ReportCurrentException("OnCreate");
    }
}

bool TVSTModule::Destroy() {
    ReleasePrograms();
    DestroyEditorForm();
    if (!OnDestroy) {
        return true;
    }
    try {
        OnDestroy();
        return true;
    } catch (...) {
        ReportCurrentException("OnDestroy");
        return false;
    }
}

// Order on close: OnClose, routines inert and the slot emptied; the module itself is then
// destroyed by the record's dispatcher routine.
void TVSTModule::PrepareClose() {
    if (OnClose) {
        OnClose();
    }
    TDspVSTModule::PrepareClose();
}

// Also under the hosts with the object layout: their routines read the module from `object`.
intptr_t TVSTModule::EffOpen() {
    InstallProcessingRoutines();
    if (OnOpen) {
        OnOpen();
    }
    return 0;
}

intptr_t TVSTModule::Dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt) {
    intptr_t answer = 0;
    switch (opcode) {
    case effOpen: answer = EffOpen(); break;
    case effSetProgram: answer = EffSetProgram(value); break;
    case effGetProgram: answer = CurrentProgram(); break;
    case effSetProgramName: answer = EffSetProgramName(ptr); break;
    case effGetProgramName: answer = EffGetProgramName(ptr); break;
    case effGetParamLabel: answer = EffGetParamLabel(index, ptr); break;
    case effGetParamDisplay: answer = EffGetParamDisplay(index, ptr); break;
    case effGetParamName: answer = EffGetParamName(index, ptr); break;
    case effSetSampleRate: answer = EffSetSampleRate(opt); break;
    case effSetBlockSize: answer = EffSetBlockSize(value); break;
    case effMainsChanged: answer = EffMainsChanged(value); break;
    case effEditGetRect: answer = EffEditGetRect(ptr); break;
    case effEditOpen: answer = EffEditOpen(ptr); break;
    case effEditClose: answer = EffEditClose(); break;
    case effEditIdle: answer = EffEditIdle(); break;
    case effIdentify: answer = four_char_code("NvEf"); break;
    case effGetChunk: answer = EffGetChunk(index != 0, ptr); break;
    case effSetChunk: answer = EffSetChunk(index != 0, value, ptr); break;
    case effProcessEvents: answer = ProcessEvents(static_cast<VstEvents*>(ptr)); break;
    case effCanBeAutomated: answer = EffCanBeAutomated(index); break;
    case effString2Parameter: answer = EffString2Parameter(index, ptr); break;
    case effGetNumProgramCategories: answer = 1; break;
    case effGetProgramNameIndexed: answer = EffGetProgramNameIndexed(index, ptr); break;
    case effConnectInput: answer = 1; break;
    case effConnectOutput: answer = 1; break;
    case effGetInputProperties: answer = EffGetPinProperties(index, ptr, false); break;
    case effGetOutputProperties: answer = EffGetPinProperties(index, ptr, true); break;
    case effGetPlugCategory: answer = PlugCategory; break;
    case effSetSpeakerArrangement: answer = EffSetSpeakerArrangement(value, ptr); break;
    case effSetBlockSizeAndSampleRate: answer = EffSetBlockSizeAndSampleRate(value, opt); break;
    case effGetEffectName: answer = EffGetEffectName(ptr); break;
    case effGetVendorString: answer = EffGetVendorString(ptr); break;
    case effGetProductString: answer = EffGetProductString(ptr); break;
    case effGetVendorVersion: answer = VersionNumber(); break;
    case effVendorSpecific: answer = EffVendorSpecific(index, value, ptr, opt); break;
    case effCanDo: answer = EffCanDo(ptr); break;
    case effGetTailSize: answer = TailSize; break;
    case effKeysRequired: answer = KeysRequired ? 0 : 1; break;
    case effGetVstVersion: answer = kVstVersion; break;
    case effEditKeyDown: answer = KeysRequired ? 0 : -1; break;
    case effEditKeyUp: answer = KeysRequired ? 0 : -1; break;
    case effGetCurrentMidiProgram: answer = -1; break;
    case effSetTotalSampleToProcess: answer = value; break;
    case effBeginLoadBank: answer = EffBeginLoad(ptr); break;
    case effBeginLoadProgram: answer = EffBeginLoad(ptr); break;
    case effSetProcessPrecision: answer = ProcessPrecision; break;
    default: answer = 0; break; // the rest of 0..79 and everything above
    }
    if (OnDispatcher) {
        OnDispatcher(opcode);
    }
    return answer;
}

} // namespace tonvo
