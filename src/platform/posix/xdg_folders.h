// The home and configuration folders as the XDG conventions name them, shared by the file and
// settings code outside Windows.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tonvo::platform::posix {

// The variable's text; empty when it is unset.
inline std::string environment_text(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// $XDG_CONFIG_HOME when it is an absolute path (the XDG rules ignore relative ones), else
// $HOME/.config; empty when neither is known.
inline std::filesystem::path config_home_folder() {
    const std::filesystem::path configured = environment_text("XDG_CONFIG_HOME");
    if (configured.is_absolute()) {
        return configured;
    }
    const std::string home = environment_text("HOME");
    if (home.empty()) {
        return {};
    }
    return std::filesystem::path(home) / ".config";
}

} // namespace tonvo::platform::posix
