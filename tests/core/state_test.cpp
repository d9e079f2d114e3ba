// The plug-in's state through core::Plugin alone, with no format classes: the bytes a host
// stores, round trips, damaged blocks that must change nothing, the preset-name rules and the
// init preset.
#include "core/plugin.h"
#include "support/default_state.h"
#include "support/fake_services.h"
#include "support/recording_link.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tonvo::core {
namespace {

using Bytes = std::vector<uint8_t>;

using test::kDefaultBody;

class NameWatcher : public EditorHooks {
public:
    void UpdatePresetName() override {
        ++shown;
        if (fail) {
            throw std::runtime_error("form gone");
        }
    }
    DialogSize GetPresetDialogSize() const override { return {}; }
    bool HighlightNoteOn(int) override { return false; }
    bool HighlightNoteOff(int) override { return false; }
    int shown = 0;
    bool fail = false;
};

class CoreState : public testing::Test {
protected:
    CoreState() {
        for (Plugin* p : {&plugin, &other}) {
            p->set_version("1.00");
            p->folders().Form(services.Documents, "Tonvo");
            p->parameter_values().Add(0.5f, "nmap");
        }
    }
    // A state that differs from the default in every field.
    static void customise(Plugin& p) {
        for (int32_t i = 0; i < TScaleMap::kEntries; ++i) {
            p.scale_map().SetScaleMap(i, (i * 5) % 12);
        }
        p.scale_map().SetChoice({"Dorian", 2, false});
        p.set_preset_name("Bright");
        p.cc_routing().SetAssignments({{7, "nmap"}}, p.parameter_values());
    }

    test::FakeServices services;
    test::RecordingLink link;
    Plugin plugin{link, services};
    Plugin other{link, services};
};

TEST_F(CoreState, BytesAreThePublishedBodyAndSurviveARoundTripAndANameNeedsItsFile) {
    EXPECT_EQ(plugin.state_bytes(), kDefaultBody);

    customise(plugin);
    const Bytes bytes = plugin.state_bytes();
    other.parameter_values().Item(0).CurrentValue.store(0.9f);
    other.set_state_bytes(bytes, false);
    EXPECT_EQ(other.current_state(), plugin.current_state());
    EXPECT_EQ(other.state_bytes(), bytes);
    EXPECT_EQ(other.parameter_values().Item(0).CurrentValue.load(), 0.5f);
    EXPECT_GT(link.resets, 0);

    other.reset_state();
    EXPECT_EQ(other.state_bytes(), kDefaultBody);

    // A restored preset name needs its file.
    other.set_state_bytes(bytes, true);
    EXPECT_EQ(other.preset_name(), "");
    services.Files[services.PresetPath("Bright")] = test::in_container(bytes);
    other.set_state_bytes(bytes, true);
    EXPECT_EQ(other.preset_name(), "Bright");
}

// Every cut of a valid body and a wrong signature fail and leave every field, the parameter
// values included, as they were; the host hears of no reset.
TEST_F(CoreState, ABadBlockChangesNothing) {
    customise(other);
    other.parameter_values().Item(0).CurrentValue.store(0.9f);
    const PluginState before = other.current_state();
    const Bytes body = [&] {
        customise(plugin);
        plugin.scale_map().SetChoice({"Lydian", 5, true});
        return plugin.state_bytes();
    }();
    const int resets = link.resets;
    // The shortest valid body ends right after the CC section's list start and end.
    for (size_t length = 0; length + 2 < body.size(); ++length) {
        const Bytes cut(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_ANY_THROW(other.set_state_bytes(cut, false)) << length;
        ASSERT_EQ(other.current_state(), before) << length;
    }
    Bytes wrong = body;
    wrong[0] = 'X';
    EXPECT_ANY_THROW(other.set_state_bytes(wrong, false));
    EXPECT_EQ(other.current_state(), before);
    EXPECT_EQ(other.parameter_values().Item(0).CurrentValue.load(), 0.9f);
    EXPECT_EQ(link.resets, resets);
}

// On the editor's thread the editor shows a new name at once (a failing editor is reported,
// the name still set); from another thread it is left alone and the next idle call shows it.
TEST_F(CoreState, PresetNameReachesTheEditorOnItsOwnThread) {
    NameWatcher editor;
    plugin.attach_editor(&editor);
    EXPECT_TRUE(plugin.take_pending_preset_name()) << "a name set while the form was shown";
    plugin.set_preset_name("Here");
    EXPECT_EQ(editor.shown, 1);
    EXPECT_FALSE(plugin.take_pending_preset_name());

    std::thread([&] { plugin.set_preset_name("There"); }).join();
    EXPECT_EQ(editor.shown, 1);
    EXPECT_EQ(plugin.preset_name(), "There");
    EXPECT_TRUE(plugin.take_pending_preset_name());

    editor.fail = true;
    plugin.set_preset_name("Failing");
    EXPECT_EQ(plugin.preset_name(), "Failing");
    ASSERT_EQ(link.failures.size(), 1u);
    EXPECT_EQ(link.failures[0], "UpdatePresetName: form gone");

    plugin.detach_editor();
    plugin.set_preset_name("Closed");
    EXPECT_EQ(editor.shown, 2);
    EXPECT_FALSE(plugin.take_pending_preset_name());
}

TEST_F(CoreState, InitPresetOrTheDefaultState) {
    customise(plugin);
    const Bytes bytes = plugin.state_bytes();

    customise(other);
    other.load_init_preset(); // no init file
    EXPECT_EQ(other.state_bytes(), kDefaultBody);

    services.Files[services.PresetPath("init")] = test::in_container(bytes);
    const int changes = link.changes;
    other.load_init_preset();
    PluginState expected = plugin.current_state();
    expected.PresetName.clear();
    EXPECT_EQ(other.current_state(), expected);
    EXPECT_EQ(link.changes, changes + 1);

    // A body that cannot be read leaves the default state; the failure goes to its handler.
    Bytes bad = bytes;
    bad[0] = 'X';
    services.Files[services.PresetPath("init")] = test::in_container(bad);
    std::string reported;
    other.load_init_preset({}, [&](const std::exception& failure) { reported = failure.what(); });
    EXPECT_EQ(other.state_bytes(), kDefaultBody);
    EXPECT_EQ(reported, "Invalid stream format");
    EXPECT_ANY_THROW(other.load_init_preset());

    // An init file that cannot be read at all leaves the state alone.
    customise(other);
    const PluginState before = other.current_state();
    services.UnreadableFiles = true;
    EXPECT_ANY_THROW(other.load_init_preset());
    EXPECT_EQ(other.current_state(), before);
}

} // namespace
} // namespace tonvo::core
