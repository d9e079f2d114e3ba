// Renders the user guide's pictures from the editor's real forms on the headless backend: the
// editor in each skin, with lit keys, with a key's popup and the main menu open, the scale
// wizard, the preset browser and the dialogs. The forms run on the recording module the form
// tests use, set up as a musician would have it (the D Dorian preset of the demo).
//
// Usage: tonvo-guide-pictures FOLDER. Writes NAME.png files into FOLDER (made when missing),
// using FOLDER/work for the scale file and the presets it lists, removed at the end. Rendering
// is deterministic, so the same program writes the same bytes every time.
#include "editor/editor_factory.h"
#include "editor/input_dialogs.h"
#include "editor/note_map_editor.h"
#include "editor/preset_browser.h"
#include "presets/scale_library.h"
#include "support/fake_editor_module.h"
#include "ui/canvas.h"
#include "ui/headless/headless_desktop.h"
#include "ui/png.h"
#include "ui/style.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonvo::guide {
namespace {

namespace fs = std::filesystem;

class Pictures {
public:
    explicit Pictures(fs::path folder) : folder_(std::move(folder)) {
        fs::create_directories(work_ / "data");
        fs::create_directories(work_ / "presets");
        module_.dataFolder = work_ / "data";
        module_.presetFolder = work_ / "presets";
        module_.presetName = "D Dorian";
        // An installed guide, so the menu shows "Open User Guide" as it does for users.
        std::ofstream(module_.dataFolder / module_.userGuide) << "guide";
        ApplyScale(module_.map, "Dorian;0,2,3,5,7,9,10", 2, true);
    }
    ~Pictures() {
        std::error_code ignored;
        fs::remove_all(work_, ignored);
    }

    void render_all() {
        struct Skin {
            const char* style;
            const char* file;
        };
        for (const Skin& skin : {Skin{"Carbon", "editor-carbon"}, Skin{"Amakrits", "editor-dark"},
                                 Skin{"Light", "editor-light"}, Skin{"Luna", "editor-luna"},
                                 Skin{"Smokey Quartz Velto", "editor-smokey"}}) {
            ui::set_active_style(*ui::find_style(skin.style));
            auto form = open();
            save(skin.file, form->buffer());
        }
        ui::set_active_style(*ui::find_style("Carbon"));
        lit_keys();
        key_popup();
        main_menu();
        scale_menu();
        dialogs();
        preset_browser();
    }

private:
    std::unique_ptr<editor::TfrmEditor> open() {
        auto form = std::make_unique<editor::TfrmEditor>(desktop_, module_);
        form->set_position(0, 0);
        form->FormShow();
        form->paint_invalid();
        return form;
    }

    void save(const std::string& name, const ui::Bitmap& bitmap) {
        if (!ui::write_png(folder_ / (name + ".png"), bitmap))
            throw std::runtime_error("cannot write " + name + ".png");
    }

    // The form with the open menu's panes drawn over it where the screen shows them.
    static ui::Bitmap with_menu(const ui::Form& form, const ui::MenuSession& session) {
        ui::Rect all = ui::Rect::from_size(form.left(), form.top(), form.width(), form.height());
        for (size_t i = 0; i < session.pane_count(); ++i)
            all = ui::unite(all, session.pane(i).screen_rect());
        ui::Bitmap out(all.width(), all.height());
        ui::Canvas canvas(out);
        const auto draw = [&](const ui::Rect& at, const ui::Bitmap& pixels) {
            const ui::Rect r =
                ui::Rect::from_size(at.left - all.left, at.top - all.top, at.width(), at.height());
            canvas.draw_tile(r, pixels, r.left, r.top);
        };
        draw(ui::Rect::from_size(form.left(), form.top(), form.width(), form.height()),
             form.buffer());
        for (size_t i = 0; i < session.pane_count(); ++i)
            draw(session.pane(i).screen_rect(), session.pane(i).buffer());
        return out;
    }

    // Opens the menu `click` shows and saves the picture of it over the form.
    template <typename Click>
    void menu_picture(const std::string& name, ui::Form& form, Click click,
                      ui::HeadlessDesktop::MenuScript before = {}) {
        desktop_.expect_menu([&](ui::MenuSession& s) {
            if (before)
                before(s);
            save(name, with_menu(form, s));
            s.close();
        });
        click();
    }

    static void click_middle(ui::Form& form, const ui::Control& control) {
        const ui::Rect r = control.form_rect();
        ui::click(form, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }

    // Keys lit by notes arriving from the host: D, F and A, the D minor chord played.
    void lit_keys() {
        auto form = open();
        for (int note : {62, 65, 69})
            form->HighlightNoteOn(note);
        form->RefreshHighlights();
        desktop_.advance(*form, ui::Millis{100}); // the keyboard's redraw timer
        save("editor-lit-keys", form->buffer());
    }

    // The popup of the E key (E plays F here), as a right-click opens it.
    void key_popup() {
        auto form = open();
        const ui::TGuiSingleKey& key = form->MidiKeys.Keys()[4];
        const ui::Rect keys = form->MidiKeys.form_rect();
        menu_picture("key-popup", *form, [&] {
            ui::click(*form, keys.left + (key.Left + key.Right) / 2, keys.top + key.Bottom - 4,
                      ui::MouseButton::right);
        });
    }

    void main_menu() {
        auto form = open();
        // With the Skin submenu open, as resting the pointer on it opens it.
        menu_picture(
            "main-menu", *form, [&] { click_middle(*form, form->btnMenu); },
            [&](ui::MenuSession& s) {
                const ui::Rect skin = s.item_rect(form->ddmMain_Skin);
                ui::hover(s, (skin.left + skin.right) / 2, (skin.top + skin.bottom) / 2);
                ui::advance(desktop_, s, ui::Millis{1000});
            });
    }

    void scale_menu() {
        auto form = open();
        menu_picture("wizard-scales", *form,
                     [&] { click_middle(*form, form->panWizard.btnScale); });
    }

    // A modal window's picture, taken as it shows, then closed with Cancel.
    void modal_picture(const std::string& name) {
        desktop_.expect_modal([this, name](ui::Form& f) {
            save(name, f.buffer());
            f.set_modal_result(ui::ModalResult::cancel);
        });
    }

    void dialogs() {
        auto form = open();
        modal_picture("wizard-confirmation");
        click_middle(*form, form->panWizard.btnApply);
        modal_picture("init-confirmation");
        form->ddmMenu_Init.OnClick(form->ddmMenu_Init);
        modal_picture("about");
        form->ddmMenu_About.OnClick(form->ddmMenu_About);
        modal_picture("save-preset");
        std::string name = module_.presetName;
        editor::InputText(desktop_, form.get(), "Save Preset", "Name", name, 50, true);
    }

    void preset_browser() {
        for (const char* name :
             {"D Dorian", "Blues in A", "C Major Pentatonic", "Whole Tone", "init"})
            std::ofstream(module_.presetFolder / (std::string(name) + ".brelwickp")) << "preset";
        auto form = open();
        editor::TfrmPresets browser(desktop_);
        browser.PresetFolder = module_.presetFolder.generic_string() + "/";
        browser.CurrentPresetName = module_.presetName;
        browser.place_over(form.get());
        desktop_.expect_modal([this](ui::Form& f) {
            f.paint_invalid();
            save("preset-browser", f.buffer());
            f.set_modal_result(ui::ModalResult::cancel);
        });
        browser.ShowModal(form.get());
    }

    fs::path folder_;
    fs::path work_ = folder_ / "work";
    ui::HeadlessDesktop desktop_;
    test::FakeEditorModule module_;
};

} // namespace
} // namespace tonvo::guide

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tonvo-guide-pictures FOLDER\n");
        return 2;
    }
    try {
        tonvo::guide::Pictures pictures(argv[1]);
        pictures.render_all();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tonvo-guide-pictures: %s\n", e.what());
        return 1;
    }
    return 0;
}
