// The piano keyboard control: whole octaves of keys that show which notes are pressed, hovered
// or held by the mouse, turn mouse presses and glides into note-on and note-off events, and let
// the owner decorate each key and veto mouse-made notes. It knows nothing of the note map and
// produces no MIDI itself.
//
// Geometry: every key record keeps its area in the control's pixels with all four edges
// inclusive; white keys leave one pixel of the separator colour between them, black keys lie
// over the upper part of their white neighbours. The zone bar above the keys and oversampled
// drawing are not part of this control: keys start at row 1 and one key pixel is one pixel.
// Key edges are drawn in the fill colour (no 3D shading), so `KeyDownMode` is kept for the
// owner but changes no pixel.
//
// Redrawing: a change of key state invalidates only the areas of the keys whose flags changed,
// and the form repaints everything under those areas in order, so a black key drawn over two
// white ones comes out as in a full repaint. Mouse presses and releases invalidate their keys
// at once; every other change (SetKeyPressed, SetKeyReleased, glides, hover) only marks its
// key, and a 50 ms timer of the control invalidates the marked keys. Incoming notes thus
// repaint at most 20 times a second. Colour and geometry changes invalidate the whole control.
// `OnDrawKey` should draw within its key's area: a per-key repaint shows nothing outside it.
//
// Thread contract: user-interface thread only; the events run synchronously inside the mouse
// and paint handling.
#pragma once

#include "ui/bitmap.h"
#include "ui/control.h"
#include "ui/timer.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace tonvo::ui {

// One key's record, handed by value to `OnDrawKey`.
struct TGuiSingleKey {
    enum Flag : uint8_t {
        IsBlack = 1,
        Visible = 2, // has an area in the current range
        Pressed = 4,
        Hovered = 8,
        MouseHeld = 16, // pressed by the mouse
        Latched = 32,   // pressed by the right button
    };

    uint8_t KeyNr = 0;
    uint8_t Flags = 0;
    // In control pixels, every edge inclusive; all -1 when the key is outside the range.
    int32_t Left = -1;
    int32_t Top = -1;
    int32_t Right = -1;
    int32_t Bottom = -1;
    // Per-key fill colours for the normal, pressed and hovered state; none: the control's.
    std::optional<Color> KeyColor;
    std::optional<Color> PressedColor;
    std::optional<Color> HoverColor;
    // Reported with the key's note-on.
    float Velocity = 1.0f;

    bool has(uint8_t flag) const { return (Flags & flag) != 0; }
    // The area as a Rect (right and bottom exclusive) in the control's pixels; empty for a
    // key outside the range.
    Rect area() const;
};

enum class TGuiKeyDownMode { kdmUp, kdmFlat, kdmDown };

class TQelGuiMidiKeys : public Control {
public:
    static constexpr int kKeyCount = 134;
    static constexpr Millis kRedrawInterval{50};

    explicit TQelGuiMidiKeys(Control* parent);

    // --- Events ---
    std::function<void(TQelGuiMidiKeys& Sender, int KeyNr, float Velocity)> OnNoteOn;
    std::function<void(TQelGuiMidiKeys& Sender, int KeyNr)> OnNoteOff;
    // Asked before a mouse-made note-on; setting Continue to false leaves the key alone.
    std::function<void(TQelGuiMidiKeys& Sender, int KeyNr, bool& Continue)> OnFireNoteOn;
    // Right after each visible key is drawn: the owner draws over it into `canvas`, in control
    // pixels offset by `area` (the control's rectangle in the canvas), in font_color().
    std::function<void(TQelGuiMidiKeys& Sender, TGuiSingleKey Key, Canvas& canvas,
                       const Rect& area)>
        OnDrawKey;
    std::function<void(TQelGuiMidiKeys& Sender, int KeyNr)> OnKeyMouseEnter;
    std::function<void(TQelGuiMidiKeys& Sender, int KeyNr)> OnKeyMouseLeave;
    std::function<void(TQelGuiMidiKeys& Sender, MouseButton Button, int KeyNr)>
        OnMouseDownOnMidiKey;
    std::function<void(TQelGuiMidiKeys& Sender, MouseButton Button, int KeyNr)> OnMouseUpOnMidiKey;
    std::function<void(TQelGuiMidiKeys& Sender, MouseButton Button, int StartKey)>
        OnStartKeyDragging;
    std::function<void(TQelGuiMidiKeys& Sender, MouseButton Button, int StartKey, int KeyNr)>
        OnMoveKeyDragging;
    std::function<void(TQelGuiMidiKeys& Sender, MouseButton Button, int StartKey, int KeyNr)>
        OnEndKeyDragging;
    std::function<void(TQelGuiMidiKeys& Sender)> OnMouseLeave;

    // --- Keys ---
    const std::array<TGuiSingleKey, kKeyCount>& Keys() const { return keys_; }
    // The key under (X, Y) in control pixels, -1 for none. Without the vertical test only X
    // counts, so a point above or below the keyboard finds the key in its column.
    int KeyAtPos(int X, int Y, bool VerticalTest) const;
    // Whether (X, Y) lies on key KeyNr and on no black key drawn over it.
    bool IsPointInKey(int X, int Y, bool VerticalTest, int KeyNr) const;
    // Marks a key pressed without any event (to show incoming notes); keys 133 and above, and
    // negative ones, are ignored.
    void SetKeyPressed(int KeyNr);
    // Clears a key's pressed, mouse-held and latched marks without any event, unless the mouse
    // holds it and Force is false.
    void SetKeyReleased(int KeyNr, bool Force = false);
    // The event-raising press: adds Flags to the key and raises OnNoteOn when it becomes
    // pressed. A mouse press (MouseHeld in Flags) is first offered to OnFireNoteOn. A latched
    // (right-button) press is released again at once.
    void KeyNoteOn(int KeyNr, uint8_t Flags);
    // The event-raising release of a pressed key.
    void KeyNoteOff(int KeyNr);
    // Releases every key the mouse holds (not latched) except `Except` (-1: none).
    void ReleaseMouseKeys(int Except);
    // Per-key fill colours; none keeps the control's colour for that state.
    void SetKeyColors(int KeyNr, std::optional<Color> normal, std::optional<Color> pressed,
                      std::optional<Color> hovered);

    // --- Properties ---
    int BaseOctave() const { return base_octave_; }
    int NumOctaves() const { return num_octaves_; }
    // Both accept a value only when BaseOctave + NumOctaves stays below 11 (and neither is
    // negative); false when the old value stays.
    bool SetBaseOctave(int value);
    bool SetNumOctaves(int value);
    bool IncludeLastOctave() const { return include_last_octave_; }
    void SetIncludeLastOctave(bool value);
    // Fraction of the key height the black keys take; a value that is not finite is ignored.
    float BlackKeyHeight() const { return black_key_height_; }
    void SetBlackKeyHeight(float value);
    TGuiKeyDownMode KeyDownMode() const { return key_down_mode_; }
    void SetKeyDownMode(TGuiKeyDownMode value);
    bool AllowKeyDragging() const { return allow_key_dragging_; }
    void SetAllowKeyDragging(bool value) { allow_key_dragging_ = value; }
    Cursor CursorKeys() const { return cursor_keys_; }
    void SetCursorKeys(Cursor value);

    Color BorderColor() const { return colors_.border; }
    Color KeySeparatorColor() const { return colors_.separator; }
    Color BlackKeyColor() const { return colors_.black; }
    Color BlackKeyHoverColor() const { return colors_.black_hover; }
    Color BlackKeyPressedColor() const { return colors_.black_pressed; }
    Color WhiteKeyColor() const { return colors_.white; }
    Color WhiteKeyHoverColor() const { return colors_.white_hover; }
    Color WhiteKeyPressedColor() const { return colors_.white_pressed; }
    void SetBorderColor(Color c) { set_color(colors_.border, c); }
    void SetKeySeparatorColor(Color c) { set_color(colors_.separator, c); }
    void SetBlackKeyColor(Color c) { set_color(colors_.black, c); }
    void SetBlackKeyHoverColor(Color c) { set_color(colors_.black_hover, c); }
    void SetBlackKeyPressedColor(Color c) { set_color(colors_.black_pressed, c); }
    void SetWhiteKeyColor(Color c) { set_color(colors_.white, c); }
    void SetWhiteKeyHoverColor(Color c) { set_color(colors_.white_hover, c); }
    void SetWhiteKeyPressedColor(Color c) { set_color(colors_.white_pressed, c); }

    // The colours the editor gives the keyboard once it is set up: normal key colours whose
    // hover colours equal them, then, by the active custom style's exact name ("" when none
    // is active), the border and pressed colours of that style.
    void apply_style(std::string_view style_name);

    // --- State for the owner ---
    struct DragState {
        bool active = false;
        MouseButton button = MouseButton::left;
        int start_key = -1;
        int current_key = -1;
    };
    const DragState& drag() const { return drag_; }
    // The text colour for OnDrawKey: set before each call, readable inside it.
    Color font_color() const { return font_color_; }
    // Some key changed since its area was last invalidated.
    bool redraw_pending() const { return changed_.any(); }

    // --- Drawing ---
    // Draws the whole control into `canvas` with its top-left pixel at area's top-left.
    void render(Canvas& canvas, const Rect& area);
    // The control as it looks now, in a bitmap of its own size.
    Bitmap render_bitmap();

    // --- Control ---
    void paint(Canvas& canvas, const Rect& area) override;
    void mouse_down(MouseButton button, int x, int y, Modifiers mods) override;
    void mouse_move(int x, int y, Modifiers mods) override;
    void mouse_up(MouseButton button, int x, int y, Modifiers mods) override;
    void mouse_leave() override;
    void capture_lost() override;
    void resized() override;

private:
    struct Colors {
        Color border;
        Color separator;
        Color black;
        Color black_hover;
        Color black_pressed;
        Color white;
        Color white_hover;
        Color white_pressed;
    };

    bool valid_key(int k) const { return k >= 0 && k < kKeyCount; }
    // Within the control less its one-pixel frame.
    bool inside_frame(int x, int y) const {
        return x > 0 && x < width() - 1 && y > 0 && y < height() - 1;
    }
    void update_key_areas();
    void geometry_changed();
    void set_color(Color& field, Color value);
    // Gives key k the flags `flags`, marking it for the next redraw when they differ.
    void set_key_flags(int k, int flags);
    // Invalidates the area of every marked key now.
    void invalidate_changed_keys();
    // Invalidates the whole control (colours or geometry changed).
    void repaint_now();
    void clear_hover();
    void end_drag();
    Color fill_color(const TGuiSingleKey& key) const;
    void draw_key(Canvas& canvas, const Rect& area, const TGuiSingleKey& key);

    std::array<TGuiSingleKey, kKeyCount> keys_;
    int base_octave_ = 3;
    int num_octaves_ = 3;
    bool include_last_octave_ = false;
    float black_key_height_ = 0.63f;
    TGuiKeyDownMode key_down_mode_ = TGuiKeyDownMode::kdmFlat;
    bool allow_key_dragging_ = true;
    Cursor cursor_keys_ = Cursor::hand_point;
    Colors colors_;
    DragState drag_;
    Color font_color_;
    std::bitset<kKeyCount> changed_;
    std::optional<Timer> redraw_timer_;
};

} // namespace tonvo::ui
