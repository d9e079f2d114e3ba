// The preset commands on real files in a throw-away home folder, with a scripted user.
#include "core/preset_commands.h"
#include "formats/vst2/plugin.h"
#include "platform/temp_folder.h"
#include "presets/desktop_services.h"
#include "presets/preset_files.h"
#include "support/host_calls.h"
#include "support/temp_home.h"

#include <deque>
#include <fstream>
#include <gtest/gtest.h>
#if defined(_WIN32)
#include <windows.h>
#endif

namespace tonvo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// Answers the way a user would, from a script; records every box shown.
class ScriptedUser : public DialogSeam {
public:
    void Warning(const std::string& caption, const std::string& text) override {
        boxes.push_back(caption + ": " + text);
    }
    DialogAnswer Ask(const std::string& caption, const std::string&) override {
        questions.push_back(caption);
        return answers.empty() ? DialogAnswer::No : Next(answers);
    }
    std::optional<std::string> InputText(const std::string&, const std::string&,
                                         const std::string& text, size_t maxLength) override {
        prefilled.push_back(text);
        EXPECT_EQ(maxLength, 50u);
        return typed.empty() ? std::nullopt : Next(typed);
    }
    std::optional<fs::path> BrowsePresets(const fs::path&, const std::string&) override {
        return chosen.empty() ? std::nullopt : Next(chosen);
    }

    std::deque<DialogAnswer> answers;
    std::deque<std::optional<std::string>> typed;
    std::deque<std::optional<fs::path>> chosen;
    std::vector<std::string> boxes, questions, prefilled;

private:
    template <typename T>
    static T Next(std::deque<T>& queue) {
        T front = queue.front();
        queue.pop_front();
        return front;
    }
};

class PresetFiles : public testing::Test {
protected:
    std::unique_ptr<TVSTPlugin> Make() {
        auto made = TVSTModule::Create<TVSTPlugin>({}, DesktopServices::Instance());
        made->SetDialogs(user);
        return made;
    }
    // The commands with what the user types or chooses (none: the dialog cancelled).
    void Save(const std::optional<std::string>& typedName) {
        user.typed.push_back(typedName);
        commands.SavePreset();
    }
    void Load(const std::optional<fs::path>& file) {
        user.chosen.push_back(file);
        commands.LoadPreset();
    }
    static Bytes host_chunk(TVSTPlugin& module) { return test::chunk_of(module.Effect()); }
    void Customise() {
        plugin->ScaleMap().SetScaleMap(1, 3);
        plugin->ScaleMap().SetChoice({"Lydian", 5, true});
    }
    std::vector<std::string> Listed() {
        std::vector<std::string> names;
        for (const fs::path& file : commands.ListPresets()) {
            names.push_back(FileBaseName(file));
        }
        return names;
    }

    test::TempHome home;
    ScriptedUser user;
    std::unique_ptr<TVSTPlugin> plugin = Make();
    core::PresetCommands commands{plugin->plugin_core(), user};
};

TEST_F(PresetFiles, NamesAreCleanedAndStayInsideTheFolder) {
    EXPECT_EQ(MakeValidFileName("a\\b/c:d*e?f\"g<h>i|j"), "a_b_c_d_e_f_g_h_i_j");
    EXPECT_EQ(trim_name("\t  Warm Pad \r\n"), "Warm Pad");
    EXPECT_EQ(FileBaseName("/x/a.b.brelwickp"), "a.b");
    EXPECT_EQ(FileBaseName("/x/plain"), "plain");
    EXPECT_FALSE(is_usable_preset_name(".."));
    EXPECT_FALSE(is_usable_preset_name(".hidden"));
    EXPECT_TRUE(is_usable_preset_name("a.."));
    // Windows devices, whatever the system: their "files" exist in every folder.
    for (const char* device :
         {"CON", "prn", "Aux.txt", "nul .x", "COM1", "lpt9.a", "COM\xC2\xB9"}) {
        EXPECT_FALSE(is_usable_preset_name(device)) << device;
        EXPECT_TRUE(plugin->PresetFile(device).empty()) << device;
    }
    for (const char* plain : {"CONSOLE", "COM10", "LPT0", "xNUL", "com", "Con_1", "Com 1"})
        EXPECT_TRUE(is_usable_preset_name(plain)) << plain;

    Save("  Bright/Pad? é  ");
    EXPECT_EQ(plugin->PresetName(), "Bright_Pad_ é");
    EXPECT_TRUE(fs::is_regular_file(home.Presets() / fs::u8path("Bright_Pad_ é.brelwickp")));
    Save("../../escape");
    EXPECT_EQ(plugin->PresetName(), "Bright_Pad_ é");
    Save("..");
    ASSERT_EQ(user.boxes.size(), 2u);
    EXPECT_EQ(user.boxes[0].rfind("Save Preset: Error saving preset to file.\r\n\r\n\"", 0), 0u);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"Bright_Pad_ é"}));
    EXPECT_FALSE(fs::exists(home.Documents() / "Brelwick" / "Tonvo" / "escape.brelwickp"));
}

TEST_F(PresetFiles, SaveLoadSaveGivesTheSameBytesAndTheHostBlock) {
    EXPECT_TRUE(Listed().empty()) << "no preset folder yet";
    Customise();
    Save("Lydian Five");
    const fs::path file = home.Presets() / "Lydian Five.brelwickp";
    const Bytes first = test::read_bytes(file);
    EXPECT_EQ(first, host_chunk(*plugin)) << "a preset file holds the host's state block";
    // Loaded as a host's block it keeps its name, its file being there.
    auto asBlock = Make();
    test::load_chunk(asBlock->Effect(), first);
    EXPECT_EQ(asBlock->ScaleMap().Choice().Tonic, 5);
    EXPECT_EQ(asBlock->PresetName(), "Lydian Five");

    auto other = Make();
    core::PresetCommands otherCommands(other->plugin_core(), user);
    user.chosen.push_back(file);
    otherCommands.LoadPreset();
    EXPECT_EQ(other->ScaleMap().GetScaleMap(1), 3);
    EXPECT_EQ(other->PresetName(), "Lydian Five");
    user.typed.push_back("Lydian Five");
    user.answers.push_back(DialogAnswer::Yes);
    otherCommands.SavePreset();
    EXPECT_EQ(test::read_bytes(file), first);
    EXPECT_TRUE(user.boxes.empty());
}

TEST_F(PresetFiles, OverwritingAsksAndACaseOnlyOverwriteLeavesOneFileAsTyped) {
    Save("Bright");
    Customise();
    Save("BRIGHT");
    EXPECT_EQ(user.questions, (std::vector<std::string>{"Preset Exists"}));
    EXPECT_EQ(Listed(), (std::vector<std::string>{"Bright"})) << "No changes nothing";
    EXPECT_EQ(plugin->PresetName(), "Bright");
    user.answers.push_back(DialogAnswer::Cancel);
    Save("BRIGHT");
    EXPECT_EQ(Listed(), (std::vector<std::string>{"Bright"})) << "an unanswered box neither";

    user.answers.push_back(DialogAnswer::Yes);
    Save("BRIGHT");
    EXPECT_EQ(Listed(), (std::vector<std::string>{"BRIGHT"}));
    EXPECT_EQ(plugin->PresetName(), "BRIGHT");
    EXPECT_EQ(user.prefilled.back(), "Bright");
}

TEST_F(PresetFiles, OverwritingAsksWhateverTheScriptAndForFilesTheListingHides) {
    const fs::path summer = home.Presets() / fs::u8path("\xC3\x89t\xC3\xA9.brelwickp"); // Été
    test::write_bytes(summer, {1});
    Save("\xC3\xA9t\xC3\xA9"); // été
    EXPECT_EQ(user.questions.size(), 1u);
    EXPECT_EQ(test::read_bytes(summer), Bytes{1});
#if defined(_WIN32)
    const fs::path hidden = home.Presets() / "Secret.brelwickp";
    test::write_bytes(hidden, {2});
    ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    Save("secret");
    EXPECT_EQ(user.questions.size(), 2u);
    EXPECT_EQ(test::read_bytes(hidden), Bytes{2});
#endif
}

TEST_F(PresetFiles, PresetFilesOverAMebibyteAreRefused) {
    Customise();
    Bytes big = host_chunk(*plugin); // what follows the block is ignored by a reader
    big.resize((size_t{1} << 20) + 1);
    test::write_bytes(home.Presets() / "init.brelwickp", big);
    EXPECT_EQ(Make()->ScaleMap().Choice().ScaleName, "") << "the init preset is refused too";
    test::write_bytes(home.Presets() / "Big.brelwickp", big);
    Load(home.Presets() / "Big.brelwickp");
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].rfind("Load Preset: Error loading preset from file.", 0), 0u);
    EXPECT_EQ(plugin->PresetName(), "");
    big.pop_back();
    test::write_bytes(home.Presets() / "Big.brelwickp", big);
    Load(home.Presets() / "Big.brelwickp");
    EXPECT_EQ(plugin->PresetName(), "Big");
    EXPECT_EQ(user.boxes.size(), 1u);
}

// Cancelling the load dialog keeps the name while its file exists; a blank name writes nothing.
TEST_F(PresetFiles, ACancelAfterTheFileWentAndABlankNameClearTheName) {
    Save("Gone");
    Load(std::nullopt);
    EXPECT_EQ(plugin->PresetName(), "Gone");
    fs::remove(home.Presets() / "Gone.brelwickp");
    Load(std::nullopt);
    EXPECT_EQ(plugin->PresetName(), "");

    Save("Named");
    Save("   ");
    EXPECT_EQ(plugin->PresetName(), "");
    EXPECT_EQ(Listed(), (std::vector<std::string>{"Named"}));
    Save(std::nullopt);
    EXPECT_EQ(Listed().size(), 1u);
}

TEST_F(PresetFiles, AFailedSaveSaysWhyWritesNothingAndKeepsTheOldName) {
    Save("Kept");
    fs::create_directories(home.Presets() / "Folder.brelwickp"); // a folder in the file's place
    Save("Folder");
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_NE(user.boxes[0].find("Error saving preset to file."), std::string::npos);
    EXPECT_TRUE(fs::is_directory(home.Presets() / "Folder.brelwickp"));
    EXPECT_EQ(plugin->PresetName(), "Kept");

    Save(" Con.mid ");
    EXPECT_EQ(user.boxes.back(), "Save Preset: Error saving preset to file.\r\n\r\n\"Invalid "
                                 "preset name: \"Con.mid\" is a device name on Windows\"");
    EXPECT_TRUE(user.questions.empty()) << "a device is no preset to overwrite";
    EXPECT_EQ(plugin->PresetName(), "Kept");
    EXPECT_EQ(Listed(), (std::vector<std::string>{"Kept"}));
}

TEST_F(PresetFiles, FailedLoadsLeaveStateAndNameAsTheyWere) {
    Customise();
    Save("Kept");
    const Bytes before = host_chunk(*plugin);
    test::write_bytes(home.Presets() / "Wrong.brelwickp", {'x', 'm', 's', 't', 0, 0, 0, 0});
    Load(home.Presets() / "Wrong.brelwickp");
    EXPECT_EQ(user.boxes.back().rfind("Load Preset: Error loading preset from file.", 0), 0u);

    Bytes badBody = before;
    badBody[11] = '9'; // "TPF9"
    test::write_bytes(home.Presets() / "Bad.brelwickp", badBody);
    Load(home.Presets() / "Bad.brelwickp");
    EXPECT_EQ(user.boxes.back(),
              "Load Preset: Error loading preset.\r\n\r\n\"Invalid stream format\"");
    Load(home.Presets() / "Missing.brelwickp");
    EXPECT_EQ(user.boxes.size(), 3u);
    EXPECT_EQ(host_chunk(*plugin), before);
    EXPECT_EQ(plugin->PresetName(), "Kept");
}

TEST_F(PresetFiles, TheInitPresetStartsEveryInstanceAndInit) {
    Customise();
    Save("init");
    auto fresh = Make();
    EXPECT_EQ(fresh->ScaleMap().Choice().ScaleName, "Lydian");
    EXPECT_EQ(fresh->PresetName(), "");

    fresh->ScaleMap().ClearMap();
    fresh->SetPresetName("Something");
    core::PresetCommands freshCommands(fresh->plugin_core(), user);
    freshCommands.Init();
    EXPECT_EQ(fresh->ScaleMap().GetScaleMap(1), 3);
    EXPECT_EQ(fresh->PresetName(), "");

    fs::remove(home.Presets() / "init.brelwickp");
    freshCommands.Init();
    EXPECT_EQ(fresh->ScaleMap().GetScaleMap(1), -1) << "no init preset: the default state";
    EXPECT_EQ(fresh->ScaleMap().Choice().ScaleName, "");
}

#if !defined(_WIN32)
TEST_F(PresetFiles, ALinkSpelledOtherwiseIsRemovedAndTheFileKept) {
    Save("Bright");
    fs::create_symlink("Bright.brelwickp", home.Presets() / "BRIGHT.brelwickp");
    Customise();
    user.answers.push_back(DialogAnswer::Yes);
    Save("Bright");
    EXPECT_EQ(Listed(), (std::vector<std::string>{"Bright"}));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(home.Presets() / "Bright.brelwickp")));
    EXPECT_EQ(test::read_bytes(home.Presets() / "Bright.brelwickp"), host_chunk(*plugin));
}

TEST_F(PresetFiles, SettingsLiveInTheUsersSettingsFile) {
    EXPECT_TRUE(fs::exists(home.SettingsFile())) << "creating an instance makes the key";
    plugin->SetSkin(1);
    auto next = Make();
    EXPECT_EQ(next->Style, 1);
    EXPECT_EQ(next->LowestOctave, -2);
    std::ofstream(home.SettingsFile()) << "[Config]\nStyle=4\nLowestOctave=abc\n";
    auto third = Make();
    EXPECT_EQ(third->Style, 4);
    EXPECT_EQ(third->LowestOctave, -2);
}

#endif

} // namespace
} // namespace tonvo
