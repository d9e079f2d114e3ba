// A module of the plug-in inside a test program that drives the built plug-in through a real
// window: it makes the state the golden image was drawn with ("Major Pentatonic", C# => D),
// reads back the states the plug-in hands out, and shows its own editor headless, which tells
// where keys and buttons lie on the plug-in's window (the same form, the same layout).
#pragma once

#include "editor/editor_factory.h"
#include "editor/note_map_editor.h"
#include "platform/temp_folder.h"
#include "plugin/tonvo_module.h"
#include "support/fake_services.h"
#include "support/host_calls.h"
#include "ui/headless/headless_desktop.h"
#include "ui/headless/headless_editor_window.h"
#include "ui/menu_session.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tonvo::test {

class ReferenceModule {
public:
    ReferenceModule() {
        services.Documents = documents.Path();
        module = TVSTModule::Create<TonvoModule>({}, &editor::create_editor_form, services);
    }

    // The golden image's state.
    void MakeGoldenState() {
        module->SetPresetName("Major Pentatonic");
        module->ScaleMap().SetScaleMap(1, 2);
    }

    intptr_t Call(int32_t opcode, int32_t index, intptr_t value, void* ptr) {
        AEffect* effect = module->Effect();
        return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
    }
    std::vector<uint8_t> Chunk() { return chunk_of(module->Effect()); }
    bool Load(std::vector<uint8_t> chunk) {
        return !chunk.empty() &&
               Call(effSetChunk, 1, static_cast<intptr_t>(chunk.size()), chunk.data()) != 0;
    }
    // The state as a preset file in `folder`, named after the preset (a preset's name only
    // stays when its file exists); answers the file's path.
    std::filesystem::path SaveAsPreset(const std::filesystem::path& folder) {
        const std::filesystem::path path = folder / (module->PresetName() + ".brelwickp");
        write_bytes(path, Chunk());
        return path;
    }
    // The preset name a state the plug-in handed out carries. A loaded name only stays when its
    // preset file exists, so `file`, the plug-in's own file of that name, is made known here
    // first under its name.
    std::string PresetNameOf(const std::vector<uint8_t>& chunk, const std::filesystem::path& file) {
        const std::u8string name = file.stem().u8string();
        services.Files[services.PresetPath({name.begin(), name.end()})] = read_bytes(file);
        return Load(chunk) ? module->PresetName() : std::string{};
    }
    // The note key `k` maps to in a state the plug-in handed out.
    int32_t MapOf(const std::vector<uint8_t>& chunk, int k) {
        Load(chunk);
        return module->ScaleMap().GetScaleMap(k);
    }

    editor::TfrmEditor* Form() {
        if (parent.editor == nullptr) {
            Call(effEditOpen, 0, 0, &parent);
        }
        return dynamic_cast<editor::TfrmEditor*>(parent.editor);
    }
    // A form pixel low on key `k` (on a white key's lower part for every key).
    ui::Point OnKey(int k) {
        editor::TfrmEditor* form = Form();
        if (form == nullptr) {
            return {};
        }
        const ui::TGuiSingleKey& key = form->MidiKeys.Keys()[static_cast<size_t>(k)];
        const ui::Rect keys = form->MidiKeys.form_rect();
        return {keys.left + (key.Left + key.Right) / 2, keys.top + key.Bottom - 4};
    }
    // The middle of the main menu's button, of the preset browser's, and of the wizard's Scale
    // and Apply buttons.
    ui::Point OnMenuButton() { return Form() ? Middle(Form()->btnMenu) : ui::Point{}; }
    ui::Point OnPresets() { return Form() ? Middle(Form()->btnPresets) : ui::Point{}; }
    ui::Point OnScale() { return Form() ? Middle(Form()->panWizard.btnScale) : ui::Point{}; }
    ui::Point OnApply() { return Form() ? Middle(Form()->panWizard.btnApply) : ui::Point{}; }

    // Right-clicks key `k` here and chooses `item` of its popup; answers where the item's row
    // lies in the root pane (pane pixels).
    ui::Point ChooseFromKeyMenu(int k, ui::MenuItem& item) {
        ui::Point in_pane;
        desktop.expect_menu([&](ui::MenuSession& s) {
            const ui::Rect row = s.item_rect(item);
            const ui::Rect pane = s.pane(0).screen_rect();
            in_pane = {(row.left + row.right) / 2 - pane.left,
                       (row.top + row.bottom) / 2 - pane.top};
            ui::click(s, (row.left + row.right) / 2, (row.top + row.bottom) / 2);
        });
        const ui::Point at = OnKey(k);
        ui::click(*Form(), at.x, at.y, ui::MouseButton::right);
        return in_pane;
    }

    test::TempFolder documents;
    test::FakeServices services;
    ui::HeadlessDesktop desktop;
    ui::HeadlessParent parent{desktop};
    std::unique_ptr<TonvoModule> module;

private:
    static ui::Point Middle(const ui::Control& control) {
        const ui::Rect r = control.form_rect();
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
};

// A reference module in the golden image's state.
struct GoldenState : ReferenceModule {
    GoldenState() { MakeGoldenState(); }
};

} // namespace tonvo::test
