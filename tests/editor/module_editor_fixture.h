// The shipped module with its editor, driven the way a host drives it: through the effect
// record's dispatcher, with a HeadlessParent as the host's window. For the tests that stand a
// small form of our own in for the editor form, LoggingForm counts what the module asks of it.
#pragma once

#include "editor/editor_base.h"
#include "platform/temp_folder.h"
#include "plugin/tonvo_module.h"
#include "support/event_block.h"
#include "support/fake_host.h"
#include "support/fake_services.h"
#include "ui/headless/headless_editor_window.h"
#include "ui/style.h"
#include "ui/timer.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace tonvo::test {

// What the logging forms did; outlives them, so a call after a form died is still seen here.
struct FormLog {
    int made = 0;
    int destroyed = 0;
    int shows = 0;
    int ticks = 0;
    int updates = 0;
    int refreshes = 0;
    int nameUpdates = 0;
    std::string shownName;
    bool failNameUpdate = false;
    // Hook calls made on another thread than the test's.
    int foreignCalls = 0;
    std::atomic<int> highlights{0};
    std::atomic<int> highlightsAfterDeath{0};
    std::thread::id uiThread = std::this_thread::get_id();
};

// A 320 x 200 form whose 10 ms timer and hooks count into a FormLog.
class LoggingForm final : public editor::TfrmVSTEditorBase {
public:
    LoggingForm(ui::Desktop& desktop, EditorLink& module, FormLog& log)
        : TfrmVSTEditorBase(desktop, module, 320, 200), module_(module), log_(log),
          timer_(*this, ui::Millis{10}, [this] { ++log_.ticks; }) {
        ++log_.made;
        timer_.start();
    }
    ~LoggingForm() override {
        ++log_.destroyed;
        alive_.store(false);
    }

    void FormShow() override { Hook(log_.shows); }
    void UpdateControls() override { Hook(log_.updates); }
    void RefreshHighlights() override {
        // The refresh must come after the controls of the same idle call.
        EXPECT_GT(log_.updates, log_.refreshes);
        Hook(log_.refreshes);
    }
    void UpdatePresetName() override {
        if (log_.failNameUpdate) {
            throw std::runtime_error("no name field");
        }
        Hook(log_.nameUpdates);
        log_.shownName = module_.PresetName();
    }
    bool HighlightNoteOn(int) override {
        ++(alive_.load() ? log_.highlights : log_.highlightsAfterDeath);
        return true;
    }

private:
    void Hook(int& counter) {
        ++counter;
        if (std::this_thread::get_id() != log_.uiThread) {
            ++log_.foreignCalls;
        }
    }

    EditorLink& module_;
    FormLog& log_;
    ui::Timer timer_;
    std::atomic<bool> alive_{true};
};

// The host's side: its callback, services, window and desktop, and the module it drives (made
// by the case with Make). The active style is put back afterwards.
class ModuleEditorTest : public ::testing::Test {
protected:
    ~ModuleEditorTest() override {
        module.reset();
        ui::set_active_style(*savedStyle);
    }

    std::unique_ptr<TonvoModule> Make(TonvoModule::FormFactory factory) {
        auto made = TVSTModule::Create<TonvoModule>({}, std::move(factory), services);
        made->AttachHostCallback(&FakeHost::Callback);
        made->InstallProcessingRoutines();
        return made;
    }
    intptr_t Call(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
        AEffect* effect = module->Effect();
        return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
    }
    ERect Rect() {
        ERect* rect = nullptr;
        Call(effEditGetRect, 0, 0, &rect);
        return rect != nullptr ? *rect : ERect{};
    }
    // One idle call after the clock moved on by `idleStep`.
    void Idle() {
        desktop.manual_clock().advance(idleStep);
        Call(effEditIdle);
    }
    // A note-on (0x90, velocity 100) or note-off (0x80) from the host.
    void Incoming(int status, int note) {
        EventBlock block;
        block.Midi(status, note, status == 0x90 ? 100 : 0);
        Call(effProcessEvents, 0, 0, block.Get());
    }

    TempFolder documents;
    FakeHost host;
    FakeServices services;
    FormLog log;
    ui::HeadlessDesktop desktop;
    ui::HeadlessParent parent{desktop};
    std::unique_ptr<TonvoModule> module;
    const ui::Style* savedStyle = &ui::active_style();
    ui::Millis idleStep{10};
};

} // namespace tonvo::test
