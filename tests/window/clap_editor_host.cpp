#include "window/clap_editor_host.h"

namespace tonvo::test {

std::unique_ptr<EditorHost> make_editor_host() {
    return std::make_unique<ClapEditorHost>();
}

ClapEditorHost::ClapEditorHost() {
    if (!host_.start() || gui() == nullptr) {
        error_ = "Tonvo.clap made no instance with an editor";
    }
}

ClapEditorHost::~ClapEditorHost() {
    close_editor();
}

// The host's window as the system's API gives it: an X11 window id, or an HWND.
bool ClapEditorHost::open_editor(void* parent) {
    close_editor();
    const clap_plugin* plugin = host_.plugin();
    clap_window window{};
#if defined(_WIN32)
    window.api = CLAP_WINDOW_API_WIN32;
    window.win32 = parent;
#else
    window.api = CLAP_WINDOW_API_X11;
    window.x11 = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent));
#endif
    created_ = gui()->create(plugin, window.api, false);
    return created_ && gui()->set_parent(plugin, &window) && gui()->show(plugin);
}

void ClapEditorHost::close_editor() {
    if (created_) {
        gui()->destroy(host_.plugin());
        created_ = false;
    }
}

std::optional<ui::Point> ClapEditorHost::editor_size() {
    uint32_t width = 0;
    uint32_t height = 0;
    if (!created_ || !gui()->get_size(host_.plugin(), &width, &height)) {
        return std::nullopt;
    }
    return ui::Point{static_cast<int>(width), static_cast<int>(height)};
}

} // namespace tonvo::test
