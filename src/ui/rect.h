// An integer rectangle of pixels: left and top inclusive, right and bottom exclusive.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tonvo::ui {

// A pixel position: a screen point, or one in a window's client area.
struct Point {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    // From a corner and a size; an edge past the int range is held at its end, so huge or
    // negative sizes never wrap round into a different rectangle.
    static constexpr Rect from_size(int x, int y, int width, int height) {
        return Rect{x, y, saturate(int64_t{x} + width), saturate(int64_t{y} + height)};
    }

    // Held at the int range: a rectangle from far left to far right is wider than an int.
    constexpr int width() const { return right > left ? saturate(int64_t{right} - left) : 0; }
    constexpr int height() const { return bottom > top ? saturate(int64_t{bottom} - top) : 0; }
    constexpr bool empty() const { return right <= left || bottom <= top; }
    constexpr bool contains(int x, int y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    // The common part; empty (with width and height 0) when they do not meet.
    constexpr Rect intersect(const Rect& o) const {
        Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
               std::min(bottom, o.bottom)};
        if (r.empty())
            return Rect{};
        return r;
    }
    // Each edge moved inwards by `by` pixels (outwards when negative).
    constexpr Rect inset(int by) const {
        return Rect{saturate(int64_t{left} + by), saturate(int64_t{top} + by),
                    saturate(int64_t{right} - by), saturate(int64_t{bottom} - by)};
    }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;

private:
    static constexpr int saturate(int64_t v) {
        return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max()));
    }
};

} // namespace tonvo::ui
