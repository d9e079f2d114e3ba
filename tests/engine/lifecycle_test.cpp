// A module's life: what a new instance starts with (init preset or defaults, settings), what
// it reports when its surroundings fail, CC-driven parameter changes, and closing.
#include "support/fake_services.h"
#include "support/host_calls.h"
#include "support/plugin_harness.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace tonvo {
namespace {

using test::FakeHost;

class Lifecycle : public testing::Test {
protected:
    std::unique_ptr<TVSTPlugin> Make() {
        return TVSTModule::Create<TVSTPlugin>(
            [this](const std::string& text) { reports.push_back(text); }, services);
    }
    void SaveInitPreset() {
        auto source = Make();
        source->ScaleMap().ClearMap();
        source->ScaleMap().SetScaleMap(0, 7);
        source->ScaleMap().SetChoice({"Fifths", 0, true});
        source->SetPresetName("init");
        source->SetMidiCC({{74, "cutoff"}});
        services.Files[services.PresetPath("init")] = test::chunk_of(source->Effect());
    }

    FakeHost host;
    test::FakeServices services;
    std::vector<std::string> reports;
};

TEST_F(Lifecycle, WithoutAnInitPresetANewInstanceHasTheDefaults) {
    auto plugin = Make();
    EXPECT_EQ(plugin->ScaleMap().MapNote(61), -1);
    EXPECT_EQ(plugin->ScaleMap().GetScaleMap(0), 0);
    EXPECT_EQ(plugin->MidiCC().Count(), 0);
    EXPECT_EQ(plugin->PresetName(), "");
    EXPECT_EQ(plugin->Style, 0);
    EXPECT_EQ(plugin->LowestOctave, -2);
    EXPECT_EQ(plugin->PluginVersion, "1.00");
    EXPECT_EQ(plugin->UserGuideFileName, "Tonvo User Guide.pdf");
    EXPECT_EQ(plugin->PresetFolder().generic_string(),
              "/home/player/Documents/Brelwick/Tonvo/Presets");
    EXPECT_EQ(services.OpenedKeys, (std::vector<std::string>{"Software\\Brelwick\\Tonvo"}));
    EXPECT_TRUE(services.Settings.empty()) << "creation writes no settings";
    EXPECT_TRUE(reports.empty());
}

TEST_F(Lifecycle, AnUnreadableOrDamagedInitPresetGivesTheDefaultState) {
    SaveInitPreset();
    services.UnreadableFiles = true;
    auto plugin = Make();
    EXPECT_EQ(plugin->ScaleMap().GetScaleMap(0), 0) << "the default map, not an all-C one";
    EXPECT_EQ(plugin->ScaleMap().GetScaleMap(1), -1);
    EXPECT_TRUE(plugin->ScaleMap().Choice().EasyMode);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("init.brelwickp"), std::string::npos) << reports[0];

    services.UnreadableFiles = false;
    std::vector<uint8_t>& file = services.Files[services.PresetPath("init")];
    file[0] = 'X'; // not a state container
    auto second = Make();
    EXPECT_EQ(second->ScaleMap().GetScaleMap(0), 0);
    EXPECT_EQ(reports.size(), 2u);

    file[0] = 'm';
    file[11] = '9'; // "TPF9": the body fails, reported through the dialog seam
    auto third = Make();
    EXPECT_EQ(third->ScaleMap().GetScaleMap(0), 0);
}

TEST_F(Lifecycle, SettingsAreReadClampedAndWrittenOnlyOnChange) {
    const std::string key = "Software\\Brelwick\\Tonvo|Config|";
    services.Settings[key + "LowestOctave"] = -5;
    services.Settings[key + "Style"] = 9;
    auto plugin = Make();
    EXPECT_EQ(plugin->LowestOctave, -2);
    EXPECT_EQ(plugin->Style, 9);
    EXPECT_EQ(TVSTPluginBase::ProcessLowestOctave.load(), -2);
    services.Settings[key + "LowestOctave"] = 3;
    EXPECT_EQ(Make()->LowestOctave, 0);

    services.Settings.clear();
    plugin->SetSkin(9);
    EXPECT_TRUE(services.Settings.empty()) << "the current skin writes nothing";
    plugin->SetSkin(0);
    EXPECT_EQ(services.Settings[key + "Style"], 0);
    EXPECT_EQ(services.Settings[key + "LowestOctave"], -2) << "both values are written";
    plugin->SetLowestOctave(-1);
    EXPECT_EQ(services.Settings[key + "LowestOctave"], -1);
    EXPECT_EQ(TVSTPluginBase::ProcessLowestOctave.load(), -1);
}

TEST_F(Lifecycle, ASettingOfTheWrongTypeIsReportedAndCreationGoesOn) {
    SaveInitPreset();
    services.WrongType = "Style";
    auto plugin = Make();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], "Invalid data type for 'Style'");
    EXPECT_EQ(plugin->Style, 0);
    EXPECT_EQ(plugin->LowestOctave, -2);
    EXPECT_EQ(plugin->ScaleMap().GetScaleMap(0), 7) << "the init preset still loads";
}

TEST_F(Lifecycle, SmallHandlersAnswerAsAHostExpects) {
    auto plugin = Make();
    plugin->AttachHostCallback(&FakeHost::Callback);
    int16_t width = 11;
    int16_t height = 22;
    plugin->VSTModuleEditGetSize(width, height);
    EXPECT_EQ(width, 11);
    EXPECT_EQ(height, 22);
    EXPECT_EQ(plugin->VSTModuleVendorSpecific(0, 0x57686565, nullptr, 1.0f), 0);
    EXPECT_EQ(plugin->VSTModuleVendorSpecific(0, 42, nullptr, 0.0f), 0);
    EXPECT_EQ(plugin->VSTModuleGetChunkParameter(0), 0.0f);
    EXPECT_EQ(plugin->VSTModuleGetChunkParameter(-3), 0.0f);

    host.Forget();
    plugin->NotifyStateChanged();
    ASSERT_EQ(host.CountCalls(audioMasterAutomate), 1u);
    EXPECT_EQ(host.Calls().back().Index, 0);
    EXPECT_EQ(host.Calls().back().Opt, 0.0f);
}

// Each event the plug-in's descriptions name has a handler, and no other event has one: a
// table row that stored its handler in the wrong event fails here. The audio events are
// virtual methods rather than stored handlers: each one declared has its row in the table,
// one that binds nothing.
TEST_F(Lifecycle, EveryDeclaredEventIsBoundAndNoOther) {
    struct Described : TVSTPlugin {
        using TVSTPlugin::Descriptions;
        using TVSTPlugin::HandlerTable;
        using TVSTPlugin::TVSTPlugin;
    };
    auto plugin = TVSTModule::Create<Described>({}, services);
    const Described& p = *plugin;
    const std::map<std::string, bool> bound = {
        {"OnCreate", bool(p.OnCreate)},
        {"OnDestroy", bool(p.OnDestroy)},
        {"OnOpen", bool(p.OnOpen)},
        {"OnClose", bool(p.OnClose)},
        {"OnResume", bool(p.OnResume)},
        {"OnSuspend", bool(p.OnSuspend)},
        {"OnEditIdle", bool(p.OnEditIdle)},
        {"OnSampleRateChange", bool(p.OnSampleRateChange)},
        {"OnBlockSizeChange", bool(p.OnBlockSizeChange)},
        {"OnEditGetSize", bool(p.OnEditGetSize)},
        {"OnEditClose", bool(p.OnEditClose)},
        {"OnVendorSpecific", bool(p.OnVendorSpecific)},
        {"OnCanDo", bool(p.OnCanDo)},
        {"OnDispatcher", bool(p.OnDispatcher)},
        {"OnGetChunkParameter", bool(p.OnGetChunkParameter)},
        {"OnParameterChange", bool(p.OnParameterChange)},
        {"OnBeforeProgramChange", bool(p.OnBeforeProgramChange)},
        {"OnAfterProgramChange", bool(p.OnAfterProgramChange)},
        {"OnParameterSizeFailed", bool(p.OnParameterSizeFailed)},
    };
    const std::set<std::string> methods = {
        "OnProcessEvents", "OnProcessMidi",        "OnProcessMidiSysEx",  "OnProcessEvent",
        "OnProcess",       "OnProcess32Replacing", "OnProcess64Replacing"};
    std::set<std::string> declared;
    int32_t programs = 0;
    for (const ModuleDescription& layer : plugin->Descriptions()) {
        for (const auto& [event, handler] : layer.Handlers) {
            declared.insert(event);
        }
        for (const ProgramDescription& described :
             layer.Programs.value_or(std::vector<ProgramDescription>{})) {
            const TVstProgram& program = plugin->Program(programs++);
            EXPECT_EQ(bool(program.OnLoadChunk), !described.OnLoadChunk.empty());
            EXPECT_EQ(bool(program.OnStoreChunk), !described.OnStoreChunk.empty());
        }
    }
    EXPECT_EQ(declared,
              (std::set<std::string>{"OnCreate", "OnDestroy", "OnEditIdle", "OnEditGetSize",
                                     "OnVendorSpecific", "OnGetChunkParameter",
                                     "OnProcess32Replacing", "OnProcessMidi"}));
    EXPECT_EQ(programs, 1);
    for (const auto& [event, isBound] : bound) {
        EXPECT_EQ(isBound, declared.contains(event)) << event;
    }
    std::set<std::string> methodRows;
    for (const HandlerBinding& row : plugin->HandlerTable()) {
        if (methods.contains(std::string(row.Event))) {
            EXPECT_EQ(row.Bind, nullptr) << row.Event;
            methodRows.insert(std::string(row.Event));
        }
    }
    EXPECT_EQ(methodRows, (std::set<std::string>{"OnProcess32Replacing", "OnProcessMidi"}));
}

// Sixty-four parameter values, the most a controller can drive.
class WidePlugin : public TVSTPlugin {
public:
    using TVSTPlugin::TVSTPlugin;

protected:
    void CreationHook() override {
        for (int i = 0; i < 64; ++i) {
            std::string name = std::to_string(i);
            name.insert(name.begin(), 'p');
            ParameterValues().Add(0.0f, name);
        }
    }
};

TEST_F(Lifecycle, ControlChangesDriveTheirAssignedParametersUpToTheLastValue) {
    auto plugin = TVSTModule::Create<test::AssignablePlugin>({}, services);
    plugin->AttachHostCallback(&FakeHost::Callback);
    plugin->InstallProcessingRoutines();
    EXPECT_EQ(plugin->VSTModuleGetChunkParameter(0), 0.25f);
    // Names are unique: the later number of "nmap" replaces the earlier one.
    plugin->SetMidiCC({{9, "nmap"}, {7, "missing"}, {7, "nmap"}});
    host.Forget();
    test::EventBlock block;
    block.Midi(0xB0, 7, 127).Midi(0xB3, 9, 0).Midi(0xB0, 8, 64).Midi(0xB2, 0x87, 0);
    plugin->ProcessEvents(block.Get());
    std::vector<float> automated;
    for (const FakeHost::HostCall& call : host.Calls()) {
        if (call.Opcode == audioMasterAutomate) {
            EXPECT_EQ(call.Index, 0);
            automated.push_back(call.Opt);
        }
    }
    EXPECT_EQ(automated, (std::vector<float>{1.0f, 0.0f})) << "controller 7 on any channel";
    EXPECT_TRUE(plugin->EditorNeedUpdate());
    // The control changes still go out.
    test::process_block(plugin->Effect(), 8);
    EXPECT_EQ(host.Events().size(), 4u);

    plugin->ResetState();
    host.Forget();
    block.Midi(0xB0, 7, 127);
    plugin->ProcessEvents(block.Get());
    EXPECT_EQ(host.CountCalls(audioMasterAutomate), 0u) << "the reset emptied the assignments";

    // A controller driving the last parameter value is handled and returns.
    auto wide = TVSTModule::Create<WidePlugin>({}, services);
    wide->AttachHostCallback(&FakeHost::Callback);
    wide->SetMidiCC({{5, "p63"}, {5, "p0"}});
    host.Forget();
    block.Clear();
    block.Midi(0xB0, 5, 127);
    wide->ProcessEvents(block.Get());
    ASSERT_EQ(host.CountCalls(audioMasterAutomate), 1u) << "p63 has no host parameter";
    EXPECT_EQ(host.Calls().back().Index, 0);
}

TEST_F(Lifecycle, ClosingWithHeldNotesSendsNothing) {
    auto plugin = Make();
    plugin->AttachHostCallback(&FakeHost::Callback);
    AEffect* effect = plugin.release()->Effect();
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    test::EventBlock block;
    block.NoteOn(0, 60, 100);
    effect->dispatcher(effect, effProcessEvents, 0, 0, block.Get(), 0.0f);
    host.Forget();
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(host.DeliveryCount(), 0u);
}

} // namespace
} // namespace tonvo
