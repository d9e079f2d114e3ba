// A colour of the back buffer and the one blending rule every shape uses.
//
// Channels are 8-bit, stored in the back buffer's byte order (blue, green, red, alpha) and not
// premultiplied. All arithmetic is integer, so a blend gives the same byte on every target.
#pragma once

#include <cstdint>

namespace tonvo::ui {

struct Color {
    uint8_t b = 0;
    uint8_t g = 0;
    uint8_t r = 0;
    uint8_t a = 255;

    static constexpr Color rgb(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha = 255) {
        return Color{blue, green, red, alpha};
    }
    friend constexpr bool operator==(const Color&, const Color&) = default;
};

// v / 255 rounded half up, exact for every v in [0, 255 * 255]: the products of two channels.
constexpr uint32_t div255(uint32_t v) {
    v += 128;
    return (v + (v >> 8)) >> 8;
}

// Source-over with the source's alpha `a` (its own alpha already scaled by any coverage or
// overall alpha):
//   colour = round((src * a + dst * (255 - a)) / 255)
//   alpha  = a + round(dst.a * (255 - a) / 255)
// a = 0 leaves the destination as it was and a = 255 writes the source exactly. The colour
// rule treats the destination as opaque, which the back buffer is: it starts filled.
constexpr Color blend(Color dst, Color src, uint32_t a) {
    const uint32_t keep = 255 - a;
    return Color{static_cast<uint8_t>(div255(src.b * a + dst.b * keep)),
                 static_cast<uint8_t>(div255(src.g * a + dst.g * keep)),
                 static_cast<uint8_t>(div255(src.r * a + dst.r * keep)),
                 static_cast<uint8_t>(a + div255(dst.a * keep))};
}

// A colour given as a Windows colour number: red in the low byte, then green, then blue. The
// top byte (system-colour and palette flags) is ignored; the result is opaque.
constexpr Color from_tcolor(uint32_t value) {
    return Color::rgb(static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF),
                      static_cast<uint8_t>((value >> 16) & 0xFF));
}

// Each of red, green and blue less its own `percent` per cent, that share rounded half away
// from zero; `percent` is held to 0..100. Alpha is kept.
constexpr Color darken(Color c, int percent) {
    const uint32_t p = static_cast<uint32_t>(percent < 0 ? 0 : percent > 100 ? 100 : percent);
    auto channel = [p](uint8_t v) { return static_cast<uint8_t>(v - (v * p + 50) / 100); };
    return Color{channel(c.b), channel(c.g), channel(c.r), c.a};
}

} // namespace tonvo::ui
