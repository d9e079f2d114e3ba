// A stand-in for the backend's editor windows in editor_tests, which link no backend: no editor
// window can be made, and the standalone desktop is whatever the test sets.
#pragma once

#include "ui/desktop.h"

namespace tonvo::test {

// What ui::standalone_desktop() answers from now on, on any thread; null: none.
void SetStandaloneDesktop(ui::Desktop* desktop);

} // namespace tonvo::test
