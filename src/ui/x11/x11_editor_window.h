// The X11 backend's editor window, over XCB only. The parent pointer of effEditOpen is the
// host's X window id cast to a pointer.
//
// Every request goes out inside the host's calls on the thread that opened the window: one
// connection per editor, opened with the window and closed after it; the host's idle call
// polls the connection without blocking, delivers the mouse to the form, runs its timers and
// sends the areas it repainted. There is no thread of ours and no process-wide state: X errors
// arrive as events and are dropped (they come when the host's window has vanished). When the
// connection breaks, the window just stops.
//
// The window is a child of the host's window at (0, 0) carrying _XEMBED_INFO (mapped), mapped
// at once, and never asks for the keyboard focus (keys reach only its dialogs and, while one
// is open, its popup menu). After each pointer motion it shows the cursor the form asks for.
//
// Thread contract: the thread that opened the window; calls from any other thread are ignored.
#pragma once

#include "ui/editor_window.h"
