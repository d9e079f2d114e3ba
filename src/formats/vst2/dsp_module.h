// Fourth level of the module chain: the processing routines stored in the effect record and
// the processing handlers they reach, each a virtual method called directly.
//
// Before the host opens the module the record holds guard routines that do nothing until the
// working routines are installed; after the module closes it holds inert routines. Every
// routine is a noexcept boundary: nothing unwinds into the host. Under the hosts that use the
// object layout the routines read the module from `object`, like the dispatcher.
//
// Thread contract: the routines run in the host's audio thread. InstallProcessingRoutines,
// MakeProcessingInert and SetBlockSize run in the user-interface thread while the host is not
// processing.
#pragma once

#include "formats/vst2/module_with_programs.h"

#include <vector>

namespace tonvo {

class TDspVSTModule : public TVSTModuleWithPrograms {
public:
    TDspVSTModule();

    // Processing handlers, by the names of the events they answer. The replacing ones do
    // nothing here; the accumulating one runs the 32-bit replacing handler into scratch
    // buffers and adds its output to the host's.
    virtual void OnProcess(float** inputs, float** outputs, uint32_t frames);
    virtual void OnProcess32Replacing(float** /*inputs*/, float** /*outputs*/,
                                      uint32_t /*frames*/) {}
    virtual void OnProcess64Replacing(double** /*inputs*/, double** /*outputs*/,
                                      uint32_t /*frames*/) {}

    // Puts the working processing routines into the record (on open).
    void InstallProcessingRoutines();
    // Puts routines into the record that do nothing (on close).
    void MakeProcessingInert() noexcept;

    void SetBlockSize(int32_t frames) override;
    void PrepareClose() override;

protected:
    // Runs at the start of every processing call that passes the routine's checks, before the
    // handler. Audio thread; must not allocate or block.
    virtual void BeforeProcessing() noexcept {}
    void InstallHostRoutines() noexcept override;

private:
    template <bool ObjectLayout>
    struct Routines;

    void Process(float** inputs, float** outputs, uint32_t frames) noexcept;
    void ProcessReplacing(float** inputs, float** outputs, uint32_t frames) noexcept;
    void ProcessDoubleReplacing(double** inputs, double** outputs, uint32_t frames) noexcept;
    void PrepareScratch();

    bool working_ = false;
    // Scratch output buffers for the accumulating routine, made outside the audio thread so
    // that it never allocates. Longer calls are processed in slices of scratchFrames_.
    std::vector<float> scratch_;
    std::vector<float*> scratchOutputs_;
    std::vector<float*> sliceInputs_;
    uint32_t scratchFrames_ = 0;
};

} // namespace tonvo
