#include "host/dsp_module.h"

#include <algorithm>

namespace tonvo {

namespace {
// Smallest slice the accumulating routine works in, whatever block size the host announced.
constexpr uint32_t kMinScratchFrames = 4096;
} // namespace

TDspVSTModule::TDspVSTModule() {
    effect_.process = &GuardProcess;
    effect_.processReplacing = &GuardProcessReplacing;
    effect_.processDoubleReplacing = &GuardProcessDoubleReplacing;
    PrepareScratch();
}

void TDspVSTModule::InstallProcessingRoutines() {
    PrepareScratch();
    effect_.process = &WorkingProcess;
    effect_.processReplacing = &WorkingProcessReplacing;
    effect_.processDoubleReplacing = &WorkingProcessDoubleReplacing;
}

void TDspVSTModule::MakeProcessingInert() noexcept {
    effect_.process = &InertProcess;
    effect_.processReplacing = &InertProcess;
    effect_.processDoubleReplacing = &InertProcessDouble;
}

void TDspVSTModule::SetBlockSize(int32_t frames) {
    TVSTModuleWithMidi::SetBlockSize(frames);
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

TDspVSTModule* TDspVSTModule::ModuleForProcessing(AEffect* effect, int32_t frames,
                                                  const void* inputs,
                                                  const void* outputs) noexcept {
    if (effect == nullptr || frames <= 0 || (inputs == nullptr && outputs == nullptr)) {
        return nullptr;
    }
    // Only modules of this level install these routines, so the record's module is one.
    return static_cast<TDspVSTModule*>(FromEffect(effect));
}

// The guards forward only once the record itself holds the working routine, so a host that
// kept a guard's address from before opening reaches the working routine through it.
void VSTCALLBACK TDspVSTModule::GuardProcess(AEffect* e, float** in, float** out, int32_t frames) {
    if (e != nullptr && e->process == &WorkingProcess) {
        WorkingProcess(e, in, out, frames);
    }
}

void VSTCALLBACK TDspVSTModule::GuardProcessReplacing(AEffect* e, float** in, float** out,
                                                      int32_t frames) {
    if (e != nullptr && e->processReplacing == &WorkingProcessReplacing) {
        WorkingProcessReplacing(e, in, out, frames);
    }
}

void VSTCALLBACK TDspVSTModule::GuardProcessDoubleReplacing(AEffect* e, double** in, double** out,
                                                            int32_t frames) {
    if (e != nullptr && e->processDoubleReplacing == &WorkingProcessDoubleReplacing) {
        WorkingProcessDoubleReplacing(e, in, out, frames);
    }
}

void VSTCALLBACK TDspVSTModule::WorkingProcess(AEffect* e, float** in, float** out,
                                               int32_t frames) {
    if (TDspVSTModule* module = ModuleForProcessing(e, frames, in, out)) {
        module->Process(in, out, static_cast<uint32_t>(frames));
    }
}

void VSTCALLBACK TDspVSTModule::WorkingProcessReplacing(AEffect* e, float** in, float** out,
                                                        int32_t frames) {
    if (TDspVSTModule* module = ModuleForProcessing(e, frames, in, out)) {
        module->ProcessReplacing(in, out, static_cast<uint32_t>(frames));
    }
}

void VSTCALLBACK TDspVSTModule::WorkingProcessDoubleReplacing(AEffect* e, double** in, double** out,
                                                              int32_t frames) {
    if (TDspVSTModule* module = ModuleForProcessing(e, frames, in, out)) {
        module->ProcessDoubleReplacing(in, out, static_cast<uint32_t>(frames));
    }
}

void VSTCALLBACK TDspVSTModule::InertProcess(AEffect*, float**, float**, int32_t) {}
void VSTCALLBACK TDspVSTModule::InertProcessDouble(AEffect*, double**, double**, int32_t) {}

// Each routine delivers the queue after its handler, also when the handler failed, so that
// note-offs already queued are never held back.
void TDspVSTModule::ProcessReplacing(float** inputs, float** outputs, uint32_t frames) noexcept {
    try {
        BeforeProcessing();
        if (OnProcess32Replacing) {
            OnProcess32Replacing(inputs, outputs, frames);
        }
    } catch (...) {
    }
    DeliverQueue();
}

void TDspVSTModule::Process(float** inputs, float** outputs, uint32_t frames) noexcept {
    try {
        BeforeProcessing();
        if (OnProcess) {
            OnProcess(inputs, outputs, frames);
        } else if (OnProcess32Replacing) {
            AccumulateThroughReplacing(inputs, outputs, frames);
        }
    } catch (...) {
    }
    DeliverQueue();
}

void TDspVSTModule::ProcessDoubleReplacing(double** inputs, double** outputs,
                                           uint32_t frames) noexcept {
    try {
        BeforeProcessing();
        if (OnProcess64Replacing) {
            OnProcess64Replacing(inputs, outputs, frames);
        }
    } catch (...) {
    }
    DeliverQueue();
}

// Runs the replacing handler into zeroed scratch buffers and adds them into the host's
// outputs, slice by slice when the call is longer than the scratch.
void TDspVSTModule::AccumulateThroughReplacing(float** inputs, float** outputs, uint32_t frames) {
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
