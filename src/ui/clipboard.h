// Where copy, cut and paste exchange text (UTF-8). The desktop provides the system's; a
// window-less session and the tests use one held in memory.
#pragma once

#include <string>
#include <string_view>

namespace tonvo::ui {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual std::string text() = 0;
    virtual void set_text(std::string_view text) = 0;
};

class MemoryClipboard final : public Clipboard {
public:
    std::string text() override { return text_; }
    void set_text(std::string_view text) override { text_ = text; }

private:
    std::string text_;
};

} // namespace tonvo::ui
