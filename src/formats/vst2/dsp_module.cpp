#include "formats/vst2/dsp_module.h"

#include <algorithm>

namespace tonvo {

namespace {
// Smallest slice the accumulating routine works in, whatever block size the host announced.
constexpr uint32_t kMinScratchFrames = 4096;
} // namespace

// The routines of one record layout: the module is read from `user`, or from `object` for
// the hosts that keep their own data in `user`.
template <bool ObjectLayout>
struct TDspVSTModule::Routines {
    static TDspVSTModule* Module(AEffect* effect, int32_t frames, const void* inputs,
                                 const void* outputs) noexcept {
        if (effect == nullptr || frames <= 0 || (inputs == nullptr && outputs == nullptr)) {
            return nullptr;
        }
        // Only modules of this level install these routines, so the record's module is one.
        return static_cast<TDspVSTModule*>(FromEffect(effect, ObjectLayout));
    }

    static void VSTCALLBACK Process(AEffect* e, float** in, float** out, int32_t frames) noexcept {
        if (TDspVSTModule* module = Module(e, frames, in, out)) {
            module->Process(in, out, static_cast<uint32_t>(frames));
        }
    }
    static void VSTCALLBACK Replacing(AEffect* e, float** in, float** out,
                                      int32_t frames) noexcept {
        if (TDspVSTModule* module = Module(e, frames, in, out)) {
            module->ProcessReplacing(in, out, static_cast<uint32_t>(frames));
        }
    }
    static void VSTCALLBACK DoubleReplacing(AEffect* e, double** in, double** out,
                                            int32_t frames) noexcept {
        if (TDspVSTModule* module = Module(e, frames, in, out)) {
            module->ProcessDoubleReplacing(in, out, static_cast<uint32_t>(frames));
        }
    }

    // The guards forward only once the record itself holds the working routine, so a host
    // that kept a guard's address from before opening reaches the working routine through it.
    static void VSTCALLBACK GuardProcess(AEffect* e, float** in, float** out,
                                         int32_t frames) noexcept {
        if (e != nullptr && e->process == &Process) {
            Process(e, in, out, frames);
        }
    }
    static void VSTCALLBACK GuardReplacing(AEffect* e, float** in, float** out,
                                           int32_t frames) noexcept {
        if (e != nullptr && e->processReplacing == &Replacing) {
            Replacing(e, in, out, frames);
        }
    }
    static void VSTCALLBACK GuardDoubleReplacing(AEffect* e, double** in, double** out,
                                                 int32_t frames) noexcept {
        if (e != nullptr && e->processDoubleReplacing == &DoubleReplacing) {
            DoubleReplacing(e, in, out, frames);
        }
    }

    static void InstallGuards(AEffect& effect) noexcept {
        effect.process = &GuardProcess;
        effect.processReplacing = &GuardReplacing;
        effect.processDoubleReplacing = &GuardDoubleReplacing;
    }
    static void InstallWorking(AEffect& effect) noexcept {
        effect.process = &Process;
        effect.processReplacing = &Replacing;
        effect.processDoubleReplacing = &DoubleReplacing;
    }
};

namespace {
void VSTCALLBACK InertProcess(AEffect*, float**, float**, int32_t) noexcept {}
void VSTCALLBACK InertProcessDouble(AEffect*, double**, double**, int32_t) noexcept {}
} // namespace

TDspVSTModule::TDspVSTModule() {
    Routines<false>::InstallGuards(effect_);
    PrepareScratch();
}

void TDspVSTModule::InstallHostRoutines() noexcept {
    TVSTModuleWithPrograms::InstallHostRoutines();
    if (!working_) {
        if (SpecialHost()) {
            Routines<true>::InstallGuards(effect_);
        } else {
            Routines<false>::InstallGuards(effect_);
        }
    }
}

void TDspVSTModule::InstallProcessingRoutines() {
    PrepareScratch();
    working_ = true;
    if (SpecialHost()) {
        Routines<true>::InstallWorking(effect_);
    } else {
        Routines<false>::InstallWorking(effect_);
    }
}

void TDspVSTModule::MakeProcessingInert() noexcept {
    effect_.process = &InertProcess;
    effect_.processReplacing = &InertProcess;
    effect_.processDoubleReplacing = &InertProcessDouble;
}

void TDspVSTModule::PrepareClose() {
    MakeProcessingInert();
    TVSTModuleWithPrograms::PrepareClose();
}

void TDspVSTModule::SetBlockSize(int32_t frames) {
    TVSTModuleWithPrograms::SetBlockSize(frames);
    PrepareScratch();
}

void TDspVSTModule::PrepareScratch() {
    const uint32_t frames =
        std::max(kMinScratchFrames, static_cast<uint32_t>(std::max(BlockSize(), 0)));
    const size_t outputs = static_cast<size_t>(std::max(effect_.numOutputs, 0));
    const size_t inputs = static_cast<size_t>(std::max(effect_.numInputs, 0));
    scratch_.assign(outputs * frames, 0.0f);
    scratchOutputs_.resize(outputs);
    for (size_t i = 0; i < outputs; ++i) {
        scratchOutputs_[i] = scratch_.data() + i * frames;
    }
    sliceInputs_.assign(inputs, nullptr);
    scratchFrames_ = frames;
}

// Each routine delivers the queue after its handler, also when the handler failed, so that
// note-offs already queued are never held back.
void TDspVSTModule::ProcessReplacing(float** inputs, float** outputs, uint32_t frames) noexcept {
    try {
        BeforeProcessing();
        OnProcess32Replacing(inputs, outputs, frames);
    } catch (...) {
        ReportCurrentException("processReplacing");
    }
    DeliverQueue();
}

void TDspVSTModule::Process(float** inputs, float** outputs, uint32_t frames) noexcept {
    try {
        BeforeProcessing();
        OnProcess(inputs, outputs, frames);
    } catch (...) {
        ReportCurrentException("process");
    }
    DeliverQueue();
}

void TDspVSTModule::ProcessDoubleReplacing(double** inputs, double** outputs,
                                           uint32_t frames) noexcept {
    try {
        BeforeProcessing();
        OnProcess64Replacing(inputs, outputs, frames);
    } catch (...) {
        ReportCurrentException("processDoubleReplacing");
    }
    DeliverQueue();
}

// Runs the replacing handler into zeroed scratch buffers and adds them into the host's
// outputs, slice by slice when the call is longer than the scratch.
void TDspVSTModule::OnProcess(float** inputs, float** outputs, uint32_t frames) {
    const size_t outputCount =
        std::min(scratchOutputs_.size(), static_cast<size_t>(std::max(effect_.numOutputs, 0)));
    for (uint32_t done = 0; done < frames;) {
        const uint32_t slice = std::min(scratchFrames_, frames - done);
        for (size_t i = 0; i < sliceInputs_.size(); ++i) {
            sliceInputs_[i] =
                (inputs != nullptr && inputs[i] != nullptr) ? inputs[i] + done : nullptr;
        }
        for (size_t i = 0; i < outputCount; ++i) {
            std::fill_n(scratchOutputs_[i], slice, 0.0f);
        }
        OnProcess32Replacing(inputs != nullptr ? sliceInputs_.data() : nullptr,
                             scratchOutputs_.data(), slice);
        if (outputs != nullptr) {
            for (size_t i = 0; i < outputCount; ++i) {
                if (outputs[i] == nullptr) {
                    continue;
                }
                float* target = outputs[i] + done;
                for (uint32_t s = 0; s < slice; ++s) {
                    target[s] += scratchOutputs_[i][s];
                }
            }
        }
        done += slice;
    }
}

} // namespace tonvo
