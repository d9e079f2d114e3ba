// The keyboard's drawing and its style colours. Integer fills of opaque colours only, so the
// same pixels come out on every target.
#include "ui/midi_keys.h"

namespace tonvo::ui {
namespace {

struct StyleColors {
    std::string_view name;
    uint32_t border;  // as a Windows colour number
    uint32_t pressed; // likewise
};

// The custom styles of the editor's Skin menu.
constexpr StyleColors kStyles[] = {
    {"Carbon", 3815994, 2729842},              // border 58,58,58; pressed 114,167,41
    {"Amakrits", 3158064, 8952856},            // 48,48,48; 24,156,136
    {"Light", 8553090, 14993314},              // 130,130,130; 162,199,228
    {"Luna", 8553090, 5548526},                // 130,130,130; 238,169,84
    {"Smokey Quartz Velto", 8553090, 6393079}, // 130,130,130; 247,140,97
};

} // namespace

void TQelGuiMidiKeys::apply_style(std::string_view style_name) {
    // Hover colours equal the normal ones: hovering never changes a key's look.
    SetBlackKeyColor(from_tcolor(3355443));
    SetBlackKeyHoverColor(BlackKeyColor());
    SetWhiteKeyColor(from_tcolor(16316664));
    SetWhiteKeyHoverColor(WhiteKeyColor());
    for (const StyleColors& style : kStyles) {
        if (style.name != style_name)
            continue;
        const Color pressed = from_tcolor(style.pressed);
        SetBorderColor(from_tcolor(style.border));
        SetWhiteKeyPressedColor(pressed);
        SetBlackKeyPressedColor(darken(pressed, 15));
    }
}

Color TQelGuiMidiKeys::fill_color(const TGuiSingleKey& key) const {
    const bool black = key.has(TGuiSingleKey::IsBlack);
    if (key.has(TGuiSingleKey::Pressed))
        return key.PressedColor.value_or(black ? colors_.black_pressed : colors_.white_pressed);
    if (key.has(TGuiSingleKey::Hovered))
        return key.HoverColor.value_or(black ? colors_.black_hover : colors_.white_hover);
    return key.KeyColor.value_or(black ? colors_.black : colors_.white);
}

void TQelGuiMidiKeys::draw_key(Canvas& canvas, const Rect& area, const TGuiSingleKey& key) {
    // Without 3D shading the key's edges have its fill colour, so one fill of the inclusive
    // area covers them.
    const Rect r = key.area();
    if (!r.empty())
        canvas.fill_rect(
            Rect::from_size(area.left + r.left, area.top + r.top, r.width(), r.height()),
            fill_color(key));
    if (OnDrawKey) {
        font_color_ = key.has(TGuiSingleKey::IsBlack) ? darken(colors_.white, 10) : colors_.black;
        OnDrawKey(*this, key, canvas, area);
    }
}

void TQelGuiMidiKeys::render(Canvas& canvas, const Rect& area) {
    canvas.push_clip(area);
    canvas.fill_rect(area, colors_.separator);
    // Each black key right after the white key that follows it, so it covers both neighbours.
    for (int k = 0; k < kKeyCount; ++k) {
        const TGuiSingleKey& key = keys_[k];
        if (key.has(TGuiSingleKey::Visible) && !key.has(TGuiSingleKey::IsBlack))
            draw_key(canvas, area, key);
        if (k > 0) {
            const TGuiSingleKey& before = keys_[k - 1];
            if (before.has(TGuiSingleKey::Visible) && before.has(TGuiSingleKey::IsBlack))
                draw_key(canvas, area, before);
        }
    }
    canvas.stroke_rect(area, colors_.border);
    canvas.pop_clip();
}

Bitmap TQelGuiMidiKeys::render_bitmap() {
    Bitmap bitmap(width(), height());
    Canvas canvas(bitmap);
    render(canvas, bitmap.bounds());
    return bitmap;
}

void TQelGuiMidiKeys::paint(Canvas& canvas, const Rect& area) {
    render(canvas, area);
}

} // namespace tonvo::ui
