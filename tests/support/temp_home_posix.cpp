#include "support/temp_home.h"

#include <cstdlib>
#include <random>

namespace tonvo::test {

namespace {
void set(std::vector<std::pair<std::string, std::optional<std::string>>>& saved, const char* name,
         const std::string& value) {
    const char* old = std::getenv(name);
    saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    setenv(name, value.c_str(), 1);
}
} // namespace

TempHome::TempHome() {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() /
            ("tonvo-home-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(root_);
    documents_ = root_ / "Documents";
    settingsFile_ = root_ / ".config" / "Brelwick" / "Tonvo.ini";
    set(saved_, "HOME", root_.string());
    set(saved_, "XDG_CONFIG_HOME", (root_ / ".config").string());
    set(saved_, "XDG_DOCUMENTS_DIR", documents_.string());
}

TempHome::~TempHome() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->second) {
            setenv(it->first.c_str(), it->second->c_str(), 1);
        } else {
            unsetenv(it->first.c_str());
        }
    }
    Clean();
}

void TempHome::Clean() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

} // namespace tonvo::test
