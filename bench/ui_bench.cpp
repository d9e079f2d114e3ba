// Cost of painting the editor: a form the size of the editor's bottom part, built as the
// editor builds it (the background tile, a translucent rounded panel, the one-octave keyboard
// with a label on every key, and labels and speed buttons beside it), painted in full and
// repainted after one key changed, as an incoming note repaints it.
//
// Both report the painted area per pass as `pixels`.
#include "ui/artwork.h"
#include "ui/headless/headless_desktop.h"
#include "ui/label.h"
#include "ui/midi_keys.h"
#include "ui/panel.h"
#include "ui/speed_button.h"
#include "ui/style.h"
#include "ui/text.h"

#include <array>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <string>

namespace tonvo::ui {
namespace {

// The editor's form: its background is the tile repeated from the form's origin.
class EditorForm : public Form {
public:
    using Form::Form;
    void paint(Canvas& canvas, const Rect& area) override {
        canvas.draw_tile(area, editor_background(), 0, 0);
    }
};

constexpr std::array<const char*, 12> kNoteNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                    "F#", "G",  "G#", "A",  "A#", "B"};

// The editor's bottom part at 662 x 256 in the "Carbon" style.
struct Editor {
    HeadlessDesktop desktop;
    EditorForm form{desktop, 662, 256};
    TQelGuiPanel panel{&form};
    TQelGuiMidiKeys keys{&panel};
    Label title{&panel};
    Label range{&panel};
    TQelSpTBXSpeedButton octave_down{&panel};
    TQelSpTBXSpeedButton octave_up{&panel};
    TQelSpTBXSpeedButton learn{&panel};
    Font key_font{Typeface::bold, 12};

    Editor() {
        const Style& style = *find_style("Carbon");
        set_active_style(style);
        panel.set_bounds(Rect::from_size(8, 8, 646, 240));
        panel.SetAlpha(225);
        panel.SetBorderRadius(5);
        panel.apply_style(style);

        keys.set_bounds(Rect::from_size(12, 44, 431, 184));
        keys.SetBaseOctave(0);
        keys.SetNumOctaves(1);
        keys.apply_style(style.name);
        // The note name near the bottom of every key, centred, as the editor labels its keys.
        keys.OnDrawKey = [this](TQelGuiMidiKeys& sender, TGuiSingleKey key, Canvas& canvas,
                                const Rect& area) {
            const char* name = kNoteNames[key.KeyNr % 12];
            const int x = area.left + (key.Left + key.Right + 1 - key_font.text_width(name)) / 2;
            const int y = area.top + key.Bottom - key_font.height() - 4;
            draw_text(canvas, key_font, x, y, name, sender.font_color());
        };

        title.set_font(Font(Typeface::bold, 14));
        title.set_caption("Note map");
        title.set_bounds(Rect::from_size(12, 12, 200, 20));
        title.apply_style(style);
        range.set_caption("Octave 0 to 0, 12 keys");
        range.set_bounds(Rect::from_size(456, 48, 180, 20));
        range.apply_style(style);

        const std::array<std::pair<TQelSpTBXSpeedButton*, const char*>, 3> buttons = {
            {{&octave_down, "Octave -"}, {&octave_up, "Octave +"}, {&learn, "Learn"}}};
        int y = 80;
        for (const auto& [button, caption] : buttons) {
            button->set_caption(caption);
            button->set_bounds(Rect::from_size(456, y, 120, 24));
            button->apply_style(style);
            y += 32;
        }
        // Warm up: the glyph caches hold every glyph drawn, in pressed and normal keys alike.
        form.paint_invalid();
        for (int k = 0; k < 12; ++k)
            keys.SetKeyPressed(k);
        keys.invalidate();
        form.paint_invalid();
        for (int k = 0; k < 12; ++k)
            keys.SetKeyReleased(k);
        keys.invalidate();
        form.paint_invalid();
    }
};

int64_t area_of(const std::vector<Rect>& rects) {
    int64_t pixels = 0;
    for (const Rect& r : rects)
        pixels += int64_t{r.width()} * r.height();
    return pixels;
}

void BM_FullRepaint(benchmark::State& state) {
    Editor editor;
    int64_t pixels = 0;
    for (auto _ : state) {
        editor.form.invalidate();
        pixels = area_of(editor.form.paint_invalid());
        benchmark::DoNotOptimize(editor.form.buffer().row(0));
    }
    state.counters["pixels"] = static_cast<double>(pixels);
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMicrosecond);

// One incoming note: E pressed and released in turn. The clock moves on by the redraw
// interval, so the keyboard's 50 ms timer fires in idle() and invalidates the key, and the
// paint pass repaints that area: everything a note costs the user-interface thread.
void BM_KeyRepaint(benchmark::State& state) {
    Editor editor;
    constexpr int kKey = 4;
    bool down = false;
    int64_t pixels = 0;
    for (auto _ : state) {
        down = !down;
        if (down)
            editor.keys.SetKeyPressed(kKey);
        else
            editor.keys.SetKeyReleased(kKey);
        editor.desktop.manual_clock().advance(TQelGuiMidiKeys::kRedrawInterval);
        editor.form.idle();
        pixels = area_of(editor.form.paint_invalid());
        benchmark::DoNotOptimize(editor.form.buffer().row(0));
    }
    if (pixels == 0)
        state.SkipWithError("the key change painted nothing");
    state.counters["pixels"] = static_cast<double>(pixels);
}
BENCHMARK(BM_KeyRepaint)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace tonvo::ui

BENCHMARK_MAIN();
