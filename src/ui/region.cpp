#include "ui/region.h"

#include <algorithm>

namespace tonvo::ui {

Rect unite(const Rect& a, const Rect& b) {
    if (a.empty())
        return b.empty() ? Rect{} : b;
    if (b.empty())
        return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

namespace {
bool inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}
} // namespace

void Region::add(const Rect& r) {
    if (r.empty())
        return;
    for (size_t i = 0; i < count_; ++i)
        if (inside(r, rects_[i]))
            return;
    // Drop what the new rectangle covers.
    size_t kept = 0;
    for (size_t i = 0; i < count_; ++i)
        if (!inside(rects_[i], r))
            rects_[kept++] = rects_[i];
    count_ = kept;
    if (count_ == kMaxRects) {
        rects_[0] = unite(bounds(), r);
        count_ = 1;
        return;
    }
    rects_[count_++] = r;
}

Rect Region::bounds() const {
    Rect all;
    for (const Rect& r : *this)
        all = unite(all, r);
    return all;
}

} // namespace tonvo::ui
