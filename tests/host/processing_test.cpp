#include "formats/vst2/dsp_module.h"
#include "support/event_block.h"
#include "support/fake_host.h"

#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace tonvo {
namespace {

using test::Delivered;
using test::EventBlock;
using test::FakeHost;

// The module chain's processing and MIDI events are virtual methods; this module hands each
// to a test's function when one is set, and to the chain's own behaviour otherwise.
class ScriptedModule : public TDspVSTModule {
public:
    std::function<void(VstMidiEvent&)> midi = [](VstMidiEvent&) {};
    std::function<void(VstMidiSysexEvent&)> sysex = [](VstMidiSysexEvent&) {};
    std::function<void(VstEvent&)> other = [](VstEvent&) {};
    std::function<void(float**, float**, uint32_t)> accumulating;
    std::function<void(float**, float**, uint32_t)> replacing = [](float**, float**, uint32_t) {};

    void OnProcessMidi(VstMidiEvent& event) override { midi(event); }
    void OnProcessMidiSysEx(VstMidiSysexEvent& event) override { sysex(event); }
    void OnProcessEvent(VstEvent& event) override { other(event); }
    void OnProcess(float** inputs, float** outputs, uint32_t frames) override {
        if (accumulating) {
            accumulating(inputs, outputs, frames);
        } else {
            TDspVSTModule::OnProcess(inputs, outputs, frames);
        }
    }
    void OnProcess32Replacing(float** inputs, float** outputs, uint32_t frames) override {
        replacing(inputs, outputs, frames);
    }
};

// A module whose handlers only record what reaches them.
class ProcessingRoutines : public testing::Test {
protected:
    ProcessingRoutines() {
        module.AttachHostCallback(&FakeHost::Callback);
        module.midi = [this](VstMidiEvent& event) { midiSeen.push_back(&event); };
        module.replacing = [this](float**, float** outs, uint32_t frames) {
            ++replacingCalls;
            framesSeen.push_back(frames);
            for (uint32_t i = 0; i < frames; ++i) {
                outs[0][i] = 0.25f;
                outs[1][i] = 0.5f;
            }
            module.QueueNoteOff(0, 60, 0, 7);
        };
        outputs[0] = left.data();
        outputs[1] = right.data();
    }

    void ProcessReplacing(int32_t frames, bool withBuffers = true) {
        AEffect* effect = module.Effect();
        effect->processReplacing(effect, nullptr, withBuffers ? outputs : nullptr, frames);
    }

    FakeHost host;
    ScriptedModule module;
    std::vector<VstMidiEvent*> midiSeen;
    int replacingCalls = 0;
    std::vector<uint32_t> framesSeen;
    std::vector<float> left = std::vector<float>(16384, 1.0f);
    std::vector<float> right = std::vector<float>(16384, 1.0f);
    float* outputs[2] = {};
};

// MIDI events reach their handler in order and in place; sysex and other kinds only theirs.
TEST_F(ProcessingRoutines, EachEventKindReachesOnlyItsOwnHandlerInOrderAndInPlace) {
    int sysex = 0;
    int other = 0;
    module.sysex = [&](VstMidiSysexEvent&) { ++sysex; };
    module.other = [&](VstEvent& event) { other += event.type; };
    EventBlock block;
    block.NoteOn(0, 60, 100).SysEx().Other(kVstAudioType).NoteOff(0, 60, 0);
    EXPECT_EQ(module.ProcessEvents(block.Get()), 1);
    ASSERT_EQ(midiSeen.size(), 2u);
    EXPECT_EQ(midiSeen[0], reinterpret_cast<VstMidiEvent*>(block.At(0)));
    EXPECT_EQ(midiSeen[1], reinterpret_cast<VstMidiEvent*>(block.At(3)));
    EXPECT_EQ(sysex, 1);
    EXPECT_EQ(other, kVstAudioType);
    EXPECT_EQ(module.ProcessEvents(nullptr), 1);
    EXPECT_EQ(midiSeen.size(), 2u);
}

TEST_F(ProcessingRoutines, NothingIsProcessedBeforeOpenAndAfterClose) {
    AEffect* effect = module.Effect();
    AEffectProcessProc keptGuard = effect->processReplacing;
    module.QueueNoteOn(0, 1, 1, 0);
    ProcessReplacing(64);
    EXPECT_EQ(replacingCalls, 0);
    EXPECT_EQ(host.DeliveryCount(), 0u);

    module.InstallProcessingRoutines();
    keptGuard(effect, nullptr, outputs, 64); // a host that kept the address from before
    EXPECT_EQ(replacingCalls, 1);
    EXPECT_EQ(host.DeliveryCount(), 1u);

    module.MakeProcessingInert();
    ProcessReplacing(64);
    effect->process(effect, nullptr, outputs, 64);
    effect->processDoubleReplacing(effect, nullptr, nullptr, 64);
    EXPECT_EQ(replacingCalls, 1);
    EXPECT_EQ(host.DeliveryCount(), 1u);
}

TEST_F(ProcessingRoutines, QueuedEventsLeaveInOneCallAfterTheHandlerInQueueingOrder) {
    module.InstallProcessingRoutines();
    module.midi = [this](VstMidiEvent& event) {
        module.QueueNoteOn(0, static_cast<uint8_t>(event.midiData[1]), 100, event.deltaFrames);
    };
    EventBlock block;
    block.NoteOn(0, 1, 1, 1).NoteOn(0, 2, 1, 2).NoteOn(0, 3, 1, 3);
    module.ProcessEvents(block.Get());
    ProcessReplacing(64);
    ASSERT_EQ(host.DeliveryCount(), 1u);
    EXPECT_EQ(host.Delivery(0),
              (std::vector<Delivered>{test::note_on(0, 1, 100, 1), test::note_on(0, 2, 100, 2),
                                      test::note_on(0, 3, 100, 3), test::note_off(0, 60, 0, 7)}));
    EXPECT_EQ(module.OutputQueue().count(), 0);
    EXPECT_EQ(left[0], 0.25f);
    EXPECT_EQ(right[63], 0.5f);
}

TEST_F(ProcessingRoutines, ZeroFramesOrNoBuffersAreIgnoredEntirely) {
    module.InstallProcessingRoutines();
    module.QueueNoteOn(0, 1, 1, 0);
    ProcessReplacing(0);
    ProcessReplacing(-5);
    ProcessReplacing(64, false);
    AEffect* effect = module.Effect();
    effect->process(effect, nullptr, outputs, 0);
    effect->processDoubleReplacing(effect, nullptr, nullptr, 64);
    effect->processReplacing(nullptr, nullptr, outputs, 64);
    EXPECT_EQ(replacingCalls, 0);
    EXPECT_EQ(host.DeliveryCount(), 0u);
    ProcessReplacing(64); // the waiting event goes out with the next real block
    ASSERT_EQ(host.DeliveryCount(), 1u);
    EXPECT_EQ(host.Delivery(0).front(), test::note_on(0, 1, 1, 0));

    // With buffers, a double-precision call delivers too, though no handler takes it.
    module.QueueNoteOn(0, 1, 1, 0);
    double buffer[4] = {};
    double* doubles[2] = {buffer, buffer};
    effect->processDoubleReplacing(effect, nullptr, doubles, 4);
    EXPECT_EQ(host.DeliveryCount(), 2u);
}

TEST_F(ProcessingRoutines, AtMost1023EventsLeavePerCallAndAnEmptyQueueMakesNoCall) {
    module.InstallProcessingRoutines();
    module.replacing = [](float**, float**, uint32_t) {};
    for (int32_t i = 0; i < 1500; ++i) {
        module.QueueControlChange(0, 1, static_cast<uint8_t>(i % 128), i);
    }
    ProcessReplacing(64);
    ASSERT_EQ(host.DeliveryCount(), 1u);
    EXPECT_EQ(host.Delivery(0).size(), 1023u);
    EXPECT_EQ(module.OutputQueue().count(), 0);
    ProcessReplacing(64);
    EXPECT_EQ(host.DeliveryCount(), 1u);
}

TEST_F(ProcessingRoutines, AccumulatingCallAddsTheReplacingOutputInSlices) {
    module.InstallProcessingRoutines();
    AEffect* effect = module.Effect();
    effect->process(effect, nullptr, outputs, 10000);
    uint32_t total = 0;
    for (uint32_t frames : framesSeen) {
        total += frames;
    }
    EXPECT_EQ(total, 10000u);
    EXPECT_GT(framesSeen.size(), 1u);
    EXPECT_EQ(left[0], 1.25f);
    EXPECT_EQ(left[9999], 1.25f);
    EXPECT_EQ(right[5000], 1.5f);
    EXPECT_EQ(left[10000], 1.0f); // nothing beyond the call's frames
    EXPECT_EQ(host.DeliveryCount(), 1u);

    int accumulating = 0;
    module.accumulating = [&](float**, float**, uint32_t) { ++accumulating; };
    effect->process(effect, nullptr, outputs, 64);
    EXPECT_EQ(accumulating, 1);
    EXPECT_EQ(framesSeen.size(), 3u) << "a bound accumulating handler takes precedence";
}

TEST_F(ProcessingRoutines, AFailingHandlerNeitherEscapesNorHoldsBackTheQueueAndIsReported) {
    module.InstallProcessingRoutines();
    module.replacing = [this](float**, float**, uint32_t) {
        module.QueueNoteOff(0, 60, 0, 0);
        throw std::runtime_error("handler failed");
    };
    EXPECT_NO_THROW(ProcessReplacing(64));
    EXPECT_EQ(host.DeliveryCount(), 1u);
    EXPECT_EQ(module.ReportedExceptions(), 1u);
    EXPECT_EQ(module.LastReportedException(), "processReplacing: handler failed");

    module.replacing = [](float**, float**, uint32_t) { throw 7; };
    AEffect* effect = module.Effect();
    EXPECT_NO_THROW(effect->process(effect, nullptr, outputs, 64));
    EXPECT_EQ(module.ReportedExceptions(), 2u);
    EXPECT_EQ(module.LastReportedException(),
              "process: a failure that is not a standard exception");
}

TEST_F(ProcessingRoutines, TimeInfoIsTheHostsRecordOrNull) {
    host.SetTransport(true, 512.0);
    const VstTimeInfo* info = module.GetTimeInfo(2);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->samplePos, 512.0);
    EXPECT_EQ(host.LastTimeFilter(), 2);
    host.ClearTime();
    EXPECT_EQ(module.GetTimeInfo(2), nullptr);

    TDspVSTModule unattached;
    EXPECT_EQ(unattached.GetTimeInfo(2), nullptr);
}

} // namespace
} // namespace tonvo
