// A control: a rectangle of a form that paints itself and answers the mouse and the keyboard.
//
// Controls form a tree under their form. A control does not own its children: forms keep
// their controls as members, parents declared before children, so children go first when a
// form is destroyed; a control that goes away unhooks itself from its parent, its children
// and its form (focus, capture, hover), so nothing is left pointing at it.
//
// Coordinates: `bounds()` is in the parent's pixels; mouse events arrive in the control's own
// pixels (0, 0 at its top-left). `paint` gets the control's rectangle in back-buffer pixels
// and a canvas already clipped to it.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/canvas.h"
#include "ui/input.h"
#include "ui/rect.h"

#include <functional>
#include <vector>

namespace tonvo::ui {

class Form;

class Control {
public:
    explicit Control(Control* parent);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Control* parent() const { return parent_; }
    Form* form() const { return form_; }
    const std::vector<Control*>& children() const { return children_; }

    const Rect& bounds() const { return bounds_; }
    void set_bounds(const Rect& r);
    int width() const { return bounds_.width(); }
    int height() const { return bounds_.height(); }
    // The control's rectangle in its form's back buffer.
    Rect form_rect() const;

    bool visible() const { return visible_; }
    void set_visible(bool v);
    // A disabled control gets no input; its parent gets the mouse instead.
    bool enabled() const { return enabled_; }
    void set_enabled(bool e);
    // Visible and enabled, with every ancestor.
    bool showing() const;
    bool usable() const;

    Cursor cursor() const { return cursor_; }
    void set_cursor(Cursor c) { cursor_ = c; }

    // Marks the whole control (or a part, in its own pixels) for the form's next paint.
    void invalidate();
    void invalidate(const Rect& local);

    bool focused() const;
    // Asks the form to give this control the keyboard focus; false when it cannot take it.
    bool set_focus();
    virtual bool can_focus() const { return false; }

    // Raised by the form when a left press and release both land on this control.
    std::function<void(Control& sender)> OnClick;
    // Raised by the form after the control's own mouse_down / mouse_up, for owners that watch
    // presses on controls they do not subclass. Coordinates in the control's pixels.
    std::function<void(Control& sender, MouseButton button, int x, int y)> OnMouseDown;
    std::function<void(Control& sender, MouseButton button, int x, int y)> OnMouseUp;

    // --- Called by the form. Overrides do the control's own work. ---
    virtual void paint(Canvas& canvas, const Rect& area);
    virtual void mouse_down(MouseButton button, int x, int y, Modifiers mods);
    virtual void mouse_move(int x, int y, Modifiers mods);
    virtual void mouse_up(MouseButton button, int x, int y, Modifiers mods);
    virtual void mouse_enter() {}
    virtual void mouse_leave() {}
    // The form ended this control's mouse capture before every button was released (the
    // window lost the mouse, or the control was hidden or disabled): no mouse_up will come,
    // so whatever a press holds must let go here.
    virtual void capture_lost() {}
    // True when handled; otherwise it goes on to the parent.
    virtual bool mouse_wheel(int delta, int x, int y, Modifiers mods);
    virtual bool key_down(Key key, Modifiers mods);
    virtual bool key_char(char32_t ch);
    virtual void focus_changed(bool has_focus);
    virtual void click();
    // A second left press soon after the first and close to it (see Form); it comes after
    // that press's mouse_down.
    virtual void double_click(int /*x*/, int /*y*/) {}
    // After a change of bounds.
    virtual void resized() {}

protected:
    // For the form, which is the root of its own tree.
    struct RootTag {};
    Control(RootTag, Form& self);

private:
    friend class Form;
    void detach_child(Control& child);

    Control* parent_ = nullptr;
    Form* form_ = nullptr;
    std::vector<Control*> children_;
    Rect bounds_;
    bool visible_ = true;
    bool enabled_ = true;
    Cursor cursor_ = Cursor::arrow;
};

} // namespace tonvo::ui
