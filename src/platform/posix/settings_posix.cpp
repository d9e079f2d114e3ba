// Settings outside Windows: one INI-style file per key under the XDG configuration folder.
// "Software\Brelwick\Tonvo" becomes $XDG_CONFIG_HOME/Brelwick/Tonvo.ini: the leading
// "Software" level goes, the other levels become folders and the last one the file's name.
#include "base/case_fold.h"
#include "base/file_names.h"
#include "platform/files.h"
#include "platform/posix/xdg_folders.h"
#include "platform/settings_store.h"
#include "platform/settings_text.h"

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace tonvo {
namespace platform {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void CannotOpen(const std::string& keyPath, const std::string& reason) {
    throw std::runtime_error("Cannot open settings key '" + keyPath + "': " + reason);
}

// The key's levels must stay inside the configuration folder: no empty levels, no "." or
// "..", no '/'.
fs::path settings_file(const std::string& keyPath) {
    std::vector<std::string> levels;
    size_t start = 0;
    for (;;) {
        const size_t end = keyPath.find('\\', start);
        levels.push_back(keyPath.substr(start, end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    if (levels.size() > 1 && base::equal_ignoring_case(levels.front(), "Software")) {
        levels.erase(levels.begin());
    }
    for (const std::string& level : levels) {
        if (level.empty() || level == "." || level == ".." ||
            level.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
            CannotOpen(keyPath, "not a valid key name");
        }
    }
    const fs::path configHome = posix::config_home_folder();
    if (configHome.empty()) {
        CannotOpen(keyPath, "no home folder is set");
    }
    fs::path file = configHome;
    for (size_t i = 0; i + 1 < levels.size(); ++i) {
        file /= levels[i];
    }
    return file / (levels.back() + ".ini");
}

class IniFileStore final : public SettingsStore {
public:
    explicit IniFileStore(fs::path file) : file_(std::move(file)) {}

    int32_t ReadInteger(const std::string& section, const std::string& name,
                        int32_t fallback) override {
        // Whatever is wrong with the file (gone, unreadable, garbage), the default serves.
        std::vector<uint8_t> bytes;
        try {
            bytes = read_file_bytes(file_);
        } catch (const std::exception&) {
            return fallback;
        }
        const IniText document(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        const auto text = document.Find(section, name);
        if (!text) {
            return fallback;
        }
        return parse_decimal_int32(*text).value_or(fallback);
    }

    void WriteInteger(const std::string& section, const std::string& name, int32_t value) override {
        try {
            // A file that is there but cannot be read is not replaced: that would lose
            // every other value in it.
            std::vector<uint8_t> bytes;
            std::error_code ec;
            if (fs::exists(fs::symlink_status(file_, ec))) {
                bytes = read_file_bytes(file_);
            } else if (ec && ec != std::errc::no_such_file_or_directory) {
                throw std::system_error(ec);
            }
            IniText document(
                std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
            if (!document.Set(section, name, std::to_string(value))) {
                throw std::invalid_argument("name cannot be stored");
            }
            const std::string text = document.Text();
            write_file_replacing(file_, std::vector<uint8_t>(text.begin(), text.end()));
        } catch (const std::exception&) {
            throw std::runtime_error("Failed to set data for '" + name + "'");
        }
    }

private:
    fs::path file_;
};

} // namespace

std::unique_ptr<SettingsStore> open_settings_store(const std::string& keyPath) {
    const fs::path file = settings_file(keyPath);
    try {
        create_folders(file.parent_path());
    } catch (const std::exception& error) {
        CannotOpen(keyPath, error.what());
    }
    // The key exists from the first opening on, as a registry key would.
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
    } else if (errno != EEXIST) {
        CannotOpen(keyPath, std::generic_category().message(errno));
    } else {
        std::error_code ec;
        if (!fs::is_regular_file(file, ec)) {
            CannotOpen(keyPath, "'" + file.native() + "' is not a file");
        }
    }
    return std::make_unique<IniFileStore>(file);
}

} // namespace platform
} // namespace tonvo
