// Text in the embedded fonts: a golden rendering, widths that must agree with drawing,
// kerning, UTF-8 handling, clipping, line splitting and PNG round trips.
#include "golden.h"
#include "ui/png.h"
#include "ui/text.h"

#include <climits>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace tonvo::ui {
namespace {

const Color kPaper = Color::rgb(244, 242, 236);
const Color kInk = Color::rgb(30, 34, 40);
const Color kNight = Color::rgb(36, 40, 48);
const Color kGlow = Color::rgb(236, 232, 220);

// The pen after `text` in pixels, from the face's own advances: what a width must be when
// no kerning pair occurs.
int64_t advances_in_pixels(const Font& font, std::u32string_view text) {
    const FontFace& face = FontFace::get(font.typeface());
    int64_t units = 0;
    for (char32_t cp : text)
        units += face.advance(face.glyph_index(cp));
    return font.units_to_pixels(units);
}

int changed_pixels(const Bitmap& bmp, Color background) {
    int count = 0;
    for (int y = 0; y < bmp.height(); ++y)
        for (int x = 0; x < bmp.width(); ++x)
            count += bmp.pixel(x, y) != background;
    return count;
}

TEST(Text, GoldenSample) {
    const Font regular12(Typeface::regular, 12);
    const Font bold13(Typeface::bold, 13);
    const Font bold21(Typeface::bold, 21);
    Bitmap bmp(200, 80, kPaper);
    Canvas canvas(bmp);
    canvas.fill_rect(Rect{0, 40, 200, 80}, kNight);
    for (const auto& [ink, top] : {std::pair{kInk, 1}, std::pair{kGlow, 41}}) {
        // A kerned pair and figures, accents and an arrow, the next font after the advance.
        const int x = 3 + draw_text(canvas, regular12, 3, top, "AV To 61%", ink);
        draw_text(canvas, bold13, x + 6, top, "C#4 \xC3\xA9\xE2\x86\x92", ink);
        draw_text(canvas, bold21, 3, top + regular12.height(), "Wave 9 \xC3\x89", ink);
    }
    // Translucent ink on a run of narrow glyphs at fractional positions.
    draw_text(canvas, regular12, 150, 20, "iiiiii", Color::rgb(200, 30, 30, 128));
    draw_text(canvas, regular12, 150, 60, "iiiiii", Color::rgb(255, 120, 90, 160));
    expect_golden(bmp, "text_sample");
}

TEST(Text, MetricsFollowTheEmSize) {
    // Liberation Sans: ascent 1854, descent -434, gap 67 of 2048 units to the em.
    const Font f12(Typeface::regular, 12);
    EXPECT_EQ(f12.ascent(), 11); // 10.86
    EXPECT_EQ(f12.height(), 14); // 13.80
    const Font f21(Typeface::bold, 21);
    EXPECT_EQ(f21.ascent(), 19); // 19.01
    EXPECT_EQ(f21.height(), 24); // 24.15
    EXPECT_EQ(Font(Typeface::regular, -5).pixel_height(), 1);
    EXPECT_EQ(Font(Typeface::regular, 100000).pixel_height(), Font::kMaxPixelHeight);
}

TEST(Text, WidthsMatchDrawingAndKerning) {
    for (int size : {11, 12, 13, 16, 21}) {
        for (Typeface face : {Typeface::regular, Typeface::bold}) {
            const Font font(face, size);
            SCOPED_TRACE(size);
            EXPECT_EQ(font.text_width(""), 0);
            // The font kerns A-V: the pair is narrower than its glyphs' advances, and a line
            // break between them stops the kerning and takes no room itself.
            EXPECT_LT(font.text_width("AV"), advances_in_pixels(font, U"AV"));
            EXPECT_EQ(font.text_width("A\nV"), advances_in_pixels(font, U"AV"));
            EXPECT_EQ(font.text_width("\r\n"), 0);
            // Without kerning pairs, widths add up in font units: rounding each glyph to
            // pixels or quarters would drift by whole pixels over a run of narrow glyphs.
            EXPECT_EQ(font.text_width("iiiiiiiiiiiiiiiiiiiiiiii"),
                      advances_in_pixels(font, U"iiiiiiiiiiiiiiiiiiiiiiii"));
            EXPECT_EQ(font.text_width("Hill mono"), advances_in_pixels(font, U"Hill mono"));

            Bitmap bmp(300, 30, kPaper);
            Canvas canvas(bmp);
            for (std::string_view text :
                 {"", "AV", "Tonvo: 0.5 \xE2\x86\x92 C#4", "a\r\nb", "\xFF\xC0z"}) {
                EXPECT_EQ(draw_text(canvas, font, 2, 2, text, kInk), font.text_width(text));
                // Nothing visible or nothing at all: still the same advance.
                EXPECT_EQ(draw_text(canvas, font, 2, 2, text, Color::rgb(0, 0, 0, 0)),
                          font.text_width(text));
                EXPECT_EQ(draw_text(canvas, font, INT_MAX - 5, 2, text, kInk),
                          font.text_width(text));
            }
        }
    }
}

// Characters the font cannot show. It has no U+FFFD: each broken sequence (as many as the
// decoder finds) and U+FFFD itself draw '?'. A code point it lacks draws the missing-glyph box.
TEST(Text, CharactersTheFontLacksDrawAQuestionMarkOrTheMissingGlyphBox) {
    const Font font(Typeface::regular, 16);
    const FontFace& face = FontFace::get(Typeface::regular);
    EXPECT_FALSE(face.has_glyph(kReplacementCharacter));
    EXPECT_EQ(font.text_width("\xC0\xAF"), font.text_width("??"));
    EXPECT_EQ(font.text_width("\xEF\xBF\xBD"), font.text_width("?"));
    ASSERT_FALSE(face.has_glyph(0x4E00));
    EXPECT_EQ(font.text_width("\xE4\xB8\x80"), font.units_to_pixels(face.advance(0)));
    Bitmap bmp(30, 24, kPaper);
    Canvas canvas(bmp);
    draw_text(canvas, font, 2, 2, "\xE4\xB8\x80", kInk);
    EXPECT_GT(changed_pixels(bmp, kPaper), 20);
}

TEST(Text, DrawsNothingOutsideTheClip) {
    const Font font(Typeface::bold, 21);
    Sentinel s(60, 40, 9);
    s.canvas.fill_rect(s.inner, kPaper);
    const int positions[] = {INT_MIN, -1000, -30, -8, 0, 5, 20, 45, 1000, INT_MAX - 40, INT_MAX};
    for (int x : positions)
        for (int y : positions)
            draw_text(s.canvas, font, x, y, "Wg\xC3\x89|j", kInk);
    EXPECT_EQ(s.marks_left(), s.border_size());
    EXPECT_GT(changed_pixels(s.bmp, kPaper) - s.border_size(), 50)
        << "text overlapping the clip must show inside it";

    // A line break draws nothing at all.
    Bitmap clean(40, 30, kPaper);
    Canvas clean_canvas(clean);
    EXPECT_EQ(draw_text(clean_canvas, font, 5, 5, "\r\n\n\r", kInk), 0);
    EXPECT_EQ(changed_pixels(clean, kPaper), 0);
}

TEST(Text, SplitsLinesAtEveryKindOfBreak) {
    using Lines = std::vector<std::string_view>;
    EXPECT_EQ(split_lines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(split_lines(""), (Lines{""}));
    EXPECT_EQ(split_lines("a\n"), (Lines{"a", ""}));
    EXPECT_EQ(split_lines("\n\r"), (Lines{"", "", ""}));
    EXPECT_EQ(split_lines("\r\n\r\n"), (Lines{"", "", ""}));
}

TEST(Png, RoundTripKeepsEveryChannelInPlace) {
    Bitmap bmp(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            bmp.pixel(x, y) =
                Color::rgb(static_cast<uint8_t>(50 * x), static_cast<uint8_t>(90 * y),
                           static_cast<uint8_t>(7 + x + y), static_cast<uint8_t>(255 - 40 * x));
    Bitmap back;
    ASSERT_TRUE(decode_png(encode_png(bmp), back));
    ASSERT_EQ(back.width(), 5);
    ASSERT_EQ(back.height(), 3);
    expect_pixels(back, [&](int x, int y) { return bmp.at(x, y); });
}

TEST(Png, WriteReportsFailureAndTakesAnyFileName) {
    namespace fs = std::filesystem;
    const fs::path folder = golden_output_folder();
    fs::create_directories(folder);
    const Bitmap bmp(4, 4, kInk);
    EXPECT_FALSE(write_png(folder / "no such folder" / "x.png", bmp));
    EXPECT_FALSE(write_png(folder / "empty.png", Bitmap()));

    const fs::path named = folder / fs::path(u8"n\u00e4me \u2192 \u4e00.png");
    fs::remove(named);
    ASSERT_TRUE(write_png(named, bmp));
    EXPECT_TRUE(fs::exists(named));
    EXPECT_GT(fs::file_size(named), 8u);
}

} // namespace
} // namespace tonvo::ui
