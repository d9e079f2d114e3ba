// The centred message box: our own drawn box with an icon for its kind, the text (lines split
// at CR, LF or CR LF, long lines wrapped), and OK alone or Yes and No. Enter presses the
// default button (OK or Yes); Escape answers No, or OK when OK is the only button.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/desktop.h"
#include "ui/form.h"

#include <string>

namespace tonvo::editor {

enum class MessageKind { warning, information, confirmation };
enum class MessageButtons { ok, yes_no };

// The title a box with an empty caption gets.
inline constexpr std::string_view kApplicationTitle = "Tonvo";

// Shows the box centred over `owner` (over the screen when there is none) and returns how it
// was answered: ok, yes or no; cancel when it was closed some other way.
ui::ModalResult CenteredMessageBox(ui::Desktop& desktop, ui::Form* owner, const std::string& text,
                                   const std::string& caption, MessageKind kind,
                                   MessageButtons buttons);

} // namespace tonvo::editor
