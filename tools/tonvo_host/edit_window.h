// The window tonvo-host's edit command gives a plug-in's editor: a top-level window of the
// tool's own, as a host makes for an effEditOpen. One implementation per window system is
// linked: edit_window_x11.cpp on Linux, edit_window_win32.cpp on Windows.
//
// Everything happens on the thread that made the window.
#pragma once

#include "ui/bitmap.h"

#include <memory>
#include <string>

namespace tonvo::tools {

class EditWindow {
public:
    virtual ~EditWindow() = default;

    // What effEditOpen takes as its parent: the native window handle as a pointer.
    virtual void* Handle() const = 0;
    // A new fixed size (the user cannot resize the window).
    virtual void Resize(int width, int height) = 0;
    // Shows the window once the editor is in it.
    virtual void Show() = 0;
    // Handles whatever arrived without waiting; true once the user closed the window (or it
    // was destroyed, or the connection to the window system is gone).
    virtual bool Pump() = 0;
    // True when the window system went away under the window: then Pump() reports it closed,
    // but the session ended in a failure.
    virtual bool Lost() const = 0;
    // What the window shows, editor included, as an opaque bitmap. Fails with EHostError when
    // it cannot be read.
    virtual ui::Bitmap ReadBack() = 0;
};

// A window of that client size and title, not yet shown. Fails with EHostError (one line)
// when the window system cannot be reached.
std::unique_ptr<EditWindow> make_edit_window(int width, int height, const std::string& title);

} // namespace tonvo::tools
