// A throw-away home for one test: HOME, the documents folder and the settings folder point
// into a fresh temporary folder, and everything is put back and removed afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tonvo::test {

class TTempHome {
public:
    TTempHome() {
        std::random_device random;
        root_ = std::filesystem::temp_directory_path() /
                ("tonvo-home-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(root_);
        Set("HOME", root_.string());
        Set("XDG_CONFIG_HOME", (root_ / ".config").string());
        Set("XDG_DOCUMENTS_DIR", Documents().string());
    }
    ~TTempHome() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                unsetenv(it->first.c_str());
            }
        }
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TTempHome(const TTempHome&) = delete;
    TTempHome& operator=(const TTempHome&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path Documents() const { return root_ / "Documents"; }
    std::filesystem::path Presets() const { return Documents() / "Brelwick" / "Tonvo" / "Presets"; }
    std::filesystem::path SettingsFile() const {
        return root_ / ".config" / "Brelwick" / "Tonvo.ini";
    }

private:
    void Set(const char* name, const std::string& value) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(name, value.c_str(), 1);
    }

    std::filesystem::path root_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace tonvo::test
