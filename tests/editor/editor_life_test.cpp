// The editor's life from opening to close, above all a close, a re-opening and the instance's
// close arriving inside one of the editor's own dialogs. The windows here are headless ones
// that report a loop while their desktop serves a modal dialog, as the Win32 backend's do, and
// postpone work until the test says the outermost call of ours has returned.
#include "core/editor_life.h"
#include "core/hosted_editor.h"
#include "editor/module_editor_fixture.h"
#include "support/fake_editor_module.h"
#include "support/recording_link.h"
#include "ui/headless/headless_desktop.h"
#include "ui/headless/headless_editor_window.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonvo::core {
namespace {

// A host's window: what the editor's windows did in it. Outlives them.
struct FakeParent {
    ui::HeadlessDesktop& desktop;
    int opened = 0;
    int destroyed = 0;
    int hidden = 0;
    int idles = 0;
    // The form shown here now, and whether a window forgot a form it was still showing.
    ui::Form* shown = nullptr;
    bool destroyedWhileShowing = false;
};

class FakeWindow final : public ui::EditorWindow {
public:
    explicit FakeWindow(FakeParent& parent) : parent_(parent) { ++parent_.opened; }
    ~FakeWindow() override {
        ++parent_.destroyed;
        if (form_ != nullptr) {
            parent_.destroyedWhileShowing = true;
        }
    }
    ui::Desktop& desktop() override { return parent_.desktop; }
    void show(ui::Form& form) override {
        form_ = &form;
        parent_.shown = &form;
    }
    void forget() override {
        if (parent_.shown == form_) {
            parent_.shown = nullptr;
        }
        form_ = nullptr;
    }
    void idle() override { ++parent_.idles; }
    bool in_loop() const override { return parent_.desktop.modal() != nullptr; }
    void end_loops_and_hide() override {
        ++parent_.hidden;
        forget();
    }

private:
    FakeParent& parent_;
    ui::Form* form_ = nullptr;
};

// What the windows postponed, and the desktop whose dialog counts as our call under way.
std::vector<std::function<void()>> postponed;
ui::HeadlessDesktop* busyDesktop = nullptr;

std::unique_ptr<ui::EditorWindow> open_fake(void* parent) {
    return parent != nullptr ? std::make_unique<FakeWindow>(*static_cast<FakeParent*>(parent))
                             : nullptr;
}

bool postpone_fake(std::function<void()>& work) {
    if (busyDesktop == nullptr || busyDesktop->modal() == nullptr) {
        return false;
    }
    postponed.push_back(std::move(work));
    return true;
}

using tonvo::test::FormLog;
using tonvo::test::LoggingForm;

class EditorLifeTest : public ::testing::Test {
protected:
    EditorLifeTest() {
        ui::set_standalone_desktop(nullptr);
        busyDesktop = &desktop;
        postponed.clear();
    }
    ~EditorLifeTest() override {
        life.reset();
        RunPostponed();
        busyDesktop = nullptr;
    }

    std::unique_ptr<EditorLife> Make(bool withForms = true) {
        EditorLife::FormFactory factory;
        if (withForms) {
            factory = [this](ui::Desktop& on, EditorLink& owner) {
                return std::make_unique<LoggingForm>(on, owner, log);
            };
        }
        return std::make_unique<EditorLife>(std::move(factory), link, dialogs, DialogSize{64, 32},
                                            EditorWindowSystem{&open_fake, &postpone_fake});
    }
    // The outermost call of ours returned: what it postponed runs now.
    static void RunPostponed() {
        std::vector<std::function<void()>> work;
        work.swap(postponed);
        for (auto& step : work) {
            step();
        }
    }
    // A question over the open editor, whose loop runs `inside`; answers whether it was shown
    // on the editor's desktop.
    bool AskWhile(const std::function<void()>& inside) {
        bool ran = false;
        desktop.expect_modal([&](ui::Form&) {
            ran = true;
            inside();
        });
        dialogs.Ask("Question", "Go on?");
        return ran;
    }

    ui::HeadlessDesktop desktop;
    FakeParent parent{desktop};
    FakeParent other{desktop};
    tonvo::test::FakeEditorModule link;
    editor::EditorDialogs dialogs{[](bool) { return true; }};
    FormLog log;
    std::unique_ptr<EditorLife> life = Make();
};

TEST_F(EditorLifeTest, OpensWithTheDialogsOverItAndClosesAtOnceOutsideALoop) {
    EXPECT_EQ(life->width(), 64) << "the design size before a form exists";
    EXPECT_EQ(life->hooks(), nullptr);
    life->open(&parent);
    ASSERT_NE(life->form(), nullptr);
    EXPECT_EQ(parent.shown, life->form());
    EXPECT_EQ(life->hooks(), life->form()) << "the plug-in reaches the form itself";
    EXPECT_EQ(life->width(), 320);
    EXPECT_EQ(log.shows, 1);
    EXPECT_TRUE(AskWhile([] {})) << "dialogs go over the open editor";
    life->idle();
    EXPECT_EQ(parent.idles, 1);

    life.reset();
    EXPECT_EQ(log.destroyed, 1) << "outside a loop the form goes at once";
    EXPECT_EQ(parent.destroyed, 1);
    EXPECT_FALSE(parent.destroyedWhileShowing);
    EXPECT_TRUE(postponed.empty());
    EXPECT_FALSE(AskWhile([] {})) << "no editor: the box has no desktop to go to";
}

TEST_F(EditorLifeTest, AFailedOpeningLeavesNothingOpen) {
    EXPECT_THROW(life->open(nullptr), std::runtime_error) << "no window in that parent";
    EXPECT_EQ(life->form(), nullptr);
    auto bare = Make(false);
    EXPECT_THROW(bare->open(&parent), std::runtime_error) << "no form";
    EXPECT_EQ(parent.opened, 1);
    EXPECT_EQ(parent.destroyed, 1);
    EXPECT_EQ(bare->hooks(), nullptr);
    bare->idle();
    EXPECT_EQ(parent.idles, 0);
}

TEST_F(EditorLifeTest, ACloseInsideADialogHidesNowAndDestroysOnceTheDialogsCallReturned) {
    life->open(&parent);
    EXPECT_TRUE(AskWhile([&] {
        life.reset();
        EXPECT_EQ(parent.hidden, 1) << "the dialog ends and the window hides";
        EXPECT_EQ(log.destroyed, 0) << "the form is still inside the call that ran the dialog";
        EXPECT_EQ(parent.destroyed, 0);
        // The form's code going on after its dialog asks again: not over the hidden editor.
        dialogs.Ask("Again", "Go on?");
    }));
    EXPECT_EQ(desktop.shown(), std::vector<std::string>{"Question"});
    EXPECT_EQ(log.destroyed, 0);
    ASSERT_EQ(postponed.size(), 1u);
    RunPostponed();
    EXPECT_EQ(log.destroyed, 1);
    EXPECT_EQ(parent.destroyed, 1);
    EXPECT_FALSE(parent.destroyedWhileShowing) << "the window forgot the form first";
}

TEST_F(EditorLifeTest, AReopeningInsideADialogShowsANewEditorAndTheOldGoesAfterTheCall) {
    life->open(&parent);
    LoggingForm* first = nullptr;
    AskWhile([&] {
        first = static_cast<LoggingForm*>(life->form());
        // The host closes and opens again in the same window, then moves to another one.
        life.reset();
        life = Make();
        life->open(&parent);
        EXPECT_EQ(log.made, 2) << "a new form at once, beside the old one";
        EXPECT_EQ(parent.shown, life->form());
        life->open(&other);
        EXPECT_EQ(log.made, 3);
        EXPECT_EQ(other.shown, life->form());
        EXPECT_EQ(log.destroyed, 0);
    });
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(postponed.size(), 2u) << "both retired forms wait for the call to return";
    RunPostponed();
    EXPECT_EQ(log.destroyed, 2);
    EXPECT_EQ(parent.destroyed, 2);
    EXPECT_EQ(other.shown, life->form()) << "the newest editor stays shown";
    EXPECT_TRUE(AskWhile([] {})) << "and has the dialogs";
}

TEST_F(EditorLifeTest, TheInstancesCloseInsideADialogHidesAndLeavesTheRestToItsDestruction) {
    life->open(&parent);
    life->instance_closing();
    EXPECT_EQ(parent.hidden, 0) << "outside a loop nothing happens before the destruction";
    AskWhile([&] {
        life->instance_closing();
        EXPECT_EQ(parent.hidden, 1);
        EXPECT_EQ(parent.shown, nullptr);
    });
    EXPECT_EQ(log.destroyed, 0);
    EXPECT_TRUE(postponed.empty()) << "the module postpones its whole destruction instead";
    EXPECT_NE(life->hooks(), nullptr) << "the plug-in detaches the form before destroying it";
    life.reset();
    EXPECT_EQ(log.destroyed, 1);
    EXPECT_EQ(parent.destroyed, 1);
}

// A format's editor closed from inside the preset browser: the browser's call goes on in the
// editor's side (its preset commands and dialogs) once the loop has ended, so the side must
// outlive the close until then.
TEST_F(EditorLifeTest, AHostedEditorClosedInsideItsBrowserKeepsItsSideUntilTheCallReturned) {
    test::RecordingLink host;
    Plugin plugin(host);
    auto hosted = std::make_unique<HostedEditor>(
        plugin,
        [this](ui::Desktop& on, EditorLink& owner) {
            return std::make_unique<LoggingForm>(on, owner, log);
        },
        DialogSize{64, 32}, EditorWindowSystem{&open_fake, &postpone_fake});
    hosted->open(&parent);
    PresetCommands& commands = hosted->side().preset_commands();
    desktop.expect_modal([&](ui::Form&) { hosted.reset(); });
    EXPECT_FALSE(commands.LoadPreset()) << "the browser ends as Cancel";
    EXPECT_EQ(parent.hidden, 1);
    EXPECT_EQ(log.destroyed, 0);
    RunPostponed();
    EXPECT_EQ(log.destroyed, 1);
    EXPECT_EQ(parent.destroyed, 1);
}

} // namespace
} // namespace tonvo::core
