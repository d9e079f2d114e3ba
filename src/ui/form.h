// A form: a window of ours. It owns the back buffer every control paints into, the invalid
// region, the timers, and the keyboard focus, mouse capture and hover of its control tree.
//
// A backend creates the platform window, feeds input in form pixels through the deliver_*
// calls, calls idle() regularly (timers fire there), and after paint_invalid() copies the
// returned rectangles of buffer() to the screen. Nothing here knows which backend runs it.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/bitmap.h"
#include "ui/control.h"
#include "ui/desktop.h"
#include "ui/region.h"

#include <string>
#include <vector>

namespace tonvo::ui {

class Timer;

class Form : public Control {
public:
    // A second left press counts as a double click when it comes within this time on the
    // form's clock and within kDoubleClickDistance pixels (either way) of the first, on the
    // same control.
    static constexpr Millis kDoubleClickTime{500};
    static constexpr int kDoubleClickDistance = 4;

    Form(Desktop& desktop, int width, int height);
    ~Form() override;

    Desktop& desktop() const { return desktop_; }
    Bitmap& buffer() { return buffer_; }
    const Bitmap& buffer() const { return buffer_; }

    const std::string& caption() const { return caption_; }
    void set_caption(std::string caption) { caption_ = std::move(caption); }
    // Top-left of the client area on the screen; the backend keeps it current.
    int left() const { return left_; }
    int top() const { return top_; }
    void set_position(int left, int top) {
        left_ = left;
        top_ = top;
    }
    // Resizes the back buffer and invalidates all of it.
    void set_client_size(int width, int height);

    // --- Painting ---
    void invalidate_rect(const Rect& r) { invalid_.add(r.intersect(buffer_.bounds())); }
    const Region& invalid_region() const { return invalid_; }
    // Paints every invalid area of the tree into the buffer and returns those areas (valid
    // until the next call); the region is empty afterwards.
    const std::vector<Rect>& paint_invalid();
    // Form background; the default fills with color().
    void paint(Canvas& canvas, const Rect& area) override;
    Color color() const { return color_; }
    void set_color(Color c);

    // --- Input from the backend, in form pixels ---
    void deliver_mouse_down(MouseButton button, int x, int y, Modifiers mods = {});
    void deliver_mouse_move(int x, int y, Modifiers mods = {});
    void deliver_mouse_up(MouseButton button, int x, int y, Modifiers mods = {});
    void deliver_mouse_leave();
    void deliver_mouse_wheel(int delta, int x, int y, Modifiers mods = {});
    void deliver_key_down(Key key, Modifiers mods = {});
    void deliver_key_char(char32_t ch);
    // The pointer left the window or the window lost the mouse: end any capture; the control
    // that had it hears capture_lost().
    void cancel_capture();

    // Runs due timers. The backend calls it from its idle handling.
    void idle();

    // --- Tree state ---
    Control* focus() const { return focus_; }
    bool set_focus_to(Control* control);
    Control* capture() const { return capture_; }
    Control* hover() const { return hover_; }
    // The deepest usable control under a form pixel (the form itself when no child is).
    Control* control_at(int x, int y);
    // The cursor the pointer should show now.
    Cursor current_cursor() const;

    // --- Modal use ---
    ModalResult modal_result() const { return modal_result_; }
    void set_modal_result(ModalResult r) { modal_result_ = r; }
    // Shows the form modally over `owner` through the desktop; see Desktop::run_modal.
    ModalResult show_modal(Form* owner);

protected:
    // After the mouse wheel went through the tree (handled or not).
    virtual void mouse_wheel_done(int /*x*/, int /*y*/) {}

private:
    friend class Control;
    friend class Timer;
    // The control (and its subtree) is going away or can no longer take input. A dying
    // control gets no focus event: its own part is already destroyed.
    void forget(Control& control, bool dying);
    void paint_tree(Control& control, Canvas& canvas, int origin_x, int origin_y);
    bool focus_next(bool backwards);

    Desktop& desktop_;
    Bitmap buffer_;
    Region invalid_;
    std::vector<Rect> painted_;
    std::vector<Timer*> timers_;
    std::string caption_;
    Color color_ = Color::rgb(240, 240, 240);
    int left_ = 0;
    int top_ = 0;
    Control* focus_ = nullptr;
    Control* capture_ = nullptr;
    Control* hover_ = nullptr;
    int buttons_down_ = 0;
    bool pressed_left_ = false;
    // The left press that may start a double click; null when none may.
    Control* first_press_ = nullptr;
    Millis first_press_time_{0};
    int first_press_x_ = 0;
    int first_press_y_ = 0;
    ModalResult modal_result_ = ModalResult::none;
};

// Where a window of size `width` x `height` goes when centred over an owner's client area:
// left = owner left + (owner width - width) / 2, top likewise, each half rounded toward zero.
Point centred_over(const Rect& owner, int width, int height);
// Where a window of that size at `at` goes to lie wholly on `area` (a screen's work area):
// shifted as little as it takes; one larger than the area has its top-left corner on the
// area's, so that its title and first rows show.
Point moved_onto(const Rect& area, Point at, int width, int height);

} // namespace tonvo::ui
