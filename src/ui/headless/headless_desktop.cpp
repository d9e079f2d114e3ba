#include "ui/headless/headless_desktop.h"

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

void HeadlessDesktop::wait(Millis time) {
    clock_.advance(time);
}

void click(Form& form, int x, int y, MouseButton button) {
    form.deliver_mouse_move(x, y);
    form.deliver_mouse_down(button, x, y);
    form.deliver_mouse_up(button, x, y);
    form.paint_invalid();
}

namespace {
// One code point from UTF-8; invalid bytes come out as U+FFFD, one byte at a time.
char32_t next_code_point(std::string_view s, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    const size_t extra = (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : 0;
    if (extra == 0 || s.size() - i <= extra) {
        ++i;
        return U'\uFFFD';
    }
    char32_t cp = lead & (0x3Fu >> extra);
    for (size_t k = 1; k <= extra; ++k) {
        const unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return U'\uFFFD';
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    i += extra + 1;
    return cp;
}
} // namespace

void type(Form& form, std::string_view utf8) {
    for (size_t i = 0; i < utf8.size();)
        form.deliver_key_char(next_code_point(utf8, i));
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
