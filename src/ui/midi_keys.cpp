// The keyboard's state, geometry, hit testing, press and release, and mouse handling. Drawing
// and the style colours are in midi_keys_paint.cpp.
#include "ui/midi_keys.h"

#include "ui/form.h"

#include <algorithm>
#include <cmath>

namespace tonvo::ui {
namespace {

// Pixel positions are held well inside the int range, so an edge + 1 never overflows.
constexpr double kPixelLimit = 1 << 30;

int to_pixel(double v) {
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::clamp(v, -kPixelLimit, kPixelLimit));
}

// x rounded to the nearest integer, halves to the even neighbour. Written out with floor
// rather than left to the current rounding mode, which a host may have changed.
int nearest(float x) {
    const double v = x; // exact
    double f = std::floor(v);
    const double rest = v - f; // exact: v and f share their magnitude
    if (rest > 0.5 || (rest == 0.5 && std::fmod(f, 2.0) != 0.0))
        f += 1.0;
    return to_pixel(f);
}

// x with its fraction dropped, toward zero.
int truncate(float x) {
    return to_pixel(std::trunc(static_cast<double>(x)));
}

bool is_black(int k) {
    switch (k % 12) {
    case 1:
    case 3:
    case 6:
    case 8:
    case 10: return true;
    default: return false;
    }
}

// How far a black key reaches left over the white key before it, as the divisor of the black
// key width: C# and F# sit further left, D# and A# further right, G# in the middle.
float black_key_divisor(int k) {
    switch (k % 12) {
    case 1:
    case 6: return 1.5f;
    case 8: return 2.0f;
    default: return 3.0f; // D# and A#
    }
}

} // namespace

Rect TGuiSingleKey::area() const {
    if (!has(Visible) || Right < Left || Bottom < Top)
        return Rect{};
    return Rect{Left, Top, Right + 1, Bottom + 1};
}

TQelGuiMidiKeys::TQelGuiMidiKeys(Control* parent) : Control(parent) {
    // Windows colour numbers, blue in the high byte: 51,51,51 / 102,102,102 / 192,192,192 /
    // 248,248,248 / 221,221,221.
    colors_ = Colors{.border = from_tcolor(0),
                     .separator = from_tcolor(0),
                     .black = from_tcolor(3355443),
                     .black_hover = from_tcolor(6710886),
                     .black_pressed = from_tcolor(12632256),
                     .white = from_tcolor(16316664),
                     .white_hover = from_tcolor(14540253),
                     .white_pressed = from_tcolor(12632256)};
    for (int k = 0; k < kKeyCount; ++k) {
        keys_[k].KeyNr = static_cast<uint8_t>(k);
        keys_[k].Flags = is_black(k) ? TGuiSingleKey::IsBlack : 0;
    }
    // A control made outside any form has no clock to run the timer on; it repaints only
    // when something else invalidates it.
    if (form() != nullptr) {
        redraw_timer_.emplace(*form(), kRedrawInterval, [this] { invalidate_changed_keys(); });
        redraw_timer_->start();
    }
    update_key_areas();
}

// ---- Geometry ----

void TQelGuiMidiKeys::update_key_areas() {
    const int w = width();
    const int h = height();
    const int top = 1;
    const int first = base_octave_ * 12;
    const int last = first + num_octaves_ * 12 + (include_last_octave_ ? 1 : 0) - 1;
    const int white_count = num_octaves_ * 7 + (include_last_octave_ ? 1 : 0);

    for (TGuiSingleKey& key : keys_) {
        key.Flags &= static_cast<uint8_t>(~TGuiSingleKey::Visible);
        key.Left = key.Top = key.Right = key.Bottom = -1;
    }
    if (white_count == 0)
        return;

    // White keys: the n-th ends at nearest(n * fw) - 1, the next starts two pixels on.
    const float fw = static_cast<float>(w - 1) / static_cast<float>(white_count);
    int previous_right = -1;
    int n = 0;
    for (int k = first; k <= last; ++k) {
        if (is_black(k))
            continue;
        TGuiSingleKey& key = keys_[k];
        ++n;
        key.Left = previous_right + 2;
        key.Right = nearest(static_cast<float>(n) * fw) - 1;
        key.Top = top;
        key.Bottom = h - 1;
        previous_right = key.Right;
    }

    // Black keys: one twelfth of an octave wide, placed from the right edge of the white key
    // before them.
    const int black_bottom =
        nearest(static_cast<float>(h - top) * black_key_height_ + static_cast<float>(top));
    const float fb =
        num_octaves_ > 0 ? static_cast<float>(w - 2) / static_cast<float>(num_octaves_ * 12) : 0;
    for (int k = first; k <= last; ++k) {
        if (!is_black(k))
            continue;
        TGuiSingleKey& key = keys_[k];
        const float r = static_cast<float>(keys_[k - 1].Right);
        key.Left = truncate(r - fb / black_key_divisor(k));
        key.Right = nearest(static_cast<float>(key.Left) + fb);
        key.Top = top;
        key.Bottom = black_bottom;
    }

    for (int k = first; k <= last; ++k)
        keys_[k].Flags |= TGuiSingleKey::Visible;
}

void TQelGuiMidiKeys::geometry_changed() {
    update_key_areas();
    repaint_now();
}

void TQelGuiMidiKeys::resized() {
    geometry_changed();
}

bool TQelGuiMidiKeys::SetBaseOctave(int value) {
    if (value < 0 || value + num_octaves_ >= 11)
        return false;
    if (value != base_octave_) {
        base_octave_ = value;
        geometry_changed();
    }
    return true;
}

bool TQelGuiMidiKeys::SetNumOctaves(int value) {
    if (value < 0 || base_octave_ + value >= 11)
        return false;
    if (value != num_octaves_) {
        num_octaves_ = value;
        geometry_changed();
    }
    return true;
}

void TQelGuiMidiKeys::SetIncludeLastOctave(bool value) {
    if (value == include_last_octave_)
        return;
    include_last_octave_ = value;
    geometry_changed();
}

void TQelGuiMidiKeys::SetBlackKeyHeight(float value) {
    if (!std::isfinite(value) || value == black_key_height_)
        return;
    black_key_height_ = value;
    geometry_changed();
}

void TQelGuiMidiKeys::SetKeyDownMode(TGuiKeyDownMode value) {
    if (value == key_down_mode_)
        return;
    key_down_mode_ = value;
    repaint_now();
}

void TQelGuiMidiKeys::SetCursorKeys(Cursor value) {
    cursor_keys_ = value;
    for (const TGuiSingleKey& key : keys_)
        if (key.has(TGuiSingleKey::Hovered))
            set_cursor(value);
}

void TQelGuiMidiKeys::set_color(Color& field, Color value) {
    if (field == value)
        return;
    field = value;
    repaint_now();
}

void TQelGuiMidiKeys::SetKeyColors(int KeyNr, std::optional<Color> normal,
                                   std::optional<Color> pressed, std::optional<Color> hovered) {
    if (!valid_key(KeyNr))
        return;
    keys_[KeyNr].KeyColor = normal;
    keys_[KeyNr].PressedColor = pressed;
    keys_[KeyNr].HoverColor = hovered;
    repaint_now();
}

void TQelGuiMidiKeys::repaint_now() {
    changed_.reset();
    invalidate();
}

void TQelGuiMidiKeys::set_key_flags(int k, int flags) {
    const auto value = static_cast<uint8_t>(flags);
    if (keys_[k].Flags == value)
        return;
    keys_[k].Flags = value;
    changed_.set(static_cast<size_t>(k));
}

void TQelGuiMidiKeys::invalidate_changed_keys() {
    if (changed_.none())
        return;
    for (int k = 0; k < kKeyCount; ++k)
        if (changed_.test(static_cast<size_t>(k)))
            invalidate(keys_[k].area());
    changed_.reset();
}

// ---- Hit testing ----

int TQelGuiMidiKeys::KeyAtPos(int X, int Y, bool VerticalTest) const {
    if (X <= 0 || X > width() - 2)
        return -1;
    for (int k = 0; k < kKeyCount; ++k)
        if (IsPointInKey(X, Y, VerticalTest, k))
            return k;
    return -1;
}

bool TQelGuiMidiKeys::IsPointInKey(int X, int Y, bool VerticalTest, int KeyNr) const {
    if (!valid_key(KeyNr))
        return false;
    const TGuiSingleKey& key = keys_[KeyNr];
    if (!key.has(TGuiSingleKey::Visible) || X < key.Left || X > key.Right)
        return false;
    // A white key yields to the black key drawn over it (the key after it, when black).
    if (!key.has(TGuiSingleKey::IsBlack) && KeyNr < kKeyCount - 1 &&
        IsPointInKey(X, Y, VerticalTest, KeyNr + 1))
        return false;
    return !VerticalTest || (Y >= key.Top && Y <= key.Bottom);
}

// ---- Press and release ----

void TQelGuiMidiKeys::SetKeyPressed(int KeyNr) {
    if (KeyNr < 0 || KeyNr >= kKeyCount - 1)
        return;
    set_key_flags(KeyNr, keys_[KeyNr].Flags | TGuiSingleKey::Pressed);
}

void TQelGuiMidiKeys::SetKeyReleased(int KeyNr, bool Force) {
    if (KeyNr < 0 || KeyNr >= kKeyCount - 1)
        return;
    TGuiSingleKey& key = keys_[KeyNr];
    if (key.has(TGuiSingleKey::MouseHeld) && !Force)
        return;
    set_key_flags(KeyNr, key.Flags & ~(TGuiSingleKey::Pressed | TGuiSingleKey::MouseHeld |
                                       TGuiSingleKey::Latched));
}

void TQelGuiMidiKeys::KeyNoteOn(int KeyNr, uint8_t Flags) {
    if (!valid_key(KeyNr))
        return;
    if ((Flags & TGuiSingleKey::MouseHeld) != 0 && OnFireNoteOn) {
        bool go_on = true;
        OnFireNoteOn(*this, KeyNr, go_on);
        if (!go_on)
            return;
    }
    TGuiSingleKey& key = keys_[KeyNr];
    const bool was_pressed = key.has(TGuiSingleKey::Pressed);
    set_key_flags(KeyNr, key.Flags | Flags);
    // A note-on only for a key that now shows pressed: KeyNoteOff releases only pressed keys,
    // so any other note-on would never be matched by a note-off.
    if (!was_pressed && key.has(TGuiSingleKey::Pressed) && OnNoteOn)
        OnNoteOn(*this, KeyNr, key.Velocity);
    // Right-button presses never stay down.
    if (keys_[KeyNr].has(TGuiSingleKey::Pressed) && keys_[KeyNr].has(TGuiSingleKey::Latched))
        KeyNoteOff(KeyNr);
}

void TQelGuiMidiKeys::KeyNoteOff(int KeyNr) {
    if (!valid_key(KeyNr) || !keys_[KeyNr].has(TGuiSingleKey::Pressed))
        return;
    set_key_flags(KeyNr, keys_[KeyNr].Flags & ~(TGuiSingleKey::Pressed | TGuiSingleKey::MouseHeld |
                                                TGuiSingleKey::Latched));
    if (OnNoteOff)
        OnNoteOff(*this, KeyNr);
}

void TQelGuiMidiKeys::ReleaseMouseKeys(int Except) {
    for (int k = 0; k < kKeyCount; ++k) {
        const TGuiSingleKey& key = keys_[k];
        if (k != Except && key.has(TGuiSingleKey::Pressed) && key.has(TGuiSingleKey::MouseHeld) &&
            !key.has(TGuiSingleKey::Latched))
            KeyNoteOff(k);
    }
}

// ---- Mouse ----

void TQelGuiMidiKeys::clear_hover() {
    for (int k = 0; k < kKeyCount; ++k) {
        if (!keys_[k].has(TGuiSingleKey::Hovered))
            continue;
        set_key_flags(k, keys_[k].Flags & ~TGuiSingleKey::Hovered);
        if (OnKeyMouseLeave)
            OnKeyMouseLeave(*this, k);
    }
}

void TQelGuiMidiKeys::mouse_down(MouseButton button, int x, int y, Modifiers) {
    // The one-pixel frame and the outside produce nothing.
    if (!inside_frame(x, y))
        return;
    const int k = KeyAtPos(x, y, true);
    if (k >= 0) {
        if (button == MouseButton::right) {
            if (keys_[k].has(TGuiSingleKey::Pressed) && keys_[k].has(TGuiSingleKey::Latched))
                KeyNoteOff(k);
            else
                KeyNoteOn(k, TGuiSingleKey::Pressed | TGuiSingleKey::MouseHeld |
                                 TGuiSingleKey::Latched);
        } else {
            KeyNoteOn(k, TGuiSingleKey::Pressed | TGuiSingleKey::MouseHeld);
        }
        if (OnMouseDownOnMidiKey)
            OnMouseDownOnMidiKey(*this, button, k);
    }
    if (!drag_.active && allow_key_dragging_) {
        clear_hover();
        drag_ = DragState{true, button, k, k};
        if (OnStartKeyDragging)
            OnStartKeyDragging(*this, button, k);
    }
    // The keys this press changed show at once.
    invalidate_changed_keys();
}

void TQelGuiMidiKeys::mouse_move(int x, int y, Modifiers) {
    if (drag_.active) {
        // A glide: above or below the keyboard only the column counts.
        const bool vertical = y > 0 && y < height() - 1;
        const int k = KeyAtPos(x, y, vertical);
        if (drag_.button != MouseButton::right) {
            ReleaseMouseKeys(k);
            if (k >= 0)
                KeyNoteOn(k, TGuiSingleKey::Pressed | TGuiSingleKey::MouseHeld);
        }
        if (OnMoveKeyDragging)
            OnMoveKeyDragging(*this, drag_.button, drag_.start_key, k);
        drag_.current_key = k;
        return;
    }
    const int k = KeyAtPos(x, y, true);
    for (int other = 0; other < kKeyCount; ++other) {
        if (other == k || !keys_[other].has(TGuiSingleKey::Hovered))
            continue;
        set_key_flags(other, keys_[other].Flags & ~TGuiSingleKey::Hovered);
        if (OnKeyMouseLeave)
            OnKeyMouseLeave(*this, other);
    }
    if (k < 0) {
        set_cursor(Cursor::arrow);
    } else if (!keys_[k].has(TGuiSingleKey::Hovered)) {
        set_key_flags(k, keys_[k].Flags | TGuiSingleKey::Hovered);
        set_cursor(cursor_keys_);
        if (OnKeyMouseEnter)
            OnKeyMouseEnter(*this, k);
    }
}

void TQelGuiMidiKeys::end_drag() {
    ReleaseMouseKeys(-1);
    const DragState ended = drag_;
    drag_ = DragState{};
    if (OnEndKeyDragging)
        OnEndKeyDragging(*this, ended.button, ended.start_key, ended.current_key);
}

void TQelGuiMidiKeys::mouse_up(MouseButton button, int x, int y, Modifiers) {
    if (drag_.active) {
        if (button == drag_.button)
            end_drag();
    } else {
        // Without a drag (dragging switched off) nothing else would ever let go of the key
        // this press holds.
        ReleaseMouseKeys(-1);
    }
    if (inside_frame(x, y)) {
        const int k = KeyAtPos(x, y, true);
        if (k >= 0 && OnMouseUpOnMidiKey)
            OnMouseUpOnMidiKey(*this, button, k);
    }
    invalidate_changed_keys();
}

void TQelGuiMidiKeys::capture_lost() {
    // No release will come: let go of the mouse's keys as a release would.
    if (drag_.active)
        end_drag();
    else
        ReleaseMouseKeys(-1);
    invalidate_changed_keys();
}

void TQelGuiMidiKeys::mouse_leave() {
    if (OnMouseLeave)
        OnMouseLeave(*this);
    clear_hover();
}

} // namespace tonvo::ui
