#include "editor/standalone_desktop_stub.h"

#include "ui/editor_window.h"

#include <atomic>

namespace tonvo {
namespace {

std::atomic<ui::Desktop*> standalone{nullptr};

} // namespace

void test::SetStandaloneDesktop(ui::Desktop* desktop) {
    standalone.store(desktop);
}

bool ui::editor_windows_available() {
    return false;
}

std::unique_ptr<ui::EditorWindow> ui::open_editor_window(void* /*parent*/) {
    return nullptr;
}

ui::Desktop* ui::standalone_desktop() {
    return standalone.load();
}

} // namespace tonvo
