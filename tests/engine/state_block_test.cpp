// The state block: its exact bytes, round trips, every way a block can be damaged (the state
// must stay exactly as it was), the preset-name rule on host restore, and CC assignments.
#include "formats/vst2/plugin.h"
#include "support/default_state.h"
#include "support/fake_services.h"
#include "support/host_calls.h"

#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace tonvo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

using test::kDefaultBlock;

class RecordingDialogs : public DialogSeam {
public:
    void Warning(const std::string& caption, const std::string& text) override {
        boxes.push_back(caption + ": " + text);
    }
    std::vector<std::string> boxes;
};

// A body written field by field: the version texts ("1.00" or none), the wizard's choice, the
// map's entries (each a list of one integer) and an empty CC section.
Bytes written_body(bool version, const ScaleChoice& choice, const std::vector<int32_t>& entries) {
    MemoryStream stream;
    ValueWriter w(stream);
    w.Signature();
    w.ListStart();
    for (int i = 0; i < 4; ++i) {
        w.String(version && i == 0 ? "1.00" : "");
    }
    w.ListEnd();
    w.ListStart();
    w.ListStart();
    w.String(choice.ScaleName);
    w.Integer(choice.Tonic);
    w.Boolean(choice.EasyMode);
    w.ListEnd();
    w.ListStart();
    for (const int32_t entry : entries) {
        w.ListStart();
        w.Integer(entry);
        w.ListEnd();
    }
    w.ListEnd();
    w.ListEnd();
    w.ListStart();
    w.ListEnd();
    return Bytes(stream.Bytes().begin(), stream.Bytes().end());
}

class StateBlock : public testing::Test {
protected:
    std::unique_ptr<TVSTPlugin> Make() {
        auto made = TVSTModule::Create<TVSTPlugin>({}, services);
        made->SetDialogs(dialogs);
        return made;
    }
    static Bytes Store(TVSTPlugin& module) { return test::chunk_of(module.Effect()); }
    static void Load(TVSTPlugin& module, const Bytes& bytes) {
        TVstProgram& program = module.Program(0);
        program.Chunk.Clear();
        program.Chunk.Write(bytes.data(), bytes.size());
        module.VSTPluginBasePrograms0LoadChunk(program, 0, true);
    }
    // A state that differs from the default in every field.
    void Customise(TVSTPlugin& module) {
        for (int32_t i = 0; i < 12; ++i) {
            module.ScaleMap().SetScaleMap(i, (i * 5) % 12);
        }
        module.ScaleMap().SetChoice({"Dorian", 2, false});
        module.SetPresetName("Bright");
        module.SetMidiCC({{7, "volume"}, {1, "mod"}});
    }

    test::FakeServices services;
    RecordingDialogs dialogs;
    std::unique_ptr<TVSTPlugin> plugin = Make();
};

TEST_F(StateBlock, DefaultStateIsThePublishedBlock) {
    EXPECT_EQ(Store(*plugin), kDefaultBlock);
}

TEST_F(StateBlock, RandomStatesSurviveARoundTrip) {
    std::mt19937 rng(7);
    const std::vector<std::string> names = {"",    "Café Minor", "日本の音階",
                                            "a/b", "Ünïcödé",    std::string(300, 'x')};
    for (int round = 0; round < 200; ++round) {
        auto source = Make();
        for (int32_t i = 0; i < 12; ++i) {
            source->ScaleMap().SetScaleMap(i, static_cast<int32_t>(rng() % 40) - 20);
        }
        const std::string& name = names[rng() % names.size()];
        const auto tonic = static_cast<int32_t>(rng()) - 1000;
        source->ScaleMap().SetChoice({name, tonic, rng() % 2 == 0});
        // A name with a separator names no preset file; that has its own test below.
        std::string preset = names[rng() % names.size()];
        preset = preset == "a/b" ? "a_b" : preset;
        source->SetPresetName(preset);
        services.Files[services.PresetPath(preset)] = {};
        std::vector<TMidiCCItem> cc;
        for (auto n = rng() % 5; n > 0; --n) {
            cc.push_back({static_cast<int32_t>(rng() % 128), names[rng() % names.size()] + "p"});
        }
        source->SetMidiCC(cc);

        auto target = Make();
        Load(*target, Store(*source));
        PluginState expected = source->CurrentState();
        EXPECT_EQ(target->CurrentState(), expected) << round;
        EXPECT_EQ(Store(*target), Store(*source)) << round;
    }
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(StateBlock, EveryTruncationLeavesTheStateExactlyAsItWas) {
    auto source = Make();
    Customise(*source);
    source->SetPresetName("Other");
    const Bytes good = Store(*source);
    Customise(*plugin);
    const PluginState before = plugin->CurrentState();
    for (size_t length = 0; length < good.size(); ++length) {
        Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        // The header keeps declaring the full body, or is fixed to the cut one: both must fail.
        for (bool fixHeader : {false, true}) {
            if (fixHeader && length >= 8) {
                cut = test::in_container(
                    Bytes(good.begin() + 8, good.begin() + static_cast<std::ptrdiff_t>(length)));
            }
            try {
                Load(*plugin, cut);
            } catch (const std::exception&) {
                // a damaged container is refused before anything changes
            }
            ASSERT_EQ(plugin->CurrentState(), before) << length << (fixHeader ? " fixed" : "");
        }
    }
}

TEST_F(StateBlock, DamagedBodiesAreReportedAndChangeNothing) {
    Customise(*plugin);
    const PluginState before = plugin->CurrentState();
    Bytes body(kDefaultBlock.begin() + 8, kDefaultBlock.end());

    // A byte changed (the signature, the tonic's tag, the version as a long text whose length
    // runs past the end), or the body cut right after the plug-in section (the map read, the CC
    // section missing).
    struct Damage {
        size_t at;
        int byte; // none: cut at `at`
        const char* message;
    };
    for (const Damage& d :
         {Damage{3, '1', "Invalid stream format"}, Damage{42, 0x07, "Invalid property value"},
          Damage{5, 0x0C, "Stream read error"}, Damage{body.size() - 2, -1, "Stream read error"}}) {
        Bytes damaged = body;
        if (d.byte < 0) {
            damaged.resize(d.at);
        } else {
            damaged[d.at] = static_cast<uint8_t>(d.byte);
        }
        const size_t boxes = dialogs.boxes.size();
        EXPECT_THROW(Load(*plugin, test::in_container(damaged)), EFormatError) << d.at;
        ASSERT_EQ(dialogs.boxes.size(), boxes + 1) << d.at;
        EXPECT_EQ(dialogs.boxes.back(),
                  std::string("Load Preset: Error loading preset.\r\n\r\n\"") + d.message + "\"");
    }
    EXPECT_EQ(dialogs.boxes.size(), 4u);
    EXPECT_EQ(plugin->CurrentState(), before);

    Bytes wrongName = kDefaultBlock;
    wrongName[0] = 'M';
    EXPECT_THROW(Load(*plugin, wrongName), EVstError);
    EXPECT_EQ(plugin->CurrentState(), before);
    Load(*plugin, Bytes(kDefaultBlock.begin(), kDefaultBlock.begin() + 8));
    EXPECT_EQ(plugin->CurrentState(), before) << "eight bytes or fewer change nothing";
    EXPECT_EQ(dialogs.boxes.size(), 4u);
}

TEST_F(StateBlock, SectionsMayBeShortOrLong) {
    Bytes body(kDefaultBlock.begin() + 8, kDefaultBlock.end());
    // A CC section that is a single list end: no assignments.
    Bytes singleEnd(body.begin(), body.end() - 2);
    singleEnd.push_back(0x00);
    plugin->SetMidiCC({{3, "x"}});
    Load(*plugin, test::in_container(singleEnd));
    EXPECT_EQ(plugin->MidiCC().Count(), 0);
    EXPECT_TRUE(dialogs.boxes.empty());

    // Two map entries (C -> D, C# -> E): the others keep the defaults.
    Load(*plugin, test::in_container(written_body(true, {"Short", 4, true}, {2, 4})));
    const std::array<int32_t, 12> partial = {2, 4, 2, -1, 4, 5, -1, 7, -1, 9, -1, 11};
    EXPECT_EQ(plugin->CurrentState().NoteMap->Entries, partial);
    EXPECT_EQ(plugin->ScaleMap().Choice().ScaleName, "Short");

    // Fourteen entries: the extra two are read and ignored.
    Load(*plugin, test::in_container(written_body(false, {"", 0, true},
                                                  {11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, -1, -2})));
    EXPECT_EQ(plugin->ScaleMap().GetScaleMap(11), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(StateBlock, APresetNameThatIsAPathNamesNoFileOutsideThePresetFolder) {
    const fs::path folder = plugin->PresetFolder();
    for (const std::string& name : std::vector<std::string>{
             "/tmp/x/evil", "../escape", "sub/inner", "..\\escape", "C:evil", "C:\\x\\evil",
             "\\\\server\\share\\evil", std::string("evil\0", 5)}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(plugin->PresetFile(name).empty());
        // Every file such a name could reach exists.
        const fs::path file = fs::u8path(name + ".brelwickp");
        for (const fs::path& reached :
             {file, folder / file, (folder / file).lexically_normal(), folder / "evil.brelwickp"}) {
            services.Files[test::FakeServices::Key(reached)] = {};
        }
        auto source = Make();
        source->SetPresetName(name);
        Load(*plugin, Store(*source));
        EXPECT_EQ(plugin->PresetName(), "");
    }
    EXPECT_EQ(plugin->PresetFile("a..b").filename(), "a..b.brelwickp");
}

TEST_F(StateBlock, AssignmentsKeepTheEarlierPlaceOfANameAndLoadUpToTheLimitOnly) {
    auto source = Make();
    source->SetMidiCC({{1, "a"}, {2, "b"}});
    Bytes block = Store(*source);
    // Rename "b" to "a" in place: the block now lists "a" twice.
    for (size_t i = 0; i + 1 < block.size(); ++i) {
        if (block[i] == 0x06 && block[i + 1] == 1 && block[i + 2] == 'b') {
            block[i + 2] = 'a';
        }
    }
    Load(*plugin, block);
    ASSERT_EQ(plugin->MidiCC().Count(), 1);
    EXPECT_EQ(plugin->MidiCC().GetItem(0), (TMidiCCItem{2, "a"}));

    // Assignments up to the limit load; a block with more is refused whole.
    std::vector<TMidiCCItem> assignments;
    for (size_t i = 0; i <= kMaxCCAssignments; ++i) {
        assignments.push_back({static_cast<int32_t>(i % 128), "cc" + std::to_string(i)});
    }
    source->SetMidiCC(assignments);
    const Bytes tooMany = Store(*source);
    assignments.pop_back();
    source->SetMidiCC(assignments);
    Load(*plugin, Store(*source));
    EXPECT_EQ(plugin->MidiCC().Items(), assignments);

    Customise(*plugin);
    const PluginState before = plugin->CurrentState();
    EXPECT_THROW(Load(*plugin, tooMany), EFormatError);
    EXPECT_EQ(dialogs.boxes, std::vector<std::string>{"Load Preset: Error loading preset.\r\n\r\n"
                                                      "\"Invalid stream format\""});
    EXPECT_EQ(plugin->CurrentState(), before);
}

TEST_F(StateBlock, ABankLoadRunsTheHandlerTwiceAndAFaultyOneIsRefused) {
    Customise(*plugin);
    Bytes bank = {0, 0, 0, 0};
    const Bytes block = Store(*plugin);
    bank[0] = static_cast<uint8_t>(block.size());
    bank.insert(bank.end(), block.begin(), block.end());
    const PluginState customised = plugin->CurrentState();
    auto target = Make();
    EXPECT_EQ(test::load_chunk(target->Effect(), bank, 0), static_cast<intptr_t>(bank.size()));
    PluginState expected = customised;
    expected.PresetName.clear(); // no preset file of that name
    EXPECT_EQ(target->CurrentState(), expected);

    Bytes broken = bank;
    broken[4 + 8 + 3] = '9'; // "TPF9"
    EXPECT_EQ(test::load_chunk(target->Effect(), broken, 0), 0)
        << "a state that cannot be read is refused";
    EXPECT_EQ(dialogs.boxes.size(), 1u) << "reported once; the second run does not happen";
    EXPECT_EQ(target->CurrentState(), expected);
}

} // namespace
} // namespace tonvo
