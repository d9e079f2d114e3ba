#include "presets/preset_files.h"

#include "base/case_fold.h"
#include "base/file_names.h"
#include "base/utf.h"
#include "platform/files.h"

#include <stdexcept>

namespace tonvo {

namespace {

constexpr std::string_view kInvalidCharacters = "\\/:*?\"<>|";

} // namespace

std::string trim_name(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

std::string MakeValidFileName(std::string_view text) {
    std::string name(text);
    for (char& c : name) {
        if (kInvalidCharacters.find(c) != std::string_view::npos) {
            c = '_';
        }
    }
    return name;
}

std::string FileBaseName(const std::filesystem::path& path) {
    const std::string name = base::path_to_utf8(path.filename());
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string preset_name_problem(std::string_view name) {
    if (name.starts_with('.')) {
        return "begins with a dot";
    }
    if (base::is_reserved_device_name(name)) {
        return "is a device name on Windows";
    }
    return {};
}

bool is_usable_preset_name(std::string_view name) {
    return !name.empty() && preset_name_problem(name).empty();
}

} // namespace tonvo
