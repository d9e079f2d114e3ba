#include "ui/headless/headless_editor_window.h"

#include <atomic>
#include <thread>

namespace tonvo::ui {

namespace {

// Set by a test on its thread and read by dialogs asked for on others.
std::atomic<Desktop*> standalone{nullptr};

class HeadlessEditorWindow final : public EditorWindow {
public:
    explicit HeadlessEditorWindow(HeadlessParent& parent)
        : parent_(parent), thread_(std::this_thread::get_id()) {
        ++parent_.opened;
    }
    ~HeadlessEditorWindow() override { forget(); }

    Desktop& desktop() override { return parent_.desktop; }

    void show(Form& form) override {
        form_ = &form;
        parent_.editor = &form;
        ++parent_.shown;
        form.set_position(0, 0);
        form.invalidate();
        form.paint_invalid();
    }

    void forget() override {
        if (form_ != nullptr && parent_.editor == form_) {
            parent_.editor = nullptr;
        }
        form_ = nullptr;
    }

    void idle() override {
        if (form_ == nullptr || std::this_thread::get_id() != thread_) {
            return;
        }
        ++parent_.idles;
        form_->idle();
        form_->paint_invalid();
    }

private:
    HeadlessParent& parent_;
    std::thread::id thread_;
    Form* form_ = nullptr;
};

} // namespace

bool editor_windows_available() {
    return true;
}

std::unique_ptr<EditorWindow> open_editor_window(void* parent) {
    auto* headless = static_cast<HeadlessParent*>(parent);
    if (headless == nullptr || headless->refuse) {
        return nullptr;
    }
    return std::make_unique<HeadlessEditorWindow>(*headless);
}

bool postpone_while_windows_busy(std::function<void()>&) {
    return false;
}

Desktop* standalone_desktop() {
    return standalone.load();
}

void set_standalone_desktop(Desktop* desktop) {
    standalone.store(desktop);
}

} // namespace tonvo::ui
