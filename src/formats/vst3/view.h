// The VST 3 editor view (IPlugView): the core's editor embedded in the host's window, at its
// one size. On Linux (X11EmbedWindowID) it runs on a timer of the host's run loop, which the
// host's frame offers (IRunLoop), as VST 3 gives a plug-in no idle call; on Windows (HWND), where
// VST 3 hosts offer no run loop, on a timer of the thread's message loop. The view holds a
// reference to its instance while it lives. Thread contract: the host's main (UI) thread for
// everything.
#pragma once

#include "core/hosted_editor.h"
#include "formats/vst3/vst3_abi.h"

#include <atomic>
#include <memory>

#if defined(_WIN32)
#include "platform/ui_timer.h"
#endif

namespace tonvo::vst3 {

class Instance;

class View final {
public:
    // With one reference, the caller's.
    View(Instance& instance, core::EditorLife::FormFactory form_factory);
    ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    IPlugView* plug_view() noexcept { return reinterpret_cast<IPlugView*>(&view_); }

    tresult query(const char* iid, void** obj) noexcept;
    uint32_t add_ref() noexcept;
    uint32_t release() noexcept;

    static bool supports(FIDString type) noexcept;
    tresult attached(void* parent, FIDString type);
    tresult removed() noexcept;
    tresult size(ViewRect& rect) const noexcept;
    tresult set_frame(IPlugFrame* frame) noexcept;
    void on_timer() noexcept;

    struct Face {
        const void* lpVtbl;
        View* owner;
    };

private:
    // The host's timer runs while an editor is open and the frame offers a run loop; the view
    // keeps it registered on the loop it holds now, also when the frame changes or goes first.
    void start_timer() noexcept;
    void stop_timer() noexcept;

    Face view_;
    Face timer_;
    std::atomic<uint32_t> references_{1};
    Instance& instance_;
    core::EditorLife::FormFactory form_factory_;
    std::unique_ptr<core::HostedEditor> editor_;
    IPlugFrame* frame_ = nullptr;
    IRunLoop* run_loop_ = nullptr;
    bool timer_registered_ = false;
#if defined(_WIN32)
    std::unique_ptr<platform::UiTimer> system_timer_;
#endif
};

} // namespace tonvo::vst3
