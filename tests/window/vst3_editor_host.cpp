#include "window/vst3_editor_host.h"

namespace tonvo::test {

std::unique_ptr<EditorHost> make_editor_host() {
    return std::make_unique<Vst3EditorHost>();
}

Vst3EditorHost::Vst3EditorHost() {
    if (!host_.start()) {
        error_ = "Tonvo.vst3 made no instance";
    }
}

Vst3EditorHost::~Vst3EditorHost() {
    close_editor();
    if (frame_.references != 1 || !frame_.timers.empty()) {
        ADD_FAILURE() << "the view kept the host's frame or a timer";
    }
}

// As a host does: a view from the controller, given the frame, attached to the host's window
// (an X11 window id, or an HWND).
bool Vst3EditorHost::open_editor(void* parent) {
    close_editor();
    IEditController* controller = host_.controller();
    view_ = controller->lpVtbl->createView(controller, "editor");
    if (view_ == nullptr) {
        return false;
    }
#if defined(_WIN32)
    const char* type = kPlatformTypeHWND;
#else
    const char* type = kPlatformTypeX11EmbedWindowID;
#endif
    if (view_->lpVtbl->isPlatformTypeSupported(view_, type) != kResultOk) {
        return false;
    }
    view_->lpVtbl->setFrame(view_, reinterpret_cast<IPlugFrame*>(&frame_));
    return view_->lpVtbl->attached(view_, parent, type) == kResultOk;
}

void Vst3EditorHost::close_editor() {
    if (view_ != nullptr) {
        if (frame_goes_first_) {
            view_->lpVtbl->setFrame(view_, nullptr);
            view_->lpVtbl->removed(view_);
        } else {
            view_->lpVtbl->removed(view_);
            view_->lpVtbl->setFrame(view_, nullptr);
        }
        frame_goes_first_ = !frame_goes_first_;
        EXPECT_TRUE(frame_.timers.empty()) << "the closed view left a timer in the host's loop";
        EXPECT_EQ(view_->lpVtbl->release(view_), 0u) << "the host held the view's last reference";
        view_ = nullptr;
    }
}

std::optional<ui::Point> Vst3EditorHost::editor_size() {
    ViewRect rect{};
    if (view_ == nullptr || view_->lpVtbl->getSize(view_, &rect) != kResultOk) {
        return std::nullopt;
    }
    return ui::Point{rect.right - rect.left, rect.bottom - rect.top};
}

} // namespace tonvo::test
