// The visual styles: named palettes every control draws with. The editor shows one of five
// (its Skin menu); "Windows" stands for no custom style at all, the look a control has when
// no style could be activated.
//
// Only a few colours are fixed from outside (the keyboard's per-style colours live with the
// keyboard); the rest is our own look for each style, chosen so text keeps its contrast.
#pragma once

#include "ui/color.h"

#include <span>
#include <string_view>

namespace tonvo::ui {

struct Style {
    std::string_view name;
    bool custom; // false only for the system look

    // Windows, dialogs and plain text.
    Color window;
    Color window_text;
    Color border;
    // Panels: the plain panel colour, the colour of a grouped (category) panel, and the base
    // colour of the style's hint gradient, which panels use as their border.
    Color panel;
    Color panel_group;
    Color hint_base;
    // Buttons.
    Color button_face;
    Color button_face_hot;
    Color button_face_pressed;
    Color button_border;
    Color button_text;
    Color button_text_pressed;
    Color button_text_disabled;
    // Edit fields and selections.
    Color edit_face;
    Color edit_text;
    Color edit_border;
    Color edit_border_focused;
    Color selection;
    Color selection_text;
    // Menus.
    Color menu_face;
    Color menu_border;
    Color menu_text;
    Color menu_text_disabled;
    Color menu_highlight;
    Color menu_highlight_text;
    Color menu_separator;
};

// The system look and the five custom styles, in the order of the Skin menu.
const Style& system_style();
std::span<const Style> custom_styles();
// The custom style of that exact name, or null.
const Style* find_style(std::string_view name);

// The style every window of the loaded library takes when it is built: one for the whole
// process, as the editor's skin is. The system look until another is made active.
// User-interface thread only.
const Style& active_style();
void set_active_style(const Style& style);

} // namespace tonvo::ui
