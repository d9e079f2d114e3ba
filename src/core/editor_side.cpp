#include "core/editor_side.h"

#include "platform/files.h"
#include "platform/own_module.h"
#include "presets/skins.h"
#include "ui/style.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace tonvo::core {

void EditorSide::apply_skin() {
    const std::string_view name = SkinFor(plugin_.settings().Style).StyleName;
    try {
        const ui::Style* style = ui::find_style(name);
        if (style == nullptr) {
            throw std::runtime_error("Style \"" + std::string(name) + "\" not found");
        }
        ui::set_active_style(*style);
    } catch (const std::exception& failure) {
        dialogs_.Warning("Load Skin", failure_text("Error loading skin.", failure.what()));
    }
}

std::unique_ptr<EditorLife> EditorSide::make_editor(EditorLife::FormFactory factory,
                                                    DialogSize design_size) {
    return std::make_unique<EditorLife>(std::move(factory), *this, dialogs_, design_size);
}

bool EditorSide::SafeFileExists(const std::filesystem::path& path) {
    return platform::SafeFileExists(path);
}

std::filesystem::path EditorSide::LibraryPath() const {
    return platform::own_module_path();
}

void EditorSide::SetSkin(int32_t index) {
    if (plugin_.settings().ChangeSkin(index)) {
        plugin_.save_settings(plugin_.product_name());
    }
}

} // namespace tonvo::core
