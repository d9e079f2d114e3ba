// tonvo-preset on real files in a throw-away folder: what make writes is read back through the
// plug-in's own host interface, show and check run on files the plug-in wrote and on damaged
// ones, and every bad command line fails with one line and writes nothing.
#include "formats/vst2/plugin.h"
#include "platform/temp_folder.h"
#include "preset_tool/preset_tool.h"
#include "support/host_calls.h"
#include "support/map_entries.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

namespace tonvo::tools {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using test::Entries;

struct RunResult {
    int Status = -1;
    std::string Out;
    std::string Err;
    bool operator==(const RunResult&) const = default;
    friend void PrintTo(const RunResult& run, std::ostream* out) {
        *out << run.Status << ", out \"" << run.Out << "\", err \"" << run.Err << '"';
    }
};

// A fresh instance that has read the container and its body as the plug-in reads a preset
// file (the stored preset name kept).
std::unique_ptr<TVSTPlugin> restored(const Bytes& bytes) {
    auto plugin = TVSTModule::Create<TVSTPlugin>();
    MemoryStream file;
    file.Write(bytes.data(), bytes.size());
    file.SetPosition(0);
    TMemoryStreamChunk wrapper;
    wrapper.LoadFromStream(file);
    wrapper.Payload().SetPosition(0);
    EXPECT_TRUE(plugin->ReadStateBlock(wrapper.Payload(), false));
    return plugin;
}

Entries entries_of(TVSTPlugin& plugin) {
    return test::entries_of(plugin.ScaleMap());
}

class PresetTool : public testing::Test {
protected:
    std::string File(const std::string& name) const {
        const std::u8string text = (folder / name).u8string();
        return {text.begin(), text.end()};
    }
    static RunResult Run(const std::vector<std::string>& args) {
        std::ostringstream out, err;
        RunResult run;
        run.Status = run_preset_tool(args, out, err);
        run.Out = out.str();
        run.Err = err.str();
        return run;
    }
    // Writes the instance's preset chunk to a file and returns its path.
    std::string Saved(TVSTPlugin& plugin, const std::string& name) const {
        test::write_bytes(File(name), test::chunk_of(plugin.Effect()));
        return File(name);
    }

    test::TempFolder temp;
    const fs::path folder = temp.Path();
};

// The default map: C major with the black keys blocked, no carry anywhere.
constexpr std::string_view kDefaultShow =
    "Key  Output  Octave\nC    C\nC#   -\nD    D\nD#   -\nE    E\nF    F\nF#   -\nG    G\n"
    "G#   -\nA    A\nA#   -\nB    B\nScale:      (none)\nTonic:      C\nEasy Mode:  on\n"
    "Preset:     (none)\nVersion:    1.00\nMIDI CC:    none\n";

TEST_F(PresetTool, MakeShowCheckRoundTripWithOctaveCarry) {
    const std::string file = File("Dark Lead.brelwickp");
    const RunResult made = Run({"make", file, "--scale", "Minor", "--tonic", "D"});
    ASSERT_EQ(made.Status, 0) << made.Err;
    EXPECT_EQ(Run({"check", file}).Out, "OK\n");
    // C plays D, so B's target C lies below it and is carried an octave up.
    EXPECT_EQ(Run({"show", file}),
              (RunResult{0,
                         "Key  Output  Octave\nC    D\nC#   -\nD    E\nD#   -\nE    F\nF    G\n"
                         "F#   -\nG    A\nG#   -\nA    A#\nA#   -\nB    C       +1\n"
                         "Scale:      Minor\nTonic:      D\nEasy Mode:  on\nPreset:     Dark Lead\n"
                         "Version:    1.00\nMIDI CC:    none\n",
                         ""}));
}

struct ScaleCase {
    std::vector<std::string> Options;
    Entries Expected;
};

class MakeFromScale : public PresetTool, public testing::WithParamInterface<ScaleCase> {};

TEST_P(MakeFromScale, WritesTheScaleFillersMap) {
    std::vector<std::string> args = {"make", File("scale.brelwickp")};
    args.insert(args.end(), GetParam().Options.begin(), GetParam().Options.end());
    ASSERT_EQ(Run(args).Status, 0);
    EXPECT_EQ(entries_of(*restored(test::read_bytes(File("scale.brelwickp")))),
              GetParam().Expected);
}

// Names match without regard to case; a tonic may be a sharp, a flat or a number.
INSTANTIATE_TEST_SUITE_P(
    WorkedResults, MakeFromScale,
    testing::Values(ScaleCase{{"--scale", "minor", "--tonic", "d"},
                              {2, -1, 4, -1, 5, 7, -1, 9, -1, 10, -1, 0}},
                    ScaleCase{{"--scale", "Minor", "--tonic", "2", "--no-easy"},
                              {0, -1, 2, -1, 4, 5, -1, 7, -1, 9, 10, -1}},
                    ScaleCase{{"--easy", "--scale", "MAJOR PENTATONIC", "--tonic", "C"},
                              {0, -1, 2, -1, 4, 7, -1, 9, -1, -1, -1, -1}},
                    ScaleCase{{"--scale", "Bebop Major", "--tonic", "A"},
                              {9, 11, 1, -1, 2, 4, -1, 5, -1, 6, -1, 8}}));

TEST_F(PresetTool, ScaleFromAScalesFile) {
    // UTF-8 with a byte-order mark and CR LF endings, as an edited Scales.txt may be.
    test::write_bytes(File("Scales.txt"), {0xEF, 0xBB, 0xBF, 'O', 'd', 'd', ';', '7', ',', '0', ',',
                                           '4', '\r', '\n', '-', '\r', '\n'});
    const std::string out = File("odd.brelwickp");
    ASSERT_EQ(Run({"make", out, "--scale", "odd", "--tonic", "Eb", "--no-easy", "--scales",
                   File("Scales.txt")})
                  .Status,
              0);
    EXPECT_EQ(entries_of(*restored(test::read_bytes(out))),
              (Entries{-1, -1, -1, 3, -1, -1, -1, 7, -1, -1, 10, -1}));

    // Only the file's scales count; a separator line is none.
    for (const char* name : {"Major", "-"}) {
        const RunResult unknown = Run({"make", out, "--force", "--scale", name, "--tonic", "C",
                                       "--scales", File("Scales.txt")});
        EXPECT_EQ(unknown.Status, 2);
        EXPECT_NE(unknown.Err.find("the scales are: Odd\n"), std::string::npos) << unknown.Err;
    }
    EXPECT_EQ(Run({"make", out, "--force", "--scale", "Odd", "--tonic", "C", "--scales",
                   File("none.txt")})
                  .Status,
              1);
}

TEST(PresetToolParsing, PitchClassNamesAndNoteMapPairsWithUnlistedKeysBlocked) {
    const std::pair<std::string_view, std::optional<int32_t>> cases[] = {
        {"C", 0},  {"c#", 1},  {"DB", 1},   {" Gb ", 6}, {"bb", 10}, {"B", 11},
        {"0", 0},  {"11", 11}, {"07", 7},   {"12", {}},  {"-1", {}}, {"011", {}},
        {"H", {}}, {"", {}},   {"C##", {}}, {"Cb", {}},  {"E#", {}}};
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parse_pitch_class(text), expected) << text;
    }

    NoteMapText parsed = parse_note_map(" c = D , C#=-, 2=E,Bb=0 ");
    EXPECT_EQ(parsed.Error, "");
    EXPECT_EQ(parsed.Entries, (Entries{2, -1, 4, -1, -1, -1, -1, -1, -1, -1, 0, -1}));
    parsed = parse_note_map("");
    EXPECT_EQ(parsed.Error, "");
    EXPECT_EQ(parsed.Entries, (Entries{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}));

    const std::pair<std::string_view, std::string_view> errors[] = {
        {"C=D,,E=F", "empty pair"},        {"C=D,", "empty pair"},
        {"C", "'C' is not INPUT=OUTPUT"},  {"H=C", "'H' in 'H=C' is not a note"},
        {"C=12", "'12' in 'C=12' is not"}, {"C=-1", "'-1' in 'C=-1' is not"},
        {"C=D=E", "'D=E' in 'C=D=E'"},     {"C=D,c=E", "C is mapped twice"},
        {"C=D\aE", "'D\\x07E' in"}};
    for (const auto& [text, message] : errors) {
        EXPECT_NE(parse_note_map(text).Error.find(message), std::string::npos)
            << text << " gave " << parse_note_map(text).Error;
    }
}

TEST_F(PresetTool, MakeFromMapStoresPresetNamesAsSavePresetWould) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"make", File("My.Lead.brelwickp"), "--map", "C=D,D=E,E=F#,B=-"}, "My.Lead"},
        {{"make", File("n1.brelwickp"), "--map", "C=D,D=E,E=F#", "--name", " A:B*C "}, "A_B_C"},
        {{"make", File("n2.brelwickp"), "--map", "C=D,D=E,E=F#", "--name", ""}, ""},
    };
    for (const auto& [args, name] : cases) {
        ASSERT_EQ(Run(args).Status, 0) << args[1];
        const auto plugin = restored(test::read_bytes(args[1]));
        EXPECT_EQ(entries_of(*plugin), (Entries{2, -1, 4, -1, 6, -1, -1, -1, -1, -1, -1, -1}));
        EXPECT_EQ(plugin->PresetName(), name);
        EXPECT_EQ(plugin->ScaleMap().Choice().ScaleName, "");
    }
}

TEST_F(PresetTool, BadCommandLinesFailWithOneLineAndWriteNothing) {
    const std::string out = File("x.brelwickp");
    const std::vector<std::vector<std::string>> lines = {
        {"build", out},
        {"--version"},
        {"make", out, "--map", "C=D", "--colour", "red"},
        {"make", out, "--scale", "Major", "--tonic", "--easy"},
        {"make", out, "--scale", "Major", "--tonic", "H"},
        {"make", out, "--scale", "Nonesuch", "--tonic", "C"},
        {"make", out, "--scale", "Major", "--tonic", "C", "--map", "C=D"},
        {"make", out},
        {"make", out, "--scale", "Major"},
        {"make", out, "--scale", "Major", "--tonic", "C", "--easy", "--no-easy"},
        {"make", out, "--map", "C=D", "--name", "a", "--name", "b"},
        {"make", out, File("y.brelwickp"), "--map", "C=D"},
        {"make", out, "--map", "C=D", "--name", ".hidden"},
        {"make", out, "--map", "C=D", "--name", "Aux.x"},
        {"check", out, out},
        {"show", "--force", out}};
    for (const std::vector<std::string>& line : lines) {
        const RunResult run = Run(line);
        EXPECT_EQ(run.Status, 2) << line.back();
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err.rfind("tonvo-preset: ", 0), 0u) << run.Err;
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
    }
    EXPECT_FALSE(fs::exists(out));

    EXPECT_EQ(Run({"make", "--help"}), (RunResult{0, std::string(preset_tool_usage()), ""}));
    EXPECT_EQ(Run({}), (RunResult{2, "", std::string(preset_tool_usage())}));
}

TEST_F(PresetTool, RefusesToOverwriteWithoutForce) {
    const std::string file = File("keep.brelwickp");
    ASSERT_EQ(Run({"make", file, "--map", "C=C"}).Status, 0);
    const Bytes first = test::read_bytes(file);
    const RunResult refused = Run({"make", file, "--map", "C=D"});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_NE(refused.Err.find("exists; add --force"), std::string::npos);
    EXPECT_EQ(test::read_bytes(file), first);
    ASSERT_EQ(Run({"make", file, "--map", "C=D", "--force"}).Status, 0);
    EXPECT_EQ(restored(test::read_bytes(file))->ScaleMap().GetScaleMap(0), 2);
    // A folder is never replaced, and missing folders on the way are made.
    EXPECT_EQ(Run({"make", File(""), "--map", "C=D"}).Status, 2);
    fs::create_directory(folder / "dir");
    EXPECT_EQ(Run({"make", File("dir"), "--map", "C=D", "--force"}).Status, 1);
    EXPECT_EQ(Run({"make", File("a/b/new.brelwickp"), "--map", "C=D"}).Status, 0);
    EXPECT_TRUE(fs::is_regular_file(folder / "a" / "b" / "new.brelwickp"));
}

// The default block of a fresh instance, then one with every field set.
TEST_F(PresetTool, ChecksAndShowsFilesThePluginWroteWithEveryField) {
    auto plugin = TVSTModule::Create<TVSTPlugin>();
    const std::string fresh = Saved(*plugin, "default.brelwickp");
    EXPECT_EQ(test::read_bytes(fresh).size(), 99u);
    EXPECT_EQ(Run({"check", fresh}), (RunResult{0, "OK\n", ""}));
    EXPECT_EQ(Run({"show", fresh}), (RunResult{0, std::string(kDefaultShow), ""}));

    plugin->ScaleMap().ClearMap();
    plugin->ScaleMap().SetScaleMap(0, 7);
    plugin->ScaleMap().SetScaleMap(5, 0);
    // Stored values no editor would write: shown as numbers, never looked up as names.
    plugin->ScaleMap().SetScaleMap(9, 14);
    plugin->ScaleMap().SetScaleMap(11, -7);
    plugin->ScaleMap().SetChoice({"Odd\x1b[2J", 27, false});
    plugin->SetPresetName("Mine");
    plugin->SetMidiCC({{7, "volume"}, {1, "mod"}});
    const std::string file = Saved(*plugin, "host-chunk.bin");

    EXPECT_EQ(
        Run({"show", file}),
        (RunResult{0,
                   "Key  Output  Octave\nC    G\nC#   -\nD    -\nD#   -\nE    -\nF    C       +1\n"
                   "F#   -\nG    -\nG#   -\nA    14              (stored value outside -1..11)\n"
                   "A#   -\nB    -7      +1      (stored value outside -1..11)\n"
                   "Scale:      Odd\\x1B[2J\nTonic:      27 (stored value outside 0..11)\n"
                   "Easy Mode:  off\nPreset:     Mine\nVersion:    1.00\n"
                   "MIDI CC:    CC 7 -> volume\n            CC 1 -> mod\n",
                   ""}));
    EXPECT_EQ(Run({"check", file}).Out, "OK\n");
}

TEST_F(PresetTool, DamagedFilesReportTheLoadersMessage) {
    auto plugin = TVSTModule::Create<TVSTPlugin>();
    const Bytes good = test::chunk_of(plugin->Effect());
    Bytes wrongName = good;
    wrongName[3] = 'x';
    Bytes notTpf0 = good;
    notTpf0[11] = '1';
    const Bytes shortBody(good.begin(), good.end() - 10);
    const Bytes emptyBody = {'m', 'm', 's', 't', 0, 0, 0, 0};
    const std::pair<Bytes, std::string> cases[] = {
        {wrongName, "Error loading preset from file. \"Chunk name must always be 'mmst'\""},
        {shortBody, "Error loading preset from file. \"Stream read error\""},
        {notTpf0, "Error loading preset. \"Invalid stream format\""},
        {emptyBody, "Error loading preset. \"Stream read error\""},
        {Bytes{'m', 'm'}, "Error loading preset from file. \"Stream read error\""},
    };
    for (const auto& [bytes, message] : cases) {
        test::write_bytes(File("bad"), bytes);
        for (const char* command : {"check", "show"}) {
            EXPECT_EQ(Run({command, File("bad")}),
                      (RunResult{1, "", "tonvo-preset: " + File("bad") + ": " + message + "\n"}));
        }
    }

    Bytes trailing = good;
    trailing.push_back(0);
    test::write_bytes(File("trailing"), trailing);
    const RunResult extra = Run({"check", File("trailing")});
    EXPECT_EQ(extra.Status, 0);
    EXPECT_EQ(extra.Out, "OK\n");
    EXPECT_NE(extra.Err.find("1 bytes after the state block are ignored"), std::string::npos);

    // A file larger than the plug-in's Load Preset reads is no good preset, however sound the
    // block at its start.
    Bytes oversized = good;
    oversized.resize(kMaxPresetFileBytes + 1);
    test::write_bytes(File("oversized"), oversized);
    const RunResult large = Run({"check", File("oversized")});
    EXPECT_EQ(large.Status, 1);
    EXPECT_NE(large.Err.find("too large"), std::string::npos) << large.Err;

    for (const std::string& absent : {File("absent"), File("")}) {
        const RunResult run = Run({"check", absent});
        EXPECT_EQ(run.Status, 1);
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
    }
}

} // namespace
} // namespace tonvo::tools
