#include "ui/headless/headless_desktop.h"

#include "ui/text.h"

#include <algorithm>

namespace tonvo::ui {

ModalResult HeadlessDesktop::run_modal(Form& form, Form* /*owner*/) {
    shown_.push_back(form.caption());
    form.paint_invalid();
    if (scripts_.empty()) {
        ++unanswered_;
        return ModalResult::cancel;
    }
    ModalScript script = std::move(scripts_.front());
    scripts_.pop_front();
    modal_.push_back(&form);
    script(form);
    modal_.pop_back();
    if (form.modal_result() == ModalResult::none) {
        ++unanswered_;
        form.set_modal_result(ModalResult::cancel);
    }
    return form.modal_result();
}

void HeadlessDesktop::run_menu(MenuSession& session) {
    ++menus_shown_;
    session.paint();
    if (!menu_scripts_.empty()) {
        MenuScript script = std::move(menu_scripts_.front());
        menu_scripts_.pop_front();
        script(session);
    }
    if (!session.finished()) {
        ++unanswered_menus_;
        session.close();
    }
}

std::optional<MouseButton> HeadlessDesktop::button_down_outside(const Form& form) {
    const Rect bounds = Rect::from_size(form.left(), form.top(), form.width(), form.height());
    if (!held_ || bounds.contains(pointer_.x, pointer_.y))
        return std::nullopt;
    return held_;
}

void HeadlessDesktop::wait(Millis time) {
    clock_.advance(time);
}

void click(Form& form, int x, int y, MouseButton button) {
    form.deliver_mouse_move(x, y);
    form.deliver_mouse_down(button, x, y);
    form.deliver_mouse_up(button, x, y);
    form.paint_invalid();
}

void type(Form& form, std::string_view utf8) {
    for (size_t i = 0; i < utf8.size();) {
        // As a real desktop: these keys arrive as keys, not as text.
        switch (const char32_t ch = decode_utf8(utf8, i)) {
        case U'\b': form.deliver_key_down(Key::backspace); break;
        case U'\r': form.deliver_key_down(Key::enter); break;
        case U'\t': form.deliver_key_down(Key::tab); break;
        case U'\x1B': form.deliver_key_down(Key::escape); break;
        default: form.deliver_key_char(ch); break;
        }
    }
    form.paint_invalid();
}

void press_key(Form& form, Key key, Modifiers mods) {
    form.deliver_key_down(key, mods);
    form.paint_invalid();
}

void hover(MenuSession& session, int x, int y) {
    session.mouse_move(x, y);
    session.paint();
}

void click(MenuSession& session, int x, int y, MouseButton button) {
    session.mouse_move(x, y);
    session.mouse_down(button, x, y);
    session.mouse_up(button, x, y);
    session.paint();
}

void press_key(MenuSession& session, Key key) {
    session.key_down(key);
    session.paint();
}

void advance(HeadlessDesktop& desktop, MenuSession& session, Millis time, Millis step) {
    for (Millis passed{0}; passed < time; passed += step) {
        desktop.manual_clock().advance(std::min(step, time - passed));
        session.idle();
    }
    session.paint();
}

void HeadlessDesktop::advance(Form& form, Millis time, Millis step) {
    for (Millis passed{0}; passed < time; passed += step) {
        clock_.advance(std::min(step, time - passed));
        form.idle();
    }
    form.paint_invalid();
}

} // namespace tonvo::ui
