// The invalid region of a form: a short list of rectangles that still have to be painted.
//
// It never holds a rectangle inside another, and when more than a handful accumulate they
// collapse into their bounding box, so a paint pass stays cheap and the list never grows.
#pragma once

#include "ui/rect.h"

#include <array>
#include <cstddef>

namespace tonvo::ui {

class Region {
public:
    static constexpr size_t kMaxRects = 8;

    void add(const Rect& r);
    void clear() { count_ = 0; }
    bool empty() const { return count_ == 0; }
    size_t size() const { return count_; }
    const Rect& operator[](size_t i) const { return rects_[i]; }
    const Rect* begin() const { return rects_.data(); }
    const Rect* end() const { return rects_.data() + count_; }
    // The smallest rectangle holding the whole region; empty when the region is.
    Rect bounds() const;

private:
    std::array<Rect, kMaxRects> rects_{};
    size_t count_ = 0;
};

// The smallest rectangle holding both; an empty one counts as nothing.
Rect unite(const Rect& a, const Rect& b);

} // namespace tonvo::ui
