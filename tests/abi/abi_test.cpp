// Drives the built plug-in library only through its exported entry and the effect record, as
// a host does, with a host callback that records every request.
#include "support/event_block.h"
#include "support/fake_host.h"
#include "support/host_calls.h"
#include "support/temp_home.h"
#include "tonvo_host/plugin_library.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tonvo {
namespace {

using test::FakeHost;

// The plug-in reads its settings and presets from the user's folders: give it a throw-away
// home for the whole run.
test::TempHome home;

// The built library, or the one TONVO_PLUGIN_UNDER_TEST names (a package's, once installed).
tools::PluginLibrary& library() {
    const char* other = std::getenv("TONVO_PLUGIN_UNDER_TEST");
    static tools::PluginLibrary library(other != nullptr && *other != 0 ? other
                                                                        : TONVO_PLUGIN_PATH);
    return library;
}

class PluginAbi : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(library().Loaded()) << library().Error();
        entry = library().Entry("VSTPluginMain");
        ASSERT_NE(entry, nullptr);
    }
    void TearDown() override { Close(); }

    AEffect* Make() {
        effect = entry(&FakeHost::Callback);
        return effect;
    }
    intptr_t Call(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                  float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    std::string Text(int32_t opcode, int32_t index = 0, intptr_t* answer = nullptr) {
        char buffer[256] = {};
        const intptr_t result = Call(opcode, index, 0, buffer);
        if (answer != nullptr) {
            *answer = result;
        }
        return buffer;
    }
    std::vector<uint8_t> Chunk(bool isPreset) { return test::chunk_of(effect, isPreset ? 1 : 0); }
    void Close() {
        if (effect != nullptr) {
            EXPECT_EQ(Call(effClose), 1);
            effect = nullptr;
        }
    }
    void ProcessBlock(test::EventBlock& block) {
        Call(effProcessEvents, 0, 0, block.Get());
        block.Clear();
        test::process_block(effect);
    }

    FakeHost host;
    tools::PluginMain entry = nullptr;
    AEffect* effect = nullptr;
};

TEST_F(PluginAbi, BothExportsMakeAnInstanceWithThePublishedRecord) {
    const tools::PluginMain legacy = library().Entry("main");
    ASSERT_NE(legacy, nullptr);
    for (tools::PluginMain routine : {entry, legacy}) {
        effect = routine(&FakeHost::Callback);
        ASSERT_NE(effect, nullptr);
        // Magic, flags, inputs, outputs, programs, parameters, 'qv08', version, ratio, delay.
        EXPECT_EQ(std::tuple(effect->magic, effect->flags, effect->numInputs, effect->numOutputs,
                             effect->numPrograms, effect->numParams, effect->uniqueID,
                             effect->version, effect->ioRatio, effect->initialDelay),
                  std::tuple(kEffectMagic, 0x131, 0, 2, 1, 1, 0x71763038, 1000, 1.0f, 0));
        EXPECT_NE(effect->user, nullptr);
        EXPECT_EQ(effect->object, nullptr);
        Close();
    }
}

TEST_F(PluginAbi, AHostThatAnswersNoVersionGetsNoInstance) {
    host.VersionAnswer = 0;
    EXPECT_EQ(Make(), nullptr);
}

TEST_F(PluginAbi, TwoNamedHostsGetTheObjectLayout) {
    struct Case {
        std::string Product;
        bool Special;
    };
    const Case cases[] = {{"energyXT", true},    {"Sound Forge Pro 10.0", true},
                          {"Sound Forge", true}, {"XT", true},
                          {"energyXT2", false},  {"Sound Forge Pro 10.0 Suite", false},
                          {"", false},           {"Tonvo Test Host", false}};
    for (const Case& c : cases) {
        host.Product = c.Product;
        ASSERT_NE(Make(), nullptr) << c.Product;
        EXPECT_EQ(effect->object != nullptr, c.Special) << c.Product;
        EXPECT_EQ(effect->user == nullptr, c.Special) << c.Product;
        EXPECT_EQ(Text(effGetEffectName), "Tonvo") << c.Product;
        Close();
    }
}

TEST_F(PluginAbi, ProcessingStartsAtOpenUnderEitherLayout) {
    for (const char* product : {"Tonvo Test Host", "energyXT"}) {
        host.Product = product;
        host.Forget();
        ASSERT_NE(Make(), nullptr);
        test::EventBlock block;
        block.NoteOn(0, 60, 100);
        ProcessBlock(block);
        EXPECT_EQ(host.DeliveryCount(), 0u) << "processing before open does nothing";
        EXPECT_EQ(Call(effOpen), 0);
        block.NoteOn(0, 64, 90);
        ProcessBlock(block);
        ASSERT_EQ(host.DeliveryCount(), 1u) << product;
        EXPECT_EQ(host.Events().back(), test::note_on(0, 64, 90));
        Close();
    }
}

// A block whose forwarded messages alone would fill the output queue still carries the
// note-offs of the notes that sound, and an All Notes Off of a sounding channel.
TEST_F(PluginAbi, AFullOutputQueueNeverLosesANoteOff) {
    ASSERT_NE(Make(), nullptr);
    Call(effOpen);
    test::EventBlock block;
    const auto lastDelivery = [&] { return host.Delivery(host.DeliveryCount() - 1); };
    const auto delivered = [&](const test::Delivered& event) {
        const std::vector<test::Delivered> events = lastDelivery();
        return std::find(events.begin(), events.end(), event) != events.end();
    };

    block.NoteOn(0, 60, 100);
    ProcessBlock(block);
    for (int i = 0; i < 1023; ++i) {
        block.Midi(0xE0, i % 128, 64, 1);
    }
    block.NoteOff(0, 60, 0, 2);
    ProcessBlock(block);
    EXPECT_EQ(lastDelivery().size(), 1023u);
    EXPECT_TRUE(delivered(test::note_off(0, 60, 100, 2)));

    block.NoteOn(0, 60, 100).NoteOn(0, 62, 101).NoteOn(0, 64, 102).NoteOn(1, 67, 103);
    ProcessBlock(block);
    for (int i = 0; i < 1100; ++i) {
        block.Midi(0xB0, 1, i % 128, 3);
    }
    block.NoteOff(0, 60, 0, 4).NoteOff(0, 62, 0, 4).NoteOff(0, 64, 0, 4);
    block.Midi(0xB1, 123, 0, 5).NoteOn(2, 65, 90, 6); // no room is left for a new note
    ProcessBlock(block);
    EXPECT_EQ(lastDelivery().size(), 1023u);
    EXPECT_TRUE(delivered(test::note_off(0, 60, 100, 4)));
    EXPECT_TRUE(delivered(test::note_off(0, 62, 101, 4)));
    EXPECT_TRUE(delivered(test::note_off(0, 64, 102, 4)));
    EXPECT_TRUE(delivered({0xB1, 123, 0, 5}));
    EXPECT_FALSE(delivered(test::note_on(2, 65, 90, 6)));
    const size_t deliveries = host.DeliveryCount();
    block.NoteOff(2, 65, 0);
    ProcessBlock(block);
    EXPECT_EQ(host.DeliveryCount(), deliveries) << "a dropped note-on is not held";
}

TEST_F(PluginAbi, NamesVersionsAndFixedAnswers) {
    ASSERT_NE(Make(), nullptr);
    intptr_t answer = 0;
    EXPECT_EQ(Text(effGetEffectName, 0, &answer), "Tonvo");
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(Text(effGetVendorString), "Brelwick");
    EXPECT_EQ(Text(effGetProductString), "Tonvo");
    // Each request with no arguments (the texts with a null buffer) and its answer.
    const std::pair<int32_t, intptr_t> answers[] = {{effGetEffectName, 0},
                                                    {effGetVendorString, 0},
                                                    {effGetProductString, 0},
                                                    {effGetVendorVersion, 1000},
                                                    {effGetVstVersion, 2400},
                                                    {effGetPlugCategory, kPlugCategSynth},
                                                    {effIdentify, 0x4E764566},
                                                    {effEditDraw, 0},
                                                    {80, 0},
                                                    {1000, 0},
                                                    {-1, 0},
                                                    {effGetNumProgramCategories, 1},
                                                    {effKeysRequired, 1},
                                                    {effEditKeyDown, -1},
                                                    {effGetCurrentMidiProgram, -1}};
    for (const auto& [opcode, expected] : answers) {
        EXPECT_EQ(Call(opcode), expected) << opcode;
    }
    EXPECT_EQ(Call(effSetTotalSampleToProcess, 0, 512), 512);
    EXPECT_EQ(Call(effSetSampleRate, 0, 0, nullptr, 48000.0f), 1);
    EXPECT_EQ(Call(effProcessEvents), 1) << "null event block";
    EXPECT_EQ(effect->dispatcher(nullptr, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
}

TEST_F(PluginAbi, CanDoAnswersAreExactAndCaseSensitive) {
    ASSERT_NE(Make(), nullptr);
    const std::pair<const char*, intptr_t> answers[] = {
        {"receiveVstMidiEvent", 1}, {"sendVstMidiEvent", 1},
        {"sendVstEvents", 1},       {"2in2out", 1},
        {"receiveVstEvents", -1},   {"bypass", -1},
        {"ReceiveVstMidiEvent", 0}, {"hasCockosExtensions", 0},
        {"somethingElse", 0}};
    for (const auto& [text, expected] : answers) {
        EXPECT_EQ(Call(effCanDo, 0, 0, const_cast<char*>(text)), expected) << text;
    }
    EXPECT_EQ(Call(effCanDo), 0);
}

TEST_F(PluginAbi, OutputPinsAreLabelledAndThereAreNoInputs) {
    ASSERT_NE(Make(), nullptr);
    VstPinProperties pin{};
    pin.flags = 0x7F00;
    EXPECT_EQ(Call(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Output #2");
    EXPECT_STREQ(pin.shortLabel, "Out2");
    EXPECT_EQ(pin.arrangementType, kSpeakerArrStereo);
    EXPECT_EQ(pin.flags, 0x7F00 | 3) << "only the lowest byte is written";
    EXPECT_EQ(Call(effGetOutputProperties, 0, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Output #1");
    EXPECT_EQ(Call(effGetOutputProperties, 2, 0, &pin), 0);
    EXPECT_EQ(Call(effGetOutputProperties, 0, 0, nullptr), 0);
    EXPECT_EQ(Call(effGetInputProperties, 0, 0, &pin), 0);
}

TEST_F(PluginAbi, TheParameterReadsZeroAndChangesNothing) {
    ASSERT_NE(Make(), nullptr);
    EXPECT_EQ(effect->getParameter(effect, 0), 0.0f);
    EXPECT_EQ(effect->getParameter(effect, 1), 0.0f);
    EXPECT_EQ(effect->getParameter(effect, -1), 0.0f);
    EXPECT_EQ(Text(effGetParamName), "nmap");
    EXPECT_EQ(Text(effGetParamLabel), "");
    EXPECT_EQ(Text(effGetParamDisplay), "0");
    EXPECT_EQ(Text(effGetParamName, 5), "undefin") << "cut to the 8-byte buffer";
    EXPECT_EQ(Call(effCanBeAutomated, 0), 1);
    EXPECT_EQ(Call(effGetParameterProperties, 0), 0);

    const std::vector<uint8_t> before = Chunk(true);
    host.Forget();
    effect->setParameter(effect, 0, 0.7f);
    effect->setParameter(effect, 9, 0.7f);
    EXPECT_TRUE(host.Calls().empty()) << "the host is not told back";
    EXPECT_EQ(Chunk(true), before);

    char text[] = "0.9";
    EXPECT_EQ(Call(effString2Parameter, 0, 0, text), 0);
    ASSERT_EQ(host.CountCalls(audioMasterAutomate), 1u);
    EXPECT_EQ(host.Calls().back().Index, 0);
    EXPECT_EQ(host.Calls().back().Opt, 0.0f);
    EXPECT_EQ(Call(effString2Parameter, 0, 0, nullptr), 0);
}

TEST_F(PluginAbi, OneProgramNamedDefault) {
    ASSERT_NE(Make(), nullptr);
    EXPECT_EQ(Call(effGetProgram), 0);
    Call(effSetProgram, 0, 3);
    Call(effSetProgram, 0, 0);
    EXPECT_EQ(Call(effGetProgram), 0);
    EXPECT_EQ(Text(effGetProgramName), "Default");
    intptr_t answer = 0;
    EXPECT_EQ(Text(effGetProgramNameIndexed, 0, &answer), "Default");
    EXPECT_EQ(answer, 1);
    Text(effGetProgramNameIndexed, 1, &answer);
    EXPECT_EQ(answer, 0);
    char name[] = "Renamed";
    EXPECT_EQ(Call(effSetProgramName, 0, 0, name), 0);
    EXPECT_EQ(Text(effGetProgramName), "Renamed");
    // A full 24-byte buffer with no terminator is read up to its end and no further (the
    // sanitizer build sees any byte read past it).
    const auto full = std::make_unique<char[]>(24);
    std::fill_n(full.get(), 24, 'n');
    EXPECT_EQ(Call(effSetProgramName, 0, 0, full.get()), 0);
    EXPECT_EQ(Text(effGetProgramName), std::string(23, 'n'));
}

TEST_F(PluginAbi, ChunksRoundTripAsProgramAndAsBank) {
    ASSERT_NE(Make(), nullptr);
    const std::vector<uint8_t> preset = Chunk(true);
    ASSERT_GE(preset.size(), 8u);
    EXPECT_EQ(std::string(preset.begin(), preset.begin() + 4), "mmst");
    EXPECT_EQ(Chunk(true), preset) << "unchanged state gives the same bytes";

    const std::vector<uint8_t> bank = Chunk(false);
    ASSERT_EQ(bank.size(), preset.size() + 4);
    const uint32_t length = bank[0] | (bank[1] << 8) | (bank[2] << 16) | (uint32_t{bank[3]} << 24);
    EXPECT_EQ(length, preset.size());
    EXPECT_TRUE(std::equal(preset.begin(), preset.end(), bank.begin() + 4));

    EXPECT_EQ(test::load_chunk(effect, preset), static_cast<intptr_t>(preset.size()));
    EXPECT_EQ(Chunk(true), preset);
    std::vector<uint8_t> bankCopy = bank;
    EXPECT_EQ(test::load_chunk(effect, bank, 0), static_cast<intptr_t>(bank.size()));
    EXPECT_EQ(Chunk(true), preset);

    EXPECT_EQ(Call(effSetChunk, 1, 10, nullptr), 0);
    EXPECT_EQ(Call(effGetChunk, 1, 0, nullptr), 0);
    EXPECT_EQ(Call(effSetChunk, 0, -4, bankCopy.data()), 0);
    bankCopy[0] = 0xFF; // a program length running past the data
    EXPECT_EQ(test::load_chunk(effect, bankCopy, 0), 0);
    std::vector<uint8_t> wrongName = preset;
    wrongName[0] = 'x';
    EXPECT_EQ(test::load_chunk(effect, wrongName), 0);
    EXPECT_EQ(Chunk(true), preset);
}

TEST_F(PluginAbi, BeginLoadComparesTheUniqueId) {
    ASSERT_NE(Make(), nullptr);
    VstPatchChunkInfo info{};
    info.pluginUniqueID = effect->uniqueID;
    EXPECT_EQ(Call(effBeginLoadBank, 0, 0, &info), 1);
    EXPECT_EQ(Call(effBeginLoadProgram, 0, 0, &info), 1);
    info.pluginUniqueID = 0x41424344;
    EXPECT_EQ(Call(effBeginLoadBank, 0, 0, &info), -1);
    EXPECT_EQ(Call(effBeginLoadBank), 0);
}

TEST_F(PluginAbi, ResumeAsksForMidiAndSuspendSaysNothing) {
    ASSERT_NE(Make(), nullptr);
    host.Forget();
    EXPECT_EQ(Call(effMainsChanged, 0, 1), 0);
    ASSERT_EQ(host.CountCalls(audioMasterWantMidi), 1u);
    EXPECT_EQ(host.Calls().back().Value, 1);
    host.Forget();
    Call(effMainsChanged, 0, 0);
    EXPECT_TRUE(host.Calls().empty());
}

TEST_F(PluginAbi, EditorRequestsWhereNoWindowCanBeMade) {
    ASSERT_NE(Make(), nullptr);
    ERect* rect = nullptr;
    EXPECT_EQ(Call(effEditGetRect, 0, 0, &rect), 0) << "no form before the first opening";
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->right, 0);
    EXPECT_EQ(rect->bottom, 0);
    EXPECT_EQ(Call(effEditGetRect), 0);
    // Not a window: the plug-in makes its form and fails only to show it (reported, not an
    // error to the host).
    int parent = 0;
    EXPECT_EQ(Call(effEditOpen, 0, 0, &parent), 1);
    EXPECT_EQ(Call(effEditIdle), 0);
    EXPECT_EQ(Call(effEditClose), 0);
}

} // namespace
} // namespace tonvo
