#include "ui/style.h"

#include <array>

namespace tonvo::ui {
namespace {

constexpr Color rgb(uint8_t r, uint8_t g, uint8_t b) {
    return Color::rgb(r, g, b);
}

constexpr Style kSystem{
    .name = "Windows",
    .custom = false,
    .window = rgb(240, 240, 240),
    .window_text = rgb(0, 0, 0),
    .border = rgb(160, 160, 160),
    .panel = rgb(240, 240, 240),
    .panel_group = rgb(240, 240, 240),
    .hint_base = rgb(160, 160, 160),
    .button_face = rgb(225, 225, 225),
    .button_face_hot = rgb(229, 241, 251),
    .button_face_pressed = rgb(204, 228, 247),
    .button_border = rgb(173, 173, 173),
    .button_text = rgb(0, 0, 0),
    .button_text_pressed = rgb(0, 0, 0),
    .button_text_disabled = rgb(131, 131, 131),
    .edit_face = rgb(255, 255, 255),
    .edit_text = rgb(0, 0, 0),
    .edit_border = rgb(122, 122, 122),
    .edit_border_focused = rgb(0, 120, 215),
    .selection = rgb(0, 120, 215),
    .selection_text = rgb(255, 255, 255),
    .menu_face = rgb(242, 242, 242),
    .menu_border = rgb(204, 204, 204),
    .menu_text = rgb(0, 0, 0),
    .menu_text_disabled = rgb(109, 109, 109),
    .menu_highlight = rgb(145, 201, 247),
    .menu_highlight_text = rgb(0, 0, 0),
    .menu_separator = rgb(215, 215, 215),
};

constexpr std::array<Style, 5> kCustom{{
    // Carbon: graphite greys with a green accent.
    {
        .name = "Carbon",
        .custom = true,
        .window = rgb(38, 38, 38),
        .window_text = rgb(220, 220, 220),
        .border = rgb(20, 20, 20),
        .panel = rgb(52, 52, 52),
        .panel_group = rgb(64, 64, 64),
        .hint_base = rgb(88, 88, 88),
        .button_face = rgb(60, 60, 60),
        .button_face_hot = rgb(76, 76, 76),
        .button_face_pressed = rgb(114, 167, 41),
        .button_border = rgb(24, 24, 24),
        .button_text = rgb(225, 225, 225),
        .button_text_pressed = rgb(255, 255, 255),
        .button_text_disabled = rgb(120, 120, 120),
        .edit_face = rgb(28, 28, 28),
        .edit_text = rgb(230, 230, 230),
        .edit_border = rgb(20, 20, 20),
        .edit_border_focused = rgb(114, 167, 41),
        .selection = rgb(114, 167, 41),
        .selection_text = rgb(255, 255, 255),
        .menu_face = rgb(44, 44, 44),
        .menu_border = rgb(20, 20, 20),
        .menu_text = rgb(225, 225, 225),
        .menu_text_disabled = rgb(110, 110, 110),
        .menu_highlight = rgb(114, 167, 41),
        .menu_highlight_text = rgb(255, 255, 255),
        .menu_separator = rgb(70, 70, 70),
    },
    // Amakrits ("Dark"): near-black blue-greys with a teal accent.
    {
        .name = "Amakrits",
        .custom = true,
        .window = rgb(30, 32, 36),
        .window_text = rgb(214, 218, 222),
        .border = rgb(14, 15, 17),
        .panel = rgb(42, 45, 50),
        .panel_group = rgb(52, 56, 62),
        .hint_base = rgb(74, 80, 88),
        .button_face = rgb(50, 54, 60),
        .button_face_hot = rgb(64, 69, 76),
        .button_face_pressed = rgb(24, 156, 136),
        .button_border = rgb(16, 17, 19),
        .button_text = rgb(214, 218, 222),
        .button_text_pressed = rgb(255, 255, 255),
        .button_text_disabled = rgb(110, 114, 120),
        .edit_face = rgb(22, 24, 27),
        .edit_text = rgb(224, 228, 232),
        .edit_border = rgb(14, 15, 17),
        .edit_border_focused = rgb(24, 156, 136),
        .selection = rgb(24, 156, 136),
        .selection_text = rgb(255, 255, 255),
        .menu_face = rgb(36, 39, 43),
        .menu_border = rgb(14, 15, 17),
        .menu_text = rgb(214, 218, 222),
        .menu_text_disabled = rgb(100, 104, 110),
        .menu_highlight = rgb(24, 156, 136),
        .menu_highlight_text = rgb(255, 255, 255),
        .menu_separator = rgb(60, 64, 70),
    },
    // Light: pale greys with a soft blue accent.
    {
        .name = "Light",
        .custom = true,
        .window = rgb(236, 236, 236),
        .window_text = rgb(30, 30, 30),
        .border = rgb(130, 130, 130),
        .panel = rgb(246, 246, 246),
        .panel_group = rgb(228, 228, 228),
        .hint_base = rgb(200, 200, 200),
        .button_face = rgb(226, 226, 226),
        .button_face_hot = rgb(236, 242, 248),
        .button_face_pressed = rgb(162, 199, 228),
        .button_border = rgb(150, 150, 150),
        .button_text = rgb(30, 30, 30),
        .button_text_pressed = rgb(0, 0, 0),
        .button_text_disabled = rgb(150, 150, 150),
        .edit_face = rgb(255, 255, 255),
        .edit_text = rgb(20, 20, 20),
        .edit_border = rgb(150, 150, 150),
        .edit_border_focused = rgb(90, 150, 205),
        .selection = rgb(162, 199, 228),
        .selection_text = rgb(0, 0, 0),
        .menu_face = rgb(250, 250, 250),
        .menu_border = rgb(150, 150, 150),
        .menu_text = rgb(30, 30, 30),
        .menu_text_disabled = rgb(160, 160, 160),
        .menu_highlight = rgb(162, 199, 228),
        .menu_highlight_text = rgb(0, 0, 0),
        .menu_separator = rgb(215, 215, 215),
    },
    // Luna: blue-tinted silver with a warm orange accent.
    {
        .name = "Luna",
        .custom = true,
        .window = rgb(224, 229, 240),
        .window_text = rgb(0, 0, 0),
        .border = rgb(127, 157, 185),
        .panel = rgb(236, 240, 248),
        .panel_group = rgb(214, 223, 240),
        .hint_base = rgb(169, 191, 226),
        .button_face = rgb(233, 238, 248),
        .button_face_hot = rgb(255, 244, 220),
        .button_face_pressed = rgb(238, 169, 84),
        .button_border = rgb(0, 60, 116),
        .button_text = rgb(0, 0, 0),
        .button_text_pressed = rgb(0, 0, 0),
        .button_text_disabled = rgb(161, 161, 146),
        .edit_face = rgb(255, 255, 255),
        .edit_text = rgb(0, 0, 0),
        .edit_border = rgb(127, 157, 185),
        .edit_border_focused = rgb(238, 169, 84),
        .selection = rgb(49, 106, 197),
        .selection_text = rgb(255, 255, 255),
        .menu_face = rgb(252, 252, 249),
        .menu_border = rgb(138, 134, 122),
        .menu_text = rgb(0, 0, 0),
        .menu_text_disabled = rgb(172, 168, 153),
        .menu_highlight = rgb(49, 106, 197),
        .menu_highlight_text = rgb(255, 255, 255),
        .menu_separator = rgb(197, 194, 184),
    },
    // Smokey Quartz Velto: smoky violet-greys with a coral accent.
    {
        .name = "Smokey Quartz Velto",
        .custom = true,
        .window = rgb(62, 58, 64),
        .window_text = rgb(226, 222, 228),
        .border = rgb(36, 33, 38),
        .panel = rgb(78, 73, 80),
        .panel_group = rgb(90, 84, 92),
        .hint_base = rgb(116, 108, 118),
        .button_face = rgb(86, 80, 88),
        .button_face_hot = rgb(104, 97, 106),
        .button_face_pressed = rgb(247, 140, 97),
        .button_border = rgb(40, 37, 42),
        .button_text = rgb(230, 226, 232),
        .button_text_pressed = rgb(30, 24, 22),
        .button_text_disabled = rgb(140, 134, 142),
        .edit_face = rgb(48, 45, 50),
        .edit_text = rgb(236, 232, 238),
        .edit_border = rgb(36, 33, 38),
        .edit_border_focused = rgb(247, 140, 97),
        .selection = rgb(247, 140, 97),
        .selection_text = rgb(30, 24, 22),
        .menu_face = rgb(70, 65, 72),
        .menu_border = rgb(36, 33, 38),
        .menu_text = rgb(226, 222, 228),
        .menu_text_disabled = rgb(130, 124, 132),
        .menu_highlight = rgb(247, 140, 97),
        .menu_highlight_text = rgb(30, 24, 22),
        .menu_separator = rgb(96, 90, 98),
    },
}};

} // namespace

const Style& system_style() {
    return kSystem;
}

std::span<const Style> custom_styles() {
    return kCustom;
}

namespace {
const Style* g_active = &kSystem;
} // namespace

const Style& active_style() {
    return *g_active;
}

void set_active_style(const Style& style) {
    g_active = &style;
}

const Style* find_style(std::string_view name) {
    for (const Style& s : kCustom)
        if (s.name == name)
            return &s;
    return nullptr;
}

} // namespace tonvo::ui
