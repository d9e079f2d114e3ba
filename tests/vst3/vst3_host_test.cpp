// Tonvo.vst3 as a VST 3 host loads it: the module opened with dlopen or LoadLibraryW (under
// Wine on Windows), the factory and its class infos, the component created and initialised
// with its controller found on it, buses, processing with note events and MIDI controllers
// mapped onto parameters, the transport, state through streams, and every reference given
// back at the end.
#include "support/receiver.h"
#include "support/state_blocks.h"
#include "support/temp_home.h"
#include "vst3/vst3_host.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tonvo::test {
namespace {

class Vst3Plugin : public testing::Test {
protected:
    TempHome home;
};

std::u16string text_of(const char16* name) {
    return std::u16string(name);
}

TEST_F(Vst3Plugin, TheFactoryDescribesOneInstrumentClass) {
    IPluginFactory2& f = factory();
    void* again = nullptr;
    ASSERT_EQ(f.lpVtbl->queryInterface(&f, IPluginFactory2_iid.bytes, &again), kResultOk);
    EXPECT_EQ(again, &f);
    EXPECT_EQ(f.lpVtbl->queryInterface(&f, IComponent_iid.bytes, &again), kNoInterface);
    PFactoryInfo info{};
    ASSERT_EQ(f.lpVtbl->getFactoryInfo(&f, &info), kResultOk);
    EXPECT_STREQ(info.vendor, "Brelwick");
    ASSERT_EQ(f.lpVtbl->countClasses(&f), 1);
    PClassInfo2 second{};
    ASSERT_EQ(f.lpVtbl->getClassInfo2(&f, 0, &second), kResultOk);
    EXPECT_EQ(f.lpVtbl->getClassInfo2(&f, 1, &second), kInvalidArgument);
    ASSERT_EQ(f.lpVtbl->getClassInfo2(&f, 0, &second), kResultOk);
    EXPECT_STREQ(second.category, "Audio Module Class");
    EXPECT_STREQ(second.name, "Tonvo");
    EXPECT_STREQ(second.subCategories, "Instrument");
    EXPECT_STREQ(second.vendor, "Brelwick");
    EXPECT_STREQ(second.version, "1.0.0");
    EXPECT_EQ(second.classFlags, 0u) << "processor and controller are one object";
    PClassInfo first{};
    ASSERT_EQ(f.lpVtbl->getClassInfo(&f, 0, &first), kResultOk);
    EXPECT_EQ(std::memcmp(first.cid, second.cid, sizeof first.cid), 0);

    TUID other{};
    void* obj = &other;
    EXPECT_EQ(f.lpVtbl->createInstance(&f, other, IComponent_iid.bytes, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    ASSERT_EQ(f.lpVtbl->createInstance(&f, first.cid, IPlugView_iid.bytes, &obj), kNoInterface)
        << "an interface the object does not have leaves nothing behind";
}

TEST_F(Vst3Plugin, TheComponentIsItsOwnControllerWithEventBusesAndSilentStereo) {
    Vst3Host host;
    ASSERT_NE(host.component(), nullptr);
    ASSERT_NE(host.processor(), nullptr);
    ASSERT_NE(host.controller(), nullptr);
    ASSERT_NE(host.mapping(), nullptr);
    IComponent* c = host.component();
    TUID controller_class{};
    EXPECT_NE(c->lpVtbl->getControllerClassId(c, controller_class), kResultOk);
    ASSERT_TRUE(host.start());
    EXPECT_EQ(host.handler().references, 3) << "the handler and its second interface are held";

    EXPECT_EQ(c->lpVtbl->getBusCount(c, kAudio, kInput), 0);
    EXPECT_EQ(c->lpVtbl->getBusCount(c, kAudio, kOutput), 1);
    EXPECT_EQ(c->lpVtbl->getBusCount(c, kEvent, kInput), 1);
    EXPECT_EQ(c->lpVtbl->getBusCount(c, kEvent, kOutput), 1);
    BusInfo bus{};
    ASSERT_EQ(c->lpVtbl->getBusInfo(c, kAudio, kOutput, 0, &bus), kResultOk);
    EXPECT_EQ(bus.channelCount, 2);
    EXPECT_EQ(bus.busType, kMain);
    ASSERT_EQ(c->lpVtbl->getBusInfo(c, kEvent, kInput, 0, &bus), kResultOk);
    EXPECT_EQ(bus.channelCount, 16);
    EXPECT_EQ(text_of(bus.name), u"MIDI In");
    EXPECT_EQ(c->lpVtbl->getBusInfo(c, kEvent, kInput, 1, &bus), kInvalidArgument);
    IAudioProcessor* p = host.processor();
    SpeakerArrangement mono = 1;
    EXPECT_EQ(p->lpVtbl->setBusArrangements(p, nullptr, 0, &mono, 1), kResultFalse);
    EXPECT_EQ(p->lpVtbl->canProcessSampleSize(p, kSample64), kResultOk);

    // MIDI controllers, pressure and bend map onto hidden parameters; program changes do not.
    IEditController* e = host.controller();
    EXPECT_EQ(e->lpVtbl->getParameterCount(e), 16 * 130);
    ParamID id = 0;
    IMidiMapping* m = host.mapping();
    ASSERT_EQ(m->lpVtbl->getMidiControllerAssignment(m, 0, 2, 7, &id), kResultOk);
    ParameterInfo info{};
    ASSERT_EQ(e->lpVtbl->getParameterInfo(e, static_cast<int32_t>(id), &info), kResultOk);
    EXPECT_EQ(info.id, id);
    EXPECT_EQ(text_of(info.title), u"MIDI Ch 3 CC 7");
    EXPECT_NE(info.flags & kIsHidden, 0);
    // Each starts at the default it announces (pitch bend in the middle); a value's text is
    // its MIDI value, NaN reading as 0.
    ASSERT_EQ(m->lpVtbl->getMidiControllerAssignment(m, 0, 5, kPitchBend, &id), kResultOk);
    ASSERT_EQ(e->lpVtbl->getParameterInfo(e, static_cast<int32_t>(id), &info), kResultOk);
    EXPECT_EQ(info.defaultNormalizedValue, 0.5);
    EXPECT_EQ(e->lpVtbl->getParamNormalized(e, id), 0.5);
    char16 value_text[128]{};
    ASSERT_EQ(e->lpVtbl->getParamStringByValue(e, id, std::nan(""), value_text), kResultOk);
    EXPECT_EQ(text_of(value_text), u"0");
    ASSERT_EQ(e->lpVtbl->getParamStringByValue(e, id, 0.5, value_text), kResultOk);
    EXPECT_EQ(text_of(value_text), u"64");
    EXPECT_EQ(m->lpVtbl->getMidiControllerAssignment(m, 0, 0, 130, &id), kResultFalse);
    EXPECT_EQ(m->lpVtbl->getMidiControllerAssignment(m, 1, 0, 7, &id), kResultFalse);

    EXPECT_EQ(host.finish(), 0u) << "every reference is back";
    EXPECT_EQ(host.handler().references, 1) << "the plug-in let go of the handler";
}

TEST_F(Vst3Plugin, NotesAndControllersAreMappedAtTheirTimes) {
    Vst3Host host;
    ASSERT_TRUE(host.start());
    ASSERT_TRUE(host.load(shifted_map_block(2)));
    host.note_on(3, 0, 60);
    host.note_on(10, 1, 64, 0.0f); // the softest note-on still sounds
    ASSERT_TRUE(host.controller_point(5, 1, 7, 1.0));
    ASSERT_TRUE(host.controller_point(12, 0, 129, 1.0));
    ASSERT_TRUE(host.controller_point(0, 2, 128, 0.5));
    host.poly_pressure(11, 1, 64, 0.5f); // the key as it came, not its mapped note
    EXPECT_EQ(host.process(), (std::vector<Delivered>{{0xD2, 64, 0, 0},
                                                      on(0, 62, 100, 3),
                                                      {0xB1, 7, 127, 5},
                                                      on(1, 66, 1, 10),
                                                      {0xA1, 64, 64, 11},
                                                      {0xE0, 0x7F, 0x7F, 12}}));

    // The map changes under held keys: their note-offs still release what was sent.
    ASSERT_TRUE(host.load(shifted_map_block(0)));
    host.note_off(0, 0, 60);
    host.note_off(7, 1, 64);
    EXPECT_EQ(host.process(), (std::vector<Delivered>{off(0, 62, 0), off(1, 66, 7, 1)}));

    // Another rate and block size after a reactivation; a time past the block comes out inside.
    host.deactivate();
    ASSERT_TRUE(host.activate(96000.0, 64));
    host.note_on(200, 0, 67);
    EXPECT_EQ(host.process(64), (std::vector<Delivered>{on(0, 67, 100, 63)}));

    // Velocities outside 0..1 are clamped, and one that is no number is the softest.
    host.note_on(0, 2, 60, 2.0f);
    host.note_on(1, 3, 60, std::nanf(""));
    host.note_on(2, 4, 60, -1.0f);
    EXPECT_EQ(host.process(64),
              (std::vector<Delivered>{on(2, 60, 127, 0), on(3, 60, 1, 1), on(4, 60, 1, 2)}));
}

TEST_F(Vst3Plugin, StoppingOrJumpingBackReleasesHeldNotes) {
    Vst3Host host;
    ASSERT_TRUE(host.start());
    host.transport(true, 1000);
    host.note_on(0, 0, 60);
    EXPECT_EQ(host.process().size(), 1u);
    host.transport(true, 1256);
    EXPECT_TRUE(host.process().empty());
    host.transport(false, 1256);
    host.note_on(30, 0, 62);
    EXPECT_EQ(host.process(),
              (std::vector<Delivered>{on(0, 62, 100, 30), off(0, 60, 30), off(0, 62, 30)}))
        << "a stop releases what is held, never before what came earlier in the block";
    host.transport(true, 48000);
    host.note_on(0, 0, 64);
    EXPECT_EQ(host.process().size(), 1u);
    host.transport(true, 2000);
    EXPECT_EQ(host.process(), (std::vector<Delivered>{off(0, 64, 0)})) << "a jump back";
}

TEST_F(Vst3Plugin, StateMovesWithTheSameBytesAndABadOneChangesNothing) {
    Vst3Host first;
    Vst3Host second;
    ASSERT_TRUE(first.start() && second.start());
    EXPECT_EQ(first.save(), kDefaultBlock) << "the VST 2.4 build's chunk of a fresh instance";

    const std::vector<uint8_t> shifted = shifted_map_block(5);
    ASSERT_TRUE(first.load(shifted));
    const std::vector<uint8_t> saved = first.save(1);
    EXPECT_EQ(saved, shifted);
    ASSERT_TRUE(second.load(saved, 4096));
    EXPECT_EQ(second.save(4096), saved);
    ASSERT_TRUE(second.load(kDefaultBlock));
    ASSERT_TRUE(second.load(saved, 4096, true)) << "a stream whose last, short read answers false";
    EXPECT_EQ(second.save(), saved);
    second.note_on(0, 0, 60);
    EXPECT_EQ(second.process(), (std::vector<Delivered>{on(0, 65, 100, 0)}));

    std::vector<uint8_t> renamed = saved;
    renamed[0] = 'x';
    std::vector<uint8_t> cut(saved.begin(), saved.end() - 2);
    std::vector<uint8_t> longer = saved;
    longer.push_back(0);
    for (const auto& bad : {renamed, cut, longer, std::vector<uint8_t>{}}) {
        EXPECT_FALSE(second.load(bad));
        EXPECT_EQ(second.save(), saved);
    }
    EXPECT_EQ(first.finish(), 0u);
    EXPECT_EQ(second.finish(), 0u);
}

} // namespace
} // namespace tonvo::test
