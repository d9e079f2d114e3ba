#include "formats/vst3/view.h"

#include "formats/vst3/instance.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace tonvo::vst3 {

// The view's routines, named apart from the instance's (the builds may join the two files).
namespace view_calls {
namespace {

// The editor's fixed size, told before its form exists.
constexpr int32_t kEditorWidth = 662;
constexpr int32_t kEditorHeight = 256;
// How often the host's run loop pumps the editor.
constexpr TimerInterval kEditorTimerMs = 30;

#if defined(_WIN32)
constexpr const char* kPlatformType = kPlatformTypeHWND;
#else
constexpr const char* kPlatformType = kPlatformTypeX11EmbedWindowID;
#endif

View& of(void* self) noexcept {
    return *static_cast<View::Face*>(self)->owner;
}

tresult VST3_API query_interface(void* self, const TUID iid, void** obj) {
    return of(self).query(iid, obj);
}
uint32_t VST3_API add_ref(void* self) {
    return of(self).add_ref();
}
uint32_t VST3_API release(void* self) {
    return of(self).release();
}

tresult VST3_API is_platform_type_supported(void*, FIDString type) {
    return View::supports(type) ? kResultOk : kResultFalse;
}
tresult VST3_API attached(void* self, void* parent, FIDString type) {
    try {
        return of(self).attached(parent, type);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "Tonvo: attached: %s\n", failure.what());
    } catch (...) {
        std::fprintf(stderr, "Tonvo: attached failed\n");
    }
    of(self).removed();
    return kResultFalse;
}
tresult VST3_API removed(void* self) {
    return of(self).removed();
}
tresult VST3_API on_wheel(void*, float) {
    return kResultFalse;
}
tresult VST3_API on_key(void*, char16, int16_t, int16_t) {
    return kResultFalse; // keys reach the editor's own window
}
tresult VST3_API get_size(void* self, ViewRect* rect) {
    return rect != nullptr ? of(self).size(*rect) : kInvalidArgument;
}
// The editor has one size: any other is refused, its own accepted.
tresult VST3_API on_size(void* self, ViewRect* rect) {
    ViewRect own{};
    if (rect == nullptr || of(self).size(own) != kResultOk) {
        return kInvalidArgument;
    }
    return rect->right - rect->left == own.right && rect->bottom - rect->top == own.bottom
               ? kResultOk
               : kResultFalse;
}
tresult VST3_API on_focus(void*, TBool) {
    return kResultOk;
}
tresult VST3_API set_frame(void* self, IPlugFrame* frame) {
    return of(self).set_frame(frame);
}
tresult VST3_API can_resize(void*) {
    return kResultFalse;
}
tresult VST3_API check_size_constraint(void* self, ViewRect* rect) {
    ViewRect own{};
    if (rect == nullptr || of(self).size(own) != kResultOk) {
        return kInvalidArgument;
    }
    rect->right = rect->left + own.right;
    rect->bottom = rect->top + own.bottom;
    return kResultOk;
}

constexpr IPlugViewVtbl kView{&query_interface,
                              &add_ref,
                              &release,
                              &is_platform_type_supported,
                              &attached,
                              &removed,
                              &on_wheel,
                              &on_key,
                              &on_key,
                              &get_size,
                              &on_size,
                              &on_focus,
                              &set_frame,
                              &can_resize,
                              &check_size_constraint};

void VST3_API on_timer(void* self) {
    of(self).on_timer();
}
constexpr ITimerHandlerVtbl kTimer{&query_interface, &add_ref, &release, &on_timer};

} // namespace
} // namespace view_calls

using view_calls::kEditorHeight;
using view_calls::kEditorTimerMs;
using view_calls::kEditorWidth;
using view_calls::kPlatformType;

View::View(Instance& instance, core::EditorLife::FormFactory form_factory)
    : view_{&view_calls::kView, this}, timer_{&view_calls::kTimer, this}, instance_(instance),
      form_factory_(std::move(form_factory)) {
    instance_.add_ref();
}

View::~View() {
    removed();
    set_frame(nullptr);
    instance_.release();
}

tresult View::query(const char* iid, void** obj) noexcept {
    if (obj == nullptr) {
        return kInvalidArgument;
    }
    if (same_uid(iid, FUnknown_iid) || same_uid(iid, IPlugView_iid)) {
        *obj = &view_;
    } else if (same_uid(iid, ITimerHandler_iid)) {
        *obj = &timer_;
    } else {
        *obj = nullptr;
        return kNoInterface;
    }
    add_ref();
    return kResultOk;
}

uint32_t View::add_ref() noexcept {
    return references_.fetch_add(1) + 1;
}

uint32_t View::release() noexcept {
    const uint32_t left = references_.fetch_sub(1) - 1;
    if (left == 0) {
        delete this;
    }
    return left;
}

bool View::supports(FIDString type) noexcept {
    return type != nullptr && std::strcmp(type, kPlatformType) == 0;
}

tresult View::attached(void* parent, FIDString type) {
    if (!supports(type) || parent == nullptr || editor_) {
        return kResultFalse;
    }
    editor_ = std::make_unique<core::HostedEditor>(instance_.plugin(), form_factory_);
    editor_->open(parent);
    if (editor_->native_window() == 0) {
        editor_.reset();
        return kResultFalse;
    }
#if defined(_WIN32)
    system_timer_ = std::make_unique<platform::UiTimer>([this] { on_timer(); },
                                                        static_cast<unsigned>(kEditorTimerMs));
#endif
    start_timer();
    return kResultOk;
}

void View::start_timer() noexcept {
    if (editor_ && run_loop_ != nullptr && !timer_registered_) {
        timer_registered_ =
            run_loop_->lpVtbl->registerTimer(run_loop_, reinterpret_cast<ITimerHandler*>(&timer_),
                                             kEditorTimerMs) == kResultOk;
        if (!timer_registered_) {
            std::fprintf(stderr, "Tonvo: the host's run loop gives the editor no timer\n");
        }
    }
}

void View::stop_timer() noexcept {
    if (timer_registered_) {
        run_loop_->lpVtbl->unregisterTimer(run_loop_, reinterpret_cast<ITimerHandler*>(&timer_));
        timer_registered_ = false;
    }
}

tresult View::removed() noexcept {
    if (!editor_) {
        return kResultFalse;
    }
    stop_timer();
#if defined(_WIN32)
    system_timer_.reset();
#endif
    editor_.reset();
    return kResultOk;
}

tresult View::size(ViewRect& rect) const noexcept {
    rect = {0, 0, editor_ ? editor_->width() : kEditorWidth,
            editor_ ? editor_->height() : kEditorHeight};
    return kResultOk;
}

// The frame is the host's: not counted, as it outlives the view. Its run loop is counted while
// the view keeps it. Hosts may drop the frame before removing the view: the timer leaves the
// old loop first, so no loop keeps a handler of a view about to go, and an open editor's timer
// moves to the new frame's loop.
tresult View::set_frame(IPlugFrame* frame) noexcept {
    stop_timer();
    if (run_loop_ != nullptr) {
        run_loop_->lpVtbl->release(run_loop_);
        run_loop_ = nullptr;
    }
    frame_ = frame;
    void* loop = nullptr;
    if (frame_ != nullptr &&
        frame_->lpVtbl->queryInterface(frame_, IRunLoop_iid.bytes, &loop) == kResultOk) {
        run_loop_ = static_cast<IRunLoop*>(loop);
    }
    start_timer();
    return kResultOk;
}

void View::on_timer() noexcept {
    if (!editor_) {
        return;
    }
    try {
        editor_->idle(instance_.take_editor_update());
    } catch (...) {
        std::fprintf(stderr, "Tonvo: editor idle failed\n");
    }
}

} // namespace tonvo::vst3
